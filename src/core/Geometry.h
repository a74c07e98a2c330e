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
// A point with a non-finite coordinate is ignored: it would otherwise make
// every later comparison fail and leave the box unusable.
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
    // A new box grown by margin on every side (an invalid box stays invalid; a
    // negative margin shrinks a side at most to its centre line).
    BoundingBox expanded(double margin) const;
    // Both valid and overlapping (touching counts).
    bool intersects(const BoundingBox& other) const;
    bool contains(QPointF p) const;
    QRectF rect() const { return QRectF(bottomLeft, topRight); }
    double width() const { return topRight.x() - bottomLeft.x(); }
    double height() const { return topRight.y() - bottomLeft.y(); }
    QPointF center() const { return (bottomLeft + topRight) / 2; }
};

// The model box seen through a rectangle of the device under a view
// transform (model to device); invalid when the view cannot be inverted.
BoundingBox worldBoxSeenThrough(const QTransform& view, const QRectF& deviceRect);

// Corners in the order bottom-left, bottom-right, top-right, top-left (for a
// rectangle whose origin is its bottom-left corner).
std::array<QPointF, 4> cornerPoints(const QRectF& r);
std::vector<QPointF> transformPoints(const std::vector<QPointF>& points, const QTransform& t);

struct LineF {
    QPointF start;
    QPointF end;
};

namespace RoundedRectanglePath {
// Closed path of the (normalised) rectangle with the selected corners rounded;
// the corner radius is ratio x half the shorter side, ratio clamped to 1. In
// the y-up model: top rounds the two corners of larger y, bottom the two of
// smaller y, left the two of smaller x, right the two of larger x. A ratio of
// 0 or less (or not finite) gives the plain rectangle. Non-zero fill rule.
QPainterPath path(RoundedSideType corners, const QRectF& rect, double ratio);
}

namespace PolygonExpander {
// The closed polygon offset outwards by delta (inwards for a negative delta),
// whatever its winding: every edge moves by delta along its outward normal and
// neighbouring edges meet at their miter point. Where the offset edges part
// (a convex corner grown, a reflex corner shrunk) and the miter would reach
// more than 4 x |delta| from the corner, it is cut off there by two points.
// Non-finite points and repeated points are dropped first; fewer than three
// points left, no enclosed area or a delta of 0 give the cleaned points back.
std::vector<QPointF> expand(const std::vector<QPointF>& points, double delta);
}

// Open path through points whose interior corners are rounded with arcs of
// cornerRadius tangent to both segments, or cut straight with beveledCorners.
// The tangent points lie r / tan(theta/2) from the corner (theta the angle
// between the segments). That distance is limited to half of a segment shared
// with another corner, or the whole of an end segment; a limited corner gets
// the smaller arc that stays tangent to both. Straight-through corners and
// full reversals are kept as plain corners; repeated and non-finite points
// are dropped.
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
// joined to the current point by a line when the path has one; an empty path
// starts with a move to the arc's start. Built from cubic pieces of at most a
// quarter turn; the sweep is clamped to one full turn either way, and
// non-finite arguments add nothing.
void addArc(QPainterPath& path, QPointF center, double radius, double startAngle, double sweepAngle);

// The most the transform's linear part stretches a length (its largest
// singular value).
double largestStretch(const QTransform& t);

// own applied first, then parent; either may be absent.
std::optional<QTransform> concatTransforms(const std::optional<QTransform>& own, const std::optional<QTransform>& parent);
