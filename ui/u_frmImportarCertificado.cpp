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
    lblError_ = new QLabel(this);
    lblError_->setObjectName(QStringLiteral("lblError"));
    lblError_->setWordWrap(true);
    lblError_->setFont(Tahoma(13, true));
    lblError_->hide();
    capa->addWidget(lblError_);
    lblEstado_ = new QLabel(QStringLiteral("Importando el certificado…"), this);
    lblEstado_->setObjectName(QStringLiteral("lblEstado"));
    lblEstado_->hide();
    capa->addWidget(lblEstado_);
    capa->addSpacing(10);

    auto* botones = new QHBoxLayout;
    botones->addStretch(1);
    btnImportar_ = new QPushButton(QStringLiteral("&Importar"), this);
    btnImportar_->setObjectName(QStringLiteral("btnImportar"));
    btnImportar_->setDefault(true);
    btnCancelar_ = new QPushButton(QStringLiteral("Cancelar"), this);
    btnCancelar_->setObjectName(QStringLiteral("btnCancelar"));
    botones->addWidget(btnImportar_);
    botones->addWidget(btnCancelar_);
    capa->addLayout(botones);
    ColorDeTexto(lblError_, QColor(255, 0, 0));

    connect(btnImportar_, &QPushButton::clicked, this, &TfrmImportarCertificado::btnImportarClick);
    connect(btnCancelar_, &QPushButton::clicked, this, &TfrmImportarCertificado::reject);
    connect(&importacion_, &ImportacionCertificado::ContrasenaIncorrecta, this,
            [this](const QString& aviso) {
                Activo(true);
                lblError_->setText(aviso);
                lblError_->show();
                edtContrasena_->setFocus();
                edtContrasena_->selectAll();
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
    for (QWidget* w : std::initializer_list<QWidget*>{edtContrasena_, btnImportar_, btnCancelar_})
        w->setEnabled(activo);
    lblEstado_->setVisible(!activo);
    if (activo) {
        unsetCursor();
    } else {
        setCursor(Qt::BusyCursor);
    }
}

void TfrmImportarCertificado::btnImportarClick() {
    if (Importando()) return;
    Activo(false);
    lblError_->hide();
    importacion_.Importar(archivo_, edtContrasena_->text());
}

}  // namespace marlevanta
