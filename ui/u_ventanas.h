// Small pieces that the program's windows share.
#pragma once

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QTranslator>
#include <QWidget>

#include "ui/u_colores.h"
#include "ui/u_fuentes.h"

namespace marlevanta {

// Centred over its owner, or on the primary screen when there is none.
// Qt's own dialogs (files, standard buttons, the input fields' menus) in Spanish, as the rest of
// the program; the translation is the distribution's. Nothing when it is not installed.
inline QTranslator* InstalarTraduccionesQt(QCoreApplication& app) {
    auto* t = new QTranslator(&app);
    if (!t->load(QLocale(QLocale::Spanish, QLocale::Spain), QStringLiteral("qtbase"),
                 QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(t)) {
        delete t;
        return nullptr;
    }
    return t;
}

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
