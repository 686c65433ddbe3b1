#include "ui/u_manejadorFuncionesComunes.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace marlevanta {

namespace {

struct DefinicionBoton {
    const char* nombre;
    const char* titulo;
    int resultado;
};

// In the order in which the buttons stand in the dialog.
const DefinicionBoton kBotones[12] = {
    {"Yes", "Sí", 6},
    {"No", "&No", 7},
    {"OK", "Aceptar", 1},
    {"Cancel", "Cancelar", 2},
    {"Abort", "Anular", 3},
    {"Retry", "Reintentar", 4},
    {"Ignore", "Omitir", 5},
    {"All", "Todos", 12},
    {"NoToAll", "No a todo", 13},
    {"YesToAll", "Sí a todo", 14},
    {"Help", "Ayuda", 0},
    {"Close", "Cerrar", 8},
};

}  // namespace

DialogoMensaje::DialogoMensaje(const QString& msg, TMsgDlgType tipo, TMsgDlgButtons botones,
                               int defBtn, QWidget* padre)
    : QDialog(padre) {
    static const char* titulos[] = {"Aviso", "Error", "Información", "Confirmar"};
    setWindowTitle(tipo == mtCustom ? kTituloAplicacion : QString::fromUtf8(titulos[tipo]));
    setObjectName(QStringLiteral("wmessagedlg"));

    auto* principal = new QVBoxLayout(this);
    principal->setSizeConstraint(QLayout::SetFixedSize);
    auto* arriba = new QHBoxLayout;
    principal->addLayout(arriba);
    if (tipo != mtCustom) {
        static const QStyle::StandardPixmap iconos[] = {
            QStyle::SP_MessageBoxWarning, QStyle::SP_MessageBoxCritical,
            QStyle::SP_MessageBoxInformation, QStyle::SP_MessageBoxQuestion};
        auto* icono = new QLabel(this);
        icono->setObjectName(QStringLiteral("Image"));
        icono->setPixmap(style()->standardIcon(iconos[tipo]).pixmap(32, 32));
        icono->setAlignment(Qt::AlignTop);
        arriba->addWidget(icono, 0, Qt::AlignTop);
        arriba->addSpacing(8);
    }
    texto_ = msg;
    texto_.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    const QScreen* pantalla = padre ? padre->screen() : QGuiApplication::primaryScreen();
    const QRect disponible = pantalla ? pantalla->availableGeometry() : QRect(0, 0, 800, 600);
    auto* columna = new QVBoxLayout;
    arriba->addLayout(columna, 1);
    const auto etiqueta = [&](const QString& t) {
        auto* l = new QLabel(t, this);
        l->setObjectName(QStringLiteral("Message"));
        l->setTextFormat(Qt::PlainText);
        l->setWordWrap(true);
        l->setMaximumWidth(disponible.width() / 2);
        columna->addWidget(l);
    };
    // A text taller than half the screen (such as long version notes) goes into a scrollable
    // box of bounded size, so that the dialog and its buttons always fit; its last paragraph
    // (the question, where there is one) stays in sight below the box.
    const QFontMetrics medidas(font());
    const bool largo =
        texto_.size() > 4000 ||
        medidas.boundingRect(QRect(0, 0, disponible.width() / 2, 1 << 20), Qt::TextWordWrap, texto_)
                .height() > disponible.height() / 2;
    if (!largo) {
        etiqueta(texto_);
    } else {
        QString cuerpo = texto_;
        QString final;
        const qsizetype corte = texto_.lastIndexOf(QStringLiteral("\n\n"));
        if (corte > 0 && texto_.size() - corte <= 1000) {
            cuerpo = texto_.left(corte);
            final = texto_.mid(corte + 2);
        }
        caja_ = new QPlainTextEdit(this);
        caja_->setObjectName(QStringLiteral("Detalle"));
        caja_->setReadOnly(true);
        caja_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        caja_->setPlainText(cuerpo);
        caja_->setFixedSize(std::min(560, disponible.width() * 3 / 5),
                            std::min(320, disponible.height() * 2 / 5));
        columna->addWidget(caja_);
        if (!final.isEmpty()) etiqueta(final);
    }
    principal->addSpacing(12);

    auto* fila = new QHBoxLayout;
    fila->addStretch(1);
    int ancho = 0;
    for (int b = 0; b < 12; ++b) {
        if (!(botones & (1u << b))) continue;
        auto* boton = new QPushButton(QString::fromUtf8(kBotones[b].titulo), this);
        boton->setObjectName(QString::fromLatin1(kBotones[b].nombre));
        boton->setAutoDefault(false);
        const int resultado = kBotones[b].resultado;
        if (b != mbHelp)
            connect(boton, &QPushButton::clicked, this, [this, resultado] { done(resultado); });
        botones_[b] = boton;
        ancho = std::max({ancho, boton->sizeHint().width(), 75});
        fila->addWidget(boton);
    }
    for (QPushButton* boton : botones_) {
        if (boton) boton->setFixedWidth(ancho);
    }
    fila->addStretch(1);
    principal->addLayout(fila);

    if (defBtn > 0 && botones_[mbNo]) {
        porDefecto_ = botones_[mbNo];
    } else {
        for (TMsgDlgBtn b : {mbOK, mbYes, mbRetry}) {
            if (!porDefecto_ && botones_[b]) porDefecto_ = botones_[b];
        }
    }
    for (TMsgDlgBtn b : {mbCancel, mbNo, mbOK}) {
        if (!cancelar_ && botones_[b]) cancelar_ = botones_[b];
    }
    if (porDefecto_) {
        porDefecto_->setDefault(true);
        porDefecto_->setFocus();
    }
}

QPushButton* DialogoMensaje::Boton(TMsgDlgBtn boton) const {
    return botones_[boton];
}

void DialogoMensaje::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        if (cancelar_) cancelar_->click();
        return;
    }
    // The keypad's Enter carries the keypad modifier: it answers the same way.
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
        (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        // Enter answers for the button that has the focus, else for the default one.
        auto* enFoco = qobject_cast<QPushButton*>(focusWidget());
        if (enFoco) {
            enFoco->click();
        } else if (porDefecto_) {
            porDefecto_->click();
        }
        return;
    }
    QDialog::keyPressEvent(e);
}

void DialogoMensaje::reject() {
    done(2);
}

void DialogoMensaje::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    QRect marco = frameGeometry();
    marco.moveCenter(zona_.center());
    // Centred over the window, but never partly off the screen it is on.
    const QScreen* pantalla = QGuiApplication::screenAt(zona_.center());
    if (!pantalla) pantalla = QGuiApplication::primaryScreen();
    if (pantalla) {
        const QRect d = pantalla->availableGeometry();
        if (marco.right() > d.right()) marco.moveRight(d.right());
        if (marco.bottom() > d.bottom()) marco.moveBottom(d.bottom());
        if (marco.left() < d.left()) marco.moveLeft(d.left());
        if (marco.top() < d.top()) marco.moveTop(d.top());
    }
    move(marco.topLeft());
}

quint16 TmanejadorFuncionesComunes::wmessagedlg(const QString& msg, TMsgDlgType tipo,
                                                TMsgDlgButtons Botones, int defBtn) const {
    QWidget* principal =
        ventanaPrincipal_ && ventanaPrincipal_->isVisible() ? ventanaPrincipal_.data() : nullptr;
    DialogoMensaje dialogo(msg, tipo, Botones, defBtn, principal);
    dialogo.CentrarEn(principal ? principal->frameGeometry()
                                : QGuiApplication::primaryScreen()->availableGeometry());
    return static_cast<quint16>(dialogo.exec());
}

void TmanejadorFuncionesComunes::FijarVentanaPrincipal(QWidget* ventana) {
    ventanaPrincipal_ = ventana;
}

void MostrarErrorGeneral(QWidget* dueno, const QString& mensaje, const QString& nombre) {
    QMessageBox caja(QMessageBox::Critical, kTituloAplicacion, mensaje, QMessageBox::NoButton,
                     dueno && dueno->isVisible() ? dueno : nullptr);
    caja.setObjectName(nombre);
    caja.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
    caja.exec();
}

}  // namespace marlevanta
