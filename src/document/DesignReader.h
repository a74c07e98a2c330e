#pragma once
// Turns the bytes of a design file into a new DesignState: optional
// 12-byte magic "Brindlex QEL", optional gzip or zlib compression, then XML
// whose root (of any name) has "version" and "designVersion" and a "design"
// child holding "sheets" (one "schematic" per schematic sheet) and "pcb".

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>
#include <pugixml.hpp>

class Design;
class DesignState;

namespace DesignReader {

inline constexpr char kMagic[] = "Brindlex QEL";
inline constexpr int kMagicLength = 12;

// The XML text of a file: the magic dropped when present, inflated when
// compressed. None (with the reason) when inflation fails.
std::optional<QByteArray> decode(const QByteArray& data, QString* error);

// Parses the XML and reads every sheet into a new state for design. Sets
// design.xmlVersionBeingRead while reading. None (with the reason) when the
// XML does not parse or holds no design element.
std::shared_ptr<DesignState> read(Design& design, const QByteArray& data, QString* error);

// Reads the "design" element into state.
void readDesignElement(pugi::xml_node designElement, DesignState& state);

} // namespace DesignReader
