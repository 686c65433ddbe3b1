#include "ui/u_frmDarPermisos.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "core/u_sesionNavegador.h"
#include "ui/u_fuentes.h"
#include "ui/u_imagenes.h"
#include "ui/u_manejadorFuncionesComunes.h"

namespace marlevanta {

QStringList OrdenPermisos(const QString& pqrvr, const QString& sid) {
    return {QStringLiteral("pkexec"), pqrvr, sid};
}

TfrmDarPermisos::TfrmDarPermisos(QWidget* owner, IniciadorProcesos& procesos, SegundoPlano& fondo,
                                 TmanejadorFuncionesComunes& comunes, QStringList orden)
    : QDialog(owner),
      procesos_(procesos),
      fondo_(fondo),
      comunes_(comunes),
      orden_(std::move(orden)) {
    setObjectName(QStringLiteral("frmDarPermisos"));
    setWindowTitle(QStringLiteral("Solicitud de permisos"));
    setFixedSize(372, 153);
    setFont(Tahoma(11));
    Label1_ = new QLabel(
        QStringLiteral(
            "No se ha podido seleccionar el certificado para el navegador seleccionado. Es "
            "posible que QRVreader no tenga los permisos suficientes para establecer el "
            "certificado por defecto para el navegador. Si es un problema de permisos sólo "
            "tendrá que establecerlos la primera vez."),
        this);
    Label1_->setObjectName(QStringLiteral("Label1"));
    Label1_->setFont(Tahoma(13));
    Label1_->setWordWrap(true);
    Label1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1_->setGeometry(12, 16, 345, 94);
    btnAceptar_ = new QPushButton(style()->standardIcon(QStyle::SP_VistaShield),
                                  QStringLiteral("Dar permisos a QRVreader"), this);
    btnAceptar_->setObjectName(QStringLiteral("btnAceptar"));
    btnAceptar_->setGeometry(12, 116, 169, 25);
    btnCancelar_ = new QPushButton(QIcon(CruzRoja(16)), QStringLiteral("Cancelar"), this);
    btnCancelar_->setObjectName(QStringLiteral("btnCancelar"));
    btnCancelar_->setGeometry(196, 116, 161, 25);
    btnAceptar_->setAutoDefault(false);
    btnCancelar_->setAutoDefault(false);
    setTabOrder(btnAceptar_, btnCancelar_);
    btnAceptar_->setFocus();
    connect(btnAceptar_, &QPushButton::clicked, this, &TfrmDarPermisos::btnAceptarClick);
    connect(btnCancelar_, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmDarPermisos::btnAceptarClick() {
    btnAceptar_->setEnabled(false);
    btnCancelar_->setEnabled(false);
    std::vector<std::string> argumentos;
    for (const QString& a : orden_.mid(1)) argumentos.push_back(a.toStdString());
    // Waiting for the program lets the answer tell the truth, and the next rule write come only
    // after the permissions are in place; the wait runs on a worker, so this window keeps painting.
    EjecutarYEsperar(
        procesos_, fondo_, this, orden_.front().toStdString(), argumentos,
        [this](Resultado<int> codigo) {
            if (codigo && *codigo == 0) {
                comunes_.wmessagedlg(QStringLiteral("Permisos establecidos"), mtInformation,
                                     Botones({mbOK}), 0);
            } else {
                comunes_.wmessagedlg(
                    QStringLiteral("No se han podido establecer los permisos.") +
                        (codigo ? QString()
                                : QStringLiteral("\r") + QString::fromStdString(codigo.motivo())),
                    mtError, Botones({mbOK}), 0);
            }
            reject();
        });
}

}  // namespace marlevanta
