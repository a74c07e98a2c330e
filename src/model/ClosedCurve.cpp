#include "model/ClosedCurve.h"

#include "core/EnumWords.h"
#include "core/Graphics.h"
#include "core/Readers.h"

namespace {
constexpr auto kCurveTypeWords = enumWords<CurveType>({
    {CurveType::rectangle, "rectangle"},
    {CurveType::ellipse, "ellipse"},
    {CurveType::curve, "curve"},
});
}

std::optional<CurveType> curveTypeFromString(std::string_view text) { return kCurveTypeWords.fromString(text); }

const char* toString(CurveType value) { return kCurveTypeWords.toString(value); }

ClosedCurve::ClosedCurve(GraphicsSheet* sheet) : Entity(sheet)
{
}

namespace {

// A present but unknown word gives the fixed fallback; a missing attribute
// keeps the current value.
template <class E, class FromString>
E readWord(pugi::xml_node element, const char* name, E current, E fallback, FromString fromString)
{
    if (!attributeValue(element, name))
        return current;
    return readEnumAttribute(element, name, fallback, fromString);
}

bool sameAsDefault(const Bezier& b)
{
    const Bezier d;
    return b.style == d.style && b.closed == d.closed && b.tension == d.tension && b.points.empty()
        && b.leftControls.empty() && b.rightControls.empty();
}

} // namespace

bool CurveStyle::sameAs(const CurveStyle& other) const
{
    return pen.sameAs(other.pen) && brush.sameAs(other.brush) && sameBits(roundness, other.roundness)
        && curveType == other.curveType && roundedSide == other.roundedSide
        && lockWidthToHeight == other.lockWidthToHeight;
}

void ClosedCurve::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    CurveStyle style = curveStyle();
    style.curveType = readWord(element, "curveType", style.curveType, CurveType::rectangle, curveTypeFromString);
    rectangle = readRectAttribute(element, rectangle);
    style.roundness = readDoubleAttribute(element, "roundness", style.roundness);
    style.roundedSide
        = readWord(element, "roundedSide", style.roundedSide, RoundedSideType::all, roundedSideTypeFromString);
    style.lockWidthToHeight = readBoolAttribute(element, "widthEqualsHeight", style.lockWidthToHeight);
    style.pen.readXML(element);
    style.brush.readXML(element);
    adjustReadStyle(style);
    setCurveStyle(style);
    // A Bezier is kept only when the element gives one.
    Bezier read = bezier();
    read.readXML(element);
    if (bezier_ || !sameAsDefault(read))
        editBezier() = std::move(read);
}

const Bezier& ClosedCurve::emptyBezier()
{
    static const Bezier empty;
    return empty;
}

Bezier& ClosedCurve::editBezier()
{
    if (!bezier_)
        bezier_ = std::make_unique<Bezier>();
    return *bezier_;
}

QPainterPath ClosedCurve::outlinePath() const
{
    QPainterPath path;
    const CurveStyle& style = curveStyle();
    switch (style.curveType) {
    case CurveType::rectangle:
        if (style.roundness > 0)
            path = RoundedRectanglePath::path(style.roundedSide, rectangle.normalized(), style.roundness);
        else
            path.addRect(rectangle.normalized());
        break;
    case CurveType::ellipse:
        path.addEllipse(rectangle.normalized());
        break;
    case CurveType::curve:
        path = bezier().drawnPath();
        break;
    }
    path.setFillRule(Qt::WindingFill);
    return path;
}

void ClosedCurve::draw(Graphics& g) const
{
    Entity::draw(g);
    drawOutline(g, pen());
}

void ClosedCurve::drawOutline(Graphics& g, const Pen& pen) const
{
    g.pushTransform(singleLevelTransform);
    g.fillAndStrokePath(outlinePath(), pen, brush());
    g.popTransform(singleLevelTransform);
}

void ClosedCurve::closedCurveBounds()
{
    if (curveType() == CurveType::curve) {
        editBezier().keepPath();
        settlePath(bezier().drawnPath());
        for (const QPointF& p : bezier().points)
            boundingBox.addPoint(netTransform ? netTransform->map(p) : p);
    } else {
        boundingBox.addTransformedRect(rectangle, netTransform);
    }
}

void ClosedCurve::calculateBoundingBox()
{
    closedCurveBounds();
}
