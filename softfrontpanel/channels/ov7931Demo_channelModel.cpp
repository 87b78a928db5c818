#include "ov7931Demo_channelModel.h"

#include <QComboBox>
#include <QReadWriteLock>

#include <cmath>
#include <stdexcept>

namespace {

const QString kAA = QStringLiteral("7931-AA");
const QString kAE = QStringLiteral("7931-AE");
const QString kBA = QStringLiteral("7931-BA");
const QString kBB = QStringLiteral("7931-BB");
const QString kBE = QStringLiteral("7931-BE");
const QString kDE = QStringLiteral("7931-DE");

const QChar kOhm(0x03A9);
const QChar kPlusMinus(0x00B1);

// Which label row of a sensor a sub-type uses.
enum LabelGroup { GroupAA, GroupAE, GroupBE, GroupOther };

LabelGroup labelGroup(const QString &subType)
{
    if (subType == kAA)
        return GroupAA;
    if (subType == kAE)
        return GroupAE;
    if (subType == kBE)
        return GroupBE;
    return GroupOther;
}

// Label rows as written on the cards' data sheets, without unit texts; a
// null entry is a slot not offered.
using RawRow = std::array<const char *, kRangeSlots>;

// [sensor 0..3][group]
const RawRow kRawLabels[4][4] = {
    // PT-100
    {{nullptr, nullptr, nullptr, nullptr, "< 850", "< 250", "< 0", "< -150", nullptr},
     {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "< 850", "< 265", "< 0"},
     {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "< 850", nullptr},
     {nullptr, nullptr, nullptr, nullptr, nullptr, "< 850", "< 500", "< 100", "< -80"}},
    // PT-500
    {{nullptr, nullptr, "< 850", "< 250", "< -50", "< -150", nullptr, nullptr, nullptr},
     {nullptr, nullptr, nullptr, nullptr, "< 850", "< 265", "< 0", nullptr, nullptr},
     {nullptr, nullptr, nullptr, nullptr, nullptr, "< 850", "< 500", "< 100", nullptr},
     {nullptr, nullptr, nullptr, "< 850", "< 300", "< 0", "< -110", nullptr, nullptr}},
    // PT-1000
    {{nullptr, "< 850", "< 250", "< 0", "< -150", nullptr, nullptr, nullptr, nullptr},
     {nullptr, nullptr, nullptr, "< 850", "< 265", "< 0", nullptr, nullptr, nullptr},
     {nullptr, nullptr, nullptr, nullptr, "< 850", "< 500", "< 100", "< -75", nullptr},
     {nullptr, nullptr, "< 850", "< 300", "< 0", "< -110", nullptr, nullptr, nullptr}},
    // Resistance
    {{"< 20K", nullptr, "< 2K", nullptr, nullptr, "< 200", nullptr, nullptr, "< 20"},
     {"< 100K", nullptr, "< 10K", nullptr, nullptr, "< 1K", nullptr, nullptr, "< 100"},
     {"< 100k", "< 45k", "< 22.5k", "< 11.25k", "< 5.6k", "< 2.8k", "< 1.4k", "< 700", nullptr},
     {"< 20k", "< 9k", "< 4.5k", "< 2.25k", "< 1.125k", "< 560", "< 280", "< 140", "< 70"}},
};

const RawRow kRawVoltageA = {"10V", nullptr, "1V", nullptr, nullptr, "0.1V", nullptr, nullptr, "0.01V"};
const RawRow kRawVoltageOther = {"10V", "4.5V", "2.25V", "1.12V", "0.56V", "0.28V", "0.14V", "0.07V", "0.035V"};

// ---- plot range tables --------------------------------------------------------

constexpr PlotRange kNone{-1.0, -1.0};

constexpr PlotRangeRow symmetric(double a0, double a1, double a2, double a3, double a4, double a5, double a6,
                                 double a7, double a8)
{
    return {{{-a0, a0}, {-a1, a1}, {-a2, a2}, {-a3, a3}, {-a4, a4}, {-a5, a5}, {-a6, a6}, {-a7, a7}, {-a8, a8}}};
}

constexpr PlotRangeRow fromZero(double a0, double a1, double a2, double a3, double a4, double a5, double a6,
                                double a7, double a8)
{
    return {{{0, a0}, {0, a1}, {0, a2}, {0, a3}, {0, a4}, {0, a5}, {0, a6}, {0, a7}, {0, a8}}};
}

constexpr PlotRange t(double lo, double hi) { return {lo, hi}; }

const PlotRangeRow kVoltageA = symmetric(11, 2.2, 1.1, 0.55, 0.22, 0.11, 0.055, 0.022, 0.011);
const PlotRangeRow kVoltageOther = symmetric(11, 5.5, 2.75, 1.4, 0.7, 0.32, 0.16, 0.08, 0.04);

PlotRangeTables makeAA()
{
    PlotRangeTables g;
    g.voltage = kVoltageA;
    g.resistancePrimary = fromZero(22000, 4400, 2200, 1100, 440, 220, 110, 44, 22);
    g.pt[0] = {kNone, kNone, kNone, kNone, t(-200, 1000), t(-200, 350), t(-200, 25), t(-200, -100), kNone};
    g.pt[1] = {kNone, kNone, t(-200, 1000), t(-200, 350), t(-200, 25), t(-200, -100), kNone, kNone, kNone};
    g.pt[2] = {kNone, t(-200, 1000), t(-200, 350), t(-200, 25), t(-200, -100), kNone, kNone, kNone, kNone};
    return g;
}

PlotRangeTables makeAE()
{
    PlotRangeTables g;
    g.voltage = kVoltageA;
    g.resistancePrimary = fromZero(110000, 22000, 12000, 5500, 2200, 1100, 550, 220, 110);
    g.pt[0] = {kNone, kNone, kNone, kNone, kNone, kNone, t(-200, 1000), t(-200, 350), t(-200, 25)};
    g.pt[1] = {kNone, kNone, kNone, kNone, t(-200, 1000), t(-200, 300), t(-200, 25), kNone, kNone};
    g.pt[2] = {kNone, kNone, kNone, t(-200, 1000), t(-200, 300), t(-200, 25), kNone, kNone, kNone};
    return g;
}

PlotRangeTables makeBE()
{
    PlotRangeTables g;
    g.voltage = kVoltageOther;
    g.resistancePrimary = fromZero(110000, 50000, 25000, 12000, 6000, 3000, 1500, 800, 400);
    g.pt[0] = {kNone, kNone, kNone, kNone, kNone, kNone, kNone, t(-200, 1000), kNone};
    g.pt[1] = {kNone, kNone, kNone, kNone, kNone, t(-200, 1000), t(-200, 550), t(-200, 110), kNone};
    g.pt[2] = {kNone, kNone, kNone, kNone, t(-200, 1000), t(-200, 550), t(-200, 110), t(-200, -60), kNone};
    return g;
}

PlotRangeTables makeOther()
{
    PlotRangeTables g;
    g.voltage = kVoltageOther;
    g.resistancePrimary = fromZero(22000, 11000, 5500, 2800, 1400, 640, 320, 160, 80);
    g.resistanceSecondary = fromZero(1100000, 550000, 275000, 140000, 70000, 32000, 16000, 8000, 4000);
    g.hasSecondary = true;
    g.pt[0] = {kNone, kNone, kNone, kNone, kNone, t(-200, 1000), t(-200, 620), t(-200, 150), t(-200, -50)};
    g.pt[1] = {kNone, kNone, kNone, t(-200, 1000), t(-200, 500), t(-200, 100), t(-200, -90), kNone, kNone};
    g.pt[2] = {kNone, kNone, t(-200, 1000), t(-200, 500), t(-200, 100), t(-200, -90), kNone, kNone, kNone};
    return g;
}

const PlotRangeTables kGroupAA = makeAA();
const PlotRangeTables kGroupAE = makeAE();
const PlotRangeTables kGroupBE = makeBE();
const PlotRangeTables kGroupOther = makeOther();

// The working tables, written when a channel is enabled or an acquisition
// starts, read by the waveform window's automatic scaling.
QReadWriteLock workingLock;
PlotRangeTables working;

bool validSlot(int rangeIndex) { return rangeIndex >= 0 && rangeIndex < kRangeSlots; }

} // namespace

QString temperatureUnitText() { return QString(QChar(0x00B0)) + QLatin1Char('C'); }

bool isAFamily(const QString &subType) { return subType == kAA || subType == kAE; }

bool isBFamily(const QString &subType)
{
    return subType == kBA || subType == kBB || subType == kBE || subType == kDE;
}

QString sensorTypeText(int sensorType)
{
    switch (sensorType) {
    case SensorPT100:
        return QStringLiteral("PT-100");
    case SensorPT500:
        return QStringLiteral("PT-500");
    case SensorPT1000:
        return QStringLiteral("PT-1000");
    case SensorResistance:
        return QStringLiteral("Resistance");
    case SensorVoltage:
        return QStringLiteral("Voltage");
    default:
        return QString();
    }
}

int plotKindOfSensor(int sensorType)
{
    if (sensorType == SensorVoltage)
        return 0;
    if (sensorType == SensorResistance)
        return 1;
    return 2;
}

bool isVoltageMode(int mode) { return mode == ModeDifferentialVoltage || mode == ModeSingleEndedVoltage; }

SelectorItems sensorItems()
{
    SelectorItems items;
    for (int code = SensorPT100; code <= SensorVoltage; ++code)
        items.append({sensorTypeText(code), code});
    return items;
}

SelectorItems wireModeItems(const QString &subType)
{
    SelectorItems items{{QStringLiteral("4-Wire"), Mode4Wire}};
    if (isBFamily(subType)) {
        items.append({QStringLiteral("3-Wire"), Mode3Wire});
        items.append({QStringLiteral("2-Wire"), Mode2Wire});
    }
    return items;
}

SelectorItems voltageModeItems(const QString &subType)
{
    SelectorItems items{{QStringLiteral("Differential Voltage"), ModeDifferentialVoltage}};
    if (subType != kAA)
        items.append({QStringLiteral("Single Ended Voltage"), ModeSingleEndedVoltage});
    return items;
}

SelectorItems rtdExcitationItems(const QString &subType)
{
    SelectorItems items{{QStringLiteral("Off"), ExcitationOff}};
    if (subType == kAE || subType == kBE)
        items.append({QStringLiteral("100uA"), Excitation100uA});
    else
        items.append({QStringLiteral("500uA"), Excitation500uA});
    return items;
}

SelectorItems otherExcitationItems(const QString &subType, int d_ch)
{
    SelectorItems items{{QStringLiteral("Off"), ExcitationOff}};
    if (subType == kBB) {
        items.append({QStringLiteral("500uA"), Excitation500uA});
        items.append({QStringLiteral("10uA"), ExcitationSecondary});
    } else if (subType == kDE) {
        items.append({QStringLiteral("500uA"), Excitation500uA});
        const int ch = qBound(0, d_ch, kChannelCount - 1);
        items.append({QLatin1String(nominalSecondaryCurrent[ch].label), ExcitationSecondary});
    } else if (subType == kAE || subType == kBE) {
        items.append({QStringLiteral("100uA"), Excitation100uA});
    } else {
        items.append({QStringLiteral("500uA"), Excitation500uA});
    }
    return items;
}

const std::array<NominalCurrent, kChannelCount> nominalSecondaryCurrent = {{
    {"10uA", 0.00001},  {"10uA", 0.00001},  {"10uA", 0.00001},    {"10uA", 0.00001},
    {"50uA", 0.00005},  {"50uA", 0.00005},  {"100uA", 0.0001},    {"100uA", 0.0001},
    {"250uA", 0.00025}, {"250uA", 0.00025}, {"1.25mA", 0.00125},  {"1.25mA", 0.00125},
    {"2.5mA", 0.0025},  {"2.5mA", 0.0025},  {"5mA", 0.005},       {"5mA", 0.005},
}};

const std::array<uint16_t, kRangeSlots> digitizerGainTable = {1, 5, 10, 20, 50, 100, 200, 500, 1000};
const std::array<uint16_t, kRangeSlots> conditioningGainTable = {1, 3, 4, 5, 6, 7, 8, 9, 10};
const std::array<double, kRangeSlots> secondaryCurrentOhmTable = {1000000, 450000, 225000, 112000, 56000,
                                                                  28000,   14000,  7000,   3500};

uint16_t digitizerGainFor(const QString &subType, bool enabled, int rangeIndex)
{
    if (!enabled || !isAFamily(subType))
        return 2;
    return digitizerGainTable[static_cast<size_t>(qBound(0, rangeIndex, kRangeSlots - 1))];
}

uint16_t conditioningGainFor(const QString &subType, int rangeIndex)
{
    if (isAFamily(subType))
        return 3; // unity gain: the digitizer makes the range
    return conditioningGainTable[static_cast<size_t>(qBound(0, rangeIndex, kRangeSlots - 1))];
}

QString ignoreLabel() { return QStringLiteral("Ignore"); }

QStringList rangeLabels(int sensorType, const QString &subType)
{
    if (sensorType < SensorPT100 || sensorType > SensorVoltage)
        throw std::out_of_range("sensor type outside 0..4");
    const LabelGroup group = labelGroup(subType);
    const RawRow *row = nullptr;
    if (sensorType == SensorVoltage)
        row = (group == GroupAA || group == GroupAE) ? &kRawVoltageA : &kRawVoltageOther;
    else
        row = &kRawLabels[sensorType][group];

    QStringList labels;
    for (const char *raw : *row) {
        if (!raw) {
            labels << ignoreLabel();
            continue;
        }
        const QString text = QLatin1String(raw);
        if (sensorType == SensorVoltage)
            labels << QString(kPlusMinus) + text;
        else if (sensorType == SensorResistance)
            labels << text + kOhm;
        else
            labels << text + temperatureUnitText();
    }
    return labels;
}

SelectorItems rangeItems(int sensorType, const QString &subType)
{
    const QStringList labels = rangeLabels(sensorType, subType);
    SelectorItems items;
    for (int slot = 0; slot < labels.size(); ++slot) {
        if (labels.at(slot) != ignoreLabel())
            items.append({labels.at(slot), slot});
    }
    return items;
}

QStringList secondaryCurrentRangeLabels(const QString &subType, int d_ch)
{
    const int ch = qBound(0, d_ch, kChannelCount - 1);
    QStringList labels;
    for (double ohm : secondaryCurrentOhmTable) {
        double r = ohm;
        if (subType == kDE) {
            // Scaled to the channel's own current. Rounded to a thousandth of
            // an ohm so that a quotient such as 999999.9999 still reads "1M".
            r = r * (nominalSecondaryCurrent[0].ampere / nominalSecondaryCurrent[static_cast<size_t>(ch)].ampere);
            r = std::round(r * 1000.0) / 1000.0;
        }
        QString text;
        if (r >= 1000000.0)
            text = QString::asprintf("< %.0fM", r / 1000000.0);
        else if (r >= 1000.0)
            text = QString::asprintf("< %.1fk", r / 1000.0);
        else
            text = QString::asprintf("< %.0f", r);
        labels << text + kOhm;
    }
    return labels;
}

SelectorItem currentOffRangeItem() { return {QStringLiteral("N\\A. on Current Off"), 1}; }

void fillSelector(QComboBox *selector, const SelectorItems &items)
{
    selector->clear();
    for (const SelectorItem &item : items)
        selector->addItem(item.text, item.data);
}

void fillRangeSelector(QComboBox *selector, int sensorType, const QString &subType)
{
    fillSelector(selector, rangeItems(sensorType, subType));
}

void fillSecondaryCurrentRanges(QComboBox *selector, const QString &subType, int d_ch)
{
    const QStringList labels = secondaryCurrentRangeLabels(subType, d_ch);
    SelectorItems items;
    for (int slot = 0; slot < labels.size(); ++slot)
        items.append({labels.at(slot), slot});
    fillSelector(selector, items);
}

const PlotRangeTables &plotRangeTable(const QString &subType)
{
    switch (labelGroup(subType)) {
    case GroupAA:
        return kGroupAA;
    case GroupAE:
        return kGroupAE;
    case GroupBE:
        return kGroupBE;
    default:
        return kGroupOther;
    }
}

void selectPlotRangeTables(const QString &subType)
{
    const PlotRangeTables &group = plotRangeTable(subType);
    QWriteLocker lock(&workingLock);
    working.voltage = group.voltage;
    working.resistancePrimary = group.resistancePrimary;
    if (group.hasSecondary) {
        working.resistanceSecondary = group.resistanceSecondary;
        working.hasSecondary = true;
    }
    working.pt = group.pt;
}

PlotRangeTables workingPlotRangeTables()
{
    QReadLocker lock(&workingLock);
    return working;
}

PlotRange workingPlotRange(int plotKind, int sensorType, int excitationIndex, int rangeIndex)
{
    if (!validSlot(rangeIndex))
        return kNone;
    QReadLocker lock(&workingLock);
    const size_t slot = static_cast<size_t>(rangeIndex);
    switch (plotKind) {
    case 0:
        return working.voltage[slot];
    case 1:
        return excitationIndex == 2 ? working.resistanceSecondary[slot] : working.resistancePrimary[slot];
    case 2:
        if (sensorType >= SensorPT100 && sensorType <= SensorPT1000)
            return working.pt[static_cast<size_t>(sensorType)][slot];
        return kNone;
    default:
        return kNone;
    }
}

int excitationState(bool flowing, int excitationIndex)
{
    if (flowing && excitationIndex != 0)
        return 1;
    if (!flowing && excitationIndex == 0)
        return 0;
    return -1;
}

bool testWireAllowed(int excitationIndex, int sensorType)
{
    return excitationIndex >= 1 && sensorType != SensorVoltage;
}
