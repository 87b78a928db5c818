// The Keltri 8263 digitizer driver: the acquisition. A single-shot run is a
// state machine in simulated time; continuous runs are polled or streamed
// with a callback per block.
#include "ov8263.h"

#include "card8263_common.h"
#include "clock.h"
#include "entry.h"
#include "channel_signal.h"

#include <limits>

using namespace ovsim::detail;
using namespace ovsim::detail::d8263;

namespace {

ViStatus setAcquisitionMode(ViSession vi, ViReal64 frequency, ViInt32 scans, ViUInt16 startMode)
{
    OVSIM_DIGITIZER(vi);
    Card8263 &d = *t.card;
    if (!(frequency >= d.minFrequency && frequency <= d.maxFrequency))
        return ov8263_ERROR_FREQUENCY;
    if (scans < 0 || (startMode != ov8263_DA_START_IMM && startMode != ov8263_DA_START_TRIG))
        return ov8263_ERROR_INV_PARAMETER;
    if (busy(d, simClock().nowNs()))
        return ov8263_ERROR_BUSY;
    d.acq = Acquisition();
    d.acq.configured = true;
    d.acq.frequency = frequency;
    d.acq.scans = scans;
    d.acq.startMode = startMode;
    return VI_SUCCESS;
}

ViStatus resetFifo(ViSession vi)
{
    OVSIM_DIGITIZER(vi);
    Acquisition &a = t.card->acq;
    if (a.streaming)
        return ov8263_ERROR_BUSY;
    a.readPos = scansAcquired(a, simClock().nowNs());
    a.errors = 0;
    return VI_SUCCESS;
}

// Fixes the scan list and prepares a new run; shared by arm and start.
ViStatus prepareRun(Card8263 &d, int64_t now)
{
    if (!d.acq.configured)
        return ov8263_ERROR_NOT_CONFIGURED;
    if (busy(d, now))
        return ov8263_ERROR_BUSY;
    std::vector<int> on = switchedOnChannels(d);
    if (on.empty())
        return ov8263_ERROR_NOT_CONFIGURED;
    d.acq.channels = on;
    d.acq.errors = 0;
    d.acq.readPos = 0;
    return VI_SUCCESS;
}

ViStatus armDaq(ViSession vi, ViUInt16 flags)
{
    OVSIM_DIGITIZER(vi);
    int64_t now = simClock().nowNs();
    ViStatus status = prepareRun(*t.card, now);
    if (status != VI_SUCCESS)
        return status;
    Acquisition &a = t.card->acq;
    a.phase = Acquisition::Phase::Armed;
    // Without ARM_NOWAIT the call returns with the card ready.
    a.armNs = (flags & ov8263_ARM_NOWAIT) ? now : now - kHwArmNs - kSyncNs;
    settle(a, now);
    return VI_SUCCESS;
}

ViStatus startAcquisition(ViSession vi)
{
    OVSIM_DIGITIZER(vi);
    int64_t now = simClock().nowNs();
    ViStatus status = prepareRun(*t.card, now);
    if (status != VI_SUCCESS)
        return status;
    startRunning(t.card->acq, now);
    return VI_SUCCESS;
}

ViStatus startAcquisitionEx(ViSession vi, ViInt32 scansPerBlock, ov8263_DataReadyCallback callback,
                            ViAddr userData)
{
    if (!callback)
        return ov8263_ERROR_NULL_POINTER;
    OVSIM_DIGITIZER(vi);
    Card8263 &d = *t.card;
    if (scansPerBlock <= 0)
        return ov8263_ERROR_INV_PARAMETER;
    int64_t now = simClock().nowNs();
    ViStatus status = prepareRun(d, now);
    if (status != VI_SUCCESS)
        return status;
    if (int64_t(scansPerBlock) * int64_t(d.acq.channels.size()) > d.fifoSamples)
        return ov8263_ERROR_INV_PARAMETER; // a block must fit in the FIFO
    // Streaming runs until stopped, whatever scan count the mode gave.
    d.acq.scans = 0;
    d.acq.streaming = true;
    startRunning(d.acq, now);
    auto s = std::make_shared<Stream>();
    s->vi = vi;
    s->callback = callback;
    s->userData = userData;
    s->scansPerBlock = scansPerBlock;
    s->carrier = t.session->carrier;
    s->card = &d;
    d.stream = s;
    launchStream(s);
    return VI_SUCCESS;
}

ViStatus checkAcquisition(ViSession vi, ViPInt16 stateOut, ViPUInt16 errors, ViPInt32 scanBacklog)
{
    if (!stateOut || !errors || !scanBacklog)
        return ov8263_ERROR_NULL_POINTER;
    OVSIM_DIGITIZER(vi);
    Card8263 &d = *t.card;
    int64_t now = simClock().nowNs();
    settle(d.acq, now);
    applyOverflow(d, now);
    *stateOut = stateCode(d.acq, now);
    uint16_t bits = d.acq.errors;
    bool acquiring = d.acq.phase == Acquisition::Phase::Running || d.acq.phase == Acquisition::Phase::Stopped;
    if (acquiring && anyOutOfRange(conditioningOf(*t.session), d, d.acq.channels))
        bits |= ov8263_ERR_OUT_OF_RANGE;
    *errors = bits;
    int64_t b = backlog(d.acq, now);
    *scanBacklog = ViInt32(b > std::numeric_limits<ViInt32>::max() ? std::numeric_limits<ViInt32>::max() : b);
    return VI_SUCCESS;
}

// Ends the run; a stream stops. With `keepScans` (stopAcquisition) what was
// acquired stays readable; otherwise (stopDAQ) the card goes back to idle and
// drops it.
ViStatus endRun(ViSession vi, bool keepScans)
{
    Streams streams;
    {
        OVSIM_DIGITIZER(vi);
        Acquisition &a = t.card->acq;
        int64_t now = simClock().nowNs();
        settle(a, now);
        takeStream(*t.card, &streams);
        if (!keepScans || a.phase == Acquisition::Phase::Armed) {
            a.phase = Acquisition::Phase::Idle;
        } else if (a.phase == Acquisition::Phase::Running) {
            a.phase = Acquisition::Phase::Stopped;
            a.stopNs = now;
        }
        if (!keepScans) {
            a.readPos = 0;
            a.errors = 0;
        }
    }
    stopStreams(streams);
    return VI_SUCCESS;
}

ViStatus readAcquisition(ViSession vi, ViInt32 scans, ViUInt16 grouping, ViPReal64 timestamps, ViPInt32 scansRead,
                         ViReal64 data[])
{
    if (!scansRead || !data)
        return ov8263_ERROR_NULL_POINTER;
    OVSIM_DIGITIZER(vi);
    State &st = state();
    if (scans <= 0 || grouping != ov8263_GROUP_BY_CHANNEL)
        return ov8263_ERROR_INV_PARAMETER;
    Card8263 &d = *t.card;
    Acquisition &a = d.acq;
    if (a.phase != Acquisition::Phase::Running && a.phase != Acquisition::Phase::Stopped)
        return ov8263_ERROR_NOT_RUNNING;
    int64_t now = simClock().nowNs();
    applyOverflow(d, now);
    int64_t n = backlog(a, now);
    if (n > scans)
        n = scans;
    // Blocks are counted in the reader's block size (the stream's, when streaming).
    int64_t blockSize = d.stream ? d.stream->scansPerBlock : scans;
    auto err = st.schedule.readErrors.find(long(a.readPos / blockSize));
    if (err != st.schedule.readErrors.end() && n > 0) {
        ViStatus status = err->second;
        st.schedule.readErrors.erase(err);
        a.readPos += n; // the block is lost
        return status;
    }
    generateScans(conditioningOf(*t.session), d, a.channels, a.frequency, a.readPos, int32_t(n), data, timestamps,
                  st.integrity || d.sequenceData, st.integrity ? st.integrityChannels : 0xFFFFu);
    a.readPos += n;
    *scansRead = ViInt32(n);
    return n < scans ? ov8263_WARN_NOT_ALL_READ : VI_SUCCESS;
}

ViStatus generateItri(ViSession vi, ViUInt16 mode)
{
    OVSIM_DIGITIZER(vi);
    if (mode != ov8263_PULSE)
        return ov8263_ERROR_INV_PARAMETER;
    Acquisition &a = t.card->acq;
    int64_t now = simClock().nowNs();
    // A pulse starts an armed run that waits for its trigger; otherwise it is ignored.
    if (a.phase == Acquisition::Phase::Armed && a.startMode == ov8263_DA_START_TRIG &&
        stateCode(a, now) == ov8263_STATE_READY)
        startRunning(a, now);
    return VI_SUCCESS;
}

} // namespace

extern "C" {

ViStatus ov8263_setAcquisitionMode(ViSession vi, ViReal64 frequency, ViInt32 scans, ViUInt16 startMode,
                                   ViUInt16 stopMode)
{
    OVSIM_ENTRY("ov8263_setAcquisitionMode", ArgList().u(vi).d(frequency).i(scans).u(startMode).u(stopMode));
    return entry.finish(setAcquisitionMode(vi, frequency, scans, startMode));
}

ViStatus ov8263_startAcquisitionEx(ViSession vi, ViInt32 scansPerBlock, ov8263_DataReadyCallback callback,
                                   ViAddr userData)
{
    OVSIM_ENTRY("ov8263_startAcquisitionEx",
                ArgList().u(vi).i(scansPerBlock).fn(reinterpret_cast<const void *>(callback)).p(userData));
    return entry.finish(startAcquisitionEx(vi, scansPerBlock, callback, userData));
}

ViStatus ov8263_resetFIFO(ViSession vi)
{
    OVSIM_ENTRY("ov8263_resetFIFO", ArgList().u(vi));
    return entry.finish(resetFifo(vi));
}

ViStatus ov8263_armDAQ(ViSession vi, ViUInt16 flags)
{
    OVSIM_ENTRY("ov8263_armDAQ", ArgList().u(vi).u(flags));
    return entry.finish(armDaq(vi, flags));
}

ViStatus ov8263_checkAcquisition(ViSession vi, ViPInt16 stateOut, ViPUInt16 errors, ViPInt32 scanBacklog)
{
    OVSIM_ENTRY("ov8263_checkAcquisition", ArgList().u(vi).p(stateOut).p(errors).p(scanBacklog));
    return entry.finish(checkAcquisition(vi, stateOut, errors, scanBacklog));
}

ViStatus ov8263_startAcquisition(ViSession vi)
{
    OVSIM_ENTRY("ov8263_startAcquisition", ArgList().u(vi));
    return entry.finish(startAcquisition(vi));
}

ViStatus ov8263_stopAcquisition(ViSession vi)
{
    OVSIM_ENTRY("ov8263_stopAcquisition", ArgList().u(vi));
    return entry.finish(endRun(vi, true));
}

ViStatus ov8263_stopDAQ(ViSession vi)
{
    OVSIM_ENTRY("ov8263_stopDAQ", ArgList().u(vi));
    return entry.finish(endRun(vi, false));
}

ViStatus ov8263_readAcquisition(ViSession vi, ViInt32 scans, ViUInt16 grouping, ViPReal64 timestamps,
                                ViPInt32 scansRead, ViReal64 data[])
{
    OVSIM_ENTRY("ov8263_readAcquisition", ArgList().u(vi).i(scans).u(grouping).p(timestamps).p(scansRead).p(data));
    return entry.finish(readAcquisition(vi, scans, grouping, timestamps, scansRead, data));
}

ViStatus ov8263_generateITRI(ViSession vi, ViUInt16 mode)
{
    OVSIM_ENTRY("ov8263_generateITRI", ArgList().u(vi).u(mode));
    return entry.finish(generateItri(vi, mode));
}

} // extern "C"
