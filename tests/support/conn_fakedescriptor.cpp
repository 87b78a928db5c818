#include "conn_fakedescriptor.h"

#include "ov7931Demo_hwaccess.h"
#include "ov8263.h"

ViStatus ConnFakeDescriptor::openSession(const char *descriptor, ViUInt16 *fcNumber, ViUInt16 a, ViUInt16 b,
                                         ViSession *session)
{
    openedDescriptors.append(QString::fromLatin1(descriptor));
    openedCardNumbers.append(fcNumber ? *fcNumber : -1);
    if (!useDriver) {
        if (openStatus == VI_SUCCESS)
            *session = fakeSession;
        return openStatus;
    }
    return blockedHardwareAccess5(ov8263_paramInit, descriptor, fcNumber ? *fcNumber : ViUInt16(0), a, b, session);
}

ViStatus ConnFakeDescriptor::closeSession(ViSession session)
{
    if (!useDriver)
        return VI_SUCCESS;
    return blockedHardwareAccess1(ov8263_close, session);
}
