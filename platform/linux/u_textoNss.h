// Small pieces that the NSS back-ends share.
#pragma once

#include <prerror.h>

#include <string>

#include "core/plataforma/u_detallesCertificado.h"

namespace marlevanta {

// NSS's own words for an error (English), for the part of a message that only says why.
inline std::string TextoErrorNss(PRErrorCode codigo) {
    const char* t = PR_ErrorToString(codigo, PR_LANGUAGE_I_DEFAULT);
    return t && *t ? t : "error " + std::to_string(codigo);
}

}  // namespace marlevanta
