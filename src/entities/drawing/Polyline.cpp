#include "entities/drawing/Polyline.h"

#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/PathDetail.h"
#include "core/Readers.h"
#include "editors/ExtrusionEditor.h"
#include "editors/FillEditor.h"
#include "editors/PenEditor.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace {

constexpr double degreesPerRadian = 180 / std::numbers::pi;

// The unit vector along v; (0, 0) for a vector without length.
QPointF normalised(QPointF v)
{
    const double length = std::hypot(v.x(), v.y());
    if (!(length > 0) || !std::isfinite(length))
        return QPointF(0, 0);
    return v / length;
}

double distance(QPointF a, QPointF b)
{
    return std::hypot(b.x() - a.x(), b.y() - a.y());
}

double angleOf(QPointF v)
{
    return std::atan2(v.y(), v.x());
}

bool finitePoint(QPointF p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// How far an arrowed end is pulled in, in pen widths.
constexpr double arrowInset = 1.7;

} // namespace

// ---------------------------------------------------------------------------
// Arc fitting

std::optional<ArcParameters> CreateArcParameters::tangentArc(QPointF p1, QPointF p2, QPointF p3)
{
    auto coincide = [](QPointF a, QPointF b) {
        return std::abs(a.x() - b.x()) < 1e-12 && std::abs(a.y() - b.y()) < 1e-12;
    };
    if (coincide(p2, p1) || coincide(p3, p2))
        return std::nullopt;
    const QPointF d1 = p2 - p1;
    const QPointF d2 = p3 - p2;
    const bool clockwise = d1.x() * d2.y() < d1.y() * d2.x();
    // The normal at p2 on the side the chain turns to.
    const QPointF n = normalised(clockwise ? QPointF(d1.y(), -d1.x()) : QPointF(-d1.y(), d1.x()));
    const QPointF u = normalised(d2);
    const double sinPhi = u.x() * n.y() - u.y() * n.x();
    // Rounding may push the sine out of range: the points are in line.
    if (!(sinPhi >= -1 && sinPhi <= 1))
        return std::nullopt;
    const double cosPhi = std::cos(std::asin(sinPhi));
    // Turning straight back along the line gives no circle either (its
    // radius would be infinite, and the sweep a whole turn).
    if (!(cosPhi > 1e-12))
        return std::nullopt;
    const double rho = (std::hypot(d2.x(), d2.y()) / 2) / cosPhi;
    const QPointF c = p2 + rho * n;
    if (!std::isfinite(rho) || !finitePoint(c))
        return std::nullopt;
    const double a2 = angleOf(p2 - c) * degreesPerRadian;
    const double a3 = angleOf(p3 - c) * degreesPerRadian;
    double hi = clockwise ? a2 : a3;
    const double lo = clockwise ? a3 : a2;
    // Both lie within -180..180: one turn at most.
    while (hi < lo)
        hi += 360;
    if (std::abs(hi - lo) < 0.0001)
        return std::nullopt;
    const double radius = distance(p2, c);
    if (!std::isfinite(radius))
        return std::nullopt;
    return ArcParameters{c, radius, lo, hi};
}

// ---------------------------------------------------------------------------
// PolygonWithArcs

void PolygonWithArcs::read(pugi::xml_node element)
{
    closed = readBoolAttribute(element, "closed", true);
    for (pugi::xml_node v = element.child("vertex"); v; v = v.next_sibling("vertex")) {
        PolyLineVertex vertex;
        vertex.isArc = readBoolAttribute(v, "arc", false);
        vertex.position = readPointAttribute(v, "at", QPointF(0, 0));
        vertex.reverse = readBoolAttribute(v, "reverse", false);
        if (vertex.isArc)
            vertex.arCenter = readPointAttribute(v, "center", QPointF(0, 0));
        vertices.push_back(std::move(vertex));
    }
    points.reserve(points.size() + vertices.size());
    for (const PolyLineVertex& v : vertices)
        points.push_back(v.position);
}

bool PolygonWithArcs::hasArcs() const
{
    for (const PolyLineVertex& v : vertices)
        if (v.isArc || v.arcParameters)
            return true;
    return false;
}

void PolygonWithArcs::update()
{
    resolveArcs();
    if (vertices.size() >= 2) {
        graphicsPath = QPainterPath();
        graphicsPath->setFillRule(Qt::WindingFill);
        addToPath(*graphicsPath);
    }
    if (!hasArcs())
        graphicsPath.reset();
    // Built once here rather than on every draw: a chain may have a million
    // points.
    linePath_ = QPainterPath();
    linePathPoints_ = nullptr;
    if (!graphicsPath && !points.empty()) {
        linePath_.setFillRule(Qt::WindingFill);
        linePath_.moveTo(points.front());
        for (size_t i = closed ? 1 : 0; i < points.size(); ++i)
            linePath_.lineTo(points[i]);
        if (closed)
            linePath_.closeSubpath();
        linePathPoints_ = points.data();
        linePathCount_ = points.size();
        linePathClosed_ = closed;
        linePathFront_ = points.front();
        linePathBack_ = points.back();
    }
    PathDetail::prepare(graphicsPath ? *graphicsPath : linePath_);
    settlePath(graphicsPath ? *graphicsPath : linePath_);
}

const QPainterPath* PolygonWithArcs::linePath() const
{
    if (!linePathPoints_ || linePathPoints_ != points.data() || linePathCount_ != points.size() || linePathClosed_ != closed
        || points.empty() || linePathFront_ != points.front() || linePathBack_ != points.back())
        return nullptr;
    return &linePath_;
}

void PolygonWithArcs::resolveArcs()
{
    const size_t n = vertices.size();
    if (n == 0)
        return;
    for (size_t i = 0; i < n; ++i) {
        PolyLineVertex& cur = vertices[i];
        if (!cur.isArc)
            continue;
        // Copies: with one or two vertices the neighbours are cur itself.
        const std::optional<ArcParameters> previousArc = vertices[(i + n - 1) % n].arcParameters;
        const QPointF previous = vertices[(i + n - 1) % n].position;
        const QPointF next = vertices[(i + 1) % n].position;
        if (!previousArc) {
            cur.arcParameters = CreateArcParameters::tangentArc(previous, cur.position, next);
            if (cur.reverse && cur.arcParameters)
                std::swap(cur.arcParameters->startAngleInDegrees, cur.arcParameters->endAngleInDegrees);
            continue;
        }
        // Continue the previous arc: its tangent at this vertex.
        const QPointF c = previousArc->center;
        const QPointF w = cur.position - c;
        bool clockwise = (previous.x() - c.x()) * w.y() - (previous.y() - c.y()) * w.x() < 0;
        if (std::abs(previousArc->endAngleInDegrees - previousArc->startAngleInDegrees) > 180)
            clockwise = !clockwise;
        const QPointF u = normalised(clockwise ? QPointF(w.y(), -w.x()) : QPointF(-w.y(), w.x()));
        cur.arcParameters = CreateArcParameters::tangentArc(cur.position + u, cur.position, next);
    }
    for (size_t i = 0; i < n; ++i) {
        if (vertices[i].arcParameters) {
            vertices[i].isArc = true;
            anchorArc(i);
        }
    }
}

void PolygonWithArcs::anchorArc(size_t i)
{
    const size_t n = vertices.size();
    if (i >= n || !vertices[i].arcParameters)
        return;
    const QPointF c = vertices[i].arcParameters->center;
    const QPointF a = vertices[i].position;
    const QPointF b = vertices[(i + 1) % n].position;
    vertices[i].arcParameters = ArcParameters{
        c, distance(a, c), angleOf(b - c) * degreesPerRadian, angleOf(a - c) * degreesPerRadian};
}

void PolygonWithArcs::addToPath(QPainterPath& path) const
{
    const size_t n = vertices.size();
    if (n == 0)
        return;
    path.moveTo(vertices[0].position);
    QPointF current = vertices[0].position;
    const size_t segments = closed ? n : n - 1;
    for (size_t i = 0; i < segments; ++i) {
        const size_t j = i + 1 == n ? 0 : i + 1;
        const QPointF target = vertices[j].position;
        const std::optional<ArcParameters>& arc = vertices[i].arcParameters;
        bool drawn = false;
        if (arc && std::isfinite(arc->startAngleInDegrees) && std::isfinite(arc->endAngleInDegrees)
            && std::isfinite(arc->radius) && finitePoint(arc->center)) {
            const QPointF c = arc->center;
            const double r = arc->radius;
            // Anchored angles lie within -180..180, so these loops end at once;
            // a hand-made arc far outside is brought in by whole turns first.
            double s = arc->startAngleInDegrees;
            if (s < -720)
                s = std::fmod(s, 360.0);
            while (s < 0)
                s += 360;
            double e = arc->endAngleInDegrees;
            if (e < s - 720)
                e = s - std::fmod(s - e, 360.0);
            while (e < s)
                e += 360;
            auto pointAt = [&](double degrees) {
                const double a = degrees / degreesPerRadian;
                return c + r * QPointF(std::cos(a), std::sin(a));
            };
            const QPointF S = pointAt(s), E = pointAt(e);
            double a0 = e, delta = s - e;
            if (distance(current, E) > distance(current, S)) {
                a0 = s;
                delta = e - s;
            }
            if (std::abs(delta) >= 0.0001 && 2 * r >= 1e-12) {
                // Clockwise from a0 to a0 + delta: the angle decreases.
                double sweep = std::fmod(-delta, 360.0);
                if (sweep < 0)
                    sweep += 360;
                addArc(path, c, r, a0 / degreesPerRadian, -sweep / degreesPerRadian);
                drawn = true;
            }
        }
        if (!drawn)
            path.lineTo(target);
        current = target;
    }
}

// ---------------------------------------------------------------------------
// Polyline

Polyline::Polyline(GraphicsSheet* sheet) : Entity(sheet)
{
}

void Polyline::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    pen.readXML(element);
    brush.readXML(element);
    extrusionBase = readDoubleAttribute(element, "extrusionBase", extrusionBase);
    extrusionHeight = readDoubleAttribute(element, "extrusionHeight", extrusionHeight);
    doNotOptimize = readBoolAttribute(element, "doNotOptimize", doNotOptimize);
    doNotBlockRouting = readBoolAttribute(element, "doNotBlockRouting", doNotBlockRouting);
    signalName = readTextAttribute(element, "signalName", signalName);
    filletParameters.readXML(element);
    vertices.read(element);
    polygonWithArcs.read(element);

    std::vector<QPointF>& points = polygonWithArcs.points;
    if (points.empty())
        return;
    originalStart = points.front();
    originalEnd = points.back();
    // A closed chain draws no end decorations, so its corners are not pulled
    // in for an arrow that never shows.
    if (polygonWithArcs.closed)
        return;
    const QPointF start = drawnStart();
    if (!vertices.points.empty())
        vertices.points.front() = start;
    points.front() = start;
    points.back() = drawnEnd();
}

QPointF Polyline::drawnStart() const
{
    const std::vector<QPointF>& points = polygonWithArcs.points;
    if (points.empty())
        return QPointF();
    if (pen.startCap != LineCap::arrowAnchor || points.size() < 2)
        return points.front();
    return points.front() + normalised(points[1] - points.front()) * (pen.width * arrowInset);
}

QPointF Polyline::drawnEnd() const
{
    const std::vector<QPointF>& points = polygonWithArcs.points;
    if (points.empty())
        return QPointF();
    if (pen.endCap != LineCap::arrowAnchor || points.size() < 2)
        return points.back();
    return points.back() + normalised(points[points.size() - 2] - points.back()) * (pen.width * arrowInset);
}

double Polyline::startAngle() const
{
    const std::vector<QPointF>& points = polygonWithArcs.points;
    if (points.size() < 2)
        return 0;
    const QPointF u = normalised(points[1] - points[0]);
    return u == QPointF(0, 0) ? 0 : angleOf(u);
}

double Polyline::endAngle() const
{
    const std::vector<QPointF>& points = polygonWithArcs.points;
    if (points.size() < 2)
        return 0;
    const QPointF u = normalised(points.back() - points[points.size() - 2]);
    return u == QPointF(0, 0) ? 0 : angleOf(u);
}

void Polyline::calculateBoundingBox()
{
    vertices.addToBoundingBox(boundingBox, netTransform);
    polygonWithArcs.update();

    // An arrow needs a direction: an end without one draws none.
    const std::vector<QPointF>& points = polygonWithArcs.points;
    const bool startDirected = points.size() >= 2 && normalised(points[1] - points[0]) != QPointF(0, 0);
    const bool endDirected
        = points.size() >= 2 && normalised(points.back() - points[points.size() - 2]) != QPointF(0, 0);
    if (originalStart) {
        pen.makeStartCapGraphics(originalStart->x(), originalStart->y(), startAngle());
        if (!startDirected && pen.startCap == LineCap::arrowAnchor)
            pen.clearStartCapGraphics();
    }
    if (originalEnd) {
        pen.makeEndCapGraphics(originalEnd->x(), originalEnd->y(), endAngle());
        if (!endDirected && pen.endCap == LineCap::arrowAnchor)
            pen.clearEndCapGraphics();
    }

    // The gradient spans the chain in its own coordinates, where it is drawn.
    BoundingBox own;
    vertices.addToBoundingBox(own, std::nullopt);
    if (own.valid)
        brush.rectangle = own.rect();
    if (isDrawable(pen.color))
        boundingBox = boundingBox.expanded(pen.width / 2);
}

void Polyline::draw(Graphics& g) const
{
    if (vertices.points.empty())
        return;
    Entity::draw(g);
    g.pushTransform(singleLevelTransform);
    const std::vector<QPointF>& points = polygonWithArcs.points;
    const QPainterPath* line = polygonWithArcs.linePath();
    if (polygonWithArcs.graphicsPath) {
        g.fillAndStrokePath(*polygonWithArcs.graphicsPath, pen, brush);
    } else if (line && polygonWithArcs.closed) {
        g.fillAndStrokePath(*line, pen, brush);
    } else if (line && isDrawable(pen.color)) {
        g.applyPen(pen);
        g.context.beginPath();
        g.context.addPath(*line);
        g.context.strokePath();
    } else if (polygonWithArcs.closed) {
        g.fillAndStrokePolygon(points, pen, brush);
    } else if (!points.empty() && isDrawable(pen.color)) {
        g.applyPen(pen);
        g.context.beginPath();
        g.context.moveTo(points.front());
        for (QPointF p : points)
            g.context.lineTo(p);
        g.context.strokePath();
    }
    if (!polygonWithArcs.closed)
        pen.drawEndCaps(g);
    g.popTransform(singleLevelTransform);
}

QWidget* Polyline::editorView(const std::shared_ptr<Entity>& self)
{
    return new PolylineEditor(std::static_pointer_cast<Polyline>(self));
}

PolylineEditor::PolylineEditor(std::shared_ptr<Polyline> polyline, QWidget* parent)
    : EntityEditor(QStringLiteral("Polyline"), QString(), parent), polyline_(std::move(polyline))
{
    keepEntityAlive(polyline_);
    Polyline* p = polyline_.get();
    const UnitsSource units = entityUnits(p);
    addContent(new EntityContentEditor);
    addContent(new ExtrusionEditor(p, p->extrusionBase, p->extrusionHeight, units));
    addContent(new PenEditor(p->pen, units));
    addContent(new FillEditor(p->brush));
}
