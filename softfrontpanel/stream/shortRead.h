// A block read that delivered fewer scans than asked for.
//
// The digitizer's read reports how many scans per channel it put into the
// buffer, and packs them grouped by channel with that count as the stride:
// `count` scans of the first channel, then `count` of the next, and so on.
// Everywhere else a block is laid out with the asked-for scans as the stride.
// A short block used as it stands would show each channel's samples in the
// next channel's segment, so it is laid out again first: every channel's
// samples at the start of its own segment, the scans that did not come as
// NaN. Used by the continuous callback and by the single-shot read alike.
#ifndef OV_STREAM_SHORTREAD_H
#define OV_STREAM_SHORTREAD_H

#include <cstddef>
#include <cstdint>

// Lays out `block` (channels x scans doubles) after a read that reported
// `count` scans per channel: channel k's delivered samples move to element
// k x scans, its scans count .. scans-1 become quiet NaN. A negative count
// counts as 0 (the whole block NaN); a count above `scans` cannot have been
// packed into the buffer and counts as `scans` (nothing moves). Returns the
// scans per channel kept, 0 .. scans: the block was short when it is below
// `scans`.
int32_t layOutShortRead(double *block, size_t channels, int32_t scans, int32_t count);

#endif
