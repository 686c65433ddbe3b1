// Colours taken from the desktop's palette, and the program's own fixed colours (red, blue,
// green, navy texts) kept where they are readable on it and made lighter or darker where not.
// Header only: the help module, which does not link the windows' library, uses it too.
#pragma once

#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace marlevanta {

namespace detalle {

inline double Luminancia(const QColor& c) {
    const auto lineal = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lineal(c.redF()) + 0.7152 * lineal(c.greenF()) + 0.0722 * lineal(c.blueF());
}

inline QColor Mezcla(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

}  // namespace detalle

// WCAG's contrast ratio of two colours, from 1 to 21.
inline double Contraste(const QColor& a, const QColor& b) {
    const double la = detalle::Luminancia(a);
    const double lb = detalle::Luminancia(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// `deseado` when it stands out from `fondo` by at least `minimo`; otherwise the same hue mixed
// with white (on a dark background) or black (on a light one) just enough that it does.
inline QColor Legible(const QColor& deseado, const QColor& fondo, double minimo = 3.0) {
    if (Contraste(deseado, fondo) >= minimo) return deseado;
    // Towards whichever end stands further from the background.
    const QColor extremo = Contraste(Qt::white, fondo) >= Contraste(Qt::black, fondo)
                               ? QColor(Qt::white)
                               : QColor(Qt::black);
    for (int paso = 1; paso <= 20; ++paso) {
        const QColor c = detalle::Mezcla(deseado, extremo, paso / 20.0);
        if (Contraste(c, fondo) >= minimo) return c;
    }
    return extremo;
}

// The light strips of the windows (the main window's panel, the options and help windows'
// button strips, the about and updater windows): the palette's colours for lists, white with
// black text on a light desktop.
inline void FondoDeLista(QWidget* w) {
    const QPalette app = QApplication::palette(w);
    QPalette p = w->palette();
    for (auto grupo : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(grupo, QPalette::Window, app.color(grupo, QPalette::Base));
        p.setColor(grupo, QPalette::WindowText, app.color(grupo, QPalette::Text));
    }
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

// A label's text in `color`, adjusted to the background it stands on.
inline void ColorDeTexto(QWidget* w, const QColor& color) {
    const QWidget* fondo = w->parentWidget() ? w->parentWidget() : w;
    QPalette p = w->palette();
    for (auto grupo : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(grupo, QPalette::WindowText,
                   Legible(color, fondo->palette().color(grupo, QPalette::Window)));
    }
    w->setPalette(p);
}

}  // namespace marlevanta
