// The waveform lengths (scans per channel and block) the main panel's
// "Waveform Length" list offers. One table for the list, the continuous
// recorder of ov7931rec and the limits ov7931rec puts on a recording's
// header, so that all agree on what can be recorded. Plain C++, no Qt.
#ifndef OV9174FP_WAVEFORMLENGTHS_H
#define OV9174FP_WAVEFORMLENGTHS_H

#include <array>
#include <cstdint>

// 10, 20, 50, ... 10000, ascending.
const std::array<int32_t, 10> &waveformLengths();

// The list's current item when nothing else is chosen ("1000").
constexpr int defaultWaveformLengthIndex = 6;

// The longest waveform length: no block of a recording holds more scans.
int32_t longestWaveformLength();

#endif
