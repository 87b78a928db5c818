#include "ov7931Demo_samplingRates.h"

#include <cmath>

const std::array<int, 17> &samplingRates()
{
    static const std::array<int, 17> rates = {1,    2,    5,    10,    20,    50,    100,   200,  500,
                                              1000, 2000, 5000, 10000, 20000, 30000, 40000, 50000};
    return rates;
}

SamplingRateList buildSamplingRateList(bool limited, double lowest, double highest)
{
    SamplingRateList list;
    for (int rate : samplingRates()) {
        if (limited) {
            if (rate < lowest)
                continue;
            if (rate > highest)
                break;
        }
        SamplingRateItem item;
        item.rate = rate;
        item.label = rate < 1000 ? QStringLiteral("%1 Hz").arg(rate) : QStringLiteral("%1 kHz").arg(rate / 1000);
        list.items.append(item);
    }
    for (int i = 0; i < list.items.size(); ++i) {
        if (std::fabs(list.items[i].rate - 1000.0) <= 1.0) {
            list.current = i;
            break;
        }
    }
    if (list.current < 0 && !list.items.isEmpty())
        list.current = 0;
    return list;
}
