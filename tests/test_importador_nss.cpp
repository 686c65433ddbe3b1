// Importing real .p12 files made by openssl into NSS databases, new and existing, and reading a
// certificate's details back, compared with what openssl says of the same certificate.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <filesystem>
#include <map>
#include <sstream>

#include "ayudantes.h"
#include "platform/linux/u_almacenNss.h"
#include "platform/linux/u_detallesNss.h"
#include "platform/linux/u_importadorNss.h"
#include "platform/u_sistema.h"
#include "resultado_prueba.h"

using namespace marlevanta;
namespace fs = std::filesystem;

namespace {

const char* kClaveAna = "clave Ñandú 1";

std::string P12(const std::string& nombre) {
    return prueba::CarpetaP12() + "/" + nombre;
}

std::string Pem(const std::string& nombre) {
    return prueba::CarpetaP12() + "/" + nombre + ".pem";
}

// What follows the first "=" of openssl's answer ("sha1 Fingerprint=AB:CD" → "AB:CD").
std::string TrasIgual(const std::string& s) {
    return s.substr(s.find('=') + 1);
}

std::string SinDosPuntos(std::string s) {
    s.erase(std::remove(s.begin(), s.end(), ':'), s.end());
    return s;
}

std::string Huella(const std::string& nombre) {
    return SinDosPuntos(TrasIgual(prueba::OpenSsl(Pem(nombre), "-noout -fingerprint -sha1")));
}

std::vector<std::string> Huellas(const std::string& db) {
    std::vector<std::string> r;
    auto certs = CrearAlmacenNss(db)->LeerCertificados();
    EXPECT_TRUE(certs) << certs.motivo();
    if (certs) {
        for (const auto& c : *certs) r.push_back(c.huella);
    }
    return r;
}

class Importador : public testing::Test {
protected:
    // The user's database as NSS sees it on this machine: below a HOME of the test's own.
    std::string Db() const { return home_.path().toStdString() + "/.pki/nssdb"; }
    Resultado<CertificadoImportado> Importar(const std::string& p12, const std::string& clave) {
        return CrearImportadorNss(Db())->Importar(P12(p12), clave);
    }

    QTemporaryDir home_;
};

}  // namespace

TEST_F(Importador, EnUnUsuarioSinBaseLaCreaPrivadaYSinContrasenaYElCertificadoQuedaUsable) {
    ASSERT_FALSE(fs::exists(home_.path().toStdString() + "/.pki"));
    auto r = Importar("ana.p12", kClaveAna);
    ASSERT_TRUE(r) << r.motivo();
    EXPECT_EQ(r->huella, Huella("ana"));
    EXPECT_FALSE(r->yaEstaba);
    for (const std::string& c : {home_.path().toStdString() + "/.pki", Db()}) {
        struct stat st {};
        ASSERT_EQ(stat(c.c_str(), &st), 0) << c;
        EXPECT_EQ(st.st_mode & 0777, 0700u) << c;
    }
    // Listed as one of the user's: the issuer that came in the file has no key, so is not.
    EXPECT_EQ(Huellas(Db()), std::vector<std::string>{Huella("ana")});
    // The key is there and opens without any password: a browser can use it as it is.
    const std::string claves = prueba::Ejecutar("certutil -K -d 'sql:" + Db() + "' </dev/null");
    EXPECT_NE(claves.find("ana"), std::string::npos) << claves;
    const std::string lista = prueba::Ejecutar("certutil -L -d 'sql:" + Db() + "'");
    EXPECT_NE(lista.find("AC Importaci"), std::string::npos) << lista;  // the chain came too
}

TEST_F(Importador, EnUnaBaseQueYaExisteSeAnadeALoQueHabia) {
    prueba::Ejecutar("mkdir -p '" + Db() + "' && certutil -N -d 'sql:" + Db() +
                     "' --empty-password && pk12util -i '" + P12("luis.p12") + "' -d 'sql:" + Db() +
                     "' -W '' >/dev/null");
    ASSERT_EQ(Huellas(Db()), std::vector<std::string>{Huella("luis")});
    auto r = Importar("ana.p12", kClaveAna);
    ASSERT_TRUE(r) << r.motivo();
    auto huellas = Huellas(Db());
    std::sort(huellas.begin(), huellas.end());
    auto esperadas = std::vector<std::string>{Huella("luis"), Huella("ana")};
    std::sort(esperadas.begin(), esperadas.end());
    EXPECT_EQ(huellas, esperadas);
}

TEST_F(Importador, SinContrasenaConLaDeCifradosAntiguosYConUnaQueNoEsAscii) {
    auto sin = Importar("luis.p12", "");
    ASSERT_TRUE(sin) << sin.motivo();
    EXPECT_EQ(sin->huella, Huella("luis"));
    QTemporaryDir otro;
    auto viejo = CrearImportadorNss(otro.path().toStdString())->Importar(P12("viejo.p12"), "vieja");
    ASSERT_TRUE(viejo) << viejo.motivo();
    EXPECT_EQ(viejo->huella, Huella("luis"));
    // The same password without its accents is another password.
    auto casi = Importar("ana.p12", "clave Nandu 1");
    EXPECT_EQ(casi.motivo(), kContrasenaIncorrecta);
    ASSERT_TRUE(Importar("ana.p12", kClaveAna));
}

TEST_F(Importador, CadaFalloDiceLoQueElUsuarioPuedeHacerYNoCambiaNada) {
    ASSERT_TRUE(Importar("luis.p12", ""));
    const auto antes = Huellas(Db());

    EXPECT_EQ(Importar("ana.p12", "otra").motivo(), kContrasenaIncorrecta);
    EXPECT_EQ(Importar("ana.p12", "").motivo(), kContrasenaIncorrecta);
    const std::string sinClave = Importar("sinclave.p12", "clave").motivo();
    EXPECT_NE(sinClave.find("no contiene la clave privada"), std::string::npos) << sinClave;
    EXPECT_NE(sinClave.find("sinclave.p12"), std::string::npos) << sinClave;
    for (const char* roto : {"corrupto.p12", "cortado.p12", "ana.pem"}) {
        const std::string m = Importar(roto, kClaveAna).motivo();
        EXPECT_NE(m.find("no es un certificado PKCS #12"), std::string::npos) << roto << ": " << m;
    }
    const std::string falta = Importar("no-existe.p12", "").motivo();
    EXPECT_NE(falta.find("No se puede leer el archivo"), std::string::npos) << falta;
    EXPECT_EQ(Huellas(Db()), antes);
}

TEST_F(Importador, LaSegundaVezNoEscribeNadaYDiceQueYaEstaba) {
    auto primera = Importar("ana.p12", kClaveAna);
    ASSERT_TRUE(primera) << primera.motivo();
    const std::string antes = prueba::Ejecutar("certutil -L -d 'sql:" + Db() + "'");
    auto segunda = Importar("ana.p12", kClaveAna);
    ASSERT_TRUE(segunda) << segunda.motivo();
    EXPECT_TRUE(segunda->yaEstaba);
    EXPECT_EQ(segunda->huella, primera->huella);
    EXPECT_EQ(prueba::Ejecutar("certutil -L -d 'sql:" + Db() + "'"), antes);
    EXPECT_EQ(Huellas(Db()).size(), 1u);
}

TEST_F(Importador, UnaBaseEnUsoOConContrasenaMaestraSeExplica) {
    ASSERT_TRUE(Importar("luis.p12", ""));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((Db() + "/key4.db").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const std::string enUso = Importar("ana.p12", kClaveAna).motivo();
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    EXPECT_NE(enUso.find("en uso por otro programa"), std::string::npos) << enUso;
    EXPECT_EQ(Huellas(Db()).size(), 1u);
    EXPECT_TRUE(Importar("ana.p12", kClaveAna));  // once it is free

    QTemporaryDir protegida;
    const std::string p = protegida.path().toStdString();
    prueba::Ejecutar("echo maestra > '" + p + "/pw' && mkdir '" + p +
                     "/db' && certutil -N -d 'sql:" + p + "/db' -f '" + p + "/pw'");
    const std::string m =
        CrearImportadorNss(p + "/db")->Importar(P12("ana.p12"), kClaveAna).motivo();
    EXPECT_NE(m.find("contraseña maestra"), std::string::npos) << m;
}

TEST_F(Importador, ElDeLaPlataformaUsaLaBaseDelUsuario) {
    prueba::Entorno home("HOME", home_.path().toStdString());
    auto r = PlataformaDelSistema().importadorCertificados()->Importar(P12("luis.p12"), "");
    ASSERT_TRUE(r) << r.motivo();
    EXPECT_EQ(Huellas(Db()), std::vector<std::string>{Huella("luis")});
}

namespace {

// openssl's names of the usages, in the form the program keeps them.
std::vector<std::string> Usos(const std::string& texto,
                              const std::map<std::string, std::string>& nombres) {
    std::vector<std::string> r;
    std::istringstream partes(texto.substr(texto.find('\n') + 1));
    std::string parte;
    while (std::getline(partes, parte, ',')) {
        parte.erase(0, parte.find_first_not_of(" \n"));
        parte.erase(parte.find_last_not_of(" \n") + 1);
        const auto n = nombres.find(parte);
        r.push_back(n == nombres.end() ? "?" + parte : n->second);
    }
    return r;
}

std::int64_t Segundos(const std::string& fecha) {
    return std::stoll(prueba::Ejecutar("date -u -d '" + fecha + "' +%s"));
}

}  // namespace

TEST_F(Importador, LosDetallesSonLosQueOpensslLeeEnElMismoCertificado) {
    ASSERT_TRUE(Importar("ana.p12", kClaveAna));
    const std::string pem = Pem("ana");
    for (ViaNss via : {ViaNss::Automatica, ViaNss::Tablas, ViaNss::Api}) {
        // Any case: the grid keeps thumbprints as the store gives them.
        std::string huella = Huella("ana");
        for (char& c : huella) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        auto d = LeerDetallesNss(Db(), huella, via);
        ASSERT_TRUE(d) << d.motivo();
        const std::string nombres = " -noout -nameopt RFC2253,-esc_msb ";
        EXPECT_EQ(d->sujeto, TrasIgual(prueba::OpenSsl(pem, nombres + "-subject")));
        EXPECT_EQ(d->sujeto,
                  "CN=PÉREZ GARCÍA ANA - 12345678Z,SN=PÉREZ GARCÍA,GN=ANA,"
                  "serialNumber=IDCES-12345678Z,OU=Administración,O=Talleres Ruiz\\, S.L.,C=ES");
        EXPECT_EQ(d->emisor, TrasIgual(prueba::OpenSsl(pem, nombres + "-issuer")));
        EXPECT_EQ(d->numeroSerie, TrasIgual(prueba::OpenSsl(pem, "-noout -serial")));
        EXPECT_EQ(d->validoDesde, Segundos(TrasIgual(prueba::OpenSsl(pem, "-noout -startdate"))));
        EXPECT_EQ(d->validoHasta, Segundos(TrasIgual(prueba::OpenSsl(pem, "-noout -enddate"))));
        EXPECT_EQ(d->usosClave, Usos(prueba::OpenSsl(pem, "-noout -ext keyUsage"),
                                     {{"Digital Signature", "digitalSignature"},
                                      {"Non Repudiation", "nonRepudiation"},
                                      {"Key Encipherment", "keyEncipherment"}}));
        EXPECT_EQ(d->usosExtendidos, Usos(prueba::OpenSsl(pem, "-noout -ext extendedKeyUsage"),
                                          {{"TLS Web Client Authentication", "clientAuth"},
                                           {"E-mail Protection", "emailProtection"}}));
        std::vector<std::string> correos;
        for (auto& c : Usos(prueba::OpenSsl(pem, "-noout -ext subjectAltName"), {})) {
            correos.push_back(c.substr(c.find(':') + 1));
        }
        EXPECT_EQ(d->correos, correos);
        EXPECT_EQ(d->correos.size(), 2u);
        EXPECT_EQ(d->sha1, Huella("ana"));
        EXPECT_EQ(d->sha256,
                  SinDosPuntos(TrasIgual(prueba::OpenSsl(pem, "-noout -fingerprint -sha256"))));
        EXPECT_TRUE(d->clavePrivada);
    }
}

TEST_F(Importador, DetallesDeUnCertificadoSinClaveYDeUnoQueNoEsta) {
    ASSERT_TRUE(Importar("ana.p12", kClaveAna));
    const std::string ca = Huella("ca");
    auto emisor = LeerDetallesNss(Db(), ca);
    ASSERT_TRUE(emisor) << emisor.motivo();
    EXPECT_FALSE(emisor->clavePrivada);
    EXPECT_EQ(emisor->usosClave, (std::vector<std::string>{"keyCertSign", "cRLSign"}));
    EXPECT_TRUE(emisor->usosExtendidos.empty());
    EXPECT_TRUE(emisor->correos.empty());
    for (ViaNss via : {ViaNss::Tablas, ViaNss::Api}) {
        const std::string m = LeerDetallesNss(Db(), std::string(40, 'A'), via).motivo();
        EXPECT_NE(m.find("ya no está en el almacén"), std::string::npos) << m;
    }
    QTemporaryDir vacio;
    EXPECT_FALSE(LeerDetallesNss(vacio.path().toStdString(), ca));
}
