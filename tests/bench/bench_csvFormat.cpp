// The CSV writer's number formatting against C's snprintf("%4.20lf, "):
// the same blocks (16 channels x 10000 scans, grouped by channel) turned into
// CSV lines both ways, the speed of each, and the bytes compared over the
// whole run (speeds in values per second of the formatting thread's CPU
// time). The values are those a recording holds: sequence samples,
// temperatures, resistances, volts, plus the special doubles.
//
// Usage: bench_csvFormat [blocks]
#include "bench_figures.h"
#include "csvFormat.h"


#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kChannels = 16;
constexpr int kScans = 10000;

// What snprintf makes of a block: the lines the writer writes.
void snprintfBlock(std::string &out, const double *block, int channels, int scans)
{
    char cell[400];
    for (int s = 0; s < scans; ++s) {
        for (int k = 0; k < channels; ++k) {
            const int n = std::snprintf(cell, sizeof cell, "%4.20lf, ", block[size_t(k) * scans + size_t(s)]);
            out.append(cell, size_t(n));
        }
        out += "\r\n";
    }
}

void fillBlock(std::vector<double> &block, std::mt19937_64 &rng, long blockIndex)
{
    // volts, ohms, degrees Celsius
    using Uniform = std::uniform_real_distribution<double>;
    Uniform kinds[3] = {Uniform(-10.0, 10.0), Uniform(18.0, 4000.0), Uniform(-200.0, 850.0)};
    for (int k = 0; k < kChannels; ++k) {
        double *seg = block.data() + size_t(k) * kScans;
        for (int s = 0; s < kScans; ++s) // a quarter of them sequence samples: channel * 2^40 + scan
            seg[s] = k % 4 == 0 ? double(k + 1) * 1099511627776.0 + double(blockIndex * kScans + s)
                                : kinds[k % 4 - 1](rng);
    }
    const double specials[] = {0.0, -0.0, std::numeric_limits<double>::quiet_NaN(),
                               std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::denorm_min(), DBL_MAX, -DBL_MAX, DBL_MIN, 0.5e-20};
    for (size_t i = 0; i < sizeof specials / sizeof *specials; ++i)
        block[size_t(blockIndex * 7919 + long(i) * 104729) % block.size()] = specials[i];
}

} // namespace

int main(int argc, char **argv)
{
    const long blocks = argc > 1 ? std::max(1L, std::atol(argv[1])) : 25;
    std::mt19937_64 rng(7931);
    std::vector<double> block(size_t(kChannels) * kScans);
    std::string fast, slow;
    double fastSeconds = 0.0, slowSeconds = 0.0;
    long long values = 0, bytes = 0;
    bool identical = true;
    for (long b = 0; b < blocks; ++b) {
        fillBlock(block, rng, b);
        fast.clear();
        slow.clear();
        const double t0 = bench::threadCpuMs() / 1e3;
        appendCsvBlock(fast, block.data(), kChannels, kScans);
        const double t1 = bench::threadCpuMs() / 1e3;
        snprintfBlock(slow, block.data(), kChannels, kScans);
        const double t2 = bench::threadCpuMs() / 1e3;
        fastSeconds += t1 - t0;
        slowSeconds += t2 - t1;
        identical = identical && fast == slow;
        values += kChannels * kScans;
        bytes += (long long)fast.size();
    }
    std::printf("csv_values_per_second: %.0f values/s\n", double(values) / fastSeconds);
    std::printf("snprintf_values_per_second: %.0f values/s\n", double(values) / slowSeconds);
    std::printf("csv_speedup: %.1f x\n", slowSeconds / fastSeconds);
    std::printf("csv_values_compared: %lld values\n", values);
    std::printf("csv_bytes_compared: %lld bytes\n", bytes);
    std::printf("csv_bytes_identical: %d bool\n", identical ? 1 : 0);
    return identical ? 0 : 1;
}
