// The tick labels of the plots' value and time axes: as many decimals as the
// major tick step needs (so that neighbouring labels differ, also for a span
// of a few thousandths around a large value) and no more, in the locale's
// number format; an exponent form only where the fixed form would grow
// longer than about ten characters and the exponent form is shorter. Ordinary ranges read as Qwt's own
// labels do. The rule is plain code; the scale draw applies it to an axis.
#ifndef OV7931DEMO_SCALELABELS_H
#define OV7931DEMO_SCALELABELS_H

#include <QList>
#include <QLocale>
#include <QString>

#include <qwt_scale_draw.h>

// How the labels of one axis are written.
struct TickLabelFormat {
    bool plain = true;     // too few ticks for a step: the value as Qwt writes it
    bool exponent = false; // mantissa and exponent instead of fixed notation
    int decimals = 0;      // after the decimal point (of the mantissa, in exponent form)
    double step = 0.0;     // the major tick step; a value within 1e-9 of it of zero is 0
};

// Longest fixed label before the exponent form is considered.
constexpr int tickLabelMaxFixedLength = 10;

// The format for an axis with these major ticks.
TickLabelFormat tickLabelFormat(const QList<double> &majorTicks, const QLocale &locale = QLocale());
// One label: trailing zeros of the decimals are left out.
QString tickLabel(double value, const TickLabelFormat &format, const QLocale &locale = QLocale());

// The scale draw of the plots' axes: each label from the format of the
// axis's present major ticks, plain text whose measures are kept (Qwt
// measures the outer labels of every axis, shown or not, on every replot).
class ov7931Demo_ScaleDraw : public QwtScaleDraw
{
public:
    QwtText label(double value) const override;

private:
    mutable QList<double> formatTicks;
    mutable TickLabelFormat format;
};

#endif
