#pragma once

#include <memory>
#include <optional>
#include <string>

#include "core/plataforma/u_archivoPrograma.h"

namespace marlevanta {

// Executables here carry no version record: the version is compiled in from the build.
std::unique_ptr<ArchivoPrograma> CrearArchivoPrograma(std::string ruta,
                                                      std::optional<VersionArchivo> version);

}  // namespace marlevanta
