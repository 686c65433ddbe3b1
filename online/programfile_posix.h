#pragma once

#include "online/programfile.h"

namespace marlevanta {

// Executables here carry no version record: the version is compiled in from the build.
std::unique_ptr<ArchivoPrograma> CrearArchivoPrograma(std::string ruta,
                                                      std::optional<VersionArchivo> version);

}  // namespace marlevanta
