#include "ov7931Demo_shareWork.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// Whether this thread is working on shared work: work shared from inside it
// is done where it is, by that thread alone.
thread_local bool t_sharing = false;

// How long the helper watches for the next job before it sleeps.
constexpr std::chrono::microseconds watch{300};

// Marks the thread as working on shared work while it lives.
struct Sharing {
    Sharing() { t_sharing = true; }
    ~Sharing() { t_sharing = false; }
};

// The helper thread, started with the first shared work and joined when the
// program ends. A job is open from its start until the caller has taken the
// last chunk; the helper joins a job only while it is open, so a helper that
// wakes late finds nothing to do and the caller never waits for it.
class Helper
{
public:
    ~Helper()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        if (m_thread.joinable())
            m_thread.join();
    }

    void share(int chunks, const std::function<void(int, bool)> &work)
    {
        finish();
        open(chunks, work);
        join();
    }

    void start(int chunks, std::function<void(int, bool)> work)
    {
        finish();
        m_begun = std::move(work);
        open(chunks, m_begun);
        m_ahead = true;
    }

    // Joins the work begun ahead, if any.
    void finish()
    {
        if (!m_ahead)
            return;
        m_ahead = false;
        join();
        m_begun = nullptr;
    }

private:
    void open(int chunks, const std::function<void(int, bool)> &work)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_thread.joinable())
                m_thread = std::thread([this] { loop(); });
            m_work = &work;
            m_chunks = chunks;
            m_next.store(0, std::memory_order_relaxed);
            m_open = true;
            m_job.fetch_add(1, std::memory_order_release);
        }
        m_wake.notify_one();
    }

    // Does the chunks the helper has not taken, then waits for those it has.
    void join()
    {
        {
            const Sharing sharing;
            const std::function<void(int, bool)> &work = *m_work;
            for (int c = m_next.fetch_add(1); c < m_chunks; c = m_next.fetch_add(1))
                work(c, false);
        }
        std::unique_lock<std::mutex> lock(m_mutex);
        m_open = false;
        m_done.wait(lock, [this] { return !m_busy; });
        m_work = nullptr;
    }

    void loop()
    {
        const Sharing sharing;
        unsigned seen = 0;
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [&] { return m_stop || m_job.load(std::memory_order_relaxed) != seen; });
            if (m_stop)
                return;
            seen = m_job.load(std::memory_order_relaxed);
            if (!m_open)
                continue;
            m_busy = true;
            const std::function<void(int, bool)> &work = *m_work;
            const int chunks = m_chunks;
            lock.unlock();
            for (int c = m_next.fetch_add(1); c < chunks; c = m_next.fetch_add(1))
                work(c, true);
            lock.lock();
            m_busy = false;
            m_done.notify_one();
            // the next job of the same refresh follows soon: watched for a
            // while before sleeping, so that it starts at once
            lock.unlock();
            const auto until = std::chrono::steady_clock::now() + watch;
            while (m_job.load(std::memory_order_acquire) == seen && std::chrono::steady_clock::now() < until)
                std::this_thread::yield();
            lock.lock();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::thread m_thread;
    const std::function<void(int, bool)> *m_work = nullptr;
    int m_chunks = 0;
    std::atomic<int> m_next{0};
    std::atomic<unsigned> m_job{0};
    std::function<void(int, bool)> m_begun; // the work begun ahead
    bool m_ahead = false; // the caller's, like m_begun
    bool m_open = false;
    bool m_busy = false;
    bool m_stop = false;
};

Helper &helper()
{
    static Helper theHelper;
    return theHelper;
}

} // namespace

namespace lineRaster {

void shareWork(int chunks, const std::function<void(int chunk, bool onHelper)> &work)
{
    if (t_sharing) {
        for (int c = 0; c < chunks; ++c)
            work(c, false);
        return;
    }
    helper().share(chunks, work);
}

void startWork(int chunks, std::function<void(int chunk, bool onHelper)> work)
{
    if (t_sharing) {
        for (int c = 0; c < chunks; ++c)
            work(c, false);
        return;
    }
    helper().start(chunks, std::move(work));
}

void finishWork()
{
    if (!t_sharing)
        helper().finish();
}

} // namespace lineRaster
