#include "entities/schematic/Bus.h"

#include "core/Graphics.h"
#include "core/Readers.h"
#include "document/Schematic.h"
#include "entities/schematic/SchematicEditors.h"

// Bus

Bus::Bus(GraphicsSheet* sheet) : Entity(sheet)
{
}

void Bus::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    name = readTextAttribute(element, "name", name);
    nameVisible = readBoolAttribute(element, "nameVisible", true);
    EntityList::readEntities(element, sheet, childEntities);
}

QString Bus::typeName() const
{
    return QStringLiteral("Bus");
}

QWidget* Bus::editorView(const std::shared_ptr<Entity>& self)
{
    return new BusEditor(std::static_pointer_cast<Bus>(self));
}

// BusId

BusId::BusId(GraphicsSheet* sheet) : TextEntity(sheet)
{
}

QString BusId::typeName() const
{
    return QStringLiteral("Bus Id");
}

QWidget* BusId::editorView(const std::shared_ptr<Entity>& self)
{
    return new BusIdEditor(std::static_pointer_cast<BusId>(self));
}

// NodeId

NodeId::NodeId(GraphicsSheet* sheet) : TextEntity(sheet)
{
}

void NodeId::readXML(pugi::xml_node element)
{
    TextEntity::readXML(element);
    hide = readBoolAttribute(element, "hide", hide);
}

void NodeId::calculateBoundingBox()
{
    const auto* schematic = dynamic_cast<const Schematic*>(sheet);
    if (schematic && schematic->schematicSettings.showNodeIds)
        TextEntity::calculateBoundingBox();
}

void NodeId::draw(Graphics& g) const
{
    if (hide || !g.showNodeIds || g.doNotDrawNodeIds)
        return;
    TextEntity::draw(g);
}

QString NodeId::typeName() const
{
    // A hostile label must not make the status line unbounded.
    return QStringLiteral("Node ID \"") + text.left(kMaxLaidOutCharacters) + QStringLiteral("\"");
}

QWidget* NodeId::editorView(const std::shared_ptr<Entity>& self)
{
    return new NodeIdEditor(std::static_pointer_cast<NodeId>(self));
}
