// The program's typeface, Tahoma where the system has it, at a size in pixels.
#pragma once

#include <QFont>

namespace marlevanta {

inline QFont Tahoma(int pixeles, bool negrita = false) {
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(pixeles);
    f.setBold(negrita);
    return f;
}

}  // namespace marlevanta
