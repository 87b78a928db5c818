// The control interface for tests and benchmarks (ovsim_control.h).
#include "ovsim_control.h"

#include "clock.h"
#include "faults.h"
#include "journal.h"
#include "scenario.h"
#include "state.h"
#include "stream.h"

#include <cmath>
#include <cstdio>

namespace ovsim {

using namespace detail;

namespace {

bool install(Scenario sc)
{
    Streams streams;
    {
        State &st = state();
        std::lock_guard<std::mutex> lk(st.m);
        streams = installScenario(st, std::move(sc));
    }
    stopStreams(streams);
    return true;
}

bool validChannel(int channel, const char *function)
{
    if (channel >= 1 && channel <= kChannels)
        return true;
    std::fprintf(stderr, "ovsim: %s: channel %d is out of range (1 to 16); ignored\n", function, channel);
    return false;
}

// Runs `change` on the current conditioning card's channel, under the lock.
template <typename F> void withConditioningChannel(int channel, const char *function, F change)
{
    if (!validChannel(channel, function))
        return;
    auto lk = lockState();
    Card7931 *card = state().current7931;
    if (!card) {
        std::fprintf(stderr, "ovsim: %s: the scenario has no 7931 card; ignored\n", function);
        return;
    }
    change(card->channels[channel - 1]);
}

} // namespace

void reset()
{
    Scenario sc = scenarioFromEnvironment();
    Streams streams;
    {
        State &st = state();
        std::lock_guard<std::mutex> lk(st.m);
        streams = installScenario(st, std::move(sc));
        st.integrity = false;
        st.integrityChannels = 0xFFFF;
        st.forwardedStatus = 0;
        st.lastFcError = 0;
        st.schedule = StreamSchedule();
    }
    stopStreams(streams);
    clearInjectedFaults();
    simClock().reset();
    journalClear();
}

bool loadScenarioFile(const std::string &path, std::string *error)
{
    Scenario sc;
    std::string why;
    bool ok = readScenarioFile(path, &sc, &why);
    if (!ok)
        std::fprintf(stderr, "ovsim: %s; the simulated VISA system has no resources\n", why.c_str());
    if (error)
        *error = why;
    install(std::move(sc));
    return ok;
}

bool loadScenarioText(const std::string &yaml, std::string *error)
{
    Scenario sc;
    std::string why;
    bool ok = parseScenario(yaml, "<scenario text>", &sc, &why);
    if (!ok)
        std::fprintf(stderr, "ovsim: %s; the simulated VISA system has no resources\n", why.c_str());
    if (error)
        *error = why;
    install(std::move(sc));
    return ok;
}

void setForwardedStatus(ViStatus digitizerStatus)
{
    auto lk = lockState();
    state().forwardedStatus = digitizerStatus;
}

void setSensor(int channel, const Sensor &sensor)
{
    withConditioningChannel(channel, "setSensor", [&](ConditioningChannel &c) { c.sensor = sensor; });
}

void setWire(int channel, int wire, Wire wireState)
{
    if (wire < 1 || wire > 4) {
        std::fprintf(stderr, "ovsim: setWire: wire %d is out of range (1 to 4); ignored\n", wire);
        return;
    }
    withConditioningChannel(channel, "setWire", [&](ConditioningChannel &c) { c.wires[wire - 1] = wireState; });
}

void setPgaError(int channel, bool raised)
{
    withConditioningChannel(channel, "setPgaError", [&](ConditioningChannel &c) { c.pgaError = raised; });
}

void setExcitationDeviation(int channel, double primaryAmpere, double secondaryAmpere)
{
    withConditioningChannel(channel, "setExcitationDeviation", [&](ConditioningChannel &c) {
        c.deviationSet = true;
        c.primaryDeviation = primaryAmpere;
        c.secondaryDeviation = secondaryAmpere;
    });
}

void setRecordedGain(int channel, int gainCode)
{
    withConditioningChannel(channel, "setRecordedGain", [&](ConditioningChannel &c) { c.recordedGain = gainCode; });
}

ChannelState channelState(int channel)
{
    ChannelState out;
    withConditioningChannel(channel, "channelState", [&](ConditioningChannel &c) { out = c.state; });
    return out;
}

DigitizerChannelState digitizerChannel(int channel)
{
    if (!validChannel(channel, "digitizerChannel"))
        return DigitizerChannelState();
    auto lk = lockState();
    Card8263 *card = state().current8263;
    return card ? card->channels[channel - 1].state : DigitizerChannelState();
}

void scheduleReadError(long block, ViStatus status)
{
    auto lk = lockState();
    state().schedule.readErrors[block] = status;
}

void scheduleStall(long block, double seconds)
{
    auto lk = lockState();
    state().schedule.stalls[block] = seconds > 0 ? seconds : 0.0;
}

void scheduleDrop(long block)
{
    auto lk = lockState();
    state().schedule.drops.insert(block);
}

void scheduleErrorBits(long block, uint16_t bits)
{
    auto lk = lockState();
    state().schedule.errorBits[block] |= bits;
}

void setClockSpeed(double factor) { simClock().setSpeed(factor); }

void setManualClock(bool manual) { simClock().setManual(manual); }

void advanceClock(double seconds)
{
    if (!(seconds > 0.0) || !std::isfinite(seconds))
        return;
    simClock().advanceNs(int64_t(std::llround(seconds * 1e9)));
    awaitDueCallbacks();
}

double now() { return simClock().nowSeconds(); }

void setIntegrityMode(bool on)
{
    auto lk = lockState();
    state().integrity = on;
}

void setIntegrityChannels(uint32_t channelMask)
{
    auto lk = lockState();
    state().integrityChannels = channelMask;
}

double integritySample(int channel, int64_t globalScan)
{
    return double(channel) * 1099511627776.0 + double(globalScan); // channel * 2^40 + scan
}

bool decodeIntegritySample(double value, int *channel, int64_t *globalScan)
{
    if (!(value >= 0.0) || value >= 17.0 * 1099511627776.0 || value != std::floor(value))
        return false;
    int64_t v = int64_t(value);
    int ch = int(v >> 40);
    if (ch < 1 || ch > kChannels)
        return false;
    if (channel)
        *channel = ch;
    if (globalScan)
        *globalScan = v & ((int64_t(1) << 40) - 1);
    return true;
}

} // namespace ovsim
