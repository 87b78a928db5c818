// Reading a binary recording back: header, blocks, and a block laid out for
// the display. Every number is parsed with std::from_chars and checked
// against its field's range before it is stored; nothing is written outside
// the record whatever the file says.
#include "recordingReader.h"

#include <sys/types.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
#include <system_error>

static_assert(sizeof(off_t) >= 8, "recordings of 2 GiB and more need 64-bit file positions");

const char *const recordingCorruptWarning = "Warning. The binary data seems corrupt.\n";

namespace {

// A header line is read in pieces of at most this many bytes (a longer
// line goes on as the next piece).
constexpr size_t kLinePiece = 254;
// Lines before the "#" line; one more rejects the header.
constexpr int kMaxHeaderLines = 1025;
// Longest key and value of a key=value line.
constexpr size_t kMaxField = 64;

bool isKeyChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; }

bool isValueChar(char c)
{
    return c == ' ' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-';
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

// Splits a line into key and value: a key of 1..64 characters A-Z, 0-9 and
// '_', then '=', then a value of 1..64 characters (space, letters, digits,
// '.', '-'), then nothing but white space. Anything else is no key=value line.
bool splitKeyValue(std::string_view line, std::string_view &key, std::string_view &value)
{
    size_t k = 0;
    while (k < line.size() && isKeyChar(line[k]))
        ++k;
    if (k == 0 || k > kMaxField || k >= line.size() || line[k] != '=')
        return false;
    size_t v = k + 1;
    while (v < line.size() && isValueChar(line[v]))
        ++v;
    const size_t valueSize = v - (k + 1);
    if (valueSize == 0 || valueSize > kMaxField)
        return false;
    for (size_t i = v; i < line.size(); ++i)
        if (!isSpace(line[i]))
            return false;
    key = line.substr(0, k);
    value = line.substr(k + 1, valueSize);
    return true;
}

// Whole-text integer parses; surrounding blanks allowed, nothing else.
template <typename T>
bool parseInteger(std::string_view text, T &out, int base = 10)
{
    text = trimmed(text);
    if (text.empty())
        return false;
    T value{};
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size())
        return false;
    out = value;
    return true;
}

bool parseInt8(std::string_view text, int8_t &out)
{
    int32_t value = 0;
    if (!parseInteger(text, value) || value < std::numeric_limits<int8_t>::min() ||
        value > std::numeric_limits<int8_t>::max())
        return false;
    out = static_cast<int8_t>(value);
    return true;
}

// Four hexadecimal digits at most in value, "0x" or "0X" in front allowed.
bool parseHex16(std::string_view text, uint16_t &out)
{
    text = trimmed(text);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    uint32_t value = 0;
    if (!parseInteger(text, value, 16) || value > 0xFFFFu)
        return false;
    out = static_cast<uint16_t>(value);
    return true;
}

// A finite number in fixed or exponent form.
bool parseDouble(std::string_view text, double &out)
{
    text = trimmed(text);
    if (text.empty())
        return false;
    double value = 0.0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !std::isfinite(value))
        return false;
    out = value;
    return true;
}

// The card number after a prefix: "CHANNEL_MASK_FC<n>".
bool parseCard(std::string_view rest, int32_t &card)
{
    for (char c : rest)
        if (c < '0' || c > '9')
            return false;
    return parseInteger(rest, card);
}

// Card and channel after a prefix: "<n>_<c>".
bool parseCardChannel(std::string_view rest, int32_t &card, int32_t &channel)
{
    const size_t sep = rest.find('_');
    if (sep == std::string_view::npos)
        return false;
    return parseCard(rest.substr(0, sep), card) && parseCard(rest.substr(sep + 1), channel);
}

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// "Keltri <device>": the device word of 1..63 characters must start with "7931".
bool parseDevice(std::string_view value, std::string &device)
{
    constexpr std::string_view maker = "Keltri";
    if (!startsWith(value, maker))
        return false;
    const std::string_view word = trimmed(value.substr(maker.size()));
    if (word.empty() || word.size() > 63 || word.find(' ') != std::string_view::npos)
        return false;
    if (word.substr(0, 4) != "7931")
        return false;
    device.assign(word.data(), word.size());
    return true;
}

// Header state shared between the lines.
struct HeaderFields {
    bool haveChannels = false;
    bool haveScans = false;
};

// Why a value does not fit a whole number of the field's type.
const char *const kNotWhole = "not a whole number that fits the field";

// One key=value line of header line `line`. Returns the reason when the
// line rejects the header, nullptr when it does not.
const char *applyLine(std::string_view key, std::string_view value, int line, recordingInfo &info,
                      HeaderFields &seen, RecordingHeaderReport *report)
{
    auto note = [&](RecordingHeaderReport::Field RecordingHeaderReport::*field) {
        if (report) {
            (report->*field).line = line;
            (report->*field).value.assign(value.data(), value.size());
        }
    };
    if (key == "DEVICE")
        return parseDevice(value, info.device) ? nullptr : "not \"Keltri 7931-...\"";
    if (key == "FORMAT") {
        if (trimmed(value) != "ViReal64")
            return "not ViReal64, the only sample format";
        info.isReal64 = 1;
        return nullptr;
    }
    if (key == "SAMPLING_RATE_HZ") {
        note(&RecordingHeaderReport::samplingRate);
        return parseDouble(value, info.samplingRateHz) ? nullptr : "not a finite number";
    }
    if (key == "NUMBER_OF_CHANNELS") {
        seen.haveChannels = true;
        note(&RecordingHeaderReport::channels);
        return parseInteger(value, info.numberOfChannels) ? nullptr : kNotWhole;
    }
    if (key == "NUMBER_OF_SCANS_PER_BLOCK") {
        seen.haveScans = true;
        note(&RecordingHeaderReport::scans);
        return parseInteger(value, info.numberOfScansPerBlock) ? nullptr : kNotWhole;
    }
    if (key == "NUMBER_OF_FUNCTION_CARDS")
        return parseInt8(value, info.numberOfFunctionCards) ? nullptr : kNotWhole;
    if (key == "TIME_OFFSET")
        return parseDouble(value, info.timeOffset) ? nullptr : "not a finite number";

    const char *const cardBeyond = "a card number beyond NUMBER_OF_FUNCTION_CARDS (or before that line)";
    constexpr std::string_view maskPrefix = "CHANNEL_MASK_FC";
    if (startsWith(key, maskPrefix)) {
        int32_t card = 0;
        uint16_t mask = 0;
        if (!parseCard(key.substr(maskPrefix.size()), card))
            return "no card number after CHANNEL_MASK_FC";
        if (card < 1 || card > info.numberOfFunctionCards)
            return cardBeyond;
        if (!parseHex16(value, mask))
            return "not a mask of at most four hexadecimal digits";
        // The record holds the first card; lines of further cards are checked, not kept.
        if (card == 1)
            info.channelMasks[0] = mask;
        return nullptr;
    }

    struct PerChannel {
        std::string_view prefix;
        int32_t (recordingInfo::*field)[16];
    };
    static const PerChannel perChannel[] = {
        {"SENSOR_TYPE", &recordingInfo::sensorTypes},
        {"CHANNEL_MODE", &recordingInfo::channelModes},
        {"INPUT_RANGE", &recordingInfo::inputRanges},
        {"EXCITATION_CURRENT", &recordingInfo::excitationCurrents},
    };
    for (const PerChannel &p : perChannel) {
        if (!startsWith(key, p.prefix))
            continue;
        int32_t card = 0, channel = 0, number = 0;
        if (!parseCardChannel(key.substr(p.prefix.size()), card, channel))
            return "no card and channel number (<card>_<channel>) in the key";
        if (card < 1 || card > info.numberOfFunctionCards)
            return cardBeyond;
        if (channel < 1 || channel > 16)
            return "a channel number outside 1..16";
        if (!parseInteger(value, number))
            return kNotWhole;
        if (card == 1)
            (info.*p.field)[channel - 1] = number;
        return nullptr;
    }
    return nullptr; // any other key is passed over
}

// Fills the refusal part of `report` (when given); returns -1.
int refuse(RecordingHeaderReport *report, int line, std::string_view key, std::string_view value,
           const char *reason)
{
    if (report) {
        report->line = line;
        report->key.assign(key.data(), key.size());
        report->value.assign(value.data(), value.size());
        report->reason = reason;
    }
    return -1;
}

// Reads the next piece of a line (up to and including '\n', at most
// kLinePiece bytes). Returns false at end of file with nothing read.
bool readLinePiece(std::FILE *file, std::string &piece)
{
    piece.clear();
    while (piece.size() < kLinePiece) {
        const int c = std::getc(file);
        if (c == EOF)
            break;
        piece.push_back(static_cast<char>(c));
        if (c == '\n')
            break;
    }
    return !piece.empty();
}

} // namespace

std::string headerRefusalText(const RecordingHeaderReport &report)
{
    std::string field = report.key;
    if (!report.value.empty())
        field += "=" + report.value;
    std::string text;
    if (report.line > 0)
        text = "line " + std::to_string(report.line) + (field.empty() ? "" : ", ");
    text += field;
    return text + (text.empty() ? "" : ": ") + report.reason;
}

int readRecordingHeaderFrom(std::FILE *file, const std::string &path, recordingInfo &info, std::FILE *console,
                            RecordingHeaderReport *report)
{
    info = recordingInfo{};
    info.fileName = path;
    if (report)
        *report = RecordingHeaderReport{};
    if (!file)
        return refuse(report, 0, {}, {}, "the file cannot be opened");

    HeaderFields seen;
    std::string piece;
    uint64_t position = 0;
    int lines = 0;
    int line = 1; // the file's line the piece belongs to
    bool lineEnded = false;
    while (readLinePiece(file, piece)) {
        if (lineEnded)
            ++line;
        lineEnded = piece.back() == '\n';
        position += piece.size();
        // A NUL ends the line's text, as it ends a C string.
        const std::string_view text(piece.c_str());
        if (!text.empty() && text.front() == '#') {
            info.headerLength = position;
            break;
        }
        if (++lines > kMaxHeaderLines)
            return refuse(report, line, {}, {}, "more than 1025 lines before the \"#\" line that ends the header");
        std::string_view key, value;
        if (!splitKeyValue(text, key, value))
            continue;
        if (const char *reason = applyLine(key, value, line, info, seen, report))
            return refuse(report, line, key, value, reason);
    }
    if (std::ferror(file))
        return refuse(report, line, {}, {}, "the file cannot be read");

    // Without a block length no block can be told apart: such a header is refused.
    const RecordingHeaderReport::Field none;
    const RecordingHeaderReport::Field &channels = report ? report->channels : none;
    const RecordingHeaderReport::Field &scans = report ? report->scans : none;
    if (!seen.haveChannels)
        return refuse(report, 0, "NUMBER_OF_CHANNELS", {}, "missing");
    if (!seen.haveScans)
        return refuse(report, 0, "NUMBER_OF_SCANS_PER_BLOCK", {}, "missing");
    if (info.numberOfChannels < 1 || info.numberOfChannels > 16)
        return refuse(report, channels.line, "NUMBER_OF_CHANNELS", channels.value, "not from 1 to 16");
    if (info.numberOfScansPerBlock < 1)
        return refuse(report, scans.line, "NUMBER_OF_SCANS_PER_BLOCK", scans.value, "less than 1");

    const off_t end = fseeko(file, 0, SEEK_END) == 0 ? ftello(file) : off_t(-1);
    if (end < 0 || static_cast<uint64_t>(end) < info.headerLength)
        return refuse(report, 0, {}, {}, "the file's length cannot be told");
    info.dataLength = static_cast<uint64_t>(end) - info.headerLength;
    // At most 8 x (2^31 - 1) x 16 bytes: no overflow.
    info.blockLength = info.sampleSize() * static_cast<uint64_t>(info.numberOfScansPerBlock) *
                       static_cast<uint64_t>(info.numberOfChannels);
    if (info.dataLength % info.blockLength != 0 && console) {
        std::fputs(recordingCorruptWarning, console);
        std::fflush(console);
    }
    info.blockCount = info.dataLength / info.blockLength;
    return 0;
}

int readRecordingHeader(const std::string &path, recordingInfo &info, std::FILE *console)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        info = recordingInfo{};
        info.fileName = path;
        return -1;
    }
    const int result = readRecordingHeaderFrom(file, path, info, console);
    std::fclose(file);
    return result;
}

int readRecordingBlock(const recordingInfo &info, void *buffer, uint64_t index)
{
    if (!buffer || info.blockLength == 0 || index >= info.blockCount)
        return 0;
    std::FILE *file = std::fopen(info.fileName.c_str(), "rb");
    if (!file)
        return 0;
    // index < blockCount keeps the offset within the data part.
    const uint64_t offset = info.headerLength + index * info.blockLength;
    int read = 0;
    if (offset <= static_cast<uint64_t>(std::numeric_limits<off_t>::max()) &&
        fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0)
        read = static_cast<int>(std::fread(buffer, static_cast<size_t>(info.blockLength), 1, file));
    std::fclose(file);
    return read;
}

size_t layOutRecordedBlock(const recordingInfo &info, const void *block, uint32_t channelMask, double *out,
                           size_t outCapacity)
{
    if (!block || !out || info.numberOfScansPerBlock < 1)
        return 0;
    const size_t scans = static_cast<size_t>(info.numberOfScansPerBlock);
    const size_t shown = static_cast<size_t>(__builtin_popcount(channelMask & 0xFFFFu));
    const size_t inBlock = std::min(shown, static_cast<size_t>(std::max(info.numberOfChannels, 0)));
    const size_t wanted = std::min(shown * scans, outCapacity);
    const size_t copied = std::min(inBlock * scans, wanted);

    const unsigned char *bytes = static_cast<const unsigned char *>(block);
    if (info.isReal64) {
        std::memcpy(out, bytes, copied * sizeof(double));
    } else {
        for (size_t i = 0; i < copied; ++i) {
            float f;
            std::memcpy(&f, bytes + i * sizeof f, sizeof f);
            out[i] = static_cast<double>(f);
        }
    }
    std::fill(out + copied, out + wanted, 0.0);
    return wanted;
}
