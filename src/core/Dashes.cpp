#include "core/Dashes.h"

#include "core/Bezier.h"
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

// A dash of the pattern: the k-th repeat's entry e, from start to end
// along the subpath.
struct Dash {
    long long k = 0;
    size_t e = 0;
    double start = 0, end = 0;

    bool same(const Dash& o) const { return k == o.k && e == o.e; }
};

// The pen's pattern in the path's units, placed along each subpath from
// its start: every dash from its repeat's start alone.
struct Pattern {
    std::vector<double> lengths; // even entries dashes, odd gaps
    double period = 0;
    double offset = 0; // where each subpath begins in the pattern, in [0, period)
    double fineCoverage = 1; // the ink of a repeat over its length, caps included

    // False for a pattern that cannot be dashed.
    bool read(const QPen& pen)
    {
        const QList<qreal> pattern = pen.dashPattern();
        const double w = pen.widthF();
        const bool capped = pen.capStyle() != Qt::FlatCap;
        double inked = 0;
        for (qsizetype i = 0; i + 1 < pattern.size(); i += 2) {
            const double on = std::max(0.0, pattern[i]) * w, off = std::max(0.0, pattern[i + 1]) * w;
            lengths.push_back(on);
            lengths.push_back(off);
            period += on + off;
            inked += on + (capped ? w : 0);
        }
        if (!(period > 0) || !std::isfinite(period) || !(w > 0))
            return false;
        fineCoverage = std::min(1.0, inked / period);
        offset = std::fmod(pen.dashOffset() * w, period);
        if (!(offset >= 0))
            offset = std::isfinite(offset) ? offset + period : 0;
        return true;
    }

    // Calls f(dash) for each dash of the repeats k0..k1, in order.
    template <class F>
    void forDashes(long long k0, long long k1, F&& f) const
    {
        for (long long k = k0; k <= k1; ++k) {
            double start = double(k) * period - offset;
            for (size_t e = 0; e + 1 < lengths.size(); start += lengths[e] + lengths[e + 1], e += 2)
                f(Dash{k, e, start, start + lengths[e]});
        }
    }

    // The dash whose span [start, end) holds the position along the subpath.
    bool dashAt(double position, Dash& dash) const
    {
        const long long k = (long long)std::floor((position + offset) / period);
        bool found = false;
        forDashes(k - 1, k, [&](const Dash& d) {
            if (!found && d.start <= position && position < d.end) {
                dash = d;
                found = true;
            }
        });
        return found;
    }

    // Whether one dash covers a subpath of that length all the way round.
    bool oneDashCovers(double total) const
    {
        double start = std::floor(offset / period) * period - offset;
        for (size_t e = 0; e + 1 < lengths.size(); start += lengths[e] + lengths[e + 1], e += 2)
            if (start <= 0 && start + lengths[e] >= total)
                return true;
        return false;
    }
};

// Appends the points of the subpath beginning at element `first`, its
// curves flattened for the device; returns the element after it.
int flattenSubpath(const QPainterPath& path, int first, const QTransform& linear, std::vector<QPointF>& points)
{
    points.clear();
    const int n = path.elementCount();
    int i = first;
    points.push_back(QPointF(path.elementAt(i).x, path.elementAt(i).y));
    for (++i; i < n && path.elementAt(i).type != QPainterPath::MoveToElement;) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.type == QPainterPath::CurveToElement && i + 2 < n) {
            const QPainterPath::Element e2 = path.elementAt(i + 1), e3 = path.elementAt(i + 2);
            flattenCubic(points.back(), QPointF(e.x, e.y), QPointF(e2.x, e2.y), QPointF(e3.x, e3.y), 0.25, points, &linear);
            i += 3;
        } else {
            points.push_back(QPointF(e.x, e.y));
            ++i;
        }
    }
    return i;
}

// Cuts a path subpath by subpath: which dashes and fine parts are cut,
// and the fills they are gathered into.
class Cutter {
public:
    Cutter(const QPen& pen, const Pattern& pattern, const QTransform& toDevice, const QRectF& area, const Dashes::Fill& fill,
        Dashes::Cut& out)
        : pattern_(pattern), t_(toDevice), linear_(toDevice.m11(), toDevice.m12(), toDevice.m21(), toDevice.m22(), 0, 0),
          stroker_(solid(pen)), fill_(fill), out_(out), groupLength_(pattern.period * Dashes::kRepeatsPerFill)
    {
        // Only dashes that come within the ink's reach of the area are
        // cut, each whole, as it is wherever the area lies.
        const double largest = largestStretch(toDevice);
        const double reach = strokeReach(pen, largest);
        guard_ = area.adjusted(-reach, -reach, reach, reach);
        // Curves flattened as finely on the device as QPainter's own stroker.
        if (largest > 0)
            stroker_.setCurveThreshold(0.25 / largest);
    }

    void cut(const QPainterPath& path)
    {
        std::vector<QPointF> points;
        for (int first = 0; first < path.elementCount();) {
            first = flattenSubpath(path, first, linear_, points);
            if (!closedUnderOneDash(points))
                walk(points);
        }
        flushDashes();
        flushFine();
    }

private:
    static QPen solid(QPen pen)
    {
        pen.setStyle(Qt::SolidLine);
        return pen;
    }

    // --- one subpath ---

    // A closed subpath that one dash of the pattern covers all the way
    // round, no segment too fine to dash: the dash ends where it began,
    // and the stroker joins its ends. Drawn whole (when in reach), or the
    // parts of it within reach would end in caps. False for any other.
    bool closedUnderOneDash(const std::vector<QPointF>& points)
    {
        // Closed as the stroker tells: its ends the same to a fuzz.
        if (points.size() < 3 || !qFuzzyCompare(points.front().x(), points.back().x())
            || !qFuzzyCompare(points.front().y(), points.back().y()))
            return false;
        double total = 0;
        for (size_t j = 1; j < points.size(); ++j) {
            const QPointF a = points[j - 1], b = points[j];
            const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
            if (!std::isfinite(length) || tooFine(a, b, length))
                return false;
            total += length;
        }
        if (!pattern_.oneDashCovers(total))
            return false;
        const double group = std::floor(before_ / groupLength_);
        before_ += total;
        double left = qInf(), top = qInf(), right = -qInf(), bottom = -qInf();
        for (const QPointF& p : points) {
            const QPointF d = t_.map(p);
            left = std::min(left, d.x());
            right = std::max(right, d.x());
            top = std::min(top, d.y());
            bottom = std::max(bottom, d.y());
        }
        if (right < guard_.left() || left > guard_.right() || bottom < guard_.top() || top > guard_.bottom())
            return true;
        enterDashGroup(group);
        dashes_.moveTo(points.front());
        for (size_t j = 1; j < points.size(); ++j)
            dashes_.lineTo(points[j]);
        ++out_.dashCount;
        return true;
    }

    // What walking a subpath carries from one segment to the next.
    struct Walk {
        double along = 0; // the subpath's length before the segment
        // The dash going on into the next segment, drawn so far.
        bool open = false;
        Dash going;
        // Else the dash reaching past the segment's end, not drawn (its
        // segments were beyond reach): drawn whole if it comes in reach.
        bool pending = false;
        Dash waiting;
        std::vector<QPointF> waitingPoints;
        // Whether the last segment was stroked solid, its line open.
        bool fineOpen = false;
    };

    // A segment of a subpath: from a to b, `length` long, starting
    // walk.along along the subpath.
    struct Segment {
        QPointF a, b;
        double length = 0, along = 0, stop = 0;
        // Whether it comes within reach, and the part [t0, t1] that does.
        bool near = false;
        double t0 = 0, t1 = 0;

        QPointF at(double s) const { return length > 0 ? a + (b - a) * ((s - along) / length) : a; }
    };

    // Walks the pattern along the flattened subpath, segment by segment.
    void walk(const std::vector<QPointF>& points)
    {
        walk_.along = 0;
        walk_.open = walk_.pending = walk_.fineOpen = false;
        for (size_t j = 1; j < points.size(); ++j) {
            Segment s;
            s.a = points[j - 1];
            s.b = points[j];
            s.length = std::hypot(s.b.x() - s.a.x(), s.b.y() - s.a.y());
            if (!std::isfinite(s.length)) {
                walk_.open = walk_.pending = walk_.fineOpen = false;
                continue;
            }
            s.along = walk_.along;
            s.stop = s.along + s.length;
            s.near = clipParameters(t_.map(s.a), t_.map(s.b), guard_, s.t0, s.t1);
            if (solidHere(s))
                addFine(s);
            else
                dashSegment(s);
            walk_.along = s.stop;
        }
        before_ += walk_.along;
    }

    // Whether the segment's pattern repeats in less than kFinePixels on
    // the device: from the linear part alone, so that a tiny segment is no
    // finer in one band than in another.
    bool tooFine(QPointF a, QPointF b, double length) const
    {
        const QPointF d = linear_.map(b - a);
        return length > 0 && std::hypot(d.x(), d.y()) / length * pattern_.period < Dashes::kFinePixels;
    }

    // Too fine to dash here, or too far along for a double to place a
    // dash: stroked solid at the pattern's mean coverage.
    bool solidHere(const Segment& s) const
    {
        return tooFine(s.a, s.b, s.length) || !(std::abs(s.stop + pattern_.offset) / pattern_.period < 0x1p52);
    }

    // A segment stroked solid. The segments of a group are drawn whole
    // when any is in reach.
    void addFine(const Segment& s)
    {
        const long long group = out_.fineSegments++ / Dashes::kRepeatsPerFill;
        walk_.open = walk_.pending = false;
        if (group != fineGroup_) {
            flushFine();
            walk_.fineOpen = false;
        }
        fineGroup_ = group;
        fineNear_ = fineNear_ || s.near;
        if (!walk_.fineOpen)
            fine_.moveTo(s.a);
        fine_.lineTo(s.b);
        walk_.fineOpen = true;
    }

    // A segment dashed: the dash carried into it drawn on, then every dash
    // meeting its part in reach; the dash reaching past its end, if not
    // drawn, waits.
    void dashSegment(const Segment& s)
    {
        walk_.fineOpen = false;
        if (walk_.pending && s.near) {
            // It comes in reach here: drawn from where it began.
            beginDash(walk_.waiting, walk_.waitingPoints.front());
            for (size_t k = 1; k < walk_.waitingPoints.size(); ++k)
                dashes_.lineTo(walk_.waitingPoints[k]);
            walk_.open = true;
            walk_.going = walk_.waiting;
        }
        const bool waited = walk_.pending;
        walk_.pending = false;
        bool went = false;
        const Dash done = walk_.going;
        if (walk_.open) {
            // A dash going on from the last segment is one line with it,
            // joined as the pen joins, and drawn to its end.
            dashes_.lineTo(s.at(std::min(walk_.going.end, s.stop)));
            walk_.open = walk_.going.end > s.stop;
            went = true;
        }
        if (s.near)
            cutNear(s, went ? &done : nullptr);
        if (!walk_.open)
            waitAtEnd(s, waited);
    }

    // The dashes meeting the segment's part in reach (but `drawn`, the
    // one carried in), each drawn whole along the segment.
    void cutNear(const Segment& s, const Dash* drawn)
    {
        const double from = s.along + s.t0 * s.length, to = s.along + s.t1 * s.length;
        const long long k0 = (long long)std::floor((from + pattern_.offset) / pattern_.period) - 1;
        const long long k1 = (long long)std::floor((to + pattern_.offset) / pattern_.period);
        pattern_.forDashes(k0, k1, [&](const Dash& d) {
            if (d.end < from || d.start > to || (drawn && d.same(*drawn)))
                return;
            beginDash(d, s.at(std::max(d.start, s.along)));
            dashes_.lineTo(s.at(std::min(d.end, s.stop)));
            if (d.end > s.stop) {
                walk_.open = true;
                walk_.going = d;
            }
        });
    }

    // The dash reaching past the segment's end, not drawn, waits with the
    // points it has passed (on from those it had when it `waited` too).
    void waitAtEnd(const Segment& s, bool waited)
    {
        Dash d;
        if (!pattern_.dashAt(s.stop, d) || !(d.start < s.stop))
            return;
        if (!(waited && d.same(walk_.waiting))) {
            walk_.waitingPoints.clear();
            walk_.waitingPoints.push_back(s.at(std::max(d.start, s.along)));
        }
        walk_.waitingPoints.push_back(s.b);
        walk_.waiting = d;
        walk_.pending = true;
    }

    // --- the fills ---
    // The dashes of kRepeatsPerFill repeats of the pattern, counted along
    // the whole path, make one fill (and the fine segments of as many
    // segments): by their place on the path, whatever the area.

    // Starts drawing a dash that begins at p (its group by where it begins).
    void beginDash(const Dash& d, QPointF p)
    {
        enterDashGroup(std::floor((before_ + std::max(d.start, 0.0)) / groupLength_));
        dashes_.moveTo(p);
        ++out_.dashCount;
    }

    void enterDashGroup(double group)
    {
        if (group != dashGroup_)
            flushDashes();
        dashGroup_ = group;
    }

    void flushDashes()
    {
        if (!dashes_.isEmpty())
            fill_(stroker_.createStroke(dashes_), 1.0);
        dashes_ = QPainterPath();
    }

    // The fine group is filled only when a segment of it is in reach.
    void flushFine()
    {
        if (!fine_.isEmpty() && fineNear_)
            fill_(stroker_.createStroke(fine_), pattern_.fineCoverage);
        fine_ = QPainterPath();
        fineNear_ = false;
    }

    const Pattern& pattern_;
    const QTransform& t_;
    const QTransform linear_;
    QRectF guard_;
    QPainterPathStroker stroker_;
    const Dashes::Fill& fill_;
    Dashes::Cut& out_;
    const double groupLength_;
    double before_ = 0; // the length of the subpaths before this one
    Walk walk_;
    QPainterPath dashes_, fine_;
    double dashGroup_ = 0;
    long long fineGroup_ = 0;
    bool fineNear_ = false; // whether a fine segment of the group is in reach
};

} // namespace

namespace Dashes {

Cut cut(const QPainterPath& path, const QPen& pen, const QTransform& toDevice, const QRectF& area, const Fill& fill)
{
    Cut out;
    Pattern pattern;
    if (!pattern.read(pen) || !std::isfinite(largestStretch(toDevice)) || !toDevice.isAffine())
        return out;
    out.dashed = true;
    Cutter(pen, pattern, toDevice, area, fill, out).cut(path);
    return out;
}

} // namespace Dashes
