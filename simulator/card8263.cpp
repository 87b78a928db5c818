// The Keltri 8263 digitizer driver: sessions, identity, channel set-up and
// calibration. The acquisition is in daq8263.cpp.
#include "ov8263.h"

#include "card8263_common.h"
#include "clock.h"
#include "entry.h"
#include "messages.h"
#include "physics.h"
#include "resource_names.h"

using namespace ovsim::detail;
using namespace ovsim::detail::d8263;

namespace {

const char *const kDriverRevision = "ov8263 driver 5.1.2 (simulated)";

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
        ViStatus status = openableResource(st.scenario, name, &r);
        if (status != VI_SUCCESS)
            return status;
        if (!r->carrier)
            return ov8263_ERROR_NO_CARD;
        if (fcNumber < 1 || fcNumber > r->carrier->positions)
            return ov8263_ERROR_INV_PARAMETER;
        Card *card = r->carrier->cardAt(fcNumber);
        if (!card || !card->digitizer)
            return ov8263_ERROR_NO_CARD;
        Card8263 &d = *card->digitizer;
        if (reset) {
            takeStream(d, &streams);
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
    stopStreams(streams);
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
    stopStreams(streams);
    return VI_SUCCESS;
}

ViStatus revisionQuery(ViSession vi, ViChar driverRev[], ViChar instrRev[])
{
    auto lk = lockState();
    Target t = digitizer(vi);
    if (vi != VI_NULL && !t.card)
        return ov8263_ERROR_INV_SESSION;
    writeRevisions(kDriverRevision, t.card ? t.card->revision : std::string(), driverRev, instrRev);
    return VI_SUCCESS;
}

ViStatus setChanConfig(ViSession vi, ViUInt16 ch, ViUInt16 input, ViUInt16 gain, ViBoolean ac)
{
    OVSIM_DIGITIZER(vi);
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
    OVSIM_DIGITIZER(vi);
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

ViStatus sessionOnly(ViSession vi)
{
    OVSIM_DIGITIZER(vi);
    return VI_SUCCESS;
}

ViStatus getSubType(ViSession vi, ViChar subType[])
{
    if (!subType)
        return ov8263_ERROR_NULL_POINTER;
    OVSIM_DIGITIZER(vi);
    copyText(t.card->subType, subType, 8);
    return VI_SUCCESS;
}

ViStatus getSerNum(ViSession vi, ViPUInt32 serial)
{
    if (!serial)
        return ov8263_ERROR_NULL_POINTER;
    OVSIM_DIGITIZER(vi);
    *serial = t.card->serial;
    return VI_SUCCESS;
}

ViStatus setAtriConfig(ViSession vi, ViUInt16 channel)
{
    OVSIM_DIGITIZER(vi);
    return validChannel(channel) ? VI_SUCCESS : ov8263_ERROR_INV_CHANNEL;
}

ViStatus getFrequencyLimits(ViSession vi, ViPReal64 lowest, ViPReal64 highest)
{
    if (!lowest || !highest)
        return ov8263_ERROR_NULL_POINTER;
    OVSIM_DIGITIZER(vi);
    *lowest = t.card->minFrequency;
    *highest = t.card->maxFrequency;
    return VI_SUCCESS;
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
    return entry.finish(getSubType(vi, subType));
}

ViStatus ov8263_getSerNum(ViSession vi, ViPUInt32 serial)
{
    OVSIM_ENTRY("ov8263_getSerNum", ArgList().u(vi).p(serial));
    return entry.finish(getSerNum(vi, serial));
}

ViStatus ov8263_revision_query(ViSession vi, ViChar driverRevision[], ViChar instrRevision[])
{
    OVSIM_ENTRY("ov8263_revision_query", ArgList().u(vi).p(driverRevision).p(instrRevision));
    return entry.finish(revisionQuery(vi, driverRevision, instrRevision));
}

ViStatus ov8263_error_message(ViSession vi, ViStatus status, ViChar message[])
{
    OVSIM_ENTRY("ov8263_error_message", ArgList().u(vi).i(status).p(message));
    return entry.finish(writeStatusText(status, message, ov8263_ERROR_NULL_POINTER));
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
    return entry.finish(setAtriConfig(vi, channel));
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

ViStatus ov8263_getFrequencyLimits(ViSession vi, ViPReal64 lowest, ViPReal64 highest)
{
    OVSIM_ENTRY("ov8263_getFrequencyLimits", ArgList().u(vi).p(lowest).p(highest));
    return entry.finish(getFrequencyLimits(vi, lowest, highest));
}

} // extern "C"
