// Reading a binary recording (".bin7931") back: the header's key=value lines
// into a recordingInfo, one block of samples by its index, and a block laid
// into the display's layout. Plain code without Qt, so that the viewer, the
// tests and the fuzzer share it.
//
// The header is read with range checks on every number: a value that does
// not fit its field, a card or channel number out of bounds, a device that
// is no 7931 or a missing or zero channel count or block length rejects the
// whole header; the reader can say which line did and why. Lines that are not key=value are passed over. File positions
// are 64 bits wide, so recordings of any size open and every block is reached.
#ifndef OV_STREAM_RECORDINGREADER_H
#define OV_STREAM_RECORDINGREADER_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// The description of a recording, read from its header.
struct recordingInfo {
    std::string fileName;               // the path the recording was opened by
    std::string device;                 // the word after "Keltri " in DEVICE, e.g. "7931-BB"
    uint64_t dataLength = 0;            // bytes after the header
    uint64_t headerLength = 0;          // bytes up to and including the "#" line (0 without one)
    uint64_t blockLength = 0;           // bytes per block
    uint64_t blockCount = 0;            // whole blocks in the data
    double samplingRateHz = 0.0;        // SAMPLING_RATE_HZ
    int32_t isReal64 = 0;               // 1: 8-byte doubles (FORMAT=ViReal64); 0: 4-byte floats
    int32_t numberOfChannels = 0;       // NUMBER_OF_CHANNELS, 1..16
    int32_t numberOfScansPerBlock = 0;  // NUMBER_OF_SCANS_PER_BLOCK, at least 1
    int8_t numberOfFunctionCards = 0;   // NUMBER_OF_FUNCTION_CARDS
    uint16_t channelMasks[1] = {0};     // CHANNEL_MASK_FC1 (bit n: channel n+1)
    int32_t sensorTypes[16] = {};       // SENSOR_TYPE1_c, index c-1
    int32_t channelModes[16] = {};      // CHANNEL_MODE1_c
    int32_t inputRanges[16] = {};       // INPUT_RANGE1_c
    int32_t excitationCurrents[16] = {};// EXCITATION_CURRENT1_c
    double timeOffset = 0.0;            // TIME_OFFSET, seconds

    // A recording is viewed when it holds data.
    bool hasData() const { return dataLength != 0; }
    // Bytes per sample: 8 or 4.
    uint64_t sampleSize() const { return isReal64 ? 8u : 4u; }
};

// What a header reading found out beyond the record: where the fields that
// make a block were read, and for a refused header the line that refused it
// and why, so that a tool can tell its user more than "cannot read".
struct RecordingHeaderReport {
    struct Field {
        int line = 0;      // 1-based header line; 0 when the key was not read
        std::string value; // the value as written (at most 64 characters)
    };
    Field samplingRate;    // SAMPLING_RATE_HZ
    Field channels;        // NUMBER_OF_CHANNELS
    Field scans;           // NUMBER_OF_SCANS_PER_BLOCK

    // A refused header: the line (0 when the reason is no single line, such
    // as a missing key), the key and value found there, and the reason.
    int line = 0;
    std::string key;
    std::string value;
    std::string reason;    // empty for a header that was accepted
};

// "line 5, NUMBER_OF_SCANS_PER_BLOCK=0: ..." or "NUMBER_OF_CHANNELS: missing"
// for the refusal in `report` (the key and value left out when there are none).
std::string headerRefusalText(const RecordingHeaderReport &report);

// The console warning for data that is not a whole number of blocks.
extern const char *const recordingCorruptWarning; // "Warning. The binary data seems corrupt.\n"

// Reads the header of the recording at `path` into `info` (cleared first).
// Returns 0 on success, -1 when the file cannot be opened or the header is
// bad. A data part that is not a whole number of blocks writes
// recordingCorruptWarning to `console` (when given) and counts only the
// whole blocks.
int readRecordingHeader(const std::string &path, recordingInfo &info, std::FILE *console = stdout);

// The same for an open stream positioned at its start; `path` is only
// stored. The stream must be seekable (its end gives the file size).
// `report`, when given, receives where the block's fields were read and,
// for a result of -1, why the header was refused.
int readRecordingHeaderFrom(std::FILE *file, const std::string &path, recordingInfo &info, std::FILE *console,
                            RecordingHeaderReport *report = nullptr);

// Reads block `index` (0-based) of the recording into `buffer`, which holds
// at least info.blockLength bytes. Returns the number of blocks read: 1, or
// 0 when the file cannot be opened, the index is beyond the whole blocks, or
// the file is shorter than its header said.
int readRecordingBlock(const recordingInfo &info, void *buffer, uint64_t index);

// Lays one block read by readRecordingBlock into `out` in the display's
// layout: `scans` doubles for each channel set in `channelMask`, in
// ascending channel order, 4-byte samples widened. Copies only what the
// block holds (at most numberOfChannels channels) and what `outCapacity`
// doubles take; the segments of mask channels beyond the block are zeros.
// Returns the number of doubles written.
size_t layOutRecordedBlock(const recordingInfo &info, const void *block, uint32_t channelMask, double *out,
                           size_t outCapacity);

#endif
