// What every rule store must do: the browser finds exactly the rule written for the chosen
// certificate, for one browser and one place at a time, and nothing once it has been removed;
// and while one run holds a browser, no other run of the same user gets it.
#include "comun.h"
#include "rasgos_plataforma.h"

namespace contrato {
namespace {

template <class Banco>
class ContratoPoliticas : public testing::Test {
protected:
    // The managed policy everywhere; the profile where the back-end takes a rule there.
    std::vector<LugarRegla> Lugares() const {
        std::vector<LugarRegla> r{LugarRegla::PoliticaSistema};
        if (politicas_->AdmitePerfil()) r.push_back(LugarRegla::Perfil);
        return r;
    }

    Banco banco_;
    std::unique_ptr<AlmacenPoliticas> politicas_ = banco_.Crear();
};

TYPED_TEST_SUITE(ContratoPoliticas, BancosPoliticas, NombreBanco);

// The text the browser finds: the whole policy entry, or the profile's filter.
std::string Esperado(LugarRegla lugar, const ReglaCertificado& regla) {
    return lugar == LugarRegla::Perfil ? TextoFiltro(regla) : TextoPolitica(regla);
}

// Each text wherever the browser reads the rule, and at least one place.
#define EXPECT_LEE_SOLO(banco, navegador, lugar, regla)                    \
    do {                                                                   \
        const auto leidos = (banco).Leer(navegador, lugar);                \
        EXPECT_FALSE(leidos.empty());                                      \
        for (const auto& t : leidos) EXPECT_EQ(t, Esperado(lugar, regla)); \
    } while (false)

ReglaCertificado Regla(const std::string& sujeto) {
    return {sujeto, "AC DE PRUEBAS"};
}

TYPED_TEST(ContratoPoliticas, ElNavegadorLeeElTextoExactoHastaQueSeQuita) {
    const ReglaCertificado regla{"José \"Pepe\" Núñez\\Ñ, Güemes", "AC \"Raíz\"\t1"};
    ASSERT_EQ(TextoPolitica(regla),
              "{\"pattern\":\"https://*\",\"filter\":{\"SUBJECT\":{\"CN\":\"José \\\"Pepe\\\" "
              "Núñez\\\\Ñ, Güemes\"},\"ISSUER\":{\"CN\":\"AC \\\"Raíz\\\"\\t1\"}}}");
    for (LugarRegla lugar : this->Lugares()) {
        for (Navegador n : {Navegador::Edge, Navegador::Chrome}) {
            const Navegador otro = n == Navegador::Edge ? Navegador::Chrome : Navegador::Edge;
            const Hecho escrito = this->politicas_->Escribir(n, lugar, regla);
            ASSERT_TRUE(escrito) << escrito.motivo();
            EXPECT_LEE_SOLO(this->banco_, n, lugar, regla);
            EXPECT_TRUE(this->banco_.Leer(otro, lugar).empty());

            auto quitado = this->politicas_->Eliminar(n, lugar);
            ASSERT_TRUE(quitado) << quitado.motivo();
            EXPECT_TRUE(*quitado);
            EXPECT_TRUE(this->banco_.Leer(n, lugar).empty());
            // Nothing left to remove.
            auto otraVez = this->politicas_->Eliminar(n, lugar);
            ASSERT_TRUE(otraVez) << otraVez.motivo();
            EXPECT_FALSE(*otraVez);
        }
    }
}

TYPED_TEST(ContratoPoliticas, EscribirDosVecesDejaElSegundoTexto) {
    for (LugarRegla lugar : this->Lugares()) {
        ASSERT_TRUE(this->politicas_->Escribir(Navegador::Chrome, lugar, Regla("PRIMERO")));
        ASSERT_TRUE(this->politicas_->Escribir(Navegador::Chrome, lugar, Regla("SEGUNDO")));
        EXPECT_LEE_SOLO(this->banco_, Navegador::Chrome, lugar, Regla("SEGUNDO"));
    }
}

TYPED_TEST(ContratoPoliticas, CadaNavegadorYCadaLugarTienenLaSuya) {
    for (LugarRegla lugar : this->Lugares()) {
        ASSERT_TRUE(this->politicas_->Escribir(Navegador::Edge, lugar, Regla("EDGE")));
        ASSERT_TRUE(this->politicas_->Escribir(Navegador::Chrome, lugar, Regla("CHROME")));
    }
    for (LugarRegla lugar : this->Lugares()) {
        EXPECT_LEE_SOLO(this->banco_, Navegador::Edge, lugar, Regla("EDGE"));
        EXPECT_LEE_SOLO(this->banco_, Navegador::Chrome, lugar, Regla("CHROME"));
    }
    const LugarRegla primero = this->Lugares().front();
    auto quitado = this->politicas_->Eliminar(Navegador::Chrome, primero);
    ASSERT_TRUE(quitado && *quitado);
    EXPECT_TRUE(this->banco_.Leer(Navegador::Chrome, primero).empty());
    for (LugarRegla lugar : this->Lugares()) {
        EXPECT_LEE_SOLO(this->banco_, Navegador::Edge, lugar, Regla("EDGE"));
        if (lugar != primero)
            EXPECT_LEE_SOLO(this->banco_, Navegador::Chrome, lugar, Regla("CHROME"));
    }
}

TYPED_TEST(ContratoPoliticas, SiNoSePuedeEscribirNoQuedaNada) {
    for (LugarRegla lugar : this->Lugares()) {
        ASSERT_TRUE(this->banco_.Bloquear(Navegador::Chrome, lugar));
        const Hecho escrito = this->politicas_->Escribir(Navegador::Chrome, lugar, Regla("X"));
        EXPECT_FALSE(escrito);
        EXPECT_FALSE(escrito.motivo().empty());
        EXPECT_TRUE(this->banco_.Leer(Navegador::Chrome, lugar).empty());
        // The other browser is not affected.
        EXPECT_TRUE(this->politicas_->Escribir(Navegador::Edge, lugar, Regla("X")));
        EXPECT_LEE_SOLO(this->banco_, Navegador::Edge, lugar, Regla("X"));
    }
}

TYPED_TEST(ContratoPoliticas, UnNavegadorEsDeUnaSolaVentanaMientrasLaTiene) {
    auto primero = this->politicas_->Reservar(Navegador::Chrome);
    ASSERT_TRUE(primero) << primero.motivo();
    // As a second copy of the program would: another store, the same user.
    auto otra = this->banco_.Crear();
    auto segundo = otra->Reservar(Navegador::Chrome);
    EXPECT_FALSE(segundo);
    EXPECT_EQ(segundo.motivo(),
              "Otra ventana de Marlevanta está usando Google Chrome. Cierre ese navegador y "
              "vuelva a intentarlo.");
    auto edge = otra->Reservar(Navegador::Edge);
    EXPECT_TRUE(edge) << edge.motivo();
    (*primero).reset();
    auto tercero = otra->Reservar(Navegador::Chrome);
    EXPECT_TRUE(tercero) << tercero.motivo();
}

}  // namespace
}  // namespace contrato
