#pragma once
// The drawing polyline and polygon: a chain of vertices, open or closed, any
// of which may start a circular arc to the next one. The arc lies on the
// circle that touches the incoming segment (or the previous arc) at its
// vertex and passes through the next vertex; it is drawn clockwise from its
// vertex to the next.

#include "core/Brush.h"
#include "core/Geometry.h"
#include "core/Pen.h"
#include "editors/EntityEditor.h"
#include "entities/drawing/Rectangle.h" // FilletParameters
#include "model/Entity.h"

#include <QPainterPath>
#include <QPointF>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

// A fitted arc; angles in degrees, counter-clockwise from +x.
class ArcParameters {
public:
    QPointF center;
    double radius = 0;
    double startAngleInDegrees = 0;
    double endAngleInDegrees = 0;
};

class PolyLineVertex {
public:
    QPointF position;
    bool isArc = false; // an arc starts here
    std::optional<QPointF> arCenter; // the centre as written, kept only; present when read as an arc
    bool reverse = false; // kept only: the drawn arc is always clockwise
    std::optional<ArcParameters> arcParameters; // the fitted arc to the next vertex
};

class CreateArcParameters {
public:
    // The arc from p2 to p3 whose tangent at p2 is the line through p1 and p2:
    // its centre lies on the normal at p2, as far from p3 as from p2. None
    // when p1 or p3 coincides with p2, and when the points are (nearly) in
    // line: the sweep stays below 0.0001 degrees, or the chain turns straight
    // back, or the circle is not finite.
    static std::optional<ArcParameters> tangentArc(QPointF p1, QPointF p2, QPointF p3);
};

class PolygonWithArcs {
public:
    std::vector<PolyLineVertex> vertices;
    // The vertex positions, for chains without arcs; the polyline pulls the
    // first and last in for arrow ends.
    std::vector<QPointF> points;
    // The outline with its arcs; present only while some vertex is an arc.
    std::optional<QPainterPath> graphicsPath = QPainterPath();
    bool closed = true;
    // The chain through `points` of a polygon without arcs (closed when
    // closed), made by update; null once the points no longer match it.
    const QPainterPath* linePath() const;

    // "closed" (missing: true) and the "vertex" children ("at", "arc",
    // "reverse", "center").
    void read(pugi::xml_node element);
    // Fits the arcs and rebuilds graphicsPath.
    void update();
    bool hasArcs() const;
    // Fits the arc of every arc vertex (continuing the previous arc where
    // there is one; the fit of the last vertex carries over to the first in
    // the next pass), then anchors each to its two vertices.
    void resolveArcs();
    void anchorArc(size_t i);
    // The chain from vertex 0 through every segment (back to vertex 0 when
    // closed), using the true vertex positions; arcs run clockwise.
    void addToPath(QPainterPath& path) const;

private:
    QPainterPath linePath_;
    const QPointF* linePathPoints_ = nullptr;
    size_t linePathCount_ = 0;
    bool linePathClosed_ = false;
    QPointF linePathFront_, linePathBack_;
};

class Polyline : public Entity, public IPen, public IBrush, public IExtrudable {
public:
    explicit Polyline(GraphicsSheet* sheet);

    // The first and last vertex as read: anchors of the end decorations.
    std::optional<QPointF> originalStart;
    std::optional<QPointF> originalEnd;
    Pen pen;
    Brush brush;
    Vertices vertices; // for the bounding box
    PolygonWithArcs polygonWithArcs; // for drawing
    double extrusionBase = 0;
    double extrusionHeight = 0;
    bool doNotBlockRouting = false;
    bool doNotOptimize = false;
    QString signalName;
    FilletParameters filletParameters;

    // Entity attributes, pen, brush, "extrusionBase", "extrusionHeight",
    // "doNotOptimize", "doNotBlockRouting", "signalName", the fillet
    // attributes, the vertices, then the arrow insets of an open chain.
    void readXML(pugi::xml_node element) override;
    // The (mapped) vertices, arc bulges left out; the arcs fitted; the end
    // decorations made; grown by half the pen width when the pen is visible.
    void calculateBoundingBox() override;
    // The outline with its arcs filled and stroked; without arcs a closed
    // polygon filled and stroked or an open chain stroked; end decorations
    // for an open chain. Nothing at all without vertices.
    void draw(Graphics& g) const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Polyline"); }

    Pen* entityPen() override { return &pen; }
    Brush* entityBrush() override { return &brush; }
    double* extrusionBasePtr() override { return &extrusionBase; }
    double* extrusionHeightPtr() override { return &extrusionHeight; }

    // The first and last drawn point: pulled in by 1.7 pen widths at an arrow
    // end so the stroke stays inside the arrow's tip; as is otherwise and on
    // a chain whose end has no direction.
    QPointF drawnStart() const;
    QPointF drawnEnd() const;
    // Direction of the first segment and of the last, radians; 0 without one.
    double startAngle() const;
    double endAngle() const;
};

// Title, an empty parameter area, extrusion, pen and fill.
class PolylineEditor : public EntityEditor {
    Q_OBJECT
public:
    explicit PolylineEditor(std::shared_ptr<Polyline> polyline, QWidget* parent = nullptr);
    const std::shared_ptr<Polyline>& polyline() const { return polyline_; }

private:
    std::shared_ptr<Polyline> polyline_;
};
