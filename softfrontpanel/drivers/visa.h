/* The subset of the VISA I/O library that the soft front panel uses. */
#ifndef OV_VISA_H
#define OV_VISA_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t ViStatus;
typedef int32_t ViInt32;
typedef uint32_t ViUInt32;
typedef int16_t ViInt16;
typedef uint16_t ViUInt16;
typedef int64_t ViInt64;
typedef uint64_t ViUInt64;
typedef char ViChar;
typedef unsigned char ViByte;
typedef double ViReal64;
typedef uint16_t ViBoolean;
typedef ViUInt32 ViObject;
typedef ViObject ViSession;
typedef ViObject ViFindList;
typedef ViUInt32 ViAttr;
typedef ViUInt32 ViAccessMode;
typedef void *ViAddr;
typedef ViChar *ViPChar;
typedef ViChar *ViString;
typedef const ViChar *ViConstString;
typedef ViString ViRsrc;
typedef ViConstString ViConstRsrc;
typedef ViSession *ViPSession;
typedef ViFindList *ViPFindList;
typedef ViInt32 *ViPInt32;
typedef ViUInt32 *ViPUInt32;
typedef ViInt16 *ViPInt16;
typedef ViUInt16 *ViPUInt16;
typedef ViReal64 *ViPReal64;
typedef ViStatus *ViPStatus;
typedef ViBoolean *ViPBoolean;
typedef void *ViPAttrState;

#define VI_NULL 0
#define VI_TRUE ((ViBoolean)1)
#define VI_FALSE ((ViBoolean)0)
#define VI_SUCCESS ((ViStatus)0)
#define VI_NO_LOCK ((ViAccessMode)0)
#define VI_FIND_BUFLEN 256

/* Attributes the panel reads. */
#define VI_ATTR_USER_DATA ((ViAttr)0x3FFF000AUL)
#define VI_ATTR_INTF_TYPE ((ViAttr)0x3FFF0171UL)
#define VI_ATTR_SLOT ((ViAttr)0x3FFF00E8UL)
#define VI_ATTR_VXI_LA ((ViAttr)0x3FFF00D5UL)
#define VI_ATTR_TCPIP_HOSTNAME ((ViAttr)0xBFFF0196UL)
#define VI_ATTR_TCPIP_DEVICE_NAME ((ViAttr)0xBFFF0199UL)

/* Interface types (VI_ATTR_INTF_TYPE). */
#define VI_INTF_GPIB 1
#define VI_INTF_VXI 2
#define VI_INTF_GPIB_VXI 3
#define VI_INTF_ASRL 4
#define VI_INTF_TCPIP 6

/* Status codes. */
#define VI_ERROR_SYSTEM_ERROR ((ViStatus)0xBFFF0000L)
#define VI_ERROR_INV_OBJECT ((ViStatus)0xBFFF000EL)
#define VI_ERROR_RSRC_NFOUND ((ViStatus)0xBFFF0011L)
#define VI_ERROR_INV_RSRC_NAME ((ViStatus)0xBFFF0012L)
#define VI_ERROR_NSUP_ATTR ((ViStatus)0xBFFF001DL)
#define VI_ERROR_USER_BUF ((ViStatus)0xBFFF0071L)
#define VI_ERROR_INV_PARAMETER ((ViStatus)0xBFFF0078L)
#define VI_ERROR_NLISTENERS ((ViStatus)0xBFFF005FL)
#define VI_ERROR_RSRC_BUSY ((ViStatus)0xBFFF0072L)

ViStatus viOpenDefaultRM(ViPSession defaultRM);
ViStatus viFindRsrc(ViSession rm, ViConstString expr, ViPFindList findList, ViPUInt32 retCount,
                    ViChar desc[]);
ViStatus viFindNext(ViFindList findList, ViChar desc[]);
ViStatus viOpen(ViSession rm, ViConstRsrc name, ViAccessMode mode, ViUInt32 timeout, ViPSession vi);
ViStatus viClose(ViObject vi);
ViStatus viGetAttribute(ViObject vi, ViAttr attrName, ViPAttrState attrValue);

#ifdef __cplusplus
}
#endif

#endif
