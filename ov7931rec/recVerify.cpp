// ov7931rec verify: reads a recording block by block and stops at the first
// bad one. A block is bad when it is not whole, when a channel whose kind
// cannot produce NaN (voltage, resistance) holds one, or, in a recording of
// the simulated instrument's sequence data, when it does not hold the scans
// that follow the previous block's. Sequence data are recognised in the
// first block: every sample of a channel decodes as that channel's running
// scan number (temperature channels converted by the writer do not, and
// are left to the NaN rule).
#include "recFile.h"
#include "recVerbs.h"

#ifdef OV_REC_SEQUENCE
#include "ovsim_control.h"
#endif

#include <cmath>
#include <cstdio>
#include <string>

namespace {

int bad(uint64_t block, const std::string &reason)
{
    std::printf("block %llu: %s\n", (unsigned long long)block, reason.c_str());
    return kExitBadData;
}

#ifdef OV_REC_SEQUENCE
// True when segment k of the first block is channel `ch`'s sequence data;
// `first` receives its first scan number.
bool isSequenceSegment(const double *seg, int32_t scans, int ch, int64_t &first)
{
    int decodedChannel = 0;
    int64_t scan = 0;
    if (!ovsim::decodeIntegritySample(seg[0], &decodedChannel, &scan) || decodedChannel != ch)
        return false;
    for (int32_t s = 0; s < scans; ++s)
        if (seg[s] != ovsim::integritySample(ch, scan + s))
            return false;
    first = scan;
    return true;
}
#endif

} // namespace

int runVerify(const RecArgs &args)
{
    recordingInfo info;
    bool corrupt = false;
    if (!openRecording("verify", args.file, info, corrupt))
        return kExitFile;
    const std::vector<int> channels = recordedChannels(info);
    const int32_t scans = info.numberOfScansPerBlock;
    BlockReader reader(info);
    if (!reader.ok()) {
        std::fprintf(stderr, "ov7931rec: verify: cannot read \"%s\"\n", args.file.c_str());
        return kExitFile;
    }

    std::vector<char> sequence(channels.size(), 0); // channel position carries sequence data
    bool anySequence = false;
    int64_t firstScan = 0;
    std::vector<double> block;
    ProgressBar bar(args.progress, "verify", info.blockCount);
    for (uint64_t b = 0; b < info.blockCount; ++b) {
        if (!reader.next(b, block))
            return bad(b, "cannot be read (the file is shorter than its header says)");
#ifdef OV_REC_SEQUENCE
        if (b == 0) {
            for (size_t k = 0; k < channels.size(); ++k) {
                int64_t first = 0;
                if (isSequenceSegment(block.data() + k * size_t(scans), scans, channels[k], first) &&
                    (!anySequence || first == firstScan)) {
                    sequence[k] = 1;
                    firstScan = first;
                    anySequence = true;
                }
            }
        }
#endif
        for (size_t k = 0; k < channels.size(); ++k) {
            const int ch = channels[k];
            const int sensor = info.sensorTypes[ch - 1];
            const double *seg = block.data() + k * size_t(scans);
            if (plotKindOfRecorded(sensor) != 2) {
                for (int32_t s = 0; s < scans; ++s)
                    if (std::isnan(seg[s]))
                        return bad(b, "NaN in channel FC1_CH" + std::to_string(ch) + " (" + kindOfSensor(sensor) +
                                          ") at scan " + std::to_string(s) + " of the block");
            }
#ifdef OV_REC_SEQUENCE
            if (!sequence[k])
                continue;
            const int64_t want = firstScan + int64_t(b) * scans;
            for (int32_t s = 0; s < scans; ++s) {
                if (seg[s] == ovsim::integritySample(ch, want + s))
                    continue;
                int decodedChannel = 0;
                int64_t got = 0;
                if (s == 0 && ovsim::decodeIntegritySample(seg[0], &decodedChannel, &got) && decodedChannel == ch)
                    return bad(b, "holds scans " + std::to_string(got) + ".." + std::to_string(got + scans - 1) +
                                      " of channel FC1_CH" + std::to_string(ch) + " where scans " +
                                      std::to_string(want) + ".." + std::to_string(want + scans - 1) +
                                      " belong (a block is missing or out of order)");
                return bad(b, "channel FC1_CH" + std::to_string(ch) + " breaks the sequence at scan " +
                                  std::to_string(s) + " of the block");
            }
#endif
        }
        bar.update(b + 1);
    }
    if (corrupt) {
        const uint64_t rest = info.dataLength % info.blockLength;
        return bad(info.blockCount, "incomplete: " + std::to_string(rest) + " of " +
                                        std::to_string(info.blockLength) + " bytes (the file is truncated)");
    }
    std::printf("OK: %llu whole blocks of %d scans x %d channels%s\n", (unsigned long long)info.blockCount, scans,
                int(channels.size()),
                anySequence ? ", sequence data in order with no block missing" : "");
    return kExitOk;
}
