#include "core/plataforma/u_almacenPoliticas.h"

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

std::string TextoPolitica(const std::string& cn) {
    return "{\"pattern\":\"https://*\",\"filter\":{\"SUBJECT\":{\"CN\":" + CadenaJson(cn) + "}}}";
}

}  // namespace marlevanta
