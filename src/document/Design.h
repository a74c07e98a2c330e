#pragma once
// The open document. One shared instance lives for the whole run; tests may
// make their own.

#include "core/AlertItem.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

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

    std::shared_ptr<DesignState> state_;
    DesignState* stateBeingRead_ = nullptr;
    QString lastError_;
};
