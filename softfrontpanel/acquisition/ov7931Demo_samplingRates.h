// The sampling rates the panel offers: a fixed series of 17 rates, cut to
// the digitizer's frequency limits when a card is connected.
#ifndef OV7931DEMO_SAMPLINGRATES_H
#define OV7931DEMO_SAMPLINGRATES_H

#include <QString>
#include <QVector>

#include <array>

struct SamplingRateItem {
    QString label; // "%d Hz" below 1000 Hz, else "%d kHz"
    double rate = 0.0;
};

struct SamplingRateList {
    QVector<SamplingRateItem> items;
    int current = -1; // the "1 kHz" item, else the first; -1 when the list is empty
};

// The 17 rates in Hz, ascending: 1, 2, 5 ... 50000.
const std::array<int, 17> &samplingRates();

// All 17 rates when `limited` is false (demo mode). Otherwise a rate below
// `lowest` is skipped and the first rate above `highest` ends the list.
SamplingRateList buildSamplingRateList(bool limited, double lowest, double highest);

#endif
