// Recording files without any window. The writer's bytes: the CSV number
// formatter against C's "%4.20lf, " (special values, under a locale with a
// decimal comma), the block-to-lines layout, the binary and CSV headers and
// the texts of a run. The reader: headers over their key rules, bounds and
// hostile values with the refusal report, the writer's headers read back,
// blocks by index, a block laid out when mask and channel count disagree. The overview of a recording: block
// summaries and group extremes against extremes computed here sample by
// sample (a spike and a dip in one block each, NaN samples and stretches of
// NaN only, 4-byte samples, chunks that cut blocks anywhere); the reading
// thread handing over its groups and failing on a file shorter than its
// header, on a sparse recording beyond 4 GiB.
#include "csvFormat.h"
#include "recordingHeader.h"
#include "recordingOverviewTask.h"
#include "recording_files.h"
#include "runTexts.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <cfloat>
#include <clocale>
#include <fstream>
#include <thread>

using namespace rec;

namespace {

std::string viaPrintf(double v)
{
    char buf[400];
    return std::string(buf, size_t(std::snprintf(buf, sizeof buf, "%4.20lf, ", v)));
}

std::string viaFormatter(double v)
{
    char buf[kCsvMaxValueChars];
    return std::string(buf, formatCsvValue(buf, v));
}

RecordingSetup threeChannelSetup()
{
    RecordingSetup s{"7931-BB", 50000.0, 10000, 0x8005, 0.0, {}}; // channels 1, 3 and 16
    s.channels[0] = {0, 1, 5, 2, 2};  // PT-100, 2-wire, range 5, current 2, temperature
    s.channels[2] = {3, 4, 1, 1, 1};  // resistance, mode 4, resistance plot
    s.channels[15] = {7, 9, 8, 0, 0}; // unknown sensor and mode codes, voltage plot
    s.channels[1] = {1, 2, 3, 3, 2};  // not recorded
    return s;
}

const QByteArray base = "DEVICE=Keltri 7931-BB\nFORMAT=ViReal64\nSAMPLING_RATE_HZ=1000.000000\n"
                        "NUMBER_OF_CHANNELS=2\nNUMBER_OF_SCANS_PER_BLOCK=10\nNUMBER_OF_FUNCTION_CARDS=1\n";
// The base header with one text replaced, closed by "#".
QByteArray with(const char *from, const char *to) { return QByteArray(base).replace(from, to) + "#\n"; }

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

class TestRecordingFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::string path(const char *name) { return dir.filePath(name).toStdString(); }

private slots:
    // Special values (signed zeros and NaN, subnormals, the extremes, ties
    // and halves at the last decimal, values below it). A block grouped by
    // channel becomes one line per scan, each value followed by ", ", each
    // line ended by CR LF; long lines (huge values) grow beyond the everyday
    // estimate.
    void formatterMatchesPrintf()
    {
        const double inf = std::numeric_limits<double>::infinity(), denorm = std::numeric_limits<double>::denorm_min();
        for (double v : {0.0, -0.0, 1.0, -1.0 / 3.0, denorm, -denorm, DBL_MIN, DBL_MAX, -DBL_MAX, inf, -inf, std::nan(""),
                         -std::nan(""), 0.5e-20, std::ldexp(1.0, -60) * 3.0, std::ldexp(1.0, -20), std::ldexp(1.0, -70), 0.1,
                         9007199254740994.0, 1e22, 16.0 * 1099511627776.0 + 123456.0, 23.456789012345678})
            QCOMPARE(viaFormatter(v), viaPrintf(v));
        std::vector<double> block(16 * 5, -DBL_MAX);
        block[3] = std::nan("");
        block[5] = 1.0;
        std::string out = "x", expected = "x";
        appendCsvBlock(out, block.data(), 16, 5);
        for (int s = 0; s < 5; ++s) {
            for (int k = 0; k < 16; ++k)
                expected += viaPrintf(block[size_t(k * 5 + s)]);
            expected += "\r\n";
        }
        QCOMPARE(out, expected);
        QCOMPARE(csvBlockEstimate(2, 3), 2.0 * 3 * 27 + 2 * 3);
    }

    // Under a locale with a decimal comma (built into a scratch folder: the
    // machine may have none installed) printf changes; the recording does not.
    void formatterIgnoresTheLocale()
    {
        QTemporaryDir scratch;
        const double samples[] = {-1.25, 1234.5678, 0.0, 1e-7};
        std::vector<std::string> reference, formatted;
        for (double v : samples)
            reference.push_back(viaPrintf(v));
        qputenv("LOCPATH", scratch.path().toLocal8Bit());
        const QByteArray cmd = "localedef -i de_DE -f UTF-8 '" + scratch.path().toLocal8Bit() + "/de_DE.UTF-8' >/dev/null 2>&1";
        if (std::system(cmd.constData()) != 0 || !std::setlocale(LC_ALL, "de_DE.UTF-8"))
            QSKIP("no locale with a decimal comma can be made here");
        const std::string german = viaPrintf(-1.25), rateThere = fixedSix(50000.0);
        for (double v : samples)
            formatted.push_back(viaFormatter(v));
        std::setlocale(LC_ALL, "C");
        QCOMPARE(german.find(','), size_t(2)); // "-1,25..." proves the locale took effect
        QCOMPARE(formatted, reference);
        QCOMPARE(rateThere, std::string("50000.000000"));
    }

    // The headers' bytes. In the CSV header the unit of a temperature channel
    // is the degree sign in UTF-8; a channel of another kind has no unit.
    void headerBytes()
    {
        QCOMPARE(binaryHeaderText(threeChannelSetup()),
                 std::string("DEVICE=Keltri 7931-BB\nFORMAT=ViReal64\nSAMPLING_RATE_HZ=50000.000000\n"
                             "NUMBER_OF_CHANNELS=3\nNUMBER_OF_SCANS_PER_BLOCK=10000\nNUMBER_OF_FUNCTION_CARDS=1\n"
                             "CHANNEL_MASK_FC1=0x8005\nTIME_OFFSET=0.000000\n"
                             "SENSOR_TYPE1_1=0\nCHANNEL_MODE1_1=0\nINPUT_RANGE1_1=5\nEXCITATION_CURRENT1_1=2\n"
                             "SENSOR_TYPE1_3=3\nCHANNEL_MODE1_3=3\nINPUT_RANGE1_3=1\nEXCITATION_CURRENT1_3=1\n"
                             "SENSOR_TYPE1_16=4\nCHANNEL_MODE1_16=3\nINPUT_RANGE1_16=8\nEXCITATION_CURRENT1_16=0\n#\n"));
        QCOMPARE(csvHeaderText(threeChannelSetup()), std::string("Sampling rate: 50000.000000 Hz\r\n"
                                                                 "FC1_CH1, FC1_CH3, FC1_CH16, \r\n\xC2\xB0"
                                                                 "C, Ohm, V, \r\n"));
        RecordingSetup s = threeChannelSetup();
        s.channels[2].plotKind = 5;
        QVERIFY(csvHeaderText(s).find("\r\n\xC2\xB0" "C, V, \r\n") != std::string::npos);

        std::FILE *full = std::fopen("/dev/full", "wb");
        QVERIFY(full && !writeRecordingHeader(full, threeChannelSetup(), 0));
        std::fclose(full);
    }

    // The file size under the plots, the data rate of the run dialog (rounded
    // as printf rounds, without the locale), the warning after short blocks.
    void runTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const auto size = [](const char *name, double bytes, const char *text) {
            QTest::newRow(name) << QString::fromStdString(fileSizeLabelText(bytes))
                                << "        (file size: " + QString(text) + ")";
        };
        size("nothing written", 0.0, "0 B");
        size("integer part of bytes", 1023.9, "1023 B");
        size("1 kB", 1024.0, "1.0 kB");
        size("just below 1 MB", 1048575.0, "1024.0 kB");
        size("1 MB", 1048576.0, "1.0 MB");
        size("just below 1 GB", 1073741823.0, "1024.0 MB");
        size("1 GB", 1073741824.0, "1.00 GB");
        const auto rate = [](const char *name, int bytes, int perSecond, bool csv, const char *text) {
            QTest::newRow(name) << QString::fromStdString(dataRateLabelText(bytes, perSecond, csv)) << text;
        };
        rate("CSV at the top rate", 27, 800000, true, "Data Rate: 20.6 MB/s (TEXT)");
        rate("binary at the top rate", 8, 800000, false, "Data Rate: 6.1 MB/s");
        rate("1023 B/s", 1, 1023, false, "Data Rate: 1023 B/s");
        rate("kB/s", 8, 2000, false, "Data Rate: 15.6 kB/s");
        const QString why = " short: the digitizer delivered fewer scans than asked for. ";
        const QString its = "Its missing scans are NaN.", their = "Their missing scans are NaN.";
        const auto shortText = [](int64_t n, int64_t of) { return QString::fromStdString(shortBlocksText(n, of)); };
        QTest::newRow("none short") << shortText(0, 316) << QString();
        QTest::newRow("a single shot") << shortText(1, 1) << "The block was" + why + its;
        QTest::newRow("one of many") << shortText(1, 316) << "1 of 316 blocks was" + why + its;
        QTest::newRow("many") << shortText(133, 316) << "133 of 316 blocks were" + why + their;
        QTest::newRow("beyond 32 bits") << shortText(5000000000, 6000000000)
                                        << "5000000000 of 6000000000 blocks were" + why + their;
    }
    void runTexts()
    {
        QFETCH(QString, text);
        QTEST(text, "expected");
    }

    // Headers over the reader's key rules, bounds and hostile values: the
    // fields read (see rec::describe; "rate", "channels" and "scans" at
    // "line:value" where the report found them), the corruption warning, and
    // for a refused header its report, which names the line (counted as the
    // file's lines, a long line once), key and value, and why.
    void header_data()
    {
        QTest::addColumn<QByteArray>("text");    // the file's bytes
        QTest::addColumn<int>("result");         // of readRecordingHeader
        QTest::addColumn<QStringList>("fields"); // expected fields
        QTest::addColumn<bool>("warning");       // the corruption warning printed
        QTest::addColumn<QString>("refusal");    // the refusal's text, when given
        const QByteArray h = rec::header("7931-BB", true, "1000.000000", 10, {{1, 0, 1, 2, 1}, {3, 3, 0, 4, 2}, {16, 4, 3, 7, 0}});
        const auto good = [](const char *name, const QByteArray &text, const QStringList &fields, bool warning = false) {
            QTest::newRow(name) << text << 0 << fields << warning << QString();
        };
        good("as written, 2 blocks", h + samples(true, 30, 2),
             {"device=7931-BB", "real64=1", "rate=1000", "channels=3", "scans=10", "cards=1", "mask=8005", "offset=0",
              "blockLength=240", "blockCount=2", "headerLength=" + QString::number(h.size()), "dataLength=480",
              "ch1=0/1/2/1", "ch2=0/0/0/0", "ch3=3/0/4/2", "ch16=4/3/7/0", "rateAt=3:1000.000000", "channelsAt=4:3",
              "scansAt=5:10"});
        good("2.5 blocks: 2 counted", h + samples(true, 30, 2.5), {"blockCount=2", "dataLength=600"}, true);
        good("header only: no data", h, {"dataLength=0", "blockCount=0"});
        good("no FORMAT: 4-byte samples",
             rec::header("7931-AE", false, "50000.000000", 100, {{2}}) + samples(false, 100, 3),
             {"real64=0", "blockLength=400", "blockCount=3"});
        good("unknown sub-type kept", with("7931-BB", "7931-XY"), {"device=7931-XY"});
        good("no DEVICE line", with("DEVICE=Keltri 7931-BB\n", ""), {"device="});
        good("no '#': all data", base, {"headerLength=0", "dataLength=" + QString::number(base.size())}, true);
        good("CR LF lines", QByteArray(base).replace("\n", "\r\n") + "#\r\n", {"channels=2", "scans=10", "device=7931-BB"});
        good("blanks around values", base + "TIME_OFFSET=  -1.5e-3  \n#\n", {"offset=-0.0015"});
        good("not key=value ignored",
             base + "hello world\nlower=1\n=1\nNUMBER_OF_CHANNELS=\nNUMBER_OF_CHANNELS=1,5\n#\n", {"channels=2"});
        good("value over 64 characters ignored", base + "NUMBER_OF_CHANNELS=" + QByteArray(70, '1') + "\n#\n", {"channels=2"});
        good("DEVICE value over 64 characters ignored", with("7931-BB", (QByteArray("7931") + QByteArray(60, 'B')).constData()),
             {"device="});
        good("key over 64 characters ignored", base + QByteArray(65, 'K') + "=1\n#\n", {"channels=2"});
        good("NUL ends the line's text", base + QByteArray("TIME_OFFSET=2\0junk\n#\n", 20), {"offset=2"});
        good("later line wins", base + "NUMBER_OF_CHANNELS=4\n#\n", {"channels=4", "channelsAt=7:4"});
        good("mask without 0x", base + "CHANNEL_MASK_FC1=ffff\n#\n", {"mask=ffff"});
        good("second card: checked, not kept",
             QByteArray(base).replace("CARDS=1", "CARDS=2") +
                 "CHANNEL_MASK_FC1=0x0001\nCHANNEL_MASK_FC2=0xffff\nSENSOR_TYPE2_5=1\nSENSOR_TYPE1_5=2\n#\n",
             {"cards=2", "mask=1", "ch5=2/0/0/0"});
        good("1025 lines", base + QByteArray(1025 - 6, '\n') + "#\n", {"channels=2"});
        // Refused headers: -1, no fields checked, no warning.
        const auto bad = [](const QString &name, const QByteArray &text, const QString &refusal = QString()) {
            QTest::newRow(qPrintable(name)) << text << -1 << QStringList() << false << refusal;
        };
        bad("empty file", QByteArray());
        bad("1026 lines", base + QByteArray(1026 - 6, '\n') + "#\n",
            "line 1026: more than 1025 lines before the \"#\" line that ends the header");
        bad("9999 device", with("7931-BB", "9999-BB"), "line 1, DEVICE=Keltri 9999-BB: not \"Keltri 7931-...\"");
        bad("short device", with("7931-BB", "793"));
        bad("other maker", with("Keltri", "Acme"));
        bad("FORMAT ViReal32", with("ViReal64", "ViReal32"), "line 2, FORMAT=ViReal32: not ViReal64, the only sample format");
        bad("mask before card count",
            "NUMBER_OF_CHANNELS=1\nNUMBER_OF_SCANS_PER_BLOCK=10\nCHANNEL_MASK_FC1=0x0001\nNUMBER_OF_FUNCTION_CARDS=1\n#\n",
            "line 3, CHANNEL_MASK_FC1=0x0001: a card number beyond NUMBER_OF_FUNCTION_CARDS (or before that line)");
        for (const char *line : {"CHANNEL_MASK_FC2=0x0001", "CHANNEL_MASK_FC0=0x0001", "CHANNEL_MASK_FC=0x0001",
                                 "CHANNEL_MASK_FC1=0x10000", "CHANNEL_MASK_FC1=0x", "CHANNEL_MASK_FC1=0xg",
                                 "SENSOR_TYPE1_17=0", "INPUT_RANGE1_0=0", "CHANNEL_MODE2_1=0", "SENSOR_TYPE1_2_3=0",
                                 "EXCITATION_CURRENTX=0", "SENSOR_TYPE1_2=2147483648", "TIME_OFFSET=inf"})
            bad(line, base + line + "\n#\n");
        bad("channel 17 after a long line", base + "COMMENT=" + QByteArray(300, 'a') + "\nSENSOR_TYPE1_17=0\n#\n",
            "line 8, SENSOR_TYPE1_17=0: a channel number outside 1..16");
        bad("channels missing", with("NUMBER_OF_CHANNELS=2\n", ""), "NUMBER_OF_CHANNELS: missing");
        for (const char *channels : {"CHANNELS=0", "CHANNELS=-2", "CHANNELS=99999999999999999999", "CHANNELS=2 3"})
            bad(channels, with("CHANNELS=2", channels));
        bad("channels 17", with("CHANNELS=2", "CHANNELS=17"), "line 4, NUMBER_OF_CHANNELS=17: not from 1 to 16");
        bad("scans missing", with("NUMBER_OF_SCANS_PER_BLOCK=10\n", ""));
        bad("scans 0", with("BLOCK=10", "BLOCK=0"), "line 5, NUMBER_OF_SCANS_PER_BLOCK=0: less than 1");
        bad("scans overflow", with("BLOCK=10", "BLOCK=2147483648"),
            "line 5, NUMBER_OF_SCANS_PER_BLOCK=2147483648: not a whole number that fits the field");
        bad("card count 128", with("CARDS=1", "CARDS=128"));
        for (const char *rate : {"fast", "1e400"})
            bad(rate, with("1000.000000", rate));
        bad("nan", with("1000.000000", "nan"), "line 3, SAMPLING_RATE_HZ=nan: not a finite number");
    }
    void header()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, result);
        QFETCH(QStringList, fields);
        QFETCH(bool, warning);
        QFETCH(QString, refusal);
        const QString file = dir.filePath(QStringLiteral("h.bin7931"));
        QVERIFY(writeFile(file, text));
        recordingInfo info;
        info.numberOfChannels = 99; // cleared by the reader
        std::FILE *console = std::tmpfile();
        QCOMPARE(readRecordingHeader(file.toStdString(), info, console), result);
        char said[256] = {};
        std::rewind(console);
        said[std::fread(said, 1, sizeof said - 1, console)] = 0;
        std::fclose(console);
        QCOMPARE(QByteArray(said), warning ? QByteArray(recordingCorruptWarning) : QByteArray());
        QCOMPARE(info.fileName, file.toStdString());
        RecordingHeaderReport report;
        std::FILE *in = std::fopen(QFile::encodeName(file).constData(), "rb");
        QCOMPARE(readRecordingHeaderFrom(in, "h.bin7931", info, nullptr, &report), result);
        std::fclose(in);
        QCOMPARE(report.reason.empty(), result == 0);
        QVERIFY(refusal.isEmpty() || QString::fromStdString(headerRefusalText(report)) == refusal);
        const auto at = [](const RecordingHeaderReport::Field &f) {
            return QString::number(f.line) + ":" + QString::fromStdString(f.value);
        };
        const QStringList d = describe(info) << "rateAt=" + at(report.samplingRate) << "channelsAt=" + at(report.channels)
                                             << "scansAt=" + at(report.scans);
        for (const QString &f : fields)
            QVERIFY2(d.contains(f), qPrintable(f + " not in " + d.join(' ')));
        QCOMPARE(readRecordingHeader(dir.filePath("missing.bin7931").toStdString(), info, nullptr), -1);
        QCOMPARE(readRecordingHeader(dir.path().toStdString(), info, nullptr), -1); // a folder
    }

    // The writer's header read back: what the panel wrote is what the
    // viewer gets, also for codes the writer maps (sensor 7 is written as 4,
    // mode 9 as 3, mode 1..5 as 0..4); the tests' own header texts are the
    // writer's, byte for byte. Blocks are read by index, the partial last one
    // never. Three channels; all sixteen; one channel with an offset in
    // 4-byte samples.
    void writerHeaderAndBlocksReadBack()
    {
        for (RecordingSetup setup : {RecordingSetup{"7931-BB", 1000.0, 1000, 0x8005, 0.0, {}},
                                     RecordingSetup{"7931-DE", 50000.0, 10000, 0xFFFF, 0.0, {}},
                                     RecordingSetup{"7931-AE", 1.0, 10, 0x0200, 12.25, {}}}) {
            const bool real64 = setup.device != "7931-AE";
            std::vector<Channel> written;
            for (int c = 0; c < 16; ++c) {
                const RecordedChannel r = setup.channels[c] = {(c * 3) % 8, c % 7, c % 9, c % 4, 0};
                if (setup.channelMask & (1u << c))
                    written.push_back({c + 1, std::min(r.sensorType, 4), r.mode >= 1 && r.mode <= 5 ? r.mode - 1 : 3,
                                       c % 9, c % 4});
            }
            std::string text = binaryHeaderText(setup);
            QCOMPARE(QByteArray::fromStdString(text),
                     rec::header(setup.device.c_str(), true, QByteArray::number(setup.samplingRate, 'f', 6),
                                 setup.scansPerBlock, written, QByteArray::number(setup.timeOffset, 'f', 6)));
            if (!real64)
                text.erase(text.find("FORMAT=ViReal64\n"), 16);
            const QString file = dir.filePath(QStringLiteral("w.bin7931"));
            const QByteArray data = samples(real64, int(written.size()) * setup.scansPerBlock, 2.5);
            QVERIFY(writeFile(file, QByteArray::fromStdString(text) + data));
            recordingInfo info;
            QCOMPARE(readRecordingHeader(file.toStdString(), info, nullptr), 0);
            QVERIFY(info.timeOffset == setup.timeOffset && info.blockCount == 2);
            std::vector<char> buffer(info.blockLength);
            QVERIFY(readRecordingBlock(info, buffer.data(), 1) == 1 && readRecordingBlock(info, buffer.data(), 2) == 0);
            QVERIFY(std::equal(buffer.begin(), buffer.end(), data.begin() + int(info.blockLength)));
        }
    }

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
        const size_t S = size_t(shape.channels);
        QCOMPARE(uint64_t(G), std::min<uint64_t>(shape.blocks, kOverviewGroups));
        std::vector<Extent> want(G * S);
        std::vector<uint64_t> sizes(G, 0);
        for (uint64_t b = 0; b < shape.blocks; ++b) {
            const uint32_t g = groupOfBlock(b, shape.blocks, G);
            QVERIFY(b ? g - groupOfBlock(b - 1, shape.blocks, G) <= 1 : g == 0);
            QVERIFY(sizes[g]++ || firstBlockOfGroup(g, shape.blocks, G) == b);
            for (size_t k = 0; k < S; ++k)
                want[g * S + k].add(expected[size_t(b) * S + k], b);
        }
        QVERIFY(firstBlockOfGroup(G, shape.blocks, G) == shape.blocks && sizes[G - 1] > 0);
        QVERIFY(*std::max_element(sizes.begin(), sizes.end()) - *std::min_element(sizes.begin(), sizes.end()) <= 1);
        int emptyGroups = 0, spikeGroups = 0, dipGroups = 0;
        for (size_t i = 0; i < want.size(); ++i) {
            const Extent &got = groups.cells[i], &w = want[i];
            QVERIFY(got.empty() == w.empty() && (got.empty() || (got.min == w.min && got.max == w.max &&
                                                                 got.minBlock == w.minBlock && got.maxBlock == w.maxBlock)));
            emptyGroups += got.empty();
            spikeGroups += got.max >= kSpike;
            dipGroups += got.min <= kDip;
            QVERIFY((got.max < kSpike || got.maxBlock == shape.spike) && (got.min > kDip || got.minBlock == shape.dip));
        }
        QVERIFY(spikeGroups == 1 && dipGroups == 1);
        QCOMPARE(emptyGroups > 0, shape.nanTo - shape.nanFrom > 2 * (shape.blocks / G + 1));
    }

    // A sparse recording beyond 4 GiB: its last block lies beyond every
    // 32-bit position and is read from where the header says. The overview
    // task hands over every group, the last block's samples in the last
    // group, and leaves no thread; on a file cut short it fails with the
    // groups before kept.
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
        const int threads = threadCount();
        OverviewGroups groups, part;
        uint32_t have = 0;
        {
            RecordingOverviewTask task(info);
            const RecordingOverviewTask::Progress p = pollToEnd(task, groups, have);
            QVERIFY(p.state == RecordingOverviewTask::State::Done && p.blocksRead == blocks && have == kOverviewGroups);
        }
        QCOMPARE(threadCount(), threads);
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

QTEST_GUILESS_MAIN(TestRecordingFiles)
#include "test_recordingFiles.moc"
