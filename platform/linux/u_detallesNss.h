// One certificate of an NSS database in full, found by its thumbprint.
#pragma once

#include <string>

#include "core/plataforma/u_detallesCertificado.h"
#include "platform/linux/u_almacenNss.h"

namespace marlevanta {

// The certificate whose SHA-1 thumbprint is `huella` (hexadecimal, any case) in the database of
// `directorio` (empty: $HOME/.pki/nssdb). Found as the store's reader finds them (`via`).
Resultado<DetallesCertificado> LeerDetallesNss(const std::string& directorio,
                                               const std::string& huella,
                                               ViaNss via = ViaNss::Automatica);

// The DER of that certificate, which must have its private key in the database. Inside the NSS
// module only.
Resultado<std::string> LeerDerConClaveNss(const std::string& directorio, const std::string& huella);

}  // namespace marlevanta
