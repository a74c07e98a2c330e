#include "entities/drawing/Line.h"

#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"
#include "editors/ExtrusionEditor.h"
#include "editors/ParameterEditors.h"
#include "editors/PenEditor.h"

#include <cmath>

namespace {

// The unit vector from a towards b; (0, 0) when they coincide.
QPointF unitVector(QPointF a, QPointF b)
{
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double length = std::hypot(dx, dy);
    if (!(length > 0) || !std::isfinite(length))
        return QPointF(0, 0);
    return QPointF(dx / length, dy / length);
}

// How far an arrowed end is pulled in, in pen widths.
constexpr double arrowInset = 1.7;

} // namespace

Line::Line(GraphicsSheet* sheet) : Entity(sheet)
{
}

void Line::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    pen.readXML(element);
    start = readPointAttribute(element, "start", QPointF(0, 0));
    end = readPointAttribute(element, "end", QPointF(0, 0));
    if (std::optional<std::string> s = readStringAttribute(element, "signalName"))
        signalName = QString::fromStdString(*s);
    extrusionBase = readDoubleAttribute(element, "extrusionBase", extrusionBase);
    extrusionHeight = readDoubleAttribute(element, "extrusionHeight", extrusionHeight);
    doNotBlockRouting = readBoolAttribute(element, "doNotBlockRouting", doNotBlockRouting);
}

bool Line::isDegenerate() const
{
    return unitVector(start, end) == QPointF(0, 0);
}

double Line::angle() const
{
    const QPointF u = unitVector(start, end);
    if (u == QPointF(0, 0))
        return 0;
    return std::atan2(u.y(), u.x());
}

QPointF Line::drawnStart(double penWidth) const
{
    if (pen.startCap != LineCap::arrowAnchor)
        return start;
    return start + unitVector(start, end) * (penWidth * arrowInset);
}

QPointF Line::drawnEnd(double penWidth) const
{
    if (pen.endCap != LineCap::arrowAnchor)
        return end;
    return end + unitVector(end, start) * (penWidth * arrowInset);
}

void Line::calculateBoundingBox()
{
    boundingBox.addPoint(netTransform ? netTransform->map(start) : start);
    boundingBox.addPoint(netTransform ? netTransform->map(end) : end);
    const double a = angle();
    pen.makeStartCapGraphics(start.x(), start.y(), a);
    pen.makeEndCapGraphics(end.x(), end.y(), a);
    // An arrow needs a direction: a line without one draws none.
    if (isDegenerate()) {
        if (pen.startCap == LineCap::arrowAnchor)
            pen.clearStartCapGraphics();
        if (pen.endCap == LineCap::arrowAnchor)
            pen.clearEndCapGraphics();
    }
}

void Line::draw(Graphics& g) const
{
    Entity::draw(g);
    g.pushTransform(singleLevelTransform);
    // A thin line is hard to hit: picking widens it by ten device pixels.
    Pen stroke = pen;
    if (g.picking)
        stroke.width = pen.width + Graphics::kPickWideningPixels * g.pixelSize();
    const QPointF s = drawnStart(stroke.width);
    const QPointF e = drawnEnd(stroke.width);
    if (isDrawable(stroke.color)) {
        g.applyPen(stroke);
        g.context.beginPath();
        g.context.moveTo(s);
        g.context.lineTo(e);
        g.context.strokePath();
    }
    pen.drawEndCaps(g);
    g.popTransform(singleLevelTransform);
}

QWidget* Line::editorView(const std::shared_ptr<Entity>& self)
{
    return new LineEditor(std::static_pointer_cast<Line>(self));
}

LineEditor::LineEditor(std::shared_ptr<Line> line, QWidget* parent)
    : EntityEditor(QStringLiteral("Line"), QStringLiteral("line.diagonal"), parent), line_(std::move(line))
{
    keepEntityAlive(line_);
    Line* l = line_.get();
    const UnitsSource units = entityUnits(l);
    auto* params = new EntityContentEditor;
    params->addControl(new PointParametersEditor(
        [l] { return l->start; }, [l](const QPointF& p) { l->start = p; }, QStringLiteral("Start"), units));
    params->addControl(new PointParametersEditor(
        [l] { return l->end; }, [l](const QPointF& p) { l->end = p; }, QStringLiteral("End"), units));
    addContent(params);
    addContent(new ExtrusionEditor(l, l->extrusionBase, l->extrusionHeight, units));
    addContent(new PenEditor(l->pen, units));
}
