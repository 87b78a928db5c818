#include "messages.h"

#include "ov7931.h"
#include "ov8263.h"
#include "statuscodes.h"

#include <cstdio>
#include <cstring>

namespace ovsim {
namespace detail {

const char *knownStatusText(ViStatus status)
{
    switch (status) {
    case VI_SUCCESS:
        return "Success";
    // VISA
    case VI_ERROR_SYSTEM_ERROR:
        return "Unknown system error (miscellaneous error)";
    case VI_ERROR_INV_OBJECT:
        return "The given session or object reference is invalid";
    case VI_ERROR_RSRC_NFOUND:
        return "Insufficient location information or the requested device or resource is not present in the system";
    case VI_ERROR_INV_RSRC_NAME:
        return "Invalid resource reference specified. Parsing error";
    case VI_ERROR_NSUP_ATTR:
        return "The specified attribute is not defined or supported by the referenced session";
    case VI_ERROR_USER_BUF:
        return "A specified user buffer is not valid or cannot be accessed for the required size";
    case VI_ERROR_INV_PARAMETER:
        return "The value of some parameter is invalid";
    case VI_ERROR_NLISTENERS:
        return "No listeners condition is detected: the device does not answer";
    case VI_ERROR_RSRC_BUSY:
        return "The resource is valid, but VISA cannot currently access it";
    // common library
    case OV9174_ERROR_INV_SESSION:
        return "Invalid or closed VISA session";
    case OV9174_ERROR_NULL_POINTER:
        return "A required pointer argument is null";
    case OV9174_ERROR_INV_RECORD:
        return "Invalid or released identification record";
    case OV9174_ERROR_INV_PARAMETER:
        return "Parameter out of range";
    case OV9174_ERROR_NOT_CARRIER:
        return "The instrument is not a carrier of function cards";
    // digitizer
    case ov8263_ERROR_BASE:
        return "Digitizer driver error";
    case ov8263_ERROR_INV_SESSION:
        return "Invalid or closed digitizer session";
    case ov8263_ERROR_INV_CHANNEL:
        return "Channel number out of range (1 to 16)";
    case ov8263_ERROR_INV_PARAMETER:
        return "Digitizer parameter out of range";
    case ov8263_ERROR_NULL_POINTER:
        return "A required pointer argument is null";
    case ov8263_ERROR_NOT_CONFIGURED:
        return "The acquisition is not configured (no acquisition mode set or no channel switched on)";
    case ov8263_ERROR_BUSY:
        return "The digitizer is busy with a running acquisition";
    case ov8263_ERROR_NO_CARD:
        return "No 8263 digitizer at the given function-card position";
    case ov8263_ERROR_FREQUENCY:
        return "Sampling frequency outside the digitizer's limits";
    case ov8263_ERROR_NOT_RUNNING:
        return "No acquisition has been started";
    case ov8263_ERROR_HARDWARE:
        return "Digitizer hardware failure";
    case ov8263_WARN_NOT_ALL_READ:
        return "Fewer scans were available than requested";
    case ov8263_WARN_OUT_OF_RANGE:
        return "An input signal is out of range";
    // conditioning card
    case ov7931_ERROR_BASE:
        return "Conditioning card driver error";
    case ov7931_ERROR_INV_SESSION:
        return "Invalid or closed conditioning-card session";
    case ov7931_ERROR_INV_CHANNEL:
        return "Channel number out of range (1 to 16)";
    case ov7931_ERROR_INV_PARAMETER:
        return "Parameter not supported by this channel or card sub-type";
    case ov7931_ERROR_NULL_POINTER:
        return "A required pointer argument is null";
    case ov7931_ERROR_FC_DRIVER:
        return "Failure in the function-card (digitizer) driver";
    case ov7931_ERROR_NO_CARD:
        return "No 7931 conditioning card in the carrier of this digitizer";
    case ov7931_ERROR_CALIBRATION:
        return "Calibration failed";
    case ov7931_ERROR_HARDWARE:
        return "Conditioning card hardware failure";
    case ov7931_WARN_NO_EXCITATION:
        return "No excitation current is selected or the channel is in a voltage mode";
    default:
        return nullptr;
    }
}

std::string statusText(ViStatus status)
{
    if (const char *t = knownStatusText(status))
        return t;
    char buf[64];
    std::snprintf(buf, sizeof buf, "Unknown status code 0x%08X", unsigned(status));
    return buf;
}

void copyText(const std::string &text, char *buffer, size_t size)
{
    if (!buffer || size == 0)
        return;
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

ViStatus writeStatusText(ViStatus status, char *buffer, ViStatus nullStatus)
{
    if (!buffer)
        return nullStatus;
    copyText(statusText(status), buffer, 1024);
    return VI_SUCCESS;
}

void writeRevisions(const char *driver, const std::string &instrument, char *driverRev, char *instrRev)
{
    copyText(driver, driverRev, 256);
    copyText(instrument, instrRev, 256);
}

} // namespace detail
} // namespace ovsim
