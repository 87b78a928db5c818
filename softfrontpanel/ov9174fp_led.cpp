// Placeholder so that the library links while the LED is being built.
#include "ov9174fp_led.h"

#include <QPainter>

ov9174fp_led::ov9174fp_led(const QString &caption, const QColor &onColour, const QColor &offColour, QWidget *parent)
    : QWidget(parent), ledOnColour(onColour), ledOffColour(offColour), ledCaption(caption)
{
    if (offColour == QColor(Qt::magenta))
        ledOffColour = palette().color(QPalette::Window);
}

ov9174fp_led::~ov9174fp_led() = default;

void ov9174fp_led::setValue(int value)
{
    if (value != ledValue) {
        ledValue = value;
        repaint();
    }
}

void ov9174fp_led::setOnColour(const QColor &colour)
{
    ledOnColour = colour;
    if (ledValue)
        repaint();
}

QSize ov9174fp_led::minimumSizeHint() const
{
    const int h = fontMetrics().height();
    return QSize(h + 1 + fontMetrics().horizontalAdvance(ledCaption) + (h + 1) / 2, h + 2);
}

void ov9174fp_led::toggleValue()
{
    ledValue = ledValue ? 0 : 1;
    repaint();
}

void ov9174fp_led::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int h = fontMetrics().height();
    p.setBrush(ledValue ? ledOnColour : ledOffColour);
    p.drawEllipse(QRectF(2, 0, h, h));
    p.drawText(QPointF(2 + h + h / 2, h - 1), ledCaption);
}
