// Starts the program as its entry does, on the demonstration data, and ends at the first paint of
// its main window. With an address, the web API is asked there first (say, a server that never
// answers): the window must not wait for it. With --almacen, the certificates are those of that
// NSS database, and it ends when the grid first paints rows of it: the first rows on screen.
// Usage: arranque [--almacen NSSDB_DIR] [API_HOST]   (settings under $XDG_CONFIG_HOME)
#include <QApplication>
#include <QEvent>
#include <cstdlib>
#include <functional>
#include <string>

#include "core/u_manejadorApi.h"
#include "core/u_manejadorRegistro.h"
#include "core/u_segundoPlano.h"
#include "platform/linux/u_almacenNss.h"
#include "platform/u_sistema.h"
#include "ui/u_frmMenu.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ui/u_rejillaCertificados.h"

namespace {

// The process ends right at the first paint: what comes after (closing, freeing, waiting for
// work under way) is not start-up.
class AlPintar : public QObject {
public:
    std::function<bool()> listo = [] { return true; };

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && listo()) std::_Exit(0);
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    using namespace marlevanta;
    QApplication app(argc, argv);
    Plataforma plataforma = PlataformaDelSistema();
    std::string almacen;
    if (argc > 2 && std::string(argv[1]) == "--almacen") {
        almacen = argv[2];
        plataforma.almacenCertificados = [almacen] { return CrearAlmacenNss(almacen); };
        argc -= 2;
        argv += 2;
    }
    TManejadorRegistro registro(plataforma.registroUsuario(), nullptr,
                                plataforma.almacenPoliticas());
    if (argc > 1 && !registro.EscribirValor("ApiHost", argv[1])) return 1;
    TManejadorApi api(plataforma.clienteHttp, QString());
    TmanejadorFuncionesComunes comunes;
    SegundoPlano fondo;
    TfrmMenu::Opciones o;
    if (almacen.empty()) o.argumentos = {QStringLiteral("/demo")};
    TfrmMenu ventana({plataforma, registro, api, fondo, comunes, [] {}}, std::move(o));
    AlPintar alPintar;
    if (almacen.empty()) {
        ventana.installEventFilter(&alPintar);
    } else {
        alPintar.listo = [&ventana] { return ventana.cdsCertificados().FilasMostradas() > 0; };
        ventana.grdCertificados()->viewport()->installEventFilter(&alPintar);
    }
    ventana.show();
    return app.exec();
}
