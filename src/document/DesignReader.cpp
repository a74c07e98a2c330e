#include "document/DesignReader.h"

#include "core/Gzip.h"
#include "core/Readers.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"

#include <string_view>

namespace {
// A zlib stream header: deflate method, a window of at most 32 KiB, and the
// header checksum.
bool looksZlib(const QByteArray& data)
{
    if (data.size() < 2)
        return false;
    const auto cmf = uint8_t(data[0]);
    const auto flg = uint8_t(data[1]);
    return (cmf & 0x0f) == 8 && (cmf >> 4) <= 7 && ((cmf << 8) | flg) % 31 == 0;
}
}

namespace DesignReader {

bool looksCompressed(const QByteArray& data) { return looksGzip(data) || looksZlib(data); }

std::optional<QByteArray> decode(const QByteArray& data, QString* error)
{
    QByteArray bytes = data;
    if (bytes.startsWith(QByteArrayView(kMagic, kMagicLength)))
        bytes.remove(0, kMagicLength);
    if (!looksCompressed(bytes))
        return bytes;
    std::optional<QByteArray> inflated = gzipInflate(bytes, kDesignInflateLimit);
    if (!inflated && error)
        *error = QStringLiteral("The compressed design data is damaged, truncated or too large.");
    return inflated;
}

bool parse(QByteArray& xml, pugi::xml_document& doc, QString* error)
{
    // In place: no second copy of a large file.
    pugi::xml_parse_result result
        = doc.load_buffer_inplace(xml.data(), size_t(xml.size()), pugi::parse_default, pugi::encoding_auto);
    if (!result) {
        if (error)
            *error = QStringLiteral("%1 (at byte %2)").arg(QString::fromUtf8(result.description())).arg(result.offset);
        return false;
    }
    if (!doc.document_element()) {
        if (error)
            *error = QStringLiteral("No document element");
        return false;
    }
    return true;
}

pugi::xml_node designElement(const pugi::xml_document& doc)
{
    return childElement(doc.document_element(), "design");
}

void readDesignElement(pugi::xml_node design, DesignState& state)
{
    if (pugi::xml_node sheets = childElement(design, "sheets")) {
        for (pugi::xml_node child : sheets.children()) {
            if (child.type() == pugi::node_element && std::string_view(child.name()) == "schematic")
                state.addSchematic()->readXML(child);
        }
    }
    if (pugi::xml_node pcb = childElement(design, "pcb"))
        state.pcb->readXML(pcb);
}

} // namespace DesignReader
