// The peer of the start-up benchmark: a Qt Widgets program that shows one empty window and ends
// at its first paint.
#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <cstdlib>

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
    QApplication app(argc, argv);
    QWidget ventana;
    ventana.resize(950, 670);
    AlPintar alPintar;
    ventana.installEventFilter(&alPintar);
    ventana.show();
    return app.exec();
}
