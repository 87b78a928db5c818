#include "ov7931_fc.h"

#include "ov7931.h"
#include "ov7931Demo_hwaccess.h"
#include "ov8263.h"

ov7931_fc::ov7931_fc(ViUInt16 model) : supportedModels{model} {}

bool ov7931_fc::supportsModel(ViUInt16 model) const
{
    for (ViUInt16 m : supportedModels)
        if (m == model)
            return true;
    return false;
}

QString ov7931_fc::description() const { return QStringLiteral("16-Channel Signal Conditioning Unit"); }

QString ov7931_fc::copyright() const { return QStringLiteral("Copyright (c) Orvane. All rights reserved."); }

QString ov7931_fc::panelVersion() const { return QStringLiteral("4.3.3.12484"); }

QString ov7931_fc::driverRevision() const
{
    // Only the driver's own revision is asked for (no session); the status is not checked.
    ViChar revision[256] = {0};
    blockedHardwareAccess3(ov7931_revision_query, static_cast<ViSession>(VI_NULL), revision,
                           static_cast<ViPChar>(nullptr));
    revision[sizeof revision - 1] = 0;
    return QString::fromLatin1(revision);
}

ViStatus ov7931_fc::openSession(const char *descriptor, ViUInt16 *fcNumber, ViUInt16 a, ViUInt16 b,
                                ViSession *session)
{
    return blockedHardwareAccess5(ov8263_paramInit, descriptor, fcNumber ? *fcNumber : ViUInt16(0), a, b, session);
}

ViStatus ov7931_fc::closeSession(ViSession session) { return blockedHardwareAccess1(ov8263_close, session); }
