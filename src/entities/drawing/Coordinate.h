#pragma once
// A coordinate label (element "coordinate"): a small cross on a point of the
// sheet with the point's coordinates written under it, in the sheet's units
// and measured from the sheet's origin offset.

#include "core/Brush.h"
#include "core/Font.h"
#include "core/Pen.h"
#include "editors/EntityEditor.h"
#include "model/Entity.h"

#include <QPointF>
#include <QRectF>
#include <QString>
#include <memory>
#include <optional>

class Coordinate : public Entity, public IPen, public IBrush {
public:
    // The cross reaches this far from the point each way; its strokes are
    // this wide with flat ends; the label is centred this far below it.
    static constexpr double kCrossHalfLength = 0.015;
    static constexpr double kCrossPenWidth = 0.00375;
    static constexpr double kLabelDrop = 0.051;

    // The pen is white on the PCB sheet (dark background), black elsewhere.
    explicit Coordinate(GraphicsSheet* sheet);

    QPointF position{0, 0};
    Font font;
    Brush textBrush;
    // "x, y" with two decimals in the sheet's units from its origin offset;
    // refreshed by the bounding-box pass.
    QString text;
    // Not read from the file; its width and caps are reset at every draw.
    Pen pen;

    // Entity attributes, "at" (missing keeps the point), the font from a
    // "font" child and the label colour from a "textBrush" child.
    void readXML(pugi::xml_node element) override;
    // Refreshes the label; the box holds the cross and the label's ink.
    void calculateBoundingBox() override;
    // The cross (when the pen is visible) and the label.
    void draw(Graphics& g) const override;
    QString typeName() const override { return QStringLiteral("Coordinate"); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;

    Pen* entityPen() override { return &pen; }
    Brush* entityBrush() override { return &textBrush; }

    // The label for a point, units per inch and origin offset.
    static QString formatLabel(QPointF position, QPointF originOffset, double unitsPerInch);
    // Where the label's ink lies as drawn, in own coordinates; none for an
    // empty label or a font without size.
    std::optional<QRectF> labelRect() const;
};

// "Center" (the point), then the pen of the cross and the label's fill.
class CoordinateEditor : public EntityEditor {
    Q_OBJECT
public:
    explicit CoordinateEditor(std::shared_ptr<Coordinate> coordinate, QWidget* parent = nullptr);
    const std::shared_ptr<Coordinate>& coordinate() const { return coordinate_; }

private:
    std::shared_ptr<Coordinate> coordinate_;
};
