// What the two halves of the 8263 driver share: session lookup, the
// channels switched on and whether a run is under way.
#ifndef OVSIM_CARD8263_COMMON_H
#define OVSIM_CARD8263_COMMON_H

#include "acquisition.h"
#include "ov8263.h"
#include "state.h"
#include "stream.h"

#include <memory>
#include <vector>

namespace ovsim {
namespace detail {
namespace d8263 {

struct Target {
    Session *session = nullptr;
    Card8263 *card = nullptr;
};

inline Target digitizer(ViSession vi)
{
    Target t;
    t.session = findSession(state(), vi, Session::Kind::Digitizer);
    if (t.session)
        t.card = t.session->digitizer;
    return t;
}

// The frame shared by the calls on a digitizer session: the state lock and
// the session check; `t` is the session and its card.
#define OVSIM_DIGITIZER(vi)                                                                                            \
    auto lk = lockState();                                                                                             \
    Target t = digitizer(vi);                                                                                          \
    if (!t.card)                                                                                                       \
        return ov8263_ERROR_INV_SESSION;

inline bool validChannel(ViUInt16 ch) { return ch >= 1 && ch <= kChannels; }

// The conditioning card whose outputs this digitizer samples.
inline const Card7931 *conditioningOf(const Session &s) { return s.carrier ? s.carrier->firstConditioning() : nullptr; }

inline std::vector<int> switchedOnChannels(const Card8263 &card)
{
    std::vector<int> on;
    for (int ch = 1; ch <= kChannels; ++ch)
        if (card.channels[ch - 1].state.on)
            on.push_back(ch);
    return on;
}

// A run that is armed, or acquiring and not yet complete, or streaming.
inline bool busy(const Card8263 &card, int64_t now)
{
    const Acquisition &a = card.acq;
    if (a.streaming || a.phase == Acquisition::Phase::Armed)
        return true;
    return a.phase == Acquisition::Phase::Running && stateCode(a, now) != ov8263_STATE_END;
}

} // namespace d8263
} // namespace detail
} // namespace ovsim

#endif
