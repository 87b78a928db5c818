// The calibration worker: the drivers' calibration sequence for one channel
// on a thread of its own. It works on a plain description of the channel
// taken on the GUI thread, makes each driver call under hardwareLock without
// reporting it, and leaves its progress, the status of its last call and the
// current it measured for the GUI thread to read once it has ended.
#ifndef OV7931DEMO_CALIBRATIONTHREAD_H
#define OV7931DEMO_CALIBRATIONTHREAD_H

#include "visa.h"

#include <QString>
#include <QThread>

#include <atomic>

class ov7931Demo_AppInterface;
class ov7931Demo_ChCfg;

// What the sequence needs of a channel panel and the session.
struct CalibrationChannel {
    ViSession masterVi = 0;
    ViSession slaveVi = 0;
    QString subType;
    int channel = 1; // 1..16
    int sensorType = 0;
    int rangeIndex = 0;
    int excitationIndex = 0;
    bool excitationSays100uA = false; // the excitation selector's text contains "100uA"
};
CalibrationChannel calibrationChannel(const ov7931Demo_ChCfg *panel);

// A measured excitation current and where it belongs.
struct MeasuredCurrent {
    bool valid = false;
    bool primary = true; // else the secondary current
    double ampere = 0.0;
};

class ov7931Demo_calibrationThread : public QThread
{
    Q_OBJECT

public:
    explicit ov7931Demo_calibrationThread(ov7931Demo_AppInterface *app);
    ~ov7931Demo_calibrationThread() override;

    ov7931Demo_AppInterface *app = nullptr;
    std::atomic<ViStatus> status{0};
    std::atomic<int> channel{1};
    std::atomic<bool> stopFlag{false};
    // Set when the worker overran its wait: it then makes no further driver call.
    std::atomic<bool> abandon{false};
    std::atomic<float> progress{0.0f};
    int waitLimit = 50; // in units of 200 ms

    ViStatus getStatus() const { return status; }
    // Set on the GUI thread before each start.
    CalibrationChannel input;
    // Valid when the run measured a current; read once the thread has ended.
    MeasuredCurrent measured;
};

class ov7931Demo_genCalibration : public ov7931Demo_calibrationThread
{
    Q_OBJECT

public:
    using ov7931Demo_calibrationThread::ov7931Demo_calibrationThread;

protected:
    void run() override;
};

#endif
