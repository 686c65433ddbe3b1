// Helpers for tests that drive real windows.
#pragma once

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>

namespace prueba {

inline int& Generacion() {
    static int g = 0;
    return g;
}

// Forgets the dialogs that a test expected and that never came, so that they do not answer
// the next test's.
inline void OlvidarDialogos() {
    ++Generacion();
}

// Acts on the next modal dialog as soon as it is open; the test never waits on a person.
// `intentos` looks of 10 ms: the default, half a minute, for a dialog that must come however
// loaded the machine; a few, for one that must not come at all.
inline void AlAbrirseDialogo(std::function<void(QWidget*)> accion, int intentos = 3000) {
    const int generacion = Generacion();
    QTimer::singleShot(10, [accion = std::move(accion), intentos, generacion]() mutable {
        if (generacion != Generacion()) return;
        QWidget* w = QApplication::activeModalWidget();
        if (w && w->isVisible()) {
            accion(w);
        } else if (intentos > 0) {
            AlAbrirseDialogo(std::move(accion), intentos - 1);
        }
    });
}

// The same, for the next modal dialog of type T only.
template <typename T>
void AlAbrirseDialogoDe(std::function<void(T*)> accion, int intentos = 3000) {
    const int generacion = Generacion();
    QTimer::singleShot(10, [accion = std::move(accion), intentos, generacion]() mutable {
        if (generacion != Generacion()) return;
        auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
        if (w && w->isVisible()) {
            accion(w);
        } else if (intentos > 0) {
            AlAbrirseDialogoDe<T>(std::move(accion), intentos - 1);
        }
    });
}

inline void Teclear(QWidget* w, Qt::Key tecla, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(w, tecla, mods);
}

}  // namespace prueba
