#pragma once

#include <memory>
#include <string>

#include "core/plataforma/u_almacenCertificados.h"

namespace marlevanta {

// directorio: an NSS database folder ("sql:" is added); empty means $HOME/.pki/nssdb.
std::unique_ptr<AlmacenCertificados> CrearAlmacenNss(const std::string& directorio);

}  // namespace marlevanta
