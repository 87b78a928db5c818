// The plot tracker: the time and value under the mouse pointer, each with an
// engineering prefix chosen from the span of the visible axis range, in white
// on a translucent dark backing.
#ifndef OV7931DEMO_TRACKER_H
#define OV7931DEMO_TRACKER_H

#include <QColor>
#include <QPointF>
#include <QRect>
#include <QString>

#include <qwt_plot_picker.h>
#include <qwt_text.h>

// Time part: "12.300 ms" etc.; the prefix follows |xUpper - xLower|
// (< 0.0001 s: us, < 0.1 s: ms, else s).
QString trackerTimeText(double x, double xLower, double xUpper);

// Value part. A non-empty customUnit replaces the formatting ("%.3lf unit");
// otherwise with usePrefix the prefix follows |yUpper - yLower|
// (u, m, none, k, M with thresholds 0.0001, 0.1, 1000, 1000000), without it
// the value is shown with three decimals and the unit.
QString trackerValueText(double y, double yLower, double yUpper,
                         const QString &unit, bool usePrefix,
                         const QString &customUnit = QString());

// The whole tracker text: time part, ", ", value part.
QString trackerText(const QPointF &pos, double xLower, double xUpper,
                    double yLower, double yUpper, const QString &unit,
                    bool usePrefix, const QString &customUnit = QString());

// Tracker unit of a plot (0 voltage "V", 1 resistance "Ohm", 2 temperature
// "°C") and whether the plot uses prefixes (voltage and resistance only).
QString trackerUnitForPlot(int plot);
bool trackerUsesPrefixForPlot(int plot);

class myQwtPlotPicker : public QwtPlotPicker
{
    Q_OBJECT

public:
    explicit myQwtPlotPicker(QWidget *canvas);
    myQwtPlotPicker(int xAxis, int yAxis, QWidget *canvas);
    myQwtPlotPicker(int xAxis, int yAxis, RubberBand rubberBand,
                    DisplayMode trackerMode, QWidget *canvas);
    ~myQwtPlotPicker() override;

    // Sets unit and usePrefix for plot 0, 1 or 2.
    void setPlotKind(int plot);

    double xLower = -1;   // visible time range (seconds)
    double xUpper = 1;
    double yLower = -1;   // visible value range
    double yUpper = 1;
    QString customUnit;   // when set, replaces the value formatting
    QString unit = QStringLiteral("V");
    bool usePrefix = true;

    // The text sits on a translucent dark rectangle, a little larger than
    // the text, so that the white text reads over any trace colour.
    static const QColor trackerBacking;
    QRect trackerRect(const QFont &font) const override;
    void drawTracker(QPainter *painter) const override;

protected:
    QwtText trackerTextF(const QPointF &pos) const override;
};

#endif
