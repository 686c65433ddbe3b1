// Small pieces that the NSS back-ends share.
#pragma once

#include <prerror.h>

#include <string>

namespace marlevanta {

inline std::string HexMayusculas(const unsigned char* datos, size_t n) {
    static const char* digitos = "0123456789ABCDEF";
    std::string r;
    r.reserve(n * 2);
    for (size_t i = 0; i < n; ++i) {
        r += digitos[datos[i] >> 4];
        r += digitos[datos[i] & 15];
    }
    return r;
}

// NSS's own words for an error (English), for the part of a message that only says why.
inline std::string TextoErrorNss(PRErrorCode codigo) {
    const char* t = PR_ErrorToString(codigo, PR_LANGUAGE_I_DEFAULT);
    return t && *t ? t : "error " + std::to_string(codigo);
}

}  // namespace marlevanta
