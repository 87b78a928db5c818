// Size texts with std::to_chars: "%.1lf" and "%.2lf" are fixed notation
// with one or two decimals, rounded as printf rounds.
#include "runTexts.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

std::string fixed(double v, int decimals)
{
    char buf[340];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

std::string integer(long long v)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

} // namespace

std::string dataRateText(int bytesPerValue, int32_t samplesPerSecond)
{
    const long long rate = (long long)bytesPerValue * samplesPerSecond;
    if (rate < 1024)
        return integer(rate) + " B/s";
    if (rate < 1048576)
        return fixed(double(rate) / 1024.0, 1) + " kB/s";
    return fixed(double(rate) / 1048576.0, 1) + " MB/s";
}

std::string dataRateLabelText(int bytesPerValue, int32_t samplesPerSecond, bool csv)
{
    return "Data Rate: " + dataRateText(bytesPerValue, samplesPerSecond) + (csv ? " (TEXT)" : "");
}

std::string fileSizeText(double bytes)
{
    if (!(bytes >= 0.0))
        bytes = 0.0;
    if (bytes < 1024.0)
        return integer((long long)std::floor(bytes)) + " B";
    if (bytes < 1048576.0)
        return fixed(bytes / 1024.0, 1) + " kB";
    if (bytes < 1073741824.0)
        return fixed(bytes / 1048576.0, 1) + " MB";
    return fixed(bytes / 1073741824.0, 2) + " GB";
}

std::string fileSizeLabelText(double bytes) { return "        (file size: " + fileSizeText(bytes) + ")"; }

std::string shortBlocksText(int64_t shortBlocks, int64_t blocksRead)
{
    if (shortBlocks <= 0)
        return std::string();
    const char *const why = " short: the digitizer delivered fewer scans than asked for. ";
    if (blocksRead <= 1)
        return std::string("The block was") + why + "Its missing scans are NaN.";
    const std::string counted = integer(shortBlocks) + " of " + integer(std::max(blocksRead, shortBlocks));
    if (shortBlocks == 1)
        return counted + " blocks was" + why + "Its missing scans are NaN.";
    return counted + " blocks were" + why + "Their missing scans are NaN.";
}
