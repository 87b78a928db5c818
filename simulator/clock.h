// The simulated clock: real time scaled by a speed factor, or moved by hand.
// Time is kept in whole nanoseconds so that stepping by hand adds up exactly.
#ifndef OVSIM_CLOCK_H
#define OVSIM_CLOCK_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace ovsim {
namespace detail {

class SimClock {
public:
    SimClock();
    // Back to real time at speed 1, with the simulated time at 0.
    void reset();
    int64_t nowNs();
    double nowSeconds() { return double(nowNs()) * 1e-9; }
    void setSpeed(double factor);
    void setManual(bool manual);
    bool manual();
    // Moves the simulated time forward (in either mode).
    void advanceNs(int64_t ns);
    // Waits until the simulated time reaches `targetNs` or `stop` is set.
    // Returns true when the time was reached.
    bool waitUntil(int64_t targetNs, const std::atomic<bool> &stop);
    // Waits `ns` of simulated time; in manual mode the caller moves the clock
    // itself, since nobody else may.
    void sleepNs(int64_t ns);
    // Wakes every waiter so that it looks at its stop flag again.
    void wakeAll();

private:
    using Steady = std::chrono::steady_clock;
    int64_t nowLocked() const;
    void rebaseLocked();

    std::mutex m_;
    std::condition_variable cv_;
    bool manual_ = false;
    double speed_ = 1.0;
    int64_t baseSimNs_ = 0;
    Steady::time_point baseReal_;
};

SimClock &simClock();

} // namespace detail
} // namespace ovsim

#endif
