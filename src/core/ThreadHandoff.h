#pragma once
// Work handed to other threads through Qt's pool and semaphores. Qt is not
// built for ThreadSanitizer, so the order its queue and semaphore give is
// not seen there; a Handoff tells it, and costs nothing in other builds.
// Separate marks for the way out and the way back keep the order narrow:
// tasks are ordered after their sender, never after one another.

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

class ThreadHandoff {
public:
#ifdef BRINDLEX_THREAD_SANITIZER
    // On the sending thread, before the tasks are queued.
    void send() { __tsan_release(&sent_); }
    // First thing in each task.
    void receive() { __tsan_acquire(&sent_); }
    // Last thing in each task, before it signals that it is done.
    void finish() { __tsan_release(&finished_); }
    // On the sending thread, once every task has signalled.
    void join() { __tsan_acquire(&finished_); }

private:
    char sent_ = 0;
    char finished_ = 0;
#else
    void send() {}
    void receive() {}
    void finish() {}
    void join() {}
#endif
};
