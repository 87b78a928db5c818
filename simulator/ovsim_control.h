// Control interface of the simulated instrument, for tests and benchmarks.
// The panel never includes this header.
#ifndef OVSIM_CONTROL_H
#define OVSIM_CONTROL_H

#include "visa.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ovsim {

// ---- scenario ------------------------------------------------------------
// Drops every session, fault, schedule and journal entry, sets the clock back
// to real time and loads the scenario named by OVSIM_SCENARIO (the built-in
// default when the variable is unset or empty).
void reset();
// Replace the scenario. On failure the system has no resources and `error`
// tells the file, line and reason; the function then returns false.
bool loadScenarioFile(const std::string &path, std::string *error = nullptr);
bool loadScenarioText(const std::string &yaml, std::string *error = nullptr);
// The built-in default scenario as YAML text.
std::string defaultScenarioText();

// ---- fault injection -----------------------------------------------------
// The named driver function (for example "ov7931_init", "viOpen",
// "ov9174_openIdRecord") returns `status` on its next `count` calls without
// doing its work (output arguments untouched).
void failNext(const std::string &function, ViStatus status, int count = 1);
// ... on every call until clearFaults().
void failAlways(const std::string &function, ViStatus status);
void clearFaults();
// The digitizer status that ov7931_getFCLastError reports after a
// conditioning-card call returned the forwarded error 0xBFFC0B05.
void setForwardedStatus(ViStatus digitizerStatus);

// ---- journal ---------------------------------------------------------------
// One entry per driver, common-library and VISA call, in call order.
// Arguments are written as text: integers in decimal, doubles with %g,
// strings quoted, pointers as "null" or "&" (output), callbacks as "fn".
struct Call {
    std::string function;
    std::vector<std::string> args;
    ViStatus status = 0;
    std::string text() const; // "ov8263_setChanConfig(1, 3, 1, 2, 0)" (session value included)
};
std::vector<Call> journal();
std::vector<Call> journalOf(const std::string &function);
void clearJournal();

// ---- the conditioning card (the one most recently opened by ov7931_init,
//      or the first 7931 of the scenario before that) --------------------------
enum class SensorKind { None, PT100, PT500, PT1000, Resistor, Voltage };
struct Sensor {
    SensorKind kind = SensorKind::None;
    double temperature = 25.0; // degrees Celsius, PT sensors
    double resistance = 0.0;   // ohm, Resistor
    double dcLevel = 0.0;      // volt, Voltage
    double amplitude = 0.0;    // volt, Voltage (sine)
    double frequency = 0.0;    // Hz, Voltage (sine)
    double noise = -1.0;       // standard deviation in the reading's unit; < 0: default noise
};
enum class Wire { Intact, Broken, Unknown, MaybeBroken };
void setSensor(int channel, const Sensor &sensor); // channel 1..16
void setWire(int channel, int wire, Wire state);   // wire 1..4
void setPgaError(int channel, bool raised);
void setExcitationDeviation(int channel, double primaryAmpere, double secondaryAmpere);
// A stale driver record: ov7931_getGainInfo reports `gainCode` as the gain in
// effect on the channel while the card keeps its own (which ov7931_getGain
// reads), until the driver next sets the channel's gain; -1 ends it.
void setRecordedGain(int channel, int gainCode);

// What the conditioning card holds for a channel, as last set by the driver.
struct ChannelState {
    int mode = 1, gain = 3, excitation = 0, conversion = 0;
};
ChannelState channelState(int channel);
// What the digitizer holds for a channel.
struct DigitizerChannelState {
    bool on = false;
    int gain = 1;
};
DigitizerChannelState digitizerChannel(int channel);

// ---- streaming faults (continuous acquisition; blocks counted from 0) ----------
void scheduleReadError(long block, ViStatus status); // ov8263_readAcquisition fails for that block
void scheduleStall(long block, double seconds);      // the callback of that block comes late
void scheduleDrop(long block);                       // the callback of that block never comes
void scheduleErrorBits(long block, uint16_t bits);   // error bits raised from that block on

// ---- clock ----------------------------------------------------------------------
// Simulated seconds per real second (1 = real time).
void setClockSpeed(double factor);
// Manual clock: time moves only by advanceClock().
void setManualClock(bool manual);
void advanceClock(double seconds);
double now(); // simulated seconds since reset()

// ---- data ------------------------------------------------------------------------
// Integrity mode: every sample is integritySample(channel, scan) exactly.
void setIntegrityMode(bool on);
double integritySample(int channel /*1..16*/, int64_t globalScan);
// Integrity mode on some channels only (bit c-1: channel c; all after
// reset()); the others carry their sensors' signals, for example an RTD
// whose temperature the panel converts.
void setIntegrityChannels(uint32_t channelMask);
bool decodeIntegritySample(double value, int *channel, int64_t *globalScan);

} // namespace ovsim

#endif
