#include "entities/pcb/PlacementPoint.h"

#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"
#include "document/PCB.h"

#include <utility>

namespace {

void strokeSegment(Graphics& g, const Pen& pen, QPointF from, QPointF to)
{
    if (!isDrawable(pen.color) || g.strokeThinPolyline(pen, {from, to}))
        return;
    g.context.beginPath();
    g.context.moveTo(from);
    g.context.lineTo(to);
    g.context.strokePath();
}

} // namespace

PlacementPoint::PlacementPoint(GraphicsSheet* sheet) : Entity(sheet)
{
}

void PlacementPoint::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    modelSpacePosition = readPointAttribute(element, "location", modelSpacePosition);
    visibleInPcb = readBoolAttribute(element, "visibleInPcb", visibleInPcb);
}

void PlacementPoint::draw(Graphics& g) const
{
    // As for courtyards: off a PCB sheet there is no switch to show it.
    auto* pcb = dynamic_cast<PCB*>(sheet);
    if (!pcb || !pcb->pcbSettings.showPlacementPoints)
        return;
    Entity::draw(g);
    g.pushTransform(singleLevelTransform);
    const double x = modelSpacePosition.x(), y = modelSpacePosition.y();
    strokeSegment(g, pen, QPointF(x, y - size), QPointF(x, y + size));
    strokeSegment(g, pen, QPointF(x - size, y), QPointF(x + size, y));
    g.popTransform(singleLevelTransform);
}

void PlacementPoint::calculateBoundingBox()
{
    const QPointF d(size, size);
    for (const QPointF& p : {modelSpacePosition - d, modelSpacePosition + d})
        boundingBox.addPoint(netTransform ? netTransform->map(p) : p);
}

QWidget* PlacementPoint::editorView(const std::shared_ptr<Entity>& self)
{
    return new PlacementPointEditor(std::static_pointer_cast<PlacementPoint>(self));
}

PlacementPointEditor::PlacementPointEditor(std::shared_ptr<PlacementPoint> p, QWidget* parent)
    : FrameEditor(QStringLiteral("Placement Point"), {}, parent), placementPoint(std::move(p))
{
    keepEntityAlive(placementPoint);
}
