// "Apply Configuration to all Enabled Channels": the source panel's sensor,
// mode, excitation and range indices are copied, on the GUI thread, through
// every other enabled panel's own selectors (so each target runs its own
// cascade); a worker then applies each target channel to the cards while a
// modal dialog shows a time-based estimate (0.5 s per target) and offers
// Cancel. deviceBusy keeps the status poll off the hardware meanwhile.
#ifndef OV7931DEMO_APPLYTOALL_H
#define OV7931DEMO_APPLYTOALL_H

#include "ov7931Demo_applyConfig.h"
#include "ov7931Demo_panelTools.h"
#include "ov7931Demo_progressDialog.h"

#include <QThread>

#include <atomic>
#include <memory>
#include <vector>

class ov7931Demo_AppInterface;
class ov7931Demo_ChCfg;

// Advances a progress value by 100 / steps every 100 ms (through the common
// library's delay) until it reaches 100 or the stop flag is set.
class ov7931Demo_estimationThread : public QThread
{
    Q_OBJECT

public:
    ov7931Demo_estimationThread(int steps, std::shared_ptr<std::atomic<float>> progress);
    ~ov7931Demo_estimationThread() override;

    int steps = 0;
    std::shared_ptr<std::atomic<float>> progress;
    const float maximum = 100.0f;
    std::atomic<bool> stopFlag{false};
    std::atomic<bool> abandon{false};

    // Sets the stop flag and waits up to 200 ms; a thread still running is abandoned.
    bool stop();

protected:
    void run() override;
};

// The worker's data; its own run does nothing.
class ov7931Demo_applyToAllThread : public QThread
{
    Q_OBJECT

public:
    ov7931Demo_applyToAllThread(ov7931Demo_AppInterface *app, int sourceChannel, int targets);
    ~ov7931Demo_applyToAllThread() override;

    ov7931Demo_AppInterface *app = nullptr;
    ViStatus status = 0;
    std::atomic<bool> stopFlag{false};
    // Set when the worker overran its wait: it then makes no further driver call.
    std::atomic<bool> abandon{false};
    int sourceChannel = 0;
    int estimate = 0; // 5 x targets: estimation steps and wait limit
    std::shared_ptr<std::atomic<float>> progress;
    ov7931Demo_estimationThread *estimation = nullptr; // owned

    // Stops the estimation thread, then waits for the worker (up to
    // 2 x estimate times 100 ms); returns true when the worker has ended.
    bool stopWorker();

protected:
    void run() override {}
};

// The apply loop: each target channel's driver calls, from snapshots taken
// on the GUI thread; the results are shown by the GUI thread after the run.
class ov7931_appToAllExec : public ov7931Demo_applyToAllThread
{
    Q_OBJECT

public:
    ov7931_appToAllExec(ov7931Demo_AppInterface *app, int sourceChannel, std::vector<ChannelSnapshot> targets,
                        ViSession masterVi, ViSession slaveVi);

    const std::vector<ChannelSnapshot> targets;
    std::vector<ApplyResult> results; // read once the thread has ended

protected:
    void run() override;

private:
    ViSession masterVi = 0;
    ViSession slaveVi = 0;
};

class ov7931Demo_ApplyToAllDialog : public ov7931Demo_progressDialog
{
    Q_OBJECT

public:
    ov7931Demo_ApplyToAllDialog(ov7931Demo_ChCfg *source, ov7931Demo_AppInterface *app);

    int sourceChannel = 0;
    ov7931Demo_applyToAllThread *worker = nullptr;
};

#endif
