// The program's pictures, drawn so that no image file has to travel with the program.
#pragma once

#include <QPixmap>

namespace marlevanta {

QPixmap CruzRoja(int lado);
QPixmap LogoNavegador(const QColor& color, const QString& letra, int lado);
// The program's picture, `lado` x `lado` (drawn on a 96 x 96 grid); also its icon, which
// datos/iconos holds as SVG and PNG files of the same drawing.
QPixmap LogoPrograma(int lado = 96);
// The four picture buttons at the bottom of the main window's panel. Drawn here rather than taken
// from the desktop's icon theme, whose look-up alone cost a sixth of the start-up.
enum class IconoPanel { Ayuda, Opciones, Acercade, Salir };
QPixmap PintarIconoPanel(IconoPanel icono, int lado);

// The certificate on the large button, 56 x 56; grey when the button is disabled.
QPixmap ImagenCertificado(bool gris);

}  // namespace marlevanta
