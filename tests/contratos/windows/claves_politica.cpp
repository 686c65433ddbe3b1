// What only the registry policy store promises: the browsers' own key and value, and that
// removing the policy takes the whole key with what others put in it, and nothing above it.
#include "comun.h"
#include "rasgos_plataforma.h"

namespace contrato {
namespace {

constexpr const wchar_t* kChrome =
    L"Software\\Policies\\Google\\Chrome\\AutoSelectCertificateForUrls";
constexpr const wchar_t* kEdge =
    L"Software\\Policies\\Microsoft\\Edge\\AutoSelectCertificateForUrls";

bool Existe(const wchar_t* subclave) {
    HKEY clave = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subclave, 0, KEY_READ, &clave) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(clave);
    return true;
}

class ClavesDePolitica : public testing::Test {
protected:
    BancoPoliticasRegistro banco_;
    std::unique_ptr<AlmacenPoliticas> politicas_ = banco_.Crear();
};

TEST_F(ClavesDePolitica, ElValorUnoDeTipoTexto) {
    const ReglaCertificado regla{"ANA PÉREZ (R: B12345678)", "AC REPRESENTACIÓN"};
    const std::string texto = TextoPolitica(regla);
    for (auto [navegador, clave] :
         {std::pair{Navegador::Edge, kEdge}, std::pair{Navegador::Chrome, kChrome}}) {
        ASSERT_TRUE(politicas_->Escribir(navegador, LugarRegla::PoliticaSistema, regla));
        DWORD tipo = 0;
        wchar_t valor[512];
        DWORD bytes = sizeof valor;
        ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, clave, L"1", RRF_RT_ANY, &tipo, valor, &bytes),
                  ERROR_SUCCESS);
        EXPECT_EQ(tipo, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(Estrecho(std::wstring(valor)), texto);
        // The UTF-16 text and its one terminating null.
        EXPECT_EQ(bytes, (Ancho(texto).size() + 1) * sizeof(wchar_t));
    }
}

TEST_F(ClavesDePolitica, QuitarBorraLoQueOtrosPusieronYNadaPorEncima) {
    ASSERT_TRUE(politicas_->Escribir(Navegador::Chrome, LugarRegla::PoliticaSistema, {"X", "Y"}));
    HKEY clave = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kChrome) + L"\\Otra\\Mas").c_str(),
                              0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &clave, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(clave);
    const wchar_t otro[] = L"{\"pattern\":\"https://otro\"}";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kChrome, L"2", REG_SZ, otro, sizeof otro),
              ERROR_SUCCESS);

    auto quitado = politicas_->Eliminar(Navegador::Chrome, LugarRegla::PoliticaSistema);
    ASSERT_TRUE(quitado) << quitado.motivo();
    EXPECT_TRUE(*quitado);
    EXPECT_FALSE(Existe(kChrome));
    EXPECT_TRUE(Existe(L"Software\\Policies\\Google\\Chrome"));
}

}  // namespace
}  // namespace contrato
