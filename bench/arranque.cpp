// Starts the main window on the demonstration data and ends as soon as it has been shown.
#include <QApplication>
#include <QTimer>

#include "ui/u_frmMenu.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    marlevanta::TfrmMenu::Opciones o;
    o.argumentos = {QStringLiteral("/demo")};
    marlevanta::TfrmMenu ventana(std::move(o));
    ventana.show();
    // exit(), not quit(): quit() would first ask every window to close.
    QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
    return app.exec();
}
