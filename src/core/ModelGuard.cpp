#include "core/ModelGuard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMouseEvent>

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

bool stopsReaders(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::Drop:
    case QEvent::Close:
    case QEvent::FocusOut: // a field commits its edit when it loses the focus
        return true;
    case QEvent::MouseMove:
        // A drag; the pointer merely passing over a widget writes nothing.
        return static_cast<const QMouseEvent*>(event)->buttons() != Qt::NoButton;
    default:
        return false;
    }
}

namespace {

// The one place every event of the application passes: while a reader
// runs (one atomic load to ask), input that may write the model first
// stops it.
class StopFilter : public QObject {
public:
    StopFilter(QObject* parent, std::function<bool(QObject*, QEvent*)> viewInput)
        : QObject(parent), viewInput_(std::move(viewInput))
    {
    }
    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        if (reading() && stopsReaders(event) && !(viewInput_ && viewInput_(receiver, event)))
            stop();
        return false;
    }

private:
    std::function<bool(QObject*, QEvent*)> viewInput_;
};

} // namespace

void installStopFilter(QCoreApplication& app, std::function<bool(QObject*, QEvent*)> viewInput)
{
    app.installEventFilter(new StopFilter(&app, std::move(viewInput)));
}

} // namespace ModelGuard
