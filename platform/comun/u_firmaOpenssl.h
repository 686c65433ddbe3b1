// The update package's signature checked with OpenSSL (Ed25519 through its EVP interface). Also
// built into the external updater, which checks the package again before unpacking it.
#pragma once

#include <string>
#include <vector>

#include "core/plataforma/u_firma.h"

namespace marlevanta {

// With the keys built in (on Linux, into the web module that holds this check) (the release key; in
// a build with the tests, also the tests' key).
Resultado<FirmaPaquete> ComprobarFirmaPaquete(const std::string& paquete, const std::string& firma);
// With the public keys given, each in PEM.
Resultado<FirmaPaquete> ComprobarFirmaPaqueteCon(const std::string& paquete,
                                                 const std::string& firma,
                                                 const std::vector<std::string>& clavesPem);

}  // namespace marlevanta
