// The default system's digitizer and conditioning card. Single shot on a
// clock moved by hand: the state machine and trigger, what the read delivers
// (grouped by channel, in volts or ohms), the error bits, where the
// excitation current flows and what the broken-wire test finds. Continuous
// runs: callbacks paced by the clock, blocks read in order and complete
// (integrity samples), stopping while a callback waits for the stopper's
// lock, the faults scheduled in a stream, the short reads of a FIFO that
// overflowed. Injected failures by function name in every layer, the
// forwarded digitizer status, and the journal of calls with their texts.
#include "sim_test_util.h"
#include "statuscodes.h"

#include <QtTest>

#include <cmath>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

using namespace simtest;

namespace {

// Platinum RTD resistance by Callendar–Van Dusen with the IEC 60751 coefficients.
double callendarVanDusen(double r0, double t)
{
    const double a = 3.9083e-3, b = -5.775e-7, c = t < 0 ? -4.183e-12 : 0.0;
    return r0 * (1 + a * t + b * t * t + c * (t - 100) * t * t * t);
}

// What the callback saw, block by block, reading channels 1 and 3 as the
// panel does: per block its first scan (or the status of a failed read),
// and whether each channel held its consecutive scans; or, with `raw`, per
// read its status, count and where each channel's samples start when packed
// with the count as the stride (-1 where another channel's sample is).
struct Recorder {
    int scansPerBlock = 0;
    bool raw = false;
    std::mutex *panelLock = nullptr; // taken around the read when set
    std::atomic<int> entries{0};
    std::atomic<bool> waitingForLock{false};
    std::mutex m;
    QVector<QVector<qint64>> blocks;
    bool contiguous = true;

    QVector<QVector<qint64>> seen()
    {
        std::lock_guard<std::mutex> lk(m);
        return blocks;
    }
};

void onBlock(ViSession vi, ViAddr user)
{
    auto *r = static_cast<Recorder *>(user);
    r->entries++;
    std::vector<double> block(size_t(r->scansPerBlock) * 2, -1.0);
    ViInt32 n = -1;
    std::unique_lock<std::mutex> panel;
    if (r->panelLock) {
        r->waitingForLock = true;
        panel = std::unique_lock<std::mutex>(*r->panelLock);
        r->waitingForLock = false;
    }
    const ViStatus st = ov8263_readAcquisition(vi, r->scansPerBlock, ov8263_GROUP_BY_CHANNEL, nullptr, &n, block.data());
    int ch1 = 0, ch3 = 0;
    int64_t first = -1, first3 = -1, scan = -1;
    int ch = 0;
    const bool decoded = n > 0 && n <= r->scansPerBlock && ovsim::decodeIntegritySample(block[0], &ch1, &first) &&
                         ovsim::decodeIntegritySample(block[size_t(n)], &ch3, &first3);
    bool ok = st != VI_SUCCESS || (n == r->scansPerBlock && decoded);
    for (int k = 0; ok && st == VI_SUCCESS && k < 2 * n; ++k)
        ok = ovsim::decodeIntegritySample(block[size_t(k)], &ch, &scan) && ch == (k < n ? 1 : 3) && scan == first + k % n;
    std::lock_guard<std::mutex> lk(r->m);
    if (r->raw)
        r->blocks.push_back({qint64(st), qint64(n), decoded && ch1 == 1 ? first : -1, decoded && ch3 == 3 ? first3 : -1});
    else
        r->blocks.push_back({st == VI_SUCCESS ? first : qint64(st)});
    r->contiguous = r->contiguous && ok;
}

} // namespace

class TestSimAcquisition : public QObject
{
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
        QCOMPARE(ov8263_setAcquisitionMode(cards.master, rate, scans, ov8263_DA_START_TRIG, ov8263_DA_STOP_ERR_OFF), VI_SUCCESS);
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

    // Channels 1 and 3 on, continuous at `rate`, integrity samples; starts the stream.
    void start(Recorder &r, double rate, int scansPerBlock)
    {
        ovsim::setIntegrityMode(true);
        configure(1, false);
        configure(3, false);
        QCOMPARE(ov8263_setAcquisitionMode(cards.master, rate, 0, ov8263_DA_START_IMM, ov8263_DA_STOP_ERR_OFF), VI_SUCCESS);
        r.scansPerBlock = scansPerBlock;
        QCOMPARE(ov8263_startAcquisitionEx(cards.master, scansPerBlock, onBlock, &r), VI_SUCCESS);
    }

private slots:
    void init()
    {
        ovsim::reset();
        ovsim::setManualClock(true);
        cards = openDefaultCards();
        QVERIFY(cards.master && cards.slave);
    }
    void cleanup()
    {
        ov8263_stopAcquisition(cards.master);
        ovsim::reset();
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
        QVERIFY2(std::fabs(data[0] - callendarVanDusen(100.0, 23.5)) < 1e-6, qPrintable(QString::number(data[0])));
        QCOMPARE(data[n], 1000.0);
        for (int k : {0, 50, 333, 999}) // the sine is sampled from the trigger on
            QVERIFY2(std::fabs(data[2 * n + k] - 0.5 - std::sin(2 * M_PI * 5.0 * k / 1000.0)) < 1e-9, qPrintable(QString::number(k)));
        QVERIFY(data[3 * n] > 4.0 && data[3 * n] <= 4.5); // an open input floats close to its full scale
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

        // On a 7931-AE the digitizer's gain of the channel makes the range:
        // the 1 kOhm resistor of channel 2 at 100 uA gives 0.1 V, beyond gain 200's 50 mV.
        std::string ae = ovsim::defaultScenarioText();
        QVERIFY(ovsim::loadScenarioText(ae.replace(ae.find("sub_type: BB"), 12, "sub_type: AE")));
        ovsim::setManualClock(true);
        cards = openDefaultCards();
        QCOMPARE(ov8263_setChanConfig(cards.master, 2, ov8263_CH_FP, 200, VI_FALSE), VI_SUCCESS);
        QCOMPARE(ov7931_setChanConfig(cards.slave, 2, ov7931_MODE_4_WIRE, 3, ov7931_EXC_100UA), VI_SUCCESS);
        armAndWait(1000.0, 100);
        ov8263_generateITRI(cards.master, ov8263_PULSE);
        ovsim::advanceClock(0.05);
        QCOMPARE(status(cards.master)[1], int(ov8263_ERR_OUT_OF_RANGE));
    }

    // Where the current flows and what the wire test finds: PT-100 on 1,
    // resistor on 2, sine source on 3, PT-100 with a broken "Current -"
    // wire on 4, 5 and 6 open.
    void excitationCurrentAndBrokenWires()
    {
        QCOMPARE(ecStatus(), ViUInt16(0));
        for (int ch = 1; ch <= 6; ++ch)
            configure(ch, ch != 3);
        QCOMPARE(wireTest(1), QVector<int>({0, 0, 0, 0}));
        QCOMPARE(wireTest(4), QVector<int>({0, -1, 0, 0}));
        QCOMPARE(wireTest(6), QVector<int>({-1, -1, 1, 1})); // nothing connected
        QCOMPARE(ecStatus(), ViUInt16(0x0003));
        ovsim::setWire(4, 2, ovsim::Wire::Intact);
        ovsim::setWire(1, 1, ovsim::Wire::Broken);
        QCOMPARE(ecStatus(), ViUInt16(0x000A));
        ovsim::setWire(4, 3, ovsim::Wire::Broken); // a sense wire carries no current
        QCOMPARE(ecStatus(), ViUInt16(0x000A));
        QCOMPARE(ov7931_setChanConfig(cards.slave, 2, ov7931_MODE_4_WIRE, 3, ov7931_EXC_OFF), VI_SUCCESS);
        QCOMPARE(ecStatus(), ViUInt16(0x0008));
        QCOMPARE(wireTest(2, ov7931_WARN_NO_EXCITATION), QVector<int>(4, ov7931_WIRE_UNKNOWN));
        ovsim::setSensor(6, {ovsim::SensorKind::Resistor, 25, 47000, 0, 0, 0, -1}); // above 40 kilo-ohm
        QCOMPARE(wireTest(6), QVector<int>({0, 0, -1, 0}));                         // looks like an open "Signal +"
    }

    // Callbacks come as the manual clock passes each block's end; sampling
    // goes on between blocks; none comes after the stop.
    void pacedByTheManualClock()
    {
        Recorder r;
        start(r, 1000.0, 100);
        const std::pair<double, int> steps[] = {{0.05, 0}, {0.05, 1}, {1.03, 11}};
        for (const auto &step : steps) {
            ovsim::advanceClock(step.first);
            QCOMPARE(r.seen().size(), step.second);
        }
        QCOMPARE(status(cards.master), (QVector<int>{ov8263_STATE_POST_TRIG, 0, 30}));
        QCOMPARE(ov8263_stopAcquisition(cards.master), VI_SUCCESS);
        ovsim::advanceClock(1.0);
        QVERIFY(r.contiguous);
        QCOMPARE(r.seen(), (QVector<QVector<qint64>>{{0}, {100}, {200}, {300}, {400}, {500}, {600}, {700}, {800}, {900}, {1000}}));
    }

    void stopWhileTheCallbackWaitsForTheStoppersLock()
    {
        ovsim::setManualClock(false);
        ovsim::setClockSpeed(20.0);
        std::mutex panelLock;
        Recorder r;
        r.panelLock = &panelLock;
        std::unique_lock<std::mutex> held(panelLock);
        start(r, 1000.0, 10);
        QTRY_VERIFY_WITH_TIMEOUT(r.waitingForLock.load(), 10000);
        auto returned = std::make_shared<std::promise<void>>(); // outlives a stop that hangs
        std::thread([returned, session = cards.master] {
            ov8263_stopAcquisition(session);
            returned->set_value();
        }).detach();
        if (returned->get_future().wait_for(std::chrono::seconds(10)) != std::future_status::ready)
            QFAIL("ov8263_stopAcquisition waits for a callback blocked on the caller's lock");
        const int atStop = r.entries;
        held.unlock();
        // The callback in progress finishes; no other starts.
        QTRY_COMPARE_WITH_TIMEOUT(r.seen().size(), atStop, 10000);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        QCOMPARE(int(r.entries), atStop);
    }

    // Block 1 is lost to its read error; block 3's callback never comes, so
    // its data wait in the FIFO; block 4's comes 0.25 s late, then those due
    // meanwhile; the error bits of block 5 are raised.
    void scheduledFaults()
    {
        ovsim::scheduleReadError(1, ov8263_ERROR_HARDWARE);
        ovsim::scheduleDrop(3);
        ovsim::scheduleStall(4, 0.25);
        ovsim::scheduleErrorBits(5, ov8263_ERR_FIFO_UNDERFLOW);
        Recorder r;
        start(r, 1000.0, 100);
        const QVector<QVector<qint64>> first{{0}, {ov8263_ERROR_HARDWARE}, {200}};
        ovsim::advanceClock(0.45);
        QCOMPARE(r.seen(), first);
        ovsim::advanceClock(0.29);
        QCOMPARE(r.seen(), first);
        ovsim::advanceClock(0.02);
        QCOMPARE(r.seen(), (first + QVector<QVector<qint64>>{{300}, {400}, {500}}));
        QCOMPARE(status(cards.master)[1], int(ov8263_ERR_FIFO_UNDERFLOW));
        QVERIFY(r.contiguous);
    }

    // A FIFO with room for one block (two channels x 100 scans) and one
    // callback 0.3 blocks late: that read finds the FIFO overflowed and gets
    // the newest 100 scans (30 are lost), the next read gets the 70 that
    // came since, with the warning and the count as the stride; the run goes
    // on in step.
    void overflowingFifoReadsShort()
    {
        std::string scenario = ovsim::defaultScenarioText();
        const std::string revision = "revision: \"2.4.1.0\"";
        QVERIFY(ovsim::loadScenarioText(scenario.insert(scenario.find(revision) + revision.size(), "\n        fifo_samples: 200")));
        ovsim::setManualClock(true);
        cards = openDefaultCards();
        ovsim::scheduleStall(2, 0.03);
        Recorder r;
        r.raw = true;
        start(r, 1000.0, 100);
        for (double step : {0.1, 0.1, 0.13, 0.07, 0.1})
            ovsim::advanceClock(step);
        const qint64 ok = VI_SUCCESS, warn = ov8263_WARN_NOT_ALL_READ;
        QCOMPARE(r.seen(), (QVector<QVector<qint64>>{{ok, 100, 0, 0}, {ok, 100, 100, 100}, {ok, 100, 230, 230},
                                                     {warn, 70, 330, 330}, {ok, 100, 400, 400}}));
        QVERIFY(status(cards.master)[1] & ov8263_ERR_FIFO_OVERFLOW);
    }

    // Each injected failure returns its status without touching its outputs
    // or the card, then the call works again; queued failures come in the
    // order given; failAlways holds until cleared.
    void failuresInEveryLayer()
    {
        const double t0 = ovsim::now();
        ViSession rm = 1234, vi = 0, master = 0;
        ov9174_IdRecord *rec = nullptr;
        ovsim::failNext("viOpenDefaultRM", VI_ERROR_SYSTEM_ERROR);
        ovsim::failNext("viFindRsrc", VI_ERROR_RSRC_NFOUND, 2);
        ovsim::failNext("ov9174_openIdRecord", OV9174_ERROR_NOT_CARRIER);
        ovsim::failNext("ov9174_delay", VI_ERROR_SYSTEM_ERROR);
        ovsim::failNext("ov8263_paramInit", VI_ERROR_RSRC_BUSY);
        ovsim::failNext("ov8263_setChanConfig", ov8263_ERROR_HARDWARE);
        QCOMPARE(viOpenDefaultRM(&rm), VI_ERROR_SYSTEM_ERROR);
        QCOMPARE(rm, ViSession(1234));
        QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
        for (ViStatus st : {VI_ERROR_RSRC_NFOUND, VI_ERROR_RSRC_NFOUND, VI_SUCCESS})
            QCOMPARE(viFindRsrc(rm, "?*INSTR", nullptr, nullptr, nullptr), st);
        QCOMPARE(viOpen(rm, "VXI0::1::INSTR", VI_NO_LOCK, 0, &vi), VI_SUCCESS);
        QCOMPARE(ov9174_openIdRecord(vi, &rec), OV9174_ERROR_NOT_CARRIER);
        QVERIFY(!rec);
        QCOMPARE(ov9174_openIdRecord(vi, &rec), VI_SUCCESS);
        QCOMPARE(ov9174_delay(250.0), VI_ERROR_SYSTEM_ERROR);
        QCOMPARE(ov9174_delay(250.0), VI_SUCCESS);
        QCOMPARE(ovsim::now() - t0, 0.25); // only the delay that worked moved the manual clock
        QCOMPARE(ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &master), VI_ERROR_RSRC_BUSY);
        QCOMPARE(ov8263_setChanConfig(cards.master, 4, ov8263_CH_FP, 2, 0), ov8263_ERROR_HARDWARE);
        QVERIFY(!ovsim::digitizerChannel(4).on);

        ovsim::failNext("ov7931_readPGAError", ov7931_ERROR_HARDWARE);
        ovsim::failNext("ov7931_readPGAError", ov7931_ERROR_INV_CHANNEL);
        ViInt16 err = 0;
        QCOMPARE(ov7931_readPGAError(cards.slave, 1, &err, nullptr), ov7931_ERROR_HARDWARE);
        QCOMPARE(ov7931_readPGAError(cards.slave, 1, &err, nullptr), ov7931_ERROR_INV_CHANNEL);
        ovsim::failAlways("ov7931_checkECStatus", ov7931_ERROR_HARDWARE);
        ViUInt16 ec = 0;
        for (int k = 0; k < 3; ++k)
            QCOMPARE(ov7931_checkECStatus(cards.slave, &ec), ov7931_ERROR_HARDWARE);
        ovsim::clearFaults();
        QCOMPARE(ov7931_checkECStatus(cards.slave, &ec), VI_SUCCESS);

        // A bad digitizer session: ov7931_init fails in the digitizer driver,
        // asked without a session. An injected forwarded failure reports the
        // status set, by default a hardware failure.
        ViSession slave = 55;
        ViStatus fc = 0;
        QCOMPARE(ov7931_init(0, VI_TRUE, VI_TRUE, &slave), ov7931_ERROR_FC_DRIVER);
        QCOMPARE(slave, ViSession(55));
        QCOMPARE(ov7931_getFCLastError(VI_NULL, &fc), VI_SUCCESS);
        QCOMPARE(fc, ov8263_ERROR_INV_SESSION);
        for (ViStatus forwarded : {ViStatus(0), ov8263_ERROR_FREQUENCY}) {
            ovsim::setForwardedStatus(forwarded);
            ovsim::failNext("ov7931_setChanConfig", ov7931_ERROR_FC_DRIVER);
            QCOMPARE(ov7931_setChanConfig(cards.slave, 1, 1, 3, 1), ov7931_ERROR_FC_DRIVER);
            QCOMPARE(ov7931_getFCLastError(cards.slave, &fc), VI_SUCCESS);
            QCOMPARE(fc, forwarded ? forwarded : ov8263_ERROR_HARDWARE);
        }
    }

    // Every call with its argument texts (numbers, strings, pointers) and status.
    void journalOfCalls()
    {
        ovsim::clearJournal();
        ViSession rm = 0, vi = 0;
        viOpenDefaultRM(&rm);
        viOpen(rm, "VXI0::1::INSTR", VI_NO_LOCK, 2000, &vi);
        ov9174_delay(2.5);
        ovsim::failNext("ov7931_readPGAError", ov7931_ERROR_HARDWARE);
        ov7931_readPGAError(cards.slave, 3, nullptr, nullptr);
        ov7931_readPGAError(cards.slave, 3, nullptr, nullptr);
        ov8263_setAcquisitionMode(cards.master, 1000.0, 500, ov8263_DA_START_TRIG, ov8263_DA_STOP_ERR_OFF);
        ov8263_error_message(cards.master, ov8263_ERROR_BUSY, nullptr);
        ov8263_setChanConfig(cards.master, 3, ov8263_CH_FP, 2, VI_FALSE);
        ov8263_startAcquisitionEx(cards.master, 100, [](ViSession, ViAddr) {}, nullptr);
        ov8263_stopAcquisition(cards.master);
        QStringList texts;
        for (const ovsim::Call &call : ovsim::journal())
            texts << QString::fromStdString(call.text()) + " = " + QString::number(call.status);
        const QString r = QString::number(rm), m = QString::number(cards.master), s = QString::number(cards.slave);
        QCOMPARE(texts, (QStringList{"viOpenDefaultRM(&) = 0", "viOpen(" + r + ", \"VXI0::1::INSTR\", 0, 2000, &) = 0",
                                     "ov9174_delay(2.5) = 0",
                                     "ov7931_readPGAError(" + s + ", 3, null, null) = " + QString::number(ov7931_ERROR_HARDWARE),
                                     "ov7931_readPGAError(" + s + ", 3, null, null) = " + QString::number(ov7931_ERROR_NULL_POINTER),
                                     "ov8263_setAcquisitionMode(" + m + ", 1000, 500, 1, 0) = 0",
                                     "ov8263_error_message(" + m + ", " + QString::number(ov8263_ERROR_BUSY) +
                                         ", null) = " + QString::number(ov8263_ERROR_NULL_POINTER),
                                     "ov8263_setChanConfig(" + m + ", 3, 1, 2, 0) = 0",
                                     "ov8263_startAcquisitionEx(" + m + ", 100, fn, null) = 0",
                                     "ov8263_stopAcquisition(" + m + ") = 0"}));
        QCOMPARE(int(ovsim::journalOf("ov7931_readPGAError").size()), 2);
        ovsim::clearJournal();
        QVERIFY(ovsim::journal().empty());
        const Cards c = openDefaultCards();
        QCOMPARE(QString::fromStdString(ovsim::journal().at(0).text() + " " + ovsim::journal().at(1).text()),
                 "ov8263_paramInit(\"VXI0::1::INSTR\", 1, 1, 1, &) ov7931_init(" + QString::number(c.master) + ", 1, 1, &)");
    }
};

QTEST_GUILESS_MAIN(TestSimAcquisition)
#include "test_sim_acquisition.moc"
