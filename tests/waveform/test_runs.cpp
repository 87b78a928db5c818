// Runs of the waveform window against the simulated instrument, and
// recordings viewed in it. Single shots: the start sequence, the poll with
// its trigger pulse, completion by state and by backlog, a short read,
// every driver call's text and reporting rule, the channels' status poll.
// Continuous runs: the set-up calls, the display hand-off and its time
// axis, the file-size text and its colour, a recording viewed back with the
// channels as recorded, how a run ends on each fault (the box shown at the
// stop, a quick run after it) and refused starts. (The error bits' texts
// are a table in tests/acquisition/test_acquisition.) The streaming core
// itself (ring, writer, fault handling) is tested in tests/stream; here
// only what the panel adds to it.
// Viewing: the panel locked to the header (lists, channel panels, slider
// row) with no settings file read or written; slider value v showing block
// v-1 over its own time window (8- and 4-byte samples, a time offset, the
// last whole block of a sparse file beyond 4 GiB); the continuous button
// playing to the end; header codes outside the panel's items, values the
// panel does not offer. The overview under the slider: a spike in one
// block of a long recording shows in one column and a drag onto it shows
// that block.
#include "channelbench.h"
#include "ov7931.h"
#include "ov7931Demo_Config.h"
#include "ov7931Demo_acqConfig.h"
#include "ov7931Demo_hwaccess.h"
#include "ov7931Demo_overview.h"
#include "ov7931Demo_recordingView.h"
#include "ov8263.h"
#include "ovsim_control.h"
#include "recording_files.h"
#include "runTexts.h"
#include "testkit.h"
#include "wave_helpers.h"

#include <QDir>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>

#include <cmath>
#include <sched.h>

using namespace wave;
using namespace rec;

namespace {

constexpr int kScans = 100;      // per block, at 1 kHz
constexpr double kBlock = 0.1;   // seconds per block
const ViStatus forwarded = ov7931_ERROR_FC_DRIVER; // its text depends on the reporting rule
const QString b = "blockedHardwareAccess";
const QString checkText = b + "4(ov8263_checkAcquisition, app->masterVi, &gl_state, &gl_errors, &gl_scanBacklog)";

int countOf(const std::string &function) { return int(ovsim::journalOf(function).size()); }
std::string functionOf(const QString &callText) { return callText.section('(', 1).section(',', 0, 0).toStdString(); }
QStringList callsOf(const QString &pattern) { return ChannelBench::calls().filter(QRegularExpression(pattern)); }

// The box a reporting rule gives for the forwarded status of a failed call.
QString expected(const QString &callText, bool digitizerRule)
{
    const StatusReport r = describeStatus(forwarded, callText.toLatin1().constData(),
                                          digitizerRule ? ReportRule::Digitizer : ReportRule::Conditioning);
    return r.isError ? r.text + "\nDo you want to exit?" : r.text;
}

// Each channel panel's sensor, mode, range and current, or "off".
QStringList channelSettings(const ov7931Demo_App *app)
{
    QStringList settings;
    for (const ov7931Demo_ChCfg *p : app->chCfg)
        settings << (p->isEnabled() ? QStringLiteral("%1/%2/%3/%4").arg(p->sensorType()).arg(p->mode())
                                          .arg(p->rangeIndex()).arg(p->excitationCode())
                                    : QStringLiteral("off"));
    return settings;
}

// Where a fault strikes a single shot: in the start, in the poll (while
// arming, while "Ready", at the end of the block) or in the stop.
enum Phase { Start, Arming, Ready, End, Stop };

} // namespace

class TestRuns : public QObject
{
    Q_OBJECT

    AppFixture *fx = nullptr;
    ov7931Demo_App *app = nullptr;
    ov7931Demo_Waveform *w = nullptr;

    // Channels 1 PT-100 at 500 uA (the scenario's 23.5 degC, as on a fresh
    // settings file), 2 Resistance at 500 uA and 3 Voltage, both carrying
    // sequence samples; 100 scans at 1 kHz; the clock is the test's.
    void open()
    {
        app = fx->create(AppFixture::Mode::Live);
        enable(app, {{1, Resistance}, {2, Voltage}});
        w = app->waveform;
        app->chCfg[1]->excitationSelector->setCurrentIndex(1);
        app->waveformLengthList()->setCurrentText(QStringLiteral("100"));
        app->samplingRateList()->setCurrentText(QStringLiteral("1 kHz"));
        ovsim::setManualClock(true);
        ovsim::setIntegrityMode(true);
        ovsim::setIntegrityChannels(0x6);
        ovsim::clearJournal();
    }
    // Starts a single shot; the poll's ticks are the test's.
    void startShot()
    {
        app->singleShotButton()->click();
        QVERIFY(app->singleShotButton()->isChecked());
        w->acqTimer->stop();
    }
    void tickAfter(double seconds) { ovsim::advanceClock(seconds), w->timerSlot(); }

    // Presses the continuous button; the dialog's "Start" is clicked with
    // `path` for a binary recording; the poll's ticks are the test's.
    void press(const QString &path)
    {
        app->acqCfg->pathEdit->setText(path);
        app->acqCfg->formatSelector->setCurrentIndex(0);
        app->acqCfg->refreshSelector->setCurrentIndex(0);
        QTimer::singleShot(0, app->acqCfg->startButton, &QPushButton::click);
        app->continuousButton()->click();
        w->acqTimer->stop();
    }
    // Lets `n` blocks arrive, each written before the next (generous waits: a loaded machine).
    void blocks(int n, double each = kBlock)
    {
        for (int i = 0; i < n; ++i) {
            ovsim::advanceClock(each);
            for (int k = 0; k < 20000 && w->contParams.recording && w->contParams.running.load() &&
                            w->contParams.tail.load() != w->contParams.head.load(); ++k)
                QTest::qWait(1);
        }
    }
    void stop()
    {
        if (app->continuousButton()->isChecked())
            app->continuousButton()->click();
    }
    // The buttons back, the file size hidden, the run's buffers freed.
    bool atRest()
    {
        return !app->continuousButton()->isChecked() && app->continuousButton()->isEnabled() &&
               app->singleShotButton()->isEnabled() && app->configurationButton()->isEnabled() &&
               app->enableAllButton()->isEnabled() && app->resetButton()->isEnabled() &&
               w->panel(1).statisticsButton->isEnabled() && w->fileSizeLabel->isHidden() &&
               !w->contParams.displayBlock && !w->contParams.blocks[0] && !w->contParams.blocks[15];
    }

    // Channels 1 (voltage, single ended), 2 (PT-1000, 3-wire, 500 uA) and 5
    // (resistance, 10 uA, range 1).
    const std::vector<Channel> three{{1, 4, 4, 2, 0}, {2, 2, 1, 3, 1}, {5, 3, 0, 1, 2}};

    // Writes a recording (unless it is there), reads its header as the
    // start does and builds the panel on it: lockPanelToRecording's result.
    bool view(const QByteArray &bytes, const QString &name = QStringLiteral("r.bin7931"))
    {
        QString subType;
        const QString path = fx->path(name);
        fx->answerWith({QStringLiteral("OK")});
        if ((!bytes.isEmpty() && !writeFile(path, bytes)) ||
            openRecordingHeader(path.toStdString(), &subType) != RecordingStart::View)
            return false;
        app = fx->app = new ov7931Demo_App(&fx->descriptor, 1, true, subType);
        w = app->waveform;
        app->show();
        return lockPanelToRecording(app, viewedRecording());
    }
    // The samples shown for enabled channel segment k.
    double shown(int k, int s) const { return w->plotData[k * w->scanCount + s]; }
    bool idle() const
    {
        return !w->acqTimer->isActive() && !app->continuousButton()->isChecked() &&
               !app->singleShotButton()->isChecked() && w->stateLabel->text() == "Idle";
    }

private slots:
    void init() { fx = new AppFixture; }
    void cleanup() { delete fx; } // the next fixture resets the simulated instrument and its clock

    // A whole block, and a short one: the FIFO holds 83 of the block's 100
    // scans, the read's warning is shown, each channel keeps its segment
    // with the missing scans NaN, and then the user is told.
    void singleShotToPlottedBlock_data()
    {
        QTest::addColumn<int>("scans"); // delivered
        QTest::newRow("whole block") << 100;
        QTest::newRow("short read") << 83;
    }
    void singleShotToPlottedBlock()
    {
        QFETCH(int, scans);
        if (scans < 100)
            QVERIFY(testkit::loadScenario(testkit::defaultScenarioWith(
                {"revision: \"2.4.1.0\"", "revision: \"2.4.1.0\"\n        fifo_samples: 250"})));
        open();
        app->config->show();
        startShot();
        QCOMPARE(ChannelBench::calls().join("; "),
                 QString("ov8263_setTrigConfig(0, 0); ov8263_setAcquisitionMode(1000, 100, 1, 0); ov8263_resetFIFO(); "
                         "ov8263_armDAQ(6); ov8263_checkAcquisition(&, &, &)"));
        QVERIFY(app->config->isHidden() && w->acqTimer->interval() == 50);
        tickAfter(0.0025); // synchronising: no pulse
        QCOMPARE(countOf("ov8263_generateITRI"), 0);
        tickAfter(0.006); // the "Ready" tick pulses once, right after its check
        QCOMPARE(w->stateLabel->text(), QStringLiteral("Ready"));
        QCOMPARE(ChannelBench::calls().mid(ovsim::journal().size() - 2),
                 (QStringList{"ov8263_checkAcquisition(&, &, &)", "ov8263_generateITRI(2)"}));
        tickAfter(0.05); // the block not complete yet
        QVERIFY(app->singleShotButton()->isChecked() && countOf("ov8263_generateITRI") == 1);
        tickAfter(0.06);
        QVERIFY(gl_state == 7 && idle()); // "End"
        // Stop, read, then the stop of the run (once more by the panel's break).
        QCOMPARE(callsOf("^ov8263_(stopAcq|readAcq|stopDAQ)"),
                 (QStringList{"ov8263_stopAcquisition()", "ov8263_readAcquisition(100, 0, null, &, &)",
                              "ov8263_stopDAQ()", "ov8263_stopDAQ()"}));
        // Degrees, ohms and volts, each segment on the plot of its kind.
        QCOMPARE(w->scanCount, 100);
        for (int s = 0; s < 100; ++s) {
            const double t = w->plotData[s], ohm = w->plotData[100 + s], volt = w->plotData[200 + s];
            const int64_t scan = 100 - scans + s;
            QVERIFY(s < scans ? std::fabs(t - 23.5) < 0.5 && ohm == ovsim::integritySample(2, scan) &&
                                    volt == ovsim::integritySample(3, scan)
                              : std::isnan(t) && std::isnan(ohm) && std::isnan(volt));
        }
        QVERIFY(yData(app, 2, 0) == w->plotData && yData(app, 1, 1) == w->plotData + 100 && points(app, 1, 1) == 100);
        QVERIFY(yData(app, 0, 2) == w->plotData + 200 && w->timeAxis[2][99] == 0.099);
        QStringList boxes;
        if (scans < 100)
            boxes = QStringList{"Keltri 7931 SFP Warning message|2|Warning: [" +
                                    testkit::driverText(true, app->masterVi, ov8263_WARN_NOT_ALL_READ) + "]",
                                "Keltri 7931 SFP|2|" + QString::fromStdString(shortBlocksText(1, 1))};
        QCOMPARE(boxLines(fx->boxes()), boxes);
    }

    void singleShotFaults_data()
    {
        QTest::addColumn<int>("phase");
        QTest::addColumn<QString>("callText");
        QTest::addColumn<bool>("digitizerRule"); // else the conditioning card's
        QTest::newRow("start: trigger") << int(Start) << b + "3(ov8263_setTrigConfig, app->masterVi, 0, 0)" << true;
        QTest::newRow("start: mode") << int(Start) << b + "5(ov8263_setAcquisitionMode, app->masterVi, samplingRate, "
                                                          "scanCount, ov8263_DA_START_TRIG, ov8263_DA_STOP_ERR_OFF)"
                                     << true;
        QTest::newRow("start: fifo") << int(Start) << b + "1(ov8263_resetFIFO, app->masterVi)" << true;
        QTest::newRow("start: arm") << int(Start) << b + "2(ov8263_armDAQ, app->masterVi, ov8263_SYNC_IF_NEED | "
                                                         "ov8263_ARM_NOWAIT)" << true;
        QTest::newRow("start: check") << int(Start) << checkText << true;
        QTest::newRow("poll: check") << int(Arming) << checkText << false;
        QTest::newRow("poll: pulse") << int(Ready) << b + "2(ov8263_generateITRI, app->masterVi, ov8263_PULSE)" << true;
        QTest::newRow("poll: stop") << int(End) << b + "1(ov8263_stopAcquisition, app->masterVi)" << false;
        QTest::newRow("poll: read") << int(End) << b + "6(ov8263_readAcquisition, app->masterVi, scanCount, "
                                                       "ov8263_GROUP_BY_CHANNEL, (ViPReal64)0, &scanCount, plotData)"
                                    << true;
        QTest::newRow("break: stop") << int(Stop) << b + "1(ov8263_stopDAQ, app->masterVi)" << true;
    }
    void singleShotFaults()
    {
        QFETCH(int, phase);
        QFETCH(QString, callText);
        QFETCH(bool, digitizerRule);
        open();
        ovsim::setForwardedStatus(ov8263_ERROR_HARDWARE);
        if (phase == Start)
            ovsim::failNext(functionOf(callText), forwarded);
        startShot();
        if (phase == End)
            tickAfter(0.006); // the pulse first
        ovsim::advanceClock(phase == End ? 0.2 : phase == Ready ? 0.006 : 0.0);
        if (phase != Start)
            ovsim::failNext(functionOf(callText), forwarded);
        phase == Stop ? app->singleShotButton()->click() : phase != Start ? w->acqTimer->start(50) : void();
        QTRY_VERIFY_WITH_TIMEOUT(fx->boxes().size() >= 1, 20000); // a failing start may bring more: the first is the call's
        QCOMPARE(fx->boxes().first().text, expected(callText, digitizerRule));
        if (phase == Start) // the start went on after its failing call
            QCOMPARE(countOf("ov8263_checkAcquisition"), 1);
        if (phase != Start && phase != Stop) // the poll stops; the run stays until the user breaks it
            QVERIFY(!w->acqTimer->isActive() && app->singleShotButton()->isChecked() && countOf("ov8263_stopDAQ") == 0);
        if (phase != Stop)
            app->singleShotButton()->click();
        QVERIFY(idle() && app->singleShotButton()->isEnabled() && countOf("ov8263_stopDAQ") >= 1);
    }

    // The channels' status poll: the excitation status, then the flags of
    // the enabled channels while their panels' window is active, the
    // amplifier error read where a flag is up. A failing read stops the
    // acquisition timer and is reported. (A busy device is left alone:
    // tests/channels.)
    void statusPoll()
    {
        open();
        setChannel(app, 2, false);
        ovsim::setPgaError(2, true);
        ovsim::setForwardedStatus(ov8263_ERROR_HARDWARE);
        ovsim::clearJournal();
        w->timerStatSlot();
        QVERIFY(countOf("ov7931_checkECStatus") == 1 && countOf("ov7931_checkChanPgaEf") == 0);
        app->config->show();
        const QStringList sites = {QString(), b + "3(ov7931_checkChanPgaEf, app->slaveVi, channelId, &pgaError)",
                                   b + "2(ov7931_checkECStatus, app->slaveVi, &ecStatus)",
                                   b + "4(ov7931_readPGAError, app->slaveVi, i + 1, &b, (ViPInt16)0)"};
        for (int i = 0; i < sites.size(); ++i) {
            for (int k = 0; k < 5; ++k) // let the window system's activation events settle
                QApplication::setActiveWindow(app->config), QTest::qWait(40);
            QTRY_VERIFY_WITH_TIMEOUT(app->chCfg[0]->isActiveWindow(), 20000);
            ovsim::clearJournal();
            w->acqTimer->start(100000);
            if (i > 0)
                ovsim::failNext(functionOf(sites[i]), forwarded);
            w->timerStatSlot();
            QCOMPARE(w->acqTimer->isActive(), i == 0);
            QTRY_COMPARE_WITH_TIMEOUT(fx->boxes().size(), i, 20000);
            if (i == 0)
                QCOMPARE(callsOf("^ov7931_(checkChanPgaEf|readPGAError)"),
                         (QStringList{"ov7931_checkChanPgaEf(1, &)", "ov7931_checkChanPgaEf(2, &)",
                                      "ov7931_readPGAError(2, &, null)"}));
            else
                QCOMPARE(fx->boxes().last().text, expected(sites[i], false));
        }
        w->acqTimer->stop();
    }

    // A continuous run recorded, then viewed: channels 1 PT-100 (4-wire,
    // 500 uA), 2 resistance (2-wire, the secondary current, its second
    // range), 3 single-ended voltage (range 3), 9 PT-1000 (3-wire, no
    // current) and 16 differential voltage (range 7); all but channel 1
    // carry sequence samples.
    void recordedAndViewedBack()
    {
        open();
        const int picks[5][5] = {{0, PT100, 1, 1, 0}, {1, Resistance, 3, 2, 1}, {2, Voltage, 5, 0, 3},
                                 {8, PT1000, 2, 0, 2}, {15, Voltage, 4, 0, 7}}; // channel, sensor, mode, current, range item
        for (const auto &p : picks) {
            ov7931Demo_ChCfg *c = app->chCfg[p[0]];
            setChannel(app, p[0], true, p[1]);
            c->modeSelector->setCurrentIndex(c->modeSelector->findData(p[2]));
            c->excitationSelector->setCurrentIndex(c->excitationSelector->findData(p[3]));
            c->rangeSelector->setCurrentIndex(p[4]);
        }
        const QStringList recorded = channelSettings(app);
        ovsim::setIntegrityChannels(0x8106);
        ovsim::clearJournal();
        const QString path = fx->path("run.bin7931");
        press(path);
        QCOMPARE(ChannelBench::calls(), (QStringList{"ov8263_setTrigConfig(0, 0)",
                                                    "ov8263_setAcquisitionMode(1000, 0, 0, 0)",
                                                    "ov8263_startAcquisitionEx(100, fn, &)"}));
        QVERIFY(app->continuousButton()->isChecked() && !app->resetButton()->isEnabled() && w->acqTimer->interval() == 20 &&
                !app->singleShotButton()->isEnabled() && !w->panel(1).statisticsButton->isEnabled());
        const int runPolicy = sched_getscheduler(0); // the GUI thread lets the writer go first
        // Each tick shows the first block completed after the previous one, at its time.
        blocks(3);
        w->timerSlot();
        QVERIFY(yData(app, 0, 2)[0] == ovsim::integritySample(3, 0) && axisRange(app, 0, QwtPlot::xBottom).minValue() == 0);
        blocks(3);
        w->timerSlot();
        QCOMPARE(yData(app, 0, 2)[0], ovsim::integritySample(3, 3 * kScans));
        QCOMPARE(yData(app, 1, 1)[kScans - 1], ovsim::integritySample(2, 4 * kScans - 1));
        QVERIFY(axisRange(app, 2, QwtPlot::xBottom) == QwtInterval(0.3, 0.4) && w->timeAxis[0][0] == 0.3);
        QVERIFY(std::fabs(yData(app, 2, 0)[0] - 23.5) < 0.5); // the PT-100, converted for the plot
        w->timerSlot(); // nothing new: the plots keep the block
        QCOMPARE(yData(app, 0, 2)[0], ovsim::integritySample(3, 3 * kScans));
        QCOMPARE(w->fileSizeLabel->text(), QStringLiteral("        (file size: 23.4 kB)"));
        QCOMPARE(w->fileSizeLabel->palette().color(QPalette::WindowText), QColor(Qt::black));
        stop();
        QVERIFY(atRest() && w->stateLabel->text() == "Idle" && fx->boxes().isEmpty());
        QCOMPARE(std::make_pair(runPolicy, sched_getscheduler(0)), std::make_pair(SCHED_BATCH, SCHED_OTHER));

        fx->destroy();
        QVERIFY(view(QByteArray(), "run.bin7931"));
        QVERIFY(viewedRecording().blockCount == 6 && viewedRecording().dataLength == 6 * viewedRecording().blockLength);
        QVERIFY(app->slaveSubType == "7931-BB" && channelSettings(app) == recorded);
    }

    // How a run ends: a failing call (its text and reporting rule; the
    // set-up goes on), a failed read, a full disk, an error bit other than
    // "out of range", callbacks that stop coming (the file size turns
    // orange while the digitizer holds many unread scans), short reads.
    // The box is shown at the stop, which always ends and frees everything;
    // a quick run after it records whole, consecutive blocks.
    void runEndings_data()
    {
        QTest::addColumn<QString>("fault"); // the failing call's text, or what goes wrong
        QTest::addColumn<bool>("digitizerRule");
        QTest::addColumn<QString>("box"); // %1: the digitizer's text for a hardware error
        QTest::newRow("set-up: trigger") << b + "3(ov8263_setTrigConfig, app->masterVi, 0, 0)" << true << "";
        QTest::newRow("set-up: mode") << b + "5(ov8263_setAcquisitionMode, app->masterVi, samplingRate, 0, "
                                             "ov8263_DA_START_IMM, ov8263_DA_STOP_ERR_OFF)" << true << "";
        QTest::newRow("set-up: stream") << b + "4(ov8263_startAcquisitionEx, app->masterVi, scanCount, "
                                               "contCallback, (ViAddr)&contParams)" << true << "";
        QTest::newRow("stop") << b + "1(ov8263_stopAcquisition, app->masterVi)" << false << "";
        QTest::newRow("poll") << checkText << false << "";
        QTest::newRow("read") << "read" << true << "ov8263_readMultAcquisitionEx failed due to [%1]\nDo you want to exit?";
        QTest::newRow("disk full") << "disk" << true << "Disk write failed!\nDo you want to exit?";
        QTest::newRow("FIFO overflow") << "overflow" << true << "";
        QTest::newRow("callbacks stop") << "silent" << true << "";
        QTest::newRow("short reads") << "short" << true << QString::fromStdString(shortBlocksText(1, 6));
    }
    void runEndings()
    {
        QFETCH(QString, fault);
        QFETCH(bool, digitizerRule);
        QFETCH(QString, box);
        // For short reads the FIFO has room for one block and channel 4's
        // PT-100 nothing connected: "Input Signal Out Of Range" hides the
        // overflow, the run goes on, and the read after a late callback
        // comes short.
        if (fault == "short")
            QVERIFY(testkit::loadScenario(testkit::defaultScenarioWith(
                {"revision: \"2.4.1.0\"", "revision: \"2.4.1.0\"\n        fifo_samples: 400",
                 "          4: {sensor: pt100, temperature: 23.5, wires: [intact, broken, intact, intact]}\n", ""})));
        open();
        ovsim::setForwardedStatus(ov8263_ERROR_HARDWARE);
        QString path = fx->path("end.bin7931");
        if (fault.startsWith(b)) {
            ovsim::failNext(functionOf(fault), forwarded);
            box = expected(fault, digitizerRule);
        } else if (fault == "read")
            ovsim::scheduleReadError(3, ov8263_ERROR_HARDWARE);
        else if (fault == "overflow")
            ovsim::scheduleErrorBits(2, ov8263_ERR_FIFO_OVERFLOW);
        else if (fault == "silent")
            ovsim::scheduleStall(2, 1e6);
        else if (fault == "short") {
            setChannel(app, 3, true, PT100);
            app->chCfg[3]->excitationSelector->setCurrentIndex(1); // 500 uA into an open input
            ovsim::scheduleStall(2, 0.3 * kBlock);
        }
        else if (fault == "disk" && QFile::link("/dev/full", path))
            fx->answerWith({"Yes", "No"}); // overwrite; the error box
        press(path);
        QCOMPARE(countOf("ov8263_startAcquisitionEx"), 1); // the set-up went on
        blocks(fault == "silent" ? 4 : 6);
        if (fault == "silent") // many scans wait in the digitizer: the file size turns orange
            ovsim::advanceClock(17.0);
        w->timerSlot();
        if (fault == "overflow") // the run ends by itself
            QVERIFY(!app->continuousButton()->isChecked() && countOf("ov8263_stopAcquisition") == 1 &&
                    w->stateLabel->palette().color(QPalette::WindowText) == Qt::red);
        if (fault == "short")
            QCOMPARE(w->stateLabel->text(), QStringLiteral("Input Signal Out Of Range"));
        if (fault == "silent")
            QVERIFY(w->contParams.blocksRead.load() == 2 && gl_scanBacklog > kHighBacklogScans &&
                    w->fileSizeLabel->palette().color(QPalette::WindowText) == QColor(255, 128, 0));
        stop();
        QVERIFY(atRest() && w->stateLabel->text() == (fault == "overflow" ? "FIFO overflow" : "Idle"));
        // A failing set-up call may bring more boxes: the first is the call's.
        QCOMPARE(fx->boxes().isEmpty(), box.isEmpty());
        if (!box.isEmpty())
            QCOMPARE(fx->boxes()[fault == "disk" ? 1 : 0].text,
                     box.arg(testkit::driverText(true, app->masterVi, ov8263_ERROR_HARDWARE)));
        if (fault == "short")
            QVERIFY(fx->boxes()[0].title == "Keltri 7931 SFP" && fx->boxes()[0].icon == QMessageBox::Warning);
        if (fault == "silent") // the wait for the callback, the shut-down's pause
            QCOMPARE(countOf("ov9174_delay"), 20 + 1);
    }

    // A file that cannot be opened: nothing streams and the buttons are back at rest.
    void cannotOpen()
    {
        open();
        QDir(fx->path(QString())).mkdir("folder.bin7931");
        fx->answerWith({"Yes", "OK"}); // the folder is tried
        press(fx->path("folder.bin7931"));
        QVERIFY(countOf("ov8263_startAcquisitionEx") == 0 && atRest() && w->stateLabel->text() == "Idle");
        QCOMPARE(fx->boxes().size(), 2);
        QVERIFY(fx->boxes().last().text.endsWith("Cannot open file: \"" + fx->path("folder.bin7931") + "\" for writing."));
    }

    // A settings file in the working folder is neither read nor written.
    void opensLocked()
    {
        const QByteArray ini = "[General]\nNumberOfScans=10\nSamplingFrequency=1 Hz\n\n[Channel_3]\nEnabled=true\n";
        QVERIFY(writeFile(fx->path("ov7931_DEMO.ini"), ini));
        QVERIFY(view(rec::header("7931-BB", true, "500.000000", 20, three) + samples(true, 60, 5.5)));
        QVERIFY(app->demoMode && app->viewingRecording && app->slaveSubType == "7931-BB");
        QVERIFY(app->waveformLengthList()->currentText() == "20" && app->samplingRateList()->currentData() == 500.0);
        QVERIFY(!app->waveformLengthList()->isEnabled() && !app->samplingRateList()->isEnabled());
        for (int c = 0; c < 16; ++c) {
            ov7931Demo_ChCfg *p = app->chCfg[c];
            const Channel want = channelOf(three, c + 1);
            QVERIFY(!p->QWidget::isEnabled() && p->enableBox->isChecked() == (c == 0 || c == 1 || c == 4));
            QVERIFY(p->sensorType() == want.sensor && p->mode() == want.mode + 1 && p->excitationCode() == want.current);
            // An absent channel's range 0 is no item of a PT-100 on this card: the first item stays.
            const bool offered = p->rangeSelector->findData(want.range) >= 0;
            QCOMPARE(p->rangeIndex(), offered ? want.range : p->rangeSelector->itemData(0).toInt());
        }
        // The slider row instead of the state; the partial sixth block is not offered.
        QVERIFY(w->stateLabel->isHidden() && !w->blockSlider->isHidden() && !w->blockLabel->isHidden());
        QVERIFY(w->blockSlider->minimum() == 1 && w->blockSlider->maximum() == 5 && w->blockSlider->value() == 1);
        QCOMPARE(w->blockLabel->text(), QStringLiteral("<html><b>1 / 5</b></html>"));
        // Block 1 is shown at once, and the run is over.
        QVERIFY(idle() && w->channelMask == 0x13u && wave::yData(app, 0, 0) == w->plotData);
        QVERIFY(shown(0, 0) == sampleValue(0) && shown(2, 19) == sampleValue(59));
        fx->destroy();
        QFile f(fx->path("ov7931_DEMO.ini"));
        QVERIFY(f.open(QIODevice::ReadOnly) && f.readAll() == ini);
        QCOMPARE(QDir(fx->path(".")).entryList(QDir::Files).size(), 2);
    }

    void sliderShowsBlock_data()
    {
        QTest::addColumn<bool>("real64");
        QTest::addColumn<QByteArray>("offset"); // TIME_OFFSET
        QTest::addColumn<int>("v");             // slider value
        QTest::newRow("doubles, last block, offset") << true << QByteArray("2.500000") << 4;
        QTest::newRow("floats widened, block 2") << false << QByteArray("-1.000000") << 2;
        QTest::newRow("floats, back to block 1") << false << QByteArray("0.000000") << 1;
    }
    void sliderShowsBlock()
    {
        QFETCH(bool, real64);
        QFETCH(QByteArray, offset);
        QFETCH(int, v);
        QVERIFY(view(rec::header("7931-AE", real64, "200.000000", 50, three, offset) + samples(real64, 150, 4)));
        w->blockSlider->setValue(4);
        w->blockSlider->setValue(v);
        QVERIFY(idle());
        QCOMPARE(w->blockLabel->text(), QStringLiteral("<html><b>%1 / 4</b></html>").arg(v));
        for (int k = 0; k < 3; ++k)
            for (int s = 0; s < 50; ++s)
                QCOMPARE(shown(k, s), sampleValue((v - 1) * 150 + k * 50 + s));
        const double t0 = (v - 1) * 50 / 200.0 + offset.toDouble();
        for (int p = 0; p < 3; ++p)
            QVERIFY(wave::axisRange(app, p, QwtPlot::xBottom) == QwtInterval(t0, t0 + 0.25) && w->timeAxis[p][0] == t0);
        QCOMPARE(w->timeAxis[2][49], t0 + 49 / 200.0);
    }

    // The continuous button plays from the slider's block to the end, one
    // block a tick; at the end pressing it again starts at block 1.
    void playsToEnd()
    {
        QVERIFY(view(rec::header("7931-BB", true, "1000.000000", 10, three) + samples(true, 30, 6)));
        w->blockSlider->setValue(3);
        QSignalSpy moves(w->blockSlider, &QSlider::valueChanged);
        app->continuousButton()->click();
        QVERIFY(app->continuousButton()->isChecked() && w->acqTimer->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(idle(), 5000);
        QVERIFY(moves.size() == 3 && moves[0][0] == 4 && w->blockSlider->value() == 6);
        QVERIFY(shown(2, 9) == sampleValue(6 * 30 - 1) && wave::axisRange(app, 1, QwtPlot::xBottom).minValue() == 0.05);
        app->continuousButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(idle(), 5000);
        QVERIFY(moves.size() == 9 && moves[3][0] == 1 && w->blockSlider->value() == 6);
        QVERIFY(app->singleShotButton()->isEnabled() && app->continuousButton()->isEnabled());
    }

    void notOffered_data()
    {
        QTest::addColumn<int>("scans");
        QTest::addColumn<QByteArray>("rate");
        QTest::newRow("scans per block") << 123 << QByteArray("1000.000000");
        QTest::newRow("sampling rate") << 100 << QByteArray("1000.500000");
        QTest::newRow("rate above the list") << 100 << QByteArray("100000.000000");
    }
    void notOffered()
    {
        QFETCH(int, scans);
        QFETCH(QByteArray, rate);
        QVERIFY(!view(rec::header("7931-BB", true, rate, scans, {{1}}) + samples(true, scans, 1)));
        const QString path = QDir::toNativeSeparators(fx->path("r.bin7931"));
        QCOMPARE(boxLines(fx->boxes()), QStringList("Keltri 7931 SFP|3|Error in file '" + path + "'."));
    }

    // A long recording of a voltage, a resistance and a PT-100 channel, the
    // voltage constant, with one temperature spike: the overview shows the
    // spike in one column of the temperature band, near its place in the
    // recording (the constant in the middle of its band), and dragging from
    // the start onto that column shows the spike's block.
    void overviewLeadsToSpike()
    {
        const int blocks = 6000, scans = 100, spike = 4321;
        QByteArray data;
        for (int b = 0; b < blocks; ++b)
            for (int k = 0; k < 3; ++k)
                for (int t = 0; t < scans; ++t) {
                    const double v = k == 0 ? 1.5 : b == spike && k == 2 && t == 17 ? 85.0 : 20.0 + 0.01 * ((b + t) % 100);
                    data.append(reinterpret_cast<const char *>(&v), sizeof v);
                }
        QVERIFY(view(rec::header("7931-BB", true, "1000.000000", scans, {{1, 4, 4, 0, 0}, {2, 3, 0, 0, 0}, {3, 0, 0, 0, 0}}) +
                     data));
        auto *overview = w->findChild<ov7931Demo_overview *>();
        QTRY_VERIFY(overview && overview->isVisible());
        QCOMPARE(overview->bands(), (std::vector<int>{0, 1, 2}));
        QTRY_COMPARE_WITH_TIMEOUT(overview->progress().state, RecordingOverviewTask::State::Done, 20000);
        const QImage picture = overview->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const auto columnsOf = [&](int band, int channel, int y) {
            QList<int> xs;
            for (int x = overview->bandRect(band).left(); x <= overview->bandRect(band).right(); ++x)
                if (picture.pixel(x, y) == ov7931Demo_Waveform::channelColour(channel).rgb())
                    xs << x;
            return xs;
        };
        const QRect band = overview->bandRect(2), volts = overview->bandRect(0);
        QVERIFY(columnsOf(0, 0, volts.top() + int(std::lround(0.5 * (volts.height() - 1)))).size() >= volts.width() - 2);
        // The temperature channel's colour reaches the top of its band in one column only.
        const QList<int> top = columnsOf(2, 2, band.top());
        QCOMPARE(top.size(), 1);
        const int x = top.first();
        QVERIFY(std::abs(x - (band.left() + double(spike) / blocks * band.width())) <= 1.5);
        QTest::mousePress(overview, Qt::LeftButton, Qt::NoModifier, QPoint(band.left(), band.center().y()));
        QCOMPARE(w->blockSlider->value(), 1);
        QMouseEvent drag(QEvent::MouseMove, QPointF(x, band.center().y()), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(overview, &drag);
        QTest::mouseRelease(overview, Qt::LeftButton, Qt::NoModifier, QPoint(x, band.center().y()));
        QVERIFY(w->blockSlider->value() == spike + 1 && shown(2, 17) == 85.0 && overview->xOfBlock(spike) == x);
    }

    // A sparse recording of more than 4 GiB: its last block is shown.
    void lastBlockBeyond4GiB()
    {
        const quint64 blocks = (4ull << 30) / (8ull * 10000 * 8) + 2;
        const QByteArray h = rec::header("7931-BB", true, "50000.000000", 10000, {{1}, {2}, {3}, {4}, {5}, {6}, {7}, {8}});
        QVERIFY(writeSparseRecording(fx->path("big.bin7931"), h, blocks, 80000));
        QVERIFY(view(QByteArray(), "big.bin7931"));
        QCOMPARE(quint64(w->blockSlider->maximum()), blocks);
        w->blockSlider->setValue(w->blockSlider->maximum());
        QCOMPARE(shown(7, 9999), sampleValue(79999));
        QCOMPARE(wave::axisRange(app, 0, QwtPlot::xBottom).minValue(), (blocks - 1) * 10000 / 50000.0);
    }
};

QTEST_MAIN(TestRuns)
#include "test_runs.moc"
