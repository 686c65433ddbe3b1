#include "ui/u_frmActualizadorInternet.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "core/u_actualizacion.h"
#include "core/u_actualizador.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ui/u_ventanas.h"

namespace marlevanta {

namespace {

QLabel* Etiqueta(QWidget* padre, const char* texto, int x, int y, bool titulo = false) {
    auto* l = new QLabel(QString::fromUtf8(texto), padre);
    QFont f = Tahoma(11, titulo);
    f.setUnderline(titulo);
    l->setFont(f);
    l->move(x, y);
    l->adjustSize();
    return l;
}

QLineEdit* Campo(QWidget* padre, const char* nombre, int x, int y, int ancho) {
    auto* e = new QLineEdit(padre);
    e->setObjectName(QString::fromLatin1(nombre));
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setGeometry(x, y, ancho, 21);
    QPalette p = e->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Button));
    e->setPalette(p);
    return e;
}

}  // namespace

TfrmActualizadorInternet::TfrmActualizadorInternet(QWidget* owner, Actualizacion& actualizacion,
                                                   TmanejadorFuncionesComunes& comunes,
                                                   const QString& version)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint),
      actualizacion_(actualizacion),
      comunes_(comunes),
      version_(version) {
    setObjectName(QStringLiteral("frmActualizadorInternet"));
    setWindowTitle(QStringLiteral("Actualizar QRVfinder"));
    setFixedSize(391, 247);
    setFont(Tahoma(11));
    FondoDeLista(this);

    Etiqueta(this, "Datos del programa:", 8, 8, true);
    Etiqueta(this, "Nombre:", 16, 34);
    edtNombre_ = Campo(this, "edtNombre", 72, 30, 308);
    Etiqueta(this, "Versión:", 16, 60);
    edtVersion_ = Campo(this, "edtVersion", 72, 56, 120);
    Etiqueta(this, "Destino:", 16, 86);
    edtDestino_ = Campo(this, "edtDestino", 72, 82, 308);
    Etiqueta(this, "Actualizar:", 8, 118, true);
    Etiqueta(this, "Antes de actualizar debe tener una conexión a Internet activa.", 16, 140);
    btnActualizar_ = new QPushButton(QStringLiteral("&Actualizar"), this);
    btnActualizar_->setObjectName(QStringLiteral("btnActualizar"));
    btnActualizar_->setGeometry(16, 164, 100, 27);
    pgbDescarga_ = new QProgressBar(this);
    pgbDescarga_->setObjectName(QStringLiteral("pgbDescarga"));
    pgbDescarga_->setRange(0, 100);
    pgbDescarga_->setTextVisible(false);
    pgbDescarga_->setGeometry(126, 168, 254, 19);
    btnCerrar_ = new QPushButton(QStringLiteral("C&errar"), this);
    btnCerrar_->setObjectName(QStringLiteral("btnCerrar"));
    btnCerrar_->setProperty("tag", 0);
    btnCerrar_->setGeometry(296, 210, 84, 27);
    lblEstado_ = new QLabel(this);
    lblEstado_->setObjectName(QStringLiteral("lblEstado"));
    lblEstado_->setFont(Tahoma(11, true));
    ColorDeTexto(lblEstado_, QColor(0, 128, 0));
    // A long error wraps into the room beside the button and above it instead of being cut; one
    // line stays where the design has it.
    lblEstado_->setGeometry(16, 190, 272, 52);
    lblEstado_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblEstado_->setWordWrap(true);
    for (QPushButton* b : {btnActualizar_, btnCerrar_}) b->setAutoDefault(false);
    connect(btnActualizar_, &QPushButton::clicked, this,
            &TfrmActualizadorInternet::btnActualizarClick);
    connect(btnCerrar_, &QPushButton::clicked, this, &TfrmActualizadorInternet::btnCerrarClick);
    connect(&actualizacion_, &Actualizacion::Comprobada, this,
            &TfrmActualizadorInternet::VersionLeida);
    connect(&actualizacion_, &Actualizacion::Progreso, this, &TfrmActualizadorInternet::IdHttpWork);
    connect(&actualizacion_, &Actualizacion::Descargada, this,
            &TfrmActualizadorInternet::Descargada);
}

void TfrmActualizadorInternet::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    CentrarSobre(this, parentWidget());
    FormShow();
}

void TfrmActualizadorInternet::FormShow() {
    flagDescargaOk = false;
    pgbDescarga_->setValue(0);
    lblEstado_->clear();
    edtNombre_->setText(kTituloAplicacion);
    edtVersion_->setText(VersionParaMostrar(version_));
    edtDestino_->setText(QDir::toNativeSeparators(actualizacion_.CarpetaPrograma()));
}

void TfrmActualizadorInternet::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        btnCerrarClick();
        return;
    }
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
        !qobject_cast<QPushButton*>(focusWidget())) {
        focusNextChild();
        return;
    }
    QDialog::keyPressEvent(e);
}

bool TfrmActualizadorInternet::Intentando() const {
    return btnCerrar_->property("tag").toInt() == 1;
}

void TfrmActualizadorInternet::reject() {
    // The close box during an attempt cancels it, like the button does.
    if (Intentando()) {
        btnCerrarClick();
        return;
    }
    QDialog::reject();
}

void TfrmActualizadorInternet::btnCerrarClick() {
    if (!Intentando()) {
        QDialog::reject();
        return;
    }
    cancelarDescarga = true;
    // Also while the version is being asked: the question stops at once.
    actualizacion_.Cancelar();
}

void TfrmActualizadorInternet::Inactivo() {
    btnActualizar_->setEnabled(true);
    btnCerrar_->setText(QStringLiteral("C&errar"));
    btnCerrar_->setProperty("tag", 0);
}

void TfrmActualizadorInternet::btnActualizarClick() {
    flagDescargaOk = false;
    cancelarDescarga = false;
    lblEstado_->clear();  // an earlier attempt's end
    btnActualizar_->setEnabled(false);
    btnCerrar_->setText(QStringLiteral("Canc&elar"));
    btnCerrar_->setProperty("tag", 1);
    actualizacion_.Comprobar();
}

void TfrmActualizadorInternet::VersionLeida(const Resultado<InfoVersion>& version) {
    const DecisionVersion decision = actualizacion_.Decidir(version);
    switch (decision.paso) {
        case DecisionVersion::Cancelada:
            break;
        case DecisionVersion::Error:
            lblEstado_->setText(decision.texto);
            break;
        case DecisionVersion::AlDia:
            comunes_.wmessagedlg(decision.texto, mtInformation, Botones({mbOK}), 0);
            break;
        case DecisionVersion::Nueva:
            // Cancel pressed while the question was on screen stops it too.
            if (comunes_.wmessagedlg(decision.texto, mtConfirmation, Botones({mbYes, mbNo}), 2) ==
                    6 &&
                !cancelarDescarga) {
                actualizacion_.Descargar();
                return;
            }
            break;
    }
    Inactivo();
}

void TfrmActualizadorInternet::IdHttpWork(qint64 recibidos, qint64 total) {
    lblEstado_->setText(TextoDescarga(recibidos, total));
    if (total > 0) {
        pgbDescarga_->setValue(static_cast<int>(std::min<qint64>(recibidos * 100 / total, 100)));
    } else {
        pgbDescarga_->setValue(std::min(pgbDescarga_->value() + 1, 100));
    }
}

void TfrmActualizadorInternet::Descargada(const FinDescarga& fin) {
    switch (fin.estado) {
        case FinDescarga::Error:
            lblEstado_->setText(QStringLiteral("Error: ") + fin.error);
            break;
        case FinDescarga::Cancelada:
            lblEstado_->setText(QStringLiteral("Descarga cancelada"));
            break;
        case FinDescarga::Completa:
            lblEstado_->setText(QStringLiteral("Descarga completa"));
            flagDescargaOk = true;
            pgbDescarga_->setValue(100);
            break;
        case FinDescarga::SinPaquete:
            break;
    }
    Inactivo();
    if (!flagDescargaOk) return;
    if (auto h = actualizacion_.Traspasar(); !h) {
        comunes_.wmessagedlg(QString::fromStdString(h.motivo()), mtError, Botones({mbOK}), 0);
    }
}

}  // namespace marlevanta
