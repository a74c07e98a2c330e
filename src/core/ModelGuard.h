#pragma once
// Frames may be drawn off the window's thread while the window goes on
// answering input. Such a frame reads the model (entities, sheets, the
// design) and nothing may write it meanwhile: the frame counts as a reader
// from the moment it is started until it is finished, and every place that
// may write the model calls join() first, which waits for the readers.
// Readers are only ever started on the thread that writes the model.

namespace ModelGuard {

// Counts a reader (on the writing thread, before the reader starts).
void beginRead();
// Counts it off (on any thread, when it has stopped reading).
void endRead();
// Waits until no reader is counted.
void join();
// Whether a reader is counted.
bool reading();

} // namespace ModelGuard
