// The simulated system: carriers (VXI mainframes and LXI boxes), the cards in
// their function-card positions and the VISA resources that lead to them.
// Plain data; the drivers keep their run-time state in the same objects.
#ifndef OVSIM_MODEL_H
#define OVSIM_MODEL_H

#include "ovsim_control.h"
#include "visa.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace ovsim {
namespace detail {

constexpr int kChannels = 16;
constexpr uint16_t kModel8263 = 0x8263;
constexpr uint16_t kModel7931 = 0x7931;

struct Stream; // stream.h
// Streams taken out of their cards under the state lock, to be stopped after it.
using Streams = std::vector<std::shared_ptr<Stream>>;

// One channel of the conditioning card: what is connected and what the
// driver has set.
struct ConditioningChannel {
    Sensor sensor;
    Wire wires[4] = {Wire::Intact, Wire::Intact, Wire::Intact, Wire::Intact};
    bool pgaError = false;
    bool deviationSet = false; // else the built-in per-channel deviation applies
    double primaryDeviation = 0.0;   // ampere added to the nominal primary current
    double secondaryDeviation = 0.0; // ampere added to the nominal secondary current
    ChannelState state;
    int recordedGain = -1; // what the driver's record claims, -1: the card's gain
};

struct Card7931 {
    std::string subType = "BB"; // letters after "7931-"
    int32_t serial = 1;
    std::string revision = "1.0.0.0";
    ConditioningChannel channels[kChannels];
    ViSession session = 0; // open driver session, 0 when closed

    void resetChannels()
    {
        for (auto &c : channels) {
            c.state = ChannelState();
            c.recordedGain = -1;
        }
    }
};

// One acquisition run of the digitizer, in simulated time (nanoseconds).
struct Acquisition {
    bool configured = false; // setAcquisitionMode was called
    double frequency = 1000.0;
    int32_t scans = 0; // 0: endless
    int startMode = 0;
    enum class Phase { Idle, Armed, Running, Stopped } phase = Phase::Idle;
    int64_t armNs = 0;   // when armDAQ was called
    int64_t startNs = 0; // when the first scan was taken (Running, Stopped)
    int64_t stopNs = 0;  // Stopped: acquisition frozen at that time
    int64_t readPos = 0; // scans handed to the reader (or dropped)
    uint16_t errors = 0; // sticky error bits (overflow, scheduled bits)
    std::vector<int> channels; // switched-on channels (1..16) fixed at start
    bool streaming = false;
};

struct DigitizerChannel {
    DigitizerChannelState state;
};

struct Card8263 {
    std::string subType = "AA"; // letters after "8263-"
    uint32_t serial = 1;
    std::string revision = "1.0.0.0";
    double minFrequency = 1.0;
    double maxFrequency = 50000.0;
    int64_t fifoSamples = 4000000;
    bool sequenceData = false; // scenario "data: sequence": every sample an integrity sample
    DigitizerChannel channels[kChannels];
    Acquisition acq;
    std::shared_ptr<Stream> stream;
    uint64_t noiseState = 0x9E3779B97F4A7C15ull;

    void resetChannels()
    {
        for (auto &c : channels)
            c.state = DigitizerChannelState();
    }
};

struct Card {
    int position = 0; // 1-based function-card position
    uint16_t model = 0;
    std::unique_ptr<Card8263> digitizer;    // model 0x8263
    std::unique_ptr<Card7931> conditioning; // model 0x7931
};

struct Carrier {
    std::string name; // the device's name in the scenario
    enum class Kind { Vxi, Lxi } kind = Kind::Vxi;
    int board = 0;
    uint16_t carrierModel = 0;
    int slot = 0;
    int logicalAddress = 0;
    std::string host;       // LXI
    std::string deviceName; // LXI
    int positions = 4;
    std::vector<Card> cards;

    Card *cardAt(int position)
    {
        for (auto &c : cards)
            if (c.position == position)
                return &c;
        return nullptr;
    }
    const Card *cardAt(int position) const { return const_cast<Carrier *>(this)->cardAt(position); }
    Card7931 *firstConditioning()
    {
        Card *best = nullptr;
        for (auto &c : cards)
            if (c.conditioning && (!best || c.position < best->position))
                best = &c;
        return best ? best->conditioning.get() : nullptr;
    }
};

struct Resource {
    std::string name;                 // as listed by viFindRsrc
    std::shared_ptr<Carrier> carrier; // null: an instrument that is not a carrier of ours
    ViStatus refuseStatus = 0;        // non-zero: viOpen fails with it
};

struct Scenario {
    std::vector<Resource> resources;
    // Canonical resource name (canonicalResourceName) -> index in `resources`,
    // the first of equal names: viOpen finds a resource in constant time.
    std::unordered_map<std::string, size_t> resourceIndex;
    std::vector<std::shared_ptr<Carrier>> carriers; // in scenario order
};

} // namespace detail
} // namespace ovsim

#endif
