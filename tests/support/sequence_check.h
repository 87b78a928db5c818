// What a recording proves in the simulated instrument's sequence mode,
// where every sample carries its channel and its running scan number: the
// samples of a binary recording, and whether they are whole, consecutive
// blocks from the first scan on. Shared by the tests of the core and of the
// panel's continuous runs.
#ifndef STREAM_SEQUENCE_CHECK_H
#define STREAM_SEQUENCE_CHECK_H

#include "ovsim_control.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

namespace streamtest {

inline std::string readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The samples after a binary header, or nothing when there is no "#\n" line.
inline std::vector<double> binarySamples(const std::string &bytes)
{
    size_t at = bytes.find("\n#\n");
    if (at == std::string::npos)
        return {};
    at += 3;
    std::vector<double> v((bytes.size() - at) / sizeof(double));
    if (!v.empty())
        std::memcpy(v.data(), bytes.data() + at, v.size() * sizeof(double));
    if ((bytes.size() - at) % sizeof(double))
        v.push_back(std::numeric_limits<double>::quiet_NaN()); // a torn sample shows as a mismatch
    return v;
}

// What a recording's sample data prove in the simulator's sequence mode.
struct SequenceCheck {
    long blocks = 0;         // whole blocks found
    bool whole = true;       // the data are a whole number of blocks
    bool consecutive = true; // block k holds scans k*N .. k*N+N-1 of each channel in order
    std::string why;
};

// Channel k's samples are checked unless skip[k] is set.
inline SequenceCheck checkSequenceBlocks(const std::vector<double> &data, const std::vector<int> &channels,
                                         int32_t scans, const std::vector<bool> &skip = {})
{
    SequenceCheck r;
    const size_t perBlock = channels.size() * size_t(scans);
    r.whole = perBlock && data.size() % perBlock == 0;
    r.blocks = perBlock ? long(data.size() / perBlock) : 0;
    for (size_t i = 0; i < size_t(r.blocks) * perBlock && r.consecutive; ++i) {
        const size_t b = i / perBlock, k = i % perBlock / size_t(scans), s = i % size_t(scans);
        if (k < skip.size() && skip[k])
            continue;
        r.consecutive = data[i] == ovsim::integritySample(channels[k], int64_t(b * size_t(scans) + s));
        if (!r.consecutive)
            r.why = "block " + std::to_string(b) + ", channel " + std::to_string(channels[k]) + ", scan " +
                    std::to_string(s) + ": " + std::to_string(data[i]);
    }
    return r;
}

} // namespace streamtest

// Declares `c`, the check of a recording's samples (checkSequenceBlocks'
// arguments), and fails the test unless they are whole, consecutive blocks.
#define VERIFY_SEQUENCE(c, ...)                                                                                        \
    const streamtest::SequenceCheck c = streamtest::checkSequenceBlocks(__VA_ARGS__);                                  \
    QVERIFY2(c.whole && c.consecutive, c.why.c_str())

#endif
