// Continuous acquisition with a callback per block, delivered from a thread
// of the simulator's own, paced by the simulated clock.
//
// Stopping never waits for a callback that is running: the panel's callback
// may be blocked on a lock that the caller of the stop holds. The stop sets a
// flag under the stream's own mutex; the thread checks that flag under the
// same mutex before each callback, so no callback starts after the stop has
// returned. A running callback finishes on its own and its thread then ends
// (it is detached); an idle thread is joined.
#ifndef OVSIM_STREAM_H
#define OVSIM_STREAM_H

#include "model.h"
#include "ov8263.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace ovsim {
namespace detail {

struct Stream {
    ViSession vi = 0;
    ov8263_DataReadyCallback callback = nullptr;
    ViAddr userData = nullptr;
    int32_t scansPerBlock = 0;
    std::shared_ptr<Carrier> carrier; // keeps the card alive while the thread runs
    Card8263 *card = nullptr;         // looked at only under the state lock, while card->stream is this

    std::atomic<bool> stop{false};
    std::mutex m;
    std::condition_variable cv;
    bool inCallback = false;
    bool finished = false;
    int64_t idleUntilNs = -1; // waiting for the next block, due at that time; -1: busy
    long delivered = 0;       // blocks handled (called back or dropped)
    std::thread thread;
    std::thread::id threadId;
};

// Starts the thread of a stream whose fields are filled. Called under the state lock.
void launchStream(const std::shared_ptr<Stream> &stream);
// Stops a stream taken out of its card. Must be called without the state lock.
void stopStream(const std::shared_ptr<Stream> &stream);
void stopStreams(const Streams &streams);
// After the clock was moved by hand: waits until every running stream has
// handled the blocks that are now due (for at most a few real seconds).
void awaitDueCallbacks();
// True on a stream thread (inside a callback).
bool onStreamThread();

} // namespace detail
} // namespace ovsim

#endif
