#include "entities/pcb/Silkscreen.h"

#include "core/Geometry.h"
#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"

#include <cmath>
#include <utility>

namespace {

const std::pair<SilkscreenShape, const char*> shapeWords[] = {
    {SilkscreenShape::rectangle, "rectangle"},
    {SilkscreenShape::roundedRectangle, "roundedRectangle"},
    {SilkscreenShape::panasonic, "panasonic"},
    {SilkscreenShape::round, "round"},
    {SilkscreenShape::rectangleCorners, "rectangleCorners"},
    {SilkscreenShape::none, "none"},
};
const std::pair<NotchOnSide, const char*> sideWords[] = {
    {NotchOnSide::left, "left"},
    {NotchOnSide::right, "right"},
    {NotchOnSide::top, "top"},
    {NotchOnSide::bottom, "bottom"},
};
const std::pair<LockedTo, const char*> lockedWords[] = {
    {LockedTo::courtyard, "courtyard"},
    {LockedTo::pads, "pads"},
    {LockedTo::none, "none"},
};

template <class E, size_t N>
std::optional<E> fromWords(std::string_view text, const std::pair<E, const char*> (&words)[N])
{
    for (const auto& [value, word] : words)
        if (text == word)
            return value;
    return std::nullopt;
}

template <class E, size_t N>
const char* toWord(E v, const std::pair<E, const char*> (&words)[N])
{
    for (const auto& [value, word] : words)
        if (value == v)
            return word;
    return words[0].second;
}

// Strokes one open polyline with the pen.
void strokePolyline(Graphics& g, const Pen& pen, const std::vector<QPointF>& points)
{
    g.applyPen(pen);
    g.context.beginPath();
    g.addPolyline(points);
    g.context.strokePath();
}

} // namespace

std::optional<SilkscreenShape> silkscreenShapeFromString(std::string_view text) { return fromWords(text, shapeWords); }
std::optional<NotchOnSide> notchOnSideFromString(std::string_view text) { return fromWords(text, sideWords); }
std::optional<LockedTo> lockedToFromString(std::string_view text) { return fromWords(text, lockedWords); }
const char* toString(SilkscreenShape v) { return toWord(v, shapeWords); }
const char* toString(NotchOnSide v) { return toWord(v, sideWords); }
const char* toString(LockedTo v) { return toWord(v, lockedWords); }

Silkscreen::Silkscreen(GraphicsSheet* sheet) : Entity(sheet)
{
}

void Silkscreen::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    autoFitInsidePadsIfPossible = readBoolAttribute(element, "autoFitInsidePadsIfPossible", autoFitInsidePadsIfPossible);
    cornerSize = readSizeAttribute(element, "cornerSize", cornerSize);
    lockedToCourtyard = readBoolAttribute(element, "lockedToCourtyard", lockedToCourtyard);
    lockedRectangleTo = readEnumAttribute(element, "lockedTo", lockedRectangleTo, lockedToFromString);
    margin = readDoubleAttribute(element, "margin", margin);
    notchOnSide = readEnumAttribute(element, "notchOnRight", notchOnSide, notchOnSideFromString);
    pen.readXML(element);
    rectangle = readRectAttribute(element, rectangle);
    shape = readEnumAttribute(element, "shape", shape, silkscreenShapeFromString);
    visibleInPcb = readBoolAttribute(element, "visibleInPcb", visibleInPcb);
}

void Silkscreen::calculateBoundingBox()
{
    const double n = pen.width * 4.0;
    const double x = rectangle.x(), y = rectangle.y(), w = rectangle.width(), h = rectangle.height();
    if (w < n)
        notchPoints.clear();
    else
        notchPoints = {QPointF(x, y + h), QPointF(x + n, y + h), QPointF(x, y + h - n), QPointF(x, y)};
    boundingBox.addTransformedRect(rectangle, netTransform);
}

void Silkscreen::draw(Graphics& g) const
{
    if (!visibleInPcb)
        return;
    Entity::draw(g);
    g.pushTransform(singleLevelTransform);
    switch (shape) {
    case SilkscreenShape::rectangle:
        if (g.picking) {
            g.drawRectangle(pen, QColor::fromRgbF(0, 0, 0, 0), rectangle);
            g.drawPolygon(Pen(QColor::fromRgbF(0, 0, 0, 0), 0), QColor::fromRgbF(1, 1, 1, 1), notchPoints);
        } else {
            // What drawRectangle and drawPolygon draw here (an outline with
            // no fill, a fill with no outline), without their paths.
            if (isDrawable(pen.color) && !g.strokeThinRectangle(pen, rectangle)) {
                g.context.beginPath();
                g.context.addRect(rectangle);
                g.context.strokePath();
            }
            g.fillPoints(notchPoints, g.effectiveColor(QColor::fromRgbF(1, 1, 1, 1)));
        }
        break;
    case SilkscreenShape::roundedRectangle:
        if (isDrawable(pen.color)) {
            g.applyPen(pen);
            g.context.beginPath();
            g.context.addPath(RoundedRectanglePath::path(RoundedSideType::all, rectangle, 0.5));
            g.context.strokePath();
        }
        break;
    case SilkscreenShape::rectangleCorners:
        drawCornerMarks(g);
        break;
    case SilkscreenShape::panasonic:
    case SilkscreenShape::round:
    case SilkscreenShape::none:
        break;
    }
    g.popTransform(singleLevelTransform);
}

void Silkscreen::drawCornerMarks(Graphics& g) const
{
    const double cw = cornerSize.width(), ch = cornerSize.height(), p = pen.width;
    if (std::abs(cw) < p || std::abs(ch) < p)
        return;
    if (!isDrawable(pen.color))
        return;
    const double x = rectangle.x(), y = rectangle.y(), w = rectangle.width(), h = rectangle.height();
    strokePolyline(g, pen, {QPointF(x, y + h - ch), QPointF(x, y + h), QPointF(x + cw, y + h)});
    strokePolyline(g, pen, {QPointF(x + w, y + h - ch), QPointF(x + w, y + h), QPointF(x + w - cw, y + h)});
    strokePolyline(g, pen, {QPointF(x, y + ch), QPointF(x, y), QPointF(x + cw, y)});
    strokePolyline(g, pen, {QPointF(x + w, y + ch), QPointF(x + w, y), QPointF(x + w - cw, y)});
}

QWidget* Silkscreen::editorView(const std::shared_ptr<Entity>& self)
{
    return new SilkscreenEditor(std::static_pointer_cast<Silkscreen>(self));
}

SilkscreenEditor::SilkscreenEditor(std::shared_ptr<Silkscreen> s, QWidget* parent)
    : FrameEditor(QStringLiteral("Silkscreen"), QString(), parent), silkscreen(std::move(s))
{
    keepEntityAlive(silkscreen);
}
