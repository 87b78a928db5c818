// The continuous-acquisition core against the simulated digitizer: a
// binary recording checked sample by sample in sequence mode, the faults a
// run must survive as one table (stalled writer, full disk, read failure,
// callbacks that stop, short reads), the short-read layout, no memory, and
// recordings cut off at any moment that must still open.
#include "batchPolicy.h"
#include "recordingReader.h"
#include "shortRead.h"
#include "stream_rig.h"

#include <QTemporaryDir>
#include <QtTest>

#include <condition_variable>
#include <csignal>
#include <sched.h>
#include <thread>
#include <sys/resource.h>

using namespace streamtest;

namespace {

// A FILE whose writes go to memory and can be held at a gate (a stalled
// disk).
struct SlowFile {
    std::mutex m;
    std::condition_variable cv;
    bool gateOpen = true, insideWrite = false;
    std::string bytes;

    static ssize_t write(void *cookie, const char *buf, size_t size)
    {
        auto *f = static_cast<SlowFile *>(cookie);
        std::unique_lock<std::mutex> lk(f->m);
        f->insideWrite = true;
        f->cv.notify_all();
        f->cv.wait(lk, [f] { return f->gateOpen; });
        f->insideWrite = false;
        f->bytes.append(buf, size);
        return ssize_t(size);
    }
    std::FILE *open() { return fopencookie(this, "wb", {nullptr, &SlowFile::write, nullptr, nullptr}); }
    void gate(bool open)
    {
        std::lock_guard<std::mutex> lk(m);
        gateOpen = open;
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

constexpr double kRate = 10000.0;
constexpr int32_t kScans = 100;

void advanceBlocks(double n) { ovsim::advanceClock(n * kScans / kRate); }

constexpr uint32_t kCutMask = 0x8025; // channels 1, 3, 6 and 16
constexpr int32_t kCutScans = 2000;  // 64000-byte blocks: larger than a stdio buffer

} // namespace

class TestContStream : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    rlimit fileSizeLimit{};
    std::unique_ptr<SlowFile> slow; // outlives the rig, whose writer writes into it
    std::unique_ptr<Rig> rig;
    std::vector<double> shown = std::vector<double>(3 * kScans);

    std::string path(const char *name) { return dir.filePath(name).toStdString(); }
    // The block the display takes now: its index, -2 for the same as before, -1 for none.
    int64_t take()
    {
        int64_t index = -1;
        const DisplayTake t = contTakeDisplayBlock(rig->p, shown.data(), &index);
        return t == DisplayTake::New ? index : t == DisplayTake::Same ? -2 : -1;
    }

private slots:
    void initTestCase()
    {
        getrlimit(RLIMIT_FSIZE, &fileSizeLimit);
        std::signal(SIGXFSZ, SIG_IGN);
    }
    void init()
    {
        ovsim::reset();
        ovsim::setIntegrityMode(true);
        ovsim::setManualClock(true);
        slow.reset(new SlowFile);
        rig.reset(new Rig);
        QVERIFY(rig->open());
    }
    void cleanup()
    {
        slow->gate(true);
        rig.reset();
        ovsim::reset();
        setrlimit(RLIMIT_FSIZE, &fileSizeLimit);
    }

    // Blocks reach the file whole, in order, none lost or doubled; the
    // temperature channel is converted in place, the others are as read.
    void binaryRecording()
    {
        rig->p.toCelsius = [](int sensorCode, double ohms) { return ohms * 0.5 + sensorCode; };
        rig->p.measurementKind[1] = 2; // channel 2: temperature, PT-500
        rig->p.sensorCode[1] = 1;
        rig->p.measurementKind[4] = 1; // channel 5: resistance
        const std::string file = path("seq.bin7931");
        // Channels 1, 2 and 5.
        QVERIFY(rig->prepare(Rig::setupFor(0x0013, kScans, kRate), file, 0) && rig->start() && rig->advance(30));
        QCOMPARE(rig->stop(), std::string());
        QCOMPARE(rig->p.blocksRead.load(), int64_t(30));
        const std::string header = binaryHeaderText(Rig::setupFor(0x13, kScans, kRate)), bytes = readAll(file);
        const std::vector<double> data = binarySamples(bytes);
        QCOMPARE(bytes.substr(0, header.size()), header);
        VERIFY_SEQUENCE(c, data, rig->channels, kScans, {false, true, false});
        QCOMPARE(c.blocks, 30L);
        for (size_t i = 0; i < 30 * 300; ++i)
            if (i % 300 / 100 == 1)
                QCOMPARE(data[i], ovsim::integritySample(2, int64_t(i / 300 * 100 + i % 100)) * 0.5 + 1);
        QCOMPARE(rig->p.bytesWritten.load(), 30.0 * 300 * 8);
        QVERIFY(rig->p.displayBlock == nullptr && rig->p.blocks[0] == nullptr && rig->p.blocks[15] == nullptr);
    }

    // Each fault: the run's error text at the stop and the whole,
    // consecutive blocks the file keeps. A stalled writer with 15 blocks
    // waiting loses nothing; one more fills the ring, and the callback gives
    // up with "Timeout" while the display goes on. A full disk stops the
    // writer, the stream goes on; a disk full inside a block leaves the file
    // cut back to whole blocks. A failed read: the blocks before it, the
    // failed block shown all NaN and the display going on; if the writer is
    // inside a block then, nothing after that block. Silent callbacks: the
    // stop ends, unacknowledged, and frees everything. A short read: see below.
    void faults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<uint>("mask");
        QTest::addColumn<QString>("error"); // "read": the failed read's text
        QTest::addColumn<int>("blocks");    // -1: from 3 to 18
        QTest::newRow("short writer stall") << "stall" << 0x3u << "" << 20;
        QTest::newRow("long writer stall") << "longStall" << 0x1u << kContTimeoutText << -1;
        QTest::newRow("full disk") << "full" << 0x3u << kContDiskFailedText << 0;
        QTest::newRow("disk fills inside a block") << "fileSize" << 0x3u << kContDiskFailedText << 2;
        QTest::newRow("read failure") << "read" << 0x1u << "read" << 3;
        QTest::newRow("read failure while writing") << "readWhileWriting" << 0x1u << "read" << 2;
        QTest::newRow("callbacks stop arriving") << "silent" << 0x1u << "" << 3;
        QTest::newRow("short read from an overflowing FIFO") << "short" << 0x13u << "" << 5;
    }
    void faults()
    {
        QFETCH(QString, fault);
        QFETCH(uint, mask);
        QFETCH(QString, error);
        QFETCH(int, blocks);
        if (fault == "short") {
            rig.reset();
            QVERIFY(loadFifoScenario(3 * kScans)); // room for one block of channels 1, 2, 5
            ovsim::setIntegrityMode(true);
            ovsim::scheduleStall(2, 0.3 * kScans / kRate);
            rig.reset(new Rig);
            QVERIFY(rig->open());
        }
        ovsim::setManualClock(fault != "silent");
        if (fault == "silent")
            ovsim::scheduleStall(3, 1e6);
        if (error == "read")
            ovsim::scheduleReadError(3, ov8263_ERROR_HARDWARE);
        const bool slowDisk = fault.contains("tall") || fault == "readWhileWriting";
        const std::string file = fault == "full" ? "/dev/full" : path("fault.bin7931");
        QVERIFY(rig->prepare(Rig::setupFor(mask, kScans, kRate), file, 0, slowDisk ? slow->open() : nullptr));
        rlimit small = fileSizeLimit; // two blocks and a bit: the process's size limit stands for the disk
        small.rlim_cur = rlim_t(binaryHeaderText(Rig::setupFor(mask, kScans, kRate)).size() + 2 * 1600 + 500);
        QVERIFY(fault != "fileSize" || setrlimit(RLIMIT_FSIZE, &small) == 0);
        QVERIFY(rig->start());
        if (slowDisk) {
            QVERIFY(rig->advance(fault == "readWhileWriting" ? 1 : 2));
            slow->gate(false);
            advanceBlocks(1);
            QVERIFY(slow->waitInside());
            advanceBlocks(fault == "stall" ? 14 : fault == "longStall" ? 17 : 2);
        }
        if (fault == "stall") {
            QCOMPARE(rig->p.blocksRead.load(), int64_t(17));
            slow->gate(true);
            QVERIFY(rig->drained() && rig->advance(3));
        } else if (fault == "longStall") {
            QTRY_VERIFY_WITH_TIMEOUT(!rig->p.running.load(), 30000);
            QCOMPARE(contErrorText(rig->p), std::string(kContTimeoutText));
            advanceBlocks(3);
            QVERIFY(take() >= 0);
            const int64_t before = rig->p.blocksRead.load();
            advanceBlocks(2);
            QVERIFY(rig->p.blocksRead.load() > before); // still streaming for the display
        } else if (fault == "full" || fault == "fileSize") {
            advanceBlocks(fault == "full" ? 3 : 5);
            QTRY_VERIFY_WITH_TIMEOUT(!rig->p.running.load(), 5000);
            advanceBlocks(20);
        } else if (fault == "readWhileWriting") {
            QVERIFY(rig->p.head.load() == 4 && !rig->p.running.load());
        } else if (fault == "read") {
            QVERIFY(rig->advance(3));
            QCOMPARE(take(), int64_t(0));
            advanceBlocks(1);
            QVERIFY(rig->p.head.load() == 4 && !rig->p.running.load());
            QCOMPARE(take(), int64_t(3));
            QVERIFY(std::isnan(shown[0]) && std::isnan(shown[kScans - 1]));
            advanceBlocks(4);
            QCOMPARE(rig->p.head.load(), 8);
            QCOMPARE(take(), int64_t(4));
            QCOMPARE(shown[0], ovsim::integritySample(1, 4 * kScans));
            QCOMPARE(rig->p.shortBlocks.load(), int64_t(0)); // a failed read is told as failed, not as short
        } else if (fault == "silent") {
            QTRY_COMPARE_WITH_TIMEOUT(rig->p.blocksRead.load(), int64_t(3), 5000);
        } else if (fault == "short") {
            // Block 2 is read 0.3 blocks late: 30 scans are lost to the full
            // FIFO, and block 3 then finds only 70 scans.
            QVERIFY(rig->advance(2) && rig->advance(1, 1.3));
            QVERIFY(take() >= 0 && rig->p.shortBlocks.load() == 0);
            QVERIFY(rig->advance(1, 0.7));
            QCOMPARE(rig->p.shortBlocks.load(), int64_t(1));
            QCOMPARE(take(), int64_t(3));
            QVERIFY(rig->advance(1));
        }
        slow->gate(true);
        const std::string stopped = rig->stop();
        char message[1024] = {};
        ov8263_error_message(rig->vi, ov8263_ERROR_HARDWARE, message);
        QCOMPARE(QString::fromStdString(stopped),
                 error == "read" ? "ov8263_readMultAcquisitionEx failed due to [" + QString(message) + "]" : error);
        QVERIFY(fault != "full" || rig->p.file == nullptr);
        if (fault == "silent") {
            QVERIFY(!rig->p.callbackAcknowledged.load());
            QVERIFY(rig->p.displayBlock == nullptr && rig->p.blocks[0] == nullptr);
        }
        const std::vector<double> data = binarySamples(slowDisk ? slow->content() : fault == "full" ? "" : readAll(file));
        if (fault == "short") {
            // Every channel's samples stay in its own segment; the missing
            // scans are NaN in the display and the file, the block is
            // counted, and the file's blocks are otherwise those read, in order.
            QCOMPARE(rig->p.blocksRead.load(), int64_t(5));
            QCOMPARE(data.size(), size_t(5 * 3 * kScans));
            const int64_t first[5] = {0, 100, 230, 330, 400};
            for (size_t i = 0; i < data.size(); ++i) {
                const int b = int(i / 300), k = int(i % 300 / 100), s = int(i % 100);
                const double want = ovsim::integritySample(rig->channels[size_t(k)], first[b] + s),
                             seen = b == 3 ? shown[i % 300] : want;
                if (b == 3 && s >= 70)
                    QVERIFY2(std::isnan(data[i]) && std::isnan(seen), qPrintable(QString::number(s)));
                else
                    QVERIFY(data[i] == want && seen == want);
            }
            return;
        }
        VERIFY_SEQUENCE(c, data, rig->channels, kScans);
        QVERIFY2(blocks >= 0 ? c.blocks == blocks : c.blocks >= 3 && c.blocks <= 18, qPrintable(QString::number(c.blocks)));
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
        QTest::newRow("16 channels, one scan short") << 16 << 50 << 49 << 49;
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
        for (size_t i = 0; i < buffer.size(); ++i) {
            const int k = int(i) / scans, s = int(i) % scans;
            const double v = buffer[i], want = i >= size ? -1.0 : s < kept ? k * 1000 + s : std::nan("");
            QVERIFY2(v == want || (std::isnan(v) && std::isnan(want)), qPrintable(QString("%1: %2").arg(i).arg(v)));
        }
    }

    // No memory for the ring: the error text, and nothing left allocated; an
    // unwritable path opens nothing; the error box shows the reason set last.
    void setUpFailures()
    {
        contParams_t p;
        QVERIFY(!contPrepare(p, 0xFFFF, 10000, 0, 1000));
        QCOMPARE(contErrorText(p), std::string(kContNoMemoryText));
        QVERIFY(std::all_of(std::begin(p.blocks), std::end(p.blocks), [](double *b) { return b == nullptr; }));
        QVERIFY(p.displayBlock == nullptr);
        QVERIFY(contPrepare(p, 0x1, 10, 0));
        QCOMPARE(contErrorText(p), std::string());
        QVERIFY(p.displayBlock != nullptr && p.blocks[15] != nullptr && contFreeBuffers(p));
        setContError(p, kContDiskFailedText);
        setContError(p, kContTimeoutText);
        QCOMPARE(contErrorText(p), std::string(kContTimeoutText));
        QVERIFY(!rig->prepare(Rig::setupFor(0x1, kScans, kRate), path("missing/dir/x.bin7931"), 0));
        QVERIFY(rig->p.file == nullptr && contFreeBuffers(rig->p));
    }

    // The batch policy is taken and given back only by a thread under the
    // normal one; an idle thread stays idle.
    void batchPolicy()
    {
        const auto policyAfter = [](int start) {
            int during = -1, after = -1;
            std::thread([&] {
                const sched_param none{};
                pthread_setschedparam(pthread_self(), start, &none);
                BatchPolicy batch;
                batch.enter();
                during = sched_getscheduler(0);
                batch.leave();
                after = sched_getscheduler(0);
            }).join();
            return std::make_pair(during, after);
        };
        QCOMPARE(policyAfter(SCHED_OTHER), std::make_pair(SCHED_BATCH, SCHED_OTHER));
        QCOMPARE(policyAfter(SCHED_IDLE), std::make_pair(SCHED_IDLE, SCHED_IDLE));
    }

    // A recording read while it is written, as a SIGKILL at that moment
    // would leave it (what the writer has handed to the kernel), opens: its
    // header is whole, and every block the reader offers holds the scans it
    // should, in order.
    void recordingCutAnywhereOpens()
    {
        ovsim::setManualClock(false);
        ovsim::setClockSpeed(20.0); // 200 blocks a second
        const std::string file = path("cut.bin7931");
        const size_t header = binaryHeaderText(Rig::setupFor(kCutMask, kCutScans, 20000.0)).size();
        QVERIFY(rig->prepare(Rig::setupFor(kCutMask, kCutScans, 20000.0), file, 0) && rig->start());
        for (int k = 0; k < 3; ++k) {
            std::this_thread::sleep_for(std::chrono::milliseconds(15 * k));
            recordingInfo info; // the file as it is now, as a kill would leave it
            QVERIFY(readRecordingHeader(file, info, nullptr) == 0 && info.headerLength == header);
            std::vector<double> data(size_t(info.blockCount * info.blockLength / sizeof(double)));
            for (uint64_t b = 0; b < info.blockCount; ++b)
                QCOMPARE(readRecordingBlock(info, data.data() + b * info.blockLength / sizeof(double), b), 1);
            VERIFY_SEQUENCE(c, data, {1, 3, 6, 16}, kCutScans);
        }
        QCOMPARE(rig->stop(), std::string());
    }
};

QTEST_GUILESS_MAIN(TestContStream)
#include "test_contStream.moc"
