#include "core/PlaneSurface.h"

#include "core/ReadWorkers.h"
#include "core/Readers.h"

#include <algorithm>
#include <cstring>

namespace {

// Twice the signed area; positive for a counter-clockwise contour (y up).
double signedArea2(std::span<const QPointF> points)
{
    double sum = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        const QPointF a = points[i], b = points[(i + 1) % points.size()];
        sum += a.x() * b.y() - a.y() * b.x();
    }
    return sum;
}

// A vertex's "at". Pours hold hundreds of thousands of vertices whose one
// attribute it is: read straight when it comes first (it is then the one a
// look-up finds), through the reader otherwise.
QPointF vertexAt(pugi::xml_node vertex)
{
    const pugi::xml_attribute first = vertex.first_attribute();
    if (first && std::strcmp(first.name(), "at") == 0)
        return parsePoint(first.value()).value_or(QPointF(0, 0));
    return readPointAttribute(vertex, "at", QPointF(0, 0));
}

// The numbers of a large pour are read on the reading threads, in parts of
// this many vertices.
constexpr size_t kVerticesPerReadPart = 4096;

} // namespace

ContourPoints::ContourPoints(std::span<const QPointF> points)
{
    xy_.reserve(points.size() * 2);
    for (const QPointF& p : points) {
        xy_.push_back(float(p.x()));
        xy_.push_back(float(p.y()));
    }
}

void PlaneSurface::readXML(pugi::xml_node element)
{
    contours.clear();
    path.reset();
    // The vertices in document order, each polygon's from where the
    // previous one's end; their numbers are read apart from the walk so
    // that a large pour reads them on several threads.
    struct Polygon {
        bool isHole;
        size_t end;
    };
    std::vector<Polygon> polygons;
    std::vector<pugi::xml_node> vertices;
    for (pugi::xml_node polygon = element.child("polygon"); polygon; polygon = polygon.next_sibling("polygon")) {
        for (pugi::xml_node v = polygon.child("vertex"); v; v = v.next_sibling("vertex"))
            vertices.push_back(v);
        polygons.push_back({readBoolAttribute(polygon, "isHole", false), vertices.size()});
    }
    std::vector<QPointF> points(vertices.size());
    ReadWorkers::forEachPart(vertices.size(), kVerticesPerReadPart, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i)
            points[i] = vertexAt(vertices[i]);
    });
    vertices = {};

    // Outlines run counter-clockwise and holes clockwise in the path, so the
    // holes stay open whether the path is filled odd-even (its own rule) or by
    // the non-zero rule that the drawing code may ask for.
    QPainterPath built;
    built.setFillRule(Qt::OddEvenFill);
    // Room for the path: one element per vertex and one per polygon.
    built.reserve(int(std::min<size_t>(points.size() + polygons.size(), 1 << 30)));
    bool any = false;
    contours.reserve(polygons.size());
    size_t first = 0;
    for (const Polygon& polygon : polygons) {
        const std::span<const QPointF> pts(points.data() + first, polygon.end - first);
        first = polygon.end;
        Contour contour;
        contour.isHole = polygon.isHole;
        contour.points = ContourPoints(pts);
        const bool hole = contour.isHole;
        contours.push_back(std::move(contour));
        if (pts.size() < 3)
            continue; // encloses nothing
        if ((signedArea2(pts) < 0) != hole) {
            built.moveTo(pts.back());
            for (size_t i = pts.size() - 1; i-- > 0;)
                built.lineTo(pts[i]);
        } else {
            built.moveTo(pts[0]);
            for (size_t i = 1; i < pts.size(); ++i)
                built.lineTo(pts[i]);
        }
        built.closeSubpath();
        any = true;
    }
    if (any)
        path = built;
}
