// The update package's signature: what the release tool signs with the trusted key is accepted,
// and nothing else.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "ayudantes.h"
#include "platform/comun/u_firmaOpenssl.h"
#include "resultado_prueba.h"

using namespace marlevanta;
namespace fs = std::filesystem;

namespace {

const std::string kPruebas = MARLEVANTA_TEST_SCRIPTS;
const std::string kHerramienta = kPruebas + "/../tools/firmar-paquete";
const std::string kClave = kPruebas + "/clave-PRUEBA-actualizaciones.pem";
const std::string kPublica = kPruebas + "/clave-PRUEBA-actualizaciones.pub.pem";

std::string Leer(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

void Escribir(const fs::path& p, const std::string& datos) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << datos;
}

// The release tool run as a release is signed; gives its exit code, and its messages in `salida`.
int Herramienta(const QStringList& argumentos, QString* salida = nullptr) {
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert("LC_ALL", "C");
    p.setProcessEnvironment(e);
    p.start("bash", QStringList{QString::fromStdString(kHerramienta)} + argumentos);
    EXPECT_TRUE(p.waitForFinished(60000));
    if (salida) *salida = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

std::string Firmar(const fs::path& paquete, const char* version) {
    EXPECT_EQ(Herramienta({QString::fromStdString(kClave), QString::fromStdString(paquete), version,
                           QString::fromStdString(kPublica)}),
              0);
    return Leer(paquete.string() + ".sig");
}

// The same text with its first `viejo` replaced.
std::string Cambiar(std::string texto, const std::string& viejo, const std::string& nuevo) {
    const auto i = texto.find(viejo);
    EXPECT_NE(i, std::string::npos) << viejo;
    if (i != std::string::npos) texto.replace(i, viejo.size(), nuevo);
    return texto;
}

}  // namespace

TEST(FirmaPaquete, LaDeLaClaveDeConfianzaValeYCualquierCambioNo) {
    QTemporaryDir d;
    const fs::path paquete = d.path().toStdString() + "/paquete.zip";
    std::string datos;
    for (int i = 0; i < 200000; ++i) datos += static_cast<char>(i * 7 % 256);
    Escribir(paquete, datos);
    const std::string firma = Firmar(paquete, "1.0.5");
    const auto bien = ComprobarFirmaPaquete(paquete, firma);
    ASSERT_TRUE(bien) << bien.motivo();
    EXPECT_EQ(bien->version, 10005);
    EXPECT_EQ(bien->sha256,
              QCryptographicHash::hash(QByteArray::fromStdString(datos), QCryptographicHash::Sha256)
                  .toHex()
                  .toStdString());
    const auto motivo = [&](const std::string& f) {
        return ComprobarFirmaPaquete(paquete.string(), f).motivo();
    };

    // Only the keys given count: the release key alone does not take the tests' signature.
    EXPECT_EQ(ComprobarFirmaPaqueteCon(paquete, firma,
                                       {Leer(kPruebas + "/../platform/comun/"
                                                        "clave-actualizaciones.pem")})
                  .motivo(),
              "la firma es de otra clave");
    // What was signed, changed: the version (an older package passed off as newer), the sum.
    EXPECT_EQ(motivo(Cambiar(firma, "version 10005", "version 10006")),
              "la firma es de otra clave");
    EXPECT_EQ(
        motivo(Cambiar(firma, "sha256 ", "sha256 0").erase(firma.find("sha256 ") + 7 + 64, 1)),
        "la firma es de otra clave");
    // The signature's own bytes changed.
    const auto ed = firma.find("ed25519 ") + 8;
    std::string otra = firma;
    otra[ed] = otra[ed] == 'A' ? 'B' : 'A';
    EXPECT_EQ(motivo(otra), "la firma es de otra clave");

    // The package changed after it was signed, by one byte at its end.
    Escribir(paquete, datos.substr(0, datos.size() - 1) + "x");
    EXPECT_EQ(motivo(firma), "el paquete no es el que se firmó");
    fs::remove(paquete);
    EXPECT_EQ(motivo(firma), "no se puede leer el paquete");
    Escribir(paquete, datos);
    EXPECT_TRUE(ComprobarFirmaPaquete(paquete, firma));

    // Nothing but the tool's own four lines.
    EXPECT_EQ(motivo(""), "no hay firma");
    const std::string forma = "la firma no tiene el formato esperado";
    const std::string sinFin = firma.substr(0, firma.size() - 1);
    for (const std::string& mala :
         {sinFin + "\n\n", firma + "otra\n", Cambiar(firma, "\n", "\r\n"),
          Cambiar(firma, "marlevanta-firma-1", "marlevanta-firma-2"),
          Cambiar(firma, "version 10005", "version 010005"),
          Cambiar(firma, "version 10005", "version 1000500000"),
          Cambiar(firma, "version 10005", "version -1"), Cambiar(firma, "version 10005\n", ""),
          Cambiar(firma, "sha256 " + bien->sha256,
                  "sha256 " + QString::fromStdString(bien->sha256).toUpper().toStdString()),
          Cambiar(firma, "ed25519 ", "ed25519 AAAA"), Cambiar(firma, "==\n", "\n"),
          Cambiar(firma, "==\n", "=A\n"), std::string(kMaximoFirma + 1, 'x')}) {
        EXPECT_EQ(motivo(mala), forma) << mala;
    }
    // The file's last line break is optional.
    EXPECT_TRUE(ComprobarFirmaPaquete(paquete, sinFin));
}

TEST(FirmaPaquete, LaHerramientaSoloFirmaConLaParejaDeLaClaveDelPrograma) {
    QTemporaryDir d;
    const QString paquete = d.path() + "/paquete.zip";
    Escribir(paquete.toStdString(), "contenido");
    QString salida;
    // Without a public key named, the program's own: the tests' key is not its pair.
    EXPECT_EQ(Herramienta({QString::fromStdString(kClave), paquete, "10005"}, &salida), 1);
    EXPECT_TRUE(salida.contains("no es la pareja")) << salida.toStdString();
    EXPECT_FALSE(fs::exists(paquete.toStdString() + ".sig"));
    for (const char* version : {"1.0", "0", "v10005", "1234567890"}) {
        EXPECT_EQ(Herramienta({QString::fromStdString(kClave), paquete, version,
                               QString::fromStdString(kPublica)}),
                  2)
            << version;
    }
    EXPECT_FALSE(fs::exists(paquete.toStdString() + ".sig"));

    // A new pair: its private half readable by its owner only, and it signs what its public
    // half accepts.
    const QString nueva = d.path() + "/clave";
    ASSERT_EQ(Herramienta({"--clave-nueva", nueva}), 0);
    EXPECT_EQ(fs::status(nueva.toStdString() + "/privada.pem").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(Herramienta({nueva + "/privada.pem", paquete, "2.3.4", nueva + "/publica.pem"}), 0);
    const auto firma =
        ComprobarFirmaPaqueteCon(paquete.toStdString(), Leer(paquete.toStdString() + ".sig"),
                                 {Leer(nueva.toStdString() + "/publica.pem")});
    ASSERT_TRUE(firma) << firma.motivo();
    EXPECT_EQ(firma->version, 20304);
    EXPECT_EQ(
        ComprobarFirmaPaquete(paquete.toStdString(), Leer(paquete.toStdString() + ".sig")).motivo(),
        "la firma es de otra clave");
}
