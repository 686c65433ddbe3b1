#include "ui/u_imagenes.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/u_colores.h"

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

QPixmap PintarIconoPanel(IconoPanel icono, int lado) {
    QPixmap p(lado, lado);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    const qreal m = lado * 0.08;
    const QRectF caja(m, m, lado - 2 * m, lado - 2 * m);
    const QColor azul(0x1f, 0x5f, 0xa8);
    switch (icono) {
        case IconoPanel::Ayuda:
        case IconoPanel::Acercade: {
            g.setPen(Qt::NoPen);
            g.setBrush(azul);
            g.drawEllipse(caja);
            QFont f = g.font();
            f.setBold(true);
            f.setPixelSize(static_cast<int>(lado * 0.62));
            g.setFont(f);
            g.setPen(Qt::white);
            g.drawText(caja, Qt::AlignCenter,
                       icono == IconoPanel::Ayuda ? QStringLiteral("?") : QStringLiteral("i"));
            break;
        }
        case IconoPanel::Opciones: {
            // Three sliders, their grey lines readable on the panel's background.
            const QColor linea =
                Legible(QColor(90, 90, 90), QGuiApplication::palette().color(QPalette::Base));
            g.setPen(QPen(linea, lado / 14.0, Qt::SolidLine, Qt::RoundCap));
            for (int i = 0; i < 3; ++i) {
                const qreal y = lado * (0.25 + 0.25 * i);
                g.drawLine(QPointF(lado * 0.15, y), QPointF(lado * 0.85, y));
            }
            g.setPen(Qt::NoPen);
            g.setBrush(azul);
            const qreal r = lado * 0.09;
            const qreal xs[] = {0.35, 0.65, 0.45};
            for (int i = 0; i < 3; ++i) {
                g.drawEllipse(QPointF(lado * xs[i], lado * (0.25 + 0.25 * i)), r, r);
            }
            break;
        }
        case IconoPanel::Salir: {
            g.setPen(Qt::NoPen);
            g.setBrush(QColor(200, 40, 40));
            g.drawEllipse(caja);
            g.setPen(QPen(Qt::white, lado / 9.0, Qt::SolidLine, Qt::RoundCap));
            const qreal a = lado * 0.32;
            g.drawLine(QPointF(a, a), QPointF(lado - a, lado - a));
            g.drawLine(QPointF(lado - a, a), QPointF(a, lado - a));
            break;
        }
    }
    return p;
}

}  // namespace marlevanta
