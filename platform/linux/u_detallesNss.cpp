// A certificate's details from the NSS database: found in the database's own tables by its
// thumbprint (one query, as the store's reader does), NSS's API kept as the fallback, and
// decoded with NSS.
#include "platform/linux/u_detallesNss.h"

#include <cert.h>
#include <certdb.h>
#include <keyhi.h>
#include <nss.h>
#include <pk11pub.h>
#include <prtime.h>
#include <secasn1.h>
#include <secder.h>
#include <secoid.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <optional>

#include "platform/linux/u_cerrojoNss.h"
#include "platform/linux/u_importadorNss.h"
#include "platform/linux/u_textoNss.h"

namespace marlevanta {

namespace {

namespace fs = std::filesystem;

struct Encontrado {
    std::string der;
    bool clave = false;
};

std::string Huella(SECOidTag algoritmo, const std::string& der) {
    unsigned char h[HASH_LENGTH_MAX];
    const unsigned n = algoritmo == SEC_OID_SHA1 ? 20 : 32;
    if (PK11_HashBuf(algoritmo, h, reinterpret_cast<const unsigned char*>(der.data()),
                     static_cast<PRInt32>(der.size())) != SECSuccess) {
        return {};
    }
    return HexMayusculas(h, n);
}

// Column "a" + hex(type) of the tables holds each PKCS #11 attribute: a0 CKA_CLASS, a11
// CKA_VALUE, a102 CKA_ID.
// Needs NSS set up for the hash. Nothing found: an empty optional; the tables unreadable: a
// failure.
Resultado<std::optional<Encontrado>> BuscarEnTablas(const fs::path& carpeta,
                                                    const std::string& huella) {
    std::error_code ec;
    const fs::path base = fs::absolute(carpeta, ec);
    sqlite3* db = nullptr;
    sqlite3_stmt* st = nullptr;
    const auto cerrar = [&] {
        sqlite3_finalize(st);
        st = nullptr;
        sqlite3_close(db);
    };
    if (sqlite3_open_v2((base / "cert9.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        cerrar();
        return Falla("No se puede abrir " + (base / "cert9.db").string());
    }
    sqlite3_busy_timeout(db, 5000);
    const std::string claves = (base / "key4.db").string();
    const std::string adjuntar = "ATTACH DATABASE '" + claves + "' AS claves";
    if (claves.find('\'') != std::string::npos ||
        sqlite3_exec(db, adjuntar.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
        cerrar();
        return Falla("No se puede abrir " + claves);
    }
    std::optional<Encontrado> r;
    std::string id;
    int rc = sqlite3_prepare_v2(db, "SELECT a102, a11 FROM main.nssPublic WHERE a0 = x'00000001'",
                                -1, &st, nullptr);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            std::string der = ValorAtributoNss(st, 1);
            if (Huella(SEC_OID_SHA1, der) != huella) continue;
            r = Encontrado{std::move(der), false};
            id = ValorAtributoNss(st, 0);
            rc = SQLITE_DONE;
            break;
        }
        sqlite3_finalize(st);
        st = nullptr;
    }
    if (rc == SQLITE_DONE && r) {
        rc = sqlite3_prepare_v2(
            db, "SELECT 1 FROM claves.nssPrivate WHERE a0 = x'00000003' AND a102 = ?1", -1, &st,
            nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_bind_blob(st, 1, id.data(), static_cast<int>(id.size()), SQLITE_TRANSIENT);
            rc = sqlite3_step(st);
            r->clave = !id.empty() && rc == SQLITE_ROW;
            if (rc == SQLITE_ROW) rc = SQLITE_DONE;
        }
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    cerrar();
    if (rc != SQLITE_DONE) return Falla("No se puede leer el almacén de certificados");
    return r;
}

// The general way, for a database of another layout: every certificate through NSS.
std::optional<Encontrado> BuscarPorLaApi(const std::string& huella) {
    std::optional<Encontrado> r;
    CERTCertList* lista = PK11_ListCerts(PK11CertListAll, nullptr);
    if (!lista) return r;
    for (CERTCertListNode* n = CERT_LIST_HEAD(lista); !CERT_LIST_END(n, lista);
         n = CERT_LIST_NEXT(n)) {
        std::string der(reinterpret_cast<const char*>(n->cert->derCert.data), n->cert->derCert.len);
        if (Huella(SEC_OID_SHA1, der) != huella) continue;
        SECKEYPrivateKey* clave = PK11_FindKeyByAnyCert(n->cert, nullptr);
        r = Encontrado{std::move(der), clave != nullptr};
        if (clave) SECKEY_DestroyPrivateKey(clave);
        break;
    }
    CERT_DestroyCertList(lista);
    return r;
}

// The attribute's name, from its dotted OID.
std::string NombreAtributo(const SECItem& oid) {
    char* texto = CERT_GetOidString(&oid);
    std::string punteado = texto ? texto : "";
    PORT_Free(texto);
    if (punteado.rfind("OID.", 0) == 0) punteado.erase(0, 4);
    return NombreAtributoDn(punteado);
}

std::string NombreDistinguido(const CERTName& nombre) {
    std::vector<CERTRDN*> rdns;
    for (CERTRDN** rdn = nombre.rdns; rdn && *rdn; ++rdn) rdns.push_back(*rdn);
    std::string r;
    for (auto i = rdns.rbegin(); i != rdns.rend(); ++i) {
        if (!r.empty()) r += ',';
        bool primero = true;
        for (CERTAVA** ava = (*i)->avas; ava && *ava; ++ava) {
            if (!primero) r += '+';
            primero = false;
            r += NombreAtributo((*ava)->type) + '=';
            if (SECItem* valor = CERT_DecodeAVAValue(&(*ava)->value)) {
                r += ValorDnEscapado(
                    std::string(reinterpret_cast<const char*>(valor->data), valor->len));
                SECITEM_FreeItem(valor, PR_TRUE);
            } else {
                // Not a text: its DER in hexadecimal, as RFC 4514 writes it.
                r += '#' + HexMayusculas((*ava)->value.data, (*ava)->value.len);
            }
        }
    }
    return r;
}

std::vector<std::string> UsosExtendidos(CERTCertificate* cert) {
    std::vector<std::string> r;
    SECItem ext = {siBuffer, nullptr, 0};
    if (CERT_FindCertExtension(cert, SEC_OID_X509_EXT_KEY_USAGE, &ext) != SECSuccess) return r;
    if (CERTOidSequence* seq = CERT_DecodeOidSequence(&ext)) {
        for (SECItem** o = seq->oids; o && *o; ++o) r.push_back(NombreUsoNss(*o));
        CERT_DestroyOidSequence(seq);
    }
    SECITEM_FreeItem(&ext, PR_FALSE);
    return r;
}

std::vector<std::string> UsosClave(CERTCertificate* cert) {
    static const char* kBits[] = {"digitalSignature", "nonRepudiation", "keyEncipherment",
                                  "dataEncipherment", "keyAgreement",   "keyCertSign",
                                  "cRLSign",          "encipherOnly",   "decipherOnly"};
    std::vector<std::string> r;
    SECItem bits = {siBuffer, nullptr, 0};
    if (CERT_FindKeyUsageExtension(cert, &bits) != SECSuccess) return r;
    // NSS gives the length of the bit string in bits.
    for (unsigned b = 0; b < 9 && b < bits.len; ++b) {
        if (bits.data[b / 8] & (0x80 >> (b % 8))) r.push_back(kBits[b]);
    }
    PORT_Free(bits.data);
    return r;
}

std::vector<std::string> Correos(CERTCertificate* cert) {
    std::vector<std::string> r;
    SECItem ext = {siBuffer, nullptr, 0};
    if (CERT_FindCertExtension(cert, SEC_OID_X509_SUBJECT_ALT_NAME, &ext) == SECSuccess) {
        if (PLArenaPool* arena = PORT_NewArena(DER_DEFAULT_CHUNKSIZE)) {
            CERTGeneralName* primero = CERT_DecodeAltNameExtension(arena, &ext);
            CERTGeneralName* n = primero;
            while (n) {
                if (n->type == certRFC822Name) {
                    r.emplace_back(reinterpret_cast<const char*>(n->name.other.data),
                                   n->name.other.len);
                }
                n = CERT_GetNextGeneralName(n);
                if (n == primero) break;
            }
            PORT_FreeArena(arena, PR_FALSE);
        }
        SECITEM_FreeItem(&ext, PR_FALSE);
    }
    if (r.empty()) {
        char* texto = CERT_GetCertEmailAddress(&cert->subject);
        if (texto && *texto) r.emplace_back(texto);
        PORT_Free(texto);
    }
    return r;
}

Resultado<DetallesCertificado> Decodificar(const Encontrado& e) {
    PLArenaPool* arena = PORT_NewArena(DER_DEFAULT_CHUNKSIZE);
    if (!arena) return Falla("Sin memoria");
    auto* cert = PORT_ArenaZNew(arena, CERTCertificate);
    SECItem origen = {siBuffer, reinterpret_cast<unsigned char*>(const_cast<char*>(e.der.data())),
                      static_cast<unsigned>(e.der.size())};
    const bool ok = cert && SECITEM_CopyItem(arena, &cert->derCert, &origen) == SECSuccess &&
                    SEC_QuickDERDecodeItem(arena, cert, SEC_ASN1_GET(SEC_SignedCertificateTemplate),
                                           &cert->derCert) == SECSuccess;
    if (!ok) {
        PORT_FreeArena(arena, PR_FALSE);
        return Falla("El certificado del almacén está dañado y no se puede leer.");
    }
    DetallesCertificado d;
    d.sujeto = NombreDistinguido(cert->subject);
    d.emisor = NombreDistinguido(cert->issuer);
    size_t inicio = 0;
    while (inicio + 1 < cert->serialNumber.len && cert->serialNumber.data[inicio] == 0) ++inicio;
    d.numeroSerie =
        HexMayusculas(cert->serialNumber.data + inicio, cert->serialNumber.len - inicio);
    PRTime desde = 0;
    PRTime hasta = 0;
    if (CERT_GetCertTimes(cert, &desde, &hasta) == SECSuccess) {
        d.validoDesde = desde / PR_USEC_PER_SEC;
        d.validoHasta = hasta / PR_USEC_PER_SEC;
    }
    d.usosClave = UsosClave(cert);
    d.usosExtendidos = UsosExtendidos(cert);
    d.correos = Correos(cert);
    d.sha1 = Huella(SEC_OID_SHA1, e.der);
    d.sha256 = Huella(SEC_OID_SHA256, e.der);
    d.clavePrivada = e.clave;
    PORT_FreeArena(arena, PR_FALSE);
    return d;
}

std::string Mayusculas(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

}  // namespace

namespace {

// Finds the certificate and hands it to `usar` while NSS is still set up.
template <typename T, typename Uso>
Resultado<T> ConCertificado(const std::string& directorio, const std::string& huellaPedida,
                            ViaNss via, Uso usar) {
    const std::string carpeta = directorio.empty() ? DirectorioNssPorDefecto() : directorio;
    const std::string huella = Mayusculas(huellaPedida);
    const std::string noEsta = "El certificado " + huella +
                               " ya no está en el almacén de certificados \"" + carpeta +
                               "\". Pulse F5 para volver a cargar la lista.";
    std::error_code ec;
    if (!fs::exists(fs::path(carpeta) / "cert9.db", ec)) return Falla(noEsta);

    std::lock_guard<std::mutex> cerrojo(CerrojoNss());
    // The tables first: hashing and decoding need NSS, not its database.
    NSSInitContext* ctx = NSS_InitContext("", "", "", "", nullptr,
                                          NSS_INIT_READONLY | NSS_INIT_NOCERTDB | NSS_INIT_NOMODDB |
                                              NSS_INIT_FORCEOPEN | NSS_INIT_NOROOTINIT);
    if (!ctx) return Falla("No se puede iniciar NSS: " + TextoErrorNss(PR_GetError()));
    auto tablas = via == ViaNss::Api ? Resultado<std::optional<Encontrado>>(Falla("API"))
                                     : BuscarEnTablas(carpeta, huella);
    std::optional<Encontrado> encontrado;
    if (!tablas && via == ViaNss::Tablas) {
        NSS_ShutdownContext(ctx);
        return Falla(tablas.motivo());
    }
    if (!tablas) {
        NSS_ShutdownContext(ctx);
        const std::string config = "sql:" + carpeta;
        ctx = NSS_InitContext(config.c_str(), "", "", "", nullptr,
                              NSS_INIT_READONLY | NSS_INIT_NOROOTINIT);
        if (!ctx) {
            return Falla("No se puede abrir el almacén de certificados \"" + carpeta +
                         "\": " + TextoErrorNss(PR_GetError()) + ".");
        }
        encontrado = BuscarPorLaApi(huella);
    } else {
        encontrado = std::move(*tablas);
    }
    Resultado<T> r = encontrado ? usar(*encontrado) : Resultado<T>(Falla(noEsta));
    NSS_ShutdownContext(ctx);
    return r;
}

}  // namespace

Resultado<DetallesCertificado> LeerDetallesNss(const std::string& directorio,
                                               const std::string& huella, ViaNss via) {
    return ConCertificado<DetallesCertificado>(directorio, huella, via, Decodificar);
}

Resultado<std::string> LeerDerConClaveNss(const std::string& directorio,
                                          const std::string& huella) {
    return ConCertificado<std::string>(
        directorio, huella, ViaNss::Automatica, [](const Encontrado& e) -> Resultado<std::string> {
            if (!e.clave) {
                return Falla(
                    "El almacén no tiene la clave privada de este certificado, y sin "
                    "ella no sirve para identificarse.");
            }
            return e.der;
        });
}

}  // namespace marlevanta
