// What the verbs share about a recording on disk: opening its header with a
// clear message, the recorded channels in order with their kinds and units,
// the setup the panel's CSV writer would have used, reading it block by
// block into doubles, and the progress bar shown on a terminal.
#ifndef OV7931REC_RECFILE_H
#define OV7931REC_RECFILE_H

#include "recordingHeader.h"
#include "recordingReader.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Reads the header of `path`; on failure prints "ov7931rec: <verb>: ..." to
// standard error, naming the header line and field that refused it, and
// returns false. Besides the reader's own checks, a header the panel could
// not have recorded is refused (recordingBeyondPanel). `corrupt` tells
// whether the data are not a whole number of blocks (only whole blocks are
// counted).
bool openRecording(const char *verb, const std::string &path, recordingInfo &info, bool &corrupt);

// Why a header that the reader accepted describes no recording the panel
// can make: a missing sampling rate or one of 0 Hz or below, or more scans
// per block than the panel's longest waveform length. "" when it is one.
// With these limits a block is at most 16 x 10000 doubles, so no verb holds
// more than that in memory whatever a header claims.
std::string recordingBeyondPanel(const recordingInfo &info, const RecordingHeaderReport &report);

// The recorded channels (1..16) in ascending order, at most the header's
// channel count.
std::vector<int> recordedChannels(const recordingInfo &info);

// 0 voltage, 1 resistance, 2 temperature, from the sensor type code.
int plotKindOfRecorded(int sensorType);
// "V", "Ohm" or the degree sign and C in UTF-8.
const char *unitOfPlotKind(int plotKind);
// `text` padded with spaces to `width` columns on a terminal (a UTF-8
// sequence such as the degree sign takes one column).
std::string padded(const char *text, size_t width);
// "pt100", "pt500", "pt1000", "res", "volt".
const char *kindOfSensor(int sensorType);

// The setup the panel had when it wrote this recording (for the CSV header).
RecordingSetup setupOfRecording(const recordingInfo &info);

// Reads the whole blocks in order, each laid out as doubles grouped by
// channel (channels x scans); one block in memory at a time, and none
// before a whole block has been found in the file.
class BlockReader {
public:
    explicit BlockReader(const recordingInfo &info);
    ~BlockReader();
    bool ok() const { return file_ != nullptr; }
    // Block `index` (must be the next one); false when it cannot be read.
    bool next(uint64_t index, std::vector<double> &out);

private:
    const recordingInfo &info_;
    std::FILE *file_ = nullptr;
    std::vector<unsigned char> raw_;
};

// A progress bar on standard error, drawn only when it is a terminal.
class ProgressBar {
public:
    ProgressBar(bool wanted, const char *label, uint64_t total);
    ~ProgressBar();
    void update(uint64_t done);

private:
    bool shown_;
    std::string label_;
    uint64_t total_;
    int lastPercent_ = -1;
};

#endif
