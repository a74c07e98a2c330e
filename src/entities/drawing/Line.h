#pragma once
// The straight drawing line: one segment stroked with its own pen, with
// optional decorations (arrow, diamond, round or square anchors) at the ends.

#include "core/Pen.h"
#include "editors/EntityEditor.h"
#include "model/Entity.h"

#include <QPointF>
#include <QString>
#include <memory>

class Line : public Entity, public IPen, public IExtrudable {
public:
    explicit Line(GraphicsSheet* sheet);

    QPointF start{0, 0};
    QPointF end{1, 1};
    QString signalName;
    Pen pen;
    double extrusionBase = 0;
    double extrusionHeight = 0;
    bool doNotBlockRouting = false;

    // Entity attributes, pen attributes, then "start" and "end" (each (0, 0)
    // when missing, so a line without "end" ends at the origin),
    // "signalName", "extrusionBase", "extrusionHeight", "doNotBlockRouting".
    void readXML(pugi::xml_node element) override;
    // The two mapped end points (not widened by the pen), then the end
    // decorations rebuilt in the line's own coordinates.
    void calculateBoundingBox() override;
    // The stroke from drawnStart to drawnEnd (widened by ten device pixels
    // when picking), then the end decorations.
    void draw(Graphics& g) const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Line"); }

    Pen* entityPen() override { return &pen; }
    double* extrusionBasePtr() override { return &extrusionBase; }
    double* extrusionHeightPtr() override { return &extrusionHeight; }

    // True when start and end coincide: the line then has no direction.
    bool isDegenerate() const;
    // Direction from start to end in radians (-pi to pi); 0 for a line
    // without direction.
    double angle() const;
    // Where the stroke begins and ends: pulled in by 1.7 pen widths at an
    // arrow end so that the stroke does not poke through the arrow's tip;
    // the end point itself at any other end and on a line without direction.
    QPointF drawnStart() const { return drawnStart(pen.width); }
    QPointF drawnEnd() const { return drawnEnd(pen.width); }

private:
    QPointF drawnStart(double penWidth) const;
    QPointF drawnEnd(double penWidth) const;
};

// Start and end points, extrusion and pen of a line.
class LineEditor : public EntityEditor {
    Q_OBJECT
public:
    explicit LineEditor(std::shared_ptr<Line> line, QWidget* parent = nullptr);
    const std::shared_ptr<Line>& line() const { return line_; }

private:
    std::shared_ptr<Line> line_;
};
