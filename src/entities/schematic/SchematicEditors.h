#pragma once
// The property editors of the schematic objects. None of them has anything
// to edit: each is the entity frame with its title and an empty parameter
// area ("No editable parameters"), holding the object it was opened for.

#include "editors/EntityEditor.h"

#include <memory>

class Bus;
class BusId;
class BusJunction;
class InterWireConnector;
class NodeId;
class NodeJunction;
class SchematicNode;
class Wire;
class WireJunction;
class PortName;
class SchematicKeepout;
class Port;
class SchematicError;
class BlockReference;

// The titled empty editor of a schematic object; keeps the object (and its
// design's sheets) alive while shown.
class SchematicObjectEditor : public FrameEditor {
public:
    SchematicObjectEditor(const QString& title, std::shared_ptr<Entity> entity, QWidget* parent = nullptr);
};

class BusEditor : public SchematicObjectEditor {
public:
    explicit BusEditor(std::shared_ptr<Bus> bus, QWidget* parent = nullptr);
    std::shared_ptr<Bus> bus;
};

class BusIdEditor : public SchematicObjectEditor {
public:
    explicit BusIdEditor(std::shared_ptr<BusId> busId, QWidget* parent = nullptr);
    std::shared_ptr<BusId> busId;
};

class BusJunctionEditor : public SchematicObjectEditor {
public:
    explicit BusJunctionEditor(std::shared_ptr<BusJunction> busJunction, QWidget* parent = nullptr);
    std::shared_ptr<BusJunction> busJunction;
};

class InterWireConnectorEditor : public SchematicObjectEditor {
public:
    explicit InterWireConnectorEditor(std::shared_ptr<InterWireConnector> interWireConnector, QWidget* parent = nullptr);
    std::shared_ptr<InterWireConnector> interWireConnector;
};

class NodeIdEditor : public SchematicObjectEditor {
public:
    explicit NodeIdEditor(std::shared_ptr<NodeId> nodeId, QWidget* parent = nullptr);
    std::shared_ptr<NodeId> nodeId;
};

class NodeJunctionEditor : public SchematicObjectEditor {
public:
    explicit NodeJunctionEditor(std::shared_ptr<NodeJunction> nodeJunction, QWidget* parent = nullptr);
    std::shared_ptr<NodeJunction> nodeJunction;
};

class SchematicNodeEditor : public SchematicObjectEditor {
public:
    explicit SchematicNodeEditor(std::shared_ptr<SchematicNode> schematicNode, QWidget* parent = nullptr);
    std::shared_ptr<SchematicNode> schematicNode;
};

class WireEditor : public SchematicObjectEditor {
public:
    explicit WireEditor(std::shared_ptr<Wire> wire, QWidget* parent = nullptr);
    std::shared_ptr<Wire> wire;
};

class WireJunctionEditor : public SchematicObjectEditor {
public:
    explicit WireJunctionEditor(std::shared_ptr<WireJunction> wireJunction, QWidget* parent = nullptr);
    std::shared_ptr<WireJunction> wireJunction;
};

class PortNameEditor : public SchematicObjectEditor {
public:
    explicit PortNameEditor(std::shared_ptr<PortName> portName, QWidget* parent = nullptr);
    std::shared_ptr<PortName> portName;
};

class SchematicKeepoutEditor : public SchematicObjectEditor {
public:
    explicit SchematicKeepoutEditor(std::shared_ptr<SchematicKeepout> schematicKeepout, QWidget* parent = nullptr);
    std::shared_ptr<SchematicKeepout> schematicKeepout;
};

class PortEditor : public SchematicObjectEditor {
public:
    explicit PortEditor(std::shared_ptr<Port> port, QWidget* parent = nullptr);
    std::shared_ptr<Port> port;
};

class SchematicErrorEditor : public SchematicObjectEditor {
public:
    explicit SchematicErrorEditor(std::shared_ptr<SchematicError> schematicError, QWidget* parent = nullptr);
    std::shared_ptr<SchematicError> schematicError;
};

class BlockReferenceEditor : public SchematicObjectEditor {
public:
    explicit BlockReferenceEditor(std::shared_ptr<BlockReference> blockReference, QWidget* parent = nullptr);
    std::shared_ptr<BlockReference> blockReference;
};
