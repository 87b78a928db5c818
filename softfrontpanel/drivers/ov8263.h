/* Keltri 8263 digitizer driver (library ov8263_64) as the panel calls it.
 * Channels are numbered 1 to 16. Every function returns a ViStatus:
 * 0 success, negative error, positive warning. */
#ifndef OV_OV8263_H
#define OV_OV8263_H

#include "visa.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ov8263_CH_OFF 0
#define ov8263_CH_FP 1

#define ov8263_DA_START_IMM 0
#define ov8263_DA_START_TRIG 1
#define ov8263_DA_STOP_ERR_OFF 0

#define ov8263_SYNC_IF_NEED 2
#define ov8263_ARM_NOWAIT 4

#define ov8263_GROUP_BY_CHANNEL 0
#define ov8263_PULSE 2

/* Acquisition states reported by ov8263_checkAcquisition. */
#define ov8263_STATE_IDLE 0
#define ov8263_STATE_HW_ARM 1
#define ov8263_STATE_DDS_UPD 2
#define ov8263_STATE_SYNC 3
#define ov8263_STATE_READY 4
#define ov8263_STATE_PRE_TRIG 5
#define ov8263_STATE_POST_TRIG 6
#define ov8263_STATE_END 7

/* Error bits reported by ov8263_checkAcquisition. */
#define ov8263_ERR_OUT_OF_RANGE 0x0001
#define ov8263_ERR_FIFO_OVERFLOW 0x0040
#define ov8263_ERR_FIFO_UNDERFLOW 0x0080

/* Status codes. */
#define ov8263_ERROR_BASE ((ViStatus)0xBFFC0800L)
#define ov8263_ERROR_INV_SESSION ((ViStatus)0xBFFC0801L)
#define ov8263_ERROR_INV_CHANNEL ((ViStatus)0xBFFC0802L)
#define ov8263_ERROR_INV_PARAMETER ((ViStatus)0xBFFC0803L)
#define ov8263_ERROR_NULL_POINTER ((ViStatus)0xBFFC0804L)
#define ov8263_ERROR_NOT_CONFIGURED ((ViStatus)0xBFFC0805L)
#define ov8263_ERROR_BUSY ((ViStatus)0xBFFC0806L)
#define ov8263_ERROR_NO_CARD ((ViStatus)0xBFFC0807L)
#define ov8263_ERROR_FREQUENCY ((ViStatus)0xBFFC0808L)
#define ov8263_ERROR_NOT_RUNNING ((ViStatus)0xBFFC0809L)
#define ov8263_ERROR_HARDWARE ((ViStatus)0xBFFC080AL)
#define ov8263_WARN_NOT_ALL_READ ((ViStatus)0x3FFC0801L)
#define ov8263_WARN_OUT_OF_RANGE ((ViStatus)0x3FFC0802L)

typedef void (*ov8263_DataReadyCallback)(ViSession vi, ViAddr userData);

ViStatus ov8263_paramInit(ViConstRsrc descriptor, ViUInt16 fcNumber, ViUInt16 idQuery, ViUInt16 reset,
                          ViPSession vi);
ViStatus ov8263_close(ViSession vi);
ViStatus ov8263_getSubType(ViSession vi, ViChar subType[]);
ViStatus ov8263_getSerNum(ViSession vi, ViPUInt32 serial);
/* Either revision buffer may be null; with session VI_NULL only the driver revision is given. */
ViStatus ov8263_revision_query(ViSession vi, ViChar driverRevision[], ViChar instrRevision[]);
/* Text for any status; the buffer holds 1024 characters. */
ViStatus ov8263_error_message(ViSession vi, ViStatus status, ViChar message[]);

ViStatus ov8263_setChanConfig(ViSession vi, ViUInt16 channel, ViUInt16 input, ViUInt16 gain,
                              ViBoolean acCoupling);
ViStatus ov8263_setATRIConfig(ViSession vi, ViUInt16 channel, ViUInt16 mode, ViUInt16 slope,
                              ViReal64 levelHigh, ViReal64 levelLow, ViUInt16 hysteresis);
ViStatus ov8263_calibrateChannels(ViSession vi, ViUInt16 channelMask, ViUInt16 gain, ViUInt16 flags,
                                  ViPReal64 offsets, ViPReal64 gains);
ViStatus ov8263_setTrigConfig(ViSession vi, ViUInt16 source, ViUInt16 slope);
ViStatus ov8263_setAcquisitionMode(ViSession vi, ViReal64 frequency, ViInt32 scans, ViUInt16 startMode,
                                   ViUInt16 stopMode);
ViStatus ov8263_startAcquisitionEx(ViSession vi, ViInt32 scansPerBlock, ov8263_DataReadyCallback callback,
                                   ViAddr userData);
ViStatus ov8263_resetFIFO(ViSession vi);
ViStatus ov8263_armDAQ(ViSession vi, ViUInt16 flags);
ViStatus ov8263_checkAcquisition(ViSession vi, ViPInt16 state, ViPUInt16 errors, ViPInt32 scanBacklog);
ViStatus ov8263_startAcquisition(ViSession vi);
ViStatus ov8263_stopAcquisition(ViSession vi);
ViStatus ov8263_stopDAQ(ViSession vi);
/* Reads up to `scans` scans of every switched-on channel, grouped by channel,
 * in volts or ohms as the conditioning card converts each channel.
 * `timestamps` may be null. */
ViStatus ov8263_readAcquisition(ViSession vi, ViInt32 scans, ViUInt16 grouping, ViPReal64 timestamps,
                                ViPInt32 scansRead, ViReal64 data[]);
ViStatus ov8263_generateITRI(ViSession vi, ViUInt16 mode);

/* The digitizer's lowest and highest sampling frequency in Hz. */
ViStatus ov8263_getFrequencyLimits(ViSession vi, ViPReal64 lowest, ViPReal64 highest);

#ifdef __cplusplus
}
#endif

#endif
