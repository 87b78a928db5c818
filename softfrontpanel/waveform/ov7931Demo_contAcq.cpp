// The continuous run of the waveform window: the run dialog before the
// start, the set-up (ring, recording file and header, writer, streaming
// calls), the refresh poll with its file-size text, and the shut-down. The
// callback, the writer and the hand-offs themselves are the continuous core
// (stream/contStream.h); this file only connects them to the widgets, the
// hardware lock and the thread pool.
#include "ov7931Demo_Waveform.h"

#include "contStream.h"
#include "ov7931Demo_AppInterface.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_acqConfig.h"
#include "ov7931Demo_acqRules.h"
#include "ov7931Demo_contDriver.h"
#include "ov7931Demo_hwaccess.h"
#include "ov8263.h"
#include "ov9174.h"
#include "ov9174fp_app.h"
#include "runTexts.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <cstdio>
#include <thread>

// Before a live or demo run: the dialog, modal, with the run's data rate.
bool ov7931Demo_Waveform::runContinuousDialog()
{
    updateEnabledChannels();
    const int channels = enabledChannelList(channelMask).size();
    const double rate = app->samplingRateList()->currentData().toDouble();
    app->acqCfg->setDataRate(static_cast<int>(channels * rate));
    if (app->acqCfg->exec() != QDialog::Accepted) {
        app->userBreak();
        return false;
    }
    return true;
}

int ov7931Demo_Waveform::continuousRefreshInterval() const
{
    const int ms = app->acqCfg ? app->acqCfg->refreshInterval() : 0;
    return ms > 0 ? ms : 50;
}

// The set-up of a live continuous run. False when it was abandoned (no
// memory, the file cannot be opened); the buttons are then back at rest.
bool ov7931Demo_Waveform::continuousSetup()
{
    contParams_t &p = contParams;
    if (!p.driver.readBlock)
        useGuardedDriver(p);

    RecordingSetup header;
    header.device = app->slaveSubType.toStdString();
    header.samplingRate = samplingRate;
    header.scansPerBlock = scanCount;
    header.channelMask = static_cast<uint16_t>(channelMask);
    for (int n = 0; n < 16; ++n) {
        const ov7931Demo_ChCfg *ch = app->chCfg[n];
        if (!(channelMask & (1u << n)) || !ch)
            continue;
        if (ch->plotKind >= 0 && ch->plotKind <= 2) {
            p.sensorCode[n] = ch->sensorType();
            p.measurementKind[n] = ch->plotKind;
        }
        header.channels[n] = {ch->sensorType(), ch->mode(), ch->rangeIndex(), ch->excitationCode(), ch->plotKind};
    }

    fileSizeLabel->setText(QString());
    fileSizeLabel->setVisible(app->continuousButton()->isChecked());

    if (!contPrepare(p, channelMask, scanCount, app->acqCfg->fileFormat())) {
        app->userBreak();
        return false;
    }
    const QString path = app->acqCfg->recordingPath();
    if (!contOpenRecording(p, path.toLocal8Bit().toStdString(), header)) {
        QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Keltri 7931 SFP"),
                              QStringLiteral("Cannot open file: \"%1\" for writing.").arg(path), QMessageBox::Ok);
        app->userBreak();
        return false;
    }

    contBeginStreaming(p);
    if (p.file) {
        QFuture<void> writer = QtConcurrent::run(QThreadPool::globalInstance(), contWriter, &p);
        p.writerFuture.launched = true;
        p.writerFuture.join = [writer]() mutable { writer.waitForFinished(); };
        // The pool may have a single thread (after a search); the writer
        // starts when it is free.
        while (!p.writerFuture.started.load())
            std::this_thread::yield();
        guiBatch.enter(); // the writer's blocks go first (batchPolicy.h)
    }
    contEnableCallback(p);

    OV_CALL8263(blockedHardwareAccess3(ov8263_setTrigConfig, app->masterVi, 0, 0));
    OV_CALL8263(blockedHardwareAccess5(ov8263_setAcquisitionMode, app->masterVi, samplingRate, 0,
                                       ov8263_DA_START_IMM, ov8263_DA_STOP_ERR_OFF));
    OV_CALL8263(blockedHardwareAccess4(ov8263_startAcquisitionEx, app->masterVi, scanCount, contCallback,
                                       (ViAddr)&contParams));
    return true;
}

// The block part of a live continuous poll, after the digitizer's check:
// the latest block when the callback has delivered a new one, and the
// file-size text. (The state text follows in the engine's poll.)
void ov7931Demo_Waveform::continuousPoll()
{
    int64_t blockIndex = 0;
    if (contTakeDisplayBlock(contParams, plotData, &blockIndex) == DisplayTake::New) {
        const TimeWindow w = liveTimeWindow(scanCount, blockIndex, samplingRate);
        showBlockTimes(w.t0, w.t1);
        blockNeedsConversion = true;
        refreshPlots();
    }
    showFileSize();
}

// "        (file size: 12.3 MB)", orange while the digitizer holds a large
// backlog of unread scans.
void ov7931Demo_Waveform::showFileSize()
{
    fileSizeLabel->setText(QString::fromStdString(fileSizeLabelText(contParams.bytesWritten.load())));
    const QColor colour = gl_scanBacklog > kHighBacklogScans ? QColor(255, 128, 0) : QColor(Qt::black);
    QPalette pal = fileSizeLabel->palette();
    if (pal.color(QPalette::WindowText) != colour) {
        pal.setColor(QPalette::WindowText, colour);
        fileSizeLabel->setPalette(pal);
    }
}

// The shut-down, after the stop has disabled the callback and waited for
// it: the stream stopped, the writer ended, the reason shown, then how many
// blocks came short, the buffers freed.
void ov7931Demo_Waveform::continuousShutdown()
{
    OV_CALL7931(blockedHardwareAccess1(ov8263_stopAcquisition, app->masterVi));
    contStopWriter(contParams);
    guiBatch.leave();
    const std::string error = contErrorText(contParams);
    if (!error.empty())
        ov9174fp_app::errorMessage(QString::fromLatin1(error.c_str()));
    warnOfShortBlocks(contParams.shortBlocks.load(), contParams.blocksRead.load());
    ov9174_delay(300);
    contFreeBuffers(contParams);
}

// After a run whose reads came short: the missing scans are NaN on the plots
// and in the recording, and the user is told so.
void ov7931Demo_Waveform::warnOfShortBlocks(int64_t shortBlocks, int64_t blocksRead)
{
    const std::string text = shortBlocksText(shortBlocks, blocksRead);
    if (!text.empty())
        QMessageBox::warning(QApplication::activeWindow(), QStringLiteral("Keltri 7931 SFP"),
                             QString::fromStdString(text), QMessageBox::Ok);
}
