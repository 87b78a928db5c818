// ov7931rec run as a child process on recordings made by the panel's engine
// in the simulated instrument's sequence mode: its argument errors, info
// (text and JSON), verify on good, truncated, damaged, reordered and short-read files,
// and convert, whose CSV must equal the engine's own CSV recording of the
// same samples and whose .npy and HDF5 files are read back by numpy and
// h5dump and compared sample by sample (Debian's numpy, so /usr/bin/python3).
// Neither record nor convert replaces a file unless --force, and headers
// that claim more than the panel records are refused under a memory limit
// by every verb, as is every input of the recording-file fuzz corpus;
// stats per block and over the whole recording against numpy's figures of
// the same file with NaN samples and a block of NaN only.
#include "rec_support.h"
#include "runTexts.h"
#include "testkit.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstring>
#include <sys/stat.h>

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
            << QStringList{"record", "--scans", "99999999999999999999"}
            << "--scans wants one of the panel's waveform lengths (10, 20, 50, 100, 200, 500, 1000, 2000, 5000, "
               "10000), not \"99999999999999999999\"";
        QTest::newRow("record scans not offered") << QStringList{"record", "--scans", "15"} << "10000), not \"15\"";
        QTest::newRow("record rate not offered")
            << QStringList{"record", "--rate", "1234"}
            << "--rate wants one of the panel's sampling rates in Hz (1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, "
               "5000, 10000, 20000, 30000, 40000, 50000), not \"1234\"";
        QTest::newRow("record rate 0") << QStringList{"record", "--rate", "0"} << "50000), not \"0\"";
        QTest::newRow("record unknown current")
            << QStringList{"record", "--channel", "2:res:1mA"}
            << "unknown excitation current \"1mA\" in --channel 2:res:1mA (Off, 500uA, 100uA, 10uA, 50uA, 250uA, "
               "1.25mA, 2.5mA or 5mA; which of them a channel offers depends on the card)";
        QTest::newRow("record volt with a current")
            << QStringList{"record", "--channel", "3:volt:500uA"} << "a volt channel takes no excitation current";
        QTest::newRow("info --force") << QStringList{"info", "a", "--force"} << "unknown option --force";
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
        // Blocks 2 and 4 read short (45 and 0 scans): each volt and res
        // channel named, not the temperature channel; then the count.
        QTest::newRow("short reads") << "short" << 1
                                     << "block 2: channel FC1_CH1: scans 45..49 missing (short read)\n"
                                        "block 2: channel FC1_CH3: scans 45..49 missing (short read)\n"
                                        "block 4: channel FC1_CH1: scans 0..49 missing (short read)\n"
                                        "block 4: channel FC1_CH3: scans 0..49 missing (short read)\n" +
                                            QString::fromStdString(shortBlocksText(2, 6));
        QTest::newRow("NaN closing a temperature channel") << "tempnan" << 0 << "OK: 6 whole blocks";
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
        } else if (fault == "short" || fault == "tempnan") {
            const double v = std::nan("");
            const auto nanFrom = [&](int b, int k, int from) {
                for (int s = from; s < kScans; ++s)
                    std::memcpy(&bytes[h + size_t(b) * kBlockBytes + size_t(k * kScans + s) * 8], &v, 8);
            };
            for (int k = 0; k < 3 && fault == "short"; ++k) {
                nanFrom(2, k, 45);
                nanFrom(4, k, 0);
            }
            if (fault == "tempnan")
                nanFrom(1, 2, 40);
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
        Run r = runTool({"convert", qpath("good.bin7931"), "--to", "csv", "-o", qpath("good.bin7931"), "--force"});
        QCOMPARE(r.code, 2);
        r = runTool({"convert", qpath("good.bin7931"), "--to", "csv", "-o", dir.path() + "/./good.bin7931", "--force"});
        QCOMPARE(r.code, 2);
        r = runTool({"convert", qpath("good.bin7931"), "--to", "npy", "-o", qpath("no/such/dir/x.npy")});
        QCOMPARE(r.code, 3);
        QVERIFY(r.err.contains("cannot write"));
    }

    // An existing output is refused with exit code 3 and left as it was;
    // --force replaces it. A conversion that fails keeps no output.
    void existingOutputs()
    {
        QTemporaryDir here;
        const QString csv = here.filePath("old.csv"), npy = here.filePath("old.npy");
        writeFile(csv.toStdString(), "keep me");
        writeFile((npy + ".channels.txt").toStdString(), "keep me too");
        Run r = runTool({"convert", qpath("good.bin7931"), "--to", "csv", "-o", csv});
        QCOMPARE(r.code, 3);
        QCOMPARE(r.err, "ov7931rec: convert: \"" + csv + "\" already exists (--force replaces it)\n");
        r = runTool({"convert", qpath("good.bin7931"), "--to", "npy", "-o", npy});
        QCOMPARE(r.code, 3);
        QVERIFY2(r.err.contains(npy + ".channels.txt\" already exists"), qPrintable(r.err));
        QCOMPARE(readFile(csv.toStdString()), std::string("keep me"));
        QCOMPARE(QDir(here.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"old.csv", "old.npy.channels.txt"}));

        r = runTool({"convert", qpath("good.bin7931"), "--to", "csv", "-o", csv, "--force"});
        QCOMPARE(r.code, 0);
        QVERIFY(readFile(csv.toStdString()) == readFile(path("conv.csv")));
        // A device is written in place, never replaced.
        r = runTool({"convert", qpath("good.bin7931"), "--to", "csv", "-o", "/dev/null", "--force"});
        QCOMPARE(r.code, 0);
        struct stat st;
        QVERIFY(::stat("/dev/null", &st) == 0 && S_ISCHR(st.st_mode));

        // record refuses before it calls a driver.
        r = runTool({"record", "--seconds", "1", "--rate", "1000", "--scans", "50", "--channel", "1", "--out", csv},
                    20000, {"OV7931FP_TRACE=" + here.filePath("trace.txt")});
        QCOMPARE(r.code, 3);
        QCOMPARE(r.err, "ov7931rec: record: \"" + csv + "\" already exists (--force replaces it)\n");
        const QString trace = QString::fromStdString(readFile(here.filePath("trace.txt").toStdString()));
        QVERIFY2(!trace.contains("blockedHardwareAccess"), qPrintable(trace));
    }

    // The run of the report: a rate the digitizer refuses (its scenario
    // offers at most 20 kHz) over an existing recording. Without --force it
    // is refused before any driver call; with --force the run fails with
    // the driver's words and the old recording stays whole; a new file is
    // not left behind.
    void refusedRateDestroysNothing()
    {
        QTemporaryDir here;
        const QString scenario = here.filePath("slow.yaml");
        writeFile(scenario.toStdString(),
                  testkit::defaultScenarioWith({"revision: \"2.4.1.0\"", "revision: \"2.4.1.0\"\n        max_frequency: 20000"})
                      .toStdString());
        const QStringList env{"OVSIM_SCENARIO=" + scenario};
        const QString victim = here.filePath("victim.bin7931");
        const std::string old = readFile(good);
        writeFile(victim.toStdString(), old);
        const QStringList run{"record", "--seconds", "1", "--rate", "50000", "--scans", "1000", "--channel", "1", "--out"};

        Run r = runTool(run + QStringList{victim}, 20000, env);
        QCOMPARE(r.code, 3);
        r = runTool(run + QStringList{victim, "--force"}, 20000, env);
        QCOMPARE(r.code, 4);
        QVERIFY2(r.err.startsWith("ov7931rec: record: could not set the sampling rate of the digitizer to "
                                  "50000 Hz: "),
                 qPrintable(r.err));
        QVERIFY2(r.err.contains("\nov7931rec: record: blockedHardwareAccess5(ov8263_setAcquisitionMode, masterVi, "
                                "args.rate, 0, ov8263_DA_START_IMM, ov8263_DA_STOP_ERR_OFF) failed due to ["),
                 qPrintable(r.err));
        QVERIFY2(r.err.endsWith("no block was recorded; \"" + victim + "\" is left as it was\n"), qPrintable(r.err));
        QVERIFY(readFile(victim.toStdString()) == old);

        const QString fresh = here.filePath("fresh.bin7931");
        r = runTool(run + QStringList{fresh}, 20000, env);
        QCOMPARE(r.code, 4);
        QVERIFY2(r.err.endsWith("no block was recorded; \"" + fresh + "\" is not kept\n"), qPrintable(r.err));
        QCOMPARE(QDir(here.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"slow.yaml", "victim.bin7931"}));

        // A rate it takes: --force replaces the old recording at the end.
        r = runTool(QStringList{"record", "--seconds", "0.3", "--rate", "1000", "--scans", "50", "--channel", "2:res",
                                "--out", victim, "--force"},
                    20000, env);
        QCOMPARE(r.code, 0);
        r = runTool({"info", "--json", victim});
        QCOMPARE(QJsonDocument::fromJson(r.out.toUtf8()).object().value("channel_mask_fc1").toInt(), 2);
        QCOMPARE(QDir(here.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"slow.yaml", "victim.bin7931"}));
    }

    // Headers that claim what the panel cannot record, over a few bytes of
    // data: every verb refuses them naming the line and field, within a
    // 1 GB memory limit (before, 16 x 2147483647 scans aborted with
    // std::bad_alloc and 20 M scans took gigabytes). The largest block the
    // panel records, over too few bytes, is read as the incomplete file it is.
    void hostileHeaders_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const auto make = [](const char *rate, const char *channels, const char *scans) {
            return QByteArray("DEVICE=Keltri 7931-BB\nFORMAT=ViReal64\nSAMPLING_RATE_HZ=") + rate +
                   "\nNUMBER_OF_CHANNELS=" + channels + "\nNUMBER_OF_SCANS_PER_BLOCK=" + scans +
                   "\nNUMBER_OF_FUNCTION_CARDS=1\nCHANNEL_MASK_FC1=0xffff\n#\n";
        };
        const QString beyond = "line 5, NUMBER_OF_SCANS_PER_BLOCK=%1: more scans per block than the panel records "
                               "(at most 10000)";
        QTest::newRow("16 x 2147483647") << make("1000.000000", "16", "2147483647") << 3 << beyond.arg("2147483647");
        QTest::newRow("1 x 2147483647") << make("1000.000000", "1", "2147483647") << 3 << beyond.arg("2147483647");
        QTest::newRow("16 x 20 M") << make("1000.000000", "16", "20000000") << 3 << beyond.arg("20000000");
        QTest::newRow("rate 0") << make("0.000000", "16", "1000") << 3
                                << "line 3, SAMPLING_RATE_HZ=0.000000: a sampling rate of 0 Hz or below, which the "
                                   "panel does not record";
        QTest::newRow("rate -5") << make("-5", "2", "10") << 3
                                 << "line 3, SAMPLING_RATE_HZ=-5: a sampling rate of 0 Hz or below, which the panel "
                                    "does not record";
        QTest::newRow("rate missing") << make("1000", "2", "10").replace("SAMPLING_RATE_HZ=1000\n", "") << 3
                                      << "SAMPLING_RATE_HZ: missing";
        QTest::newRow("no channels") << make("1000.000000", "0", "10") << 3
                                     << "line 4, NUMBER_OF_CHANNELS=0: not from 1 to 16";
        QTest::newRow("16 x 10000, too few bytes") << make("50000.000000", "16", "10000") << 1
                                                   << "block 0: incomplete: 17000 of 1280000 bytes";
    }
    void hostileHeaders()
    {
        QFETCH(QByteArray, header);
        QFETCH(int, code);
        QFETCH(QString, message);
        const std::string file = path("hostile.bin7931");
        writeFile(file, header.toStdString() + std::string(17000, '\x01'));
        const QString q = QString::fromStdString(file);
        std::remove(path("hostile.npy").c_str());
        const QList<QStringList> verbs{{"verify", q}, {"info", q}, {"convert", q, "--to", "npy", "--force"},
                                       {"convert", q, "--to", "hdf5", "--force"}};
        for (const QStringList &verb : verbs) {
            const Run r = runTool(verb, 20000, {}, 1024);
            const int want = verb[0] == "verify" ? code : code == 3 ? 3 : 0;
            QVERIFY2(r.code == want, qPrintable(verb.join(' ') + ": " + QString::number(r.code) + " " + r.err));
            if (code == 3)
                QCOMPARE(r.err, "ov7931rec: " + verb[0] + ": \"" + q + "\" is not a readable 7931 recording: " +
                                    message + "\n");
            else if (verb[0] == "verify")
                QVERIFY2(r.out.contains(message), qPrintable(r.out));
        }
    }

    // Every input of the recording-file fuzz target's corpus (seeds and
    // findings) once more through the verbs, under the memory limit: each
    // ends with one of the documented exit codes.
    void fuzzCorpus()
    {
        const QDir corpus(qEnvironmentVariable("OVSIM_TEST_SOURCE_DIR") + "/tests/fuzz/corpus/recordingFile");
        const QFileInfoList files = corpus.entryInfoList(QDir::Files);
        QVERIFY2(files.size() >= 3, qPrintable(corpus.path()));
        for (const QFileInfo &f : files) {
            for (const QStringList &verb : QList<QStringList>{{"verify"}, {"convert", "--to", "npy", "-o", qpath("fuzz.npy"), "--force"}}) {
                const Run r = runTool(QStringList{verb[0], f.filePath()} + verb.mid(1), 20000, {}, 1024);
                QVERIFY2(r.code == 0 || r.code == 1 || r.code == 3,
                         qPrintable(f.fileName() + ": " + verb[0] + " " + QString::number(r.code) + " " + r.err));
            }
        }
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
                                        << "could not open the digitizer \"NOPE::9::INSTR\": ";
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
        QVERIFY(!QFile::exists("x.bin7931")); // the failed run's file is gone
    }
};

QTEST_GUILESS_MAIN(TestRecTool)
#include "test_recTool.moc"
