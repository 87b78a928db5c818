#include "ov7931Demo_sensorDefaults.h"

#include <stdexcept>

SensorDefaults sensorDefaults(int sensorType, const QString &subType, int d_ch)
{
    SensorDefaults d;
    try {
        d.ranges = rangeItems(sensorType, subType);
    } catch (const std::out_of_range &) {
        // No range list for an unknown code; the other choices are an RTD's.
    }
    // Any code but Resistance and Voltage gets an RTD's choices.
    const bool rtd = sensorType != SensorResistance && sensorType != SensorVoltage;
    d.modes = sensorType == SensorVoltage ? voltageModeItems(subType) : wireModeItems(subType);
    d.excitations = rtd ? rtdExcitationItems(subType) : otherExcitationItems(subType, d_ch);
    d.excitationIndex = rtd ? 1 : 0;
    d.plotKind = plotKindOfSensor(sensorType);
    return d;
}

ChannelSnapshot sensorDefaultSnapshot(int d_ch, bool enabled, int sensorType, const QString &subType)
{
    const SensorDefaults d = sensorDefaults(sensorType, subType, d_ch);
    ChannelSnapshot s;
    s.d_ch = d_ch;
    s.enabled = enabled;
    s.sensorType = sensorType;
    s.mode = d.modes.value(d.modeIndex).data;
    s.rangeIndex = d.ranges.value(0).data;
    s.excitationIndex = enabled ? d.excitationIndex : 0;
    s.excitCurr = d.excitations.value(s.excitationIndex).data;
    s.subType = subType;
    return s;
}
