// A thread under the batch scheduling policy for a while. Under the batch
// policy a thread that wakes never takes the processor from a thread that is
// running; it still gets its fair share of the processor. The panel's GUI
// thread runs so while a recording is written: its timer ticks and repaints
// then wait for the writer to end its block (half a millisecond) instead of
// interrupting it, which left the writer waiting for the whole refresh (2 to
// 5 ms) even where the other processor was idle, since the scheduler moves an
// interrupted thread to an idle processor only at that one's next tick.
// Elsewhere than on Linux nothing changes.
#ifndef OV_STREAM_BATCHPOLICY_H
#define OV_STREAM_BATCHPOLICY_H

#ifdef __linux__
#include <pthread.h>
#endif

class BatchPolicy
{
public:
    BatchPolicy() = default;
    ~BatchPolicy() { leave(); }
    BatchPolicy(const BatchPolicy &) = delete;
    BatchPolicy &operator=(const BatchPolicy &) = delete;

    // Puts the calling thread under the batch policy when it runs under the
    // normal one (a real-time or idle thread is left as it is).
    void enter();
    // Gives that thread the normal policy back, from any thread, when
    // enter() changed it.
    void leave();

private:
    bool m_changed = false;
#ifdef __linux__
    pthread_t m_thread{};
#endif
};

#endif
