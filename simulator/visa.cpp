// The VISA library over the scenario's resources.
#include "visa.h"

#include "entry.h"
#include "messages.h"
#include "resource_names.h"
#include "state.h"
#include "stream.h"

#include <cstring>

using namespace ovsim::detail;

namespace {

// Attribute value widths follow the VISA standard.
ViStatus getCarrierAttribute(const Session &session, ViAttr attr, void *value)
{
    const Carrier *c = session.carrier.get();
    switch (attr) {
    case VI_ATTR_INTF_TYPE: {
        ViUInt16 type = c ? (c->kind == Carrier::Kind::Lxi ? VI_INTF_TCPIP : VI_INTF_VXI)
                          : ViUInt16(interfaceTypeOfName(session.resource));
        std::memcpy(value, &type, sizeof type);
        return VI_SUCCESS;
    }
    case VI_ATTR_SLOT:
    case VI_ATTR_VXI_LA: {
        if (!c || c->kind != Carrier::Kind::Vxi)
            return VI_ERROR_NSUP_ATTR;
        ViInt16 v = ViInt16(attr == VI_ATTR_SLOT ? c->slot : c->logicalAddress);
        std::memcpy(value, &v, sizeof v);
        return VI_SUCCESS;
    }
    case VI_ATTR_TCPIP_HOSTNAME:
    case VI_ATTR_TCPIP_DEVICE_NAME:
        if (!c || c->kind != Carrier::Kind::Lxi)
            return VI_ERROR_NSUP_ATTR;
        copyText(attr == VI_ATTR_TCPIP_HOSTNAME ? c->host : c->deviceName, static_cast<char *>(value), 256);
        return VI_SUCCESS;
    default:
        return VI_ERROR_NSUP_ATTR;
    }
}

ViStatus openDefaultRM(ViPSession rm)
{
    if (!rm)
        return VI_ERROR_USER_BUF;
    auto lk = lockState();
    Session s;
    s.kind = Session::Kind::ResourceManager;
    *rm = addSession(state(), std::move(s));
    return VI_SUCCESS;
}

ViStatus findRsrc(ViSession rm, ViConstString expr, ViPFindList list, ViPUInt32 count, ViChar desc[])
{
    if (!expr)
        return VI_ERROR_INV_PARAMETER;
    auto lk = lockState();
    State &st = state();
    if (!findSession(st, rm, Session::Kind::ResourceManager))
        return VI_ERROR_INV_OBJECT;
    Session found;
    found.kind = Session::Kind::FindList;
    found.parent = rm;
    for (const auto &r : st.scenario.resources)
        if (visaPatternMatches(expr, r.name))
            found.found.push_back(r.name);
    if (count)
        *count = ViUInt32(found.found.size());
    if (found.found.empty()) {
        if (list)
            *list = 0;
        return VI_ERROR_RSRC_NFOUND;
    }
    if (desc)
        copyText(found.found[0], desc, VI_FIND_BUFLEN);
    found.nextFound = 1;
    ViFindList handle = addSession(st, std::move(found));
    if (list)
        *list = handle;
    return VI_SUCCESS;
}

ViStatus findNext(ViFindList list, ViChar desc[])
{
    auto lk = lockState();
    Session *s = findSession(state(), list, Session::Kind::FindList);
    if (!s)
        return VI_ERROR_INV_OBJECT;
    if (s->nextFound >= s->found.size())
        return VI_ERROR_RSRC_NFOUND;
    if (desc)
        copyText(s->found[s->nextFound], desc, VI_FIND_BUFLEN);
    ++s->nextFound;
    return VI_SUCCESS;
}

ViStatus open(ViSession rm, ViConstRsrc name, ViPSession vi)
{
    if (!vi)
        return VI_ERROR_USER_BUF;
    if (!name)
        return VI_ERROR_INV_RSRC_NAME;
    auto lk = lockState();
    State &st = state();
    if (!findSession(st, rm, Session::Kind::ResourceManager))
        return VI_ERROR_INV_OBJECT;
    const Resource *r = nullptr;
    ViStatus status = openableResource(st.scenario, name, &r);
    if (status != VI_SUCCESS)
        return status;
    Session s;
    s.kind = Session::Kind::Instrument;
    s.parent = rm;
    s.carrier = r->carrier;
    s.resource = r->name;
    *vi = addSession(st, std::move(s));
    return VI_SUCCESS;
}

ViStatus close(ViObject vi)
{
    Streams streams;
    {
        auto lk = lockState();
        State &st = state();
        if (!st.sessions.count(vi))
            return VI_ERROR_INV_OBJECT;
        removeSession(st, vi, &streams);
    }
    stopStreams(streams);
    return VI_SUCCESS;
}

ViStatus getAttribute(ViObject vi, ViAttr attr, void *value)
{
    if (!value)
        return VI_ERROR_USER_BUF;
    auto lk = lockState();
    auto it = state().sessions.find(vi);
    if (it == state().sessions.end())
        return VI_ERROR_INV_OBJECT;
    switch (it->second.kind) {
    case Session::Kind::Instrument:
    case Session::Kind::Digitizer:
    case Session::Kind::Conditioning:
        return getCarrierAttribute(it->second, attr, value);
    default:
        return VI_ERROR_NSUP_ATTR;
    }
}

} // namespace

extern "C" {

ViStatus viOpenDefaultRM(ViPSession defaultRM)
{
    OVSIM_ENTRY("viOpenDefaultRM", ArgList().p(defaultRM));
    return entry.finish(openDefaultRM(defaultRM));
}

ViStatus viFindRsrc(ViSession rm, ViConstString expr, ViPFindList findList, ViPUInt32 retCount, ViChar desc[])
{
    OVSIM_ENTRY("viFindRsrc", ArgList().u(rm).s(expr).p(findList).p(retCount).p(desc));
    return entry.finish(findRsrc(rm, expr, findList, retCount, desc));
}

ViStatus viFindNext(ViFindList findList, ViChar desc[])
{
    OVSIM_ENTRY("viFindNext", ArgList().u(findList).p(desc));
    return entry.finish(findNext(findList, desc));
}

ViStatus viOpen(ViSession rm, ViConstRsrc name, ViAccessMode mode, ViUInt32 timeout, ViPSession vi)
{
    OVSIM_ENTRY("viOpen", ArgList().u(rm).s(name).u(mode).u(timeout).p(vi));
    return entry.finish(open(rm, name, vi));
}

ViStatus viClose(ViObject vi)
{
    OVSIM_ENTRY("viClose", ArgList().u(vi));
    return entry.finish(close(vi));
}

ViStatus viGetAttribute(ViObject vi, ViAttr attrName, ViPAttrState attrValue)
{
    OVSIM_ENTRY("viGetAttribute", ArgList().u(vi).u(attrName).p(attrValue));
    return entry.finish(getAttribute(vi, attrName, attrValue));
}

} // extern "C"
