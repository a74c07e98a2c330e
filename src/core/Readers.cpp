#include "core/Readers.h"

#include "core/Gzip.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <type_traits>

namespace {

// The "C" locale, created once: numbers in a file never depend on the
// locale the application runs in.
locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

bool startsWithSpace(std::string_view text)
{
    switch (text.front()) {
    case ' ': case '\t': case '\n': case '\v': case '\f': case '\r':
        return true;
    default:
        return false;
    }
}

// The whole text as a number of type T; none when the text is empty,
// starts with white space, is not consumed whole or is not finite.
// from_chars reads the plain decimal forms that make up nearly every file
// without a copy or a locale; whatever it does not take whole (a leading
// '+', hex digits, an underflow) goes to strto*_l in the "C" locale, so the
// accepted texts and their values stay those of the C library.
template <class T, class Convert>
std::optional<T> parseNumber(std::string_view text, Convert convert)
{
    if (text.empty() || startsWithSpace(text))
        return std::nullopt;
    T value{};
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value, std::chars_format::general);
    if (error == std::errc() && end == last) {
        if (!std::isfinite(value))
            return std::nullopt;
        return value;
    }
    locale_t locale = cLocale();
    if (locale == locale_t(nullptr))
        return std::nullopt;
    // The view is not necessarily terminated; an embedded NUL ends the
    // conversion early and so fails the whole-text check.
    const std::string copy(text);
    char* stop = nullptr;
    value = convert(copy.c_str(), &stop, locale);
    if (stop != copy.c_str() + copy.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Reads the first N comma-separated parts of a text at single precision,
// widened; none when there are fewer parts or one of them is unreadable.
// What follows the Nth part is not looked at.
template <size_t N>
std::optional<std::array<double, N>> readFloatList(std::string_view text)
{
    std::array<double, N> values{};
    for (size_t i = 0; i < N; ++i) {
        const size_t comma = text.find(',');
        if (comma == std::string_view::npos && i + 1 < N)
            return std::nullopt;
        const std::optional<float> v = parseFloat(text.substr(0, comma));
        if (!v)
            return std::nullopt;
        values[i] = double(*v);
        if (comma != std::string_view::npos)
            text.remove_prefix(comma + 1);
    }
    return values;
}

// The attributes of the element read last, indexed by a hash of their
// names. Entities read a dozen or more names from elements that carry a few,
// most of them absent: one bit of a mask built from the hashes settles
// nearly every miss, a hash comparison nearly every other one.
struct AttributeIndex {
    static constexpr int kCapacity = 32;
    int scopes = 0;
    const void* element = nullptr;
    int count = -1; // -1: the element has too many attributes to index
    uint64_t mask = 0;
    struct Entry {
        uint32_t hash = 0;
        const char* name = nullptr;
        const char* value = nullptr;
    };
    Entry entries[kCapacity];
};

// Constant-initialised: each use is a plain thread-local access, with no
// test whether this thread has made it yet.
constinit thread_local AttributeIndex attributeIndex;

// attributeNameHash of a name met in the file: its length counted in line
// (names are short; a call to strlen costs more than counting them).
inline uint32_t fileNameHash(const char* name)
{
    size_t length = 0;
    while (name[length])
        ++length;
    if (length == 0)
        return 0;
    return uint32_t(length) << 24 ^ uint32_t(uint8_t(name[0])) << 16 ^ uint32_t(uint8_t(name[length / 2])) << 8
        ^ uint32_t(uint8_t(name[length - 1]));
}

using attribute_detail::maskBit;
using attribute_detail::nodeIdentity;

void indexElement(AttributeIndex& index, pugi::xml_node element)
{
    attribute_detail::MissFilter& filter = attribute_detail::missFilter;
    index.element = nodeIdentity(element);
    index.count = 0;
    index.mask = 0;
    filter.element = nullptr;
    for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
        if (index.count == AttributeIndex::kCapacity) {
            index.count = -1;
            return;
        }
        const char* name = a.name();
        const uint32_t hash = fileNameHash(name);
        index.mask |= maskBit(hash);
        index.entries[index.count++] = {hash, name, a.value()};
    }
    filter.element = index.element;
    filter.mask = index.mask;
}

} // namespace

constinit thread_local attribute_detail::MissFilter attribute_detail::missFilter;

std::optional<std::string_view> attributeText(pugi::xml_node element, AttributeName name)
{
    AttributeIndex& index = attributeIndex;
    const void* identity = nodeIdentity(element);
    if (index.scopes > 0 && identity) {
        if (index.element != identity)
            indexElement(index, element);
        if (index.count >= 0) {
            if (!(index.mask & maskBit(name.hash)))
                return std::nullopt;
            for (int i = 0; i < index.count; ++i) {
                const AttributeIndex::Entry& e = index.entries[i];
                if (e.hash == name.hash && xmlNameIs(e.name, name.text))
                    return std::string_view(e.value);
            }
            return std::nullopt;
        }
    }
    const pugi::xml_attribute a = element.attribute(name.text);
    if (!a)
        return std::nullopt;
    return std::string_view(a.value());
}

AttributeIndexScope::AttributeIndexScope() { ++attributeIndex.scopes; }

bool AttributeIndexScope::active() { return attributeIndex.scopes > 0; }

AttributeIndexScope::~AttributeIndexScope()
{
    if (--attributeIndex.scopes == 0) {
        attributeIndex.element = nullptr;
        attribute_detail::missFilter.element = nullptr;
    }
}

namespace {

std::optional<float> parsePlainDecimalFloat(std::string_view text)
{
    const char* p = text.data();
    const char* const end = p + text.size();
    float value;
    if (!number_detail::scanPlainDecimalFloat<false>(p, end, value) || p != end)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<float> parseFloat(std::string_view text)
{
    if (const std::optional<float> plain = parsePlainDecimalFloat(text))
        return plain;
    return parseNumber<float>(text, [](const char* s, char** end, locale_t l) { return strtof_l(s, end, l); });
}

std::optional<double> parseDouble(std::string_view text)
{
    return parseNumber<double>(text, [](const char* s, char** end, locale_t l) { return strtod_l(s, end, l); });
}

std::optional<int64_t> parseInt(std::string_view text)
{
    const char* first = text.data();
    const char* last = text.data() + text.size();
    bool negative = false;
    if (first != last && (*first == '+' || *first == '-')) {
        negative = *first == '-';
        ++first;
    }
    // from_chars would accept a second sign; insist on a digit here.
    if (first == last || *first < '0' || *first > '9')
        return std::nullopt;
    // Read the magnitude as unsigned so that the most negative value fits.
    uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(first, last, magnitude, 10);
    if (error != std::errc() || end != last)
        return std::nullopt;
    constexpr uint64_t maxPositive = uint64_t(std::numeric_limits<int64_t>::max());
    if (negative) {
        if (magnitude > maxPositive + 1)
            return std::nullopt;
        return magnitude == maxPositive + 1 ? std::numeric_limits<int64_t>::min() : -int64_t(magnitude);
    }
    if (magnitude > maxPositive)
        return std::nullopt;
    return int64_t(magnitude);
}

bool readBoolAttribute(pugi::xml_node element, AttributeName name, bool defaultValue)
{
    const std::optional<std::string_view> text = attributeText(element, name);
    return text ? *text == "true" : defaultValue;
}

double readDoubleAttribute(pugi::xml_node element, AttributeName name, double defaultValue)
{
    const std::optional<std::string_view> text = attributeText(element, name);
    if (!text)
        return defaultValue;
    return parseDouble(*text).value_or(defaultValue);
}

double readFloatAttribute(pugi::xml_node element, AttributeName name, double defaultValue)
{
    const std::optional<std::string_view> text = attributeText(element, name);
    if (!text)
        return defaultValue;
    const std::optional<float> v = parseFloat(*text);
    return v ? double(*v) : defaultValue;
}

int64_t readIntAttribute(pugi::xml_node element, AttributeName name, int64_t defaultValue)
{
    const std::optional<std::string_view> text = attributeText(element, name);
    if (!text)
        return defaultValue;
    return parseInt(*text).value_or(defaultValue);
}

int readInt32Attribute(pugi::xml_node element, AttributeName name, int defaultValue)
{
    const std::optional<std::string_view> text = attributeText(element, name);
    if (!text)
        return defaultValue;
    const std::optional<int64_t> v = parseInt(*text);
    if (!v || *v < std::numeric_limits<int>::min() || *v > std::numeric_limits<int>::max())
        return defaultValue;
    return int(*v);
}

std::optional<std::string> readStringAttribute(pugi::xml_node element, const char* name)
{
    const std::optional<std::string_view> text = attributeText(element, attributeName(name));
    if (!text)
        return std::nullopt;
    return std::string(*text);
}

std::string readStringAttribute(pugi::xml_node element, const char* name, const std::string& defaultValue)
{
    return readStringAttribute(element, name).value_or(defaultValue);
}

QString readTextAttribute(pugi::xml_node element, AttributeName name, const QString& current)
{
    const std::optional<std::string_view> text = attributeText(element, name);
    return text ? QString::fromUtf8(text->data(), qsizetype(text->size())) : current;
}

Id readIdAttribute(pugi::xml_node element, AttributeName name, Id defaultValue)
{
    const std::optional<std::string_view> text = attributeText(element, name);
    if (!text)
        return defaultValue;
    const std::optional<int64_t> v = parseInt(*text);
    return v ? Id{*v} : defaultValue;
}

std::optional<QColor> parseColor(std::string_view text)
{
    // Three or four parts: the last three are red, green and blue, a first
    // of four is alpha.
    std::array<int, 4> parts{};
    size_t count = 0;
    for (;;) {
        if (count == parts.size())
            return std::nullopt;
        const size_t comma = text.find(',');
        const std::optional<int64_t> v = parseInt(text.substr(0, comma));
        if (!v || *v < 0 || *v > 255)
            return std::nullopt;
        parts[count++] = int(*v);
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    if (count < 3)
        return std::nullopt;
    // The integer components give the very colour that component / 255 in
    // floating point would, without the conversions.
    if (count == 3)
        return QColor(parts[0], parts[1], parts[2]);
    return QColor(parts[1], parts[2], parts[3], parts[0]);
}

QColor readColorAttribute(pugi::xml_node element, AttributeName name, const QColor& defaultValue)
{
    const std::optional<std::string_view> text = attributeText(element, name);
    if (!text)
        return defaultValue;
    return parseColor(*text).value_or(defaultValue);
}

std::optional<QPointF> parsePoint(std::string_view text)
{
    if (const std::optional<QPointF> plain = number_detail::scanPlainPoint<false>(text.data(), text.data() + text.size()))
        return plain;
    const auto values = readFloatList<2>(text);
    if (!values)
        return std::nullopt;
    return QPointF((*values)[0], (*values)[1]);
}

QPointF readPointAttribute(pugi::xml_node element, AttributeName name, QPointF defaultValue)
{
    const std::optional<std::string_view> text = attributeText(element, name);
    if (!text)
        return defaultValue;
    return parsePoint(*text).value_or(defaultValue);
}

QSizeF readSizeAttribute(pugi::xml_node element, AttributeName name, QSizeF defaultValue)
{
    const std::optional<std::string_view> text = attributeText(element, name);
    if (!text)
        return defaultValue;
    const auto values = readFloatList<2>(*text);
    return values ? QSizeF((*values)[0], (*values)[1]) : defaultValue;
}

Vector3 readVector3Attribute(pugi::xml_node element, AttributeName name, Vector3 defaultValue)
{
    const std::optional<std::string_view> text = attributeText(element, name);
    if (!text)
        return defaultValue;
    const auto values = readFloatList<3>(*text);
    return values ? Vector3{(*values)[0], (*values)[1], (*values)[2]} : defaultValue;
}

QRectF readRectAttribute(pugi::xml_node element, const QRectF& defaultValue)
{
    // A kept width or height is the default's magnitude; values read from
    // the file keep their sign.
    const double x = readFloatAttribute(element, "x", defaultValue.x());
    const double y = readFloatAttribute(element, "y", defaultValue.y());
    const double width = readFloatAttribute(element, "width", std::abs(defaultValue.width()));
    const double height = readFloatAttribute(element, "height", std::abs(defaultValue.height()));
    return QRectF(x, y, width, height);
}

pugi::xml_node childElement(pugi::xml_node element, const char* name)
{
    for (pugi::xml_node child = element.first_child(); xmlPresent(child); child = child.next_sibling()) {
        if (xmlNameIs(child.name(), name) && child.type() == pugi::node_element)
            return child;
    }
    return pugi::xml_node();
}

QImage readBitmapData(pugi::xml_node element, const char* childName, const QImage& defaultImage)
{
    const pugi::xml_node child = childElement(element, childName);
    if (!child || readIntAttribute(child, "size", 0) < 1)
        return defaultImage;

    // Strict base64: no white space or other characters skipped, padding
    // required.
    const QByteArray text(child.text().get());
    if (text.isEmpty() || text.size() % 4 != 0)
        return defaultImage;
    const QByteArray::FromBase64Result decoded = QByteArray::fromBase64Encoding(
        text, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return defaultImage;

    const std::optional<QByteArray> encoded = gzipInflate(decoded.decoded, kImageInflateLimit);
    if (!encoded)
        return defaultImage;

    // QImageReader keeps its default allocation limit, which bounds the
    // pixel memory a small hostile image may ask for.
    QBuffer buffer;
    buffer.setData(*encoded);
    if (!buffer.open(QIODevice::ReadOnly))
        return defaultImage;
    QImageReader reader(&buffer);
    const QImage image = reader.read();
    return image.isNull() ? defaultImage : image;
}
