// How ov7931rec record sets up a recorded channel: as the panel's channel
// panel does when its sensor is chosen (mode, range, current), with one
// difference the user can see in --help: a resistance is measured with the
// card's primary current (500uA, or 100uA on 7931-AE and 7931-BE), where the
// panel leaves the current "Off" and would record about 0 ohm. The current
// can be chosen per channel (--channel N:KIND:CURRENT) among those the
// panel offers the channel; the range then follows the current as in the
// panel (a resistance on the secondary current gets the secondary ranges).
#ifndef OV7931REC_RECCHANNELS_H
#define OV7931REC_RECCHANNELS_H

#include "ov7931Demo_applyConfig.h"

#include <string>
#include <vector>

// Every current text a 7931 offers on some channel ("Off", "500uA", "10uA",
// "1.25mA", ...), each once, from the panel's excitation lists.
std::vector<std::string> knownCurrentNames();

// The currents channel `d_ch` of a card of `subType` offers for the sensor,
// in the panel's order ("Off" first).
std::vector<std::string> offeredCurrents(int sensorType, const QString &subType, int d_ch);

// The set-up of recorded channel `d_ch`: the panel's defaults for the
// sensor with the current `current` (a name of offeredCurrents, compared
// without regard to case; "" for the default). False, with the message in
// `error`, when the channel does not offer that current.
bool recordedChannel(int d_ch, int sensorType, const std::string &current, const QString &subType,
                     ChannelSnapshot &out, std::string &error);

// "a, b or c".
std::string listOfNames(const std::vector<std::string> &names);

#endif
