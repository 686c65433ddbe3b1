#pragma once

#include <memory>
#include <string>

#include "app/certstore/certstore.h"

namespace marlevanta {

// directorio: an NSS database folder ("sql:" is added); empty means $HOME/.pki/nssdb.
std::unique_ptr<AlmacenCertificados> CrearAlmacenNss(const std::string& directorio);

}  // namespace marlevanta
