// Windows: no desktop notices yet; the program goes on without them.
#include "core/plataforma/u_avisosEscritorio.h"
#include "platform/u_sistema.h"

namespace marlevanta {

namespace {

class SinAvisos : public AvisosEscritorio {
public:
    void Mostrar(const std::string&, const std::string&,
                 std::function<void(const Hecho&)> alMostrar, std::function<void()>) override {
        alMostrar(Falla("Este sistema no muestra avisos en el escritorio."));
    }
};

}  // namespace

std::unique_ptr<AvisosEscritorio> CrearAvisosEscritorio() {
    return std::make_unique<SinAvisos>();
}

}  // namespace marlevanta
