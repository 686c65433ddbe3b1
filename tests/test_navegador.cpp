#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "ayudantes.h"
#include "core/plataforma/u_permisos.h"
#include "core/u_darPermisos.h"
#include "core/u_manejadorRegistro.h"
#include "core/u_segundoPlano.h"
#include "platform/linux/u_permisosPoliticas.h"
#include "platform/linux/u_politicasArchivos.h"
#include "platform/u_sistema.h"
#include "resultado_prueba.h"
#include "ui/u_frmDarPermisos.h"
#include "ui/u_frmElegirNavegador.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ventanas.h"

using namespace marlevanta;
namespace fs = std::filesystem;

namespace {

// A browser stand-in: records its arguments, its profile's preferences and the managed policy
// in force while it runs, and stays open until the file named by $MARLEVANTA_PRUEBA_ESPERA
// exists (when that is set).
const char* kNavegadorFalso = R"(#!/bin/sh
echo "$@" > "$MARLEVANTA_PRUEBA_LOG/argumentos"
cat "${1#--user-data-dir=}/Default/Preferences" > "$MARLEVANTA_PRUEBA_LOG/perfil" 2>/dev/null
cat "$MARLEVANTA_POLICY_ROOT/etc/opt/chrome/policies/managed/marlevanta-$(id -u).json" \
    "$MARLEVANTA_POLICY_ROOT/etc/opt/edge/policies/managed/marlevanta-$(id -u).json" \
    > "$MARLEVANTA_PRUEBA_LOG/politica" 2>/dev/null
while [ -n "$MARLEVANTA_PRUEBA_ESPERA" ] && [ ! -e "$MARLEVANTA_PRUEBA_ESPERA" ]; do sleep 0.05; done
exit 0
)";

class EleccionNavegador : public testing::Test {
protected:
    void SetUp() override {
        const std::string d = dir_.path().toStdString();
        for (const char* sub : {"/home", "/config", "/bin", "/log", "/politicas", "/cache"})
            fs::create_directories(d + sub);
        entorno_.push_back(std::make_unique<prueba::Entorno>("HOME", d + "/home"));
        entorno_.push_back(std::make_unique<prueba::Entorno>("XDG_CONFIG_HOME", d + "/config"));
        entorno_.push_back(
            std::make_unique<prueba::Entorno>("MARLEVANTA_POLICY_ROOT", d + "/politicas"));
        entorno_.push_back(std::make_unique<prueba::Entorno>("MARLEVANTA_PRUEBA_LOG", d + "/log"));
        entorno_.push_back(std::make_unique<prueba::Entorno>("PATH", d + "/bin:/usr/bin:/bin"));
        entorno_.push_back(std::make_unique<prueba::Entorno>("XDG_CACHE_HOME", d + "/cache"));
        registro_ = std::make_unique<TManejadorRegistro>(CrearRegistroUsuario(), nullptr,
                                                         CrearAlmacenPoliticas());
        procesos_ = CrearIniciadorProcesos();
    }
    // The dialog as the main window makes it, with the permission dialog behind it.
    std::unique_ptr<TfrmElegirNavegador> Dialogo() {
        SesionNavegador::Entorno e{
            registro_.get(), [this](Navegador n) { return BuscarComandoNavegador(n, *procesos_); },
            procesos_};
        return std::make_unique<TfrmElegirNavegador>(
            nullptr, std::move(e), fondo_, comunes_,
            [this](QWidget* padre, std::function<void()> hecho) {
                DarPermisos accion(
                    {procesos_, CrearElevacionPkexec(), "/ruta/de", "pqrvr", "S-1-22-1-7"}, fondo_);
                TfrmDarPermisos permisos(padre, accion, comunes_);
                permisos.exec();
                hecho();
            });
    }
    // Waits until the run has ended.
    static void Esperar(TfrmElegirNavegador& d) {
        for (int i = 0; i < 1000 && d.Ejecutando(); ++i) QTest::qWait(10);
    }
    void TearDown() override { prueba::OlvidarDialogos(); }
    void Instalar(const std::string& nombre, const char* guion) {
        const std::string ruta = dir_.path().toStdString() + "/bin/" + nombre;
        std::ofstream(ruta) << guion;
        fs::permissions(ruta, fs::perms::owner_all);
    }
    std::string Log(const char* archivo) {
        std::ifstream f(dir_.path().toStdString() + "/log/" + archivo);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    // A rule in force: in a browser profile of the program, or in the managed policy.
    bool HayPolitica() {
        const std::string d = dir_.path().toStdString();
        for (const auto& c : TodasLasCarpetasPoliticas(d + "/politicas")) {
            std::ifstream f(c + "/" + ArchivoPolitica(getuid()));
            if (std::string(std::istreambuf_iterator<char>(f), {}).find("AutoSelect") !=
                std::string::npos)
                return true;
        }
        for (const char* perfil : {"/home/Marlevanta/chrome", "/home/Marlevanta/edge"}) {
            std::ifstream f(d + perfil + "/Default/Preferences");
            if (std::string(std::istreambuf_iterator<char>(f), {}).find("https://*,*") !=
                std::string::npos)
                return true;
        }
        return false;
    }
    // Shows the dialog; `accion` runs once it is on screen. Returns its result.
    int Mostrar(TfrmElegirNavegador& d, std::function<void()> accion) {
        QTimer::singleShot(0, [accion] { accion(); });
        return d.exec();
    }
    // Reads and answers the message dialogs that come, one after another.
    void Responder(QStringList* textos, int cuantos) {
        prueba::AlAbrirseDialogoDe<DialogoMensaje>([this, textos, cuantos](DialogoMensaje* m) {
            *textos << m->Texto();
            m->close();
            if (cuantos > 1) Responder(textos, cuantos - 1);
        });
    }
    static bool Visible(QWidget* w) { return !w->isHidden(); }

    QTemporaryDir dir_;
    std::vector<std::unique_ptr<prueba::Entorno>> entorno_;
    std::unique_ptr<TManejadorRegistro> registro_;
    std::shared_ptr<IniciadorProcesos> procesos_;
    TmanejadorFuncionesComunes comunes_;
    SegundoPlano fondo_;
};

}  // namespace

TEST_F(EleccionNavegador, ChromeConLaReglaEnSuPerfilYQuitadaAlCerrarse) {
    Instalar("google-chrome", kNavegadorFalso);
    auto dialogo = Dialogo();
    TfrmElegirNavegador& d = *dialogo;
    d.certificado = {"PÉREZ \"PEPE\" - 1Z", "AC \\ UNO"};
    EXPECT_EQ(d.lblPregunta()->text(), "¿Con qué navegador quiere usar el certificado?");
    EXPECT_TRUE(d.lblAyuda()->text().endsWith(
        "\nMarlevanta quedará deshabilitado hasta que cierre el navegador."));
    QStringList avisos;
    const int resultado = Mostrar(d, [&] {
        QTest::keyClick(&d, Qt::Key_C, Qt::ShiftModifier);  // capitals count too
        Esperar(d);
        EXPECT_FALSE(HayPolitica());
        EXPECT_EQ(d.lblPregunta()->text(), "Proceso finalizado con Google Chrome");
        EXPECT_TRUE(Visible(d.btnSalir()));
        EXPECT_EQ(d.btnSalir()->x(), 8);
        EXPECT_FALSE(Visible(d.btnEdge()) || Visible(d.btnChrome()) || Visible(d.btnCerrar()));
        Responder(&avisos, 1);
        QTest::keyClick(&d, Qt::Key_E);  // a dialog serves one run
        QTest::keyClick(&d, Qt::Key_X);  // nothing
        EXPECT_TRUE(d.isVisible());
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    EXPECT_EQ(resultado, QDialog::Rejected);
    EXPECT_EQ(avisos, QStringList{"Cierre Microsoft Edge para poder salir de esta ventana"});
    EXPECT_EQ(Log("argumentos"),
              "--user-data-dir=" + dir_.path().toStdString() + "/home/Marlevanta/chrome\n");
    EXPECT_NE(Log("perfil").find(
                  R"("auto_select_certificate":{"https://*,*":{"setting":{"filters":[{"ISSUER":)"
                  R"({"CN":"AC \\ UNO"},"SUBJECT":{"CN":"PÉREZ \"PEPE\" - 1Z"}}]}}})"),
              std::string::npos)
        << Log("perfil");
    EXPECT_EQ(Log("politica"), "");  // the system's policy was not asked for
}

TEST_F(EleccionNavegador, EscapeDuranteLaEjecucionCierraAlTerminar) {
    Instalar("google-chrome", kNavegadorFalso);
    const std::string senal = dir_.path().toStdString() + "/log/cerrar";
    prueba::Entorno espera("MARLEVANTA_PRUEBA_ESPERA", senal);
    auto dialogo = Dialogo();
    TfrmElegirNavegador& d = *dialogo;
    d.certificado = {"ANA", "AC"};
    QStringList avisos;
    bool visibleTrasEscape = false;
    bool habiaPolitica = false;
    QTimer::singleShot(300, [&] {
        EXPECT_TRUE(d.Ejecutando());
        EXPECT_EQ(d.lblPregunta()->text(), "Procesando certificado ...");
        EXPECT_TRUE(Visible(d.btnChrome()));
        EXPECT_FALSE(Visible(d.btnEdge()) || Visible(d.btnCerrar()));
        habiaPolitica = HayPolitica();
        Responder(&avisos, 1);
        QTest::keyClick(&d, Qt::Key_C);
        QTest::keyClick(&d, Qt::Key_Escape);
        QTimer::singleShot(600, [&] {
            visibleTrasEscape = d.isVisible();
            std::ofstream{senal};
        });
    });
    const int resultado = Mostrar(d, [&] { d.btnChrome()->click(); });
    EXPECT_EQ(resultado, QDialog::Rejected);
    EXPECT_TRUE(habiaPolitica);
    EXPECT_TRUE(visibleTrasEscape);
    EXPECT_FALSE(HayPolitica());
    EXPECT_EQ(avisos, QStringList{"Cierre Google Chrome para poder salir de esta ventana"});
}

TEST_F(EleccionNavegador, NavegadorQueNoEstaSeDesactivaYDiceQueInstalar) {
    Instalar("google-chrome", kNavegadorFalso);  // Edge is not installed
    auto dialogo = Dialogo();
    TfrmElegirNavegador& d = *dialogo;
    d.certificado = {"ANA", "AC"};
    EXPECT_FALSE(d.btnEdge()->isEnabled());
    EXPECT_TRUE(d.btnEdge()->toolTip().startsWith("No se ha encontrado Microsoft Edge"))
        << d.btnEdge()->toolTip().toStdString();
    EXPECT_TRUE(d.btnEdge()->toolTip().contains("microsoft-edge-stable"));
    EXPECT_TRUE(d.btnChrome()->isEnabled());
    EXPECT_EQ(d.btnChrome()->toolTip(), "Usar Google Chrome (C)");
    QStringList mensajes;
    Responder(&mensajes, 1);
    Mostrar(d, [&] {
        QTest::keyClick(&d, Qt::Key_E, Qt::ControlModifier | Qt::AltModifier);
        d.btnEdge()->click();  // a disabled button does nothing
        // Still choosing: nothing ran, nothing was written.
        EXPECT_FALSE(d.Ejecutando());
        EXPECT_EQ(d.lblPregunta()->text(), "¿Con qué navegador quiere usar el certificado?");
        EXPECT_TRUE(Visible(d.btnCerrar()));
        EXPECT_FALSE(HayPolitica());
        d.btnCerrar()->click();
    });
    ASSERT_EQ(mensajes.size(), 1);
    EXPECT_EQ(mensajes[0], d.btnEdge()->toolTip());
    EXPECT_EQ(Log("argumentos"), "");
}

TEST_F(EleccionNavegador, UnNavegadorFlatpakSeAbrePorSuLanzador) {
    const std::string d = dir_.path().toStdString();
    prueba::Entorno path("PATH", d + "/bin");  // without the system's Chromium
    EXPECT_FALSE(BuscarComandoNavegador(Navegador::Chrome, *procesos_));
    Instalar("flatpak", "#!/bin/sh\nexit 0\n");
    // flatpak alone is not a browser; an installed application is.
    EXPECT_FALSE(BuscarComandoNavegador(Navegador::Chrome, *procesos_));
    fs::create_directories(d +
                           "/home/.local/share/flatpak/app/org.chromium.Chromium/current/active");
    auto chrome = BuscarComandoNavegador(Navegador::Chrome, *procesos_);
    ASSERT_TRUE(chrome) << chrome.motivo();
    EXPECT_EQ(chrome->ejecutable, d + "/bin/flatpak");
    EXPECT_EQ(chrome->argumentos,
              (std::vector<std::string>{"run", "org.chromium.Chromium",
                                        "--user-data-dir=" + d + "/home/Marlevanta/chrome"}));
    EXPECT_FALSE(BuscarComandoNavegador(Navegador::Edge, *procesos_));
    // A browser on PATH comes first.
    Instalar("chromium", kNavegadorFalso);
    EXPECT_EQ(BuscarComandoNavegador(Navegador::Chrome, *procesos_)->ejecutable,
              d + "/bin/chromium");
}

TEST_F(EleccionNavegador, ConElPerfilAbiertoNoSeEscribeNadaYSeDiceQueCerrar) {
    Instalar("google-chrome", kNavegadorFalso);
    const std::string perfil = dir_.path().toStdString() + "/home/Marlevanta/chrome";
    fs::create_directories(perfil);
    const prueba::NavegadorVivo abierto(dir_.path().toStdString() + "/bin/chromium-de-antes");
    abierto.Bloquear(perfil);
    auto dialogo = Dialogo();
    TfrmElegirNavegador& d = *dialogo;
    d.certificado = {"ANA", "AC"};
    QStringList errores;
    Responder(&errores, 1);
    Mostrar(d, [&] {
        QTest::keyClick(&d, Qt::Key_C);
        Esperar(d);
        d.btnSalir()->click();
    });
    EXPECT_EQ(errores,
              QStringList{"Google Chrome ya está abierto con la carpeta \"" +
                          QString::fromStdString(perfil) + "\". Ciérrelo y vuelva a intentarlo."});
    EXPECT_EQ(d.lblPregunta()->text(), "No se ha abierto Google Chrome");
    EXPECT_FALSE(fs::exists(perfil + "/Default"));
    EXPECT_EQ(Log("argumentos"), "");
}

TEST_F(EleccionNavegador, SinSitioParaLaPoliticaNoSeAbreYSeDiceElMotivoReal) {
    Instalar("google-chrome", kNavegadorFalso);
    Instalar("microsoft-edge", kNavegadorFalso);
    ASSERT_TRUE(registro_->IniciarValoresSiNoExisten());
    ASSERT_TRUE(registro_->EscribirValor("NavegadorPoliticaSistema", "1"));
    std::ofstream(dir_.path().toStdString() + "/politicas/etc") << "no es una carpeta";
    for (const bool edge : {true, false}) {
        auto dialogo = Dialogo();
        TfrmElegirNavegador& d = *dialogo;
        d.certificado = {"ANA", "AC"};
        // Here no user is given a policy of their own: the permission program cannot help,
        // and is not offered.
        int permisos = 0;
        prueba::AlAbrirseDialogoDe<TfrmDarPermisos>([&](TfrmDarPermisos* w) {
            ++permisos;
            QTest::keyClick(w, Qt::Key_Escape);
        });
        QStringList errores;
        Responder(&errores, 1);
        Mostrar(d, [&] {
            (edge ? d.btnEdge() : d.btnChrome())->click();
            Esperar(d);
            d.btnSalir()->click();
        });
        prueba::OlvidarDialogos();
        EXPECT_EQ(permisos, 0);
        EXPECT_EQ(d.lblPregunta()->text(),
                  edge ? "No se ha abierto Microsoft Edge" : "No se ha abierto Google Chrome");
        ASSERT_EQ(errores.size(), 1);
        EXPECT_TRUE(errores[0].startsWith("No se puede escribir la política en \"" + dir_.path() +
                                          "/politicas/etc/"))
            << errores[0].toStdString();
        EXPECT_TRUE(errores[0].endsWith("Not a directory")) << errores[0].toStdString();
        EXPECT_EQ(Log("argumentos"), "");  // the browser never started
        EXPECT_FALSE(HayPolitica());       // the profile's rule went with the run
    }
}

TEST_F(EleccionNavegador, DarPermisosLanzaElProgramaElevadoYDiceLaVerdad) {
    // pkexec stand-in: records what it was asked to run, says what it is told on its standard
    // error and ends as told.
    Instalar("pkexec",
             "#!/bin/sh\necho \"$@\" > \"$MARLEVANTA_PRUEBA_LOG/pkexec\"\nprintf "
             "\"$MARLEVANTA_PRUEBA_ERROR\" >&2\nexit ${MARLEVANTA_PRUEBA_SALIDA:-0}\n");
    const QString orden =
        "\n\nUn administrador puede darlos escribiendo en un terminal:\nsudo "
        "'/ruta/de mi/pqrvr' S-1-22-1-1234";
    const struct {
        const char* salida;
        const char* error;
        QString mensaje;
    } casos[] = {
        {"0", "", "Permisos establecidos"},
        {"126", "",
         "No se han podido establecer los permisos. Se ha cancelado la petición de la "
         "contraseña." +
             orden},
        {"127", "Error executing command as another user: No authentication agent found.\\n",
         "No se han podido establecer los permisos. El sistema no ha dado la autorización (Error "
         "executing command as another user: No authentication agent found.). Si no ha "
         "aparecido ninguna ventana que pidiera la contraseña, falta en el escritorio el programa "
         "que la pide (un agente de autenticación de polkit)." +
             orden},
        {"1", "\\nNo se pudo encontrar la cuenta del usuario en el registro\\n",
         "No se han podido establecer los permisos. No se pudo encontrar la cuenta del usuario en "
         "el registro" +
             orden},
    };
    for (const auto& caso : casos) {
        prueba::Entorno codigo("MARLEVANTA_PRUEBA_SALIDA", caso.salida);
        prueba::Entorno error("MARLEVANTA_PRUEBA_ERROR", caso.error);
        QWidget dueno;
        dueno.setGeometry(300, 200, 800, 600);
        dueno.show();
        DarPermisos accion(
            {procesos_, CrearElevacionPkexec(), "/ruta/de mi", "pqrvr", "S-1-22-1-1234"}, fondo_);
        TfrmDarPermisos d(&dueno, accion, comunes_);
        QStringList mensajes;
        Responder(&mensajes, 1);
        QPoint centro;
        QTimer::singleShot(0, [&] {
            centro = d.frameGeometry().center();
            EXPECT_EQ(d.focusWidget(), d.btnAceptar());
            QTest::keyClick(d.focusWidget(), Qt::Key_Return);  // the focused button answers
        });
        d.exec();
        EXPECT_LE((centro - dueno.frameGeometry().center()).manhattanLength(), 2);
        ASSERT_EQ(mensajes.size(), 1) << caso.salida;
        EXPECT_EQ(mensajes[0], caso.mensaje);
        EXPECT_EQ(Log("pkexec"), "/ruta/de mi/pqrvr S-1-22-1-1234\n");
        EXPECT_EQ(d.edtOrden()->text(), "sudo '/ruta/de mi/pqrvr' S-1-22-1-1234");
    }
    // Tab moves to Cancel, and Enter then cancels: nothing is started.
    fs::remove(dir_.path().toStdString() + "/log/pkexec");
    DarPermisos accion(
        {procesos_, CrearElevacionPkexec(), "/usr/libexec/marlevanta", "pqrvr", "S-1-22-1-7"},
        fondo_);
    TfrmDarPermisos d(nullptr, accion, comunes_);
    EXPECT_EQ(d.edtOrden()->text(), "sudo /usr/libexec/marlevanta/pqrvr S-1-22-1-7");
    QTimer::singleShot(0, [&] {
        QTest::keyClick(d.focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(d.focusWidget(), d.btnCancelar());
        QTest::keyClick(d.focusWidget(), Qt::Key_Return);
    });
    EXPECT_EQ(d.exec(), QDialog::Rejected);
    EXPECT_EQ(Log("pkexec"), "");
}
