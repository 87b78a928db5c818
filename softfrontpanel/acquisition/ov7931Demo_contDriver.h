// The continuous core's reach into the digitizer driver as guarded calls
// (under hardwareLock, traced like every other driver call), and its RTD
// conversion: what the panel's continuous run and ov7931rec record hand to
// the core, so that both read, explain and convert alike.
#ifndef OV7931DEMO_CONTDRIVER_H
#define OV7931DEMO_CONTDRIVER_H

#include "contParams.h"

// Sets the block read, the error text look-up and the temperature
// conversion of `p`.
void useGuardedDriver(contParams_t &p);

#endif
