// The digitizer's acquisition run in simulated time: arming, the trigger,
// the scans taken so far, the backlog and FIFO overflow.
#ifndef OVSIM_ACQUISITION_H
#define OVSIM_ACQUISITION_H

#include "model.h"

namespace ovsim {
namespace detail {

// After armDAQ the card spends this long in "HW Arm", then in "Sync", and
// is "Ready" afterwards.
constexpr int64_t kHwArmNs = 2000000;
constexpr int64_t kSyncNs = 3000000;

// Moves an armed run with immediate start into its running phase once it is ready.
void settle(Acquisition &acq, int64_t nowNs);
void startRunning(Acquisition &acq, int64_t startNs);
// Scans acquired since the run started (bounded by a finite scan count).
int64_t scansAcquired(const Acquisition &acq, int64_t nowNs);
// The simulated time at which the run has acquired `scans` scans.
int64_t timeOfScans(const Acquisition &acq, int64_t scans);
// State code as ov8263_checkAcquisition reports it.
int16_t stateCode(const Acquisition &acq, int64_t nowNs);
// Scans acquired and not yet read.
int64_t backlog(const Acquisition &acq, int64_t nowNs);
// Drops the oldest scans when the backlog no longer fits in the FIFO and
// raises the overflow bit.
void applyOverflow(Card8263 &card, int64_t nowNs);

} // namespace detail
} // namespace ovsim

#endif
