// The Windows back-end of ArchivoPrograma for any executable file.
#pragma once

#include <memory>
#include <string>

#include "core/plataforma/u_archivoPrograma.h"

namespace marlevanta {

// The version resource and last-write time of the file at `ruta` (UTF-8).
std::unique_ptr<ArchivoPrograma> CrearArchivoPrograma(const std::string& ruta);

}  // namespace marlevanta
