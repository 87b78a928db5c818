// Synthetic samples of demo mode, standing in for the digitizer.
#ifndef OV7931DEMO_DEMODATA_H
#define OV7931DEMO_DEMODATA_H

// Phase of the demo sines in radians: 0 at program start, advanced by 0.05
// with every generated block, never reset.
extern double demoPhase;

// Fills one block of `scanCount` samples per enabled channel into
// `plotData`, grouped by channel in ascending channel order. The k-th enabled
// channel shows 1.2 x (k + 1) periods of a sine: around 0 V for `plotKind` 0,
// around 1000 ohm with noise for kind 1, around 100 degrees Celsius with
// noise for kind 2; another kind leaves its segment untouched. Then advances
// demoPhase. The noise comes from the C library's rand().
void generateDemoBlock(double *plotData, int scanCount, const bool enabled[16], const int plotKind[16]);

#endif
