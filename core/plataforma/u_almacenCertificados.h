// Read-only access to the current user's personal certificates (those with a private key).
// Standard C++ only, so that the Windows back-end needs nothing but Win32.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/plataforma/u_resultado.h"

namespace marlevanta {

struct DatosCertificado {
    // RFC 822 form, e.g. "Thu, 05 Jan 2023 10:00:00 GMT".
    std::string validoDesde;
    std::string validoHasta;
    // The subject's and the issuer's common names as the certificate holds them (UTF-8 as a
    // rule, but raw bytes: never escaped, never cut, control characters kept), the browser's
    // first common name of each.
    std::string emitidoPara;
    std::string emitidoPor;
    std::string huella;          // SHA-1 of the DER, upper-case hexadecimal
    std::string usosExtendidos;  // "clientAuth,emailProtection"; dotted OIDs for unnamed ones
    std::string email;
    // False when the store holds the certificate but cannot decode it: every field above is then
    // empty, and the certificate must still be listed, or the user would never learn of it.
    bool legible = true;
    std::string apodo;           // the store's own name for it (NSS's nickname), when it has one
    std::string huellaSha256{};  // SHA-256 of the DER, upper-case hexadecimal: what scripts compare
};

class AlmacenCertificados {
public:
    virtual ~AlmacenCertificados() = default;
    // Reads the store; the order of certificates is the same at every reading of an unchanged
    // store. The failure says what is wrong and what the user can do.
    virtual Resultado<std::vector<DatosCertificado>> LeerCertificados() = 0;

    // The same reading, handed to `parte` in the same order a part at a time, each as soon as it
    // is read, so that a long list shows while the rest loads: the first part holds at most
    // `primera` certificates, the later ones grow. `parte` answers false to stop the reading. A
    // failure comes after the parts already handed over, which are then not the whole store.
    using Parte = std::function<bool(std::vector<DatosCertificado>)>;
    [[nodiscard]] virtual Resultado<void> LeerPorPartes(size_t primera, const Parte& parte) {
        (void)primera;
        auto todos = LeerCertificados();
        if (!todos) return Fallo{todos.motivo()};
        parte(std::move(*todos));
        return {};
    }
};

}  // namespace marlevanta
