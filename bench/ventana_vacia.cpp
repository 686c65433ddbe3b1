// The peer of the start-up benchmark: a Qt Widgets program that shows one empty window and ends
// at its first paint.
#include <QApplication>
#include <QWidget>

#include "al_pintar.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget ventana;
    ventana.resize(950, 670);
    AlPintar alPintar;
    ventana.installEventFilter(&alPintar);
    ventana.show();
    return app.exec();
}
