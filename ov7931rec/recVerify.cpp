// ov7931rec verify: reads a recording block by block. A block is bad, and
// verify stops there, when it is not whole, when a channel whose kind cannot
// produce NaN (voltage, resistance) holds one before its last scans, or, in
// a recording of the simulated instrument's sequence data, when it does not
// hold the scans that follow the previous block's. Sequence data are
// recognised in the first block: every sample of a channel decodes as that
// channel's running scan number (temperature channels converted by the
// writer do not, and are left to the NaN rule). A voltage or resistance
// segment that ends in NaN is a short read (the digitizer delivered fewer
// scans than asked for): each one is reported with its block and channel,
// verify goes on, and the recording is not good. Temperature segments may
// hold NaN from the conversion, so their NaN is not looked at.
#include "recFile.h"
#include "recVerbs.h"
#include "runTexts.h"

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
// True when the first `scans` samples of a segment of the first block are
// channel `ch`'s sequence data; `first` receives its first scan number.
bool isSequenceSegment(const double *seg, int32_t scans, int ch, int64_t &first)
{
    int decodedChannel = 0;
    int64_t scan = 0;
    if (scans <= 0 || !ovsim::decodeIntegritySample(seg[0], &decodedChannel, &scan) || decodedChannel != ch)
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
    uint64_t shortBlocks = 0;
    std::vector<double> block;
    std::vector<int32_t> present(channels.size()); // scans before a segment's closing run of NaN
    ProgressBar bar(args.progress, "verify", info.blockCount);
    for (uint64_t b = 0; b < info.blockCount; ++b) {
        if (!reader.next(b, block))
            return bad(b, "cannot be read (the file is shorter than its header says)");
        for (size_t k = 0; k < channels.size(); ++k) {
            const double *seg = block.data() + k * size_t(scans);
            int32_t n = scans;
            while (n > 0 && std::isnan(seg[n - 1]))
                --n;
            present[k] = n;
        }
#ifdef OV_REC_SEQUENCE
        if (b == 0) {
            for (size_t k = 0; k < channels.size(); ++k) {
                int64_t first = 0;
                if (isSequenceSegment(block.data() + k * size_t(scans), present[k], channels[k], first) &&
                    (!anySequence || first == firstScan)) {
                    sequence[k] = 1;
                    firstScan = first;
                    anySequence = true;
                }
            }
        }
#endif
        bool shortBlock = false;
        for (size_t k = 0; k < channels.size(); ++k) {
            const int ch = channels[k];
            const int sensor = info.sensorTypes[ch - 1];
            const double *seg = block.data() + k * size_t(scans);
            if (plotKindOfRecorded(sensor) != 2) {
                for (int32_t s = 0; s < present[k]; ++s)
                    if (std::isnan(seg[s]))
                        return bad(b, "NaN in channel FC1_CH" + std::to_string(ch) + " (" + kindOfSensor(sensor) +
                                          ") at scan " + std::to_string(s) + " of the block");
                if (present[k] < scans) {
                    std::printf("block %llu: channel FC1_CH%d: scans %d..%d missing (short read)\n",
                                (unsigned long long)b, ch, int(present[k]), int(scans - 1));
                    shortBlock = true;
                }
            }
#ifdef OV_REC_SEQUENCE
            if (!sequence[k])
                continue;
            const int64_t want = firstScan + int64_t(b) * scans;
            for (int32_t s = 0; s < present[k]; ++s) {
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
        shortBlocks += shortBlock ? 1 : 0;
        bar.update(b + 1);
    }
    if (corrupt) {
        const uint64_t rest = info.dataLength % info.blockLength;
        return bad(info.blockCount, "incomplete: " + std::to_string(rest) + " of " +
                                        std::to_string(info.blockLength) + " bytes (the file is truncated)");
    }
    if (shortBlocks > 0) {
        std::printf("%s\n", shortBlocksText(int64_t(shortBlocks), int64_t(info.blockCount)).c_str());
        return kExitBadData;
    }
    std::printf("OK: %llu whole blocks of %d scans x %d channels%s\n", (unsigned long long)info.blockCount, scans,
                int(channels.size()),
                anySequence ? ", sequence data in order with no block missing" : "");
    return kExitOk;
}
