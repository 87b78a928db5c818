// The application object as its tools and windows see it: the instrument
// session on both cards, deviceBusy, the channel panels in channel order and
// the windows they reach one another through, on top of the framework's
// connection layer (masterVi, demoMode, viewingRecording and the main
// panel's controls). The channel panels, their tools and the waveform window
// keep a pointer `app` of this type and include this header, never the
// application object's, so that the application object (ov7931Demo_App, the
// one class deriving from this) can include theirs without an include circle.
#ifndef OV7931DEMO_APPINTERFACE_H
#define OV7931DEMO_APPINTERFACE_H

#include "ov9174fp_AppFC.h"

#include <QString>

#include <atomic>

class acqConfig;
class ov7931Demo_ChCfg;
class ov7931Demo_Config;
class ov7931Demo_Waveform;

class ov7931Demo_AppInterface : public ov9174fp_AppFC
{
public:
    using ov9174fp_AppFC::ov9174fp_AppFC;

    // masterVi (inherited) and slaveVi: the two sessions, 0 in demo mode.
    ViSession slaveVi = 0;
    QString slaveSubType;
    // 1 while a reset, a calibration or an apply-to-all owns the hardware.
    std::atomic<int> deviceBusy{0};
    bool continuousMode = false;

    ov7931Demo_ChCfg *chCfg[16] = {}; // the channel panels, channel 1 first
    ov7931Demo_Config *config = nullptr;
    ov7931Demo_Waveform *waveform = nullptr;
    acqConfig *acqCfg = nullptr; // the continuous-run dialog, kept for the session

    // The per-card settings file: "ov7931_" + slaveSerial + ".ini".
    virtual QString settingsFileName() const = 0;
};

#endif
