#pragma once
// The one reader of package parameters. A family lists each of its
// attributes once, in the order the file format reads them:
//
//     ParamReader r(element);
//     r.number("padSeparation", padSeparation);
//     r.vector3("bodySize3D", bodySize3D);
//     r.floatNumber("capWidth", capWidth);            // a Lazy<double>
//     r.enumeration("eSeries", eSeries, ESeries::none, eSeriesFromString);
//
// Every method applies one value rule and keeps the field on a missing or
// unreadable value, except the enumerations and the lazy fields, which are
// always written.

#include "core/Readers.h"
#include "core/Values.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <pugixml.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

// A parameter that is unset until first read; its first value is a constant
// or is computed then (often from another field) and stored. Holders are
// entities, which are never copied; a copy would keep a first-value maker
// bound to the original, so copying is refused.
template <class T>
class Lazy {
public:
    explicit Lazy(T first) : makeFirst_([first] { return first; }) {}
    template <class F>
        requires std::is_invocable_r_v<T, F&>
    explicit Lazy(F makeFirst) : makeFirst_(std::move(makeFirst))
    {
    }
    Lazy(const Lazy&) = delete;
    Lazy& operator=(const Lazy&) = delete;

    // The stored value; when unset, the first value is made and stored.
    T get()
    {
        if (!value_)
            value_ = makeFirst_();
        return *value_;
    }
    void set(T value) { value_ = std::move(value); }
    bool isSet() const { return value_.has_value(); }
    // What is stored, without making the first value.
    const std::optional<T>& stored() const { return value_; }

private:
    std::function<T()> makeFirst_;
    std::optional<T> value_;
};

class ParamReader {
public:
    explicit ParamReader(pugi::xml_node element) : element_(element) {}
    pugi::xml_node element() const { return element_; }

    // Boolean: present and exactly "true" gives true, any other text
    // (capitals, "1", empty) false; missing keeps the field.
    ParamReader& boolean(const char* name, bool& field);
    // Whole-text number at double precision, C locale: no leading blank,
    // nothing after the number, finite; otherwise the field is kept.
    ParamReader& number(const char* name, double& field);
    // The same rule at single precision, widened (0.1 becomes
    // 0.10000000149011612); for the families' CGFloat fields.
    ParamReader& floatNumber(const char* name, double& field);
    // Optional sign and decimal digits; out of the field's range keeps it.
    ParamReader& integer(const char* name, int& field);
    ParamReader& integer(const char* name, int64_t& field);
    // A present attribute's text, the empty text included.
    ParamReader& text(const char* name, QString& field);
    // "width,height" at single precision; a text that is not two numbers
    // keeps the field.
    ParamReader& size(const char* name, QSizeF& field);
    // "dx,dy" (a vector held as a point) by the same rule as size.
    ParamReader& pair(const char* name, QPointF& field);
    // "x,y,z" at single precision; otherwise the field is kept.
    ParamReader& vector3(const char* name, Vector3& field);
    // The file's colour format; otherwise the field is kept.
    ParamReader& color(const char* name, QColor& field);
    // The attributes "x", "y", "width" and "height", each by itself.
    ParamReader& rect(QRectF& field);
    ParamReader& id(const char* name, Id& field);

    // Enumeration with fallback: the word is matched exactly by fromString
    // (a function giving an optional case); a missing attribute, an empty
    // text or an unknown word stores the fallback. Always writes the field.
    template <class E, class FromString>
    ParamReader& enumeration(const char* name, E& field, E fallback, FromString fromString)
    {
        field = readEnumAttribute(element_, name, fallback, fromString);
        return *this;
    }

    // Lazily set fields: the lazy value (made first when unset) stands in
    // for a missing or unreadable attribute, and the result is always
    // stored, so the field is set afterwards.
    ParamReader& boolean(const char* name, Lazy<bool>& field) { return lazily<bool>(name, field, &ParamReader::boolean); }
    ParamReader& number(const char* name, Lazy<double>& field) { return lazily<double>(name, field, &ParamReader::number); }
    ParamReader& floatNumber(const char* name, Lazy<double>& field)
    {
        return lazily<double>(name, field, &ParamReader::floatNumber);
    }
    ParamReader& integer(const char* name, Lazy<int>& field)
    {
        return lazily<int>(name, field, &ParamReader::integer);
    }
    ParamReader& integer(const char* name, Lazy<int64_t>& field)
    {
        return lazily<int64_t>(name, field, &ParamReader::integer);
    }

private:
    template <class T>
    ParamReader& lazily(const char* name, Lazy<T>& field, ParamReader& (ParamReader::*read)(const char*, T&))
    {
        T value = field.get();
        (this->*read)(name, value);
        field.set(value);
        return *this;
    }

    pugi::xml_node element_;
};
