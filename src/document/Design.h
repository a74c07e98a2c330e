#pragma once
// The open document. One shared instance lives for the whole run; tests may
// make their own.

#include "core/AlertItem.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>

class DesignState;

class Design {
public:
    Design();
    ~Design();
    Design(const Design&) = delete;
    Design& operator=(const Design&) = delete;

    // The one document of the process, created on first use.
    static Design& shared();

    // The current sheets, created on first use (an empty PCB sheet and no
    // schematic sheets).
    std::shared_ptr<DesignState> currentDesignState();
    // The state being filled while a file is read (entities that need the
    // document during reading find it here); null otherwise.
    DesignState* designStateBeingRead() const { return stateBeingRead_; }

    // Reads a design file. On success the document holds the new sheets; on
    // any failure (unreadable file, bad compression, XML that does not parse,
    // no design element) the open design stays as it was, lastError() tells
    // why and the alert "Could not open <file>" is raised through alertHook.
    bool open(const QString& path);
    // The same from bytes already in memory; name stands for the file. Bytes
    // given away (moved in) are parsed where they are, without a copy.
    bool loadFromBytes(QByteArray data, const QString& name);

    // A design file read into sheets of their own, apart from the open
    // design; adopt makes them the open design.
    struct Reading {
        QString name;
        // Null when the file could not be read (error tells why).
        std::shared_ptr<DesignState> state;
        QString error;
        int version = 0;
        int designVersion = 0;
    };
    // Reads the file (or the bytes, name standing for the file), the new
    // sheets' geometry pass included, writing nothing of the open design:
    // on any thread, while frames draw the open design. One read at a time
    // (entities being read ask the design which version they come from).
    Reading readApart(const QString& path);
    Reading readApart(QByteArray data, const QString& name);
    // On the thread that writes the model: what was read becomes the open
    // design (any frame reading the one before is stopped first), or, when
    // it could not be read, the open design stays and the alert is raised.
    // Returns whether the design was replaced. open is readApart then adopt.
    bool adopt(Reading reading);
    // Gives back what replaced designs left: the kept path indexes nothing
    // holds any more, and the heap's free memory (to the system). On any
    // thread, once the design replaced is let go.
    static void releaseUnused();
    // Counts the opens adopted so far, read or not: a read made apart
    // before another open was adopted is out of date.
    unsigned opensAdopted() const { return opensAdopted_; }

    QString lastError() const { return lastError_; }
    // Receives the alerts; installed by the view model.
    std::function<void(const AlertItem&)> alertHook;

    // The root's "version" of the file being (or last) read; 0 before any.
    int xmlVersionBeingRead = 0;
    // The root's "designVersion" of the last file read.
    int designVersion = 0;
    bool isProject = true;
    // The file last opened, and its name without the extension.
    QString fileName;
    QString shortName;

private:
    bool fail(const QString& name, const QString& error);
    Reading readLocked(QByteArray data, const QString& name);

    std::shared_ptr<DesignState> state_;
    DesignState* stateBeingRead_ = nullptr;
    QString lastError_;
    std::mutex readLock_;
    unsigned opensAdopted_ = 0;
};
