#include "entities/schematic/SchematicObjects.h"

#include "core/Readers.h"
#include "document/Design.h"
#include "document/GraphicsSheet.h"
#include "entities/schematic/SchematicEditors.h"

// Port

Port::Port(GraphicsSheet* sheet) : Entity(sheet)
{
}

void Port::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    electricalConnectionPoint = readPointAttribute(element, "at", electricalConnectionPoint);
    electricalNodeName = readTextAttribute(element, "nodeName", electricalNodeName);
    terminalOrientation = readEnumAttribute(element, "side", TerminalOrientation::left, terminalOrientationFromString);
    if (element.attribute("type")) {
        terminalType = readEnumAttribute(element, "type", TerminalType::medium, terminalTypeFromString);
    } else {
        // Older files meant a plain line; a port outside any design keeps
        // the present default.
        const Design* design = sheet ? sheet->design : nullptr;
        terminalType = design && design->xmlVersionBeingRead < 12 ? TerminalType::line : TerminalType::medium;
    }
}

QString Port::typeName() const
{
    return QStringLiteral("Port");
}

QWidget* Port::editorView(const std::shared_ptr<Entity>& self)
{
    return new PortEditor(std::static_pointer_cast<Port>(self));
}

// PortName

PortName::PortName(GraphicsSheet* sheet) : Entity(sheet)
{
}

QString PortName::typeName() const
{
    return QStringLiteral("PortName");
}

QWidget* PortName::editorView(const std::shared_ptr<Entity>& self)
{
    return new PortNameEditor(std::static_pointer_cast<PortName>(self));
}

// BlockReference

BlockReference::BlockReference(GraphicsSheet* sheet) : Entity(sheet)
{
}

void BlockReference::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    blockId = readIdAttribute(element, "blockId", blockId);
}

QString BlockReference::typeName() const
{
    return QStringLiteral("Block Reference");
}

QWidget* BlockReference::editorView(const std::shared_ptr<Entity>& self)
{
    return new BlockReferenceEditor(std::static_pointer_cast<BlockReference>(self));
}

// SchematicKeepout

SchematicKeepout::SchematicKeepout(GraphicsSheet* sheet) : Entity(sheet)
{
}

void SchematicKeepout::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    rectangle = QRectF(readDoubleAttribute(element, "x", 0), readDoubleAttribute(element, "y", 0),
                       readDoubleAttribute(element, "width", 1), readDoubleAttribute(element, "height", 1));
}

void SchematicKeepout::updateGeometry(const std::optional<QTransform>&, BoundingBox*)
{
}

QString SchematicKeepout::typeName() const
{
    return QStringLiteral("Schematic Keepout");
}

QWidget* SchematicKeepout::editorView(const std::shared_ptr<Entity>& self)
{
    return new SchematicKeepoutEditor(std::static_pointer_cast<SchematicKeepout>(self));
}

// SchematicError

SchematicError::SchematicError(GraphicsSheet* sheet) : Entity(sheet)
{
}

void SchematicError::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    errorGroup = readTextAttribute(element, "group", errorGroup);
    position = readPointAttribute(element, "location", position);
    shortMessage = readTextAttribute(element, "error", shortMessage);
    message = readTextAttribute(element, "message", message);
}

QString SchematicError::typeName() const
{
    return QStringLiteral("Schematic Error");
}

QWidget* SchematicError::editorView(const std::shared_ptr<Entity>& self)
{
    return new SchematicErrorEditor(std::static_pointer_cast<SchematicError>(self));
}
