// The default system's digitizer and conditioning card on a clock moved by
// hand: the single-shot state machine and trigger, what the read delivers
// (grouped by channel, in volts or ohms), the error bits, where the excitation
// current flows and what the broken-wire test finds.
#include "sim_test_util.h"

#include <QtTest>

#include <cmath>
#include <vector>

using namespace simtest;

namespace {

// Platinum RTD resistance by Callendar–Van Dusen with the IEC 60751 coefficients.
double callendarVanDusen(double r0, double t)
{
    const double a = 3.9083e-3, b = -5.775e-7, c = t < 0 ? -4.183e-12 : 0.0;
    return r0 * (1 + a * t + b * t * t + c * (t - 100) * t * t * t);
}

} // namespace

class TestSimSingleShot : public QObject {
    Q_OBJECT

    Cards cards;

    // The panel's set-up of a channel: 4-wire in ohms or differential in volts.
    void configure(int ch, bool ohms, int gain = ov7931_GAIN_1)
    {
        QCOMPARE(ov8263_setChanConfig(cards.master, ch, ov8263_CH_FP, 2, VI_FALSE), VI_SUCCESS);
        QCOMPARE(ov7931_setChanConfig(cards.slave, ch, ohms ? ov7931_MODE_4_WIRE : ov7931_MODE_DIFF_VOLT, gain,
                                      ohms ? ov7931_EXC_500UA : ov7931_EXC_OFF),
                 VI_SUCCESS);
        QCOMPARE(ov7931_setConversion(cards.slave, ch, ohms ? ov7931_OUT_UNIT_RES : ov7931_OUT_UNIT_VOLT), VI_SUCCESS);
    }

    // Arms a triggered run of `scans` at `rate` and lets the card become ready.
    void armAndWait(double rate, int scans)
    {
        QCOMPARE(ov8263_setAcquisitionMode(cards.master, rate, scans, ov8263_DA_START_TRIG, ov8263_DA_STOP_ERR_OFF),
                 VI_SUCCESS);
        QCOMPARE(ov8263_resetFIFO(cards.master), VI_SUCCESS);
        QCOMPARE(ov8263_armDAQ(cards.master, ov8263_SYNC_IF_NEED | ov8263_ARM_NOWAIT), VI_SUCCESS);
        QCOMPARE(status(cards.master)[0], int(ov8263_STATE_HW_ARM));
        ovsim::advanceClock(0.002);
        QCOMPARE(status(cards.master)[0], int(ov8263_STATE_SYNC));
        ovsim::advanceClock(0.003);
        QCOMPARE(status(cards.master), (QVector<int>{ov8263_STATE_READY, 0, 0}));
    }

    // A complete triggered run; the samples read.
    std::vector<double> runToEnd(double rate, int scans, int channels)
    {
        ov8263_stopDAQ(cards.master);
        armAndWait(rate, scans);
        ov8263_generateITRI(cards.master, ov8263_PULSE);
        ovsim::advanceClock(scans / rate + 0.01);
        std::vector<double> data(size_t(scans) * channels, std::nan(""));
        ViInt32 read = 0;
        ov8263_stopAcquisition(cards.master);
        ov8263_readAcquisition(cards.master, scans, ov8263_GROUP_BY_CHANNEL, nullptr, &read, data.data());
        data.resize(size_t(read) * channels);
        return data;
    }

    ViUInt16 ecStatus()
    {
        ViUInt16 bits = 0xFFFF;
        ov7931_checkECStatus(cards.slave, &bits);
        return bits;
    }

    QVector<int> wireTest(int ch, ViStatus expected = VI_SUCCESS)
    {
        ViInt16 w[4] = {9, 9, 9, 9};
        ViStatus st = ov7931_brokenWireDetect(cards.slave, ch, &w[0], &w[1], &w[2], &w[3]);
        return st == expected ? QVector<int>{w[0], w[1], w[2], w[3]} : QVector<int>{int(st)};
    }

private slots:
    void init()
    {
        ovsim::reset();
        ovsim::setManualClock(true);
        cards = openDefaultCards();
        QVERIFY(cards.master && cards.slave);
    }

    void stateMachineAndTrigger()
    {
        std::vector<double> data(100);
        ViInt32 read = 0;
        QCOMPARE(ov8263_readAcquisition(cards.master, 10, 0, nullptr, &read, data.data()), ov8263_ERROR_NOT_RUNNING);
        QCOMPARE(ov8263_setAcquisitionMode(cards.master, 1000.0, 100, ov8263_DA_START_TRIG, 0), VI_SUCCESS);
        QCOMPARE(ov8263_armDAQ(cards.master, ov8263_ARM_NOWAIT), ov8263_ERROR_NOT_CONFIGURED); // no channel on
        configure(1, true);
        QCOMPARE(status(cards.master), (QVector<int>{ov8263_STATE_IDLE, 0, 0}));
        armAndWait(1000.0, 100);
        QCOMPARE(ov8263_setAcquisitionMode(cards.master, 1000.0, 100, ov8263_DA_START_TRIG, 0), ov8263_ERROR_BUSY);
        ovsim::advanceClock(5.0); // ready waits for the trigger however long it takes
        QCOMPARE(status(cards.master), (QVector<int>{ov8263_STATE_READY, 0, 0}));
        QCOMPARE(ov8263_generateITRI(cards.master, ov8263_PULSE), VI_SUCCESS);
        ovsim::advanceClock(0.040);
        QCOMPARE(status(cards.master), (QVector<int>{ov8263_STATE_POST_TRIG, 0, 40}));
        // A read during the run delivers what is there, with a warning.
        QCOMPARE(ov8263_readAcquisition(cards.master, 100, 0, nullptr, &read, data.data()), ov8263_WARN_NOT_ALL_READ);
        QCOMPARE(read, 40);
        QCOMPARE(ov8263_generateITRI(cards.master, ov8263_PULSE), VI_SUCCESS); // changes nothing now
        ovsim::advanceClock(1.0);
        QCOMPARE(status(cards.master), (QVector<int>{ov8263_STATE_END, 0, 60})); // ended after 100 scans
        // stopAcquisition keeps the scans readable; stopDAQ discards them.
        QCOMPARE(ov8263_stopAcquisition(cards.master), VI_SUCCESS);
        QCOMPARE(status(cards.master), (QVector<int>{ov8263_STATE_END, 0, 60}));
        QCOMPARE(ov8263_readAcquisition(cards.master, 60, 0, nullptr, &read, data.data()), VI_SUCCESS);
        QCOMPARE(read, 60);
        QCOMPARE(ov8263_stopDAQ(cards.master), VI_SUCCESS);
        QCOMPARE(status(cards.master), (QVector<int>{ov8263_STATE_IDLE, 0, 0}));
        QCOMPARE(ov8263_readAcquisition(cards.master, 10, 0, nullptr, &read, data.data()), ov8263_ERROR_NOT_RUNNING);
    }

    void groupedByChannelInVoltsAndOhms()
    {
        // Without noise: kind, temperature, resistance, DC level, amplitude, frequency, noise.
        ovsim::setSensor(1, {ovsim::SensorKind::PT100, 23.5, 0, 0, 0, 0, 0});
        ovsim::setSensor(2, {ovsim::SensorKind::Resistor, 25, 1000, 0, 0, 0, 0});
        ovsim::setSensor(3, {ovsim::SensorKind::Voltage, 25, 0, 0.5, 1.0, 5.0, 0});
        for (int ch : {1, 2, 3, 5}) // 5 is open; 4 stays off on the digitizer
            configure(ch, ch < 3);
        const int n = 1000;
        std::vector<double> data = runToEnd(1000.0, n, 4);
        QCOMPARE(int(data.size()), 4 * n);
        const double *ch1 = &data[0], *ch2 = &data[n], *ch3 = &data[2 * n], *ch5 = &data[3 * n];
        QVERIFY2(std::fabs(ch1[0] - callendarVanDusen(100.0, 23.5)) < 1e-6, qPrintable(QString::number(ch1[0])));
        QCOMPARE(ch2[0], 1000.0);
        for (int k : {0, 50, 333, 999}) { // the sine is sampled from the trigger on
            double expected = 0.5 + std::sin(2 * M_PI * 5.0 * k / 1000.0);
            QVERIFY2(std::fabs(ch3[k] - expected) < 1e-9, qPrintable(QString("scan %1: %2").arg(k).arg(ch3[k])));
        }
        QVERIFY(ch5[0] > 4.0 && ch5[0] <= 4.5); // an open input floats close to its full scale
    }

    void rtdResistance_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<double>("r0");
        QTest::addColumn<double>("celsius");
        for (double t : {0.0, 100.0, -50.0, -200.0, 850.0})
            QTest::addRow("PT100 %g", t) << int(ovsim::SensorKind::PT100) << 100.0 << t;
        QTest::newRow("PT500 100") << int(ovsim::SensorKind::PT500) << 500.0 << 100.0;
        QTest::newRow("PT1000 -100") << int(ovsim::SensorKind::PT1000) << 1000.0 << -100.0;
        QTest::newRow("PT1000 300") << int(ovsim::SensorKind::PT1000) << 1000.0 << 300.0;
    }

    void rtdResistance()
    {
        QFETCH(int, kind);
        QFETCH(double, r0);
        QFETCH(double, celsius);
        ovsim::setSensor(1, {ovsim::SensorKind(kind), celsius, 0, 0, 0, 0, 0});
        configure(1, true);
        std::vector<double> data = runToEnd(100.0, 10, 1);
        QCOMPARE(int(data.size()), 10);
        const double expected = callendarVanDusen(r0, celsius);
        QVERIFY2(std::fabs(data[0] - expected) < 1e-6 * expected, qPrintable(QString::number(data[0], 'f', 6)));
    }

    void errorBits()
    {
        // A PT-100 at 500 uA gives 55 mV; gain 10 reads +-35 mV, gain 9 +-70 mV.
        configure(1, true, 10);
        armAndWait(1000.0, 100); // not yet acquiring: no bit
        ov8263_generateITRI(cards.master, ov8263_PULSE);
        ovsim::advanceClock(0.05);
        QCOMPARE(status(cards.master), (QVector<int>{ov8263_STATE_POST_TRIG, ov8263_ERR_OUT_OF_RANGE, 50}));
        QCOMPARE(ov7931_setGain(cards.slave, 1, 9), VI_SUCCESS);
        QCOMPARE(status(cards.master)[1], 0);

        // The FIFO holds 4 million samples: at 50 kHz, after 81 s 50000 scans are lost.
        QCOMPARE(ov8263_stopDAQ(cards.master), VI_SUCCESS);
        QCOMPARE(ov8263_setAcquisitionMode(cards.master, 50000.0, 0, ov8263_DA_START_IMM, 0), VI_SUCCESS);
        QCOMPARE(ov8263_startAcquisition(cards.master), VI_SUCCESS);
        ovsim::advanceClock(81.0);
        QCOMPARE(status(cards.master), (QVector<int>{ov8263_STATE_POST_TRIG, ov8263_ERR_FIFO_OVERFLOW, 4000000}));
        QCOMPARE(status(cards.master)[1], int(ov8263_ERR_FIFO_OVERFLOW)); // until the next run
        QCOMPARE(ov8263_stopDAQ(cards.master), VI_SUCCESS);
        QCOMPARE(status(cards.master)[1], 0);
    }

    void excitationCurrentFlows()
    {
        QCOMPARE(ecStatus(), ViUInt16(0));
        // PT-100 on 1, resistor on 2, sine source on 3, PT-100 with a broken "Current -" wire on 4, 5 open.
        for (int ch = 1; ch <= 5; ++ch)
            configure(ch, ch != 3);
        QCOMPARE(ecStatus(), ViUInt16(0x0003));
        ovsim::setWire(4, 2, ovsim::Wire::Intact);
        ovsim::setWire(1, 1, ovsim::Wire::Broken);
        QCOMPARE(ecStatus(), ViUInt16(0x000A));
        ovsim::setWire(4, 3, ovsim::Wire::Broken); // a sense wire carries no current
        QCOMPARE(ecStatus(), ViUInt16(0x000A));
        QCOMPARE(ov7931_setChanConfig(cards.slave, 2, ov7931_MODE_4_WIRE, 3, ov7931_EXC_OFF), VI_SUCCESS);
        QCOMPARE(ecStatus(), ViUInt16(0x0008));
    }

    void brokenWireTest()
    {
        for (int ch : {1, 4, 6})
            configure(ch, true);
        QCOMPARE(wireTest(1), QVector<int>({0, 0, 0, 0}));
        QCOMPARE(wireTest(4), QVector<int>({0, -1, 0, 0}));  // the default system's broken "Current -"
        QCOMPARE(wireTest(6), QVector<int>({-1, -1, 1, 1})); // nothing connected
        ovsim::setSensor(6, {ovsim::SensorKind::Resistor, 25, 47000, 0, 0, 0, -1}); // above 40 kilo-ohm
        QCOMPARE(wireTest(6), QVector<int>({0, 0, -1, 0}));                         // looks like an open "Signal +"
        QCOMPARE(ov7931_setChanConfig(cards.slave, 1, ov7931_MODE_4_WIRE, 3, ov7931_EXC_OFF), VI_SUCCESS);
        QCOMPARE(wireTest(1, ov7931_WARN_NO_EXCITATION), QVector<int>(4, ov7931_WIRE_UNKNOWN));
    }
};

QTEST_GUILESS_MAIN(TestSimSingleShot)
#include "test_sim_singleshot.moc"
