// What the driver-call trace costs a guarded call: a call of an empty
// "driver" function through blockedHardwareAccess3 with the trace off, the
// same call made by hand under hardwareLock (the floor), and the guarded call
// with the trace on, writing to a file in /tmp (one flushed line per call).
//
// Usage: bench_trace [calls]
#include "ov7931Demo_hwaccess.h"
#include "ov7931Demo_trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace {
ViStatus __attribute__((noinline)) emptyDriverCall(ViSession vi, ViInt32 a, ViInt32 *out)
{
    *out = a + ViInt32(vi);
    return 0;
}

template <typename F>
double nanosecondsPerCall(long calls, F f)
{
    const auto begin = std::chrono::steady_clock::now();
    for (long i = 0; i < calls; ++i)
        f(i);
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::nano>(end - begin).count() / double(calls);
}
} // namespace

int main(int argc, char **argv)
{
    const long calls = argc > 1 ? std::atol(argv[1]) : 2000000;
    ViInt32 out = 0;
    const double byHand = nanosecondsPerCall(calls, [&](long i) {
        QMutexLocker locker(&hardwareLock);
        emptyDriverCall(ViSession(1), ViInt32(i), &out);
    });
    const double off = nanosecondsPerCall(
        calls, [&](long i) { blockedHardwareAccess3(emptyDriverCall, ViSession(1), ViInt32(i), &out); });

    const std::string path = "/tmp/bench_trace_" + std::to_string(long(::getpid())) + ".txt";
    if (!driverTrace::start(path))
        return std::fprintf(stderr, "cannot write %s\n", path.c_str()), 1;
    const long tracedCalls = calls / 20 + 1;
    const double on = nanosecondsPerCall(
        tracedCalls, [&](long i) { blockedHardwareAccess3(emptyDriverCall, ViSession(1), ViInt32(i), &out); });
    driverTrace::stop();
    std::remove(path.c_str());

    std::printf("guarded call, by hand under the lock: %.1f ns\n", byHand);
    std::printf("guarded call, trace off: %.1f ns\n", off);
    std::printf("guarded call, trace on: %.1f ns\n", on);
    return 0;
}
