// Axis labels: for spans from 1e-6 to 1e6 around offsets from 0 to 1e6 the
// labels Qwt's ticks get are pairwise different, read back to their ticks,
// carry no digit more than needed and switch to the exponent form only where
// the fixed form would be too long; ordinary ranges keep Qwt's own labels;
// the three plots' axes use them.
#include "appfixture.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_Waveform.h"
#include "ov7931Demo_scaleLabels.h"

#include <QtTest>

#include <qwt_plot.h>
#include <qwt_scale_div.h>
#include <qwt_scale_engine.h>
#include <qwt_text.h>

#include <cmath>

namespace {
QList<double> majorTicks(double lo, double hi, int maxMajor)
{
    return QwtLinearScaleEngine().divideScale(lo, hi, maxMajor, 5).ticks(QwtScaleDiv::MajorTick);
}
} // namespace

class TestScaleLabels : public QObject
{
    Q_OBJECT

private slots:
    // In English and German, with 8 ticks (value axes) and 5 (time axes),
    // over the spans and offsets of a bench and beyond: spans down to 1e-9
    // at zero and values of 5e9, where the fixed form grows long.
    void spansAndOffsets()
    {
        int exponentAxes = 0, axes = 0;
        for (const QLocale &l : {QLocale("en_US"), QLocale("de_DE")})
            for (int maxMajor : {8, 5})
                for (double offset : {0.0, 1.0, -242.02, 1000.0, 12345.678, -1e5, 1e6, 5e9})
                    for (int e = -9; e <= 6; ++e)
                        for (double mantissa : {1.0, 3.0}) {
                            const double span = mantissa * std::pow(10.0, e);
                            if ((e < -6 && offset != 0.0) || (offset == 5e9 && e < 0))
                                continue;
                            const QList<double> ticks = majorTicks(offset - span / 2, offset + span / 2, maxMajor);
                            bool exponent = false;
                            const QString problem = axisProblem(ticks, l, &exponent);
                            const QString where = QStringLiteral("%1, offset %2 span %3: ").arg(l.name()).arg(offset);
                            QVERIFY2(problem.isEmpty(), qPrintable(where.arg(span) + problem));
                            exponentAxes += exponent;
                            ++axes;
                        }
        QVERIFY(exponentAxes > 0 && exponentAxes < axes);
    }

    // Ordinary ranges (seconds, volts, degrees, ohms): the labels Qwt writes by itself.
    void ordinaryRangesUnchanged()
    {
        for (const auto &[lo, hi, maxMajor] : {std::make_tuple(0.0, 1.0, 5), {0.0, 0.05, 5}, {-10.0, 10.0, 8},
                                               {-1.0, 1.0, 8}, {0.0, 1000.0, 8}, {-200.0, 850.0, 8},
                                               {998.5, 1001.5, 8}}) {
            const QList<double> ticks = majorTicks(lo, hi, maxMajor);
            const TickLabelFormat format = tickLabelFormat(ticks);
            for (double t : ticks)
                QCOMPARE(tickLabel(t, format), QwtScaleDraw().label(t).text());
        }
    }

    // A temperature plot a few millidegrees wide, a resistance plot 1 mOhm
    // wide around 1 kOhm and a voltage plot of microvolts: every label of
    // the window's axes differs.
    void windowAxes()
    {
        AppFixture f;
        ov7931Demo_App *app = f.create(AppFixture::Mode::Demo);
        for (const auto &[p, lo, hi] : {std::make_tuple(2, -242.0215, -242.0185), {1, 999.9995, 1000.0005},
                                        {0, -0.000002, 0.000003}}) {
            QwtPlot *plot = app->waveform->panel(p).plot;
            plot->setAxisScale(QwtPlot::yLeft, lo, hi);
            plot->updateAxes();
            for (int axis : {int(QwtPlot::yLeft), int(QwtPlot::xBottom)}) {
                const QwtScaleDraw *draw = plot->axisScaleDraw(axis);
                QStringList labels;
                for (double t : plot->axisScaleDiv(axis).ticks(QwtScaleDiv::MajorTick))
                    labels << draw->label(t).text();
                QVERIFY2(dynamic_cast<const ov7931Demo_ScaleDraw *>(draw) && labels.size() >= 3 &&
                             labels.removeDuplicates() == 0, qPrintable(labels.join(' ')));
            }
        }
    }

private:
    // What is wrong with one axis's labels (nothing: empty), and whether they take the exponent form.
    static QString axisProblem(const QList<double> &ticks, const QLocale &l, bool *exponent)
    {
        const TickLabelFormat format = tickLabelFormat(ticks, l);
        QStringList labels;
        for (double t : ticks)
            labels << tickLabel(t, format, l);
        *exponent = format.exponent;
        if (ticks.size() < 2)
            return QStringLiteral("fewer than two ticks");
        // The decimals that write the step (1, 2, 2.5 or 5 times a power of
        // ten) and every tick to a thousandth of the step.
        const double step = ticks[1] - ticks[0];
        int stepDecimals = 0;
        const auto written = [&](double v) {
            const double units = v * std::pow(10.0, stepDecimals);
            return std::fabs(units - std::round(units)) <= 1e-3 * step * std::pow(10.0, stepDecimals);
        };
        while (!written(step) || !std::all_of(ticks.begin(), ticks.end(), written))
            ++stepDecimals;
        const double largest = std::max(std::fabs(ticks.first()), std::fabs(ticks.last()));
        const int needed = format.exponent ? int(std::floor(std::log10(largest))) + stepDecimals : stepDecimals;
        int longest = 0, longestExponent = 0;
        TickLabelFormat fixed = format;
        fixed.exponent = false;
        fixed.decimals = stepDecimals;
        for (int i = 0; i < labels.size(); ++i) {
            // Different from every other label, the tick's own value, no
            // trailing zero after the point.
            bool ok = false;
            const double back = l.toDouble(labels[i], &ok);
            const QString mantissa = labels[i].section(l.exponential(), 0, 0, QString::SectionCaseInsensitiveSeps);
            const QString decimals = mantissa.contains(l.decimalPoint()) ? mantissa.section(l.decimalPoint(), 1) : "";
            if (labels.indexOf(labels[i]) != i || !ok || std::fabs(back - ticks[i]) > step * 1e-3 ||
                decimals.endsWith(QLatin1Char('0')) || decimals.size() > needed)
                return labels.join(QStringLiteral(" | "));
            longest = std::max(longest, int(tickLabel(ticks[i], fixed, l).size()));
            longestExponent = std::max(longestExponent, int(labels[i].size()));
        }
        // The exponent form only where some fixed label would be too long, and where it is shorter.
        const bool shorter = longest > tickLabelMaxFixedLength && longestExponent < longest;
        return format.exponent && !shorter ? "needless exponent: " + labels.join(QStringLiteral(" | ")) : QString();
    }
};

QTEST_MAIN(TestScaleLabels)
#include "test_scaleLabels.moc"
