// Everything a user may want to know of one certificate of the store, read on demand by its
// thumbprint. Standard C++ only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/plataforma/u_resultado.h"

namespace marlevanta {

struct DetallesCertificado {
    // Distinguished names, most specific part first, as RFC 4514 writes them
    // ("CN=Ana Pérez,O=Ejemplo,C=ES"); UTF-8 as the certificate holds it.
    std::string sujeto;
    std::string emisor;
    std::string numeroSerie;       // upper-case hexadecimal, without leading zero bytes
    std::int64_t validoDesde = 0;  // seconds since 1970-01-01 00:00 UTC
    std::int64_t validoHasta = 0;
    // RFC 5280 names ("digitalSignature", "nonRepudiation", "keyEncipherment",
    // "dataEncipherment", "keyAgreement", "keyCertSign", "cRLSign", "encipherOnly",
    // "decipherOnly"); empty when the certificate does not restrict the key's use.
    std::vector<std::string> usosClave;
    // Short names ("clientAuth", "serverAuth", ...), dotted OIDs for others.
    std::vector<std::string> usosExtendidos;
    // The subject alternative name's addresses, else the subject's e-mail attribute.
    std::vector<std::string> correos;
    std::string sha1;    // of the DER, upper-case hexadecimal: the thumbprint
    std::string sha256;  // likewise
    bool clavePrivada = false;
};

// The name RFC 4514 and OpenSSL give an attribute of a distinguished name ("CN", "O", ...) by
// its dotted OID; the dotted OID itself for others.
std::string NombreAtributoDn(const std::string& oid);

// The short name of an extended key usage ("clientAuth", "serverAuth", "emailProtection",
// "codeSigning", "timeStamping", "OCSPSigning") by its dotted OID; the dotted OID for others.
std::string NombreUsoExtendido(const std::string& oid);

// Bytes as upper-case hexadecimal, the form of thumbprints and serial numbers.
std::string HexMayusculas(const unsigned char* datos, size_t n);

// An attribute's value with RFC 4514's escapes: the special characters, a leading blank or "#",
// a trailing blank, and a NUL as "\00".
std::string ValorDnEscapado(const std::string& valor);

}  // namespace marlevanta
