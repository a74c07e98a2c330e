#pragma once
// Schematic objects that are kept from the file and shown only as
// selectable items: ports, port names, block references, route keep-outs
// and stored error markers. None draws anything but its selection frame,
// and none has a box of its own.

#include "core/Values.h"
#include "entities/schematic/TerminalTypes.h"
#include "model/Entity.h"

#include <QPointF>
#include <QRectF>
#include <QString>
#include <memory>
#include <vector>

// Element "port": a named connection point with a side and a pin style.
class Port : public Entity {
public:
    explicit Port(GraphicsSheet* sheet);

    QPointF electricalConnectionPoint = QPointF(0, 0);
    QString electricalNodeName;
    TerminalOrientation terminalOrientation = TerminalOrientation::left;
    TerminalType terminalType = TerminalType::medium;

    // Entity attributes, "at", "nodeName", "side" (left when missing or
    // unknown), "type" (when missing: line in files before version 12,
    // medium from 12 on; medium for an unknown word).
    void readXML(pugi::xml_node element) override;
    QString typeName() const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
};

// Element "portName".
class PortName : public Entity {
public:
    explicit PortName(GraphicsSheet* sheet);
    QString typeName() const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
};

// A reusable block definition; nothing creates one yet.
class Block {
public:
    Id id;
    QString name;
    double baseX = 0;
    double baseY = 0;
    double baseZ = 0;
    std::vector<std::shared_ptr<Entity>> entities;
};

// Element "blockReference": the block's identity, stored and not resolved.
class BlockReference : public Entity {
public:
    explicit BlockReference(GraphicsSheet* sheet);

    Id blockId;

    void readXML(pugi::xml_node element) override;
    QString typeName() const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
};

// Element "schematicRouteBarrier": an area wires are not routed through.
class SchematicKeepout : public Entity {
public:
    explicit SchematicKeepout(GraphicsSheet* sheet);

    // Not read.
    QPointF at = QPointF(0, 0);
    QRectF rectangle = QRectF(0, 0, 0, 0);

    // Entity attributes, then "x", "y", "width", "height": each missing or
    // unreadable one gives 0 for x and y and 1 for the sizes.
    void readXML(pugi::xml_node element) override;
    // Nothing at all: the keep-out keeps its box and adds nothing to its
    // parent's.
    void updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox) override;
    QString typeName() const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
};

// Element "schematicError": an error marker stored in the file.
class SchematicError : public Entity {
public:
    explicit SchematicError(GraphicsSheet* sheet);

    QString errorGroup;
    QPointF position = QPointF(0, 0);
    QString shortMessage;
    QString message;

    // Entity attributes, "group", "location", "error", "message".
    void readXML(pugi::xml_node element) override;
    QString typeName() const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
};
