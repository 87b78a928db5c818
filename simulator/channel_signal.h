// Sample generation for the digitizer's reads: cheap enough to stream 16
// channels at 50 kHz (a phasor rotation per sine sample, xorshift noise).
// (Named channel_signal.h: a header called signal.h in the simulator's public
// include folder would hide the C library's <signal.h> from every user.)
#ifndef OVSIM_SIGNAL_H
#define OVSIM_SIGNAL_H

#include "model.h"

#include <vector>

namespace ovsim {
namespace detail {

// Fills `data` grouped by channel: for each channel of `channels` in order,
// `n` scans starting at the run's scan index `first`. `timestamps`, when not
// null, receives the time of each scan in seconds since the run started.
// With `integrity`, the channels of `integrityChannels` (bit c-1: channel c)
// carry integrity samples and the others their signals.
void generateScans(const Card7931 *card, Card8263 &digitizer, const std::vector<int> &channels, double frequency,
                   int64_t first, int32_t n, double *data, double *timestamps, bool integrity,
                   uint32_t integrityChannels = 0xFFFF);
// Whether any of `channels` carries a signal beyond its selected range.
bool anyOutOfRange(const Card7931 *card, const Card8263 &digitizer, const std::vector<int> &channels);

} // namespace detail
} // namespace ovsim

#endif
