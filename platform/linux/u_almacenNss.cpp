// The Linux back-end: the NSS shared database that Chrome, Chromium and Edge use on Linux.
#include "platform/linux/u_almacenNss.h"

#include <cert.h>
#include <certdb.h>
#include <errno.h>
#include <nss.h>
#include <openssl/evp.h>
#include <pk11pub.h>
#include <prerror.h>
#include <prtime.h>
#include <secasn1.h>
#include <secder.h>
#include <secerr.h>
#include <secoid.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iterator>
#include <mutex>
#include <optional>
#include <set>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <vector>

#include "platform/linux/u_cerrojoNss.h"
#include "platform/linux/u_textoNss.h"

namespace marlevanta {

namespace {

std::string FechaRfc822(PRTime t) {
    PRExplodedTime et;
    PR_ExplodeTime(t, PR_GMTParameters, &et);
    char buffer[64];
    PR_FormatTimeUSEnglish(buffer, sizeof buffer, "%a, %d %b %Y %H:%M:%S GMT", &et);
    return buffer;
}

// Fails, in words that name the database folder, when something keeps this user from reading it
// as the browsers use it (a folder that does not exist is told where it is read).
Hecho ProblemaAlmacen(const std::string& directorio) {
    const std::string donde = "el almacén de certificados \"" + directorio + "\"";
    struct stat st {};
    if (stat(directorio.c_str(), &st) != 0) {
        if (errno != EACCES) return {};
        return Falla(
            "No se puede abrir " + donde +
            ": su usuario no tiene permiso para entrar en esa carpeta o en una de las que la "
            "contienen. Compruebe sus permisos (por ejemplo, chmod u+rwx " +
            directorio + ").");
    }
    if (!S_ISDIR(st.st_mode)) {
        return Falla("No se puede abrir " + donde + ": no es una carpeta.");
    }
    if (access(directorio.c_str(), R_OK | X_OK) != 0) {
        return Falla("No se puede abrir " + donde +
                     ": su usuario no tiene permiso para leer esa carpeta. Compruebe sus "
                     "permisos (por ejemplo, chmod u+rwx " +
                     directorio + ").");
    }
    const std::string cert9 = directorio + "/cert9.db";
    if (access(cert9.c_str(), F_OK) != 0 && access((directorio + "/cert8.db").c_str(), F_OK) == 0) {
        return Falla("El almacén de certificados \"" + directorio +
                     "\" tiene el formato antiguo (cert8.db), que los navegadores de hoy ya no "
                     "usan tal cual. Conviértalo al formato actual (cert9.db) ejecutando una vez: "
                     "certutil -N -d sql:" +
                     directorio +
                     " (le pedirá la contraseña actual del almacén, si tiene, y una nueva, que "
                     "puede ser la misma; los certificados se conservan).");
    }
    for (const char* archivo : {"/cert9.db", "/key4.db"}) {
        const std::string ruta = directorio + archivo;
        if (access(ruta.c_str(), F_OK) == 0 && access(ruta.c_str(), R_OK) != 0) {
            return Falla("No se puede leer \"" + ruta +
                         "\": su usuario no tiene permiso de lectura sobre ese archivo del "
                         "almacén de certificados. Compruebe sus permisos (por ejemplo, chmod "
                         "u+rw " +
                         ruta + ").");
        }
    }
    return {};
}

std::string UsosExtendidos(CERTCertificate* cert) {
    SECItem ext = {siBuffer, nullptr, 0};
    if (CERT_FindCertExtension(cert, SEC_OID_X509_EXT_KEY_USAGE, &ext) != SECSuccess) return {};
    std::string r;
    if (CERTOidSequence* seq = CERT_DecodeOidSequence(&ext)) {
        for (SECItem** o = seq->oids; o && *o; ++o) {
            if (!r.empty()) r += ',';
            r += NombreUsoNss(*o);
        }
        CERT_DestroyOidSequence(seq);
    }
    SECITEM_FreeItem(&ext, PR_FALSE);
    return r;
}

// The subject alternative name first, else the subject's e-mail attribute.
std::string Email(CERTCertificate* cert) {
    std::string r;
    SECItem ext = {siBuffer, nullptr, 0};
    if (CERT_FindCertExtension(cert, SEC_OID_X509_SUBJECT_ALT_NAME, &ext) == SECSuccess) {
        if (PLArenaPool* arena = PORT_NewArena(DER_DEFAULT_CHUNKSIZE)) {
            CERTGeneralName* primero = CERT_DecodeAltNameExtension(arena, &ext);
            CERTGeneralName* n = primero;
            while (n && r.empty()) {
                if (n->type == certRFC822Name) {
                    r.assign(reinterpret_cast<const char*>(n->name.other.data), n->name.other.len);
                }
                n = CERT_GetNextGeneralName(n);
                if (n == primero) break;
            }
            PORT_FreeArena(arena, PR_FALSE);
        }
        SECITEM_FreeItem(&ext, PR_FALSE);
    }
    if (r.empty()) r = TextoNss(CERT_GetCertEmailAddress(&cert->subject));
    return r;
}

// The common name as the browser reads it, to be compared byte for byte: the first non-empty
// CN of the name (NSS's CERT_GetCommonName takes the last, and escapes it as RFC 1485 text).
// UTF8String and PrintableString are kept as raw bytes, TeletexString read as Latin-1, IA5String
// only when ASCII, BMPString without surrogates, UniversalString as UTF-32: the rules of
// Chromium's certificate parser for client certificates. A value it cannot read makes the
// browser drop the certificate; such a name is shown as NSS decodes it.
enum Etiqueta : unsigned char {
    kUtf8 = 0x0C,
    kPrintable = 0x13,
    kT61 = 0x14,
    kIa5 = 0x16,
    kUniversal = 0x1C,
    kBmp = 0x1E,
};

bool Contenido(const SECItem& tlv, unsigned char& etiqueta, std::string_view& contenido) {
    const unsigned char* p = tlv.data;
    const size_t n = tlv.len;
    if (!p || n < 2) return false;
    etiqueta = p[0];
    size_t largo = p[1];
    size_t cabecera = 2;
    if (largo & 0x80) {
        const size_t bytes = largo & 0x7f;
        if (bytes == 0 || bytes > 4 || n < 2 + bytes) return false;
        largo = 0;
        for (size_t i = 0; i < bytes; ++i) largo = (largo << 8) | p[2 + i];
        cabecera += bytes;
    }
    if (n - cabecera != largo) return false;
    contenido = std::string_view(reinterpret_cast<const char*>(p + cabecera), largo);
    return true;
}

bool AnadirUtf8(std::uint32_t c, std::string& s) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return true;
}

std::optional<std::string> ComoNavegador(const SECItem& valor) {
    unsigned char etiqueta = 0;
    std::string_view c;
    if (!Contenido(valor, etiqueta, c)) return std::nullopt;
    std::string r;
    switch (etiqueta) {
        case kUtf8:
        case kPrintable:
            return std::string(c);
        case kIa5:
            for (unsigned char b : c) {
                if (b > 0x7F) return std::nullopt;
            }
            return std::string(c);
        case kT61:
            for (unsigned char b : c) AnadirUtf8(b, r);
            return r;
        case kBmp:
            if (c.size() % 2) return std::nullopt;
            for (size_t i = 0; i < c.size(); i += 2) {
                const std::uint32_t u =
                    (static_cast<unsigned char>(c[i]) << 8) | static_cast<unsigned char>(c[i + 1]);
                if (!AnadirUtf8(u, r)) return std::nullopt;
            }
            return r;
        case kUniversal:
            if (c.size() % 4) return std::nullopt;
            for (size_t i = 0; i < c.size(); i += 4) {
                std::uint32_t u = 0;
                for (size_t k = 0; k < 4; ++k) u = (u << 8) | static_cast<unsigned char>(c[i + k]);
                if (!AnadirUtf8(u, r)) return std::nullopt;
            }
            return r;
        default:
            return std::nullopt;
    }
}

std::string NombreComun(const CERTName& nombre) {
    std::string cn;
    for (CERTRDN** rdn = nombre.rdns; rdn && *rdn; ++rdn) {
        for (CERTAVA** ava = (*rdn)->avas; ava && *ava; ++ava) {
            if (CERT_GetAVATag(*ava) != SEC_OID_AVA_COMMON_NAME || !cn.empty()) continue;
            if (auto v = ComoNavegador((*ava)->value)) {
                cn = std::move(*v);
                continue;
            }
            SECItem* decodificado = CERT_DecodeAVAValue(&(*ava)->value);
            if (decodificado) {
                cn.assign(reinterpret_cast<const char*>(decodificado->data), decodificado->len);
                SECITEM_FreeItem(decodificado, PR_TRUE);
            }
            return cn;
        }
    }
    return cn;
}

DatosCertificado Leer(CERTCertificate* cert) {
    DatosCertificado d;
    PRTime desde = 0;
    PRTime hasta = 0;
    if (CERT_GetCertTimes(cert, &desde, &hasta) == SECSuccess) {
        d.validoDesde = FechaRfc822(desde);
        d.validoHasta = FechaRfc822(hasta);
    }
    d.emitidoPara = NombreComun(cert->subject);
    d.emitidoPor = NombreComun(cert->issuer);
    // OpenSSL's one-shot digests: NSS's set up a digest context through its token for each
    // certificate, a sixth of a whole load.
    static EVP_MD* const kSha1 = EVP_MD_fetch(nullptr, "SHA1", nullptr);
    static EVP_MD* const kSha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    unsigned char sha1[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    if (kSha1 && EVP_Digest(cert->derCert.data, cert->derCert.len, sha1, &n, kSha1, nullptr)) {
        d.huella = HexMayusculas(sha1, n);
    }
    unsigned char sha256[EVP_MAX_MD_SIZE];
    if (kSha256 &&
        EVP_Digest(cert->derCert.data, cert->derCert.len, sha256, &n, kSha256, nullptr)) {
        d.huellaSha256 = HexMayusculas(sha256, n);
    }
    d.usosExtendidos = UsosExtendidos(cert);
    d.email = Email(cert);
    return d;
}

struct Leido {
    CK_OBJECT_HANDLE objeto;
    DatosCertificado datos;
};

std::string Atributo(PK11GenericObject* o, CK_ATTRIBUTE_TYPE tipo) {
    SECItem item = {siBuffer, nullptr, 0};
    if (PK11_ReadRawAttribute(PK11_TypeGeneric, o, tipo, &item) != SECSuccess) return {};
    std::string r(reinterpret_cast<const char*>(item.data), item.len);
    SECITEM_FreeItem(&item, PR_FALSE);
    return r;
}

// A certificate decoded on its own, without the trust and key look-ups that NSS's certificate
// cache makes for each one (which grow with the square of the number of certificates).
Resultado<DatosCertificado> LeerDer(const std::string& der) {
    PLArenaPool* arena = PORT_NewArena(DER_DEFAULT_CHUNKSIZE);
    if (!arena) return Falla("No queda memoria para leer el certificado.");
    auto* cert = PORT_ArenaZNew(arena, CERTCertificate);
    SECItem origen = {siBuffer, reinterpret_cast<unsigned char*>(const_cast<char*>(der.data())),
                      static_cast<unsigned>(der.size())};
    const bool ok = cert && SECITEM_CopyItem(arena, &cert->derCert, &origen) == SECSuccess &&
                    SEC_QuickDERDecodeItem(arena, cert, SEC_ASN1_GET(SEC_SignedCertificateTemplate),
                                           &cert->derCert) == SECSuccess;
    Resultado<DatosCertificado> r =
        ok ? Resultado<DatosCertificado>(Leer(cert))
           : Falla("El almacén guarda el certificado dañado: no es un certificado X.509.");
    PORT_FreeArena(arena, PR_FALSE);
    return r;
}

// What the list holds for a certificate: its fields, or only that it could not be read.
DatosCertificado Decodificado(const std::string& der, const std::string& apodo) {
    auto leido = LeerDer(der);
    if (leido) return std::move(*leido);
    DatosCertificado d;
    d.legible = false;
    d.apodo = apodo;
    return d;
}

// The user's certificates are those whose CKA_ID is the id of a private key in the database.
void ListarPorObjetos(PK11SlotInfo* slot, std::vector<Leido>& leidos) {
    std::set<std::string> claves;
    PK11GenericObject* privadas = PK11_FindGenericObjects(slot, CKO_PRIVATE_KEY);
    for (PK11GenericObject* o = privadas; o; o = PK11_GetNextGenericObject(o)) {
        claves.insert(Atributo(o, CKA_ID));
    }
    if (privadas) PK11_DestroyGenericObjects(privadas);
    PK11GenericObject* certs = PK11_FindGenericObjects(slot, CKO_CERTIFICATE);
    for (PK11GenericObject* o = certs; o; o = PK11_GetNextGenericObject(o)) {
        if (!claves.count(Atributo(o, CKA_ID))) continue;
        leidos.push_back({PK11_GetObjectHandle(PK11_TypeGeneric, o, nullptr),
                          Decodificado(Atributo(o, CKA_VALUE), Atributo(o, CKA_LABEL))});
    }
    if (certs) PK11_DestroyGenericObjects(certs);
}

// The general way, for a database whose keys stay hidden until the user logs in.
void ListarPorConfianza(std::vector<Leido>& leidos) {
    if (CERTCertList* lista = PK11_ListCerts(PK11CertListUser, nullptr)) {
        for (CERTCertListNode* n = CERT_LIST_HEAD(lista); !CERT_LIST_END(n, lista);
             n = CERT_LIST_NEXT(n)) {
            leidos.push_back({n->cert->pkcs11ID, Leer(n->cert)});
        }
        CERT_DestroyCertList(lista);
    }
}

// The fast way: the database's own tables, read with SQLite in one read-only transaction. NSS
// keeps every PKCS #11 attribute as a blob in column "a" + hex(type): a0 CKA_CLASS, a3
// CKA_LABEL (the nickname), a11 CKA_VALUE, a102 CKA_ID; CK_ULONG values are 4 bytes big-endian
// (CKO_CERTIFICATE 1, CKO_PRIVATE_KEY 3); an empty value is the 3 bytes A5 00 5A. Through NSS's API
// every attribute is a transaction of its own, which made 10,000 certificates take seconds. A
// certificate's object handle is 0x80000000 | its row id, so ordering by id keeps the API's order.
// CKA_ID is stored in clear even in a database with a password.
struct Fila {
    std::uint32_t id = 0;
    std::string der;
    std::string apodo;
};

class Sqlite {
public:
    ~Sqlite() {
        sqlite3_finalize(st_);
        sqlite3_close(db_);
    }
    sqlite3* db_ = nullptr;
    sqlite3_stmt* st_ = nullptr;
};

// With `primera` > 0, the first `primera` certificates with a key are found one by one through
// the key table's index on CKA_ID and handed to `primeras` at once (a few milliseconds, however
// large the store); the rows returned are then only those after them. The rest is read with every
// key's id at once, which is quicker in all.
Resultado<std::vector<Fila>> LeerTablas(
    const std::string& directorio, size_t primera = 0,
    const std::function<bool(std::vector<Fila>)>& primeras = {}) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // Absolute: SQLite takes a relative name starting "file:" for a URI.
    const fs::path base = fs::absolute(directorio, ec);
    const std::string certs = (base / "cert9.db").string();
    const std::string claves = (base / "key4.db").string();
    Sqlite c;
    const auto fallo = [&c](const std::string& que) {
        return Falla(que + ": " + (c.db_ ? sqlite3_errmsg(c.db_) : "sin memoria"));
    };
    // Read-only with normal locking (not immutable): a browser may be writing meanwhile.
    if (sqlite3_open_v2(certs.c_str(), &c.db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        return fallo("No se puede abrir " + certs);
    }
    sqlite3_busy_timeout(c.db_, 5000);
    const std::string adjuntar = "ATTACH DATABASE '" + claves + "' AS claves";
    if (claves.find('\'') != std::string::npos ||
        sqlite3_exec(c.db_, adjuntar.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        return fallo("No se puede abrir " + claves);
    }
    // One transaction: both files under the same shared locks, so the list is consistent.
    if (sqlite3_exec(c.db_, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
        return fallo("No se puede leer " + certs);
    }
    std::vector<Fila> filas;
    const auto leerFila = [&c] {
        return Fila{static_cast<std::uint32_t>(sqlite3_column_int64(c.st_, 0)),
                    ValorAtributoNss(c.st_, 2), ValorAtributoNss(c.st_, 3)};
    };
    std::int64_t desde = -1;
    int rc = SQLITE_OK;
    if (primera > 0) {
        rc = sqlite3_prepare_v2(c.db_,
                                "SELECT id, a102, a11, a3 FROM main.nssPublic p WHERE a0 = "
                                "x'00000001' AND EXISTS (SELECT 1 FROM claves.nssPrivate k WHERE "
                                "k.a102 = p.a102 AND k.a0 = x'00000003') ORDER BY id LIMIT ?",
                                -1, &c.st_, nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_bind_int64(c.st_, 1, static_cast<sqlite3_int64>(primera));
            while ((rc = sqlite3_step(c.st_)) == SQLITE_ROW) filas.push_back(leerFila());
            sqlite3_finalize(c.st_);
            c.st_ = nullptr;
        }
        if (rc != SQLITE_DONE) return fallo("No se puede leer " + certs);
        const bool todas = filas.size() < primera;
        if (!filas.empty()) desde = filas.back().id;
        if (!primeras(std::move(filas)) || todas) {
            sqlite3_exec(c.db_, "COMMIT", nullptr, nullptr, nullptr);
            return std::vector<Fila>{};
        }
        filas.clear();
    }
    std::unordered_set<std::string> conClave;
    rc = sqlite3_prepare_v2(c.db_, "SELECT a102 FROM claves.nssPrivate WHERE a0 = x'00000003'", -1,
                            &c.st_, nullptr);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(c.st_)) == SQLITE_ROW)
            conClave.insert(ValorAtributoNss(c.st_, 0));
        sqlite3_finalize(c.st_);
        c.st_ = nullptr;
    }
    if (rc != SQLITE_DONE) return fallo("No se puede leer " + claves);
    rc = sqlite3_prepare_v2(c.db_,
                            "SELECT id, a102, a11, a3 FROM main.nssPublic WHERE a0 = x'00000001' "
                            "AND id > ? ORDER BY id",
                            -1, &c.st_, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_bind_int64(c.st_, 1, desde);
        while ((rc = sqlite3_step(c.st_)) == SQLITE_ROW) {
            if (conClave.count(ValorAtributoNss(c.st_, 1))) filas.push_back(leerFila());
        }
    }
    if (rc != SQLITE_DONE) return fallo("No se puede leer " + certs);
    sqlite3_exec(c.db_, "COMMIT", nullptr, nullptr, nullptr);
    return filas;
}

std::string DirectorioPorDefecto() {
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.pki/nssdb";
}

class AlmacenNss : public AlmacenCertificados {
public:
    AlmacenNss(std::string directorio, ViaNss via)
        : directorio_(directorio.empty() ? DirectorioPorDefecto() : std::move(directorio)),
          via_(via) {}

    Resultado<std::vector<DatosCertificado>> LeerCertificados() override {
        std::vector<DatosCertificado> todos;
        auto h = LeerPorPartes(0, [&todos](std::vector<DatosCertificado> parte) {
            if (todos.empty()) {
                todos = std::move(parte);
            } else {
                std::move(parte.begin(), parte.end(), std::back_inserter(todos));
            }
            return true;
        });
        if (!h) return Fallo{h.motivo()};
        return todos;
    }

    Hecho LeerPorPartes(size_t primera, const Parte& parte) override {
        if (auto problema = ProblemaAlmacen(directorio_); !problema) {
            return Fallo{problema.motivo()};
        }
        namespace fs = std::filesystem;
        std::error_code ec;
        // No database yet: nothing has been imported, which the window says in its own words.
        if (!fs::exists(fs::path(directorio_) / "cert9.db", ec)) {
            parte({});
            return {};
        }
        std::lock_guard<std::mutex> cerrojo(CerrojoNss());
        if (via_ == ViaNss::Tablas || via_ == ViaNss::Automatica) {
            bool entregadas = false;
            std::optional<Fallo> fallo;
            // Handed over decoded; false stops the reading.
            const auto entregar = [&](const std::vector<Fila>& filas, size_t desde, size_t hasta) {
                auto decodificados = Decodificar(filas, desde, hasta);
                if (!decodificados) {
                    fallo = Fallo{decodificados.motivo()};
                    return false;
                }
                entregadas = true;
                return parte(std::move(*decodificados));
            };
            bool seguir = true;
            auto resto = LeerTablas(directorio_, primera, [&](std::vector<Fila> filas) {
                return seguir = entregar(filas, 0, filas.size());
            });
            if (fallo) return *fallo;
            if (resto) {
                if (primera == 0) seguir = entregar(*resto, 0, resto->size());
                // Each later part as large as all before it: few hand-overs, each soon.
                for (size_t i = 0, hechas = primera; primera > 0 && seguir && i < resto->size();) {
                    const size_t hasta =
                        std::min(resto->size(), i + std::min<size_t>(hechas, 25000));
                    seguir = entregar(*resto, i, hasta);
                    hechas += hasta - i;
                    i = hasta;
                }
                if (fallo) return *fallo;
                return {};
            }
            // A database of another layout is still read, the slow way, unless part of it has
            // been handed over already.
            if (via_ == ViaNss::Tablas || entregadas) return Fallo{resto.motivo()};
        }
        auto todos = PorLaApi();
        if (!todos) return Fallo{todos.motivo()};
        parte(std::move(*todos));
        return {};
    }

private:
    Resultado<std::vector<DatosCertificado>> Decodificar(const std::vector<Fila>& filas,
                                                         size_t desde, size_t hasta) {
        // Decoding needs NSS, but not its database.
        NSSInitContext* ctx =
            NSS_InitContext("", "", "", "", nullptr,
                            NSS_INIT_READONLY | NSS_INIT_NOCERTDB | NSS_INIT_NOMODDB |
                                NSS_INIT_FORCEOPEN | NSS_INIT_NOROOTINIT);
        if (!ctx) {
            return Falla(std::string("No se puede iniciar NSS: ") +
                         PR_ErrorToString(PR_GetError(), PR_LANGUAGE_I_DEFAULT));
        }
        // Decoding is most of a large load and each certificate stands alone: the rows are
        // shared among the machine's cores.
        const size_t n = hasta - desde;
        std::vector<DatosCertificado> certificados(n);
        const auto tramo = [&](size_t a, size_t b) {
            for (size_t i = a; i < b; ++i) {
                certificados[i] = Decodificado(filas[desde + i].der, filas[desde + i].apodo);
            }
        };
        const size_t hilos =
            n < 8 ? 1 : std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4);
        std::vector<std::thread> ayudantes;
        for (size_t h = 1; h < hilos; ++h) {
            ayudantes.emplace_back(tramo, n * h / hilos, n * (h + 1) / hilos);
        }
        tramo(0, n / hilos);
        for (auto& a : ayudantes) a.join();
        NSS_ShutdownContext(ctx);
        return certificados;
    }

    Resultado<std::vector<DatosCertificado>> PorLaApi() {
        const std::string config = "sql:" + directorio_;
        NSSInitContext* ctx = NSS_InitContext(config.c_str(), "", "", "", nullptr,
                                              NSS_INIT_READONLY | NSS_INIT_NOROOTINIT);
        if (!ctx) {
            return Falla("No se puede abrir el almacén de certificados \"" + directorio_ +
                         "\": " + PR_ErrorToString(PR_GetError(), PR_LANGUAGE_I_DEFAULT) +
                         ". Compruebe que existe y que tiene permiso de lectura.");
        }
        std::vector<Leido> leidos;
        PK11SlotInfo* slot = PK11_GetInternalKeySlot();
        const bool clavesVisibles = !PK11_NeedLogin(slot) || PK11_IsLoggedIn(slot, nullptr);
        if (clavesVisibles) {
            ListarPorObjetos(slot, leidos);
        } else {
            ListarPorConfianza(leidos);
        }
        PK11_FreeSlot(slot);
        NSS_ShutdownContext(ctx);
        // The database's own object handles follow the order of import.
        std::sort(leidos.begin(), leidos.end(), [](const Leido& a, const Leido& b) {
            return a.objeto != b.objeto ? a.objeto < b.objeto : a.datos.huella < b.datos.huella;
        });
        std::vector<DatosCertificado> certificados;
        certificados.reserve(leidos.size());
        for (auto& l : leidos) certificados.push_back(std::move(l.datos));
        return certificados;
    }

    std::string directorio_;
    ViaNss via_;
};

}  // namespace

std::unique_ptr<AlmacenCertificados> CrearAlmacenNss(const std::string& directorio, ViaNss via) {
    return std::make_unique<AlmacenNss>(directorio, via);
}

}  // namespace marlevanta
