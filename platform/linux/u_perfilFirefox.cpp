#include "platform/linux/u_perfilFirefox.h"

#include <cert.h>
#include <certdb.h>
#include <fcntl.h>
#include <nss.h>
#include <pk11pub.h>
#include <pkcs11n.h>
#include <prerror.h>
#include <secitem.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "core/plataforma/u_detallesCertificado.h"
#include "platform/linux/u_archivoAtomico.h"
#include "platform/linux/u_cerrojoNss.h"
#include "platform/linux/u_detallesNss.h"
#include "platform/linux/u_importadorNss.h"
#include "platform/linux/u_textoNss.h"

namespace marlevanta {

namespace {

namespace fs = std::filesystem;

// "Select automatically" with one certificate only, and nothing that stands between the user
// and the first page.
constexpr const char* kPreferencias =
    "// Escrito por Marlevanta: Firefox presenta por s\xC3\xAD solo el \xC3\xBAnico certificado "
    "de este perfil.\n"
    "user_pref(\"security.default_personal_cert\", \"Select Automatically\");\n"
    "user_pref(\"browser.shell.checkDefaultBrowser\", false);\n"
    "user_pref(\"browser.aboutwelcome.enabled\", false);\n"
    "user_pref(\"browser.startup.homepage_override.mstone\", \"ignore\");\n"
    "user_pref(\"browser.startup.firstrunSkipsHomepage\", true);\n"
    "user_pref(\"startup.homepage_welcome_url\", \"\");\n"
    "user_pref(\"startup.homepage_welcome_url.additional\", \"\");\n"
    "user_pref(\"trailhead.firstrun.didSeeAboutWelcome\", true);\n"
    "user_pref(\"datareporting.policy.dataSubmissionPolicyBypassNotification\", true);\n"
    "user_pref(\"toolkit.telemetry.reportingpolicy.firstRun\", false);\n"
    "user_pref(\"browser.disableResetPrompt\", true);\n"
    "user_pref(\"browser.cache.disk.capacity\", 51200);\n"
    // The key database goes with the certificate: nothing may be kept under its key.
    "user_pref(\"signon.rememberSignons\", false);\n"
    "user_pref(\"identity.fxaccounts.enabled\", false);\n"
    "user_pref(\"extensions.formautofill.creditCards.enabled\", false);\n";

struct Autoridad {
    std::string der;
    CERTCertTrust confianza{};
};

struct Copia {
    std::string p12;
    std::string clave;  // the PKCS #12's password, made for this copy alone
    std::vector<Autoridad> autoridades;
    ~Copia() {
        std::fill(p12.begin(), p12.end(), '\0');
        std::fill(clave.begin(), clave.end(), '\0');
    }
};

// Signs in with the store's password when it has one; "" is no password.
Hecho Entrar(PK11SlotInfo* slot, const std::string& contrasena) {
    if (!PK11_NeedLogin(slot) || PK11_IsLoggedIn(slot, nullptr) ||
        PK11_CheckUserPassword(slot, "") == SECSuccess) {
        return {};
    }
    if (contrasena.empty()) return Falla(kFaltaContrasenaAlmacen);
    if (PK11_CheckUserPassword(slot, contrasena.c_str()) != SECSuccess) {
        return Falla(kContrasenaAlmacenIncorrecta);
    }
    return {};
}

// A trust object names its certificate by issuer and serial number, the number DER-encoded.
CERTCertificate* CertificadoDeConfianza(PK11GenericObject* objeto) {
    SECItem emisor{siBuffer, nullptr, 0};
    SECItem serie{siBuffer, nullptr, 0};
    CERTCertificate* cert = nullptr;
    if (PK11_ReadRawAttribute(PK11_TypeGeneric, objeto, CKA_ISSUER, &emisor) == SECSuccess &&
        PK11_ReadRawAttribute(PK11_TypeGeneric, objeto, CKA_SERIAL_NUMBER, &serie) == SECSuccess) {
        CERTIssuerAndSN ias{};
        ias.derIssuer = emisor;
        ias.serialNumber = serie;
        if (serie.len > 2 && serie.data[0] == 0x02 && serie.data[1] < 0x80 &&
            serie.data[1] == serie.len - 2) {
            ias.serialNumber.data = serie.data + 2;
            ias.serialNumber.len = serie.len - 2;
        }
        cert = CERT_FindCertByIssuerAndSN(CERT_GetDefaultCertDB(), &ias);
    }
    SECITEM_FreeItem(&emisor, PR_FALSE);
    SECITEM_FreeItem(&serie, PR_FALSE);
    return cert;
}

bool ConConfianza(const CERTCertTrust& t) {
    return (t.sslFlags | t.emailFlags | t.objectSigningFlags) != 0;
}

// The certificate with its key and chain out of the store, and the authorities the store trusts.
// The store is opened read-only: it is never written to.
Resultado<Copia> SacarDelAlmacen(const std::string& almacen, std::string der,
                                 const std::string& contrasena) {
    std::lock_guard<std::mutex> cerrojo(CerrojoNss());
    ContextoNss nss;
    const std::string config = "sql:" + almacen;
    nss.ctx_ = NSS_InitContext(config.c_str(), "", "", "", nullptr,
                               NSS_INIT_READONLY | NSS_INIT_NOROOTINIT);
    if (!nss.ctx_) {
        return Falla("No se puede abrir el almacén de certificados \"" + almacen + "\"" +
                     PorqueNss() + ".");
    }
    nss.slot_ = PK11_GetInternalKeySlot();
    if (!nss.slot_) return Falla("No se puede abrir el almacén de claves de \"" + almacen + "\".");
    if (auto h = Entrar(nss.slot_, contrasena); !h) return Fallo{h.motivo()};
    SECItem item{siBuffer, reinterpret_cast<unsigned char*>(der.data()),
                 static_cast<unsigned>(der.size())};
    CERTCertificate* cert = PK11_FindCertFromDERCertItem(nss.slot_, &item, nullptr);
    if (!cert) {
        return Falla("El certificado ya no está en el almacén \"" + almacen +
                     "\". Pulse F5 para volver a cargar la lista.");
    }
    Copia copia;
    unsigned char azar[24];
    if (PK11_GenerateRandom(azar, sizeof azar) != SECSuccess) {
        CERT_DestroyCertificate(cert);
        return Falla("No se ha podido preparar la copia de la clave" + PorqueNss() + ".");
    }
    copia.clave = HexMayusculas(azar, sizeof azar);
    PORT_Memset(azar, 0, sizeof azar);
    SECItem clave{siBuffer, reinterpret_cast<unsigned char*>(copia.clave.data()),
                  static_cast<unsigned>(copia.clave.size())};
    const bool exportado = ExportarPkcs12Nss(nss.slot_, cert, clave, copia.p12);
    CERT_DestroyCertificate(cert);
    if (!exportado) {
        return Falla("No se ha podido copiar la clave privada del certificado desde el almacén \"" +
                     almacen + "\"" + PorqueNss() + ".");
    }
    if (PK11GenericObject* objetos = PK11_FindGenericObjects(nss.slot_, CKO_NSS_TRUST)) {
        for (PK11GenericObject* o = objetos; o; o = PK11_GetNextGenericObject(o)) {
            CERTCertificate* ca = CertificadoDeConfianza(o);
            if (!ca) continue;
            // Authorities, and servers trusted by themselves; never a certificate of the user's.
            Autoridad a;
            if (CERT_GetCertTrust(ca, &a.confianza) == SECSuccess && ConConfianza(a.confianza) &&
                !((a.confianza.sslFlags | a.confianza.emailFlags | a.confianza.objectSigningFlags) &
                  CERTDB_USER) &&
                !SECITEM_ItemsAreEqual(&ca->derCert, &item)) {
                a.der.assign(reinterpret_cast<const char*>(ca->derCert.data), ca->derCert.len);
                copia.autoridades.push_back(std::move(a));
            }
            CERT_DestroyCertificate(ca);
        }
        PK11_DestroyGenericObjects(objetos);
    }
    return copia;
}

// The store's trust in each authority, given to the same certificate in the profile.
Hecho DarConfianza(const std::string& carpeta, std::vector<Autoridad>& autoridades,
                   const std::string& contrasena) {
    if (autoridades.empty()) return {};
    std::lock_guard<std::mutex> cerrojo(CerrojoNss());
    ContextoNss nss;
    const std::string config = "sql:" + carpeta;
    nss.ctx_ = NSS_InitContext(config.c_str(), "", "", "", nullptr, NSS_INIT_NOROOTINIT);
    if (!nss.ctx_) return Falla("No se puede abrir \"" + carpeta + "\"" + PorqueNss() + ".");
    nss.slot_ = PK11_GetInternalKeySlot();
    if (!nss.slot_) return Falla("No se puede abrir el almacén de claves de \"" + carpeta + "\".");
    if (auto h = Entrar(nss.slot_, contrasena); !h) return h;
    for (Autoridad& a : autoridades) {
        SECItem der{siBuffer, reinterpret_cast<unsigned char*>(a.der.data()),
                    static_cast<unsigned>(a.der.size())};
        CERTCertificate* c =
            CERT_NewTempCertificate(CERT_GetDefaultCertDB(), &der, nullptr, PR_FALSE, PR_TRUE);
        if (!c) {
            return Falla(
                "No se ha podido leer una autoridad de confianza del almacén para el "
                "perfil \"" +
                carpeta + "\"" + PorqueNss() + ".");
        }
        SECStatus s = SECSuccess;
        if (!c->isperm) {
            char* apodo = CERT_MakeCANickname(c);
            s = PK11_ImportCert(nss.slot_, c, CK_INVALID_HANDLE, apodo, PR_FALSE);
            PORT_Free(apodo);
        }
        if (s == SECSuccess) s = CERT_ChangeCertTrust(CERT_GetDefaultCertDB(), c, &a.confianza);
        const std::string nombre = TextoNss(CERT_GetCommonName(&c->subject));
        CERT_DestroyCertificate(c);
        if (s != SECSuccess) {
            return Falla("No se ha podido copiar la confianza en la autoridad \"" + nombre +
                         "\" al perfil \"" + carpeta + "\"" + PorqueNss() + ".");
        }
    }
    return {};
}

Hecho Escribir(const std::string& ruta, const std::string& texto) {
    if (auto h = EscribirArchivoAtomico(ruta, texto, ".marlevanta.", 0600); !h) {
        return Falla("No se puede escribir \"" + ruta + "\": " + h.motivo());
    }
    return {};
}

}  // namespace

Hecho PrepararPerfilFirefox(const std::string& carpeta, const std::string& almacen,
                            const ReglaCertificado& regla, const std::string& nombre) {
    std::error_code ec;
    fs::create_directories(carpeta, ec);
    if (ec) {
        return Falla("No se puede crear la carpeta del perfil \"" + carpeta +
                     "\": " + ec.message());
    }
    // Whom the user works for, and the key, are theirs alone: the profile and the program's
    // folders above it.
    const auto propia = carpeta.rfind("/Marlevanta/");
    const fs::path tope = propia == std::string::npos
                              ? fs::path(carpeta)
                              : fs::path(carpeta.substr(0, propia + std::strlen("/Marlevanta")));
    for (fs::path c = carpeta;; c = c.parent_path()) {
        fs::permissions(c, fs::perms::owner_all, ec);
        struct stat st {};
        if (lstat(c.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
            (st.st_mode & 077) != 0) {
            return Falla("La carpeta \"" + c.string() +
                         "\" no es solo de este usuario, y la clave no se copia a ella. "
                         "Compruebe su propietario y sus permisos (chmod 700).");
        }
        if (c == tope || !c.has_parent_path() || c == c.parent_path()) break;
    }
    auto der = LeerDerConClaveNss(almacen, regla.huella);
    if (!der) return Fallo{der.motivo()};
    auto copia = SacarDelAlmacen(almacen, std::move(*der), regla.contrasenaAlmacen);
    if (!copia) return Fallo{copia.motivo()};
    // A database left by an earlier certificate must not lend it to this run.
    if (auto h = VaciarPerfilFirefox(carpeta); !h) return Fallo{h.motivo()};
    const auto deshacer = [&carpeta](Hecho h) {
        (void)VaciarPerfilFirefox(carpeta);
        return h;
    };
    auto importado = ImportarPkcs12Nss(carpeta, copia->p12, copia->clave, "del almacén",
                                       regla.contrasenaAlmacen);
    if (!importado) {
        return deshacer(Falla("No se ha podido copiar el certificado al perfil de Firefox \"" +
                              carpeta + "\": " + importado.motivo()));
    }
    if (auto h = DarConfianza(carpeta, copia->autoridades, regla.contrasenaAlmacen); !h) {
        return deshacer(h);
    }
    QJsonObject marca{{QStringLiteral("huella"), QString::fromStdString(regla.huella)},
                      {QStringLiteral("nombre"), QString::fromStdString(nombre)}};
    if (auto h = Escribir(carpeta + "/user.js", kPreferencias); !h) return deshacer(h);
    const QByteArray texto = QJsonDocument(marca).toJson(QJsonDocument::Compact);
    if (auto h = Escribir(carpeta + "/" + kMarcaPerfilFirefox, texto.toStdString()); !h)
        return deshacer(h);
    return {};
}

}  // namespace marlevanta
