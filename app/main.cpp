// Program entry: the one place that knows every part of the program. It builds the services of
// the run from the platform's back-ends and hands them to the main window.
#include <QApplication>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <optional>

#include "core/u_avisoCaducidad.h"
#include "core/u_listaCaducidad.h"
#include "core/u_manejadorApi.h"
#include "core/u_manejadorRegistro.h"
#include "core/u_segundoPlano.h"
#include "platform/u_sistema.h"
#include "ui/u_frmAyuda.h"
#include "ui/u_frmMenu.h"
#include "ui/u_imagenes.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ui/u_ventanas.h"

namespace {

// What the command line asks for. "/demo" is no option but a word of its own: it stays among the
// positional arguments, where the window looks for it.
struct LineaOrdenes {
    enum Orden { Ventana, Ayuda, Version, Caducan, AvisarCaducidad, Error } orden = Ventana;
    QStringList argumentos;
    // --caducan: its number of days, when given, and whether as JSON.
    std::optional<QString> dias;
    bool json = false;
    QString error;
};

// `conQt`: the toolkit's own options (-platform offscreen, -style fusion...) still on the line,
// so that they are known before the toolkit has taken them away.
LineaOrdenes LeerLineaOrdenes(const QStringList& todos, bool conQt) {
    QCommandLineParser p;
    const QCommandLineOption ayuda({QStringLiteral("h"), QStringLiteral("help")},
                                   QStringLiteral("Muestra esta ayuda y termina."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Muestra la versión y termina."));
    const QCommandLineOption caducan(
        QStringLiteral("caducan"),
        QStringLiteral("Escribe los certificados que caducan en los próximos DÍAS días y "
                       "termina."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Con --caducan, la lista en JSON."));
    p.addOption(ayuda);
    p.addOption(version);
    const QCommandLineOption avisar(
        QStringLiteral("avisar-caducidad"),
        QStringLiteral("Avisa en el escritorio de los certificados que caducan pronto y termina."));
    p.addOption(caducan);
    p.addOption(json);
    p.addOption(avisar);
    if (conQt) {
        p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        for (const char* nombre :
             {"platform", "platformpluginpath", "platformtheme", "plugin", "qmljsdebugger",
              "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "display", "geometry",
              "style", "stylesheet", "name", "title", "visual"}) {
            p.addOption(QCommandLineOption(QString::fromLatin1(nombre), QString(),
                                           QStringLiteral("valor")));
        }
        for (const char* nombre : {"reverse", "nograb", "dograb", "widgetcount", "sync"}) {
            p.addOption(QCommandLineOption(QString::fromLatin1(nombre)));
        }
    }
    const bool valida = p.parse(todos);
    LineaOrdenes l;
    if (p.isSet(ayuda)) {
        l.orden = LineaOrdenes::Ayuda;
    } else if (p.isSet(version)) {
        l.orden = LineaOrdenes::Version;
    } else if (!valida) {
        l.orden = LineaOrdenes::Error;
        QStringList desconocidas;
        for (const QString& n : p.unknownOptionNames())
            desconocidas << (n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n;
        l.error = desconocidas.isEmpty() ? QStringLiteral("marlevanta: argumentos no válidos.")
                                         : QStringLiteral("marlevanta: opción desconocida: ") +
                                               desconocidas.join(QStringLiteral(", "));
    }
    l.argumentos = p.positionalArguments();
    if (l.orden != LineaOrdenes::Ventana) return l;
    if (p.isSet(avisar)) {
        l.orden = LineaOrdenes::AvisarCaducidad;
        if (p.isSet(caducan) || p.isSet(json) || !l.argumentos.isEmpty()) {
            l.orden = LineaOrdenes::Error;
            l.error = QStringLiteral("marlevanta: --avisar-caducidad no admite nada más.");
        }
        return l;
    }
    if (p.isSet(caducan)) {
        // DÍAS is optional, which an option's value cannot be: it is the one word that follows.
        l.orden = LineaOrdenes::Caducan;
        l.json = p.isSet(json);
        if (l.argumentos.size() > 1) {
            l.orden = LineaOrdenes::Error;
            l.error = QStringLiteral("marlevanta: --caducan admite un solo número de días.");
        } else if (!l.argumentos.isEmpty()) {
            l.dias = l.argumentos.first();
        }
    } else if (p.isSet(json)) {
        l.orden = LineaOrdenes::Error;
        l.error = QStringLiteral("marlevanta: --json sólo se usa con --caducan.");
    }
    return l;
}

const char kAyuda[] =
    "Uso: marlevanta [opciones] [/demo]\n"
    "     marlevanta --caducan [DÍAS] [--json]\n"
    "     marlevanta --avisar-caducidad\n"
    "\n"
    "Lista los certificados de cliente del usuario (los que tienen clave privada en\n"
    "~/.pki/nssdb) en una tabla que se busca y se ordena, y abre Chrome, Chromium o Edge\n"
    "de modo que las webs reciban el certificado elegido sin que el navegador pregunte.\n"
    "\n"
    "Opciones:\n"
    "  -h, --help     Muestra esta ayuda y termina.\n"
    "  -v, --version  Muestra la versión y termina.\n"
    "  --caducan [DÍAS]\n"
    "                 Escribe los certificados que caducan en los próximos DÍAS días\n"
    "                 (de 1 a 365; sin DÍAS, el aviso de las opciones, 30 de entrada),\n"
    "                 uno por línea y separados por tabuladores: fecha (aaaa-mm-dd),\n"
    "                 días que faltan, alias, emitido para, emisor y huella SHA-256.\n"
    "                 Los ya caducados no se escriben. Termina con 0 si no caduca\n"
    "                 ninguno, 1 si caduca alguno y 2 si hay un error.\n"
    "  --json         Con --caducan, la misma lista en JSON.\n"
    "  --avisar-caducidad\n"
    "                 Avisa en el escritorio, sin abrir la ventana, de los certificados\n"
    "                 que caducan dentro del aviso de las opciones (una vez al día) y\n"
    "                 termina. Es lo que ejecuta \"Avisar al iniciar la sesión\".\n"
    "\n"
    "Argumentos:\n"
    "  /demo          Muestra 34 certificados de demostración en lugar de los del usuario.\n"
    "\n"
    "Más información: man marlevanta\n";

// The session's start-up check: the desktop's notice and nothing else, no window.
int AvisarCaducidad(int argc, char** argv) {
    using namespace marlevanta;
    QCoreApplication app(argc, argv);
    TManejadorRegistro registro(CrearRegistroUsuario(), [] { return TamanoPantalla{}; });
    const auto certificados = CrearAlmacenCertificados()->LeerCertificados();
    if (!certificados) {
        std::fprintf(stderr, "marlevanta: %s\n", certificados.motivo().c_str());
        return 2;
    }
    // Without aliases the notice names certificates by their names.
    const auto alias = registro.LeerTodosLosAlias().valor_o({});
    const auto avisos = CrearAvisosEscritorio();
    AvisoCaducidad aviso(
        registro, *avisos,
        [&](const QDateTime& ahora, int dias) {
            return PorCaducar(*certificados, alias, ahora, dias, /*conCaducados=*/true);
        },
        /*conClic=*/false);
    int codigo = 0;
    QObject::connect(
        &aviso, &AvisoCaducidad::Terminado, &app, [&codigo](bool, const QString& error) {
            if (!error.isEmpty()) {
                std::fprintf(stderr, "marlevanta: %s\n", error.toLocal8Bit().constData());
                codigo = 2;
            }
            QCoreApplication::exit(codigo);
        });
    QTimer::singleShot(0, &aviso, [&aviso] { aviso.Comprobar(QDateTime::currentDateTime()); });
    app.exec();
    return codigo;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace marlevanta;
    {
        QStringList todos;
        for (int i = 0; i < argc; ++i) todos << QString::fromLocal8Bit(argv[i]);
        // Answered before the window system is reached, so that they work without a display,
        // and a mistyped option is told as such instead of the toolkit's abort for want of one.
        const LineaOrdenes linea = LeerLineaOrdenes(todos, true);
        if (linea.orden == LineaOrdenes::Ayuda) {
            std::fputs(kAyuda, stdout);
            return 0;
        }
        if (linea.orden == LineaOrdenes::Version) {
            std::printf("marlevanta %s\n", MARLEVANTA_VERSION_TEXTO);
            return 0;
        }
        if (linea.orden == LineaOrdenes::Error) {
            std::fprintf(stderr, "%s\nPruebe \"marlevanta --help\" para ver las opciones.\n",
                         linea.error.toLocal8Bit().constData());
            return 2;
        }
        if (linea.orden == LineaOrdenes::AvisarCaducidad) return AvisarCaducidad(argc, argv);
        if (linea.orden == LineaOrdenes::Caducan) {
            // For scripts: the store and the settings only, no window system at all.
            TManejadorRegistro registro(CrearRegistroUsuario(), [] { return TamanoPantalla{}; });
            const auto almacen = CrearAlmacenCertificados();
            const SalidaOrden s = OrdenCaducan(*almacen, registro, linea.dias, linea.json,
                                               QDateTime::currentDateTime());
            const auto largo = static_cast<size_t>(s.salida.size());
            // A list that did not reach its reader (a full disk, a closed pipe) is no answer.
            const bool escrita = std::fwrite(s.salida.constData(), 1, largo, stdout) == largo &&
                                 std::fflush(stdout) == 0;
            for (const QString& m : s.mensajes) {
                std::fprintf(stderr, "%s\n", m.toLocal8Bit().constData());
            }
            if (!escrita) {
                std::fputs("marlevanta: no se ha podido escribir la lista.\n", stderr);
                return 2;
            }
            return s.codigo;
        }
    }
    PrepararMotorAyuda();
    QApplication app(argc, argv);
    InstalarTraduccionesQt(app);
    // Qt's own options (-platform, -style...) are gone from the application's arguments.
    const LineaOrdenes linea = LeerLineaOrdenes(app.arguments(), false);
    app.setApplicationName(QStringLiteral("marlevanta"));
    app.setApplicationVersion(QStringLiteral(MARLEVANTA_VERSION_TEXTO));
    // The desktop matches the windows to the menu entry (and its icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("es.velquorin.marlevanta"));
    QIcon icono;
    for (const int lado : {16, 22, 24, 32, 48, 64, 128, 256}) icono.addPixmap(LogoPrograma(lado));
    app.setWindowIcon(icono);

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
    opciones.argumentos = linea.argumentos;
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
