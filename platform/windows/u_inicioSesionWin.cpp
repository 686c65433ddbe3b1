// The session's start-up check is not offered on Windows yet.
#include "core/plataforma/u_inicioSesion.h"
#include "platform/u_sistema.h"

namespace marlevanta {

namespace {

class SinInicioSesion : public InicioSesion {
public:
    bool Puesto() override { return false; }
    Hecho Poner(const std::string&) override {
        return Falla("En este sistema no se puede avisar al iniciar la sesión.");
    }
    Hecho Quitar() override { return {}; }
};

}  // namespace

std::unique_ptr<InicioSesion> CrearInicioSesion() {
    return std::make_unique<SinInicioSesion>();
}

}  // namespace marlevanta
