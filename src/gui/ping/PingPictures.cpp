#include "gui/ping/PingPictures.h"

#include <QPainter>
#include <QPainterPath>

namespace cravent::gui {

namespace {

QPixmap blank(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void boldText(QPainter& p, const QRectF& box, const QString& text, const QColor& colour,
              qreal height)
{
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setStyleHint(QFont::Serif);
    font.setBold(true);
    font.setPixelSize(qMax(1, qRound(height)));
    p.setFont(font);
    p.setPen(colour);
    p.drawText(box, Qt::AlignCenter, text);
}

} // namespace

QPixmap errorSign(int size)
{
    QPixmap pixmap = blank(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(QPen(QColor(0x8E, 0x10, 0x10), s / 40));
    p.setBrush(QColor(0xD8, 0x20, 0x20));
    p.drawEllipse(QRectF(s * 0.05, s * 0.05, s * 0.9, s * 0.9));
    p.setPen(QPen(Qt::white, s * 0.12, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.33, s * 0.33), QPointF(s * 0.67, s * 0.67));
    p.drawLine(QPointF(s * 0.67, s * 0.33), QPointF(s * 0.33, s * 0.67));
    return pixmap;
}

QPixmap informationSign(int size)
{
    QPixmap pixmap = blank(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(s * 0.05, s * 0.05, s * 0.9, s * 0.7), s * 0.2, s * 0.2);
    QPainterPath tail;
    tail.moveTo(s * 0.25, s * 0.7);
    tail.lineTo(s * 0.2, s * 0.95);
    tail.lineTo(s * 0.5, s * 0.7);
    tail.closeSubpath();
    p.setPen(QPen(QColor(0x60, 0x60, 0x60), s / 40));
    p.setBrush(Qt::white);
    p.drawPath(bubble.united(tail));
    boldText(p, QRectF(0, s * 0.05, s, s * 0.7), QStringLiteral("i"), QColor(0x10, 0x40, 0xC0),
             s * 0.55);
    return pixmap;
}

QPixmap warningSign(int size)
{
    QPixmap pixmap = blank(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QPolygonF triangle;
    triangle << QPointF(s * 0.5, s * 0.05) << QPointF(s * 0.97, s * 0.92)
             << QPointF(s * 0.03, s * 0.92);
    p.setPen(QPen(QColor(0x80, 0x60, 0x00), s / 40, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0xFF, 0xD8, 0x00));
    p.drawPolygon(triangle);
    boldText(p, QRectF(0, s * 0.3, s, s * 0.6), QStringLiteral("!"), Qt::black, s * 0.5);
    return pixmap;
}

} // namespace cravent::gui
