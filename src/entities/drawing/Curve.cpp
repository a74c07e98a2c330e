#include "entities/drawing/Curve.h"

#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"

#include <cmath>

Curve::Curve(GraphicsSheet* sheet) : Entity(sheet)
{
    bezier.tension = 1.0;
}

void Curve::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    signalName = readTextAttribute(element, "signalName", signalName);
    if (readBoolAttribute(element, "onPackageLayer", false))
        filletParameters.readXML(element);
    extrusionBase = readFloatAttribute(element, "extrusionBase", extrusionBase);
    extrusionHeight = readFloatAttribute(element, "extrusionHeight", extrusionHeight);
    doNotBlockRouting = readBoolAttribute(element, "doNotBlockRouting", doNotBlockRouting);
    pen.readXML(element);
    brush.readXML(element);
    bezier.readXML(element);
}

void Curve::calculateBoundingBox()
{
    bezier.keepPath();
    const QPainterPath path = bezier.drawnPath();
    settlePath(path);
    if (path.isEmpty())
        return;
    const QRectF bounds = path.controlPointRect();
    const QPointF lower = bounds.topLeft(); // smallest x and y
    const QPointF upper(bounds.x() + bounds.width(), bounds.y() + bounds.height());
    BoundingBox box;
    box.addPoint(netTransform ? netTransform->map(lower) : lower);
    box.addPoint(netTransform ? netTransform->map(upper) : upper);
    boundingBox = box;
    // The gradient spans the outline in the curve's own coordinates.
    brush.rectangle = bounds;
    if (isDrawable(pen.color))
        boundingBox = boundingBox.expanded(pen.width / 2);
}

void Curve::draw(Graphics& g) const
{
    Entity::draw(g);
    // A thin curve is hard to hit: picking widens it by ten device pixels,
    // on a copy so the curve's pen is never left changed.
    Pen stroke = pen;
    if (g.picking)
        stroke.width = pen.width + Graphics::kPickWideningPixels * g.pixelSize();
    g.pushTransform(singleLevelTransform);
    g.fillAndStrokeBezier(bezier, stroke, brush);
    g.popTransform(singleLevelTransform);
}

QWidget* Curve::editorView(const std::shared_ptr<Entity>& self)
{
    return new CurveEditor(std::static_pointer_cast<Curve>(self));
}

CurveEditor::CurveEditor(std::shared_ptr<Curve> curve, QWidget* parent)
    : FrameEditor(QStringLiteral("Curve"), QString(), parent), curve_(std::move(curve))
{
    keepEntityAlive(curve_);
}
