#include "core/Brush.h"

#include "core/EnumWords.h"
#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"
#include "core/SharedValue.h"

#include <QLinearGradient>
#include <QRadialGradient>

#include <cmath>

namespace {

constexpr auto brushWords = enumWords<BrushType>({
    {BrushType::solid, "solid"},
    {BrushType::hatch, "hatch"},
    {BrushType::gradient, "gradient"},
    {BrushType::radial, "radial"},
    {BrushType::centerGradient, "centerGradient"},
});

bool finiteRect(const QRectF& r)
{
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

} // namespace

std::optional<BrushType> brushTypeFromString(std::string_view text) { return brushWords.fromString(text); }

const char* toString(BrushType v) { return brushWords.toString(v); }

Brush::Brush(const Brush& other)
    : color(other.color), rectangle(other.rectangle), reflective(other.reflective), vertical(other.vertical),
      brushType(other.brushType)
{
    if (other.extras_)
        extras_ = std::make_unique<Extras>(*other.extras_);
}

Brush& Brush::operator=(const Brush& other)
{
    color = other.color;
    rectangle = other.rectangle;
    reflective = other.reflective;
    vertical = other.vertical;
    brushType = other.brushType;
    // Values copied into a block already made, which keeps its address for
    // an editor bound to it.
    if (extras_)
        *extras_ = other.extras();
    else if (other.extras_)
        extras_ = std::make_unique<Extras>(*other.extras_);
    return *this;
}

Brush::~Brush() = default;

namespace {

bool sameRect(const OptionalRect& a, const OptionalRect& b)
{
    if (!a || !b)
        return !a && !b;
    return sameBits(a->x(), b->x()) && sameBits(a->y(), b->y()) && sameBits(a->width(), b->width())
        && sameBits(a->height(), b->height());
}

} // namespace

bool Brush::sameAs(const Brush& other) const
{
    if (reflective != other.reflective || vertical != other.vertical || brushType != other.brushType
        || color != other.color || !sameRect(rectangle, other.rectangle))
        return false;
    if (!extras_ && !other.extras_)
        return true;
    return secondColor() == other.secondColor() && backColor() == other.backColor()
        && sameBits(center().x(), other.center().x()) && sameBits(center().y(), other.center().y());
}

const Brush::Extras& Brush::defaultExtras()
{
    static const Extras none;
    return none;
}

Brush::Extras& Brush::editExtras()
{
    if (!extras_)
        extras_ = std::make_unique<Extras>();
    return *extras_;
}

void Brush::readXML(pugi::xml_node element)
{
    color = readColorAttribute(element, "brushColor", color);
    // Set apart only when the element changes them.
    const QColor second = readColorAttribute(element, "secondColor", secondColor());
    if (second != secondColor())
        setSecondColor(second);
    const QColor back = readColorAttribute(element, "backColor", backColor());
    if (back != backColor())
        setBackColor(back);
    reflective = readBoolAttribute(element, "reflective", reflective);
    vertical = readBoolAttribute(element, "vertical", vertical);
    const QPointF c = readPointAttribute(element, "center", center());
    if (!(c.x() == center().x() && c.y() == center().y()))
        setCenter(c);
    brushType = readEnumAttribute(element, "brushType", BrushType::solid, brushTypeFromString);
}

// Gradients span `rectangle` (the path's bounds when there is none), in the
// coordinates the path is drawn in, y up:
// - gradient: `color` along the left edge to `secondColor` along the right
//   edge; with `vertical`, `color` along the bottom edge to `secondColor`
//   along the top edge.
// - centerGradient: the same direction mirrored about the middle: `color`
//   along the centre line, `secondColor` along both edges.
// - radial: `color` at the point `center` (fractions of the rectangle's width
//   and height from its lower-left corner) to `secondColor` at the farthest
//   corner of the rectangle.
// A hatch fills solid in `color`; `reflective` and `backColor` do not change
// the fill. With the graphics' layer colour in force, every kind fills solid
// in that colour.
void Brush::fillPath(Graphics& g, const QPainterPath& path) const
{
    if (!isDrawable(color) || path.isEmpty())
        return;
    if (g.useLayerColor || !isGradient()) {
        g.context.fillUserPath(path, QBrush(g.effectiveColor(color)), Qt::WindingFill);
        return;
    }
    const QRectF r = rectangle ? rectangle->normalized() : path.boundingRect();
    if (!finiteRect(r)) {
        g.context.fillUserPath(path, QBrush(color), Qt::WindingFill);
        return;
    }
    // QRectF's top is the smaller y: the lower edge in the y-up model.
    const QPointF start = r.topLeft();
    const QPointF end = vertical ? QPointF(r.left(), r.bottom()) : QPointF(r.right(), r.top());
    switch (brushType) {
    case BrushType::gradient: {
        QLinearGradient gradient(start, end);
        gradient.setColorAt(0, color);
        gradient.setColorAt(1, secondColor());
        g.context.fillUserPath(path, QBrush(gradient), Qt::WindingFill);
        break;
    }
    case BrushType::centerGradient: {
        QLinearGradient gradient(start, end);
        gradient.setColorAt(0, secondColor());
        gradient.setColorAt(0.5, color);
        gradient.setColorAt(1, secondColor());
        g.context.fillUserPath(path, QBrush(gradient), Qt::WindingFill);
        break;
    }
    case BrushType::radial: {
        const QPointF center = this->center();
        const double cx = std::isfinite(center.x()) ? center.x() : 0.5;
        const double cy = std::isfinite(center.y()) ? center.y() : 0.5;
        const QPointF c(r.left() + cx * r.width(), r.top() + cy * r.height());
        double radius = 0;
        for (QPointF corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
            radius = std::max(radius, std::hypot(corner.x() - c.x(), corner.y() - c.y()));
        if (!(radius > 0) || !std::isfinite(radius)) {
            g.context.fillUserPath(path, QBrush(color), Qt::WindingFill);
            break;
        }
        QRadialGradient gradient(c, radius);
        gradient.setColorAt(0, color);
        gradient.setColorAt(1, secondColor());
        g.context.fillUserPath(path, QBrush(gradient), Qt::WindingFill);
        break;
    }
    default:
        g.context.fillUserPath(path, QBrush(color), Qt::WindingFill);
        break;
    }
}

Brush readChildBrush(pugi::xml_node element, const char* childName, const Brush& current)
{
    pugi::xml_node child = childElement(element, childName);
    if (!child)
        return current;
    Brush brush = current;
    brush.readXML(child);
    return brush;
}
