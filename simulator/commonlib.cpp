// The maker's common library: carrier identification, status texts, delay.
#include "ov9174.h"

#include "clock.h"
#include "entry.h"
#include "messages.h"
#include "state.h"
#include "statuscodes.h"

#include <cmath>
#include <cstring>

using namespace ovsim::detail;

namespace {

const char *const kLibRevision = "ov9174 common library 3.2.0 (simulated)";

// What the library keeps behind a record.
struct RecordPriv {
    std::shared_ptr<Carrier> carrier;
};

ViStatus openIdRecord(ViSession vi, ov9174_IdRecord **record)
{
    if (!record)
        return OV9174_ERROR_NULL_POINTER;
    auto lk = lockState();
    State &st = state();
    auto it = st.sessions.find(vi);
    if (it == st.sessions.end() ||
        (it->second.kind != Session::Kind::Instrument && it->second.kind != Session::Kind::Digitizer))
        return OV9174_ERROR_INV_SESSION;
    if (!it->second.carrier)
        return OV9174_ERROR_NOT_CARRIER;
    auto *rec = new ov9174_IdRecord();
    rec->carrierModel = it->second.carrier->carrierModel;
    rec->positionCount = it->second.carrier->positions;
    rec->priv = new RecordPriv{it->second.carrier};
    st.records.insert(rec);
    *record = rec;
    return VI_SUCCESS;
}

ViStatus readCardTable(ov9174_IdRecord *record, ViInt32 first, ViInt32 /*refresh*/)
{
    if (!record)
        return OV9174_ERROR_NULL_POINTER;
    auto lk = lockState();
    State &st = state();
    if (!st.records.count(record))
        return OV9174_ERROR_INV_RECORD;
    const Carrier &c = *static_cast<RecordPriv *>(record->priv)->carrier;
    if (first < 0 || first >= c.positions)
        return OV9174_ERROR_INV_PARAMETER;
    for (int k = first; k < c.positions && k < OV9174_MAX_POSITIONS; ++k) {
        const Card *card = c.cardAt(k + 1);
        record->rawModel[k] = card ? card->model : 0;
    }
    return VI_SUCCESS;
}

ViStatus closeIdRecord(ov9174_IdRecord *record)
{
    if (!record)
        return VI_SUCCESS;
    auto lk = lockState();
    State &st = state();
    if (!st.records.erase(record))
        return OV9174_ERROR_INV_RECORD;
    delete static_cast<RecordPriv *>(record->priv);
    delete record;
    return VI_SUCCESS;
}

} // namespace

extern "C" {

ViStatus ov9174_libRevision(ViChar revision[])
{
    OVSIM_ENTRY("ov9174_libRevision", ArgList().p(revision));
    if (!revision)
        return entry.finish(OV9174_ERROR_NULL_POINTER);
    copyText(kLibRevision, revision, 256);
    return entry.finish(VI_SUCCESS);
}

ViStatus ov9174_openIdRecord(ViSession vi, ov9174_IdRecord **record)
{
    OVSIM_ENTRY("ov9174_openIdRecord", ArgList().u(vi).p(record));
    return entry.finish(openIdRecord(vi, record));
}

ViStatus ov9174_readCardTable(ov9174_IdRecord *record, ViInt32 first, ViInt32 refresh)
{
    OVSIM_ENTRY("ov9174_readCardTable", ArgList().p(record).i(first).i(refresh));
    return entry.finish(readCardTable(record, first, refresh));
}

ViStatus ov9174_closeIdRecord(ov9174_IdRecord *record)
{
    OVSIM_ENTRY("ov9174_closeIdRecord", ArgList().p(record));
    return entry.finish(closeIdRecord(record));
}

ViStatus ov9174_statusMessage(ViStatus status, ViChar text[])
{
    OVSIM_ENTRY("ov9174_statusMessage", ArgList().i(status).p(text));
    return entry.finish(writeStatusText(status, text, OV9174_ERROR_NULL_POINTER));
}

ViStatus ov9174_delay(ViReal64 milliseconds)
{
    OVSIM_ENTRY("ov9174_delay", ArgList().d(milliseconds));
    double ms = std::isfinite(milliseconds) && milliseconds > 0.0 ? milliseconds : 0.0;
    simClock().sleepNs(int64_t(std::llround(ms * 1e6)));
    return entry.finish(VI_SUCCESS);
}

} // extern "C"
