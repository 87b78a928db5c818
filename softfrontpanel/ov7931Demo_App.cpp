#include "ov7931Demo_App.h"

#include "ov7931.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_Config.h"
#include "ov7931Demo_Waveform.h"
#include "ov7931Demo_acqConfig.h"
#include "ov7931Demo_hwaccess.h"
#include "ov7931Demo_panelSettings.h"
#include "ov7931Demo_plotExport.h"
#include "ov7931Demo_resetReapply.h"
#include "ov7931Demo_samplingRates.h"
#include "ov7931Demo_workerControl.h"
#include "ov8263.h"
#include "ov9174.h"
#include "ov9174fp_About.h"
#include "ov9174fp_saveProblems.h"
#include "ov9174fp_shortcuts.h"
#include "ov9174fp_windowPlacement.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLayout>
#include <QComboBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QShowEvent>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <cstdio>
#include <cstdlib>

namespace {
QStringList itemTexts(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}
} // namespace

ov7931Demo_App::ov7931Demo_App(ov9174fp_genFC *descriptor, int cardCount, bool viewing, const QString &subType,
                               QWidget *parent)
    : ov7931Demo_AppInterface(descriptor, cardCount, viewing, QStringLiteral("6.1.3"), false, parent)
{
    // The connection step has run: the process has ended unless there is a
    // digitizer session or demo mode.
    deviceBusy = 0;
    bodyLayout = new QVBoxLayout;
    hide();
    setReportSessions(&masterVi, &slaveVi);

    masterSubType = QStringLiteral("8263-AA");
    masterSerial = QStringLiteral("DEMO");
    masterRevision = QStringLiteral("1.0.0.0 (DEMO)");
    slaveSubType = subType;
    slaveSerial = QStringLiteral("DEMO");
    slaveRevision = QStringLiteral("1.0.0.0 (DEMO)");

    double excitationCurrents[16][2] = {};
    bool haveCurrents[16] = {};
    if (!demoMode) {
        if (masterVi == 0) {
            std::fflush(nullptr);
            std::_Exit(0);
        }
        openCards(excitationCurrents, haveCurrents);
    }

    registerIdentities();

    config = new ov7931Demo_Config(this);
    if (!demoMode) {
        for (int ch = 0; ch < 16; ++ch) {
            if (chCfg[ch] && haveCurrents[ch]) {
                chCfg[ch]->excitCurrPrimary = excitationCurrents[ch][0];
                chCfg[ch]->excitCurrSecondary = excitationCurrents[ch][1];
            }
        }
    }

    waveform = new ov7931Demo_Waveform(this, this);
    bodyLayout->addWidget(waveform);
    acqCfg = new acqConfig(this);
    new ov7931Demo_PlotExport(waveform);
    singleShotButton()->setVisible(true);
    continuousButton()->setVisible(true);

    fillSamplingRates();

    statusTimer = new QTimer(this);
    connect(statusTimer, &QTimer::timeout, waveform, &ov7931Demo_Waveform::timerStatSlot);
    statusTimer->start(10000);
    connect(this, &ov9174fp_app::enableAll, this, &ov7931Demo_App::enableAllChannels);
    connect(this, &ov9174fp_app::configDev, waveform, &ov7931Demo_Waveform::showPanel);
    connect(this, &ov9174fp_app::startSingle, waveform, &ov7931Demo_Waveform::startDAQ);
    connect(this, &ov9174fp_app::breakSingle, waveform, &ov7931Demo_Waveform::breakSingle);
    connect(this, &ov9174fp_app::startCont, waveform, &ov7931Demo_Waveform::startCont);
    connect(this, &ov9174fp_app::stopCont, waveform, &ov7931Demo_Waveform::stopCont);
    connect(this, &ov9174fp_app::resetPressed, this, &ov7931Demo_App::resetDevice);
    installPanelShortcuts(this);
    setContentLayout(bodyLayout);

    if (!viewingRecording)
        restoreChoices();
}

// Opens the conditioning card on the digitizer's session and reads the
// identity of both cards. Every failing call is reported; after "No" the
// sequence goes on with whatever the buffers hold.
void ov7931Demo_App::openCards(double excitationCurrents[16][2], bool haveCurrents[16])
{
    // Shared by both cards: a failed query leaves the other card's text.
    // Larger than the drivers' 8-character sub-type so that no reply overruns it.
    ViChar sub[256] = {0};
    ViChar rev[256] = {0};
    auto text = [](ViChar *buffer, size_t size) {
        buffer[size - 1] = 0;
        return QString::fromLatin1(buffer);
    };

    OV_CALL7931(blockedHardwareAccess4(ov7931_init, masterVi, VI_TRUE, VI_TRUE, &slaveVi));
    {
        ViInt32 serial = 0;
        OV_CALL7931(blockedHardwareAccess3(ov7931_serialNumber, slaveVi, sub, &serial));
        OV_CALL7931(blockedHardwareAccess3(ov7931_revision_query, slaveVi, (ViPChar)0, rev));
        slaveSubType = QStringLiteral("7931-") + text(sub, sizeof sub);
        slaveSerial = QString::asprintf("%08d", static_cast<int>(serial));
        slaveRevision = text(rev, sizeof rev);
    }
    {
        ViUInt32 serial = 0;
        OV_CALL8263(blockedHardwareAccess2(ov8263_getSubType, masterVi, sub));
        OV_CALL8263(blockedHardwareAccess2(ov8263_getSerNum, masterVi, &serial));
        OV_CALL8263(blockedHardwareAccess3(ov8263_revision_query, masterVi, (ViPChar)0, rev));
        masterSubType = QStringLiteral("8263-") + text(sub, sizeof sub);
        masterSerial = QString::asprintf("%08x", static_cast<unsigned>(serial));
        masterRevision = text(rev, sizeof rev);
    }

    // The drivers' own records: the digitizer's frequency limits and the
    // measured excitation currents of every channel. Not reported: a failed
    // read leaves the limits open and the channel's currents at their nominal values.
    ViReal64 lowest = 0.0, highest = 0.0;
    if (blockedHardwareAccess3(ov8263_getFrequencyLimits, masterVi, &lowest, &highest) >= 0 && lowest <= highest) {
        frequencyLimits[0] = lowest;
        frequencyLimits[1] = highest;
    } else {
        frequencyLimits[0] = 0.0;
        frequencyLimits[1] = 1e12;
    }
    for (int ch = 0; ch < 16; ++ch) {
        ViReal64 primary = 0.0, secondary = 0.0;
        if (blockedHardwareAccess4(ov7931_getExcitationCurrents, slaveVi, static_cast<ViUInt16>(ch + 1), &primary,
                                   &secondary) >= 0) {
            excitationCurrents[ch][0] = primary;
            excitationCurrents[ch][1] = secondary;
            haveCurrents[ch] = true;
        }
    }
}

void ov7931Demo_App::registerIdentities()
{
    if (ov9174fp_About *about = aboutBox()) {
        about->addHardwareInfo(slaveSerial, slaveRevision, slaveSubType);
        about->addHardwareInfo(masterSerial, masterRevision, masterSubType);
        about->addSoftwareRevision(QStringLiteral("4.3.16.12460"), QStringLiteral("4.3.16.12460"));
    }
}

void ov7931Demo_App::fillSamplingRates()
{
    const SamplingRateList rates = buildSamplingRateList(!demoMode, frequencyLimits[0], frequencyLimits[1]);
    QComboBox *list = samplingRateList();
    for (const SamplingRateItem &item : rates.items)
        list->addItem(item.label, item.rate);
    list->setCurrentIndex(rates.current);
}

void ov7931Demo_App::restoreChoices()
{
    const PanelChoices choices = readPanelChoices(settingsFileName());
    QComboBox *lengths = waveformLengthList();
    QComboBox *rates = samplingRateList();
    // A stored text that matches no item keeps the default item.
    lengths->setCurrentIndex(choiceIndex(itemTexts(lengths), choices.numberOfScans,
                                         choiceIndex(itemTexts(lengths), PanelChoices().numberOfScans,
                                                     lengths->currentIndex())));
    rates->setCurrentIndex(choiceIndex(itemTexts(rates), choices.samplingFrequency, rates->currentIndex()));
}

void ov7931Demo_App::saveChoices()
{
    PanelChoices choices;
    choices.numberOfScans = waveformLengthList()->currentText();
    choices.samplingFrequency = samplingRateList()->currentText();
    ov9174fp_saveProblems::report(settingsFileName(), writePanelChoices(settingsFileName(), choices));
}

ov7931Demo_App::~ov7931Demo_App()
{
    // A channel tool's worker that overran its stop is given up to 10 s for its last driver call.
    joinAbandonedWorkers(10000);
    if (statusTimer)
        statusTimer->stop();
    if (!viewingRecording)
        saveChoices();

    // The instrument's windows go while both sessions are still open, so
    // that whatever they stop or save on the way out still reaches the cards.
    delete waveform;
    waveform = nullptr;
    delete config;
    config = nullptr;
    for (ov7931Demo_ChCfg *&panel : chCfg)
        panel = nullptr;

    // Each session is closed once; a failing close is not reported.
    if (slaveVi != 0) {
        blockedHardwareAccess1(ov7931_close, slaveVi);
        slaveVi = 0;
    }
    if (masterVi != 0) {
        blockedHardwareAccess1(ov8263_close, masterVi);
        masterVi = 0;
    }
    if (readerTask.isRunning())
        readerTask.waitForFinished();
    setReportSessions(nullptr, nullptr);
}

QString ov7931Demo_App::settingsFileName() const { return settingsFileNameFor(slaveSerial); }

void ov7931Demo_App::enableAllChannels()
{
    // Checking a box runs the panel's own enable handling, which applies
    // the channel to the hardware; enabled channels are left alone. A
    // viewed recording's channels are those it holds.
    if (viewingRecording)
        return;
    for (ov7931Demo_ChCfg *panel : chCfg) {
        if (panel && panel->enableBox && !panel->enableBox->isChecked())
            panel->enableBox->setChecked(true);
    }
}

QProgressDialog *ov7931Demo_App::createResetProgressDialog(QWidget *parent)
{
    auto *dialog = new QProgressDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint);
    dialog->setLabelText(QStringLiteral("Resetting device.."));
    dialog->setCancelButton(nullptr);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumDuration(0);
    dialog->setValue(dialog->minimum());
    return dialog;
}

void ov7931Demo_App::resetDevice()
{
    QProgressDialog *dialog = createResetProgressDialog(this);
    dialog->show();
    deviceBusy = 1;

    // The previous slaveVi is not closed first: a second ov7931_init resets the
    // card, whose channels then need the panels' configuration again.
    const std::vector<ChannelSnapshot> channels = demoMode ? std::vector<ChannelSnapshot>() : channelSnapshots(chCfg);
    std::vector<ApplyResult> applied;
    QFuture<void> task = QtConcurrent::run(QThreadPool::globalInstance(), [this, &channels, &applied]() {
        if (!demoMode &&
            OV_CALL7931(blockedHardwareAccess4(ov7931_init, masterVi, VI_TRUE, VI_TRUE, &slaveVi)) >= VI_SUCCESS)
            applied = reapplyChannels(channels, masterVi, slaveVi);
    });
    while (!task.isFinished()) {
        ov9174_delay(100);
        if (dialog->value() < dialog->maximum() - 1)
            dialog->setValue(dialog->value() + 1);
    }
    task.waitForFinished();
    showReapplied(chCfg, channels, applied);
    deviceBusy = 0;
    delete dialog;
}

void ov7931Demo_App::showEvent(QShowEvent *event)
{
    ov9174fp_AppFC::showEvent(event);
    if (event->spontaneous())
        return;
    if (waveform) {
        for (int plot = 0; plot < 3; ++plot)
            waveform->togglePlotVisibility(plot);
        waveform->updateEnabledChannels();
        waveform->refreshPlots();
    }
    // Sized and placed once the refresh has left exactly the plots with
    // channels shown: within the screen's available area.
    fitToScreen(this);
}
