#pragma once
// A bus (element "bus") groups related signals under one name; a bus label
// ("busId") and a net label ("nodeId") are texts naming a bus or a net.
//
// A bus holds its children but is not a holder: the sheet neither measures
// nor draws them, and the bus itself shows only its selection frame. Net
// labels are measured only on a schematic sheet that shows node ids, and
// drawn only when the drawing asks for node ids.

#include "entities/drawing/TextEntity.h"
#include "model/Entity.h"
#include "model/EntityList.h"

class Bus : public Entity {
public:
    explicit Bus(GraphicsSheet* sheet);

    EntityList childEntities;
    QString name;
    // Stored; not consulted.
    bool nameVisible = true;

    // Entity attributes, "name", "nameVisible" (true when missing), then the
    // children of its "entities" elements.
    void readXML(pugi::xml_node element) override;
    QString typeName() const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
};

// Element "busId": a plain text.
class BusId : public TextEntity {
public:
    explicit BusId(GraphicsSheet* sheet);
    QString typeName() const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
};

// Element "nodeId".
class NodeId : public TextEntity {
public:
    explicit NodeId(GraphicsSheet* sheet);

    bool hide = false;

    // The text attributes, then "hide" (missing keeps the current value).
    void readXML(pugi::xml_node element) override;
    // The text's box on a schematic sheet whose settings show node ids;
    // otherwise none.
    void calculateBoundingBox() override;
    // The text, only when not hidden and the graphics shows node ids.
    void draw(Graphics& g) const override;
    // Node ID "<text>".
    QString typeName() const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
};
