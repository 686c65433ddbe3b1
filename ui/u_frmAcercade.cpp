#include "ui/u_frmAcercade.h"

#include <QDesktopServices>
#include <QFrame>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/u_colores.h"
#include "ui/u_imagenes.h"
#include "ui/u_ventanas.h"

namespace marlevanta {

void EtiquetaEnlace::mouseReleaseEvent(QMouseEvent* e) {
    QLabel::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton && !text().isEmpty()) emit clicked();
}

namespace {

QLabel* Fila(QWidget* padre, QVBoxLayout* capa, QLabel* etiqueta, int alto, bool negrita = false) {
    etiqueta->setParent(padre);
    etiqueta->setAlignment(Qt::AlignCenter);
    etiqueta->setFont(Tahoma(11, negrita));
    if (alto >= 0) etiqueta->setFixedHeight(alto);
    capa->addWidget(etiqueta);
    return etiqueta;
}

EtiquetaEnlace* Enlace(QWidget* padre, QVBoxLayout* capa, const QString& texto, int alto) {
    auto* e = new EtiquetaEnlace(texto);
    Fila(padre, capa, e, alto);
    QFont f = e->font();
    f.setUnderline(true);
    e->setFont(f);
    ColorDeTexto(e, QColor(0, 0, 255));
    e->setCursor(Qt::PointingHandCursor);
    return e;
}

}  // namespace

TfrmAcercade::TfrmAcercade(QWidget* owner, const DatosContacto& contacto, const QString& version,
                           const QString& fecha)
    : QDialog(owner) {
    setObjectName(QStringLiteral("frmAcercade"));
    setWindowTitle(QStringLiteral("Acerca de"));
    FondoDeLista(this);
    setFont(Tahoma(11));

    panel1_ = new QFrame(this);
    static_cast<QFrame*>(panel1_)->setFrameShape(QFrame::Box);
    auto* icono = new QLabel(panel1_);
    icono->setPixmap(LogoPrograma().scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    icono->setGeometry(8, 8, 64, 64);
    auto* lblPrograma = new QLabel(QStringLiteral("Marlevanta"), panel1_);
    QFont times(QStringLiteral("Times New Roman"));
    times.setPixelSize(16);
    times.setBold(true);
    lblPrograma->setFont(times);
    ColorDeTexto(lblPrograma, QColor(255, 0, 0));
    lblPrograma->setGeometry(88, 16, 190, 20);
    lblVersion_ =
        new QLabel(QStringLiteral("Versión: ") + version + QStringLiteral(", ") + fecha, panel1_);
    lblVersion_->setObjectName(QStringLiteral("lblVersion"));
    lblVersion_->setGeometry(88, 40, 195, 16);
    auto* lblDescripcion = new QLabel(QStringLiteral("Buscador de certificados SSL"), panel1_);
    lblDescripcion->setFont(Tahoma(11, true));
    lblDescripcion->setWordWrap(true);
    lblDescripcion->setGeometry(88, 59, 189, 30);

    panel2_ = new QWidget(panel1_);
    auto* filas = new QVBoxLayout(panel2_);
    filas->setContentsMargins(0, 0, 0, 0);
    filas->setSpacing(0);
    Fila(panel2_, filas, new QLabel, 5);
    Fila(panel2_, filas, new QLabel(QStringLiteral("Programa desarrollado por:")), 15, true);
    QLabel* empresa = Fila(panel2_, filas, new QLabel(contacto.CopyEmpresa), 20);
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(12);
    empresa->setFont(arial);
    ColorDeTexto(empresa, QColor(0, 0, 128));
    QString direccion = contacto.CopyDireccion;
    lblCopyDireccion_ = Fila(panel2_, filas, new QLabel(direccion.replace(u'\r', u'\n')), -1);
    lblCopyDireccion_->setWordWrap(true);
    lblCopyDireccion_->setMaximumHeight(26);
    Fila(panel2_, filas, new QLabel, 3);
    Fila(panel2_, filas, new QLabel(contacto.CopyTelefonos), 13);
    Fila(panel2_, filas, new QLabel, 8);
    lblEmailGeneral_ = Fila(panel2_, filas, new QLabel(QStringLiteral("E-Mail:")), 13, true);
    lblCopyEmailGeneral_ = Enlace(panel2_, filas, contacto.CopyEmailGeneral, 22);
    lblEmailSoporte_ =
        Fila(panel2_, filas, new QLabel(QStringLiteral("Soporte técnico:")), 13, true);
    lblCopyEmailSoporte_ = Enlace(panel2_, filas, contacto.CopyEmailSoporte, 22);
    lblWeb_ = Fila(panel2_, filas, new QLabel(QStringLiteral("Dirección de Internet")), 13, true);
    lblCopyWeb_ = Enlace(panel2_, filas, contacto.CopyWeb, 13);
    filas->addStretch(1);
    auto* credito = new QLabel(QStringLiteral("Imágenes dibujadas para Marlevanta."), panel1_);
    credito->setAlignment(Qt::AlignCenter);
    credito->setWordWrap(true);

    lblEmailGeneral_->setVisible(!lblCopyEmailGeneral_->text().isEmpty());
    lblEmailSoporte_->setVisible(!lblCopyEmailSoporte_->text().isEmpty());
    lblWeb_->setVisible(!lblCopyWeb_->text().isEmpty());

    // A two-line address makes room for itself; each empty contact row gives its room back.
    int altoPanel2 = 201;
    int altoVentana = 403;
    if (lblCopyDireccion_->heightForWidth(289) > 13) altoPanel2 += 13;
    for (auto [titulo, valor] :
         {std::pair<QLabel*, QLabel*>{lblEmailSoporte_, lblCopyEmailSoporte_},
          {lblEmailGeneral_, lblCopyEmailGeneral_},
          {lblWeb_, lblCopyWeb_}}) {
        if (titulo->isHidden()) {
            titulo->setFixedHeight(0);
            valor->setFixedHeight(0);
            valor->hide();
            altoPanel2 -= 27;
            altoVentana -= 27;
        }
    }
    setFixedSize(305, altoVentana);
    const int altoPanel1 = altoVentana - 52;
    panel1_->setGeometry(8, 8, 289, altoPanel1);
    credito->setGeometry(1, altoPanel1 - 43, 287, 42);
    panel2_->setGeometry(1, altoPanel1 - 43 - altoPanel2, 287, altoPanel2);
    auto* ok = new QPushButton(QStringLiteral("Aceptar"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    ok->setGeometry(115, altoVentana - 36, 75, 27);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    connect(lblCopyWeb_, &EtiquetaEnlace::clicked, this,
            [this] { QDesktopServices::openUrl(QUrl(lblCopyWeb_->text())); });
    for (EtiquetaEnlace* correo : {lblCopyEmailGeneral_, lblCopyEmailSoporte_}) {
        connect(correo, &EtiquetaEnlace::clicked, this, [correo] {
            QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + correo->text()));
        });
    }
    CentrarSobre(this, owner);
}

}  // namespace marlevanta
