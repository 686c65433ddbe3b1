// Firefox has no rule that names a certificate: it offers every certificate of its profile, and
// "select automatically" takes the first the site accepts. So the program starts Firefox on a
// profile of its own whose database holds the chosen certificate with its key and nothing else
// that has a key; every site gets that one, and no other can be chosen.
#pragma once

#include <string>

#include "core/plataforma/u_almacenPoliticas.h"

namespace marlevanta {

// Marks a profile prepared here: the certificate it holds and the name it was given.
inline constexpr const char* kMarcaPerfilFirefox = "marlevanta.json";

// Puts into the profile folder `carpeta` (made private to the user when missing) a new database
// holding the certificate `regla.huella` of the store `almacen` with its key and chain, the
// authorities the store trusts with the same trust, and the settings that make Firefox present
// it by itself. A store with a password gives a database with the same password
// (kFaltaContrasenaAlmacen / kContrasenaAlmacenIncorrecta without the right one). The key goes
// through memory only, as a PKCS #12 under a password made for the copy. Any database the
// folder had is replaced. `nombre`, when given, is kept as the profile's name.
Hecho PrepararPerfilFirefox(const std::string& carpeta, const std::string& almacen,
                            const ReglaCertificado& regla, const std::string& nombre = {});

// The certificate and key taken out of the profile again (its database removed); true when
// there was one.
Resultado<bool> VaciarPerfilFirefox(const std::string& carpeta);

// The name the profile was prepared with.
std::string NombrePerfilFirefox(const std::string& carpeta);

// A Firefox has the profile open: it holds the lock on .parentlock (seen from any process
// namespace, a sandboxed one too).
bool FirefoxTienePerfil(const std::string& carpeta);

}  // namespace marlevanta
