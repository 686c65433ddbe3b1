// What every process starter must do: the program receives each argument exactly as given, is
// found on PATH when named without a folder, and is waited for with its exit code.
#include <thread>

#include "comun.h"
#include "rasgos_plataforma.h"

namespace contrato {
namespace {

using namespace std::chrono_literals;

template <class Banco>
class ContratoProcesos : public testing::Test {
protected:
    void SetUp() override {
        salida_ = carpeta_.En("argumentos.bin");
        variable_ = banco_.Poner(kVariableSalidaHijo, salida_);
    }

    // Starts, waits, and gives what the child received; its exit code in `codigo`.
    std::vector<std::string> Ejecutar(const std::string& programa,
                                      const std::vector<std::string>& argumentos,
                                      int* codigo = nullptr) {
        auto proceso = procesos_->Iniciar(programa, argumentos);
        EXPECT_TRUE(proceso) << proceso.motivo();
        if (!proceso) return {};
        EXPECT_TRUE((*proceso)->Terminado(60s));
        if (codigo) *codigo = (*proceso)->CodigoSalida();
        return ArgumentosGrabados(salida_);
    }

    Banco banco_;
    std::shared_ptr<IniciadorProcesos> procesos_ = banco_.Crear();
    CarpetaTemporal carpeta_;
    std::string salida_;
    std::unique_ptr<Variable> variable_;
};

TYPED_TEST_SUITE(ContratoProcesos, BancosProcesos, NombreBanco);

// What a hand-over to the updater or a profile folder may hold.
const std::vector<std::string>& ArgumentosDificiles() {
    static const std::vector<std::string> a = {
        "class(TForm)",
        "C:\\Archivos de programa\\Marlevanta\\",
        "con espacio",
        "comilla\"dentro",
        "barra\\final\\",
        "\\\\servidor\\recurso",
        "dos barras\\\\\"y comilla",
        "",
        "tab\tdentro",
        "ñandú 日本",
        "a\\\\b",
        "\"",
        "\\\"",
        "%homepath% & | < > ^ ( )",
        "--user-data-dir=/tmp/Ana María/edge",
    };
    return a;
}

TYPED_TEST(ContratoProcesos, ElProgramaRecibeCadaArgumentoTalCual) {
    int codigo = -2;
    const auto recibidos = this->Ejecutar(this->banco_.Hijo(), ArgumentosDificiles(), &codigo);
    EXPECT_EQ(recibidos, ArgumentosDificiles());
    EXPECT_EQ(codigo, static_cast<int>(ArgumentosDificiles().size()));
    // And with none at all.
    EXPECT_EQ(this->Ejecutar(this->banco_.Hijo(), {}, &codigo), std::vector<std::string>());
    EXPECT_EQ(codigo, 0);
}

TYPED_TEST(ContratoProcesos, ProgramaEnUnaCarpetaConEspacios) {
    const std::string programa =
        this->carpeta_.En("Archivos de programa ñ/" + this->banco_.NombreArchivo("tq Upd"));
    ASSERT_TRUE(this->banco_.Copiar(this->banco_.Hijo(), programa));
    const std::vector<std::string> argumentos = {"class(TForm)", this->carpeta_.En("tmp zip.zip"),
                                                 "", programa};
    EXPECT_EQ(this->Ejecutar(programa, argumentos), argumentos);
}

TYPED_TEST(ContratoProcesos, SeBuscaEnElPathSiNoTieneCarpeta) {
    const std::string carpeta = this->carpeta_.En("en path");
    const std::string enDisco =
        this->carpeta_.En("en path/" + this->banco_.NombreArchivo("marlevanta-prueba-hijo"));
    ASSERT_TRUE(this->banco_.Copiar(this->banco_.Hijo(), enDisco));
    const auto path = this->banco_.PrimeroEnPath(carpeta);

    const std::string encontrado =
        this->procesos_->BuscarEnPath({"marlevanta-no-existe", "marlevanta-prueba-hijo"});
    ASSERT_FALSE(encontrado.empty());
    EXPECT_TRUE(std::filesystem::equivalent(Ruta(encontrado), Ruta(enDisco))) << encontrado;
    EXPECT_EQ(this->procesos_->BuscarEnPath({"marlevanta-no-existe"}), "");
    // A name with its folder is taken as it is.
    const std::string conCarpeta = this->procesos_->BuscarEnPath({this->banco_.Hijo()});
    ASSERT_FALSE(conCarpeta.empty());
    EXPECT_TRUE(std::filesystem::equivalent(Ruta(conCarpeta), Ruta(this->banco_.Hijo())));

    EXPECT_EQ(this->Ejecutar("marlevanta-prueba-hijo", {"desde el path"}),
              std::vector<std::string>{"desde el path"});
}

TYPED_TEST(ContratoProcesos, SeEsperaHastaQueTermina) {
    auto proceso = this->procesos_->Iniciar(this->banco_.Hijo(), {"--dormir", "1500"});
    ASSERT_TRUE(proceso) << proceso.motivo();
    const auto inicio = std::chrono::steady_clock::now();
    EXPECT_FALSE((*proceso)->Terminado(0ms));
    EXPECT_FALSE((*proceso)->Terminado(200ms));
    // It did wait (to the millisecond the system's timers count in).
    EXPECT_GE(std::chrono::steady_clock::now() - inicio, 199ms);
    EXPECT_EQ((*proceso)->CodigoSalida(), -1);
    EXPECT_TRUE((*proceso)->Terminado(60s));
    EXPECT_EQ((*proceso)->CodigoSalida(), 7);
    // It stays ended.
    EXPECT_TRUE((*proceso)->Terminado(0ms));
    EXPECT_EQ((*proceso)->CodigoSalida(), 7);
}

TYPED_TEST(ContratoProcesos, UnProgramaQueNoExisteEsUnFallo) {
    const std::string falta = this->carpeta_.En(this->banco_.NombreArchivo("no-existe"));
    auto proceso = this->procesos_->Iniciar(falta, {"a"});
    ASSERT_FALSE(proceso);
    EXPECT_NE(proceso.motivo().find("\"" + falta + "\""), std::string::npos) << proceso.motivo();
    auto sinCarpeta = this->procesos_->Iniciar("marlevanta-no-existe", {});
    ASSERT_FALSE(sinCarpeta);
    EXPECT_NE(sinCarpeta.motivo().find("marlevanta-no-existe"), std::string::npos);
}

}  // namespace
}  // namespace contrato
