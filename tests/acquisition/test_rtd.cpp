// RTD conversion against an independent oracle (the IEC 60751
// Callendar-Van Dusen equation, inverted by bisection), the PT-1000 bounds,
// the range widening of the PT-100 and PT-500 tables, and the synthetic
// samples of demo mode.
#include "ov7931Demo_demoData.h"
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

// A range table with distinct values: slot i spans -10 i .. 100 i.
void fill(RtdRangeTable &t)
{
    for (int i = 0; i < 9; ++i)
        t[i][0] = -10.0 * i, t[i][1] = 100.0 * i;
}

// The slots of a filled table that changed since.
QString changed(const RtdRangeTable &t)
{
    QStringList slotList;
    for (int i = 0; i < 9; ++i)
        if (t[i][0] != -10.0 * i || t[i][1] != 100.0 * i)
            slotList << QString::number(i);
    return slotList.join(',');
}

} // namespace

class TestRtd : public QObject
{
    Q_OBJECT

private slots:
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

    void pt1000BoundsAndOtherCodes()
    {
        RtdRangeTable pt100, pt500;
        fill(pt100), fill(pt500);
        for (double ohms : {185.0, 3904.815076, 1e9, -5.0})
            QCOMPARE(rtdTemperature(2, ohms, &pt100, &pt500), -255.0);
        QVERIFY(std::fabs(rtdTemperature(2, 185.19, &pt100, &pt500) + 200.0) < 0.1);
        QVERIFY(std::fabs(rtdTemperature(2, 3904.815075, &pt100, &pt500) - 850.0) < 0.1);
        QVERIFY(changed(pt100).isEmpty() && changed(pt500).isEmpty()); // the PT-1000 never widens anything
        QVERIFY(T_rtd(3, 100.0) == 0.0 && T_rtd(-1, 100.0) == 0.0); // other sensor codes
    }

    void widening()
    {
        // PT-100 through the working tables: slots 5..8 take the reading's
        // temperature, beyond 850 and below -200 degrees; a new start reloads.
        RtdRangeTable pt100, pt500, working[2];
        fill(pt100), fill(pt500);
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
        // PT-500 on given tables: slots 3..6.
        const double hot5 = rtdTemperature(1, 2000.0, &pt100, &pt500);
        QVERIFY(changed(pt500) == "3,4,5,6" && changed(pt100).isEmpty() && pt500[3][1] == hot5 && pt500[6][1] == hot5);
    }

    void demoBlocks()
    {
        const int n = 500;
        std::vector<double> data(16 * n, -7.0);
        bool enabled[16] = {};
        int kinds[16] = {0, 1, 0, 0, 1, 0, 0, 0, 0, 2}; // channel 2 (ohms) stays disabled: no segment
        enabled[2] = enabled[4] = enabled[9] = true;    // ordinals 0 (volts), 1 (ohms), 2 (degrees)
        const double phase = demoPhase;
        generateDemoBlock(data.data(), n, enabled, kinds);
        QCOMPARE(demoPhase, phase + 0.05);
        for (int s = 0; s < n; ++s) {
            // The k-th enabled channel shows 1.2 (k + 1) periods; ohms with noise of +-0.5, degrees +-0.05.
            const double x = s * 1.2 * 6.283185307179586 / n + phase;
            QCOMPARE(data[s], std::sin(x));
            QVERIFY(std::fabs(data[n + s] - 1000.0 - std::sin(2 * x - phase)) <= 0.5 + 1e-9);
            QVERIFY(std::fabs(data[2 * n + s] - 100.0 - std::sin(3 * x - 2 * phase)) <= 0.05 + 1e-9);
        }
        QCOMPARE(data[3 * n], -7.0); // nothing beyond the three segments
    }
};

QTEST_APPLESS_MAIN(TestRtd)
#include "test_rtd.moc"
