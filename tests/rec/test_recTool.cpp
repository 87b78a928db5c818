// ov7931rec. As a child process, on recordings made by the panel's engine in
// the simulated instrument's sequence mode: every verb's exit code and
// message as a table (argument errors, help, info, verify on good,
// truncated, damaged, reordered and short-read files, refused outputs,
// headers that claim more than the panel records, record's own failures),
// all under a memory limit; convert, whose CSV must equal the engine's own
// CSV recording and whose .npy and HDF5 files are read back by numpy and
// h5dump sample by sample (Debian's numpy, so /usr/bin/python3); stats of a
// small file; existing outputs kept unless --force. In this process, so
// that the simulator's journal shows
// every call: record's set-up of the cards per sensor and sub-type, each
// failing set-up call with its message and the old recording kept, and a
// current not offered.
#include "ov7931.h"
#include "rec_support.h"
#include "recording_files.h"
#include "recArgs.h"
#include "recVerbs.h"
#include "runTexts.h"
#include "testkit.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using namespace rectest;
using streamtest::readAll;

namespace {

constexpr uint32_t kMask = 0x0015; // channels 1, 3, 5
constexpr int32_t kScans = 50;
constexpr size_t kBlockBytes = 3 * kScans * 8;
const int kSensors[16] = {4, 0, 3, 0, 0}; // 1 volt, 3 res, 5 pt100

// The channel set-up calls of one channel (the session argument left out), in call order.
QStringList setUpCallsOf(int channel)
{
    const QString calls = "^ov(8263_setATRIConfig|8263_setChanConfig|7931_setChanConfig|7931_setConversion)\\(\\d+, %1[,)]";
    return testkit::journalNames(QString(), true)
        .filter(QRegularExpression(calls.arg(channel)))
        .replaceInStrings(QRegularExpression("^(\\w+\\()\\d+, "), "\\1");
}

// Standard error of the calls made while it lives.
class StderrCapture
{
public:
    StderrCapture() : saved_(::dup(STDERR_FILENO))
    {
        std::fflush(stderr);
        file_.open();
        ::dup2(file_.handle(), STDERR_FILENO);
    }
    QString text()
    {
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
        return QString::fromStdString(readAll(file_.fileName().toStdString()));
    }

private:
    int saved_;
    QTemporaryFile file_;
};

} // namespace

class TestRecTool : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::string good;
    size_t header = 0; // the good recording's header bytes

    std::string path(const char *name) { return dir.filePath(name).toStdString(); }
    QString qpath(const char *name) { return dir.filePath(name); }

    // ov7931rec record run in this process for 0.25 s at 1000 Hz, 50 scans a block.
    int record(const QStringList &channels, const std::string &out, const QList<QByteArray> &more = {})
    {
        QList<QByteArray> words = QList<QByteArray>{"ov7931rec", "record", "--seconds", "0.25", "--rate", "1000",
                                                    "--scans", "50", "--out", QByteArray::fromStdString(out)} + more;
        for (const QString &c : channels)
            words << "--channel" << c.toLatin1();
        std::vector<const char *> argv;
        for (const QByteArray &w : words)
            argv.push_back(w.constData());
        RecArgs args;
        std::string error;
        return parseRecArgs(int(argv.size()), argv.data(), args, error) ? runRecord(args) : -1;
    }

private slots:
    void initTestCase()
    {
        good = path("good.bin7931");
        QVERIFY(makeRecording(good, kMask, kSensors, kScans, 6));
        const std::string bytes = readAll(good);
        header = bytes.find("\n#\n") + 3;
        QCOMPARE(bytes.size(), header + 6 * kBlockBytes);
    }

    // Each verb's exit code and what it says: every fragment in its output
    // (one that starts with "!" nowhere in it, one that starts with "=" all
    // of standard error). "GOOD" stands for the good
    // recording, "FILE" for one made from it by the row's damage. Argument
    // errors (exit 2) print nothing on standard output.
    void verbs_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("said");
        const auto row = [](const QString &name, const QStringList &args, int code, const QStringList &said,
                            const QString &damage = QString()) {
            QTest::newRow(qPrintable(name)) << args << damage << code << said;
        };
        const auto bad = [&](const QStringList &args, const QString &message) { row("args: " + args.join(' '), args, 2, {message}); };
        bad({}, "no verb given");
        bad({"play"}, "unknown verb \"play\"");
        bad({"info"}, "info: no recording FILE given");
        bad({"info", "a", "b"}, "unexpected argument \"b\"");
        bad({"info", "a", "--csv"}, "unknown option --csv");
        bad({"stats", "--blocks"}, "stats: no recording FILE given");
        bad({"convert", "a"}, "--to csv|npy|hdf5 is required");
        bad({"convert", "a", "--to", "xls"}, "unknown format \"xls\"");
        bad({"convert", "a", "--to", "csv", "-o"}, "-o needs a value");
        bad({"record", "--seconds", "1", "--rate", "100", "--scans", "10", "--out", "x"}, "--channel is required");
        bad({"record", "--channel", "17"}, "N from 1 to 16, not \"17\"");
        bad({"record", "--channel", "2:pt200"}, "unknown channel kind");
        bad({"record", "--channel", "2", "--channel", "2:volt"}, "channel 2 given twice");
        bad({"record", "--scans", "99999999999999999999"},
            "--scans wants one of the panel's waveform lengths (10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000), not "
            "\"99999999999999999999\"");
        bad({"record", "--scans", "15"}, "10000), not \"15\"");
        bad({"record", "--rate", "1234"}, "--rate wants one of the panel's sampling rates in Hz (1, 2, 5, 10, 20, 50, 100, 200, "
                                          "500, 1000, 2000, 5000, 10000, 20000, 30000, 40000, 50000), not \"1234\"");
        bad({"record", "--rate", "1k"}, "not \"1k\"");
        bad({"record", "--seconds", "inf"}, "--seconds wants");
        bad({"record", "--channel", "2:res:1mA"},
            "unknown excitation current \"1mA\" in --channel 2:res:1mA (Off, 500uA, 100uA, 10uA, 50uA, 250uA, 1.25mA, 2.5mA or "
            "5mA; which of them a channel offers depends on the card)");
        bad({"record", "--channel", "3:volt:500uA"}, "a volt channel takes no excitation current");
        bad({"convert", "GOOD", "--to", "csv", "-o", "GOOD", "--force"}, "");
        bad({"convert", "GOOD", "--to", "csv", "-o", "DIR/./good.bin7931", "--force"}, "");
        row("convert to a missing folder", {"convert", "GOOD", "--to", "npy", "-o", "DIR/no/such/dir/x.npy"}, 3, {"cannot write"});
        row("tool help", {"--help"}, 0, {"Usage: ov7931rec VERB"});
        row("info help", {"info", "--help"}, 0, {"Usage: ov7931rec info FILE [--json]"});
        row("verify help", {"verify", "-h"}, 0, {"Usage: ov7931rec verify FILE"});
        row("convert help", {"convert", "--help"}, 0, {"Usage: ov7931rec convert FILE --to"});
        row("record help", {"record", "--help"}, 0, {"Usage: ov7931rec record --seconds N"});
        row("stats help", {"stats", "--help"}, 0, {"Usage: ov7931rec stats FILE [--blocks] [--json]"});
        row("info", {"info", "GOOD"}, 0,
            {"Blocks:            6\n", "Block length:      1200 bytes\n", "Duration:          0.300000 s\n",
             "FC1_CH1  volt    V", "FC1_CH3  res     Ohm", "FC1_CH5  pt100   \u00B0C", "!corrupt"});
        row("info --json of a cut file", {"info", "--json", "FILE"}, 0,
            {"\"block_count\": 2,", "\"block_bytes\": 1200,", "\"sampling_rate_hz\": 1000.0,", "\"corrupt\": true,",
             "\"warning\": \"Warning. The binary data seems corrupt.\"", "\"channel\": 1,", "\"unit\": \"V\"",
             "\"channel\": 5,\n      \"channel_mode\": 0,\n      \"excitation_current\": 0,\n      \"input_range\": 0,\n"
             "      \"kind\": \"pt100\",\n      \"name\": \"FC1_CH5\",\n      \"sensor_type\": 0,\n      \"unit\": \"\u00B0C\""},
            "cut");
        // Verify names the first bad block of each fault. Blocks 2 and 4
        // read short (45 and 0 scans): each volt and res channel named, not
        // the temperature channel; then the count.
        const auto verify = [&](const char *name, const char *damage, int code, const QString &message) {
            row(QString("verify, ") + name, {"verify", "FILE"}, code, {message}, damage);
        };
        verify("good", "", 0, "OK: 6 whole blocks of 50 scans x 3 channels, sequence data in order");
        verify("truncated", "truncate", 1, "block 5: incomplete: 1000 of 1200 bytes");
        verify("swapped", "swap", 1, "block 2: holds scans 150..199 of channel FC1_CH1 where scans 100..149 belong");
        verify("removed", "remove", 1, "block 3: holds scans 200..249");
        verify("NaN in volt", "nan", 1, "block 4: NaN in channel FC1_CH1 (volt) at scan 7");
        verify("short reads", "short", 1,
               "block 2: channel FC1_CH1: scans 45..49 missing (short read)\n"
               "block 2: channel FC1_CH3: scans 45..49 missing (short read)\n"
               "block 4: channel FC1_CH1: scans 0..49 missing (short read)\n"
               "block 4: channel FC1_CH3: scans 0..49 missing (short read)\n" +
                   QString::fromStdString(shortBlocksText(2, 6)));
        verify("NaN closing a temperature channel", "tempnan", 0, "OK: 6 whole blocks");
        verify("broken sample", "poke", 1, "block 1: channel FC1_CH3 breaks the sequence at scan 9");
        verify("damaged header", "header", 3, "is not a readable 7931 recording");
        verify("missing file", "missing", 3, "cannot open");
        // Headers that claim what the panel cannot record, over a few bytes
        // of data: every verb refuses them naming the line and field, within
        // the memory limit (before, 16 x 2147483647 scans aborted with
        // std::bad_alloc and 20 M scans took gigabytes). The largest block
        // the panel records, over too few bytes, is read as the incomplete
        // file it is.
        const QString beyond = "line 5, NUMBER_OF_SCANS_PER_BLOCK=%1: more scans per block than the panel records (at most 10000)";
        const QString atOrBelowZero = "line 3, SAMPLING_RATE_HZ=%1: a sampling rate of 0 Hz or below, which the panel does not record";
        const QList<QStringList> hostile{{"1000.000000", "16", "2147483647", beyond.arg("2147483647")},
                                         {"1000.000000", "1", "2147483647", beyond.arg("2147483647")},
                                         {"1000.000000", "16", "20000000", beyond.arg("20000000")},
                                         {"0.000000", "16", "1000", atOrBelowZero.arg("0.000000")},
                                         {"-5", "2", "10", atOrBelowZero.arg("-5")},
                                         {"", "2", "10", "SAMPLING_RATE_HZ: missing"},
                                         {"1000.000000", "0", "10", "line 4, NUMBER_OF_CHANNELS=0: not from 1 to 16"},
                                         {"50000.000000", "16", "10000", "block 0: incomplete: 17000 of 1280000 bytes"}};
        for (const QStringList &h : hostile) {
            const QString damage = "hostile:" + h.mid(0, 3).join(':');
            const bool readable = h[3].startsWith("block");
            for (const QStringList &verb : QList<QStringList>{{"verify"}, {"info"}, {"convert", "--to", "npy", "--force"},
                                                             {"convert", "--to", "hdf5", "--force"}})
                row(damage + " " + verb.join(' '), QStringList{verb[0], "FILE"} + verb.mid(1), !readable ? 3 : verb[0] == "verify",
                    {!readable ? "=ov7931rec: " + verb[0] + ": \"FILEPATH\" is not a readable 7931 recording: " + h[3] + "\n"
                               : verb[0] == "verify" ? h[3] : QString()},
                    damage);
        }
        // Stats of a small file figured out here: channel 1 with one NaN,
        // channel 3 with NaN only in block 1, per block and over the file.
        row("stats --blocks", {"stats", "FILE", "--blocks"}, 0,
            {"block,channel,minimum,maximum,mean,nan_count\n0,FC1_CH1,0.5,2.5,1.5,1\n0,FC1_CH3,3.5,5.5,4.5,0\n"
             "1,FC1_CH1,6.5,8.5,7.5,0\n1,FC1_CH3,,,,3\n"},
            "small");
        row("stats --json", {"stats", "--json", "FILE"}, 0,
            {"\"maximum\": 8.5,\n      \"mean\": 5.1,\n      \"minimum\": 0.5,\n      \"name\": \"FC1_CH1\",\n"
             "      \"nan_count\": 1,\n      \"samples\": 5,",
             "\"maximum\": 5.5,\n      \"mean\": 4.5,\n      \"minimum\": 3.5,\n      \"name\": \"FC1_CH3\",\n"
             "      \"nan_count\": 3,\n      \"samples\": 3,"},
            "small");
        // record: no file is left behind by a failed run.
        const QStringList run{"record", "--seconds", "0.2", "--rate", "1000", "--scans", "50", "--channel", "1", "--out"};
        row("record unwritable", run + QStringList{"/no/such/dir/x.bin7931"}, 3, {});
        row("record bad descriptor", run + QStringList{"x.bin7931", "--descriptor", "NOPE::9::INSTR"}, 4,
            {"could not open the digitizer \"NOPE::9::INSTR\": "});
    }
    void verbs()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, damage);
        QFETCH(int, code);
        QFETCH(QStringList, said);
        std::string bytes = readAll(good);
        const auto block = [&](int b) { return bytes.substr(header + size_t(b) * kBlockBytes, kBlockBytes); };
        const double nan = std::nan("");
        const auto put = [&](int b, int k, int from, int to, double v) { // scans from .. to - 1 of channel k
            for (int s = from; s < to; ++s)
                std::memcpy(&bytes[header + size_t(b) * kBlockBytes + size_t(k * kScans + s) * 8], &v, 8);
        };
        if (damage == "truncate")
            bytes.resize(bytes.size() - 200);
        else if (damage == "cut")
            bytes.resize(header + 2 * kBlockBytes + 100);
        else if (damage == "swap" || damage == "remove")
            bytes = bytes.substr(0, header) + block(0) + block(1) + (damage == "swap" ? block(3) + block(2) : block(2)) +
                    block(4) + block(5);
        else if (damage == "nan")
            put(4, 0, 7, 8, nan);
        else if (damage == "poke")
            put(1, 1, 9, 10, 1.5);
        else if (damage == "tempnan")
            put(1, 2, 40, kScans, nan);
        else if (damage == "header")
            bytes.replace(bytes.find("NUMBER_OF_CHANNELS=3"), 20, "NUMBER_OF_CHANNELS=x");
        for (int k = 0; k < 3 && damage == "short"; ++k) {
            put(2, k, 45, kScans, nan);
            put(4, k, 0, kScans, nan);
        }
        if (damage == "small") { // channels 1 (volt) and 3 (res), 3 scans, 2 blocks
            bytes = (rec::header("7931-BB", true, "1000.000000", 3, {{1, 4, 3}, {3, 3, 0}}) + rec::samples(true, 6, 2))
                        .toStdString();
            for (int k : {1, 9, 10, 11})
                std::memcpy(&bytes[bytes.size() - size_t(12 - k) * 8], &nan, 8);
        }
        if (damage.startsWith("hostile:")) {
            const QStringList h = damage.mid(8).split(':');
            bytes = "DEVICE=Keltri 7931-BB\nFORMAT=ViReal64\n" + (h[0].isEmpty() ? "" : "SAMPLING_RATE_HZ=" + h[0].toStdString() + "\n") +
                    "NUMBER_OF_CHANNELS=" + h[1].toStdString() + "\nNUMBER_OF_SCANS_PER_BLOCK=" + h[2].toStdString() +
                    "\nNUMBER_OF_FUNCTION_CARDS=1\nCHANNEL_MASK_FC1=0xffff\n#\n" + std::string(17000, '\x01');
        }
        const QString file = qpath("f.bin7931");
        QFile::remove(file);
        QFile::remove(qpath("f.npy"));
        if (damage != "missing")
            writeFile(file.toStdString(), bytes);
        args.replaceInStrings("GOOD", QString::fromStdString(good)).replaceInStrings("FILE", file).replaceInStrings("DIR", dir.path());
        const Run r = runTool(args);
        QVERIFY2(r.code == code, qPrintable(QString::number(r.code) + ": " + r.out + r.err));
        for (QString s : said) {
            s.replace("FILEPATH", file);
            QVERIFY2(s.startsWith('!')   ? !(r.out + r.err).contains(s.mid(1))
                     : s.startsWith('=') ? r.err == s.mid(1)
                                         : (r.out + r.err).contains(s),
                     qPrintable(r.out + r.err));
        }
        QVERIFY(code != 2 || (r.err.startsWith("ov7931rec: ") && r.out.isEmpty()));
        QVERIFY(!QFile::exists("x.bin7931")); // the failed run's file is gone
    }

    // The CSV equals the engine's own CSV recording of the same samples.
    void convertCsvEqualsPanelCsv()
    {
        QVERIFY(makeRecording(path("panel.csv"), kMask, kSensors, kScans, 6, 1));
        QCOMPARE(runTool({"convert", QString::fromStdString(good), "--to", "csv", "-o", qpath("conv.csv")}).code, 0);
        const std::string theirs = readAll(path("panel.csv"));
        QVERIFY(!theirs.empty() && readAll(path("conv.csv")) == theirs);
    }

    // The .npy read by numpy, each HDF5 data set dumped by h5dump: the
    // recording's samples, scan by scan; the channel list beside the .npy.
    void convertNpyAndHdf5ReadBack()
    {
        const QString g = QString::fromStdString(good);
        QCOMPARE(runTool({"convert", g, "--to", "npy", "-o", qpath("conv.npy")}).code, 0);
        QCOMPARE(runTool({"convert", g, "--to", "hdf5", "-o", qpath("conv.h5")}).code, 0);
        QCOMPARE(readAll(path("conv.npy.channels.txt")), std::string("FC1_CH1\tvolt\tV\nFC1_CH3\tres\tOhm\nFC1_CH5\tpt100\t\xC2\xB0" "C\n"));
        QStringList args{"-c", "import numpy, sys\n"
                               "raw = open(sys.argv[1], 'rb').read()\n"
                               "want = numpy.frombuffer(raw[raw.index(b'\\n#\\n') + 3:], '<f8').reshape(-1, 3, 50)\n"
                               "want = want.transpose(0, 2, 1).reshape(-1, 3)\n"
                               "npy = numpy.load(sys.argv[2])\n"
                               "assert npy.dtype == numpy.float64 and npy.shape == (300, 3) and (npy == want).all()\n"
                               "for k in range(3):\n"
                               "    assert (numpy.fromfile(sys.argv[3 + k], '<f8') == want[:, k]).all(), k\n"
                               "print('OK')",
                         g, qpath("conv.npy")};
        for (int k = 0; k < 3; ++k) {
            args << qpath("conv.h5") + QString::number(k);
            QProcess dump;
            dump.start("h5dump", {"-d", QString("/FC1_CH%1").arg(2 * k + 1), "-b", "LE", "-o", args.last(), qpath("conv.h5")});
            QVERIFY(dump.waitForFinished(20000) && dump.exitCode() == 0);
        }
        QProcess py;
        py.start("/usr/bin/python3", args);
        QVERIFY(py.waitForFinished(20000));
        QCOMPARE(py.readAllStandardOutput() + py.readAllStandardError(), QByteArray("OK\n"));
        QProcess head;
        head.start("h5dump", {"-H", qpath("conv.h5")});
        QVERIFY(head.waitForFinished(20000));
        const QString listing = head.readAllStandardOutput();
        QVERIFY2(listing.contains("DATASET \"FC1_CH5\"") && listing.contains("ATTRIBUTE \"SAMPLING_RATE_HZ\""), qPrintable(listing));
    }

    // An existing output is refused with exit code 3 and left as it was;
    // --force replaces it; a device is written in place, never replaced;
    // record refuses before it calls a driver.
    void existingOutputs()
    {
        QTemporaryDir here;
        const QString csv = here.filePath("old.csv"), npy = here.filePath("old.npy"), g = QString::fromStdString(good);
        writeFile(csv.toStdString(), "keep me");
        writeFile((npy + ".channels.txt").toStdString(), "keep me too");
        const auto said = [](const Run &r) { return QString::number(r.code) + " " + r.err; };
        const QString exists = "3 ov7931rec: %1: \"%2\" already exists (--force replaces it)\n";
        QCOMPARE(said(runTool({"convert", g, "--to", "csv", "-o", csv})), exists.arg("convert", csv));
        QCOMPARE(said(runTool({"convert", g, "--to", "npy", "-o", npy})), exists.arg("convert", npy + ".channels.txt"));
        QCOMPARE(readAll(csv.toStdString()), std::string("keep me"));
        QCOMPARE(QDir(here.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"old.csv", "old.npy.channels.txt"}));
        QCOMPARE(runTool({"convert", g, "--to", "csv", "-o", csv, "--force"}).code, 0);
        QVERIFY(readAll(csv.toStdString()).rfind("Sampling rate: 1000.000000 Hz\r\n", 0) == 0);
        QCOMPARE(runTool({"convert", g, "--to", "csv", "-o", "/dev/null", "--force"}).code, 0);
        struct stat st;
        QVERIFY(::stat("/dev/null", &st) == 0 && S_ISCHR(st.st_mode));
        const Run r = runTool({"record", "--seconds", "1", "--rate", "1000", "--scans", "50", "--channel", "1", "--out", csv},
                              {"OV7931FP_TRACE=" + here.filePath("trace.txt")});
        QCOMPARE(said(r), exists.arg("record", csv));
        QVERIFY(!QString::fromStdString(readAll(here.filePath("trace.txt").toStdString())).contains("blockedHardwareAccess"));
    }

    // Channel 3 recorded with a sensor, channel 16 not recorded: the calls
    // each gets, with the ranges and currents the panel offers first for the
    // sensor on the card's sub-type. On the 7931-BB the gain is the
    // conditioning card's code of the first range; a current asked for
    // makes the range follow it as in the panel. On the 7931-AE the
    // digitizer makes the range and the card stays at unity gain. The cards
    // are set up before the stream starts; the header names the card's own
    // sub-type and the channel as set up.
    void channelSetUp_data()
    {
        QTest::addColumn<QString>("subType");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("digitizerGain");
        QTest::addColumn<QString>("card"); // mode, gain, current
        QTest::addColumn<QString>("unit");
        QTest::newRow("BB pt100 (< 850, 500uA)") << "BB" << "pt100" << "2" << "1, 7, 1" << "1";
        QTest::newRow("BB pt500 (< 850)") << "BB" << "pt500" << "2" << "1, 5, 1" << "1";
        QTest::newRow("BB pt1000 (< 850)") << "BB" << "pt1000" << "2" << "1, 4, 1" << "1";
        QTest::newRow("BB res (< 20k, 500uA)") << "BB" << "res" << "2" << "1, 1, 1" << "1";
        QTest::newRow("BB res:10uA (< 1M)") << "BB" << "res:10uA" << "2" << "1, 1, 2" << "1";
        QTest::newRow("BB res:off (N\\A.)") << "BB" << "res:Off" << "2" << "1, 3, 0" << "1";
        QTest::newRow("BB pt100:off") << "BB" << "pt100:off" << "2" << "1, 7, 0" << "1";
        QTest::newRow("BB volt (10V, differential)") << "BB" << "volt" << "2" << "4, 1, 0" << "0";
        QTest::newRow("AE pt100 (< 850, 100uA)") << "AE" << "pt100" << "200" << "1, 3, 3" << "1";
        QTest::newRow("AE res (< 100K, 100uA)") << "AE" << "res" << "1" << "1, 3, 3" << "1";
        QTest::newRow("AE volt (10V)") << "AE" << "volt" << "1" << "4, 3, 0" << "0";
        QTest::newRow("AA pt1000 (< 850, 500uA)") << "AA" << "pt1000" << "5" << "1, 3, 1" << "1";
    }
    void channelSetUp()
    {
        QFETCH(QString, subType);
        QFETCH(QString, kind);
        QFETCH(QString, digitizerGain);
        QFETCH(QString, card);
        QFETCH(QString, unit);
        QVERIFY(testkit::loadScenario(testkit::defaultScenarioWith({"sub_type: BB", "sub_type: " + subType})));
        const std::string out = path("setup.bin7931");
        std::remove(out.c_str());
        QCOMPARE(record({"3:" + kind}, out), 0);
        QCOMPARE(setUpCallsOf(3), QStringList({"ov8263_setATRIConfig(3, 0, 0, 0, 0, 0)", "ov8263_setChanConfig(3, 1, " + digitizerGain + ", 0)",
                                               "ov7931_setChanConfig(3, " + card + ")", "ov7931_setConversion(3, " + unit + ")"}));
        QCOMPARE(setUpCallsOf(16), QStringList({"ov8263_setATRIConfig(16, 0, 0, 0, 0, 0)", "ov8263_setChanConfig(16, 0, 2, 0)",
                                                QString("ov7931_setChanConfig(16, 1, %1, 0)").arg(subType == "BB" ? 7 : 3),
                                                "ov7931_setConversion(16, 1)"}));
        const QStringList names = testkit::journalNames();
        QVERIFY(names.lastIndexOf("ov7931_setConversion") < names.indexOf("ov8263_startAcquisitionEx"));
        recordingInfo info;
        QCOMPARE(readRecordingHeader(out, info, nullptr), 0);
        QCOMPARE(QString::fromStdString(info.device), "7931-" + subType);
        QVERIFY(info.channelMasks[0] == 1u << 2 && info.blockCount >= 1);
        QCOMPARE(info.sensorTypes[2], sensorTypeFromKind(kind.section(':', 0, 0).toStdString()));
        QCOMPARE(info.channelModes[2], card.section(", ", 0, 0).toInt() - 1); // the file stores the mode code - 1
        QCOMPARE(info.excitationCurrents[2], card.section(", ", 2, 2).toInt());
    }

    // A failing set-up call or block read: what was being done with the
    // driver's text, then the call's own message, on standard error; exit
    // code 4, nothing streamed and no recording left, and with --force the
    // old file as it was, each said at the end; the sessions closed whatever
    // happened. A warning is printed and the run goes on, with --force
    // replacing the old file.
    void setUpFailures_data()
    {
        QTest::addColumn<QString>("function");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("doing");
        QTest::addColumn<QString>("message");
        QTest::newRow("open digitizer") << "ov8263_paramInit" << int(ov8263_ERROR_HARDWARE) << 4 << "open the digitizer \"VXI0::1::INSTR\""
                                        << "blockedHardwareAccess5(ov8263_paramInit, descriptor.c_str(), ViUInt16(1), ViUInt16(1), "
                                           "ViUInt16(1), &s.masterVi) failed due to [";
        QTest::newRow("init") << "ov7931_init" << int(ov7931_ERROR_HARDWARE) << 4 << "open the 7931 conditioning card on the digitizer"
                              << "blockedHardwareAccess4(ov7931_init, s.masterVi, VI_TRUE, VI_TRUE, &s.slaveVi) failed due to [";
        QTest::newRow("conditioning channel") << "ov7931_setChanConfig" << int(ov7931_ERROR_HARDWARE) << 4 << "switch off channel 1"
                                              << "blockedHardwareAccess5(ov7931_setChanConfig, app->slaveVi, d_ch + 1, mode, gain, "
                                                 "excitCurr) failed due to [";
        QTest::newRow("digitizer channel") << "ov8263_setChanConfig" << int(ov8263_ERROR_HARDWARE) << 4 << "switch off channel 1"
                                           << "blockedHardwareAccess5(ov8263_setChanConfig, app->masterVi, d_ch + 1, ov8263_CH_OFF, 2, "
                                              "VI_FALSE) failed due to [";
        QTest::newRow("sampling rate") << "ov8263_setAcquisitionMode" << int(ov8263_ERROR_FREQUENCY) << 4
                                       << "set the sampling rate of the digitizer to 1000 Hz"
                                       << "blockedHardwareAccess5(ov8263_setAcquisitionMode, masterVi, args.rate, 0, ov8263_DA_START_IMM, "
                                          "ov8263_DA_STOP_ERR_OFF) failed due to [";
        QTest::newRow("stream start") << "ov8263_startAcquisitionEx" << int(ov8263_ERROR_HARDWARE) << 4 << "start the acquisition"
                                      << "ov8263_startAcquisitionEx, masterVi, args.scans";
        QTest::newRow("block read") << "ov8263_readAcquisition" << int(ov8263_ERROR_HARDWARE) << 4 << "read a block from the digitizer"
                                    << "ov8263_readMultAcquisitionEx failed due to [";
        QTest::newRow("warning goes on") << "ov7931_setConversion" << int(ov7931_WARN_NO_EXCITATION) << 0 << ""
                                         << "ov7931rec: record: Warning: [";
    }
    void setUpFailures()
    {
        QFETCH(QString, function);
        QFETCH(int, status);
        QFETCH(int, code);
        QFETCH(QString, doing);
        QFETCH(QString, message);
        for (const bool force : {false, true}) {
            QVERIFY(testkit::loadScenario(QString()));
            ovsim::failNext(function.toStdString(), ViStatus(status));
            const std::string out = path(code == 0 ? "warned.bin7931" : "failed.bin7931");
            std::remove(out.c_str());
            if (force)
                writeFile(out, "old recording");
            StderrCapture err;
            const int exit = record({"2:pt100"}, out, force ? QList<QByteArray>{"--force"} : QList<QByteArray>{});
            const QString text = err.text(), driver = text.section("failed due to [", 1).section("]\n", 0, 0);
            QCOMPARE(exit, code);
            QVERIFY2(text.contains(message) && (code == 0 || text.startsWith("ov7931rec: record: could not " + doing + ": " + driver + "\n")),
                     qPrintable(text));
            const QString left = QString::fromStdString(readAll(out)), kept = force ? "left as it was" : "not kept";
            QVERIFY(code == 0 ? left.startsWith("DEVICE=") : left == (force ? "old recording" : ""));
            QVERIFY(!function.contains("Acquisition") ||
                    text.endsWith(QString("no block was recorded; \"%1\" is %2\n").arg(out.c_str(), kept)));
            QVERIFY(code == 0 || QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter("failed").size() == int(force));
            QVERIFY(code == 0 || function.contains("Acquisition") || ovsim::journalOf("ov8263_startAcquisitionEx").empty());
            QCOMPARE(ovsim::journalOf("ov8263_close").size(), size_t(function == "ov8263_paramInit" ? 0 : 1));
        }
    }

    // A current the card does not offer: exit 2 with the list, before any
    // channel is set up, and no file left.
    void currentNotOffered()
    {
        QVERIFY(testkit::loadScenario(testkit::defaultScenarioWith({"sub_type: BB", "sub_type: AE"})));
        StderrCapture err;
        QCOMPARE(record({"2:res:10uA"}, path("notoffered.bin7931")), 2);
        QCOMPARE(err.text(), QString("ov7931rec: record: channel 2 of a 7931-AE offers the currents Off or 100uA, "
                                     "not \"10uA\"\n"));
        QVERIFY(ovsim::journalOf("ov7931_setChanConfig").empty() && !QFile::exists(qpath("notoffered.bin7931")));
    }
};

QTEST_GUILESS_MAIN(TestRecTool)
#include "test_recTool.moc"
