// What choosing a sensor does to a channel's other choices: the wiring or
// voltage modes offered, with the first chosen; the excitation currents
// offered, with the primary current chosen for an RTD and "Off" for
// Resistance and Voltage; the sensor's range list with its first range
// chosen; and the plot the channel belongs to. The channel panel fills its
// selectors from it when the sensor changes, and ov7931rec sets up a
// recorded channel from it, so both give a sensor the same defaults.
// Plain rules, no widgets.
#ifndef OV7931DEMO_SENSORDEFAULTS_H
#define OV7931DEMO_SENSORDEFAULTS_H

#include "ov7931Demo_applyConfig.h"
#include "ov7931Demo_channelModel.h"

struct SensorDefaults {
    SelectorItems modes;
    int modeIndex = 0;
    SelectorItems excitations;
    int excitationIndex = 0;
    SelectorItems ranges; // the first is chosen; empty for a code outside 0..4
    int plotKind = 2;
};

// The selectors' contents after choosing `sensorType` on channel `d_ch` of
// a card of sub-type `subType`.
SensorDefaults sensorDefaults(int sensorType, const QString &subType, int d_ch);

// The channel's snapshot right after choosing `sensorType`; a channel that
// is not enabled has its excitation "Off", as the enable box leaves it.
// The sensor code must be 0..4.
ChannelSnapshot sensorDefaultSnapshot(int d_ch, bool enabled, int sensorType, const QString &subType);

#endif
