#include "core/Bezier.h"

#include "core/EnumWords.h"
#include "core/PathDetail.h"
#include "core/ReadWorkers.h"
#include "core/Readers.h"

#include <QTransform>

#include <algorithm>
#include <cmath>

namespace {
constexpr auto kBezierStyleWords = enumWords<BezierStyle>({
    {BezierStyle::straight, "straight"},
    {BezierStyle::smooth, "smooth"},
    {BezierStyle::controlled, "controlled"},
});
}

std::optional<BezierStyle> bezierStyleFromString(std::string_view text) { return kBezierStyleWords.fromString(text); }

const char* toString(BezierStyle v) { return kBezierStyleWords.toString(v); }

namespace {

// Long point loops look at the read's stop flag once per this many points (less one).
constexpr size_t kPointsPerStopCheck = 0xffff;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Blank-separated "x,y" pairs; none when any pair is unreadable or the list
// is too long.
std::optional<std::vector<QPointF>> parsePointList(std::string_view text)
{
    std::vector<QPointF> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlank(text[i]))
            ++i;
        if (i == text.size())
            break;
        size_t end = i;
        while (end < text.size() && !isBlank(text[end]))
            ++end;
        const std::string_view pair = text.substr(i, end - i);
        i = end;
        const size_t comma = pair.find(',');
        if (comma == std::string_view::npos)
            return std::nullopt;
        const std::optional<float> x = parseFloat(pair.substr(0, comma));
        const std::optional<float> y = parseFloat(pair.substr(comma + 1));
        if (!x || !y || out.size() >= Bezier::maxPoints)
            return std::nullopt;
        // A million points take a while: a read given up stops here too.
        if ((out.size() & kPointsPerStopCheck) == 0)
            ReadWorkers::throwIfStopped();
        out.emplace_back(double(*x), double(*y));
    }
    return out;
}

void readPointList(pugi::xml_node element, const char* name, std::vector<QPointF>& target)
{
    if (const char* text = attributeValue(element, name)) {
        if (std::optional<std::vector<QPointF>> list = parsePointList(text))
            target = std::move(*list);
        return;
    }
    pugi::xml_node child = childElement(element, name);
    if (!child)
        return;
    std::vector<QPointF> list;
    for (pugi::xml_node p = child.child("point"); p && list.size() < Bezier::maxPoints; p = p.next_sibling("point"))
        list.push_back(readPointAttribute(p, "at", QPointF(0, 0)));
    target = std::move(list);
}

QPointF cubicAt(QPointF p0, QPointF c1, QPointF c2, QPointF p1, double t)
{
    const double u = 1 - t;
    return u * u * u * p0 + 3 * u * u * t * c1 + 3 * u * t * t * c2 + t * t * t * p1;
}

} // namespace

void Bezier::readXML(pugi::xml_node element)
{
    if (const char* text = attributeValue(element, "style"))
        style = bezierStyleFromString(text).value_or(BezierStyle::straight);
    closed = readBoolAttribute(element, "closed", closed);
    // A huge tension only throws the curve off to infinity.
    tension = std::clamp(readDoubleAttribute(element, "tension", tension), 0.0, 10.0);
    readPointList(element, "points", points);
    readPointList(element, "leftControls", leftControls);
    readPointList(element, "rightControls", rightControls);
}

Bezier::Segment Bezier::segment(size_t i) const
{
    const size_t n = points.size();
    const size_t j = (i + 1) % n;
    Segment s{points[i], points[i], points[j], points[j]};
    if (style == BezierStyle::controlled) {
        if (i < rightControls.size())
            s.c1 = rightControls[i];
        if (j < leftControls.size())
            s.c2 = leftControls[j];
    } else if (style == BezierStyle::smooth) {
        // Cardinal spline: the tangent at a point follows the chord between
        // its neighbours; an open outline's end points are their own
        // neighbours.
        const size_t before = (i == 0 && !closed) ? i : (i + n - 1) % n;
        const size_t after = (j == n - 1 && !closed) ? j : (j + 1) % n;
        s.c1 = points[i] + (points[j] - points[before]) * (tension / 3);
        s.c2 = points[j] - (points[after] - points[i]) * (tension / 3);
    }
    return s;
}

QPainterPath Bezier::path() const
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    const size_t n = points.size();
    if (n == 0)
        return path;
    path.moveTo(points[0]);
    if (style == BezierStyle::straight) {
        for (size_t i = 1; i < n; ++i) {
            if ((i & kPointsPerStopCheck) == 0)
                ReadWorkers::throwIfStopped();
            path.lineTo(points[i]);
        }
    } else {
        const size_t segments = closed ? n : n - 1;
        for (size_t i = 0; i < segments && n > 1; ++i) {
            if ((i & kPointsPerStopCheck) == 0)
                ReadWorkers::throwIfStopped();
            const Segment s = segment(i);
            path.cubicTo(s.c1, s.c2, s.p1);
        }
    }
    if (closed)
        path.closeSubpath();
    return path;
}

std::vector<QPointF> Bezier::sample(int from, int to, int steps) const
{
    std::vector<QPointF> out;
    const size_t n = points.size();
    if (style == BezierStyle::straight || n < 2)
        return out;
    const size_t first = size_t(std::max(from, 0));
    const size_t last = std::min(size_t(std::max(to, 0)), n); // one past the last segment
    if (first >= last)
        return out;
    const size_t segments = last - first;
    size_t perSegment = size_t(std::clamp(steps, 1, maxSteps));
    perSegment = std::max<size_t>(1, std::min(perSegment, (maxSamples - 1) / segments));
    out.reserve(segments * perSegment + 1);
    Segment s{};
    for (size_t i = first; i < last; ++i) {
        s = segment(i);
        for (size_t k = 0; k < perSegment; ++k)
            out.push_back(cubicAt(s.p0, s.c1, s.c2, s.p1, double(k) / double(perSegment)));
    }
    if (out.front() != s.p1)
        out.push_back(s.p1);
    return out;
}

Bezier::Kept Bezier::fingerprint() const
{
    return Kept{style, closed, tension, points.data(), points.size(), leftControls.data(), leftControls.size(),
        rightControls.data(), rightControls.size(), points.empty() ? QPointF() : points.front(),
        points.empty() ? QPointF() : points.back(), QPainterPath()};
}

bool Bezier::sameFields(const Kept& a, const Kept& b)
{
    return a.style == b.style && a.closed == b.closed && a.tension == b.tension && a.points == b.points
        && a.pointCount == b.pointCount && a.left == b.left && a.leftCount == b.leftCount && a.right == b.right
        && a.rightCount == b.rightCount && a.front == b.front && a.back == b.back;
}

void Bezier::keepPath()
{
    if (!kept_ || !sameFields(*kept_, fingerprint())) {
        Kept kept = fingerprint();
        kept.path = path();
        kept_ = std::make_shared<const Kept>(std::move(kept));
    }
    // Also when kept already: the drawing cache may have let it go.
    PathDetail::prepare(kept_->path);
}

QPainterPath Bezier::drawnPath() const
{
    if (kept_ && sameFields(*kept_, fingerprint()))
        return kept_->path;
    return path();
}

void flattenCubic(QPointF p0, QPointF c1, QPointF c2, QPointF p3, double flatness, std::vector<QPointF>& out,
    const QTransform* measure)
{
    QPointF d1 = p0 - 2 * c1 + c2, d2 = c1 - 2 * c2 + p3;
    if (measure) {
        d1 = measure->map(d1);
        d2 = measure->map(d2);
    }
    const double m2 = std::max(QPointF::dotProduct(d1, d1), QPointF::dotProduct(d2, d2));
    // One step strays by at most 3/4 of the larger second difference.
    if (0.5625 * m2 <= flatness * flatness) {
        out.push_back(p3);
        return;
    }
    const double steps = std::ceil(std::sqrt(0.75 * std::sqrt(m2) / flatness));
    const int n = std::isfinite(steps) ? int(std::clamp(steps, 1.0, 1024.0)) : 1;
    for (int k = 1; k < n; ++k) {
        const double t = double(k) / n, u = 1 - t;
        out.push_back(u * u * u * p0 + 3 * u * u * t * c1 + 3 * u * t * t * c2 + t * t * t * p3);
    }
    out.push_back(p3);
}
