#include "ui/u_imagenes.h"

#include <QPainter>
#include <QPainterPath>

namespace marlevanta {

QPixmap CruzRoja(int lado) {
    QPixmap p(lado, lado);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(200, 30, 30), lado / 6.0, Qt::SolidLine, Qt::RoundCap));
    const qreal m = lado * 0.25;
    g.drawLine(QPointF(m, m), QPointF(lado - m, lado - m));
    g.drawLine(QPointF(lado - m, m), QPointF(m, lado - m));
    return p;
}

QPixmap LogoNavegador(const QColor& color, const QString& letra, int lado) {
    QPixmap p(lado, lado);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(Qt::NoPen);
    g.setBrush(color);
    g.drawEllipse(QRectF(4, 4, lado - 8, lado - 8));
    QFont f = g.font();
    f.setPixelSize(lado / 2);
    f.setBold(true);
    g.setFont(f);
    g.setPen(Qt::white);
    g.drawText(QRect(0, 0, lado, lado), Qt::AlignCenter, letra);
    return p;
}

QPixmap LogoPrograma(int lado) {
    QPixmap p(lado, lado);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.scale(lado / 96.0, lado / 96.0);
    g.setBrush(QColor(0x1f, 0x5f, 0xa8));
    g.setPen(Qt::NoPen);
    QPainterPath escudo;
    escudo.moveTo(48, 6);
    escudo.lineTo(86, 20);
    escudo.cubicTo(86, 58, 70, 80, 48, 92);
    escudo.cubicTo(26, 80, 10, 58, 10, 20);
    escudo.closeSubpath();
    g.drawPath(escudo);
    g.setBrush(Qt::white);
    g.drawEllipse(QPointF(48, 40), 13, 13);
    g.drawRect(QRectF(44, 50, 8, 26));
    g.drawRect(QRectF(52, 64, 9, 5));
    g.drawRect(QRectF(52, 72, 6, 4));
    g.setBrush(QColor(0x1f, 0x5f, 0xa8));
    g.drawEllipse(QPointF(48, 37), 5, 5);
    return p;
}

QPixmap ImagenCertificado(bool gris) {
    QPixmap p(56, 56);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    const QColor tinta = gris ? QColor(150, 150, 150) : QColor(0x1f, 0x5f, 0xa8);
    g.setPen(QPen(tinta, 2));
    g.setBrush(gris ? QColor(235, 235, 235) : QColor(0xf4, 0xf8, 0xff));
    g.drawRoundedRect(QRectF(4, 8, 48, 34), 3, 3);
    g.drawLine(QPointF(11, 18), QPointF(36, 18));
    g.drawLine(QPointF(11, 25), QPointF(30, 25));
    g.drawLine(QPointF(11, 32), QPointF(26, 32));
    g.setBrush(gris ? QColor(170, 170, 170) : QColor(0xd3, 0x2f, 0x2f));
    g.setPen(Qt::NoPen);
    g.drawEllipse(QPointF(42, 36), 8, 8);
    g.drawPolygon(QPolygonF(
        {QPointF(37, 42), QPointF(35, 53), QPointF(40, 49), QPointF(42, 53), QPointF(43, 43)}));
    return p;
}

}  // namespace marlevanta
