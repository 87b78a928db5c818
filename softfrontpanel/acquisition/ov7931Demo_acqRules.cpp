#include "ov7931Demo_acqRules.h"

#include <algorithm>

const char *const acquisitionStateNames[9] = {"Idle",  "HW Arm",   "DDS Upd",   "Sync", "Ready",
                                              "Pre-Trig", "Post-Trig", "End", "Input Signal Out Of Range"};

const Qt::GlobalColor acquisitionStateColours[9] = {Qt::black,      Qt::gray,   Qt::darkMagenta,
                                                    Qt::magenta,    Qt::darkYellow, Qt::yellow,
                                                    Qt::green,      Qt::blue,   Qt::red};

AcquisitionStatusView acquisitionStatusView(int state, unsigned errors)
{
    AcquisitionStatusView v;
    errors &= 0xFFFFu;
    if (errors != 0) {
        if (errors & 0x0001u) {
            state = 8;
        } else {
            v.stopsRun = true;
            v.state = errorStateCode;
            if (errors & 0x0040u)
                v.text = QStringLiteral("FIFO overflow");
            else if (errors & 0x0080u)
                v.text = QStringLiteral("FIFO underflow");
            else
                v.text = QString::asprintf("Hardware error %04X", errors);
            v.colour = QColor(Qt::red);
            return v;
        }
    }
    if (state >= 0 && state <= 8) {
        v.state = state;
        v.text = QString::fromLatin1(acquisitionStateNames[state]);
        v.colour = QColor(acquisitionStateColours[state]);
    } else {
        // A code the digitizer does not define: show it rather than guess.
        v.state = errorStateCode;
        v.text = QStringLiteral("Unknown state %1").arg(state);
        v.colour = QColor(Qt::red);
    }
    return v;
}

bool singleShotBlockComplete(int state, int32_t scanBacklog, int32_t scanCount)
{
    return state == 7 || scanBacklog >= scanCount;
}

TimeWindow liveTimeWindow(int32_t scanCount, int64_t blockIndex, double samplingRate)
{
    TimeWindow w;
    const int64_t first = static_cast<int64_t>(scanCount) * blockIndex;
    const int64_t next = static_cast<int64_t>(scanCount) * (blockIndex + 1);
    w.t0 = static_cast<double>(first) / samplingRate;
    w.t1 = static_cast<double>(next) / samplingRate;
    return w;
}

TimeWindow recordingTimeWindow(int sliderValue, int32_t scanCount, double samplingRate, double timeOffset)
{
    TimeWindow w;
    w.t0 = static_cast<double>(static_cast<int64_t>(sliderValue - 1) * scanCount) / samplingRate + timeOffset;
    w.t1 = static_cast<double>(static_cast<int64_t>(sliderValue) * scanCount) / samplingRate + timeOffset;
    return w;
}

void fillTimeAxis(double *axis, int32_t scanCount, double samplingRate, double t0)
{
    for (int32_t s = 0; s < scanCount; ++s)
        axis[s] = s / samplingRate + t0;
}

uint32_t channelMaskOf(const bool enabled[16])
{
    uint32_t mask = 0;
    for (int c = 0; c < 16; ++c)
        if (enabled[c])
            mask |= 1u << c;
    return mask;
}

QVector<int> enabledChannelList(uint32_t channelMask)
{
    QVector<int> list;
    for (int c = 0; c < 16; ++c)
        if (channelMask & (1u << c))
            list.append(c);
    return list;
}

int blockSegmentOf(uint32_t channelMask, int channel)
{
    if (channel < 0 || channel > 15 || !(channelMask & (1u << channel)))
        return -1;
    int k = 0;
    for (int c = 0; c < channel; ++c)
        if (channelMask & (1u << c))
            ++k;
    return k;
}

void ValueRange::add(double minimum, double maximum)
{
    lo = std::min(lo, minimum);
    hi = std::max(hi, maximum);
    ++count;
}
