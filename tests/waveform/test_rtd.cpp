// RTD conversion against the IEC 60751 Callendar-Van Dusen equation, the
// PT-1000 bounds, the range widening of the PT-100 and PT-500 tables, and the
// synthetic samples of demo mode.
#include "ov7931Demo_demoData.h"
#include "ov7931Demo_rtd.h"

#include <QFile>
#include <QTemporaryFile>
#include <QtTest>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

// IEC 60751: R(T) = R0 (1 + A T + B T^2 + C (T - 100) T^3), C only below 0.
const double cvdA = 3.9083e-3;
const double cvdB = -5.775e-7;
const double cvdC = -4.183e-12;

double cvdResistance(double r0, double t)
{
    double r = 1.0 + cvdA * t + cvdB * t * t;
    if (t < 0)
        r += cvdC * (t - 100.0) * t * t * t;
    return r0 * r;
}

// Inverse by bisection (R rises strictly with T over the range).
double cvdTemperature(double r0, double r)
{
    double lo = -260.0, hi = 900.0;
    for (int i = 0; i < 200; ++i) {
        const double mid = 0.5 * (lo + hi);
        if (cvdResistance(r0, mid) < r)
            lo = mid;
        else
            hi = mid;
    }
    return 0.5 * (lo + hi);
}

const double nominal[3] = {100.0, 500.0, 1000.0};

// Runs `f` with standard output sent to a file and returns what it wrote.
template <typename F>
QByteArray captureStdout(F f)
{
    QTemporaryFile file;
    file.open();
    std::fflush(stdout);
    const int saved = dup(fileno(stdout));
    dup2(file.handle(), fileno(stdout));
    f();
    std::fflush(stdout);
    dup2(saved, fileno(stdout));
    close(saved);
    QFile back(file.fileName());
    back.open(QIODevice::ReadOnly);
    return back.readAll();
}

// A range table with distinct values, so that every change shows.
void fillTable(RtdRangeTable &t, double base)
{
    for (int i = 0; i < 9; ++i) {
        t[i][0] = base - 10 * i;
        t[i][1] = base + 100 * i;
    }
}

} // namespace

class TestRtd : public QObject
{
    Q_OBJECT

private slots:
    void oracleMatchesIecTable();
    void followsCallendarVanDusen_data();
    void followsCallendarVanDusen();
    void knownPoints();
    void pt1000Bounds();
    void wrongSensorCode();
    void wideningPt100();
    void wideningPt500();
    void wideningSetsAllTrackedEntries();
    void noWideningInsideTheSpanOrForNan();
    void demoBlockLayoutAndPhase();
    void demoSignalLevels();
};

void TestRtd::oracleMatchesIecTable()
{
    QVERIFY(std::fabs(cvdResistance(100, -50) - 80.31) < 0.005);
    QVERIFY(std::fabs(cvdResistance(100, 100) - 138.51) < 0.005);
    QVERIFY(std::fabs(cvdResistance(100, 500) - 280.98) < 0.005);
    QVERIFY(std::fabs(cvdTemperature(100, cvdResistance(100, -123.4)) + 123.4) < 1e-9);
}

void TestRtd::followsCallendarVanDusen_data()
{
    QTest::addColumn<int>("code");
    QTest::newRow("PT-100") << 0;
    QTest::newRow("PT-500") << 1;
    QTest::newRow("PT-1000") << 2;
}

void TestRtd::followsCallendarVanDusen()
{
    QFETCH(int, code);
    double worst = 0.0, worstAt = 0.0;
    for (double t = -200.0; t <= 850.0; t += 0.5) {
        const double r = cvdResistance(nominal[code], t);
        const double got = rtdTemperature(code, r, nullptr, nullptr);
        const double err = std::fabs(got - cvdTemperature(nominal[code], r));
        if (!(err <= worst)) {
            worst = err;
            worstAt = t;
        }
    }
    QVERIFY2(worst < 0.06, qPrintable(QStringLiteral("%1 degC off at %2 degC").arg(worst).arg(worstAt)));
}

void TestRtd::knownPoints()
{
    QVERIFY(std::fabs(T_rtd(0, 100.0) - 0.0393) < 0.0005);
    QVERIFY(std::fabs(T_rtd(1, 500.0) - 0.0393) < 0.0005);
    QVERIFY(std::fabs(T_rtd(2, 1000.0) - 0.0393) < 0.0005);
    QVERIFY(std::fabs(T_rtd(0, 138.5) - 100.025) < 0.005);
    QVERIFY(std::fabs(T_rtd(0, 80.0) - (-50.77)) < 0.005);
    QVERIFY(std::fabs(T_rtd(2, 900.0) - (-25.49)) < 0.005);
    // Just below and at the nominal resistance the two branches meet.
    QVERIFY(std::fabs(T_rtd(0, 99.9999) - T_rtd(0, 100.0)) < 0.05);
}

void TestRtd::pt1000Bounds()
{
    RtdRangeTable pt100, pt500;
    fillTable(pt100, 1);
    fillTable(pt500, 2);
    RtdRangeTable before100, before500;
    std::memcpy(before100, pt100, sizeof pt100);
    std::memcpy(before500, pt500, sizeof pt500);

    QCOMPARE(rtdTemperature(2, 185.0, &pt100, &pt500), -255.0);
    QCOMPARE(rtdTemperature(2, 3904.815076, &pt100, &pt500), -255.0);
    QCOMPARE(rtdTemperature(2, 1e9, &pt100, &pt500), -255.0);
    QCOMPARE(rtdTemperature(2, -5.0, &pt100, &pt500), -255.0);
    // The bounds themselves are in range.
    QVERIFY(std::fabs(rtdTemperature(2, 185.19, &pt100, &pt500) + 200.0) < 0.1);
    QVERIFY(std::fabs(rtdTemperature(2, 3904.815075, &pt100, &pt500) - 850.0) < 0.1);
    QCOMPARE(std::memcmp(before100, pt100, sizeof pt100), 0);
    QCOMPARE(std::memcmp(before500, pt500, sizeof pt500), 0);
}

void TestRtd::wrongSensorCode()
{
    double t = 1.0;
    const QByteArray out = captureStdout([&] { t = T_rtd(3, 100.0); });
    QCOMPARE(t, 0.0);
    QCOMPARE(out, QByteArray("T_rtd: wrong sensor type\n"));
    const QByteArray out2 = captureStdout([&] { t = T_rtd(-1, 100.0); });
    QCOMPARE(t, 0.0);
    QCOMPARE(out2, QByteArray("T_rtd: wrong sensor type\n"));
    // A valid code writes nothing.
    QCOMPARE(captureStdout([&] { T_rtd(0, 100.0); }), QByteArray());
}

void TestRtd::wideningPt100()
{
    RtdRangeTable pt100, pt500;
    fillTable(pt100, 0);
    fillTable(pt500, 0);
    loadRtdRangeTables(pt100, pt500);

    const double hot = T_rtd(0, 400.0); // beyond 850 degC
    QVERIFY(hot > pt100[5][1]);
    double lo, hi;
    for (int i = 0; i < 9; ++i) {
        QVERIFY(rtdWorkingRange(0, i, &lo, &hi));
        QCOMPARE(hi, (i >= 5 && i <= 8) ? hot : pt100[i][1]);
        QCOMPARE(lo, pt100[i][0]);
        // The PT-500 table is not touched.
        QVERIFY(rtdWorkingRange(1, i, &lo, &hi));
        QCOMPARE(hi, pt500[i][1]);
    }

    const double cold = T_rtd(0, 18.0); // below -200 degC
    QVERIFY(cold < -200.0);
    for (int i = 5; i <= 8; ++i) {
        QVERIFY(rtdWorkingRange(0, i, &lo, &hi));
        QCOMPARE(lo, cold);
        QCOMPARE(hi, hot);
    }

    // A new start reloads the tables.
    loadRtdRangeTables(pt100, pt500);
    QVERIFY(rtdWorkingRange(0, 5, &lo, &hi));
    QCOMPARE(hi, pt100[5][1]);
    QVERIFY(!rtdWorkingRange(2, 5, &lo, &hi));
    QVERIFY(!rtdWorkingRange(0, 9, &lo, &hi));
}

void TestRtd::wideningPt500()
{
    RtdRangeTable pt100, pt500;
    fillTable(pt100, 0);
    fillTable(pt500, 0);
    const double hot = rtdTemperature(1, 2000.0, &pt100, &pt500);
    QVERIFY(hot > 850.0);
    for (int i = 0; i < 9; ++i)
        QCOMPARE(pt500[i][1], (i >= 3 && i <= 6) ? hot : 100.0 * i);
    const double cold = rtdTemperature(1, 90.0, &pt100, &pt500);
    for (int i = 0; i < 9; ++i)
        QCOMPARE(pt500[i][0], (i >= 3 && i <= 6) ? cold : -10.0 * i);
    for (int i = 0; i < 9; ++i)
        QCOMPARE(pt100[i][1], 100.0 * i);
    // The PT-1000 never widens anything.
    rtdTemperature(2, 3000.0, &pt100, &pt500);
    QCOMPARE(pt500[3][1], hot);
}

void TestRtd::wideningSetsAllTrackedEntries()
{
    // The first tracked entry decides, and all four take the temperature,
    // even an entry whose bound was wider (the 7931-BE PT-100 table).
    RtdRangeTable pt100 = {{-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}, {-1, -1},
                           {-1, -1}, {-1, -1}, {-200, 1000}, {-1, -1}};
    const double t = rtdTemperature(0, 391.0, &pt100, nullptr);
    QVERIFY(t > 850.0 && t < 900.0);
    for (int i = 5; i <= 8; ++i)
        QCOMPARE(pt100[i][1], t);
    QCOMPARE(pt100[7][0], -200.0);
    QCOMPARE(pt100[4][1], -1.0);
}

void TestRtd::noWideningInsideTheSpanOrForNan()
{
    RtdRangeTable pt100, pt500;
    fillTable(pt100, 0);
    fillTable(pt500, 0);
    pt100[5][1] = 10.0; // a reading inside the span never widens, even above the table
    RtdRangeTable before;
    std::memcpy(before, pt100, sizeof pt100);
    rtdTemperature(0, 390.4815075, &pt100, &pt500);
    rtdTemperature(0, 18.57, &pt100, &pt500);
    rtdTemperature(0, 200.0, &pt100, &pt500);
    QCOMPARE(std::memcmp(before, pt100, sizeof pt100), 0);
    // Far above the square-root branch's validity the result is NaN and no
    // bound changes.
    const double t = rtdTemperature(0, 800.0, &pt100, &pt500);
    QVERIFY(std::isnan(t));
    QCOMPARE(std::memcmp(before, pt100, sizeof pt100), 0);
}

void TestRtd::demoBlockLayoutAndPhase()
{
    const int n = 500;
    std::vector<double> data(16 * n, -7.0);
    bool enabled[16] = {};
    int kinds[16] = {};
    enabled[0] = true; // channel 1: ordinal 0
    enabled[2] = true; // channel 3: ordinal 1
    kinds[0] = 0;
    kinds[1] = 1; // disabled: no segment
    kinds[2] = 0;

    const double phase0 = demoPhase;
    generateDemoBlock(data.data(), n, enabled, kinds);
    QCOMPARE(demoPhase, phase0 + 0.05);
    for (int s = 0; s < n; ++s) {
        QCOMPARE(data[s], std::sin(s * 1 * 1.2 * 6.283185307179586 / n + phase0));
        QCOMPARE(data[n + s], std::sin(s * 2 * 1.2 * 6.283185307179586 / n + phase0));
    }
    QCOMPARE(data[2 * n], -7.0); // nothing beyond the two segments

    generateDemoBlock(data.data(), n, enabled, kinds);
    QVERIFY(std::fabs(demoPhase - (phase0 + 0.1)) < 1e-12);
    QCOMPARE(data[0], std::sin(phase0 + 0.05));

    // An unknown kind leaves its segment but still takes it.
    std::fill(data.begin(), data.end(), -7.0);
    kinds[0] = 5;
    generateDemoBlock(data.data(), n, enabled, kinds);
    QCOMPARE(data[0], -7.0);
    QCOMPARE(data[n + 1], std::sin(1 * 2 * 1.2 * 6.283185307179586 / n + phase0 + 0.1));
}

void TestRtd::demoSignalLevels()
{
    const int n = 2000;
    std::vector<double> data(16 * n, 0.0);
    bool enabled[16] = {};
    int kinds[16] = {};
    enabled[4] = true;
    kinds[4] = 1;
    enabled[9] = true;
    kinds[9] = 2;
    const double phase = demoPhase;
    generateDemoBlock(data.data(), n, enabled, kinds);
    double minNoise = 1, maxNoise = -1;
    for (int s = 0; s < n; ++s) {
        const double x0 = s * 1 * 1.2 * 6.283185307179586 / n + phase;
        const double x1 = s * 2 * 1.2 * 6.283185307179586 / n + phase;
        const double r = data[s] - std::sin(x0) - 1000.0; // (rand % 20) / 20 - 0.5
        const double t = data[n + s] - std::sin(x1) - 100.0;
        QVERIFY(r >= -0.5 - 1e-9 && r <= 0.45 + 1e-9);
        QVERIFY(std::fabs(r * 20 - std::round(r * 20)) < 1e-6);
        QVERIFY(t >= -0.05 - 1e-9 && t <= 0.045 + 1e-9);
        minNoise = std::min(minNoise, r);
        maxNoise = std::max(maxNoise, r);
    }
    QVERIFY(maxNoise - minNoise > 0.5); // it is noise, not a constant
}

QTEST_APPLESS_MAIN(TestRtd)
#include "test_rtd.moc"
