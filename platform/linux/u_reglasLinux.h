// The Linux rule store: the rule in the program's own profile, the managed policy as an option,
// and the per-user turn that keeps two copies of the program from disturbing each other's runs.
#pragma once

#include <memory>
#include <string>

#include "core/plataforma/u_almacenPoliticas.h"

namespace marlevanta {

// Where the turns' lock files live: $XDG_RUNTIME_DIR when it is the user's own, else
// $XDG_CACHE_HOME/marlevanta (~/.cache/marlevanta), made private to the user.
Resultado<std::string> CarpetaCerrojos();

// A turn held through a lock on a file of that folder; the system lets it go if we crash.
Resultado<std::unique_ptr<TurnoNavegador>> ReservarTurno(Navegador navegador);

// `raizPoliticas`: the root of the managed-policy folders. The profile folders follow HOME.
std::unique_ptr<AlmacenPoliticas> CrearReglasLinux(const std::string& raizPoliticas);

}  // namespace marlevanta
