#include "ui/u_frmImportarCertificado.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/u_importacionCertificado.h"
#include "ui/u_colores.h"
#include "ui/u_ventanas.h"

namespace marlevanta {

TfrmImportarCertificado::TfrmImportarCertificado(QWidget* owner, const QString& archivo,
                                                 ImportacionCertificado& importacion)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint),
      archivo_(archivo),
      importacion_(importacion) {
    setObjectName(QStringLiteral("frmImportarCertificado"));
    setWindowTitle(QStringLiteral("Importar certificado"));
    setFont(Tahoma(13));
    setFixedWidth(460);

    auto* capa = new QVBoxLayout(this);
    capa->setSizeConstraint(QLayout::SetFixedSize);
    auto* titulo = new QLabel(QStringLiteral("Archivo del certificado:"), this);
    titulo->setFont(Tahoma(13, true));
    capa->addWidget(titulo);
    const QFileInfo info(archivo);
    lblArchivo_ = new QLabel(info.fileName(), this);
    lblArchivo_->setObjectName(QStringLiteral("lblArchivo"));
    lblArchivo_->setTextFormat(Qt::PlainText);
    lblArchivo_->setWordWrap(true);
    lblArchivo_->setToolTip(QDir::toNativeSeparators(info.absoluteFilePath()));
    capa->addWidget(lblArchivo_);
    auto* carpeta = new QLabel(QDir::toNativeSeparators(info.absolutePath()), this);
    carpeta->setTextFormat(Qt::PlainText);
    carpeta->setWordWrap(true);
    carpeta->setFont(Tahoma(11));
    capa->addWidget(carpeta);
    capa->addSpacing(10);

    auto* lblContrasena = new QLabel(QStringLiteral("&Contraseña del archivo:"), this);
    capa->addWidget(lblContrasena);
    edtContrasena_ = new QLineEdit(this);
    edtContrasena_->setObjectName(QStringLiteral("edtContrasena"));
    edtContrasena_->setEchoMode(QLineEdit::Password);
    lblContrasena->setBuddy(edtContrasena_);
    capa->addWidget(edtContrasena_);
    auto* ayuda = new QLabel(
        QStringLiteral("Es la contraseña que le dieron con el archivo .p12 o .pfx; déjela vacía "
                       "si el archivo no tiene."),
        this);
    ayuda->setWordWrap(true);
    ayuda->setFont(Tahoma(11));
    capa->addWidget(ayuda);
    pie_ = CrearPieImportacion(this, capa, QStringLiteral("Importando el certificado…"));
    lblError_ = pie_.error;
    btnImportar_ = pie_.importar;
    btnCancelar_ = pie_.cancelar;

    connect(btnImportar_, &QPushButton::clicked, this, &TfrmImportarCertificado::btnImportarClick);
    connect(btnCancelar_, &QPushButton::clicked, this, &TfrmImportarCertificado::reject);
    connect(&importacion_, &ImportacionCertificado::ContrasenaIncorrecta, this,
            [this](const QString& aviso) {
                Activo(true);
                OtraContrasena(pie_, edtContrasena_, aviso);
            });
    connect(&importacion_, &ImportacionCertificado::Terminada, this, [this] {
        Activo(true);
        accept();
    });
    edtContrasena_->setFocus();
}

bool TfrmImportarCertificado::Importando() const {
    return importacion_.Importando();
}

void TfrmImportarCertificado::reject() {
    // It cannot be stopped half-way.
    if (Importando()) return;
    QDialog::reject();
}

void TfrmImportarCertificado::Activo(bool activo) {
    ImportacionActiva(this, pie_, activo, {edtContrasena_});
}

void TfrmImportarCertificado::btnImportarClick() {
    if (Importando()) return;
    Activo(false);
    lblError_->hide();
    importacion_.Importar(archivo_, edtContrasena_->text());
}

}  // namespace marlevanta
