// The set-up of a recorded channel (see recChannels.h), from the panel's
// own rules: its sensor defaults, its excitation lists and the range lists
// its current change brings.
#include "recChannels.h"

#include "ov7931Demo_channelModel.h"
#include "ov7931Demo_sensorDefaults.h"

#include <algorithm>
#include <cctype>

namespace {

bool sameName(const std::string &a, const QString &b)
{
    const std::string t = b.toStdString();
    return a.size() == t.size() && std::equal(a.begin(), a.end(), t.begin(), [](char x, char y) {
               return std::tolower((unsigned char)x) == std::tolower((unsigned char)y);
           });
}

// The excitation index a recorded channel gets when no current is named:
// the panel's default, but the primary current (index 1) for a resistance.
int defaultExcitationIndex(int sensorType, const SensorDefaults &d)
{
    return sensorType == SensorResistance ? 1 : d.excitationIndex;
}

// The excitation items a channel can use for the sensor: a voltage mode
// leaves the current "Off" (the panel disables the selector there).
SelectorItems usableExcitations(int sensorType, const SensorDefaults &d)
{
    return sensorType == SensorVoltage ? d.excitations.mid(0, 1) : d.excitations;
}

} // namespace

std::vector<std::string> knownCurrentNames()
{
    static const char *const subTypes[] = {"7931-AA", "7931-AE", "7931-BA", "7931-BB", "7931-BE", "7931-DE"};
    std::vector<std::string> names;
    for (const char *s : subTypes)
        for (int d_ch = 0; d_ch < kChannelCount; ++d_ch)
            for (int sensor : {int(SensorPT100), int(SensorResistance)})
                for (const std::string &n : offeredCurrents(sensor, QString::fromLatin1(s), d_ch))
                    if (std::find(names.begin(), names.end(), n) == names.end())
                        names.push_back(n);
    return names;
}

std::vector<std::string> offeredCurrents(int sensorType, const QString &subType, int d_ch)
{
    std::vector<std::string> names;
    for (const SelectorItem &item : usableExcitations(sensorType, sensorDefaults(sensorType, subType, d_ch)))
        names.push_back(item.text.toStdString());
    return names;
}

bool recordedChannel(int d_ch, int sensorType, const std::string &current, const QString &subType,
                     ChannelSnapshot &out, std::string &error)
{
    const SensorDefaults d = sensorDefaults(sensorType, subType, d_ch);
    int index = defaultExcitationIndex(sensorType, d);
    if (!current.empty()) {
        const SelectorItems usable = usableExcitations(sensorType, d);
        index = -1;
        for (int i = 0; i < usable.size(); ++i)
            if (sameName(current, usable[i].text))
                index = i;
        if (index < 0) {
            error = "channel " + std::to_string(d_ch + 1) + " of a " + subType.toStdString() + " offers the currents " +
                    listOfNames(offeredCurrents(sensorType, subType, d_ch)) + ", not \"" + current + "\"";
            return false;
        }
    }
    out = sensorDefaultSnapshot(d_ch, true, sensorType, subType);
    out.excitationIndex = index;
    out.excitCurr = d.excitations.value(index).data;
    // The panel's current change refills a resistance's ranges: one item
    // with the current off, the secondary ranges with the secondary current.
    if (sensorType == SensorResistance && index == 0)
        out.rangeIndex = currentOffRangeItem().data;
    else if (sensorType == SensorResistance && index == 2)
        out.rangeIndex = 0; // the first of the nine secondary-current ranges
    return true;
}

std::string listOfNames(const std::vector<std::string> &names)
{
    std::string text;
    for (size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    return text;
}
