// Parsing ov7931rec's command line and its help texts. Numbers are read with
// std::from_chars (locale-free) and checked against their ranges; any text
// left after a number is an error, so "10x" or "1e999" never slips through.
#include "recArgs.h"

#include "recChannels.h"

#include "ov7931Demo_samplingRates.h"
#include "ov9174fp_waveformLengths.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

const char *const kKinds[] = {"pt100", "pt500", "pt1000", "res", "volt"};

bool parseInt(const std::string &text, long long lo, long long hi, long long &out)
{
    long long v = 0;
    const char *b = text.data(), *e = b + text.size();
    auto r = std::from_chars(b, e, v);
    if (r.ec != std::errc() || r.ptr != e || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

bool parseDouble(const std::string &text, double lo, double hi, double &out)
{
    double v = 0;
    const char *b = text.data(), *e = b + text.size();
    auto r = std::from_chars(b, e, v);
    if (r.ec != std::errc() || r.ptr != e || !std::isfinite(v) || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

std::string lowered(std::string text)
{
    for (char &c : text)
        c = char(std::tolower((unsigned char)c));
    return text;
}

template <typename List>
std::string numbersOf(const List &list)
{
    std::string text;
    for (auto n : list)
        text += (text.empty() ? "" : ", ") + std::to_string(n);
    return text;
}

// The rate and the scans are those the panel offers: its sampling-rate list
// (all of it: the digitizer's own limits are known only once it is open)
// and its waveform-length list.
bool offeredRate(double rate)
{
    const auto &rates = samplingRates();
    return std::find(rates.begin(), rates.end(), rate) != rates.end();
}

bool offeredScans(long long scans)
{
    const auto &lengths = waveformLengths();
    return std::find(lengths.begin(), lengths.end(), scans) != lengths.end();
}

// N[:KIND[:CURRENT]] into `c`; false with the message in `error`.
bool parseChannel(const std::string &v, const std::string &prefix, ChannelArg &c, std::string &error)
{
    const size_t colon = v.find(':');
    long long n = 0;
    if (!parseInt(v.substr(0, colon), 1, 16, n)) {
        error = prefix + "--channel wants N[:KIND[:CURRENT]] with N from 1 to 16, not \"" + v + "\"";
        return false;
    }
    c.channel = int(n);
    if (colon == std::string::npos)
        return true;
    const size_t second = v.find(':', colon + 1);
    const std::string kind = v.substr(colon + 1, second == std::string::npos ? std::string::npos : second - colon - 1);
    c.sensorType = sensorTypeFromKind(kind);
    if (c.sensorType < 0) {
        error = prefix + "unknown channel kind \"" + kind + "\" (pt100, pt500, pt1000, res or volt)";
        return false;
    }
    if (second == std::string::npos)
        return true;
    c.current = v.substr(second + 1);
    const std::vector<std::string> known = knownCurrentNames();
    const bool isKnown = std::any_of(known.begin(), known.end(),
                                     [&](const std::string &k) { return lowered(k) == lowered(c.current); });
    if (!isKnown) {
        error = prefix + "unknown excitation current \"" + c.current + "\" in --channel " + v + " (" +
                listOfNames(known) + "; which of them a channel offers depends on the card)";
        return false;
    }
    if (c.sensorType == 4 && lowered(c.current) != "off") {
        error = prefix + "a volt channel takes no excitation current, not \"" + c.current + "\"";
        return false;
    }
    return true;
}

} // namespace

int sensorTypeFromKind(const std::string &kind)
{
    for (int i = 0; i < 5; ++i)
        if (kind == kKinds[i])
            return i;
    return -1;
}

const char *kindName(int sensorType)
{
    return sensorType >= 0 && sensorType < 5 ? kKinds[sensorType] : "?";
}

const char *recVerbName(RecVerb verb)
{
    switch (verb) {
    case RecVerb::Info: return "info";
    case RecVerb::Verify: return "verify";
    case RecVerb::Convert: return "convert";
    case RecVerb::Record: return "record";
    case RecVerb::Stats: return "stats";
    default: return "";
    }
}

std::string recHelpText(RecVerb verb)
{
    switch (verb) {
    case RecVerb::Info:
        return "Usage: ov7931rec info FILE [--json]\n"
               "\n"
               "Shows a binary recording's header: device, sampling rate, block length and\n"
               "count, the channels with their kinds and units, and the recorded duration.\n"
               "\n"
               "  --json      print the same as one JSON object\n"
               "  -h, --help  show this help\n"
               "\n"
               "Exit codes: 0 done, 2 bad arguments, 3 the file cannot be read or its header is bad\n"
               "(the header line and field are named).\n";
    case RecVerb::Verify:
        return "Usage: ov7931rec verify FILE\n"
               "\n"
               "Checks a binary recording: whole blocks only, no NaN where the channel's kind\n"
               "cannot produce one, and for a recording of the simulated instrument's sequence\n"
               "data (recognised in the first block) every block in order with none missing.\n"
               "\n"
               "  --no-progress  no progress bar on a terminal\n"
               "  -h, --help     show this help\n"
               "\n"
               "Exit codes: 0 good, 1 a bad block (its index and reason are printed),\n"
               "2 bad arguments, 3 the file cannot be read or its header is bad (the header\n"
               "line and field are named).\n";
    case RecVerb::Convert:
        return "Usage: ov7931rec convert FILE --to csv|npy|hdf5 [-o OUT] [--force]\n"
               "\n"
               "Converts a binary recording, block by block:\n"
               "  csv   the panel's CSV recording format, byte for byte\n"
               "  npy   a 2-D float64 array (scans x channels) for numpy.load, with the\n"
               "        channel names in OUT.channels.txt beside it\n"
               "  hdf5  one dataset per channel, the header as attributes\n"
               "\n"
               "  --to FORMAT    the output format (required)\n"
               "  -o, --output OUT  the output file (default: FILE with the format's extension)\n"
               "  --force        replace an existing output; without it an existing OUT (or\n"
               "                 OUT.channels.txt) is refused. The old file is replaced only\n"
               "                 when the conversion has succeeded\n"
               "  --no-progress  no progress bar on a terminal\n"
               "  -h, --help     show this help\n"
               "\n"
               "A conversion that fails leaves no output behind.\n"
               "Exit codes: 0 done, 2 bad arguments, 3 a file cannot be read or written, the\n"
               "header is bad (its line and field are named) or the output exists.\n";
    case RecVerb::Record:
        return "Usage: ov7931rec record --seconds N --rate HZ --scans N\n"
               "                        --channel N[:KIND[:CURRENT]] ... --out FILE\n"
               "                        [--force] [--csv] [--descriptor D]\n"
               "\n"
               "Records a continuous run without the panel, through the panel's own engine.\n"
               "Opens the first card found unless a descriptor is given. Prints the blocks\n"
               "written and the backlog once a second; Ctrl+C stops with a whole file.\n"
               "\n"
               "  --seconds N        how long to record (up to 1e6)\n"
               "  --rate HZ          the sampling rate, one of the panel's: 1, 2, 5, 10, 20, 50,\n"
               "                     100, 200, 500, 1000, 2000, 5000, 10000, 20000, 30000, 40000\n"
               "                     or 50000 Hz (a card may refuse the fastest)\n"
               "  --scans N          scans per block, one of the panel's waveform lengths: 10,\n"
               "                     20, 50, 100, 200, 500, 1000, 2000, 5000 or 10000\n"
               "  --channel N[:KIND[:CURRENT]]\n"
               "                     enable channel N (1..16); KIND is pt100 (default), pt500,\n"
               "                     pt1000, res or volt, with the panel's default mode, range\n"
               "                     and excitation current for that sensor, except that res is\n"
               "                     measured with the card's primary current (500uA; 100uA on\n"
               "                     7931-AE and 7931-BE) where the panel starts at Off.\n"
               "                     CURRENT chooses another current the channel offers: Off,\n"
               "                     the primary current, or for res the secondary current of\n"
               "                     a 7931-BB (10uA) or 7931-DE (10uA to 5mA by channel).\n"
               "                     Repeat --channel for more channels\n"
               "  --out FILE         the recording to write; an existing FILE is refused\n"
               "  --force            replace an existing FILE: the run records beside it and\n"
               "                     replaces it when the run ends; a run that fails before its\n"
               "                     first whole block leaves the old FILE as it was\n"
               "  --csv              write the CSV format instead of binary\n"
               "  --descriptor D     the digitizer's resource descriptor\n"
               "  -h, --help         show this help\n"
               "\n"
               "A run that fails before its first whole block leaves no file behind.\n"
               "Exit codes: 0 done (also after Ctrl+C, with a whole file), 2 bad arguments or\n"
               "a current the card does not offer the channel, 3 FILE exists (without --force)\n"
               "or cannot be written, 4 no card or a driver call failed (what was being done\n"
               "and the driver's text are printed, then the call).\n";
    case RecVerb::Stats:
        return "Usage: ov7931rec stats FILE [--blocks] [--json]\n"
               "\n"
               "Reads a binary recording once, in constant memory, and prints per channel the\n"
               "minimum, maximum and mean of its samples as recorded (temperatures in degrees\n"
               "Celsius) and the number of NaN samples, which the other figures leave out.\n"
               "A channel of NaN only has no minimum, maximum or mean.\n"
               "\n"
               "  --blocks       the same per block: CSV, one line per block and channel\n"
               "                 (block,channel,minimum,maximum,mean,nan_count; an empty\n"
               "                 cell where there is no value)\n"
               "  --json         one JSON object; with --blocks one JSON object per line\n"
               "  --no-progress  no progress bar on a terminal\n"
               "  -h, --help     show this help\n"
               "\n"
               "Exit codes: 0 done, 2 bad arguments, 3 the file cannot be read (or is shorter\n"
               "than its header says) or its header is bad.\n";
    default:
        return "Usage: ov7931rec VERB [OPTIONS]\n"
               "\n"
               "The command-line companion of the Keltri 7931 soft front panel for recordings.\n"
               "\n"
               "Verbs:\n"
               "  info FILE [--json]                  show a recording's header\n"
               "  verify FILE                         check a recording's blocks\n"
               "  convert FILE --to csv|npy|hdf5 [-o OUT] [--force]  convert a recording\n"
               "  record --seconds N --rate HZ --scans N --channel N[:KIND[:CURRENT]] ...\n"
               "         --out FILE [--force]\n"
               "                                      record without the panel\n"
               "\n"
               "  ov7931rec VERB --help shows the options of a verb.\n";
    }
}

bool parseRecArgs(int argc, const char *const argv[], RecArgs &args, std::string &error)
{
    args = RecArgs();
    if (argc < 2) {
        error = "no verb given (try --help)";
        return false;
    }
    const std::string verb = argv[1];
    if (verb == "-h" || verb == "--help" || verb == "help") {
        args.verb = RecVerb::Help;
        args.help = true;
        return true;
    }
    if (verb == "info")
        args.verb = RecVerb::Info;
    else if (verb == "verify")
        args.verb = RecVerb::Verify;
    else if (verb == "convert")
        args.verb = RecVerb::Convert;
    else if (verb == "record")
        args.verb = RecVerb::Record;
    else if (verb == "stats")
        args.verb = RecVerb::Stats;
    else {
        error = "unknown verb \"" + verb + "\" (verbs: info, verify, convert, record, stats)";
        return false;
    }
    const std::string prefix = verb + ": ";

    std::vector<std::string> positional;
    bool seconds = false, rate = false, scans = false;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string &v) {
            if (i + 1 >= argc) {
                error = prefix + "option " + a + " needs a value";
                return false;
            }
            v = argv[++i];
            return true;
        };
        auto onlyFor = [&](RecVerb v) {
            if (args.verb != v) {
                error = prefix + "unknown option " + a + " (see ov7931rec " + verb + " --help)";
                return false;
            }
            return true;
        };
        std::string v;
        if (a == "-h" || a == "--help") {
            args.help = true;
            return true;
        } else if (a == "--json") {
            if (args.verb != RecVerb::Stats && !onlyFor(RecVerb::Info))
                return false;
            args.json = true;
        } else if (a == "--blocks") {
            if (!onlyFor(RecVerb::Stats))
                return false;
            args.blocks = true;
        } else if (a == "--no-progress") {
            if (args.verb != RecVerb::Verify && args.verb != RecVerb::Stats && !onlyFor(RecVerb::Convert))
                return false;
            args.progress = false;
        } else if (a == "--to") {
            if (!onlyFor(RecVerb::Convert) || !value(v))
                return false;
            if (v == "csv")
                args.target = ConvertTarget::Csv;
            else if (v == "npy")
                args.target = ConvertTarget::Npy;
            else if (v == "hdf5" || v == "h5")
                args.target = ConvertTarget::Hdf5;
            else {
                error = prefix + "unknown format \"" + v + "\" for --to (csv, npy or hdf5)";
                return false;
            }
            args.targetGiven = true;
        } else if (a == "-o" || a == "--output") {
            if (!onlyFor(RecVerb::Convert) || !value(args.out))
                return false;
        } else if (a == "--out") {
            if (args.verb != RecVerb::Convert && !onlyFor(RecVerb::Record))
                return false;
            if (!value(args.out))
                return false;
        } else if (a == "--seconds") {
            if (!onlyFor(RecVerb::Record) || !value(v))
                return false;
            if (!parseDouble(v, 0.001, 1e6, args.seconds)) {
                error = prefix + "--seconds wants a number from 0.001 to 1000000, not \"" + v + "\"";
                return false;
            }
            seconds = true;
        } else if (a == "--rate") {
            if (!onlyFor(RecVerb::Record) || !value(v))
                return false;
            if (!parseDouble(v, 0.0, 1e7, args.rate) || !offeredRate(args.rate)) {
                error = prefix + "--rate wants one of the panel's sampling rates in Hz (" + numbersOf(samplingRates()) +
                        "), not \"" + v + "\"";
                return false;
            }
            rate = true;
        } else if (a == "--scans") {
            if (!onlyFor(RecVerb::Record) || !value(v))
                return false;
            long long n = 0;
            if (!parseInt(v, 1, 1 << 20, n) || !offeredScans(n)) {
                error = prefix + "--scans wants one of the panel's waveform lengths (" + numbersOf(waveformLengths()) +
                        "), not \"" + v + "\"";
                return false;
            }
            args.scans = int32_t(n);
            scans = true;
        } else if (a == "--channel") {
            if (!onlyFor(RecVerb::Record) || !value(v))
                return false;
            ChannelArg c;
            if (!parseChannel(v, prefix, c, error))
                return false;
            for (const ChannelArg &o : args.channels)
                if (o.channel == c.channel) {
                    error = prefix + "channel " + std::to_string(c.channel) + " given twice";
                    return false;
                }
            args.channels.push_back(c);
        } else if (a == "--force") {
            if (args.verb != RecVerb::Convert && !onlyFor(RecVerb::Record))
                return false;
            args.force = true;
        } else if (a == "--csv") {
            if (!onlyFor(RecVerb::Record))
                return false;
            args.csv = true;
        } else if (a == "--descriptor") {
            if (!onlyFor(RecVerb::Record) || !value(args.descriptor))
                return false;
            if (args.descriptor.empty()) {
                error = prefix + "--descriptor is empty";
                return false;
            }
        } else if (a.size() > 1 && a[0] == '-') {
            error = prefix + "unknown option " + a + " (see ov7931rec " + verb + " --help)";
            return false;
        } else {
            positional.push_back(a);
        }
    }

    if (args.verb == RecVerb::Record) {
        if (!positional.empty()) {
            error = prefix + "unexpected argument \"" + positional.front() + "\"";
            return false;
        }
        const char *missing = !seconds ? "--seconds" : !rate ? "--rate" : !scans ? "--scans"
                            : args.channels.empty() ? "--channel" : args.out.empty() ? "--out" : nullptr;
        if (missing) {
            error = prefix + missing + " is required (see ov7931rec record --help)";
            return false;
        }
        return true;
    }
    if (positional.empty()) {
        error = prefix + "no recording FILE given";
        return false;
    }
    if (positional.size() > 1) {
        error = prefix + "unexpected argument \"" + positional[1] + "\"";
        return false;
    }
    args.file = positional.front();
    if (args.verb == RecVerb::Convert && !args.targetGiven) {
        error = prefix + "--to csv|npy|hdf5 is required";
        return false;
    }
    return true;
}
