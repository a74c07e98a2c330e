#include "core/PlaneSurface.h"

#include "core/ReadWorkers.h"
#include "core/Readers.h"

#include <QPolygonF>

#include <algorithm>
#include <iterator>

namespace {

// Twice the signed area; positive for a counter-clockwise contour (y up).
double signedArea2(std::span<const QPointF> points)
{
    double sum = 0;
    for (size_t i = 0; i + 1 < points.size(); ++i)
        sum += points[i].x() * points[i + 1].y() - points[i].y() * points[i + 1].x();
    if (!points.empty())
        sum += points.back().x() * points.front().y() - points.back().y() * points.front().x();
    return sum;
}

// A vertex's "at". Pours hold hundreds of thousands of vertices whose one
// attribute it is: read straight when it comes first (it is then the one a
// look-up finds), through the reader otherwise.
QPointF vertexAt(pugi::xml_node vertex)
{
    const pugi::xml_attribute first = vertex.first_attribute();
    if (first) {
        const char* name = first.name();
        if (name[0] == 'a' && name[1] == 't' && name[2] == '\0')
            return parsePoint(first.value()).value_or(QPointF(0, 0));
    }
    return readPointAttribute(vertex, "at", QPointF(0, 0));
}

// A pour's polygons are read on the reading threads in parts of this many
// polygons, each part building its own piece of the path; the pieces are
// joined in order.
constexpr size_t kPolygonsPerReadPart = 8;
// A polygon with more vertices than this has their numbers read in parts of
// this many on the reading threads.
constexpr size_t kVerticesPerReadPart = 4096;
constexpr int kMaxPathElements = 1 << 30;

struct ReadPolygon {
    pugi::xml_node element;
    bool isHole;
};

// What one part of the polygons read: their contours and, for those that
// enclose something, a path ending in a closed subpath.
struct ReadPiece {
    std::vector<PlaneSurface::Contour> contours;
    QPainterPath path;
    bool any = false;
};

// Appends the polygon's vertices, in order, to points.
void readVertices(pugi::xml_node polygon, std::vector<pugi::xml_node>& nodes, std::vector<QPointF>& points)
{
    nodes.clear();
    for (pugi::xml_node v = polygon.child("vertex"); v; v = v.next_sibling("vertex"))
        nodes.push_back(v);
    const size_t first = points.size();
    points.resize(first + nodes.size());
    const auto read = [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i)
            points[first + i] = vertexAt(nodes[i]);
    };
    if (nodes.size() > kVerticesPerReadPart)
        ReadWorkers::forEachPart(nodes.size(), kVerticesPerReadPart, read);
    else
        read(0, nodes.size());
}

// Adds a contour of at least three points to the path as moveTo to the
// first and lineTo to each further one, then closeSubpath, would: lineTo
// drops a point equal to the one before, and the rest are added at once (a
// call apiece would cost more than reading the point did).
void addContour(QPainterPath& path, std::span<const QPointF> points, bool isHole, QPolygonF& outline)
{
    outline.clear();
    const auto keep = [&outline](const QPointF& p) {
        if (outline.isEmpty() || !(p == outline.constLast()))
            outline.append(p);
    };
    // Outlines run counter-clockwise and holes clockwise in the path, so
    // the holes stay open whether the path is filled odd-even (its own
    // rule) or by the non-zero rule that the drawing code may ask for.
    if ((signedArea2(points) < 0) != isHole) {
        for (size_t i = points.size(); i-- > 0;)
            keep(points[i]);
    } else {
        for (const QPointF& p : points)
            keep(p);
    }
    path.addPolygon(outline);
    path.closeSubpath();
}

// Reads the polygons into the piece: first every vertex, so that the path
// is given its room once.
void readPiece(std::span<const ReadPolygon> polygons, ReadPiece& piece)
{
    std::vector<pugi::xml_node> nodes;
    std::vector<QPointF> points;
    std::vector<size_t> ends;
    ends.reserve(polygons.size());
    for (const ReadPolygon& polygon : polygons) {
        readVertices(polygon.element, nodes, points);
        ends.push_back(points.size());
    }
    nodes = {};
    // Each contour adds at most one element per point and one to close.
    piece.path.reserve(int(std::min<size_t>(points.size() + polygons.size(), kMaxPathElements)));
    piece.contours.reserve(polygons.size());
    QPolygonF outline;
    size_t first = 0;
    for (size_t i = 0; i < polygons.size(); ++i) {
        const std::span<const QPointF> contourPoints(points.data() + first, ends[i] - first);
        first = ends[i];
        PlaneSurface::Contour& contour = piece.contours.emplace_back();
        contour.isHole = polygons[i].isHole;
        contour.points = ContourPoints(contourPoints);
        if (contourPoints.size() < 3)
            continue; // encloses nothing
        addContour(piece.path, contourPoints, polygons[i].isHole, outline);
        piece.any = true;
    }
}

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
    std::vector<ReadPolygon> polygons;
    for (pugi::xml_node polygon = element.child("polygon"); polygon; polygon = polygon.next_sibling("polygon"))
        polygons.push_back({polygon, readBoolAttribute(polygon, "isHole", false)});

    // Each piece's path is made as one path for all the polygons would be,
    // and every piece ends in a closed subpath: joined in order, the pieces
    // give that path element for element.
    std::vector<ReadPiece> pieces((polygons.size() + kPolygonsPerReadPart - 1) / kPolygonsPerReadPart);
    bool whole = false; // read as one part, on one thread
    ReadWorkers::forEachPart(polygons.size(), kPolygonsPerReadPart, [&](size_t begin, size_t end) {
        if (end - begin == polygons.size())
            whole = true;
        readPiece(std::span(polygons).subspan(begin, end - begin), pieces[begin / kPolygonsPerReadPart]);
    });
    if (whole) {
        ReadPiece& piece = pieces.front();
        contours = std::move(piece.contours);
        if (piece.any) {
            piece.path.setFillRule(Qt::OddEvenFill);
            path = std::move(piece.path);
        }
        return;
    }

    contours.reserve(polygons.size());
    QPainterPath built;
    built.setFillRule(Qt::OddEvenFill);
    int elements = 0;
    for (const ReadPiece& piece : pieces) {
        if (piece.any)
            elements += std::min(piece.path.elementCount(), kMaxPathElements - elements);
    }
    built.reserve(elements);
    bool any = false;
    for (ReadPiece& piece : pieces) {
        std::move(piece.contours.begin(), piece.contours.end(), std::back_inserter(contours));
        if (!piece.any)
            continue;
        any = true;
        // A piece whose contours all lie on one point is a lone move, which
        // a join would drop; one path would have moved there.
        if (piece.path.isEmpty()) {
            const QPainterPath::Element e = piece.path.elementAt(0);
            built.moveTo(e.x, e.y);
        } else {
            built.addPath(piece.path);
        }
    }
    pieces = {};
    if (any)
        path = std::move(built);
}
