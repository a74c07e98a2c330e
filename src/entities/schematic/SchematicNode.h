#pragma once
// Schematic nets as the file stores them: a net (`SchematicNode`, element
// "node") holds the wires drawn for it and its other objects (junctions,
// labels, connectors) in a child list. Connectivity is read as stored, never
// computed.
//
// A wire is a polyline through its vertices. A jumper vertex makes a
// semicircular hop (radius 0.02, 0.04 on a bus) over a crossing wire towards
// the next vertex; the sheet's corner style may round or bevel the corners.

#include "core/Geometry.h"
#include "core/Pen.h"
#include "model/Entity.h"
#include "model/EntityList.h"

#include <QPainterPath>
#include <QPointF>
#include <memory>
#include <optional>
#include <vector>

class WireVertex {
public:
    virtual ~WireVertex() = default;
    QPointF position;
};

// A hop over a crossing wire; recognised by its exact kind.
class WireVertexJumper : public WireVertex {
public:
    bool isBusJumper = false;
};

// The pen of wires whose container has not given them its own: black, 0.007,
// created once.
std::shared_ptr<Pen> defaultWirePen();

// Element "wire": as a "wire" child of a net, or as an entity of its own.
class Wire : public Entity {
public:
    explicit Wire(GraphicsSheet* sheet);

    // Shared with the owning container once its geometry pass has run.
    std::shared_ptr<Pen> pen = defaultWirePen();
    // The corner-curved outline, present with rounded or bevelled corners.
    std::optional<QPainterPath> path;
    // The polyline drawn, rebuilt from the vertices (own coordinates).
    std::vector<QPointF> points;
    std::vector<std::unique_ptr<WireVertex>> wireVertices;
    bool routed = true;
    int64_t startTerminalId = 0;
    int64_t endTerminalId = 0;

    // Hop radius of a jumper on a wire and on a bus.
    static constexpr double kJumperRadius = 0.02;
    static constexpr double kBusJumperRadius = 0.04;
    static constexpr double kCornerRadius = 0.05;

    // Entity attributes, "routed", "from", "to", then the "vertex" and
    // "vertexJumper" children in order. A vertex whose "at" is present but
    // not two numbers is skipped; one without "at" sits at (0, 0).
    void readXML(pugi::xml_node element) override;
    // buildWirePath under the net transform.
    void calculateBoundingBox() override;
    // The selection frame, then the path or the polyline in the pen.
    void draw(Graphics& g) const override;
    QString typeName() const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;

    // Rebuilds `points` and `path` and grows the box by the points, each
    // mapped through t when given. A wire without vertices has no points,
    // no path and no box.
    void buildWirePath(const std::optional<QTransform>& t);
};

// Base of entities that hold wires drawn with one pen.
class WireContainer : public Entity {
public:
    explicit WireContainer(GraphicsSheet* sheet);

    std::vector<std::shared_ptr<Wire>> wires;
    // The container's own copy of the default wire pen until read.
    std::shared_ptr<Pen> pen;

    // Entity attributes, the pen attributes, then readWires.
    void readXML(pugi::xml_node element) override;
    // Every direct "wire" child, in order, appended to `wires`.
    void readWires(pugi::xml_node element);
    // wireContainerBounds.
    void calculateBoundingBox() override;
    // The selection frame, then every wire under the container's transform.
    void draw(Graphics& g) const override;

protected:
    // Gives every wire the container's pen, rebuilds it under the
    // container's net transform and adds its box to the container's.
    void wireContainerBounds();
};

// Element "node": one electrical net.
class SchematicNode : public WireContainer, public IEntityHolder {
public:
    explicit SchematicNode(GraphicsSheet* sheet);

    int64_t index = 0;
    bool isDifferential = false;
    bool isGround = false;
    bool ground = false;
    QString actualName;
    QString userDefinedName;
    Id netID;
    double voltage = 0;
    bool verified = false;
    EntityList childEntities;

    // The wire container's reading, the net's attributes, then the children
    // of its "entities" elements.
    void readXML(pugi::xml_node element) override;
    // The wires, then the children under the net's transform; the union of
    // both goes into the parent box.
    void updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox) override;
    QString typeName() const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;

    IEntityHolder* holder() override { return this; }

    const IEntityHolder* holder() const override { return this; }
    EntityList& entities() override { return childEntities; }
    const EntityList& entities() const override { return childEntities; }
    const std::optional<QTransform>& childTransform() const override { return singleLevelTransform; }
};
