#include "ov7931Demo_fastCurve.h"

ov7931Demo_FastCurve::ov7931Demo_FastCurve(const QString &title)
    : QwtPlotCurve(title)
{
}

ov7931Demo_FastCurve::ov7931Demo_FastCurve(const QwtText &title)
    : QwtPlotCurve(title)
{
}

ov7931Demo_FastCurve::~ov7931Demo_FastCurve() = default;

void ov7931Demo_FastCurve::setFastDrawing(bool on)
{
    if (m_fast != on) {
        m_fast = on;
        itemChanged();
    }
}

bool ov7931Demo_FastCurve::fastDrawing() const
{
    return m_fast;
}

bool ov7931Demo_FastCurve::canDrawFast(const QPainter *) const
{
    return false;
}

void ov7931Demo_FastCurve::drawLines(QPainter *painter, const QwtScaleMap &xMap,
                                     const QwtScaleMap &yMap, const QRectF &canvasRect,
                                     int from, int to) const
{
    QwtPlotCurve::drawLines(painter, xMap, yMap, canvasRect, from, to);
}
