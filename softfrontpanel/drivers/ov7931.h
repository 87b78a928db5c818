/* Keltri 7931 signal conditioning card driver (library ov7931_64) as the
 * panel calls it. The card is opened through the digitizer's session.
 * Channels are numbered 1 to 16. Every function returns a ViStatus:
 * 0 success, negative error, positive warning. */
#ifndef OV_OV7931_H
#define OV_OV7931_H

#include "visa.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Channel modes. */
#define ov7931_MODE_4_WIRE 1
#define ov7931_MODE_3_WIRE 2
#define ov7931_MODE_2_WIRE 3
#define ov7931_MODE_DIFF_VOLT 4
#define ov7931_MODE_SE_VOLT 5

/* Gain codes: 1 is the +-10 V range, 3 is unity gain, 4..10 halve the
 * full scale from +-4.5 V at each step. */
#define ov7931_GAIN_10V 1
#define ov7931_GAIN_1 3

/* Excitation currents. */
#define ov7931_EXC_OFF 0
#define ov7931_EXC_500UA 1
#define ov7931_EXC_SECONDARY 2
#define ov7931_EXC_100UA 3

/* Output conversion. */
#define ov7931_OUT_UNIT_VOLT 0
#define ov7931_OUT_UNIT_RES 1

/* Broken-wire results. */
#define ov7931_WIRE_BROKEN (-1)
#define ov7931_WIRE_OK 0
#define ov7931_WIRE_UNKNOWN 1
#define ov7931_WIRE_MAYBE_BROKEN 2

/* Status codes. ov7931_ERROR_FC_DRIVER means that the failure happened in
 * the digitizer driver; ov7931_getFCLastError gives its status. */
#define ov7931_ERROR_FC_DRIVER ((ViStatus)0xBFFC0B05L)
#define ov7931_ERROR_BASE ((ViStatus)0xBFFC0B00L)
#define ov7931_ERROR_INV_SESSION ((ViStatus)0xBFFC0B01L)
#define ov7931_ERROR_INV_CHANNEL ((ViStatus)0xBFFC0B02L)
#define ov7931_ERROR_INV_PARAMETER ((ViStatus)0xBFFC0B03L)
#define ov7931_ERROR_NULL_POINTER ((ViStatus)0xBFFC0B04L)
#define ov7931_ERROR_NO_CARD ((ViStatus)0xBFFC0B06L)
#define ov7931_ERROR_CALIBRATION ((ViStatus)0xBFFC0B07L)
#define ov7931_ERROR_HARDWARE ((ViStatus)0xBFFC0B08L)
#define ov7931_WARN_NO_EXCITATION ((ViStatus)0x3FFC0B01L)

ViStatus ov7931_init(ViSession fcVi, ViBoolean idQuery, ViBoolean reset, ViPSession vi);
ViStatus ov7931_close(ViSession vi);
/* subType receives at least 8 characters. */
ViStatus ov7931_serialNumber(ViSession vi, ViChar subType[], ViPInt32 serial);
/* Either revision buffer may be null; with session VI_NULL only the driver revision is given. */
ViStatus ov7931_revision_query(ViSession vi, ViChar driverRevision[], ViChar instrRevision[]);
/* Text for any status; the buffer holds 1024 characters. */
ViStatus ov7931_error_message(ViSession vi, ViStatus status, ViChar message[]);
ViStatus ov7931_getFCLastError(ViSession vi, ViPStatus fcStatus);

ViStatus ov7931_setChanConfig(ViSession vi, ViUInt16 channel, ViUInt16 mode, ViUInt16 gain, ViUInt16 excitCurr);
ViStatus ov7931_setConversion(ViSession vi, ViUInt16 channel, ViUInt16 unit);
/* Bit n set: excitation current flows in channel n + 1. */
ViStatus ov7931_checkECStatus(ViSession vi, ViPUInt16 ecStatus);
/* Non-zero error: the channel's amplifier reports an error. `reserved` may be null. */
ViStatus ov7931_readPGAError(ViSession vi, ViUInt16 channel, ViPInt16 error, ViPInt16 reserved);
/* Bit n set: the amplifier error flag of channel n + 1 is raised. */
ViStatus ov7931_checkChanPgaEf(ViSession vi, ViUInt16 channel, ViPUInt16 flags);
ViStatus ov7931_brokenWireDetect(ViSession vi, ViUInt16 channel, ViPInt16 wire1, ViPInt16 wire2, ViPInt16 wire3,
                                 ViPInt16 wire4);
ViStatus ov7931_getGain(ViSession vi, ViUInt16 channel, ViPUInt16 gain);
ViStatus ov7931_setGain(ViSession vi, ViUInt16 channel, ViUInt16 gain);
ViStatus ov7931_pgaCalibration(ViSession vi, ViUInt16 channel, ViUInt16 selector, ViReal64 value,
                               ViPReal64 result1, ViPReal64 result2);
ViStatus ov7931_excCalibration(ViSession vi, ViUInt16 channel, ViUInt16 currentSelector, ViPReal64 measured,
                               ViPReal64 reserved);
ViStatus ov7931_checkPgaEf(ViSession vi, ViPUInt16 result);

/* The measured primary and secondary excitation currents of a channel, in ampere. */
ViStatus ov7931_getExcitationCurrents(ViSession vi, ViUInt16 channel, ViPReal64 primary, ViPReal64 secondary);
/* The gain code in effect on a channel and whether its gain is made by a
 * programmable amplifier on the conditioning card. */
ViStatus ov7931_getGainInfo(ViSession vi, ViUInt16 channel, ViPUInt16 gainInEffect, ViPBoolean hasPga);

#ifdef __cplusplus
}
#endif

#endif
