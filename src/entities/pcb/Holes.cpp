#include "entities/pcb/Holes.h"

#include "core/Graphics.h"
#include "core/Readers.h"
#include "document/PcbLayerList.h"

#include <cmath>

PcbHole::PcbHole(GraphicsSheet* sheet) : Entity(sheet)
{
}

void PcbHole::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    modelSpacePosition = readPointAttribute(element, "at", QPointF(0, 0));
    diameter = readDoubleAttribute(element, "holeDiameter", diameter);
    copperPourGap = readDoubleAttribute(element, "copperPourGap", copperPourGap);
    useCopperPourGap = readBoolAttribute(element, "useCopperPourGap", useCopperPourGap);
    addedByPcbBorder = readBoolAttribute(element, "addedByPcbBorder", addedByPcbBorder);
    rectangle = QRectF(modelSpacePosition.x() - diameter / 2, modelSpacePosition.y() - diameter / 2, diameter, diameter);
    layerIndex = PcbLayerList::kBoardBorderLayer;
}

void PcbHole::calculateBoundingBox()
{
    boundingBox.addTransformedRect(rectangle, netTransform);
}

void PcbHole::draw(Graphics& g) const
{
    Entity::draw(g);
    g.pushTransform(singleLevelTransform);
    g.drawEllipse(pen, QColor(0, 0, 0), rectangle);
    g.popTransform(singleLevelTransform);
}

void PcbHole::fillMaskOpening(Graphics& g, const QColor& color, double margin)
{
    const double r = diameter / 2 + margin;
    if (!(diameter > 0) || !(r > 0) || !std::isfinite(r))
        return;
    const QPointF c = modelSpacePosition;
    g.pushTransform(netTransform);
    g.fillEllipse(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), color);
    g.popTransform(netTransform);
}

QWidget* PcbHole::editorView(const std::shared_ptr<Entity>& self)
{
    return new PcbHoleEditor(std::static_pointer_cast<PcbHole>(self));
}

VCut::VCut(GraphicsSheet* sheet) : Entity(sheet)
{
}

void VCut::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    start = readPointAttribute(element, "start", start);
    end = readPointAttribute(element, "end", end);
}

QWidget* VCut::editorView(const std::shared_ptr<Entity>& self)
{
    return new VCutEditor(std::static_pointer_cast<VCut>(self));
}

PcbHoleEditor::PcbHoleEditor(std::shared_ptr<PcbHole> hole, QWidget* parent)
    : FrameEditor(QStringLiteral("PCB Hole"), QString(), parent), pcbHole(hole)
{
    keepEntityAlive(std::move(hole));
}

VCutEditor::VCutEditor(std::shared_ptr<VCut> cut, QWidget* parent)
    : FrameEditor(QStringLiteral("V-Cut"), QString(), parent), vCut(cut)
{
    keepEntityAlive(std::move(cut));
}
