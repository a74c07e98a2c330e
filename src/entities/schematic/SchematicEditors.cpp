#include "entities/schematic/SchematicEditors.h"

#include "entities/schematic/Bus.h"
#include "entities/schematic/InterWireConnector.h"
#include "entities/schematic/SchematicNode.h"
#include "entities/schematic/SchematicObjects.h"
#include "entities/schematic/WireJunction.h"

SchematicObjectEditor::SchematicObjectEditor(const QString& title, std::shared_ptr<Entity> entity, QWidget* parent)
    : FrameEditor(title, {}, parent)
{
    if (entity)
        keepEntityAlive(std::move(entity));
}

BusEditor::BusEditor(std::shared_ptr<Bus> bus, QWidget* parent)
    : SchematicObjectEditor(QStringLiteral("Bus"), bus, parent)
    , bus(std::move(bus))
{
}

BusIdEditor::BusIdEditor(std::shared_ptr<BusId> busId, QWidget* parent)
    : SchematicObjectEditor(QStringLiteral("Bus ID"), busId, parent)
    , busId(std::move(busId))
{
}

BusJunctionEditor::BusJunctionEditor(std::shared_ptr<BusJunction> busJunction, QWidget* parent)
    : SchematicObjectEditor(QStringLiteral("Bus Junction"), busJunction, parent)
    , busJunction(std::move(busJunction))
{
}

InterWireConnectorEditor::InterWireConnectorEditor(std::shared_ptr<InterWireConnector> interWireConnector, QWidget* parent)
    : SchematicObjectEditor(QStringLiteral("Inter-wire Connector"), interWireConnector, parent)
    , interWireConnector(std::move(interWireConnector))
{
}

NodeIdEditor::NodeIdEditor(std::shared_ptr<NodeId> nodeId, QWidget* parent)
    : SchematicObjectEditor(QStringLiteral("Node ID"), nodeId, parent)
    , nodeId(std::move(nodeId))
{
}

NodeJunctionEditor::NodeJunctionEditor(std::shared_ptr<NodeJunction> nodeJunction, QWidget* parent)
    : SchematicObjectEditor(QStringLiteral("Node Junction"), nodeJunction, parent)
    , nodeJunction(std::move(nodeJunction))
{
}

SchematicNodeEditor::SchematicNodeEditor(std::shared_ptr<SchematicNode> schematicNode, QWidget* parent)
    : SchematicObjectEditor(QStringLiteral("Schematic Node"), schematicNode, parent)
    , schematicNode(std::move(schematicNode))
{
}

WireEditor::WireEditor(std::shared_ptr<Wire> wire, QWidget* parent)
    : SchematicObjectEditor(QStringLiteral("Wire"), wire, parent)
    , wire(std::move(wire))
{
}

WireJunctionEditor::WireJunctionEditor(std::shared_ptr<WireJunction> wireJunction, QWidget* parent)
    : SchematicObjectEditor(QStringLiteral("Wire Junction"), wireJunction, parent)
    , wireJunction(std::move(wireJunction))
{
}

PortNameEditor::PortNameEditor(std::shared_ptr<PortName> portName, QWidget* parent)
    : SchematicObjectEditor(QStringLiteral("Port Name"), portName, parent)
    , portName(std::move(portName))
{
}

SchematicKeepoutEditor::SchematicKeepoutEditor(std::shared_ptr<SchematicKeepout> schematicKeepout, QWidget* parent)
    : SchematicObjectEditor(QStringLiteral("Schematic Keepout"), schematicKeepout, parent)
    , schematicKeepout(std::move(schematicKeepout))
{
}

PortEditor::PortEditor(std::shared_ptr<Port> port, QWidget* parent)
    : SchematicObjectEditor(QStringLiteral("Port"), port, parent)
    , port(std::move(port))
{
}

SchematicErrorEditor::SchematicErrorEditor(std::shared_ptr<SchematicError> schematicError, QWidget* parent)
    : SchematicObjectEditor(QStringLiteral("Schematic Error"), schematicError, parent)
    , schematicError(std::move(schematicError))
{
}

BlockReferenceEditor::BlockReferenceEditor(std::shared_ptr<BlockReference> blockReference, QWidget* parent)
    : SchematicObjectEditor(QStringLiteral("Block Reference"), blockReference, parent)
    , blockReference(std::move(blockReference))
{
}
