// Importing PKCS #12 files into an NSS database.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>

#include "core/plataforma/u_importadorCertificados.h"

namespace marlevanta {

// directorio: an NSS database folder ("sql:" is added); empty means $HOME/.pki/nssdb. The folder
// and the database are created at the first import, the database without a password.
std::unique_ptr<ImportadorCertificados> CrearImportadorNss(const std::string& directorio);

// Inside the NSS module only. Imports PKCS #12 data held in memory, as the importer does a file's;
// `origen` names it in the messages. `contrasenaAlmacen` is the database's own password: a database
// made here gets it, one that exists needs it.
Resultado<CertificadoImportado> ImportarPkcs12Nss(const std::string& directorio, std::string datos,
                                                  const std::string& contrasena,
                                                  const std::string& origen,
                                                  const std::string& contrasenaAlmacen = {});

// Where the user's database is.
inline std::string DirectorioNssPorDefecto() {
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.pki/nssdb";
}

}  // namespace marlevanta
