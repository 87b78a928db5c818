#include "ov7931Demo_calibrationThread.h"

#include "ov7931.h"
#include "ov7931Demo_AppInterface.h"
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

ov7931Demo_calibrationThread::ov7931Demo_calibrationThread(ov7931Demo_AppInterface *a) : app(a) {}

// Its owner stops it first (stopWorker, then disposeWorker); here it has ended.
ov7931Demo_calibrationThread::~ov7931Demo_calibrationThread() { wait(); }

// Each driver call is made under hardwareLock unless the worker has been
// abandoned, and its status becomes the worker's status.
#define OV_CALIBRATION_CALL(guardedCall)                                                                               \
    do {                                                                                                               \
        if (!abandon)                                                                                                  \
            status = guardedCall;                                                                                      \
    } while (0)

void ov7931Demo_genCalibration::run()
{
    const CalibrationChannel c = input;
    const ViUInt16 ch = static_cast<ViUInt16>(c.channel);
    const ViUInt16 mask = static_cast<ViUInt16>(1u << (c.channel - 1));
    const ViPReal64 none = nullptr;
    ViUInt16 g = 2;
    measured = MeasuredCurrent();
    progress = 0.0f;

    if (c.masterVi != 0) {
        if (isAFamily(c.subType))
            g = digitizerGainFor(c.subType, true, c.rangeIndex);
        progress = 10.0f;
        OV_CALIBRATION_CALL(
            blockedHardwareAccess6(ov8263_calibrateChannels, c.masterVi, mask, g, ViUInt16(0), none, none));
        progress = 20.0f;
    }
    if (c.slaveVi == 0) { // demo mode
        ov9174_delay(6000);
        progress = 100.0f;
        return;
    }

    // The gain in effect and whether the conditioning card makes it, from
    // the driver's record of the session: when the driver cannot tell, the
    // sub-type's family decides. The read is no step of the sequence: its
    // success leaves the status of the digitizer's calibration in place, so
    // that a failure there is still reported on a card without amplifiers.
    ViUInt16 gainInEffect = ov7931_GAIN_1;
    ViBoolean pga = isAFamily(c.subType) ? VI_FALSE : VI_TRUE;
    if (!abandon) {
        const ViStatus infoStatus = blockedHardwareAccess4(ov7931_getGainInfo, c.slaveVi, ch, &gainInEffect, &pga);
        if (infoStatus != VI_SUCCESS)
            status = infoStatus;
    }
    const bool hasPga = pga != VI_FALSE;
    progress = 30.0f;

    if (c.sensorType != SensorVoltage) {
        const ViUInt16 e = c.excitationSays100uA ? ViUInt16(3) : static_cast<ViUInt16>(c.excitationIndex);
        // Taken to unity gain for the measurement, and back afterwards to
        // the gain the card itself reports (which may differ from the record).
        if (hasPga && gainInEffect != ov7931_GAIN_1) {
            OV_CALIBRATION_CALL(blockedHardwareAccess3(ov7931_getGain, c.slaveVi, ch, &gainInEffect));
            progress = 35.0f;
            OV_CALIBRATION_CALL(blockedHardwareAccess3(ov7931_setGain, c.slaveVi, ch, ViUInt16(ov7931_GAIN_1)));
            OV_CALIBRATION_CALL(
                blockedHardwareAccess6(ov7931_pgaCalibration, c.slaveVi, ch, ViUInt16(2), 0.0, none, none));
            progress = 40.0f;
        } else if (!hasPga) {
            OV_CALIBRATION_CALL(blockedHardwareAccess6(ov8263_calibrateChannels, c.masterVi, mask, ViUInt16(2),
                                                       ViUInt16(0), none, none));
            progress = 35.0f;
            OV_CALIBRATION_CALL(blockedHardwareAccess5(ov8263_setChanConfig, c.masterVi, ch, ViUInt16(ov8263_CH_FP),
                                                       ViUInt16(2), ViBoolean(VI_FALSE)));
            progress = 40.0f;
        }
        ViReal64 current = 0.0;
        OV_CALIBRATION_CALL(blockedHardwareAccess5(ov7931_excCalibration, c.slaveVi, ch, e, &current, none));
        progress = 45.0f;
        // A failed measurement leaves the channel's current as it was.
        if (!abandon && status >= 0 && std::isfinite(current) && current > 0.0)
            measured = MeasuredCurrent{true, e == 1 || e == 3, current};
        if (hasPga && gainInEffect != ov7931_GAIN_1) {
            OV_CALIBRATION_CALL(blockedHardwareAccess3(ov7931_setGain, c.slaveVi, ch, gainInEffect));
            progress = 50.0f;
            OV_CALIBRATION_CALL(
                blockedHardwareAccess6(ov7931_pgaCalibration, c.slaveVi, ch, ViUInt16(2), 0.0, none, none));
        }
        progress = 60.0f;
        if (!hasPga) {
            OV_CALIBRATION_CALL(blockedHardwareAccess5(ov8263_setChanConfig, c.masterVi, ch, ViUInt16(ov8263_CH_FP), g,
                                                       ViBoolean(VI_FALSE)));
        }
    } else if (hasPga) {
        OV_CALIBRATION_CALL(blockedHardwareAccess6(ov7931_pgaCalibration, c.slaveVi, ch, ViUInt16(2), 0.0, none, none));
    }

    progress = 80.0f;
    if (hasPga) {
        ViUInt16 flags = 0;
        OV_CALIBRATION_CALL(blockedHardwareAccess2(ov7931_checkPgaEf, c.slaveVi, &flags));
    }
    progress = 100.0f;
}
