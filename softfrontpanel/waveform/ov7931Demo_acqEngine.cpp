// The acquisition engine of the waveform window: single-shot and demo runs
// (start, poll, stop) and the status poll of the channels' LEDs. A viewed
// recording's poll step is in ov7931Demo_recordingView.cpp; a continuous
// run's set-up, block hand-off and shut-down in ov7931Demo_contAcq.cpp.
#include "ov7931Demo_Waveform.h"

#include "ov7931Demo_AppInterface.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_Config.h"
#include "ov7931Demo_acqRules.h"
#include "ov7931Demo_channelModel.h"
#include "ov7931Demo_demoData.h"
#include "ov7931Demo_hwaccess.h"
#include "ov7931Demo_rtd.h"
#include "ov7931Demo_tracker.h"
#include "contStream.h"
#include "shortRead.h"
#include "ov7931.h"
#include "ov8263.h"
#include "ov9174.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <qwt_plot.h>
#include <qwt_scale_div.h>

#include <algorithm>

ViInt16 gl_state = 0;
ViUInt16 gl_errors = 0;
ViInt32 gl_scanBacklog = 0;

namespace {

void copyRow(const PlotRangeRow &row, RtdRangeTable &table)
{
    for (int i = 0; i < kRangeSlots; ++i) {
        table[i][0] = row[i].min;
        table[i][1] = row[i].max;
    }
}

} // namespace

void ov7931Demo_Waveform::startDAQ()
{
    app->configurationButton()->setEnabled(false);
    app->enableAllButton()->setEnabled(false);
    app->resetButton()->setEnabled(false);
    contParams.bytesWritten = 0.0;
    contParams.blocksRead = 0;
    samplingRate = app->samplingRateList()->currentData().toDouble();
    updateEnabledChannels();

    if (channelMask == 0) {
        ov9174fp_app::warningMessage(QStringLiteral("At least one channel must be enabled for Data Acquisition"));
        stopDAQ();
        app->userBreak();
        return;
    }
    if (!(samplingRate > 0.0)) {
        ov9174fp_app::warningMessage(QStringLiteral("No sampling rate is selected."));
        stopDAQ();
        app->userBreak();
        return;
    }

    selectPlotRangeTables(app->slaveSubType);
    {
        const PlotRangeTables tables = workingPlotRangeTables();
        RtdRangeTable pt100, pt500;
        copyRow(tables.pt[0], pt100);
        copyRow(tables.pt[1], pt500);
        loadRtdRangeTables(pt100, pt500);
    }
    scanCount = std::min(std::max(app->waveformLengthList()->currentData().toInt(), 1), 10000);
    for (int p = 0; p < 3; ++p)
        fillTimeAxis(timeAxis[p], scanCount, samplingRate, 0.0);

    const bool continuous = app->continuousButton()->isChecked();
    if (demoMode) {
        stateLabel->setText(QString());
    } else if (!continuous) {
        startSingleShot();
    } else {
        if (!continuousSetup())
            return;
        stateLabel->setText(QString());
    }

    if (app->config)
        app->config->hide();
    acqTimer->start(continuous ? continuousRefreshInterval() : 50);
}

// Arms the digitizer for one block started by a software trigger. A failing
// call is reported and the sequence goes on.
void ov7931Demo_Waveform::startSingleShot()
{
    OV_CALL8263(blockedHardwareAccess3(ov8263_setTrigConfig, app->masterVi, 0, 0));
    OV_CALL8263(blockedHardwareAccess5(ov8263_setAcquisitionMode, app->masterVi, samplingRate, scanCount,
                                       ov8263_DA_START_TRIG, ov8263_DA_STOP_ERR_OFF));
    OV_CALL8263(blockedHardwareAccess1(ov8263_resetFIFO, app->masterVi));
    OV_CALL8263(blockedHardwareAccess2(ov8263_armDAQ, app->masterVi, ov8263_SYNC_IF_NEED | ov8263_ARM_NOWAIT));
    OV_CALL8263(blockedHardwareAccess4(ov8263_checkAcquisition, app->masterVi, &gl_state, &gl_errors, &gl_scanBacklog));
}

void ov7931Demo_Waveform::timerSlot() { timerSlot(true); }

void ov7931Demo_Waveform::timerSlot(bool incrementSlider)
{
    const bool continuous = app->continuousButton()->isChecked();

    if (demoMode) {
        if (app->viewingRecording) {
            showRecordedBlock(incrementSlider);
            return;
        }
        const TimeWindow w = liveTimeWindow(scanCount, 0, samplingRate);
        showBlockTimes(w.t0, w.t1);
        bool enabled[16];
        int kinds[16];
        for (int c = 0; c < 16; ++c) {
            enabled[c] = (channelMask & (1u << c)) != 0;
            kinds[c] = app->chCfg[c] ? app->chCfg[c]->plotKind : -1;
        }
        generateDemoBlock(plotData, scanCount, enabled, kinds);
        refreshPlots();
        if (!continuous) {
            stopDAQ();
            app->userBreak();
        }
        return;
    }

    const ViStatus status =
        blockedHardwareAccess4(ov8263_checkAcquisition, app->masterVi, &gl_state, &gl_errors, &gl_scanBacklog);
    if (status != 0) {
        acqTimer->stop();
        reportStatus(status,
                     "blockedHardwareAccess4(ov8263_checkAcquisition, app->masterVi, &gl_state, &gl_errors, "
                     "&gl_scanBacklog)",
                     ReportRule::Conditioning);
        return;
    }

    if (continuous) {
        continuousPoll();
    } else if (singleShotBlockComplete(gl_state, gl_scanBacklog, scanCount)) {
        const TimeWindow w = liveTimeWindow(scanCount, 0, samplingRate);
        showBlockTimes(w.t0, w.t1);
        bool shortRead = false;
        if (!readSingleShotBlock(shortRead))
            return;
        blockNeedsConversion = true;
        refreshPlots();
        stopDAQ();
        app->userBreak();
        if (shortRead)
            warnOfShortBlocks(1, 1);
        return;
    } else if (gl_state == ov8263_STATE_READY) {
        const ViStatus s = blockedHardwareAccess2(ov8263_generateITRI, app->masterVi, ov8263_PULSE);
        if (s != 0) {
            acqTimer->stop();
            reportStatus(s, "blockedHardwareAccess2(ov8263_generateITRI, app->masterVi, ov8263_PULSE)",
                         ReportRule::Digitizer);
            return;
        }
    }

    const AcquisitionStatusView view = acquisitionStatusView(gl_state, gl_errors);
    if (gl_errors != 0)
        gl_state = static_cast<ViInt16>(view.state);
    if (view.stopsRun) {
        stopDAQ();
        app->userBreak();
    }
    setStateText(view.text, view.colour);
}

// Stops the run and reads the block into plotData. On a failing call the
// timer is stopped and the run stays until the user breaks it; after a
// warning from the read the block is shown all the same. The driver writes
// the number of scans it delivered into scanCount (the call as the panel has
// always made it): the block is laid out by that count, and scanCount goes
// back to the scans asked for.
bool ov7931Demo_Waveform::readSingleShotBlock(bool &shortRead)
{
    shortRead = false;
    ViStatus status = blockedHardwareAccess1(ov8263_stopAcquisition, app->masterVi);
    if (status != 0) {
        acqTimer->stop();
        reportStatus(status, "blockedHardwareAccess1(ov8263_stopAcquisition, app->masterVi)",
                     ReportRule::Conditioning);
        return false;
    }
    const ViInt32 asked = scanCount;
    status = blockedHardwareAccess6(ov8263_readAcquisition, app->masterVi, scanCount, ov8263_GROUP_BY_CHANNEL,
                                    (ViPReal64)0, &scanCount, plotData);
    const ViInt32 delivered = scanCount;
    scanCount = asked;
    if (status != 0) {
        acqTimer->stop(); // no tick while the box is open; the stop follows a warning
        reportStatus(status,
                     "blockedHardwareAccess6(ov8263_readAcquisition, app->masterVi, scanCount, "
                     "ov8263_GROUP_BY_CHANNEL, (ViPReal64)0, &scanCount, plotData)",
                     ReportRule::Digitizer);
        if (status < 0)
            return false;
    }
    const size_t channels = size_t(enabledChannelList(channelMask).size());
    shortRead = layOutShortRead(plotData, channels, scanCount, delivered) < scanCount;
    return true;
}

// Sets the time axes of the three plots to the block's window and tells
// the trackers the visible ranges.
void ov7931Demo_Waveform::showBlockTimes(double t0, double t1)
{
    for (int p = 0; p < 3; ++p) {
        PlotPanel &pp = panels[p];
        pp.plot->setAxisAutoScale(QwtPlot::xBottom, false);
        pp.plot->setAxisScale(QwtPlot::xBottom, t0, t1);
        pp.plot->updateAxes();
        updateTrackerRanges(p);
        fillTimeAxis(timeAxis[p], scanCount, samplingRate, t0);
    }
}

void ov7931Demo_Waveform::stopDAQ()
{
    acqTimer->stop();
    const bool wasEnabled = contParams.callbackEnabled.exchange(false);
    if (wasEnabled && app->continuousMode)
        contAwaitCallbackAcknowledge(contParams);
    if (!demoMode) {
        if (!app->continuousMode)
            OV_CALL8263(blockedHardwareAccess1(ov8263_stopDAQ, app->masterVi));
        else
            continuousShutdown();
    }

    app->continuousButton()->setEnabled(true);
    app->singleShotButton()->setEnabled(true);
    app->configurationButton()->setEnabled(true);
    app->enableAllButton()->setEnabled(true);
    app->resetButton()->setEnabled(true);
    setStateText(QStringLiteral("Idle"), Qt::black);
    fileSizeLabel->hide();
    app->continuousMode = false;
    app->userBreak();
}

void ov7931Demo_Waveform::breakSingle()
{
    stopDAQ();
    app->userBreak();
}

void ov7931Demo_Waveform::startCont()
{
    for (PlotPanel &pp : panels)
        pp.statisticsButton->setEnabled(false);

    if (app->viewingRecording) {
        if (blockSlider->value() == blockSlider->maximum())
            blockSlider->setValue(0);
    } else {
        if (!runContinuousDialog())
            return;
        if (demoMode)
            QMessageBox::information(QApplication::activeWindow(), QStringLiteral("Keltri 7931 SFP"),
                                     QStringLiteral("Saving to file does not work in demo mode."), QMessageBox::Ok);
    }
    app->continuousMode = true;
    startDAQ();
}

void ov7931Demo_Waveform::stopCont()
{
    stopDAQ();
    for (PlotPanel &pp : panels)
        pp.statisticsButton->setEnabled(true);
    app->userBreak();
}

// ---- status poll -----------------------------------------------------------

void ov7931Demo_Waveform::timerStatSlot()
{
    if (app->slaveVi == 0 || app->deviceBusy)
        return;

    ViUInt16 ecStatus = 0;
    ViStatus status = blockedHardwareAccess2(ov7931_checkECStatus, app->slaveVi, &ecStatus);
    if (status != 0) {
        acqTimer->stop();
        reportStatus(status, "blockedHardwareAccess2(ov7931_checkECStatus, app->slaveVi, &ecStatus)");
        return;
    }
    QCoreApplication::processEvents();

    for (int i = 0; i < 16; ++i) {
        ov7931Demo_ChCfg *panel = app->chCfg[i];
        if (!panel || !panel->isActiveWindow())
            continue;
        if (!panel->isEnabled()) {
            panel->setStatusLeds(0, 0);
            continue;
        }
        ViInt16 b = 0;
        ViUInt16 pgaError = 0; // the PGA error flag bits
        const ViUInt16 channelId = static_cast<ViUInt16>(i + 1);
        status = blockedHardwareAccess3(ov7931_checkChanPgaEf, app->slaveVi, channelId, &pgaError);
        if (status != 0) {
            acqTimer->stop();
            reportStatus(status, "blockedHardwareAccess3(ov7931_checkChanPgaEf, app->slaveVi, channelId, &pgaError)");
            return;
        }
        QCoreApplication::processEvents();
        const int state = excitationState(((ecStatus >> i) & 1u) != 0, panel->excitationIndex());
        if (pgaError & (1u << i)) {
            status = blockedHardwareAccess4(ov7931_readPGAError, app->slaveVi, static_cast<ViUInt16>(i + 1), &b,
                                            (ViPInt16)0);
            if (status != 0) {
                acqTimer->stop();
                reportStatus(status, "blockedHardwareAccess4(ov7931_readPGAError, app->slaveVi, i + 1, &b, (ViPInt16)0)");
                return;
            }
            QCoreApplication::processEvents();
        }
        panel->setStatusLeds(state, b);
    }
}
