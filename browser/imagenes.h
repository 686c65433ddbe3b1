// Pictures of the browser dialogs, drawn so that no image file has to travel with the program.
#pragma once

#include <QPixmap>

namespace marlevanta {

QPixmap CruzRoja(int lado);
QPixmap LogoNavegador(const QColor& color, const QString& letra, int lado);

}  // namespace marlevanta
