/* The maker's common library. The original library is reached by ordinal
 * number only; here each ordinal is a named function:
 *   1 ov9174_libRevision      2 ov9174_openIdRecord     3 ov9174_closeIdRecord
 *   6 ov9174_statusMessage    7 ov9174_delay
 */
#ifndef OV_OV9174_H
#define OV_OV9174_H

#include "visa.h"

#ifdef __cplusplus
extern "C" {
#endif

#define OV9174_MAX_POSITIONS 16

/* Identification record of a carrier, filled by ordinal 2. The card table
 * (rawModel) is filled by ov9174_readCardTable. Positions are 1-based:
 * rawModel[k - 1] is the raw model code at function-card position k,
 * 0 when the position is empty. */
typedef struct ov9174_IdRecord {
    ViUInt16 carrierModel;
    ViInt32 positionCount;
    ViUInt16 rawModel[OV9174_MAX_POSITIONS];
    void *priv; /* owned by the library */
} ov9174_IdRecord;

/* Ordinal 1: the library's revision text (at least 256 characters). */
ViStatus ov9174_libRevision(ViChar revision[]);
/* Ordinal 2: identify the carrier behind an open VISA session. */
ViStatus ov9174_openIdRecord(ViSession vi, ov9174_IdRecord **record);
/* The record's own operation that reads its card table. */
ViStatus ov9174_readCardTable(ov9174_IdRecord *record, ViInt32 first, ViInt32 refresh);
/* Ordinal 3: release a record of ordinal 2 (null is accepted). */
ViStatus ov9174_closeIdRecord(ov9174_IdRecord *record);
/* Ordinal 6: text for a status (buffer of 1024 characters). */
ViStatus ov9174_statusMessage(ViStatus status, ViChar text[]);
/* Ordinal 7: returns after the given time in milliseconds; 0 yields the processor. */
ViStatus ov9174_delay(ViReal64 milliseconds);

#ifdef __cplusplus
}
#endif

#endif
