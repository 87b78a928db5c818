// The channel record of the conditioning card and the rules behind it: the
// codes, the sub-type families, the range labels, the gain tables, the
// nominal excitation currents and the plot range tables. Plain code, no
// widgets (except the two selector fills at the end, which only add items).
#ifndef OV7931DEMO_CHANNELMODEL_H
#define OV7931DEMO_CHANNELMODEL_H

#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <cstdint>

class QComboBox;

// What is connected to a channel (the sensor selector's item data).
enum SensorType { SensorPT100 = 0, SensorPT500 = 1, SensorPT1000 = 2, SensorResistance = 3, SensorVoltage = 4 };

// Wiring or voltage mode (the mode selector's item data).
enum ChannelMode {
    Mode4Wire = 1,
    Mode3Wire = 2,
    Mode2Wire = 3,
    ModeDifferentialVoltage = 4,
    ModeSingleEndedVoltage = 5
};

// Excitation current choice (the excitation selector's item data, passed
// unchanged to the conditioning-card driver).
enum ExcitationCode { ExcitationOff = 0, Excitation500uA = 1, ExcitationSecondary = 2, Excitation100uA = 3 };

constexpr int kChannelCount = 16;
constexpr int kRangeSlots = 9;

// One channel's configuration as plain data.
struct ChannelConfig {
    int d_ch = 0;
    bool enabled = false;
    int sensorType = SensorPT100;
    int mode = Mode4Wire;
    int rangeIndex = 0;
    int excitCurr = ExcitationOff;
    double excitCurrPrimary = 0.0005;
    double excitCurrSecondary = 0.00001;
    int plotKind = 2;
    double plotRange[2] = {0.0, 0.0};
};

// The text used wherever degrees Celsius are named.
QString temperatureUnitText();

// Sub-type families. A: "7931-AA", "7931-AE". B/D: "7931-BA", "7931-BB",
// "7931-BE", "7931-DE". Any other text is neither; it is handled like
// "7931-BA" except that it offers only "4-Wire".
bool isAFamily(const QString &subType);
bool isBFamily(const QString &subType);

// The text of a sensor type code ("PT-100" ... "Voltage"); empty outside 0..4.
QString sensorTypeText(int sensorType);
// The plot a sensor belongs to: 0 voltage, 1 resistance, 2 temperature.
int plotKindOfSensor(int sensorType);
bool isVoltageMode(int mode);

// A selector item: its text and its item data.
struct SelectorItem {
    QString text;
    int data = 0;
    bool operator==(const SelectorItem &o) const { return text == o.text && data == o.data; }
};
using SelectorItems = QVector<SelectorItem>;

SelectorItems sensorItems();
// "4-Wire"; on B/D sub-types also "3-Wire" and "2-Wire".
SelectorItems wireModeItems(const QString &subType);
// "Differential Voltage"; unless "7931-AA" also "Single Ended Voltage".
SelectorItems voltageModeItems(const QString &subType);
// "Off", then the primary current of the sub-type.
SelectorItems rtdExcitationItems(const QString &subType);
// Resistance and Voltage: "Off", then the primary and, on 7931-BB and
// 7931-DE, the secondary current.
SelectorItems otherExcitationItems(const QString &subType, int d_ch);

// Nominal secondary current per channel (d_ch 0..15).
struct NominalCurrent {
    const char *label;
    double ampere;
};
extern const std::array<NominalCurrent, kChannelCount> nominalSecondaryCurrent;

// Gains by range slot: the digitizer's (A sub-types) and the conditioning
// card's gain code (B/D sub-types; 3 = unity gain).
extern const std::array<uint16_t, kRangeSlots> digitizerGainTable;
extern const std::array<uint16_t, kRangeSlots> conditioningGainTable;
// Full scale of each slot in ohm at 10 uA.
extern const std::array<double, kRangeSlots> secondaryCurrentOhmTable;

// The gains sent to the two cards for a range slot on a sub-type.
uint16_t digitizerGainFor(const QString &subType, bool enabled, int rangeIndex);
uint16_t conditioningGainFor(const QString &subType, int rangeIndex);

// The marker of a slot that is not offered.
QString ignoreLabel();
// The nine range labels of a sensor type on a sub-type ("Ignore" marks a slot
// not offered). Throws std::out_of_range for a sensor type outside 0..4.
QStringList rangeLabels(int sensorType, const QString &subType);
// The offered items of the range selector: labels that are not "Ignore",
// with their slot numbers. Throws like rangeLabels.
SelectorItems rangeItems(int sensorType, const QString &subType);
// The nine Resistance labels for the secondary current of a channel.
QStringList secondaryCurrentRangeLabels(const QString &subType, int d_ch);
// The single range item shown for Resistance with the current off.
SelectorItem currentOffRangeItem();

// Clear the selector and add the items (selects the first item).
void fillSelector(QComboBox *selector, const SelectorItems &items);
// Clear the selector and add the offered range labels with their slots.
// Throws like rangeLabels, before the selector is touched.
void fillRangeSelector(QComboBox *selector, int sensorType, const QString &subType);
// Clear the selector and add the nine secondary-current Resistance labels.
void fillSecondaryCurrentRanges(QComboBox *selector, const QString &subType, int d_ch);

// Plot ranges per slot; (-1, -1) marks a slot without a range.
struct PlotRange {
    double min = 0.0;
    double max = 0.0;
    bool valid() const { return !(min == -1.0 && max == -1.0); }
    bool operator==(const PlotRange &o) const { return min == o.min && max == o.max; }
};
using PlotRangeRow = std::array<PlotRange, kRangeSlots>;
struct PlotRangeTables {
    PlotRangeRow voltage{};
    PlotRangeRow resistancePrimary{};
    PlotRangeRow resistanceSecondary{};
    std::array<PlotRangeRow, 3> pt{}; // PT-100, PT-500, PT-1000
    bool hasSecondary = false;        // the group has a secondary-current table
};
// The constant tables of a sub-type's group.
const PlotRangeTables &plotRangeTable(const QString &subType);
// Load the working tables for a sub-type. The secondary table keeps its
// previous content for groups without one. Thread-safe.
void selectPlotRangeTables(const QString &subType);
// A copy of the working tables. Thread-safe.
PlotRangeTables workingPlotRangeTables();
// The working range of a channel: plot kind 0 voltage, 1 resistance
// (secondary table at excitation index 2), 2 temperature (PT table of the
// sensor). An invalid range for arguments outside the tables.
PlotRange workingPlotRange(int plotKind, int sensorType, int excitationIndex, int rangeIndex);

// Excitation state from the hardware bit and the excitation selector's
// index: 1 applied and flowing, 0 neither, -1 one without the other.
int excitationState(bool flowing, int excitationIndex);
// Whether "Test Wire" can be used: a current selected on a resistive sensor.
bool testWireAllowed(int excitationIndex, int sensorType);

#endif
