// Running the program's expiry check when the user's desktop session starts. Standard C++ only.
#pragma once

#include <string>

#include "core/plataforma/u_resultado.h"

namespace marlevanta {

class InicioSesion {
public:
    virtual ~InicioSesion() = default;
    // Whether the session runs the check now.
    virtual bool Puesto() = 0;
    // From the next session on, `programa --avisar-caducidad` runs when it starts.
    [[nodiscard]] virtual Hecho Poner(const std::string& programa) = 0;
    [[nodiscard]] virtual Hecho Quitar() = 0;
};

}  // namespace marlevanta
