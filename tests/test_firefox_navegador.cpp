// Using a certificate with Firefox: real Firefox ESR, headless, on the program's own profile,
// against a TLS server on 127.0.0.1 that requires a client certificate and records which one
// it was given.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "ayudantes.h"
#include "core/u_manejadorRegistro.h"
#include "core/u_segundoPlano.h"
#include "core/u_sesionesPorCertificado.h"
#include "platform/u_sistema.h"
#include "resultado_prueba.h"
#include "ui/u_frmElegirNavegador.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ventanas.h"

using namespace marlevanta;
namespace fs = std::filesystem;

namespace {

// Stands in for `firefox` on PATH: records its arguments and what the profile holds while the
// browser runs (keys listed with the store's password and with none, certificates, the folder's
// mode, the settings), then runs Debian's Firefox ESR headless on the same arguments, loading
// the test server's page, with a time limit: a prompt for a certificate would never end.
const char* kFirefox = R"guion(#!/bin/sh
log="$MARLEVANTA_PRUEBA_LOG"
n=$(ls "$log" | grep -c '^argumentos-')
echo "$@" > "$log/argumentos-$n"
perfil="$2"
certutil -K -d "sql:$perfil" -f "$log/pw" > "$log/claves-$n" 2>&1
printf '\n' > "$log/vacia"
certutil -K -d "sql:$perfil" -f "$log/vacia" > "$log/claves-sin-contrasena-$n" 2>&1
certutil -L -d "sql:$perfil" > "$log/certificados-$n" 2>&1
stat -c %a "$perfil" "$perfil/key4.db" "$perfil/cert9.db" > "$log/modo-$n"
cp "$perfil/user.js" "$log/user-$n.js"
if [ -z "$MARLEVANTA_PRUEBA_TECLEAR" ]; then
    timeout 120 /usr/bin/firefox-esr --headless "$@" --screenshot "$log/pantalla-$n.png" \
        "$MARLEVANTA_PRUEBA_PAGINA" > "$log/firefox-$n.log" 2>&1
    echo $? > "$log/fin-$n"
    exit 0
fi
# A key guarded by a password: Firefox asks for it in a window of its own, on a display, and
# the password is typed there as the user would; Firefox is closed once the page has come.
visitas() { cat "$log/visitas" 2>/dev/null | grep -c '"ruta": "/"'; }
antes=$(visitas)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$log/pantalla-$n" >/dev/null 2>&1 &
x=$!
i=0; while [ ! -s "$log/pantalla-$n" ] && [ $i -lt 600 ]; do sleep 0.1; i=$((i+1)); done
export DISPLAY=":$(cat "$log/pantalla-$n")"
openbox >/dev/null 2>&1 &
o=$!
/usr/bin/firefox-esr "$@" "$MARLEVANTA_PRUEBA_PAGINA" > "$log/firefox-$n.log" 2>&1 &
f=$!
# Typed again when it comes back: keys sent before the window took them leave it empty.
for intento in 1 2 3 4 5; do
    w=$(timeout 60 xdotool search --sync --onlyvisible --name "Password Required|Contrase" |
        head -1)
    [ -n "$w" ] || break
    echo "$w" >> "$log/ventana-contrasena-$n"
    xdotool windowactivate --sync "$w" >/dev/null 2>&1
    xdotool key --clearmodifiers ctrl+a BackSpace type --delay 30 "$MARLEVANTA_PRUEBA_TECLEAR"
    xdotool key Return
    i=0; while [ "$(visitas)" -le "$antes" ] && [ $i -lt 100 ]; do
        sleep 0.1; i=$((i+1))
    done
    [ "$(visitas)" -gt "$antes" ] && break
done
{ kill $f; wait $f; kill $o $x; } 2>/dev/null
echo tecleada > "$log/fin-$n"
)guion";

struct Cliente {
    std::string sha1;
    std::string sha256;
};

// Lines of `certutil -K` that name a key ("<0> ec ...").
int Claves(const std::string& listado) {
    static const QRegularExpression clave(QStringLiteral("^<\\s*\\d+>"),
                                          QRegularExpression::MultilineOption);
    int n = 0;
    for (auto i = clave.globalMatch(QString::fromStdString(listado)); i.hasNext(); i.next()) ++n;
    return n;
}

class FirefoxPropio : public testing::Test {
protected:
    // The user's store (guarded by `contrasena` when given), the TLS server and the stand-in;
    // false when the test cannot go on.
    bool Preparar(const std::string& contrasena = {}, bool conFirefox = true) {
        Montar(contrasena, conFirefox);
        return !HasFatalFailure() && !IsSkipped();
    }
    void Montar(const std::string& contrasena, bool conFirefox) {
        if (!fs::exists("/usr/bin/certutil")) GTEST_SKIP() << "needs libnss3-tools";
        if (conFirefox && !fs::exists("/usr/bin/firefox-esr")) {
            GTEST_SKIP() << "needs Debian's firefox-esr";
        }
        for (const char* sub : {"/home", "/config", "/bin", "/log", "/cache", "/trabajo"})
            fs::create_directories(d_ + sub);
        Poner("HOME", d_ + "/home");
        Poner("XDG_CONFIG_HOME", d_ + "/config");
        Poner("XDG_CACHE_HOME", d_ + "/cache");
        Poner("XDG_RUNTIME_DIR", "");
        Poner("MARLEVANTA_PRUEBA_LOG", d_ + "/log");
        Poner("PATH", d_ + "/bin:/usr/bin:/bin");
        std::istringstream lineas(prueba::Ejecutar(
            "bash " + Guion("crear_firefox_prueba.sh") + " " + prueba::Citado(d_ + "/trabajo") +
            " " + prueba::Citado(Almacen()) + " " + prueba::Citado(contrasena)));
        for (std::string nombre, sha1, sha256; lineas >> nombre >> sha1 >> sha256;) {
            clientes_[nombre] = {sha1, sha256};
        }
        ASSERT_EQ(clientes_.size(), 3u);
        std::ofstream(d_ + "/log/pw") << contrasena << "\n";
        const int puerto = prueba::PuertoLibre();
        const QString t = QString::fromStdString(d_ + "/trabajo/");
        servidor_.start("python3", {QString::fromStdString(Guion("servidor_tls_galletas.py")),
                                    QString::number(puerto), t + "srv.pem", t + "srv.key",
                                    t + "cas.pem", QString::fromStdString(d_ + "/log/visitas")});
        ASSERT_TRUE(servidor_.waitForStarted());
        ASSERT_TRUE(prueba::EsperarQue([puerto] {
            QTcpSocket s;
            s.connectToHost("127.0.0.1", static_cast<quint16>(puerto));
            return s.waitForConnected(100);
        })) << "el servidor TLS no escucha";
        Poner("MARLEVANTA_PRUEBA_PAGINA", "https://127.0.0.1:" + std::to_string(puerto) + "/");
        const std::string firefox = d_ + "/bin/firefox";
        std::ofstream(firefox) << kFirefox;
        fs::permissions(firefox, fs::perms::owner_all);
        registro_ = std::make_unique<TManejadorRegistro>(CrearRegistroUsuario(), nullptr,
                                                         CrearAlmacenPoliticas());
    }
    void TearDown() override {
        prueba::OlvidarDialogos();
        servidor_.kill();
        servidor_.waitForFinished();
    }
    // The test's scripts; a run as another user is given copies it can read.
    static std::string Guion(const std::string& nombre) {
        const char* copias = std::getenv("MARLEVANTA_PRUEBA_GUIONES");
        return copias ? std::string(copias) + "/" + nombre : prueba::Script(nombre);
    }
    void Poner(const char* nombre, const std::string& valor) {
        entorno_.push_back(std::make_unique<prueba::Entorno>(nombre, valor));
    }
    std::string Almacen() const { return d_ + "/home/.pki/nssdb"; }
    std::string Perfil() const { return d_ + "/home/Marlevanta/firefox"; }
    std::string Log(const std::string& archivo) const {
        std::ifstream f(d_ + "/log/" + archivo);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    bool HayLog(const std::string& archivo) const { return fs::exists(d_ + "/log/" + archivo); }
    // The SHA-256 fingerprints of the certificates the server was given, in order.
    std::vector<std::string> Recibidos() const {
        std::vector<std::string> r;
        std::istringstream lineas(Log("visitas"));
        for (std::string l; std::getline(lineas, l);) {
            const QJsonObject v = QJsonDocument::fromJson(QByteArray::fromStdString(l)).object();
            if (v.value("ruta").toString() == "/") {
                r.push_back(v.value("huella").toString().toStdString());
            }
        }
        return r;
    }
    bool HayCopia() const {
        return fs::exists(Perfil() + "/key4.db") || fs::exists(Perfil() + "/cert9.db");
    }
    ReglaCertificado Regla(const std::string& nombre) {
        return {"x", "y", clientes_.at(nombre).sha1};
    }
    std::unique_ptr<TfrmElegirNavegador> Dialogo() {
        SesionNavegador::Entorno e{
            registro_.get(), [this](Navegador n) { return BuscarComandoNavegador(n, *procesos_); },
            procesos_};
        return std::make_unique<TfrmElegirNavegador>(nullptr, std::move(e), fondo_, comunes_,
                                                     nullptr);
    }
    // The certificate used with Firefox through the dialog, as the user does (key F); what the
    // dialog said at the end.
    QString Usar(TfrmElegirNavegador& d, const std::string& nombre) {
        d.certificado = Regla(nombre);
        QString pregunta;
        QTimer::singleShot(0, [&] {
            QTest::keyClick(&d, Qt::Key_F);
            EXPECT_TRUE(prueba::EsperarQue([&] { return !d.Ejecutando(); }, 180000))
                << "Firefox no ha terminado";
            pregunta = d.lblPregunta()->text();
            QTest::keyClick(&d, Qt::Key_Escape);
        });
        d.exec();
        return pregunta;
    }

    QTemporaryDir dir_;
    const std::string d_ = dir_.path().toStdString();
    std::vector<std::unique_ptr<prueba::Entorno>> entorno_;
    std::map<std::string, Cliente> clientes_;
    QProcess servidor_;
    std::unique_ptr<TManejadorRegistro> registro_;
    std::shared_ptr<IniciadorProcesos> procesos_ = CrearIniciadorProcesos();
    TmanejadorFuncionesComunes comunes_;
    SegundoPlano fondo_;
};

}  // namespace

TEST_F(FirefoxPropio, CadaCertificadoLlegaAlServidorSinPreguntarYNoQuedaEnElPerfil) {
    if (getuid() == 0) {
        // As the user it is for: no root, a home of its own.
        QTemporaryDir copias;
        for (const char* g :
             {"crear_firefox_prueba.sh", "ca_tls_prueba.sh", "servidor_tls_galletas.py"}) {
            fs::copy_file(prueba::Script(g), copias.path().toStdString() + "/" + g);
        }
        fs::permissions(copias.path().toStdString(),
                        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec);
        QProcessEnvironment e;
        e.insert("MARLEVANTA_PRUEBA_GUIONES", copias.path());
        prueba::RepetirComoNadie(e);
        return;
    }
    if (!Preparar()) return;
    const auto almacenAntes = prueba::HuellasArchivos(Almacen());
    // The odd name, then each of two certificates named alike, the one the browser would not
    // prefer first.
    const std::vector<std::string> orden = {"raro", "gemelodos", "gemelouno"};
    for (size_t n = 0; n < orden.size(); ++n) {
        SCOPED_TRACE(orden[n]);
        const std::string i = std::to_string(n);
        auto dialogo = Dialogo();
        EXPECT_EQ(Usar(*dialogo, orden[n]), "Proceso finalizado con Mozilla Firefox");
        EXPECT_EQ(Log("fin-" + i), "0\n") << Log("firefox-" + i);
        EXPECT_EQ(Log("argumentos-" + i), "--profile " + Perfil() + "\n");
        const auto recibidos = Recibidos();
        ASSERT_EQ(recibidos.size(), n + 1) << Log("firefox-" + i);
        EXPECT_EQ(recibidos.back(), clientes_[orden[n]].sha256);
        // While it ran: one key, one certificate of the user's, the trusted authority with its
        // trust, a folder of the user's alone, and the choice made automatically.
        EXPECT_EQ(Claves(Log("claves-" + i)), 1) << Log("claves-" + i);
        const std::string certificados = Log("certificados-" + i);
        EXPECT_EQ(QString::fromStdString(certificados).count("u,u,u"), 1) << certificados;
        EXPECT_TRUE(QString::fromStdString(certificados)
                        .contains(QRegularExpression("AC Prueba uno\\s+C,,")))
            << certificados;
        EXPECT_FALSE(QString::fromStdString(certificados)
                         .contains(QRegularExpression("AC Prueba dos\\s+[A-Za-z]")))
            << "una autoridad sin confianza en el almacén la tiene en la copia:\n"
            << certificados;
        EXPECT_EQ(Log("modo-" + i), "700\n600\n600\n");
        EXPECT_NE(
            Log("user-" + i + ".js")
                .find(R"(user_pref("security.default_personal_cert", "Select Automatically");)"),
            std::string::npos);
        EXPECT_FALSE(HayCopia()) << "la copia sigue en el perfil tras cerrarse Firefox";
    }
    EXPECT_EQ(prueba::HuellasArchivos(Almacen()), almacenAntes) << "el almacén ha cambiado";
}

TEST_F(FirefoxPropio, UnAlmacenConContrasenaDaUnPerfilConLaMismaYLaPideOtraVezSiEsMala) {
    // Typed into Firefox's own window by xdotool, which sends only what the test display's
    // keyboard has: plain letters.
    const std::string contrasena = "clave del almacen 7";
    for (const char* p : {"/usr/bin/Xvfb", "/usr/bin/openbox", "/usr/bin/xdotool"}) {
        if (!fs::exists(p)) GTEST_SKIP() << "needs Xvfb, openbox and xdotool";
    }
    if (!Preparar(contrasena)) return;
    // Firefox asks for the copy's password before it presents the key.
    Poner("MARLEVANTA_PRUEBA_TECLEAR", contrasena);
    {
        // Given up: no browser, nothing written.
        auto dialogo = Dialogo();
        dialogo->pedirContrasena = [](QWidget*, bool) { return std::nullopt; };
        EXPECT_EQ(Usar(*dialogo, "raro"), "No se ha abierto Mozilla Firefox");
        EXPECT_FALSE(HayLog("argumentos-0"));
        EXPECT_FALSE(HayCopia());
    }
    auto dialogo = Dialogo();
    std::vector<bool> preguntas;
    dialogo->pedirContrasena = [&](QWidget*, bool incorrecta) -> std::optional<std::string> {
        preguntas.push_back(incorrecta);
        return preguntas.size() == 1 ? "mala" : contrasena;
    };
    EXPECT_EQ(Usar(*dialogo, "gemelodos"), "Proceso finalizado con Mozilla Firefox");
    EXPECT_EQ(preguntas, (std::vector<bool>{false, true}));
    EXPECT_TRUE(HayLog("ventana-contrasena-0")) << "Firefox no ha pedido la contraseña";
    ASSERT_EQ(Recibidos(), std::vector<std::string>{clientes_["gemelodos"].sha256})
        << Log("firefox-0");
    EXPECT_EQ(Claves(Log("claves-0")), 1) << Log("claves-0");
    EXPECT_EQ(Claves(Log("claves-sin-contrasena-0")), 0)
        << "la copia de la clave no tiene la contraseña del almacén:\n"
        << Log("claves-sin-contrasena-0");
    EXPECT_FALSE(HayCopia());
}

TEST_F(FirefoxPropio, UnFirefoxAbiertoConservaSuCopiaYLoQueDejaUnCierreBruscoSeQuitaDespues) {
    if (!Preparar({}, /*conFirefox=*/false)) return;
    {
        auto turno = registro_->ReservarNavegador(Navegador::Firefox);
        ASSERT_TRUE(turno) << turno.motivo();
        ASSERT_TRUE(
            registro_->EscribirCertificado(Navegador::Firefox, Regla("raro"), LugarRegla::Perfil));
        // Another copy's run holds Firefox: its copy stays.
        EXPECT_FALSE(*registro_->EliminarRestos(Navegador::Firefox));
        EXPECT_TRUE(HayCopia());
    }  // the run ends without removing it, as a crash would leave it
    // A Firefox that holds the profile (its lock on .parentlock) keeps it too.
    QProcess firefox;
    firefox.start("python3", {"-c",
                              "import fcntl, sys, time\n"
                              "f = open(sys.argv[1], 'w')\n"
                              "fcntl.lockf(f, fcntl.LOCK_EX)\n"
                              "print('listo', flush=True)\n"
                              "time.sleep(600)\n",
                              QString::fromStdString(Perfil() + "/.parentlock")});
    ASSERT_TRUE(firefox.waitForReadyRead(30000)) << "el cerrojo no se ha tomado";
    const auto restos = registro_->EliminarRestos(Navegador::Firefox);
    ASSERT_FALSE(restos);
    EXPECT_EQ(restos.motivo(), "Mozilla Firefox ya está abierto con la carpeta \"" + Perfil() +
                                   "\". Ciérrelo y vuelva a intentarlo.");
    EXPECT_TRUE(HayCopia());
    EXPECT_FALSE(
        registro_->EscribirCertificado(Navegador::Firefox, Regla("gemelouno"), LugarRegla::Perfil));
    firefox.kill();
    firefox.waitForFinished();
    // The next start finds it alone, and takes it out.
    const auto quitados = registro_->EliminarRestos(Navegador::Firefox);
    ASSERT_TRUE(quitados) << quitados.motivo();
    EXPECT_TRUE(*quitados);
    EXPECT_FALSE(HayCopia());
}

TEST_F(FirefoxPropio, UnPerfilPorCertificadoPresentaElSuyoYSuCopiaSigueAlAlmacen) {
    if (!Preparar()) return;
    SesionesPorCertificado sesiones(
        {registro_.get(), [this](Navegador n) { return BuscarComandoNavegador(n, *procesos_); },
         procesos_},
        fondo_);
    // What Usar ended with, once it has.
    const auto usar = [&](const ReglaCertificado& regla, const std::string& nombre) {
        std::optional<Hecho> fin;
        sesiones.Usar(Navegador::Firefox, regla, QString::fromStdString(clientes_[nombre].sha1),
                      QString::fromStdString(nombre), QString(),
                      [&fin](const Hecho& h) { fin = h; });
        EXPECT_TRUE(prueba::EsperarQue([&] { return fin.has_value(); }))
            << "la copia no ha terminado";
        return fin.value_or(Falla("sin respuesta"));
    };
    for (const char* nombre : {"raro", "gemelodos"}) {
        const Hecho h = usar(Regla(nombre), nombre);
        ASSERT_TRUE(h) << h.motivo();
    }
    ASSERT_TRUE(prueba::EsperarQue([&] { return sesiones.Abiertos().isEmpty(); }, 240000))
        << "Firefox no ha terminado";
    auto recibidos = Recibidos();
    std::sort(recibidos.begin(), recibidos.end());
    std::vector<std::string> esperados = {clientes_["raro"].sha256, clientes_["gemelodos"].sha256};
    std::sort(esperados.begin(), esperados.end());
    EXPECT_EQ(recibidos, esperados) << Log("firefox-0") << Log("firefox-1");
    // Each profile keeps its own copy, and the list names them.
    const auto perfiles = registro_->PerfilesCertificado(Navegador::Firefox);
    ASSERT_EQ(perfiles.size(), 2u);
    std::set<std::string> nombres;
    for (const auto& p : perfiles) {
        nombres.insert(p.nombre);
        EXPECT_TRUE(fs::exists(p.carpeta + "/key4.db")) << p.carpeta;
        EXPECT_EQ(Claves(prueba::Ejecutar("certutil -K -d " + prueba::Citado("sql:" + p.carpeta) +
                                          " -f " + prueba::Citado(d_ + "/log/pw") + " 2>&1")),
                  1);
    }
    EXPECT_EQ(nombres, (std::set<std::string>{"raro", "gemelodos"}));
    EXPECT_FALSE(HayCopia()) << "el perfil compartido no se usa en este modo";

    // The copy follows the store: once the store has a password, the next start needs it, and
    // the copy it makes is under it.
    const std::string nueva = d_ + "/log/nueva";
    std::ofstream(nueva) << "clave del almacen 7\n";
    prueba::Ejecutar("certutil -W -d " + prueba::Citado("sql:" + Almacen()) + " -f " +
                     prueba::Citado(d_ + "/log/pw") + " -@ " + prueba::Citado(nueva) + " 2>&1");
    const Hecho sin = usar(Regla("raro"), "raro");
    ASSERT_FALSE(sin);
    EXPECT_EQ(sin.motivo(), kFaltaContrasenaAlmacen);
    ReglaCertificado conClave = Regla("raro");
    conClave.contrasenaAlmacen = "clave del almacen 7";
    // Firefox asks for it too, on a display, where it is typed.
    for (const char* p : {"/usr/bin/Xvfb", "/usr/bin/openbox", "/usr/bin/xdotool"}) {
        if (!fs::exists(p)) GTEST_SKIP() << "needs Xvfb, openbox and xdotool";
    }
    Poner("MARLEVANTA_PRUEBA_TECLEAR", conClave.contrasenaAlmacen);
    ASSERT_TRUE(usar(conClave, "raro"));
    ASSERT_TRUE(prueba::EsperarQue([&] { return sesiones.Abiertos().isEmpty(); }, 240000));
    std::string carpeta;
    for (const auto& p : registro_->PerfilesCertificado(Navegador::Firefox)) {
        if (p.nombre == "raro") carpeta = p.carpeta;
    }
    const auto listar = [&](const std::string& pw) {
        return Claves(prueba::Ejecutar("certutil -K -d " + prueba::Citado("sql:" + carpeta) +
                                       " -f " + prueba::Citado(pw) + " 2>&1 || true"));
    };
    EXPECT_EQ(Recibidos().size(), 3u);
    EXPECT_EQ(Recibidos().back(), clientes_["raro"].sha256);
    EXPECT_EQ(listar(nueva), 1);
    EXPECT_EQ(listar(d_ + "/log/pw"), 0) << "la copia no ha tomado la contraseña del almacén";
}

TEST(FirefoxSinInstalar, ElBotonDiceQuePaqueteInstalarYNadaSeEscribe) {
    QTemporaryDir d;
    prueba::Entorno path("PATH", d.path().toStdString());
    prueba::Entorno home("HOME", d.path().toStdString());
    auto procesos = CrearIniciadorProcesos();
    TManejadorRegistro registro(CrearRegistroUsuario(), nullptr, CrearAlmacenPoliticas());
    SegundoPlano fondo;
    TmanejadorFuncionesComunes comunes;
    TfrmElegirNavegador dialogo(
        nullptr,
        {&registro, [&](Navegador n) { return BuscarComandoNavegador(n, *procesos); }, procesos},
        fondo, comunes, nullptr);
    const QString falta = QStringLiteral(
        "No se ha encontrado Mozilla Firefox en este equipo. Para usarlo, instale el paquete "
        "firefox-esr.");
    EXPECT_FALSE(dialogo.btnFirefox()->isEnabled());
    EXPECT_EQ(dialogo.btnFirefox()->toolTip(), falta);
    QStringList avisos;
    prueba::AlAbrirseDialogoDe<DialogoMensaje>([&](DialogoMensaje* m) {
        avisos << m->Texto();
        m->close();
    });
    QTimer::singleShot(0, [&] {
        QTest::keyClick(&dialogo, Qt::Key_F);
        QTest::keyClick(&dialogo, Qt::Key_Escape);
    });
    dialogo.exec();
    EXPECT_EQ(avisos, QStringList{falta});
    EXPECT_FALSE(fs::exists(d.path().toStdString() + "/Marlevanta"));
    // The profile folder goes where Firefox takes it, the Chromium family's cap left out.
    const ComandoNavegador c =
        ComandoConPerfil(Navegador::Firefox,
                         {"flatpak",
                          {"run", "--filesystem=/h/Marlevanta", "org.mozilla.firefox", "--profile",
                           "/h/Marlevanta/firefox"}},
                         "/h/Marlevanta/firefox/perfiles/0a");
    EXPECT_EQ(c.argumentos,
              (std::vector<std::string>{"run", "--filesystem=/h/Marlevanta", "org.mozilla.firefox",
                                        "--profile", "/h/Marlevanta/firefox/perfiles/0a"}));
}

TEST(FirefoxSinInstalar, ConUnPerfilPorCertificadoLaContrasenaSePideHastaQueVale) {
    auto procesos = CrearIniciadorProcesos();
    TManejadorRegistro registro(CrearRegistroUsuario(), nullptr, CrearAlmacenPoliticas());
    SegundoPlano fondo;
    TmanejadorFuncionesComunes comunes;
    TfrmElegirNavegador dialogo(nullptr, {&registro, nullptr, procesos}, fondo, comunes, nullptr);
    // The store answers later, as the worker does: no password, a wrong one, then started.
    std::vector<std::string> dadas;
    dialogo.UsarEnPerfilPropio(
        [&](Navegador n, const std::string& contrasena, std::function<void(const Hecho&)> listo) {
            EXPECT_EQ(n, Navegador::Firefox);
            dadas.push_back(contrasena);
            const Hecho h = dadas.size() == 1   ? Falla(kFaltaContrasenaAlmacen)
                            : dadas.size() == 2 ? Falla(kContrasenaAlmacenIncorrecta)
                                                : Hecho{};
            QTimer::singleShot(0, [listo, h] { listo(h); });
        });
    std::vector<bool> preguntas;
    dialogo.pedirContrasena = [&](QWidget*, bool incorrecta) -> std::optional<std::string> {
        preguntas.push_back(incorrecta);
        return preguntas.size() == 1 ? "mala" : "buena";
    };
    QTimer::singleShot(0, [&] {
        QTest::keyClick(&dialogo, Qt::Key_F);
        QTest::keyClick(&dialogo, Qt::Key_Escape);  // waits while the browser is being started
    });
    EXPECT_EQ(dialogo.exec(), QDialog::Accepted);
    EXPECT_EQ(dadas, (std::vector<std::string>{"", "mala", "buena"}));
    EXPECT_EQ(preguntas, (std::vector<bool>{false, true}));
}
