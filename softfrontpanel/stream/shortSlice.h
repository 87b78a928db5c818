// A short turn on the processor for the recording writer while it runs.
//
// A block costs the writer about half a millisecond of processor time, but on
// a machine with few processors another thread often wakes on the writer's
// processor in the middle of a block: in a live run mostly the GUI thread's
// plot refresh, a few milliseconds of painting. With the scheduler's default
// time slice the writer then waits for the whole of the other thread's turn.
// Linux's scheduler (EEVDF, from 6.12 on) lets a thread of the normal policy
// ask for a shorter slice, without any privilege: the thread gets the same
// share of the processor, but in shorter turns, so it comes back after a
// short turn of the other thread instead of a long one. Older kernels and
// other systems ignore the request; threads of another policy (real time,
// batch, idle) are left as they are.
#ifndef OV_STREAM_SHORTSLICE_H
#define OV_STREAM_SHORTSLICE_H

// Asks for the short slice for the calling thread while the object lives and
// gives the thread the system's default slice back at the end (the writer
// runs on a pool thread that runs other tasks afterwards).
class ShortTimeSlice
{
public:
    ShortTimeSlice();
    ~ShortTimeSlice();
    ShortTimeSlice(const ShortTimeSlice &) = delete;
    ShortTimeSlice &operator=(const ShortTimeSlice &) = delete;

    // Whether the system took the request (false where it cannot be made).
    bool granted() const { return changed; }

private:
    bool changed = false;
};

#endif
