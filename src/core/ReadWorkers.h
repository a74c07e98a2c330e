#pragma once
// The threads that read a large design: a long list of entities, or a
// pour's vertices, is read in parts on several threads at once (and a large
// design being replaced is released so).

#include <cstddef>
#include <functional>

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

} // namespace ReadWorkers
