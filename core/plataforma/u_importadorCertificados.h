// Adding a certificate with its private key to the current user's personal store, from a
// PKCS #12 file (.p12, .pfx). Standard C++ only, so that the Windows back-end needs nothing but
// Win32.
#pragma once

#include <string>

#include "core/plataforma/u_resultado.h"

namespace marlevanta {

struct CertificadoImportado {
    std::string huella;     // SHA-1 of the certificate that has the key, upper-case hexadecimal
    bool yaEstaba = false;  // it was in the store with its key already: nothing was written
};

// The failure of a wrong password, word for word, so that the password can be asked again.
inline constexpr const char* kContrasenaIncorrecta =
    "La contraseña no es correcta para este archivo.";

class ImportadorCertificados {
public:
    virtual ~ImportadorCertificados() = default;
    // Imports the certificate that has a private key in `archivo`, with the key and the other
    // certificates of its chain, opening the file with `contrasena` (UTF-8, "" when it has
    // none). Creates the user's store when there is none yet. The failure says what is wrong in
    // words the user can act on: wrong password (kContrasenaIncorrecta), not a PKCS #12 file, no
    // private key in it, the store in use by another program.
    virtual Resultado<CertificadoImportado> Importar(const std::string& archivo,
                                                     const std::string& contrasena) = 0;
};

}  // namespace marlevanta
