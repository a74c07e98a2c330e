#include "app/DesignOpener.h"

#include "app/LeftSidePanel.h"
#include "core/ReadWorkers.h"
#include "document/DesignState.h"
#include "viewport/ViewModel.h"

#include <QApplication>
#include <QCursor>
#include <QFile>

namespace {
DesignOpener* currentOpener = nullptr;

// How often a read that is done asks again whether the dialog, popup or
// menu in its way has gone.
constexpr int kHeldRetryMs = 20;
} // namespace

DesignOpener::DesignOpener(ViewModel& viewModel, QObject* parent)
    : QObject(parent), viewModel_(viewModel), retry_(new QTimer(this))
{
    if (!currentOpener)
        currentOpener = this;
    retry_->setSingleShot(true);
    retry_->setInterval(kHeldRetryMs);
    connect(retry_, &QTimer::timeout, this, &DesignOpener::readDone);
}

DesignOpener::~DesignOpener()
{
    if (currentOpener == this)
        currentOpener = nullptr;
    next_.reset();
    ++latest_;
    if (running_)
        running_->stop->store(true);
    if (worker_.joinable())
        worker_.join();
    if (releaser_.joinable())
        releaser_.join();
    setBusy(false);
}

DesignOpener* DesignOpener::current() { return currentOpener; }

void DesignOpener::openFile(const QUrl& url)
{
    Request request;
    request.url = url;
    request.path = url.isLocalFile() ? url.toLocalFile() : url.toString();
    ask(std::move(request));
}

void DesignOpener::openSample(const QString& name, std::function<void()> done)
{
    Request request;
    request.sample = name;
    request.path = QStringLiteral(":/samples/%1.project").arg(name);
    if (!QFile::exists(request.path)) {
        // Not an open at all: the one under way goes on.
        if (done)
            done();
        return;
    }
    request.done = std::move(done);
    ask(std::move(request));
}

void DesignOpener::ask(Request request)
{
    request.ticket = ++latest_;
    if (!running_) {
        start(std::move(request));
        return;
    }
    // The read under way is given up; the one done and waiting is dropped.
    running_->stop->store(true);
    next_ = std::move(request);
    if (held_)
        finishRead();
}

void DesignOpener::start(Request request)
{
    Design& design = Design::shared();
    request.opensAdopted = design.opensAdopted();
    const int ticket = request.ticket;
    const QString path = request.path;
    std::shared_ptr<std::atomic<bool>> stop = request.stop;
    running_ = std::move(request);
    setBusy(true);
    worker_ = std::thread([this, ticket, path, stop] {
        Design::Reading reading;
        {
            const ReadWorkers::StopScope scope(stop.get());
            reading = Design::shared().readApart(path);
        }
        // Overtaken: released here rather than on the window's thread.
        if (ticket != latest_.load() || stop->load())
            reading.state.reset();
        {
            const std::lock_guard<std::mutex> hold(resultLock_);
            result_ = std::move(reading);
        }
        QMetaObject::invokeMethod(this, &DesignOpener::readDone, Qt::QueuedConnection);
    });
}

void DesignOpener::readDone()
{
    {
        const std::lock_guard<std::mutex> hold(resultLock_);
        if (!result_ && !held_)
            return; // finished already, or still reading
    }
    finishRead();
}

bool DesignOpener::userBusy()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    return QApplication::activeModalWidget() || QApplication::activePopupWidget();
}

void DesignOpener::releaseDesignField()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    // Only the property editor edits the design replaced: its field commits
    // on losing the focus, into that design, and is let go before its
    // editor goes. Any other field (the account box, a search or settings
    // field) keeps the focus, or the rest of what is typed there would go to
    // the window's shortcuts.
    QWidget* focus = QApplication::focusWidget();
    for (QWidget* widget = focus; widget; widget = widget->parentWidget())
        if (qobject_cast<PropertiesPanel*>(widget)) {
            focus->clearFocus();
            return;
        }
}

void DesignOpener::finishRead()
{
    if (worker_.joinable())
        worker_.join();
    {
        const std::lock_guard<std::mutex> hold(resultLock_);
        if (result_) {
            held_ = std::move(result_);
            result_.reset();
        }
    }
    Design& design = Design::shared();
    // Adopted only when no open was asked or made since.
    const bool current
        = !next_ && running_->ticket == latest_.load() && design.opensAdopted() == running_->opensAdopted;
    // A dialog or menu may belong to a widget the swap replaces, and a
    // dialog's own event loop may be running this very call: the swap
    // waits for it to close.
    if (current && held_ && userBusy()) {
        // The read is over: the pointer says so, though the swap waits.
        setBusy(false);
        retry_->start();
        return;
    }
    retry_->stop();
    std::optional<Design::Reading> reading = std::move(held_);
    held_.reset();
    Request request = std::move(*running_);
    running_.reset();
    if (next_) {
        Request next = std::move(*next_);
        next_.reset();
        start(std::move(next));
    } else {
        setBusy(false);
    }
    if (!current || !reading) {
        // What a stopped read kept is dropped once the read after it is
        // done: dropped now, it would slow that read down.
        if (reading && (reading->state || !running_))
            releaseApart(std::move(reading->state));
        return;
    }
    releaseDesignField();
    std::shared_ptr<DesignState> replaced = design.currentDesignState();
    if (design.adopt(std::move(*reading))) {
        if (request.sample.isEmpty())
            viewModel_.designRead(request.url);
        else
            viewModel_.openDesignFile(request.sample);
        releaseApart(std::move(replaced));
    } else {
        releaseApart(nullptr);
    }
    if (request.done)
        request.done();
}

void DesignOpener::releaseApart(std::shared_ptr<DesignState> replaced)
{
    // A large design takes a while to free: not on the window's thread,
    // which does not wait for the release before this one either (swaps in
    // quick succession); each release waits for the one before.
    std::thread before = std::move(releaser_);
    releaser_ = std::thread([before = std::move(before), replaced = std::move(replaced)]() mutable {
        replaced.reset();
        if (before.joinable())
            before.join();
        Design::releaseUnused();
    });
}

void DesignOpener::setBusy(bool busy)
{
    if (busy == busy_ || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    busy_ = busy;
    // The window answers meanwhile: the pointer says so.
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}
