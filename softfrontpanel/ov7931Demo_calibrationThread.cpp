#include "ov7931Demo_calibrationThread.h"

#include "ov7931.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_channelModel.h"
#include "ov7931Demo_hwaccess.h"
#include "ov8263.h"
#include "ov9174.h"

#include <QComboBox>

#include <cmath>

CalibrationChannel calibrationChannel(const ov7931Demo_ChCfg *panel)
{
    CalibrationChannel c;
    c.masterVi = panel->app->masterVi;
    c.slaveVi = panel->app->slaveVi;
    c.subType = panel->app->slaveSubType;
    c.channel = panel->d_ch + 1;
    c.sensorType = panel->sensorType();
    c.rangeIndex = panel->rangeIndex();
    c.excitationIndex = panel->excitationIndex();
    c.excitationSays100uA = panel->excitationSelector->currentText().contains(QLatin1String("100uA"));
    return c;
}

ov7931Demo_calibrationThread::ov7931Demo_calibrationThread(ov7931Demo_App *a) : app(a) {}

// Its owner stops it first (stopWorker, then disposeWorker); here it has ended.
ov7931Demo_calibrationThread::~ov7931Demo_calibrationThread() { wait(); }

// One driver call under hardwareLock; its status becomes the worker's status.
// An abandoned worker makes no further call.
template <typename F, typename... A>
void ov7931Demo_genCalibration::call(F function, A... arguments)
{
    if (!abandon)
        status = blockedHardwareAccess(function, arguments...);
}

void ov7931Demo_genCalibration::run()
{
    const CalibrationChannel c = input;
    const ViUInt16 ch = static_cast<ViUInt16>(c.channel);
    const ViUInt16 mask = static_cast<ViUInt16>(1u << (c.channel - 1));
    ViUInt16 g = 2;
    measured = MeasuredCurrent();
    progress = 0.0f;

    if (c.masterVi != 0) {
        if (isAFamily(c.subType))
            g = digitizerGainFor(c.subType, true, c.rangeIndex);
        progress = 10.0f;
        call(ov8263_calibrateChannels, c.masterVi, mask, g, ViUInt16(0), (ViPReal64)0, (ViPReal64)0);
        progress = 20.0f;
    }
    if (c.slaveVi == 0) { // demo mode
        ov9174_delay(6000);
        progress = 100.0f;
        return;
    }

    // The gain in effect and whether the conditioning card makes it: when
    // the driver cannot tell, the sub-type's family decides.
    ViUInt16 gainInEffect = ov7931_GAIN_1;
    ViBoolean pga = isAFamily(c.subType) ? VI_FALSE : VI_TRUE;
    call(ov7931_getGainInfo, c.slaveVi, ch, &gainInEffect, &pga);
    const bool hasPga = pga != VI_FALSE;
    progress = 30.0f;

    if (c.sensorType != SensorVoltage) {
        const ViUInt16 e = c.excitationSays100uA ? ViUInt16(3) : static_cast<ViUInt16>(c.excitationIndex);
        const bool changeGain = hasPga && gainInEffect != ov7931_GAIN_1;
        if (changeGain) {
            call(ov7931_getGain, c.slaveVi, ch, &gainInEffect);
            progress = 35.0f;
            call(ov7931_setGain, c.slaveVi, ch, ViUInt16(ov7931_GAIN_1));
            call(ov7931_pgaCalibration, c.slaveVi, ch, ViUInt16(2), ViReal64(0.0), (ViPReal64)0, (ViPReal64)0);
            progress = 40.0f;
        } else if (!hasPga) {
            call(ov8263_calibrateChannels, c.masterVi, mask, ViUInt16(2), ViUInt16(0), (ViPReal64)0, (ViPReal64)0);
            progress = 35.0f;
            call(ov8263_setChanConfig, c.masterVi, ch, ViUInt16(ov8263_CH_FP), ViUInt16(2), ViBoolean(VI_FALSE));
            progress = 40.0f;
        }
        ViReal64 current = 0.0;
        call(ov7931_excCalibration, c.slaveVi, ch, e, &current, (ViPReal64)0);
        progress = 45.0f;
        // A failed measurement leaves the channel's current as it was.
        if (!abandon && status >= 0 && std::isfinite(current) && current > 0.0)
            measured = MeasuredCurrent{true, e == 1 || e == 3, current};
        if (changeGain) {
            call(ov7931_setGain, c.slaveVi, ch, gainInEffect);
            progress = 50.0f;
            call(ov7931_pgaCalibration, c.slaveVi, ch, ViUInt16(2), ViReal64(0.0), (ViPReal64)0, (ViPReal64)0);
        }
        progress = 60.0f;
        if (!hasPga)
            call(ov8263_setChanConfig, c.masterVi, ch, ViUInt16(ov8263_CH_FP), g, ViBoolean(VI_FALSE));
    } else if (hasPga) {
        call(ov7931_pgaCalibration, c.slaveVi, ch, ViUInt16(2), ViReal64(0.0), (ViPReal64)0, (ViPReal64)0);
    }

    progress = 80.0f;
    if (hasPga) {
        ViUInt16 flags = 0;
        call(ov7931_checkPgaEf, c.slaveVi, &flags);
    }
    progress = 100.0f;
}
