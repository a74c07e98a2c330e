#pragma once
// The drawing arc: a piece of a circle from a start to an end angle,
// counter-clockwise, stroked with its own pen. A solid fill covers the
// segment between the arc and its chord, a gradient the slice to the centre.

#include "core/Brush.h"
#include "core/Pen.h"
#include "editors/EntityEditor.h"
#include "model/Entity.h"

#include <QPointF>
#include <QSizeF>
#include <QString>
#include <memory>
#include <optional>

class QCheckBox;

class Arc : public Entity, public IExtrudable, public IPen, public IBrush {
public:
    explicit Arc(GraphicsSheet* sheet);

    Pen pen;
    Brush brush;
    QPointF center{0, 0};
    // Half-axes: drawing uses the width, the bounding box both.
    QSizeF radius{1, 1};
    double startAngleInDegrees = 0;
    double endAngleInDegrees = 0;
    QString signalName;
    double extrusionBase = 0;
    double extrusionHeight = 0;
    bool doNotBlockRouting = false;

    // Entity attributes, pen, brush, "radius" ((0, 0) when missing),
    // "startAngle", "endAngle", "center" ((0, 0) when missing), "signalName",
    // "extrusionBase", "extrusionHeight", "doNotBlockRouting"; then each angle
    // above 360 brought down by whole turns (725 reads as 5, 720 as 360).
    void readXML(pugi::xml_node element) override;
    // The box of the whole ellipse of the two half-axes (two mapped corners),
    // whatever the angles; grown by half the pen width when the pen is visible.
    void calculateBoundingBox() override;
    // Fill (segment or, for a gradient, the slice reaching half a pen width
    // beyond the arc), then the stroke; ten device pixels wider while picking.
    void draw(Graphics& g) const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Arc"); }

    Pen* entityPen() override { return &pen; }
    Brush* entityBrush() override { return &brush; }
    double* extrusionBasePtr() override { return &extrusionBase; }
    double* extrusionHeightPtr() override { return &extrusionHeight; }

    // An angle read from the file brought to 360 or less by whole turns, as
    // repeated subtraction does; huge values end too.
    static double reduceAngle(double degrees);
    // The counter-clockwise sweep from start to end in radians: 0 up to a full
    // turn (an end a full turn or more past the start draws the whole circle);
    // none when either angle is not finite.
    static std::optional<double> sweep(double startDegrees, double endDegrees);
};

// Centre, radius, angles, the routing flag (schematic sheets only),
// extrusion, pen and fill of an arc.
class ArcEditor : public EntityEditor {
    Q_OBJECT
public:
    static constexpr const char* extrusionExpandedKey = "extrusionExpanded";

    explicit ArcEditor(std::shared_ptr<Arc> arc, QWidget* parent = nullptr);
    ~ArcEditor() override;
    const std::shared_ptr<Arc>& arc() const { return arc_; }
    // "Do not block the AutoRouter"; null on a sheet that is not a schematic.
    QCheckBox* routingToggle() const { return routing_; }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void storeExtrusionExpanded() const;

    std::shared_ptr<Arc> arc_;
    QCheckBox* routing_ = nullptr;
    bool extrusionExpanded_ = false;
};
