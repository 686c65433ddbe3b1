// Certificate names as the certificate holds them, from a real NSS database to the browser's
// rule, and what the table shows of them; certificates the rule cannot tell apart.
#include <cert.h>
#include <cryptohi.h>
#include <gtest/gtest.h>
#include <keyhi.h>
#include <nss.h>
#include <pk11pub.h>
#include <secasn1.h>
#include <secder.h>
#include <secoid.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <fstream>

#include "ayudantes.h"
#include "core/u_cargaCertificados.h"
#include "core/u_gemelos.h"
#include "core/u_tablaCertificados.h"
#include "platform/linux/u_almacenNss.h"
#include "platform/linux/u_politicasArchivos.h"
#include "platform/linux/u_reglaPerfil.h"
#include "resultado_prueba.h"

using namespace marlevanta;

namespace {

// DER pieces, so that a name holds exactly the bytes given (openssl refuses a common name over
// 64 characters and escapes others on the way in).
std::string Tlv(unsigned char etiqueta, const std::string& contenido) {
    std::string r(1, static_cast<char>(etiqueta));
    const size_t n = contenido.size();
    if (n < 0x80) {
        r += static_cast<char>(n);
    } else if (n < 0x100) {
        r += '\x81';
        r += static_cast<char>(n);
    } else {
        r += '\x82';
        r += static_cast<char>(n >> 8);
        r += static_cast<char>(n & 0xFF);
    }
    return r + contenido;
}

// A name of one common name, a UTF8String, after an organisation (the browser takes the first
// CN, wherever it stands).
std::string NombreDer(const std::string& cn) {
    const std::string o =
        Tlv(0x31, Tlv(0x30, std::string("\x06\x03\x55\x04\x0A", 5) + Tlv(0x0C, "Organización")));
    const std::string c =
        Tlv(0x31, Tlv(0x30, std::string("\x06\x03\x55\x04\x03", 5) + Tlv(0x0C, cn)));
    return Tlv(0x30, o + c);
}

struct Nuevo {
    std::string sujeto;
    std::string emisor;
    int diasDesde;  // start, days from now
    int diasHasta;  // end, days from now
};

// Certificates with a private key of their own, made and imported straight into the database
// `dir` with NSS.
void Importar(const std::string& dir, const std::vector<Nuevo>& nuevos) {
    prueba::Ejecutar("certutil -N -d 'sql:" + dir + "' --empty-password");
    const std::string config = "sql:" + dir;
    NSSInitContext* ctx = NSS_InitContext(config.c_str(), "", "", "", nullptr, 0);
    ASSERT_NE(ctx, nullptr);
    PK11SlotInfo* slot = PK11_GetInternalKeySlot();
    SECOidData* curva = SECOID_FindOIDByTag(SEC_OID_ANSIX962_EC_PRIME256V1);
    std::string oid(1, static_cast<char>(SEC_ASN1_OBJECT_ID));
    oid += static_cast<char>(curva->oid.len);
    oid.append(reinterpret_cast<const char*>(curva->oid.data), curva->oid.len);
    SECItem parametros = {siBuffer, reinterpret_cast<unsigned char*>(oid.data()),
                          static_cast<unsigned>(oid.size())};
    int serie = 1;
    for (const Nuevo& n : nuevos) {
        SECKEYPublicKey* publica = nullptr;
        SECKEYPrivateKey* privada = PK11_GenerateKeyPair(slot, CKM_EC_KEY_PAIR_GEN, &parametros,
                                                         &publica, PR_TRUE, PR_TRUE, nullptr);
        ASSERT_NE(privada, nullptr);
        PLArenaPool* arena = PORT_NewArena(DER_DEFAULT_CHUNKSIZE);
        const std::string derSujeto = NombreDer(n.sujeto);
        const std::string derEmisor = NombreDer(n.emisor);
        CERTName sujeto{}, emisor{};
        SECItem s = {siBuffer, (unsigned char*)derSujeto.data(), unsigned(derSujeto.size())};
        SECItem e = {siBuffer, (unsigned char*)derEmisor.data(), unsigned(derEmisor.size())};
        ASSERT_EQ(SEC_QuickDERDecodeItem(arena, &sujeto, SEC_ASN1_GET(CERT_NameTemplate), &s),
                  SECSuccess);
        ASSERT_EQ(SEC_QuickDERDecodeItem(arena, &emisor, SEC_ASN1_GET(CERT_NameTemplate), &e),
                  SECSuccess);
        const PRTime dia = 86400LL * 1000000LL;
        const PRTime ahora = PR_Now();
        CERTValidity* validez =
            CERT_CreateValidity(ahora + n.diasDesde * dia, ahora + n.diasHasta * dia);
        CERTSubjectPublicKeyInfo* spki = SECKEY_CreateSubjectPublicKeyInfo(publica);
        CERTCertificateRequest* peticion = CERT_CreateCertificateRequest(&sujeto, spki, nullptr);
        CERTCertificate* cert = CERT_CreateCertificate(serie++, &emisor, validez, peticion);
        SEC_ASN1EncodeInteger(cert->arena, &cert->version, SEC_CERTIFICATE_VERSION_3);
        SECOID_SetAlgorithmID(cert->arena, &cert->signature,
                              SEC_OID_ANSIX962_ECDSA_SHA256_SIGNATURE, nullptr);
        SECItem der = {siBuffer, nullptr, 0};
        SEC_ASN1EncodeItem(cert->arena, &der, cert, SEC_ASN1_GET(CERT_CertificateTemplate));
        SECItem firmado = {siBuffer, nullptr, 0};
        ASSERT_EQ(SEC_DerSignData(cert->arena, &firmado, der.data, int(der.len), privada,
                                  SEC_OID_ANSIX962_ECDSA_SHA256_SIGNATURE),
                  SECSuccess);
        // Appended, not "c" + std::to_string(serie): see TextoAEntero's test.
        std::string apodo = std::string("c").append(std::to_string(serie));
        ASSERT_EQ(PK11_ImportDERCert(slot, &firmado, CK_INVALID_HANDLE, apodo.data(), PR_FALSE),
                  SECSuccess);
        CERT_DestroyCertificate(cert);
        CERT_DestroyCertificateRequest(peticion);
        SECKEY_DestroySubjectPublicKeyInfo(spki);
        CERT_DestroyValidity(validez);
        SECKEY_DestroyPublicKey(publica);
        SECKEY_DestroyPrivateKey(privada);
        PORT_FreeArena(arena, PR_FALSE);
    }
    PK11_FreeSlot(slot);
    NSS_ShutdownContext(ctx);
}

std::string Leer(const std::string& ruta) {
    std::ifstream f(ruta, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

QJsonObject Json(const std::string& texto) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(texto)).object();
}

QJsonObject FiltroPerfil(const std::string& carpeta) {
    QJsonValue v = Json(Leer(carpeta + "/Default/Preferences"));
    for (const char* c : {"profile", "content_settings", "exceptions", "auto_select_certificate",
                          "https://*,*", "setting", "filters"}) {
        v = v.toObject().value(QLatin1String(c));
    }
    return v.toArray().at(0).toObject();
}

QJsonObject FiltroPolitica(const std::string& archivo) {
    const QJsonArray l = Json(Leer(archivo)).value("AutoSelectCertificateForUrls").toArray();
    return Json(l.at(0).toString().toStdString()).value("filter").toObject();
}

std::string Cn(const QJsonObject& filtro, const char* quien) {
    return filtro.value(quien).toObject().value("CN").toString().toUtf8().toStdString();
}

std::string Largo() {
    std::string r;
    for (int i = 0; r.size() < 300; ++i) {
        r += (i % 10 == 9) ? std::string("\xC3\x91") : std::string(1, char('A' + i % 26));
    }
    return r;
}

const std::string kEmisor = "EMISOR \"Ñ\" \\, S.A.";

RegistroCertificado Fila(const QString& sujeto, const QString& emisor, int desde, int hasta,
                         const QString& clave, const QDateTime& ahora) {
    RegistroCertificado r;
    r.emitido_para = sujeto;
    r.emitido_por = emisor;
    r.inicio_validez = ahora.addDays(desde).toSecsSinceEpoch();
    r.fin_validez = ahora.addDays(hasta).toSecsSinceEpoch();
    r.fecha_emision = ahora.addDays(desde).date();
    r.fecha_caducidad = ahora.addDays(hasta).date();
    r.key_for_alias = clave;
    return r;
}

}  // namespace

TEST(Nombres, LoQueNoSePuedeVerSeVeYNadaDaLaVueltaALaFila) {
    const QString r(QChar(0xFFFD));
    EXPECT_EQ(NombreVisible("ÑÚÑEZ \"EL\" \\ - 1Z"), "ÑÚÑEZ \"EL\" \\ - 1Z");
    EXPECT_EQ(NombreVisible(std::string("A\0B\x01\x1f\x7f", 6)),
              QString("A") + QChar(0x2400) + "B" + QChar(0x2401) + QChar(0x241F) + QChar(0x2421));
    EXPECT_EQ(NombreVisible("x\xC2\x85y"), "x" + r + "y");  // C1
    EXPECT_EQ(NombreVisible("\xC3\x28"), r + "(");          // cut short
    EXPECT_EQ(NombreVisible("\xC0\xAF"), r + r);            // overlong
    EXPECT_EQ(NombreVisible("\xED\xA0\x80"), r + r + r);    // surrogate
    EXPECT_EQ(NombreVisible("\xF0\x9D\x84\x9E"), QString::fromUtf8("\xF0\x9D\x84\x9E"));
    // Right-to-left override, isolates and separators: turned into U+FFFD.
    EXPECT_EQ(NombreVisible("ABC\u202EFED\u2066X\u2069\u2028"),
              "ABC" + r + "FED" + r + "X" + r + r);
    EXPECT_EQ(NombreVisible("\u05D0\u05D1 \u200F"), QString::fromUtf8("\u05D0\u05D1 \u200F"));
    EXPECT_EQ(Aislado("ABC"), QChar(0x2068) + QString("ABC") + QChar(0x2069));
    RegistroCertificado f;
    f.emitido_para = "ANA";
    f.alias = " Ebro ";
    EXPECT_EQ(DescripcionAislada(f), Aislado("Ebro") + " - " + Aislado("ANA"));
}

TEST(Nombres, DeLaBaseNssALaReglaByteAByte) {
    QTemporaryDir dir;
    const std::string db = dir.path().toStdString() + "/nssdb";
    std::filesystem::create_directories(db);
    const std::vector<std::string> nombres = {
        "CARLOS \"EL\" BARRA\\ - 33333333C",
        "#ACME, S.A. + <SUR>=1; \"Q\" / x",
        "  BLANCOS DELANTE Y DETRÁS  ",
        "JOSÉ MARÍA ÑÚÑEZ Çà ü €",
        std::string("CTRL\x01X\x1fY", 8),
        Largo(),
        "ABC\u202EFED",
    };
    std::vector<Nuevo> nuevos;
    for (const auto& n : nombres) nuevos.push_back({n, kEmisor, -1, 365});
    Importar(db, nuevos);

    auto leidos = CrearAlmacenNss(db)->LeerCertificados();
    ASSERT_TRUE(leidos) << leidos.motivo();
    ASSERT_EQ(leidos->size(), nombres.size());
    for (size_t i = 0; i < nombres.size(); ++i) {
        EXPECT_EQ((*leidos)[i].emitidoPara, nombres[i]) << i;  // never escaped, never cut
        EXPECT_EQ((*leidos)[i].emitidoPor, kEmisor) << i;
    }
    // The way NSS's API reads the same database gives the same names.
    auto api = CrearAlmacenNss(db, ViaNss::Api)->LeerCertificados();
    ASSERT_TRUE(api);
    for (size_t i = 0; i < nombres.size(); ++i) EXPECT_EQ((*api)[i].emitidoPara, nombres[i]);

    TTablaCertificados tabla;
    tabla.Open();
    tabla.Reemplazar(
        TTablaCertificados::Preparar(FilasDeAlmacen(*leidos, {}, QDateTime::currentDateTime())));
    ASSERT_EQ(tabla.TotalFilas(), int(nombres.size()));
    const auto fila = [&](size_t i) { return tabla.FilaCargada(int(i)); };
    // What the row shows.
    EXPECT_EQ(fila(0).emitido_para, QString::fromUtf8(nombres[0].c_str()));
    EXPECT_EQ(fila(2).emitido_para, "  BLANCOS DELANTE Y DETRÁS  ");
    EXPECT_EQ(fila(4).emitido_para, "CTRL" + QString(QChar(0x2401)) + "X" + QChar(0x241F) + "Y");
    EXPECT_EQ(fila(5).emitido_para.size(), 250);  // the field's width
    EXPECT_TRUE(QString::fromStdString(nombres[5]).startsWith(fila(5).emitido_para));
    EXPECT_EQ(fila(6).emitido_para, "ABC" + QString(QChar(0xFFFD)) + "FED");
    EXPECT_EQ(fila(0).emitido_por, QString::fromStdString(kEmisor));
    // The certificate's own bytes go with the row only when it shows something else.
    EXPECT_TRUE(fila(0).emitido_para_real.isEmpty());
    EXPECT_TRUE(fila(0).emitido_por_real.isEmpty());
    EXPECT_FALSE(fila(4).emitido_para_real.isEmpty());
    EXPECT_FALSE(fila(5).emitido_para_real.isEmpty());

    // What the rule carries: the whole name, exactly, in the profile and in the policy.
    const std::string raiz = dir.path().toStdString() + "/politicas";
    for (size_t i = 0; i < nombres.size(); ++i) {
        const ReglaCertificado regla{SujetoReal(fila(i)), EmisorReal(fila(i))};
        EXPECT_EQ(regla.sujeto, nombres[i]) << i;
        EXPECT_EQ(regla.emisor, kEmisor) << i;
        const std::string perfil = dir.path().toStdString() + "/perfil";
        ASSERT_TRUE(EscribirReglaPerfil(perfil, regla));
        EXPECT_EQ(Cn(FiltroPerfil(perfil), "SUBJECT"), nombres[i]) << i;
        EXPECT_EQ(Cn(FiltroPerfil(perfil), "ISSUER"), kEmisor) << i;
        ASSERT_TRUE(EscribirPoliticaArchivos(raiz, Navegador::Edge, regla));
        const std::string archivo =
            CarpetasPoliticas(Navegador::Edge, raiz)[0] + "/" + ArchivoPolitica(getuid());
        EXPECT_EQ(Cn(FiltroPolitica(archivo), "SUBJECT"), nombres[i]) << i;
        EXPECT_EQ(Cn(FiltroPolitica(archivo), "ISSUER"), kEmisor) << i;
    }
}

TEST(Nombres, ElPrimerNombreComunComoLoLeeElNavegador) {
    // Two common names: the browser compares the first; NSS's own call would give the last,
    // escaped.
    QTemporaryDir dir;
    const std::string db = dir.path().toStdString();
    prueba::Ejecutar("cd '" + db +
                     "' && openssl req -x509 -newkey ec -pkeyopt "
                     "ec_paramgen_curve:P-256 -nodes -keyout k.pem -out c.pem -days 2 -utf8 "
                     "-subj '/CN=PRIMERO \"A\"/O=Org/CN=SEGUNDO' 2>/dev/null && openssl pkcs12 "
                     "-export -inkey k.pem -in c.pem -name x -out c.p12 -passout pass: && "
                     "certutil -N -d sql:. --empty-password && pk12util -i c.p12 -d sql:. -W '' "
                     ">/dev/null");
    auto leidos = CrearAlmacenNss(db)->LeerCertificados();
    ASSERT_TRUE(leidos) << leidos.motivo();
    ASSERT_EQ(leidos->size(), 1u);
    EXPECT_EQ((*leidos)[0].emitidoPara, "PRIMERO \"A\"");
    EXPECT_EQ((*leidos)[0].emitidoPor, "PRIMERO \"A\"");
}

TEST(Gemelos, ElAvisoDiceCualPresentaraElNavegador) {
    const QDateTime ahora = QDateTime::currentDateTime();
    TTablaCertificados tabla;
    tabla.Open();
    const QString nombre = "GEMELO \"G\" - 1Z";
    tabla.Reemplazar(TTablaCertificados::Preparar({
        Fila(nombre, "AC UNO", -400, 300, "VIEJO", ahora),
        Fila(nombre, "AC UNO", -10, 700, "NUEVO", ahora),
        Fila(nombre, "AC DOS", -10, 900, "OTRA-AC", ahora),
        Fila(nombre, "AC UNO", -900, -1, "CADUCADO", ahora),
        Fila("SOLO", "AC UNO", -10, 100, "SOLO", ahora),
    }));
    const auto fila = [&](const char* clave) {
        for (int i = 0; i < tabla.TotalFilas(); ++i) {
            if (tabla.FilaCargada(i).key_for_alias == clave) return tabla.FilaCargada(i);
        }
        return RegistroCertificado{};
    };
    // The issuer tells them apart; a renewal from the same issuer does not.
    const auto delFiltro = CertificadosDelFiltro(tabla, fila("VIEJO"), ahora);
    ASSERT_EQ(delFiltro.size(), 3u);
    EXPECT_EQ(delFiltro[0].key_for_alias, "NUEVO");  // valid, latest end
    EXPECT_EQ(delFiltro[1].key_for_alias, "VIEJO");
    EXPECT_EQ(delFiltro[2].key_for_alias, "CADUCADO");  // expired last

    const QString viejo = AvisoGemelos(tabla, fila("VIEJO"), ahora);
    EXPECT_TRUE(viejo.startsWith("Tiene 3 certificados con el mismo nombre («" + Aislado(nombre) +
                                 "») y el mismo emisor («" + Aislado("AC UNO") + "»)"))
        << viejo.toStdString();
    const QString fin = ahora.addDays(700).date().toString("dd/MM/yyyy");
    EXPECT_TRUE(viejo.contains("presentará el válido desde el " +
                               ahora.addDays(-10).date().toString("dd/MM/yyyy") + " hasta el " +
                               fin + ", no el elegido"))
        << viejo.toStdString();
    EXPECT_TRUE(viejo.endsWith("¿Desea continuar?"));
    const QString nuevo = AvisoGemelos(tabla, fila("NUEVO"), ahora);
    EXPECT_TRUE(nuevo.contains("presentará el elegido (válido desde el")) << nuevo.toStdString();
    EXPECT_EQ(AvisoGemelos(tabla, fila("OTRA-AC"), ahora), "");
    EXPECT_EQ(AvisoGemelos(tabla, fila("SOLO"), ahora), "");
    // An expired one chosen beside a valid one: the valid one is presented.
    EXPECT_TRUE(AvisoGemelos(tabla, fila("CADUCADO"), ahora).contains("no el elegido"));

    // Two that differ in nothing the browser looks at: it may present either.
    TTablaCertificados iguales;
    iguales.Open();
    iguales.Reemplazar(TTablaCertificados::Preparar(
        {Fila("X", "AC", -1, 10, "A", ahora), Fila("X", "AC", -1, 10, "B", ahora)}));
    EXPECT_TRUE(AvisoGemelos(iguales, iguales.FilaCargada(1), ahora)
                    .contains("presentará cualquiera de ellos, no necesariamente el elegido."));
    // One valid and one expired, the valid one chosen: nothing to tell.
    TTablaCertificados renovado;
    renovado.Open();
    renovado.Reemplazar(TTablaCertificados::Preparar(
        {Fila("X", "AC", -400, -2, "A", ahora), Fila("X", "AC", -1, 10, "B", ahora)}));
    EXPECT_EQ(AvisoGemelos(renovado, renovado.FilaCargada(1), ahora), "");
}
