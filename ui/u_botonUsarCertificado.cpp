#include "ui/u_botonUsarCertificado.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/u_fuentes.h"
#include "ui/u_imagenes.h"

namespace marlevanta {

BotonUsarCertificado::BotonUsarCertificado(QWidget* parent) : QPushButton(parent) {
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(6, 8, 6, 8);
    imagen_ = new QLabel(this);
    imagen_->setAlignment(Qt::AlignCenter);
    imagen_->setPixmap(ImagenCertificado(false));
    texto_ = new QLabel(this);
    texto_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    texto_->setWordWrap(true);
    texto_->setFont(Tahoma(15));
    texto_->setTextFormat(Qt::PlainText);
    for (QLabel* l : {imagen_, texto_}) l->setAttribute(Qt::WA_TransparentForMouseEvents);
    capa->addWidget(imagen_);
    capa->addWidget(texto_, 1);
    SetCaption(QStringLiteral("Usar certificado 999"));
}

void BotonUsarCertificado::SetCaption(const QString& caption) {
    caption_ = caption;
    QString visible = caption;
    texto_->setText(visible.replace(u'\r', u'\n'));
    setAccessibleName(visible);
}

void BotonUsarCertificado::changeEvent(QEvent* e) {
    if (e->type() == QEvent::EnabledChange) imagen_->setPixmap(ImagenCertificado(!isEnabled()));
    QPushButton::changeEvent(e);
}

}  // namespace marlevanta
