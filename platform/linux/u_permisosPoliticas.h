// How the permission program is run as root here: through pkexec, whose polkit action names it by
// its installed path; an administrator can run it with sudo instead.
#pragma once

#include <memory>

#include "core/plataforma/u_permisos.h"

namespace marlevanta {

std::unique_ptr<ElevacionPermisos> CrearElevacionPkexec();

}  // namespace marlevanta
