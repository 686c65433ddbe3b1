// The personal certificates a user keeps in Firefox's own profile, and copying them with their
// keys into the user's store, where the other browsers find them. Standard C++ only, so that
// the Windows back-end needs nothing but Win32.
#pragma once

#include <string>
#include <vector>

#include "core/plataforma/u_almacenCertificados.h"
#include "core/plataforma/u_importadorCertificados.h"
#include "core/plataforma/u_resultado.h"

namespace marlevanta {

struct PerfilFirefox {
    std::string nombre;           // as Firefox's profile list names it
    std::string ruta;             // the profile's folder, absolute
    std::string instalacion;      // "Firefox", "Firefox (snap)" or "Firefox (Flatpak)"
    bool predeterminado = false;  // the profile that installation starts with
};

struct CertificadoFirefox {
    DatosCertificado datos;  // subject, issuer, expiry and both fingerprints
    bool enAlmacen = false;  // the user's store holds it with its key already
};

struct CertificadosPerfil {
    std::vector<CertificadoFirefox> certificados;  // those with a private key in the profile
    bool conContrasena = false;  // Firefox's primary password guards the keys: Copiar needs it
};

class CertificadosFirefox {
public:
    virtual ~CertificadosFirefox() = default;
    // Every profile found, of every installation; a profile list that is missing or damaged
    // gives no profiles of its own, never a failure.
    virtual std::vector<PerfilFirefox> PerfilesFirefox() = 0;
    // The certificates with a private key in the profile's folder. Needs no password.
    virtual Resultado<CertificadosPerfil> Leer(const std::string& rutaPerfil) = 0;
    // Copies the certificates with these SHA-256 fingerprints (upper- or lower-case hex; every
    // one of the profile when empty) with their keys and chains into the user's store, creating
    // it when missing. `contrasena` is the profile's primary password ("" for none); a
    // wrong one fails with kContrasenaIncorrecta. One already in the store with its key comes
    // back with yaEstaba set and is not written again. The profile is never written to.
    [[nodiscard]] virtual Resultado<std::vector<CertificadoImportado>> Copiar(
        const std::string& rutaPerfil, const std::vector<std::string>& huellasSha256,
        const std::string& contrasena) = 0;
};

}  // namespace marlevanta
