// Identification of one VISA resource during the search for function cards:
// which carrier it is, which cards sit in its function-card positions and
// which of them the panel supports.
#ifndef OV9174FP_RESOURCEINFO_H
#define OV9174FP_RESOURCEINFO_H

#include "visa.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class ov9174fp_genFC;

// What the identification found out about one resource.
struct ov9174fp_resourceRecord {
    QString resourceName;                // as found, for example "VXI0::1::INSTR"
    QStringList carrierTexts;            // empty, or the one text naming the carrier
    ViUInt16 carrierModel = 0;           // from the common library's record
    QList<QPair<QString, QString>> cards; // per occupied position: ("FC %1", model as 4 hex digits)
    QList<int> supported;                // per card: its position when supported, else 0
};

// One work item of the search; each touches only its own record and its own
// session, the resource manager is shared read-only.
struct getResourceInfo_params_t {
    ov9174fp_genFC *fc = nullptr;
    ViSession defaultRM = 0;
    ov9174fp_resourceRecord record;
};

// Opens the resource, reads the common library's record and the interface
// attributes and fills the record. A resource that cannot be opened or
// identified keeps its name only. Runs on a worker thread.
void getResourceInfo(getResourceInfo_params_t &params);

// A driver's text buffer of `size` characters up to its first NUL.
QString ov9174fp_bufferText(const ViChar *buffer, size_t size);

// The texts of the selection list.
QString ov9174fp_lxiCarrierText(const QString &host, ViUInt16 carrierModel); // "%1 - %2 LXI"
QString ov9174fp_vxiCarrierText(int slot, ViUInt16 carrierModel);           // "Slot %1 - %2 MB"
QString ov9174fp_cardPositionText(int position);                            // "FC %1"
QString ov9174fp_cardModelText(ViUInt16 displayedModel);                    // 4 hex digits, blank-padded

// The model code shown for a raw code of the common library, and the carrier
// model shown for a reported one.
ViUInt16 ov9174fp_displayedModelCode(ViUInt16 rawModel);
ViUInt16 ov9174fp_displayedCarrierModel(ViUInt16 reportedModel);

#endif
