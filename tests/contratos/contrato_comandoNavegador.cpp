// The command that starts a browser, started as the browser run starts it: the browser the
// system knows by that name receives its profile folder below the user's home as one argument,
// whatever the home's name holds, and the run ends when the browser ends.
#include "comun.h"
#include "rasgos_plataforma.h"

namespace contrato {
namespace {

using namespace std::chrono_literals;

template <class Banco>
class ContratoComandoNavegador : public testing::Test {
protected:
    Banco banco_;
    std::shared_ptr<IniciadorProcesos> procesos_ = banco_.Crear();
    CarpetaTemporal carpeta_;
};

TYPED_TEST_SUITE(ContratoComandoNavegador, BancosProcesos, NombreBanco);

TYPED_TEST(ContratoComandoNavegador, ElNavegadorRecibeSuCarpetaDePerfil) {
    const std::string salida = this->carpeta_.En("argumentos.bin");
    const auto variable = this->banco_.Poner(kVariableSalidaHijo, salida);
    const auto casa = this->banco_.Poner(Navegadores::kVariableCasa, Navegadores::kCasa);
    const std::string carpeta = this->carpeta_.En("navegadores");
    for (Navegador n : {Navegador::Edge, Navegador::Chrome}) {
        ASSERT_TRUE(this->banco_.Copiar(
            this->banco_.Hijo(), this->carpeta_.En("navegadores/" + Navegadores::Programa(n))));
    }
    const auto path = this->banco_.PrimeroEnPath(carpeta);

    for (Navegador n : {Navegador::Edge, Navegador::Chrome}) {
        std::filesystem::remove(Ruta(salida));
        auto comando = BuscarComandoNavegador(n, *this->procesos_);
        ASSERT_TRUE(comando) << comando.motivo();
        auto proceso = this->procesos_->Iniciar(comando->ejecutable, comando->argumentos);
        ASSERT_TRUE(proceso) << proceso.motivo();
        ASSERT_TRUE((*proceso)->Terminado(60s));
        const std::string perfil = n == Navegador::Edge ? "edge" : "chrome";
        EXPECT_EQ(ArgumentosGrabados(salida),
                  std::vector<std::string>{"--user-data-dir=" + std::string(Navegadores::kCasa) +
                                           "/Marlevanta/" + perfil});
    }
}

}  // namespace
}  // namespace contrato
