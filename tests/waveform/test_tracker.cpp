// Tracker texts: engineering prefixes chosen from the visible span, at and
// around every threshold, per plot unit, and the picker on a real plot.
#include "ov7931Demo_tracker.h"

#include <QLocale>
#include <QtTest>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>

class TestTracker : public QObject
{
    Q_OBJECT

private slots:
    void timePart_data();
    void timePart();
    void valuePart_data();
    void valuePart();
    void wholeTextAndUnits();
    void customUnitReplacesPrefix();
    void percentInUnitShownAsIs();
    void independentOfLocale();
    void pickerOnPlot();
};

void TestTracker::timePart_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<QString>("text");
    QTest::newRow("ms range") << 0.0123 << 0.0 << 0.05 << "12.300 ms";
    QTest::newRow("us range") << 0.00001234 << 0.0 << 0.00005 << "12.340 us";
    QTest::newRow("just below 0.0001") << 0.00005 << 0.0 << 0.0000999 << "50.000 us";
    QTest::newRow("exactly 0.0001 is ms") << 0.00005 << 0.0 << 0.0001 << "0.050 ms";
    QTest::newRow("just below 0.1") << 0.05 << 0.0 << 0.0999 << "50.000 ms";
    QTest::newRow("exactly 0.1 is s") << 0.05 << 0.0 << 0.1 << "0.050 s";
    QTest::newRow("reversed bounds use the span") << 0.0123 << 0.05 << 0.0 << "12.300 ms";
    QTest::newRow("offset range, span decides") << 100.0123 << 100.0 << 100.05 << "100012.300 ms";
    QTest::newRow("seconds") << 1.5 << 0.0 << 1.0 << "1.500 s";
    QTest::newRow("negative") << -0.25 << -1.0 << 1.0 << "-0.250 s";
}

void TestTracker::timePart()
{
    QFETCH(double, x);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(QString, text);
    QCOMPARE(trackerTimeText(x, lower, upper), text);
}

void TestTracker::valuePart_data()
{
    QTest::addColumn<int>("plot");
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<QString>("text");
    const QString deg = QString(QChar(0x00B0)) + "C";
    QTest::newRow("mV") << 0 << 0.0123 << -0.04 << 0.04 << "12.300 mV";
    // -0.05 .. 0.05 spans exactly 0.1, which takes the larger unit
    QTest::newRow("span exactly 0.1 is plain") << 0 << 0.0123 << -0.05 << 0.05 << "0.012 V";
    QTest::newRow("V") << 0 << 0.0123 << -10.0 << 10.0 << "0.012 V";
    QTest::newRow("uV") << 0 << 0.0000123 << 0.0 << 0.00005 << "12.300 uV";
    QTest::newRow("exactly 0.0001 is m") << 0 << 0.00005 << 0.0 << 0.0001 << "0.050 mV";
    QTest::newRow("exactly 0.1 is plain") << 0 << 0.05 << 0.0 << 0.1 << "0.050 V";
    QTest::newRow("kOhm") << 1 << 1500.0 << 0.0 << 2000.0 << "1.500000 kOhm";
    QTest::newRow("MOhm") << 1 << 1.5e6 << 0.0 << 2e6 << "1.500000 MOhm";
    QTest::newRow("exactly 1000 is k") << 1 << 250.0 << 0.0 << 1000.0 << "0.250000 kOhm";
    QTest::newRow("just below 1000") << 1 << 250.0 << 0.0 << 999.9 << "250.000 Ohm";
    QTest::newRow("exactly 1e6 is M") << 1 << 250.0 << 0.0 << 1e6 << "0.000250 MOhm";
    QTest::newRow("temperature, small span") << 2 << 12.3456 << 0.0 << 0.01 << "12.346 " + deg;
    QTest::newRow("temperature, large span") << 2 << 1234.5 << -280.0 << 5000.0 << "1234.500 " + deg;
}

void TestTracker::valuePart()
{
    QFETCH(int, plot);
    QFETCH(double, y);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(QString, text);
    QCOMPARE(trackerValueText(y, lower, upper, trackerUnitForPlot(plot), trackerUsesPrefixForPlot(plot)), text);
}

void TestTracker::wholeTextAndUnits()
{
    QCOMPARE(trackerUnitForPlot(0), QStringLiteral("V"));
    QCOMPARE(trackerUnitForPlot(1), QStringLiteral("Ohm"));
    QCOMPARE(trackerUnitForPlot(2), QString(QChar(0x00B0)) + "C");
    QVERIFY(trackerUsesPrefixForPlot(0));
    QVERIFY(trackerUsesPrefixForPlot(1));
    QVERIFY(!trackerUsesPrefixForPlot(2));
    QCOMPARE(trackerText(QPointF(0.0123, 0.0123), 0, 0.05, -0.04, 0.04, "V", true),
             QStringLiteral("12.300 ms, 12.300 mV"));
}

void TestTracker::customUnitReplacesPrefix()
{
    QCOMPARE(trackerValueText(1500.0, 0, 2000, "Ohm", true, "bar"), QStringLiteral("1500.000 bar"));
    QCOMPARE(trackerValueText(0.0123, -0.05, 0.05, "V", true, "bar"), QStringLiteral("0.012 bar"));
    QCOMPARE(trackerValueText(3.0, 0, 1, QString(QChar(0x00B0)) + "C", false, "bar"), QStringLiteral("3.000 bar"));
}

void TestTracker::percentInUnitShownAsIs()
{
    QCOMPARE(trackerValueText(12.5, 0, 100, "%", true), QStringLiteral("12.500 %"));
    QCOMPARE(trackerValueText(12.5, 0, 100, "V", true, "%d%s"), QStringLiteral("12.500 %d%s"));
}

void TestTracker::independentOfLocale()
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(trackerText(QPointF(1.5, 1500.0), 0, 1, 0, 2000, "Ohm", true),
             QStringLiteral("1.500 s, 1.500000 kOhm"));
    QLocale::setDefault(before);
}

// A picker as the waveform window sets it up, asked for its text over the canvas.
class ProbePicker : public myQwtPlotPicker
{
public:
    using myQwtPlotPicker::myQwtPlotPicker;
    QwtText textAt(const QPointF &p) const { return trackerTextF(p); }
};

void TestTracker::pickerOnPlot()
{
    QwtPlot plot;
    ProbePicker picker(QwtPlot::xBottom, QwtPlot::yLeft, QwtPicker::NoRubberBand,
                       QwtPicker::AlwaysOn, plot.canvas());
    QCOMPARE(picker.metaObject()->className(), "myQwtPlotPicker");
    QVERIFY(picker.inherits("QwtPlotPicker"));
    QCOMPARE(picker.xLower, -1.0);
    QCOMPARE(picker.xUpper, 1.0);
    QCOMPARE(picker.yLower, -1.0);
    QCOMPARE(picker.yUpper, 1.0);
    QVERIFY(picker.customUnit.isEmpty());
    QCOMPARE(picker.trackerMode(), QwtPicker::AlwaysOn);

    picker.setPlotKind(1);
    picker.xLower = 0;
    picker.xUpper = 0.05;
    picker.yLower = 0;
    picker.yUpper = 2000;
    const QwtText t = picker.textAt(QPointF(0.0123, 1500));
    QCOMPARE(t.text(), QStringLiteral("12.300 ms, 1.500000 kOhm"));

    picker.setPlotKind(2);
    QCOMPARE(picker.textAt(QPointF(0.0123, 1500)).text(),
             QStringLiteral("12.300 ms, 1500.000 ") + QChar(0x00B0) + "C");
    picker.customUnit = "bar";
    QCOMPARE(picker.textAt(QPointF(0.0123, 2)).text(), QStringLiteral("12.300 ms, 2.000 bar"));
}

QTEST_MAIN(TestTracker)
#include "test_tracker.moc"
