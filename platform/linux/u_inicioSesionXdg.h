// The session's start-up check as a freedesktop.org autostart entry.
#pragma once

#include <memory>
#include <string>

#include "core/plataforma/u_inicioSesion.h"

namespace marlevanta {

// `carpeta`: the autostart folder; empty means $XDG_CONFIG_HOME/autostart (~/.config/autostart).
std::unique_ptr<InicioSesion> CrearInicioSesionXdg(const std::string& carpeta = {});

// `ruta` as one argument of a desktop entry's Exec key, escaped for the key's string value too.
std::string ArgumentoExec(const std::string& ruta);

}  // namespace marlevanta
