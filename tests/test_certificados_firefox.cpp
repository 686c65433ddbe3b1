// Copying certificates from real Firefox-format profiles (cert9.db and key4.db made by certutil
// and pk12util, listed in a real profiles.ini) into the user's store below a HOME of the test's
// own. The profile must come out byte for byte as it went in.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "ayudantes.h"
#include "platform/linux/u_almacenNss.h"
#include "platform/linux/u_certificadosFirefox.h"
#include "resultado_prueba.h"

using namespace marlevanta;
namespace fs = std::filesystem;

namespace {

const char* kClaveAna = "clave Ñandú 1";
// Accents, a quotation mark and a backslash: each means something to a shell or to NSS's
// configuration strings.
const char* kRaroPerfil = "Perfiles/Ñandú \"casa\" \\ trabajo.default-release";

std::string P12(const std::string& nombre) {
    return prueba::CarpetaP12() + "/" + nombre + ".p12";
}

std::string Pem(const std::string& nombre) {
    return prueba::CarpetaP12() + "/" + nombre + ".pem";
}

std::string Sha256(const std::string& nombre) {
    return prueba::HuellaPem(Pem(nombre), "sha256");
}

void Escribir(const std::string& ruta, const std::string& texto) {
    fs::create_directories(fs::path(ruta).parent_path());
    std::ofstream(ruta, std::ios::binary) << texto;
}

class Firefox : public testing::Test {
protected:
    std::string Home() const { return home_.path().toStdString(); }
    std::string Almacen() const { return Home() + "/.pki/nssdb"; }
    std::string Base() const { return Home() + "/.mozilla/firefox"; }

    // A profile's database as Firefox makes it, with these .p12 files (name, password) in it.
    std::string Perfil(const std::string& carpeta, const std::string& contrasena,
                       const std::vector<std::pair<std::string, std::string>>& p12) {
        const std::string d = Base() + "/" + carpeta;
        prueba::BaseFirefox(d, contrasena, p12);
        return d;
    }

    void EnAlmacen(const std::string& nombre, const std::string& clave) {
        fs::create_directories(Almacen());
        if (!fs::exists(Almacen() + "/cert9.db")) {
            prueba::Ejecutar("certutil -N -d " + prueba::Citado("sql:" + Almacen()) +
                             " --empty-password");
        }
        prueba::Ejecutar("pk12util -i " + prueba::Citado(P12(nombre)) + " -d " +
                         prueba::Citado("sql:" + Almacen()) + " -W " + prueba::Citado(clave) +
                         " 2>&1");
    }

    // How many certificates with a key the user's store lists with this SHA-256.
    size_t VecesEnAlmacen(const std::string& sha256) {
        auto certs = CrearAlmacenNss(Almacen())->LeerCertificados();
        EXPECT_TRUE(certs) << certs.motivo();
        if (!certs) return 0;
        return static_cast<size_t>(std::count_if(
            certs->begin(), certs->end(), [&](auto& c) { return c.huellaSha256 == sha256; }));
    }

    // The store holds the certificate's own private key, under the nickname the .p12 file gave
    // it: exported with pk12util, its public half is the one of the key the certificate was
    // made with.
    void ClaveCopiada(const std::string& nombre) {
        const std::string p12 = Home() + "/exportado.p12";
        prueba::Ejecutar("pk12util -o " + prueba::Citado(p12) + " -n " + nombre + " -d " +
                         prueba::Citado("sql:" + Almacen()) + " -W x 2>&1");
        const std::string copiada =
            prueba::Ejecutar("openssl pkcs12 -in " + prueba::Citado(p12) +
                             " -nocerts -nodes -passin pass:x | openssl pkey -pubout");
        const std::string original =
            prueba::Ejecutar("openssl pkey -pubout -in " +
                             prueba::Citado(prueba::CarpetaP12() + "/" + nombre + ".key"));
        EXPECT_NE(original.find("PUBLIC KEY"), std::string::npos);
        EXPECT_EQ(copiada, original) << nombre;
        fs::remove(p12);
    }

    QTemporaryDir home_;
    prueba::Entorno entorno_{"HOME", home_.path().toStdString()};
};

const CertificadoFirefox* Buscar(const CertificadosPerfil& p, const std::string& sha256) {
    for (const auto& c : p.certificados) {
        if (c.datos.huellaSha256 == sha256) return &c;
    }
    return nullptr;
}

}  // namespace

TEST_F(Firefox, EncuentraLosPerfilesDeLasTresInstalacionesYSuPredeterminado) {
    EXPECT_TRUE(CrearCertificadosFirefoxNss({}, {})->PerfilesFirefox().empty());

    fs::create_directories(Base() + "/" + kRaroPerfil);
    fs::create_directories(Base() + "/viejo.default");
    fs::create_directories(Home() + "/fuera");
    Escribir(Base() + "/profiles.ini",
             "\xEF\xBB\xBF[General]\r\nStartWithLastProfile=1\r\n\r\n"
             "[Profile0]\r\nName=viejo\r\nIsRelative=1\r\nPath=viejo.default\r\nDefault=1\r\n\r\n"
             "[Profile1]\r\nName=Ñandú \"casa\" \\ trabajo\r\nIsRelative=1\r\nPath=" +
                 std::string(kRaroPerfil) +
                 "\r\n\r\n"
                 "[Profile2]\r\nName=borrado\r\nIsRelative=1\r\nPath=ya-no-existe\r\n\r\n"
                 "[Profile3]\r\nName=absoluto\r\nIsRelative=0\r\nPath=" +
                 Home() + "/fuera\r\n");
    // The installation's choice wins over the older Default=1.
    Escribir(Base() + "/installs.ini",
             "[Install4F96D1932A9F858E]\nDefault=" + std::string(kRaroPerfil) + "\nLocked=1\n");
    // The snap's one profile, with no mark of default at all; a damaged list for Flatpak.
    const std::string snap = Home() + "/snap/firefox/common/.mozilla/firefox";
    fs::create_directories(snap + "/solo.default");
    Escribir(snap + "/profiles.ini", "[Profile0]\nPath=solo.default\nIsRelative=1\n");
    std::string basura(4096, '\0');
    for (size_t i = 0; i < basura.size(); ++i) basura[i] = static_cast<char>((i * 131) % 251);
    Escribir(Home() + "/.var/app/org.mozilla.firefox/.mozilla/firefox/profiles.ini",
             basura + "\n[Profile0\nPath\n=\n[]\nPath=..\n");

    const auto perfiles = CrearCertificadosFirefoxNss({}, {})->PerfilesFirefox();
    std::map<std::string, PerfilFirefox> porNombre;
    for (const auto& p : perfiles) porNombre[p.nombre] = p;
    ASSERT_EQ(perfiles.size(), 4u);
    EXPECT_EQ(porNombre.count("borrado"), 0u);

    const auto& raro = porNombre.at("Ñandú \"casa\" \\ trabajo");
    EXPECT_EQ(raro.ruta, Base() + "/" + kRaroPerfil);
    EXPECT_EQ(raro.instalacion, "Firefox");
    EXPECT_TRUE(raro.predeterminado);
    EXPECT_FALSE(porNombre.at("viejo").predeterminado);
    EXPECT_EQ(porNombre.at("absoluto").ruta, Home() + "/fuera");
    EXPECT_FALSE(porNombre.at("absoluto").predeterminado);
    const auto& solo = porNombre.at("solo.default");
    EXPECT_EQ(solo.instalacion, "Firefox (snap)");
    EXPECT_EQ(solo.ruta, snap + "/solo.default");
    EXPECT_TRUE(solo.predeterminado);
}

// The profile's folder holds accents, a quotation mark and a backslash; luis is in the user's
// store already.
TEST_F(Firefox, CopiaLoQueFaltaConSuClaveSinDuplicarYSinTocarElPerfil) {
    const std::string perfil = Perfil(kRaroPerfil, "", {{"ana", kClaveAna}, {"luis", ""}});
    EnAlmacen("luis", "");
    const auto antes = prueba::HuellasArchivos(perfil);
    auto ff = CrearCertificadosFirefoxNss({}, {});

    auto leido = ff->Leer(perfil);
    ASSERT_TRUE(leido) << leido.motivo();
    EXPECT_FALSE(leido->conContrasena);
    ASSERT_EQ(leido->certificados.size(), 2u);  // the issuing CA has no key there
    const auto* ana = Buscar(*leido, Sha256("ana"));
    const auto* luis = Buscar(*leido, Sha256("luis"));
    ASSERT_TRUE(ana && luis);
    EXPECT_FALSE(ana->enAlmacen);
    EXPECT_TRUE(luis->enAlmacen);
    EXPECT_EQ(ana->datos.emitidoPara, "PÉREZ GARCÍA ANA - 12345678Z");
    // "notAfter=Mar  4 10:00:00 2027 GMT" against "Thu, 04 Mar 2027 10:00:00 GMT".
    std::istringstream fin(prueba::OpenSsl(Pem("ana"), "-noout -enddate").substr(9));
    std::string mes, dia, hora, ano;
    fin >> mes >> dia >> hora >> ano;
    if (dia.size() == 1) dia = "0" + dia;
    EXPECT_EQ(ana->datos.validoHasta.substr(5), dia + " " + mes + " " + ano + " " + hora + " GMT");

    // A fingerprint the profile does not have: nothing is copied.
    auto ajena = ff->Copiar(perfil, {Sha256("ana"), std::string(64, 'A')}, "");
    ASSERT_FALSE(ajena);
    EXPECT_NE(ajena.motivo().find(std::string(64, 'A')), std::string::npos) << ajena.motivo();
    EXPECT_EQ(VecesEnAlmacen(Sha256("ana")), 0u);

    std::string minusculas = Sha256("ana");
    std::transform(minusculas.begin(), minusculas.end(), minusculas.begin(), ::tolower);
    auto copia = ff->Copiar(perfil, {minusculas}, "");
    ASSERT_TRUE(copia) << copia.motivo();
    ASSERT_EQ(copia->size(), 1u);
    EXPECT_EQ(copia->front().huella, ana->datos.huella);
    EXPECT_FALSE(copia->front().yaEstaba);
    EXPECT_EQ(VecesEnAlmacen(Sha256("ana")), 1u);
    ClaveCopiada("ana");
    // Its issuer came along, as from a .p12 file.
    const std::string lista =
        prueba::Ejecutar("certutil -L -d " + prueba::Citado("sql:" + Almacen()));
    EXPECT_NE(lista.find("AC Importación"), std::string::npos) << lista;

    // All of them: both are there already, and the store keeps one of each.
    auto todos = ff->Copiar(perfil, {}, "");
    ASSERT_TRUE(todos) << todos.motivo();
    ASSERT_EQ(todos->size(), 2u);
    for (const auto& c : *todos) EXPECT_TRUE(c.yaEstaba) << c.huella;
    EXPECT_EQ(VecesEnAlmacen(Sha256("ana")), 1u);
    EXPECT_EQ(VecesEnAlmacen(Sha256("luis")), 1u);
    auto despues = ff->Leer(perfil);
    ASSERT_TRUE(despues);
    for (const auto& c : despues->certificados) EXPECT_TRUE(c.enAlmacen);

    EXPECT_EQ(prueba::HuellasArchivos(perfil), antes);
}

TEST_F(Firefox, UnPerfilConContrasenaSeLeeSinEllaYSeCopiaSoloConLaBuena) {
    const std::string clave = "contraseña maestra ñ";
    const std::string perfil = Perfil("c.default", clave, {{"ana", kClaveAna}});
    const auto antes = prueba::HuellasArchivos(perfil);
    auto ff = CrearCertificadosFirefoxNss({}, {});

    auto leido = ff->Leer(perfil);
    ASSERT_TRUE(leido) << leido.motivo();
    EXPECT_TRUE(leido->conContrasena);
    ASSERT_EQ(leido->certificados.size(), 1u);
    EXPECT_EQ(leido->certificados[0].datos.huellaSha256, Sha256("ana"));

    for (const std::string& mala : {std::string(), std::string("otra")}) {
        auto r = ff->Copiar(perfil, {}, mala);
        ASSERT_FALSE(r) << "password \"" << mala << "\"";
        EXPECT_EQ(r.motivo(), kContrasenaIncorrecta);
    }
    EXPECT_EQ(VecesEnAlmacen(Sha256("ana")), 0u);

    auto copia = ff->Copiar(perfil, {}, clave);
    ASSERT_TRUE(copia) << copia.motivo();
    ASSERT_EQ(copia->size(), 1u);
    EXPECT_FALSE(copia->front().yaEstaba);
    ClaveCopiada("ana");
    EXPECT_EQ(prueba::HuellasArchivos(perfil), antes);
}

TEST_F(Firefox, UnPerfilDanadoLoDiceYNoEstropeaNadaMas) {
    EnAlmacen("luis", "");
    const std::string bueno = Perfil("b.default", "", {{"ana", kClaveAna}});
    const std::string danado = Base() + "/d.default";
    Escribir(danado + "/cert9.db", std::string(8192, 'x'));
    fs::copy_file(bueno + "/key4.db", danado + "/key4.db");
    const auto antes = prueba::HuellasArchivos(danado);
    auto ff = CrearCertificadosFirefoxNss({}, {});

    for (auto motivo : {ff->Leer(danado).motivo(), ff->Copiar(danado, {}, "").motivo()}) {
        EXPECT_NE(motivo.find("está dañada"), std::string::npos) << motivo;
        EXPECT_NE(motivo.find(danado), std::string::npos) << motivo;
    }
    EXPECT_EQ(prueba::HuellasArchivos(danado), antes);
    EXPECT_EQ(VecesEnAlmacen(Sha256("luis")), 1u);

    auto copia = ff->Copiar(bueno, {}, "");
    ASSERT_TRUE(copia) << copia.motivo();
    EXPECT_EQ(VecesEnAlmacen(Sha256("ana")), 1u);
}

TEST_F(Firefox, ConElAlmacenEnUsoNoDiceQueHaCopiado) {
    const std::string perfil = Perfil("u.default", "", {{"ana", kClaveAna}});
    EnAlmacen("luis", "");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((Almacen() + "/cert9.db").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    auto r = CrearCertificadosFirefoxNss({}, {})->Copiar(perfil, {}, "");
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    ASSERT_FALSE(r);
    EXPECT_NE(r.motivo().find("en uso"), std::string::npos) << r.motivo();
    EXPECT_EQ(VecesEnAlmacen(Sha256("ana")), 0u);
}
