// The overview of a recording and its reading: block summaries and group
// extremes against extremes computed here sample by sample (a spike and a
// dip in one block each, NaN samples and stretches of NaN only, 4-byte
// samples, chunks that cut blocks anywhere); the columns a picture shows
// and the block a click on a column leads to; the reading thread handing
// over its groups, stopping at once when told, and failing on a file
// shorter than its header; a sparse recording beyond 4 GiB in constant
// memory.
#include "recording_files.h"
#include "recordingHeader.h"
#include "recordingOverviewTask.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <cmath>
#include <fstream>
#include <thread>

namespace {

constexpr double kSpike = 1e6, kDip = -1e6;

// What a test recording holds and where its events are.
struct Shape {
    uint64_t blocks = 0;
    int channels = 1, scans = 1;
    bool real64 = true;
    uint64_t spike = 0, dip = 0;     // channel 0's spike, the last channel's dip
    uint64_t nanFrom = 0, nanTo = 0; // blocks where the last channel holds NaN only
};

double valueAt(const Shape &s, uint64_t block, int seg, int scan)
{
    const int last = s.channels - 1;
    if (seg == last && block >= s.nanFrom && block < s.nanTo)
        return std::nan("");
    if (seg == 0 && block == s.spike && scan == s.scans / 2)
        return kSpike;
    if (seg == last && block == s.dip && scan == s.scans - 1)
        return kDip;
    if (seg == last && (block * 13 + uint64_t(scan)) % 7 == 0)
        return std::nan(""); // NaN samples here and there
    return (seg + 1) * 1000.0 + double((block * 7 + uint64_t(scan) * 3) % 101) - 50.0;
}

// Writes the recording and returns, block by block, each segment's
// summary computed sample by sample.
std::vector<SampleSummary> writeRecording(const std::string &path, const Shape &s)
{
    RecordingSetup setup;
    setup.device = "7931-BB";
    setup.samplingRate = 1000.0;
    setup.scansPerBlock = s.scans;
    for (int k = 0; k < s.channels; ++k) {
        setup.channelMask |= uint16_t(1u << k);
        setup.channels[k].sensorType = 4;
    }
    std::string header = binaryHeaderText(setup);
    if (!s.real64)
        header.erase(header.find("FORMAT=ViReal64\n"), 16);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << header;
    std::vector<SampleSummary> expected;
    for (uint64_t b = 0; b < s.blocks; ++b)
        for (int k = 0; k < s.channels; ++k) {
            SampleSummary e;
            for (int t = 0; t < s.scans; ++t) {
                const double v = valueAt(s, b, k, t);
                const float f = float(v);
                if (s.real64)
                    out.write(reinterpret_cast<const char *>(&v), sizeof v);
                else
                    out.write(reinterpret_cast<const char *>(&f), sizeof f);
                if (std::isnan(v)) {
                    ++e.nanCount;
                    continue;
                }
                const double x = s.real64 ? v : double(f);
                e.min = std::min(e.min, x);
                e.max = std::max(e.max, x);
                e.sum += x;
                ++e.count;
            }
            expected.push_back(e);
        }
    return expected;
}

int threadCount() { return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size()); }

// The process's peak resident size in KiB; reset() starts a new peak.
long peakKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Polls the task as the viewer's timer does until it ends (or `limitMs`).
RecordingOverviewTask::Progress pollToEnd(RecordingOverviewTask &task, OverviewGroups &groups, uint32_t &have,
                                          int limitMs = 60000)
{
    RecordingOverviewTask::Progress p;
    for (int waited = 0; waited < limitMs; waited += 5) {
        const uint32_t before = have;
        p = task.takeNew(groups, have);
        if (have < before)
            QTest::qFail("the groups read went back", __FILE__, __LINE__);
        if (p.state != RecordingOverviewTask::State::Reading)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return p;
}

Shape shapeOf(uint64_t blocks, int channels, int scans, bool real64, uint64_t spike, uint64_t dip, uint64_t nanFrom,
              uint64_t nanTo)
{
    Shape s;
    s.blocks = blocks;
    s.channels = channels;
    s.scans = scans;
    s.real64 = real64;
    s.spike = spike;
    s.dip = dip;
    s.nanFrom = nanFrom;
    s.nanTo = nanTo;
    return s;
}

} // namespace

Q_DECLARE_METATYPE(Shape)

class TestRecordingOverview : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::string path(const char *name) { return dir.filePath(name).toStdString(); }

private slots:
    void groupsMatchSampleBySample_data()
    {
        QTest::addColumn<Shape>("shape");
        QTest::addColumn<int>("chunk"); // bytes read at once
        QTest::newRow("124 blocks, one a group") << shapeOf(124, 3, 50, true, 77, 5, 0, 0) << int(kScanChunkBytes);
        QTest::newRow("10000 blocks in 4096 groups, NaN-only stretch")
            << shapeOf(10000, 2, 4, true, 6001, 9999, 300, 420) << int(kScanChunkBytes);
        QTest::newRow("4-byte samples") << shapeOf(5000, 3, 20, false, 4095, 0, 1000, 1100) << int(kScanChunkBytes);
        QTest::newRow("chunks of 3 samples cut every block") << shapeOf(900, 3, 7, true, 450, 899, 10, 30) << 24;
        QTest::newRow("blocks of 4 chunks, one channel") << shapeOf(300, 1, 1000, false, 299, 3, 100, 120) << 1000;
    }
    void groupsMatchSampleBySample()
    {
        QFETCH(Shape, shape);
        QFETCH(int, chunk);
        const std::string file = path("groups.bin7931");
        const std::vector<SampleSummary> expected = writeRecording(file, shape);
        recordingInfo info;
        QCOMPARE(readRecordingHeader(file, info, nullptr), 0);
        QCOMPARE(info.blockCount, shape.blocks);

        // Every block's summaries, and the groups built from them.
        OverviewBuilder builder(info.blockCount, info.numberOfChannels);
        OverviewGroups groups;
        groups.reset(info.blockCount, info.numberOfChannels);
        uint64_t next = 0;
        int mismatches = 0;
        const ScanResult r = scanRecording(
            info,
            [&](uint64_t index, const SampleSummary *s, int count) {
                mismatches += index != next++ || count != shape.channels;
                for (int k = 0; k < count && k < shape.channels; ++k) {
                    const SampleSummary &e = expected[size_t(index) * size_t(shape.channels) + size_t(k)];
                    mismatches += s[k].count != e.count || s[k].nanCount != e.nanCount ||
                                  (!e.empty() && (s[k].min != e.min || s[k].max != e.max ||
                                                  std::abs(s[k].sum - e.sum) > 1e-9 * std::abs(e.sum) + 1e-9));
                }
                if (builder.addBlock(index, s, count))
                    std::copy(builder.completed().begin(), builder.completed().end(),
                              groups.cells.begin() + std::ptrdiff_t(builder.completedGroup()) * shape.channels);
            },
            nullptr, size_t(chunk));
        QCOMPARE(r, ScanResult::Done);
        QCOMPARE(next, shape.blocks);
        QCOMPARE(mismatches, 0);

        // Groups are runs of neighbouring blocks of nearly equal length.
        const uint32_t G = groups.groups;
        QCOMPARE(uint64_t(G), std::min<uint64_t>(shape.blocks, kOverviewGroups));
        std::vector<uint64_t> sizes(G, 0);
        uint32_t previous = 0;
        for (uint64_t b = 0; b < shape.blocks; ++b) {
            const uint32_t g = groupOfBlock(b, shape.blocks, G);
            QVERIFY(g == previous || g == previous + 1);
            if (sizes[g]++ == 0)
                QCOMPARE(firstBlockOfGroup(g, shape.blocks, G), b);
            previous = g;
        }
        QCOMPARE(previous, G - 1);
        QCOMPARE(firstBlockOfGroup(G, shape.blocks, G), shape.blocks);
        QVERIFY(*std::max_element(sizes.begin(), sizes.end()) - *std::min_element(sizes.begin(), sizes.end()) <= 1);

        // Each group's extremes are those of its blocks' samples.
        int emptyGroups = 0, spikeGroups = 0, dipGroups = 0;
        for (uint64_t b = 0, first = 0; b < shape.blocks; first = ++b) {
            const uint32_t g = groupOfBlock(b, shape.blocks, G);
            while (b + 1 < shape.blocks && groupOfBlock(b + 1, shape.blocks, G) == g)
                ++b;
            for (int k = 0; k < shape.channels; ++k) {
                Extent want;
                for (uint64_t x = first; x <= b; ++x)
                    want.add(expected[size_t(x) * size_t(shape.channels) + size_t(k)], x);
                const Extent &got = groups.at(g, k);
                QCOMPARE(got.empty(), want.empty());
                emptyGroups += got.empty();
                if (got.empty())
                    continue;
                QCOMPARE(got.min, want.min);
                QCOMPARE(got.max, want.max);
                QCOMPARE(got.minBlock, want.minBlock);
                QCOMPARE(got.maxBlock, want.maxBlock);
                if (got.max >= kSpike) {
                    ++spikeGroups;
                    QCOMPARE(got.maxBlock, shape.spike);
                }
                if (got.min <= kDip) {
                    ++dipGroups;
                    QCOMPARE(got.minBlock, shape.dip);
                }
            }
        }
        QCOMPARE(spikeGroups, 1);
        QCOMPARE(dipGroups, 1);
        // A stretch of NaN longer than two groups empties at least one: a gap.
        QCOMPARE(emptyGroups > 0, shape.nanTo - shape.nanFrom > 2 * (shape.blocks / G + 1));
    }

    // The columns of a picture and where a click on one leads: one
    // segment shown with a spike, a dip, a jump or a fall in one block, a
    // second one not shown whose spike lies in the same column.
    void columnsLeadToTheBlock_data()
    {
        QTest::addColumn<quint64>("blocksColumn");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("event");
        QTest::addColumn<quint64>("atColumn");
        QTest::newRow("an hour of blocks, 1100 columns, spike") << quint64(18000) << 1100 << QStringLiteral("spike") << quint64(12345);
        QTest::newRow("an hour of blocks, spike in the last") << quint64(18000) << 1100 << QStringLiteral("spike") << quint64(17999);
        QTest::newRow("an hour of blocks, jump") << quint64(18000) << 1100 << QStringLiteral("jump") << quint64(9001);
        QTest::newRow("an hour of blocks, dip") << quint64(18000) << 1100 << QStringLiteral("dip") << quint64(4000);
        QTest::newRow("an hour of blocks, fall") << quint64(18000) << 1100 << QStringLiteral("fall") << quint64(9001);
        QTest::newRow("more blocks than groups, spike first") << quint64(1000000) << 1300 << QStringLiteral("spike") << quint64(0);
        QTest::newRow("fewer groups than columns, spike") << quint64(124) << 1100 << QStringLiteral("spike") << quint64(63);
        QTest::newRow("as many blocks as columns, jump") << quint64(1100) << 1100 << QStringLiteral("jump") << quint64(1099);
        QTest::newRow("nothing happens") << quint64(18000) << 1100 << QStringLiteral("flat") << quint64(0);
    }
    void columnsLeadToTheBlock()
    {
        QFETCH(quint64, blocksColumn);
        QFETCH(int, columns);
        QFETCH(QString, event);
        QFETCH(quint64, atColumn);
        const uint64_t blocks = blocksColumn, at = atColumn;
        OverviewBuilder builder(blocks, 2);
        OverviewGroups groups;
        groups.reset(blocks, 2);
        for (uint64_t b = 0; b < blocks; ++b) {
            SampleSummary s[2];
            const double v = (event == "spike" && b == at) || (event == "jump" && b >= at) ? 9.0
                             : (event == "dip" && b == at) || (event == "fall" && b >= at)  ? 1.0
                                                                                            : 5.0;
            summariseSamples(&v, 1, s[0]);
            const double hidden = b == (at + 1) % blocks ? 1e9 : 0.0;
            summariseSamples(&hidden, 1, s[1]);
            if (builder.addBlock(b, s, 2))
                std::copy(builder.completed().begin(), builder.completed().end(),
                          groups.cells.begin() + std::ptrdiff_t(builder.completedGroup()) * 2);
        }
        const OverviewColumns layout = layOutColumns(groups, groups.groups, columns);

        // The columns cover the blocks in order, every block in the
        // columns that show its group.
        QCOMPARE(layout.firstBlock.front(), uint64_t(0));
        QCOMPARE(layout.endBlock.back(), blocks);
        for (int c = 0; c < columns; ++c) {
            QVERIFY(layout.firstBlock[c] < layout.endBlock[c]);
            if (c + 1 < columns)
                QVERIFY(layout.firstBlock[c + 1] == layout.endBlock[c] ||
                        (groups.groups < uint32_t(columns) && layout.firstBlock[c + 1] == layout.firstBlock[c]));
        }
        for (uint32_t g = 0; g < groups.groups; ++g) {
            int first = 0, end = 0;
            columnsOfGroup(g, groups.groups, columns, first, end);
            QVERIFY(first < end && end <= columns);
            for (int c = first; c < end; ++c) {
                uint32_t gFirst = 0, gEnd = 0;
                groupsOfColumn(c, columns, groups.groups, gFirst, gEnd);
                QVERIFY(gFirst <= g && g < gEnd);
            }
        }

        const std::vector<double> weight{1.0 / 4.0, 0.0};
        int hits = 0;
        for (int c = 0; c < columns; ++c) {
            const double fraction = double(c) / (columns - 1);
            const uint64_t block = blockForColumn(layout, c, weight, fraction);
            QVERIFY(block >= layout.firstBlock[c] && block < layout.endBlock[c]);
            if (event != "flat" && at >= layout.firstBlock[c] && at < layout.endBlock[c]) {
                ++hits;
                QCOMPARE(block, at);
            }
            if (event == "flat" && (c == 0 || c == columns - 1))
                QCOMPARE(block, c == 0 ? uint64_t(0) : blocks - 1);
        }
        QCOMPARE(hits > 0, event != "flat");
    }

    // The thread hands over every group and ends; a file shorter than its
    // header makes it fail with the groups before kept.
    void taskReadsWholeOrFails()
    {
        const std::string file = path("task.bin7931");
        const Shape shape = shapeOf(9000, 2, 30, true, 8000, 10, 0, 0);
        writeRecording(file, shape);
        recordingInfo info;
        QCOMPARE(readRecordingHeader(file, info, nullptr), 0);
        const int threads = threadCount();
        OverviewGroups groups;
        uint32_t have = 0;
        {
            RecordingOverviewTask task(info);
            const RecordingOverviewTask::Progress p = pollToEnd(task, groups, have);
            QCOMPARE(p.state, RecordingOverviewTask::State::Done);
            QCOMPARE(p.blocksRead, shape.blocks);
            QCOMPARE(have, kOverviewGroups);
        }
        QCOMPARE(threadCount(), threads);
        const Extent &spike = groups.at(groupOfBlock(shape.spike, shape.blocks, kOverviewGroups), 0);
        QCOMPARE(spike.max, kSpike);
        QCOMPARE(spike.maxBlock, shape.spike);

        QVERIFY(::truncate(file.c_str(), off_t(info.headerLength + info.blockLength * 5000 + 8)) == 0);
        RecordingOverviewTask task(info);
        OverviewGroups part;
        have = 0;
        const RecordingOverviewTask::Progress p = pollToEnd(task, part, have);
        QCOMPARE(p.state, RecordingOverviewTask::State::Failed);
        QCOMPARE(p.blocksRead, uint64_t(5000));
        QCOMPARE(have, groupOfBlock(5000, shape.blocks, kOverviewGroups));
        QCOMPARE(part.at(have - 1, 1).min, groups.at(have - 1, 1).min);
    }

    // A sparse recording beyond 4 GiB: a task stopped while it reads ends
    // at once and leaves no thread; read whole, the last block's samples
    // land in the last group, and the process's peak memory grows by less
    // than 32 MiB.
    void sparseBeyond4GiBInConstantMemory()
    {
        const QString file = dir.filePath(QStringLiteral("big.bin7931"));
        const std::vector<rec::Channel> eight{{1}, {2}, {3}, {4}, {5}, {6}, {7}, {8}};
        const uint64_t blockLength = 8ull * 10000 * 8;
        const uint64_t blocks = (4ull << 30) / blockLength + 2;
        QVERIFY(rec::writeSparseRecording(file, rec::header("7931-BB", true, "50000.000000", 10000, eight), blocks,
                                          80000));
        recordingInfo info;
        QCOMPARE(readRecordingHeader(file.toStdString(), info, nullptr), 0);
        QCOMPARE(info.blockCount, blocks);
        const int threads = threadCount();

        OverviewGroups groups;
        uint32_t have = 0;
        {
            RecordingOverviewTask task(info);
            QTRY_VERIFY(task.takeNew(groups, have).blocksRead > 0);
            task.stop();
            const RecordingOverviewTask::Progress p = task.takeNew(groups, have);
            QCOMPARE(p.state, RecordingOverviewTask::State::Cancelled);
            QVERIFY(p.blocksRead < blocks);
        }
        QCOMPARE(threadCount(), threads);

        resetPeak();
        const long before = peakKiB();
        QVERIFY(before > 0);
        RecordingOverviewTask task(info);
        have = 0;
        QCOMPARE(pollToEnd(task, groups, have, 120000).state, RecordingOverviewTask::State::Done);
        const long grown = peakKiB() - before;
        qInfo("peak memory grew by %ld KiB while reading %llu bytes", grown, (unsigned long long)info.dataLength);
        QVERIFY2(grown < 32 * 1024, qPrintable(QString::number(grown)));
        const uint32_t lastGroup = groupOfBlock(blocks - 1, blocks, kOverviewGroups);
        QCOMPARE(lastGroup, kOverviewGroups - 1);
        QCOMPARE(groups.at(lastGroup, 7).max, rec::sampleValue(79999));
        QCOMPARE(groups.at(lastGroup, 7).maxBlock, blocks - 1);
        QCOMPARE(groups.at(lastGroup - 1, 7).max, 0.0);
        QVERIFY(QFile::remove(file));
    }
};

QTEST_MAIN(TestRecordingOverview)
#include "test_recordingOverview.moc"
