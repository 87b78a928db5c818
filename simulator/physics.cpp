#include "physics.h"

#include "ov7931.h"

#include <cmath>

namespace ovsim {
namespace detail {
namespace {

constexpr double kTwoPi = 6.283185307179586;
// The input saturates a little beyond the nominal full scale.
constexpr double kSaturation = 1.02;
// An open input floats close to full scale.
constexpr double kFloating = 0.98;
constexpr double kVoltNoise = 20e-6;

double sensorResistance(const Sensor &s)
{
    switch (s.kind) {
    case SensorKind::PT100:
        return rtdResistance(100.0, s.temperature);
    case SensorKind::PT500:
        return rtdResistance(500.0, s.temperature);
    case SensorKind::PT1000:
        return rtdResistance(1000.0, s.temperature);
    case SensorKind::Resistor:
        return s.resistance;
    default:
        return 0.0;
    }
}

// The sense wires the card uses in a wire mode (0-based wire indices).
bool senseWireBroken(const ConditioningChannel &c)
{
    int mode = c.state.mode;
    if (mode == ov7931_MODE_2_WIRE)
        return false;
    if (c.wires[3] == Wire::Broken)
        return true;
    return mode == ov7931_MODE_4_WIRE && c.wires[2] == Wire::Broken;
}

} // namespace

bool familyA(const std::string &subType) { return subType == "AA" || subType == "AE"; }
bool hasPga(const std::string &subType) { return !familyA(subType); }

bool excitationOffered(const std::string &subType, int code)
{
    switch (code) {
    case ov7931_EXC_OFF:
        return true;
    case ov7931_EXC_500UA:
        return subType != "AE" && subType != "BE";
    case ov7931_EXC_SECONDARY:
        return subType == "BB" || subType == "DE";
    case ov7931_EXC_100UA:
        return subType == "AE" || subType == "BE";
    default:
        return false;
    }
}

bool modeOffered(const std::string &subType, int mode)
{
    switch (mode) {
    case ov7931_MODE_4_WIRE:
    case ov7931_MODE_DIFF_VOLT:
        return true;
    case ov7931_MODE_3_WIRE:
    case ov7931_MODE_2_WIRE:
        return !familyA(subType);
    case ov7931_MODE_SE_VOLT:
        return subType != "AA";
    default:
        return false;
    }
}

bool validConditioningGain(const std::string &subType, int gain)
{
    if (familyA(subType))
        return gain == ov7931_GAIN_1;
    return gain == ov7931_GAIN_10V || (gain >= 3 && gain <= 10);
}

bool validDigitizerGain(int gain)
{
    switch (gain) {
    case 1: case 2: case 5: case 10: case 20: case 50: case 100: case 200: case 500: case 1000:
        return true;
    default:
        return false;
    }
}

double nominalCurrent(const Card7931 &card, int channel, int code)
{
    if (code == ov7931_EXC_OFF || !excitationOffered(card.subType, code))
        return 0.0;
    if (code == ov7931_EXC_500UA)
        return 500e-6;
    if (code == ov7931_EXC_100UA)
        return 100e-6;
    if (card.subType == "BB")
        return 10e-6;
    static const double de[8] = {10e-6, 10e-6, 50e-6, 100e-6, 250e-6, 1.25e-3, 2.5e-3, 5e-3};
    return de[(channel - 1) / 2];
}

double actualCurrent(const Card7931 &card, int channel, int code)
{
    double nominal = nominalCurrent(card, channel, code);
    if (nominal == 0.0)
        return 0.0;
    const ConditioningChannel &c = card.channels[channel - 1];
    if (c.deviationSet)
        return nominal + (code == ov7931_EXC_SECONDARY ? c.secondaryDeviation : c.primaryDeviation);
    // Each channel's source is a little off: +0.1 % per channel number.
    return nominal * (1.0 + 0.001 * channel);
}

bool currentFlows(const Card7931 &card, int channel)
{
    const ConditioningChannel &c = card.channels[channel - 1];
    if (c.state.excitation == ov7931_EXC_OFF || nominalCurrent(card, channel, c.state.excitation) == 0.0)
        return false;
    if (c.state.mode < ov7931_MODE_4_WIRE || c.state.mode > ov7931_MODE_2_WIRE)
        return false;
    if (c.sensor.kind == SensorKind::None || c.sensor.kind == SensorKind::Voltage)
        return false;
    return c.wires[0] != Wire::Broken && c.wires[1] != Wire::Broken;
}

int wireVerdict(const Card7931 &card, int channel, int wire)
{
    const ConditioningChannel &c = card.channels[channel - 1];
    if (c.sensor.kind == SensorKind::None || c.sensor.kind == SensorKind::Voltage) {
        // Nothing closes the current loop; the sense wires cannot be judged.
        return wire <= 2 ? ov7931_WIRE_BROKEN : ov7931_WIRE_UNKNOWN;
    }
    // A load above 40 kilo-ohm cannot be told from an open sense wire.
    if (wire == 3 && c.sensor.kind == SensorKind::Resistor && c.sensor.resistance > 40000.0)
        return ov7931_WIRE_BROKEN;
    switch (c.wires[wire - 1]) {
    case Wire::Intact:
        return ov7931_WIRE_OK;
    case Wire::Broken:
        return ov7931_WIRE_BROKEN;
    case Wire::Unknown:
        return ov7931_WIRE_UNKNOWN;
    case Wire::MaybeBroken:
        return ov7931_WIRE_MAYBE_BROKEN;
    }
    return ov7931_WIRE_UNKNOWN;
}

double fullScaleVolts(const Card7931 *card, const Card8263 &digitizer, int channel)
{
    if (card && !familyA(card->subType)) {
        int gain = card->channels[channel - 1].state.gain;
        if (gain == ov7931_GAIN_10V)
            return 10.0;
        int steps = gain >= 3 ? gain - 3 : 0;
        return 4.5 / double(1 << steps);
    }
    int g = digitizer.channels[channel - 1].state.gain;
    return 10.0 / double(g > 0 ? g : 1);
}

double rtdResistance(double r0, double t)
{
    const double a = 3.9083e-3, b = -5.775e-7, c = -4.183e-12;
    double r = r0 * (1.0 + a * t + b * t * t);
    if (t < 0.0)
        r += r0 * c * (t - 100.0) * t * t * t;
    return r;
}

ChannelSignal describeChannel(const Card7931 *card, const Card8263 &digitizer, int channel)
{
    ChannelSignal sig;
    double fs = fullScaleVolts(card, digitizer, channel);
    double volts = 0.0, amplitude = 0.0, omega = 0.0;
    double divisor = 0.0; // ampere for the ohm conversion; 0: the reading is in volts
    double ohms = 0.0;    // the resistance seen, for the noise of an ohm reading
    if (card) {
        const ConditioningChannel &c = card->channels[channel - 1];
        const Sensor &s = c.sensor;
        int code = c.state.excitation;
        bool wireMode = c.state.mode >= ov7931_MODE_4_WIRE && c.state.mode <= ov7931_MODE_2_WIRE;
        bool selected = code != ov7931_EXC_OFF && nominalCurrent(*card, channel, code) > 0.0;
        if (s.kind == SensorKind::Voltage) {
            volts = s.dcLevel;
            amplitude = s.amplitude;
            omega = kTwoPi * s.frequency;
        } else if (s.kind == SensorKind::None) {
            volts = (wireMode && selected ? kSaturation : kFloating) * fs;
        } else if (wireMode) {
            if (currentFlows(*card, channel)) {
                ohms = sensorResistance(s);
                volts = senseWireBroken(c) ? kSaturation * fs : ohms * actualCurrent(*card, channel, code);
            } else if (selected) {
                volts = kSaturation * fs; // the current source runs into its compliance limit
            }
        }
        if (c.state.conversion == ov7931_OUT_UNIT_RES) {
            int primary = (card->subType == "AE" || card->subType == "BE") ? ov7931_EXC_100UA : ov7931_EXC_500UA;
            divisor = selected ? actualCurrent(*card, channel, code) : nominalCurrent(*card, channel, primary);
            if (divisor <= 0.0)
                divisor = 500e-6;
        }
        if (s.noise >= 0.0) {
            sig.noiseStd = s.noise;
        } else if (divisor > 0.0) {
            sig.noiseStd = 2e-5 * (ohms > 0 ? ohms : std::fabs(volts) / divisor) + 1e-3;
        } else {
            sig.noiseStd = kVoltNoise;
        }
    } else {
        sig.noiseStd = kVoltNoise;
    }
    sig.outOfRange = std::fabs(volts) + std::fabs(amplitude) > fs;
    double scale = divisor > 0.0 ? 1.0 / divisor : 1.0;
    sig.offset = volts * scale;
    sig.amplitude = amplitude * scale;
    sig.omega = omega;
    sig.clip = kSaturation * fs * scale;
    return sig;
}

} // namespace detail
} // namespace ovsim
