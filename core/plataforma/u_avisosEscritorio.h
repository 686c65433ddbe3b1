// Desktop notices: a short message the desktop shows beside the windows, which the user may
// click. Standard C++ only.
#pragma once

#include <functional>
#include <string>

#include "core/plataforma/u_resultado.h"

namespace marlevanta {

class AvisosEscritorio {
public:
    virtual ~AvisosEscritorio() = default;
    // Asks the desktop to show a notice without waiting for it. `alMostrar` runs once to say
    // whether it was shown (a desktop without a notice service is a failure that says so), maybe
    // before Mostrar returns; `alPulsar` each time the user clicks the notice, where the desktop
    // tells that. Both run on the thread that made this object and never after it is gone.
    virtual void Mostrar(const std::string& titulo, const std::string& texto,
                         std::function<void(const Hecho&)> alMostrar,
                         std::function<void()> alPulsar) = 0;
};

}  // namespace marlevanta
