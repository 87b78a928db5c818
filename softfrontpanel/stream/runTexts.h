// The two size texts of a continuous run: the data rate the run dialog
// shows before the start ("Data Rate: 6.1 MB/s") and the file size the
// waveform window shows while recording ("        (file size: 12.3 MB)").
// Formatted without the C library's locale.
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

// The label turns orange while more scans than this wait in the FIFO.
constexpr int32_t kHighBacklogScans = 16384;

#endif
