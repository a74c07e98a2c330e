#pragma once
// Controls laid out on a sheet. A control rectangle ("controlRectangle")
// draws itself as a filled and outlined rectangle; a dial ("dial") holds
// child entities, drawn through it; a graph holder ("graphHolder") and a
// slider ("slider") keep what they read and draw only their selection frame
// (the slider's children are read but never drawn). Each offers the
// "Not implemented" placeholder editor.

#include "core/Brush.h"
#include "core/Pen.h"
#include "editors/EntityEditor.h"
#include "model/Entity.h"
#include "model/EntityList.h"

#include <QRectF>
#include <memory>

class ControlRectangle : public Entity, public IPen, public IBrush {
public:
    explicit ControlRectangle(GraphicsSheet* sheet);

    // Kept; the rectangle draws whatever they say.
    bool enabled = true;
    // Never read; the corners stay square.
    double roundness = 0;
    bool elliptical = false;
    // Origin bottom-left (y up), inches.
    QRectF rectangle{0, 0, 0, 0};
    Pen pen;
    Brush brush;

    // Entity attributes, pen, brush, "enabled", "elliptical", then
    // "x" "y" "width" "height".
    void readXML(pugi::xml_node element) override;
    // The mapped corners, grown by half the pen width when the pen is
    // visible. A gradient spans the rectangle itself, in the coordinates it
    // is drawn in.
    void calculateBoundingBox() override;
    void draw(Graphics& g) const override;
    QString typeName() const override { return QStringLiteral("Control Rectangle"); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;

    Pen* entityPen() override { return &pen; }
    Brush* entityBrush() override { return &brush; }
};

class Dial : public Entity, public IEntityHolder {
public:
    explicit Dial(GraphicsSheet* sheet);

    // Kept only. The file carries the angle in "holeDiameter".
    double angle = 0;
    double height = 0;
    QRectF rectangle{0, 0, 0, 0};
    EntityList children;

    // Entity attributes, "holeDiameter" into angle, "height", the rectangle,
    // then the children.
    void readXML(pugi::xml_node element) override;
    // The dial's own box stays empty; its children are measured (and laid
    // out) under its net transform, so they draw and cull like any other.
    void updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox) override;
    QString typeName() const override { return QStringLiteral("Dial"); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;

    IEntityHolder* holder() override { return this; }

    const IEntityHolder* holder() const override { return this; }
    EntityList& entities() override { return children; }
    const EntityList& entities() const override { return children; }
    const std::optional<QTransform>& childTransform() const override { return singleLevelTransform; }
};

class GraphHolder : public Entity {
public:
    explicit GraphHolder(GraphicsSheet* sheet);

    // Kept only.
    Pen pen;
    Brush fillBrush;

    // Entity attributes, pen, and the brush of the first "fillBrush" child.
    void readXML(pugi::xml_node element) override;
    QString typeName() const override { return QStringLiteral("Graph Holder"); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
};

class SliderControl : public Entity {
public:
    explicit SliderControl(GraphicsSheet* sheet);

    // Read and kept; a slider is no holder, so they are never drawn.
    EntityList children;

    void readXML(pugi::xml_node element) override;
    QString typeName() const override { return QStringLiteral("Slider"); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
};

class ControlRectangleEditor : public NotImplementedEditor {
    Q_OBJECT
public:
    explicit ControlRectangleEditor(std::shared_ptr<ControlRectangle> entity, QWidget* parent = nullptr);
    std::shared_ptr<ControlRectangle> controlRectangle;
};

class DialEditor : public NotImplementedEditor {
    Q_OBJECT
public:
    explicit DialEditor(std::shared_ptr<Dial> entity, QWidget* parent = nullptr);
    std::shared_ptr<Dial> dial;
};

class GraphHolderEditor : public NotImplementedEditor {
    Q_OBJECT
public:
    explicit GraphHolderEditor(std::shared_ptr<GraphHolder> entity, QWidget* parent = nullptr);
    std::shared_ptr<GraphHolder> graphHolder;
};

class SliderControlEditor : public NotImplementedEditor {
    Q_OBJECT
public:
    explicit SliderControlEditor(std::shared_ptr<SliderControl> entity, QWidget* parent = nullptr);
    std::shared_ptr<SliderControl> slider;
};
