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

#include <algorithm>
#include <cmath>

namespace {

QList<double> majorTicks(double lo, double hi, int maxMajor)
{
    return QwtLinearScaleEngine().divideScale(lo, hi, maxMajor, 5).ticks(QwtScaleDiv::MajorTick);
}

// The digits after the decimal point of a fixed label, or of an exponent
// label's mantissa.
QString decimalsOf(const QString &label, const QLocale &locale)
{
    QString mantissa = label.section(locale.exponential(), 0, 0, QString::SectionCaseInsensitiveSeps);
    const int point = mantissa.indexOf(locale.decimalPoint());
    return point < 0 ? QString() : mantissa.mid(point + 1);
}

} // namespace

class TestScaleLabels : public QObject
{
    Q_OBJECT

private slots:
    void spansAndOffsets_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("maxMajor"); // 8 on value axes, 5 on time axes
        for (const char *locale : {"en_US", "de_DE"})
            for (int maxMajor : {8, 5})
                QTest::addRow("%s, %d ticks", locale, maxMajor) << QString::fromLatin1(locale) << maxMajor;
    }

    void spansAndOffsets()
    {
        QFETCH(QString, locale);
        QFETCH(int, maxMajor);
        const QLocale l(locale);
        int exponentAxes = 0, axes = 0;
        // The spans and offsets of a bench, and beyond: spans down to 1e-9 at
        // zero and values of 5e9, where the fixed form grows long.
        for (double offset : {0.0, 1.0, -242.02, 1000.0, 12345.678, -1e5, 1e6, 5e9})
            for (int e = -9; e <= 6; ++e)
                for (double mantissa : {1.0, 3.0}) {
                    const double span = mantissa * std::pow(10.0, e);
                    if ((e < -6 && offset != 0.0) || (offset == 5e9 && e < 0))
                        continue;
                    const QList<double> ticks = majorTicks(offset - span / 2, offset + span / 2, maxMajor);
                    const TickLabelFormat format = tickLabelFormat(ticks, l);
                    QStringList labels;
                    for (double t : ticks)
                        labels << tickLabel(t, format, l);
                    const QString where = QStringLiteral("offset %1 span %2: %3").arg(offset).arg(span)
                                              .arg(labels.join(QStringLiteral(" | ")));
                    QVERIFY2(ticks.size() >= 2, qPrintable(where));
                    ++axes;
                    exponentAxes += format.exponent;
                    const double step = ticks[1] - ticks[0];
                    // The decimals that write the step (1, 2, 2.5 or 5 times a power
                    // of ten) and every tick to a thousandth of the step.
                    int stepDecimals = 0;
                    const auto written = [&](double v) {
                        const double units = v * std::pow(10.0, stepDecimals);
                        return std::fabs(units - std::round(units)) <= 1e-3 * step * std::pow(10.0, stepDecimals);
                    };
                    while (!written(step) || !std::all_of(ticks.begin(), ticks.end(), written))
                        ++stepDecimals;
                    const double largest = std::max(std::fabs(ticks.first()), std::fabs(ticks.last()));
                    const int needed = format.exponent ? int(std::floor(std::log10(largest))) + stepDecimals : stepDecimals;
                    for (int i = 0; i < labels.size(); ++i) {
                        // Different from every other label, the tick's own value,
                        // and no trailing zero after the point.
                        QVERIFY2(labels.indexOf(labels[i]) == i, qPrintable(where));
                        bool ok = false;
                        const double back = l.toDouble(labels[i], &ok);
                        QVERIFY2(ok && std::fabs(back - ticks[i]) <= step * 1e-3, qPrintable(where));
                        const QString decimals = decimalsOf(labels[i], l);
                        QVERIFY2(!decimals.endsWith(QLatin1Char('0')) && decimals.size() <= needed, qPrintable(where));
                    }
                    // The exponent form only where some fixed label would be too
                    // long, and where it is shorter.
                    if (format.exponent) {
                        TickLabelFormat fixed = format;
                        fixed.exponent = false;
                        fixed.decimals = stepDecimals;
                        int longest = 0, longestExponent = 0;
                        for (int i = 0; i < ticks.size(); ++i) {
                            longest = std::max(longest, int(tickLabel(ticks[i], fixed, l).size()));
                            longestExponent = std::max(longestExponent, int(labels[i].size()));
                        }
                        QVERIFY2(longest > tickLabelMaxFixedLength && longestExponent < longest, qPrintable(where));
                    }
                }
        QVERIFY(exponentAxes > 0 && exponentAxes < axes);
    }

    // Ordinary ranges: the labels Qwt writes by itself.
    void ordinaryRangesUnchanged_data()
    {
        QTest::addColumn<double>("lo");
        QTest::addColumn<double>("hi");
        QTest::addColumn<int>("maxMajor");
        QTest::newRow("0 .. 1 s") << 0.0 << 1.0 << 5;
        QTest::newRow("0 .. 0.05 s") << 0.0 << 0.05 << 5;
        QTest::newRow("-10 .. 10 V") << -10.0 << 10.0 << 8;
        QTest::newRow("-1 .. 1 V") << -1.0 << 1.0 << 8;
        QTest::newRow("0 .. 1000 degrees") << 0.0 << 1000.0 << 8;
        QTest::newRow("-200 .. 850 degrees") << -200.0 << 850.0 << 8;
        QTest::newRow("998.5 .. 1001.5 ohms") << 998.5 << 1001.5 << 8;
    }

    void ordinaryRangesUnchanged()
    {
        QFETCH(double, lo);
        QFETCH(double, hi);
        QFETCH(int, maxMajor);
        const QList<double> ticks = majorTicks(lo, hi, maxMajor);
        const TickLabelFormat format = tickLabelFormat(ticks);
        for (double t : ticks)
            QCOMPARE(tickLabel(t, format), QwtScaleDraw().label(t).text());
    }

    // A temperature plot a few millidegrees wide and a resistance plot 1 mOhm
    // wide around 1 kOhm: every label of the window's axes differs.
    void windowAxes()
    {
        AppFixture f;
        ov7931Demo_App *app = f.create(AppFixture::Mode::Demo);
        const struct {
            int plot;
            double lo, hi;
        } cases[] = {{2, -242.0215, -242.0185}, {1, 999.9995, 1000.0005}, {0, -0.000002, 0.000003}};
        for (const auto &c : cases) {
            QwtPlot *plot = app->waveform->panel(c.plot).plot;
            plot->setAxisScale(QwtPlot::yLeft, c.lo, c.hi);
            plot->updateAxes();
            for (int axis : {int(QwtPlot::yLeft), int(QwtPlot::xBottom)}) {
                const QwtScaleDraw *draw = plot->axisScaleDraw(axis);
                QVERIFY(dynamic_cast<const ov7931Demo_ScaleDraw *>(draw));
                QStringList labels;
                for (double t : plot->axisScaleDiv(axis).ticks(QwtScaleDiv::MajorTick))
                    labels << draw->label(t).text();
                QVERIFY2(labels.size() >= 3 && labels.removeDuplicates() == 0, qPrintable(labels.join(' ')));
            }
        }
        f.destroy();
    }
};

QTEST_MAIN(TestScaleLabels)
#include "test_scaleLabels.moc"
