// Where the program finds its helpers (pqrvr, tqUpd.exe, tqUnz.dll, the modules):
// installed, in a private folder of their own below the installation's prefix; in a build or a
// copied folder, beside the program.
#pragma once

#include <string>

namespace marlevanta {

// The helpers' file names in that folder.
inline constexpr const char* kNombrePermisos = "pqrvr";
inline constexpr const char* kNombreModuloAyuda = "libmarlevanta_ayuda.so";

// `relativa`: the helpers' folder as seen from the program's folder once installed (the build
// fixes it, e.g. "../libexec/marlevanta"). Gives that folder, resolved, when it exists, and
// `carpetaPrograma` otherwise.
std::string CarpetaAyudantes(const std::string& carpetaPrograma, const std::string& relativa);

}  // namespace marlevanta
