#pragma once

#include <sys/types.h>
#include <string>
#include <string_view>

#include "core/plataforma/u_resultado.h"

namespace marlevanta {

// Replaces `ruta` whole: a temporary file named `oculto` + six random characters is written in the
// same folder, flushed to the disk, given `modo` and renamed over it. A reader sees the old content
// or the new one, never half of one, and the file is the writer's own whatever was there before.
// On failure the temporary file is gone and the reason is the system's (strerror) alone, for the
// caller to put into its own sentence.
[[nodiscard]] Hecho EscribirArchivoAtomico(const std::string& ruta, std::string_view contenido,
                                           const std::string& oculto, mode_t modo);

}  // namespace marlevanta
