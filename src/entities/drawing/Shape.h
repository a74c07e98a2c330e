#pragma once
// A filled free-form area: the polygon through the points of its graphics
// path, filled with the brush colour, with no outline.

#include "core/Brush.h"
#include "core/GraphicsPath.h"
#include "core/Pen.h"
#include "editors/EntityEditor.h"
#include "model/Entity.h"

#include <memory>

class Shape : public Entity, public IPen, public IBrush, public IExtrudable {
public:
    explicit Shape(GraphicsSheet* sheet);

    Pen pen; // read, not drawn
    Brush brush; // only its colour counts
    bool doNotBlockRouting = false;
    double extrusionBase = 0;
    double extrusionHeight = 0;
    GraphicsPath graphicsPath;

    // Entity attributes, pen, brush, the "point" children of the element
    // itself, "doNotBlockRouting", "extrusionBase", "extrusionHeight", then
    // the "point" children of the first "graphicsPath" child (appended).
    void readXML(pugi::xml_node element) override;
    // Keeps the polygon's path for drawing; the box stays empty.
    void calculateBoundingBox() override;
    // The selection frame, then the polygon filled (non-zero) with the brush
    // colour under the shape's own placement. A shape keeps no bounding box,
    // so it is never culled.
    void draw(Graphics& g) const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Shape"); }

    Pen* entityPen() override { return &pen; }
    Brush* entityBrush() override { return &brush; }
    double* extrusionBasePtr() override { return &extrusionBase; }
    double* extrusionHeightPtr() override { return &extrusionHeight; }
};

// Title only: a shape has nothing to edit.
class ShapeEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit ShapeEditor(std::shared_ptr<Shape> shape, QWidget* parent = nullptr);
    const std::shared_ptr<Shape>& shape() const { return shape_; }

private:
    std::shared_ptr<Shape> shape_;
};
