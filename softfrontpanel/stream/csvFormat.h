// Number formatting of CSV recordings: each value is written exactly as C's
// "%4.20lf, " writes it in the C locale (twenty decimals, at least four
// characters, then a comma and a space), whatever locale the process runs
// in, and several times faster than snprintf. A block grouped by channel
// becomes one line per scan, each ending with CR LF.
#ifndef OV_STREAM_CSVFORMAT_H
#define OV_STREAM_CSVFORMAT_H

#include <cstddef>
#include <cstdint>
#include <string>

// Longest text of one value, its comma and space: a double's integer part
// has at most 309 digits, plus sign, point and twenty decimals.
constexpr size_t kCsvMaxValueChars = 340;

// Writes `value` as "%4.20lf, " does into `out` (room for
// kCsvMaxValueChars) and returns the end of the text. No terminating zero.
char *formatCsvValue(char *out, double value);

// The CSV lines of one block: `block` holds `channels` segments of `scans`
// samples (segment k = channel position k); line s holds sample s of each
// segment in order, then CR LF. The text is appended to `out`.
void appendCsvBlock(std::string &out, const double *block, int channels, int32_t scans);

// The number of bytes the file-size display counts for a CSV block: 27 per
// value and 2 per line end, whatever the real line lengths.
double csvBlockEstimate(int channels, int32_t scans);

#endif
