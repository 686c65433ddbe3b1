// The peer of the start-up benchmark: a Qt Widgets program that shows one empty window and ends.
#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget ventana;
    ventana.resize(950, 670);
    ventana.show();
    // exit(), not quit(): quit() would first ask every window to close.
    QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
    return app.exec();
}
