// The managed-policy option the whole road in real components, as root (only root writes below
// /etc by itself): an NSS database with client certificates, a TLS server on 127.0.0.1 that asks
// for one, the main window, Enter, C, and Debian's headless Chromium.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTcpSocket>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <vector>

#include "ayudantes.h"
#include "core/plataforma/u_procesoExterno.h"
#include "core/u_arranque.h"
#include "core/u_paginaInicio.h"
#include "core/u_sesionesPorCertificado.h"
#include "platform/linux/u_politicasArchivos.h"
#include "platform/u_sistema.h"
#include "programa_prueba.h"
#include "resultado_prueba.h"
#include "ui/u_frmEditarAlias.h"
#include "ui/u_frmElegirNavegador.h"
#include "ui/u_frmImportarCertificado.h"
#include "ui/u_frmMenu.h"
#include "ui/u_rejillaCertificados.h"
#include "ventanas.h"

using namespace marlevanta;
using prueba::ProgramaPrueba;
namespace fs = std::filesystem;

namespace {

// A TLS server on 127.0.0.1, with a key of its own made in `carpeta`, that asks for a client
// certificate issued by `ca` and answers with a page describing the one it got: openssl's, or,
// given `registro`, servidor_tls_galletas.py at `guion`, which also sets a cookie and writes to
// `registro` which certificate each request came with and whose visit set the cookie it carried.
class ServidorTls {
public:
    ServidorTls(const std::string& carpeta, const std::string& ca, const std::string& registro = {},
                const std::string& guion = {})
        : puerto_(prueba::PuertoLibre()) {
        prueba::Ejecutar(
            "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout '" +
            carpeta + "/srv.key' -out '" + carpeta + "/srv.pem' -subj /CN=127.0.0.1 -addext " +
            "subjectAltName=IP:127.0.0.1 -days 2 2>&1");
        const QString cert = QString::fromStdString(carpeta + "/srv.pem");
        const QString clave = QString::fromStdString(carpeta + "/srv.key");
        if (!registro.empty()) {
            proceso_.start("python3",
                           {QString::fromStdString(guion), QString::number(puerto_), cert, clave,
                            QString::fromStdString(ca), QString::fromStdString(registro)});
            return;
        }
        proceso_.start("openssl", {"s_server", "-accept", QString::number(puerto_), "-cert", cert,
                                   "-key", clave, "-Verify", "1", "-verifyCAfile",
                                   QString::fromStdString(ca), "-www"});
    }
    ~ServidorTls() {
        proceso_.kill();
        proceso_.waitForFinished();
    }

    // Started and taking connections.
    bool Escucha() {
        if (!proceso_.waitForStarted()) return false;
        for (int i = 0; i < 100; ++i) {
            QTcpSocket s;
            s.connectToHost("127.0.0.1", static_cast<quint16>(puerto_));
            if (s.waitForConnected(100)) return true;
            QTest::qWait(50);
        }
        return false;
    }
    int puerto() const { return puerto_; }

private:
    int puerto_;
    QProcess proceso_;
};

// Folders the run may create below /etc, deepest first; those that were not there are removed.
class EtcComoEstaba {
public:
    EtcComoEstaba() {
        for (const char* c : {"/etc/chromium/policies/managed", "/etc/chromium/policies",
                              "/etc/opt/chrome/policies/managed", "/etc/opt/chrome/policies",
                              "/etc/opt/chrome", "/etc/opt/edge/policies/managed",
                              "/etc/opt/edge/policies", "/etc/opt/edge", "/etc/opt"}) {
            if (!fs::exists(c)) nuevas_.push_back(c);
        }
    }
    ~EtcComoEstaba() {
        std::error_code ec;
        for (const char* c : {"/etc/chromium/policies/managed", "/etc/opt/chrome/policies/managed",
                              "/etc/opt/edge/policies/managed"}) {
            fs::remove(std::string(c) + "/" + ArchivoPolitica(getuid()), ec);
        }
        for (const auto& c : nuevas_) fs::remove(c, ec);  // only when empty
    }

private:
    std::vector<std::string> nuevas_;
};

// A run's own folder (with bin/ first on PATH), settings and HOME, policies read from /etc as
// Chromium reads them, and /etc left as it was found.
struct Recorrido {
    explicit Recorrido(const std::string& casa) : home("HOME", casa.empty() ? d + "/home" : casa) {
        fs::create_directories(d + "/bin");
        fs::create_directories(d + "/home");
    }

    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    prueba::Entorno home;
    prueba::Entorno xdg{"XDG_CONFIG_HOME", d + "/config"};
    prueba::Entorno raiz{"MARLEVANTA_POLICY_ROOT", "/"};
    prueba::Entorno path{"PATH", d + "/bin:" + std::string(std::getenv("PATH"))};
    EtcComoEstaba etc;
};

}  // namespace

TEST(ExtremoAExtremo, ConLaPoliticaDelSistemaChromiumRecibeElCertificadoElegido) {
    const std::string chromium = CrearIniciadorProcesos()->BuscarEnPath({"chromium"});
    if (getuid() != 0 || chromium.empty()) {
        GTEST_SKIP() << "needs root (Chromium reads policies only from /etc) and Debian's chromium";
    }
    const auto& base = prueba::BaseNssCompartida();
    const std::string trabajo = base.home.path().toStdString() + "/trabajo";
    Recorrido recorrido(base.home.path().toStdString());
    const std::string& d = recorrido.d;

    ServidorTls servidor(d, trabajo + "/ca.pem");
    ASSERT_TRUE(servidor.Escucha());
    const int puerto = servidor.puerto();

    // Stands in for Google Chrome: Debian's Chromium, headless, with a time limit, since without
    // the policy it would wait for a certificate choice that never comes. It keeps what the
    // policy held when it started, and runs on a profile of its own: only the managed policy, not
    // the rule in the program's profile, can give it the certificate.
    const std::string pagina = d + "/pagina.html";
    const std::string durante = d + "/politica-al-arrancar.json";
    const std::string politica = "/etc/chromium/policies/managed/" + ArchivoPolitica(getuid());
    {
        std::ofstream w(d + "/bin/google-chrome");
        w << "#!/bin/sh\ncat '" << politica << "' > '" << durante << ".tmp' && mv '" << durante
          << ".tmp' '" << durante << "'\nexec timeout 60 " << chromium
          << " --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking"
             " --disable-component-update --disable-sync --ignore-certificate-errors \"$@\""
             " --user-data-dir='"
          << d << "/perfil-propio' --dump-dom https://127.0.0.1:" << puerto << "/ > '" << pagina
          << "' 2>/dev/null\n";
    }
    fs::permissions(d + "/bin/google-chrome", fs::perms::owner_all);

    prueba::ProgramaPrueba programa;
    ASSERT_TRUE(programa.registro->IniciarValoresSiNoExisten());
    ASSERT_TRUE(programa.registro->EscribirValor("NavegadorPoliticaSistema", "1"));
    TfrmMenu* ventana = &programa.Abrir({});
    ventana->edtBuscarNombre()->setText("12345678Z");
    ASSERT_EQ(ventana->cdsCertificados().Actual().emitido_para, "PÉREZ GARCÍA ANA - 12345678Z");

    std::string politicaDurante;
    bool seguiaTrasOtraCopia = false;
    QString final;
    prueba::AlAbrirseDialogoDe<TfrmElegirNavegador>([&](TfrmElegirNavegador* dialogo) {
        QTimer::singleShot(0, [&] {
            // Once the browser runs: a second copy's start-up leaves the run's policy alone.
            for (int i = 0; i < 6000 && !fs::exists(durante); ++i) QTest::qWait(10);
            politicaDurante = prueba::Ejecutar("cat '" + durante + "'");
            ProgramaPrueba otra;
            TManejadorApi api(&CrearClienteHttp, QString());
            (void)Arranque(*otra.registro, api, *otra.fondo, recorrido.dir.path(), 10004)
                .AntesDeMostrar();
            seguiaTrasOtraCopia = prueba::Ejecutar("cat '" + politica + "'") == politicaDurante;
        });
        QTest::keyClick(dialogo, Qt::Key_C);
        for (int i = 0; i < 9000 && dialogo->Ejecutando(); ++i) QTest::qWait(10);
        final = dialogo->lblPregunta()->text();
        QTest::keyClick(dialogo, Qt::Key_Escape);
    });
    QTest::keyClick(ventana->grdCertificados(), Qt::Key_Return);
    programa.Cerrar();

    std::ifstream f(pagina);
    const std::string html((std::istreambuf_iterator<char>(f)), {});
    EXPECT_EQ(final, "Proceso finalizado con Google Chrome");
    EXPECT_NE(politicaDurante.find(R"(\"SUBJECT\":{\"CN\":\"PÉREZ GARCÍA ANA - 12345678Z\"})"),
              std::string::npos)
        << politicaDurante;
    EXPECT_TRUE(seguiaTrasOtraCopia);
    EXPECT_NE(html.find("Subject: CN=P\\xC3\\x89REZ GARC\\xC3\\x8DA ANA - 12345678Z"),
              std::string::npos)
        << html.substr(0, 2000);
    // The user's file stays, holding an empty policy.
    for (const char* c : {"/etc/chromium/policies/managed/", "/etc/opt/chrome/policies/managed/"}) {
        EXPECT_EQ(prueba::Ejecutar(std::string("cat '") + c + ArchivoPolitica(getuid()) + "'"),
                  "{}\n");
    }
}

// From nothing to the page: a user with no NSS database and a .p12 file imports it from the
// window, gives it a start page, and Chromium opens on that page presenting the certificate to
// a server that asks for one.
TEST(ExtremoAExtremo, UnUsuarioNuevoImportaSuP12YEntraEnSuPaginaConElCertificado) {
    const std::string chromium = CrearIniciadorProcesos()->BuscarEnPath({"chromium"});
    if (getuid() != 0 || chromium.empty()) {
        GTEST_SKIP() << "needs root (Chromium reads policies only from /etc) and Debian's chromium";
    }
    const std::string p12 = prueba::CarpetaP12();
    Recorrido recorrido({});
    const std::string& d = recorrido.d;

    ServidorTls servidor(d, p12 + "/ca.pem");
    ASSERT_TRUE(servidor.Escucha());
    const int puerto = servidor.puerto();

    // Google Chrome's stand-in: Chromium, headless, given the program's own arguments only; the
    // page it opens is the one the program passes.
    const std::string pagina = d + "/pagina.html";
    {
        std::ofstream w(d + "/bin/google-chrome");
        w << "#!/bin/sh\nexec timeout 60 " << chromium
          << " --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking"
             " --disable-component-update --disable-sync --ignore-certificate-errors --dump-dom"
             " \"$@\" > '"
          << pagina << "' 2>/dev/null\n";
    }
    fs::permissions(d + "/bin/google-chrome", fs::perms::owner_all);

    prueba::ProgramaPrueba programa;
    TfrmMenu* ventana = &programa.Abrir({});
    ASSERT_EQ(ventana->grdCertificados()->Aviso(), TfrmMenu::kTextoSinCertificados);
    ventana->elegirArchivo = [&](QWidget*) { return QString::fromStdString(p12 + "/ana.p12"); };
    prueba::AlAbrirseDialogoDe<TfrmImportarCertificado>([](TfrmImportarCertificado* d) {
        d->edtContrasena()->setText(QStringLiteral("clave Ñandú 1"));
        d->btnImportar()->click();
    });
    QTest::keyClick(ventana->grdCertificados(), Qt::Key_I, Qt::ControlModifier);
    programa.EsperarCarga();
    ASSERT_EQ(ventana->cdsCertificados().TotalFilas(), 1);
    ASSERT_EQ(ventana->cdsCertificados().Actual().emitido_para, "PÉREZ GARCÍA ANA - 12345678Z");

    const QString direccion = QStringLiteral("https://127.0.0.1:%1/").arg(puerto);
    prueba::AlAbrirseDialogoDe<TfrmEditarAlias>([&](TfrmEditarAlias* editor) {
        editor->edtPagina()->setText(direccion);
        QTest::keyClick(editor->edtPagina(), Qt::Key_Return);
    });
    QTest::keyClick(ventana->grdCertificados(), Qt::Key_F2);

    QString final;
    prueba::AlAbrirseDialogoDe<TfrmElegirNavegador>([&](TfrmElegirNavegador* dialogo) {
        QTest::keyClick(dialogo, Qt::Key_C);
        for (int i = 0; i < 9000 && dialogo->Ejecutando(); ++i) QTest::qWait(10);
        final = dialogo->lblPregunta()->text();
        QTest::keyClick(dialogo, Qt::Key_Escape);
    });
    QTest::keyClick(ventana->grdCertificados(), Qt::Key_Return);
    programa.Cerrar();

    std::ifstream f(pagina);
    const std::string html((std::istreambuf_iterator<char>(f)), {});
    EXPECT_EQ(final, "Proceso finalizado con Google Chrome");
    // The server's page, and in it the certificate the browser presented.
    EXPECT_NE(html.find("IDCES-12345678Z"), std::string::npos) << html.substr(0, 2000);
    EXPECT_FALSE(fs::exists("/etc/chromium/policies/managed/marlevanta.json"));
}

// A profile per certificate: two clients' certificates used one after the other, both browsers
// alive at once, each presenting its own certificate to the same server; the first one used
// again while its browser runs goes to the same profile.
TEST(ExtremoAExtremo, UnPerfilPorCertificadoDosNavegadoresALaVezCadaUnoConElSuyo) {
    const std::string chromium = CrearIniciadorProcesos()->BuscarEnPath({"chromium"});
    if (chromium.empty()) GTEST_SKIP() << "needs Debian's chromium";
    // What a user does: run as an ordinary account when the suite runs as root, with the test
    // certificates made here (the scripts may be where only root can enter) and readable.
    // The second client's name holds a quotation mark and a backslash (issued by an authority of
    // its own): the rule must name it byte for byte for the browser to choose it by itself.
    const auto hacerSur = [](const std::string& carpeta) {
        if (fs::exists(carpeta + "/sur/sur.p12")) return;
        prueba::Ejecutar("bash " + prueba::Script("crear_nssdb_caducidad.sh") + " '" + carpeta +
                         "/sur/db' '" + carpeta +
                         "/sur' 'sur:200:LUIS \"EL DE\" SUR\\\\NORTE' 2>&1");
    };
    if (getuid() == 0) {
        const std::string hechos = prueba::CarpetaP12();
        hacerSur(hechos);
        fs::copy_file(prueba::Script("servidor_tls_galletas.py"),
                      hechos + "/servidor_tls_galletas.py", fs::copy_options::overwrite_existing);
        for (const auto& e : fs::recursive_directory_iterator(hechos)) {
            fs::permissions(e.path(), fs::perms::others_read | fs::perms::group_read,
                            fs::perm_options::add);
        }
        fs::permissions(hechos, fs::perms::owner_all | fs::perms::others_read |
                                    fs::perms::others_exec | fs::perms::group_read |
                                    fs::perms::group_exec);
        QProcessEnvironment e;
        e.insert("MARLEVANTA_PRUEBA_P12", QString::fromStdString(hechos));
        prueba::RepetirComoNadie(e);
        return;
    }
    const char* dados = std::getenv("MARLEVANTA_PRUEBA_P12");
    const std::string p12 = dados ? std::string(dados) : prueba::CarpetaP12();
    if (!dados) hacerSur(p12);
    Recorrido recorrido({});
    const std::string& d = recorrido.d;
    const std::string nss = d + "/home/.pki/nssdb";
    fs::create_directories(nss);
    prueba::Ejecutar("certutil -N -d 'sql:" + nss + "' --empty-password 2>&1");
    prueba::Ejecutar("pk12util -i '" + p12 + "/ana.p12' -d 'sql:" + nss +
                     "' -W 'clave Ñandú 1' 2>&1");
    prueba::Ejecutar("pk12util -i '" + p12 + "/sur/sur.p12' -d 'sql:" + nss + "' -W '' 2>&1");
    prueba::Ejecutar("cat '" + p12 + "/ca.pem' '" + p12 + "/sur/ca.pem' > '" + d + "/cas.pem'");
    const std::string visitas = d + "/visitas";
    ServidorTls servidor(
        d, d + "/cas.pem", visitas,
        dados ? p12 + "/servidor_tls_galletas.py" : prueba::Script("servidor_tls_galletas.py"));
    ASSERT_TRUE(servidor.Escucha());

    // Google Chrome's stand-in: records its arguments and stays until the test lets it go, then
    // runs Chromium headless with them; with solo-args it stands for a hand-over and ends.
    const std::string log = d + "/log";
    fs::create_directories(log);
    {
        std::ofstream w(d + "/bin/google-chrome");
        // Whether it stands for a hand-over is settled before its arguments show: the test makes
        // solo-args as soon as it has seen them, which must not end a browser started before.
        // Written aside and renamed: the test reads a file as soon as it shows.
        w << "#!/bin/sh\nsolo=; [ -e '" << log << "/solo-args' ] && solo=1\n"
          << "echo \"$@\" > '" << log << "/.a-'$$\nmv '" << log << "/.a-'$$ '" << log
          << "/args-'$$\n"
          << "[ -n \"$solo\" ] && exit 0\n"
          << "i=0; while [ ! -e '" << log << "/seguir' ] && [ $i -lt 1200 ]; do sleep 0.1; "
          << "i=$((i+1)); done\n"
          << "exec timeout 60 " << chromium
          << " --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking"
             " --disable-component-update --disable-sync --ignore-certificate-errors --dump-dom"
             " \"$@\" > '"
          << log << "/pagina-'$$'.html' 2>/dev/null\n";
    }
    fs::permissions(d + "/bin/google-chrome", fs::perms::owner_all);
    const auto archivos = [&log](const std::string& prefijo) {
        std::map<std::string, std::string> r;  // pid -> content
        for (const auto& e : fs::directory_iterator(log)) {
            const std::string n = e.path().filename().string();
            if (n.rfind(prefijo, 0) != 0) continue;
            std::ifstream f(e.path());
            r[n.substr(prefijo.size())] = std::string(std::istreambuf_iterator<char>(f), {});
        }
        return r;
    };

    prueba::ProgramaPrueba programa;
    // Whatever way the test ends, the stand-ins go: ctest waits for every process that holds
    // the test's output; released before the program, which waits for them.
    struct Soltar {
        std::string log;
        ~Soltar() { std::ofstream(log + "/seguir").close(); }
    } soltar{log};
    {
        Ajustes& a = programa.registro->ajustes();
        ASSERT_TRUE(programa.registro->IniciarValoresSiNoExisten());
        ASSERT_TRUE(a.Fijar(ajuste::PerfilPorCertificado, true));
    }
    TfrmMenu* ventana = &programa.Abrir({});
    TTablaCertificados& t = ventana->cdsCertificados();
    ASSERT_EQ(t.TotalFilas(), 2);
    const QString direccion = QStringLiteral("https://127.0.0.1:%1/").arg(servidor.puerto());
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(EscribirPaginaInicio(*programa.registro, t.Fila(i).key_for_alias.toStdString(),
                                         direccion.toStdString()));
    }
    const auto usar = [&](const QString& nombre) {
        for (int i = 0; i < t.RecordCount(); ++i) {
            if (t.Fila(i).emitido_para == nombre) t.SetRecNo(i + 1);
        }
        ASSERT_EQ(t.Actual().emitido_para, nombre);
        prueba::AlAbrirseDialogoDe<TfrmElegirNavegador>(
            [](TfrmElegirNavegador* dialogo) { QTest::keyClick(dialogo, Qt::Key_C); });
        QTest::keyClick(ventana->grdCertificados(), Qt::Key_Return);
    };
    const QString ana = QStringLiteral("PÉREZ GARCÍA ANA - 12345678Z");
    const QString luis = QStringLiteral("LUIS \"EL DE\" SUR\\NORTE");
    usar(ana);
    ASSERT_TRUE(prueba::EsperarQue([&] { return archivos("args-").size() == 1; }));
    // The first browser still runs, and the window takes the next certificate at once.
    usar(luis);
    ASSERT_TRUE(prueba::EsperarQue([&] { return archivos("args-").size() == 2; }));
    QLabel* abiertos = ventana->findChild<QLabel*>(QStringLiteral("lblAbiertos"));
    ASSERT_NE(abiertos, nullptr);
    EXPECT_TRUE(abiertos->isVisible());
    EXPECT_TRUE(abiertos->text().contains(ana) && abiertos->text().contains(luis))
        << abiertos->text().toStdString();

    const auto perfilDe = [](const std::string& args) {
        const auto i = args.find("--user-data-dir=");
        return args.substr(i + 16, args.find(' ', i) - i - 16);
    };
    const auto primeros = archivos("args-");
    std::set<std::string> perfiles;
    for (const auto& [pid, args] : primeros) perfiles.insert(perfilDe(args));
    ASSERT_EQ(perfiles.size(), 2u) << "one profile per certificate";
    std::ofstream(log + "/solo-args").close();
    usar(ana);  // again, while its browser runs
    ASSERT_TRUE(prueba::EsperarQue([&] { return archivos("args-").size() == 3; }));
    for (const auto& [pid, args] : archivos("args-")) {
        EXPECT_TRUE(perfiles.count(perfilDe(args))) << "a new profile folder: " << args;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(d + "/home/Marlevanta/chrome/perfiles"),
                            fs::directory_iterator()),
              2);

    // Let both browsers go: each presents its own certificate to the same server.
    std::ofstream(log + "/seguir").close();
    ASSERT_TRUE(prueba::EsperarQue([&] { return abiertos->isHidden(); }, 120000))
        << "the browsers never ended: " << abiertos->text().toStdString();
    const auto paginas = archivos("pagina-");
    ASSERT_EQ(paginas.size(), 2u);
    const auto perfilEsperado = [&](const QString& nombre) {
        for (int i = 0; i < t.TotalFilas(); ++i) {
            if (t.FilaCargada(i).emitido_para == nombre) {
                return d + "/home/Marlevanta/chrome/perfiles/" +
                       IdPerfilCertificado(t.FilaCargada(i).key_for_alias);
            }
        }
        return std::string();
    };
    int vistos = 0;
    for (const auto& [archivo, html] : paginas) {
        const bool esAna = html.find("IDCES-12345678Z") != std::string::npos;
        const bool esLuis = html.find("NORTE") != std::string::npos;
        ASSERT_NE(esAna, esLuis) << html.substr(0, 1500);
        // The page came from the browser started on that certificate's own profile.
        const std::string pid = archivo.substr(0, archivo.size() - std::string(".html").size());
        EXPECT_EQ(perfilDe(primeros.at(pid)), perfilEsperado(esAna ? ana : luis));
        vistos += esAna ? 1 : 2;
    }
    EXPECT_EQ(vistos, 3) << "each certificate seen once";

    // Each profile keeps its own cookies: A, used again, comes back with the cookie of its first
    // visit, and B, after that, with its own and never A's.
    fs::remove(log + "/solo-args");
    const auto visitasARaiz = [&visitas] {
        std::vector<QJsonObject> r;
        std::ifstream f(visitas);
        for (std::string l; std::getline(f, l);) {
            const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(l)).object();
            if (o.value("ruta").toString() == "/") r.push_back(o);
        }
        return r;
    };
    ASSERT_EQ(visitasARaiz().size(), 2u);
    const auto otraVez = [&](const QString& nombre, size_t visita) {
        usar(nombre);
        ASSERT_TRUE(prueba::EsperarQue([&] { return visitasARaiz().size() == visita; }, 60000))
            << "the server was not reached again with " << nombre.toStdString();
        // Ended, so that its cookies are on disk before the next browser starts.
        ASSERT_TRUE(prueba::EsperarQue([&] { return abiertos->isHidden(); }, 60000));
    };
    otraVez(ana, 3);
    otraVez(luis, 4);
    const auto todas = visitasARaiz();
    for (size_t i = 0; i < todas.size(); ++i) {
        const QString cert = todas[i].value("certificado").toString();
        const QJsonValue galleta = todas[i].value("galleta_de");
        if (i < 2) {
            EXPECT_TRUE(galleta.isNull()) << "first visit " << i << " came with a cookie";
        } else {
            EXPECT_EQ(galleta.toString(), cert)
                << "visit " << i << " with " << cert.toStdString() << " carried the cookie of "
                << (galleta.isNull() ? std::string("nobody") : galleta.toString().toStdString());
        }
    }
    EXPECT_TRUE(todas[2].value("certificado").toString().contains("12345678Z"));
    EXPECT_TRUE(todas[3].value("certificado").toString().contains("NORTE"));
    EXPECT_EQ(std::distance(fs::directory_iterator(d + "/home/Marlevanta/chrome/perfiles"),
                            fs::directory_iterator()),
              2);
    programa.Cerrar();
}
