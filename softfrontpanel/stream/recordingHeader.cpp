// Header writers of the binary and CSV recordings. Each line is built from
// its parts by hand (std::to_chars for numbers) and matches the printf
// format it stands for in the C locale: "%lf" six decimals, "%d" decimal,
// "0x%04hx" four lower-case hexadecimal digits.
#include "recordingHeader.h"

#include <charconv>

const char kTemperatureUnitUtf8[] = "\xC2\xB0"
                                    "C";

namespace {

std::string decimal(long long value)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

std::string hex4(uint16_t value)
{
    static const char digits[] = "0123456789abcdef";
    std::string s = "0x0000";
    for (int i = 0; i < 4; ++i)
        s[5 - i] = digits[(value >> (4 * i)) & 0xF];
    return s;
}

bool recorded(const RecordingSetup &setup, int n) { return (setup.channelMask >> n) & 1u; }

void keyLine(std::string &out, const char *key, int channel, int value)
{
    out += key;
    out += "1_";
    out += decimal(channel);
    out += '=';
    out += decimal(value);
    out += '\n';
}

} // namespace

std::string fixedSix(double value)
{
    char buf[340];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
    return std::string(buf, r.ptr);
}

int recordedChannelCount(const RecordingSetup &setup)
{
    int n = 0;
    for (int c = 0; c < 16; ++c)
        n += recorded(setup, c) ? 1 : 0;
    return n;
}

std::string binaryHeaderText(const RecordingSetup &setup)
{
    std::string out;
    out += "DEVICE=Keltri " + setup.device + "\n";
    out += "FORMAT=ViReal64\n";
    out += "SAMPLING_RATE_HZ=" + fixedSix(setup.samplingRate) + "\n";
    out += "NUMBER_OF_CHANNELS=" + decimal(recordedChannelCount(setup)) + "\n";
    out += "NUMBER_OF_SCANS_PER_BLOCK=" + decimal(setup.scansPerBlock) + "\n";
    out += "NUMBER_OF_FUNCTION_CARDS=1\n";
    out += "CHANNEL_MASK_FC1=" + hex4(setup.channelMask) + "\n";
    out += "TIME_OFFSET=" + fixedSix(setup.timeOffset) + "\n";
    for (int n = 0; n < 16; ++n) {
        if (!recorded(setup, n))
            continue;
        const RecordedChannel &ch = setup.channels[n];
        const int sensor = ch.sensorType >= 0 && ch.sensorType <= 3 ? ch.sensorType : 4;
        const int mode = ch.mode >= 1 && ch.mode <= 5 ? ch.mode - 1 : 3;
        keyLine(out, "SENSOR_TYPE", n + 1, sensor);
        keyLine(out, "CHANNEL_MODE", n + 1, mode);
        keyLine(out, "INPUT_RANGE", n + 1, ch.rangeIndex);
        keyLine(out, "EXCITATION_CURRENT", n + 1, ch.excitationCurrent);
    }
    out += "#\n";
    return out;
}

std::string csvHeaderText(const RecordingSetup &setup)
{
    std::string out = "Sampling rate: " + fixedSix(setup.samplingRate) + " Hz\r\n";
    for (int n = 0; n < 16; ++n)
        if (recorded(setup, n))
            out += "FC1_CH" + decimal(n + 1) + ", ";
    out += "\r\n";
    for (int n = 0; n < 16; ++n) {
        if (!recorded(setup, n))
            continue;
        switch (setup.channels[n].plotKind) {
        case 0:
            out += "V, ";
            break;
        case 1:
            out += "Ohm, ";
            break;
        case 2:
            out += kTemperatureUnitUtf8;
            out += ", ";
            break;
        default:
            break; // another kind has no unit cell
        }
    }
    out += "\r\n";
    return out;
}

bool writeRecordingHeader(std::FILE *file, const RecordingSetup &setup, int fileFormat)
{
    const std::string text = fileFormat == 1 ? csvHeaderText(setup) : binaryHeaderText(setup);
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size())
        return false;
    return std::fflush(file) == 0;
}
