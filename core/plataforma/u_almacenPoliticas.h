// The rule that makes a browser present one certificate by itself, written for one run at a time.
// Standard C++ only, so that the Windows back-end needs nothing but Win32.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/plataforma/u_resultado.h"

namespace marlevanta {

enum class Navegador { Edge, Chrome, Firefox };

inline constexpr Navegador kNavegadores[] = {Navegador::Edge, Navegador::Chrome,
                                             Navegador::Firefox};

// The browser's short name in file names ("edge", "chrome", "firefox") and its name in what the
// user reads.
struct NombresNavegador {
    const char* clave;
    const char* nombre;
};
inline NombresNavegador Nombres(Navegador navegador) {
    switch (navegador) {
        case Navegador::Edge:
            return {"edge", "Microsoft Edge"};
        case Navegador::Firefox:
            return {"firefox", "Mozilla Firefox"};
        case Navegador::Chrome:
            break;
    }
    return {"chrome", "Google Chrome"};
}
inline const char* ClaveNavegador(Navegador navegador) {
    return Nombres(navegador).clave;
}

// Where a rule is written: the profile folder the program starts the browser with, or the
// browser's managed policy for this user, which every profile of that browser reads.
enum class LugarRegla { Perfil, PoliticaSistema };

// The certificate a rule names, by its subject's and its issuer's common names exactly as the
// certificate holds them (UTF-8 bytes, never escaped): the browser compares them byte for byte.
struct ReglaCertificado {
    std::string sujeto;
    std::string emisor;
    // Firefox takes no rule: its profile gets a copy of the certificate itself, found in the
    // store by its SHA-1 thumbprint (upper-case hexadecimal), with the store's password when it
    // has one (the copy is kept under the same password).
    std::string huella{};
    std::string contrasenaAlmacen{};
};

// The failures of copying a certificate out of a store that has a password, word for word, so
// that the password can be asked for.
inline constexpr const char* kFaltaContrasenaAlmacen =
    "El almacén de certificados está protegido con una contraseña.";
inline constexpr const char* kContrasenaAlmacenIncorrecta =
    "La contraseña del almacén de certificados no es correcta.";

// {"SUBJECT":{"CN":"<sujeto>"},"ISSUER":{"CN":"<emisor>"}}. Both members are always written: a
// filter without them would match every certificate.
std::string TextoFiltro(const ReglaCertificado& regla);

// {"pattern":"https://*","filter":<TextoFiltro>}
std::string TextoPolitica(const ReglaCertificado& regla);

// A JSON string value: quotation mark, reverse solidus and U+0000..U+001F escaped (RFC 8259).
std::string CadenaJson(const std::string& texto);

// True for well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool Utf8Valido(const std::string& texto);
// The well-formed UTF-8 character at byte `i` of `texto` into `c`: its length in bytes, 0 when
// the bytes there are not one.
size_t LeerUtf8(const std::string& texto, size_t i, char32_t& c);

// A run's hold on one browser of this user: while it lives no other copy of the program of the
// same user starts a run with that browser or removes its rules. A crash lets it go.
class TurnoNavegador {
public:
    virtual ~TurnoNavegador() = default;
};

// A browser profile that belongs to one certificate alone.
struct PerfilCertificado {
    std::string carpeta;   // what the browser is started with (--user-data-dir)
    bool abierto = false;  // a browser of this machine has it open now
};

// What the options window lists of each certificate profile.
struct InfoPerfilCertificado {
    std::string id;
    std::string carpeta;
    std::string nombre;  // the certificate's alias or name, as written when the profile was made
    std::uintmax_t bytes = 0;
    std::int64_t ultimoUso = 0;  // seconds since 1970 of the last change below the folder
    bool abierto = false;
};

class AlmacenPoliticas {
public:
    virtual ~AlmacenPoliticas() = default;
    // False where the browser takes no rule from its profile: the managed policy is then the
    // only place.
    virtual bool AdmitePerfil() const = 0;
    // Whether this user may put the rule in the managed policy, and if not why (a policy that
    // every user of the machine obeys is no place for a rule one user chooses alone).
    virtual Hecho PoliticaSistemaPermitida() const { return {}; }
    // Whether the permission program, run as administrator, can make a managed policy that
    // could not be written writable for this user.
    virtual bool PermisosAyudan() const { return true; }
    // Fails, saying why, while another copy of the program of this user holds the browser.
    virtual Resultado<std::unique_ptr<TurnoNavegador>> Reservar(Navegador navegador) = 0;
    // Fails when the place cannot be written (PoliticaSistema: the permission program can help;
    // Perfil: the profile is open in a running browser); nothing is then left written.
    virtual Hecho Escribir(Navegador navegador, LugarRegla lugar,
                           const ReglaCertificado& regla) = 0;
    // True when a rule was there and has been removed.
    virtual Resultado<bool> Eliminar(Navegador navegador, LugarRegla lugar) = 0;

    // The profile of one certificate, named by `id` (hexadecimal digits of its fingerprint),
    // made on first use with the rule for that certificate already in it and `nombre` as the
    // profile's name. The rule stays: it is rewritten only when absent or different, and never
    // while the profile is open. Fails where there are no such profiles, or when the profile is
    // open on another machine.
    virtual Resultado<PerfilCertificado> PrepararPerfilCertificado(Navegador navegador,
                                                                   const std::string& id,
                                                                   const ReglaCertificado& regla,
                                                                   const std::string& nombre) {
        (void)navegador, (void)id, (void)regla, (void)nombre;
        return Falla("En este sistema no hay perfiles de navegador por certificado.");
    }
    virtual std::vector<InfoPerfilCertificado> PerfilesCertificado(Navegador navegador) {
        (void)navegador;
        return {};
    }
    // Never one that is open.
    virtual Hecho BorrarPerfilCertificado(Navegador navegador, const std::string& id) {
        (void)navegador, (void)id;
        return Falla("En este sistema no hay perfiles de navegador por certificado.");
    }
};

}  // namespace marlevanta
