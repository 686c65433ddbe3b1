// The Windows back-end: the policy keys below HKEY_CURRENT_USER.
#include "core/plataforma/u_almacenPoliticas.h"
#include "core/plataforma/u_registroUsuario.h"
#include "platform/u_sistema.h"

namespace marlevanta {

namespace {

const char* Clave(Navegador navegador) {
    return navegador == Navegador::Edge
               ? "\\Software\\Policies\\Microsoft\\Edge\\AutoSelectCertificateForUrls"
               : "\\Software\\Policies\\Google\\Chrome\\AutoSelectCertificateForUrls";
}

class PoliticasRegistro : public AlmacenPoliticas {
public:
    Hecho Escribir(Navegador navegador, const std::string& textoPolitica) override {
        auto clave = registro_->AbrirEscritura(Clave(navegador));
        if (!clave) return Fallo{clave.motivo()};
        if (auto h = (*clave)->EscribirTexto("1", textoPolitica); !h) return h;
        return (*clave)->Cerrar();
    }
    Resultado<bool> Eliminar(Navegador navegador) override {
        return registro_->BorrarArbol(Clave(navegador));
    }

private:
    std::unique_ptr<RegistroUsuario> registro_ = CrearRegistroUsuario();
};

}  // namespace

std::unique_ptr<AlmacenPoliticas> CrearAlmacenPoliticas() {
    return std::make_unique<PoliticasRegistro>();
}

}  // namespace marlevanta
