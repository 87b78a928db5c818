// Continuous acquisition: callbacks paced by the simulated clock, blocks read
// in order and complete (integrity samples), stopping (also while a callback
// waits for the stopper's lock), the faults scheduled in a stream, and the
// short reads of a FIFO that overflowed.
#include "sim_test_util.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

using namespace simtest;

namespace {

// What the callback saw, block by block; it reads two channels as the panel does.
struct Recorder {
    int scansPerBlock = 0;
    std::mutex *panelLock = nullptr; // taken around the read when set
    std::atomic<int> entries{0};
    std::atomic<bool> waitingForLock{false};
    std::mutex m;
    QVector<int64_t> blocks; // per block: its first scan, or the status of a failed read
    bool contiguous = true;  // each channel held its consecutive scans

    QVector<int64_t> seen()
    {
        std::lock_guard<std::mutex> lk(m);
        return blocks;
    }
    int calls() { return seen().size(); }
};

void onBlock(ViSession vi, ViAddr user)
{
    auto *r = static_cast<Recorder *>(user);
    r->entries++;
    std::vector<double> block(size_t(r->scansPerBlock) * 2, -1.0);
    ViInt32 n = 0;
    std::unique_lock<std::mutex> panel;
    if (r->panelLock) {
        r->waitingForLock = true;
        panel = std::unique_lock<std::mutex>(*r->panelLock);
        r->waitingForLock = false;
    }
    ViStatus st = ov8263_readAcquisition(vi, r->scansPerBlock, ov8263_GROUP_BY_CHANNEL, nullptr, &n, block.data());
    int ch = 0;
    int64_t first = -1, scan = -1;
    bool ok = st != VI_SUCCESS || (n == r->scansPerBlock && ovsim::decodeIntegritySample(block[0], &ch, &first));
    for (int k = 0; ok && st == VI_SUCCESS && k < 2 * n; ++k)
        ok = ovsim::decodeIntegritySample(block[k], &ch, &scan) && ch == (k < n ? 1 : 3) && scan == first + k % n;
    std::lock_guard<std::mutex> lk(r->m);
    r->blocks.push_back(st == VI_SUCCESS ? first : int64_t(st));
    r->contiguous = r->contiguous && ok;
}

// What each read of a stream returned: status, count and, for channels 1
// and 3, the scan number where each channel's samples start when packed
// with the count as the stride (-1 where another channel's sample is).
struct Reads {
    int scansPerBlock = 0;
    std::mutex m;
    QVector<QVector<qint64>> seen;
};

void onBlockReads(ViSession vi, ViAddr user)
{
    auto *r = static_cast<Reads *>(user);
    std::vector<double> block(size_t(r->scansPerBlock) * 2, -1.0);
    ViInt32 n = -1;
    const ViStatus st =
        ov8263_readAcquisition(vi, r->scansPerBlock, ov8263_GROUP_BY_CHANNEL, nullptr, &n, block.data());
    int ch1 = 0, ch3 = 0;
    int64_t first1 = -1, first3 = -1;
    const bool ok = n > 0 && n <= r->scansPerBlock && ovsim::decodeIntegritySample(block[0], &ch1, &first1) &&
                    ovsim::decodeIntegritySample(block[size_t(n)], &ch3, &first3);
    std::lock_guard<std::mutex> lk(r->m);
    r->seen.push_back({qint64(st), qint64(n), ok && ch1 == 1 ? first1 : -1, ok && ch3 == 3 ? first3 : -1});
}

} // namespace

class TestSimStreaming : public QObject {
    Q_OBJECT

    ViSession vi = 0;

    // Channels 1 and 3 on, continuous at `rate`, integrity samples; starts the stream.
    void start(Recorder &r, double rate, int scansPerBlock)
    {
        ovsim::setIntegrityMode(true);
        QCOMPARE(ov8263_setChanConfig(vi, 1, ov8263_CH_FP, 2, VI_FALSE), VI_SUCCESS);
        QCOMPARE(ov8263_setChanConfig(vi, 3, ov8263_CH_FP, 2, VI_FALSE), VI_SUCCESS);
        QCOMPARE(ov8263_setAcquisitionMode(vi, rate, 0, ov8263_DA_START_IMM, ov8263_DA_STOP_ERR_OFF), VI_SUCCESS);
        r.scansPerBlock = scansPerBlock;
        QCOMPARE(ov8263_startAcquisitionEx(vi, scansPerBlock, onBlock, &r), VI_SUCCESS);
    }

private slots:
    void init()
    {
        ovsim::reset();
        QCOMPARE(ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &vi), VI_SUCCESS);
    }
    void cleanup()
    {
        ov8263_stopAcquisition(vi);
        ovsim::reset();
    }

    void pacedByTheManualClock()
    {
        ovsim::setManualClock(true);
        Recorder r;
        start(r, 1000.0, 100);
        ovsim::advanceClock(0.05);
        QCOMPARE(r.calls(), 0);
        ovsim::advanceClock(0.05);
        QCOMPARE(r.calls(), 1);
        ovsim::advanceClock(1.03);
        QCOMPARE(r.calls(), 11);
        QCOMPARE(status(vi), (QVector<int>{ov8263_STATE_POST_TRIG, 0, 30})); // sampling goes on between blocks
        QCOMPARE(ov8263_stopAcquisition(vi), VI_SUCCESS);
        ovsim::advanceClock(1.0);
        QVERIFY(r.contiguous);
        QCOMPARE(r.seen(), (QVector<int64_t>{0, 100, 200, 300, 400, 500, 600, 700, 800, 900, 1000}));
    }

    void stopWhileTheCallbackWaitsForTheStoppersLock()
    {
        ovsim::setClockSpeed(20.0);
        std::mutex panelLock;
        Recorder r;
        r.panelLock = &panelLock;
        std::unique_lock<std::mutex> held(panelLock);
        start(r, 1000.0, 10);
        QTRY_VERIFY_WITH_TIMEOUT(r.waitingForLock.load(), 10000);

        auto returned = std::make_shared<std::promise<void>>(); // outlives a stop that hangs
        std::thread([returned, session = vi] {
            ov8263_stopAcquisition(session);
            returned->set_value();
        }).detach();
        if (returned->get_future().wait_for(std::chrono::seconds(10)) != std::future_status::ready)
            QFAIL("ov8263_stopAcquisition waits for a callback blocked on the caller's lock");
        int atStop = r.entries;
        held.unlock();
        // The callback in progress finishes; no other starts.
        QTRY_COMPARE_WITH_TIMEOUT(r.calls(), atStop, 10000);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        QCOMPARE(int(r.entries), atStop);
    }

    void scheduledFaults()
    {
        ovsim::setManualClock(true);
        ovsim::scheduleReadError(1, ov8263_ERROR_HARDWARE);
        ovsim::scheduleDrop(3);
        ovsim::scheduleStall(4, 0.25);
        ovsim::scheduleErrorBits(5, ov8263_ERR_FIFO_UNDERFLOW);
        Recorder r;
        start(r, 1000.0, 100);
        ovsim::advanceClock(0.45);
        // Block 1 is lost to its read error; block 3's callback never comes, so
        // its data wait in the FIFO; block 4's comes 0.25 s late, then those due meanwhile.
        QCOMPARE(r.seen(), (QVector<int64_t>{0, ov8263_ERROR_HARDWARE, 200}));
        ovsim::advanceClock(0.29);
        QCOMPARE(r.seen(), (QVector<int64_t>{0, ov8263_ERROR_HARDWARE, 200}));
        ovsim::advanceClock(0.02);
        QCOMPARE(r.seen(), (QVector<int64_t>{0, ov8263_ERROR_HARDWARE, 200, 300, 400, 500}));
        QCOMPARE(status(vi)[1], int(ov8263_ERR_FIFO_UNDERFLOW));
        QVERIFY(r.contiguous);
    }

    // A FIFO with room for one block (two channels x 100 scans) and one
    // callback 0.3 blocks late: that read finds the FIFO overflowed and gets
    // the newest 100 scans (30 are lost), the next read gets the 70 that
    // came since, with the warning and the count as the stride; the run goes
    // on in step. The same on every run with the manual clock.
    void overflowingFifoReadsShort()
    {
        const std::string revision = "revision: \"2.4.1.0\"";
        std::string scenario = ovsim::defaultScenarioText();
        scenario.insert(scenario.find(revision) + revision.size(), "\n        fifo_samples: 200");
        QVERIFY(ovsim::loadScenarioText(scenario));
        QCOMPARE(ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &vi), VI_SUCCESS);
        ovsim::setManualClock(true);
        ovsim::setIntegrityMode(true);
        ovsim::scheduleStall(2, 0.03);
        QCOMPARE(ov8263_setChanConfig(vi, 1, ov8263_CH_FP, 2, VI_FALSE), VI_SUCCESS);
        QCOMPARE(ov8263_setChanConfig(vi, 3, ov8263_CH_FP, 2, VI_FALSE), VI_SUCCESS);
        QCOMPARE(ov8263_setAcquisitionMode(vi, 1000.0, 0, ov8263_DA_START_IMM, ov8263_DA_STOP_ERR_OFF), VI_SUCCESS);
        Reads r;
        r.scansPerBlock = 100;
        QCOMPARE(ov8263_startAcquisitionEx(vi, 100, onBlockReads, &r), VI_SUCCESS);
        for (double step : {0.1, 0.1, 0.13, 0.07, 0.1})
            ovsim::advanceClock(step);
        const qint64 ok = VI_SUCCESS, warn = ov8263_WARN_NOT_ALL_READ;
        std::unique_lock<std::mutex> lk(r.m);
        QCOMPARE(r.seen, (QVector<QVector<qint64>>{
                             {ok, 100, 0, 0}, {ok, 100, 100, 100}, {ok, 100, 230, 230}, {warn, 70, 330, 330},
                             {ok, 100, 400, 400}}));
        QVERIFY(status(vi)[1] & ov8263_ERR_FIFO_OVERFLOW);
    }
};

QTEST_GUILESS_MAIN(TestSimStreaming)
#include "test_sim_streaming.moc"
