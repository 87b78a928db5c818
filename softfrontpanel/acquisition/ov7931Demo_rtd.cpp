#include "ov7931Demo_rtd.h"

#include <QMutex>
#include <QMutexLocker>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

struct RtdConstants {
    double r0;     // nominal resistance at 0 degrees Celsius, ohm
    double k;      // slope of the square-root branch
    double a[6];   // polynomial below r0: a0 .. a5
};

const RtdConstants pt100 = {100.0, -2.31012e-08, {-242.02, 2.2228, 0.0025859, -4.826e-06, -2.8183e-08, 1.5243e-10}};
const RtdConstants pt500 = {500.0,
                            -4.62024e-09,
                            {-242.5333604930339, 0.45685348454444, 1.025418109669875e-09, 3.540884167849205e-07,
                             -7.346652676997079e-10, 5.048639184819696e-13}};
const RtdConstants pt1000 = {1000.0,
                             -2.31012e-09,
                             {-242.5276870636176, 0.22839158443566, 1.31104417619929e-10, 4.455245361759586e-08,
                              -4.642611795991128e-11, 1.602550345884565e-14}};

// The tables T_rtd widens; guarded because the recording writer converts
// on a thread of its own.
QMutex rangeLock;
RtdRangeTable workingPt100 = {};
RtdRangeTable workingPt500 = {};
bool workingLoaded = false;

// Widens the four tracked entries of a range table so that t is inside.
void widen(RtdRangeTable *table, int first, double t)
{
    if (!table)
        return;
    double(*e)[2] = *table;
    if (t > e[first][1]) {
        for (int i = first; i < first + 4; ++i)
            e[i][1] = t;
    }
    if (t < e[first][0]) {
        for (int i = first; i < first + 4; ++i)
            e[i][0] = t;
    }
}

} // namespace

double rtdTemperature(int sensorCode, double R, RtdRangeTable *pt100Ranges, RtdRangeTable *pt500Ranges)
{
    const RtdConstants *c = nullptr;
    switch (sensorCode) {
    case 0:
        c = &pt100;
        break;
    case 1:
        c = &pt500;
        break;
    case 2:
        c = &pt1000;
        break;
    default:
        std::printf("%s: wrong sensor type\n", "T_rtd");
        std::fflush(stdout);
        return 0.0;
    }

    if (sensorCode == 2 && (R < 185.19 || R > 3904.815075))
        return -255.0;

    double t;
    if (R >= c->r0) {
        // A negative radicand (far above the sensor's span) gives NaN.
        t = (std::sqrt(c->k * R + 1.758480889e-05) - 0.00390833) / -1.15506e-06;
    } else {
        const double *a = c->a;
        t = a[1] * R + a[0] + a[2] * std::pow(R, 2) + a[3] * std::pow(R, 3) + a[4] * std::pow(R, 4) +
            a[5] * std::pow(R, 5);
    }

    if (sensorCode == 0 && (R < 18.57 || R > 390.4815075))
        widen(pt100Ranges, 5, t);
    else if (sensorCode == 1 && (R < 92.59 || R > 1952.4075375))
        widen(pt500Ranges, 3, t);
    return t;
}

double T_rtd(int sensorCode, double ohms)
{
    const bool outside = (sensorCode == 0 && (ohms < 18.57 || ohms > 390.4815075)) ||
                         (sensorCode == 1 && (ohms < 92.59 || ohms > 1952.4075375));
    if (!outside)
        return rtdTemperature(sensorCode, ohms, nullptr, nullptr);
    QMutexLocker locker(&rangeLock);
    return rtdTemperature(sensorCode, ohms, &workingPt100, &workingPt500);
}

void loadRtdRangeTables(const RtdRangeTable &pt100, const RtdRangeTable &pt500)
{
    QMutexLocker locker(&rangeLock);
    std::memcpy(workingPt100, pt100, sizeof workingPt100);
    std::memcpy(workingPt500, pt500, sizeof workingPt500);
    workingLoaded = true;
}

bool rtdWorkingRange(int sensorCode, int rangeIndex, double *lower, double *upper)
{
    if ((sensorCode != 0 && sensorCode != 1) || rangeIndex < 0 || rangeIndex > 8)
        return false;
    QMutexLocker locker(&rangeLock);
    if (!workingLoaded)
        return false;
    const RtdRangeTable &t = sensorCode == 0 ? workingPt100 : workingPt500;
    *lower = t[rangeIndex][0];
    *upper = t[rangeIndex][1];
    return true;
}
