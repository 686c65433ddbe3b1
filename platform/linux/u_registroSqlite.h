// The Linux back-end of RegistroUsuario: one SQLite database per user.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "core/plataforma/u_registroUsuario.h"

namespace marlevanta {

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::string CarpetaConfiguracionXdg();
// $XDG_CONFIG_HOME/Velquorin/marlevanta/registry.db, or below $HOME/.config without it.
std::string RutaRegistroSqlite();

// espera: how long a write waits for another process that holds the database.
std::unique_ptr<RegistroUsuario> CrearRegistroSqlite(
    const std::string& archivo, std::chrono::milliseconds espera = std::chrono::seconds(5));

}  // namespace marlevanta
