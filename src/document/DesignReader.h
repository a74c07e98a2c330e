#pragma once
// The steps from the bytes of a design file to its sheets: optional 12-byte
// magic "Brindlex QEL", optional gzip or zlib compression, then XML whose
// root (of any name) has "version" and "designVersion" and a "design" child
// holding "sheets" (one "schematic" per schematic sheet) and "pcb".
// Design::open and Design::loadFromBytes run them in order.

#include <QByteArray>
#include <QString>
#include <optional>
#include <pugixml.hpp>

#include "core/XmlParts.h"

class DesignState;

namespace DesignReader {

inline constexpr char kMagic[] = "Brindlex QEL";
inline constexpr int kMagicLength = 12;

// Starts with a gzip header or a zlib stream header.
bool looksCompressed(const QByteArray& data);

// The bytes of a design file, at most maxBytes of them. Only a regular file
// is read (a link is followed): a folder, device, pipe or socket is refused
// before anything could block on it, and a file that holds or grows beyond
// maxBytes is refused without reading more. Paths of Qt resources (":/...")
// are read from the resources. None, with the reason, on any failure.
std::optional<QByteArray> readFile(const QString& path, size_t maxBytes, QString* error);

// The XML text of a file: the magic dropped when present, inflated (under
// kDesignInflateLimit) when the data has a gzip or zlib header. None, with
// the reason, when inflation fails. Plain data is handed back without a copy
// when the caller gives its bytes away.
std::optional<QByteArray> decode(QByteArray data, QString* error);

// Parses XML text that the caller keeps alive as long as parts (parsed in
// place, or, when long, its sheets' entity lists in runs on the reading
// threads). False, with the reason, when it does not parse or has no root.
// split false parses the text whole. The lists a long text may be cut in
// are partLists().
const std::vector<XmlParts::List>& partLists();
bool parse(QByteArray& xml, XmlParts& parts, bool split, QString* error);

// The root's "design" child, or a null node.
pugi::xml_node designElement(const pugi::xml_document& doc);

// The schematic sheets of "sheets", then the "pcb" sheet, into state.
void readDesignElement(pugi::xml_node designElement, DesignState& state);

} // namespace DesignReader
