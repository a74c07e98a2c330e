#include "core/ModelGuard.h"

#include <condition_variable>
#include <mutex>

namespace ModelGuard {
namespace {

struct State {
    std::mutex lock;
    std::condition_variable finished;
    int readers = 0;
};

State& state()
{
    static State s;
    return s;
}

} // namespace

void beginRead()
{
    State& s = state();
    const std::lock_guard<std::mutex> hold(s.lock);
    ++s.readers;
}

void endRead()
{
    State& s = state();
    {
        const std::lock_guard<std::mutex> hold(s.lock);
        --s.readers;
    }
    s.finished.notify_all();
}

void join()
{
    State& s = state();
    std::unique_lock<std::mutex> hold(s.lock);
    s.finished.wait(hold, [&s] { return s.readers <= 0; });
}

bool reading()
{
    State& s = state();
    const std::lock_guard<std::mutex> hold(s.lock);
    return s.readers > 0;
}

} // namespace ModelGuard
