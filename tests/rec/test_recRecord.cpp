// ov7931rec record's set-up of the cards, run in this process against the
// simulated instrument so that its driver journal shows every call: each
// recorded channel gets the panel's default mode, range and current for its
// sensor (a resistance its primary current) or the current asked for,
// through the panel's own calls, the other channels are switched off as a
// fresh panel leaves them, the header names the card's sub-type and the
// channels as set up, a resistance reads what the resistor is, and a
// failing set-up call ends the run with what was being done, the driver's
// text and the call's message, exit code 4, and no file left behind; a run
// whose reads came short says so and ends with exit code 1.
#include "ov7931.h"
#include "ov8263.h"
#include "ovsim_control.h"
#include "rec_support.h"
#include "recArgs.h"
#include "recVerbs.h"
#include "recordingReader.h"
#include "runTexts.h"
#include "testkit.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace {

// The channel set-up calls of one channel (the session argument left out),
// in call order.
QStringList setUpCallsOf(int channel)
{
    static const char *const setUp[] = {"ov8263_setATRIConfig", "ov8263_setChanConfig", "ov7931_setChanConfig",
                                        "ov7931_setConversion"};
    QStringList calls;
    for (const ovsim::Call &c : ovsim::journal()) {
        if (std::find(std::begin(setUp), std::end(setUp), c.function) == std::end(setUp) || c.args.size() < 2 ||
            c.args[1] != std::to_string(channel))
            continue;
        QStringList args;
        for (size_t i = 1; i < c.args.size(); ++i)
            args << QString::fromStdString(c.args[i]);
        calls << QString::fromStdString(c.function) + "(" + args.join(", ") + ")";
    }
    return calls;
}

// Standard error of the calls made while it lives.
class StderrCapture
{
public:
    StderrCapture()
    {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        file_ = std::tmpfile();
        ::dup2(::fileno(file_), STDERR_FILENO);
    }
    QString text()
    {
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
        std::rewind(file_);
        QFile f;
        const QByteArray bytes = f.open(file_, QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        f.close();
        std::fclose(file_);
        return QString::fromLatin1(bytes);
    }

private:
    int saved_ = -1;
    std::FILE *file_ = nullptr;
};

} // namespace

class TestRecRecord : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

    std::string path(const char *name) const { return dir.filePath(name).toStdString(); }

    int record(const QStringList &channels, const std::string &out, const QList<QByteArray> &more = {},
               const char *seconds = "0.25")
    {
        QList<QByteArray> words{"ov7931rec", "record", "--seconds", seconds, "--rate", "1000", "--scans", "50",
                                "--out", QByteArray::fromStdString(out)};
        words << more;
        for (const QString &c : channels)
            words << "--channel" << c.toLatin1();
        std::vector<const char *> argv;
        for (const QByteArray &w : words)
            argv.push_back(w.constData());
        RecArgs args;
        std::string error;
        if (!parseRecArgs(int(argv.size()), argv.data(), args, error)) {
            qWarning("%s", error.c_str());
            return -1;
        }
        return runRecord(args);
    }

private slots:
    void init() { ovsim::clearFaults(); }

    // Channel 3 recorded with a sensor, channel 16 not recorded: the calls
    // each gets, with the ranges and currents the panel offers first for the
    // sensor on the card's sub-type.
    void channelSetUp_data()
    {
        QTest::addColumn<QString>("subType");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("recorded");
        QTest::addColumn<QStringList>("unused");
        const QStringList unusedB{"ov8263_setATRIConfig(16, 0, 0, 0, 0, 0)", "ov8263_setChanConfig(16, 0, 2, 0)",
                                  "ov7931_setChanConfig(16, 1, 7, 0)", "ov7931_setConversion(16, 1)"};
        auto b = [](const char *mode, const char *gain, const char *current, const char *unit) {
            return QStringList{"ov8263_setATRIConfig(3, 0, 0, 0, 0, 0)", "ov8263_setChanConfig(3, 1, 2, 0)",
                               QString("ov7931_setChanConfig(3, %1, %2, %3)").arg(mode, gain, current),
                               QString("ov7931_setConversion(3, %1)").arg(unit)};
        };
        // 7931-BB: the gain is the conditioning card's code of the first range.
        QTest::newRow("BB pt100 (< 850, 500uA)") << "BB" << "pt100" << b("1", "7", "1", "1") << unusedB;
        QTest::newRow("BB pt500 (< 850)") << "BB" << "pt500" << b("1", "5", "1", "1") << unusedB;
        QTest::newRow("BB pt1000 (< 850)") << "BB" << "pt1000" << b("1", "4", "1", "1") << unusedB;
        QTest::newRow("BB res (< 20k, 500uA)") << "BB" << "res" << b("1", "1", "1", "1") << unusedB;
        // A current asked for: the range follows it as in the panel.
        QTest::newRow("BB res:10uA (< 1M)") << "BB" << "res:10uA" << b("1", "1", "2", "1") << unusedB;
        QTest::newRow("BB res:off (N\\A.)") << "BB" << "res:Off" << b("1", "3", "0", "1") << unusedB;
        QTest::newRow("BB pt100:off") << "BB" << "pt100:off" << b("1", "7", "0", "1") << unusedB;
        QTest::newRow("BB volt (10V, differential)") << "BB" << "volt" << b("4", "1", "0", "0") << unusedB;
        // 7931-AE: the digitizer makes the range, the card stays at unity gain.
        auto a = [](const char *digitizerGain, const char *mode, const char *current, const char *unit) {
            return QStringList{"ov8263_setATRIConfig(3, 0, 0, 0, 0, 0)",
                               QString("ov8263_setChanConfig(3, 1, %1, 0)").arg(digitizerGain),
                               QString("ov7931_setChanConfig(3, %1, 3, %2)").arg(mode, current),
                               QString("ov7931_setConversion(3, %1)").arg(unit)};
        };
        const QStringList unusedAE{"ov8263_setATRIConfig(16, 0, 0, 0, 0, 0)", "ov8263_setChanConfig(16, 0, 2, 0)",
                                   "ov7931_setChanConfig(16, 1, 3, 0)", "ov7931_setConversion(16, 1)"};
        QTest::newRow("AE pt100 (< 850, 100uA)") << "AE" << "pt100" << a("200", "1", "3", "1") << unusedAE;
        QTest::newRow("AE res (< 100K, 100uA)") << "AE" << "res" << a("1", "1", "3", "1") << unusedAE;
        QTest::newRow("AE volt (10V)") << "AE" << "volt" << a("1", "4", "0", "0") << unusedAE;
        QTest::newRow("AA pt1000 (< 850, 500uA)") << "AA" << "pt1000" << a("5", "1", "1", "1") << unusedAE;
    }
    void channelSetUp()
    {
        QFETCH(QString, subType);
        QFETCH(QString, kind);
        QFETCH(QStringList, recorded);
        QFETCH(QStringList, unused);
        QVERIFY(testkit::loadScenario(testkit::defaultScenarioWith({"sub_type: BB", "sub_type: " + subType})));
        const std::string out = path("setup.bin7931");
        std::remove(out.c_str());
        QCOMPARE(record({"3:" + kind}, out), 0);

        QCOMPARE(setUpCallsOf(3), recorded);
        QCOMPARE(setUpCallsOf(16), unused);
        // The cards are set up before the stream starts.
        const QStringList names = testkit::journalNames();
        QVERIFY(names.lastIndexOf("ov7931_setConversion") < names.indexOf("ov8263_startAcquisitionEx"));

        // The header: the card's own sub-type and the channel as set up.
        recordingInfo info;
        QCOMPARE(readRecordingHeader(out, info, nullptr), 0);
        QCOMPARE(QString::fromStdString(info.device), "7931-" + subType);
        QCOMPARE(info.channelMasks[0], uint16_t(1u << 2));
        QCOMPARE(info.sensorTypes[2], sensorTypeFromKind(kind.section(':', 0, 0).toStdString()));
        const QStringList set = recorded[2].section('(', 1).chopped(1).split(", ");
        QCOMPARE(info.channelModes[2], set[1].toInt() - 1); // the file stores the mode code - 1
        QCOMPARE(info.excitationCurrents[2], set[3].toInt());
        QVERIFY(info.blockCount >= 1);
    }

    // A failing set-up call or block read: what was being done with the driver's text,
    // then the call's own message, on standard error; exit code 4, nothing
    // streamed and no recording left, and with --force the old file as it
    // was. A warning is printed and the run goes on.
    void setUpFailures_data()
    {
        QTest::addColumn<QString>("function");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("doing");
        QTest::addColumn<QString>("message");
        QTest::newRow("open digitizer")
            << "ov8263_paramInit" << int(ov8263_ERROR_HARDWARE) << 4 << "open the digitizer \"VXI0::1::INSTR\""
            << "blockedHardwareAccess5(ov8263_paramInit, descriptor.c_str(), ViUInt16(1), ViUInt16(1), ViUInt16(1), "
               "&s.masterVi) failed due to [";
        QTest::newRow("init") << "ov7931_init" << int(ov7931_ERROR_HARDWARE) << 4
                              << "open the 7931 conditioning card on the digitizer"
                              << "blockedHardwareAccess4(ov7931_init, s.masterVi, VI_TRUE, VI_TRUE, &s.slaveVi) failed "
                                 "due to [";
        QTest::newRow("conditioning channel")
            << "ov7931_setChanConfig" << int(ov7931_ERROR_HARDWARE) << 4 << "switch off channel 1"
            << "blockedHardwareAccess5(ov7931_setChanConfig, app->slaveVi, d_ch + 1, mode, gain, excitCurr) failed "
               "due to [";
        QTest::newRow("digitizer channel")
            << "ov8263_setChanConfig" << int(ov8263_ERROR_HARDWARE) << 4 << "switch off channel 1"
            << "blockedHardwareAccess5(ov8263_setChanConfig, app->masterVi, d_ch + 1, ov8263_CH_OFF, 2, VI_FALSE) "
               "failed due to [";
        QTest::newRow("sampling rate")
            << "ov8263_setAcquisitionMode" << int(ov8263_ERROR_FREQUENCY) << 4
            << "set the sampling rate of the digitizer to 1000 Hz"
            << "blockedHardwareAccess5(ov8263_setAcquisitionMode, masterVi, args.rate, 0, ov8263_DA_START_IMM, "
               "ov8263_DA_STOP_ERR_OFF) failed due to [";
        QTest::newRow("stream start") << "ov8263_startAcquisitionEx" << int(ov8263_ERROR_HARDWARE) << 4
                                      << "start the acquisition" << "ov8263_startAcquisitionEx, masterVi, args.scans";
        QTest::newRow("block read") << "ov8263_readAcquisition" << int(ov8263_ERROR_HARDWARE) << 4
                                    << "read a block from the digitizer"
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
                rectest::writeFile(out, "old recording");
            StderrCapture err;
            const int exit = record({"2:pt100"}, out, force ? QList<QByteArray>{"--force"} : QList<QByteArray>{});
            const QString text = err.text();
            QCOMPARE(exit, code);
            QVERIFY2(text.contains(message), qPrintable(text));
            // The driver's text, as the call's message gives it.
            const QString driver = text.section("failed due to [", 1).section("]\n", 0, 0);
            if (code != 0) {
                QVERIFY2(text.startsWith("ov7931rec: record: could not " + doing + ": " + driver + "\n"),
                         qPrintable(text));
                QCOMPARE(QString::fromStdString(rectest::readFile(out)), force ? QString("old recording") : QString());
                QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter("failed"),
                         force ? QStringList{"failed.bin7931"} : QStringList());
            }
            if (code != 0 && !QStringList{"ov8263_startAcquisitionEx", "ov8263_setAcquisitionMode",
                                          "ov8263_readAcquisition"}.contains(function))
                QVERIFY(ovsim::journalOf("ov8263_startAcquisitionEx").empty());
            // The sessions are closed whatever happened.
            QCOMPARE(ovsim::journalOf("ov8263_close").size(), size_t(function == "ov8263_paramInit" ? 0 : 1));
        }
    }

    // A resistance is measured: the default scenario's 1 kOhm resistor on
    // channel 2 reads 1 kOhm with the default current and with the 7931-BB's
    // secondary current.
    void resistanceIsMeasured_data()
    {
        QTest::addColumn<QString>("channel");
        QTest::newRow("default (500uA)") << "2:res";
        QTest::newRow("10uA") << "2:res:10uA";
    }
    void resistanceIsMeasured()
    {
        QFETCH(QString, channel);
        QVERIFY(testkit::loadScenario(QString()));
        const std::string out = path("resistor.bin7931");
        std::remove(out.c_str());
        QCOMPARE(record({channel}, out), 0);
        recordingInfo info;
        QCOMPARE(readRecordingHeader(out, info, nullptr), 0);
        QVERIFY(info.blockCount >= 1);
        std::vector<double> block(size_t(info.blockLength / 8));
        double sum = 0;
        for (uint64_t b = 0; b < info.blockCount; ++b) {
            QCOMPARE(readRecordingBlock(info, block.data(), b), 1);
            for (double v : block)
                sum += v;
        }
        const double mean = sum / double(info.blockCount * block.size());
        QVERIFY2(std::fabs(mean - 1000.0) < 10.0, qPrintable(QString::number(mean)));
    }

    // A current the card does not offer the channel: exit 2 with the list,
    // before any channel is set up, and no file left.
    void currentNotOffered()
    {
        QVERIFY(testkit::loadScenario(testkit::defaultScenarioWith({"sub_type: BB", "sub_type: AE"})));
        const std::string out = path("notoffered.bin7931");
        StderrCapture err;
        QCOMPARE(record({"2:res:10uA"}, out), 2);
        QCOMPARE(err.text(), QString("ov7931rec: record: channel 2 of a 7931-AE offers the currents Off or 100uA, not "
                                     "\"10uA\"\n"));
        QVERIFY(ovsim::journalOf("ov7931_setChanConfig").empty());
        QVERIFY(!QFile::exists(QString::fromStdString(out)));
    }

    // A FIFO with room for one block of the two channels and a callback 0.3
    // blocks late: 15 scans are lost and the next read delivers 35. The file
    // holds each channel's samples in its own segment with the missing scans
    // NaN; the run says how many blocks were short and ends with exit code 1.
    void shortReads()
    {
        QVERIFY(testkit::loadScenario(testkit::defaultScenarioWith(
            {"revision: \"2.4.1.0\"", "revision: \"2.4.1.0\"\n        fifo_samples: 100"})));
        ovsim::setManualClock(true);
        ovsim::scheduleStall(2, 0.015);
        // Once the stream runs, the clock moves in tenths of a block, eight blocks in all.
        std::thread clock([] {
            for (int i = 0; i < 10000 && ovsim::journalOf("ov8263_startAcquisitionEx").empty(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            for (int i = 0; i < 80; ++i)
                ovsim::advanceClock(0.005);
        });
        const std::string out = path("short.bin7931");
        StderrCapture err;
        const int exit = record({"1:pt100", "3:volt"}, out, {}, "2");
        clock.join();
        const QString text = err.text();
        QCOMPARE(exit, 1);
        QVERIFY2(text.contains("ov7931rec: record: " + QString::fromStdString(shortBlocksText(1, 8)) + "\n"),
                 qPrintable(text));

        recordingInfo info;
        QCOMPARE(readRecordingHeader(out, info, nullptr), 0);
        QCOMPARE(info.blockCount, uint64_t(8));
        std::vector<double> block(100);
        for (uint64_t b = 0; b < 8; ++b) {
            QCOMPARE(readRecordingBlock(info, block.data(), b), 1);
            for (int s = 0; s < 50; ++s) {
                const double celsius = block[size_t(s)], volt = block[size_t(50 + s)];
                if (b == 3 && s >= 35)
                    QVERIFY2(std::isnan(celsius) && std::isnan(volt), qPrintable(QString::number(s)));
                else // the PT-100's 23.5 degC and the sine's volts, each in its own segment
                    QVERIFY2(std::fabs(celsius - 23.5) < 0.5 && std::fabs(volt) < 1.6,
                             qPrintable(QString("block %1 scan %2: %3 %4").arg(b).arg(s).arg(celsius).arg(volt)));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestRecRecord)
#include "test_recRecord.moc"
