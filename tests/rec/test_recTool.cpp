// ov7931rec run as a child process on recordings made by the panel's engine
// in the simulated instrument's sequence mode: its argument errors, info
// (text and JSON), verify on good, truncated, damaged and reordered files,
// and convert, whose CSV must equal the engine's own CSV recording of the
// same samples and whose .npy and HDF5 files are read back by numpy and
// h5dump and compared sample by sample (Debian's numpy, so /usr/bin/python3);
// stats per block and over the whole recording against numpy's figures of
// the same file with NaN samples and a block of NaN only.
#include "rec_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstring>

using namespace rectest;

namespace {

constexpr uint32_t kMask = 0x0015;     // channels 1, 3, 5
constexpr int32_t kScans = 50;
constexpr int kBlocks = 6;
constexpr size_t kBlockBytes = 3 * kScans * 8;
const int kSensors[16] = {4, 0, 3, 0, 0}; // 1 volt, 3 res, 5 pt100

// The samples the recording holds, channel k at scan t.
double expected(int k, int64_t t)
{
    static const int ch[3] = {1, 3, 5};
    return ovsim::integritySample(ch[k], t);
}

} // namespace

class TestRecTool : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::string good;
    std::string header; // the good recording's header bytes

    std::string path(const char *name) { return dir.filePath(name).toStdString(); }
    QString qpath(const char *name) { return dir.filePath(name); }
    // The 300 scans of little-endian doubles in `name`: channels `first` ..
    // first + count - 1 of the recording, scan by scan.
    void compareRaw(const char *name, int first, int count)
    {
        const std::string raw = readFile(path(name));
        QCOMPARE(raw.size(), size_t(300 * count * 8));
        for (int64_t t = 0; t < 300; ++t)
            for (int k = 0; k < count; ++k) {
                double v;
                std::memcpy(&v, raw.data() + (t * count + k) * 8, 8);
                QCOMPARE(v, expected(first + k, t));
            }
    }

private slots:
    void initTestCase()
    {
        good = path("good.bin7931");
        QVERIFY(makeRecording(good, kMask, kSensors, kScans, kBlocks));
        const std::string bytes = readFile(good);
        header = bytes.substr(0, bytes.find("\n#\n") + 3);
        QCOMPARE(bytes.size(), header.size() + kBlocks * kBlockBytes);
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no verb") << QStringList() << "no verb given";
        QTest::newRow("unknown verb") << QStringList{"play"} << "unknown verb \"play\"";
        QTest::newRow("info no file") << QStringList{"info"} << "info: no recording FILE given";
        QTest::newRow("info two files") << QStringList{"info", "a", "b"} << "unexpected argument \"b\"";
        QTest::newRow("info bad option") << QStringList{"info", "a", "--csv"} << "unknown option --csv";
        QTest::newRow("convert no --to") << QStringList{"convert", "a"} << "--to csv|npy|hdf5 is required";
        QTest::newRow("convert bad format") << QStringList{"convert", "a", "--to", "xls"} << "unknown format \"xls\"";
        QTest::newRow("convert -o missing") << QStringList{"convert", "a", "--to", "csv", "-o"} << "-o needs a value";
        QTest::newRow("record no channel")
            << QStringList{"record", "--seconds", "1", "--rate", "100", "--scans", "10", "--out", "x"}
            << "--channel is required";
        QTest::newRow("record channel 17")
            << QStringList{"record", "--channel", "17"} << "N from 1 to 16, not \"17\"";
        QTest::newRow("record bad kind") << QStringList{"record", "--channel", "2:pt200"} << "unknown channel kind";
        QTest::newRow("record channel twice")
            << QStringList{"record", "--channel", "2", "--channel", "2:volt"} << "channel 2 given twice";
        QTest::newRow("record scans overflow")
            << QStringList{"record", "--scans", "99999999999999999999"} << "--scans wants a whole number";
        QTest::newRow("record rate text") << QStringList{"record", "--rate", "1k"} << "not \"1k\"";
        QTest::newRow("record seconds inf") << QStringList{"record", "--seconds", "inf"} << "--seconds wants";
        QTest::newRow("stats no file") << QStringList{"stats", "--blocks"} << "stats: no recording FILE given";
        QTest::newRow("info --blocks") << QStringList{"info", "a", "--blocks"} << "unknown option --blocks";
    }
    void badArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Run r = runTool(args);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.startsWith("ov7931rec: ") && r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }

    void helpForEachVerb_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("usage");
        QTest::newRow("tool") << QStringList{"--help"} << "Usage: ov7931rec VERB";
        QTest::newRow("info") << QStringList{"info", "--help"} << "Usage: ov7931rec info FILE [--json]";
        QTest::newRow("verify") << QStringList{"verify", "-h"} << "Usage: ov7931rec verify FILE";
        QTest::newRow("convert") << QStringList{"convert", "--help"} << "Usage: ov7931rec convert FILE --to";
        QTest::newRow("record") << QStringList{"record", "--help"} << "Usage: ov7931rec record --seconds N";
        QTest::newRow("stats") << QStringList{"stats", "--help"} << "Usage: ov7931rec stats FILE [--blocks] [--json]";
    }
    void helpForEachVerb()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, usage);
        const Run r = runTool(args);
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.startsWith(usage), qPrintable(r.out));
    }

    void infoText()
    {
        const Run r = runTool({"info", qpath("good.bin7931")});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains("Blocks:            6\n"), qPrintable(r.out));
        QVERIFY(r.out.contains("Block length:      1200 bytes\n"));
        QVERIFY(r.out.contains("Duration:          0.300000 s\n"));
        QVERIFY(r.out.contains("FC1_CH1  volt    V"));
        QVERIFY(r.out.contains("FC1_CH3  res     Ohm"));
        QVERIFY(r.out.contains(QString::fromUtf8("FC1_CH5  pt100   \xC2\xB0" "C")));
        QVERIFY(!r.out.contains("corrupt"));
    }

    void infoJson()
    {
        const std::string cut = path("cut_info.bin7931");
        writeFile(cut, readFile(good).substr(0, header.size() + 2 * kBlockBytes + 100));
        const Run r = runTool({"info", "--json", qpath("cut_info.bin7931")});
        QCOMPARE(r.code, 0);
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(o.value("block_count").toInt(), 2);
        QCOMPARE(o.value("block_bytes").toInt(), int(kBlockBytes));
        QCOMPARE(o.value("sampling_rate_hz").toDouble(), 1000.0);
        QCOMPARE(o.value("corrupt").toBool(), true);
        QCOMPARE(o.value("warning").toString(), QString("Warning. The binary data seems corrupt."));
        const QJsonArray chs = o.value("channels").toArray();
        QCOMPARE(chs.size(), 3);
        QCOMPARE(chs[2].toObject().value("channel").toInt(), 5);
        QCOMPARE(chs[2].toObject().value("kind").toString(), QString("pt100"));
        QCOMPARE(chs[2].toObject().value("unit").toString(), QString::fromUtf8("\xC2\xB0" "C"));
        QCOMPARE(chs[0].toObject().value("unit").toString(), QString("V"));
    }

    // Each fault gives its exit code and names the first bad block.
    void verify_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("good") << "none" << 0 << "OK: 6 whole blocks of 50 scans x 3 channels, sequence data in order";
        QTest::newRow("truncated") << "truncate" << 1 << "block 5: incomplete: 1000 of 1200 bytes";
        QTest::newRow("swapped") << "swap" << 1 << "block 2: holds scans 150..199 of channel FC1_CH1 where scans "
                                                   "100..149 belong";
        QTest::newRow("removed") << "remove" << 1 << "block 3: holds scans 200..249";
        QTest::newRow("NaN in volt") << "nan" << 1 << "block 4: NaN in channel FC1_CH1 (volt) at scan 7";
        QTest::newRow("broken sample") << "poke" << 1 << "block 1: channel FC1_CH3 breaks the sequence at scan 9";
        QTest::newRow("damaged header") << "header" << 3 << "is not a readable 7931 recording";
        QTest::newRow("missing file") << "missing" << 3 << "cannot open";
    }
    void verify()
    {
        QFETCH(QString, fault);
        QFETCH(int, code);
        QFETCH(QString, message);
        std::string bytes = readFile(good);
        const size_t h = header.size();
        auto block = [&](int b) { return bytes.substr(h + size_t(b) * kBlockBytes, kBlockBytes); };
        if (fault == "truncate")
            bytes.resize(bytes.size() - 200);
        else if (fault == "swap")
            bytes = header + block(0) + block(1) + block(3) + block(2) + block(4) + block(5);
        else if (fault == "remove")
            bytes = header + block(0) + block(1) + block(2) + block(4) + block(5);
        else if (fault == "nan" || fault == "poke") {
            const double v = fault == "nan" ? std::nan("") : 1.5;
            const size_t at = fault == "nan" ? h + 4 * kBlockBytes + 7 * 8 : h + kBlockBytes + (kScans + 9) * 8;
            std::memcpy(&bytes[at], &v, 8);
        } else if (fault == "header")
            bytes.replace(bytes.find("NUMBER_OF_CHANNELS=3"), 20, "NUMBER_OF_CHANNELS=x");
        const std::string file = path("verify.bin7931");
        if (fault != "missing")
            writeFile(file, bytes);
        else
            std::remove(file.c_str());
        const Run r = runTool({"verify", QString::fromStdString(file)});
        QCOMPARE(r.code, code);
        QVERIFY2((code == 3 ? r.err : r.out).contains(message), qPrintable(r.out + r.err));
    }

    // The CSV equals the engine's own CSV recording of the same samples.
    void convertCsvEqualsPanelCsv()
    {
        const std::string panelCsv = path("panel.csv");
        QVERIFY(makeRecording(panelCsv, kMask, kSensors, kScans, kBlocks, 1));
        const Run r = runTool({"convert", qpath("good.bin7931"), "--to", "csv", "-o", qpath("conv.csv")});
        QCOMPARE(r.code, 0);
        const std::string mine = readFile(path("conv.csv")), theirs = readFile(panelCsv);
        QVERIFY(!theirs.empty());
        QCOMPARE(mine.size(), theirs.size());
        QVERIFY(mine == theirs);
    }

    void convertNpyReadByNumpy()
    {
        const Run r = runTool({"convert", qpath("good.bin7931"), "--to", "npy", "-o", qpath("conv.npy")});
        QCOMPARE(r.code, 0);
        QProcess py;
        py.start("/usr/bin/python3", {"-c", "import numpy,sys; a=numpy.load(sys.argv[1]); assert a.dtype==numpy.float64;"
                                   "print(a.shape[0], a.shape[1]); a.astype('<f8').tofile(sys.argv[2])",
                             qpath("conv.npy"), qpath("npy.raw")});
        QVERIFY(py.waitForFinished(20000));
        QCOMPARE(py.exitCode(), 0);
        QCOMPARE(QString(py.readAllStandardOutput()).trimmed(), QString("300 3"));
        compareRaw("npy.raw", 0, 3);
        QVERIFY(!QTest::currentTestFailed());
        QCOMPARE(readFile(path("conv.npy.channels.txt")),
                 std::string("FC1_CH1\tvolt\tV\nFC1_CH3\tres\tOhm\nFC1_CH5\tpt100\t\xC2\xB0" "C\n"));
    }

    void convertHdf5ReadByH5dump()
    {
        const Run r = runTool({"convert", qpath("good.bin7931"), "--to", "hdf5", "-o", qpath("conv.h5")});
        QCOMPARE(r.code, 0);
        QProcess head;
        head.start("h5dump", {"-H", qpath("conv.h5")});
        QVERIFY(head.waitForFinished(20000));
        const QString listing = head.readAllStandardOutput();
        QVERIFY2(listing.contains("DATASET \"FC1_CH5\"") && listing.contains("ATTRIBUTE \"SAMPLING_RATE_HZ\""),
                 qPrintable(listing));
        static const char *const names[3] = {"/FC1_CH1", "/FC1_CH3", "/FC1_CH5"};
        for (int k = 0; k < 3; ++k) {
            QProcess dump;
            dump.start("h5dump", {"-d", names[k], "-b", "LE", "-o", qpath("h5.raw"), qpath("conv.h5")});
            QVERIFY(dump.waitForFinished(20000));
            QCOMPARE(dump.exitCode(), 0);
            compareRaw("h5.raw", k, 1);
            QVERIFY(!QTest::currentTestFailed());
        }
    }

    // stats --blocks (CSV) and stats --json read back by numpy and compared
    // with numpy's nanmin, nanmax, nanmean and NaN counts of the samples:
    // minimum and maximum exactly, the mean to 1e-12 of its size.
    void statsMatchNumpy()
    {
        std::string bytes = readFile(good);
        const double nan = std::nan("");
        auto poke = [&](int block, int k, int scan) {
            std::memcpy(&bytes[header.size() + block * kBlockBytes + (k * kScans + scan) * 8], &nan, 8);
        };
        poke(1, 0, 3);
        poke(5, 0, 49);
        for (int t = 0; t < kScans; ++t)
            poke(4, 1, t); // FC1_CH3 holds only NaN in block 4
        writeFile(path("stats.bin7931"), bytes);
        Run perBlock = runTool({"stats", qpath("stats.bin7931"), "--blocks"});
        Run whole = runTool({"stats", "--json", qpath("stats.bin7931")});
        QVERIFY2(perBlock.code == 0 && whole.code == 0, qPrintable(perBlock.err + whole.err));
        writeFile(path("stats.csv"), perBlock.out.toStdString());
        writeFile(path("stats.json"), whole.out.toStdString());
        static const char *const script = R"(
import csv, json, sys, warnings
import numpy as np
raw = open(sys.argv[1], 'rb').read()
a = np.frombuffer(raw[raw.index(b'\n#\n') + 3:], '<f8').reshape(-1, 3, 50)
with warnings.catch_warnings():
    warnings.simplefilter('ignore')
    figures = lambda x, axis: (np.nanmin(x, axis), np.nanmax(x, axis), np.nanmean(x, axis), np.isnan(x).sum(axis))
    blocks, whole = figures(a, 2), figures(a.transpose(1, 0, 2).reshape(3, -1), 1)
def same(got, want, rel):
    got = np.nan if got is None or got == '' else float(got)
    return (np.isnan(got) and np.isnan(want)) or abs(got - want) <= rel * abs(want)
names = ['FC1_CH1', 'FC1_CH3', 'FC1_CH5']
rows = list(csv.reader(open(sys.argv[2])))
bad = [] if rows[0] == ['block', 'channel', 'minimum', 'maximum', 'mean', 'nan_count'] else ['header']
bad += [] if len(rows) == 1 + 3 * a.shape[0] else ['rows']
for r in rows[1:]:
    b, k = int(r[0]), names.index(r[1])
    if not (same(r[2], blocks[0][b, k], 0) and same(r[3], blocks[1][b, k], 0) and
            same(r[4], blocks[2][b, k], 1e-12) and int(r[5]) == blocks[3][b, k]):
        bad.append(r)
for k, c in enumerate(json.load(open(sys.argv[3]))['channels']):
    if not (c['name'] == names[k] and same(c['minimum'], whole[0][k], 0) and same(c['maximum'], whole[1][k], 0)
            and same(c['mean'], whole[2][k], 1e-12) and c['nan_count'] == whole[3][k]):
        bad.append(c)
print('NaN-only cells:', sum(r[2] == '' for r in rows[1:]), 'NaN samples:', int(whole[3].sum()))
print('OK' if not bad else bad)
)";
        QProcess py;
        py.start("/usr/bin/python3", {"-c", script, qpath("stats.bin7931"), qpath("stats.csv"), qpath("stats.json")});
        QVERIFY(py.waitForFinished(20000));
        const QString said = py.readAllStandardOutput() + py.readAllStandardError();
        qInfo("%s", qPrintable(said.section(QLatin1Char('\n'), 0, 0)));
        QVERIFY2(py.exitCode() == 0 && said.endsWith("OK\n"), qPrintable(said));
        // The NaN-only block of FC1_CH3 is there, besides the temperature channel's own NaN.
        QVERIFY2(said.contains(QRegularExpression("NaN-only cells: [1-9]")), qPrintable(said));
    }

    void convertRefusesToOverwriteOrWriteNowhere()
    {
        Run r = runTool({"convert", qpath("good.bin7931"), "--to", "csv", "-o", qpath("good.bin7931")});
        QCOMPARE(r.code, 2);
        r = runTool({"convert", qpath("good.bin7931"), "--to", "npy", "-o", qpath("no/such/dir/x.npy")});
        QCOMPARE(r.code, 3);
        QVERIFY(r.err.contains("cannot write"));
    }

    // A short headless run through the engine against the simulated
    // instrument: a whole recording that verify accepts; a stop by SIGINT
    // leaves a whole file too.
    void recordVerifies()
    {
        Run r = runTool({"record", "--seconds", "0.6", "--rate", "1000", "--scans", "50", "--channel", "2:volt",
                         "--channel", "4:res", "--out", qpath("rec.bin7931")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains("blocks of 50 scans"), qPrintable(r.out));
        r = runTool({"verify", qpath("rec.bin7931")});
        QVERIFY2(r.code == 0 && r.out.startsWith("OK: "), qPrintable(r.out));
        r = runTool({"info", "--json", qpath("rec.bin7931")});
        const QJsonArray chs = QJsonDocument::fromJson(r.out.toUtf8()).object().value("channels").toArray();
        QCOMPARE(chs.size(), 2);
        QCOMPARE(chs[0].toObject().value("kind").toString(), QString("volt"));
        QCOMPARE(chs[1].toObject().value("unit").toString(), QString("Ohm"));

        QProcess p;
        p.start(QStringLiteral(OV7931REC_PATH), {"record", "--seconds", "60", "--rate", "1000", "--scans", "50",
                                                 "--channel", "1", "--out", qpath("int.bin7931")});
        QVERIFY(p.waitForStarted());
        QTest::qWait(700);
        ::kill(pid_t(p.processId()), SIGINT);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        r = runTool({"verify", qpath("int.bin7931")});
        QVERIFY2(r.code == 0, qPrintable(r.out));
    }

    void recordFailures_data()
    {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("unwritable") << QStringList{"--out", "/no/such/dir/x.bin7931"} << 3 << "";
        QTest::newRow("bad descriptor") << QStringList{"--out", "x.bin7931", "--descriptor", "NOPE::9::INSTR"} << 4
                                        << "cannot open \"NOPE::9::INSTR\"";
    }
    void recordFailures()
    {
        QFETCH(QStringList, extra);
        QFETCH(int, code);
        QFETCH(QString, message);
        const Run r = runTool(QStringList{"record", "--seconds", "0.2", "--rate", "1000", "--scans", "50",
                                          "--channel", "1"} + extra);
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(TestRecTool)
#include "test_recTool.moc"
