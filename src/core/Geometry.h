#pragma once
// Plane geometry in model units (inches, y up).

#include "core/Values.h"

#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QTransform>
#include <pugixml.hpp>

#include <array>
#include <optional>
#include <vector>

// Axis-aligned box that grows by points; a new box is empty and not valid.
struct BoundingBox {
    QPointF bottomLeft;
    QPointF topRight;
    bool valid = false;

    void addPoint(QPointF p);
    void addRect(const QRectF& r);
    // The rectangle's four corners, each mapped through the transform when given.
    void addTransformedRect(const QRectF& r, const std::optional<QTransform>& t);
    // The box's four corners, each mapped; an invalid box adds nothing.
    void addTransformedBox(const BoundingBox& box, const std::optional<QTransform>& t);
    // A new box grown by margin on every side (an invalid box stays invalid).
    BoundingBox expanded(double margin) const;
    // Both valid and overlapping (touching counts).
    bool intersects(const BoundingBox& other) const;
    bool contains(QPointF p) const;
    QRectF rect() const { return QRectF(bottomLeft, topRight); }
    double width() const { return topRight.x() - bottomLeft.x(); }
    double height() const { return topRight.y() - bottomLeft.y(); }
    QPointF center() const { return (bottomLeft + topRight) / 2; }
};

// Corners in the order bottom-left, bottom-right, top-right, top-left (for a
// rectangle whose origin is its bottom-left corner).
std::array<QPointF, 4> cornerPoints(const QRectF& r);
std::vector<QPointF> transformPoints(const std::vector<QPointF>& points, const QTransform& t);

struct LineF {
    QPointF start;
    QPointF end;
};

namespace RoundedRectanglePath {
// Closed path of the rectangle with the selected corners rounded; the corner
// radius is ratio x half the shorter side.
QPainterPath path(RoundedSideType corners, const QRectF& rect, double ratio);
}

namespace PolygonExpander {
// The closed polygon offset outwards by delta (inwards for a negative delta),
// whatever its winding.
std::vector<QPointF> expand(const std::vector<QPointF>& points, double delta);
}

// Open path through points whose interior corners are rounded with arcs of
// cornerRadius tangent to both segments, or cut straight with beveledCorners.
class PolylineCurver {
public:
    PolylineCurver(std::vector<QPointF> points, bool beveledCorners);
    double cornerRadius = 0.05;
    QPainterPath buildPath() const;

private:
    std::vector<QPointF> points_;
    bool beveledCorners_;
};

// A list of points read from "vertex" children with an "at" attribute.
struct Vertices {
    std::vector<QPointF> points;
    // Appends the "at" point of every "vertex" child.
    void read(pugi::xml_node element);
    void addToBoundingBox(BoundingBox& box, const std::optional<QTransform>& t) const;
};

// Appends an arc of the circle about center from startAngle sweeping by
// sweepAngle (radians, counter-clockwise in the y-up model) to the path,
// joined to the current point by a line when the path has one.
void addArc(QPainterPath& path, QPointF center, double radius, double startAngle, double sweepAngle);

// own applied first, then parent; either may be absent.
std::optional<QTransform> concatTransforms(const std::optional<QTransform>& own, const std::optional<QTransform>& parent);
