// What the benchmarks measure with: a thread's and the process's processor
// time and the percentiles of a series of times.
#ifndef OV_TEST_BENCH_FIGURES_H
#define OV_TEST_BENCH_FIGURES_H

#include <time.h>

#include <algorithm>
#include <vector>

namespace bench {

// The calling thread's processor time in milliseconds: the figure to trust
// on a machine that is busy elsewhere.
inline double threadCpuMs()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// The process's processor time (all its threads) in seconds.
inline double processCpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// The value at quantile q of v (the nearest rank; 0.5 the median), 0 for none.
template<typename T>
double percentile(std::vector<T> v, double q)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    return double(v[std::min(v.size() - 1, size_t(q * double(v.size() - 1) + 0.5))]);
}

} // namespace bench

#endif
