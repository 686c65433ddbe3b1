// Read-only access to the current user's personal certificates (those with a private key).
// Standard C++ only, so that the Windows back-end needs nothing but Win32.
#pragma once

#include <memory>
#include <string>

namespace marlevanta {

struct DatosCertificado {
    // RFC 822 form, e.g. "Thu, 05 Jan 2023 10:00:00 GMT".
    std::string validoDesde;
    std::string validoHasta;
    std::string emitidoPara;     // subject common name, UTF-8
    std::string emitidoPor;      // issuer common name, UTF-8
    std::string huella;          // SHA-1 of the DER, upper-case hexadecimal
    std::string usosExtendidos;  // "clientAuth,emailProtection"; dotted OIDs for unnamed ones
    std::string email;
};

class AlmacenCertificados {
public:
    virtual ~AlmacenCertificados() = default;
    // Opens the store read-only; the order of certificates is the same at every opening of
    // an unchanged store. On failure UltimoError says why.
    virtual bool AbrirAlmacenUsuario() = 0;
    virtual int NumeroCertificados() const = 0;
    virtual const DatosCertificado& Certificado(int indice) const = 0;
    virtual std::string UltimoError() const = 0;
};

std::unique_ptr<AlmacenCertificados> CrearAlmacenCertificados();

}  // namespace marlevanta
