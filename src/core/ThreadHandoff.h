#pragma once
// Work handed to other threads through Qt's pool, semaphores and wait
// conditions. Qt is not built for ThreadSanitizer, so the order that they
// give is not seen there: these marks tell it, as narrowly as they can
// (tasks are ordered after their sender, never after one another), and cost
// nothing in other builds.

#include <QRunnable>
#include <QThreadPool>

#include <type_traits>
#include <utility>

#if defined(__SANITIZE_THREAD__)
#define BRINDLEX_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define BRINDLEX_THREAD_SANITIZER 1
#endif
#endif

#ifdef BRINDLEX_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace ThreadHandoff {

#ifdef BRINDLEX_THREAD_SANITIZER
// The task's own object is the mark: the pool thread knows its address
// without reading anything the sender wrote.
template <class Task>
class Handed final : public QRunnable {
public:
    explicit Handed(Task task) : task_(std::move(task)) {}
    void run() override
    {
        __tsan_acquire(this);
        task_();
    }

private:
    Task task_;
};
#endif

// Queues task on pool; the task sees everything this thread did before.
template <class Task>
void start(QThreadPool& pool, Task&& task)
{
#ifdef BRINDLEX_THREAD_SANITIZER
    auto* handed = new Handed<std::decay_t<Task>>(std::forward<Task>(task));
    __tsan_release(handed);
    pool.start(handed);
#else
    pool.start(std::forward<Task>(task));
#endif
}

// A task, last before it signals the waiting thread (a QSemaphore
// release): release(token). The waiting thread, once woken: acquire(token).
// The token is any address both know, the semaphore's for one.
inline void release([[maybe_unused]] const void* token)
{
#ifdef BRINDLEX_THREAD_SANITIZER
    __tsan_release(const_cast<void*>(token));
#endif
}

inline void acquire([[maybe_unused]] const void* token)
{
#ifdef BRINDLEX_THREAD_SANITIZER
    __tsan_acquire(const_cast<void*>(token));
#endif
}

// condition.wait(&mutex) for a QWaitCondition and a QMutex. The mutex's
// inline lock and unlock tell ThreadSanitizer about it, but the wait unlocks
// and locks it again inside Qt, unseen: it would take the waiter for the
// holder all along.
template <class Condition, class Mutex>
bool wait(Condition& condition, Mutex& mutex)
{
#ifdef BRINDLEX_THREAD_SANITIZER
    __tsan_mutex_pre_unlock(&mutex, 0);
    __tsan_mutex_post_unlock(&mutex, 0);
    const bool woken = condition.wait(&mutex);
    __tsan_mutex_pre_lock(&mutex, 0);
    __tsan_mutex_post_lock(&mutex, 0, 0);
    return woken;
#else
    return condition.wait(&mutex);
#endif
}

} // namespace ThreadHandoff
