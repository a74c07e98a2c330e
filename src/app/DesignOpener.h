#pragma once
// The application's opens (the open panel, the recent documents, the
// samples). A design is read, its geometry pass with it, on a thread of its
// own while the window goes on answering and showing the open design; once
// read it is swapped in on the window's thread, where the view model does
// what an open does, in the same order (a file that cannot be read raises
// its alert and leaves the open design and the recent documents as they
// were). One read at a time: an open asked while another is read stops that
// read and is read next, and a read overtaken by an open made by other means
// is dropped; the last open asked wins. A read that is done waits to be
// swapped in while a dialog, popup or menu is open (it may own widgets the
// swap replaces; the busy pointer ends with the read all the same), and the
// design it replaced is let go on a thread of its own.

#include "document/Design.h"

#include <QObject>
#include <QTimer>
#include <QString>
#include <QUrl>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

class DesignState;
class ViewModel;

class DesignOpener : public QObject {
    Q_OBJECT
public:
    explicit DesignOpener(ViewModel& viewModel, QObject* parent = nullptr);
    // Stops the read under way and drops it.
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
    // Whether a read is done and waits for the dialog, popup or menu open.
    bool held() const { return held_.has_value(); }

private:
    struct Request {
        int ticket = 0;
        QString path;
        // The file, or (empty) the sample.
        QUrl url;
        QString sample;
        std::function<void()> done;
        unsigned opensAdopted = 0;
        // Set when the read is given up.
        std::shared_ptr<std::atomic<bool>> stop = std::make_shared<std::atomic<bool>>(false);
    };
    void ask(Request request);
    void start(Request request);
    // On the window's thread, once the worker has read.
    void readDone();
    void finishRead();
    // Whether the user is in a dialog, popup or menu just now.
    static bool userBusy();
    // A property editor's field half typed in commits its edit before the
    // swap replaces its editor; any other field keeps the focus.
    static void releaseDesignField();
    void releaseApart(std::shared_ptr<DesignState> replaced);
    void setBusy(bool busy);

    ViewModel& viewModel_;
    std::thread worker_;
    std::optional<Request> running_;
    std::optional<Request> next_;
    std::atomic<int> latest_{0};
    std::mutex resultLock_;
    std::optional<Design::Reading> result_;
    // Read and waiting to be adopted (window's thread only).
    std::optional<Design::Reading> held_;
    QTimer* retry_;
    std::thread releaser_;
    bool busy_ = false;
};
