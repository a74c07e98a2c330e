#pragma once
// Typed readers of the design file's attributes. Every reader returns the
// default when the attribute is missing or unreadable. Numbers are read in
// the "C" locale whatever the process locale: whole text, no leading blank,
// nothing after the number, finite results only.

#include "core/Values.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

// While one lives, the attribute readers of this thread look an element's
// attributes up in an index built once per element instead of comparing
// names one after another on every read. Only for reading a document that
// outlives the scope and is not changed meanwhile (the design reader opens
// one around reading its parsed file).
class AttributeIndexScope {
public:
    AttributeIndexScope();
    ~AttributeIndexScope();
    AttributeIndexScope(const AttributeIndexScope&) = delete;
    AttributeIndexScope& operator=(const AttributeIndexScope&) = delete;
    // Whether one lives on this thread: work handed to another thread opens
    // its own there.
    static bool active();
};

// An attribute name with its hash. Made from a literal in an inline reader,
// the length and hash fold away at compile time.
struct AttributeName {
    const char* text;
    uint32_t hash;
};
// Length and three characters: cheap, and distinct for nearly every pair of
// names one element carries (a clash costs one string comparison).
constexpr uint32_t attributeNameHash(const char* name)
{
    const size_t length = std::char_traits<char>::length(name);
    if (length == 0)
        return 0;
    return uint32_t(length) << 24 ^ uint32_t(uint8_t(name[0])) << 16 ^ uint32_t(uint8_t(name[length / 2])) << 8
        ^ uint32_t(uint8_t(name[length - 1]));
}
constexpr AttributeName attributeName(const char* name) { return {name, attributeNameHash(name)}; }

namespace attribute_detail {
// The element indexed last under an AttributeIndexScope and a mask of its
// attribute names' hashes: a look-up of a name it surely lacks (most of the
// names entities ask for) is settled inline, without a call.
struct MissFilter {
    const void* element = nullptr;
    uint64_t mask = 0;
};
extern constinit thread_local MissFilter missFilter;
constexpr uint64_t maskBit(uint32_t hash) { return uint64_t(1) << ((hash ^ hash >> 8 ^ hash >> 19) & 63); }
// The node's identity without a call into the XML library: a node handle
// is one pointer (null for a null node).
inline const void* nodeIdentity(const pugi::xml_node& element)
{
    static_assert(sizeof(pugi::xml_node) == sizeof(void*) && std::is_trivially_copyable_v<pugi::xml_node>);
    const void* p = nullptr;
    std::memcpy(&p, &element, sizeof p);
    return p;
}
inline bool surelyAbsent(const pugi::xml_node& element, AttributeName name)
{
    const MissFilter& f = missFilter;
    return f.element && f.element == nodeIdentity(element) && !(f.mask & maskBit(name.hash));
}
// A reader by literal name: the default when the element surely lacks the
// attribute, else the reader by hashed name.
template <class T, class D>
inline T readNamed(pugi::xml_node element, const char* name, std::type_identity_t<D> defaultValue,
    T (*read)(pugi::xml_node, AttributeName, D))
{
    const AttributeName n = attributeName(name);
    return surelyAbsent(element, n) ? T(defaultValue) : read(element, n, defaultValue);
}
} // namespace attribute_detail

// Whether a node or attribute handle is a real one, without a call into the
// XML library (walks over hundreds of thousands of vertices ask it for
// each). A handle is one pointer, null for a null handle.
template <class Handle>
inline bool xmlPresent(const Handle& handle)
{
    static_assert(sizeof(Handle) == sizeof(void*) && std::is_trivially_copyable_v<Handle>);
    const void* p = nullptr;
    std::memcpy(&p, &handle, sizeof p);
    return p != nullptr;
}
// Whether a node or attribute name equals the literal, compared in line.
inline bool xmlNameIs(const char* own, const char* name)
{
    while (*name && *own == *name)
        ++own, ++name;
    return *own == *name;
}

// The attribute's text, or none when the element has no such attribute.
std::optional<std::string_view> attributeText(pugi::xml_node element, AttributeName name);
// The attribute's text, or null when the element has no such attribute.
inline const char* attributeValue(pugi::xml_node element, const char* name)
{
    const AttributeName n = attributeName(name);
    if (attribute_detail::surelyAbsent(element, n))
        return nullptr;
    const std::optional<std::string_view> text = attributeText(element, n);
    return text ? text->data() : nullptr;
}

// Single-precision number of the whole text; none when empty, when it starts
// with white space, when anything follows the number, or when not finite.
std::optional<float> parseFloat(std::string_view text);
// The same at double precision.
std::optional<double> parseDouble(std::string_view text);
// "x,y" at single precision, widened, as readPointAttribute reads it; none
// when unreadable.
std::optional<QPointF> parsePoint(std::string_view text);

namespace number_detail {
// The plain decimals that fill a pour ("-7.40986": a sign, digits, a point,
// digits) at single precision without the general conversion: with at most
// 2^24 as the digits' value and at most ten digits after the point, both the
// digits and the power of ten are exact floats, so their one division is the
// correctly rounded value the general conversion gives. Reads from p up to
// the end (end, or a NUL with Terminated) or a comma, leaving p there; false,
// with p anywhere, for any other text, which then takes the general way.
template <bool Terminated>
inline bool scanPlainDecimalFloat(const char*& p, const char* end, float& value)
{
    static constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    const auto atEnd = [end](const char* q) { return Terminated ? *q == '\0' : q == end; };
    const bool negative = !atEnd(p) && *p == '-';
    if (negative)
        ++p;
    uint32_t digits = 0;
    int integerDigits = 0, fractionDigits = 0;
    for (; !atEnd(p) && uint8_t(*p - '0') < 10; ++p, ++integerDigits) {
        digits = digits * 10 + uint32_t(*p - '0');
        if (digits > (1u << 24))
            return false;
    }
    if (integerDigits == 0)
        return false;
    if (!atEnd(p) && *p != ',') {
        if (*p != '.')
            return false;
        for (++p; !atEnd(p) && uint8_t(*p - '0') < 10; ++p, ++fractionDigits) {
            digits = digits * 10 + uint32_t(*p - '0');
            if (digits > (1u << 24) || fractionDigits == 10)
                return false;
        }
        if ((!atEnd(p) && *p != ',') || fractionDigits == 0)
            return false;
    }
    value = float(digits) / kPowersOfTen[fractionDigits];
    if (negative)
        value = -value;
    return true;
}

// Two plain decimals and a comma between them, as nearly every point is
// written, in one pass; what follows a second comma is not looked at.
template <bool Terminated>
inline std::optional<QPointF> scanPlainPoint(const char* p, const char* end)
{
    float x, y;
    if (!scanPlainDecimalFloat<Terminated>(p, end, x) || (Terminated ? *p == '\0' : p == end))
        return std::nullopt; // no comma
    if (!scanPlainDecimalFloat<Terminated>(++p, end, y))
        return std::nullopt;
    return QPointF(x, y);
}
} // namespace number_detail

// The same of a terminated text. The common form is read in line: pours
// read hundreds of thousands of points, where a call apiece shows.
inline std::optional<QPointF> parsePoint(const char* text)
{
    if (const std::optional<QPointF> plain = number_detail::scanPlainPoint<true>(text, nullptr))
        return plain;
    return parsePoint(std::string_view(text));
}

// Optional sign and one or more decimal digits within the 64-bit range.
std::optional<int64_t> parseInt(std::string_view text);

// Present and exactly "true" gives true; present and anything else gives
// false; missing gives the default.
bool readBoolAttribute(pugi::xml_node element, AttributeName name, bool defaultValue);
inline bool readBoolAttribute(pugi::xml_node element, const char* name, bool defaultValue)
{
    return attribute_detail::readNamed(element, name, defaultValue, readBoolAttribute);
}
// Double-precision number.
double readDoubleAttribute(pugi::xml_node element, AttributeName name, double defaultValue);
inline double readDoubleAttribute(pugi::xml_node element, const char* name, double defaultValue)
{
    return attribute_detail::readNamed(element, name, defaultValue, readDoubleAttribute);
}
// Single-precision number widened to double (0.1 reads as 0.10000000149011612).
double readFloatAttribute(pugi::xml_node element, AttributeName name, double defaultValue);
inline double readFloatAttribute(pugi::xml_node element, const char* name, double defaultValue)
{
    return attribute_detail::readNamed(element, name, defaultValue, readFloatAttribute);
}
int64_t readIntAttribute(pugi::xml_node element, AttributeName name, int64_t defaultValue);
inline int64_t readIntAttribute(pugi::xml_node element, const char* name, int64_t defaultValue)
{
    return attribute_detail::readNamed(element, name, defaultValue, readIntAttribute);
}
// The same, also giving the default when the value does not fit an int.
int readInt32Attribute(pugi::xml_node element, AttributeName name, int defaultValue);
inline int readInt32Attribute(pugi::xml_node element, const char* name, int defaultValue)
{
    return attribute_detail::readNamed(element, name, defaultValue, readInt32Attribute);
}

// None when the attribute is missing.
std::optional<std::string> readStringAttribute(pugi::xml_node element, const char* name);
std::string readStringAttribute(pugi::xml_node element, const char* name, const std::string& defaultValue);
// The attribute's text (UTF-8) when present, `current` when missing.
QString readTextAttribute(pugi::xml_node element, AttributeName name, const QString& current);
inline QString readTextAttribute(pugi::xml_node element, const char* name, const QString& current)
{
    return attribute_detail::readNamed(element, name, current, readTextAttribute);
}

Id readIdAttribute(pugi::xml_node element, AttributeName name, Id defaultValue);
inline Id readIdAttribute(pugi::xml_node element, const char* name, Id defaultValue)
{
    return attribute_detail::readNamed(element, name, defaultValue, readIdAttribute);
}
// "r,g,b" (opaque) or "a,r,g,b", each component an integer 0-255.
QColor readColorAttribute(pugi::xml_node element, AttributeName name, const QColor& defaultValue);
inline QColor readColorAttribute(pugi::xml_node element, const char* name, const QColor& defaultValue)
{
    return attribute_detail::readNamed(element, name, defaultValue, readColorAttribute);
}
// Parses a colour text as readColorAttribute does.
std::optional<QColor> parseColor(std::string_view text);
// "x,y" at single precision, widened.
QPointF readPointAttribute(pugi::xml_node element, AttributeName name, QPointF defaultValue);
inline QPointF readPointAttribute(pugi::xml_node element, const char* name, QPointF defaultValue)
{
    return attribute_detail::readNamed(element, name, defaultValue, readPointAttribute);
}
QSizeF readSizeAttribute(pugi::xml_node element, AttributeName name, QSizeF defaultValue);
inline QSizeF readSizeAttribute(pugi::xml_node element, const char* name, QSizeF defaultValue)
{
    return attribute_detail::readNamed(element, name, defaultValue, readSizeAttribute);
}
// "x,y,z" at single precision, widened.
Vector3 readVector3Attribute(pugi::xml_node element, AttributeName name, Vector3 defaultValue);
inline Vector3 readVector3Attribute(pugi::xml_node element, const char* name, Vector3 defaultValue)
{
    return attribute_detail::readNamed(element, name, defaultValue, readVector3Attribute);
}
// The attributes "x", "y", "width", "height", each at single precision; each
// one missing or unreadable keeps the default's value.
QRectF readRectAttribute(pugi::xml_node element, const QRectF& defaultValue);

// The first child element of that name, or a null node.
pugi::xml_node childElement(pugi::xml_node element, const char* name);

// An embedded image: the first child element named childName, whose "size"
// is at least 1 and whose text is base64 of gzip or zlib data of an encoded
// image. Any failure gives the default image.
QImage readBitmapData(pugi::xml_node element, const char* childName, const QImage& defaultImage);

// An enumeration word read through fromString (which gives none for an
// unknown word); missing or unknown gives the fallback.
template <class E, class FromString>
E readEnumAttribute(pugi::xml_node element, const char* name, E fallback, FromString fromString)
{
    const char* text = attributeValue(element, name);
    if (!text)
        return fallback;
    std::optional<E> v = fromString(std::string_view(text));
    return v ? *v : fallback;
}
