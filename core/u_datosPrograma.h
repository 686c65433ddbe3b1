// What the program says about itself: its title and its maker's contact data.
#pragma once

#include <QString>

namespace marlevanta {

inline const QString kTituloAplicacion =
    QStringLiteral("Marlevanta - Buscador de certificados SSL");

// Shown by the about window; set by the program's entry.
struct DatosContacto {
    QString CopyEmpresa;
    QString CopyDireccion;
    QString CopyTelefonos;
    QString CopyWeb;
    QString CopyEmailGeneral;
    QString CopyEmailSoporte;
};

}  // namespace marlevanta
