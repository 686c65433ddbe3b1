// Desktop notices through the freedesktop.org notification service on a D-Bus bus.
#pragma once

#include <memory>
#include <string>

#include "core/plataforma/u_avisosEscritorio.h"

namespace marlevanta {

// On the bus at `direccion` ("unix:path=..."); the session bus when empty. Needs the thread's
// Qt event loop for the answers and the clicks.
std::unique_ptr<AvisosEscritorio> CrearAvisosDbus(const std::string& direccion = {});

}  // namespace marlevanta
