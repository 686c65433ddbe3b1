// What the program knows about its own executable file.
// Standard C++ only, so that the Windows back-end needs nothing but Win32.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>

#include "core/plataforma/u_resultado.h"

namespace marlevanta {

using VersionArchivo = std::array<std::uint16_t, 4>;

class ArchivoPrograma {
public:
    virtual ~ArchivoPrograma() = default;
    // The file version (e.g. 1.0.4.0); fails when the file has no version record.
    virtual Resultado<VersionArchivo> Version() const = 0;
    virtual Resultado<std::chrono::system_clock::time_point> UltimaEscritura() const = 0;
};

}  // namespace marlevanta
