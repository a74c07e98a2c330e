#include "core/Geometry.h"

#include "core/Readers.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

bool isFinite(QPointF p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

double dot(QPointF a, QPointF b)
{
    return a.x() * b.x() + a.y() * b.y();
}

double cross(QPointF a, QPointF b)
{
    return a.x() * b.y() - a.y() * b.x();
}

double length(QPointF v)
{
    return std::hypot(v.x(), v.y());
}

// Finite points with consecutive repeats removed; for a closed outline the
// last point is also dropped when it repeats the first.
std::vector<QPointF> cleanedPoints(const std::vector<QPointF>& points, bool closed)
{
    std::vector<QPointF> out;
    out.reserve(points.size());
    for (QPointF p : points) {
        if (!isFinite(p))
            continue;
        if (!out.empty() && out.back() == p)
            continue;
        out.push_back(p);
    }
    if (closed)
        while (out.size() > 1 && out.back() == out.front())
            out.pop_back();
    return out;
}

} // namespace

// ---------------------------------------------------------------------------
// BoundingBox

void BoundingBox::addPoint(QPointF p)
{
    // A non-finite point would make every later comparison false and leave the
    // box unusable; such points are ignored.
    if (!isFinite(p))
        return;
    if (!valid) {
        bottomLeft = p;
        topRight = p;
        valid = true;
        return;
    }
    bottomLeft = QPointF(std::min(bottomLeft.x(), p.x()), std::min(bottomLeft.y(), p.y()));
    topRight = QPointF(std::max(topRight.x(), p.x()), std::max(topRight.y(), p.y()));
}

void BoundingBox::addRect(const QRectF& r)
{
    addPoint(QPointF(r.left(), r.top()));
    addPoint(QPointF(r.left() + r.width(), r.top() + r.height()));
}

void BoundingBox::addTransformedRect(const QRectF& r, const std::optional<QTransform>& t)
{
    for (QPointF p : cornerPoints(r))
        addPoint(t ? t->map(p) : p);
}

void BoundingBox::addTransformedBox(const BoundingBox& box, const std::optional<QTransform>& t)
{
    if (!box.valid)
        return;
    const QPointF corners[4] = {box.bottomLeft, QPointF(box.topRight.x(), box.bottomLeft.y()), box.topRight,
                                QPointF(box.bottomLeft.x(), box.topRight.y())};
    for (QPointF p : corners)
        addPoint(t ? t->map(p) : p);
}

BoundingBox BoundingBox::expanded(double margin) const
{
    BoundingBox out = *this;
    if (!valid || !std::isfinite(margin))
        return out;
    out.bottomLeft -= QPointF(margin, margin);
    out.topRight += QPointF(margin, margin);
    // A negative margin larger than half a side shrinks that side to the
    // centre line rather than turning the box inside out.
    if (out.bottomLeft.x() > out.topRight.x()) {
        const double c = (bottomLeft.x() + topRight.x()) / 2;
        out.bottomLeft.setX(c);
        out.topRight.setX(c);
    }
    if (out.bottomLeft.y() > out.topRight.y()) {
        const double c = (bottomLeft.y() + topRight.y()) / 2;
        out.bottomLeft.setY(c);
        out.topRight.setY(c);
    }
    return out;
}

bool BoundingBox::intersects(const BoundingBox& other) const
{
    if (!valid || !other.valid)
        return false;
    return bottomLeft.x() <= other.topRight.x() && other.bottomLeft.x() <= topRight.x()
        && bottomLeft.y() <= other.topRight.y() && other.bottomLeft.y() <= topRight.y();
}

bool BoundingBox::contains(QPointF p) const
{
    return valid && p.x() >= bottomLeft.x() && p.x() <= topRight.x() && p.y() >= bottomLeft.y()
        && p.y() <= topRight.y();
}

// ---------------------------------------------------------------------------
// Points and transforms

std::array<QPointF, 4> cornerPoints(const QRectF& r)
{
    const double x0 = r.x(), y0 = r.y();
    const double x1 = x0 + r.width(), y1 = y0 + r.height();
    return {QPointF(x0, y0), QPointF(x1, y0), QPointF(x1, y1), QPointF(x0, y1)};
}

std::vector<QPointF> transformPoints(const std::vector<QPointF>& points, const QTransform& t)
{
    std::vector<QPointF> out;
    out.reserve(points.size());
    for (QPointF p : points)
        out.push_back(t.map(p));
    return out;
}

std::optional<QTransform> concatTransforms(const std::optional<QTransform>& own, const std::optional<QTransform>& parent)
{
    if (own && parent)
        return *own * *parent;
    if (own)
        return own;
    return parent;
}

void addArc(QPainterPath& path, QPointF center, double radius, double startAngle, double sweepAngle)
{
    if (!isFinite(center) || !std::isfinite(radius) || !std::isfinite(startAngle) || !std::isfinite(sweepAngle))
        return;
    // More than a full turn only draws the same circle again.
    const double fullTurn = 2 * std::numbers::pi;
    sweepAngle = std::clamp(sweepAngle, -fullTurn, fullTurn);

    auto pointAt = [&](double a) { return center + radius * QPointF(std::cos(a), std::sin(a)); };
    const QPointF start = pointAt(startAngle);
    if (path.elementCount() == 0)
        path.moveTo(start);
    else if (length(path.currentPosition() - start) > 1e-12 * std::max(1.0, std::abs(radius)))
        path.lineTo(start);

    // Cubic pieces of at most a quarter turn each.
    const int pieces = std::max(1, int(std::ceil(std::abs(sweepAngle) / (std::numbers::pi / 2) - 1e-9)));
    const double step = sweepAngle / pieces;
    const double k = 4.0 / 3.0 * std::tan(step / 4) * radius;
    double a0 = startAngle;
    for (int i = 0; i < pieces; ++i) {
        const double a1 = startAngle + step * (i + 1);
        const QPointF p0 = pointAt(a0);
        const QPointF p1 = pointAt(a1);
        const QPointF c1 = p0 + k * QPointF(-std::sin(a0), std::cos(a0));
        const QPointF c2 = p1 - k * QPointF(-std::sin(a1), std::cos(a1));
        path.cubicTo(c1, c2, p1);
        a0 = a1;
    }
}

// ---------------------------------------------------------------------------
// Rounded rectangle

QPainterPath RoundedRectanglePath::path(RoundedSideType corners, const QRectF& rect, double ratio)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    const QRectF r = rect.normalized();
    if (!isFinite(r.topLeft()) || !std::isfinite(r.width()) || !std::isfinite(r.height()))
        return path;

    const double x0 = r.x(), y0 = r.y(); // bottom-left in the y-up model
    const double x1 = x0 + r.width(), y1 = y0 + r.height();
    const double halfShorter = std::min(r.width(), r.height()) / 2;
    double radius = 0;
    if (std::isfinite(ratio) && ratio > 0)
        radius = std::min(ratio, 1.0) * halfShorter;
    if (!(radius > 0)) {
        path.addRect(r);
        return path;
    }

    // Which corners round; "top" is the side of larger y in the model.
    const bool all = corners == RoundedSideType::all;
    const double rBL = (all || corners == RoundedSideType::bottom || corners == RoundedSideType::left) ? radius : 0;
    const double rBR = (all || corners == RoundedSideType::bottom || corners == RoundedSideType::right) ? radius : 0;
    const double rTR = (all || corners == RoundedSideType::top || corners == RoundedSideType::right) ? radius : 0;
    const double rTL = (all || corners == RoundedSideType::top || corners == RoundedSideType::left) ? radius : 0;

    const double pi = std::numbers::pi;
    // Counter-clockwise in the model, from the bottom edge.
    path.moveTo(x0 + rBL, y0);
    path.lineTo(x1 - rBR, y0);
    if (rBR > 0)
        addArc(path, QPointF(x1 - rBR, y0 + rBR), rBR, -pi / 2, pi / 2);
    path.lineTo(x1, y1 - rTR);
    if (rTR > 0)
        addArc(path, QPointF(x1 - rTR, y1 - rTR), rTR, 0, pi / 2);
    path.lineTo(x0 + rTL, y1);
    if (rTL > 0)
        addArc(path, QPointF(x0 + rTL, y1 - rTL), rTL, pi / 2, pi / 2);
    path.lineTo(x0, y0 + rBL);
    if (rBL > 0)
        addArc(path, QPointF(x0 + rBL, y0 + rBL), rBL, pi, pi / 2);
    path.closeSubpath();
    return path;
}

// ---------------------------------------------------------------------------
// Polygon offset

std::vector<QPointF> PolygonExpander::expand(const std::vector<QPointF>& points, double delta)
{
    std::vector<QPointF> poly = cleanedPoints(points, true);
    const size_t n = poly.size();
    if (n < 3 || !std::isfinite(delta) || delta == 0)
        return poly;

    double area2 = 0;
    for (size_t i = 0; i < n; ++i)
        area2 += cross(poly[i], poly[(i + 1) % n]);
    if (area2 == 0 || !std::isfinite(area2))
        return poly; // no area: no outside to grow towards
    // Outward is to the right of the direction of travel for a
    // counter-clockwise polygon (y up), to the left for a clockwise one.
    const double side = area2 > 0 ? 1.0 : -1.0;

    std::vector<QPointF> dirs(n), normals(n);
    for (size_t i = 0; i < n; ++i) {
        const QPointF d = poly[(i + 1) % n] - poly[i];
        const double len = length(d);
        dirs[i] = d / len; // len > 0: consecutive repeats were removed
        normals[i] = side * QPointF(dirs[i].y(), -dirs[i].x());
    }

    const double miterLimit = 4 * std::abs(delta);
    std::vector<QPointF> out;
    out.reserve(n * 2);
    for (size_t i = 0; i < n; ++i) {
        const size_t prev = (i + n - 1) % n;
        const QPointF p = poly[i];
        const QPointF d1 = dirs[prev], d2 = dirs[i];
        const QPointF n1 = normals[prev], n2 = normals[i];
        const double c = dot(n1, n2);
        // Offset lines that part at this corner (a convex corner grown
        // outwards, or a reflex one shrunk inwards) are joined by a miter
        // limited to miterLimit from the corner; lines that cross meet at
        // their intersection.
        const bool parting = side * cross(d1, d2) * delta > 0;
        if (1 + c > 1e-9) {
            const QPointF miter = delta * (n1 + n2) / (1 + c);
            if (!parting || length(miter) <= miterLimit) {
                out.push_back(p + miter);
                continue;
            }
        }
        // Clipped miter: the two points of the offset lines at distance
        // miterLimit from the corner along the miter direction.
        QPointF w = n1 + n2;
        const double wl = length(w);
        w = wl > 1e-9 ? w / wl * (delta > 0 ? 1.0 : -1.0) : d1 * (delta > 0 ? 1.0 : -1.0);
        const double w1 = dot(d1, w), w2 = dot(d2, w);
        if (std::abs(w1) < 1e-9 || std::abs(w2) < 1e-9) {
            out.push_back(p + delta * n1);
            out.push_back(p + delta * n2);
            continue;
        }
        const double t1 = (miterLimit - delta * dot(n1, w)) / w1;
        const double t2 = (miterLimit - delta * dot(n2, w)) / w2;
        out.push_back(p + delta * n1 + t1 * d1);
        out.push_back(p + delta * n2 + t2 * d2);
    }
    return out;
}

// ---------------------------------------------------------------------------
// Polyline with rounded or bevelled corners

PolylineCurver::PolylineCurver(std::vector<QPointF> points, bool beveledCorners)
    : points_(std::move(points)), beveledCorners_(beveledCorners)
{
}

QPainterPath PolylineCurver::buildPath() const
{
    QPainterPath path;
    const std::vector<QPointF> pts = cleanedPoints(points_, false);
    const size_t n = pts.size();
    if (n == 0)
        return path;
    path.moveTo(pts[0]);
    const bool rounding = std::isfinite(cornerRadius) && cornerRadius > 0;
    for (size_t i = 1; i + 1 < n; ++i) {
        const QPointF corner = pts[i];
        const QPointF toPrev = pts[i - 1] - corner, toNext = pts[i + 1] - corner;
        const double lenPrev = length(toPrev), lenNext = length(toNext);
        const QPointF u1 = toPrev / lenPrev, u2 = toNext / lenNext;
        // theta: the angle between the two segments at the corner (pi for a
        // straight run, 0 for a full reversal).
        const double theta = std::atan2(std::abs(cross(u1, u2)), dot(u1, u2));
        if (!rounding || theta < 1e-9 || std::numbers::pi - theta < 1e-9) {
            path.lineTo(corner);
            continue;
        }
        const double halfTheta = theta / 2;
        double tangent = cornerRadius / std::tan(halfTheta);
        // A segment shared with another corner gives each corner half of it;
        // an end segment is the corner's alone. Shorter segments get a smaller
        // arc that stays tangent to both.
        const double availPrev = i == 1 ? lenPrev : lenPrev / 2;
        const double availNext = i + 2 == n ? lenNext : lenNext / 2;
        tangent = std::min({tangent, availPrev, availNext});
        const double radius = tangent * std::tan(halfTheta);
        const QPointF t1 = corner + u1 * tangent, t2 = corner + u2 * tangent;
        path.lineTo(t1);
        if (beveledCorners_) {
            path.lineTo(t2);
            continue;
        }
        QPointF bisector = u1 + u2;
        bisector /= length(bisector);
        const QPointF center = corner + bisector * (radius / std::sin(halfTheta));
        const double a1 = std::atan2(t1.y() - center.y(), t1.x() - center.x());
        const double a2 = std::atan2(t2.y() - center.y(), t2.x() - center.x());
        double sweep = a2 - a1;
        while (sweep > std::numbers::pi)
            sweep -= 2 * std::numbers::pi;
        while (sweep < -std::numbers::pi)
            sweep += 2 * std::numbers::pi;
        addArc(path, center, radius, a1, sweep);
    }
    if (n > 1)
        path.lineTo(pts[n - 1]);
    return path;
}

// ---------------------------------------------------------------------------
// Vertices

void Vertices::read(pugi::xml_node element)
{
    for (pugi::xml_node v = element.child("vertex"); v; v = v.next_sibling("vertex"))
        points.push_back(readPointAttribute(v, "at", QPointF(0, 0)));
}

void Vertices::addToBoundingBox(BoundingBox& box, const std::optional<QTransform>& t) const
{
    for (QPointF p : points)
        box.addPoint(t ? t->map(p) : p);
}

BoundingBox worldBoxSeenThrough(const QTransform& view, const QRectF& deviceRect)
{
    BoundingBox box;
    bool invertible = false;
    const QTransform inverse = view.inverted(&invertible);
    if (invertible)
        box.addTransformedRect(deviceRect, inverse);
    return box;
}

double largestStretch(const QTransform& t)
{
    const double a = t.m11(), b = t.m12(), c = t.m21(), d = t.m22();
    const double e = a * a + b * b + c * c + d * d, det = a * d - b * c;
    return std::sqrt((e + std::sqrt(std::max(0.0, e * e - 4 * det * det))) / 2);
}
