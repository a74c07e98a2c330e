#pragma once
// The drawing ellipse: the ellipse inscribed in an axis-aligned rectangle,
// outlined with its own pen and filled with its own brush.

#include "core/Brush.h"
#include "core/Pen.h"
#include "editors/EntityEditor.h"
#include "model/Entity.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <memory>

class Ellipse : public Entity, public IPen, public IBrush, public IExtrudable {
public:
    explicit Ellipse(GraphicsSheet* sheet);

    // The rectangle the ellipse is inscribed in; origin bottom-left, inches.
    QRectF rectangle{0, 0, 0, 0};
    Pen pen;
    Brush brush;
    double extrusionBase = 0;
    double extrusionHeight = 0;
    bool doNotBlockRouting = false;
    bool sphere = false;

    // The editing handles, as a rectangle's: setting the centre moves the
    // rectangle (size kept); setting the size keeps the bottom-left corner,
    // and the centre becomes the new midpoint.
    QPointF center() const { return center_; }
    void setCenter(const QPointF& c);
    QSizeF size() const { return size_; }
    void setSize(const QSizeF& s);

    // Entity attributes, pen, brush, "x" "y" "width" "height",
    // "extrusionBase", "extrusionHeight", "doNotBlockRouting", "sphere"; then
    // centre and size from the rectangle.
    void readXML(pugi::xml_node element) override;
    // The box of the mapped rectangle (not of the curve), grown by half the
    // pen width when the pen is visible.
    void calculateBoundingBox() override;
    void draw(Graphics& g) const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Ellipse"); }

    Pen* entityPen() override { return &pen; }
    Brush* entityBrush() override { return &brush; }
    double* extrusionBasePtr() override { return &extrusionBase; }
    double* extrusionHeightPtr() override { return &extrusionHeight; }

private:
    QPointF center_{0, 0};
    QSizeF size_{0, 0};
};

// Centre, size, extrusion, pen and fill of an ellipse.
class EllipseEditor : public EntityEditor {
    Q_OBJECT
public:
    explicit EllipseEditor(std::shared_ptr<Ellipse> ellipse, QWidget* parent = nullptr);
    const std::shared_ptr<Ellipse>& ellipse() const { return ellipse_; }

private:
    std::shared_ptr<Ellipse> ellipse_;
};
