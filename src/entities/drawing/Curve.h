#pragma once
// A free-form Bezier outline stroked with its own pen and filled with its
// own brush.

#include "core/Bezier.h"
#include "core/Brush.h"
#include "core/Pen.h"
#include "editors/EntityEditor.h"
#include "entities/drawing/Rectangle.h" // FilletParameters
#include "model/Entity.h"

#include <QString>
#include <memory>

class Curve : public Entity, public IPen, public IBrush, public IExtrudable {
public:
    explicit Curve(GraphicsSheet* sheet);

    Pen pen;
    Brush brush;
    Bezier bezier; // tension 1 until read
    double extrusionBase = 0;
    double extrusionHeight = 0;
    bool doNotBlockRouting = false;
    FilletParameters filletParameters;
    QString signalName;

    // Entity attributes, "signalName", the fillet attributes only when
    // "onPackageLayer" is "true", "extrusionBase" and "extrusionHeight" at
    // single precision, "doNotBlockRouting", then pen, brush and Bezier.
    void readXML(pugi::xml_node element) override;
    // The two corners of the path's bounds, control points included, each
    // mapped; grown by half the pen width when the pen is visible. A curve
    // without points keeps an empty box.
    void calculateBoundingBox() override;
    // Filled with the brush, then stroked; ten device pixels wider while
    // picking.
    void draw(Graphics& g) const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Curve"); }

    Pen* entityPen() override { return &pen; }
    Brush* entityBrush() override { return &brush; }
    double* extrusionBasePtr() override { return &extrusionBase; }
    double* extrusionHeightPtr() override { return &extrusionHeight; }
};

// Title only: a curve has nothing to edit.
class CurveEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit CurveEditor(std::shared_ptr<Curve> curve, QWidget* parent = nullptr);
    const std::shared_ptr<Curve>& curve() const { return curve_; }

private:
    std::shared_ptr<Curve> curve_;
};
