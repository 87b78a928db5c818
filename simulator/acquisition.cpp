#include "acquisition.h"

#include "ov8263.h"

#include <cmath>

namespace ovsim {
namespace detail {

void startRunning(Acquisition &acq, int64_t startNs)
{
    acq.phase = Acquisition::Phase::Running;
    acq.startNs = startNs;
    acq.readPos = 0;
}

void settle(Acquisition &acq, int64_t nowNs)
{
    if (acq.phase == Acquisition::Phase::Armed && acq.startMode == ov8263_DA_START_IMM &&
        nowNs >= acq.armNs + kHwArmNs + kSyncNs)
        startRunning(acq, acq.armNs + kHwArmNs + kSyncNs);
}

int64_t scansAcquired(const Acquisition &acq, int64_t nowNs)
{
    if (acq.phase != Acquisition::Phase::Running && acq.phase != Acquisition::Phase::Stopped)
        return 0;
    int64_t end = acq.phase == Acquisition::Phase::Stopped && acq.stopNs < nowNs ? acq.stopNs : nowNs;
    if (end <= acq.startNs)
        return 0;
    // The small epsilon keeps a scan that falls exactly on a clock step from
    // being lost to rounding.
    int64_t n = int64_t(std::floor(double(end - acq.startNs) * 1e-9 * acq.frequency + 1e-6));
    if (acq.scans > 0 && n > acq.scans)
        n = acq.scans;
    return n;
}

int64_t timeOfScans(const Acquisition &acq, int64_t scans)
{
    double ns = std::ceil((double(scans) - 1e-6) * 1e9 / acq.frequency);
    return acq.startNs + int64_t(ns);
}

int16_t stateCode(const Acquisition &acq, int64_t nowNs)
{
    switch (acq.phase) {
    case Acquisition::Phase::Idle:
        return ov8263_STATE_IDLE;
    case Acquisition::Phase::Armed:
        if (nowNs < acq.armNs + kHwArmNs)
            return ov8263_STATE_HW_ARM;
        if (nowNs < acq.armNs + kHwArmNs + kSyncNs)
            return ov8263_STATE_SYNC;
        return ov8263_STATE_READY;
    case Acquisition::Phase::Running:
        if (acq.scans > 0 && scansAcquired(acq, nowNs) >= acq.scans)
            return ov8263_STATE_END;
        return ov8263_STATE_POST_TRIG;
    case Acquisition::Phase::Stopped:
        return ov8263_STATE_END;
    }
    return ov8263_STATE_IDLE;
}

int64_t backlog(const Acquisition &acq, int64_t nowNs)
{
    int64_t b = scansAcquired(acq, nowNs) - acq.readPos;
    return b > 0 ? b : 0;
}

void applyOverflow(Card8263 &card, int64_t nowNs)
{
    Acquisition &acq = card.acq;
    if (acq.channels.empty())
        return;
    int64_t capacity = card.fifoSamples / int64_t(acq.channels.size());
    if (capacity < 1)
        capacity = 1;
    int64_t acquired = scansAcquired(acq, nowNs);
    if (acquired - acq.readPos > capacity) {
        acq.errors |= ov8263_ERR_FIFO_OVERFLOW;
        acq.readPos = acquired - capacity;
    }
}

} // namespace detail
} // namespace ovsim
