// The Windows back-end: the policy keys below HKEY_CURRENT_USER.
#include "store/politicas.h"
#include "store/registry.h"

namespace marlevanta {

namespace {

const char* Clave(Navegador navegador) {
    return navegador == Navegador::Edge
               ? "\\Software\\Policies\\Microsoft\\Edge\\AutoSelectCertificateForUrls"
               : "\\Software\\Policies\\Google\\Chrome\\AutoSelectCertificateForUrls";
}

class PoliticasRegistro : public AlmacenPoliticas {
public:
    bool Escribir(Navegador navegador, const std::string& textoPolitica) override {
        auto clave = registro_->AbrirEscritura(Clave(navegador));
        if (!clave) return false;
        clave->EscribirTexto("1", textoPolitica);
        return clave->Cerrar();
    }
    bool Eliminar(Navegador navegador) override { return registro_->BorrarArbol(Clave(navegador)); }

private:
    std::unique_ptr<RegistroUsuario> registro_ = CrearRegistroUsuario();
};

}  // namespace

std::unique_ptr<AlmacenPoliticas> CrearAlmacenPoliticas() {
    return std::make_unique<PoliticasRegistro>();
}

}  // namespace marlevanta
