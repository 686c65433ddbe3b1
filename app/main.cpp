// Program entry.
#include <QApplication>
#include <exception>

#include "app/u_frmMenu.h"

namespace {

// Errors that escape an event handler are shown, and the program goes on.
class TAplicacion : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receptor, QEvent* e) override {
        try {
            return QApplication::notify(receptor, e);
        } catch (const std::exception& ex) {
            marlevanta::MostrarErrorGeneral(QString::fromUtf8(ex.what()));
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    // The help window's web engine, loaded later, needs this before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    TAplicacion app(argc, argv);
    app.setApplicationName(QStringLiteral("marlevanta"));
    app.setApplicationDisplayName(marlevanta::kTituloAplicacion);
    marlevanta::TfrmMenu::Opciones opciones;
    opciones.argumentos = app.arguments().mid(1);
    marlevanta::TfrmMenu ventana(std::move(opciones));
    ventana.CopyEmpresa = QStringLiteral("Velquorin");
    ventana.CopyDireccion = QStringLiteral("CIF: B00000000\rCalle Mayor 1, 28013 Madrid");
    ventana.CopyTelefonos = QString();
    ventana.CopyEmailGeneral = QStringLiteral("info@marlevanta.example");
    ventana.CopyEmailSoporte = QString();
    ventana.CopyWeb = QStringLiteral("https://www.marlevanta.example");
    ventana.show();
    return app.exec();
}
