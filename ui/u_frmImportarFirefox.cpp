#include "ui/u_frmImportarFirefox.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/u_importacionFirefox.h"
#include "ui/u_colores.h"
#include "ui/u_ventanas.h"

namespace marlevanta {

TfrmImportarFirefox::TfrmImportarFirefox(QWidget* owner, ImportacionFirefox& importacion)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint),
      importacion_(importacion) {
    setObjectName(QStringLiteral("frmImportarFirefox"));
    setWindowTitle(QStringLiteral("Importar desde Firefox"));
    setFont(Tahoma(13));
    setFixedWidth(520);

    auto* capa = new QVBoxLayout(this);
    capa->setSizeConstraint(QLayout::SetFixedSize);
    auto* explicacion = new QLabel(
        QStringLiteral("Se copian a este equipo, con su clave, los certificados del perfil que "
                       "todavía no están aquí. El perfil de Firefox no se modifica."),
        this);
    explicacion->setWordWrap(true);
    capa->addWidget(explicacion);
    capa->addSpacing(6);
    auto* lblPerfil = new QLabel(QStringLiteral("&Perfil de Firefox:"), this);
    capa->addWidget(lblPerfil);
    cmbPerfil_ = new QComboBox(this);
    cmbPerfil_->setObjectName(QStringLiteral("cmbPerfil"));
    lblPerfil->setBuddy(cmbPerfil_);
    int predeterminado = -1;
    const auto& perfiles = importacion_.Perfiles();
    for (size_t i = 0; i < perfiles.size(); ++i) {
        const int fila = static_cast<int>(i);
        cmbPerfil_->addItem(DescripcionPerfil(perfiles[i]));
        cmbPerfil_->setItemData(fila, QString::fromStdString(perfiles[i].perfil.ruta),
                                Qt::ToolTipRole);
        if (predeterminado < 0 && perfiles[i].perfil.predeterminado) predeterminado = fila;
    }
    cmbPerfil_->setCurrentIndex(std::max(predeterminado, 0));
    capa->addWidget(cmbPerfil_);

    lblContrasena_ = new QLabel(QStringLiteral("&Contraseña principal de Firefox:"), this);
    capa->addWidget(lblContrasena_);
    edtContrasena_ = new QLineEdit(this);
    edtContrasena_->setObjectName(QStringLiteral("edtContrasena"));
    edtContrasena_->setEchoMode(QLineEdit::Password);
    lblContrasena_->setBuddy(edtContrasena_);
    capa->addWidget(edtContrasena_);
    pie_ = CrearPieImportacion(this, capa, QStringLiteral("Copiando los certificados…"));
    lblError_ = pie_.error;
    btnImportar_ = pie_.importar;
    btnCancelar_ = pie_.cancelar;

    connect(cmbPerfil_, &QComboBox::currentIndexChanged, this, &TfrmImportarFirefox::PerfilElegido);
    connect(btnImportar_, &QPushButton::clicked, this, &TfrmImportarFirefox::btnImportarClick);
    connect(btnCancelar_, &QPushButton::clicked, this, &TfrmImportarFirefox::reject);
    connect(&importacion_, &ImportacionFirefox::ContrasenaIncorrecta, this,
            [this](const QString& aviso) {
                Activo(true);
                OtraContrasena(pie_, edtContrasena_, aviso);
            });
    connect(&importacion_, &ImportacionFirefox::Terminada, this, [this] {
        Activo(true);
        accept();
    });
    btnImportar_->setEnabled(!perfiles.empty());
    PerfilElegido();
}

bool TfrmImportarFirefox::Importando() const {
    return importacion_.Importando();
}

void TfrmImportarFirefox::reject() {
    if (Importando()) return;
    QDialog::reject();
}

void TfrmImportarFirefox::PerfilElegido() {
    const int i = cmbPerfil_->currentIndex();
    const auto& perfiles = importacion_.Perfiles();
    const bool conContrasena =
        i >= 0 && static_cast<size_t>(i) < perfiles.size() && perfiles[size_t(i)].conContrasena;
    lblContrasena_->setVisible(conContrasena);
    edtContrasena_->setVisible(conContrasena);
    // Another profile's password must not travel to this one.
    edtContrasena_->clear();
    lblError_->hide();
    if (conContrasena) {
        edtContrasena_->setFocus();
    } else {
        cmbPerfil_->setFocus();
    }
}

void TfrmImportarFirefox::Activo(bool activo) {
    ImportacionActiva(this, pie_, activo, {cmbPerfil_, edtContrasena_});
}

void TfrmImportarFirefox::btnImportarClick() {
    if (Importando() || cmbPerfil_->currentIndex() < 0) return;
    Activo(false);
    lblError_->hide();
    importacion_.Importar(static_cast<size_t>(cmbPerfil_->currentIndex()),
                          !edtContrasena_->isHidden() ? edtContrasena_->text() : QString());
}

}  // namespace marlevanta
