// What the two import dialogs share below their fields: the error in red, what is being done,
// and the Importar and Cancelar buttons; and how they behave while importing.
#pragma once

#include <QColor>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <initializer_list>

#include "ui/u_colores.h"
#include "ui/u_fuentes.h"

namespace marlevanta {

struct PieImportacion {
    QLabel* error;
    QLabel* estado;
    QPushButton* importar;
    QPushButton* cancelar;
};

inline PieImportacion CrearPieImportacion(QDialog* dialogo, QVBoxLayout* capa,
                                          const QString& haciendo) {
    PieImportacion p{};
    p.error = new QLabel(dialogo);
    p.error->setObjectName(QStringLiteral("lblError"));
    p.error->setWordWrap(true);
    p.error->setFont(Tahoma(13, true));
    p.error->hide();
    capa->addWidget(p.error);
    p.estado = new QLabel(haciendo, dialogo);
    p.estado->setObjectName(QStringLiteral("lblEstado"));
    p.estado->hide();
    capa->addWidget(p.estado);
    capa->addSpacing(10);
    auto* botones = new QHBoxLayout;
    botones->addStretch(1);
    p.importar = new QPushButton(QStringLiteral("&Importar"), dialogo);
    p.importar->setObjectName(QStringLiteral("btnImportar"));
    p.importar->setDefault(true);
    p.cancelar = new QPushButton(QStringLiteral("Cancelar"), dialogo);
    p.cancelar->setObjectName(QStringLiteral("btnCancelar"));
    botones->addWidget(p.importar);
    botones->addWidget(p.cancelar);
    capa->addLayout(botones);
    ColorDeTexto(p.error, QColor(255, 0, 0));
    return p;
}

// The controls answer again, or wait greyed out with a busy cursor while the import runs.
inline void ImportacionActiva(QDialog* dialogo, const PieImportacion& pie, bool activo,
                              std::initializer_list<QWidget*> campos) {
    for (QWidget* w : campos) w->setEnabled(activo);
    pie.importar->setEnabled(activo);
    pie.cancelar->setEnabled(activo);
    pie.estado->setVisible(!activo);
    if (activo) {
        dialogo->unsetCursor();
    } else {
        dialogo->setCursor(Qt::BusyCursor);
    }
}

// A wrong password: says so and leaves it selected, ready to be typed again.
inline void OtraContrasena(const PieImportacion& pie, QLineEdit* contrasena, const QString& aviso) {
    pie.error->setText(aviso);
    pie.error->show();
    contrasena->setFocus();
    contrasena->selectAll();
}

}  // namespace marlevanta
