// How the permission program is run with the administrator's rights here: the program itself,
// whose manifest asks for them, started through the shell so that the system asks the user.
#pragma once

#include <memory>

#include "core/plataforma/u_permisos.h"

namespace marlevanta {

std::unique_ptr<ElevacionPermisos> CrearElevacionWindows();

}  // namespace marlevanta
