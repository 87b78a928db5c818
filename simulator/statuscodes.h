// Status codes of the maker's common library (ov9174), which its header does
// not name. The drivers' codes are in ov8263.h and ov7931.h, VISA's in visa.h.
#ifndef OVSIM_STATUSCODES_H
#define OVSIM_STATUSCODES_H

#include "visa.h"

#define OV9174_ERROR_INV_SESSION ((ViStatus)0xBFFC0901L)
#define OV9174_ERROR_NULL_POINTER ((ViStatus)0xBFFC0902L)
#define OV9174_ERROR_INV_RECORD ((ViStatus)0xBFFC0903L)
#define OV9174_ERROR_INV_PARAMETER ((ViStatus)0xBFFC0904L)
#define OV9174_ERROR_NOT_CARRIER ((ViStatus)0xBFFC0905L)

#endif
