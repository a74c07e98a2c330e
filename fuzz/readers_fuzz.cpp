// Fuzzes the number, colour and attribute readers, the embedded bitmap
// reader and the gzip codec with arbitrary bytes.
#include "core/Gzip.h"
#include "core/Readers.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void readEveryWay(pugi::xml_node element, const char* name)
{
    check(std::isfinite(readFloatAttribute(element, name, 0)));
    check(std::isfinite(readDoubleAttribute(element, name, 0)));
    readIntAttribute(element, name, 0);
    readInt32Attribute(element, name, 0);
    readIdAttribute(element, name, Id{});
    readBoolAttribute(element, name, false);
    readStringAttribute(element, name);
    check(readColorAttribute(element, name, Qt::black).isValid());
    const QPointF p = readPointAttribute(element, name, {});
    check(std::isfinite(p.x()) && std::isfinite(p.y()));
    const QSizeF s = readSizeAttribute(element, name, {});
    check(std::isfinite(s.width()) && std::isfinite(s.height()));
    const Vector3 v = readVector3Attribute(element, name, {});
    check(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    if (const auto f = parseFloat(text))
        check(std::isfinite(*f));
    if (const auto d = parseDouble(text))
        check(std::isfinite(*d));
    if (parseInt(text)) {
        // Only a sign and digits ever read as an integer.
        for (size_t i = 0; i < size; ++i)
            check((data[i] >= '0' && data[i] <= '9') || (i == 0 && (data[i] == '+' || data[i] == '-')));
    }
    if (const auto c = parseColor(text))
        check(c->isValid());

    pugi::xml_document doc;
    if (doc.load_buffer(data, size)) {
        int visited = 0;
        for (pugi::xml_node element = doc.first_child(); element && visited < 64; ++visited) {
            if (element.type() == pugi::node_element) {
                int attributes = 0;
                for (pugi::xml_attribute a = element.first_attribute(); a && attributes < 16; a = a.next_attribute(), ++attributes)
                    readEveryWay(element, a.name());
                const QRectF r = readRectAttribute(element, QRectF(1, 2, 3, 4));
                check(std::isfinite(r.x()) && std::isfinite(r.width()));
                int children = 0;
                for (pugi::xml_node child = element.first_child(); child && children < 16; child = child.next_sibling(), ++children)
                    if (child.type() == pugi::node_element)
                        readBitmapData(element, child.name(), QImage());
                check(!childElement(element, "bitmap") || std::strcmp(childElement(element, "bitmap").name(), "bitmap") == 0);
            }
            // Depth-first walk without recursion.
            if (element.first_child()) {
                element = element.first_child();
            } else {
                while (element && !element.next_sibling())
                    element = element.parent();
                if (element)
                    element = element.next_sibling();
            }
        }
    }

    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    constexpr size_t cap = 1 << 20;
    if (const auto inflated = gzipInflate(bytes, cap))
        check(size_t(inflated->size()) <= cap);
    if (size <= 4096)
        check(gzipInflate(gzipDeflate(bytes), size) == bytes);
    return 0;
}
