#include "core/Dashes.h"

#include "core/Geometry.h"
#include "core/StrokeReach.h"

#include <QPainterPathStroker>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// How far (device pixels) the pen's ink reaches past its path under a
// transform stretching by at most `stretch`.
double strokeReach(const QPen& pen, double stretch)
{
    return StrokeReach::ofPen(pen) * stretch + StrokeReach::kDevicePixels;
}

// The part [t0, t1] of the segment a-b inside the rectangle; false when none.
bool clipParameters(QPointF a, QPointF b, const QRectF& r, double& t0, double& t1)
{
    t0 = 0;
    t1 = 1;
    const double d[2] = {b.x() - a.x(), b.y() - a.y()};
    const double lo[2] = {r.left() - a.x(), r.top() - a.y()};
    const double hi[2] = {r.right() - a.x(), r.bottom() - a.y()};
    for (int k = 0; k < 2; ++k) {
        if (d[k] == 0) {
            if (lo[k] > 0 || hi[k] < 0)
                return false;
            continue;
        }
        double enter = lo[k] / d[k], leave = hi[k] / d[k];
        if (enter > leave)
            std::swap(enter, leave);
        t0 = std::max(t0, enter);
        t1 = std::min(t1, leave);
    }
    return t0 <= t1;
}

// Appends the cubic's points after p0 (path coordinates), on uniform
// steps that stray from it by at most `flatness` device pixels under the
// linear part `linear`: the same steps wherever the device's origin lies.
void flattenCubic(QPointF p0, QPointF c1, QPointF c2, QPointF p3, const QTransform& linear, double flatness,
    std::vector<QPointF>& out)
{
    const QPointF d1 = linear.map(p0 - 2 * c1 + c2), d2 = linear.map(c1 - 2 * c2 + p3);
    const double bend = std::sqrt(std::max(QPointF::dotProduct(d1, d1), QPointF::dotProduct(d2, d2)));
    const double steps = std::ceil(std::sqrt(0.75 * bend / flatness));
    const int n = std::isfinite(steps) ? int(std::clamp(steps, 1.0, 1024.0)) : 1;
    for (int k = 1; k < n; ++k) {
        const double t = double(k) / n, u = 1 - t;
        out.push_back(u * u * u * p0 + 3 * u * u * t * c1 + 3 * u * t * t * c2 + t * t * t * p3);
    }
    out.push_back(p3);
}

// Whether the segment's pattern repeats in less than kFinePixels on the
// device: from the linear part alone, so that a tiny segment is no finer
// in one band than in another.
bool tooFine(QPointF a, QPointF b, double length, const QTransform& linear, double period)
{
    const QPointF d = linear.map(b - a);
    return length > 0 && std::hypot(d.x(), d.y()) / length * period < Dashes::kFinePixels;
}

// Whether the flattened subpath is closed (as the stroker tells: its ends
// the same to a fuzz) and one dash of the pattern (even entries dashes,
// from -offset) covers all of it, no segment too fine to dash.
bool dashCoversClosedSubpath(const std::vector<QPointF>& points, const QTransform& linear, const std::vector<double>& lengths,
    double period, double offset)
{
    if (points.size() < 3 || !qFuzzyCompare(points.front().x(), points.back().x())
        || !qFuzzyCompare(points.front().y(), points.back().y()))
        return false;
    double total = 0;
    for (size_t j = 1; j < points.size(); ++j) {
        const QPointF a = points[j - 1], b = points[j];
        const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
        if (!std::isfinite(length) || tooFine(a, b, length, linear, period))
            return false;
        total += length;
    }
    double start = std::floor(offset / period) * period - offset;
    for (size_t e = 0; e + 1 < lengths.size(); start += lengths[e] + lengths[e + 1], e += 2)
        if (start <= 0 && start + lengths[e] >= total)
            return true;
    return false;
}

// A dash of the pattern: the k-th repeat's entry e, from start to end
// along the subpath.
struct Dash {
    long long k = 0;
    size_t e = 0;
    double start = 0, end = 0;
};

// The dash whose span [start, end) holds the position along the subpath,
// placed as the cutter places them (from its repeat's start alone).
bool dashAt(double position, const std::vector<double>& lengths, double period, double offset, Dash& dash)
{
    const long long k = (long long)std::floor((position + offset) / period);
    for (long long r = k - 1; r <= k; ++r) {
        double start = double(r) * period - offset;
        for (size_t e = 0; e + 1 < lengths.size(); start += lengths[e] + lengths[e + 1], e += 2) {
            if (start <= position && position < start + lengths[e]) {
                dash = Dash{r, e, start, start + lengths[e]};
                return true;
            }
        }
    }
    return false;
}

} // namespace

namespace Dashes {

Cut cut(const QPainterPath& path, const QPen& pen, const QTransform& toDevice, const QRectF& area, const Fill& fill)
{
    Cut out;
    const QTransform& t = toDevice;
    const QList<qreal> pattern = pen.dashPattern();
    const double w = pen.widthF();
    const double largest = largestStretch(t);
    // The pattern in the path's units: even entries dashes, odd gaps.
    std::vector<double> lengths;
    double period = 0, inked = 0;
    const bool capped = pen.capStyle() != Qt::FlatCap;
    for (qsizetype i = 0; i + 1 < pattern.size(); i += 2) {
        const double on = std::max(0.0, pattern[i]) * w, off = std::max(0.0, pattern[i + 1]) * w;
        lengths.push_back(on);
        lengths.push_back(off);
        period += on + off;
        inked += on + (capped ? w : 0);
    }
    if (!(period > 0) || !std::isfinite(period) || !(w > 0) || !std::isfinite(largest) || !t.isAffine())
        return out;
    out.dashed = true;
    const double fineCoverage = std::min(1.0, inked / period);
    double offset = std::fmod(pen.dashOffset() * w, period);
    if (!(offset >= 0))
        offset = std::isfinite(offset) ? offset + period : 0;

    // Only dashes that come within the ink's reach of the area are cut,
    // each whole, as it is wherever the area lies.
    const double reach = strokeReach(pen, largest);
    const QRectF guard = area.adjusted(-reach, -reach, reach, reach);
    const QTransform linear(t.m11(), t.m12(), t.m21(), t.m22(), 0, 0);

    QPen solid = pen;
    solid.setStyle(Qt::SolidLine);
    QPainterPathStroker stroker(solid);
    // Curves flattened as finely on the device as QPainter's own stroker.
    if (largest > 0)
        stroker.setCurveThreshold(0.25 / largest);
    // The dashes of kRepeatsPerFill repeats of the pattern, counted along
    // the whole path, make one fill (and the fine segments of as many
    // segments): by their place on the path, whatever the area.
    const double groupLength = period * kRepeatsPerFill;
    QPainterPath dashes, fine;
    double dashGroup = 0;
    long long fineGroup = 0;
    // Whether a fine segment of the group is in reach.
    bool fineNear = false;
    auto flush = [&](QPainterPath& lines, bool isFine) {
        if (!lines.isEmpty() && (!isFine || fineNear))
            fill(stroker.createStroke(lines), isFine ? fineCoverage : 1.0);
        lines = QPainterPath();
        fineNear = fineNear && !isFine;
    };

    std::vector<QPointF> points;
    double before = 0; // the length of the subpaths before this one
    const int n = path.elementCount();
    for (int first = 0; first < n;) {
        // One subpath, flattened.
        points.clear();
        int i = first;
        points.push_back(QPointF(path.elementAt(i).x, path.elementAt(i).y));
        for (++i; i < n && path.elementAt(i).type != QPainterPath::MoveToElement;) {
            const QPainterPath::Element e = path.elementAt(i);
            if (e.type == QPainterPath::CurveToElement && i + 2 < n) {
                const QPainterPath::Element e2 = path.elementAt(i + 1), e3 = path.elementAt(i + 2);
                flattenCubic(points.back(), QPointF(e.x, e.y), QPointF(e2.x, e2.y), QPointF(e3.x, e3.y), linear, 0.25, points);
                i += 3;
            } else {
                points.push_back(QPointF(e.x, e.y));
                ++i;
            }
        }
        first = i;
        if (dashCoversClosedSubpath(points, linear, lengths, period, offset)) {
            // One dash all the way round ends where it began, and the
            // stroker joins its ends: drawn whole, or the parts of it
            // within reach would end in caps.
            double left = qInf(), top = qInf(), right = -qInf(), bottom = -qInf(), length = 0;
            for (size_t j = 0; j < points.size(); ++j) {
                const QPointF d = t.map(points[j]);
                left = std::min(left, d.x());
                right = std::max(right, d.x());
                top = std::min(top, d.y());
                bottom = std::max(bottom, d.y());
                if (j > 0)
                    length += std::hypot(points[j].x() - points[j - 1].x(), points[j].y() - points[j - 1].y());
            }
            const double group = std::floor(before / groupLength);
            before += length;
            if (right < guard.left() || left > guard.right() || bottom < guard.top() || top > guard.bottom())
                continue;
            if (group != dashGroup)
                flush(dashes, false);
            dashGroup = group;
            dashes.moveTo(points.front());
            for (size_t j = 1; j < points.size(); ++j)
                dashes.lineTo(points[j]);
            ++out.dashCount;
            continue;
        }
        double along = 0; // the subpath's length before the segment
        // The dash going on into the next segment, drawn so far.
        bool open = false;
        Dash going;
        // Else the dash reaching past the segment's end, not drawn (its
        // segments were beyond reach): drawn whole if it comes in reach.
        bool pending = false;
        Dash waiting;
        std::vector<QPointF> waitingPoints;
        bool fineOpen = false;
        // Starts drawing a dash that begins at p (its group by where it begins).
        auto begin = [&](const Dash& d, QPointF p) {
            const double group = std::floor((before + std::max(d.start, 0.0)) / groupLength);
            if (group != dashGroup)
                flush(dashes, false);
            dashGroup = group;
            dashes.moveTo(p);
            ++out.dashCount;
        };
        for (size_t j = 1; j < points.size(); ++j) {
            const QPointF a = points[j - 1], b = points[j];
            const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
            if (!std::isfinite(length)) {
                open = pending = fineOpen = false;
                continue;
            }
            const QPointF da = t.map(a), db = t.map(b);
            double t0 = 0, t1 = 0;
            const bool near = clipParameters(da, db, guard, t0, t1);
            const double stop = along + length;
            auto at = [&](double s) { return length > 0 ? a + (b - a) * ((s - along) / length) : a; };
            // Too fine to dash here: solid, at the pattern's mean coverage.
            // The segments of a group are drawn whole when any is in reach.
            // (So are those too far along for a double to place a dash.)
            if (tooFine(a, b, length, linear, period) || !(std::abs(stop + offset) / period < 0x1p52)) {
                const long long group = out.fineSegments++ / kRepeatsPerFill;
                open = pending = false;
                if (group != fineGroup) {
                    flush(fine, true);
                    fineOpen = false;
                }
                fineGroup = group;
                fineNear = fineNear || near;
                if (!fineOpen)
                    fine.moveTo(a);
                fine.lineTo(b);
                fineOpen = true;
                along = stop;
                continue;
            }
            fineOpen = false;
            if (pending && near) {
                // It comes in reach here: drawn from where it began.
                begin(waiting, waitingPoints.front());
                for (size_t k = 1; k < waitingPoints.size(); ++k)
                    dashes.lineTo(waitingPoints[k]);
                open = true;
                going = waiting;
            }
            const bool waited = pending;
            pending = false;
            bool went = false;
            const Dash done = going;
            if (open) {
                // A dash going on from the last segment is one line with
                // it, joined as the pen joins, and drawn to its end.
                dashes.lineTo(at(std::min(going.end, stop)));
                open = going.end > stop;
                went = true;
            }
            if (near) {
                // The pattern's repeats k whose dashes meet the part in
                // reach, each drawn whole along the segment.
                const double from = along + t0 * length, to = along + t1 * length;
                const long long k0 = (long long)std::floor((from + offset) / period) - 1;
                const long long k1 = (long long)std::floor((to + offset) / period);
                for (long long k = k0; k <= k1; ++k) {
                    // Every dash placed from its repeat's start alone.
                    double start = double(k) * period - offset;
                    for (size_t e = 0; e + 1 < lengths.size(); start += lengths[e] + lengths[e + 1], e += 2) {
                        const Dash d{k, e, start, start + lengths[e]};
                        if (d.end < from || d.start > to || (went && d.k == done.k && d.e == done.e))
                            continue;
                        begin(d, at(std::max(d.start, along)));
                        dashes.lineTo(at(std::min(d.end, stop)));
                        if (d.end > stop) {
                            open = true;
                            going = d;
                        }
                    }
                }
            }
            if (!open) {
                // The dash reaching past the segment's end, if any, waits.
                Dash d;
                if (dashAt(stop, lengths, period, offset, d) && d.start < stop) {
                    const bool same = waited && d.k == waiting.k && d.e == waiting.e;
                    if (!same) {
                        waitingPoints.clear();
                        waitingPoints.push_back(at(std::max(d.start, along)));
                    }
                    waitingPoints.push_back(b);
                    waiting = d;
                    pending = true;
                }
            }
            along = stop;
        }
        before += along;
    }
    flush(dashes, false);
    flush(fine, true);
    return out;
}

} // namespace Dashes
