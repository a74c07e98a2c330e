#include "document/Design.h"

#include "core/Gzip.h"
#include "core/ModelGuard.h"
#include "core/PathDetail.h"
#include "core/ReadWorkers.h"
#include "core/Readers.h"
#include "core/XmlParts.h"
#include "document/DesignReader.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "document/SymbolPadNameSetter.h"

#include <QFileInfo>
#include <exception>

#include <malloc.h>

namespace {
// The name without "." and the extension, wherever they occur.
QString shortNameOf(const QString& name)
{
    const QFileInfo info(name);
    QString base = info.fileName();
    const QString suffix = info.suffix();
    if (suffix.isEmpty())
        return base;
    return base.remove(QLatin1Char('.') + suffix);
}
}

Design::Design() = default;
Design::~Design() = default;

Design& Design::shared()
{
    static Design design;
    return design;
}

std::shared_ptr<DesignState> Design::currentDesignState()
{
    if (!state_)
        state_ = std::make_shared<DesignState>(this);
    return state_;
}

bool Design::fail(const QString& name, const QString& error)
{
    lastError_ = error;
    AlertItem alert;
    alert.title = QStringLiteral("Could not open ") + name;
    alert.message = error;
    if (alertHook)
        alertHook(alert);
    return false;
}

bool Design::open(const QString& path) { return adopt(readApart(path)); }

bool Design::loadFromBytes(QByteArray data, const QString& name) { return adopt(readApart(std::move(data), name)); }

Design::Reading Design::readApart(const QString& path)
{
    QString error;
    std::optional<QByteArray> data = DesignReader::readFile(path, kDesignInflateLimit, &error);
    if (!data) {
        Reading failed;
        failed.name = path;
        failed.error = error;
        return failed;
    }
    // Handed over, not shared: plain XML is then parsed in these very bytes.
    return readApart(std::move(*data), path);
}

Design::Reading Design::readApart(QByteArray data, const QString& name)
{
    const std::lock_guard<std::mutex> hold(readLock_);
    const int previousVersion = xmlVersionBeingRead;
    Reading reading = readLocked(std::move(data), name);
    xmlVersionBeingRead = previousVersion;
    stateBeingRead_ = nullptr;
    return reading;
}

Design::Reading Design::readLocked(QByteArray data, const QString& name)
{
    Reading reading;
    reading.name = name;
    const auto failed = [&reading](const QString& error) {
        reading.state.reset();
        reading.error = error;
        return std::move(reading);
    };
    // Everything is read into a new state; the open design is replaced only
    // when the whole file has been read.
    QString error;
    std::optional<QByteArray> xml = DesignReader::decode(std::move(data), &error);
    if (!xml)
        return failed(error);
    if (ReadWorkers::stopRequested())
        return failed(QString::fromUtf8(ReadWorkers::Stopped().what()));

    std::shared_ptr<DesignState> state;
    try {
        // A long text is parsed on several threads, its runs while they are
        // read; should one not parse after all, the whole text is parsed
        // and read again (its parse then names the fault).
        for (const bool split : {true, false}) {
            XmlParts parts;
            if (!DesignReader::parse(*xml, parts, split, &error))
                return failed(error);
            const pugi::xml_document& doc = parts.document();
            pugi::xml_node designElement = DesignReader::designElement(doc);
            if (!designElement)
                return failed(QStringLiteral("The file holds no design."));
            const pugi::xml_node root = doc.document_element();
            reading.version = readInt32Attribute(root, "version", 0);
            reading.designVersion = readInt32Attribute(root, "designVersion", 0);

            xmlVersionBeingRead = reading.version;
            const AttributeIndexScope attributeIndex;
            const XmlParts::Scope partsScope(&parts);
            state = std::make_shared<DesignState>(this);
            stateBeingRead_ = state.get();
            DesignReader::readDesignElement(designElement, *state);
            stateBeingRead_ = nullptr;
            if (!parts.failed())
                break;
            state.reset();
        }
        if (!state)
            return failed(QStringLiteral("The file could not be read."));
        stateBeingRead_ = state.get();
        SymbolPadNameSetter::assignPadNames(*state);
        // The geometry pass of the new sheets runs with the read (a long
        // list on the reading workers), not in the first paint.
        for (const std::shared_ptr<Schematic>& sheet : state->schematics)
            sheet->updateGeometry();
        if (state->pcb)
            state->pcb->updateGeometry();
    } catch (const std::exception& e) {
        return failed(QString::fromUtf8(e.what()));
    }
    reading.state = std::move(state);
    return reading;
}

bool Design::adopt(Reading reading)
{
    ++opensAdopted_;
    if (!reading.state)
        return fail(reading.name, reading.error);
    // No frame may be reading the design it replaces (see ModelGuard).
    ModelGuard::stop();
    state_ = std::move(reading.state);
    xmlVersionBeingRead = reading.version;
    designVersion = reading.designVersion;
    fileName = reading.name;
    shortName = shortNameOf(reading.name);
    lastError_.clear();
    return true;
}

void Design::releaseUnused()
{
    PathDetail::dropUnheld();
    // glibc keeps the pages of small blocks freed; a design is millions of them.
    malloc_trim(0);
}
