#include "core/PlaneSurface.h"

#include "core/ReadWorkers.h"
#include "core/XmlParts.h"
#include "core/Readers.h"

#include <QPolygonF>

#include <algorithm>
#include <iterator>

namespace {

// Twice the signed area; positive for a counter-clockwise contour (y up).
template <class Points>
double signedArea2(const Points& points)
{
    const size_t n = points.size();
    double sum = 0;
    for (size_t i = 0; i + 1 < n; ++i) {
        const QPointF a = points[i], b = points[i + 1];
        sum += a.x() * b.y() - a.y() * b.x();
    }
    if (n > 0) {
        const QPointF a = points[n - 1], b = points[0];
        sum += a.x() * b.y() - a.y() * b.x();
    }
    return sum;
}

// Names compared in line: a pour's walk meets hundreds of thousands of
// nodes.
inline bool sameName(const char* own, const char* name)
{
    while (*name && *own == *name)
        ++own, ++name;
    return *own == *name;
}

// A vertex's "at". Pours hold hundreds of thousands of vertices whose one
// attribute it is: read straight when it comes first (it is then the one a
// look-up finds), through the reader otherwise.
QPointF vertexAt(pugi::xml_node vertex)
{
    const pugi::xml_attribute first = vertex.first_attribute();
    if (first && sameName(first.name(), "at"))
        return parsePoint(first.value()).value_or(QPointF(0, 0));
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

// What one part of the polygons read: their contours and, for those that
// enclose something, a path ending in a closed subpath.
struct ReadPiece {
    std::vector<PlaneSurface::Contour> contours;
    QPainterPath path;
    bool any = false;
};

// Reads the polygon's vertices, in order, into points; nodes is room for
// the walk.
void readVertices(pugi::xml_node polygon, std::vector<pugi::xml_node>& nodes, std::vector<QPointF>& points)
{
    nodes.clear();
    for (pugi::xml_node v = polygon.first_child(); v; v = v.next_sibling()) {
        if (sameName(v.name(), "vertex"))
            nodes.push_back(v);
    }
    points.resize(nodes.size());
    const auto read = [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i)
            points[i] = vertexAt(nodes[i]);
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
void addContour(QPainterPath& path, const PlaneSurface::Contour& contour, QPolygonF& outline)
{
    const ContourPoints& points = contour.points;
    outline.clear();
    const auto keep = [&outline](const QPointF& p) {
        if (outline.isEmpty() || !(p == outline.constLast()))
            outline.append(p);
    };
    // Outlines run counter-clockwise and holes clockwise in the path, so
    // the holes stay open whether the path is filled odd-even (its own
    // rule) or by the non-zero rule that the drawing code may ask for.
    if ((signedArea2(points) < 0) != contour.isHole) {
        for (size_t i = points.size(); i-- > 0;)
            keep(points[i]);
    } else {
        for (size_t i = 0; i < points.size(); ++i)
            keep(points[i]);
    }
    path.addPolygon(outline);
    path.closeSubpath();
}

// Reads the polygons into the piece: first every contour, so that the path
// is given its room once. Contours keep their points at the precision they
// were read at, so the path is made from them.
void readPiece(std::span<const pugi::xml_node> polygons, ReadPiece& piece)
{
    piece.contours.reserve(polygons.size());
    std::vector<pugi::xml_node> nodes;
    std::vector<QPointF> points;
    size_t elements = 0;
    for (const pugi::xml_node polygon : polygons) {
        readVertices(polygon, nodes, points);
        PlaneSurface::Contour& contour = piece.contours.emplace_back();
        contour.isHole = readBoolAttribute(polygon, "isHole", false);
        contour.points = ContourPoints(points);
        // At most one element per point and one to close.
        if (points.size() >= 3)
            elements += points.size() + 1;
    }
    nodes = {};
    points = {};
    piece.path.reserve(int(std::min<size_t>(elements, kMaxPathElements)));
    QPolygonF outline;
    for (const PlaneSurface::Contour& contour : piece.contours) {
        if (contour.points.size() < 3)
            continue; // encloses nothing
        addContour(piece.path, contour, outline);
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
    // A long fill may have been parsed in runs.
    const std::vector<pugi::xml_node> polygons = XmlParts::childElements(element, "polygon");

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
