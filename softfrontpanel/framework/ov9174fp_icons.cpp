#include "ov9174fp_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace ov9174fp_icons {

namespace {
QPixmap blank(int w, int h)
{
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void triangle(QPainter &p, double left, double right)
{
    const QPolygonF shape({QPointF(left, 1.0), QPointF(right, 6.0), QPointF(left, 11.0)});
    p.drawPolygon(shape);
}
} // namespace

QPixmap singleShotIdle()
{
    QPixmap pixmap = blank(12, 12);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(idleColour());
    triangle(p, 2.0, 11.0);
    return pixmap;
}

QPixmap continuousIdle()
{
    QPixmap pixmap = blank(12, 12);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(idleColour());
    triangle(p, 0.0, 6.0);
    triangle(p, 6.0, 12.0);
    return pixmap;
}

QPixmap running()
{
    QPixmap pixmap = blank(12, 12);
    QPainter p(&pixmap);
    p.fillRect(QRect(1, 1, 10, 10), runningColour());
    return pixmap;
}

QPixmap whatsThisHelp()
{
    QPixmap pixmap = blank(20, 17);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    // Arrow pointer, black with a white body, tip at the top left.
    const QPolygon arrow({QPoint(1, 0), QPoint(1, 13), QPoint(4, 10), QPoint(6, 15), QPoint(8, 14),
                          QPoint(6, 9), QPoint(10, 9)});
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPolygon(arrow);
    // Question mark to its right.
    QPen pen(Qt::black, 2.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath hook;
    hook.moveTo(12.5, 4.0);
    hook.cubicTo(12.5, 0.5, 18.5, 0.5, 18.5, 4.0);
    hook.cubicTo(18.5, 6.5, 15.5, 6.5, 15.5, 9.5);
    hook.lineTo(15.5, 11.0);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRect(QRectF(14.5, 13.0, 2.0, 2.0));
    return pixmap;
}

QImage windowIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    // Drawn on a 16 x 16 grid; larger sizes scale the same drawing.
    p.scale(size / 16.0, size / 16.0);
    p.setPen(QPen(QColor(0x0d, 0x1b, 0x3d), 1.0));
    p.setBrush(QColor(0x1a, 0x2c, 0x5e));
    p.drawRoundedRect(QRectF(0.5, 0.5, 15.0, 15.0), 3.0, 3.0);
    // A sine wave: the instrument's signals.
    QPainterPath wave;
    wave.moveTo(2.0, 8.0);
    wave.cubicTo(4.0, 1.5, 6.0, 1.5, 8.0, 8.0);
    wave.cubicTo(10.0, 14.5, 12.0, 14.5, 14.0, 8.0);
    p.setPen(QPen(QColor(0xf2, 0xa2, 0x3a), 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
    return image;
}

QPixmap windowIcon() { return QPixmap::fromImage(windowIconImage(16)); }

} // namespace ov9174fp_icons
