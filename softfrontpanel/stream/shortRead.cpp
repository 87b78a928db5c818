// The short block laid out again in place (see the header). The channels are
// moved from the last one backwards: channel k's delivered samples come from
// k x count and go to k x scans, never below where they were, so a later move
// never overwrites samples still to be moved.
#include "shortRead.h"

#include <algorithm>
#include <cstring>
#include <limits>

int32_t layOutShortRead(double *block, size_t channels, int32_t scans, int32_t count)
{
    if (scans <= 0)
        return 0;
    const int32_t kept = std::min(std::max(count, int32_t(0)), scans);
    if (kept == scans || !block)
        return kept;
    const size_t n = size_t(scans), got = size_t(kept);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (size_t k = channels; k-- > 0;) {
        double *segment = block + k * n;
        if (k > 0 && got > 0)
            std::memmove(segment, block + k * got, got * sizeof(double));
        std::fill(segment + got, segment + n, nan);
    }
    return kept;
}
