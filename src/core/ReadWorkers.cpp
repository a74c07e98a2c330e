#include "core/ReadWorkers.h"

#include "core/ThreadHandoff.h"

#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>

namespace {

std::atomic<int> requestedThreads{0};

thread_local const std::atomic<bool>* currentStop = nullptr;

// Reading runs here rather than on the global pool, which others may fill.
// Never destroyed: a design held in a static is released at exit, after
// function statics made later (this pool among them) are gone.
QThreadPool& readPool()
{
    static QThreadPool* const pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
        // Kept, so that a design is released by the very threads (and heap
        // arenas) that read it, however long it stayed open.
        p->setExpiryTimeout(-1);
        return p;
    }();
    return *pool;
}

// Shared with the pool's tasks, which may start after the caller has
// returned: such a task finds no part left and never calls work.
struct PartsDone {
    size_t parts = 0;
    // The caller's stop flag, seen by every part wherever it runs.
    const std::atomic<bool>* stop = currentStop;
    std::atomic<size_t> done{0};
    std::atomic<bool> failed{false};
    std::mutex errorLock;
    std::exception_ptr error;

    template <class Work>
    void run(Work&& work)
    {
        if (!failed.load()) {
            const ReadWorkers::StopScope scope(stop);
            try {
                ReadWorkers::throwIfStopped();
                work();
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

    // On the calling thread, once it found no part left to take.
    void waitAndRethrow()
    {
        for (size_t d; (d = done.load()) < parts;)
            done.wait(d);
        // Taken out, so that the exception is let go here, where it is
        // caught, not by whichever pool task lets go of this last.
        std::exception_ptr taken;
        {
            const std::lock_guard lock(errorLock);
            taken = std::move(error);
            error = nullptr;
        }
        if (taken)
            std::rethrow_exception(taken);
    }
};

struct Parts;

// The calls of forEachPart under way, in the order they began. A call made
// inside a part (a pour's polygons inside a list's part) queues its helpers
// behind threads that are busy with the outer call's parts: those threads
// take the inner call's parts between their own, so it is not left to its
// caller alone.
std::mutex runningLock;
std::vector<std::shared_ptr<Parts>> running;

struct Parts : PartsDone, std::enable_shared_from_this<Parts> {
    size_t count = 0, partSize = 1;
    std::function<void(size_t, size_t)> work;
    std::atomic<size_t> next{0};

    bool partsLeft() const { return next.load() < parts; }

    void takeParts()
    {
        for (size_t part; (part = next.fetch_add(1)) < parts;) {
            run([&] {
                const size_t begin = part * partSize;
                work(begin, std::min(count, begin + partSize));
            });
            helpLaterCalls();
        }
    }

    void helpLaterCalls()
    {
        for (;;) {
            std::shared_ptr<Parts> later;
            {
                const std::lock_guard lock(runningLock);
                for (auto it = running.rbegin(); it != running.rend() && it->get() != this; ++it) {
                    if ((*it)->partsLeft()) {
                        later = *it;
                        break;
                    }
                }
            }
            if (!later)
                return;
            later->takeParts();
        }
    }
};

class RunningCall {
public:
    explicit RunningCall(std::shared_ptr<Parts> parts) : parts_(std::move(parts))
    {
        const std::lock_guard lock(runningLock);
        running.push_back(parts_);
    }
    ~RunningCall()
    {
        const std::lock_guard lock(runningLock);
        running.erase(std::find(running.begin(), running.end(), parts_));
    }
    RunningCall(const RunningCall&) = delete;
    RunningCall& operator=(const RunningCall&) = delete;

private:
    std::shared_ptr<Parts> parts_;
};

struct Span {
    size_t begin, end;
};

std::vector<Span> markedSpans(const std::vector<ReadWorkers::ThreadMark>& marks, size_t partSize)
{
    std::vector<Span> spans;
    partSize = std::max<size_t>(partSize, 1);
    for (size_t begin = 0; begin < marks.size();) {
        size_t end = begin + 1;
        while (end < marks.size() && end - begin < partSize && marks[end] == marks[begin])
            ++end;
        spans.push_back({begin, end});
        begin = end;
    }
    return spans;
}

constexpr size_t kMarks = size_t(ReadWorkers::kAnyThread) + 1;

// A thread takes its own mark's parts from the first on, then the others'
// from their last back, so that it meets their owner (and that owner's heap
// arena) as late as can be.
struct MarkedParts : PartsDone {
    std::vector<Span> spans;
    std::function<void(size_t, size_t, size_t)> work;
    std::vector<std::vector<size_t>> byMark = std::vector<std::vector<size_t>>(kMarks);
    std::vector<ReadWorkers::ThreadMark> present; // marks with parts
    std::unique_ptr<std::atomic<bool>[]> taken;

    void take(size_t part)
    {
        if (!taken[part].exchange(true))
            run([&] { work(part, spans[part].begin, spans[part].end); });
    }

    void takeParts(ReadWorkers::ThreadMark mark)
    {
        for (size_t part : byMark[mark])
            take(part);
        const size_t start = mark % present.size();
        for (size_t i = 0; i < present.size(); ++i) {
            const std::vector<size_t>& others = byMark[present[(start + i) % present.size()]];
            for (auto part = others.rbegin(); part != others.rend(); ++part)
                take(*part);
        }
    }
};

} // namespace

namespace ReadWorkers {

StopScope::StopScope(const std::atomic<bool>* stop) : saved_(currentStop) { currentStop = stop; }

StopScope::~StopScope() { currentStop = saved_; }

bool stopRequested() { return currentStop && currentStop->load(std::memory_order_relaxed); }

void throwIfStopped()
{
    if (stopRequested())
        throw Stopped();
}

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
        throwIfStopped();
        work(0, count);
        return;
    }
    auto shared = std::make_shared<Parts>();
    shared->count = count;
    shared->partSize = partSize;
    shared->parts = parts;
    shared->work = work;
    const RunningCall call(shared);
    QThreadPool& pool = readPool();
    for (size_t i = 0; i < helpers; ++i)
        ThreadHandoff::start(pool, [shared] { shared->takeParts(); });
    shared->takeParts();
    shared->waitAndRethrow();
}

ThreadMark currentThreadMark()
{
    static std::atomic<unsigned> marked{0};
    thread_local const ThreadMark mark = [] {
        const unsigned n = marked.fetch_add(1);
        return n < kAnyThread ? ThreadMark(n) : kAnyThread;
    }();
    return mark;
}

size_t markedPartCount(const std::vector<ThreadMark>& marks, size_t partSize)
{
    return markedSpans(marks, partSize).size();
}

void forEachMarkedPart(const std::vector<ThreadMark>& marks, size_t partSize,
                       const std::function<void(size_t, size_t, size_t)>& work)
{
    std::vector<Span> spans = markedSpans(marks, partSize);
    if (spans.empty())
        return;
    const size_t helpers = std::min(spans.size() - 1, size_t(threads() - 1));
    if (helpers == 0) {
        for (size_t part = 0; part < spans.size(); ++part) {
            throwIfStopped();
            work(part, spans[part].begin, spans[part].end);
        }
        return;
    }
    auto shared = std::make_shared<MarkedParts>();
    shared->parts = spans.size();
    for (size_t part = 0; part < spans.size(); ++part) {
        std::vector<size_t>& own = shared->byMark[marks[spans[part].begin]];
        if (own.empty())
            shared->present.push_back(marks[spans[part].begin]);
        own.push_back(part);
    }
    shared->taken = std::make_unique<std::atomic<bool>[]>(spans.size());
    shared->spans = std::move(spans);
    shared->work = work;
    QThreadPool& pool = readPool();
    for (size_t i = 0; i < helpers; ++i)
        ThreadHandoff::start(pool, [shared] { shared->takeParts(currentThreadMark()); });
    shared->takeParts(currentThreadMark());
    shared->waitAndRethrow();
}

} // namespace ReadWorkers
