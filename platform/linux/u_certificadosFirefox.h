// Firefox's profiles and their NSS databases, read without writing to them.
#pragma once

#include <memory>
#include <string>

#include "core/plataforma/u_certificadosFirefox.h"

namespace marlevanta {

// home: where the profile lists are looked for; empty means $HOME. almacen: the user's NSS
// database folder; empty means $HOME/.pki/nssdb.
std::unique_ptr<CertificadosFirefox> CrearCertificadosFirefoxNss(const std::string& home,
                                                                 const std::string& almacen);

}  // namespace marlevanta
