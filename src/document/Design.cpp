#include "document/Design.h"

#include "core/Gzip.h"
#include "core/ModelGuard.h"
#include "core/Readers.h"
#include "core/XmlParts.h"
#include "document/DesignReader.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "document/SymbolPadNameSetter.h"

#include <QFileInfo>
#include <exception>

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

bool Design::open(const QString& path)
{
    QString error;
    std::optional<QByteArray> data = DesignReader::readFile(path, kDesignInflateLimit, &error);
    if (!data)
        return fail(path, error);
    // Handed over, not shared: plain XML is then parsed in these very bytes.
    return loadFromBytes(std::move(*data), path);
}

bool Design::loadFromBytes(QByteArray data, const QString& name)
{
    // No frame may be reading the design it replaces (see ModelGuard).
    ModelGuard::stop();
    // Everything is read into a new state; the open design is replaced only
    // when the whole file has been read.
    QString error;
    std::optional<QByteArray> xml = DesignReader::decode(std::move(data), &error);
    if (!xml)
        return fail(name, error);

    const int previousVersion = xmlVersionBeingRead;
    std::shared_ptr<DesignState> state;
    int version = 0;
    int readDesignVersion = 0;
    try {
        // A long text is parsed on several threads, its runs while they are
        // read; should one not parse after all, the whole text is parsed
        // and read again (its parse then names the fault).
        for (const bool split : {true, false}) {
            XmlParts parts;
            if (!DesignReader::parse(*xml, parts, split, &error))
                return fail(name, error);
            const pugi::xml_document& doc = parts.document();
            pugi::xml_node designElement = DesignReader::designElement(doc);
            if (!designElement)
                return fail(name, QStringLiteral("The file holds no design."));
            const pugi::xml_node root = doc.document_element();
            version = readInt32Attribute(root, "version", 0);
            readDesignVersion = readInt32Attribute(root, "designVersion", 0);

            xmlVersionBeingRead = version;
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
            return fail(name, QStringLiteral("The file could not be read."));
        stateBeingRead_ = state.get();
        SymbolPadNameSetter::assignPadNames(*state);
        // The geometry pass of the new sheets runs with the read (a long
        // list on the reading workers), not in the first paint.
        for (const std::shared_ptr<Schematic>& sheet : state->schematics)
            sheet->updateGeometry();
        if (state->pcb)
            state->pcb->updateGeometry();
        stateBeingRead_ = nullptr;
    } catch (const std::exception& e) {
        stateBeingRead_ = nullptr;
        xmlVersionBeingRead = previousVersion;
        return fail(name, QString::fromUtf8(e.what()));
    }

    state_ = std::move(state);
    designVersion = readDesignVersion;
    fileName = name;
    shortName = shortNameOf(name);
    lastError_.clear();
    return true;
}
