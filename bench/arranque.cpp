// Starts the program as its entry does, on the demonstration data, and ends at the first paint of
// its main window. With an address, the web API is asked there first (say, a server that never
// answers): the window must not wait for it.
// Usage: arranque [API_HOST]   (settings under $XDG_CONFIG_HOME)
#include <QApplication>
#include <QEvent>
#include <cstdlib>

#include "core/u_manejadorApi.h"
#include "core/u_manejadorRegistro.h"
#include "core/u_segundoPlano.h"
#include "platform/u_sistema.h"
#include "ui/u_frmMenu.h"
#include "ui/u_manejadorFuncionesComunes.h"

namespace {

// The process ends right at the first paint: what comes after (closing, freeing, waiting for
// work under way) is not start-up.
class AlPintar : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) std::_Exit(0);
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    using namespace marlevanta;
    QApplication app(argc, argv);
    Plataforma plataforma = PlataformaDelSistema();
    TManejadorRegistro registro(plataforma.registroUsuario(), nullptr,
                                plataforma.almacenPoliticas());
    if (argc > 1 && !registro.EscribirValor("ApiHost", argv[1])) return 1;
    TManejadorApi api(plataforma.clienteHttp, QString());
    TmanejadorFuncionesComunes comunes;
    SegundoPlano fondo;
    TfrmMenu::Opciones o;
    o.argumentos = {QStringLiteral("/demo")};
    TfrmMenu ventana({plataforma, registro, api, fondo, comunes, [] {}}, std::move(o));
    AlPintar alPintar;
    ventana.installEventFilter(&alPintar);
    ventana.show();
    return app.exec();
}
