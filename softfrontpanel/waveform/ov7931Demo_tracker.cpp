#include "ov7931Demo_tracker.h"

#include <QPainter>
#include <QPen>

#include <cmath>

namespace {

QString temperatureUnit()
{
    return QString(QChar(0x00B0)) + QLatin1Char('C');
}

// The number goes through the format, the unit is appended to the result, so
// a percent sign in a unit is shown as it is.
QString number(const char *format, double v)
{
    return QString::asprintf(format, v);
}

} // namespace

QString trackerTimeText(double x, double xLower, double xUpper)
{
    const double dx = std::fabs(xUpper - xLower);
    if (dx < 0.0001)
        return number("%.3lf", x * 1000.0 * 1000.0) + QStringLiteral(" us");
    if (dx < 0.1)
        return number("%.3lf", x * 1000.0) + QStringLiteral(" ms");
    return number("%.3lf", x) + QStringLiteral(" s");
}

QString trackerValueText(double y, double yLower, double yUpper,
                         const QString &unit, bool usePrefix,
                         const QString &customUnit)
{
    if (!customUnit.isEmpty())
        return number("%.3lf", y) + QLatin1Char(' ') + customUnit;
    if (!usePrefix)
        return number("%.3lf", y) + QLatin1Char(' ') + unit;

    const double dy = std::fabs(yUpper - yLower);
    if (dy < 0.0001)
        return number("%.3lf", y * 1000.0 * 1000.0) + QStringLiteral(" u") + unit;
    if (dy < 0.1)
        return number("%.3lf", y * 1000.0) + QStringLiteral(" m") + unit;
    if (dy < 1000.0)
        return number("%.3lf", y) + QLatin1Char(' ') + unit;
    if (dy < 1000000.0)
        return number("%.6lf", y / 1000.0) + QStringLiteral(" k") + unit;
    return number("%.6lf", y / 1000000.0) + QStringLiteral(" M") + unit;
}

QString trackerText(const QPointF &pos, double xLower, double xUpper,
                    double yLower, double yUpper, const QString &unit,
                    bool usePrefix, const QString &customUnit)
{
    return trackerTimeText(pos.x(), xLower, xUpper) + QStringLiteral(", ")
        + trackerValueText(pos.y(), yLower, yUpper, unit, usePrefix, customUnit);
}

QString trackerUnitForPlot(int plot)
{
    switch (plot) {
    case 0: return QStringLiteral("V");
    case 1: return QStringLiteral("Ohm");
    default: return temperatureUnit();
    }
}

bool trackerUsesPrefixForPlot(int plot)
{
    return plot == 0 || plot == 1;
}

myQwtPlotPicker::myQwtPlotPicker(QWidget *canvas)
    : QwtPlotPicker(canvas)
{
}

myQwtPlotPicker::myQwtPlotPicker(int xAxis, int yAxis, QWidget *canvas)
    : QwtPlotPicker(xAxis, yAxis, canvas)
{
}

myQwtPlotPicker::myQwtPlotPicker(int xAxis, int yAxis, RubberBand rubberBand,
                                 DisplayMode trackerMode, QWidget *canvas)
    : QwtPlotPicker(xAxis, yAxis, rubberBand, trackerMode, canvas)
{
}

myQwtPlotPicker::~myQwtPlotPicker() = default;

void myQwtPlotPicker::setPlotKind(int plot)
{
    unit = trackerUnitForPlot(plot);
    usePrefix = trackerUsesPrefixForPlot(plot);
}

QwtText myQwtPlotPicker::trackerTextF(const QPointF &pos) const
{
    return QwtText(::trackerText(pos, xLower, xUpper, yLower, yUpper, unit,
                               usePrefix, customUnit),
                   QwtText::PlainText);
}

const QColor myQwtPlotPicker::trackerBacking(0, 0, 0, 170);

QRect myQwtPlotPicker::trackerRect(const QFont &font) const
{
    const QRect text = QwtPlotPicker::trackerRect(font);
    return text.isEmpty() ? text : text.adjusted(-3, -1, 3, 1);
}

void myQwtPlotPicker::drawTracker(QPainter *painter) const
{
    const QRect backing = trackerRect(painter->font());
    if (backing.isEmpty())
        return;
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(trackerBacking);
    painter->drawRect(backing);
    painter->restore();
    // Qwt writes the text centred in the same rectangle, with the tracker pen.
    QwtPlotPicker::drawTracker(painter);
}
