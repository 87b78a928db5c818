#include "clock.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace ovsim {
namespace detail {

SimClock::SimClock() : baseReal_(Steady::now()) {}

SimClock &simClock()
{
    static SimClock *clock = new SimClock; // never destroyed: threads may outlive main()
    return *clock;
}

void SimClock::reset()
{
    {
        std::lock_guard<std::mutex> lk(m_);
        manual_ = false;
        speed_ = 1.0;
        baseSimNs_ = 0;
        baseReal_ = Steady::now();
    }
    cv_.notify_all();
}

int64_t SimClock::nowLocked() const
{
    if (manual_)
        return baseSimNs_;
    auto realNs = std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now() - baseReal_).count();
    return baseSimNs_ + int64_t(double(realNs) * speed_);
}

void SimClock::rebaseLocked()
{
    baseSimNs_ = nowLocked();
    baseReal_ = Steady::now();
}

int64_t SimClock::nowNs()
{
    std::lock_guard<std::mutex> lk(m_);
    return nowLocked();
}

void SimClock::setSpeed(double factor)
{
    if (!(factor > 0.0) || !std::isfinite(factor))
        return;
    {
        std::lock_guard<std::mutex> lk(m_);
        rebaseLocked();
        speed_ = factor;
    }
    cv_.notify_all();
}

void SimClock::setManual(bool manual)
{
    {
        std::lock_guard<std::mutex> lk(m_);
        rebaseLocked();
        manual_ = manual;
    }
    cv_.notify_all();
}

bool SimClock::manual()
{
    std::lock_guard<std::mutex> lk(m_);
    return manual_;
}

void SimClock::advanceNs(int64_t ns)
{
    if (ns <= 0)
        return;
    {
        std::lock_guard<std::mutex> lk(m_);
        baseSimNs_ += ns;
    }
    cv_.notify_all();
}

bool SimClock::waitUntil(int64_t targetNs, const std::atomic<bool> &stop)
{
    std::unique_lock<std::mutex> lk(m_);
    for (;;) {
        if (stop.load())
            return false;
        int64_t now = nowLocked();
        if (now >= targetNs)
            return true;
        if (manual_) {
            cv_.wait(lk);
        } else {
            double realNs = double(targetNs - now) / speed_;
            // Wake a little early at most once per 50 ms so that a change of
            // speed is noticed even without a notification.
            auto wait = std::chrono::nanoseconds(int64_t(std::min(realNs, 5e7)) + 1);
            cv_.wait_for(lk, wait);
        }
    }
}

void SimClock::sleepNs(int64_t ns)
{
    if (ns <= 0) {
        std::this_thread::yield();
        return;
    }
    if (manual()) {
        advanceNs(ns);
        std::this_thread::yield();
        return;
    }
    std::atomic<bool> never{false};
    int64_t target = nowNs() + ns;
    waitUntil(target, never);
}

void SimClock::wakeAll()
{
    { std::lock_guard<std::mutex> lk(m_); }
    cv_.notify_all();
}

} // namespace detail
} // namespace ovsim
