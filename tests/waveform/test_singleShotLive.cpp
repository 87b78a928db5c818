// Single-shot acquisition against the simulated instrument: the start
// sequence, the poll with its trigger pulses, completion by state and by
// backlog, the error bits, driver faults in the start, the poll and the stop
// (call texts and reporting rules), and the status poll of the channels.
#include "appfixture.h"
#include "ov7931.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_Config.h"
#include "ov7931Demo_Waveform.h"
#include "ov7931Demo_hwaccess.h"
#include "ov7931Demo_rtd.h"
#include "ov7931Demo_tracker.h"
#include "ov8263.h"
#include "ovsim_control.h"
#include "wave_helpers.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <string>

using namespace wave;

namespace {

QColor textColour(const QWidget *w) { return w->palette().color(QPalette::WindowText); }

// The forwarded-error status: its message depends on the reporting rule.
const ViStatus forwarded = ov7931_ERROR_FC_DRIVER;

const char *const checkText =
    "blockedHardwareAccess4(ov8263_checkAcquisition, app->masterVi, &gl_state, &gl_errors, &gl_scanBacklog)";

void noCallback(ViSession, ViAddr) {}

int countOf(const std::string &function) { return int(ovsim::journalOf(function).size()); }

} // namespace

class TestSingleShotLive : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void fullRunToPlottedBlock();
    void triggerPulsesWhileReady();
    void completionByBacklog();
    void outOfRangeKeepsRunning();
    void fifoOverflowStopsRun();
    void otherErrorBitsStopRun_data();
    void otherErrorBitsStopRun();
    void startSequenceFaults_data();
    void startSequenceFaults();
    void pollFaults_data();
    void pollFaults();
    void stopFault();
    void statusPoll();
    void liveContinuousNotOffered();

private:
    // Creates the live application, optionally on another scenario, with
    // channels 1 (PT-100), 2 (Resistance) and 3 (Voltage) enabled.
    void open(const std::string &scenario = std::string());
    void start(bool manualTicks);
    void tick() { w->timerSlot(); }
    void toReady();
    // The box text the reporting rule gives, checked against the other rule.
    QString expected(ViStatus status, const char *callText, ReportRule rule);

    AppFixture *fx = nullptr;
    ov7931Demo_App *app = nullptr;
    ov7931Demo_Waveform *w = nullptr;
    QString vi;
};

void TestSingleShotLive::init() { fx = new AppFixture; }

void TestSingleShotLive::cleanup()
{
    ovsim::clearFaults();
    delete fx;
    fx = nullptr;
    ovsim::setManualClock(false);
}

void TestSingleShotLive::open(const std::string &scenario)
{
    if (!scenario.empty())
        QVERIFY(ovsim::loadScenarioText(scenario));
    app = fx->create(AppFixture::Mode::Live, {QStringLiteral("No")});
    QVERIFY(!app->demoMode);
    QVERIFY(app->masterVi != 0);
    w = app->waveform;
    vi = QString::number(app->masterVi);
    disableAll(app);
    setChannel(app, 0, true, PT100);
    setChannel(app, 1, true, Resistance);
    setChannel(app, 2, true, Voltage);
    // The RTD and the resistor need their excitation current.
    app->chCfg[0]->excitationSelector->setCurrentIndex(1);
    app->chCfg[1]->excitationSelector->setCurrentIndex(1);
    QComboBox *len = app->waveformLengthList();
    len->setCurrentIndex(len->findText(QStringLiteral("100")));
    QComboBox *rate = app->samplingRateList();
    rate->setCurrentIndex(rate->findText(QStringLiteral("1 kHz")));
    QVERIFY(fx->boxes().isEmpty());
    ovsim::clearJournal();
}

void TestSingleShotLive::start(bool manualTicks)
{
    if (manualTicks)
        ovsim::setManualClock(true);
    app->singleShotButton()->click();
    QVERIFY(app->singleShotButton()->isChecked());
    if (manualTicks)
        w->acqTimer->stop();
}

void TestSingleShotLive::toReady()
{
    ovsim::advanceClock(0.006);
    tick();
    QCOMPARE(w->stateLabel->text(), QStringLiteral("Ready"));
}

QString TestSingleShotLive::expected(ViStatus status, const char *callText, ReportRule rule)
{
    const ReportRule other = rule == ReportRule::Digitizer ? ReportRule::Conditioning : ReportRule::Digitizer;
    const StatusReport mine = describeStatus(status, callText, rule);
    const QString theirs = describeStatus(status, callText, other).text;
    if (mine.text == theirs)
        qWarning("the two rules give the same text");
    return mine.isError ? mine.text + QStringLiteral("\nDo you want to exit?") : mine.text;
}

void TestSingleShotLive::fullRunToPlottedBlock()
{
    open();
    app->config->show();
    start(false);
    const auto calls = ovsim::journal();
    QVERIFY(calls.size() >= 5);
    QCOMPARE(QString::fromStdString(calls[0].text()), QStringLiteral("ov8263_setTrigConfig(%1, 0, 0)").arg(vi));
    QCOMPARE(QString::fromStdString(calls[1].text()),
             QStringLiteral("ov8263_setAcquisitionMode(%1, 1000, 100, 1, 0)").arg(vi));
    QCOMPARE(QString::fromStdString(calls[2].text()), QStringLiteral("ov8263_resetFIFO(%1)").arg(vi));
    QCOMPARE(QString::fromStdString(calls[3].text()), QStringLiteral("ov8263_armDAQ(%1, 6)").arg(vi));
    QCOMPARE(QString::fromStdString(calls[4].text()), QStringLiteral("ov8263_checkAcquisition(%1, &, &, &)").arg(vi));
    QVERIFY(app->config->isHidden());
    QCOMPARE(w->acqTimer->interval(), 50);

    QTRY_VERIFY_WITH_TIMEOUT(!app->singleShotButton()->isChecked(), 5000);
    QVERIFY(fx->boxes().isEmpty());
    QCOMPARE(countOf("ov8263_generateITRI"), 1);
    const auto reads = ovsim::journalOf("ov8263_readAcquisition");
    QCOMPARE(reads.size(), size_t(1));
    QCOMPARE(QString::fromStdString(reads[0].text()),
             QStringLiteral("ov8263_readAcquisition(%1, 100, 0, null, &, &)").arg(vi));
    // Stop, read, then the stop of the run (twice: once more by the panel's break).
    std::vector<std::string> tail;
    for (const auto &c : ovsim::journal())
        if (c.function == "ov8263_stopAcquisition" || c.function == "ov8263_readAcquisition" ||
            c.function == "ov8263_stopDAQ")
            tail.push_back(c.function);
    QCOMPARE(tail, (std::vector<std::string>{"ov8263_stopAcquisition", "ov8263_readAcquisition", "ov8263_stopDAQ",
                                              "ov8263_stopDAQ"}));

    QCOMPARE(w->stateLabel->text(), QStringLiteral("Idle"));
    QVERIFY(!w->acqTimer->isActive());
    QCOMPARE(w->scanCount, 100);
    // The PT-100 shows room temperature in degrees, the resistor its ohms.
    for (int s = 0; s < 100; ++s) {
        QVERIFY2(std::fabs(w->plotData[s] - 23.5) < 0.5, qPrintable(QString::number(w->plotData[s])));
        QVERIFY(std::fabs(w->plotData[100 + s] - 1000.0) < 5.0);
        QVERIFY(w->plotData[200 + s] > -0.7 && w->plotData[200 + s] < 1.7);
    }
    QCOMPARE(yData(app, 2, 0), w->plotData);
    QCOMPARE(yData(app, 1, 1), w->plotData + 100);
    QCOMPARE(yData(app, 0, 2), w->plotData + 200);
    QCOMPARE(w->timeAxis[2][99], 0.099);
    QVERIFY(w->plotVisible[0] && w->plotVisible[1] && w->plotVisible[2]);

    // A second refresh of the same block does not convert again.
    const double before = w->plotData[5];
    w->refreshPlots();
    QCOMPARE(w->plotData[5], before);
    // The trackers know the block's time window.
    QCOMPARE(w->panel(0).tracker->xLower, 0.0);
    QCOMPARE(w->panel(0).tracker->xUpper, 0.1);
}

void TestSingleShotLive::triggerPulsesWhileReady()
{
    open();
    start(true);
    tick();
    QCOMPARE(w->stateLabel->text(), QStringLiteral("HW Arm"));
    QCOMPARE(textColour(w->stateLabel), QColor(Qt::gray));
    ovsim::advanceClock(0.0025);
    tick();
    QCOMPARE(w->stateLabel->text(), QStringLiteral("Sync"));
    QCOMPARE(textColour(w->stateLabel), QColor(Qt::magenta));
    QCOMPARE(countOf("ov8263_generateITRI"), 0);

    toReady();
    QCOMPARE(textColour(w->stateLabel), QColor(Qt::darkYellow));
    QCOMPARE(countOf("ov8263_generateITRI"), 1);
    // The card ignores nothing here; arm it again to see the next Ready tick pulse once more.
    blockedHardwareAccess1(ov8263_stopAcquisition, app->masterVi);
    blockedHardwareAccess2(ov8263_armDAQ, app->masterVi, ViUInt16(6));
    toReady();
    QCOMPARE(countOf("ov8263_generateITRI"), 2);
    const auto calls = ovsim::journal();
    for (size_t i = 0; i < calls.size(); ++i)
        if (calls[i].function == "ov8263_generateITRI") {
            QCOMPARE(QString::fromStdString(calls[i].text()), QStringLiteral("ov8263_generateITRI(%1, 2)").arg(vi));
            QCOMPARE(calls[i - 1].function, std::string("ov8263_checkAcquisition"));
        }

    ovsim::advanceClock(0.05);
    tick();
    QCOMPARE(w->stateLabel->text(), QStringLiteral("Post-Trig"));
    QCOMPARE(textColour(w->stateLabel), QColor(Qt::green));
    QCOMPARE(countOf("ov8263_generateITRI"), 2);
    QVERIFY(app->singleShotButton()->isChecked());

    ovsim::advanceClock(0.06);
    tick();
    QCOMPARE(gl_state, ViInt16(7));
    QVERIFY(!app->singleShotButton()->isChecked());
    QCOMPARE(w->stateLabel->text(), QStringLiteral("Idle"));
    QCOMPARE(points(app, 2, 0), size_t(100));
}

void TestSingleShotLive::completionByBacklog()
{
    open();
    start(true);
    // The card is set for a longer run than the panel asked for: the block
    // is complete as soon as the backlog holds the panel's scans.
    blockedHardwareAccess1(ov8263_stopAcquisition, app->masterVi);
    QCOMPARE(blockedHardwareAccess5(ov8263_setAcquisitionMode, app->masterVi, 1000.0, 1000, ViUInt16(1), ViUInt16(0)),
             VI_SUCCESS);
    blockedHardwareAccess2(ov8263_armDAQ, app->masterVi, ViUInt16(6));
    toReady();
    ovsim::advanceClock(0.0995);
    tick();
    QVERIFY(app->singleShotButton()->isChecked());
    ovsim::advanceClock(0.001);
    tick();
    QCOMPARE(gl_state, ViInt16(6)); // still acquiring
    QVERIFY(gl_scanBacklog >= 100);
    QVERIFY(!app->singleShotButton()->isChecked());
    QCOMPARE(countOf("ov8263_readAcquisition"), 1);
    QCOMPARE(w->scanCount, 100);
    QVERIFY(std::fabs(w->plotData[0] - 23.5) < 0.5);
}

void TestSingleShotLive::outOfRangeKeepsRunning()
{
    open();
    ovsim::Sensor hot;
    hot.kind = ovsim::SensorKind::Voltage;
    hot.dcLevel = 30.0;
    ovsim::setSensor(3, hot);
    start(true);
    toReady();
    ovsim::advanceClock(0.05);
    tick();
    QCOMPARE(w->stateLabel->text(), QStringLiteral("Input Signal Out Of Range"));
    QCOMPARE(textColour(w->stateLabel), QColor(Qt::red));
    QVERIFY(app->singleShotButton()->isChecked());
    QCOMPARE(countOf("ov8263_stopDAQ"), 0);
    ovsim::advanceClock(0.06);
    tick();
    QVERIFY(!app->singleShotButton()->isChecked());
    QCOMPARE(countOf("ov8263_readAcquisition"), 1);
}

void TestSingleShotLive::fifoOverflowStopsRun()
{
    std::string s = ovsim::defaultScenarioText();
    const std::string anchor = "revision: \"2.4.1.0\"\n";
    const size_t at = s.find(anchor);
    QVERIFY(at != std::string::npos);
    s.insert(at + anchor.size(), "        fifo_samples: 60\n");
    open(s);
    start(true);
    toReady();
    ovsim::advanceClock(0.05); // 50 scans of 3 channels: more than the FIFO holds
    tick();
    QCOMPARE(w->stateLabel->text(), QStringLiteral("FIFO overflow"));
    QCOMPARE(textColour(w->stateLabel), QColor(Qt::red));
    QVERIFY(!app->singleShotButton()->isChecked());
    QVERIFY(countOf("ov8263_stopDAQ") >= 1);
    QCOMPARE(countOf("ov8263_readAcquisition"), 0);
    for (QPushButton *b : {app->singleShotButton(), app->continuousButton(), app->configurationButton(),
                           app->enableAllButton()})
        QVERIFY(b->isEnabled());
}

void TestSingleShotLive::otherErrorBitsStopRun_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<QString>("text");
    QTest::newRow("underflow") << 0x0080 << "FIFO underflow";
    QTest::newRow("overflow and underflow") << 0x00C0 << "FIFO overflow";
    QTest::newRow("hardware") << 0x0002 << "Hardware error 0002";
}

void TestSingleShotLive::otherErrorBitsStopRun()
{
    QFETCH(int, bits);
    QFETCH(QString, text);
    open();
    start(true);
    // The simulated card raises scheduled error bits with a streamed block:
    // let a short stream run under the armed single shot.
    blockedHardwareAccess1(ov8263_stopAcquisition, app->masterVi);
    blockedHardwareAccess5(ov8263_setAcquisitionMode, app->masterVi, 1000.0, 0, ViUInt16(0), ViUInt16(0));
    ovsim::scheduleErrorBits(0, uint16_t(bits));
    QCOMPARE(blockedHardwareAccess4(ov8263_startAcquisitionEx, app->masterVi, 10, &noCallback, ViAddr(nullptr)),
             VI_SUCCESS);
    ovsim::advanceClock(0.02);
    ViInt16 state = 0;
    ViUInt16 errors = 0;
    ViInt32 backlog = 0;
    QTRY_VERIFY((blockedHardwareAccess4(ov8263_checkAcquisition, app->masterVi, &state, &errors, &backlog),
                 errors == bits));
    tick();
    QCOMPARE(w->stateLabel->text(), text);
    QCOMPARE(textColour(w->stateLabel), QColor(Qt::red));
    QVERIFY(!app->singleShotButton()->isChecked());
    QVERIFY(countOf("ov8263_stopDAQ") >= 1);
}

void TestSingleShotLive::startSequenceFaults_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("callText");
    QTest::newRow("trigger") << "ov8263_setTrigConfig" << "blockedHardwareAccess3(ov8263_setTrigConfig, app->masterVi, 0, 0)";
    QTest::newRow("mode") << "ov8263_setAcquisitionMode"
                          << "blockedHardwareAccess5(ov8263_setAcquisitionMode, app->masterVi, samplingRate, "
                             "scanCount, ov8263_DA_START_TRIG, ov8263_DA_STOP_ERR_OFF)";
    QTest::newRow("fifo") << "ov8263_resetFIFO" << "blockedHardwareAccess1(ov8263_resetFIFO, app->masterVi)";
    QTest::newRow("arm") << "ov8263_armDAQ"
                         << "blockedHardwareAccess2(ov8263_armDAQ, app->masterVi, ov8263_SYNC_IF_NEED | "
                            "ov8263_ARM_NOWAIT)";
    QTest::newRow("check") << "ov8263_checkAcquisition" << checkText;
}

void TestSingleShotLive::startSequenceFaults()
{
    QFETCH(QString, function);
    QFETCH(QString, callText);
    open();
    ovsim::setForwardedStatus(ov8263_ERROR_HARDWARE);
    ovsim::failNext(function.toStdString(), forwarded);
    start(true);
    QTRY_VERIFY(fx->boxes().size() >= 1);
    // Every call of the start is made, the failing one reported by the digitizer's rule.
    for (const char *f : {"ov8263_setTrigConfig", "ov8263_setAcquisitionMode", "ov8263_resetFIFO", "ov8263_armDAQ",
                          "ov8263_checkAcquisition"})
        QVERIFY(countOf(f) >= 1);
    QCOMPARE(fx->boxes().first().text,
             expected(forwarded, callText.toLatin1().constData(), ReportRule::Digitizer));
    QCOMPARE(fx->boxes().first().icon, QMessageBox::Critical);
    app->singleShotButton()->click();
    QVERIFY(!app->singleShotButton()->isChecked());
}

void TestSingleShotLive::pollFaults_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("callText");
    QTest::addColumn<bool>("conditioningRule");
    QTest::addColumn<int>("phase"); // 0 while arming, 1 while Ready, 2 at the end of the block
    QTest::newRow("check") << "ov8263_checkAcquisition" << checkText << true << 0;
    QTest::newRow("pulse") << "ov8263_generateITRI"
                           << "blockedHardwareAccess2(ov8263_generateITRI, app->masterVi, ov8263_PULSE)" << false << 1;
    QTest::newRow("stop") << "ov8263_stopAcquisition"
                          << "blockedHardwareAccess1(ov8263_stopAcquisition, app->masterVi)" << true << 2;
    QTest::newRow("read") << "ov8263_readAcquisition"
                          << "blockedHardwareAccess6(ov8263_readAcquisition, app->masterVi, scanCount, "
                             "ov8263_GROUP_BY_CHANNEL, (ViPReal64)0, &scanCount, plotData)"
                          << false << 2;
}

void TestSingleShotLive::pollFaults()
{
    QFETCH(QString, function);
    QFETCH(QString, callText);
    QFETCH(bool, conditioningRule);
    QFETCH(int, phase);
    open();
    ovsim::setForwardedStatus(ov8263_ERROR_HARDWARE);
    start(true);
    if (phase >= 1)
        ovsim::advanceClock(0.006);
    if (phase == 2) {
        tick(); // the pulse
        ovsim::advanceClock(0.2);
    }
    ovsim::failNext(function.toStdString(), forwarded);
    w->acqTimer->start(50);
    QTRY_COMPARE(fx->boxes().size(), 1);
    QCOMPARE(fx->boxes().first().text,
             expected(forwarded, callText.toLatin1().constData(),
                      conditioningRule ? ReportRule::Conditioning : ReportRule::Digitizer));
    // The poll stops; the run stays until the user breaks it.
    QVERIFY(!w->acqTimer->isActive());
    QVERIFY(app->singleShotButton()->isChecked());
    QCOMPARE(countOf("ov8263_stopDAQ"), 0);
    QTest::qWait(120);
    QCOMPARE(fx->boxes().size(), 1);

    app->singleShotButton()->click();
    QVERIFY(!app->singleShotButton()->isChecked());
    QVERIFY(countOf("ov8263_stopDAQ") >= 1);
    QCOMPARE(w->stateLabel->text(), QStringLiteral("Idle"));
    QVERIFY(app->singleShotButton()->isEnabled());
}

void TestSingleShotLive::stopFault()
{
    open();
    start(true);
    ovsim::setForwardedStatus(ov8263_ERROR_HARDWARE);
    ovsim::failNext("ov8263_stopDAQ", forwarded);
    app->singleShotButton()->click();
    QTRY_COMPARE(fx->boxes().size(), 1);
    QCOMPARE(fx->boxes().first().text,
             expected(forwarded, "blockedHardwareAccess1(ov8263_stopDAQ, app->masterVi)",
                      ReportRule::Digitizer));
    QVERIFY(!app->singleShotButton()->isChecked());
    QCOMPARE(w->stateLabel->text(), QStringLiteral("Idle"));
}

void TestSingleShotLive::statusPoll()
{
    open();
    setChannel(app, 2, false);
    ovsim::setPgaError(2, true);
    ovsim::clearJournal();

    // Busy hardware: no call at all.
    app->deviceBusy = 1;
    w->timerStatSlot();
    QVERIFY(ovsim::journal().empty());
    app->deviceBusy = 0;

    // The channel panels are polled only while their window is active.
    w->timerStatSlot();
    QCOMPARE(countOf("ov7931_checkECStatus"), 1);
    QCOMPARE(countOf("ov7931_checkChanPgaEf"), 0);

    app->config->show();
    const auto activate = [this] {
        // Let the window system's activation events settle first.
        for (int i = 0; i < 5; ++i) {
            QApplication::setActiveWindow(app->config);
            QTest::qWait(40);
        }
        QTRY_VERIFY(app->chCfg[0]->isActiveWindow());
    };
    activate();
    ovsim::clearJournal();
    w->timerStatSlot();
    const auto flags = ovsim::journalOf("ov7931_checkChanPgaEf");
    QCOMPARE(flags.size(), size_t(2)); // channels 1 and 2 only
    QCOMPARE(flags[0].args.at(1), std::string("1"));
    QCOMPARE(flags[1].args.at(1), std::string("2"));
    const auto pga = ovsim::journalOf("ov7931_readPGAError");
    QCOMPARE(pga.size(), size_t(1));
    QCOMPARE(pga[0].args.at(1), std::string("2"));

    // A failing status read stops the acquisition timer and is reported.
    ovsim::setForwardedStatus(ov8263_ERROR_HARDWARE);
    activate();
    w->acqTimer->start(100000);
    ovsim::failNext("ov7931_checkChanPgaEf", forwarded);
    w->timerStatSlot();
    QVERIFY(!w->acqTimer->isActive());
    QTRY_COMPARE(fx->boxes().size(), 1);
    QCOMPARE(fx->boxes().first().text,
             expected(forwarded,
                      "blockedHardwareAccess3(ov7931_checkChanPgaEf, app->slaveVi, channelId, &pgaError)",
                      ReportRule::Conditioning));
    w->acqTimer->start(100000);
    ovsim::failNext("ov7931_checkECStatus", forwarded);
    w->timerStatSlot();
    QVERIFY(!w->acqTimer->isActive());
    QTRY_COMPARE(fx->boxes().size(), 2);
    QCOMPARE(fx->boxes().last().text,
             expected(forwarded, "blockedHardwareAccess2(ov7931_checkECStatus, app->slaveVi, &ecStatus)",
                      ReportRule::Conditioning));
    activate();
    w->acqTimer->start(100000);
    ovsim::failNext("ov7931_readPGAError", forwarded);
    w->timerStatSlot();
    QVERIFY(!w->acqTimer->isActive());
    QTRY_COMPARE(fx->boxes().size(), 3);
    QCOMPARE(fx->boxes().last().text,
             expected(forwarded,
                      "blockedHardwareAccess4(ov7931_readPGAError, app->slaveVi, i + 1, &b, (ViPInt16)0)",
                      ReportRule::Conditioning));
}

void TestSingleShotLive::liveContinuousNotOffered()
{
    // Live streaming comes with the continuous-run dialog; until then the
    // button returns to idle without touching the digitizer's acquisition.
    open();
    app->continuousButton()->click();
    QTRY_VERIFY(!app->continuousButton()->isChecked());
    QCOMPARE(countOf("ov8263_setTrigConfig"), 0);
    QCOMPARE(countOf("ov8263_startAcquisitionEx"), 0);
    QVERIFY(!w->acqTimer->isActive());
    QVERIFY(!app->continuousMode);
    for (QPushButton *b : {app->singleShotButton(), app->continuousButton(), app->configurationButton(),
                           app->enableAllButton()})
        QVERIFY(b->isEnabled());
    for (int p = 0; p < 3; ++p)
        QVERIFY(w->panel(p).statisticsButton->isEnabled());
    QVERIFY(fx->boxes().isEmpty());
}

QTEST_MAIN(TestSingleShotLive)
#include "test_singleShotLive.moc"
