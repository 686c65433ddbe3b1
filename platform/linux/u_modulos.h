// Parts of the program kept out of start-up: libraries that only some actions need (the web
// client and the signature check; NSS) are modules in the helpers' folder, loaded at their first
// use, once per process, and never unloaded (what they make lives in them).
#pragma once

#include <string>

#include "marlevanta_version.h"

namespace marlevanta {

inline constexpr const char* kNombreModuloHttp = "libmarlevanta_http.so";
inline constexpr const char* kNombreModuloNss = "libmarlevanta_nss.so";

// Each module says which version of the program it was built with: one of another version (an
// upgrade under a running program, a stray copy) is refused rather than called.
inline constexpr const char* kEntradaVersionModulo = "marlevanta_version_modulo";
inline constexpr int kVersionModulos =
    ((MARLEVANTA_VERSION_MAJOR * 100 + MARLEVANTA_VERSION_MINOR) * 100 + MARLEVANTA_VERSION_PATCH) *
        100 +
    MARLEVANTA_VERSION_TWEAK;

struct EntradaModulo {
    void* direccion = nullptr;
    // Without the entry: which file is missing or broken, why, and what to do. `paraQue` ends
    // "que hace falta para …".
    std::string motivo;
};

// The symbol `simbolo` of the module `archivo` in the program's helpers' folder.
EntradaModulo BuscarEnModulo(const char* archivo, const char* simbolo, const char* paraQue);

}  // namespace marlevanta
