#include <gtest/gtest.h>

#include "resultado_prueba.h"

#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "core/u_actualizador.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ventanas.h"

using namespace marlevanta;

namespace {

// Shows one dialog, lets `accion` answer it, and returns the result code and what it showed.
struct Visto {
    quint16 resultado = 999;
    QString titulo, texto, enFoco;
    QStringList botones;
};

TmanejadorFuncionesComunes comunes;

Visto Mostrar(const QString& msg, TMsgDlgType tipo, TMsgDlgButtons botones, int defBtn,
              std::function<void(DialogoMensaje*)> accion) {
    Visto v;
    prueba::AlAbrirseDialogo([&](QWidget* w) {
        auto* d = qobject_cast<DialogoMensaje*>(w);
        ASSERT_NE(d, nullptr);
        v.titulo = d->windowTitle();
        v.texto = d->Texto();
        for (auto* b : d->findChildren<QPushButton*>()) v.botones << b->text();
        if (auto* f = qobject_cast<QPushButton*>(d->focusWidget())) v.enFoco = f->text();
        accion(d);
    });
    v.resultado = comunes.wmessagedlg(msg, tipo, botones, defBtn);
    return v;
}

using Accion = std::function<void(DialogoMensaje*)>;
const Accion kEnter = [](DialogoMensaje* d) {
    QTest::keyClick(d->focusWidget() ? d->focusWidget() : d, Qt::Key_Return);
};
const Accion kEscape = [](DialogoMensaje* d) {
    QTest::keyClick(d->focusWidget() ? d->focusWidget() : d, Qt::Key_Escape);
};
const Accion kCerrar = [](DialogoMensaje* d) { d->close(); };

}  // namespace

TEST(Mensajes, ConjuntosDeBotones) {
    EXPECT_EQ(Botones({mbOK}), 4u);
    EXPECT_EQ(Botones({mbYes, mbNo}), 3u);
}

TEST(Mensajes, AceptarSoloResponde1ConEnterYConEscape) {
    for (const Accion& accion : {kEnter, kEscape}) {
        const Visto v = Mostrar("Permisos establecidos", mtInformation, Botones({mbOK}), 0, accion);
        EXPECT_EQ(v.resultado, 1);
        EXPECT_EQ(v.titulo, "Información");
        EXPECT_EQ(v.botones, QStringList{"Aceptar"});
        EXPECT_EQ(v.enFoco, "Aceptar");
    }
}

TEST(Mensajes, PreguntaSiNo) {
    Visto v =
        Mostrar("¿Desea salir de Marlevanta?", mtConfirmation, Botones({mbYes, mbNo}), 0, kEnter);
    EXPECT_EQ(v.resultado, 6);
    EXPECT_EQ(v.titulo, "Confirmar");
    EXPECT_EQ(v.botones, (QStringList{"Sí", "&No"}));
    EXPECT_EQ(v.enFoco, "Sí");
    EXPECT_EQ(Mostrar("x", mtConfirmation, Botones({mbYes, mbNo}), 0, kEscape).resultado, 7);
    v = Mostrar("x", mtConfirmation, Botones({mbYes, mbNo}), 2, kEnter);
    EXPECT_EQ(v.resultado, 7);
    EXPECT_EQ(v.enFoco, "&No");
    EXPECT_EQ(Mostrar("x", mtConfirmation, Botones({mbYes, mbNo}), 0, kCerrar).resultado, 2);
    EXPECT_EQ(Mostrar("x", mtInformation, Botones({mbOK}), 0, kCerrar).resultado, 2);
}

TEST(Mensajes, ElEnterDelTecladoNumericoRespondeConElBotonQueTieneElFoco) {
    const auto tabYEnter = [](DialogoMensaje* d) {
        QTest::keyClick(d->focusWidget(), Qt::Key_Tab);
        QTest::keyClick(d->focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    };
    const auto soloEnter = [](DialogoMensaje* d) {
        QTest::keyClick(d->focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    };
    // Tab to "No" and the keypad's Enter: No, not the default Yes (which would quit).
    Visto v = Mostrar("¿Desea salir de Marlevanta?", mtConfirmation, Botones({mbYes, mbNo}), 0,
                      tabYEnter);
    EXPECT_EQ(v.resultado, 7);
    EXPECT_EQ(Mostrar("x", mtConfirmation, Botones({mbYes, mbNo}), 0, soloEnter).resultado, 6);
    // The update question has No as its default; Tab to "Sí" answers Yes.
    EXPECT_EQ(Mostrar("x", mtConfirmation, Botones({mbYes, mbNo}), 2, tabYEnter).resultado, 6);
    EXPECT_EQ(Mostrar("x", mtConfirmation, Botones({mbYes, mbNo}), 2, soloEnter).resultado, 7);
    // The main keyboard's Enter does the same.
    const auto tabYReturn = [](DialogoMensaje* d) {
        QTest::keyClick(d->focusWidget(), Qt::Key_Tab);
        QTest::keyClick(d->focusWidget(), Qt::Key_Return);
    };
    EXPECT_EQ(Mostrar("x", mtConfirmation, Botones({mbYes, mbNo}), 0, tabYReturn).resultado, 7);
}

TEST(Mensajes, LaCajaDeErrorGeneralTieneUnSoloBotonAceptar) {
    QStringList botones;
    QString titulo;
    prueba::AlAbrirseDialogoDe<QMessageBox>([&](QMessageBox* m) {
        titulo = m->windowTitle();
        for (auto* b : m->findChildren<QPushButton*>()) botones << b->text();
        QTest::keyClick(m, Qt::Key_Return);
    });
    MostrarErrorGeneral(nullptr, QStringLiteral("No se puede leer el almacén"));
    EXPECT_EQ(botones, QStringList{"Aceptar"});
    EXPECT_EQ(titulo, kTituloAplicacion);
}

TEST(Mensajes, TitulosYSaltosDeLinea) {
    const Visto aviso = Mostrar("Uno\r\rDos", mtWarning, Botones({mbOK}), 0, kEnter);
    EXPECT_EQ(aviso.titulo, "Aviso");
    EXPECT_EQ(aviso.texto, "Uno\n\nDos");
    EXPECT_EQ(Mostrar("x", mtError, Botones({mbOK}), 0, kEnter).titulo, "Error");
    EXPECT_EQ(Mostrar("x", mtCustom, Botones({mbOK}), 0, kEnter).titulo, kTituloAplicacion);
    const Visto todos = Mostrar("x", mtCustom, Botones({mbRetry, mbCancel, mbHelp}), 0, kEscape);
    EXPECT_EQ(todos.resultado, 2);  // Cancel answers Escape
    EXPECT_EQ(todos.enFoco, "Reintentar");
}

TEST(Mensajes, CentradoEnLaVentanaPrincipalOEnLaPantalla) {
    QWidget principal;
    principal.setGeometry(100, 100, 900, 600);
    comunes.FijarVentanaPrincipal(&principal);
    QPoint centro;
    const auto medir = [&](DialogoMensaje* d) {
        centro = d->frameGeometry().center();
        d->close();
    };
    Mostrar("x", mtInformation, Botones({mbOK}), 0, medir);  // not yet on screen
    EXPECT_LE(
        (centro - QGuiApplication::primaryScreen()->availableGeometry().center()).manhattanLength(),
        2);
    principal.show();
    Mostrar("x", mtInformation, Botones({mbOK}), 0, medir);
    EXPECT_LE((centro - principal.frameGeometry().center()).manhattanLength(), 2);
    comunes.FijarVentanaPrincipal(nullptr);
}

TEST(Mensajes, NotasEnormesEnUnaCajaQueCabeEnLaPantalla) {
    // 1 MB of version notes, and a main window partly off the bottom right of the screen.
    QString notas;
    for (int i = 0; notas.size() < (1 << 20); ++i) {
        notas += QStringLiteral("Cambio número %1 de esta versión\r").arg(i);
    }
    const QRect pantalla = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget principal;
    principal.setGeometry(pantalla.right() - 200, pantalla.bottom() - 100, 900, 600);
    principal.show();
    comunes.FijarVentanaPrincipal(&principal);
    QRect marco;
    QString enCaja, debajo;
    const Visto v = Mostrar(PreguntaActualizacion(10005, notas), mtConfirmation,
                            Botones({mbYes, mbNo}), 0, [&](DialogoMensaje* d) {
                                marco = d->frameGeometry();
                                if (d->Caja()) enCaja = d->Caja()->toPlainText();
                                for (auto* l : d->findChildren<QLabel*>()) debajo += l->text();
                                d->Boton(mbNo)->click();
                            });
    comunes.FijarVentanaPrincipal(nullptr);
    EXPECT_EQ(v.resultado, 7);
    EXPECT_TRUE(pantalla.contains(marco))
        << marco.x() << "," << marco.y() << " " << marco.width() << "x" << marco.height();
    // Every note can be read by scrolling; the question stays in sight below them.
    EXPECT_TRUE(enCaja.contains("Cambio número 0 de"));
    EXPECT_TRUE(enCaja.contains(notas.section(u'\r', -2, -2)));
    EXPECT_EQ(debajo, "¿Desea actualizar Marlevanta?");
    EXPECT_EQ(v.texto, QString(PreguntaActualizacion(10005, notas)).replace(u'\r', u'\n'));

    // Short notes stay a plain message, without a box.
    bool conCaja = true;
    Mostrar(PreguntaActualizacion(10005, "Mejoras\r"), mtConfirmation, Botones({mbYes, mbNo}), 0,
            [&](DialogoMensaje* d) {
                conCaja = d->Caja() != nullptr;
                d->close();
            });
    EXPECT_FALSE(conCaja);
}
