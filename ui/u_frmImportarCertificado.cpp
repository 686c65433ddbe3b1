#include "ui/u_frmImportarCertificado.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/u_segundoPlano.h"
#include "ui/u_colores.h"
#include "ui/u_ventanas.h"

namespace marlevanta {

TfrmImportarCertificado::TfrmImportarCertificado(QWidget* owner, const QString& archivo,
                                                 Importar importar, SegundoPlano& fondo)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint),
      archivo_(archivo),
      importar_(std::move(importar)),
      fondo_(fondo) {
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
    edtContrasena_->setFocus();
}

void TfrmImportarCertificado::reject() {
    if (importando_) return;
    QDialog::reject();
}

void TfrmImportarCertificado::btnImportarClick() {
    if (importando_) return;
    importando_ = true;
    for (QWidget* w : std::initializer_list<QWidget*>{edtContrasena_, btnImportar_, btnCancelar_})
        w->setEnabled(false);
    lblError_->hide();
    lblEstado_->show();
    setCursor(Qt::BusyCursor);
    fondo_.Ejecutar(
        this,
        [importar = importar_, archivo = archivo_.toStdString(),
         contrasena = edtContrasena_->text().toStdString()] {
            return importar(archivo, contrasena);
        },
        [this](marlevanta::Resultado<CertificadoImportado> r) { Importado(std::move(r)); });
}

void TfrmImportarCertificado::Importado(marlevanta::Resultado<CertificadoImportado> r) {
    importando_ = false;
    unsetCursor();
    lblEstado_->hide();
    for (QWidget* w : std::initializer_list<QWidget*>{edtContrasena_, btnImportar_, btnCancelar_})
        w->setEnabled(true);
    if (!r && r.motivo() == kContrasenaIncorrecta) {
        // The one failure the user mends here: the password is asked again.
        lblError_->setText(QString::fromUtf8(kContrasenaIncorrecta) +
                           QStringLiteral(" Escríbala de nuevo."));
        lblError_->show();
        edtContrasena_->setFocus();
        edtContrasena_->selectAll();
        return;
    }
    resultado_ = std::move(r);
    accept();
}

}  // namespace marlevanta
