#include "ov7931Demo_calibration.h"

#include "ov7931Demo_AppInterface.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_calibrationThread.h"
#include "ov7931Demo_channelModel.h"
#include "ov7931Demo_hwaccess.h"
#include "ov7931Demo_workerControl.h"

#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>

namespace {
QString modelTitle() { return QStringLiteral("Keltri %1").arg(0x7931, 4, 16); }

bool needsExcitation(const ov7931Demo_ChCfg *panel)
{
    return panel->excitationIndex() == 0 && panel->sensorType() != SensorVoltage;
}

// The dialog and its worker for one button press.
struct Session {
    ov7931Demo_calibrationDialog *dialog;
    ov7931Demo_calibrationThread *worker;
    ov7931Demo_AppInterface *app;

    explicit Session(ov7931Demo_ChCfg *panel)
        : dialog(new ov7931Demo_calibrationDialog(panel, panel->app)),
          worker(new ov7931Demo_genCalibration(panel->app)), app(panel->app)
    {
        dialog->worker = worker;
        dialog->stopWorker = [w = worker]() { stopWorker(w); };
        dialog->setWindowTitle(modelTitle() + QStringLiteral(" Calibration"));
        app->deviceBusy = 1;
    }
    ~Session()
    {
        app->deviceBusy = 0;
        dialog->stopWorker = nullptr;
        stopWorker(worker);
        disposeWorker(worker);
        delete dialog;
    }
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;
};
} // namespace

ov7931Demo_calibrationDialog::ov7931Demo_calibrationDialog(ov7931Demo_ChCfg *panel, ov7931Demo_AppInterface *a)
    : ov7931Demo_progressDialog(panel, a, QSize(250, 100))
{
    setWindowTitle(modelTitle() + QStringLiteral(" Calibration"));
}

bool stopWorker(ov7931Demo_calibrationThread *worker)
{
    return stopWithinBound(worker, worker->stopFlag, worker->abandon, 2 * worker->waitLimit, 100);
}

bool runWorkerWithProgress(ov7931Demo_calibrationDialog *dialog, ov7931Demo_ChCfg *panel)
{
    ov7931Demo_calibrationThread *worker = dialog->worker;
    if (!worker || worker->isRunning())
        return false;
    dialog->setResult(1);
    dialog->bar->setValue(0);
    dialog->show();

    worker->progress = 0.0f;
    worker->status = 0;
    worker->channel = panel->d_ch + 1;
    worker->input = calibrationChannel(panel);
    worker->start(QThread::InheritPriority);

    const bool completed = followProgress(dialog, dialog->bar, worker->progress);
    // A cancel has stopped the worker already: the channel keeps what it measured.
    if (completed)
        stopWorker(worker);
    if (worker->isFinished() && !worker->abandon && worker->measured.valid) {
        if (worker->measured.primary)
            panel->excitCurrPrimary = worker->measured.ampere;
        else
            panel->excitCurrSecondary = worker->measured.ampere;
    }
    if (!completed)
        return false;
    dialog->hide();
    if (worker->getStatus() != 0)
        reportStatus(worker->getStatus(), "thread->getStatus()", ReportRule::Conditioning);
    return true;
}

void calibrateChannel(ov7931Demo_ChCfg *panel)
{
    if (needsExcitation(panel)) {
        QMessageBox::critical(panel, modelTitle(),
                              QStringLiteral("Excitation current is not enabled for this channel. Please first "
                                             "enable it."),
                              QMessageBox::Ok);
        return;
    }
    Session session(panel);
    session.dialog->label->setText(QStringLiteral("Channel %1 Calibration...").arg(panel->d_ch + 1));
    runWorkerWithProgress(session.dialog, panel);
}

void calibrateAllChannels(ov7931Demo_ChCfg *panel)
{
    ov7931Demo_AppInterface *app = panel->app;
    QString list;
    for (const ov7931Demo_ChCfg *p : app->chCfg) {
        if (p && p->isEnabled() && needsExcitation(p))
            list += QStringLiteral("%1 ").arg(p->d_ch + 1);
    }
    if (!list.isEmpty()) {
        QMessageBox::critical(panel, modelTitle(),
                              QStringLiteral("Excitation current is not enabled for Channel ") + list +
                                  QStringLiteral(". Please first enable it(them)."),
                              QMessageBox::Ok);
        return;
    }
    Session session(panel);
    for (ov7931Demo_ChCfg *p : app->chCfg) {
        if (!p || !p->isEnabled())
            continue;
        session.dialog->label->setText(QStringLiteral("Channel %1 Calibration...").arg(p->d_ch + 1));
        if (!runWorkerWithProgress(session.dialog, p))
            break;
    }
}
