#include "ov9174fp_waveformLengths.h"

const std::array<int32_t, 10> &waveformLengths()
{
    static const std::array<int32_t, 10> lengths = {10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000};
    return lengths;
}

int32_t longestWaveformLength() { return waveformLengths().back(); }
