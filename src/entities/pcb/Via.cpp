#include "entities/pcb/Via.h"

#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"

#include <algorithm>
#include <cmath>

Via::Via(GraphicsSheet* sheet) : Entity(sheet)
{
}

QWidget* Via::editorView(const std::shared_ptr<Entity>& self)
{
    return new ViaEditor(std::static_pointer_cast<Via>(self));
}

void Via::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    modelSpaceCenter = readPointAttribute(element, "at", QPointF(0, 0));
    const double cx = modelSpaceCenter.x(), cy = modelSpaceCenter.y();

    diameter = readDoubleAttribute(element, "diameter", -1.0);
    rectangle = QRectF(cx - diameter / 2, cy - diameter / 2, diameter, diameter);
    holeDiameter = readDoubleAttribute(element, "holeDiameter", diameter / 2);
    holeRectangle = QRectF(cx - holeDiameter / 2, cy - holeDiameter / 2, holeDiameter, holeDiameter);

    topLayerIndex = readInt32Attribute(element, "topLayerIndex", topLayerIndex);
    bottomLayerIndex = readInt32Attribute(element, "bottomLayerIndex", bottomLayerIndex);
    extendToBottom = readBoolAttribute(element, "extendToBottom", extendToBottom);
    extendToTop = readBoolAttribute(element, "extendToTop", extendToTop);
    copperPourGap = readDoubleAttribute(element, "copperPourGap", copperPourGap);
    useCopperPourGap = readBoolAttribute(element, "useCopperPourGap", useCopperPourGap);
    if (std::optional<std::string> s = readStringAttribute(element, "signalName"))
        signalName = QString::fromStdString(*s);
}

void Via::calculateBoundingBox()
{
    // A hole wider than the disc paints beyond it, so the box holds both.
    if (hasDisc())
        boundingBox.addTransformedRect(rectangle, netTransform);
    if (hasHole())
        boundingBox.addTransformedRect(holeRectangle, netTransform);
}

void Via::drawHolePass(Graphics& g, const QColor& color) const
{
    if (!hasHole())
        return;
    // The hole is a black ring of width w = h/2 (at least one device pixel)
    // around the circle of diameter h/2. The ring reaches the centre, so it
    // is filled as the disc of radius h/4 + w/2: the same pixels, without
    // the cost of stroking a circle for every via.
    const double h = holeDiameter;
    const double pixel = g.pixelSize();
    const double w = std::max(h / 2, pixel);
    const double r = h / 4 + w / 2;
    const QRectF hole(modelSpaceCenter.x() - r, modelSpaceCenter.y() - r, 2 * r, 2 * r);
    // The pass runs over every via of the board: one wholly off the view is
    // left before anything else.
    if (g.viewportBoundingBox.valid && std::isfinite(r)) {
        const QRectF reach = hasDisc() ? hole.united(rectangle) : hole;
        const std::optional<QTransform>& t = netTransform;
        const double scale = t ? std::sqrt(t->m11() * t->m11() + t->m12() * t->m12() + t->m21() * t->m21() + t->m22() * t->m22()) : 1.0;
        BoundingBox box;
        box.addTransformedRect(reach, t);
        if (std::isfinite(pixel * scale))
            box = box.expanded(pixel * scale);
        if (box.valid && !box.intersects(g.viewportBoundingBox))
            return;
    }
    g.pushTransform(singleLevelTransform);
    // A via without a usable diameter has no disc (its rectangle would be
    // turned inside out); its hole is still drawn.
    if (isDrawable(color) && hasDisc())
        g.fillEllipse(rectangle, g.effectiveColor(color));
    g.useLayerColor = false;
    g.fillEllipse(hole, QColor(0, 0, 0));
    g.popTransform(singleLevelTransform);
}

void Via::fillMaskOpening(Graphics& g, const QColor& color, double margin)
{
    if (!hasDisc() && !hasHole())
        return;
    const double r = (hasDisc() ? diameter : holeDiameter) / 2 + margin;
    if (!(r > 0) || !std::isfinite(r))
        return;
    g.pushTransform(netTransform);
    g.fillEllipse(QRectF(modelSpaceCenter.x() - r, modelSpaceCenter.y() - r, 2 * r, 2 * r), color);
    g.popTransform(netTransform);
}

QString Via::typeName() const
{
    return QStringLiteral("Via");
}

std::vector<std::shared_ptr<Via>> collectVias(const EntityList& list)
{
    std::vector<std::shared_ptr<Via>> vias;
    list.collect(vias);
    return vias;
}

ViaEditor::ViaEditor(std::shared_ptr<Via> via, QWidget* parent)
    : FrameEditor(QStringLiteral("Via"), {}, parent)
    , via(via)
{
    keepEntityAlive(std::move(via));
}
