#include "app/DesignOpener.h"

#include "document/DesignState.h"
#include "viewport/ViewModel.h"

#include <QFile>
#include <QCursor>
#include <QGuiApplication>

namespace {
DesignOpener* currentOpener = nullptr;
}

DesignOpener::DesignOpener(ViewModel& viewModel, QObject* parent) : QObject(parent), viewModel_(viewModel)
{
    if (!currentOpener)
        currentOpener = this;
}

DesignOpener::~DesignOpener()
{
    if (currentOpener == this)
        currentOpener = nullptr;
    next_.reset();
    ++latest_;
    if (worker_.joinable())
        worker_.join();
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
    if (running_)
        next_ = std::move(request);
    else
        start(std::move(request));
}

void DesignOpener::start(Request request)
{
    Design& design = Design::shared();
    request.opensAdopted = design.opensAdopted();
    const int ticket = request.ticket;
    const QString path = request.path;
    running_ = std::move(request);
    setBusy(true);
    worker_ = std::thread([this, ticket, path] {
        Design::Reading reading = Design::shared().readApart(path);
        // Overtaken: released here rather than on the window's thread.
        if (ticket != latest_.load())
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
        if (!result_)
            return; // finished already
    }
    finishRead();
}

void DesignOpener::finish()
{
    while (running_)
        finishRead();
}

void DesignOpener::finishRead()
{
    worker_.join();
    std::optional<Design::Reading> reading;
    {
        const std::lock_guard<std::mutex> hold(resultLock_);
        reading.swap(result_);
    }
    Request request = std::move(*running_);
    running_.reset();
    Design& design = Design::shared();
    // Adopted only when no open was asked or made since.
    const bool current = !next_ && request.ticket == latest_.load() && design.opensAdopted() == request.opensAdopted;
    if (next_) {
        Request next = std::move(*next_);
        next_.reset();
        start(std::move(next));
    } else {
        setBusy(false);
    }
    if (!current || !reading)
        return;
    if (design.adopt(std::move(*reading))) {
        if (request.sample.isEmpty())
            viewModel_.designRead(request.url);
        else
            viewModel_.openDesignFile(request.sample);
    }
    if (request.done)
        request.done();
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
