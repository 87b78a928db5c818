// "Calibrate Channel %1" and "Calibrate all Enabled Channels": a modal
// dialog with progress and Cancel follows a calibration worker, channel by
// channel, while deviceBusy keeps the status poll off the hardware. The
// current the worker measured goes into the channel panel, where the
// acquisition takes it from then on; the status of the worker's last
// driver call is reported after each channel.
#ifndef OV7931DEMO_CALIBRATION_H
#define OV7931DEMO_CALIBRATION_H

#include "ov7931Demo_panelTools.h"
#include "ov7931Demo_progressDialog.h"

class ov7931Demo_AppInterface;
class ov7931Demo_ChCfg;
class ov7931Demo_calibrationThread;

class ov7931Demo_calibrationDialog : public ov7931Demo_progressDialog
{
    Q_OBJECT

public:
    ov7931Demo_calibrationDialog(ov7931Demo_ChCfg *panel, ov7931Demo_AppInterface *app);

    ov7931Demo_calibrationThread *worker = nullptr;
};

// Asks the worker to end and waits for it (2 x its wait limit times
// 100 ms, the GUI running meanwhile); a worker that overruns is abandoned.
// Returns true when it has ended.
bool stopWorker(ov7931Demo_calibrationThread *worker);
// Runs the dialog's worker for the panel's channel and follows it; reports
// a non-zero status of the worker's last call as "thread->getStatus()".
// Returns false when the user cancelled.
bool runWorkerWithProgress(ov7931Demo_calibrationDialog *dialog, ov7931Demo_ChCfg *panel);

#endif
