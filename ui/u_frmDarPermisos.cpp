#include "ui/u_frmDarPermisos.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "core/u_darPermisos.h"
#include "ui/u_fuentes.h"
#include "ui/u_imagenes.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ui/u_ventanas.h"

namespace marlevanta {

TfrmDarPermisos::TfrmDarPermisos(QWidget* owner, DarPermisos& permisos,
                                 TmanejadorFuncionesComunes& comunes)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint),
      permisos_(permisos),
      comunes_(comunes) {
    setObjectName(QStringLiteral("frmDarPermisos"));
    setWindowTitle(QStringLiteral("Solicitud de permisos"));
    setFont(Tahoma(11));
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(12, 12, 12, 12);
    capa->setSpacing(8);
    Label1_ = new QLabel(
        QStringLiteral(
            "Para que el navegador elija el certificado por sí solo en todos sus perfiles, "
            "Marlevanta guarda una regla en la carpeta de políticas del navegador. Esa carpeta "
            "es del administrador del equipo y su usuario aún no puede escribir en ella.\n\n"
            "Si pulsa «Dar permisos», el sistema le pedirá la contraseña de un administrador "
            "(la suya, si lo es) y creará allí un archivo que solo su usuario podrá cambiar. "
            "Solo hace falta la primera vez.\n\n"
            "Un administrador también puede hacerlo escribiendo en un terminal:"),
        this);
    Label1_->setObjectName(QStringLiteral("Label1"));
    Label1_->setFont(Tahoma(13));
    Label1_->setWordWrap(true);
    Label1_->setFixedWidth(440);
    capa->addWidget(Label1_);
    edtOrden_ = new QLineEdit(permisos_.OrdenManual(), this);
    edtOrden_->setObjectName(QStringLiteral("edtOrden"));
    edtOrden_->setReadOnly(true);
    edtOrden_->setFocusPolicy(Qt::ClickFocus);  // the buttons come first for the keyboard
    edtOrden_->setCursorPosition(0);
    capa->addWidget(edtOrden_);
    capa->addSpacing(4);
    auto* botones = new QHBoxLayout;
    btnAceptar_ = new QPushButton(style()->standardIcon(QStyle::SP_VistaShield),
                                  QStringLiteral("Dar permisos a QRVreader"), this);
    btnAceptar_->setObjectName(QStringLiteral("btnAceptar"));
    btnCancelar_ = new QPushButton(QIcon(CruzRoja(16)), QStringLiteral("Cancelar"), this);
    btnCancelar_->setObjectName(QStringLiteral("btnCancelar"));
    // Enter presses the button that has the focus; the grant's when none has.
    btnAceptar_->setAutoDefault(true);
    btnCancelar_->setAutoDefault(true);
    btnAceptar_->setDefault(true);
    botones->addWidget(btnAceptar_);
    botones->addStretch(1);
    botones->addWidget(btnCancelar_);
    capa->addLayout(botones);
    capa->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(btnAceptar_, btnCancelar_);
    btnAceptar_->setFocus();
    connect(btnAceptar_, &QPushButton::clicked, this, [this] {
        btnAceptar_->setEnabled(false);
        btnCancelar_->setEnabled(false);
        permisos_.Ejecutar();
    });
    connect(&permisos_, &DarPermisos::Terminado, this, [this](const AvisoPermisos& aviso) {
        comunes_.wmessagedlg(aviso.texto, aviso.hecho ? mtInformation : mtError, Botones({mbOK}),
                             0);
        reject();
    });
    connect(btnCancelar_, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmDarPermisos::reject() {
    if (permisos_.EnCurso()) return;
    QDialog::reject();
}

void TfrmDarPermisos::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    CentrarSobre(this, parentWidget());
}

}  // namespace marlevanta
