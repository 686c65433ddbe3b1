#include "browser/u_frmDarPermisos.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "browser/imagenes.h"
#include "common/fuentes.h"
#include "common/u_manejadorFuncionesComunes.h"
#include "store/permisos.h"

namespace marlevanta {

QStringList OrdenPermisos(const QString& sid) {
    return {QStringLiteral("pkexec"),
            QCoreApplication::applicationDirPath() + QStringLiteral("/pqrvr"), sid};
}

TfrmDarPermisos::TfrmDarPermisos(QWidget* owner) : QDialog(owner) {
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
    const QStringList orden = OrdenPermisos(QString::fromStdString(SidUsuarioActual()));
    TmanejadorFuncionesComunes comunes;
    QString error;
    int codigo = -1;
    // Waiting for the program lets the answer tell the truth, and the next policy write come
    // only after the permissions are in place.
    const bool iniciado = comunes.RunAndWaitShell(orden.front(), orden.mid(1), &error, &codigo);
    if (iniciado && codigo == 0) {
        comunes.wmessagedlg(QStringLiteral("Permisos establecidos"), mtInformation, Botones({mbOK}),
                            0);
    } else {
        comunes.wmessagedlg(QStringLiteral("No se han podido establecer los permisos.") +
                                (iniciado ? QString() : QStringLiteral("\r") + error),
                            mtError, Botones({mbOK}), 0);
    }
    reject();
}

}  // namespace marlevanta
