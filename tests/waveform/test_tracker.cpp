// Tracker texts: the engineering prefix follows the visible span, changing
// exactly at each threshold; custom units, percent signs and a German locale.
#include "ov7931Demo_tracker.h"

#include <QLocale>
#include <QtTest>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>

namespace {
const QString deg = QString(QChar(0x00B0)) + "C";
}

class TestTracker : public QObject
{
    Q_OBJECT

private slots:
    void prefixFollowsSpan_data();
    void prefixFollowsSpan();
    void pickerOnPlotUnderGermanLocale();
};

// plot -1: the time axis; 0..2: the value axis of that plot.
void TestTracker::prefixFollowsSpan_data()
{
    QTest::addColumn<int>("plot");
    QTest::addColumn<double>("v");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<QString>("custom");
    QTest::addColumn<QString>("text");
    QTest::newRow("t below 1e-4") << -1 << 0.00005 << 0.0 << 0.0000999 << "" << "50.000 us";
    QTest::newRow("t at 1e-4") << -1 << 0.00005 << 0.0 << 0.0001 << "" << "0.050 ms";
    QTest::newRow("t below 0.1") << -1 << 0.05 << 0.0 << 0.0999 << "" << "50.000 ms";
    QTest::newRow("t at 0.1") << -1 << 0.05 << 0.0 << 0.1 << "" << "0.050 s";
    QTest::newRow("t reversed, offset") << -1 << 100.0123 << 100.05 << 100.0 << "" << "100012.300 ms";
    QTest::newRow("V below 1e-4") << 0 << 0.0000123 << 0.0 << 0.0000999 << "" << "12.300 uV";
    QTest::newRow("V at 1e-4") << 0 << 0.00005 << 0.0 << 0.0001 << "" << "0.050 mV";
    QTest::newRow("V below 0.1") << 0 << -0.0123 << -0.04 << 0.0599 << "" << "-12.300 mV";
    QTest::newRow("V at 0.1") << 0 << 0.0123 << -0.05 << 0.05 << "" << "0.012 V";
    QTest::newRow("Ohm below 1000") << 1 << 250.0 << 0.0 << 999.9 << "" << "250.000 Ohm";
    QTest::newRow("Ohm at 1000") << 1 << 250.0 << 0.0 << 1000.0 << "" << "0.250000 kOhm";
    QTest::newRow("Ohm below 1e6") << 1 << 1.5e5 << 0.0 << 999999.0 << "" << "150.000000 kOhm";
    QTest::newRow("Ohm at 1e6") << 1 << 250.0 << 0.0 << 1e6 << "" << "0.000250 MOhm";
    QTest::newRow("degC never prefixed") << 2 << 12.3456 << 0.0 << 0.01 << "" << "12.346 " + deg;
    QTest::newRow("custom replaces prefix") << 1 << 1500.0 << 0.0 << 2000.0 << "bar" << "1500.000 bar";
    QTest::newRow("percent unit as is") << 0 << 12.5 << 0.0 << 100.0 << "%d%s" << "12.500 %d%s";
}

void TestTracker::prefixFollowsSpan()
{
    QFETCH(int, plot);
    QFETCH(double, v);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(QString, custom);
    QFETCH(QString, text);
    if (plot < 0)
        QCOMPARE(trackerTimeText(v, lower, upper), text);
    else
        QCOMPARE(trackerValueText(v, lower, upper, trackerUnitForPlot(plot), trackerUsesPrefixForPlot(plot),
                                  custom),
                 text);
}

// The picker the window puts on each canvas joins both parts; a decimal point
// stays a point under a German locale.
class ProbePicker : public myQwtPlotPicker
{
public:
    using myQwtPlotPicker::myQwtPlotPicker;
    QString textAt(const QPointF &p) const { return trackerTextF(p).text(); }
};

void TestTracker::pickerOnPlotUnderGermanLocale()
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QwtPlot plot;
    ProbePicker picker(QwtPlot::xBottom, QwtPlot::yLeft, QwtPicker::NoRubberBand, QwtPicker::AlwaysOn,
                       plot.canvas());
    picker.setPlotKind(1);
    picker.xLower = 0;
    picker.xUpper = 0.05;
    picker.yLower = 0;
    picker.yUpper = 2000;
    QCOMPARE(picker.textAt(QPointF(0.0123, 1500)), QStringLiteral("12.300 ms, 1.500000 kOhm"));
    picker.setPlotKind(2);
    picker.xUpper = 1;
    QCOMPARE(picker.textAt(QPointF(1.5, 1500)), QStringLiteral("1.500 s, 1500.000 ") + deg);
    picker.customUnit = "bar";
    QCOMPARE(picker.textAt(QPointF(0.0123, 2)), QStringLiteral("0.012 s, 2.000 bar"));
    QLocale::setDefault(before);
}

QTEST_MAIN(TestTracker)
#include "test_tracker.moc"
