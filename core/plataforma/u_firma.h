// The signature of an update package: a small text file published beside the package (its
// address with ".sig" added), made by tools/firmar-paquete. Its first three lines are what is
// signed, with Ed25519:
//     marlevanta-firma-1
//     version 10005
//     sha256 <the package's SHA-256 in 64 lower-case hexadecimal digits>
// and the fourth holds the signature: "ed25519 " and its 64 bytes in base64. The version is
// signed too, so that an older signed package cannot be served in place of the one offered.
#pragma once

#include <functional>
#include <string>

#include "core/plataforma/u_resultado.h"

namespace marlevanta {

struct FirmaPaquete {
    int version = 0;
    std::string sha256;  // lower-case hexadecimal
};

// Checks the package file at `paquete` against `firma` (the text of its .sig file) with the keys
// the program trusts. The failure says what is wrong, in Spanish, to go inside a sentence:
// "no hay firma", "el paquete no es el que se firmó", ...
using ComprobadorFirma =
    std::function<Resultado<FirmaPaquete>(const std::string& paquete, const std::string& firma)>;

inline constexpr std::size_t kMaximoFirma = 4096;

}  // namespace marlevanta
