#include "core/plataforma/u_detallesCertificado.h"

#include <map>

namespace marlevanta {

std::string NombreAtributoDn(const std::string& oid) {
    static const std::map<std::string, const char*> kNombres = {
        {"2.5.4.3", "CN"},
        {"2.5.4.4", "SN"},
        {"2.5.4.5", "serialNumber"},
        {"2.5.4.6", "C"},
        {"2.5.4.7", "L"},
        {"2.5.4.8", "ST"},
        {"2.5.4.9", "street"},
        {"2.5.4.10", "O"},
        {"2.5.4.11", "OU"},
        {"2.5.4.12", "title"},
        {"2.5.4.13", "description"},
        {"2.5.4.42", "GN"},
        {"2.5.4.43", "initials"},
        {"2.5.4.44", "generationQualifier"},
        {"2.5.4.46", "dnQualifier"},
        {"2.5.4.65", "pseudonym"},
        {"2.5.4.97", "organizationIdentifier"},
        {"1.2.840.113549.1.9.1", "emailAddress"},
        {"0.9.2342.19200300.100.1.1", "UID"},
        {"0.9.2342.19200300.100.1.25", "DC"},
    };
    const auto n = kNombres.find(oid);
    return n == kNombres.end() ? oid : n->second;
}

std::string NombreUsoExtendido(const std::string& oid) {
    static const std::map<std::string, const char*> kNombres = {
        {"1.3.6.1.5.5.7.3.1", "serverAuth"},   {"1.3.6.1.5.5.7.3.2", "clientAuth"},
        {"1.3.6.1.5.5.7.3.3", "codeSigning"},  {"1.3.6.1.5.5.7.3.4", "emailProtection"},
        {"1.3.6.1.5.5.7.3.8", "timeStamping"}, {"1.3.6.1.5.5.7.3.9", "OCSPSigning"},
    };
    const auto n = kNombres.find(oid);
    return n == kNombres.end() ? oid : n->second;
}

std::string HexMayusculas(const unsigned char* datos, size_t n) {
    static const char* digitos = "0123456789ABCDEF";
    std::string r;
    r.reserve(n * 2);
    for (size_t i = 0; i < n; ++i) {
        r += digitos[datos[i] >> 4];
        r += digitos[datos[i] & 15];
    }
    return r;
}

std::string ValorDnEscapado(const std::string& v) {
    std::string r;
    for (size_t i = 0; i < v.size(); ++i) {
        const char c = v[i];
        const bool especial = std::string(",+\"\\<>;").find(c) != std::string::npos;
        if (especial || (i == 0 && (c == ' ' || c == '#')) || (i + 1 == v.size() && c == ' ')) {
            r += '\\';
        }
        if (c == '\0') {
            r += "\\00";
            continue;
        }
        r += c;
    }
    return r;
}

}  // namespace marlevanta
