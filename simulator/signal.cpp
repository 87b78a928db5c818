#include "channel_signal.h"

#include "ovsim_control.h"
#include "physics.h"

#include <algorithm>
#include <cmath>

namespace ovsim {
namespace detail {
namespace {

constexpr double kTwoPi = 6.283185307179586;

inline double uniformNoise(uint64_t &state)
{
    uint64_t x = state;
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    state = x;
    return double(x >> 11) * (1.0 / 9007199254740992.0) * 2.0 - 1.0; // [-1, 1)
}

} // namespace

void generateScans(const Card7931 *card, Card8263 &digitizer, const std::vector<int> &channels, double frequency,
                   int64_t first, int32_t n, double *data, double *timestamps, bool integrity,
                   uint32_t integrityChannels)
{
    if (timestamps)
        for (int32_t k = 0; k < n; ++k)
            timestamps[k] = double(first + k) / frequency;
    for (size_t c = 0; c < channels.size(); ++c) {
        double *out = data + c * size_t(n);
        int ch = channels[c];
        if (integrity && (integrityChannels >> (ch - 1)) & 1u) {
            for (int32_t k = 0; k < n; ++k)
                out[k] = integritySample(ch, first + k);
            continue;
        }
        ChannelSignal sig = describeChannel(card, digitizer, ch);
        // Uniform noise with the requested standard deviation.
        const double noise = sig.noiseStd * 1.7320508075688772;
        const double lo = -sig.clip, hi = sig.clip;
        uint64_t rng = digitizer.noiseState;
        if (sig.amplitude == 0.0 || sig.omega == 0.0) {
            double base = std::min(hi, std::max(lo, sig.offset));
            for (int32_t k = 0; k < n; ++k)
                out[k] = base + noise * uniformNoise(rng);
        } else {
            double step = sig.omega / frequency;
            double phase = std::fmod(step * double(first), kTwoPi);
            double x = std::cos(phase), y = std::sin(phase);
            const double cs = std::cos(step), sn = std::sin(step);
            for (int32_t k = 0; k < n; ++k) {
                double v = sig.offset + sig.amplitude * y;
                out[k] = std::min(hi, std::max(lo, v)) + noise * uniformNoise(rng);
                double nx = x * cs - y * sn;
                y = x * sn + y * cs;
                x = nx;
            }
        }
        digitizer.noiseState = rng;
    }
}

bool anyOutOfRange(const Card7931 *card, const Card8263 &digitizer, const std::vector<int> &channels)
{
    for (int ch : channels)
        if (describeChannel(card, digitizer, ch).outOfRange)
            return true;
    return false;
}

} // namespace detail
} // namespace ovsim
