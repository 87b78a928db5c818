// The Keltri 7931 conditioning card driver, opened through a digitizer session.
#include "ov7931.h"

#include "entry.h"
#include "messages.h"
#include "ov8263.h"
#include "physics.h"
#include "state.h"

using namespace ovsim::detail;

namespace {

const char *const kDriverRevision = "ov7931 driver 3.0.4 (simulated)";

Card7931 *conditioning(ViSession vi)
{
    Session *s = findSession(state(), vi, Session::Kind::Conditioning);
    return s ? s->conditioning : nullptr;
}

bool validChannel(ViUInt16 ch) { return ch >= 1 && ch <= kChannels; }

// The frames shared by the calls on a conditioning session: the state lock
// and the session check, and for the per-channel calls the channel check.
#define OVSIM_CARD(vi)                                                                                                 \
    auto lk = lockState();                                                                                             \
    Card7931 *card = conditioning(vi);                                                                                 \
    if (!card)                                                                                                         \
        return ov7931_ERROR_INV_SESSION;
#define OVSIM_CHANNEL_CARD(vi, ch)                                                                                     \
    OVSIM_CARD(vi)                                                                                                     \
    if (!validChannel(ch))                                                                                             \
        return ov7931_ERROR_INV_CHANNEL;                                                                               \
    ConditioningChannel &chan = card->channels[(ch)-1];                                                                \
    (void)chan;

ViStatus init(ViSession fcVi, ViBoolean reset, ViPSession vi)
{
    if (!vi)
        return ov7931_ERROR_NULL_POINTER;
    auto lk = lockState();
    State &st = state();
    Session *master = findSession(st, fcVi, Session::Kind::Digitizer);
    if (!master) {
        st.lastFcError = ov8263_ERROR_INV_SESSION;
        return ov7931_ERROR_FC_DRIVER;
    }
    Card7931 *card = master->carrier ? master->carrier->firstConditioning() : nullptr;
    if (!card)
        return ov7931_ERROR_NO_CARD;
    std::shared_ptr<Carrier> carrier = master->carrier;
    if (reset)
        card->resetChannels();
    st.current7931 = card;
    // Opened again through the same digitizer session: the same session.
    Session *old = findSession(st, card->session, Session::Kind::Conditioning);
    if (old && old->parent == fcVi) {
        *vi = card->session;
        return VI_SUCCESS;
    }
    Session s;
    s.kind = Session::Kind::Conditioning;
    s.parent = fcVi;
    s.carrier = carrier;
    s.conditioning = card;
    card->session = addSession(st, std::move(s));
    *vi = card->session;
    return VI_SUCCESS;
}

ViStatus closeSession(ViSession vi)
{
    auto lk = lockState();
    if (!conditioning(vi))
        return ov7931_ERROR_INV_SESSION;
    removeSession(state(), vi, nullptr);
    return VI_SUCCESS;
}

ViStatus serialNumber(ViSession vi, ViChar subType[], ViPInt32 serial)
{
    if (!subType || !serial)
        return ov7931_ERROR_NULL_POINTER;
    OVSIM_CARD(vi);
    copyText(card->subType, subType, 8);
    *serial = card->serial;
    return VI_SUCCESS;
}

ViStatus revisionQuery(ViSession vi, ViChar driverRev[], ViChar instrRev[])
{
    auto lk = lockState();
    Card7931 *card = conditioning(vi);
    if (vi != VI_NULL && !card)
        return ov7931_ERROR_INV_SESSION;
    writeRevisions(kDriverRevision, card ? card->revision : std::string(), driverRev, instrRev);
    return VI_SUCCESS;
}

ViStatus setChanConfig(ViSession vi, ViUInt16 ch, ViUInt16 mode, ViUInt16 gain, ViUInt16 exc)
{
    OVSIM_CHANNEL_CARD(vi, ch);
    if (!modeOffered(card->subType, mode) || !validConditioningGain(card->subType, gain) ||
        !excitationOffered(card->subType, exc))
        return ov7931_ERROR_INV_PARAMETER;
    chan.state.mode = mode;
    chan.state.gain = gain;
    chan.recordedGain = -1;
    chan.state.excitation = exc;
    return VI_SUCCESS;
}

ViStatus setConversion(ViSession vi, ViUInt16 ch, ViUInt16 unit)
{
    OVSIM_CHANNEL_CARD(vi, ch);
    if (unit != ov7931_OUT_UNIT_VOLT && unit != ov7931_OUT_UNIT_RES)
        return ov7931_ERROR_INV_PARAMETER;
    chan.state.conversion = unit;
    return VI_SUCCESS;
}

ViStatus checkEcStatus(ViSession vi, ViPUInt16 ecStatus)
{
    if (!ecStatus)
        return ov7931_ERROR_NULL_POINTER;
    OVSIM_CARD(vi);
    ViUInt16 bits = 0;
    for (int ch = 1; ch <= kChannels; ++ch)
        if (currentFlows(*card, ch))
            bits |= ViUInt16(1u << (ch - 1));
    *ecStatus = bits;
    return VI_SUCCESS;
}

ViUInt16 pgaFlags(const Card7931 &card)
{
    if (!hasPga(card.subType))
        return 0;
    ViUInt16 flags = 0;
    for (int ch = 1; ch <= kChannels; ++ch)
        if (card.channels[ch - 1].pgaError)
            flags |= ViUInt16(1u << (ch - 1));
    return flags;
}

ViStatus checkPgaEf(ViSession vi, ViPUInt16 result)
{
    if (!result)
        return ov7931_ERROR_NULL_POINTER;
    OVSIM_CARD(vi);
    *result = pgaFlags(*card) != 0 ? 1 : 0;
    return VI_SUCCESS;
}

ViStatus readPgaError(ViSession vi, ViUInt16 ch, ViPInt16 error, ViPInt16 reserved)
{
    if (!error)
        return ov7931_ERROR_NULL_POINTER;
    OVSIM_CHANNEL_CARD(vi, ch);
    *error = (pgaFlags(*card) >> (ch - 1)) & 1u;
    if (reserved)
        *reserved = 0;
    return VI_SUCCESS;
}

ViStatus checkChanPgaEf(ViSession vi, ViUInt16 ch, ViPUInt16 flags)
{
    if (!flags)
        return ov7931_ERROR_NULL_POINTER;
    OVSIM_CHANNEL_CARD(vi, ch);
    *flags = pgaFlags(*card);
    return VI_SUCCESS;
}

ViStatus brokenWireDetect(ViSession vi, ViUInt16 ch, ViPInt16 w1, ViPInt16 w2, ViPInt16 w3, ViPInt16 w4)
{
    if (!w1 || !w2 || !w3 || !w4)
        return ov7931_ERROR_NULL_POINTER;
    OVSIM_CHANNEL_CARD(vi, ch);
    ViPInt16 out[4] = {w1, w2, w3, w4};
    bool wireMode = chan.state.mode >= ov7931_MODE_4_WIRE && chan.state.mode <= ov7931_MODE_2_WIRE;
    if (!wireMode || chan.state.excitation == ov7931_EXC_OFF) {
        // The test drives the selected excitation current through the wires.
        for (auto *o : out)
            *o = ov7931_WIRE_UNKNOWN;
        return ov7931_WARN_NO_EXCITATION;
    }
    for (int w = 1; w <= 4; ++w)
        *out[w - 1] = ViInt16(wireVerdict(*card, ch, w));
    return VI_SUCCESS;
}

ViStatus getGain(ViSession vi, ViUInt16 ch, ViPUInt16 gain)
{
    if (!gain)
        return ov7931_ERROR_NULL_POINTER;
    OVSIM_CHANNEL_CARD(vi, ch);
    *gain = ViUInt16(chan.state.gain);
    return VI_SUCCESS;
}

ViStatus setGain(ViSession vi, ViUInt16 ch, ViUInt16 gain)
{
    OVSIM_CHANNEL_CARD(vi, ch);
    if (!validConditioningGain(card->subType, gain))
        return ov7931_ERROR_INV_PARAMETER;
    chan.state.gain = gain;
    chan.recordedGain = -1;
    return VI_SUCCESS;
}

ViStatus pgaCalibration(ViSession vi, ViUInt16 ch, ViPReal64 result1, ViPReal64 result2)
{
    OVSIM_CHANNEL_CARD(vi, ch);
    if (!hasPga(card->subType))
        return ov7931_ERROR_INV_PARAMETER; // no amplifier to calibrate on this sub-type
    if (result1)
        *result1 = 1.0 + 2e-4 * ch;
    if (result2)
        *result2 = -3e-6 * ch;
    return VI_SUCCESS;
}

ViStatus excCalibration(ViSession vi, ViUInt16 ch, ViUInt16 selector, ViPReal64 measured, ViPReal64 reserved)
{
    if (!measured)
        return ov7931_ERROR_NULL_POINTER;
    OVSIM_CHANNEL_CARD(vi, ch);
    if (selector == ov7931_EXC_OFF || !excitationOffered(card->subType, selector))
        return ov7931_ERROR_INV_PARAMETER;
    // Measured against the card's internal reference, whatever is connected.
    *measured = actualCurrent(*card, ch, selector);
    if (reserved)
        *reserved = 0.0;
    return VI_SUCCESS;
}

ViStatus getExcitationCurrents(ViSession vi, ViUInt16 ch, ViPReal64 primary, ViPReal64 secondary)
{
    if (!primary && !secondary)
        return ov7931_ERROR_NULL_POINTER;
    OVSIM_CHANNEL_CARD(vi, ch);
    int primaryCode = excitationOffered(card->subType, ov7931_EXC_500UA) ? ov7931_EXC_500UA : ov7931_EXC_100UA;
    if (primary)
        *primary = actualCurrent(*card, ch, primaryCode);
    if (secondary)
        *secondary = actualCurrent(*card, ch, ov7931_EXC_SECONDARY);
    return VI_SUCCESS;
}

ViStatus getGainInfo(ViSession vi, ViUInt16 ch, ViPUInt16 gainInEffect, ViPBoolean pga)
{
    if (!gainInEffect && !pga)
        return ov7931_ERROR_NULL_POINTER;
    OVSIM_CHANNEL_CARD(vi, ch);
    if (gainInEffect)
        *gainInEffect = ViUInt16(chan.recordedGain >= 0 ? chan.recordedGain : chan.state.gain);
    if (pga)
        *pga = hasPga(card->subType) ? VI_TRUE : VI_FALSE;
    return VI_SUCCESS;
}

} // namespace

extern "C" {

ViStatus ov7931_init(ViSession fcVi, ViBoolean idQuery, ViBoolean reset, ViPSession vi)
{
    OVSIM_ENTRY("ov7931_init", ArgList().u(fcVi).u(idQuery).u(reset).p(vi));
    return entry.finish(init(fcVi, reset, vi));
}

ViStatus ov7931_close(ViSession vi)
{
    OVSIM_ENTRY("ov7931_close", ArgList().u(vi));
    return entry.finish(closeSession(vi));
}

ViStatus ov7931_serialNumber(ViSession vi, ViChar subType[], ViPInt32 serial)
{
    OVSIM_ENTRY("ov7931_serialNumber", ArgList().u(vi).p(subType).p(serial));
    return entry.finish(serialNumber(vi, subType, serial));
}

ViStatus ov7931_revision_query(ViSession vi, ViChar driverRevision[], ViChar instrRevision[])
{
    OVSIM_ENTRY("ov7931_revision_query", ArgList().u(vi).p(driverRevision).p(instrRevision));
    return entry.finish(revisionQuery(vi, driverRevision, instrRevision));
}

ViStatus ov7931_error_message(ViSession vi, ViStatus status, ViChar message[])
{
    OVSIM_ENTRY("ov7931_error_message", ArgList().u(vi).i(status).p(message));
    return entry.finish(writeStatusText(status, message, ov7931_ERROR_NULL_POINTER));
}

ViStatus ov7931_getFCLastError(ViSession vi, ViPStatus fcStatus)
{
    OVSIM_ENTRY("ov7931_getFCLastError", ArgList().u(vi).p(fcStatus));
    if (!fcStatus)
        return entry.finish(ov7931_ERROR_NULL_POINTER);
    auto lk = lockState();
    // VI_NULL asks for the driver's last one: an init that failed has no session yet.
    if (vi != VI_NULL && !conditioning(vi))
        return entry.finish(ov7931_ERROR_INV_SESSION);
    *fcStatus = state().lastFcError;
    return entry.finish(VI_SUCCESS);
}

ViStatus ov7931_setChanConfig(ViSession vi, ViUInt16 channel, ViUInt16 mode, ViUInt16 gain, ViUInt16 excitCurr)
{
    OVSIM_ENTRY("ov7931_setChanConfig", ArgList().u(vi).u(channel).u(mode).u(gain).u(excitCurr));
    return entry.finish(setChanConfig(vi, channel, mode, gain, excitCurr));
}

ViStatus ov7931_setConversion(ViSession vi, ViUInt16 channel, ViUInt16 unit)
{
    OVSIM_ENTRY("ov7931_setConversion", ArgList().u(vi).u(channel).u(unit));
    return entry.finish(setConversion(vi, channel, unit));
}

ViStatus ov7931_checkECStatus(ViSession vi, ViPUInt16 ecStatus)
{
    OVSIM_ENTRY("ov7931_checkECStatus", ArgList().u(vi).p(ecStatus));
    return entry.finish(checkEcStatus(vi, ecStatus));
}

ViStatus ov7931_readPGAError(ViSession vi, ViUInt16 channel, ViPInt16 error, ViPInt16 reserved)
{
    OVSIM_ENTRY("ov7931_readPGAError", ArgList().u(vi).u(channel).p(error).p(reserved));
    return entry.finish(readPgaError(vi, channel, error, reserved));
}

ViStatus ov7931_checkChanPgaEf(ViSession vi, ViUInt16 channel, ViPUInt16 flags)
{
    OVSIM_ENTRY("ov7931_checkChanPgaEf", ArgList().u(vi).u(channel).p(flags));
    return entry.finish(checkChanPgaEf(vi, channel, flags));
}

ViStatus ov7931_brokenWireDetect(ViSession vi, ViUInt16 channel, ViPInt16 wire1, ViPInt16 wire2, ViPInt16 wire3,
                                 ViPInt16 wire4)
{
    OVSIM_ENTRY("ov7931_brokenWireDetect", ArgList().u(vi).u(channel).p(wire1).p(wire2).p(wire3).p(wire4));
    return entry.finish(brokenWireDetect(vi, channel, wire1, wire2, wire3, wire4));
}

ViStatus ov7931_getGain(ViSession vi, ViUInt16 channel, ViPUInt16 gain)
{
    OVSIM_ENTRY("ov7931_getGain", ArgList().u(vi).u(channel).p(gain));
    return entry.finish(getGain(vi, channel, gain));
}

ViStatus ov7931_setGain(ViSession vi, ViUInt16 channel, ViUInt16 gain)
{
    OVSIM_ENTRY("ov7931_setGain", ArgList().u(vi).u(channel).u(gain));
    return entry.finish(setGain(vi, channel, gain));
}

ViStatus ov7931_pgaCalibration(ViSession vi, ViUInt16 channel, ViUInt16 selector, ViReal64 value, ViPReal64 result1,
                               ViPReal64 result2)
{
    OVSIM_ENTRY("ov7931_pgaCalibration", ArgList().u(vi).u(channel).u(selector).d(value).p(result1).p(result2));
    return entry.finish(pgaCalibration(vi, channel, result1, result2));
}

ViStatus ov7931_excCalibration(ViSession vi, ViUInt16 channel, ViUInt16 currentSelector, ViPReal64 measured,
                               ViPReal64 reserved)
{
    OVSIM_ENTRY("ov7931_excCalibration", ArgList().u(vi).u(channel).u(currentSelector).p(measured).p(reserved));
    return entry.finish(excCalibration(vi, channel, currentSelector, measured, reserved));
}

ViStatus ov7931_checkPgaEf(ViSession vi, ViPUInt16 result)
{
    OVSIM_ENTRY("ov7931_checkPgaEf", ArgList().u(vi).p(result));
    return entry.finish(checkPgaEf(vi, result));
}

ViStatus ov7931_getExcitationCurrents(ViSession vi, ViUInt16 channel, ViPReal64 primary, ViPReal64 secondary)
{
    OVSIM_ENTRY("ov7931_getExcitationCurrents", ArgList().u(vi).u(channel).p(primary).p(secondary));
    return entry.finish(getExcitationCurrents(vi, channel, primary, secondary));
}

ViStatus ov7931_getGainInfo(ViSession vi, ViUInt16 channel, ViPUInt16 gainInEffect, ViPBoolean hasPgaOut)
{
    OVSIM_ENTRY("ov7931_getGainInfo", ArgList().u(vi).u(channel).p(gainInEffect).p(hasPgaOut));
    return entry.finish(getGainInfo(vi, channel, gainInEffect, hasPgaOut));
}

} // extern "C"
