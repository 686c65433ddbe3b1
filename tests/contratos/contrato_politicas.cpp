// What every policy store must do: the browser finds exactly the policy text that was written,
// for one browser at a time, and nothing once it has been removed.
#include "comun.h"
#include "rasgos_plataforma.h"

namespace contrato {
namespace {

template <class Banco>
class ContratoPoliticas : public testing::Test {
protected:
    Banco banco_;
    std::unique_ptr<AlmacenPoliticas> politicas_ = banco_.Crear();
};

TYPED_TEST_SUITE(ContratoPoliticas, BancosPoliticas, NombreBanco);

// Each text wherever the browser reads the policy, and at least one place.
#define EXPECT_LEE_SOLO(banco, navegador, texto)          \
    do {                                                  \
        const auto leidos = (banco).Leer(navegador);      \
        EXPECT_FALSE(leidos.empty());                     \
        for (const auto& t : leidos) EXPECT_EQ(t, texto); \
    } while (false)

TYPED_TEST(ContratoPoliticas, ElNavegadorLeeElTextoExactoHastaQueSeQuita) {
    const std::string texto = TextoPolitica("José \"Pepe\" Núñez\\Ñ, Güemes");
    ASSERT_EQ(texto,
              "{\"pattern\":\"https://*\",\"filter\":{\"SUBJECT\":{\"CN\":\"José \\\"Pepe\\\" "
              "Núñez\\\\Ñ, Güemes\"}}}");
    for (Navegador n : {Navegador::Edge, Navegador::Chrome}) {
        const Navegador otro = n == Navegador::Edge ? Navegador::Chrome : Navegador::Edge;
        const Hecho escrito = this->politicas_->Escribir(n, texto);
        ASSERT_TRUE(escrito) << escrito.motivo();
        EXPECT_LEE_SOLO(this->banco_, n, texto);
        EXPECT_TRUE(this->banco_.Leer(otro).empty());

        auto quitado = this->politicas_->Eliminar(n);
        ASSERT_TRUE(quitado) << quitado.motivo();
        EXPECT_TRUE(*quitado);
        EXPECT_TRUE(this->banco_.Leer(n).empty());
        // Nothing left to remove.
        auto otraVez = this->politicas_->Eliminar(n);
        ASSERT_TRUE(otraVez) << otraVez.motivo();
        EXPECT_FALSE(*otraVez);
    }
}

TYPED_TEST(ContratoPoliticas, EscribirDosVecesDejaElSegundoTexto) {
    ASSERT_TRUE(this->politicas_->Escribir(Navegador::Chrome, TextoPolitica("PRIMERO")));
    ASSERT_TRUE(this->politicas_->Escribir(Navegador::Chrome, TextoPolitica("SEGUNDO")));
    EXPECT_LEE_SOLO(this->banco_, Navegador::Chrome, TextoPolitica("SEGUNDO"));
}

TYPED_TEST(ContratoPoliticas, CadaNavegadorTieneLaSuya) {
    ASSERT_TRUE(this->politicas_->Escribir(Navegador::Edge, TextoPolitica("EDGE")));
    ASSERT_TRUE(this->politicas_->Escribir(Navegador::Chrome, TextoPolitica("CHROME")));
    EXPECT_LEE_SOLO(this->banco_, Navegador::Edge, TextoPolitica("EDGE"));
    EXPECT_LEE_SOLO(this->banco_, Navegador::Chrome, TextoPolitica("CHROME"));
    auto quitado = this->politicas_->Eliminar(Navegador::Chrome);
    ASSERT_TRUE(quitado && *quitado);
    EXPECT_LEE_SOLO(this->banco_, Navegador::Edge, TextoPolitica("EDGE"));
}

TYPED_TEST(ContratoPoliticas, SiNoSePuedeEscribirNoQuedaNada) {
    ASSERT_TRUE(this->banco_.Bloquear(Navegador::Chrome));
    const Hecho escrito = this->politicas_->Escribir(Navegador::Chrome, TextoPolitica("X"));
    EXPECT_FALSE(escrito);
    EXPECT_FALSE(escrito.motivo().empty());
    EXPECT_TRUE(this->banco_.Leer(Navegador::Chrome).empty());
    // The other browser is not affected.
    EXPECT_TRUE(this->politicas_->Escribir(Navegador::Edge, TextoPolitica("X")));
    EXPECT_LEE_SOLO(this->banco_, Navegador::Edge, TextoPolitica("X"));
}

}  // namespace
}  // namespace contrato
