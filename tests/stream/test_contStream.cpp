// The continuous-acquisition core against the simulated digitizer: binary
// and CSV recordings checked sample by sample in sequence mode, the display
// hand-off rule, and the faults a run must survive (stalled writer, full
// disk, read failure, callbacks that stop, no memory, quick restarts).
#include "csvFormat.h"
#include "shortRead.h"
#include "stream_rig.h"

#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <csignal>
#include <random>

using namespace streamtest;

namespace {

// A FILE whose writes go to memory and can be held at a gate (a stalled
// disk) or refused beyond a size (a full disk).
struct SlowFile {
    std::mutex m;
    std::condition_variable cv;
    bool gateOpen = true;
    bool insideWrite = false;
    int jitterUs = 0; // one write in twenty waits up to this long (a busy disk)
    std::mt19937 rng{42};
    size_t limit = SIZE_MAX;
    std::string bytes;

    static ssize_t write(void *cookie, const char *buf, size_t size)
    {
        auto *f = static_cast<SlowFile *>(cookie);
        std::unique_lock<std::mutex> lk(f->m);
        f->insideWrite = true;
        f->cv.notify_all();
        f->cv.wait(lk, [f] { return f->gateOpen; });
        f->insideWrite = false;
        if (f->jitterUs > 0 && f->rng() % 20 == 0) {
            const int us = int(f->rng() % unsigned(f->jitterUs));
            lk.unlock();
            std::this_thread::sleep_for(std::chrono::microseconds(us));
            lk.lock();
        }
        if (f->bytes.size() + size > f->limit) {
            errno = ENOSPC;
            return -1;
        }
        f->bytes.append(buf, size);
        return ssize_t(size);
    }
    std::FILE *open()
    {
        cookie_io_functions_t io = {nullptr, &SlowFile::write, nullptr, nullptr};
        return fopencookie(this, "wb", io);
    }
    void hold()
    {
        std::lock_guard<std::mutex> lk(m);
        gateOpen = false;
    }
    void release()
    {
        std::lock_guard<std::mutex> lk(m);
        gateOpen = true;
        cv.notify_all();
    }
    bool waitInside()
    {
        std::unique_lock<std::mutex> lk(m);
        return cv.wait_for(lk, std::chrono::seconds(5), [this] { return insideWrite; });
    }
    std::string content()
    {
        std::lock_guard<std::mutex> lk(m);
        return bytes;
    }
};

// Opens the gate when a test ends, also half-way, before the rig stops.
struct OpenAtEnd {
    SlowFile &file;
    ~OpenAtEnd() { file.release(); }
};

double halfPlusOne(int sensorCode, double ohms) { return ohms * 0.5 + sensorCode; }

constexpr double kRate = 10000.0;
constexpr int32_t kScans = 100;
constexpr double kBlockSeconds = kScans / kRate;

} // namespace

class TestContStream : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    std::string path(const char *name) { return dir.filePath(name).toStdString(); }

    void advanceBlocks(int n)
    {
        for (int i = 0; i < n; ++i)
            ovsim::advanceClock(kBlockSeconds);
    }

private slots:
    void init()
    {
        ovsim::reset();
        ovsim::setIntegrityMode(true);
        ovsim::setManualClock(true);
    }
    void cleanup() { ovsim::reset(); }

    // Blocks reach the file whole, in order, none lost or doubled; the
    // temperature channel is converted in place, the others are as read.
    void binaryRecordingInSequenceMode()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.p.toCelsius = halfPlusOne;
        rig.p.measurementKind[1] = 2; // channel 2: temperature, PT-500
        rig.p.sensorCode[1] = 1;
        rig.p.measurementKind[4] = 1; // channel 5: resistance
        const std::string file = path("seq.bin7931");
        QVERIFY(rig.prepare(0x0013, kScans, kRate, file, 0)); // channels 1, 2, 5
        QVERIFY(rig.start(kRate, kScans));
        for (int i = 0; i < 30; ++i) {
            advanceBlocks(1);
            QVERIFY(rig.drained());
        }
        QCOMPARE(rig.stop(), std::string());
        QCOMPARE(rig.p.blocksRead.load(), int64_t(30));

        size_t header = 0;
        std::vector<double> data = binarySamples(readAll(file), &header);
        QCOMPARE(readAll(file).substr(0, header), binaryHeaderText(Rig::setupFor(0x13, kScans, kRate)));
        VERIFY_SEQUENCE(c, data, rig.channels, kScans, {false, true, false});
        QCOMPARE(c.blocks, 30L);
        for (long b = 0; b < c.blocks; ++b)
            for (int32_t s = 0; s < kScans; ++s)
                QCOMPARE(data[size_t(b) * 300 + 100 + size_t(s)],
                         ovsim::integritySample(2, b * kScans + s) * 0.5 + 1);
        QCOMPARE(rig.p.bytesWritten.load(), 30.0 * 300 * 8);
        QVERIFY(rig.p.displayBlock == nullptr && rig.p.blocks[0] == nullptr && rig.p.blocks[15] == nullptr);
    }

    // The CSV file: the header, then one line per scan, each value as
    // "%4.20lf, " would write it and each line ending ", " before CR LF.
    void csvRecordingInSequenceMode()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.p.toCelsius = halfPlusOne;
        rig.p.measurementKind[2] = 2;
        rig.p.sensorCode[2] = 0;
        const std::string file = path("seq.csv");
        QVERIFY(rig.prepare(0x8004, 10, 1000.0, file, 1)); // channels 3 and 16
        QVERIFY(rig.start(1000.0, 10));
        for (int i = 0; i < 5; ++i) {
            ovsim::advanceClock(0.01);
            QVERIFY(rig.drained());
        }
        QCOMPARE(rig.stop(), std::string());

        std::string expected = csvHeaderText(Rig::setupFor(0x8004, 10, 1000.0));
        char cell[kCsvMaxValueChars + 1];
        for (int scan = 0; scan < 50; ++scan) {
            const double t = ovsim::integritySample(3, scan) * 0.5;
            const double v = ovsim::integritySample(16, scan);
            std::snprintf(cell, sizeof cell, "%4.20lf, ", t);
            expected += cell;
            std::snprintf(cell, sizeof cell, "%4.20lf, ", v);
            expected += cell;
            expected += "\r\n";
        }
        QCOMPARE(readAll(file), expected);
        QCOMPARE(rig.p.bytesWritten.load(), 50.0 * (2 * 27 + 2));
    }

    // Without a path nothing is opened and no writer runs; the ring still
    // turns and the display is fed.
    void runWithoutRecording()
    {
        Rig rig;
        QVERIFY(rig.open());
        QVERIFY(rig.prepare(0x1, kScans, kRate, std::string(), 0));
        QVERIFY(rig.start(kRate, kScans));
        advanceBlocks(40);
        QCOMPARE(rig.p.head.load(), 40 % 16);
        std::vector<double> shown(kScans);
        int64_t index = -1;
        QCOMPARE(contTakeDisplayBlock(rig.p, shown.data(), &index), DisplayTake::New);
        QCOMPARE(rig.stop(), std::string());
        QVERIFY(!rig.p.writerFuture.launched);
        QCOMPARE(rig.p.bytesWritten.load(), 0.0);
    }

    // With a refresh much longer than a block, each tick shows the first
    // block completed after the previous tick, and says so with its index.
    void displayHandOff()
    {
        Rig rig;
        QVERIFY(rig.open());
        QVERIFY(rig.prepare(0x5, kScans, kRate, std::string(), 0));
        std::vector<double> shown(2 * kScans);
        int64_t index = -1;
        QCOMPARE(contTakeDisplayBlock(rig.p, shown.data(), &index), DisplayTake::None);
        QVERIFY(rig.start(kRate, kScans));
        advanceBlocks(5);
        QCOMPARE(contTakeDisplayBlock(rig.p, shown.data(), &index), DisplayTake::New);
        QCOMPARE(index, int64_t(0));
        QCOMPARE(shown[0], ovsim::integritySample(1, 0));
        QCOMPARE(shown[kScans], ovsim::integritySample(3, 0));
        QCOMPARE(contTakeDisplayBlock(rig.p, shown.data(), &index), DisplayTake::Same);
        advanceBlocks(3);
        QCOMPARE(contTakeDisplayBlock(rig.p, shown.data(), &index), DisplayTake::New);
        QCOMPARE(index, int64_t(5));
        QCOMPARE(shown[kScans + 7], ovsim::integritySample(3, 5 * kScans + 7));
        QCOMPARE(rig.stop(), std::string());
    }

    // A writer held up while 15 blocks wait loses nothing. A longer stall
    // (the 16th block waiting fills the ring) makes the callback wait and
    // give up with "Timeout"; the file keeps whole, consecutive blocks and
    // the display goes on.
    void writerStall_data()
    {
        QTest::addColumn<uint32_t>("mask");
        QTest::addColumn<int>("waiting");
        QTest::newRow("short stall loses nothing") << 0x3u << 14;
        QTest::newRow("long stall times out") << 0x1u << 17;
    }
    void writerStall()
    {
        QFETCH(uint32_t, mask);
        QFETCH(int, waiting);
        SlowFile slow; // outlives the rig, whose writer writes into it
        Rig rig;
        QVERIFY(rig.open());
        OpenAtEnd openAtEnd{slow};
        QVERIFY(rig.prepare(mask, kScans, kRate, std::string(), 0, slow.open()));
        QVERIFY(rig.start(kRate, kScans));
        advanceBlocks(2);
        QVERIFY(rig.drained());
        slow.hold();
        advanceBlocks(1);
        QVERIFY(slow.waitInside());
        advanceBlocks(waiting);
        if (waiting < 15) {
            QCOMPARE(rig.p.blocksRead.load(), int64_t(17));
            slow.release();
            QVERIFY(rig.drained());
            advanceBlocks(3);
            QVERIFY(rig.drained());
            QCOMPARE(rig.stop(), std::string());
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(!rig.p.running.load(), 30000);
            QCOMPARE(contErrorText(rig.p), std::string(kContTimeoutText));
            advanceBlocks(3);
            std::vector<double> shown(kScans);
            int64_t index = -1;
            QVERIFY(contTakeDisplayBlock(rig.p, shown.data(), &index) != DisplayTake::None);
            const int64_t before = rig.p.blocksRead.load();
            advanceBlocks(2);
            QVERIFY(rig.p.blocksRead.load() > before); // still streaming for the display
            slow.release();
            QCOMPARE(rig.stop(), std::string(kContTimeoutText));
        }
        VERIFY_SEQUENCE(c, binarySamples(slow.content()), rig.channels, kScans);
        if (waiting < 15)
            QCOMPARE(c.blocks, 20L);
        else
            QVERIFY(c.blocks >= 3 && c.blocks <= 18);
    }

    // A full disk: "Disk write failed!" and nothing hangs.
    void diskFull()
    {
        Rig rig;
        QVERIFY(rig.open());
        QVERIFY(rig.prepare(0x3, kScans, kRate, "/dev/full", 0));
        QVERIFY(rig.start(kRate, kScans));
        advanceBlocks(3);
        QTRY_VERIFY_WITH_TIMEOUT(!rig.p.running.load(), 5000);
        advanceBlocks(20); // the stream goes on for the display
        QCOMPARE(rig.stop(), std::string(kContDiskFailedText));
        QVERIFY(rig.p.file == nullptr);
    }

    // A disk that fills in the middle of a block: the file is cut back to
    // whole blocks. The size limit of the process stands for the full disk.
    void diskFillsInsideABlock()
    {
        Rig rig;
        QVERIFY(rig.open());
        const std::string file = path("full.bin7931");
        QVERIFY(rig.prepare(0x3, kScans, kRate, file, 0));
        const size_t header = binaryHeaderText(Rig::setupFor(0x3, kScans, kRate)).size();
        struct rlimit old;
        getrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = rlim_t(header + 2 * 2 * kScans * 8 + 500); // two and a bit blocks
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        QVERIFY(rig.start(kRate, kScans));
        advanceBlocks(5);
        QTRY_VERIFY_WITH_TIMEOUT(!rig.p.running.load(), 5000);
        const std::string error = rig.stop();
        setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(error, std::string(kContDiskFailedText));
        VERIFY_SEQUENCE(c, binarySamples(readAll(file)), rig.channels, kScans);
        QCOMPARE(c.blocks, 2L);
    }

    // A failed read in the callback: the text at the stop, the file ends
    // with the blocks before it. The failed block still goes to the display
    // (all NaN: the read delivered nothing) and the ring moves on; the
    // display goes on with later blocks.
    void readFailure()
    {
        Rig rig;
        QVERIFY(rig.open());
        ovsim::scheduleReadError(3, ov8263_ERROR_HARDWARE);
        char message[1024] = {};
        ov8263_error_message(rig.vi, ov8263_ERROR_HARDWARE, message);
        const std::string file = path("readerror.bin7931");
        QVERIFY(rig.prepare(0x1, kScans, kRate, file, 0));
        QVERIFY(rig.start(kRate, kScans));
        for (int i = 0; i < 3; ++i) {
            advanceBlocks(1);
            QVERIFY(rig.drained());
        }
        std::vector<double> shown(kScans);
        int64_t index = -1;
        QCOMPARE(contTakeDisplayBlock(rig.p, shown.data(), &index), DisplayTake::New);
        advanceBlocks(1);
        QVERIFY(!rig.p.running.load());
        QCOMPARE(rig.p.head.load(), 4);
        QCOMPARE(contTakeDisplayBlock(rig.p, shown.data(), &index), DisplayTake::New);
        QCOMPARE(index, int64_t(3));
        QVERIFY(std::isnan(shown[0]) && std::isnan(shown[kScans - 1]));
        advanceBlocks(4);
        QCOMPARE(rig.p.head.load(), 8);
        QCOMPARE(contTakeDisplayBlock(rig.p, shown.data(), &index), DisplayTake::New);
        QCOMPARE(index, int64_t(4));
        QCOMPARE(shown[0], ovsim::integritySample(1, 4 * kScans));
        QCOMPARE(rig.p.shortBlocks.load(), int64_t(0)); // a failed read is told as failed, not as short
        QCOMPARE(rig.stop(), "ov8263_readMultAcquisitionEx failed due to [" + std::string(message) + "]");
        VERIFY_SEQUENCE(c, binarySamples(readAll(file)), rig.channels, kScans);
        QCOMPARE(c.blocks, 3L);
    }

    // A short read packs `count` scans per channel with `count` as the
    // stride; laid out again, each channel starts at its own segment and its
    // missing scans are NaN. Counts outside 0..scans stay inside the block.
    void shortReadLayout_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("scans");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("kept");
        QTest::newRow("nothing delivered") << 3 << 10 << 0 << 0;
        QTest::newRow("whole block") << 3 << 10 << 10 << 10;
        QTest::newRow("in between") << 3 << 10 << 7 << 7;
        QTest::newRow("one channel") << 1 << 10 << 4 << 4;
        QTest::newRow("16 channels, one scan short") << 16 << 50 << 49 << 49;
        QTest::newRow("16 channels, one scan delivered") << 16 << 50 << 1 << 1;
        QTest::newRow("count above scans") << 3 << 10 << 11 << 10;
        QTest::newRow("negative count") << 3 << 10 << -5 << 0;
    }
    void shortReadLayout()
    {
        QFETCH(int, channels);
        QFETCH(int, scans);
        QFETCH(int, count);
        QFETCH(int, kept);
        const size_t size = size_t(channels) * size_t(scans);
        std::vector<double> buffer(size + 8, -1.0); // a guard after the block
        for (int k = 0; k < channels; ++k)
            for (int s = 0; s < kept; ++s)
                buffer[size_t(k) * size_t(kept) + size_t(s)] = k * 1000 + s; // as the driver packs them
        QCOMPARE(layOutShortRead(buffer.data(), size_t(channels), scans, count), kept);
        for (int k = 0; k < channels; ++k)
            for (int s = 0; s < scans; ++s) {
                const double v = buffer[size_t(k) * size_t(scans) + size_t(s)];
                if (s < kept)
                    QCOMPARE(v, double(k * 1000 + s));
                else
                    QVERIFY2(std::isnan(v), qPrintable(QStringLiteral("channel %1 scan %2: %3").arg(k).arg(s).arg(v)));
            }
        for (size_t i = size; i < buffer.size(); ++i)
            QCOMPARE(buffer[i], -1.0);
    }

    // A FIFO that overflows while a callback is late: the read after it
    // comes short. Every channel's samples stay in its own segment, the
    // missing scans are NaN in the display and the file, the block is
    // counted, and the file's blocks are otherwise those read, in order.
    void shortReadFromAnOverflowingFifo()
    {
        QVERIFY(loadFifoScenario(3 * kScans)); // room for one block of channels 1, 2, 5
        ovsim::setIntegrityMode(true);
        ovsim::setManualClock(true);
        ovsim::scheduleStall(2, 0.3 * kBlockSeconds);
        Rig rig;
        QVERIFY(rig.open());
        const std::string file = path("short.bin7931");
        QVERIFY(rig.prepare(0x0013, kScans, kRate, file, 0));
        QVERIFY(rig.start(kRate, kScans));
        // Block 2 is read 0.3 blocks late: 30 scans are lost to the full
        // FIFO, and block 3 then finds only 70 scans.
        for (double step : {1.0, 1.0, 1.3}) {
            ovsim::advanceClock(step * kBlockSeconds);
            QVERIFY(rig.drained());
        }
        std::vector<double> shown(3 * kScans);
        int64_t index = -1;
        QCOMPARE(contTakeDisplayBlock(rig.p, shown.data(), &index), DisplayTake::New);
        QCOMPARE(rig.p.shortBlocks.load(), int64_t(0));
        ovsim::advanceClock(0.7 * kBlockSeconds);
        QVERIFY(rig.drained());
        QCOMPARE(rig.p.shortBlocks.load(), int64_t(1));
        QCOMPARE(contTakeDisplayBlock(rig.p, shown.data(), &index), DisplayTake::New);
        QCOMPARE(index, int64_t(3));
        ovsim::advanceClock(kBlockSeconds);
        QVERIFY(rig.drained());
        QCOMPARE(rig.stop(), std::string());
        QCOMPARE(rig.p.blocksRead.load(), int64_t(5));

        const std::vector<double> data = binarySamples(readAll(file));
        QCOMPARE(data.size(), size_t(5 * 3 * kScans));
        const int64_t first[5] = {0, 100, 230, 330, 400};
        for (int b = 0; b < 5; ++b)
            for (int k = 0; k < 3; ++k)
                for (int s = 0; s < kScans; ++s) {
                    const double v = data[size_t(b * 3 + k) * kScans + size_t(s)];
                    const double want = ovsim::integritySample(rig.channels[k], first[b] + s);
                    if (b != 3) {
                        QCOMPARE(v, want);
                        continue;
                    }
                    const double seen = shown[size_t(k) * kScans + size_t(s)];
                    if (s < 70)
                        QVERIFY(v == want && seen == want);
                    else
                        QVERIFY2(std::isnan(v) && std::isnan(seen), qPrintable(QString::number(s)));
                }
    }

    // A read that fails while the writer is inside a block: that block is
    // finished, nothing after it is written (neither the blocks waiting in
    // the ring nor the failed one published after them).
    void readFailureWhileWriting()
    {
        SlowFile slow; // outlives the rig, whose writer writes into it
        Rig rig;
        QVERIFY(rig.open());
        OpenAtEnd openAtEnd{slow};
        ovsim::scheduleReadError(3, ov8263_ERROR_HARDWARE);
        QVERIFY(rig.prepare(0x1, kScans, kRate, std::string(), 0, slow.open()));
        QVERIFY(rig.start(kRate, kScans));
        advanceBlocks(1);
        QVERIFY(rig.drained());
        slow.hold();
        advanceBlocks(1);
        QVERIFY(slow.waitInside());
        advanceBlocks(2);
        QCOMPARE(rig.p.head.load(), 4);
        QVERIFY(!rig.p.running.load());
        slow.release();
        QVERIFY(!rig.stop().empty());
        VERIFY_SEQUENCE(c, binarySamples(slow.content()), rig.channels, kScans);
        QCOMPARE(c.blocks, 2L);
    }

    // The error box shows the reason set last.
    void lastReasonIsKept()
    {
        contParams_t p;
        setContError(p, kContDiskFailedText);
        setContError(p, kContTimeoutText);
        QCOMPARE(contErrorText(p), std::string(kContTimeoutText));
    }

    // The callbacks stop coming: the stop ends after at most 2 s of waiting
    // and frees everything.
    void callbacksStopArriving()
    {
        ovsim::setManualClock(false);
        Rig rig;
        QVERIFY(rig.open());
        ovsim::scheduleStall(3, 1e6);
        const std::string file = path("silent.bin7931");
        QVERIFY(rig.prepare(0x1, 50, 5000.0, file, 0));
        QVERIFY(rig.start(5000.0, 50));
        QTRY_COMPARE_WITH_TIMEOUT(rig.p.blocksRead.load(), int64_t(3), 5000);
        const auto t0 = std::chrono::steady_clock::now();
        QCOMPARE(rig.stop(), std::string());
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        QVERIFY2(seconds < 2.5, qPrintable(QString::number(seconds)));
        QVERIFY(!rig.p.callbackAcknowledged.load());
        QVERIFY(rig.p.displayBlock == nullptr && rig.p.blocks[0] == nullptr);
        VERIFY_SEQUENCE(c, binarySamples(readAll(file)), rig.channels, 50);
    }

    // No memory for the ring: the error text, and nothing left allocated.
    void allocationFailure()
    {
        contParams_t p;
        QVERIFY(!contPrepare(p, 0xFFFF, 10000, 0, 1000));
        QCOMPARE(contErrorText(p), std::string(kContNoMemoryText));
        QVERIFY(p.displayBlock == nullptr);
        for (double *b : p.blocks)
            QVERIFY(b == nullptr);
        QVERIFY(contPrepare(p, 0x1, 10, 0));
        QCOMPARE(contErrorText(p), std::string());
        QVERIFY(p.displayBlock != nullptr && p.blocks[15] != nullptr);
        QVERIFY(contFreeBuffers(p));
    }

    void unwritablePath()
    {
        Rig rig;
        QVERIFY(!rig.prepare(0x1, 10, 1000.0, path("missing/dir/x.bin7931"), 0));
        QVERIFY(rig.p.file == nullptr);
        QVERIFY(contFreeBuffers(rig.p));
    }

    // Thousands of small blocks in real time against a writer whose disk
    // answers late at random, so that the ring runs full and empty over and
    // over: every block reaches the file once, in order.
    void ringUnderRandomWriterDelays()
    {
        ovsim::setManualClock(false);
        SlowFile slow; // outlives the rig, whose writer writes into it
        Rig rig;
        QVERIFY(rig.open());
        slow.jitterUs = 8000; // up to 40 blocks' time
        QVERIFY(rig.prepare(0x8001, 10, 50000.0, std::string(), 0, slow.open()));
        QVERIFY(rig.start(50000.0, 10)); // 5000 blocks a second
        QTRY_VERIFY_WITH_TIMEOUT(rig.p.blocksRead.load() >= 2000, 20000);
        rig.p.callbackEnabled.store(false);
        contAwaitCallbackAcknowledge(rig.p);
        QVERIFY(rig.drained(20000));
        const int64_t read = rig.p.blocksRead.load();
        QCOMPARE(rig.stop(), std::string());
        VERIFY_SEQUENCE(c, binarySamples(slow.content()), rig.channels, 10);
        QCOMPARE(int64_t(c.blocks), read);
    }

    // Quick stops and starts, each with its own recording: every file whole
    // and consecutive. Real time, sped up, so that stops fall anywhere.
    void stopAndStartFiftyTimes()
    {
        ovsim::setManualClock(false);
        ovsim::setClockSpeed(5.0);
        Rig rig;
        QVERIFY(rig.open());
        long recorded = 0;
        for (int run = 0; run < 50; ++run) {
            const std::string file = path(("run" + std::to_string(run) + ".bin7931").c_str());
            QVERIFY(rig.prepare(0x0F0F, 20, 50000.0, file, run % 5 == 4 ? 1 : 0));
            QVERIFY(rig.start(50000.0, 20));
            std::this_thread::sleep_for(std::chrono::microseconds(200 * (run % 7)));
            QCOMPARE(rig.stop(), std::string());
            if (run % 5 == 4)
                continue; // CSV runs: checked by csvRecordingInSequenceMode
            SequenceCheck c = checkSequenceBlocks(binarySamples(readAll(file)), rig.channels, 20);
            QVERIFY2(c.whole && c.consecutive, (std::to_string(run) + ": " + c.why).c_str());
            recorded += c.blocks;
        }
        QVERIFY(recorded > 0);
    }
};

QTEST_GUILESS_MAIN(TestContStream)
#include "test_contStream.moc"
