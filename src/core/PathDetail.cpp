#include "core/PathDetail.h"

#include "core/Bezier.h"
#include "core/CoverageFill.h"
#include "core/Geometry.h"
#include "core/ModelGuard.h"
#include "core/ReadWorkers.h"
#include "core/StrokeReach.h"

#include <QBrush>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <vector>

namespace PathDetail {
namespace {

thread_local Handed handed;

using Points = std::vector<QPointF>;

struct Box {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    void add(double x, double y)
    {
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
    }
    void add(const Box& b)
    {
        add(b.x0, b.y0);
        add(b.x1, b.y1);
    }
};

Box pointBox(double x, double y) { return Box{x, y, x, y}; }

// Segments of one subpath from the on-curve point at element `first` to the
// one at `last`; their control points lie in `bounds`.
struct Chunk {
    int first = 0;
    int last = 0;
    Box bounds;
    // Every segment a cubic, none bending (in flattenCubic's measure) more
    // than `bend`: levels whose flatness that meets take the end points.
    bool allCurves = true;
    double bend = 0;
};

struct Subpath {
    int firstChunk = 0;
    int chunkCount = 0;
    Box bounds;
    bool closed = false; // ends where it starts
};

constexpr int kSegmentsPerChunk = 64;
// Solid lines at most this wide on the device join their huge outlines
// with bevels.
constexpr double kThinPixels = 1.5;
// Levels of detail kept per path, and what the cache may hold (ten curves
// of a million points each, about 30 million elements, fit: a cache they
// overflow builds an index again for every frame and every pick).
constexpr size_t kLevelsPerPath = 6;
constexpr size_t kMaxPaths = 64;
constexpr std::int64_t kMaxCachedElements = 40'000'000;
// Curves are flattened this finely (device pixels) when drawn exactly.
constexpr double kExactFlatness = 0.02;

// One zoom step of a path: each chunk's points flattened and simplified in
// the path's coordinates, made on first use and published atomically.
struct Level {
    Level(int key, size_t count, double tolerance)
        : key(key), tolerance(tolerance), count(count), chunks(new std::atomic<Points*>[count])
    {
        for (size_t i = 0; i < count; ++i)
            chunks[i].store(nullptr, std::memory_order_relaxed);
    }
    ~Level()
    {
        for (size_t i = 0; i < count; ++i)
            delete chunks[i].load(std::memory_order_relaxed);
    }
    Level(const Level&) = delete;
    Level& operator=(const Level&) = delete;
    const int key;
    const double tolerance; // in the path's coordinates
    const size_t count;
    std::unique_ptr<std::atomic<Points*>[]> chunks;
    std::atomic<std::uint64_t> lastUse{0};
};

struct Index {
    QPainterPath path; // keeps the elements, and the address they are known by, alive
    std::vector<Subpath> subpaths;
    std::vector<Chunk> chunks;
    // Levels are looked up by every band of a frame and added seldom.
    std::shared_mutex levelsMutex;
    std::vector<std::shared_ptr<Level>> levels;
    std::atomic<std::uint64_t> lastUse{0};
    std::once_flag built;
};

QPointF pointAt(const QPainterPath& p, int i)
{
    const QPainterPath::Element e = p.elementAt(i);
    return QPointF(e.x, e.y);
}

// The subpaths (and their chunks, numbered from 0) that start at or after
// element `from` (0, or a move) and before element `limit`: each is walked
// to its end, past the limit if it reaches so far. One pass over the
// elements, each asked for once: QPainterPath hands them out by a call
// apiece, and a copy of them all would cost more in fresh memory than the
// pass itself.
void indexSubpaths(const QPainterPath& p, int from, int limit, std::vector<Subpath>& subpaths, std::vector<Chunk>& chunks)
{
    const int n = p.elementCount();
    Subpath s;
    QPointF first, last;
    Box box;
    Chunk chunk;
    int segments = 0;
    int lastPoint = 0;
    auto begin = [&](int at, QPointF point) {
        s = Subpath();
        s.firstChunk = int(chunks.size());
        first = last = point;
        box = pointBox(point.x(), point.y());
        chunk = Chunk{at, at, box};
        segments = 0;
        lastPoint = at;
    };
    auto finish = [&] {
        if (segments > 0) {
            chunk.last = lastPoint;
            box.add(chunk.bounds);
            chunks.push_back(chunk);
        }
        s.chunkCount = int(chunks.size()) - s.firstChunk;
        s.bounds = box;
        s.closed = s.chunkCount > 0 && last == first;
        if (s.chunkCount > 0)
            subpaths.push_back(s);
    };
    if (from >= n || from >= limit)
        return;
    begin(from, pointAt(p, from));
    for (int i = from + 1; i < n;) {
        const QPainterPath::Element e = p.elementAt(i);
        if (e.type == QPainterPath::MoveToElement) {
            finish();
            if (i >= limit)
                return;
            begin(i, QPointF(e.x, e.y));
            ++i;
            continue;
        }
        int segmentEnd = i;
        chunk.bounds.add(e.x, e.y);
        QPointF end(e.x, e.y);
        if (e.type == QPainterPath::CurveToElement) {
            const QPainterPath::Element e2 = i + 1 < n ? p.elementAt(i + 1) : QPainterPath::Element{};
            const QPainterPath::Element e3 = i + 2 < n ? p.elementAt(i + 2) : QPainterPath::Element{};
            if (i + 2 >= n || e2.type == QPainterPath::MoveToElement || e3.type == QPainterPath::MoveToElement) {
                // A curve cut short: not drawn, nor what follows it up to
                // the next subpath.
                finish();
                i = e2.type == QPainterPath::MoveToElement && i + 1 < n ? i + 1 : i + 2;
                while (i < n && p.elementAt(i).type != QPainterPath::MoveToElement)
                    ++i;
                if (i >= n || i >= limit)
                    return;
                begin(i, pointAt(p, i));
                ++i;
                continue;
            }
            chunk.bounds.add(e2.x, e2.y);
            chunk.bounds.add(e3.x, e3.y);
            segmentEnd = i + 2;
            end = QPointF(e3.x, e3.y);
            const QPointF c1(e.x, e.y), c2(e2.x, e2.y);
            const QPointF d1 = last - 2 * c1 + c2, d2 = c1 - 2 * c2 + end;
            const double m2 = std::max(QPointF::dotProduct(d1, d1), QPointF::dotProduct(d2, d2));
            if (std::isfinite(m2))
                chunk.bend = std::max(chunk.bend, m2);
            else
                chunk.allCurves = false;
        } else {
            chunk.allCurves = false;
        }
        i = segmentEnd + 1;
        lastPoint = segmentEnd;
        last = end;
        if (++segments == kSegmentsPerChunk) {
            chunk.last = segmentEnd;
            box.add(chunk.bounds);
            chunks.push_back(chunk);
            chunk = Chunk{segmentEnd, segmentEnd, pointBox(end.x(), end.y())};
            segments = 0;
        }
    }
    finish();
}

// A huge path's elements are indexed in parts of about this many on the
// reading threads: a board's pours are indexed in the first geometry pass.
constexpr int kElementsPerIndexPart = 8192;

void buildIndex(Index& index)
{
    const QPainterPath& p = index.path;
    const int n = p.elementCount();
    const size_t parts = size_t(n / kElementsPerIndexPart);
    if (parts < 2 || ReadWorkers::threads() < 2) {
        indexSubpaths(p, 0, n, index.subpaths, index.chunks);
        return;
    }
    // Part k indexes the subpaths that start from its first move on, up to
    // the start of the next part, so the parts joined in order index what
    // one pass over the whole path does.
    struct Part {
        std::vector<Subpath> subpaths;
        std::vector<Chunk> chunks;
    };
    std::vector<Part> found(parts);
    ReadWorkers::forEachPart(parts, 1, [&](size_t begin, size_t end) {
        for (size_t k = begin; k < end; ++k) {
            const int start = int(k) * kElementsPerIndexPart;
            const int limit = k + 1 == parts ? n : start + kElementsPerIndexPart;
            int from = start;
            while (from > 0 && from < limit && p.elementAt(from).type != QPainterPath::MoveToElement)
                ++from;
            indexSubpaths(p, from, limit, found[k].subpaths, found[k].chunks);
        }
    });
    for (Part& part : found) {
        const int offset = int(index.chunks.size());
        for (Subpath& s : part.subpaths) {
            s.firstChunk += offset;
            index.subpaths.push_back(s);
        }
        index.chunks.insert(index.chunks.end(), part.chunks.begin(), part.chunks.end());
    }
}

// The path's data is its identity: copies share it, and any change to a
// path gives it data of its own. The cache holds a copy, so the address is
// not reused while an entry lives.
const void* identity(const QPainterPath& path)
{
    static_assert(sizeof(QPainterPath) == sizeof(void*));
    const void* d = nullptr;
    std::memcpy(&d, static_cast<const void*>(&path), sizeof d);
    return d;
}

// Indexes are made before frames (prepare) and looked up by every band of
// a frame: lookups share the lock, and no index is built while it is held.
struct Cache {
    std::shared_mutex mutex;
    std::vector<std::shared_ptr<Index>> entries;
    std::atomic<std::uint64_t> clock{0};
    std::int64_t elements = 0;
};

Cache& cache()
{
    static Cache c;
    return c;
}

std::shared_ptr<Index> findIndex(Cache& c, const QPainterPath& path)
{
    const void* key = identity(path);
    for (const std::shared_ptr<Index>& e : c.entries)
        if (identity(e->path) == key && e->path.elementCount() == path.elementCount())
            return e;
    return nullptr;
}

// The kept index of the path, built on first use. Threads asking for an
// index being built wait for it (they need it too); nobody else does.
std::shared_ptr<Index> cachedIndex(const QPainterPath& path)
{
    Cache& c = cache();
    std::shared_ptr<Index> e;
    {
        const std::shared_lock<std::shared_mutex> lock(c.mutex);
        e = findIndex(c, path);
    }
    // Freed once the lock is let go (declared before it).
    std::vector<std::shared_ptr<Index>> evicted;
    if (!e) {
        const std::unique_lock<std::shared_mutex> lock(c.mutex);
        e = findIndex(c, path);
        if (!e) {
            e = std::make_shared<Index>();
            e->path = path;
            c.entries.push_back(e);
            c.elements += path.elementCount();
            while (c.entries.size() > 1 && (c.entries.size() > kMaxPaths || c.elements > kMaxCachedElements)) {
                auto oldest = std::min_element(c.entries.begin(), c.entries.end(),
                    [&e](const auto& a, const auto& b) { return a != e && (b == e || a->lastUse < b->lastUse); });
                c.elements -= (*oldest)->path.elementCount();
                evicted.push_back(std::move(*oldest));
                c.entries.erase(oldest);
            }
        }
    }
    e->lastUse.store(c.clock.fetch_add(1, std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    std::call_once(e->built, [&e] { buildIndex(*e); });
    return e;
}

bool usable(const QTransform& t)
{
    return t.isAffine() && std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21())
        && std::isfinite(t.m22()) && std::isfinite(t.dx()) && std::isfinite(t.dy())
        && t.m11() * t.m22() - t.m12() * t.m21() != 0;
}

inline QPointF mapped(const QTransform& t, double x, double y)
{
    return QPointF(t.m11() * x + t.m21() * y + t.dx(), t.m12() * x + t.m22() * y + t.dy());
}

Box mapBox(const Box& b, const QTransform& t)
{
    const QPointF a = mapped(t, b.x0, b.y0), c = mapped(t, b.x1, b.y1);
    Box out = pointBox(a.x(), a.y());
    out.add(c.x(), c.y());
    if (t.m12() != 0 || t.m21() != 0) {
        const QPointF d = mapped(t, b.x0, b.y1), e = mapped(t, b.x1, b.y0);
        out.add(d.x(), d.y());
        out.add(e.x(), e.y());
    }
    return out;
}

// Wholly on the far side of one edge of the rectangle.
inline bool outside(const Box& b, const QRectF& r)
{
    return b.x1 < r.left() || b.x0 > r.right() || b.y1 < r.top() || b.y0 > r.bottom();
}

// Every this many rows and columns of a frame, counted from its first, the
// fills the painter draws here are cut whether they need it or not: a cut
// moves the edges it crosses by a rounding, so a band of the frame, which
// clips what it draws at such lines, must meet every cut the frame drawn in
// one piece makes, and no other.
constexpr int kGridPixels = 64;
// Paths are measured for reaching far against blocks of this many frame
// rows, the same block for every band of a frame no taller than that.
constexpr int kFarBlockRows = 8192;

long long floorTo(double v, int step)
{
    return (long long)std::floor(v / step) * step;
}

long long ceilTo(double v, int step)
{
    return (long long)std::ceil(v / step) * step;
}

// The painter's device as a part of a frame: its size in the painter's
// logical coordinates, its pixels per logical unit and the frame row of its
// first row (0 but for a band of a frame, see CoverageFill::KeptRows).
struct Place {
    QRectF device;
    double ratio = 1;
    int frameTop = 0;
    double x(long long column) const { return double(column) / ratio; }
    double y(long long row) const { return double(row - frameTop) / ratio; }
};

bool placeOf(QPainter& painter, Place& place)
{
    QPaintDevice* device = painter.device();
    if (!device || device->width() <= 0 || device->height() <= 0)
        return false;
    place.ratio = device->devicePixelRatio();
    if (!(place.ratio > 0) || !std::isfinite(place.ratio))
        return false;
    place.device = QRectF(0, 0, device->width() / place.ratio, device->height() / place.ratio);
    if (device->devType() == QInternal::Image)
        place.frameTop = CoverageFill::KeptRows::frameTop(*static_cast<QImage*>(device));
    return true;
}

// The part of the device the painter draws on now (its clip included), in
// the painter's logical coordinates.
QRectF targetOf(QPainter& painter, const Place& place)
{
    QRectF rect = place.device;
    if (painter.hasClipping())
        rect &= painter.transform().mapRect(painter.clipBoundingRect());
    return rect;
}

// Whole frame pixels [c0, c1) x [r0, r1).
struct Region {
    long long c0 = 0, r0 = 0, c1 = 0, r1 = 0;
};

// The frame's grid cells that hold the rectangle (logical) grown by two
// pixels; empty for an empty rectangle.
Region regionOf(const QRectF& rect, const Place& place)
{
    Region r;
    if (!(rect.width() > 0 && rect.height() > 0))
        return r;
    r.c0 = floorTo(std::floor(rect.left() * place.ratio) - 2, kGridPixels);
    r.c1 = ceilTo(std::ceil(rect.right() * place.ratio) + 2, kGridPixels);
    r.r0 = floorTo(std::floor(rect.top() * place.ratio) - 2 + place.frameTop, kGridPixels);
    r.r1 = ceilTo(std::ceil(rect.bottom() * place.ratio) + 2 + place.frameTop, kGridPixels);
    return r;
}

QRectF logicalRect(const Region& r, const Place& place)
{
    return QRectF(QPointF(place.x(r.c0), place.y(r.r0)), QPointF(place.x(r.c1), place.y(r.r1)));
}

// Whether the path reaches farther than kFarPixels beyond the block of
// frame rows the device lies in (and its columns). The bounds are the
// path's own, kept inside it once worked out.
bool reachesFar(const QPainterPath& path, const QTransform& t, const Place& place)
{
    const QRectF r = path.controlPointRect();
    const Box b = mapBox(Box{r.left(), r.top(), r.right(), r.bottom()}, t);
    const double top = floorTo(place.frameTop, kFarBlockRows);
    const double bottom = ceilTo(place.frameTop + place.device.height() * place.ratio, kFarBlockRows);
    const QRectF area(QPointF(place.device.left(), place.y((long long)top)), QPointF(place.device.right(), place.y((long long)bottom)));
    const QRectF safe = area.adjusted(-kFarPixels, -kFarPixels, kFarPixels, kFarPixels);
    return !(b.x0 >= safe.left() && b.x1 <= safe.right() && b.y0 >= safe.top() && b.y1 <= safe.bottom());
}

// Whether the stroke's ink, reach (device pixels) past its path, spans
// more than kWideStrokePixels on the device either way: from the linear
// part alone, the same wherever the area drawn lies.
bool reachesWide(const QPainterPath& path, const QTransform& t, double reach)
{
    const QRectF r = QTransform(t.m11(), t.m12(), t.m21(), t.m22(), 0, 0).mapRect(path.controlPointRect());
    return !(r.width() + 2 * reach <= kWideStrokePixels && r.height() + 2 * reach <= kWideStrokePixels);
}

} // namespace

void flattenOutline(const QPainterPath& path, const QTransform& t, std::vector<QPointF>& points, std::vector<int>& counts)
{
    size_t start = points.size();
    auto close = [&] {
        if (points.size() - start >= 3 && points.size() - start <= size_t(std::numeric_limits<int>::max()))
            counts.push_back(int(points.size() - start));
        else
            points.resize(start);
        start = points.size();
    };
    const int n = path.elementCount();
    for (int i = 0; i < n;) {
        const QPainterPath::Element e = path.elementAt(i);
        const QPointF p = mapped(t, e.x, e.y);
        if (e.type == QPainterPath::CurveToElement && i + 2 < n && points.size() > start) {
            const QPainterPath::Element e2 = path.elementAt(i + 1), e3 = path.elementAt(i + 2);
            flattenCubic(points.back(), p, mapped(t, e2.x, e2.y), mapped(t, e3.x, e3.y), kDirectFlatness, points);
            i += 3;
            continue;
        }
        if (e.type == QPainterPath::MoveToElement)
            close();
        points.push_back(p);
        ++i;
    }
    close();
}

namespace {

// Appends the chunk's points after its first, mapped by t, curves
// flattened; whether it held any curve.
bool appendChunk(const QPainterPath& p, const Chunk& c, const QTransform& t, double flatness, Points& out)
{
    bool curves = false;
    const QPainterPath::Element start = p.elementAt(c.first);
    QPointF current = mapped(t, start.x, start.y);
    for (int j = c.first + 1; j <= c.last;) {
        const QPainterPath::Element e = p.elementAt(j);
        if (e.type == QPainterPath::CurveToElement && j + 2 <= c.last) {
            const QPainterPath::Element e2 = p.elementAt(j + 1);
            const QPainterPath::Element e3 = p.elementAt(j + 2);
            const QPointF end = mapped(t, e3.x, e3.y);
            flattenCubic(current, mapped(t, e.x, e.y), mapped(t, e2.x, e2.y), end, flatness, out);
            current = end;
            curves = true;
            j += 3;
        } else {
            current = mapped(t, e.x, e.y);
            out.push_back(current);
            ++j;
        }
    }
    return curves;
}

// Appends the points of in[1..n) that keep the polyline within
// `tolerance` of the original (its last point always). Each kept segment
// runs from its anchor in a direction that passes every skipped point by
// at most 0.8 of the tolerance, and ends at most 0.6 of it short of the
// farthest skipped point: none lies farther from the segment than
// sqrt(0.8^2 + 0.6^2) = 1 times the tolerance. One pass, one square root
// per point: the cone of directions is bounded by vectors only ever
// compared by the sign of cross products, so they need no length.
void simplify(const QPointF* in, size_t n, double tolerance, Points& out)
{
    if (n < 2)
        return;
    const double side = 0.8 * tolerance, slack = 0.6 * tolerance;
    const double side2 = side * side;
    QPointF a = in[0];
    size_t i = 1;
    while (i < n) {
        bool cone = false;
        double lox = 0, loy = 0, hix = 0, hiy = 0;
        // The farthest skipped point's squared distance, and (worked out
        // when needed) how near a later end may come back: (reach -
        // slack)^2, or -1 when nearer is fine.
        double reach2 = 0, back2 = -1;
        bool backKnown = true;
        size_t lastOk = i, j = i;
        for (; j < n; ++j) {
            const double vx = in[j].x() - a.x(), vy = in[j].y() - a.y();
            const double r2 = vx * vx + vy * vy;
            if (r2 < reach2) {
                if (!backKnown) {
                    const double reach = std::sqrt(reach2);
                    back2 = reach > slack ? (reach - slack) * (reach - slack) : -1;
                    backKnown = true;
                }
                if (r2 < back2)
                    break; // turned back past a skipped point
            }
            const bool near = r2 <= side2;
            if (cone && (lox * vy - loy * vx < 0 || vx * hiy - vy * hix < 0)) {
                // Off every direction left: a point this near the anchor
                // still passes as skipped, but may not end the segment.
                if (near)
                    continue;
                break;
            }
            lastOk = j;
            if (near)
                continue;
            // The directions passing the point within `side`: v turned by
            // -+asin(side / r), each scaled by r^2.
            const double c = std::sqrt(r2 - side2);
            const double nlx = vx * c + vy * side, nly = -vx * side + vy * c;
            const double nhx = vx * c - vy * side, nhy = vx * side + vy * c;
            if (!cone) {
                lox = nlx, loy = nly, hix = nhx, hiy = nhy;
                cone = true;
            } else {
                if (lox * nly - loy * nlx > 0)
                    lox = nlx, loy = nly;
                if (nhx * hiy - nhy * hix > 0)
                    hix = nhx, hiy = nhy;
            }
            if (r2 > reach2) {
                reach2 = r2;
                backKnown = false;
            }
        }
        if (j == n && lastOk == n - 1) {
            out.push_back(in[n - 1]);
            return;
        }
        out.push_back(in[lastOk]);
        a = in[lastOk];
        i = lastOk + 1;
    }
}

const Points& levelPoints(const Index& index, Level& level, size_t chunk)
{
    std::atomic<Points*>& slot = level.chunks[chunk];
    if (Points* p = slot.load(std::memory_order_acquire))
        return *p;
    const Chunk& c = index.chunks[chunk];
    // Built in scratch kept per thread, and kept in one allocation of the
    // size it came to.
    thread_local Points flat, kept;
    flat.clear();
    kept.clear();
    flat.push_back(pointAt(index.path, c.first));
    // Curves are flattened within a quarter of the tolerance, and the
    // points simplified within the rest; straight lines within all of it.
    const double flatness = level.tolerance / 4;
    bool curves = true;
    if (c.allCurves && 0.5625 * c.bend <= flatness * flatness) {
        // What appendChunk gives for curves this flat: their end points.
        for (int j = c.first + 3; j <= c.last; j += 3)
            flat.push_back(pointAt(index.path, j));
    } else {
        curves = appendChunk(index.path, c, QTransform(), flatness, flat);
    }
    simplify(flat.data(), flat.size(), curves ? level.tolerance - flatness : level.tolerance, kept);
    auto fresh = std::make_unique<Points>(kept.begin(), kept.end());
    Points* expected = nullptr;
    if (slot.compare_exchange_strong(expected, fresh.get(), std::memory_order_acq_rel))
        return *fresh.release();
    return *expected;
}

// The level of detail for drawing under t; null where there is none.
std::shared_ptr<Level> levelFor(Index& index, const QTransform& t)
{
    const double scale = largestStretch(t);
    if (!(scale > 0) || !std::isfinite(scale))
        return nullptr;
    // Half-octave zoom steps, rounded up so that the tolerance never grows
    // past kTolerancePixels on the device.
    const double step = std::ceil(std::log2(scale) * 2);
    if (!(std::abs(step) < 4000))
        return nullptr;
    const int key = int(step);
    auto find = [&index, key]() -> std::shared_ptr<Level> {
        for (const std::shared_ptr<Level>& l : index.levels)
            if (l->key == key) {
                l->lastUse.store(index.lastUse.load(std::memory_order_relaxed), std::memory_order_relaxed);
                return l;
            }
        return nullptr;
    };
    {
        const std::shared_lock<std::shared_mutex> lock(index.levelsMutex);
        if (std::shared_ptr<Level> found = find())
            return found;
    }
    const std::unique_lock<std::shared_mutex> lock(index.levelsMutex);
    if (std::shared_ptr<Level> found = find())
        return found;
    auto level = std::make_shared<Level>(key, index.chunks.size(), kTolerancePixels / std::exp2(key / 2.0));
    level->lastUse.store(index.lastUse.load(std::memory_order_relaxed), std::memory_order_relaxed);
    index.levels.push_back(level);
    if (index.levels.size() > kLevelsPerPath) {
        auto oldest = std::min_element(index.levels.begin(), index.levels.end() - 1,
            [](const auto& a, const auto& b) { return a->lastUse < b->lastUse; });
        index.levels.erase(oldest);
    }
    return level;
}

// The chunk's points after its first, on the device.
void emitChunk(const Index& index, size_t chunk, Level* level, const QTransform& t, Points& out)
{
    if (!level) {
        appendChunk(index.path, index.chunks[chunk], t, kExactFlatness, out);
        return;
    }
    for (const QPointF& p : levelPoints(index, *level, chunk))
        out.push_back(mapped(t, p.x(), p.y()));
}

// One Sutherland-Hodgman stage: keeps the side of a line where `inside`
// holds; `cross` gives where an edge meets the line.
template <class Inside, class Cross>
void clipStage(const Points& in, Points& out, Inside inside, Cross cross)
{
    out.clear();
    if (in.empty())
        return;
    QPointF previous = in.back();
    bool previousIn = inside(previous);
    for (const QPointF& p : in) {
        const bool pIn = inside(p);
        if (pIn != previousIn)
            out.push_back(cross(previous, p));
        if (pIn)
            out.push_back(p);
        previous = p;
        previousIn = pIn;
    }
}

// Where the edge meets the line, worked out from its end nearer to the line:
// an edge from far away still lands exactly where it crosses the view.
QPointF atY(QPointF a, QPointF b, double y)
{
    if (std::abs(b.y() - y) < std::abs(a.y() - y))
        std::swap(a, b);
    const double t = (y - a.y()) / (b.y() - a.y());
    return QPointF(a.x() + t * (b.x() - a.x()), y);
}

QPointF atX(QPointF a, QPointF b, double x)
{
    if (std::abs(b.x() - x) < std::abs(a.x() - x))
        std::swap(a, b);
    const double t = (x - a.x()) / (b.x() - a.x());
    return QPointF(x, a.y() + t * (b.y() - a.y()));
}

// The part of the segment inside the rectangle; false when none.
bool clipSegment(QPointF& a, QPointF& b, const QRectF& r)
{
    // One side at a time: none left when both ends lie beyond it, else the
    // end beyond it moved onto it.
    auto side = [&a, &b](auto beyond, auto onto) {
        const bool aBeyond = beyond(a), bBeyond = beyond(b);
        if (aBeyond && bBeyond)
            return false;
        if (aBeyond)
            a = onto(a, b);
        else if (bBeyond)
            b = onto(a, b);
        return true;
    };
    return side([&r](QPointF p) { return p.x() < r.left(); }, [&r](QPointF p, QPointF q) { return atX(p, q, r.left()); })
        && side([&r](QPointF p) { return p.x() > r.right(); }, [&r](QPointF p, QPointF q) { return atX(p, q, r.right()); })
        && side([&r](QPointF p) { return p.y() < r.top(); }, [&r](QPointF p, QPointF q) { return atY(p, q, r.top()); })
        && side([&r](QPointF p) { return p.y() > r.bottom(); }, [&r](QPointF p, QPointF q) { return atY(p, q, r.bottom()); });
}

void clipAbove(const Points& in, Points& out, double y) // keeps y <= bound
{
    clipStage(in, out, [y](QPointF p) { return p.y() <= y; }, [y](QPointF a, QPointF b) { return atY(a, b, y); });
}

void clipBelow(const Points& in, Points& out, double y) // keeps y >= bound
{
    clipStage(in, out, [y](QPointF p) { return p.y() >= y; }, [y](QPointF a, QPointF b) { return atY(a, b, y); });
}

// The closed polygon clipped to the rectangle (winding numbers inside it
// kept); `in` is used as scratch.
void clipToRect(Points& in, Points& out, const QRectF& r)
{
    Box b = pointBox(in.front().x(), in.front().y());
    for (const QPointF& p : in)
        b.add(p.x(), p.y());
    if (b.x0 < r.left()) {
        clipStage(in, out, [x = r.left()](QPointF p) { return p.x() >= x; },
            [x = r.left()](QPointF a, QPointF c) { return atX(a, c, x); });
        in.swap(out);
    }
    if (b.x1 > r.right()) {
        clipStage(in, out, [x = r.right()](QPointF p) { return p.x() <= x; },
            [x = r.right()](QPointF a, QPointF c) { return atX(a, c, x); });
        in.swap(out);
    }
    if (b.y0 < r.top()) {
        clipBelow(in, out, r.top());
        in.swap(out);
    }
    if (b.y1 > r.bottom()) {
        clipAbove(in, out, r.bottom());
        in.swap(out);
    }
    out.swap(in);
}

// Fills the contours, which lie in the region (whole frame pixels, its
// rows on the grid), cutting it at every grid row inside it, and then each
// grid strip in two along whole pixel rows or columns (the longer way)
// while it holds many of the path's own points: the scan converter's cost
// grows with the edges it walks per band of rows and with the cells it
// meets per row. The path's points in a strip are the same for every band
// of a frame that draws the strip (the contours are not: a band's are cut
// elsewhere outside it), so the frame is cut at the same places in all.
void fillPolygons(QPainter& painter, std::vector<Points>& contours, Points& points, Qt::FillRule rule, const Place& place,
    const Region& region)
{
    size_t edges = 0;
    for (const Points& c : contours)
        edges += c.size();
    if (edges == 0)
        return;
    // At a grid row inside the region; else, in one strip of many points,
    // across its longer side.
    bool rows = true;
    long long mid = floorTo(double(region.r0 + region.r1) / 2, kGridPixels);
    if (mid <= region.r0)
        mid += kGridPixels;
    bool cut = mid < region.r1;
    if (!cut && points.size() > size_t(kEdgesPerFill)) {
        rows = region.r1 - region.r0 >= region.c1 - region.c0;
        mid = rows ? region.r0 + (region.r1 - region.r0) / 2 : region.c0 + (region.c1 - region.c0) / 2;
        cut = mid > (rows ? region.r0 : region.c0);
    }
    if (cut) {
        const double at = rows ? place.y(mid) : place.x(mid);
        auto along = [rows](QPointF p) { return rows ? p.y() : p.x(); };
        std::vector<Points> first, second;
        Points piece;
        for (Points& c : contours) {
            double lo = along(c.front()), hi = lo;
            for (const QPointF& p : c) {
                lo = std::min(lo, along(p));
                hi = std::max(hi, along(p));
            }
            if (hi <= at) {
                first.push_back(std::move(c));
                continue;
            }
            if (lo >= at) {
                second.push_back(std::move(c));
                continue;
            }
            if (rows)
                clipAbove(c, piece, at);
            else
                clipStage(c, piece, [at](QPointF p) { return p.x() <= at; }, [at](QPointF a, QPointF b) { return atX(a, b, at); });
            if (piece.size() >= 3)
                first.push_back(piece);
            if (rows)
                clipBelow(c, piece, at);
            else
                clipStage(c, piece, [at](QPointF p) { return p.x() >= at; }, [at](QPointF a, QPointF b) { return atX(a, b, at); });
            if (piece.size() >= 3)
                second.push_back(piece);
        }
        contours = {};
        Points before;
        auto split = std::partition(points.begin(), points.end(), [&](QPointF p) { return along(p) < at; });
        before.assign(points.begin(), split);
        points.erase(points.begin(), split);
        Region a = region, b = region;
        if (rows)
            a.r1 = b.r0 = mid;
        else
            a.c1 = b.c0 = mid;
        fillPolygons(painter, first, before, rule, place, a);
        fillPolygons(painter, second, points, rule, place, b);
        return;
    }
    if (contours.size() == 1 && contours.front().size() <= size_t(std::numeric_limits<int>::max())) {
        painter.drawPolygon(contours.front().data(), int(contours.front().size()), rule);
    } else {
        QPainterPath path;
        path.setFillRule(rule);
        for (const Points& c : contours) {
            path.moveTo(c.front());
            for (size_t i = 1; i < c.size(); ++i)
                path.lineTo(c[i]);
            path.closeSubpath();
        }
        painter.drawPath(path);
    }
    handed.elements += std::int64_t(edges);
    ++handed.calls;
}

// The contours clipped to the region, filled by the painter's brush in
// pieces cut on the frame's grid; `points` are the path's own (on the
// device), which tell where it is dense.
void fillClipped(QPainter& painter, std::vector<Points>& contours, const Points& points, Qt::FillRule rule, const Place& place,
    const Region& region)
{
    const QRectF rect = logicalRect(region, place);
    Points inside;
    for (const QPointF& p : points)
        if (p.x() >= rect.left() && p.x() < rect.right() && p.y() >= rect.top() && p.y() < rect.bottom())
            inside.push_back(p);
    std::vector<Points> kept;
    Points clipped;
    for (Points& c : contours) {
        if (c.size() < 3)
            continue;
        clipToRect(c, clipped, rect);
        if (clipped.size() >= 3)
            kept.push_back(std::move(clipped));
        clipped = Points();
    }
    contours = {};
    fillPolygons(painter, kept, inside, rule, place, region);
}

// A run of the outline that reaches the guard band, on the device, with
// the length of the path before it (in the path's coordinates).
struct Run {
    Points points;
    double before = 0;
    bool closed = false;
    // Whether it begins or ends where the guard cut the path, and the far
    // end of the segment cut there.
    bool cutStart = false, cutEnd = false;
    QPointF cutFrom, cutTo;
};

// Appends the closed contours of the outline, mapped by t, curves
// flattened within kDirectFlatness.
// The contours written straight into the image, counted as handed, and
// the painter's saved state restored; false, having drawn nothing and
// restored nothing, where that is not allowed.
bool fillContoursDirect(QPainter& painter, QImage& image, const std::vector<Points>& contours, const QTransform& toPixels,
    Qt::FillRule rule, const QColor& color)
{
    if (!CoverageFill::fill(image, contours, toPixels, rule, color,
            painter.compositionMode() == QPainter::CompositionMode_DestinationOut))
        return false;
    painter.restore();
    for (const Points& c : contours)
        handed.elements += std::int64_t(c.size());
    ++handed.direct;
    return true;
}

void appendContours(const QPainterPath& outline, const QTransform& t, std::vector<Points>& out)
{
    thread_local Points points;
    thread_local std::vector<int> counts;
    points.clear();
    counts.clear();
    flattenOutline(outline, t, points, counts);
    size_t at = 0;
    for (int count : counts) {
        out.emplace_back(points.begin() + std::ptrdiff_t(at), points.begin() + std::ptrdiff_t(at + size_t(count)));
        at += size_t(count);
    }
}


thread_local bool drawingOneOff = false;

// The index to draw the path by: the kept one for a huge path, else a
// fresh one in `local` (so too for a huge path drawn once, not kept).
const Index* indexFor(const QPainterPath& path, std::shared_ptr<Index>& kept, Index& local)
{
    if (path.elementCount() >= kHugeElements) {
        if (drawingOneOff) {
            Cache& c = cache();
            const std::shared_lock<std::shared_mutex> lock(c.mutex);
            kept = findIndex(c, path);
        }
        if (!drawingOneOff || kept) {
            if (!kept)
                kept = cachedIndex(path);
            return kept.get();
        }
    }
    local.path = path;
    buildIndex(local);
    return &local;
}

} // namespace

bool fill(QPainter& painter, const QPainterPath& path, const QTransform& toDevice, Qt::FillRule rule, const QBrush& brush, bool exact)
{
    handed = Handed();
    const int n = path.elementCount();
    Place place;
    if (n == 0 || !usable(toDevice) || !placeOf(painter, place) || (n < kHugeElements && !reachesFar(path, toDevice, place)))
        return false;
    const QRectF target = targetOf(painter, place);
    std::shared_ptr<Index> kept;
    Index local;
    const Index* index = indexFor(path, kept, local);
    // Picking draws into a single pixel at the frame's level of detail,
    // clipped close about it.
    const bool pick = target.width() <= 2 && target.height() <= 2;
    exact = exact || !kept;
    const std::shared_ptr<Level> level = exact ? nullptr : levelFor(*kept, toDevice);

    painter.save();
    painter.setTransform(QTransform());
    // A solid fill of a frame's image is written straight into its pixels:
    // the scan converter's cost grows with the edges per row and the cells
    // per edge, which a pour has many of.
    QTransform toPixels;
    QImage* image = target.width() > 2 || target.height() > 2 ? CoverageFill::target(painter, brush, toPixels) : nullptr;

    // Written straight into the pixels, the outline is cut only at the
    // sides (of a guard band of whole pixels): a cut above or below would
    // move the edges that cross into the area drawn by a rounding, and that
    // area is a band of a frame whose other bands are cut elsewhere. (The
    // sweep takes far coordinates and only visits the rows drawn; chunks
    // beyond the guard still become chords, which cross none of those
    // rows.) The painter is given the grid cells about the area drawn.
    const Region region = regionOf(target, place);
    const QRectF guard = image ? QRectF(QPointF(std::floor(target.left()) - 2, std::floor(target.top()) - 2),
                                     QPointF(std::ceil(target.right()) + 2, std::ceil(target.bottom()) + 2))
                         : pick ? target.adjusted(-2, -2, 2, 2) : logicalRect(region, place);
    const QRectF cut = image ? QRectF(QPointF(guard.left(), -std::numeric_limits<double>::max() / 4),
                                   QPointF(guard.right(), std::numeric_limits<double>::max() / 4))
                             : guard;
    std::vector<Points> contours;
    Points raw, clipped, own;
    for (const Subpath& s : index->subpaths) {
        // A subpath wholly beyond one edge winds no point inside.
        if (outside(mapBox(s.bounds, toDevice), guard))
            continue;
        raw.clear();
        const QPointF start = pointAt(index->path, index->chunks[size_t(s.firstChunk)].first);
        raw.push_back(mapped(toDevice, start.x(), start.y()));
        for (int k = 0; k < s.chunkCount && !ModelGuard::stopRequested(); ++k) {
            const size_t ci = size_t(s.firstChunk + k);
            const Chunk& c = index->chunks[ci];
            if (outside(mapBox(c.bounds, toDevice), guard)) {
                // Its points and the straight way back enclose nothing inside.
                const QPointF end = pointAt(index->path, c.last);
                raw.push_back(mapped(toDevice, end.x(), end.y()));
                continue;
            }
            emitChunk(*index, ci, level.get(), toDevice, raw);
        }
        if (!image)
            own.insert(own.end(), raw.begin(), raw.end());
        clipToRect(raw, clipped, cut);
        if (clipped.size() >= 3)
            contours.push_back(std::move(clipped));
        clipped = Points();
    }
    // A frame asked to stop is not shown: the rest is left undrawn.
    if (ModelGuard::stopRequested()) {
        painter.restore();
        return true;
    }
    if (image && fillContoursDirect(painter, *image, contours, toPixels, rule, brush.color()))
        return true;
    painter.setPen(Qt::NoPen);
    QBrush deviceBrush = brush;
    if (brush.style() != Qt::SolidPattern && brush.style() != Qt::NoBrush)
        deviceBrush.setTransform(brush.transform() * toDevice);
    painter.setBrush(deviceBrush);
    if (image) {
        // Written as the painter would after all.
        for (const Points& c : contours)
            own.insert(own.end(), c.begin(), c.end());
    }
    fillClipped(painter, contours, own, rule, place, region);
    painter.restore();
    return true;
}

namespace {

// Thin solid lines of huge paths whose points crowd within a few device
// pixels (a zig-zag of a million points seen whole) are stroked as the
// span their points cover: consecutive points of a chunk in one column (or
// row) of a grid of kCellsPerPixel to a device pixel give way to the first,
// the two farthest apart along it and the last, in their order. The
// polyline then keeps within one cell of every point and the original
// within one cell of it, and a stroke of either covers the same pixels
// within that; the level of detail cannot thin such a path, whose every
// point turns back. The grid is fixed to the frame's pixels and the
// chunks to the path, so every band groups alike.
constexpr int kCellsPerPixel = 8;
constexpr double kCrowdedWidthPixels = 4;

// The points (on the device; the first and last kept) grouped so.
void mergeCrowded(Points& points, Points& out, const Place& place, bool alongColumns)
{
    const size_t n = points.size();
    if (n < 8)
        return;
    const double scale = place.ratio * kCellsPerPixel;
    const double offset = alongColumns ? 0 : double(place.frameTop) * kCellsPerPixel;
    auto cell = [&](QPointF p) { return std::floor((alongColumns ? p.x() : p.y()) * scale + offset); };
    auto along = [&](QPointF p) { return alongColumns ? p.y() : p.x(); };
    out.clear();
    out.push_back(points[0]);
    for (size_t i = 0; i < n;) {
        const double c = cell(points[i]);
        size_t j = i + 1;
        while (j < n && cell(points[j]) == c)
            ++j;
        if (j - i <= 4) {
            for (size_t k = std::max<size_t>(i, 1); k < j; ++k)
                out.push_back(points[k]);
        } else {
            size_t lo = i, hi = i;
            for (size_t k = i; k < j; ++k) {
                if (along(points[k]) < along(points[lo]))
                    lo = k;
                if (along(points[k]) > along(points[hi]))
                    hi = k;
            }
            if (i > 0)
                out.push_back(points[i]);
            const size_t first = std::min(lo, hi), second = std::max(lo, hi);
            if (first != i && first != j - 1)
                out.push_back(points[first]);
            if (second != first && second != i && second != j - 1)
                out.push_back(points[second]);
            out.push_back(points[j - 1]);
        }
        i = j;
    }
    if (out.size() < n)
        points.swap(out);
}

// The runs of the subpaths mapped by toDevice that come within the guard,
// cut where they leave it; for a dashed pen (back maps the device to the
// path's coordinates), each with the length of the path before it.
std::vector<Run> runsWithin(const Index& index, Level* level, const QTransform& toDevice, const QTransform& back,
    const QRectF& guard, bool dashed, const Place* crowded = nullptr)
{
    std::vector<Run> runs;
    Points chunkPoints, merged;
    for (const Subpath& s : index.subpaths) {
        if (!dashed && outside(mapBox(s.bounds, toDevice), guard))
            continue;
        const size_t firstRun = runs.size();
        bool broken = false;
        double length = 0;
        Run current;
        const QPointF start = pointAt(index.path, index.chunks[size_t(s.firstChunk)].first);
        QPointF previous = mapped(toDevice, start.x(), start.y());
        const QPointF first = previous;
        bool startsRun = true; // the first run begins at the subpath's start
        current.points.push_back(previous);
        auto finish = [&](QPointF restart, double before) {
            current.cutEnd = true;
            if (current.points.size() >= 2)
                runs.push_back(std::move(current));
            else if (runs.size() == firstRun)
                startsRun = false;
            current = Run();
            current.points.push_back(restart);
            current.before = before;
            current.cutStart = true;
            broken = true;
        };
        auto pathLength = [&](QPointF a, QPointF b) {
            if (!dashed)
                return 0.0;
            const QPointF d = back.map(b) - back.map(a);
            return std::hypot(d.x(), d.y());
        };
        for (int k = 0; k < s.chunkCount && !ModelGuard::stopRequested(); ++k) {
            const size_t ci = size_t(s.firstChunk + k);
            const Chunk& c = index.chunks[ci];
            if (!dashed && outside(mapBox(c.bounds, toDevice), guard)) {
                const QPointF end = pointAt(index.path, c.last);
                previous = mapped(toDevice, end.x(), end.y());
                finish(previous, 0);
                continue;
            }
            chunkPoints.clear();
            chunkPoints.push_back(previous);
            emitChunk(index, ci, level, toDevice, chunkPoints);
            if (crowded) {
                mergeCrowded(chunkPoints, merged, *crowded, true);
                mergeCrowded(chunkPoints, merged, *crowded, false);
            }
            for (size_t pi = 1; pi < chunkPoints.size(); ++pi) {
                const QPointF q = chunkPoints[pi];
                const double step = pathLength(previous, q);
                const bool inside = previous.x() >= guard.left() && previous.x() <= guard.right() && previous.y() >= guard.top()
                    && previous.y() <= guard.bottom() && q.x() >= guard.left() && q.x() <= guard.right() && q.y() >= guard.top()
                    && q.y() <= guard.bottom();
                if (inside) {
                    current.points.push_back(q);
                } else {
                    QPointF a = previous, b = q;
                    if (!clipSegment(a, b, guard)) {
                        finish(q, length + step);
                    } else {
                        if (a != previous) {
                            finish(a, length + pathLength(previous, a));
                            current.cutFrom = previous;
                        }
                        current.points.push_back(b);
                        if (b != q) {
                            current.cutTo = q;
                            finish(q, length + step);
                        }
                    }
                }
                length += step;
                previous = q;
            }
        }
        if (!broken) {
            current.closed = s.closed;
            runs.push_back(std::move(current));
            continue;
        }
        if (current.points.size() >= 2)
            runs.push_back(std::move(current));
        // A closed outline cut open: the pieces at its start and its end
        // are one, joined where it started.
        if (s.closed && startsRun && runs.size() > firstRun + 1 && runs.back().points.back() == first
            && runs[firstRun].points.front() == first) {
            Run& last = runs.back();
            Run& head = runs[firstRun];
            last.points.insert(last.points.end(), head.points.begin() + 1, head.points.end());
            head.points.swap(last.points);
            head.before = last.before;
            head.cutStart = last.cutStart;
            head.cutFrom = last.cutFrom;
            runs.pop_back();
        }
    }
    return runs;
}

// Outlines of solid lines, as the painter's stroker makes them (one
// contour per open run, two per closed one, inner joins through their
// vertex, filled by the winding rule) but without an angle worked out by
// trigonometry at each vertex: round joins and caps are arcs stepped by a
// fixed rotation, and the slight turns of a finely flattened curve step
// none. Points are in the outline's coordinates, whose unit the pen's
// width is given in; `tolerance` is how far an arc's chords may stray.
class Outliner {
public:
    // With throughVertex, every inner join goes by way of its vertex: where
    // the sides meet depends on how long the segments are, and a segment
    // cut about the area drawn is shorter in some bands than in others.
    Outliner(const QPen& pen, double width, double tolerance, bool throughVertex, std::vector<Points>& out)
        : h_(width / 2), cap_(pen.capStyle()), join_(pen.joinStyle()), limit_(std::max(pen.miterLimit(), 1.0)),
          throughVertex_(throughVertex), out_(out)
    {
        // The largest step whose chord strays no more than the tolerance.
        const double c = std::clamp(1 - tolerance / h_, -1.0, 1.0);
        const double step = std::max(2 * std::acos(c), 1e-3);
        cos_ = std::cos(step);
        sin_ = std::sin(step);
    }
    static bool takes(const QPen& pen)
    {
        const Qt::PenCapStyle cap = pen.capStyle();
        const Qt::PenJoinStyle join = pen.joinStyle();
        return pen.widthF() > 0 && (cap == Qt::FlatCap || cap == Qt::SquareCap || cap == Qt::RoundCap)
            && (join == Qt::BevelJoin || join == Qt::RoundJoin || join == Qt::SvgMiterJoin);
    }

    // A run of the path; one cut at an end (by the guard about the area
    // drawn) goes on past it, and its inner joins there are made as for the
    // whole segment cut (firstLength, lastLength), the same wherever the
    // cut lies.
    void add(const Points& run, bool closed, double firstLength, double lastLength)
    {
        points_.clear();
        for (const QPointF& p : run)
            if (points_.empty() || p != points_.back())
                points_.push_back(p);
        if (closed && points_.size() > 1 && points_.front() == points_.back())
            points_.pop_back();
        if (points_.size() == 1) {
            dot(points_.front());
            return;
        }
        if (points_.empty())
            return;
        if (closed && points_.size() > 2) {
            Points loop;
            side(points_, true, loop);
            out_.push_back(std::move(loop));
            std::reverse(points_.begin(), points_.end());
            loop = Points();
            side(points_, true, loop);
            out_.push_back(std::move(loop));
            return;
        }
        Points contour;
        side(points_, false, contour, firstLength, lastLength);
        cap(points_.back(), direction(points_[points_.size() - 2], points_.back()), contour);
        std::reverse(points_.begin(), points_.end());
        side(points_, false, contour, lastLength, firstLength);
        cap(points_.back(), direction(points_[points_.size() - 2], points_.back()), contour);
        out_.push_back(std::move(contour));
    }

private:
    static QPointF direction(QPointF a, QPointF b)
    {
        const QPointF d = b - a;
        return d / std::hypot(d.x(), d.y());
    }
    static QPointF left(QPointF d) { return QPointF(-d.y(), d.x()); }
    static double cross(QPointF a, QPointF b) { return a.x() * b.y() - a.y() * b.x(); }

    // The points of an arc about c of the radius from the unit offset a to
    // b, turning clockwise (right) or not, after a's point and before b's.
    void arc(QPointF c, QPointF a, QPointF b, bool clockwise, Points& out) const
    {
        const double s = clockwise ? -sin_ : sin_;
        QPointF v = a;
        for (int i = 0; i < 4096; ++i) {
            const QPointF next(v.x() * cos_ - v.y() * s, v.x() * s + v.y() * cos_);
            // Stop before passing b, or turning away from it (b lies
            // within half a turn).
            const double past = clockwise ? cross(next, b) : -cross(next, b);
            if (past > 0 || QPointF::dotProduct(next, b) < QPointF::dotProduct(v, b))
                return;
            v = next;
            out.push_back(c + h_ * v);
        }
    }

    // The left side of the polyline (distinct consecutive points) from its
    // first point's offset to its last's; a loop when closed.
    // (firstLength, lastLength: the lengths of the first and last segments
    // where they were cut, else 0.)
    void side(const Points& p, bool closed, Points& out, double firstLength = 0, double lastLength = 0) const
    {
        const size_t n = p.size();
        QPointF before = direction(p[closed ? n - 1 : 0], p[closed ? 0 : 1]);
        if (!closed)
            out.push_back(p[0] + h_ * left(before));
        double lengthBefore = std::hypot(p[closed ? 0 : 1].x() - p[closed ? n - 1 : 0].x(), p[closed ? 0 : 1].y() - p[closed ? n - 1 : 0].y());
        if (!closed && firstLength > 0)
            lengthBefore = std::max(lengthBefore, firstLength);
        for (size_t k = closed ? 0 : 1; k < (closed ? n : n - 1); ++k) {
            const QPointF at = p[k], next = p[(k + 1) % n];
            const double length = std::hypot(next.x() - at.x(), next.y() - at.y());
            const QPointF after = (next - at) / length;
            const double lengthAfter = !closed && lastLength > 0 && k + 2 == n ? std::max(length, lastLength) : length;
            join(at, before, after, lengthBefore, lengthAfter, out);
            before = after;
            lengthBefore = lengthAfter;
        }
        if (!closed)
            out.push_back(p[n - 1] + h_ * left(before));
    }

    void join(QPointF at, QPointF in, QPointF outDir, double lengthIn, double lengthOut, Points& out) const
    {
        const QPointF a = left(in), b = left(outDir);
        const double turn = cross(in, outDir);
        const double along = QPointF::dotProduct(in, outDir);
        if (turn == 0 && along > 0) {
            out.push_back(at + h_ * a);
            return;
        }
        if (turn > 0) {
            // A left turn: this side is the inner one. Where the two sides
            // meet within both segments, there; else by way of the vertex.
            const QPointF gap = h_ * (b - a);
            const double t = cross(gap, outDir) / turn, u = cross(gap, in) / turn;
            if (!throughVertex_ && t <= 0 && t >= -lengthIn && u >= 0 && u <= lengthOut) {
                out.push_back(at + h_ * a + t * in);
                return;
            }
            out.push_back(at + h_ * a);
            out.push_back(at);
            out.push_back(at + h_ * b);
            return;
        }
        out.push_back(at + h_ * a);
        if (join_ == Qt::RoundJoin) {
            arc(at, a, b, true, out);
        } else if (join_ == Qt::SvgMiterJoin && along > -1) {
            // Within the limit (miter length over width) the tip; else a bevel.
            const double ratio = std::sqrt(2 / (1 + QPointF::dotProduct(a, b)));
            if (ratio <= limit_)
                out.push_back(at + h_ * (a + b) / (1 + QPointF::dotProduct(a, b)));
        }
        out.push_back(at + h_ * b);
    }

    // The cap at the end e of a line running along d, from its left offset
    // (already in out) round to its right one.
    void cap(QPointF e, QPointF d, Points& out) const
    {
        const QPointF n = left(d);
        if (cap_ == Qt::SquareCap) {
            out.push_back(e + h_ * (n + d));
            out.push_back(e + h_ * (d - n));
        } else if (cap_ == Qt::RoundCap) {
            arc(e, n, d, true, out);
            out.push_back(e + h_ * d);
            arc(e, d, -n, true, out);
        }
    }

    // A run of one point: a square or a disc, as the painter draws a line
    // of no length.
    void dot(QPointF p)
    {
        Points c;
        if (cap_ == Qt::SquareCap) {
            c = {p + QPointF(-h_, -h_), p + QPointF(h_, -h_), p + QPointF(h_, h_), p + QPointF(-h_, h_)};
        } else if (cap_ == Qt::RoundCap) {
            c.push_back(p + QPointF(h_, 0));
            arc(p, QPointF(1, 0), QPointF(-1, 0), false, c);
            c.push_back(p + QPointF(-h_, 0));
            arc(p, QPointF(-1, 0), QPointF(1, 0), false, c);
        }
        if (c.size() >= 3)
            out_.push_back(std::move(c));
    }

    double h_;
    Qt::PenCapStyle cap_;
    Qt::PenJoinStyle join_;
    double limit_;
    bool throughVertex_;
    double cos_ = 1, sin_ = 0;
    Points points_;
    std::vector<Points>& out_;
};

// Solid lines at most this wide on the device are outlined by the Outliner
// with every inner join through its vertex (short edges for so thin a pen).
constexpr double kOutlinedThroughVertexPixels = 16;

// The contours of the pen's outline of the runs (device points), stroked
// in the coordinates `back` maps the device to (the device's own for a pen
// without width) and mapped back by toDevice: by the Outliner for runs
// every band of a frame cuts alike (shared) and for thin lines, else by the
// painter's stroker.
std::vector<Points> outlineRuns(const std::vector<Run>& runs, const QTransform& toDevice, const QTransform& back, const QPen& pen,
    bool dashed, double scale, double width, bool shared = false)
{
    const bool device = !(pen.widthF() > 0);
    QPen outlined = pen;
    if (device)
        outlined.setWidthF(1);
    const QTransform& toOutline = device ? QTransform() : back;
    // On a line this thin a round join covers the pixels a bevel does,
    // and costs the stroker an arc at every vertex.
    if (!dashed && pen.joinStyle() == Qt::RoundJoin
        && width <= kThinPixels)
        outlined.setJoinStyle(Qt::BevelJoin);
    auto add = [&](QPainterPath& out, const Run& run) {
        out.moveTo(toOutline.map(run.points.front()));
        for (size_t i = 1; i < run.points.size(); ++i)
            out.lineTo(toOutline.map(run.points[i]));
        if (run.closed)
            out.closeSubpath();
    };
    std::vector<Points> contours;
    auto outline = [&](const QPen& with, const QPainterPath& piece) {
        QPainterPathStroker stroker(with);
        // Curves flattened as finely on the device as the painter's stroker.
        if (!device)
            stroker.setCurveThreshold(0.25 / scale);
        appendContours(stroker.createStroke(piece), device ? QTransform() : toDevice, contours);
    };
    if (dashed) {
        for (const Run& run : runs) {
            QPainterPath piece;
            add(piece, run);
            QPen shifted = outlined;
            if (pen.widthF() > 0)
                shifted.setDashOffset(pen.dashOffset() + run.before / pen.widthF());
            outline(shifted, piece);
        }
    } else if ((shared || width <= kOutlinedThroughVertexPixels) && !device && Outliner::takes(outlined)) {
        // Arcs within a twentieth of a device pixel, in the outline's units.
        Outliner outliner(outlined, outlined.widthF(), 0.05 / scale, !shared, contours);
        const std::size_t from = contours.size();
        Points mapped;
        for (const Run& run : runs) {
            mapped.clear();
            for (const QPointF& q : run.points)
                mapped.push_back(toOutline.map(q));
            // The whole segments cut, in the outline's coordinates.
            auto whole = [&](QPointF from, QPointF to) {
                const QPointF d = toOutline.map(to) - toOutline.map(from);
                return std::hypot(d.x(), d.y());
            };
            outliner.add(mapped, run.closed, run.cutStart ? whole(run.cutFrom, run.points[1]) : 0,
                run.cutEnd ? whole(run.points[run.points.size() - 2], run.cutTo) : 0);
        }
        for (std::size_t i = from; i < contours.size(); ++i)
            for (QPointF& q : contours[i])
                q = toDevice.map(q);
    } else if (!runs.empty()) {
        QPainterPath all;
        for (const Run& run : runs)
            add(all, run);
        outline(outlined, all);
    }
    return contours;
}

// Outlines of wide solid strokes, each made once for all the bands of a
// frame (and kept for the frames after it at the same place): a pen wider
// than the view outlines the same runs in every band, and the outlining
// costs more than the filling of a band.
struct SharedOutline {
    std::vector<QPainterPath::Element> elements;
    QTransform toFrame;
    double width = 0, miterLimit = 0;
    Qt::PenCapStyle cap = Qt::FlatCap;
    Qt::PenJoinStyle join = Qt::BevelJoin;
    QRectF guard;
    bool exact = false;
    std::once_flag made;
    bool complete = false;
    // The outline on the frame, in logical coordinates.
    std::vector<Points> contours;
    std::uint64_t lastUse = 0;
};

constexpr size_t kSharedOutlines = 8;

struct SharedOutlines {
    std::mutex mutex;
    std::vector<std::shared_ptr<SharedOutline>> entries;
    std::uint64_t clock = 0;
};

SharedOutlines& sharedOutlines()
{
    static SharedOutlines s;
    return s;
}

bool sameElements(const std::vector<QPainterPath::Element>& kept, const QPainterPath& path)
{
    if (kept.size() != size_t(path.elementCount()))
        return false;
    for (size_t i = 0; i < kept.size(); ++i) {
        const QPainterPath::Element e = path.elementAt(int(i));
        if (e.x != kept[i].x || e.y != kept[i].y || e.type != kept[i].type)
            return false;
    }
    return true;
}

// The same placement on the frame: the bands' own transforms differ by
// their offsets, added back in a rounding of their own.
bool sameFramePlace(const QTransform& a, const QTransform& b)
{
    return a.m11() == b.m11() && a.m12() == b.m12() && a.m21() == b.m21() && a.m22() == b.m22()
        && std::abs(a.dx() - b.dx()) <= 1e-7 && std::abs(a.dy() - b.dy()) <= 1e-7;
}

std::shared_ptr<SharedOutline> sharedOutline(const QPainterPath& path, const QTransform& toFrame, const QPen& pen,
    const QRectF& guard, bool exact)
{
    SharedOutlines& s = sharedOutlines();
    const std::lock_guard<std::mutex> lock(s.mutex);
    for (const std::shared_ptr<SharedOutline>& e : s.entries) {
        if (e->width == pen.widthF() && e->miterLimit == pen.miterLimit() && e->cap == pen.capStyle() && e->join == pen.joinStyle()
            && e->exact == exact && e->guard == guard && sameFramePlace(e->toFrame, toFrame) && sameElements(e->elements, path)) {
            e->lastUse = ++s.clock;
            return e;
        }
    }
    auto e = std::make_shared<SharedOutline>();
    e->elements.reserve(size_t(path.elementCount()));
    for (int i = 0; i < path.elementCount(); ++i)
        e->elements.push_back(path.elementAt(i));
    e->toFrame = toFrame;
    e->width = pen.widthF();
    e->miterLimit = pen.miterLimit();
    e->cap = pen.capStyle();
    e->join = pen.joinStyle();
    e->guard = guard;
    e->exact = exact;
    e->lastUse = ++s.clock;
    if (s.entries.size() >= kSharedOutlines)
        s.entries.erase(std::min_element(
            s.entries.begin(), s.entries.end(), [](const auto& a, const auto& b) { return a->lastUse < b->lastUse; }));
    s.entries.push_back(e);
    return e;
}

void dropSharedOutline(const std::shared_ptr<SharedOutline>& e)
{
    SharedOutlines& s = sharedOutlines();
    const std::lock_guard<std::mutex> lock(s.mutex);
    std::erase(s.entries, e);
}

// Frame rows are grouped in blocks this tall (from 64 rows above the
// frame's top, where a band's grid region begins): every band of a frame
// within one block clips a wide stroke alike, and shares its outline.
constexpr int kSharedBlockRows = 2048;

} // namespace

bool strokes(QPainter& painter, const QPainterPath& path, const QTransform& toDevice, const QPen& pen)
{
    const int n = path.elementCount();
    Place place;
    const bool dashed = pen.style() != Qt::SolidLine;
    if (n == 0 || pen.style() == Qt::NoPen || !usable(toDevice) || !placeOf(painter, place))
        return false;
    const double scale = largestStretch(toDevice);
    // How far the ink reaches past the path on the device.
    const double reach = StrokeReach::ofPen(pen) * scale + StrokeReach::kDevicePixels;
    if (!std::isfinite(reach))
        return false;
    if ((n < kHugeElements || dashed) && !reachesFar(path, toDevice, place) && (dashed || !reachesWide(path, toDevice, reach)))
        return false;
    bool invertible = false;
    const QTransform back = toDevice.inverted(&invertible);
    return invertible && usable(back);
}

bool stroke(QPainter& painter, const QPainterPath& path, const QTransform& toDevice, const QPen& pen, bool exact)
{
    handed = Handed();
    if (!strokes(painter, path, toDevice, pen))
        return false;
    const int n = path.elementCount();
    Place place;
    placeOf(painter, place);
    const bool dashed = pen.style() != Qt::SolidLine;
    const double scale = largestStretch(toDevice);
    const double width = pen.widthF() > 0 ? pen.widthF() * scale : 1;
    const double reach = StrokeReach::ofPen(pen) * scale + StrokeReach::kDevicePixels;
    const QRectF target = targetOf(painter, place);
    const QTransform back = toDevice.inverted();
    // The grid cells about the area drawn are filled with the outline of
    // the runs of the path that come within the ink's reach of them: beyond
    // that reach the runs are cut, and their ends do not show. A pen's
    // width more: the stroker's outline about a short piece before a cut
    // end (shorter than the pen is wide) folds back over the joins next to
    // it, and a boundary drawn twice darkens its edge pixels.
    const Region region = regionOf(target, place);
    const bool pick = target.width() <= 2 && target.height() <= 2;
    const double margin = reach + width;
    const QRectF guard = (pick ? target.adjusted(-2, -2, 2, 2) : logicalRect(region, place)).adjusted(-margin, -margin, margin, margin);
    // The dashes follow the length along the path: a dashed path is only
    // cut when far, and keeps every vertex.
    std::shared_ptr<Index> kept;
    Index local;
    const Index* index = dashed ? nullptr : indexFor(path, kept, local);
    if (dashed) {
        local.path = path;
        buildIndex(local);
        index = &local;
    }
    exact = exact || dashed || !kept;
    const std::shared_ptr<Level> level = exact ? nullptr : levelFor(*kept, toDevice);

    painter.save();
    painter.setTransform(QTransform());
    painter.setPen(Qt::NoPen);
    painter.setBrush(pen.brush());
    // Into a frame's image the outline is written straight (the sweep is
    // exact in every row, wherever a band begins); else the painter fills it.
    QTransform toPixels;
    QImage* image = !pick ? CoverageFill::target(painter, pen.brush(), toPixels) : nullptr;

    // A solid pen whose ink reaches farther than a block of rows is cut
    // about the block the band lies in, on the frame: every band there
    // outlines the same runs, and one of them does it for all.
    if (image && !dashed && n < kHugeElements && margin > kGridPixels) {
        Region block = region;
        block.r0 = floorTo(double(region.r0 + kGridPixels), kSharedBlockRows) - kGridPixels;
        block.r1 = floorTo(double(region.r1 - 1 + kGridPixels), kSharedBlockRows) + kSharedBlockRows - kGridPixels;
        const QTransform toFrame = toDevice * QTransform::fromTranslate(0, place.frameTop / place.ratio);
        const QRectF frameGuard = QRectF(QPointF(place.x(block.c0), double(block.r0) / place.ratio),
            QPointF(place.x(block.c1), double(block.r1) / place.ratio)).adjusted(-margin, -margin, margin, margin);
        bool frameInvertible = false;
        const QTransform frameBack = toFrame.inverted(&frameInvertible);
        if (frameInvertible && usable(frameBack)) {
            const std::shared_ptr<SharedOutline> shared = sharedOutline(path, toFrame, pen, frameGuard, exact);
            std::call_once(shared->made, [&] {
                const std::vector<Run> runs = runsWithin(*index, level.get(), toFrame, frameBack, frameGuard, false);
                if (ModelGuard::stopRequested())
                    return;
                std::vector<Points> contours = outlineRuns(runs, toFrame, frameBack, pen, false, scale, width, true);
                // Only the block's rows are drawn from it, and nothing left
                // or right of the device but the cover it carries.
                const QRectF keep(QPointF(place.x(block.c0) - 1, double(block.r0) / place.ratio),
                    QPointF(place.x(block.c1) + 1, double(block.r1) / place.ratio));
                std::vector<Points> kept;
                Points clipped;
                for (Points& c : contours) {
                    if (c.size() < 3)
                        continue;
                    clipToRect(c, clipped, keep);
                    if (clipped.size() >= 3)
                        kept.push_back(std::move(clipped));
                    clipped = Points();
                }
                shared->contours = std::move(kept);
                shared->complete = true;
            });
            if (!shared->complete) {
                dropSharedOutline(shared);
                painter.restore();
                return true;
            }
            const QTransform frameToPixels = QTransform::fromTranslate(0, -place.frameTop / place.ratio) * toPixels;
            if (fillContoursDirect(painter, *image, shared->contours, frameToPixels, Qt::WindingFill, pen.color()))
                return true;
        }
    }

    const bool crowded = !dashed && kept && width <= kCrowdedWidthPixels;
    const std::vector<Run> runs = runsWithin(*index, level.get(), toDevice, back, guard, dashed, crowded ? &place : nullptr);
    if (ModelGuard::stopRequested()) {
        painter.restore();
        return true;
    }
    // The runs are outlined, as the painter does for a pen wider than a
    // pixel, and the outline filled on the grid: the painter's own stroker
    // for thinner pens starts from where the line enters the area drawn.
    // A pen without width is a device pixel wide, and outlined there.
    std::vector<Points> contours = outlineRuns(runs, toDevice, back, pen, dashed, scale, width);
    if (image && fillContoursDirect(painter, *image, contours, toPixels, Qt::WindingFill, pen.color()))
        return true;
    Points own;
    for (const Run& run : runs)
        own.insert(own.end(), run.points.begin(), run.points.end());
    fillClipped(painter, contours, own, Qt::WindingFill, place, region);
    painter.restore();
    return true;
}


bool fillDirect(QPainter& painter, const QPainterPath& path, const QTransform& toDevice, Qt::FillRule rule, const QBrush& brush)
{
    // Picking draws into a single pixel: the painter's own way, and first
    // of all cheaply refused.
    const QPaintDevice* device = painter.device();
    if (!device || (device->width() <= 2 && device->height() <= 2) || !usable(toDevice))
        return false;
    QTransform toPixels;
    QImage* image = CoverageFill::target(painter, brush, toPixels);
    if (!image)
        return false;
    const QTransform t = toDevice * toPixels;
    // Kept per thread: every band of a frame fills many small paths.
    thread_local Points points;
    thread_local std::vector<int> counts;
    points.clear();
    counts.clear();
    flattenOutline(path, t, points, counts);
    return CoverageFill::fill(*image, points.data(), counts.data(), int(counts.size()), rule, brush.color(),
        painter.compositionMode() == QPainter::CompositionMode_DestinationOut);
}

Handed lastHanded() { return handed; }

OneOffScope::OneOffScope(bool oneOff)
    : previous_(drawingOneOff)
{
    drawingOneOff = oneOff;
}

OneOffScope::~OneOffScope() { drawingOneOff = previous_; }

Outline outlineAt(const QPainterPath& path, const QTransform& toDevice)
{
    Outline outline;
    if (path.elementCount() < kHugeElements || !usable(toDevice))
        return outline;
    const std::shared_ptr<Index> index = cachedIndex(path);
    const std::shared_ptr<Level> level = levelFor(*index, toDevice);
    // The level's own tolerance, simplified and flattened within 3/4 and
    // 1/4 of it; curves drawn exactly are flattened within kExactFlatness.
    outline.tolerance = level ? level->tolerance * largestStretch(toDevice) : kExactFlatness;
    for (const Subpath& s : index->subpaths) {
        Points points;
        const QPointF start = pointAt(index->path, index->chunks[size_t(s.firstChunk)].first);
        points.push_back(mapped(toDevice, start.x(), start.y()));
        for (int k = 0; k < s.chunkCount; ++k)
            emitChunk(*index, size_t(s.firstChunk + k), level.get(), toDevice, points);
        outline.contours.push_back(std::move(points));
    }
    return outline;
}

void prepare(const QPainterPath& path)
{
    if (path.elementCount() >= kHugeElements)
        cachedIndex(path);
}

bool prepared(const QPainterPath& path)
{
    Cache& c = cache();
    const std::shared_lock<std::shared_mutex> lock(c.mutex);
    return findIndex(c, path) != nullptr;
}

void clearCache()
{
    Cache& c = cache();
    std::vector<std::shared_ptr<Index>> dropped;
    {
        const std::unique_lock<std::shared_mutex> lock(c.mutex);
        dropped.swap(c.entries);
        c.elements = 0;
    }
    SharedOutlines& s = sharedOutlines();
    std::vector<std::shared_ptr<SharedOutline>> outlines;
    {
        const std::lock_guard<std::mutex> lock(s.mutex);
        outlines.swap(s.entries);
    }
}

namespace {
// How many paths share this one's data: Qt keeps the count first in the
// shared data. Checked on a path of its own before it is trusted; null
// when the count is not where it is looked for.
const QAtomicInt* holders(const QPainterPath& path)
{
    return static_cast<const QAtomicInt*>(identity(path));
}

bool holdersReadable()
{
    static const bool readable = [] {
        QPainterPath probe(QPointF(1, 2));
        const QAtomicInt* count = holders(probe);
        if (!count || count->loadRelaxed() != 1)
            return false;
        const QPainterPath copy = probe;
        return count->loadRelaxed() == 2;
    }();
    return readable;
}
} // namespace

void dropUnheld()
{
    if (!holdersReadable())
        return;
    Cache& c = cache();
    // A design's indexes take tens of milliseconds to free: not under the
    // lock, which the frames shown and the next read look their paths up by.
    std::vector<std::shared_ptr<Index>> dropped;
    {
        const std::unique_lock<std::shared_mutex> lock(c.mutex);
        std::erase_if(c.entries, [&c, &dropped](const std::shared_ptr<Index>& e) {
            if (holders(e->path)->loadRelaxed() != 1)
                return false;
            c.elements -= e->path.elementCount();
            dropped.push_back(e);
            return true;
        });
    }
}

} // namespace PathDetail
