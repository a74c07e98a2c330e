#pragma once
// The dot drawn where wires of one net meet. Its size and colour are the
// schematic sheet's node pen: a disc of radius equal to the pen width. Off a
// schematic sheet a junction has no box and draws nothing.

#include "core/Values.h"
#include "model/Entity.h"

#include <QPointF>
#include <QRectF>

class WireJunction : public Entity {
public:
    explicit WireJunction(GraphicsSheet* sheet);

    Id id;
    // The centre of the dot.
    QPointF electricalConnectionPoint = QPointF(0, 0);
    // Kept; no operation uses it.
    QRectF rectangle = QRectF(0, 0, 0, 0);

    // Entity attributes, "id", "at" (each missing keeps the current value).
    void readXML(pugi::xml_node element) override;
    // The dot's full extent under the net transform.
    void calculateBoundingBox() override;
    void draw(Graphics& g) const override;
    QString typeName() const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
};

// Element "nodeJunction".
class NodeJunction : public WireJunction {
public:
    explicit NodeJunction(GraphicsSheet* sheet);
    // Not read; no operation consults it.
    bool hide = false;
    QString typeName() const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
};

// Element "busJunction".
class BusJunction : public WireJunction {
public:
    explicit BusJunction(GraphicsSheet* sheet);
    QString typeName() const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
};
