// The headers of the two recording formats, written at the start of a
// continuous run: the binary recording's text header (ASCII lines ending in
// LF, up to the "#" line) and the CSV recording's three header lines (each
// ending in CR LF). Numbers are formatted without the C library's locale,
// so a German desktop still writes decimal points.
#ifndef OV_STREAM_RECORDINGHEADER_H
#define OV_STREAM_RECORDINGHEADER_H

#include <cstdint>
#include <cstdio>
#include <string>

// The temperature unit as written into CSV files: the degree sign and C in
// UTF-8 (C2 B0 43).
extern const char kTemperatureUnitUtf8[];

// What a recording's header tells of one channel.
struct RecordedChannel {
    int sensorType = 0;        // 0 PT-100, 1 PT-500, 2 PT-1000, 3 Resistance, 4 Voltage
    int mode = 1;              // the channel mode code, 1..5
    int rangeIndex = 0;        // input range index
    int excitationCurrent = 0; // excitation-current code
    int plotKind = 0;          // 0 voltage, 1 resistance, 2 temperature
};

// The run a recording describes.
struct RecordingSetup {
    std::string device;        // the conditioning card's sub-type, e.g. "7931-BB"
    double samplingRate = 0.0; // Hz
    int32_t scansPerBlock = 0;
    uint16_t channelMask = 0;  // bit n: channel n+1 recorded
    double timeOffset = 0.0;   // seconds; the panel writes 0
    RecordedChannel channels[16]; // by channel - 1; only the recorded ones are written
};

// Number of recorded channels (set bits of the mask).
int recordedChannelCount(const RecordingSetup &setup);

// The binary header, from "DEVICE=Keltri ..." to "#\n".
std::string binaryHeaderText(const RecordingSetup &setup);
// The CSV header: the sampling rate, the channel names and the units.
std::string csvHeaderText(const RecordingSetup &setup);

// Writes the header of format 0 (binary) or 1 (CSV) into `file`. False when
// the C library reports a failure (checked with a flush).
bool writeRecordingHeader(std::FILE *file, const RecordingSetup &setup, int fileFormat);

// "%lf": fixed point with six decimals, C locale.
std::string fixedSix(double value);

#endif
