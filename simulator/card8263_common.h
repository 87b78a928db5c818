// What the two halves of the 8263 driver share: session lookup and the
// handling of a run that has to end.
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

using Streams = std::vector<std::shared_ptr<Stream>>;

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

// Ends whatever runs on the card; a stream is handed to the caller to stop.
inline void abortRun(Card8263 &card, Streams *streams)
{
    if (card.stream)
        streams->push_back(std::move(card.stream));
    card.stream.reset();
    card.acq.streaming = false;
}

inline void stopAll(Streams &streams)
{
    for (auto &s : streams)
        stopStream(s);
}

} // namespace d8263
} // namespace detail
} // namespace ovsim

#endif
