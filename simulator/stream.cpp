#include "stream.h"

#include "acquisition.h"
#include "clock.h"
#include "state.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace ovsim {
namespace detail {
namespace {

thread_local const Stream *tCurrentStream = nullptr;

// What the thread learns about block k under the state lock.
struct BlockPlan {
    bool active = false;
    bool drop = false;
    int64_t dueNs = 0;
};

BlockPlan planBlock(Stream &s, long k)
{
    BlockPlan plan;
    auto lk = lockState();
    State &st = state();
    if (s.card->stream.get() != &s)
        return plan;
    plan.active = true;
    plan.drop = st.schedule.drops.count(k) != 0;
    plan.dueNs = timeOfScans(s.card->acq, int64_t(k + 1) * s.scansPerBlock);
    auto stall = st.schedule.stalls.find(k);
    if (stall != st.schedule.stalls.end())
        plan.dueNs += int64_t(stall->second * 1e9);
    return plan;
}

// The block is due: raise scheduled error bits and account for overflow.
bool blockArrived(Stream &s, long k)
{
    auto lk = lockState();
    State &st = state();
    if (s.card->stream.get() != &s)
        return false;
    auto bits = st.schedule.errorBits.find(k);
    if (bits != st.schedule.errorBits.end())
        s.card->acq.errors |= bits->second;
    applyOverflow(*s.card, simClock().nowNs());
    return true;
}

void streamMain(std::shared_ptr<Stream> s)
{
    tCurrentStream = s.get();
    for (long k = 0;; ++k) {
        BlockPlan plan = planBlock(*s, k);
        if (!plan.active)
            break;
        {
            std::lock_guard<std::mutex> lk(s->m);
            s->idleUntilNs = plan.dueNs;
        }
        s->cv.notify_all();
        bool reached = simClock().waitUntil(plan.dueNs, s->stop);
        {
            std::lock_guard<std::mutex> lk(s->m);
            s->idleUntilNs = -1;
        }
        if (!reached || !blockArrived(*s, k))
            break;
        {
            std::lock_guard<std::mutex> lk(s->m);
            if (s->stop)
                break;
            s->inCallback = !plan.drop;
        }
        if (!plan.drop)
            s->callback(s->vi, s->userData);
        {
            std::lock_guard<std::mutex> lk(s->m);
            s->inCallback = false;
            s->delivered = k + 1;
        }
        s->cv.notify_all();
    }
    {
        std::lock_guard<std::mutex> lk(s->m);
        s->finished = true;
        s->idleUntilNs = -1;
    }
    s->cv.notify_all();
}

// At exit no callback may start any more: the panel's objects are going away.
void stopStreamsAtExit()
{
    Streams streams;
    {
        auto lk = lockState();
        streams = takeAllStreams(state());
    }
    stopStreams(streams);
}

} // namespace

bool onStreamThread() { return tCurrentStream != nullptr; }

void launchStream(const std::shared_ptr<Stream> &stream)
{
    static bool exitHandler = std::atexit(stopStreamsAtExit) == 0;
    (void)exitHandler;
    stream->thread = std::thread(streamMain, stream);
    stream->threadId = stream->thread.get_id();
}

void stopStream(const std::shared_ptr<Stream> &s)
{
    if (!s)
        return;
    bool running;
    {
        std::lock_guard<std::mutex> lk(s->m);
        s->stop = true;
        running = s->inCallback;
    }
    simClock().wakeAll();
    s->cv.notify_all();
    if (!s->thread.joinable())
        return;
    if (running || std::this_thread::get_id() == s->threadId) {
        // The callback in progress ends on its own; nothing new starts.
        s->thread.detach();
        return;
    }
    s->thread.join();
}

void stopStreams(const Streams &streams)
{
    for (auto &s : streams)
        stopStream(s);
}

void awaitDueCallbacks()
{
    Streams streams;
    {
        auto lk = lockState();
        for (auto &c : state().scenario.carriers)
            for (auto &card : c->cards)
                if (card.digitizer && card.digitizer->stream)
                    streams.push_back(card.digitizer->stream);
    }
    const int64_t now = simClock().nowNs();
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (auto &s : streams) {
        if (s.get() == tCurrentStream)
            continue; // a callback moving the clock cannot wait for itself
        std::unique_lock<std::mutex> lk(s->m);
        bool done = s->cv.wait_until(lk, limit, [&] { return s->finished || s->stop || s->idleUntilNs > now; });
        if (!done)
            std::fprintf(stderr, "ovsim: advanceClock: a streaming callback is still busy after 5 s; not waiting\n");
    }
}

} // namespace detail
} // namespace ovsim
