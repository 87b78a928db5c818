// What a recording's samples hold, block by block, from one sequential pass
// over the file: for every channel segment of every block the minimum, the
// maximum, the sum and count of its samples and the number of NaN among
// them. The viewer's overview and `ov7931rec stats` both read through here.
//
// The data are read with plain read() calls in chunks of a fixed size, so a
// recording of any length (and any block length) passes in constant memory.
// NaN samples are counted and otherwise skipped; a segment that holds only
// NaN has no minimum, maximum or mean. Samples are taken as recorded
// (temperatures are already in degrees Celsius); 4-byte samples are widened.
#ifndef OV_STREAM_RECORDINGSTATS_H
#define OV_STREAM_RECORDINGSTATS_H

#include "recordingReader.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>

// The summary of a run of samples of one channel.
struct SampleSummary {
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();
    double sum = 0.0;      // of the samples that are not NaN
    uint64_t count = 0;    // samples that are not NaN
    uint64_t nanCount = 0; // NaN samples

    // True when no sample but NaN was seen.
    bool empty() const { return count == 0; }
    // The mean of the samples that are not NaN; NaN when there are none.
    double mean() const { return count ? sum / double(count) : std::numeric_limits<double>::quiet_NaN(); }
    void add(const SampleSummary &other);
};

// Adds `n` samples to `s`. The loops keep several lanes of minimum, maximum
// and sum apart, so they run at memory speed.
void summariseSamples(const double *samples, size_t n, SampleSummary &s);
void summariseSamples(const float *samples, size_t n, SampleSummary &s);

// Receives block `index`'s summaries, one per channel segment of the block
// (the header's NUMBER_OF_CHANNELS, in the block's order).
using BlockSummarySink = std::function<void(uint64_t index, const SampleSummary *segments, int count)>;

enum class ScanResult {
    Done,       // every whole block was summarised
    Cancelled,  // `cancel` was set; the blocks before were summarised
    ReadFailed  // the file cannot be opened or is shorter than its header says
};

// Bytes read at once: large enough for few system calls, small enough to
// stay in the processor's cache between read() and the loops, and to notice
// a cancel within a millisecond.
constexpr size_t kScanChunkBytes = size_t(1) << 20;

// Reads the whole blocks of the recording `info` (header already read) in
// order and hands each block's summaries to `sink`. Stops soon after
// `cancel` (when given) is set: it is looked at once a chunk and once a block.
ScanResult scanRecording(const recordingInfo &info, const BlockSummarySink &sink,
                         const std::atomic<bool> *cancel = nullptr, size_t chunkBytes = kScanChunkBytes);

#endif
