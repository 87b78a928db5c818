#include "ov9174fp_resourceInfo.h"

#include "ov7931Demo_hwaccess.h"
#include "ov9174.h"
#include "ov9174fp_genFC.h"

#include <cstring>

namespace {

// Raw card codes of the common library that stand for another model number.
// The cards this panel meets report their model numbers directly, so the
// table is empty and every code is shown as read; an entry is {raw, shown}.
struct CodePair {
    ViUInt16 raw;
    ViUInt16 shown;
};
constexpr CodePair cardCodeTable[] = {{0, 0}};
// A carrier model that is reported as another: none known, shown as read.
constexpr CodePair carrierCodeTable[] = {{0, 0}};

ViUInt16 translate(const CodePair *table, size_t n, ViUInt16 code)
{
    for (size_t i = 0; i < n; ++i)
        if (table[i].raw != 0 && table[i].raw == code)
            return table[i].shown;
    return code;
}

} // namespace

QString ov9174fp_bufferText(const ViChar *buffer, size_t size)
{
    size_t n = 0;
    while (n < size && buffer[n] != '\0')
        ++n;
    return QString::fromLatin1(buffer, int(n));
}

QString ov9174fp_lxiCarrierText(const QString &host, ViUInt16 carrierModel)
{
    return QStringLiteral("%1 - %2 LXI").arg(host).arg(carrierModel);
}

QString ov9174fp_vxiCarrierText(int slot, ViUInt16 carrierModel)
{
    return QStringLiteral("Slot %1 - %2 MB").arg(slot).arg(carrierModel);
}

QString ov9174fp_cardPositionText(int position) { return QStringLiteral("FC %1").arg(position); }

QString ov9174fp_cardModelText(ViUInt16 displayedModel)
{
    return QStringLiteral("%1").arg(displayedModel, 4, 16, QChar(QLatin1Char(' ')));
}

ViUInt16 ov9174fp_displayedModelCode(ViUInt16 rawModel)
{
    return translate(cardCodeTable, sizeof cardCodeTable / sizeof cardCodeTable[0], rawModel);
}

ViUInt16 ov9174fp_displayedCarrierModel(ViUInt16 reportedModel)
{
    return translate(carrierCodeTable, sizeof carrierCodeTable / sizeof carrierCodeTable[0], reportedModel);
}

void getResourceInfo(getResourceInfo_params_t &params)
{
    ov9174fp_resourceRecord &record = params.record;
    const QByteArray name = record.resourceName.toLatin1();

    ViSession vi = 0;
    if (blockedHardwareAccess5(viOpen, params.defaultRM, name.constData(), VI_NO_LOCK, ViUInt32(0), &vi) < 0)
        return;

    ov9174_IdRecord *id = nullptr;
    if (blockedHardwareAccess2(ov9174_openIdRecord, vi, &id) != VI_SUCCESS || !id) {
        blockedHardwareAccess1(viClose, vi);
        return;
    }
    blockedHardwareAccess3(ov9174_readCardTable, id, ViInt32(0), ViInt32(1));
    record.carrierModel = ov9174fp_displayedCarrierModel(id->carrierModel);

    ViUInt16 interfaceType = 0;
    blockedHardwareAccess3(viGetAttribute, vi, VI_ATTR_INTF_TYPE, static_cast<void *>(&interfaceType));
    if (interfaceType == VI_INTF_TCPIP) {
        ViChar host[256];
        ViChar device[256];
        std::memset(host, 0, sizeof host);
        std::memset(device, 0, sizeof device);
        blockedHardwareAccess3(viGetAttribute, vi, VI_ATTR_TCPIP_HOSTNAME, static_cast<void *>(host));
        blockedHardwareAccess3(viGetAttribute, vi, VI_ATTR_TCPIP_DEVICE_NAME, static_cast<void *>(device));
        record.carrierTexts.append(
            ov9174fp_lxiCarrierText(ov9174fp_bufferText(host, sizeof host), record.carrierModel));
    } else {
        ViInt16 slot = 0;
        ViInt16 logicalAddress = 0;
        blockedHardwareAccess3(viGetAttribute, vi, VI_ATTR_SLOT, static_cast<void *>(&slot));
        blockedHardwareAccess3(viGetAttribute, vi, VI_ATTR_VXI_LA, static_cast<void *>(&logicalAddress));
        record.carrierTexts.append(ov9174fp_vxiCarrierText(slot, record.carrierModel));
    }

    const int positions = qBound(0, int(id->positionCount), OV9174_MAX_POSITIONS);
    for (int k = 1; k <= positions; ++k) {
        const ViUInt16 raw = id->rawModel[k - 1];
        if (raw == 0)
            continue;
        record.cards.append(
            qMakePair(ov9174fp_cardPositionText(k), ov9174fp_cardModelText(ov9174fp_displayedModelCode(raw))));
        const bool supported = params.fc && params.fc->supportsModel(raw);
        record.supported.append(supported ? k : 0);
    }

    blockedHardwareAccess1(ov9174_closeIdRecord, id);
    blockedHardwareAccess1(viClose, vi);
}
