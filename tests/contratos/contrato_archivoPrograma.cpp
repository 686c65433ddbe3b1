// What every program-file reader must give: the program's version and a file's last change.
#include "comun.h"
#include "rasgos_plataforma.h"

namespace contrato {
namespace {

using namespace std::chrono;

template <class Banco>
class ContratoArchivoPrograma : public testing::Test {
protected:
    Banco banco_;
    CarpetaTemporal carpeta_;
};

TYPED_TEST_SUITE(ContratoArchivoPrograma, BancosArchivo, NombreBanco);

TYPED_TEST(ContratoArchivoPrograma, LaVersionDelProgramaEsLaDelProyecto) {
    auto version = this->banco_.DelPrograma()->Version();
    ASSERT_TRUE(version) << version.motivo();
    EXPECT_EQ(*version, (VersionArchivo{VERSION_PROGRAMA}));
    // The date is that of the running program's file. (Read here at the resolution of the
    // standard library, which on Windows is the second.)
    auto escrito = this->banco_.DelPrograma()->UltimaEscritura();
    ASSERT_TRUE(escrito) << escrito.motivo();
    const auto fecha =
        file_clock::to_sys(std::filesystem::last_write_time(Ruta(this->banco_.RutaDelPrograma())));
    EXPECT_LT(abs(duration_cast<milliseconds>(*escrito - fecha)), seconds(1));
}

TYPED_TEST(ContratoArchivoPrograma, FechaDeUltimaEscrituraExacta) {
    const std::string archivo = this->carpeta_.En("programa copiado");
    ASSERT_TRUE(std::filesystem::copy_file(Ruta(this->banco_.ArchivoSinVersion()), Ruta(archivo)));
    // 3 February 2023 00:30 in Madrid, still January in UTC.
    const auto momento = sys_days(2023y / February / 2) + 23h + 30min;
    ASSERT_TRUE(this->banco_.PonerFecha(archivo, momento));
    auto escrito = this->banco_.De(archivo)->UltimaEscritura();
    ASSERT_TRUE(escrito) << escrito.motivo();
    EXPECT_EQ(*escrito, momento);
}

TYPED_TEST(ContratoArchivoPrograma, SinRegistroDeVersion) {
    auto version = this->banco_.De(this->banco_.ArchivoSinVersion())->Version();
    ASSERT_FALSE(version);
    EXPECT_EQ(version.motivo(), "El programa no tiene número de versión.");
}

TYPED_TEST(ContratoArchivoPrograma, ArchivoQueNoExiste) {
    const std::string falta = this->carpeta_.En("no-existe");
    auto escrito = this->banco_.De(falta)->UltimaEscritura();
    ASSERT_FALSE(escrito);
    EXPECT_NE(escrito.motivo().find(falta), std::string::npos) << escrito.motivo();
    EXPECT_FALSE(this->banco_.De(falta)->Version());
}

}  // namespace
}  // namespace contrato
