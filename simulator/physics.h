// How the conditioning card and the digitizer turn a sensor into a reading:
// excitation currents, input ranges and the signal at the digitizer input.
#ifndef OVSIM_PHYSICS_H
#define OVSIM_PHYSICS_H

#include "model.h"

namespace ovsim {
namespace detail {

// Sub-type families: A ("AA", "AE") has no programmable amplifier; every other
// text, known or not, behaves like the B/D family.
bool familyA(const std::string &subType);
bool hasPga(const std::string &subType);
// Whether the sub-type offers an excitation code (1 primary 500 uA, 2 secondary, 3 primary 100 uA).
bool excitationOffered(const std::string &subType, int code);
bool modeOffered(const std::string &subType, int mode);
bool validConditioningGain(const std::string &subType, int gain);
bool validDigitizerGain(int gain);

// Nominal current of an excitation code on a channel (1..16), 0 when not offered.
double nominalCurrent(const Card7931 &card, int channel, int code);
// The current the card really delivers for a code: nominal plus the channel's deviation.
double actualCurrent(const Card7931 &card, int channel, int code);
// Whether the selected excitation current flows through the sensor.
bool currentFlows(const Card7931 &card, int channel);
// Result of the broken-wire test for wire 1..4.
int wireVerdict(const Card7931 &card, int channel, int wire);

// Full scale of a channel in volts at the card's input.
double fullScaleVolts(const Card7931 *card, const Card8263 &digitizer, int channel);

// Callendar-Van Dusen resistance of a platinum RTD.
double rtdResistance(double r0, double celsius);

// A channel's reading over time, in the unit its conversion gives:
// offset + amplitude * sin(omega * t + phase) plus noise, clipped to +-clip.
struct ChannelSignal {
    double offset = 0.0;
    double amplitude = 0.0;
    double omega = 0.0; // radian per second
    double noiseStd = 0.0;
    double clip = 0.0;
    bool outOfRange = false;
};
ChannelSignal describeChannel(const Card7931 *card, const Card8263 &digitizer, int channel);

} // namespace detail
} // namespace ovsim

#endif
