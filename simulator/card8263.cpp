// The Keltri 8263 digitizer driver: sessions, channel set-up and the
// acquisition (single-shot state machine, polled reads and streaming).
#include "ov8263.h"

#include "acquisition.h"
#include "clock.h"
#include "entry.h"
#include "messages.h"
#include "physics.h"
#include "resource_names.h"
#include "signal.h"
#include "state.h"
#include "stream.h"

#include <cstring>
#include <limits>

using namespace ovsim::detail;

namespace {

using Streams = std::vector<std::shared_ptr<Stream>>;

const char *const kDriverRevision = "ov8263 driver 5.1.2 (simulated)";

struct Target {
    Session *session = nullptr;
    Card8263 *card = nullptr;
};

Target digitizer(ViSession vi)
{
    Target t;
    t.session = findSession(state(), vi, Session::Kind::Digitizer);
    if (t.session)
        t.card = t.session->digitizer;
    return t;
}

bool validChannel(ViUInt16 ch) { return ch >= 1 && ch <= kChannels; }

// The conditioning card whose outputs this digitizer samples.
const Card7931 *conditioningOf(const Session &s) { return s.carrier ? s.carrier->firstConditioning() : nullptr; }

std::vector<int> switchedOnChannels(const Card8263 &card)
{
    std::vector<int> on;
    for (int ch = 1; ch <= kChannels; ++ch)
        if (card.channels[ch - 1].state.on)
            on.push_back(ch);
    return on;
}

// A run that is armed, or acquiring and not yet complete, or streaming.
bool busy(const Card8263 &card, int64_t now)
{
    const Acquisition &a = card.acq;
    if (a.streaming || a.phase == Acquisition::Phase::Armed)
        return true;
    return a.phase == Acquisition::Phase::Running && stateCode(a, now) != ov8263_STATE_END;
}

// Ends whatever runs on the card; a stream is handed to the caller to stop.
void abortRun(Card8263 &card, Streams *streams)
{
    if (card.stream)
        streams->push_back(std::move(card.stream));
    card.stream.reset();
    card.acq.streaming = false;
}

void stopAll(Streams &streams)
{
    for (auto &s : streams)
        stopStream(s);
}

ViStatus paramInit(ViConstRsrc descriptor, ViUInt16 fcNumber, ViUInt16 reset, ViPSession vi)
{
    if (!descriptor || !vi)
        return ov8263_ERROR_NULL_POINTER;
    // The panel may join several descriptors with ","; this driver opens the first.
    std::string name = descriptor;
    name = name.substr(0, name.find(','));
    Streams streams;
    {
        auto lk = lockState();
        State &st = state();
        const Resource *r = nullptr;
        ViStatus status = lookUpResource(st.scenario, name, &r);
        if (status != VI_SUCCESS)
            return status;
        if (r->refuseStatus != 0)
            return r->refuseStatus;
        if (!r->carrier)
            return ov8263_ERROR_NO_CARD;
        if (fcNumber < 1 || fcNumber > r->carrier->positions)
            return ov8263_ERROR_INV_PARAMETER;
        Card *card = r->carrier->cardAt(fcNumber);
        if (!card || !card->digitizer)
            return ov8263_ERROR_NO_CARD;
        Card8263 &d = *card->digitizer;
        if (reset) {
            abortRun(d, &streams);
            d.acq = Acquisition();
            d.resetChannels();
        }
        Session s;
        s.kind = Session::Kind::Digitizer;
        s.carrier = r->carrier;
        s.resource = r->name;
        s.digitizer = &d;
        *vi = addSession(st, std::move(s));
        st.current8263 = &d;
    }
    stopAll(streams);
    return VI_SUCCESS;
}

ViStatus closeSession(ViSession vi)
{
    Streams streams;
    {
        auto lk = lockState();
        if (!digitizer(vi).card)
            return ov8263_ERROR_INV_SESSION;
        removeSession(state(), vi, &streams);
    }
    stopAll(streams);
    return VI_SUCCESS;
}

ViStatus revisionQuery(ViSession vi, ViChar driverRev[], ViChar instrRev[])
{
    auto lk = lockState();
    if (vi == VI_NULL) {
        if (driverRev)
            copyText(kDriverRevision, driverRev, 256);
        if (instrRev)
            instrRev[0] = '\0';
        return VI_SUCCESS;
    }
    Target t = digitizer(vi);
    if (!t.card)
        return ov8263_ERROR_INV_SESSION;
    if (driverRev)
        copyText(kDriverRevision, driverRev, 256);
    if (instrRev)
        copyText(t.card->revision, instrRev, 256);
    return VI_SUCCESS;
}

ViStatus setChanConfig(ViSession vi, ViUInt16 ch, ViUInt16 input, ViUInt16 gain, ViBoolean ac)
{
    auto lk = lockState();
    Target t = digitizer(vi);
    if (!t.card)
        return ov8263_ERROR_INV_SESSION;
    if (!validChannel(ch))
        return ov8263_ERROR_INV_CHANNEL;
    if ((input != ov8263_CH_OFF && input != ov8263_CH_FP) || !validDigitizerGain(gain) || ac > 1)
        return ov8263_ERROR_INV_PARAMETER;
    ovsim::DigitizerChannelState &c = t.card->channels[ch - 1].state;
    c.on = input == ov8263_CH_FP;
    c.gain = gain;
    return VI_SUCCESS;
}

ViStatus calibrateChannels(ViSession vi, ViUInt16 mask, ViUInt16 gain, ViPReal64 offsets, ViPReal64 gains)
{
    auto lk = lockState();
    Target t = digitizer(vi);
    if (!t.card)
        return ov8263_ERROR_INV_SESSION;
    if (mask == 0 || !validDigitizerGain(gain))
        return ov8263_ERROR_INV_PARAMETER;
    if (busy(*t.card, simClock().nowNs()))
        return ov8263_ERROR_BUSY;
    // One result per channel of the mask, in channel order.
    int k = 0;
    for (int ch = 1; ch <= kChannels; ++ch) {
        if (!(mask & (1u << (ch - 1))))
            continue;
        if (offsets)
            offsets[k] = 1e-5 * ch;
        if (gains)
            gains[k] = 1.0 + 1e-4 * ch;
        ++k;
    }
    return VI_SUCCESS;
}

ViStatus setAcquisitionMode(ViSession vi, ViReal64 frequency, ViInt32 scans, ViUInt16 startMode)
{
    auto lk = lockState();
    Target t = digitizer(vi);
    if (!t.card)
        return ov8263_ERROR_INV_SESSION;
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
    auto lk = lockState();
    Target t = digitizer(vi);
    if (!t.card)
        return ov8263_ERROR_INV_SESSION;
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
    auto lk = lockState();
    Target t = digitizer(vi);
    if (!t.card)
        return ov8263_ERROR_INV_SESSION;
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
    auto lk = lockState();
    Target t = digitizer(vi);
    if (!t.card)
        return ov8263_ERROR_INV_SESSION;
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
    auto lk = lockState();
    Target t = digitizer(vi);
    if (!t.card)
        return ov8263_ERROR_INV_SESSION;
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
    auto lk = lockState();
    Target t = digitizer(vi);
    if (!t.card)
        return ov8263_ERROR_INV_SESSION;
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

ViStatus stopAcquisition(ViSession vi)
{
    Streams streams;
    {
        auto lk = lockState();
        Target t = digitizer(vi);
        if (!t.card)
            return ov8263_ERROR_INV_SESSION;
        Acquisition &a = t.card->acq;
        int64_t now = simClock().nowNs();
        settle(a, now);
        abortRun(*t.card, &streams);
        if (a.phase == Acquisition::Phase::Armed) {
            a.phase = Acquisition::Phase::Idle;
        } else if (a.phase == Acquisition::Phase::Running) {
            // What was acquired stays readable.
            a.phase = Acquisition::Phase::Stopped;
            a.stopNs = now;
        }
    }
    stopAll(streams);
    return VI_SUCCESS;
}

ViStatus stopDaq(ViSession vi)
{
    Streams streams;
    {
        auto lk = lockState();
        Target t = digitizer(vi);
        if (!t.card)
            return ov8263_ERROR_INV_SESSION;
        abortRun(*t.card, &streams);
        Acquisition &a = t.card->acq;
        a.phase = Acquisition::Phase::Idle;
        a.readPos = 0;
        a.errors = 0;
    }
    stopAll(streams);
    return VI_SUCCESS;
}

ViStatus readAcquisition(ViSession vi, ViInt32 scans, ViUInt16 grouping, ViPReal64 timestamps, ViPInt32 scansRead,
                         ViReal64 data[])
{
    if (!scansRead || !data)
        return ov8263_ERROR_NULL_POINTER;
    auto lk = lockState();
    State &st = state();
    Target t = digitizer(vi);
    if (!t.card)
        return ov8263_ERROR_INV_SESSION;
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
                  st.integrity);
    a.readPos += n;
    *scansRead = ViInt32(n);
    return n < scans ? ov8263_WARN_NOT_ALL_READ : VI_SUCCESS;
}

ViStatus generateItri(ViSession vi, ViUInt16 mode)
{
    auto lk = lockState();
    Target t = digitizer(vi);
    if (!t.card)
        return ov8263_ERROR_INV_SESSION;
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

ViStatus sessionOnly(ViSession vi)
{
    auto lk = lockState();
    return digitizer(vi).card ? VI_SUCCESS : ov8263_ERROR_INV_SESSION;
}

} // namespace

extern "C" {

ViStatus ov8263_paramInit(ViConstRsrc descriptor, ViUInt16 fcNumber, ViUInt16 idQuery, ViUInt16 reset, ViPSession vi)
{
    OVSIM_ENTRY("ov8263_paramInit", ArgList().s(descriptor).u(fcNumber).u(idQuery).u(reset).p(vi));
    return entry.finish(paramInit(descriptor, fcNumber, reset, vi));
}

ViStatus ov8263_close(ViSession vi)
{
    OVSIM_ENTRY("ov8263_close", ArgList().u(vi));
    return entry.finish(closeSession(vi));
}

ViStatus ov8263_getSubType(ViSession vi, ViChar subType[])
{
    OVSIM_ENTRY("ov8263_getSubType", ArgList().u(vi).p(subType));
    if (!subType)
        return entry.finish(ov8263_ERROR_NULL_POINTER);
    auto lk = lockState();
    Target t = digitizer(vi);
    if (!t.card)
        return entry.finish(ov8263_ERROR_INV_SESSION);
    copyText(t.card->subType, subType, 8);
    return entry.finish(VI_SUCCESS);
}

ViStatus ov8263_getSerNum(ViSession vi, ViPUInt32 serial)
{
    OVSIM_ENTRY("ov8263_getSerNum", ArgList().u(vi).p(serial));
    if (!serial)
        return entry.finish(ov8263_ERROR_NULL_POINTER);
    auto lk = lockState();
    Target t = digitizer(vi);
    if (!t.card)
        return entry.finish(ov8263_ERROR_INV_SESSION);
    *serial = t.card->serial;
    return entry.finish(VI_SUCCESS);
}

ViStatus ov8263_revision_query(ViSession vi, ViChar driverRevision[], ViChar instrRevision[])
{
    OVSIM_ENTRY("ov8263_revision_query", ArgList().u(vi).p(driverRevision).p(instrRevision));
    return entry.finish(revisionQuery(vi, driverRevision, instrRevision));
}

ViStatus ov8263_error_message(ViSession vi, ViStatus status, ViChar message[])
{
    OVSIM_ENTRY("ov8263_error_message", ArgList().u(vi).i(status).p(message));
    if (!message)
        return entry.finish(ov8263_ERROR_NULL_POINTER);
    writeStatusText(status, message);
    return entry.finish(VI_SUCCESS);
}

ViStatus ov8263_setChanConfig(ViSession vi, ViUInt16 channel, ViUInt16 input, ViUInt16 gain, ViBoolean acCoupling)
{
    OVSIM_ENTRY("ov8263_setChanConfig", ArgList().u(vi).u(channel).u(input).u(gain).u(acCoupling));
    return entry.finish(setChanConfig(vi, channel, input, gain, acCoupling));
}

ViStatus ov8263_setATRIConfig(ViSession vi, ViUInt16 channel, ViUInt16 mode, ViUInt16 slope, ViReal64 levelHigh,
                              ViReal64 levelLow, ViUInt16 hysteresis)
{
    OVSIM_ENTRY("ov8263_setATRIConfig",
                ArgList().u(vi).u(channel).u(mode).u(slope).d(levelHigh).d(levelLow).u(hysteresis));
    auto lk = lockState();
    if (!digitizer(vi).card)
        return entry.finish(ov8263_ERROR_INV_SESSION);
    return entry.finish(validChannel(channel) ? VI_SUCCESS : ov8263_ERROR_INV_CHANNEL);
}

ViStatus ov8263_calibrateChannels(ViSession vi, ViUInt16 channelMask, ViUInt16 gain, ViUInt16 flags,
                                  ViPReal64 offsets, ViPReal64 gains)
{
    OVSIM_ENTRY("ov8263_calibrateChannels", ArgList().u(vi).u(channelMask).u(gain).u(flags).p(offsets).p(gains));
    return entry.finish(calibrateChannels(vi, channelMask, gain, offsets, gains));
}

ViStatus ov8263_setTrigConfig(ViSession vi, ViUInt16 source, ViUInt16 slope)
{
    OVSIM_ENTRY("ov8263_setTrigConfig", ArgList().u(vi).u(source).u(slope));
    return entry.finish(sessionOnly(vi));
}

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
    return entry.finish(stopAcquisition(vi));
}

ViStatus ov8263_stopDAQ(ViSession vi)
{
    OVSIM_ENTRY("ov8263_stopDAQ", ArgList().u(vi));
    return entry.finish(stopDaq(vi));
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

ViStatus ov8263_getFrequencyLimits(ViSession vi, ViPReal64 lowest, ViPReal64 highest)
{
    OVSIM_ENTRY("ov8263_getFrequencyLimits", ArgList().u(vi).p(lowest).p(highest));
    if (!lowest || !highest)
        return entry.finish(ov8263_ERROR_NULL_POINTER);
    auto lk = lockState();
    Target t = digitizer(vi);
    if (!t.card)
        return entry.finish(ov8263_ERROR_INV_SESSION);
    *lowest = t.card->minFrequency;
    *highest = t.card->maxFrequency;
    return entry.finish(VI_SUCCESS);
}

} // extern "C"
