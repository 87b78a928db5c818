#include "faults.h"

#include "ovsim_control.h"

#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <utility>

namespace ovsim {
namespace detail {
namespace {

struct Plan {
    std::deque<std::pair<ViStatus, int>> next; // status, remaining calls
    bool always = false;
    ViStatus alwaysStatus = 0;
};

struct Faults {
    std::mutex m;
    std::map<std::string, Plan> plans;
};

Faults &faults()
{
    static Faults *f = new Faults; // never destroyed: threads may outlive main()
    return *f;
}

const std::set<std::string> &knownFunctions()
{
    static const std::set<std::string> names = {
        "viOpenDefaultRM", "viFindRsrc", "viFindNext", "viOpen", "viClose", "viGetAttribute",
        "ov9174_libRevision", "ov9174_openIdRecord", "ov9174_readCardTable", "ov9174_closeIdRecord",
        "ov9174_statusMessage", "ov9174_delay",
        "ov8263_paramInit", "ov8263_close", "ov8263_getSubType", "ov8263_getSerNum", "ov8263_revision_query",
        "ov8263_error_message", "ov8263_setChanConfig", "ov8263_setATRIConfig", "ov8263_calibrateChannels",
        "ov8263_setTrigConfig", "ov8263_setAcquisitionMode", "ov8263_startAcquisitionEx", "ov8263_resetFIFO",
        "ov8263_armDAQ", "ov8263_checkAcquisition", "ov8263_startAcquisition", "ov8263_stopAcquisition",
        "ov8263_stopDAQ", "ov8263_readAcquisition", "ov8263_generateITRI", "ov8263_getFrequencyLimits",
        "ov7931_init", "ov7931_close", "ov7931_serialNumber", "ov7931_revision_query", "ov7931_error_message",
        "ov7931_getFCLastError", "ov7931_setChanConfig", "ov7931_setConversion", "ov7931_checkECStatus",
        "ov7931_readPGAError", "ov7931_checkChanPgaEf", "ov7931_brokenWireDetect", "ov7931_getGain",
        "ov7931_setGain", "ov7931_pgaCalibration", "ov7931_excCalibration", "ov7931_checkPgaEf",
        "ov7931_getExcitationCurrents", "ov7931_getGainInfo",
    };
    return names;
}

void warnIfUnknown(const std::string &function)
{
    if (!isKnownFunction(function))
        std::fprintf(stderr, "ovsim: failure injected into unknown function '%s'; no such entry point\n",
                     function.c_str());
}

} // namespace

bool isKnownFunction(const std::string &function) { return knownFunctions().count(function) != 0; }

bool takeInjectedFault(const char *function, ViStatus *status)
{
    Faults &f = faults();
    std::lock_guard<std::mutex> lk(f.m);
    if (f.plans.empty())
        return false;
    auto it = f.plans.find(function);
    if (it == f.plans.end())
        return false;
    Plan &p = it->second;
    if (!p.next.empty()) {
        *status = p.next.front().first;
        if (--p.next.front().second <= 0)
            p.next.pop_front();
        return true;
    }
    if (p.always) {
        *status = p.alwaysStatus;
        return true;
    }
    return false;
}

void clearInjectedFaults()
{
    Faults &f = faults();
    std::lock_guard<std::mutex> lk(f.m);
    f.plans.clear();
}

} // namespace detail

void failNext(const std::string &function, ViStatus status, int count)
{
    if (count <= 0)
        return;
    detail::warnIfUnknown(function);
    detail::Faults &f = detail::faults();
    std::lock_guard<std::mutex> lk(f.m);
    f.plans[function].next.emplace_back(status, count);
}

void failAlways(const std::string &function, ViStatus status)
{
    detail::warnIfUnknown(function);
    detail::Faults &f = detail::faults();
    std::lock_guard<std::mutex> lk(f.m);
    auto &p = f.plans[function];
    p.always = true;
    p.alwaysStatus = status;
}

void clearFaults() { detail::clearInjectedFaults(); }

} // namespace ovsim
