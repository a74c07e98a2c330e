#pragma once
// The drawing rectangle with optional rounded corners, and the fillet block
// that rectangles, curves and polylines keep for a 3D view.

#include "core/Brush.h"
#include "core/Pen.h"
#include "editors/EntityEditor.h"
#include "model/Entity.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <memory>
#include <optional>

// Fillet data read from the owning entity's own element; kept only.
class FilletParameters {
public:
    bool enabled = false;
    bool filletTop = true;
    bool filletBottom = true;
    static constexpr double defaultRadius = 0.01968503937007874; // 0.5 mm

    // defaultRadius until a radius is stored.
    double radius() const { return radius_.value_or(defaultRadius); }
    void setRadius(double r) { radius_ = r; }

    // "fillet", "filletTop", "filletBottom" (true only for "true"; missing
    // keeps) and "radius" (single precision, widened; missing keeps).
    void readXML(pugi::xml_node element);

private:
    std::optional<double> radius_;
};

class Rectangle : public Entity, public IPen, public IBrush, public IExtrudable {
public:
    explicit Rectangle(GraphicsSheet* sheet);

    // Origin is the bottom-left corner (y up), inches.
    QRectF rectangle{0, 0, 0, 0};
    // 0 or less: square corners; otherwise the corner radius is roundness x
    // half the shorter side.
    double roundness = 0;
    Pen pen;
    Brush brush;
    double extrusionBase = 0;
    double extrusionHeight = 0;
    bool doNotBlockRouting = false;
    bool cylinder = false;
    FilletParameters filletParameters;

    // The editing handles. Setting the centre moves the rectangle (size
    // kept); setting the size keeps the bottom-left corner, and the centre
    // becomes the new midpoint.
    QPointF center() const { return center_; }
    void setCenter(const QPointF& c);
    QSizeF size() const { return size_; }
    void setSize(const QSizeF& s);

    // Entity attributes, pen, brush, "x" "y" "width" "height", "roundness",
    // "extrusionBase", "extrusionHeight", "doNotBlockRouting", "cylinder",
    // the fillet attributes; then centre and size from the rectangle.
    void readXML(pugi::xml_node element) override;
    // The four mapped corners, grown by half the pen width when the pen is
    // visible. The brush's gradient spans the rectangle itself, in the
    // coordinates it is drawn in.
    void calculateBoundingBox() override;
    void draw(Graphics& g) const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Rectangle"); }

    Pen* entityPen() override { return &pen; }
    Brush* entityBrush() override { return &brush; }
    double* extrusionBasePtr() override { return &extrusionBase; }
    double* extrusionHeightPtr() override { return &extrusionHeight; }

private:
    QPointF center_{0, 0};
    QSizeF size_{0, 0};
};

// Centre, size, extrusion, pen and fill of a rectangle.
class RectangleEditor : public EntityEditor {
    Q_OBJECT
public:
    explicit RectangleEditor(std::shared_ptr<Rectangle> rectangle, QWidget* parent = nullptr);
    const std::shared_ptr<Rectangle>& rectangle() const { return rectangle_; }

private:
    std::shared_ptr<Rectangle> rectangle_;
};
