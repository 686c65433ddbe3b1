// Small pieces that the NSS back-ends share.
#pragma once

#include <cert.h>
#include <prerror.h>
#include <secoid.h>
#include <secport.h>
#include <sqlite3.h>

#include <algorithm>
#include <string>

#include "core/plataforma/u_detallesCertificado.h"

namespace marlevanta {

// NSS's own words for an error (English), for the part of a message that only says why.
inline std::string TextoErrorNss(PRErrorCode codigo) {
    const char* t = PR_ErrorToString(codigo, PR_LANGUAGE_I_DEFAULT);
    return t && *t ? t : "error " + std::to_string(codigo);
}

// A text NSS allocated, freed once copied; "" for none.
// NSS's last reason after a colon, without its closing period (the sentence puts its own), or
// nothing when it gave none.
inline std::string PorqueNss() {
    const PRErrorCode e = PORT_GetError();
    if (!e) return {};
    std::string t = TextoErrorNss(e);
    while (!t.empty() && t.back() == '.') t.pop_back();
    return ": " + t;
}

inline std::string TextoNss(char* texto) {
    std::string r = texto ? texto : "";
    PORT_Free(texto);
    return r;
}

// An extended usage's short name ("clientAuth", ...); the dotted OID for others.
inline std::string NombreUsoNss(SECItem* oid) {
    switch (SECOID_FindOIDTag(oid)) {
        case SEC_OID_EXT_KEY_USAGE_CLIENT_AUTH:
            return "clientAuth";
        case SEC_OID_EXT_KEY_USAGE_SERVER_AUTH:
            return "serverAuth";
        case SEC_OID_EXT_KEY_USAGE_EMAIL_PROTECT:
            return "emailProtection";
        case SEC_OID_EXT_KEY_USAGE_CODE_SIGN:
            return "codeSigning";
        case SEC_OID_EXT_KEY_USAGE_TIME_STAMP:
            return "timeStamping";
        case SEC_OID_OCSP_RESPONDER:
            return "OCSPSigning";
        default:
            break;
    }
    std::string texto = TextoNss(CERT_GetOidString(oid));
    if (texto.rfind("OID.", 0) == 0) texto.erase(0, 4);
    return NombreUsoExtendido(texto);
}

// One attribute of a row of the database's own tables (column "a" + the attribute type in
// hexadecimal); NSS writes A5 00 5A for an empty value.
inline std::string ValorAtributoNss(sqlite3_stmt* st, int columna) {
    static const unsigned char kNulo[] = {0xa5, 0x00, 0x5a};
    const auto* datos = static_cast<const unsigned char*>(sqlite3_column_blob(st, columna));
    const int n = sqlite3_column_bytes(st, columna);
    if (!datos || n <= 0) return {};
    if (n == sizeof kNulo && std::equal(datos, datos + n, kNulo)) return {};
    return std::string(reinterpret_cast<const char*>(datos), static_cast<size_t>(n));
}

}  // namespace marlevanta
