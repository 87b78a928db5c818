// The overview of a recording and its reading: block summaries and group
// extremes against extremes computed here sample by sample (a spike and a
// dip in one block each, NaN samples and stretches of NaN only, 4-byte
// samples, chunks that cut blocks anywhere); the columns a picture shows and
// the block a click on a column leads to; the reading thread handing over
// its groups, stopping at once when told, and failing on a file shorter than
// its header, on a sparse recording beyond 4 GiB read in constant memory.
#include "recordingHeader.h"
#include "recordingOverviewTask.h"
#include "recording_files.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <thread>

using namespace rec;

namespace {

// A test recording for the overview: its shape and where its events are.
constexpr double kSpike = 1e6, kDip = -1e6;
struct Shape {
    uint64_t blocks;
    int channels, scans;
    bool real64;
    uint64_t spike, dip;     // channel 0's spike, the last channel's dip
    uint64_t nanFrom, nanTo; // blocks where the last channel holds NaN only
};

double valueAt(const Shape &s, uint64_t block, int seg, int scan)
{
    const bool last = seg == s.channels - 1;
    if (last && block >= s.nanFrom && block < s.nanTo)
        return std::nan(""); // a NaN-only stretch
    if (seg == 0 && block == s.spike && scan == s.scans / 2)
        return kSpike;
    if (last && block == s.dip && scan == s.scans - 1)
        return kDip;
    if (last && (block * 13 + uint64_t(scan)) % 7 == 0)
        return std::nan(""); // NaN samples here and there
    return (seg + 1) * 1000.0 + double((block * 7 + uint64_t(scan) * 3) % 101) - 50.0;
}

// Writes the recording; returns each block's segment summaries computed sample by sample.
std::vector<SampleSummary> writeRecording(const std::string &path, const Shape &s)
{
    RecordingSetup setup{"7931-BB", 1000.0, s.scans, uint16_t((1u << s.channels) - 1), 0.0, {}};
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
                out.write(s.real64 ? reinterpret_cast<const char *>(&v) : reinterpret_cast<const char *>(&f),
                          s.real64 ? 8 : 4);
                const double x = s.real64 ? v : double(f);
                if (std::isnan(x)) {
                    ++e.nanCount;
                    continue;
                }
                e.min = std::min(e.min, x);
                e.max = std::max(e.max, x);
                e.sum += x;
                ++e.count;
            }
            expected.push_back(e);
        }
    return expected;
}

int threadCount() { return int(QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size()); }

// The process's peak resident size in KiB (VmHWM).
long peakKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Polls the task as the viewer's timer does until it ends.
RecordingOverviewTask::Progress pollToEnd(RecordingOverviewTask &task, OverviewGroups &groups, uint32_t &have)
{
    RecordingOverviewTask::Progress p;
    for (int waited = 0; waited < 120000; waited += 5) {
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

} // namespace

Q_DECLARE_METATYPE(Shape)

class TestRecordingOverview : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::string path(const char *name) { return dir.filePath(name).toStdString(); }

private slots:
    // Every block's summaries as the samples give them (whatever the chunks
    // read at once), groups as runs of neighbouring blocks of nearly equal
    // length, each group's extremes those of its blocks' samples; a stretch
    // of NaN longer than two groups empties at least one: a gap.
    void groupsMatchSampleBySample_data()
    {
        QTest::addColumn<Shape>("shape");
        QTest::addColumn<int>("chunk"); // bytes read at once
        QTest::newRow("124 blocks, one a group") << Shape{124, 3, 50, true, 77, 5, 0, 0} << int(kScanChunkBytes);
        QTest::newRow("10000 blocks in 4096 groups, NaN-only stretch")
            << Shape{10000, 2, 4, true, 6001, 9999, 300, 420} << int(kScanChunkBytes);
        QTest::newRow("4-byte samples") << Shape{5000, 3, 20, false, 4095, 0, 1000, 1100} << int(kScanChunkBytes);
        QTest::newRow("chunks of 3 samples cut every block") << Shape{900, 3, 7, true, 450, 899, 10, 30} << 24;
        QTest::newRow("blocks of 4 chunks, one channel") << Shape{300, 1, 1000, false, 299, 3, 100, 120} << 1000;
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
        QVERIFY(r == ScanResult::Done && next == shape.blocks);
        QCOMPARE(mismatches, 0);
        const uint32_t G = groups.groups;
        QCOMPARE(uint64_t(G), std::min<uint64_t>(shape.blocks, kOverviewGroups));
        QCOMPARE(firstBlockOfGroup(G, shape.blocks, G), shape.blocks);
        std::vector<uint64_t> sizes(G, 0);
        int emptyGroups = 0, spikeGroups = 0, dipGroups = 0;
        for (uint64_t b = 0, first = 0; b < shape.blocks; first = ++b) {
            const uint32_t g = groupOfBlock(b, shape.blocks, G);
            QVERIFY(g == (b ? groupOfBlock(b - 1, shape.blocks, G) + 1 : 0) && firstBlockOfGroup(g, shape.blocks, G) == b);
            while (b + 1 < shape.blocks && groupOfBlock(b + 1, shape.blocks, G) == g)
                ++b;
            sizes[g] = b + 1 - first;
            for (int k = 0; k < shape.channels; ++k) {
                Extent want;
                for (uint64_t x = first; x <= b; ++x)
                    want.add(expected[size_t(x) * size_t(shape.channels) + size_t(k)], x);
                const Extent &got = groups.at(g, k);
                QCOMPARE(got.empty(), want.empty());
                emptyGroups += got.empty();
                if (!got.empty())
                    QVERIFY(got.min == want.min && got.max == want.max && got.minBlock == want.minBlock &&
                            got.maxBlock == want.maxBlock);
                spikeGroups += got.max >= kSpike;
                dipGroups += got.min <= kDip;
                QVERIFY(got.max < kSpike || got.maxBlock == shape.spike);
                QVERIFY(got.min > kDip || got.minBlock == shape.dip);
            }
        }
        QCOMPARE(groupOfBlock(shape.blocks - 1, shape.blocks, G), G - 1);
        QVERIFY(*std::max_element(sizes.begin(), sizes.end()) - *std::min_element(sizes.begin(), sizes.end()) <= 1);
        QVERIFY(spikeGroups == 1 && dipGroups == 1);
        QCOMPARE(emptyGroups > 0, shape.nanTo - shape.nanFrom > 2 * (shape.blocks / G + 1));
    }

    // The columns of a picture cover the blocks in order, and a click on one
    // leads to its block: one segment shown with a spike, a dip, a jump or a
    // fall in one block, a second one not shown whose spike lies in the same
    // column.
    void columnsLeadToTheBlock_data()
    {
        QTest::addColumn<quint64>("blocks");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("event");
        QTest::addColumn<quint64>("at");
        QTest::newRow("an hour of blocks, 1100 columns, spike") << quint64(18000) << 1100 << "spike" << quint64(12345);
        QTest::newRow("an hour of blocks, spike in the last") << quint64(18000) << 1100 << "spike" << quint64(17999);
        QTest::newRow("an hour of blocks, jump") << quint64(18000) << 1100 << "jump" << quint64(9001);
        QTest::newRow("an hour of blocks, dip") << quint64(18000) << 1100 << "dip" << quint64(4000);
        QTest::newRow("an hour of blocks, fall") << quint64(18000) << 1100 << "fall" << quint64(9001);
        QTest::newRow("more blocks than groups, spike first") << quint64(1000000) << 1300 << "spike" << quint64(0);
        QTest::newRow("fewer groups than columns, spike") << quint64(124) << 1100 << "spike" << quint64(63);
        QTest::newRow("as many blocks as columns, jump") << quint64(1100) << 1100 << "jump" << quint64(1099);
        QTest::newRow("nothing happens") << quint64(18000) << 1100 << "flat" << quint64(0);
    }
    void columnsLeadToTheBlock()
    {
        QFETCH(quint64, blocks);
        QFETCH(int, columns);
        QFETCH(QString, event);
        QFETCH(quint64, at);
        OverviewBuilder builder(blocks, 2);
        OverviewGroups groups;
        groups.reset(blocks, 2);
        for (uint64_t b = 0; b < blocks; ++b) {
            SampleSummary s[2];
            const double v = (event == "spike" && b == at) || (event == "jump" && b >= at) ? 9.0
                             : (event == "dip" && b == at) || (event == "fall" && b >= at)  ? 1.0
                                                                                            : 5.0;
            const double hidden = b == (at + 1) % blocks ? 1e9 : 0.0;
            summariseSamples(&v, 1, s[0]);
            summariseSamples(&hidden, 1, s[1]);
            if (builder.addBlock(b, s, 2))
                std::copy(builder.completed().begin(), builder.completed().end(),
                          groups.cells.begin() + std::ptrdiff_t(builder.completedGroup()) * 2);
        }
        const OverviewColumns layout = layOutColumns(groups, groups.groups, columns);
        QVERIFY(layout.firstBlock.front() == 0 && layout.endBlock.back() == blocks);
        for (int c = 0; c < columns; ++c)
            QVERIFY(layout.firstBlock[c] < layout.endBlock[c] &&
                    (c + 1 == columns || layout.firstBlock[c + 1] == layout.endBlock[c] ||
                     (groups.groups < uint32_t(columns) && layout.firstBlock[c + 1] == layout.firstBlock[c])));
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
        int hits = 0;
        for (int c = 0; c < columns; ++c) {
            const uint64_t block = blockForColumn(layout, c, {1.0 / 4.0, 0.0}, double(c) / (columns - 1));
            QVERIFY(block >= layout.firstBlock[c] && block < layout.endBlock[c]);
            const bool here = event != "flat" && at >= layout.firstBlock[c] && at < layout.endBlock[c];
            hits += here;
            QVERIFY(!here || block == at);
            QVERIFY(event != "flat" || (c != 0 && c != columns - 1) || block == (c == 0 ? 0 : blocks - 1));
        }
        QCOMPARE(hits > 0, event != "flat");
    }

    // A sparse recording beyond 4 GiB: its last block lies beyond every
    // 32-bit position and is read from where the header says. The overview
    // task: stopped while it reads, it ends at once and leaves no thread;
    // read whole, it hands over every group, the last block's samples land
    // in the last group, and the process's peak memory grows by less than
    // 32 MiB; on a file cut short it fails with the groups before kept.
    void sparseBeyond4GiB()
    {
        const QString file = dir.filePath(QStringLiteral("big.bin7931"));
        const uint64_t blockLength = 8ull * 10000 * 8, blocks = (4ull << 30) / blockLength + 2;
        QVERIFY(writeSparseRecording(
            file, rec::header("7931-BB", true, "50000.000000", 10000, {{1}, {2}, {3}, {4}, {5}, {6}, {7}, {8}}),
            blocks, 80000));
        recordingInfo info;
        QCOMPARE(readRecordingHeader(file.toStdString(), info, nullptr), 0);
        QVERIFY(info.blockCount == blocks && info.headerLength + (blocks - 1) * info.blockLength > (4ull << 30));
        std::vector<char> buffer(info.blockLength);
        QCOMPARE(readRecordingBlock(info, buffer.data(), blocks - 1), 1);
        QVERIFY(QByteArray(buffer.data(), int(buffer.size())) == samples(true, 80000, 1));
        buffer = std::vector<char>();

        const int threads = threadCount();
        OverviewGroups groups, part;
        uint32_t have = 0;
        {
            RecordingOverviewTask task(info);
            QTRY_VERIFY(task.takeNew(groups, have).blocksRead > 0);
            task.stop();
            const RecordingOverviewTask::Progress p = task.takeNew(groups, have);
            QVERIFY(p.state == RecordingOverviewTask::State::Cancelled && p.blocksRead < blocks);
        }
        QCOMPARE(threadCount(), threads);
        std::ofstream("/proc/self/clear_refs") << "5"; // a new peak from here
        const long before = peakKiB();
        {
            RecordingOverviewTask task(info);
            have = 0;
            const RecordingOverviewTask::Progress p = pollToEnd(task, groups, have);
            QVERIFY(p.state == RecordingOverviewTask::State::Done && p.blocksRead == blocks && have == kOverviewGroups);
        }
        const long grown = peakKiB() - before;
        QVERIFY2(before > 0 && grown < 32 * 1024, qPrintable(QString::number(grown)));
        const uint32_t lastGroup = groupOfBlock(blocks - 1, blocks, kOverviewGroups);
        QCOMPARE(lastGroup, kOverviewGroups - 1);
        QVERIFY(groups.at(lastGroup, 7).max == sampleValue(79999) && groups.at(lastGroup, 7).maxBlock == blocks - 1);
        QCOMPARE(groups.at(lastGroup - 1, 7).max, 0.0);

        const off_t cut = off_t(info.headerLength + info.blockLength * 100 + 8);
        QVERIFY(::truncate(QFile::encodeName(file).constData(), cut) == 0);
        RecordingOverviewTask task(info);
        have = 0;
        const RecordingOverviewTask::Progress p = pollToEnd(task, part, have);
        QVERIFY(p.state == RecordingOverviewTask::State::Failed && p.blocksRead == 100);
        QCOMPARE(have, groupOfBlock(100, blocks, kOverviewGroups));
        const Extent &lastRead = part.at(have - 1, 7);
        QVERIFY(lastRead.min == 0.0 && lastRead.minBlock == firstBlockOfGroup(have - 1, blocks, kOverviewGroups));
    }
};

QTEST_GUILESS_MAIN(TestRecordingOverview)
#include "test_recordingOverview.moc"
