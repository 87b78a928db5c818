// Rules of the acquisition without widgets: the state shown for the
// digitizer's error bits, the time window of a block far into a run; RTD
// conversion against an independent oracle (the IEC 60751 Callendar-Van
// Dusen equation, inverted by bisection), the PT-1000 bounds, the range
// widening of the PT-100 and PT-500 tables. (Demo mode's synthetic samples
// are checked on the window's plots in tests/waveform/test_plots.)
#include "ov7931Demo_acqRules.h"
#include "ov7931Demo_rtd.h"

#include <QtTest>

#include <cmath>

namespace {

// R(T) = R0 (1 + A T + B T^2 + C (T - 100) T^3), C only below 0 degrees.
double cvdResistance(double r0, double t)
{
    return r0 * (1.0 + 3.9083e-3 * t - 5.775e-7 * t * t + (t < 0 ? -4.183e-12 * (t - 100.0) * t * t * t : 0.0));
}

double cvdTemperature(double r0, double r)
{
    double lo = -260.0, hi = 900.0;
    for (int i = 0; i < 200; ++i)
        (cvdResistance(r0, 0.5 * (lo + hi)) < r ? lo : hi) = 0.5 * (lo + hi);
    return 0.5 * (lo + hi);
}

// A range table with distinct values: slot i spans -10 i .. 100 i; and
// the slots of such a table that changed since.
void fill(RtdRangeTable &t)
{
    for (int i = 0; i < 9; ++i)
        t[i][0] = -10.0 * i, t[i][1] = 100.0 * i;
}
QString changed(const RtdRangeTable &t)
{
    QStringList slotList;
    for (int i = 0; i < 9; ++i)
        if (t[i][0] != -10.0 * i || t[i][1] != 100.0 * i)
            slotList << QString::number(i);
    return slotList.join(',');
}

} // namespace

class TestAcqRules : public QObject
{
    Q_OBJECT

private slots:
    // Bit 0 shows "Input Signal Out Of Range" (over the others) and the run
    // goes on; any other bit stops it; all in red.
    void errorBits_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<QString>("text");
        QTest::newRow("out of range") << 0x0001 << "Input Signal Out Of Range";
        QTest::newRow("out of range wins over overflow") << 0x0041 << "Input Signal Out Of Range";
        QTest::newRow("overflow") << 0x0040 << "FIFO overflow";
        QTest::newRow("overflow wins over underflow") << 0x00C0 << "FIFO overflow";
        QTest::newRow("underflow") << 0x0080 << "FIFO underflow";
        QTest::newRow("other bits, upper-case hex") << 0xAB0C << "Hardware error AB0C";
    }
    void errorBits()
    {
        QFETCH(int, bits);
        const AcquisitionStatusView v = acquisitionStatusView(6, unsigned(bits));
        QTEST(v.text, "text");
        QVERIFY(v.colour == Qt::red && v.stopsRun == !(bits & 1));
        // The start time of a block far into a run is counted in 64 bits.
        QCOMPARE(liveTimeWindow(10000, 300000, 50000.0).t0, 60000.0);
    }

    void followsCallendarVanDusen_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<double>("r0");
        QTest::newRow("PT-100") << 0 << 100.0;
        QTest::newRow("PT-500") << 1 << 500.0;
        QTest::newRow("PT-1000") << 2 << 1000.0;
    }
    void followsCallendarVanDusen()
    {
        QFETCH(int, code);
        QFETCH(double, r0);
        QVERIFY(std::fabs(cvdResistance(100, -50) - 80.31) + std::fabs(cvdResistance(100, 500) - 280.98) < 0.01); // IEC
        for (double t = -200.0; t <= 850.0; t += 0.5) {
            const double r = cvdResistance(r0, t);
            const double err = std::fabs(rtdTemperature(code, r, nullptr, nullptr) - cvdTemperature(r0, r));
            QVERIFY2(err < 0.06, qPrintable(QStringLiteral("%1 degC off at %2 degC").arg(err).arg(t)));
        }
    }

    // PT-1000 readings outside its span are -255 and never widen a table;
    // PT-100 readings widen slots 5..8 of the working table (a new start
    // reloads it), PT-500 readings slots 3..6 of given tables.
    void boundsAndWidening()
    {
        RtdRangeTable pt100, pt500, working[2];
        fill(pt100), fill(pt500);
        for (double ohms : {185.0, 3904.815076, 1e9, -5.0})
            QCOMPARE(rtdTemperature(2, ohms, &pt100, &pt500), -255.0);
        QVERIFY(std::fabs(rtdTemperature(2, 185.19, &pt100, &pt500) + 200.0) < 0.1);
        QVERIFY(std::fabs(rtdTemperature(2, 3904.815075, &pt100, &pt500) - 850.0) < 0.1);
        QVERIFY(changed(pt100).isEmpty() && changed(pt500).isEmpty());
        QVERIFY(T_rtd(3, 100.0) == 0.0 && T_rtd(-1, 100.0) == 0.0); // other sensor codes

        loadRtdRangeTables(pt100, pt500);
        double hot = T_rtd(0, 400.0), cold = T_rtd(0, 18.0);
        for (int i = 0; i < 9; ++i)
            for (int sensor : {0, 1})
                QVERIFY(rtdWorkingRange(sensor, i, &working[sensor][i][0], &working[sensor][i][1]));
        QVERIFY(changed(working[0]) == "5,6,7,8" && changed(working[1]).isEmpty());
        QVERIFY(working[0][8][0] == cold && working[0][5][1] == hot && hot > 850.0 && cold < -200.0);
        loadRtdRangeTables(pt100, pt500);
        QVERIFY(rtdWorkingRange(0, 5, &working[0][5][0], &working[0][5][1]) && working[0][5][1] == 500.0);
        QVERIFY(!rtdWorkingRange(2, 5, &working[0][5][0], &working[0][5][1]) && !rtdWorkingRange(0, 9, &cold, &hot));
        const double hot5 = rtdTemperature(1, 2000.0, &pt100, &pt500);
        QVERIFY(changed(pt500) == "3,4,5,6" && changed(pt100).isEmpty() && pt500[3][1] == hot5 && pt500[6][1] == hot5);
    }
};

QTEST_APPLESS_MAIN(TestAcqRules)
#include "test_acqRules.moc"
