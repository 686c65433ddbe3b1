#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <sys/xattr.h>
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
#include <set>

#include "ayudantes.h"
#include "core/plataforma/u_permisos.h"
#include "core/u_manejadorRegistro.h"
#include "core/u_sesionesPorCertificado.h"
#include "core/u_tablaCertificados.h"
#include "platform/linux/u_politicasArchivos.h"
#include "platform/linux/u_reglaPerfil.h"
#include "platform/linux/u_reglasLinux.h"
#include "platform/u_sistema.h"
#include "resultado_prueba.h"

using namespace marlevanta;
namespace fs = std::filesystem;

namespace {

constexpr uid_t kNadie = 65534;

std::string Leer(const std::string& ruta) {
    std::ifstream f(ruta, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

QJsonObject Json(const std::string& texto) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(texto)).object();
}

// The one rule of a managed-policy file, parsed back; empty when there is not exactly one.
QJsonObject LeerPolitica(const std::string& archivo) {
    const QJsonArray lista = Json(Leer(archivo)).value("AutoSelectCertificateForUrls").toArray();
    if (lista.size() != 1) return {};
    return QJsonDocument::fromJson(lista.at(0).toString().toUtf8()).object();
}

std::string Cn(const QJsonObject& filtro, const char* quien) {
    return filtro.value(quien).toObject().value("CN").toString().toStdString();
}

// What lies at the end of a path of keys; undefined when the path breaks.
QJsonValue En(QJsonValue v, std::initializer_list<const char*> claves) {
    for (const char* c : claves) v = v.toObject().value(QLatin1String(c));
    return v;
}

// The filters of the rule in a profile's Preferences.
QJsonArray FiltrosPerfil(const std::string& carpeta) {
    return En(Json(Leer(carpeta + "/Default/Preferences")),
              {"profile", "content_settings", "exceptions", "auto_select_certificate",
               "https://*,*", "setting", "filters"})
        .toArray();
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

bool SinListaDeAcceso(const std::string& ruta) {
    char v[256];
    return getxattr(ruta.c_str(), "system.posix_acl_access", v, sizeof v) < 0 &&
           getxattr(ruta.c_str(), "system.posix_acl_default", v, sizeof v) < 0;
}

std::string Equipo() {
    char h[256] = {};
    gethostname(h, sizeof h - 1);
    return h;
}

const ReglaCertificado kComillas{"CARLOS \"EL\" BARRA\\ - 33333333C", "AC \"RAÍZ\" \\ UNO"};

class Politicas : public testing::Test {
protected:
    void SetUp() override {
        raiz_ = dir_.path().toStdString();
        fs::permissions(raiz_, fs::perms::owner_all | fs::perms::group_read |
                                   fs::perms::group_exec | fs::perms::others_read |
                                   fs::perms::others_exec);
        entorno_.push_back(std::make_unique<prueba::Entorno>("MARLEVANTA_POLICY_ROOT", raiz_));
        entorno_.push_back(std::make_unique<prueba::Entorno>("HOME", raiz_ + "/casa"));
        entorno_.push_back(std::make_unique<prueba::Entorno>("XDG_CACHE_HOME", raiz_ + "/cache"));
        unsetenv("PKEXEC_UID");
    }
    std::string Propio(Navegador n, int i = 0) const {
        return CarpetasPoliticas(n, raiz_)[size_t(i)] + "/" + ArchivoPolitica(getuid());
    }
    QTemporaryDir dir_;
    std::string raiz_;
    std::vector<std::unique_ptr<prueba::Entorno>> entorno_;
};

}  // namespace

TEST(TextoPolitica, NombresQueHayQueEscaparSiguenSiendoJsonValidoYLlevanElEmisor) {
    EXPECT_EQ(TextoPolitica({"ANA PÉREZ (R: B12345678)", "AC FNMT"}),
              "{\"pattern\":\"https://*\",\"filter\":{\"SUBJECT\":{\"CN\":\"ANA PÉREZ (R: "
              "B12345678)\"},\"ISSUER\":{\"CN\":\"AC FNMT\"}}}");
    for (const std::string& cn :
         {std::string("JOSÉ \"PEPE\" ÑÚÑEZ"), std::string("C:\\raíz\\"),
          std::string("a\nb\tc\x01\x1f"
                      "d"),
          std::string("  #ACME, S.A. + <SUR>=1  "), std::string(300, 'x'), std::string()}) {
        const QJsonObject p = Json(TextoPolitica({cn, cn + "!"}));
        EXPECT_EQ(p.value("pattern").toString(), "https://*");
        EXPECT_EQ(Cn(p.value("filter").toObject(), "SUBJECT"), cn);
        EXPECT_EQ(Cn(p.value("filter").toObject(), "ISSUER"), cn + "!");
    }
    EXPECT_EQ(CadenaJson(std::string("\x01", 1)), "\"\\u0001\"");
    EXPECT_EQ(CadenaJson(std::string("\0", 1)), "\"\\u0000\"");
}

TEST(TextoPolitica, SoloElUtf8BienFormadoEsTexto) {
    EXPECT_TRUE(Utf8Valido("ÑÚÑEZ € \xF0\x9D\x84\x9E \"\\"));
    EXPECT_TRUE(Utf8Valido(std::string("A\0B", 3)));
    for (const char* malo : {"\xC3\x28", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                             "\xF0\x9F\x98", "\xFF", "caf\xE9"}) {
        EXPECT_FALSE(Utf8Valido(malo)) << malo;
    }
}

TEST_F(Politicas, ArchivoDeCadaUsuarioEscritoEnSuSitioYVaciadoAlQuitar) {
    const auto chrome = CarpetasPoliticas(Navegador::Chrome, raiz_);
    ASSERT_EQ(chrome.size(), 2u);
    EXPECT_EQ(chrome[0], raiz_ + "/etc/opt/chrome/policies/managed");
    EXPECT_EQ(chrome[1], raiz_ + "/etc/chromium/policies/managed");
    EXPECT_EQ(ArchivoPolitica(1234), "marlevanta-1234.json");
    ASSERT_TRUE(EscribirPoliticaArchivos(raiz_, Navegador::Chrome, {"PRIMERO", "AC"}));
    struct stat antes {};
    ASSERT_EQ(stat(Propio(Navegador::Chrome).c_str(), &antes), 0);
    ASSERT_TRUE(EscribirPoliticaArchivos(raiz_, Navegador::Chrome, kComillas));
    for (int i : {0, 1}) {
        const QJsonObject p = LeerPolitica(Propio(Navegador::Chrome, i));
        EXPECT_EQ(Cn(p.value("filter").toObject(), "SUBJECT"), kComillas.sujeto);
        EXPECT_EQ(Cn(p.value("filter").toObject(), "ISSUER"), kComillas.emisor);
    }
    // Replaced whole, never rewritten in place: a browser reads the old rule or the new one.
    struct stat despues {};
    ASSERT_EQ(stat(Propio(Navegador::Chrome).c_str(), &despues), 0);
    EXPECT_NE(antes.st_ino, despues.st_ino);
    EXPECT_EQ(despues.st_mode & 07777, 0644u);
    EXPECT_FALSE(fs::exists(Propio(Navegador::Edge)));
    std::ofstream(chrome[0] + "/marlevanta-99999.json") << "{\"de\": \"otro usuario\"}";

    EXPECT_EQ(EliminarPoliticaArchivos(raiz_, Navegador::Chrome), true);
    for (int i : {0, 1}) EXPECT_EQ(Json(Leer(Propio(Navegador::Chrome, i))), QJsonObject());
    EXPECT_EQ(EliminarPoliticaArchivos(raiz_, Navegador::Chrome), false);
    EXPECT_EQ(EliminarPoliticaArchivos(raiz_, Navegador::Edge), false);
    EXPECT_EQ(Leer(chrome[0] + "/marlevanta-99999.json"), "{\"de\": \"otro usuario\"}");
    for (const auto& c : chrome) {
        for (const auto& e : fs::directory_iterator(c)) {
            EXPECT_EQ(e.path().filename().string().rfind("marlevanta-", 0), 0u) << e.path();
        }
    }
}

TEST_F(Politicas, SinSitioDondeEscribirNoQuedaNadaEscrito) {
    // Chromium's folder cannot be made: what went to Chrome's is taken back.
    fs::create_directories(raiz_ + "/etc");
    std::ofstream(raiz_ + "/etc/chromium") << "no soy una carpeta";
    const auto escrita = EscribirPoliticaArchivos(raiz_, Navegador::Chrome, {"X", "Y"});
    EXPECT_FALSE(escrita);
    EXPECT_NE(escrita.motivo().find("etc/chromium/policies/managed/marlevanta-"), std::string::npos)
        << escrita.motivo();
    EXPECT_EQ(Json(Leer(Propio(Navegador::Chrome))), QJsonObject());
}

TEST_F(Politicas, SoloElAdministradorPoneLaPoliticaQueObedecenTodos) {
    if (getuid() != 0) GTEST_SKIP() << "switching users needs root";
    // Below the machine's own root no ordinary user may: every user's browser would obey it.
    const std::string edge = raiz_ + "/etc/opt/edge/policies/managed";
    EXPECT_EQ(ComoNadie([] {
                  auto sistema = CrearReglasLinux("/");
                  const Hecho permitida = sistema->PoliticaSistemaPermitida();
                  const Hecho escrita =
                      sistema->Escribir(Navegador::Edge, LugarRegla::PoliticaSistema, {"N", "AC"});
                  return !permitida && permitida.motivo().starts_with("Solo un administrador") &&
                                 escrita.motivo() == permitida.motivo() &&
                                 !sistema->PermisosAyudan()
                             ? 0
                             : 1;
              }),
              0);
    EXPECT_TRUE(CrearReglasLinux("/")->PoliticaSistemaPermitida());  // root is the administrator
    // What the administrator writes is theirs, also over a file an earlier version gave the
    // user: after it that user can change nothing in it.
    fs::create_directories(edge);
    const std::string archivo = edge + "/" + ArchivoPolitica(0);
    std::ofstream(archivo) << "{}\n";
    ASSERT_EQ(chown(archivo.c_str(), kNadie, kNadie), 0);
    ASSERT_TRUE(EscribirPoliticaArchivos(raiz_, Navegador::Edge, {"N", "AC"}));
    struct stat st {};
    ASSERT_EQ(stat(archivo.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_EQ(Cn(LeerPolitica(archivo).value("filter").toObject(), "SUBJECT"), "N");
    EXPECT_EQ(ComoNadie([&archivo] {
                  std::ofstream f(archivo);
                  return f ? 0 : 1;
              }),
              1);
}

TEST_F(Politicas, ElProgramaDePermisosDevuelveAlAdministradorLosArchivosDeLosUsuarios) {
    const QString pqrvr = QCoreApplication::applicationDirPath() + "/pqrvr";
    ASSERT_TRUE(QFile::exists(pqrvr));
    const auto ejecutar = [&](const QStringList& argumentos) {
        QProcess p;
        p.start(pqrvr, argumentos);
        p.waitForFinished(30000);
        return std::make_pair(p.exitCode(), QString::fromUtf8(p.readAllStandardError()).trimmed());
    };
    if (getuid() != 0) {
        EXPECT_EQ(ejecutar({}), std::make_pair(1, QStringLiteral("Solo un administrador puede "
                                                                 "hacerlo: ejecútelo con sudo o "
                                                                 "pkexec")));
        return;
    }
    // As earlier versions left them: one user's file holding what that user chose to put in it
    // (a policy for every user), one reached through a second name, a link planted in a file's
    // place, the administrator's own policy and a file of ours already as it should be.
    const auto carpetas = TodasLasCarpetasPoliticas(raiz_);
    for (const auto& c : carpetas) fs::create_directories(c);
    const std::string chrome = carpetas[1], chromium = carpetas[2], edge = carpetas[0];
    const std::string usuario = chrome + "/" + ArchivoPolitica(kNadie);
    std::ofstream(usuario) << R"({"DefaultJavaScriptSetting": 2})";
    ASSERT_EQ(chown(usuario.c_str(), kNadie, kNadie), 0);
    const std::string enlazado = chromium + "/" + ArchivoPolitica(kNadie);
    fs::create_hard_link(usuario, enlazado);
    std::ofstream(raiz_ + "/objetivo") << "intacto";
    fs::create_symlink(raiz_ + "/objetivo", edge + "/" + ArchivoPolitica(kNadie));
    std::ofstream(chrome + "/administrador.json") << R"({"HomepageLocation": "x"})";
    ASSERT_EQ(chown((chrome + "/administrador.json").c_str(), kNadie, kNadie), 0);
    std::ofstream(chromium + "/" + ArchivoPolitica(0)) << "{}\n";
    std::ofstream(edge + "/.marlevanta-a1b2c3") << R"({"AutoSelectCertificateForUrls": ["x"]})";
    struct stat sano {};
    ASSERT_EQ(stat((chromium + "/" + ArchivoPolitica(0)).c_str(), &sano), 0);

    EXPECT_EQ(ejecutar({"S-1-22-1-65534"}),
              std::make_pair(0, QStringLiteral("Las políticas de Marlevanta de este equipo son "
                                               "solo del administrador")));
    for (const std::string& archivo : {usuario, enlazado, edge + "/" + ArchivoPolitica(kNadie)}) {
        struct stat st {};
        ASSERT_EQ(lstat(archivo.c_str(), &st), 0) << archivo;
        EXPECT_TRUE(S_ISREG(st.st_mode)) << archivo;
        EXPECT_EQ(st.st_uid, 0u) << archivo;
        EXPECT_EQ(st.st_nlink, 1u) << archivo;
        EXPECT_EQ(st.st_mode & 07777, 0644u) << archivo;
        EXPECT_TRUE(SinListaDeAcceso(archivo)) << archivo;
        EXPECT_EQ(Leer(archivo), "{}\n") << archivo;
    }
    EXPECT_EQ(Leer(raiz_ + "/objetivo"), "intacto");
    EXPECT_FALSE(fs::exists(edge + "/.marlevanta-a1b2c3"));  // a write cut short
    // Only our own files: the rest of the folder is the administrator's business.
    EXPECT_EQ(Leer(chrome + "/administrador.json"), R"({"HomepageLocation": "x"})");
    struct stat despues {};
    ASSERT_EQ(stat((chromium + "/" + ArchivoPolitica(0)).c_str(), &despues), 0);
    EXPECT_EQ(despues.st_ino, sano.st_ino);
    // The user can no longer change what every browser obeys.
    EXPECT_EQ(ComoNadie([&usuario] {
                  std::ofstream f(usuario);
                  return f ? 0 : 1;
              }),
              1);
    // Root goes below another root only where no other user can move a folder of the path.
    {
        const std::string ajena = raiz_ + "/ajena";
        fs::create_directories(ajena);
        ASSERT_EQ(chown(ajena.c_str(), kNadie, kNadie), 0);
        prueba::Entorno otra("MARLEVANTA_POLICY_ROOT", ajena);
        EXPECT_EQ(RaizPoliticas(), "/");
        prueba::Entorno propia("MARLEVANTA_POLICY_ROOT", raiz_);
        EXPECT_EQ(RaizPoliticas(), raiz_);
    }
    // A second run finds nothing to do; no folder at all is no failure either.
    EXPECT_EQ(ejecutar({}).first, 0);
    fs::remove_all(raiz_ + "/etc");
    EXPECT_EQ(ejecutar({}).first, 0);
    EXPECT_FALSE(fs::exists(raiz_ + "/etc"));
}

TEST(Sid, TextoSegunLaAutoridad) {
    EXPECT_EQ(TextoSid({0, 0, 0, 0, 0, 5}, {21, 1004336348, 1177238915, 682003330, 512}),
              "S-1-5-21-1004336348-1177238915-682003330-512");
    EXPECT_EQ(TextoSid({0, 0, 0, 0, 0, 5}, {32, 545}), "S-1-5-32-545");
    EXPECT_EQ(TextoSid({0x01, 0x00, 0xab, 0, 0, 0x0f}, {7}), "S-1-0x0100ab00000f-7");
    EXPECT_EQ(TextoSid({0, 0, 0xff, 0xff, 0xff, 0xff}, {}), "S-1-4294967295");
    EXPECT_EQ(SidUsuarioActual(), "S-1-22-1-" + std::to_string(getuid()));
}

TEST_F(Politicas, LaReglaDelPerfilSeAnadeYSeQuitaSinTocarLoDemas) {
    const std::string nuevo = raiz_ + "/nuevo";
    // A fresh profile folder: the file is made, with its folders, private to the user.
    ASSERT_TRUE(EscribirReglaPerfil(nuevo, kComillas));
    const QJsonArray filtros = FiltrosPerfil(nuevo);
    ASSERT_EQ(filtros.size(), 1);
    EXPECT_EQ(Cn(filtros[0].toObject(), "SUBJECT"), kComillas.sujeto);
    EXPECT_EQ(Cn(filtros[0].toObject(), "ISSUER"), kComillas.emisor);
    EXPECT_EQ(filtros[0].toObject().keys(), (QStringList{"ISSUER", "SUBJECT"}));
    EXPECT_EQ(fs::status(nuevo + "/Default").permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(QuitarReglaPerfil(nuevo), true);
    EXPECT_EQ(FiltrosPerfil(nuevo).size(), 0);
    EXPECT_EQ(QuitarReglaPerfil(nuevo), false);
    EXPECT_EQ(QuitarReglaPerfil(raiz_ + "/no-existe"), false);
    EXPECT_FALSE(fs::exists(raiz_ + "/no-existe"));

    // A profile the browser has used: everything else it holds stays as it was.
    const std::string usado = raiz_ + "/usado";
    fs::create_directories(usado + "/Default");
    const std::string original =
        R"({"browser":{"window_placement":{"left":10}},"homepage":"https://ejemplo.test/ñ",)"
        R"("profile":{"name":"Persona 1","exit_type":"Normal","content_settings":{"exceptions":)"
        R"({"cookies":{"https://a.test:443,*":{"setting":1}},"auto_select_certificate":)"
        R"({"https://otra.test,*":{"setting":{"filters":[{"SUBJECT":{"CN":"OTRO"}}]}}}}}},)"
        R"("big":9007199254740993,"x":1.5})";
    std::ofstream(usado + "/Default/Preferences") << original;
    ASSERT_TRUE(EscribirReglaPerfil(usado, {"ÑÚÑEZ", "AC"}));
    const QJsonObject durante = Json(Leer(usado + "/Default/Preferences"));
    EXPECT_EQ(Cn(FiltrosPerfil(usado)[0].toObject(), "SUBJECT"), "ÑÚÑEZ");
    EXPECT_EQ(En(durante, {"profile", "name"}).toString(), "Persona 1");
    EXPECT_TRUE(
        En(durante, {"profile", "content_settings", "exceptions", "auto_select_certificate"})
            .toObject()
            .contains("https://otra.test,*"));
    ASSERT_TRUE(EscribirReglaPerfil(usado, kComillas));  // replaced, never two
    EXPECT_EQ(FiltrosPerfil(usado).size(), 1);
    EXPECT_EQ(QuitarReglaPerfil(usado), true);
    EXPECT_EQ(Json(Leer(usado + "/Default/Preferences")), Json(original));
    EXPECT_NE(Leer(usado + "/Default/Preferences").find("9007199254740993"), std::string::npos);
    for (const auto& e : fs::directory_iterator(usado + "/Default")) {
        EXPECT_EQ(e.path().filename(), "Preferences");  // no temporary file left behind
    }

    // A damaged file is not ours to replace.
    std::ofstream(usado + "/Default/Preferences") << "{\"profile\": ";
    const auto danado = EscribirReglaPerfil(usado, kComillas);
    EXPECT_FALSE(danado);
    EXPECT_NE(danado.motivo().find("dañadas"), std::string::npos) << danado.motivo();
    EXPECT_EQ(Leer(usado + "/Default/Preferences"), "{\"profile\": ");
    EXPECT_FALSE(EscribirReglaPerfil(nuevo, {"caf\xE9", "AC"}));
}

TEST_F(Politicas, UnPerfilAbiertoEnUnNavegadorNoSeToca) {
    const std::string perfil = raiz_ + "/perfil";
    fs::create_directories(perfil);
    EXPECT_FALSE(PerfilEnUso(perfil).enUso);
    // A lock left by a browser that has ended is the next browser's to take over.
    QProcess acabado;
    acabado.start("true");
    acabado.waitForFinished();
    fs::create_symlink(Equipo() + "-" + std::to_string(acabado.processId()),
                       perfil + "/SingletonLock");
    EXPECT_FALSE(PerfilEnUso(perfil).enUso);
    // A number now held by a program that is no browser does not count either.
    fs::remove(perfil + "/SingletonLock");
    fs::create_symlink(Equipo() + "-" + std::to_string(getpid()), perfil + "/SingletonLock");
    EXPECT_FALSE(PerfilEnUso(perfil).enUso);
    {
        prueba::NavegadorVivo vivo(raiz_ + "/chromium");
        fs::remove(perfil + "/SingletonLock");
        vivo.Bloquear(perfil);
        EXPECT_TRUE(PerfilEnUso(perfil).enUso);
        EXPECT_EQ(PerfilEnUso(perfil).otroEquipo, "");

        // The store says so and writes nothing.
        prueba::Entorno home("HOME", raiz_ + "/casa");
        const std::string propio = CarpetaPerfil(Navegador::Chrome);
        EXPECT_EQ(propio, raiz_ + "/casa/Marlevanta/chrome");
        fs::create_directories(propio);
        vivo.Bloquear(propio);
        auto almacen = CrearReglasLinux(raiz_);
        const auto escrita = almacen->Escribir(Navegador::Chrome, LugarRegla::Perfil, kComillas);
        EXPECT_EQ(escrita.motivo(), "Google Chrome ya está abierto con la carpeta \"" + propio +
                                        "\". Ciérrelo y vuelva a intentarlo.");
        EXPECT_FALSE(fs::exists(propio + "/Default"));
        EXPECT_FALSE(almacen->Eliminar(Navegador::Chrome, LugarRegla::Perfil));
    }
    fs::remove(perfil + "/SingletonLock");
    fs::create_symlink("otra-maquina.local-4242", perfil + "/SingletonLock");
    EXPECT_TRUE(PerfilEnUso(perfil).enUso);
    EXPECT_EQ(PerfilEnUso(perfil).otroEquipo, "otra-maquina.local");

    // A browser seen only through its socket (another process namespace).
    fs::remove(perfil + "/SingletonLock");
    const int s = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    const std::string enchufe = dir_.path().toStdString() + "/s";
    std::strcpy(a.sun_path, enchufe.c_str());
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    fs::create_symlink(enchufe, perfil + "/SingletonSocket");
    EXPECT_FALSE(PerfilEnUso(perfil).enUso);  // bound, not listening: a dead browser's
    ASSERT_EQ(listen(s, 1), 0);
    EXPECT_TRUE(PerfilEnUso(perfil).enUso);
    close(s);
}

TEST_F(Politicas, UnTurnoPorUsuarioYNavegadorQueSeSueltaAlTerminar) {
    prueba::Entorno runtime("XDG_RUNTIME_DIR", raiz_ + "/runtime");
    fs::create_directories(raiz_ + "/runtime");
    fs::permissions(raiz_ + "/runtime", fs::perms::owner_all);
    EXPECT_EQ(CarpetaCerrojos(), raiz_ + "/runtime");
    auto primero = ReservarTurno(Navegador::Chrome);
    ASSERT_TRUE(primero);
    const auto segundo = ReservarTurno(Navegador::Chrome);
    EXPECT_EQ(segundo.motivo(),
              "Otra ventana de Marlevanta está usando Google Chrome. Cierre "
              "ese navegador y vuelva a intentarlo.");
    EXPECT_TRUE(ReservarTurno(Navegador::Edge));  // another browser, another turn
    primero->reset();
    EXPECT_TRUE(ReservarTurno(Navegador::Chrome));

    // Another process's turn, and what a crash does to it.
    int tubo[2];
    ASSERT_EQ(pipe(tubo), 0);
    const pid_t hijo = fork();
    if (hijo == 0) {
        auto t = ReservarTurno(Navegador::Edge);
        char c = t ? 'y' : 'n';
        (void)!write(tubo[1], &c, 1);
        pause();
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(tubo[0], &c, 1), 1);
    EXPECT_EQ(c, 'y');
    EXPECT_FALSE(ReservarTurno(Navegador::Edge));
    kill(hijo, SIGKILL);
    waitpid(hijo, nullptr, 0);
    EXPECT_TRUE(ReservarTurno(Navegador::Edge));
    close(tubo[0]);
    close(tubo[1]);

    // A runtime folder that others can enter is not used; the private cache folder is.
    fs::permissions(raiz_ + "/runtime", fs::perms::owner_all | fs::perms::others_exec);
    EXPECT_EQ(CarpetaCerrojos(), raiz_ + "/cache/marlevanta");
    EXPECT_EQ(fs::status(raiz_ + "/cache/marlevanta").permissions() & fs::perms::all,
              fs::perms::owner_all);
}

TEST_F(Politicas, LosRestosSeQuitanSoloSiNingunaOtraCopiaTieneElNavegador) {
    TManejadorRegistro registro(CrearRegistroUsuario(), nullptr, CrearReglasLinux(raiz_));
    ASSERT_TRUE(registro.IniciarValoresSiNoExisten());
    EXPECT_EQ(registro.LugaresRegla(), std::vector<LugarRegla>{LugarRegla::Perfil});
    ASSERT_TRUE(registro.EscribirValor("NavegadorPoliticaSistema", "1"));
    EXPECT_EQ(registro.LugaresRegla(),
              (std::vector<LugarRegla>{LugarRegla::Perfil, LugarRegla::PoliticaSistema}));
    for (LugarRegla l : registro.LugaresRegla()) {
        ASSERT_TRUE(registro.EscribirCertificadoChrome(kComillas, l));
        ASSERT_TRUE(registro.EscribirCertificadoEdge(kComillas, l));
    }
    auto otraCopia = ReservarTurno(Navegador::Chrome);
    ASSERT_TRUE(otraCopia);
    EXPECT_EQ(registro.EliminarRestos(Navegador::Chrome), false);
    EXPECT_EQ(registro.EliminarRestos(Navegador::Edge), true);
    EXPECT_EQ(FiltrosPerfil(CarpetaPerfil(Navegador::Chrome)).size(), 1);
    EXPECT_EQ(FiltrosPerfil(CarpetaPerfil(Navegador::Edge)).size(), 0);
    EXPECT_EQ(Cn(LeerPolitica(Propio(Navegador::Chrome)).value("filter").toObject(), "SUBJECT"),
              kComillas.sujeto);
    EXPECT_EQ(Json(Leer(Propio(Navegador::Edge))), QJsonObject());
    otraCopia->reset();
    EXPECT_EQ(registro.EliminarRestos(Navegador::Chrome), true);
    EXPECT_EQ(FiltrosPerfil(CarpetaPerfil(Navegador::Chrome)).size(), 0);
    for (int i : {0, 1}) EXPECT_EQ(Json(Leer(Propio(Navegador::Chrome, i))), QJsonObject());
}

// A profile per certificate keeps its own rule for good: made once, left alone while it is the
// same, never touched while a browser has it open, listed with its size and removed on request
// unless open.
TEST_F(Politicas, CadaCertificadoTieneSuPerfilConSuReglaParaSiempre) {
    auto almacen = CrearReglasLinux(raiz_);
    const ReglaCertificado ana{"PÉREZ GARCÍA ANA - 12345678Z", "AC Importación"};
    const ReglaCertificado luis{"LUIS \"EL DE\" SUR", "AC Importación"};
    auto a = almacen->PrepararPerfilCertificado(Navegador::Chrome, "0a1b2c3d4e5f6071", ana, "Ana");
    ASSERT_TRUE(a) << a.motivo();
    EXPECT_EQ(a->carpeta, raiz_ + "/casa/Marlevanta/chrome/perfiles/0a1b2c3d4e5f6071");
    EXPECT_FALSE(a->abierto);
    const std::string preferencias = a->carpeta + "/Default/Preferences";
    const QJsonObject filtro = FiltrosPerfil(a->carpeta)[0].toObject();
    EXPECT_EQ(Cn(filtro, "SUBJECT"), ana.sujeto);
    EXPECT_EQ(Cn(filtro, "ISSUER"), ana.emisor);
    EXPECT_EQ(En(Json(Leer(preferencias)), {"profile", "name"}).toString(), "Ana");
    for (const std::string& c : {a->carpeta, a->carpeta + "/..", a->carpeta + "/Default"}) {
        EXPECT_EQ(fs::status(c).permissions() & fs::perms::all, fs::perms::owner_all) << c;
    }

    // The same certificate again: nothing rewritten (the browser's own changes stay).
    struct stat antes {};
    ASSERT_EQ(stat(preferencias.c_str(), &antes), 0);
    ASSERT_TRUE(
        almacen->PrepararPerfilCertificado(Navegador::Chrome, "0a1b2c3d4e5f6071", ana, "Ana"));
    struct stat despues {};
    ASSERT_EQ(stat(preferencias.c_str(), &despues), 0);
    EXPECT_EQ(antes.st_ino, despues.st_ino);

    // Another certificate, another folder with its own rule; the first keeps Ana's.
    auto l = almacen->PrepararPerfilCertificado(Navegador::Chrome, "ffee000011112222", luis, "");
    ASSERT_TRUE(l) << l.motivo();
    EXPECT_NE(l->carpeta, a->carpeta);
    EXPECT_EQ(Cn(FiltrosPerfil(l->carpeta)[0].toObject(), "SUBJECT"), luis.sujeto);
    EXPECT_EQ(Cn(FiltrosPerfil(a->carpeta)[0].toObject(), "SUBJECT"), ana.sujeto);

    {
        // Open in a browser: a changed name waits, the profile is handed over as it is, and it
        // cannot be deleted.
        prueba::NavegadorVivo vivo(raiz_ + "/chromium");
        vivo.Bloquear(a->carpeta);
        auto abierto = almacen->PrepararPerfilCertificado(Navegador::Chrome, "0a1b2c3d4e5f6071",
                                                          ana, "Ana renovada");
        ASSERT_TRUE(abierto);
        EXPECT_TRUE(abierto->abierto);
        struct stat ahora {};
        ASSERT_EQ(stat(preferencias.c_str(), &ahora), 0);
        EXPECT_EQ(ahora.st_ino, antes.st_ino);
        EXPECT_FALSE(almacen->BorrarPerfilCertificado(Navegador::Chrome, "0a1b2c3d4e5f6071"));
        const auto lista = almacen->PerfilesCertificado(Navegador::Chrome);
        ASSERT_EQ(lista.size(), 2u);
        EXPECT_EQ(lista[0].id, "0a1b2c3d4e5f6071");
        EXPECT_EQ(lista[0].nombre, "Ana");
        EXPECT_TRUE(lista[0].abierto);
        EXPECT_GT(lista[0].bytes, 0u);
        EXPECT_FALSE(lista[1].abierto);
        fs::remove(a->carpeta + "/SingletonLock");
    }
    // Ids are hex digits only: nothing outside the profiles folder can be named.
    EXPECT_FALSE(almacen->PrepararPerfilCertificado(Navegador::Chrome, "../../x", ana, "x"));
    EXPECT_FALSE(almacen->BorrarPerfilCertificado(Navegador::Chrome, ".."));
    ASSERT_TRUE(almacen->BorrarPerfilCertificado(Navegador::Chrome, "0a1b2c3d4e5f6071"));
    EXPECT_FALSE(fs::exists(a->carpeta));
    EXPECT_TRUE(fs::exists(l->carpeta));
    EXPECT_EQ(almacen->PerfilesCertificado(Navegador::Chrome).size(), 1u);

    // The window frames tell the first eight clients apart; a new name keeps the colour.
    const auto color = [](const std::string& carpeta) {
        return En(Json(Leer(carpeta + "/Default/Preferences")), {"browser", "theme", "user_color"})
            .toInteger();
    };
    const auto deLuis = color(l->carpeta);
    std::set<qint64> colores{deLuis};
    for (const char* id :
         {"a4c123b1612dd272", "d1371c17149d4395", "36b3216fdaeeb975", "729fae923d5a4fd1",
          "2aabfe228f219e9c", "b0eb53f16947ccf2", "5ec84d8dbc742547"}) {
        auto p = almacen->PrepararPerfilCertificado(Navegador::Chrome, id, ana, id);
        ASSERT_TRUE(p) << p.motivo();
        colores.insert(color(p->carpeta));
    }
    EXPECT_EQ(colores.size(), 8u);
    ASSERT_TRUE(
        almacen->PrepararPerfilCertificado(Navegador::Chrome, "ffee000011112222", luis, "Luis"));
    EXPECT_EQ(En(Json(Leer(l->carpeta + "/Default/Preferences")), {"profile", "name"}).toString(),
              "Luis");
    EXPECT_EQ(color(l->carpeta), deLuis);
}

// The options window's list: each profile with the certificate it belongs to, or said to be
// without one when that certificate is no longer in the store.
TEST_F(Politicas, LaListaDePerfilesDiceDeQuienEsCadaUno) {
    prueba::Entorno xdg("XDG_CONFIG_HOME", raiz_ + "/config");
    TManejadorRegistro registro(CrearRegistroUsuario(), nullptr, CrearReglasLinux(raiz_));
    RegistroCertificado r;
    r.emitido_para = QStringLiteral("PÉREZ GARCÍA ANA - 12345678Z");
    r.alias = QStringLiteral("Talleres Ruiz");
    r.key_for_alias = QStringLiteral("0A1B2C3D4E5F60718293A4B5C6D7E8F901234567");
    TTablaCertificados tabla;
    tabla.Open();
    tabla.Reemplazar(TTablaCertificados::Preparar({r}));
    ASSERT_TRUE(registro.PrepararPerfilCertificado(
        Navegador::Chrome, IdPerfilCertificado(r.key_for_alias), {"ANA", "AC"}, "Talleres Ruiz"));
    ASSERT_TRUE(registro.PrepararPerfilCertificado(Navegador::Edge, "ffffffffffffffff",
                                                   {"VIEJO", "AC"}, "Renovado"));
    const auto lista = ListaPerfiles(registro, tabla);
    ASSERT_EQ(lista.size(), 2u);
    EXPECT_EQ(lista[0].navegador, Navegador::Chrome);
    EXPECT_EQ(lista[0].certificado, "Talleres Ruiz");
    EXPECT_TRUE(lista[0].presente);
    EXPECT_EQ(lista[1].navegador, Navegador::Edge);
    EXPECT_EQ(lista[1].certificado, "certificado ya no presente");
    EXPECT_FALSE(lista[1].presente);
    EXPECT_EQ(lista[1].info.carpeta, raiz_ + "/casa/Marlevanta/edge/perfiles/ffffffffffffffff");
}
