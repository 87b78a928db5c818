// The short time slice of the recording writer (see shortSlice.h), made with
// the sched_setattr system call, which the C library of the systems we build
// on does not wrap.
#include "shortSlice.h"

#if defined(__linux__)
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#endif

namespace {

#if defined(__linux__) && defined(SYS_sched_setattr) && defined(SYS_sched_getattr)

// The first version of the kernel's struct sched_attr (48 bytes); the kernel
// accepts it from every version on.
struct SchedAttr {
    uint32_t size;
    uint32_t policy;
    uint64_t flags;
    int32_t nice;
    uint32_t priority;
    uint64_t runtime; // for the normal policy: the slice asked for, in ns; 0 the default
    uint64_t deadline;
    uint64_t period;
};

// The shortest slice the kernel grants (0.1 ms): the writer's turns then
// end soonest and come round soonest.
constexpr uint64_t kSliceNs = 100000;

// Sets the calling thread's slice (0: the default), keeping its nice value;
// only for a thread of the normal policy.
bool setSlice(uint64_t ns)
{
    SchedAttr a = {};
    if (syscall(SYS_sched_getattr, 0, &a, unsigned(sizeof a), 0u) != 0 || a.policy != SCHED_OTHER)
        return false;
    a.size = sizeof a;
    a.flags &= 0x01; // SCHED_FLAG_RESET_ON_FORK as it was; no other flag
    a.runtime = ns;
    a.deadline = 0;
    a.period = 0;
    return syscall(SYS_sched_setattr, 0, &a, 0u) == 0;
}

#else

constexpr unsigned long long kSliceNs = 0;
bool setSlice(unsigned long long) { return false; }

#endif

} // namespace

ShortTimeSlice::ShortTimeSlice() : changed(setSlice(kSliceNs)) {}

ShortTimeSlice::~ShortTimeSlice()
{
    if (changed)
        setSlice(0);
}
