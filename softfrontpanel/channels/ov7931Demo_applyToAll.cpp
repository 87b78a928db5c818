#include "ov7931Demo_applyToAll.h"

#include "ov7931Demo_AppInterface.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_channelModel.h"
#include "ov7931Demo_workerControl.h"
#include "ov9174.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

// ---- estimation ------------------------------------------------------------------

ov7931Demo_estimationThread::ov7931Demo_estimationThread(int s, std::shared_ptr<std::atomic<float>> p)
    : steps(s), progress(std::move(p))
{
}

// Its owner stops it first (stop(), then disposeWorker); here it has ended.
ov7931Demo_estimationThread::~ov7931Demo_estimationThread() { wait(); }

bool ov7931Demo_estimationThread::stop()
{
    const bool ended = stopWithinBound(this, stopFlag, abandon, 2, 100);
    stopFlag = false;
    return ended;
}

void ov7931Demo_estimationThread::run()
{
    if (steps == 0)
        return;
    const float step = 100.0f / static_cast<float>(steps);
    while (progress->load() < 100.0f) {
        if (stopFlag || abandon)
            return;
        ov9174_delay(100);
        const float p = progress->load();
        if (p < maximum)
            progress->store(p + step);
    }
}

// ---- worker -----------------------------------------------------------------------

ov7931Demo_applyToAllThread::ov7931Demo_applyToAllThread(ov7931Demo_AppInterface *a, int source, int targets)
    : app(a), sourceChannel(source), estimate(5 * targets), progress(std::make_shared<std::atomic<float>>(0.0f))
{
    estimation = new ov7931Demo_estimationThread(estimate, progress);
}

// Its owner stops it first (stopWorker, then disposeWorker); here it has ended.
ov7931Demo_applyToAllThread::~ov7931Demo_applyToAllThread()
{
    wait();
    disposeWorker(estimation);
}

bool ov7931Demo_applyToAllThread::stopWorker()
{
    estimation->stop();
    return stopWithinBound(this, stopFlag, abandon, 2 * estimate, 100);
}

ov7931_appToAllExec::ov7931_appToAllExec(ov7931Demo_AppInterface *a, int source, std::vector<ChannelSnapshot> t,
                                         ViSession master, ViSession slave)
    : ov7931Demo_applyToAllThread(a, source, static_cast<int>(t.size())), targets(std::move(t)), masterVi(master),
      slaveVi(slave)
{
}

// An abandoned worker finishes the channel it is on and applies no other.
void ov7931_appToAllExec::run()
{
    for (const ChannelSnapshot &target : targets) {
        if (abandon)
            return;
        results.push_back(applyChannelToHardware(target, masterVi, slaveVi));
    }
}

// ---- dialog -----------------------------------------------------------------------

ov7931Demo_ApplyToAllDialog::ov7931Demo_ApplyToAllDialog(ov7931Demo_ChCfg *source, ov7931Demo_AppInterface *a)
    : ov7931Demo_progressDialog(source, a, QSize(300, 100)), sourceChannel(source->d_ch)
{
    setWindowTitle(QStringLiteral("Keltri %1 Apply to All Enabled Channels").arg(0x7931, 4, 16));
}

// ---- the button -------------------------------------------------------------------

namespace {
// Copies the source's selector indices into a target; each index that
// changes runs the target's own cascade, which applies it.
void copyIndices(const ov7931Demo_ChCfg *source, ov7931Demo_ChCfg *target)
{
    target->sensorSelector->setCurrentIndex(source->sensorSelector->currentIndex());
    target->modeSelector->setCurrentIndex(source->modeSelector->currentIndex());
    target->excitationSelector->setCurrentIndex(source->excitationSelector->currentIndex());
    target->rangeSelector->setCurrentIndex(source->rangeSelector->currentIndex());
    target->testWireButton->setEnabled(source->excitationIndex() > 0 && source->sensorType() != SensorVoltage);
}
} // namespace

void applyToAllChannels(ov7931Demo_ChCfg *source)
{
    ov7931Demo_AppInterface *app = source->app;
    int enabled = 0;
    for (const ov7931Demo_ChCfg *panel : app->chCfg)
        enabled += panel && panel->isEnabled() ? 1 : 0;
    if (enabled < 2)
        return;
    const QString model = QStringLiteral("Keltri %1").arg(0x7931, 4, 16);
    if (QMessageBox::question(source, model,
                              QStringLiteral("This Action will apply current channel's configurations too all enabled "
                                             "channels, Continue?"),
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel) != QMessageBox::Yes)
        return;

    app->deviceBusy = 1;
    source->connectChangeHandlers(false);

    std::vector<ov7931Demo_ChCfg *> targets;
    for (int c = 0; c < 16; ++c) {
        ov7931Demo_ChCfg *panel = app->chCfg[c];
        if (!panel || !panel->isEnabled() || c == source->d_ch)
            continue;
        copyIndices(source, panel);
        targets.push_back(panel);
    }
    if (targets.empty()) { // only when the source itself is not among the enabled panels
        app->deviceBusy = 0;
        source->connectChangeHandlers(true);
        return;
    }
    std::vector<ChannelSnapshot> snapshots;
    for (const ov7931Demo_ChCfg *panel : targets)
        snapshots.push_back(panel->snapshot());

    auto *dialog = new ov7931Demo_ApplyToAllDialog(source, app);
    auto *worker = new ov7931_appToAllExec(app, source->d_ch, std::move(snapshots), app->masterVi, app->slaveVi);
    dialog->worker = worker;
    dialog->stopWorker = [worker]() { worker->stopWorker(); };
    dialog->setWindowTitle(model + QStringLiteral(" Apply to All"));
    dialog->label->setText(
        QStringLiteral("Applying Channel %1 Configuration to all Channels...").arg(source->d_ch + 1));

    dialog->setResult(1);
    dialog->bar->setValue(0);
    dialog->show();
    worker->estimation->start(QThread::InheritPriority);
    worker->start(QThread::InheritPriority);

    if (followProgress(dialog, dialog->bar, *worker->progress)) {
        worker->stopWorker();
        dialog->hide();
    }

    // The LEDs and "Test Wire" of each target, from the worker's calls.
    if (worker->isFinished() && !worker->abandon) {
        for (size_t i = 0; i < worker->results.size() && i < targets.size(); ++i)
            targets[i]->showApplyResult(worker->results[i]);
    }

    app->deviceBusy = 0;
    source->connectChangeHandlers(true);
    dialog->stopWorker = nullptr;
    worker->stopWorker();
    disposeWorker(worker);
    delete dialog;
}
