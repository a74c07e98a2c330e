#include "core/ModelGuard.h"

#include <condition_variable>
#include <mutex>

namespace ModelGuard {

namespace detail {
std::atomic<int> readers{0};
std::atomic<bool> stopping{false};
} // namespace detail

namespace {

// Only waiting takes the lock: asking whether anyone reads does not.
struct Waiting {
    std::mutex lock;
    std::condition_variable finished;
};

Waiting& waiting()
{
    static Waiting w;
    return w;
}

} // namespace

void beginRead() { detail::readers.fetch_add(1, std::memory_order_acq_rel); }

void endRead()
{
    Waiting& w = waiting();
    {
        // Under the lock, so that a waiter between its test and its wait
        // does not miss the notice.
        const std::lock_guard<std::mutex> hold(w.lock);
        detail::readers.fetch_sub(1, std::memory_order_acq_rel);
    }
    w.finished.notify_all();
}

void join()
{
    if (!reading())
        return;
    Waiting& w = waiting();
    std::unique_lock<std::mutex> hold(w.lock);
    w.finished.wait(hold, [] { return detail::readers.load(std::memory_order_acquire) <= 0; });
}

void stop()
{
    if (!reading())
        return;
    detail::stopping.store(true, std::memory_order_relaxed);
    join();
    detail::stopping.store(false, std::memory_order_relaxed);
}

} // namespace ModelGuard
