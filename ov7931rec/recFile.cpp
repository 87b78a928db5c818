// The recording helpers of ov7931rec (see recFile.h). The header is read by
// the panel's own reader; the blocks are read sequentially from one open
// stream (64-bit positions) so that files of any size pass in constant memory.
#include "recFile.h"

#include "ov9174fp_waveformLengths.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

bool openRecording(const char *verb, const std::string &path, recordingInfo &info, bool &corrupt)
{
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) {
        std::fprintf(stderr, "ov7931rec: %s: cannot open \"%s\": %s\n", verb, path.c_str(), std::strerror(errno));
        return false;
    }
    RecordingHeaderReport report;
    const int rc = readRecordingHeaderFrom(f, path, info, nullptr, &report);
    std::fclose(f);
    const std::string refused = rc != 0 ? headerRefusalText(report) : recordingBeyondPanel(info, report);
    if (!refused.empty()) {
        std::fprintf(stderr, "ov7931rec: %s: \"%s\" is not a readable 7931 recording: %s\n", verb, path.c_str(),
                     refused.c_str());
        return false;
    }
    corrupt = info.blockLength && info.dataLength % info.blockLength != 0;
    return true;
}

std::string recordingBeyondPanel(const recordingInfo &info, const RecordingHeaderReport &report)
{
    RecordingHeaderReport why;
    if (report.samplingRate.line == 0) {
        why.key = "SAMPLING_RATE_HZ";
        why.reason = "missing";
    } else if (!(info.samplingRateHz > 0.0)) {
        why.line = report.samplingRate.line;
        why.key = "SAMPLING_RATE_HZ";
        why.value = report.samplingRate.value;
        why.reason = "a sampling rate of 0 Hz or below, which the panel does not record";
    } else if (info.numberOfScansPerBlock > longestWaveformLength()) {
        why.line = report.scans.line;
        why.key = "NUMBER_OF_SCANS_PER_BLOCK";
        why.value = report.scans.value;
        why.reason = "more scans per block than the panel records (at most " +
                     std::to_string(longestWaveformLength()) + ")";
    } else {
        return std::string();
    }
    return headerRefusalText(why);
}

std::vector<int> recordedChannels(const recordingInfo &info)
{
    std::vector<int> out;
    for (int n = 0; n < 16 && int(out.size()) < info.numberOfChannels; ++n)
        if (info.channelMasks[0] & (1u << n))
            out.push_back(n + 1);
    return out;
}

int plotKindOfRecorded(int sensorType)
{
    if (sensorType == 4)
        return 0;
    if (sensorType == 3)
        return 1;
    return 2;
}

const char *unitOfPlotKind(int plotKind)
{
    switch (plotKind) {
    case 0: return "V";
    case 1: return "Ohm";
    default: return kTemperatureUnitUtf8;
    }
}

const char *kindOfSensor(int sensorType)
{
    static const char *const kinds[] = {"pt100", "pt500", "pt1000", "res", "volt"};
    return sensorType >= 0 && sensorType < 5 ? kinds[sensorType] : "volt";
}

RecordingSetup setupOfRecording(const recordingInfo &info)
{
    RecordingSetup s;
    s.device = info.device;
    s.samplingRate = info.samplingRateHz;
    s.scansPerBlock = info.numberOfScansPerBlock;
    s.timeOffset = info.timeOffset;
    for (int ch : recordedChannels(info)) {
        s.channelMask |= uint16_t(1u << (ch - 1));
        RecordedChannel &c = s.channels[ch - 1];
        c.sensorType = info.sensorTypes[ch - 1];
        c.mode = info.channelModes[ch - 1] + 1;
        c.rangeIndex = info.inputRanges[ch - 1];
        c.excitationCurrent = info.excitationCurrents[ch - 1];
        c.plotKind = plotKindOfRecorded(c.sensorType);
    }
    return s;
}

BlockReader::BlockReader(const recordingInfo &info) : info_(info)
{
    file_ = std::fopen(info.fileName.c_str(), "rb");
    if (file_ && fseeko(file_, off_t(info.headerLength), SEEK_SET) != 0) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

BlockReader::~BlockReader()
{
    if (file_)
        std::fclose(file_);
}

bool BlockReader::next(uint64_t index, std::vector<double> &out)
{
    // Only a block the file holds is read: its length is then backed by the
    // file's own bytes, and the header's limits keep it small.
    if (!file_ || index >= info_.blockCount)
        return false;
    raw_.resize(size_t(info_.blockLength));
    if (std::fread(raw_.data(), raw_.size(), 1, file_) != 1)
        return false;
    const size_t values = size_t(info_.numberOfChannels) * size_t(info_.numberOfScansPerBlock);
    out.resize(values);
    layOutRecordedBlock(info_, raw_.data(), info_.channelMasks[0], out.data(), values);
    return true;
}

ProgressBar::ProgressBar(bool wanted, const char *label, uint64_t total)
    : shown_(wanted && total > 1 && ::isatty(STDERR_FILENO)), label_(label), total_(total)
{
}

ProgressBar::~ProgressBar()
{
    if (shown_ && lastPercent_ >= 0)
        std::fputs("\n", stderr);
}

void ProgressBar::update(uint64_t done)
{
    if (!shown_)
        return;
    const int percent = int(done * 100 / total_);
    if (percent == lastPercent_)
        return;
    lastPercent_ = percent;
    const int width = 40, filled = percent * width / 100;
    std::string bar(size_t(filled), '#');
    bar.append(size_t(width - filled), '-');
    std::fprintf(stderr, "\r%s [%s] %3d%%", label_.c_str(), bar.c_str(), percent);
    std::fflush(stderr);
}

std::string padded(const char *text, size_t width)
{
    std::string out(text);
    size_t columns = 0;
    for (unsigned char c : out)
        columns += (c & 0xC0) != 0x80;
    if (columns < width)
        out.append(width - columns, ' ');
    return out;
}
