#include "ov9174fp_fcIcon.h"

#include <QPainter>
#include <QPixmap>

// A small card with a connector edge and a green "found" dot.
QIcon ov9174fp_fcWindowIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0x1A, 0x2C, 0x5E));
    p.setBrush(QColor(0x3A, 0x6E, 0xA5));
    p.drawRect(1, 2, 13, 10);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xD4, 0xAF, 0x37));
    for (int x = 3; x <= 12; x += 3)
        p.drawRect(x, 13, 2, 2);
    p.setBrush(QColor(0xE0, 0xE0, 0xE0));
    p.drawRect(3, 4, 6, 3);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(QColor(0x00, 0xC0, 0x00));
    p.drawEllipse(QRectF(9.0, 7.0, 4.5, 4.5));
    p.end();
    return QIcon(pixmap);
}
