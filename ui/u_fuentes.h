// The program's typeface, Tahoma where the system has it, at a size in pixels.
#pragma once

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>

namespace marlevanta {

// Tahoma where the system has it, else the desktop's own family: asking for a family that is not
// installed makes every font lookup search for a stand-in, which costs start-up time.
inline QString FamiliaTahoma() {
    static const QString familia =
        QFontDatabase::families().contains(QStringLiteral("Tahoma"), Qt::CaseInsensitive)
            ? QStringLiteral("Tahoma")
            : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    return familia;
}

// The typeface at a size in points, for the grid and the browser dialog.
inline QFont TahomaPuntos(int puntos, bool negrita = false) {
    QFont f(FamiliaTahoma(), puntos);
    f.setBold(negrita);
    return f;
}

inline QFont Tahoma(int pixeles, bool negrita = false) {
    QFont f(FamiliaTahoma());
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
