#pragma once
// Fill style read from an entity's own element or from a named child.

#include <QColor>
#include <QPainterPath>
#include <QRectF>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <string_view>

class Graphics;

enum class BrushType : unsigned char { solid, hatch, gradient, radial, centerGradient };
std::optional<BrushType> brushTypeFromString(std::string_view text);
const char* toString(BrushType v);

// An optional rectangle that takes one pointer while unset: most brushes
// never span a gradient. Reads like std::optional<QRectF>; copies are deep.
class OptionalRect {
public:
    OptionalRect() = default;
    OptionalRect(const OptionalRect& other) { *this = other; }
    OptionalRect& operator=(const OptionalRect& other) { return *this = other.get(); }
    OptionalRect& operator=(const std::optional<QRectF>& r)
    {
        if (!r)
            d_.reset();
        else if (d_)
            *d_ = *r;
        else
            d_ = std::make_unique<QRectF>(*r);
        return *this;
    }
    OptionalRect& operator=(const QRectF& r) { return *this = std::optional<QRectF>(r); }
    OptionalRect& operator=(std::nullopt_t)
    {
        d_.reset();
        return *this;
    }

    std::optional<QRectF> get() const { return d_ ? std::optional<QRectF>(*d_) : std::nullopt; }
    explicit operator bool() const { return bool(d_); }
    bool has_value() const { return bool(d_); }
    const QRectF& operator*() const { return *d_; }
    const QRectF* operator->() const { return d_.get(); }
    QRectF value_or(const QRectF& r) const { return d_ ? *d_ : r; }
    void reset() { d_.reset(); }

    friend bool operator==(const OptionalRect& a, const OptionalRect& b) { return a.get() == b.get(); }
    friend bool operator==(const OptionalRect& a, const std::optional<QRectF>& b) { return a.get() == b; }
    friend bool operator==(const OptionalRect& a, const QRectF& b) { return a.d_ && *a.d_ == b; }

private:
    std::unique_ptr<QRectF> d_;
};

class Brush {
public:
    Brush() = default;
    explicit Brush(const QColor& color) : color(color) {}
    Brush(const Brush& other);
    Brush& operator=(const Brush& other);
    ~Brush();

    QColor color = QColor(0, 0, 0);
    // The area a gradient spans, in the coordinates the path is drawn in.
    OptionalRect rectangle;
    bool reflective = false;
    bool vertical = false;
    BrushType brushType = BrushType::solid;

    // The gradients' second colour (white), the back colour (white) and the
    // radial centre ((0.5, 0.5)). Few brushes set them, so they are held
    // apart, made when first set.
    const QColor& secondColor() const { return extras().secondColor; }
    const QColor& backColor() const { return extras().backColor; }
    QPointF center() const { return extras().center; }
    void setSecondColor(const QColor& c) { editExtras().secondColor = c; }
    void setBackColor(const QColor& c) { editExtras().backColor = c; }
    void setCenter(const QPointF& p) { editExtras().center = p; }
    // The second colour to edit in place; it keeps its address for the
    // brush's lifetime, also across assignments to the brush.
    QColor& editSecondColor() { return editExtras().secondColor; }

    // "brushColor", "secondColor", "backColor", "reflective", "vertical",
    // "center", "brushType".
    void readXML(pugi::xml_node element);
    // Fills the path (in current model coordinates) with the solid colour or
    // the gradient; respects Graphics::useLayerColor and the alpha rule.
    void fillPath(Graphics& g, const QPainterPath& path) const;
    bool isGradient() const { return brushType == BrushType::gradient || brushType == BrushType::radial || brushType == BrushType::centerGradient; }
    // Every value alike, numbers bit for bit.
    bool sameAs(const Brush& other) const;

private:
    struct Extras {
        QColor secondColor = QColor(255, 255, 255);
        QColor backColor = QColor(255, 255, 255);
        QPointF center = QPointF(0.5, 0.5);
    };
    static const Extras& defaultExtras();
    const Extras& extras() const { return extras_ ? *extras_ : defaultExtras(); }
    Extras& editExtras();
    std::unique_ptr<Extras> extras_;
};

// The first child element of that name read into a copy of current; without
// such a child, current itself.
Brush readChildBrush(pugi::xml_node element, const char* childName, const Brush& current);
