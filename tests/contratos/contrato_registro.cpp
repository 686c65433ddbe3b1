// What every settings store must do, the registry below HKEY_CURRENT_USER being the model.
#include "comun.h"
#include "rasgos_plataforma.h"

namespace contrato {
namespace {

constexpr const char* kAjustes = "\\Software\\Velquorin\\marlevanta";
constexpr const char* kAlias = "\\Software\\Velquorin\\marlevanta\\alias";

template <class Banco>
class ContratoRegistro : public testing::Test {
protected:
    // Opens the key for writing, runs `hacer` on it and closes it.
    template <class F>
    void Escribir(const std::string& ruta, F hacer) {
        auto clave = registro_->AbrirEscritura(ruta);
        ASSERT_TRUE(clave) << clave.motivo();
        ASSERT_NE(*clave, nullptr);
        hacer(**clave);
        ASSERT_TRUE((*clave)->Cerrar());
    }

    Resultado<std::string> Leer(const std::string& ruta, const std::string& nombre) {
        auto clave = registro_->AbrirLectura(ruta);
        if (!clave) return Fallo{clave.motivo()};
        if (!*clave) return Falla("no key");
        return (*clave)->LeerTexto(nombre);
    }

    Banco banco_;
    std::unique_ptr<RegistroUsuario> registro_ = banco_.Crear();
};

TYPED_TEST_SUITE(ContratoRegistro, BancosRegistro, NombreBanco);

TYPED_TEST(ContratoRegistro, EscribeTextoEnLaClaveDeAjustesYLoDevuelveIgual) {
    const std::string dificil = "Ñandú \"citado\" C:\\ruta\\ 日本 , ; = % \t fin";
    EXPECT_FALSE(this->banco_.ExisteClave(kAjustes));
    this->Escribir(kAjustes, [&](ClaveRegistro& c) {
        EXPECT_TRUE(c.EscribirTexto("ApiHost", "https://api.example"));
        EXPECT_TRUE(c.EscribirTexto("Dificil", dificil));
        EXPECT_TRUE(c.EscribirTexto("Vacio", ""));
    });
    // Every key on the path now exists, and the values are plain text values.
    EXPECT_TRUE(this->banco_.ExisteClave("\\Software"));
    EXPECT_TRUE(this->banco_.ExisteClave("\\Software\\Velquorin"));
    EXPECT_TRUE(this->banco_.ExisteClave(kAjustes));
    EXPECT_EQ(this->banco_.Tipo(kAjustes, "ApiHost"), TipoValor::Texto);
    EXPECT_EQ(this->banco_.Tipo(kAjustes, "Vacio"), TipoValor::Texto);

    EXPECT_EQ(*this->Leer(kAjustes, "ApiHost"), "https://api.example");
    EXPECT_EQ(*this->Leer(kAjustes, "Dificil"), dificil);
    auto clave = this->registro_->AbrirLectura(kAjustes);
    ASSERT_TRUE(clave && *clave);
    EXPECT_TRUE((*clave)->ExisteValor("Vacio"));
    EXPECT_EQ(*(*clave)->LeerTexto("Vacio"), "");
    // A value that is not there reads as empty text, not as a failure.
    EXPECT_FALSE((*clave)->ExisteValor("NuncaEscrito"));
    auto falta = (*clave)->LeerTexto("NuncaEscrito");
    ASSERT_TRUE(falta) << falta.motivo();
    EXPECT_EQ(*falta, "");
    EXPECT_TRUE((*clave)->Cerrar());
    EXPECT_EQ(this->banco_.Tipo(kAjustes, "NuncaEscrito"), TipoValor::Falta);
}

TYPED_TEST(ContratoRegistro, NombresSinDistinguirMayusculas) {
    this->Escribir(kAlias, [](ClaveRegistro& c) {
        EXPECT_TRUE(c.EscribirTexto("AliasÑandú", "primero"));
        // The same value, written again with other letters' case.
        EXPECT_TRUE(c.EscribirTexto("ALIASÑANDÚ", "segundo"));
        EXPECT_TRUE(c.EscribirTexto("FormTop", "270"));
    });
    auto clave = this->registro_->AbrirLectura("\\SOFTWARE\\velquorin\\MARLEVANTA\\Alias");
    ASSERT_TRUE(clave && *clave);
    EXPECT_TRUE((*clave)->ExisteValor("formtop"));
    EXPECT_EQ(*(*clave)->LeerTexto("FORMTOP"), "270");
    EXPECT_EQ(*(*clave)->LeerTexto("aliasñandú"), "segundo");
    auto todos = (*clave)->LeerTextos();
    ASSERT_TRUE(todos) << todos.motivo();
    // One value each, under the name as first written, its ASCII letters in upper case.
    const std::map<std::string, std::string> esperado = {{"ALIASÑANDú", "segundo"},
                                                         {"FORMTOP", "270"}};
    EXPECT_EQ(*todos, esperado);
}

TYPED_TEST(ContratoRegistro, ElTextoAcabaEnSuPrimerNulo) {
    this->Escribir(kAjustes, [](ClaveRegistro& c) {
        EXPECT_TRUE(c.EscribirTexto("ConNulo", std::string("antes\0después", 14)));
    });
    EXPECT_EQ(*this->Leer(kAjustes, "ConNulo"), "antes");
}

TYPED_TEST(ContratoRegistro, OtroTipoDeValorEsUnTipoDeDatosInvalido) {
    this->Escribir(kAjustes, [](ClaveRegistro& c) { EXPECT_TRUE(c.EscribirTexto("Texto", "t")); });
    ASSERT_TRUE(this->banco_.GuardarNumero(kAjustes, "GridTamanoFuente", 12));
    ASSERT_TRUE(this->banco_.GuardarExpandible(kAjustes, "Carpeta", "%HOMEPATH%\\Marlevanta"));
    ASSERT_EQ(this->banco_.Tipo(kAjustes, "GridTamanoFuente"), TipoValor::Otro);
    ASSERT_EQ(this->banco_.Tipo(kAjustes, "Carpeta"), TipoValor::TextoExpandible);

    auto clave = this->registro_->AbrirLectura(kAjustes);
    ASSERT_TRUE(clave && *clave);
    // It exists, whatever its type, but it is no text.
    EXPECT_TRUE((*clave)->ExisteValor("GridTamanoFuente"));
    auto numero = (*clave)->LeerTexto("GridTamanoFuente");
    EXPECT_FALSE(numero);
    EXPECT_EQ(numero.motivo(),
              "El valor \"GridTamanoFuente\" de los ajustes no es texto y no se puede leer: "
              "vuelva a guardarlo desde el programa, o bórrelo para que se use el valor por "
              "defecto");
    // An expandable text is text, given back with its variables as they are.
    EXPECT_EQ(*(*clave)->LeerTexto("Carpeta"), "%HOMEPATH%\\Marlevanta");
    auto todos = (*clave)->LeerTextos();
    ASSERT_TRUE(todos) << todos.motivo();
    const std::map<std::string, std::string> esperado = {{"CARPETA", "%HOMEPATH%\\Marlevanta"},
                                                         {"TEXTO", "t"}};
    EXPECT_EQ(*todos, esperado);
    EXPECT_TRUE((*clave)->Cerrar());

    // Writing replaces it with text.
    this->Escribir(
        kAjustes, [](ClaveRegistro& c) { EXPECT_TRUE(c.EscribirTexto("GridTamanoFuente", "10")); });
    EXPECT_EQ(this->banco_.Tipo(kAjustes, "GridTamanoFuente"), TipoValor::Texto);
    EXPECT_EQ(*this->Leer(kAjustes, "GridTamanoFuente"), "10");
}

TYPED_TEST(ContratoRegistro, AbrirParaLeerNoCreaNada) {
    auto clave = this->registro_->AbrirLectura(kAlias);
    ASSERT_TRUE(clave) << clave.motivo();
    EXPECT_EQ(*clave, nullptr);
    EXPECT_FALSE(this->banco_.ExisteClave("\\Software\\Velquorin"));

    // A key opened for reading refuses writes.
    this->Escribir(kAjustes, [](ClaveRegistro& c) { EXPECT_TRUE(c.EscribirTexto("A", "1")); });
    auto lectura = this->registro_->AbrirLectura(kAjustes);
    ASSERT_TRUE(lectura && *lectura);
    const Hecho escrito = (*lectura)->EscribirTexto("A", "2");
    EXPECT_FALSE(escrito);
    EXPECT_EQ(escrito.motivo().rfind("No se ha podido guardar el valor \"A\" de los ajustes", 0),
              0u)
        << escrito.motivo();
    EXPECT_TRUE((*lectura)->Cerrar());
    EXPECT_EQ(*this->Leer(kAjustes, "A"), "1");
}

TYPED_TEST(ContratoRegistro, BorrarUnArbolBorraSusSubclavesYNadaMas) {
    const std::string arbol = std::string(kAjustes) + "\\AutoSelect";
    this->Escribir(arbol + "\\a\\b",
                   [](ClaveRegistro& c) { EXPECT_TRUE(c.EscribirTexto("x", "1")); });
    this->Escribir(arbol, [](ClaveRegistro& c) { EXPECT_TRUE(c.EscribirTexto("1", "p")); });
    // A sibling whose name begins with the same letters.
    this->Escribir(arbol + "Otro",
                   [](ClaveRegistro& c) { EXPECT_TRUE(c.EscribirTexto("y", "2")); });

    auto borrado = this->registro_->BorrarArbol("\\software\\VELQUORIN\\marlevanta\\autoselect");
    ASSERT_TRUE(borrado) << borrado.motivo();
    EXPECT_TRUE(*borrado);
    EXPECT_FALSE(this->banco_.ExisteClave(arbol));
    EXPECT_FALSE(this->banco_.ExisteClave(arbol + "\\a"));
    EXPECT_FALSE(this->banco_.ExisteClave(arbol + "\\a\\b"));
    EXPECT_EQ(this->banco_.Tipo(arbol + "\\a\\b", "x"), TipoValor::Falta);
    EXPECT_TRUE(this->banco_.ExisteClave(kAjustes));
    EXPECT_EQ(*this->Leer(arbol + "Otro", "y"), "2");

    // Nothing left to delete.
    auto otraVez = this->registro_->BorrarArbol(arbol);
    ASSERT_TRUE(otraVez) << otraVez.motivo();
    EXPECT_FALSE(*otraVez);
}

TYPED_TEST(ContratoRegistro, UbicacionParaLosMensajes) {
    EXPECT_EQ(this->registro_->Ubicacion(), this->banco_.UbicacionEsperada());
}

}  // namespace
}  // namespace contrato
