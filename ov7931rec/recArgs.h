// The command line of ov7931rec: the verbs, their options and help texts,
// parsed into plain structs with range checks on every number. A bad
// argument gives a one-line message naming it and the usage exit code, so a
// script calling the tool sees why it failed.
#ifndef OV7931REC_RECARGS_H
#define OV7931REC_RECARGS_H

#include <cstdint>
#include <string>
#include <vector>

// Exit codes of every verb.
enum RecExit : int {
    kExitOk = 0,        // done; for verify: the recording is good
    kExitBadData = 1,   // verify: a bad block (its index and reason are printed)
    kExitUsage = 2,     // a bad argument or option
    kExitFile = 3,      // a file cannot be read or written, its header is bad, or an
                        // output exists and --force was not given
    kExitInstrument = 4 // record: no card, or a driver call failed
};

enum class RecVerb { None, Help, Info, Verify, Convert, Record, Stats };
enum class ConvertTarget { Csv, Npy, Hdf5 };

// One --channel N[:KIND[:CURRENT]]: the channel (1..16), its sensor type
// code (0 PT-100, 1 PT-500, 2 PT-1000, 3 Resistance, 4 Voltage) and the
// excitation current as typed ("" for the kind's default; recChannels.h).
struct ChannelArg {
    int channel = 0;
    int sensorType = 0;
    std::string current;
};

struct RecArgs {
    RecVerb verb = RecVerb::None;
    bool help = false;        // --help given for the verb (or no verb)
    std::string file;         // info, verify, convert: the recording
    bool json = false;        // info --json, stats --json
    bool blocks = false;      // stats --blocks
    ConvertTarget target = ConvertTarget::Csv;
    bool targetGiven = false;
    std::string out;          // convert -o / record --out
    bool force = false;       // --force: an existing output is replaced
    bool progress = true;     // --no-progress turns the bar off
    // record
    double seconds = 0.0;
    double rate = 0.0;        // one of the panel's sampling rates
    int32_t scans = 0;        // one of the panel's waveform lengths
    std::vector<ChannelArg> channels;
    bool csv = false;
    std::string descriptor;
};

// Parses argv (argv[0] is the program). On failure returns false and puts
// the message (without the program name) into `error`.
bool parseRecArgs(int argc, const char *const argv[], RecArgs &args, std::string &error);

// The help of the tool (verb None) or of one verb.
std::string recHelpText(RecVerb verb);

// The verb's name as typed, "" for none.
const char *recVerbName(RecVerb verb);

// "pt100" .. "volt" -> sensor type code; -1 when unknown.
int sensorTypeFromKind(const std::string &kind);
// The reverse, for messages and info.
const char *kindName(int sensorType);

#endif
