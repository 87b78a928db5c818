#include "ov7931Demo_applyConfig.h"

#include "ov7931.h"
#include "ov7931Demo_channelModel.h"
#include "ov7931Demo_hwaccess.h"
#include "ov8263.h"

ApplyResult applyChannelToHardware(const ChannelSnapshot &c, ViSession masterVi, ViSession slaveVi)
{
    ApplyResult result;
    const bool familyA = isAFamily(c.subType);
    const ViUInt16 channel = static_cast<ViUInt16>(c.d_ch + 1);
    const ViUInt16 gain = digitizerGainFor(c.subType, c.enabled, c.rangeIndex);
    const ViUInt16 conditioningGain = conditioningGainFor(c.subType, c.rangeIndex);
    const ViUInt16 mode = static_cast<ViUInt16>(c.mode);

    if (masterVi != 0) {
        if (c.enabled && familyA) {
            reportErrorOnly(blockedHardwareAccess5(ov8263_setChanConfig, masterVi, channel, ViUInt16(ov8263_CH_FP),
                                                   gain, ViBoolean(VI_FALSE)),
                            "blockedHardwareAccess5(ov8263_setChanConfig, app->masterVi, d_ch + 1, ov8263_CH_FP, "
                            "gain, VI_FALSE)",
                            ReportRule::Digitizer);
        } else if (c.enabled) {
            reportErrorOnly(blockedHardwareAccess5(ov8263_setChanConfig, masterVi, channel, ViUInt16(ov8263_CH_FP),
                                                   ViUInt16(2), ViBoolean(VI_FALSE)),
                            "blockedHardwareAccess5(ov8263_setChanConfig, app->masterVi, d_ch + 1, ov8263_CH_FP, 2, "
                            "VI_FALSE)",
                            ReportRule::Digitizer);
        } else {
            reportErrorOnly(blockedHardwareAccess5(ov8263_setChanConfig, masterVi, channel, ViUInt16(ov8263_CH_OFF),
                                                   ViUInt16(2), ViBoolean(VI_FALSE)),
                            "blockedHardwareAccess5(ov8263_setChanConfig, app->masterVi, d_ch + 1, ov8263_CH_OFF, 2, "
                            "VI_FALSE)",
                            ReportRule::Digitizer);
        }
    }

    result.testWireEnabled = testWireAllowed(c.excitationIndex, c.sensorType);
    if (slaveVi == 0)
        return result;

    const ViUInt16 excitCurr = static_cast<ViUInt16>(c.excitCurr);
    if (familyA) {
        reportStatus(blockedHardwareAccess5(ov7931_setChanConfig, slaveVi, channel, mode, ViUInt16(ov7931_GAIN_1),
                                            excitCurr),
                     "blockedHardwareAccess5(ov7931_setChanConfig, app->slaveVi, d_ch + 1, mode, ov7931_GAIN_1, "
                     "excitCurr)",
                     ReportRule::Conditioning);
    } else {
        reportStatus(
            blockedHardwareAccess5(ov7931_setChanConfig, slaveVi, channel, mode, conditioningGain, excitCurr),
            "blockedHardwareAccess5(ov7931_setChanConfig, app->slaveVi, d_ch + 1, mode, gain, excitCurr)",
            ReportRule::Conditioning);
    }

    if (c.sensorType != SensorVoltage) {
        reportStatus(blockedHardwareAccess3(ov7931_setConversion, slaveVi, channel, ViUInt16(ov7931_OUT_UNIT_RES)),
                     "blockedHardwareAccess3(ov7931_setConversion, app->slaveVi, d_ch + 1, ov7931_OUT_UNIT_RES)",
                     ReportRule::Conditioning);
    } else {
        reportStatus(blockedHardwareAccess3(ov7931_setConversion, slaveVi, channel, ViUInt16(ov7931_OUT_UNIT_VOLT)),
                     "blockedHardwareAccess3(ov7931_setConversion, app->slaveVi, d_ch + 1, ov7931_OUT_UNIT_VOLT)",
                     ReportRule::Conditioning);
    }

    ViUInt16 ecStatus = 0;
    reportStatus(blockedHardwareAccess2(ov7931_checkECStatus, slaveVi, &ecStatus),
                 "blockedHardwareAccess2(ov7931_checkECStatus, app->slaveVi, &ecStatus)", ReportRule::Conditioning);

    ViInt16 err = 0;
    if (!familyA) {
        reportStatus(blockedHardwareAccess4(ov7931_readPGAError, slaveVi, channel, &err, (ViPInt16)0),
                     "blockedHardwareAccess4(ov7931_readPGAError, app->slaveVi, d_ch + 1, &err, (ViPInt16)0)",
                     ReportRule::Conditioning);
    }

    result.statusRead = true;
    result.ecStatus = ecStatus;
    result.pgaError = err;
    const bool flowing = c.d_ch >= 0 && c.d_ch < 16 && (ecStatus & (1u << c.d_ch)) != 0;
    result.excitationState = excitationState(flowing, c.excitationIndex);
    return result;
}

void setupTriggerInput(ViSession masterVi, int d_ch)
{
    if (masterVi == 0)
        return;
    reportErrorOnly(blockedHardwareAccess7(ov8263_setATRIConfig, masterVi, static_cast<ViUInt16>(d_ch + 1),
                                           ViUInt16(0), ViUInt16(0), ViReal64(0), ViReal64(0), ViUInt16(0)),
                    "blockedHardwareAccess7(ov8263_setATRIConfig, app->masterVi, d_ch + 1, 0, 0, 0, 0, 0)",
                    ReportRule::Digitizer);
}
