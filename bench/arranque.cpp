// Starts the program as its entry does, on the demonstration data, and ends at the first paint of
// its main window. With an address, the web API is asked there first (say, a server that never
// answers): the window must not wait for it. With --almacen, the certificates are those of that
// NSS database, and it ends when the grid first paints rows of it: the first rows on screen.
// Usage: arranque [--almacen NSSDB_DIR] [API_HOST]   (settings under $XDG_CONFIG_HOME)
// ARRANQUE_FASES=1 prints when each step ended; ARRANQUE_SALIR=1 ends on entering main(), which
// times the loading of the program and its libraries alone.
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "al_pintar.h"
#include "core/u_manejadorApi.h"
#include "core/u_manejadorRegistro.h"
#include "core/u_segundoPlano.h"
#include "platform/linux/u_almacenNss.h"
#include "platform/u_sistema.h"
#include "ui/u_frmMenu.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ui/u_rejillaCertificados.h"

namespace {

QElapsedTimer reloj;
// With ARRANQUE_FASES set, when each step of start-up ended, counted from main().
void Fase(const char* n) {
    if (std::getenv("ARRANQUE_FASES")) {
        std::fprintf(stderr, "%-12s %6.2f ms\n", n,
                     static_cast<double>(reloj.nsecsElapsed()) / 1e6);
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace marlevanta;
    reloj.start();
    if (std::getenv("ARRANQUE_SALIR")) std::_Exit(0);
    QApplication app(argc, argv);
    Fase("app");
    Plataforma plataforma = PlataformaDelSistema();
    std::string almacen;
    if (argc > 2 && std::string(argv[1]) == "--almacen") {
        almacen = argv[2];
        plataforma.almacenCertificados = [almacen] { return CrearAlmacenNss(almacen); };
        argc -= 2;
        argv += 2;
    }
    Fase("plataforma");
    TManejadorRegistro registro(plataforma.registroUsuario(), nullptr,
                                plataforma.almacenPoliticas());
    Fase("registro");
    if (argc > 1 && !registro.EscribirValor("ApiHost", argv[1])) return 1;
    TManejadorApi api(plataforma.clienteHttp, QString());
    TmanejadorFuncionesComunes comunes;
    SegundoPlano fondo;
    TfrmMenu::Opciones o;
    if (almacen.empty()) o.argumentos = {QStringLiteral("/demo")};
    Fase("api");
    TfrmMenu ventana({plataforma, registro, api, fondo, comunes, [] {}}, std::move(o));
    Fase("ventana");
    AlPintar alPintar;
    alPintar.alTerminar = [] { Fase("pintada"); };
    if (almacen.empty()) {
        ventana.installEventFilter(&alPintar);
    } else {
        alPintar.listo = [&ventana] { return ventana.cdsCertificados().FilasMostradas() > 0; };
        ventana.grdCertificados()->viewport()->installEventFilter(&alPintar);
    }
    ventana.show();
    Fase("show");
    return app.exec();
}
