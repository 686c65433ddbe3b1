#include "core/plataforma/u_permisos.h"

#include <cstdio>

namespace marlevanta {

std::string TextoSid(const std::array<std::uint8_t, 6>& a, const std::vector<std::uint32_t>& sub) {
    std::string r = "S-1-";
    if (a[0] != 0 || a[1] != 0) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%02x%02x%02x%02x%02x%02x", a[0], a[1], a[2], a[3], a[4],
                      a[5]);
        r += hex;
    } else {
        const std::uint32_t v = (std::uint32_t(a[2]) << 24) | (std::uint32_t(a[3]) << 16) |
                                (std::uint32_t(a[4]) << 8) | a[5];
        r += std::to_string(v);
    }
    for (std::uint32_t s : sub) {
        r += '-';
        r += std::to_string(s);
    }
    return r;
}

}  // namespace marlevanta
