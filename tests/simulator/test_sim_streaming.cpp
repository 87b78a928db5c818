// Continuous acquisition: callbacks paced by the simulated clock, blocks read
// in order and complete, stopping (also while a callback waits for the
// caller's lock) and the faults that can be scheduled in a stream.
#include "sim_test_util.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using namespace simtest;

namespace {

// What the callback saw, block by block.
struct Recorder {
    ViSession vi = 0;
    int scansPerBlock = 0;
    int channels = 0;
    std::mutex *panelLock = nullptr; // taken around the read, as the panel does
    std::atomic<int> entries{0};
    std::atomic<bool> waitingForLock{false};
    std::mutex m;
    std::vector<ViStatus> statuses;
    std::vector<ViInt32> counts;
    std::vector<int64_t> firstScans; // decoded from the block's first sample, -1 when not decodable
    bool contiguous = true;          // every block held exactly its channels' consecutive scans
    bool wrongSession = false;
};

void onBlock(ViSession vi, ViAddr user)
{
    auto *r = static_cast<Recorder *>(user);
    r->entries++;
    if (vi != r->vi)
        r->wrongSession = true;
    std::vector<double> block(size_t(r->scansPerBlock) * r->channels, -1.0);
    ViInt32 count = 0;
    ViStatus st;
    if (r->panelLock) {
        r->waitingForLock = true;
        std::lock_guard<std::mutex> lk(*r->panelLock);
        r->waitingForLock = false;
        st = ov8263_readAcquisition(vi, r->scansPerBlock, ov8263_GROUP_BY_CHANNEL, nullptr, &count, block.data());
    } else {
        st = ov8263_readAcquisition(vi, r->scansPerBlock, ov8263_GROUP_BY_CHANNEL, nullptr, &count, block.data());
    }
    int ch0 = 0;
    int64_t first = -1;
    if (st == VI_SUCCESS && !ovsim::decodeIntegritySample(block[0], &ch0, &first))
        first = -1;
    bool ok = st != VI_SUCCESS || count == r->scansPerBlock;
    for (int c = 0; ok && st == VI_SUCCESS && c < r->channels; ++c) {
        int chFirst = 0;
        int64_t s0 = -1;
        ok = ovsim::decodeIntegritySample(block[size_t(c) * count], &chFirst, &s0) && s0 == first;
        for (int k = 0; ok && k < count; ++k) {
            int ch = 0;
            int64_t s = -1;
            ok = ovsim::decodeIntegritySample(block[size_t(c) * count + k], &ch, &s) && ch == chFirst && s == first + k;
        }
    }
    std::lock_guard<std::mutex> lk(r->m);
    r->statuses.push_back(st);
    r->counts.push_back(count);
    r->firstScans.push_back(first);
    if (!ok)
        r->contiguous = false;
}

} // namespace

class TestSimStreaming : public QObject {
    Q_OBJECT

    ViSession vi = 0;

    // Channels 1 and 3 on, continuous mode at `rate`, integrity samples.
    void prepare(double rate)
    {
        ovsim::setIntegrityMode(true);
        QCOMPARE(ov8263_setChanConfig(vi, 1, ov8263_CH_FP, 2, VI_FALSE), VI_SUCCESS);
        QCOMPARE(ov8263_setChanConfig(vi, 3, ov8263_CH_FP, 2, VI_FALSE), VI_SUCCESS);
        QCOMPARE(ov8263_setTrigConfig(vi, 0, 0), VI_SUCCESS);
        QCOMPARE(ov8263_setAcquisitionMode(vi, rate, 0, ov8263_DA_START_IMM, ov8263_DA_STOP_ERR_OFF), VI_SUCCESS);
    }

    void start(Recorder &r, int scansPerBlock)
    {
        r.vi = vi;
        r.scansPerBlock = scansPerBlock;
        r.channels = 2;
        QCOMPARE(ov8263_startAcquisitionEx(vi, scansPerBlock, onBlock, &r), VI_SUCCESS);
    }

    static int calls(Recorder &r)
    {
        std::lock_guard<std::mutex> lk(r.m);
        return int(r.statuses.size());
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
        prepare(1000.0);
        Recorder r;
        start(r, 100);
        ovsim::advanceClock(0.05);
        QCOMPARE(calls(r), 0);
        ovsim::advanceClock(0.05);
        QCOMPARE(calls(r), 1);
        ovsim::advanceClock(1.0);
        QCOMPARE(calls(r), 11);
        ViInt16 state = 0;
        ViUInt16 errors = 0;
        ViInt32 backlog = -1;
        QCOMPARE(ov8263_checkAcquisition(vi, &state, &errors, &backlog), VI_SUCCESS);
        QCOMPARE(int(state), ov8263_STATE_POST_TRIG);
        QCOMPARE(backlog, 0);
        ovsim::advanceClock(0.03);
        QCOMPARE(ov8263_checkAcquisition(vi, &state, &errors, &backlog), VI_SUCCESS);
        QCOMPARE(backlog, 30); // the card goes on sampling between blocks

        QCOMPARE(ov8263_stopAcquisition(vi), VI_SUCCESS);
        ovsim::advanceClock(1.0);
        QCOMPARE(calls(r), 11);
        std::lock_guard<std::mutex> lk(r.m);
        QVERIFY(r.contiguous);
        QVERIFY(!r.wrongSession);
        for (int k = 0; k < 11; ++k) {
            QCOMPARE(r.statuses[k], VI_SUCCESS);
            QCOMPARE(r.firstScans[k], int64_t(k) * 100);
        }
    }

    void blocksInOrderOnAFastClock()
    {
        ovsim::setClockSpeed(50.0);
        prepare(10000.0);
        Recorder r;
        start(r, 500); // a block every 50 ms simulated, 1 ms real
        QTRY_VERIFY_WITH_TIMEOUT(calls(r) >= 40, 20000);
        QCOMPARE(ov8263_stopAcquisition(vi), VI_SUCCESS);
        int atStop = r.entries;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        QCOMPARE(int(r.entries), atStop);
        std::lock_guard<std::mutex> lk(r.m);
        QVERIFY(r.contiguous);
        for (size_t k = 0; k < r.firstScans.size(); ++k)
            QCOMPARE(r.firstScans[k], int64_t(k) * 500);
    }

    void stopWhileTheCallbackWaitsForTheCallersLock()
    {
        ovsim::setClockSpeed(20.0);
        prepare(1000.0);
        std::mutex panelLock;
        Recorder r;
        r.panelLock = &panelLock;
        std::unique_lock<std::mutex> held(panelLock);
        start(r, 10);
        QTRY_VERIFY_WITH_TIMEOUT(r.waitingForLock.load(), 10000);

        // The panel stops the stream holding the lock the callback waits for.
        std::atomic<bool> returned{false};
        std::thread stopper([&] {
            ov8263_stopAcquisition(vi);
            returned = true;
        });
        auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!returned && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (!returned) {
            stopper.detach();
            QFAIL("ov8263_stopAcquisition waits for a callback blocked on the caller's lock");
        }
        stopper.join();
        int atStop = r.entries;
        held.unlock();
        // The callback in progress finishes; no other starts.
        QTRY_VERIFY_WITH_TIMEOUT(calls(r) == atStop, 10000);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        QCOMPARE(int(r.entries), atStop);
    }

    void droppedCallback()
    {
        ovsim::setManualClock(true);
        ovsim::scheduleDrop(2);
        prepare(1000.0);
        Recorder r;
        start(r, 100);
        ovsim::advanceClock(0.5);
        QCOMPARE(calls(r), 4);
        ViInt16 state = 0;
        ViUInt16 errors = 0;
        ViInt32 backlog = -1;
        QCOMPARE(ov8263_checkAcquisition(vi, &state, &errors, &backlog), VI_SUCCESS);
        QCOMPARE(backlog, 100); // the data of the missing callback wait in the FIFO
        std::lock_guard<std::mutex> lk(r.m);
        QCOMPARE(r.firstScans, (std::vector<int64_t>{0, 100, 200, 300}));
    }

    void stalledCallback()
    {
        ovsim::setManualClock(true);
        ovsim::scheduleStall(1, 0.25);
        prepare(1000.0);
        Recorder r;
        start(r, 100);
        ovsim::advanceClock(0.1);
        QCOMPARE(calls(r), 1);
        ovsim::advanceClock(0.2);
        QCOMPARE(calls(r), 1);
        ovsim::advanceClock(0.15); // the late one, then those that fell due meanwhile
        QCOMPARE(calls(r), 4);
        std::lock_guard<std::mutex> lk(r.m);
        QCOMPARE(r.firstScans, (std::vector<int64_t>{0, 100, 200, 300}));
        QVERIFY(r.contiguous);
    }

    void readErrorLosesItsBlock()
    {
        ovsim::setManualClock(true);
        ovsim::scheduleReadError(1, ov8263_ERROR_HARDWARE);
        prepare(1000.0);
        Recorder r;
        start(r, 100);
        ovsim::advanceClock(0.3);
        std::lock_guard<std::mutex> lk(r.m);
        QCOMPARE(r.statuses, (std::vector<ViStatus>{VI_SUCCESS, ov8263_ERROR_HARDWARE, VI_SUCCESS}));
        QCOMPARE(r.firstScans[2], int64_t(200));
    }

    void errorBitsFromABlockOn()
    {
        ovsim::setManualClock(true);
        ovsim::scheduleErrorBits(3, ov8263_ERR_FIFO_UNDERFLOW);
        prepare(1000.0);
        Recorder r;
        start(r, 100);
        ViInt16 state = 0;
        ViUInt16 errors = 0;
        ViInt32 backlog = 0;
        ovsim::advanceClock(0.3);
        QCOMPARE(ov8263_checkAcquisition(vi, &state, &errors, &backlog), VI_SUCCESS);
        QCOMPARE(int(errors & ov8263_ERR_FIFO_UNDERFLOW), 0);
        ovsim::advanceClock(0.1);
        QCOMPARE(ov8263_checkAcquisition(vi, &state, &errors, &backlog), VI_SUCCESS);
        QCOMPARE(int(errors & ov8263_ERR_FIFO_UNDERFLOW), ov8263_ERR_FIFO_UNDERFLOW);
        ovsim::advanceClock(0.5);
        QCOMPARE(ov8263_checkAcquisition(vi, &state, &errors, &backlog), VI_SUCCESS);
        QCOMPARE(int(errors & ov8263_ERR_FIFO_UNDERFLOW), ov8263_ERR_FIFO_UNDERFLOW);
    }

    void startIsChecked()
    {
        Recorder r;
        r.vi = vi;
        QCOMPARE(ov8263_startAcquisitionEx(vi, 100, onBlock, &r), ov8263_ERROR_NOT_CONFIGURED);
        prepare(1000.0);
        QCOMPARE(ov8263_startAcquisitionEx(vi, 100, nullptr, &r), ov8263_ERROR_NULL_POINTER);
        QCOMPARE(ov8263_startAcquisitionEx(vi, 0, onBlock, &r), ov8263_ERROR_INV_PARAMETER);
        QCOMPARE(ov8263_startAcquisitionEx(vi, 3000000, onBlock, &r), ov8263_ERROR_INV_PARAMETER);
        QCOMPARE(ov8263_startAcquisitionEx(0, 100, onBlock, &r), ov8263_ERROR_INV_SESSION);
        ovsim::setManualClock(true);
        start(r, 100);
        QCOMPARE(ov8263_startAcquisitionEx(vi, 100, onBlock, &r), ov8263_ERROR_BUSY);
        QCOMPARE(ov8263_setAcquisitionMode(vi, 1000.0, 0, ov8263_DA_START_IMM, 0), ov8263_ERROR_BUSY);
        // Closing the session ends the stream.
        QCOMPARE(ov8263_close(vi), VI_SUCCESS);
        ovsim::advanceClock(1.0);
        QCOMPARE(calls(r), 0);
    }
};

QTEST_GUILESS_MAIN(TestSimStreaming)
#include "test_sim_streaming.moc"
