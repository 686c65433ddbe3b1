// What the program knows about its own executable file.
// Standard C++ only, so that the Windows back-end needs nothing but Win32.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace marlevanta {

using VersionArchivo = std::array<std::uint16_t, 4>;

class ArchivoPrograma {
public:
    virtual ~ArchivoPrograma() = default;
    // The file version (e.g. 1.0.4.0); nullopt when the file has no version record.
    virtual std::optional<VersionArchivo> Version() const = 0;
    // Last write time; nullopt when it cannot be read.
    virtual std::optional<std::chrono::system_clock::time_point> UltimaEscritura() const = 0;
};

// The running program's own file.
std::unique_ptr<ArchivoPrograma> CrearArchivoPrograma();

}  // namespace marlevanta
