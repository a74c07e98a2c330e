#pragma once
// The threads that read a large design: a long list of entities, or a
// pour's vertices, is read in parts on several threads at once (and a large
// design being replaced is released so).

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <vector>

namespace ReadWorkers {

// How many threads a read may use (the calling one included); at least 1.
int threads();
// 0 gives the machine's own count, 1 reads everything on the calling thread.
void setThreads(int count);

// Calls work(begin, end) for consecutive parts of [0, count), each at most
// partSize long, on the reading threads and on the calling thread, and
// returns once every part is done. The calling thread takes parts too, so
// this also ends when every other reading thread is busy (nested calls
// included). Once a part has thrown, the parts not yet begun are skipped and
// the first exception is thrown here.
void forEachPart(size_t count, size_t partSize, const std::function<void(size_t begin, size_t end)>& work);

// A read that may be given up (one a later open replaced): while a scope is
// open on a thread, what runs there sees its flag, and so do the parts it
// hands out with forEachPart and forEachMarkedPart, wherever they run. Once
// the flag is set, the parts not yet begun are skipped and throwIfStopped
// throws Stopped; long loops of a read call it every so often.
class StopScope {
public:
    // Null: nothing stops what runs in the scope (a frame helped meanwhile).
    explicit StopScope(const std::atomic<bool>* stop);
    ~StopScope();
    StopScope(const StopScope&) = delete;
    StopScope& operator=(const StopScope&) = delete;

private:
    const std::atomic<bool>* saved_;
};
struct Stopped : std::exception {
    const char* what() const noexcept override { return "The read was stopped."; }
};
bool stopRequested();
void throwIfStopped();

// A small number telling the calling thread from the other threads that
// read (kAnyThread past the first 255 threads asking).
using ThreadMark = uint8_t;
constexpr ThreadMark kAnyThread = 255;
ThreadMark currentThreadMark();

// Like forEachPart over [0, marks.size()), in parts of consecutive items of
// one mark: a thread takes the parts of its own mark first, then helps with
// the others. Memory is freed fastest by the thread that allocated it (each
// thread allocates from its own heap arena, and frees into another one take
// that arena's lock): an item read on a thread is best measured and
// released there too. part is the index of the part, below partCount.
void forEachMarkedPart(const std::vector<ThreadMark>& marks, size_t partSize,
                       const std::function<void(size_t part, size_t begin, size_t end)>& work);
// How many parts forEachMarkedPart makes of marks.
size_t markedPartCount(const std::vector<ThreadMark>& marks, size_t partSize);

} // namespace ReadWorkers
