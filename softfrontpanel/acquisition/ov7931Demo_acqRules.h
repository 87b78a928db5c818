// Rules of the acquisition engine that need no widget: the state display,
// the digitizer's error bits, the end of a single-shot block, the time
// window of a shown block and the layout of a block by channel.
#ifndef OV7931DEMO_ACQRULES_H
#define OV7931DEMO_ACQRULES_H

#include <QColor>
#include <QString>
#include <QVector>

#include <cstdint>

// Names and text colours of the digitizer's acquisition states 0..8.
extern const char *const acquisitionStateNames[9];
extern const Qt::GlobalColor acquisitionStateColours[9];

// The state code shown for an error other than "input out of range".
constexpr int errorStateCode = 9;

// What the state label shows after one acquisition check.
struct AcquisitionStatusView {
    int state = 0;         // 0..8 a digitizer state, 9 an error
    QString text;          // the label's text
    QColor colour;         // the label's text colour
    bool stopsRun = false; // the error ends the run
};
// `state`, `errors`: the values of the last acquisition check. Bit 0 of the
// errors shows "Input Signal Out Of Range" and the run goes on; any other bit
// stops the run with "FIFO overflow" (bit 6), "FIFO underflow" (bit 7) or
// "Hardware error %04X".
AcquisitionStatusView acquisitionStatusView(int state, unsigned errors);

// A single-shot block is complete at state "End" or when the backlog holds
// the whole block.
bool singleShotBlockComplete(int state, int32_t scanBacklog, int32_t scanCount);

// Start and end time (seconds) of a shown block.
struct TimeWindow {
    double t0 = 0.0;
    double t1 = 0.0;
};
// A live block: block number `blockIndex` (0 for a single shot) of
// `scanCount` scans. Computed with a 64-bit scan count, so long continuous
// runs keep counting.
TimeWindow liveTimeWindow(int32_t scanCount, int64_t blockIndex, double samplingRate);
// Block `sliderValue` (1-based) of a viewed recording.
TimeWindow recordingTimeWindow(int sliderValue, int32_t scanCount, double samplingRate, double timeOffset);
// axis[s] = s / samplingRate + t0 for s = 0 .. scanCount-1.
void fillTimeAxis(double *axis, int32_t scanCount, double samplingRate, double t0);

// Bit c set when channel c+1 is enabled.
uint32_t channelMaskOf(const bool enabled[16]);
// The enabled channels (0-based), ascending: position k is block segment k.
QVector<int> enabledChannelList(uint32_t channelMask);
// The segment of channel `channel` (0-based) in a block, or -1 when disabled.
int blockSegmentOf(uint32_t channelMask, int channel);

// Union of nominal value ranges of the channels shown on one plot.
struct ValueRange {
    double lo = 10000000.0;
    double hi = -1000000.0;
    int count = 0;
    void add(double minimum, double maximum);
    bool valid() const { return count > 0; }
};

#endif
