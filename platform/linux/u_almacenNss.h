#pragma once

#include <memory>
#include <string>

#include "core/plataforma/u_almacenCertificados.h"

namespace marlevanta {

// How the database is read: its tables directly (fast) falling back to NSS's API when that
// fails, or only one of the two (for tests that compare them).
enum class ViaNss { Automatica, Tablas, Api };

// directorio: an NSS database folder ("sql:" is added); empty means $HOME/.pki/nssdb.
std::unique_ptr<AlmacenCertificados> CrearAlmacenNss(const std::string& directorio,
                                                     ViaNss via = ViaNss::Automatica);

}  // namespace marlevanta
