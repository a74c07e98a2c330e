#pragma once
// The application's opens (the open panel, the recent documents, the
// samples). A design is read, its geometry pass with it, on a thread of its
// own while the window goes on answering and showing the open design; once
// read it is swapped in on the window's thread, where the view model does
// what an open does, in the same order (a file that cannot be read raises
// its alert and leaves the open design and the recent documents as they
// were). One read at a time: an open asked while another is read is read
// next and the one before is dropped, as is a read overtaken by an open
// made by other means; the last open asked wins.

#include "document/Design.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

class ViewModel;

class DesignOpener : public QObject {
    Q_OBJECT
public:
    explicit DesignOpener(ViewModel& viewModel, QObject* parent = nullptr);
    // Waits for the read under way and drops it.
    ~DesignOpener() override;
    DesignOpener(const DesignOpener&) = delete;
    DesignOpener& operator=(const DesignOpener&) = delete;

    // The application's opener while there is one; without one, opens are
    // made on the window's thread (ViewModel::loadDesign, openSampleDesign).
    static DesignOpener* current();

    // Both return at once. A file: loadDesign's steps once it is read. A
    // sample (":/samples/<name>.project"; none of that name: no effect):
    // openSampleDesign's. done, when given, runs after the open was
    // adopted or failed (not when it was overtaken).
    void openFile(const QUrl& url);
    void openSample(const QString& name, std::function<void()> done = {});

    // Whether an open was asked and is neither adopted nor dropped yet.
    bool pending() const { return running_.has_value(); }
    // Waits for the opens asked and finishes them now, in order.
    void finish();

private:
    struct Request {
        int ticket = 0;
        QString path;
        // The file, or (empty) the sample.
        QUrl url;
        QString sample;
        std::function<void()> done;
        unsigned opensAdopted = 0;
    };
    void ask(Request request);
    void start(Request request);
    // On the window's thread, once the worker has read.
    void readDone();
    void finishRead();
    void setBusy(bool busy);

    ViewModel& viewModel_;
    std::thread worker_;
    std::optional<Request> running_;
    std::optional<Request> next_;
    std::atomic<int> latest_{0};
    std::mutex resultLock_;
    std::optional<Design::Reading> result_;
    bool busy_ = false;
};
