// Importing a PKCS #12 file into the NSS database with NSS's own decoder, as pk12util does,
// without starting pk12util.
#include "platform/linux/u_importadorNss.h"

#include <cert.h>
#include <keyhi.h>
#include <nss.h>
#include <p12.h>
#include <p12plcy.h>
#include <pk11pub.h>
#include <prerror.h>
#include <secerr.h>
#include <secport.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

#include "core/plataforma/u_almacenPoliticas.h"
#include "platform/linux/u_cerrojoNss.h"
#include "platform/linux/u_textoNss.h"

namespace marlevanta {

namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kTamanoMaximo = 16 * 1024 * 1024;

// PKCS #12 passwords are BMPStrings: UTF-16 big-endian with a closing zero character.
std::vector<unsigned char> ContrasenaPkcs12(const std::string& utf8) {
    std::vector<unsigned char> r;
    const auto poner = [&r](unsigned u) {
        r.push_back(static_cast<unsigned char>(u >> 8));
        r.push_back(static_cast<unsigned char>(u & 0xff));
    };
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : 3;
        unsigned cp = extra == 0 ? c : extra == 1 ? (c & 0x1f) : extra == 2 ? (c & 0x0f) : (c & 7);
        for (int k = 1; k <= extra && i + k < utf8.size(); ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3f);
        }
        i += static_cast<size_t>(extra) + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            poner(0xd800 + (cp >> 10));
            poner(0xdc00 + (cp & 0x3ff));
        } else {
            poner(cp);
        }
    }
    poner(0);
    return r;
}

// Creates the folder and the ones above it that are missing, private to the user.
Hecho CrearCarpeta(const fs::path& carpeta) {
    std::error_code ec;
    if (fs::is_directory(carpeta, ec)) return {};
    if (carpeta.has_parent_path() && carpeta.parent_path() != carpeta) {
        if (auto arriba = CrearCarpeta(carpeta.parent_path()); !arriba) return arriba;
    }
    if (::mkdir(carpeta.c_str(), 0700) != 0 && errno != EEXIST) {
        return Falla("No se puede crear la carpeta \"" + carpeta.string() +
                     "\": " + std::strerror(errno));
    }
    return {};
}

// Whether another program (a browser, most likely) is writing to the database now: NSS would
// give up after its own short wait with an error that says nothing of the kind.
bool EnUso(const fs::path& carpeta) {
    for (const char* nombre : {"cert9.db", "key4.db"}) {
        const fs::path ruta = carpeta / nombre;
        std::error_code ec;
        if (!fs::exists(ruta, ec)) continue;
        sqlite3* db = nullptr;
        bool ocupada = false;
        if (sqlite3_open_v2(ruta.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
            sqlite3_busy_timeout(db, 3000);
            const int rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
            ocupada = rc == SQLITE_BUSY || rc == SQLITE_LOCKED;
            if (rc == SQLITE_OK) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        sqlite3_close(db);
        if (ocupada) return true;
    }
    return false;
}

const char* kEnUso =
    "El almacén de certificados está en uso por otro programa. Cierre el navegador y vuelva a "
    "intentarlo.";

// Renames a certificate whose name another certificate of the database already has, as pk12util
// does; NSS passes the certificate as the last argument.
SECItem* OtroNombre(SECItem* anterior, PRBool* cancelar, void* contexto) {
    auto* cert = static_cast<CERTCertificate*>(contexto);
    if (!cancelar || !cert) return nullptr;
    char* nombre = CERT_MakeCANickname(cert);
    if (!nombre) return nullptr;
    if (anterior && anterior->data && anterior->len == std::strlen(nombre) &&
        std::strncmp(reinterpret_cast<char*>(anterior->data), nombre, anterior->len) == 0) {
        PORT_Free(nombre);
        PORT_SetError(SEC_ERROR_IO);
        return nullptr;
    }
    SECItem* r = PORT_ZNew(SECItem);
    if (!r) {
        PORT_Free(nombre);
        return nullptr;
    }
    r->data = reinterpret_cast<unsigned char*>(nombre);
    r->len = static_cast<unsigned>(std::strlen(nombre));
    return r;
}

// The decoder keeps the password's address to the end: it decrypts the key at the import.
class Decodificador {
public:
    ~Decodificador() {
        if (ctx_) SEC_PKCS12DecoderFinish(ctx_);
    }
    SEC_PKCS12DecoderContext* ctx_ = nullptr;
    SECItem pw_ = {siBuffer, nullptr, 0};
};

enum class Lectura { Bien, Contrasena, NoEsPkcs12 };

// A file cut short fails NSS's check as a wrong password would: its outer DER sequence says
// how long the whole file must be. (A BER file of indefinite length is left to NSS.)
bool Completo(const std::string& datos) {
    const auto* p = reinterpret_cast<const unsigned char*>(datos.data());
    const size_t n = datos.size();
    if (n < 2 || p[0] != 0x30) return false;
    if (p[1] == 0x80) return true;
    size_t cabecera = 2;
    size_t largo = p[1];
    if (p[1] & 0x80) {
        const size_t bytes = p[1] & 0x7f;
        if (bytes == 0 || bytes > 4 || n < 2 + bytes) return false;
        largo = 0;
        for (size_t i = 0; i < bytes; ++i) largo = (largo << 8) | p[2 + i];
        cabecera += bytes;
    }
    return cabecera + largo <= n;
}

bool EsDeContrasena(PRErrorCode e) {
    return e == SEC_ERROR_BAD_PASSWORD || e == SEC_ERROR_PKCS12_INVALID_MAC ||
           e == SEC_ERROR_PKCS12_PRIVACY_PASSWORD_INCORRECT;
}

Lectura Leer(Decodificador& d, PK11SlotInfo* slot, std::vector<unsigned char>& contrasena,
             unsigned largo, std::string& datos) {
    d.pw_ = {siBuffer, contrasena.data(), largo};
    d.ctx_ =
        SEC_PKCS12DecoderStart(&d.pw_, slot, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!d.ctx_) return Lectura::NoEsPkcs12;
    if (SEC_PKCS12DecoderUpdate(d.ctx_, reinterpret_cast<unsigned char*>(datos.data()),
                                datos.size()) != SECSuccess) {
        return EsDeContrasena(PORT_GetError()) ? Lectura::Contrasena : Lectura::NoEsPkcs12;
    }
    if (SEC_PKCS12DecoderVerify(d.ctx_) != SECSuccess) {
        return EsDeContrasena(PORT_GetError()) ? Lectura::Contrasena : Lectura::NoEsPkcs12;
    }
    return Lectura::Bien;
}

void AlBufer(void* arg, const char* datos, unsigned long largo) {
    static_cast<std::string*>(arg)->append(datos, largo);
}

// NSS's PKCS #12 encoder turns the password into UTF-16 through a converter that the program
// must provide (its decoder takes UTF-16 as given). NSS hands UTF-16 back byte-swapped on
// little-endian machines.
PRBool ConvertirUtf16(PRBool aUtf16, unsigned char* entrada, unsigned int largo,
                      unsigned char* salida, unsigned int maximo, unsigned int* escritos,
                      PRBool invertir) {
    std::string copia(reinterpret_cast<const char*>(entrada), largo);
    if (!aUtf16 && invertir) {
        for (size_t i = 0; i + 1 < copia.size(); i += 2) std::swap(copia[i], copia[i + 1]);
    }
    const PRBool ok =
        PORT_UCS2_UTF8Conversion(aUtf16, reinterpret_cast<unsigned char*>(copia.data()),
                                 static_cast<unsigned>(copia.size()), salida, maximo, escritos);
    PORT_Memset(copia.data(), 0, copia.size());
    return ok;
}

class ImportadorNss : public ImportadorCertificados {
public:
    explicit ImportadorNss(std::string directorio, std::string contrasenaBase = {})
        : directorio_(directorio.empty() ? DirectorioNssPorDefecto() : std::move(directorio)),
          contrasenaBase_(std::move(contrasenaBase)) {}
    ~ImportadorNss() override { std::fill(contrasenaBase_.begin(), contrasenaBase_.end(), '\0'); }
    ImportadorNss(const ImportadorNss&) = delete;
    ImportadorNss& operator=(const ImportadorNss&) = delete;

    Resultado<CertificadoImportado> Importar(const std::string& archivo,
                                             const std::string& contrasena) override {
        std::error_code ec;
        const auto tamano = fs::file_size(archivo, ec);
        if (ec) {
            return Falla("No se puede leer el archivo \"" + archivo + "\": " + ec.message() + ".");
        }
        if (tamano > kTamanoMaximo) return NoEsPkcs12(archivo);
        std::ifstream f(archivo, std::ios::binary);
        std::string datos((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        if (!f.good() && !f.eof()) {
            return Falla("No se puede leer el archivo \"" + archivo + "\".");
        }
        if (!Completo(datos)) return NoEsPkcs12(archivo);
        return ImportarDatos(datos, contrasena, archivo);
    }

    // `archivo` only names where the data came from, in the messages.
    Resultado<CertificadoImportado> ImportarDatos(std::string& datos, const std::string& contrasena,
                                                  const std::string& archivo) {
        std::lock_guard<std::mutex> cerrojo(CerrojoNss());
        if (auto carpeta = CrearCarpeta(directorio_); !carpeta) return Fallo{carpeta.motivo()};
        if (EnUso(directorio_)) return Falla(kEnUso);
        ContextoNss nss;
        const std::string config = "sql:" + directorio_;
        nss.ctx_ = NSS_InitContext(config.c_str(), "", "", "", nullptr, NSS_INIT_NOROOTINIT);
        if (!nss.ctx_) {
            return Falla("No se puede abrir el almacén de certificados \"" + directorio_ +
                         "\" para añadir el certificado: " + TextoErrorNss(PR_GetError()) + ".");
        }
        nss.slot_ = PK11_GetInternalKeySlot();
        if (auto listo = PrepararClaves(nss.slot_); !listo) return Fallo{listo.motivo()};
        // pk12util's ciphers: files made by older programs use the weaker ones.
        for (long cifrado : {PKCS12_RC4_40, PKCS12_RC4_128, PKCS12_RC2_CBC_40, PKCS12_RC2_CBC_128,
                             PKCS12_DES_56, PKCS12_DES_EDE3_168}) {
            SEC_PKCS12EnableCipher(cifrado, PR_TRUE);
        }
        SEC_PKCS12SetPreferredCipher(PKCS12_DES_EDE3_168, PR_TRUE);

        std::vector<unsigned char> pw = ContrasenaPkcs12(contrasena);
        Decodificador d;
        Lectura leido = Leer(d, nss.slot_, pw, static_cast<unsigned>(pw.size()), datos);
        if (leido == Lectura::Contrasena && contrasena.empty()) {
            // "No password" is written either as an empty text or as no text at all.
            Decodificador otro;
            if (Leer(otro, nss.slot_, pw, 0, datos) == Lectura::Bien) {
                std::swap(d.ctx_, otro.ctx_);
                std::swap(d.pw_, otro.pw_);
                leido = Lectura::Bien;
            }
        }
        if (leido == Lectura::Contrasena) return Falla(kContrasenaIncorrecta);
        if (leido == Lectura::NoEsPkcs12) return NoEsPkcs12(archivo);

        // The certificate that goes with the key is the user's; the others are its chain.
        SECItem derPropio = {siBuffer, nullptr, 0};
        std::string propio;
        int claves = 0;
        if (SEC_PKCS12DecoderIterateInit(d.ctx_) != SECSuccess) return NoEsPkcs12(archivo);
        const SEC_PKCS12DecoderItem* item = nullptr;
        while (SEC_PKCS12DecoderIterateNext(d.ctx_, &item) == SECSuccess && item) {
            if (item->type == SEC_OID_PKCS12_V1_KEY_BAG_ID ||
                item->type == SEC_OID_PKCS12_V1_PKCS8_SHROUDED_KEY_BAG_ID) {
                ++claves;
            } else if (item->type == SEC_OID_PKCS12_V1_CERT_BAG_ID && item->hasKey && item->der &&
                       propio.empty()) {
                propio.assign(reinterpret_cast<const char*>(item->der->data), item->der->len);
            }
        }
        if (claves == 0 || propio.empty()) {
            return Falla("El archivo \"" + archivo +
                         "\" no contiene la clave privada del certificado, y sin ella el "
                         "certificado no sirve para identificarse. Pida el archivo .p12 o .pfx "
                         "completo, con su clave privada.");
        }
        derPropio.data = reinterpret_cast<unsigned char*>(propio.data());
        derPropio.len = static_cast<unsigned>(propio.size());
        unsigned char sha1[20];
        if (PK11_HashBuf(SEC_OID_SHA1, sha1, derPropio.data, static_cast<PRInt32>(derPropio.len)) !=
            SECSuccess) {
            return NoEsPkcs12(archivo);
        }
        CertificadoImportado importado{HexMayusculas(sha1, sizeof sha1), false};
        if (YaEsta(nss.slot_, derPropio)) {
            importado.yaEstaba = true;
            return importado;
        }

        if (SEC_PKCS12DecoderValidateBags(d.ctx_, OtroNombre) != SECSuccess ||
            SEC_PKCS12DecoderImportBags(d.ctx_) != SECSuccess) {
            const PRErrorCode e = PORT_GetError();
            if (EnUso(directorio_)) return Falla(kEnUso);
            return Falla("No se ha podido añadir el certificado al almacén \"" + directorio_ +
                         "\": " + TextoErrorNss(e) + ".");
        }
        return importado;
    }

private:
    static Resultado<CertificadoImportado> NoEsPkcs12(const std::string& archivo) {
        return Falla("El archivo \"" + archivo +
                     "\" no es un certificado PKCS #12 (.p12 o .pfx) o está dañado.");
    }

    // A new database gets the password it was asked for (empty, as "certutil -N
    // --empty-password" gives it, unless told otherwise); one with a password of the user's
    // cannot take keys without it.
    Hecho PrepararClaves(PK11SlotInfo* slot) {
        if (!slot)
            return Falla("No se puede abrir el almacén de claves de \"" + directorio_ + "\".");
        const char* pw = contrasenaBase_.c_str();
        if (PK11_NeedUserInit(slot) && PK11_InitPin(slot, nullptr, pw) != SECSuccess) {
            return Falla("No se puede preparar el almacén de certificados nuevo \"" + directorio_ +
                         "\": " + TextoErrorNss(PR_GetError()) + ".");
        }
        if (PK11_NeedLogin(slot) && !PK11_IsLoggedIn(slot, nullptr) &&
            PK11_CheckUserPassword(slot, pw) != SECSuccess) {
            if (!contrasenaBase_.empty()) return Falla(kContrasenaAlmacenIncorrecta);
            return Falla("El almacén de certificados \"" + directorio_ +
                         "\" está protegido con una contraseña maestra; importe el certificado "
                         "desde la configuración de certificados del navegador.");
        }
        return {};
    }

    // In the database already together with its key.
    static bool YaEsta(PK11SlotInfo* slot, SECItem& der) {
        CERTCertificate* cert = PK11_FindCertFromDERCertItem(slot, &der, nullptr);
        if (!cert) return false;
        SECKEYPrivateKey* clave = PK11_FindKeyByAnyCert(cert, nullptr);
        const bool conClave = clave != nullptr;
        if (clave) SECKEY_DestroyPrivateKey(clave);
        CERT_DestroyCertificate(cert);
        return conClave;
    }

    std::string directorio_;
    std::string contrasenaBase_;
};

}  // namespace

// The certificate, its chain and its key (encrypted under `clave`) as a PKCS #12 in memory.
bool ExportarPkcs12Nss(PK11SlotInfo* slot, CERTCertificate* cert, SECItem& clave,
                       std::string& salida) {
    static std::once_flag conversor;
    std::call_once(conversor, [] { PORT_SetUCS2_ASCIIConversionFunction(ConvertirUtf16); });
    SEC_PKCS12ExportContext* ctx = SEC_PKCS12CreateExportContext(nullptr, nullptr, slot, nullptr);
    if (!ctx) return false;
    SEC_PKCS12SafeInfo* seguro = nullptr;
    const bool ok = SEC_PKCS12AddPasswordIntegrity(ctx, &clave, SEC_OID_SHA256) == SECSuccess &&
                    (seguro = SEC_PKCS12CreateUnencryptedSafe(ctx)) != nullptr &&
                    SEC_PKCS12AddCertOrChainAndKey(
                        ctx, seguro, nullptr, cert, CERT_GetDefaultCertDB(), seguro, nullptr,
                        PR_TRUE, &clave, SEC_OID_AES_256_CBC, PR_TRUE) == SECSuccess &&
                    SEC_PKCS12Encode(ctx, AlBufer, &salida) == SECSuccess;
    SEC_PKCS12DestroyExportContext(ctx);
    return ok;
}

std::unique_ptr<ImportadorCertificados> CrearImportadorNss(const std::string& directorio) {
    return std::make_unique<ImportadorNss>(directorio);
}

Resultado<CertificadoImportado> ImportarPkcs12Nss(const std::string& directorio, std::string datos,
                                                  const std::string& contrasena,
                                                  const std::string& origen,
                                                  const std::string& contrasenaAlmacen) {
    return ImportadorNss(directorio, contrasenaAlmacen).ImportarDatos(datos, contrasena, origen);
}

}  // namespace marlevanta
