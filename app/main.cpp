// Program entry: the one place that knows every part of the program. It builds the services of
// the run from the platform's back-ends and hands them to the main window.
#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include "core/u_manejadorApi.h"
#include "core/u_manejadorRegistro.h"
#include "core/u_segundoPlano.h"
#include "platform/u_sistema.h"
#include "ui/u_frmMenu.h"
#include "ui/u_manejadorFuncionesComunes.h"

int main(int argc, char** argv) {
    using namespace marlevanta;
    // The help window's web engine, loaded later, needs this before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("marlevanta"));

    Plataforma plataforma = PlataformaDelSistema();
    const auto pantalla = [] {
        const QScreen* s = QGuiApplication::primaryScreen();
        return s ? TamanoPantalla{s->geometry().width(), s->geometry().height()} : TamanoPantalla{};
    };
    TManejadorRegistro registro(plataforma.registroUsuario(), pantalla,
                                plataforma.almacenPoliticas());
    TManejadorApi api(plataforma.clienteHttp, QString());
    TmanejadorFuncionesComunes comunes;
    // Declared after the services it uses and before the window: the window goes first, then
    // the pool waits for (and stops) what is still running.
    SegundoPlano fondo;

    // The hand-over to the external updater ends the program at once, without the close
    // question; asked before the event loop runs, the loop is never entered.
    bool fin = false;
    const auto solicitarFin = [&fin] {
        fin = true;
        QCoreApplication::exit(0);
    };

    TfrmMenu::Opciones opciones;
    opciones.argumentos = app.arguments().mid(1);
    opciones.contacto.CopyEmpresa = QStringLiteral("Velquorin");
    opciones.contacto.CopyDireccion = QStringLiteral("CIF: B00000000\rCalle Mayor 1, 28013 Madrid");
    opciones.contacto.CopyEmailGeneral = QStringLiteral("info@marlevanta.example");
    opciones.contacto.CopyWeb = QStringLiteral("https://www.marlevanta.example");
    TfrmMenu ventana({plataforma, registro, api, fondo, comunes, solicitarFin},
                     std::move(opciones));
    ventana.show();
    if (fin) return 0;
    return app.exec();
}
