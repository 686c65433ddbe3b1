// The program's typeface, Tahoma where the system has it, at a size in pixels.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QLabel>

namespace marlevanta {

inline QFont Tahoma(int pixeles, bool negrita = false) {
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(pixeles);
    f.setBold(negrita);
    return f;
}

// Fixed-size labels were laid out for Tahoma; with a wider font the text is made smaller, down to
// `minimo` pixels, rather than cut off.
inline void EncajarTexto(QLabel* etiqueta, int pixeles, int minimo) {
    QFont f = etiqueta->font();
    for (int p = pixeles; p >= minimo; --p) {
        f.setPixelSize(p);
        etiqueta->setFont(f);
        const bool cabe =
            etiqueta->wordWrap()
                ? etiqueta->heightForWidth(etiqueta->width()) <= etiqueta->height()
                : QFontMetrics(f).horizontalAdvance(etiqueta->text()) <= etiqueta->width();
        if (cabe) return;
    }
}

}  // namespace marlevanta
