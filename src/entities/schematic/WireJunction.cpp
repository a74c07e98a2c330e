#include "entities/schematic/WireJunction.h"

#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"
#include "document/Schematic.h"
#include "entities/schematic/SchematicEditors.h"

WireJunction::WireJunction(GraphicsSheet* sheet) : Entity(sheet)
{
}

void WireJunction::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    id = readIdAttribute(element, "id", id);
    electricalConnectionPoint = readPointAttribute(element, "at", electricalConnectionPoint);
}

void WireJunction::calculateBoundingBox()
{
    const auto* schematic = dynamic_cast<const Schematic*>(sheet);
    if (!schematic)
        return;
    const double d = schematic->schematicSettings.nodePen.width;
    const QPointF c = electricalConnectionPoint;
    boundingBox.addTransformedRect(QRectF(c.x() - d, c.y() - d, 2 * d, 2 * d), netTransform);
}

void WireJunction::draw(Graphics& g) const
{
    const auto* schematic = dynamic_cast<const Schematic*>(sheet);
    if (!schematic)
        return;
    Entity::draw(g);
    const Pen& nodePen = schematic->schematicSettings.nodePen;
    const double d = nodePen.width;
    g.pushTransform(singleLevelTransform);
    if (isDrawable(nodePen.color)) {
        // A circle of diameter d stroked d wide: a solid disc of diameter 2d.
        g.applyPen(Pen(nodePen.color, d));
        const QPointF c = electricalConnectionPoint;
        g.context.beginPath();
        g.context.addEllipse(QRectF(c.x() - d / 2, c.y() - d / 2, d, d));
        g.context.strokePath();
    }
    g.popTransform(singleLevelTransform);
}

QString WireJunction::typeName() const
{
    return QStringLiteral("Wire Junction");
}

QWidget* WireJunction::editorView(const std::shared_ptr<Entity>& self)
{
    return new WireJunctionEditor(std::static_pointer_cast<WireJunction>(self));
}

NodeJunction::NodeJunction(GraphicsSheet* sheet) : WireJunction(sheet)
{
}

QString NodeJunction::typeName() const
{
    return QStringLiteral("Node Junction");
}

QWidget* NodeJunction::editorView(const std::shared_ptr<Entity>& self)
{
    return new NodeJunctionEditor(std::static_pointer_cast<NodeJunction>(self));
}

BusJunction::BusJunction(GraphicsSheet* sheet) : WireJunction(sheet)
{
}

QString BusJunction::typeName() const
{
    return QStringLiteral("Bus Junction");
}

QWidget* BusJunction::editorView(const std::shared_ptr<Entity>& self)
{
    return new BusJunctionEditor(std::static_pointer_cast<BusJunction>(self));
}
