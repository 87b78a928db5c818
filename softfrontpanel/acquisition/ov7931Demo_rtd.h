// Temperature of a platinum RTD (PT-100, PT-500, PT-1000) from its measured
// resistance: the Callendar-Van Dusen relation, solved in closed form above
// 0 degrees Celsius and approximated by a fifth-order polynomial below.
#ifndef OV7931DEMO_RTD_H
#define OV7931DEMO_RTD_H

// A temperature range table: nine (lower, upper) pairs, one per range slot.
typedef double RtdRangeTable[9][2];

// Temperature in degrees Celsius of the sensor `sensorCode` (0 PT-100,
// 1 PT-500, 2 PT-1000) at `ohms`. Any other code writes
// "T_rtd: wrong sensor type" to standard output and gives 0.0. A PT-1000
// reading outside 185.19 .. 3904.815075 ohm gives -255.0. A PT-100 or PT-500
// reading outside its sensor's span widens the working temperature range
// table of that sensor (the channel model's) so that the plot can show it.
double T_rtd(int sensorCode, double ohms);

// The same with the tables to widen given explicitly (either may be null).
double rtdTemperature(int sensorCode, double ohms, RtdRangeTable *pt100Ranges, RtdRangeTable *pt500Ranges);

// The PT-100 and PT-500 temperature range tables that T_rtd widens. Every
// acquisition start loads them afresh from the channel model's working plot
// range tables, so a widening lasts for one run. Safe from any thread.
void loadRtdRangeTables(const RtdRangeTable &pt100, const RtdRangeTable &pt500);
// Range slot `rangeIndex` of the PT-100 (0) or PT-500 (1) table as T_rtd left
// it. False before the first load or for other arguments.
bool rtdWorkingRange(int sensorCode, int rangeIndex, double *lower, double *upper);

#endif
