// Single-shot acquisition against the simulated instrument: the start
// sequence, the poll with its trigger pulse, completion by state and by
// backlog, a read that comes short, the error bits, driver faults in the
// start, the poll and the stop (call texts and reporting rules), and the
// status poll of the channels.
#include "channelbench.h"
#include "ov7931.h"
#include "ov7931Demo_Config.h"
#include "ov7931Demo_hwaccess.h"
#include "ov7931Demo_tracker.h"
#include "ov8263.h"
#include "ovsim_control.h"
#include "runTexts.h"
#include "testkit.h"
#include "wave_helpers.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cmath>

using namespace wave;

namespace {

// The forwarded-error status: its message depends on the reporting rule.
const ViStatus forwarded = ov7931_ERROR_FC_DRIVER;
const QString b = "blockedHardwareAccess";
const QString checkText = b + "4(ov8263_checkAcquisition, app->masterVi, &gl_state, &gl_errors, &gl_scanBacklog)";

int countOf(const std::string &function) { return int(ovsim::journalOf(function).size()); }
std::string functionOf(const QString &callText) { return callText.section('(', 1).section(',', 0, 0).toStdString(); }
QStringList callsOf(const QString &pattern) { return ChannelBench::calls().filter(QRegularExpression(pattern)); }
void noCallback(ViSession, ViAddr) {}

// Where a fault strikes: in the start, in the poll (while arming, while
// "Ready", at the end of the block) or in the stop.
enum Phase { Start, Arming, Ready, End, Stop };

} // namespace

class TestSingleShotLive : public QObject
{
    Q_OBJECT

    AppFixture *fx = nullptr;
    ov7931Demo_App *app = nullptr;
    ov7931Demo_Waveform *w = nullptr;

    // The live application with channels 1 (PT-100 at 500 uA, as on a fresh
    // settings file), 2 (Resistance at 500 uA) and 3 (Voltage) enabled, 100
    // scans at 1 kHz.
    void open()
    {
        app = fx->create(AppFixture::Mode::Live);
        QVERIFY(!app->demoMode && app->masterVi != 0);
        w = app->waveform;
        setChannel(app, 1, true, Resistance);
        app->chCfg[1]->excitationSelector->setCurrentIndex(1);
        setChannel(app, 2, true, Voltage);
        app->waveformLengthList()->setCurrentText(QStringLiteral("100"));
        app->samplingRateList()->setCurrentText(QStringLiteral("1 kHz"));
        ovsim::clearJournal();
    }
    // Starts the single shot; the clock and the poll's ticks are the test's.
    void startShot()
    {
        ovsim::setManualClock(true);
        app->singleShotButton()->click();
        QVERIFY(app->singleShotButton()->isChecked());
        w->acqTimer->stop();
    }
    void tickAfter(double seconds) { ovsim::advanceClock(seconds), w->timerSlot(); }
    bool idle() { return !app->singleShotButton()->isChecked() && w->stateLabel->text() == "Idle"; }
    // The box text a reporting rule gives for the forwarded status.
    QString expected(const QString &callText, bool digitizerRule)
    {
        const StatusReport r = describeStatus(forwarded, callText.toLatin1().constData(),
                                              digitizerRule ? ReportRule::Digitizer : ReportRule::Conditioning);
        return r.isError ? r.text + "\nDo you want to exit?" : r.text;
    }

private slots:
    void init() { fx = new AppFixture; }
    void cleanup() { delete fx; } // the next fixture resets the simulated instrument and its clock

    void singleShotToPlottedBlock_data()
    {
        QTest::addColumn<bool>("byBacklog");
        QTest::newRow("complete by state") << false;
        QTest::newRow("complete by backlog") << true;
    }

    void singleShotToPlottedBlock()
    {
        QFETCH(bool, byBacklog);
        open();
        app->config->show();
        startShot();
        QCOMPARE(ChannelBench::calls().join("; "),
                 QString("ov8263_setTrigConfig(0, 0); ov8263_setAcquisitionMode(1000, 100, 1, 0); ov8263_resetFIFO(); "
                         "ov8263_armDAQ(6); ov8263_checkAcquisition(&, &, &)"));
        QVERIFY(app->config->isHidden() && w->acqTimer->interval() == 50);
        if (byBacklog) {
            // The card set for a longer run than the panel asked for: the block
            // is complete as soon as the backlog holds the panel's scans.
            blockedHardwareAccess1(ov8263_stopAcquisition, app->masterVi);
            blockedHardwareAccess5(ov8263_setAcquisitionMode, app->masterVi, 1000.0, 1000, ViUInt16(1), ViUInt16(0));
            blockedHardwareAccess2(ov8263_armDAQ, app->masterVi, ViUInt16(6));
        }
        tickAfter(0.0025); // synchronising: no pulse
        QCOMPARE(countOf("ov8263_generateITRI"), 0);
        // The "Ready" tick pulses once, right after its check.
        tickAfter(0.006);
        QCOMPARE(w->stateLabel->text(), QStringLiteral("Ready"));
        QCOMPARE(ChannelBench::calls().mid(ovsim::journal().size() - 2),
                 (QStringList{"ov8263_checkAcquisition(&, &, &)", "ov8263_generateITRI(2)"}));
        tickAfter(byBacklog ? 0.0995 : 0.05); // the block not complete yet
        QVERIFY(app->singleShotButton()->isChecked() && countOf("ov8263_generateITRI") == 1);
        tickAfter(byBacklog ? 0.001 : 0.06);
        QCOMPARE(gl_state, ViInt16(byBacklog ? 6 : 7)); // still acquiring, or "End"
        QVERIFY(idle() && fx->boxes().isEmpty());
        // Stop, read, then the stop of the run (once more by the panel's break).
        QCOMPARE(callsOf("^ov8263_(stopAcq|readAcq|stopDAQ)").mid(byBacklog ? 1 : 0),
                 (QStringList{"ov8263_stopAcquisition()", "ov8263_readAcquisition(100, 0, null, &, &)",
                              "ov8263_stopDAQ()", "ov8263_stopDAQ()"}));
        // The PT-100 shows room temperature in degrees, the resistor its ohms,
        // each block on the plot of its kind.
        QCOMPARE(w->scanCount, 100);
        for (int s = 0; s < 100; ++s) {
            QVERIFY2(std::fabs(w->plotData[s] - 23.5) < 0.5, qPrintable(QString::number(w->plotData[s])));
            QVERIFY(std::fabs(w->plotData[100 + s] - 1000.0) < 5.0 && std::fabs(w->plotData[200 + s] - 0.5) < 1.2);
        }
        QVERIFY(yData(app, 2, 0) == w->plotData && yData(app, 1, 1) == w->plotData + 100);
        QVERIFY(yData(app, 0, 2) == w->plotData + 200 && w->timeAxis[2][99] == 0.099);
        QVERIFY(w->panel(0).tracker->xLower == 0.0 && w->panel(0).tracker->xUpper == 0.1);
        // A second refresh of the same block does not convert again.
        const double before = w->plotData[5];
        w->refreshPlots();
        QCOMPARE(w->plotData[5], before);
    }

    // A FIFO with room for 83 of the block's 100 scans of three channels:
    // the read delivers the newest 83 with a warning, which is shown; the
    // block is plotted with each channel's samples in its own segment and
    // the missing scans NaN, and then the user is told.
    void shortRead()
    {
        QVERIFY(testkit::loadScenario(testkit::defaultScenarioWith(
            {"revision: \"2.4.1.0\"", "revision: \"2.4.1.0\"\n        fifo_samples: 250"})));
        open();
        ovsim::setIntegrityMode(true);
        ovsim::setIntegrityChannels(0x6); // resistance and voltage channels
        startShot();
        tickAfter(0.006); // the pulse
        tickAfter(0.11);
        QVERIFY(idle());
        QCOMPARE(w->scanCount, 100);
        for (int s = 0; s < 100; ++s) {
            const double t = w->plotData[s], ohm = w->plotData[100 + s], volt = w->plotData[200 + s];
            if (s < 83)
                QVERIFY2(std::fabs(t - 23.5) < 0.5 && ohm == ovsim::integritySample(2, 17 + s) &&
                             volt == ovsim::integritySample(3, 17 + s),
                         qPrintable(QString::number(s)));
            else
                QVERIFY2(std::isnan(t) && std::isnan(ohm) && std::isnan(volt), qPrintable(QString::number(s)));
        }
        QVERIFY(yData(app, 1, 1) == w->plotData + 100 && points(app, 1, 1) == 100);
        QCOMPARE(fx->boxes().size(), 2);
        QCOMPARE(fx->boxes()[0].text,
                 "Warning: [" + testkit::driverText(true, app->masterVi, ov8263_WARN_NOT_ALL_READ) + "]");
        QCOMPARE(fx->boxes()[1].title, QStringLiteral("Keltri 7931 SFP"));
        QCOMPARE(fx->boxes()[1].icon, QMessageBox::Warning);
        QCOMPARE(fx->boxes()[1].text, QString::fromStdString(shortBlocksText(1, 1)));
    }

    void errorBits_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("stops");
        QTest::newRow("out of range") << 0x0001 << "Input Signal Out Of Range" << false;
        QTest::newRow("out of range wins over overflow") << 0x0041 << "Input Signal Out Of Range" << false;
        QTest::newRow("overflow") << 0x0040 << "FIFO overflow" << true;
        QTest::newRow("overflow wins over underflow") << 0x00C0 << "FIFO overflow" << true;
        QTest::newRow("underflow") << 0x0080 << "FIFO underflow" << true;
        QTest::newRow("other bits, upper-case hex") << 0xAB0C << "Hardware error AB0C" << true;
    }

    void errorBits()
    {
        QFETCH(int, bits);
        QFETCH(bool, stops);
        open();
        startShot();
        // The simulated card raises scheduled error bits with a streamed block:
        // let a short stream run under the armed single shot.
        blockedHardwareAccess1(ov8263_stopAcquisition, app->masterVi);
        blockedHardwareAccess5(ov8263_setAcquisitionMode, app->masterVi, 1000.0, 0, ViUInt16(0), ViUInt16(0));
        ovsim::scheduleErrorBits(0, uint16_t(bits));
        QCOMPARE(blockedHardwareAccess4(ov8263_startAcquisitionEx, app->masterVi, 10, &noCallback, ViAddr(0)), 0);
        ovsim::advanceClock(0.02);
        QTRY_VERIFY((blockedHardwareAccess4(ov8263_checkAcquisition, app->masterVi, &gl_state, &gl_errors,
                                            &gl_scanBacklog), gl_errors == bits));
        tickAfter(0);
        QTEST(w->stateLabel->text(), "text");
        QCOMPARE(w->stateLabel->palette().color(QPalette::WindowText), QColor(Qt::red));
        QCOMPARE(app->singleShotButton()->isChecked(), !stops);
        QCOMPARE(countOf("ov8263_stopDAQ") >= 1, stops);
    }

    void acquisitionFaults_data()
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

    void acquisitionFaults()
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
        QTRY_VERIFY(fx->boxes().size() >= 1); // a failing start may bring more: the first is the call's
        QCOMPARE(fx->boxes().first().text, expected(callText, digitizerRule));
        QVERIFY(expected(callText, true) != expected(callText, false)); // the two rules are told apart
        if (phase == Start) // the start went on after its failing call
            QCOMPARE(countOf("ov8263_checkAcquisition"), 1);
        if (phase != Start && phase != Stop) {
            // The poll stops; the run stays until the user breaks it.
            QVERIFY(!w->acqTimer->isActive() && app->singleShotButton()->isChecked() && countOf("ov8263_stopDAQ") == 0);
            QTest::qWait(120);
            QCOMPARE(fx->boxes().size(), 1);
        }
        if (phase != Stop)
            app->singleShotButton()->click();
        QVERIFY(idle() && app->singleShotButton()->isEnabled() && countOf("ov8263_stopDAQ") >= 1);
    }

    void statusPoll()
    {
        open();
        setChannel(app, 2, false);
        ovsim::setPgaError(2, true);
        ovsim::clearJournal();
        app->deviceBusy = 1; // busy hardware: no call at all
        w->timerStatSlot();
        QVERIFY(ovsim::journal().empty());
        app->deviceBusy = 0;
        // The channel panels are polled only while their window is active.
        w->timerStatSlot();
        QVERIFY(countOf("ov7931_checkECStatus") == 1 && countOf("ov7931_checkChanPgaEf") == 0);
        app->config->show();
        const auto activate = [this] {
            for (int i = 0; i < 5; ++i) { // let the window system's activation events settle
                QApplication::setActiveWindow(app->config);
                QTest::qWait(40);
            }
            QTRY_VERIFY(app->chCfg[0]->isActiveWindow());
        };
        activate();
        ovsim::clearJournal();
        w->timerStatSlot();
        // The enabled channels' flags; the amplifier error read where a flag is up.
        QCOMPARE(callsOf("^ov7931_(checkChanPgaEf|readPGAError)"),
                 (QStringList{"ov7931_checkChanPgaEf(1, &)", "ov7931_checkChanPgaEf(2, &)",
                              "ov7931_readPGAError(2, &, null)"}));
        // A failing status read stops the acquisition timer and is reported.
        ovsim::setForwardedStatus(ov8263_ERROR_HARDWARE);
        const QStringList sites = {b + "3(ov7931_checkChanPgaEf, app->slaveVi, channelId, &pgaError)",
                                   b + "2(ov7931_checkECStatus, app->slaveVi, &ecStatus)",
                                   b + "4(ov7931_readPGAError, app->slaveVi, i + 1, &b, (ViPInt16)0)"};
        for (int i = 0; i < sites.size(); ++i) {
            activate();
            w->acqTimer->start(100000);
            ovsim::failNext(functionOf(sites[i]), forwarded);
            w->timerStatSlot();
            QVERIFY(!w->acqTimer->isActive());
            QTRY_COMPARE(fx->boxes().size(), i + 1);
            QCOMPARE(fx->boxes().last().text, expected(sites[i], false));
        }
    }
};

QTEST_MAIN(TestSingleShotLive)
#include "test_singleShotLive.moc"
