#include "ov7931Demo_contDriver.h"

#include "ov7931Demo_hwaccess.h"
#include "ov7931Demo_rtd.h"
#include "ov8263.h"

namespace {

ViStatus readBlockLocked(ViSession vi, ViInt32 scans, ViInt32 *count, ViReal64 *data)
{
    return blockedHardwareAccess6(ov8263_readAcquisition, vi, scans, ov8263_GROUP_BY_CHANNEL, (ViPReal64)0, count,
                                  data);
}

std::string errorMessageLocked(ViSession vi, ViStatus status)
{
    ViChar text[1024] = {0};
    blockedHardwareAccess3(ov8263_error_message, vi, status, text);
    text[sizeof text - 1] = 0;
    return std::string(text);
}

} // namespace

void useGuardedDriver(contParams_t &p)
{
    p.driver.readBlock = readBlockLocked;
    p.driver.errorMessage = errorMessageLocked;
    p.toCelsius = T_rtd;
}
