// The texts of a run: the data rate the run dialog shows before the start
// ("Data Rate: 6.1 MB/s"), the file size the waveform window shows while
// recording ("        (file size: 12.3 MB)") and, after the run, how many
// blocks came short. Formatted without the C library's locale.
#ifndef OV_STREAM_RUNTEXTS_H
#define OV_STREAM_RUNTEXTS_H

#include <cstdint>
#include <string>

// bytesPerValue x samplesPerSecond as "%d B/s", "%.1lf kB/s" or "%.1lf MB/s".
std::string dataRateText(int bytesPerValue, int32_t samplesPerSecond);
// The run dialog's label: "Data Rate: <rate>", with " (TEXT)" for CSV.
std::string dataRateLabelText(int bytesPerValue, int32_t samplesPerSecond, bool csv);

// Bytes as "%d B", "%.1lf kB", "%.1lf MB" or "%.2lf GB".
std::string fileSizeText(double bytes);
// The waveform window's label: eight spaces, then "(file size: <size>)".
std::string fileSizeLabelText(double bytes);

// What the user is told after a run in which `shortBlocks` of the
// `blocksRead` blocks delivered fewer scans than asked for: the panel's
// warning box and ov7931rec record say the same. Empty when none was short.
// For example "3 of 120 blocks were short: the digitizer delivered fewer
// scans than asked for. Their missing scans are NaN."; a single-shot run
// (one block) says "The block was short: ...".
std::string shortBlocksText(int64_t shortBlocks, int64_t blocksRead);

// The label turns orange while more scans than this wait in the FIFO.
constexpr int32_t kHighBacklogScans = 16384;

#endif
