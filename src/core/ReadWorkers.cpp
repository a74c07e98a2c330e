#include "core/ReadWorkers.h"

#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>

namespace {

std::atomic<int> requestedThreads{0};

// Reading runs here rather than on the global pool, which others may fill.
// Never destroyed: a design held in a static is released at exit, after
// function statics made later (this pool among them) are gone.
QThreadPool& readPool()
{
    static QThreadPool* const pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
        return p;
    }();
    return *pool;
}

// Shared with the pool's tasks, which may start after the caller has
// returned: such a task finds no part left and never calls work.
struct Parts {
    size_t count = 0, partSize = 1, parts = 0;
    std::function<void(size_t, size_t)> work;
    std::atomic<size_t> next{0};
    std::atomic<size_t> done{0};
    std::atomic<bool> failed{false};
    std::mutex errorLock;
    std::exception_ptr error;

    void takeParts()
    {
        for (size_t part; (part = next.fetch_add(1)) < parts;) {
            if (!failed.load()) {
                try {
                    const size_t begin = part * partSize;
                    work(begin, std::min(count, begin + partSize));
                } catch (...) {
                    const std::lock_guard lock(errorLock);
                    if (!error)
                        error = std::current_exception();
                    failed = true;
                }
            }
            done.fetch_add(1);
            done.notify_all();
        }
    }
};

} // namespace

namespace ReadWorkers {

int threads()
{
    const int requested = requestedThreads.load();
    return requested > 0 ? requested : std::max(1, QThread::idealThreadCount());
}

void setThreads(int count) { requestedThreads = std::max(0, count); }

void forEachPart(size_t count, size_t partSize, const std::function<void(size_t, size_t)>& work)
{
    if (count == 0)
        return;
    partSize = std::max<size_t>(partSize, 1);
    const size_t parts = (count - 1) / partSize + 1;
    const size_t helpers = std::min(parts - 1, size_t(threads() - 1));
    if (helpers == 0) {
        work(0, count);
        return;
    }
    auto shared = std::make_shared<Parts>();
    shared->count = count;
    shared->partSize = partSize;
    shared->parts = parts;
    shared->work = work;
    QThreadPool& pool = readPool();
    for (size_t i = 0; i < helpers; ++i)
        pool.start([shared] { shared->takeParts(); });
    shared->takeParts();
    for (size_t done; (done = shared->done.load()) < parts;)
        shared->done.wait(done);
    if (shared->error)
        std::rethrow_exception(shared->error);
}

} // namespace ReadWorkers
