#include "core/plataforma/u_almacenPoliticas.h"

#include <cstdint>
#include <cstdio>

namespace marlevanta {

std::string CadenaJson(const std::string& texto) {
    std::string r = "\"";
    for (unsigned char c : texto) {
        switch (c) {
            case '"':
                r += "\\\"";
                break;
            case '\\':
                r += "\\\\";
                break;
            case '\b':
                r += "\\b";
                break;
            case '\f':
                r += "\\f";
                break;
            case '\n':
                r += "\\n";
                break;
            case '\r':
                r += "\\r";
                break;
            case '\t':
                r += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char u[8];
                    std::snprintf(u, sizeof u, "\\u%04x", c);
                    r += u;
                } else {
                    r += static_cast<char>(c);
                }
        }
    }
    return r + "\"";
}

std::string TextoFiltro(const ReglaCertificado& regla) {
    return "{\"SUBJECT\":{\"CN\":" + CadenaJson(regla.sujeto) +
           "},\"ISSUER\":{\"CN\":" + CadenaJson(regla.emisor) + "}}";
}

std::string TextoPolitica(const ReglaCertificado& regla) {
    return "{\"pattern\":\"https://*\",\"filter\":" + TextoFiltro(regla) + "}";
}

size_t LeerUtf8(const std::string& texto, size_t i, char32_t& c) {
    const auto* p = reinterpret_cast<const unsigned char*>(texto.data());
    const size_t n = texto.size();
    if (i >= n) return 0;
    const unsigned char b = p[i];
    size_t largo = 0;
    if (b < 0x80) {
        c = b;
        return 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
        largo = 2;
        c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        largo = 3;
        c = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        largo = 4;
        c = b & 0x07;
    } else {
        return 0;
    }
    if (i + largo > n) return 0;
    for (size_t k = 1; k < largo; ++k) {
        if ((p[i + k] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (p[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((largo == 3 && c < 0x800) || (largo == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
        (c >= 0xD800 && c <= 0xDFFF)) {
        return 0;
    }
    return largo;
}

bool Utf8Valido(const std::string& texto) {
    char32_t c = 0;
    for (size_t i = 0; i < texto.size();) {
        const size_t largo = LeerUtf8(texto, i, c);
        if (largo == 0) return false;
        i += largo;
    }
    return true;
}

}  // namespace marlevanta
