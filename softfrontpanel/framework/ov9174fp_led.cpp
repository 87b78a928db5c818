#include "ov9174fp_led.h"

#include <QPainter>

ov9174fp_led::ov9174fp_led(const QString &caption, const QColor &onColour, const QColor &offColour, QWidget *parent)
    : QWidget(parent), ledOnColour(onColour), ledOffColour(offColour), ledCaption(caption)
{
    // Magenta asks for an LED that blends into the background when off.
    if (offColour == QColor(Qt::magenta))
        ledOffColour = palette().color(QPalette::Window);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
}

ov9174fp_led::~ov9174fp_led() = default;

void ov9174fp_led::setValue(int value)
{
    if (value == ledValue)
        return;
    ledValue = value;
    repaint();
}

void ov9174fp_led::setOnColour(const QColor &colour)
{
    ledOnColour = colour;
    if (ledValue)
        repaint();
}

void ov9174fp_led::toggleValue()
{
    ledValue = ledValue ? 0 : 1;
    repaint();
}

QSize ov9174fp_led::minimumSizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    const int h = fm.height();
    return QSize(h + 1 + fm.horizontalAdvance(ledCaption) + (h + 1) / 2, h + 2);
}

void ov9174fp_led::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QColor background = p.background().color();
    const QColor light = background.lighter(150);
    const QColor dark = background.darker(200);
    const QColor fill = ledValue ? ledOnColour : ledOffColour;

    const int h = fontMetrics().height();
    const int x0 = ((width() - minimumSizeHint().width()) >> 1) + 2;

    p.drawText(QPointF(x0 + h + h / 2, h - 1), ledCaption);

    const int fullCircle = 360 * 16;
    if (h < 10) {
        p.setBrush(fill);
        p.drawChord(QRectF(x0, 0, h, h), 0, fullCircle);
        return;
    }

    const QRectF outer(x0, 0, h, h);
    const QRectF inner(x0 + 2, 2, h - 4, h - 4);
    p.setPen(light);
    p.drawArc(outer, 45 * 16, 180 * 16);
    p.drawArc(inner, 45 * 16, 180 * 16);
    p.setPen(dark);
    p.drawArc(outer, 225 * 16, 180 * 16);
    p.drawArc(inner, 225 * 16, 180 * 16);
    p.setPen(background);
    p.drawArc(QRectF(x0 + 1, 1, h - 2, h - 2), 0, fullCircle);
    p.setPen(fill);
    p.setBrush(fill);
    p.drawChord(QRectF(x0 + 3, 3, h - 6, h - 6), 0, fullCircle);
}
