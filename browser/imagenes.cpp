#include "browser/imagenes.h"

#include <QPainter>

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

}  // namespace marlevanta
