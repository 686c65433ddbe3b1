#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "ayudantes.h"
#include "core/plataforma/u_permisos.h"
#include "core/u_manejadorRegistro.h"
#include "core/u_segundoPlano.h"
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

// A browser stand-in: records its arguments and the policy in force while it runs, and stays
// open until the file named by $MARLEVANTA_PRUEBA_ESPERA exists (when that is set).
const char* kNavegadorFalso = R"(#!/bin/sh
echo "$@" > "$MARLEVANTA_PRUEBA_LOG/argumentos"
cat "$MARLEVANTA_POLICY_ROOT/etc/opt/chrome/policies/managed/marlevanta.json" \
    "$MARLEVANTA_POLICY_ROOT/etc/opt/edge/policies/managed/marlevanta.json" \
    > "$MARLEVANTA_PRUEBA_LOG/politica" 2>/dev/null
while [ -n "$MARLEVANTA_PRUEBA_ESPERA" ] && [ ! -e "$MARLEVANTA_PRUEBA_ESPERA" ]; do sleep 0.05; done
exit 0
)";

class EleccionNavegador : public testing::Test {
protected:
    void SetUp() override {
        const std::string d = dir_.path().toStdString();
        for (const char* sub : {"/home", "/config", "/bin", "/log", "/politicas"})
            fs::create_directories(d + sub);
        entorno_.push_back(std::make_unique<prueba::Entorno>("HOME", d + "/home"));
        entorno_.push_back(std::make_unique<prueba::Entorno>("XDG_CONFIG_HOME", d + "/config"));
        entorno_.push_back(
            std::make_unique<prueba::Entorno>("MARLEVANTA_POLICY_ROOT", d + "/politicas"));
        entorno_.push_back(std::make_unique<prueba::Entorno>("MARLEVANTA_PRUEBA_LOG", d + "/log"));
        entorno_.push_back(std::make_unique<prueba::Entorno>("PATH", d + "/bin:/usr/bin:/bin"));
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
                TfrmDarPermisos permisos(padre, *procesos_, fondo_, comunes_,
                                         OrdenPermisos("/ruta/de/pqrvr", "S-1-22-1-7"));
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
    bool HayPolitica() {
        for (const auto& c : TodasLasCarpetasPoliticas(dir_.path().toStdString() + "/politicas")) {
            if (fs::exists(c + "/marlevanta.json")) return true;
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

TEST_F(EleccionNavegador, ChromeConLaPoliticaEnVigorYQuitadaAlCerrarse) {
    Instalar("google-chrome", kNavegadorFalso);
    auto dialogo = Dialogo();
    TfrmElegirNavegador& d = *dialogo;
    d.certificado = "PÉREZ \"PEPE\" - 1Z";
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
    EXPECT_NE(Log("politica").find(R"(\"CN\":\"PÉREZ \\\"PEPE\\\" - 1Z\")"), std::string::npos)
        << Log("politica");
}

TEST_F(EleccionNavegador, EscapeDuranteLaEjecucionCierraAlTerminar) {
    Instalar("google-chrome", kNavegadorFalso);
    const std::string senal = dir_.path().toStdString() + "/log/cerrar";
    prueba::Entorno espera("MARLEVANTA_PRUEBA_ESPERA", senal);
    auto dialogo = Dialogo();
    TfrmElegirNavegador& d = *dialogo;
    d.certificado = "ANA";
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

TEST_F(EleccionNavegador, NavegadorQueNoEstaSeDiceYLaPoliticaSeQuita) {
    Instalar("google-chrome", kNavegadorFalso);  // Edge is not installed
    auto dialogo = Dialogo();
    TfrmElegirNavegador& d = *dialogo;
    d.certificado = "ANA";
    QStringList errores;
    Responder(&errores, 1);
    bool habiaPolitica = true;
    Mostrar(d, [&] {
        QTest::keyClick(&d, Qt::Key_E, Qt::ControlModifier | Qt::AltModifier);
        habiaPolitica = HayPolitica();
        Esperar(d);
        d.btnSalir()->click();
    });
    ASSERT_EQ(errores.size(), 1);
    EXPECT_TRUE(errores[0].startsWith("No se ha encontrado Microsoft Edge"))
        << errores[0].toStdString();
    // Nothing was written for a browser that cannot start, and nothing says it ran.
    EXPECT_FALSE(habiaPolitica);
    EXPECT_EQ(d.lblPregunta()->text(), "No se ha abierto Microsoft Edge");
    EXPECT_FALSE(HayPolitica());
    EXPECT_EQ(Log("argumentos"), "");
}

TEST_F(EleccionNavegador, SinPermisoParaLaPoliticaPideloUnaVez) {
    Instalar("google-chrome", kNavegadorFalso);
    Instalar("microsoft-edge", kNavegadorFalso);
    std::ofstream(dir_.path().toStdString() + "/politicas/etc") << "no es una carpeta";
    for (const bool edge : {true, false}) {
        auto dialogo = Dialogo();
        TfrmElegirNavegador& d = *dialogo;
        d.certificado = "ANA";
        int permisos = 0;
        QStringList errores;
        prueba::AlAbrirseDialogoDe<TfrmDarPermisos>([&](TfrmDarPermisos* w) {
            ++permisos;
            QTest::keyClick(w, Qt::Key_Escape);  // Cancel
            if (!edge) Responder(&errores, 1);
        });
        Mostrar(d, [&] {
            (edge ? d.btnEdge() : d.btnChrome())->click();
            Esperar(d);
            d.btnSalir()->click();
        });
        EXPECT_EQ(permisos, 1);
        EXPECT_EQ(d.lblPregunta()->text(),
                  edge ? "No se ha abierto Microsoft Edge" : "No se ha abierto Google Chrome");
        EXPECT_EQ(errores, edge ? QStringList{}
                                : QStringList{"No se ha podido seleccionar el certificado para el "
                                              "navegador Google Chrome"});
        EXPECT_EQ(Log("argumentos"), "");  // the browser never started
    }
}

TEST_F(EleccionNavegador, DarPermisosLanzaElProgramaElevadoYDiceLaVerdad) {
    // pkexec stand-in: records what it was asked to run and answers as told.
    Instalar("pkexec",
             "#!/bin/sh\necho \"$@\" > \"$MARLEVANTA_PRUEBA_LOG/pkexec\"\nexit "
             "${MARLEVANTA_PRUEBA_SALIDA:-0}\n");
    for (const char* salida : {"0", "1"}) {
        prueba::Entorno codigo("MARLEVANTA_PRUEBA_SALIDA", salida);
        TfrmDarPermisos d(nullptr, *procesos_, fondo_, comunes_,
                          OrdenPermisos("/ruta/de/pqrvr", "S-1-22-1-1234"));
        QStringList mensajes;
        Responder(&mensajes, 1);
        QTimer::singleShot(0, [&] { d.btnAceptar()->click(); });
        d.exec();
        ASSERT_EQ(mensajes.size(), 1);
        EXPECT_EQ(mensajes[0], salida[0] == '0' ? "Permisos establecidos"
                                                : "No se han podido establecer los permisos.");
        EXPECT_EQ(Log("pkexec"), "/ruta/de/pqrvr S-1-22-1-1234\n");
    }
}
