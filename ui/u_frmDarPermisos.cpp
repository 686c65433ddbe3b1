#include "ui/u_frmDarPermisos.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "ui/u_fuentes.h"
#include "ui/u_imagenes.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ui/u_ventanas.h"

namespace marlevanta {

namespace {

// A path with blanks or quotes is quoted as a shell reads it.
QString ParaTerminal(const QString& texto) {
    static const QString seguros = QStringLiteral("/._-+:=,@%");
    for (QChar c : texto) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && !seguros.contains(c)) {
            QString r = texto;
            r.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
            return QLatin1Char('\'') + r + QLatin1Char('\'');
        }
    }
    return texto;
}

// The last thing a program said, without the blank lines around it.
QString Ultimo(const std::string& error) {
    const QStringList lineas =
        QString::fromUtf8(error.data(), qsizetype(error.size())).split(QLatin1Char('\n'));
    QStringList utiles;
    for (const QString& l : lineas) {
        if (!l.trimmed().isEmpty()) utiles << l.trimmed();
    }
    return utiles.join(QLatin1Char(' '));
}

}  // namespace

QStringList OrdenPermisos(const QString& pqrvr, const QString& sid) {
    return {QStringLiteral("pkexec"), pqrvr, sid};
}

QString OrdenAdministrador(const QString& pqrvr, const QString& sid) {
    return QStringLiteral("sudo ") + ParaTerminal(pqrvr) + QLatin1Char(' ') + ParaTerminal(sid);
}

QString MotivoPermisos(const Resultado<SalidaPrograma>& salida) {
    if (!salida) {
        return QStringLiteral("No se ha podido pedir la contraseña de administrador: ") +
               QString::fromStdString(salida.motivo()) +
               QStringLiteral(" Compruebe que el paquete pkexec está instalado.");
    }
    if (salida->codigo == 0) return {};
    const QString dicho = Ultimo(salida->error);
    switch (salida->codigo) {
        case 126:
            return QStringLiteral("Se ha cancelado la petición de la contraseña.");
        case 127:
            return QStringLiteral("El sistema no ha dado la autorización") +
                   (dicho.isEmpty() ? QString() : QStringLiteral(" (") + dicho + u')') +
                   QStringLiteral(
                       ". Si no ha aparecido ninguna ventana que pidiera la "
                       "contraseña, falta en el escritorio el programa que la pide "
                       "(un agente de autenticación de polkit).");
        default:
            return dicho.isEmpty() ? QStringLiteral(
                                         "El programa de permisos ha terminado con el "
                                         "código %1.")
                                         .arg(salida->codigo)
                                   : dicho;
    }
}

TfrmDarPermisos::TfrmDarPermisos(QWidget* owner, IniciadorProcesos& procesos, SegundoPlano& fondo,
                                 TmanejadorFuncionesComunes& comunes, QStringList orden)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint),
      procesos_(procesos),
      fondo_(fondo),
      comunes_(comunes),
      orden_(std::move(orden)) {
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
    const QString sid = orden_.size() > 2 ? orden_.at(2) : QString();
    edtOrden_ = new QLineEdit(OrdenAdministrador(orden_.value(1), sid), this);
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
    connect(btnAceptar_, &QPushButton::clicked, this, &TfrmDarPermisos::btnAceptarClick);
    connect(btnCancelar_, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmDarPermisos::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    CentrarSobre(this, parentWidget());
}

void TfrmDarPermisos::btnAceptarClick() {
    btnAceptar_->setEnabled(false);
    btnCancelar_->setEnabled(false);
    std::vector<std::string> argumentos;
    for (const QString& a : orden_.mid(1)) argumentos.push_back(a.toStdString());
    // Waiting for the program lets the answer tell the truth, and the next rule write come only
    // after the permissions are in place; the wait runs on a worker, so this window keeps painting.
    EjecutarYEsperar(procesos_, fondo_, this, orden_.front().toStdString(), argumentos,
                     [this](Resultado<SalidaPrograma> salida) {
                         const QString motivo = MotivoPermisos(salida);
                         if (motivo.isEmpty()) {
                             comunes_.wmessagedlg(QStringLiteral("Permisos establecidos"),
                                                  mtInformation, Botones({mbOK}), 0);
                         } else {
                             comunes_.wmessagedlg(
                                 QStringLiteral("No se han podido establecer los permisos. ") +
                                     motivo +
                                     QStringLiteral("\n\nUn administrador puede darlos "
                                                    "escribiendo en un terminal:\n") +
                                     edtOrden_->text(),
                                 mtError, Botones({mbOK}), 0);
                         }
                         reject();
                     });
}

}  // namespace marlevanta
