#include <gtest/gtest.h>
#include <sys/acl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <filesystem>
#include <fstream>

#include "ayudantes.h"
#include "core/plataforma/u_permisos.h"
#include "platform/linux/u_politicasArchivos.h"
#include "platform/u_sistema.h"
#include "resultado_prueba.h"

using namespace marlevanta;
namespace fs = std::filesystem;

namespace {

constexpr uid_t kNadie = 65534;

QJsonObject LeerPolitica(const std::string& carpeta) {
    QFile f(QString::fromStdString(carpeta + "/marlevanta.json"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QJsonDocument archivo = QJsonDocument::fromJson(f.readAll());
    const QJsonArray lista = archivo.object().value("AutoSelectCertificateForUrls").toArray();
    if (lista.size() != 1) return {};
    return QJsonDocument::fromJson(lista.at(0).toString().toUtf8()).object();
}

QString CnDe(const QJsonObject& politica) {
    return politica.value("filter").toObject().value("SUBJECT").toObject().value("CN").toString();
}

// Runs `prueba` as an unprivileged user in a child process; its exit code.
int ComoNadie(const std::function<int()>& prueba) {
    const pid_t hijo = fork();
    if (hijo == 0) {
        if (getuid() == 0 && setuid(kNadie) != 0) _exit(99);
        _exit(prueba());
    }
    int estado = 0;
    waitpid(hijo, &estado, 0);
    return WIFEXITED(estado) ? WEXITSTATUS(estado) : 98;
}

class Politicas : public testing::Test {
protected:
    void SetUp() override {
        raiz_ = dir_.path().toStdString();
        fs::permissions(raiz_, fs::perms::owner_all | fs::perms::group_read |
                                   fs::perms::group_exec | fs::perms::others_read |
                                   fs::perms::others_exec);
        entorno_ = std::make_unique<prueba::Entorno>("MARLEVANTA_POLICY_ROOT", raiz_);
    }
    QTemporaryDir dir_;
    std::string raiz_;
    std::unique_ptr<prueba::Entorno> entorno_;
};

}  // namespace

TEST(TextoPolitica, NombresQueHayQueEscaparSiguenSiendoJsonValido) {
    EXPECT_EQ(TextoPolitica("ANA PÉREZ (R: B12345678)"),
              "{\"pattern\":\"https://*\",\"filter\":{\"SUBJECT\":{\"CN\":\"ANA PÉREZ (R: "
              "B12345678)\"}}}");
    for (const std::string& cn : {std::string("JOSÉ \"PEPE\" ÑÚÑEZ"), std::string("C:\\raíz\\"),
                                  std::string("a\nb\tc\x01\x1f"
                                              "d"),
                                  std::string(300, 'x')}) {
        const QJsonDocument doc =
            QJsonDocument::fromJson(QByteArray::fromStdString(TextoPolitica(cn)));
        ASSERT_TRUE(doc.isObject()) << cn;
        EXPECT_EQ(doc.object().value("pattern").toString(), "https://*");
        EXPECT_EQ(CnDe(doc.object()).toStdString(), cn);
    }
    EXPECT_EQ(CadenaJson(std::string("\x01", 1)), "\"\\u0001\"");
    EXPECT_EQ(CadenaJson(std::string("\0", 1)), "\"\\u0000\"");
}

TEST_F(Politicas, EscribirDosVecesDejaUnaYEliminarSoloQuitaLaNuestra) {
    auto almacen = CrearAlmacenPoliticasArchivos(raiz_);
    const auto chrome = CarpetasPoliticas(Navegador::Chrome, raiz_);
    ASSERT_EQ(chrome.size(), 2u);
    EXPECT_EQ(chrome[0], raiz_ + "/etc/opt/chrome/policies/managed");
    EXPECT_EQ(chrome[1], raiz_ + "/etc/chromium/policies/managed");
    ASSERT_TRUE(almacen->Escribir(Navegador::Chrome, TextoPolitica("PRIMERO")));
    ASSERT_TRUE(almacen->Escribir(Navegador::Chrome, TextoPolitica("SEGUNDO \"B\"")));
    for (const auto& c : chrome) EXPECT_EQ(CnDe(LeerPolitica(c)), "SEGUNDO \"B\"");
    const std::string edge = CarpetasPoliticas(Navegador::Edge, raiz_)[0];
    EXPECT_FALSE(fs::exists(edge + "/marlevanta.json"));
    std::ofstream(chrome[0] + "/otra.json") << "{}";

    EXPECT_EQ(almacen->Eliminar(Navegador::Chrome), true);
    EXPECT_EQ(almacen->Eliminar(Navegador::Chrome), false);
    EXPECT_EQ(almacen->Eliminar(Navegador::Edge), false);
    EXPECT_TRUE(fs::exists(chrome[0] + "/otra.json"));
    for (const auto& c : chrome) {
        for (const auto& e : fs::directory_iterator(c)) {
            EXPECT_EQ(e.path().filename(), "otra.json");  // no temporary file left behind
        }
    }
}

TEST_F(Politicas, SinSitioDondeEscribirNoEscribeNada) {
    std::ofstream(raiz_ + "/etc") << "no soy una carpeta";
    auto almacen = CrearAlmacenPoliticasArchivos(raiz_);
    EXPECT_FALSE(almacen->Escribir(Navegador::Edge, TextoPolitica("X")));
    EXPECT_EQ(almacen->Eliminar(Navegador::Edge), false);
}

TEST(Sid, TextoSegunLaAutoridad) {
    EXPECT_EQ(TextoSid({0, 0, 0, 0, 0, 5}, {21, 1004336348, 1177238915, 682003330, 512}),
              "S-1-5-21-1004336348-1177238915-682003330-512");
    EXPECT_EQ(TextoSid({0, 0, 0, 0, 0, 5}, {32, 545}), "S-1-5-32-545");
    EXPECT_EQ(TextoSid({0x01, 0x00, 0xab, 0, 0, 0x0f}, {7}), "S-1-0x0100ab00000f-7");
    EXPECT_EQ(TextoSid({0, 0, 0xff, 0xff, 0xff, 0xff}, {}), "S-1-4294967295");
    EXPECT_EQ(SidUsuarioActual(), "S-1-22-1-" + std::to_string(getuid()));
}

TEST_F(Politicas, ElPermisoDejaEscribirAlUsuarioYSoloAEl) {
    if (getuid() != 0) GTEST_SKIP() << "switching users needs root";
    const auto escribe = [this] {
        return CrearAlmacenPoliticasArchivos(raiz_)->Escribir(Navegador::Chrome, TextoPolitica("N"))
                   ? 0
                   : 1;
    };
    EXPECT_EQ(ComoNadie(escribe), 1);
    const std::string carpeta = CarpetasPoliticas(Navegador::Chrome, raiz_)[0];
    fs::create_directories(carpeta);
    prueba::Ejecutar("setfacl -m u:1234:rx '" + carpeta + "' 2>&1 || true");
    EXPECT_TRUE(DarPermisosSoftwarePolicies("S-1-22-1-65534"));
    EXPECT_EQ(ComoNadie(escribe), 0);
    EXPECT_EQ(CnDe(LeerPolitica(carpeta)), "N");
    const std::string lista = prueba::Ejecutar("getfacl -cp '" + carpeta + "' 2>/dev/null || true");
    if (!lista.empty()) {
        EXPECT_NE(lista.find("user:nobody:rwx"), std::string::npos) << lista;
        EXPECT_NE(lista.find("user:1234:r-x"), std::string::npos) << lista;  // kept
        EXPECT_NE(lista.find("default:user:nobody:rwx"), std::string::npos) << lista;
    }
    // Granting again changes nothing and still succeeds.
    EXPECT_TRUE(DarPermisosSoftwarePolicies("S-1-22-1-65534"));
}

TEST_F(Politicas, CadaPasoQueFallaDiceSuMensaje) {
    EXPECT_EQ(DarPermisosSoftwarePolicies("S-1-5-21-1-2-3-1001").motivo(),
              "No se pudo encontrar la cuenta del usuario en el registro");
    EXPECT_EQ(DarPermisosSoftwarePolicies("S-1-22-1-4000000000").motivo(),
              "No se pudo encontrar la cuenta del usuario en el registro");
    EXPECT_EQ(DarPermisosSoftwarePolicies("S-1-22-1-x").motivo(),
              "No se pudo encontrar la cuenta del usuario en el registro");
    std::ofstream(raiz_ + "/etc") << "no soy una carpeta";
    EXPECT_EQ(
        DarPermisosSoftwarePolicies("").motivo(),
        "No se pudieron leer los permisos existentes por la siguiente causa: Not a directory");
    fs::remove(raiz_ + "/etc");
    if (getuid() != 0) return;
    for (const auto& c : TodasLasCarpetasPoliticas(raiz_)) fs::create_directories(c);
    // Someone who does not own the folders cannot change who may write there.
    EXPECT_EQ(ComoNadie([] {
                  return DarPermisosSoftwarePolicies("").motivo() ==
                                 "No se pudieron guardar los permisos por la siguiente causa: "
                                 "Operation not permitted"
                             ? 0
                             : 1;
              }),
              0);
}

TEST_F(Politicas, ElProgramaDePermisosDiceSuResultado) {
    const QString pqrvr = QCoreApplication::applicationDirPath() + "/pqrvr";
    ASSERT_TRUE(QFile::exists(pqrvr));
    QProcess p;
    p.start(pqrvr, {QString::fromStdString(SidUsuarioActual())});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(p.readAllStandardError().trimmed(), "Permisos establecidos");
    EXPECT_TRUE(fs::is_directory(raiz_ + "/etc/opt/edge/policies/managed"));
    p.start(pqrvr, {"S-1-5-18"});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()).trimmed(),
              "No se pudo encontrar la cuenta del usuario en el registro");
}
