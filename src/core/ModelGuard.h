#pragma once
// Frames may be drawn off the window's thread while the window goes on
// answering input. Such a frame reads the model (entities, sheets, the
// design) and nothing may write it meanwhile: the frame counts as a reader
// from the moment it is started until it is finished, and every place that
// may write the model first stops the readers (stop) or waits for them
// (join). Readers are only ever started, stopped and waited for on the
// thread that writes the model.
//
// A stopped reader returns early, leaving its work unfinished: a frame
// checks stopRequested between entities and inside long paths, and is not
// shown when it was stopped.

#include <atomic>
#include <functional>

class QCoreApplication;
class QEvent;
class QObject;

namespace ModelGuard {

namespace detail {
extern std::atomic<int> readers;
extern std::atomic<bool> stopping;
} // namespace detail

// Counts a reader (on the writing thread, before the reader starts).
void beginRead();
// Counts it off (on any thread, when it has stopped reading).
void endRead();
// Waits until no reader is counted.
void join();
// Asks the readers to stop and waits until they have; then clears the
// request. Nothing when none is counted.
void stop();
// Whether a reader is counted (one atomic load: asked on every event).
inline bool reading() { return detail::readers.load(std::memory_order_acquire) > 0; }
// Whether readers are asked to stop (checked often while drawing).
inline bool stopRequested() { return detail::stopping.load(std::memory_order_relaxed); }

// Which input stops the readers before it is delivered: whatever may write
// the model (keys, clicks, drags, menus, drops, a close, and a focus lost,
// when a field commits its edit). Everything else (timers, queued calls,
// paints) writes the model only after stop itself (redraw requests,
// selection, the swap of a design).
bool stopsReaders(const QEvent* event);
// Installs on the application the filter that stops the readers before
// such input, unless viewInput says it is input for a view alone (wheel,
// middle-button pan, hover), which only moves the view.
void installStopFilter(QCoreApplication& app, std::function<bool(QObject*, QEvent*)> viewInput);

} // namespace ModelGuard
