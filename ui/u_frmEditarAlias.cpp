#include "ui/u_frmEditarAlias.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include "core/u_paginaInicio.h"
#include "ui/u_colores.h"
#include "ui/u_ventanas.h"

namespace marlevanta {

namespace {

bool Blanco(QChar c) {
    return c.unicode() <= 32 || c.isSpace();
}

const char* kAyudaPagina =
    "El navegador se abrirá en esta dirección (https://…). Vacía: en blanco.";

}  // namespace

QString Recortar(const QString& texto) {
    qsizetype inicio = 0;
    qsizetype fin = texto.size();
    while (inicio < fin && Blanco(texto.at(inicio))) ++inicio;
    while (fin > inicio && Blanco(texto.at(fin - 1))) --fin;
    return texto.mid(inicio, fin - inicio);
}

TfrmEditarAlias::TfrmEditarAlias(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmEditarAlias"));
    setWindowTitle(QStringLiteral("Editar Alias"));
    setFixedSize(419, 250);
    setFont(Tahoma(11));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    // Without a frame, a thin line keeps it apart from the window below.
    setStyleSheet(QStringLiteral("QDialog#frmEditarAlias { border: 1px solid palette(dark); }"));

    auto* label2 = new QLabel(QStringLiteral("Alias para el certificado:"), this);
    label2->setFont(Tahoma(13));
    label2->setGeometry(8, 18, 300, 18);
    lblCertificado_ = new QLabel(this);
    lblCertificado_->setObjectName(QStringLiteral("lblCertificado"));
    lblCertificado_->setFont(Tahoma(13, true));
    lblCertificado_->setWordWrap(true);
    lblCertificado_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblCertificado_->setTextFormat(Qt::PlainText);
    lblCertificado_->setGeometry(8, 40, 403, 29);
    edtAlias_ = new QLineEdit(this);
    edtAlias_->setObjectName(QStringLiteral("edtAlias"));
    edtAlias_->setFont(Tahoma(15));
    edtAlias_->setMaxLength(40);
    edtAlias_->setGeometry(8, 80, 404, 26);
    auto* lblPagina = new QLabel(QStringLiteral("Página de inicio:"), this);
    lblPagina->setFont(Tahoma(13));
    lblPagina->setGeometry(8, 114, 300, 18);
    edtPagina_ = new QLineEdit(this);
    edtPagina_->setObjectName(QStringLiteral("edtPagina"));
    edtPagina_->setFont(Tahoma(13));
    edtPagina_->setMaxLength(2000);
    edtPagina_->setPlaceholderText(QStringLiteral("https://"));
    edtPagina_->setGeometry(8, 134, 404, 24);
    lblPagina->setBuddy(edtPagina_);
    lblAvisoPagina_ = new QLabel(QString::fromUtf8(kAyudaPagina), this);
    lblAvisoPagina_->setObjectName(QStringLiteral("lblAvisoPagina"));
    lblAvisoPagina_->setWordWrap(true);
    lblAvisoPagina_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblAvisoPagina_->setGeometry(8, 161, 404, 30);
    // Typing again takes the refusal back to the guidance.
    connect(edtPagina_, &QLineEdit::textEdited, this, [this] {
        lblAvisoPagina_->setText(QString::fromUtf8(kAyudaPagina));
        lblAvisoPagina_->setPalette(QPalette());
    });
    btnSalir_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                                QStringLiteral("Salir "), this);
    btnSalir_->setObjectName(QStringLiteral("btnSalir"));
    btnSalir_->setFont(Tahoma(16));
    btnSalir_->setFlat(true);
    btnSalir_->setFocusPolicy(Qt::NoFocus);
    btnSalir_->setAutoDefault(false);
    btnSalir_->setGeometry(8, 195, 93, 41);
    btnCerrar_ = new QToolButton(this);
    btnCerrar_->setObjectName(QStringLiteral("btnCerrar"));
    btnCerrar_->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    btnCerrar_->setAutoRaise(true);
    btnCerrar_->setFocusPolicy(Qt::NoFocus);
    btnCerrar_->setGeometry(394, 0, 25, 25);
    // There is no cancel: however the dialog closes, the caller stores what the box holds.
    connect(btnSalir_, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCerrar_, &QToolButton::clicked, this, &QDialog::reject);
    edtAlias_->setFocus();
}

void TfrmEditarAlias::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    CentrarSobre(this, parentWidget());
    edtAlias_->setFocus();
}

void TfrmEditarAlias::done(int resultado) {
    const QString motivo = MotivoPaginaRechazada(edtPagina_->text());
    if (!motivo.isEmpty()) {
        lblAvisoPagina_->setText(motivo);
        ColorDeTexto(lblAvisoPagina_, QColor(255, 0, 0));
        edtPagina_->setFocus();
        edtPagina_->selectAll();
        return;
    }
    QDialog::done(resultado);
}

void TfrmEditarAlias::keyPressEvent(QKeyEvent* e) {
    const int k = e->key();
    if (k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Escape) {
        btnSalir_->click();
        return;
    }
    QDialog::keyPressEvent(e);
}

}  // namespace marlevanta
