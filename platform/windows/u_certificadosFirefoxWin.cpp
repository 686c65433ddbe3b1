// Windows: no copying from Firefox yet; the program goes on without it.
#include "core/plataforma/u_certificadosFirefox.h"
#include "platform/u_sistema.h"

namespace marlevanta {

namespace {

const char* kSinFirefox = "En este sistema no se pueden copiar los certificados de Firefox.";

class SinFirefox : public CertificadosFirefox {
public:
    std::vector<PerfilFirefox> PerfilesFirefox() override { return {}; }
    Resultado<CertificadosPerfil> Leer(const std::string&) override { return Falla(kSinFirefox); }
    Resultado<std::vector<CertificadoImportado>> Copiar(const std::string&,
                                                        const std::vector<std::string>&,
                                                        const std::string&) override {
        return Falla(kSinFirefox);
    }
};

}  // namespace

std::unique_ptr<CertificadosFirefox> CrearCertificadosFirefox() {
    return std::make_unique<SinFirefox>();
}

}  // namespace marlevanta
