// Small pieces that the program's windows share.
#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QWidget>

#include "ui/u_colores.h"
#include "ui/u_fuentes.h"

namespace marlevanta {

// Centred over its owner, or on the primary screen when there is none.
inline void CentrarSobre(QWidget* ventana, const QWidget* dueno) {
    QRect r = ventana->frameGeometry();
    r.moveCenter(dueno ? dueno->frameGeometry().center()
                       : QGuiApplication::primaryScreen()->availableGeometry().center());
    ventana->move(r.topLeft());
}

// The light strip at the left of the options and help windows (white on a light desktop).
inline QWidget* PanelBlanco(QWidget* padre, int ancho) {
    auto* panel = new QWidget(padre);
    panel->setFixedWidth(ancho);
    FondoDeLista(panel);
    return panel;
}

// A flat button of that strip: a small picture beside a 16-pixel caption.
inline QToolButton* BotonLateral(QWidget* padre, const char* nombre, const char* texto,
                                 QStyle::StandardPixmap icono) {
    auto* b = new QToolButton(padre);
    b->setObjectName(QString::fromLatin1(nombre));
    b->setText(QString::fromUtf8(texto));
    b->setIcon(padre->style()->standardIcon(icono));
    b->setIconSize(QSize(16, 16));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setAutoRaise(true);
    b->setFont(Tahoma(16));
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    b->setMinimumHeight(32);
    return b;
}

}  // namespace marlevanta
