// The digitizer's single-shot run on a clock moved by hand: arming, the
// trigger, the backlog, the end of the run, and what the read delivers.
#include "sim_test_util.h"

#include <QtTest>

#include <cmath>
#include <vector>

using namespace simtest;

namespace {

struct Status {
    ViInt16 state = -1;
    ViUInt16 errors = 0xFFFF;
    ViInt32 backlog = -1;
};

Status check(ViSession vi)
{
    Status s;
    ov8263_checkAcquisition(vi, &s.state, &s.errors, &s.backlog);
    return s;
}

double mean(const double *v, int n)
{
    double sum = 0;
    for (int k = 0; k < n; ++k)
        sum += v[k];
    return sum / n;
}

ovsim::Sensor quiet(ovsim::Sensor s)
{
    s.noise = 0.0;
    return s;
}

} // namespace

class TestSimSingleShot : public QObject {
    Q_OBJECT

    Cards cards;

    // The panel's set-up of a resistive or voltage channel on a B/D card.
    void configure(int ch, int mode, int gain, int excitation, int unit)
    {
        QCOMPARE(ov8263_setChanConfig(cards.master, ch, ov8263_CH_FP, 2, VI_FALSE), VI_SUCCESS);
        QCOMPARE(ov7931_setChanConfig(cards.slave, ch, mode, gain, excitation), VI_SUCCESS);
        QCOMPARE(ov7931_setConversion(cards.slave, ch, unit), VI_SUCCESS);
    }

    void armSingleShot(double rate, int scans)
    {
        QCOMPARE(ov8263_setTrigConfig(cards.master, 0, 0), VI_SUCCESS);
        QCOMPARE(ov8263_setAcquisitionMode(cards.master, rate, scans, ov8263_DA_START_TRIG, ov8263_DA_STOP_ERR_OFF),
                 VI_SUCCESS);
        QCOMPARE(ov8263_resetFIFO(cards.master), VI_SUCCESS);
        QCOMPARE(ov8263_armDAQ(cards.master, ov8263_SYNC_IF_NEED | ov8263_ARM_NOWAIT), VI_SUCCESS);
    }

    // Arms, triggers and completes a run; returns the samples read.
    std::vector<double> runToEnd(double rate, int scans, int channels)
    {
        armSingleShot(rate, scans);
        ovsim::advanceClock(0.01);
        ov8263_generateITRI(cards.master, ov8263_PULSE);
        ovsim::advanceClock(scans / rate + 0.01);
        std::vector<double> data(size_t(scans) * channels, std::nan(""));
        ViInt32 read = 0;
        if (ov8263_stopAcquisition(cards.master) != VI_SUCCESS ||
            ov8263_readAcquisition(cards.master, scans, ov8263_GROUP_BY_CHANNEL, nullptr, &read, data.data()) !=
                VI_SUCCESS ||
            read != scans)
            data.clear();
        return data;
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
        configure(1, ov7931_MODE_4_WIRE, ov7931_GAIN_1, ov7931_EXC_500UA, ov7931_OUT_UNIT_RES);
        QCOMPARE(int(check(cards.master).state), ov8263_STATE_IDLE);
        armSingleShot(1000.0, 100);
        QCOMPARE(int(check(cards.master).state), ov8263_STATE_HW_ARM);
        ovsim::advanceClock(0.002);
        QCOMPARE(int(check(cards.master).state), ov8263_STATE_SYNC);
        ovsim::advanceClock(0.003);
        QCOMPARE(int(check(cards.master).state), ov8263_STATE_READY);

        // Ready waits for the trigger however long it takes.
        ovsim::advanceClock(5.0);
        Status s = check(cards.master);
        QCOMPARE(int(s.state), ov8263_STATE_READY);
        QCOMPARE(s.backlog, 0);

        QCOMPARE(ov8263_generateITRI(cards.master, ov8263_PULSE), VI_SUCCESS);
        s = check(cards.master);
        QCOMPARE(int(s.state), ov8263_STATE_POST_TRIG);
        QCOMPARE(s.backlog, 0);
        ovsim::advanceClock(0.040);
        s = check(cards.master);
        QCOMPARE(int(s.state), ov8263_STATE_POST_TRIG);
        QCOMPARE(s.backlog, 40);
        // A second pulse during the run changes nothing.
        QCOMPARE(ov8263_generateITRI(cards.master, ov8263_PULSE), VI_SUCCESS);
        ovsim::advanceClock(0.060);
        s = check(cards.master);
        QCOMPARE(int(s.state), ov8263_STATE_END);
        QCOMPARE(s.backlog, 100);
        QCOMPARE(int(s.errors), 0);
        ovsim::advanceClock(1.0);
        QCOMPARE(check(cards.master).backlog, 100); // the run has ended

        // As the panel does: stop, then read the block.
        QCOMPARE(ov8263_stopAcquisition(cards.master), VI_SUCCESS);
        QCOMPARE(int(check(cards.master).state), ov8263_STATE_END);
        std::vector<double> data(100);
        ViInt32 read = 0;
        QCOMPARE(ov8263_readAcquisition(cards.master, 100, ov8263_GROUP_BY_CHANNEL, nullptr, &read, data.data()),
                 VI_SUCCESS);
        QCOMPARE(read, 100);
        QCOMPARE(check(cards.master).backlog, 0);
        QCOMPARE(ov8263_stopDAQ(cards.master), VI_SUCCESS);
        QCOMPARE(int(check(cards.master).state), ov8263_STATE_IDLE);
        QCOMPARE(ov8263_stopDAQ(cards.master), VI_SUCCESS); // stopping twice is harmless
    }

    void busyAndUnconfiguredRuns()
    {
        std::vector<double> data(10);
        ViInt32 read = 0;
        QCOMPARE(ov8263_readAcquisition(cards.master, 10, 0, nullptr, &read, data.data()), ov8263_ERROR_NOT_RUNNING);
        QCOMPARE(ov8263_armDAQ(cards.master, 6), ov8263_ERROR_NOT_CONFIGURED);
        QCOMPARE(ov8263_setAcquisitionMode(cards.master, 1000.0, 10, ov8263_DA_START_TRIG, 0), VI_SUCCESS);
        QCOMPARE(ov8263_armDAQ(cards.master, 6), ov8263_ERROR_NOT_CONFIGURED); // no channel switched on
        QCOMPARE(ov8263_setChanConfig(cards.master, 2, ov8263_CH_FP, 2, 0), VI_SUCCESS);
        QCOMPARE(ov8263_armDAQ(cards.master, 6), VI_SUCCESS);
        QCOMPARE(ov8263_setAcquisitionMode(cards.master, 1000.0, 10, ov8263_DA_START_TRIG, 0), ov8263_ERROR_BUSY);
        QCOMPARE(ov8263_setAcquisitionMode(cards.master, 60000.0, 10, 1, 0), ov8263_ERROR_FREQUENCY);
        QCOMPARE(ov8263_setAcquisitionMode(cards.master, 0.5, 10, 1, 0), ov8263_ERROR_FREQUENCY);
        QCOMPARE(ov8263_generateITRI(cards.master, 7), ov8263_ERROR_INV_PARAMETER);
        QCOMPARE(ov8263_setChanConfig(cards.master, 17, 1, 2, 0), ov8263_ERROR_INV_CHANNEL);
        QCOMPARE(ov8263_setChanConfig(cards.master, 0, 1, 2, 0), ov8263_ERROR_INV_CHANNEL);
        QCOMPARE(ov8263_setChanConfig(cards.master, 1, 1, 3, 0), ov8263_ERROR_INV_PARAMETER);
        QCOMPARE(ov8263_checkAcquisition(cards.master, nullptr, nullptr, nullptr), ov8263_ERROR_NULL_POINTER);
        QCOMPARE(ov8263_stopDAQ(cards.master), VI_SUCCESS);
        QCOMPARE(ov8263_setAcquisitionMode(cards.master, 1000.0, 10, ov8263_DA_START_TRIG, 0), VI_SUCCESS);
    }

    void groupedByChannelInVoltsAndOhms()
    {
        ovsim::Sensor pt;
        pt.kind = ovsim::SensorKind::PT100;
        pt.temperature = 23.5;
        ovsim::setSensor(1, quiet(pt));
        ovsim::Sensor r;
        r.kind = ovsim::SensorKind::Resistor;
        r.resistance = 1000.0;
        ovsim::setSensor(2, quiet(r));
        ovsim::Sensor v;
        v.kind = ovsim::SensorKind::Voltage;
        v.dcLevel = 0.5;
        v.amplitude = 1.0;
        v.frequency = 5.0;
        ovsim::setSensor(3, quiet(v));

        configure(1, ov7931_MODE_4_WIRE, ov7931_GAIN_1, ov7931_EXC_500UA, ov7931_OUT_UNIT_RES);
        configure(2, ov7931_MODE_4_WIRE, ov7931_GAIN_1, ov7931_EXC_500UA, ov7931_OUT_UNIT_RES);
        configure(3, ov7931_MODE_DIFF_VOLT, ov7931_GAIN_1, ov7931_EXC_OFF, ov7931_OUT_UNIT_VOLT);
        // Channel 5 is open; channel 4 stays switched off on the digitizer.
        configure(5, ov7931_MODE_DIFF_VOLT, ov7931_GAIN_1, ov7931_EXC_OFF, ov7931_OUT_UNIT_VOLT);

        const int n = 1000;
        const double rate = 1000.0;
        std::vector<double> data = runToEnd(rate, n, 4);
        QCOMPARE(int(data.size()), 4 * n);
        const double *ch1 = &data[0], *ch2 = &data[n], *ch3 = &data[2 * n], *ch5 = &data[3 * n];
        // A PT-100 at 23.5 degrees Celsius: 109.153 ohm (IEC 60751).
        QVERIFY2(std::fabs(ch1[0] - 109.153) < 0.002, qPrintable(QString::number(ch1[0], 'f', 4)));
        QCOMPARE(ch1[0], ch1[n - 1]);
        QCOMPARE(ch2[0], 1000.0);
        // The sine is sampled from the moment of the trigger on.
        for (int k : {0, 50, 100, 333, 999}) {
            double expected = 0.5 + std::sin(2 * M_PI * 5.0 * k / rate);
            QVERIFY2(std::fabs(ch3[k] - expected) < 1e-9, qPrintable(QString("scan %1: %2").arg(k).arg(ch3[k])));
        }
        // An open input floats close to its full scale.
        QVERIFY(ch5[0] > 4.0 && ch5[0] <= 4.5);
    }

    void rtdResistanceFollowsCallendarVanDusen()
    {
        configure(1, ov7931_MODE_4_WIRE, ov7931_GAIN_1, ov7931_EXC_500UA, ov7931_OUT_UNIT_RES);
        // Reference resistances of platinum RTDs (IEC 60751).
        struct Case {
            ovsim::SensorKind kind;
            double t, ohm;
        } cases[] = {{ovsim::SensorKind::PT100, 0.0, 100.000},   {ovsim::SensorKind::PT100, 100.0, 138.506},
                     {ovsim::SensorKind::PT100, -50.0, 80.306},  {ovsim::SensorKind::PT100, -200.0, 18.520},
                     {ovsim::SensorKind::PT500, 100.0, 692.53},  {ovsim::SensorKind::PT1000, -100.0, 602.56},
                     {ovsim::SensorKind::PT1000, 300.0, 2120.52}};
        for (const Case &c : cases) {
            ovsim::Sensor s;
            s.kind = c.kind;
            s.temperature = c.t;
            s.noise = 0.0;
            ovsim::setSensor(1, s);
            ov8263_stopDAQ(cards.master);
            std::vector<double> data = runToEnd(100.0, 10, 1);
            QCOMPARE(int(data.size()), 10);
            QVERIFY2(std::fabs(data[0] - c.ohm) < 0.006 * (c.ohm / 100.0),
                     qPrintable(QString("%1 C: %2 ohm").arg(c.t).arg(data[0], 0, 'f', 4)));
        }
    }

    void defaultNoiseIsSmall()
    {
        configure(1, ov7931_MODE_4_WIRE, ov7931_GAIN_1, ov7931_EXC_500UA, ov7931_OUT_UNIT_RES);
        std::vector<double> data = runToEnd(1000.0, 2000, 1);
        QCOMPARE(int(data.size()), 2000);
        QVERIFY(std::fabs(mean(data.data(), 2000) - 109.153) < 0.01);
        QVERIFY(data[0] != data[1]);
    }

    void outOfRangeBit()
    {
        // A PT-100 at 500 uA gives 55 mV; the highest gain reads +-35 mV.
        configure(1, ov7931_MODE_4_WIRE, 10, ov7931_EXC_500UA, ov7931_OUT_UNIT_RES);
        armSingleShot(1000.0, 100);
        ovsim::advanceClock(0.01);
        QCOMPARE(int(check(cards.master).errors), 0); // not yet acquiring
        ov8263_generateITRI(cards.master, ov8263_PULSE);
        ovsim::advanceClock(0.05);
        Status s = check(cards.master);
        QCOMPARE(int(s.errors & ov8263_ERR_OUT_OF_RANGE), ov8263_ERR_OUT_OF_RANGE);
        QCOMPARE(int(s.state), ov8263_STATE_POST_TRIG); // the run goes on
        // While the signal is out of range; gain 9 (+-70 mV) holds it.
        QCOMPARE(ov7931_setGain(cards.slave, 1, 9), VI_SUCCESS);
        QCOMPARE(int(check(cards.master).errors), 0);
    }

    void fifoOverflowWhenNotReadInTime()
    {
        std::string error;
        QVERIFY2(ovsim::loadScenarioText("version: 1\n"
                                         "devices:\n"
                                         "  box:\n"
                                         "    interface: vxi\n"
                                         "    cards: [{position: 1, model: 0x8263, fifo_samples: 2000}]\n"
                                         "resources: [{name: VXI0::1::INSTR, device: box}]\n",
                                         &error),
                 error.c_str());
        ViSession vi = 0;
        QCOMPARE(ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &vi), VI_SUCCESS);
        ovsim::setIntegrityMode(true);
        QCOMPARE(ov8263_setChanConfig(vi, 3, ov8263_CH_FP, 1, 0), VI_SUCCESS);
        QCOMPARE(ov8263_setChanConfig(vi, 4, ov8263_CH_FP, 1, 0), VI_SUCCESS);
        QCOMPARE(ov8263_setAcquisitionMode(vi, 10000.0, 0, ov8263_DA_START_IMM, 0), VI_SUCCESS);
        QCOMPARE(ov8263_startAcquisition(vi), VI_SUCCESS);
        ovsim::advanceClock(0.05); // 500 scans, 1000 samples: fits
        Status s = check(vi);
        QCOMPARE(int(s.errors), 0);
        QCOMPARE(s.backlog, 500);
        ovsim::advanceClock(0.1); // 1500 scans, 3000 samples: the oldest are lost
        s = check(vi);
        QCOMPARE(int(s.errors & ov8263_ERR_FIFO_OVERFLOW), ov8263_ERR_FIFO_OVERFLOW);
        QCOMPARE(s.backlog, 1000);
        std::vector<double> data(2000);
        ViInt32 read = 0;
        QCOMPARE(ov8263_readAcquisition(vi, 1000, 0, nullptr, &read, data.data()), VI_SUCCESS);
        QCOMPARE(read, 1000);
        int ch = 0;
        int64_t scan = -1;
        QVERIFY(ovsim::decodeIntegritySample(data[0], &ch, &scan));
        QCOMPARE(ch, 3);
        QCOMPARE(scan, int64_t(500));
        QVERIFY(ovsim::decodeIntegritySample(data[1000], &ch, &scan));
        QCOMPARE(ch, 4);
        QCOMPARE(scan, int64_t(500));
        // The bit stays until the next run.
        QCOMPARE(int(check(vi).errors & ov8263_ERR_FIFO_OVERFLOW), ov8263_ERR_FIFO_OVERFLOW);
        QCOMPARE(ov8263_stopDAQ(vi), VI_SUCCESS);
        QCOMPARE(int(check(vi).errors), 0);
    }

    void partialReadIsAWarning()
    {
        configure(2, ov7931_MODE_4_WIRE, ov7931_GAIN_1, ov7931_EXC_500UA, ov7931_OUT_UNIT_RES);
        armSingleShot(1000.0, 100);
        ovsim::advanceClock(0.01);
        ov8263_generateITRI(cards.master, ov8263_PULSE);
        ovsim::advanceClock(0.030);
        std::vector<double> data(100, -1.0);
        ViInt32 read = 0;
        QCOMPARE(ov8263_readAcquisition(cards.master, 100, 0, nullptr, &read, data.data()), ov8263_WARN_NOT_ALL_READ);
        QCOMPARE(read, 30);
        QCOMPARE(data[30], -1.0);
    }
};

QTEST_GUILESS_MAIN(TestSimSingleShot)
#include "test_sim_singleshot.moc"
