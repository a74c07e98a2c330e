#include "core/CoverageFill.h"

#include "core/PathDetail.h"
#include "core/PixelBlend.h"

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPen>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace CoverageFill {
namespace {

// An edge in pixels, top end first; dir is +1 for an edge running down in
// the contour, -1 for one running up.
struct Edge {
    double x0, y0, x1, y1;
    double dxdy;
    float dir;
};

// Kept per thread between fills: fills run on every band of a frame.
struct Scratch {
    std::vector<Edge> edges;
    std::vector<int> stripOf;
    std::vector<int> order;
    std::vector<int> firstOfStrip;
    std::vector<int> active;
    // kStripRows rows of cells, and of bits telling which cells hold
    // anything; all zero between fills. Cells of 64 bits for strips crossed
    // by too many edges for those of 32 (see depositEdgeFixed).
    std::vector<uint32_t> cells;
    std::vector<uint64_t> wideCells;
    std::vector<uint64_t> marks;
};

Scratch& scratch()
{
    thread_local Scratch s;
    return s;
}

// Marks the cells from..to (inclusive).
inline void mark(uint64_t* marks, int from, int to)
{
    while (from <= to) {
        const int bit = from & 63;
        const int n = std::min(64 - bit, to - from + 1);
        marks[from >> 6] |= (n == 64 ? ~uint64_t(0) : ((uint64_t(1) << n) - 1)) << bit;
        from += n;
    }
}

// One edge's part within a pixel row, deposited, and the cells it wrote
// marked.
template <class Cell>
inline void deposit(Cell* line, uint64_t* marks, double a, double b, int d)
{
    const int last = PixelBlend::depositEdgeFixed(line, a, b, d);
    mark(marks, int(std::floor(std::min(a, b))), last);
}

// The coverage of a pixel (0..255) from its summed area, as the raster
// engine's scan converter turns area into coverage.
inline uint32_t coverageOf(double area, bool oddEven)
{
    double a = std::abs(area);
    if (oddEven) {
        a = std::fmod(a, 2.0);
        if (a > 1)
            a = 2 - a;
    }
    return uint32_t(std::min(a * 256, 255.0));
}

// Writes the colour into n pixels: runs are long (a pour's interior
// spans whole rows), so four pixels a store where the machine has them.
inline void fillPixels(uint32_t* p, int n, uint32_t color)
{
#if defined(__SSE2__)
    const __m128i four = _mm_set1_epi32(int(color));
    for (; n >= 4; n -= 4, p += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), four);
#endif
    for (; n > 0; --n)
        *p++ = color;
}

template <void (*Blend)(uint32_t&, uint32_t, uint32_t)>
inline void fillSpan(uint32_t* row, int from, int to, uint32_t color, uint32_t coverage)
{
    if (coverage == 0 || from >= to)
        return;
    if (Blend == &PixelBlend::blend && coverage == 255 && (color >> 24) == 255) {
        fillPixels(row + from, to - from, color);
        return;
    }
    for (int x = from; x < to; ++x)
        Blend(row[x], color, coverage);
}

template <void (*Blend)(uint32_t&, uint32_t, uint32_t), class Cell>
void sweep(QImage& image, Scratch& s, Cell* cells, Qt::FillRule rule, uint32_t color, int rowsTop, int rowsBottom, int originX,
    int width, int markWords)
{
    const bool oddEven = rule == Qt::OddEvenFill;
    uchar* bits = const_cast<uchar*>(image.constBits());
    const qsizetype stride = image.bytesPerLine();
    const int imageWidth = image.width();
    for (int y = rowsTop; y < rowsBottom; ++y) {
        Cell* line = cells + qsizetype(y - rowsTop) * width;
        uint64_t* marks = s.marks.data() + qsizetype(y - rowsTop) * markWords;
        auto* row = reinterpret_cast<uint32_t*>(bits + qsizetype(y) * stride);
        int64_t sum = 0;
        int from = 0;
        uint32_t coverage = 0;
        for (int w = 0; w < markWords; ++w) {
            uint64_t word = marks[w];
            marks[w] = 0;
            while (word) {
                const int x = w * 64 + std::countr_zero(word);
                word &= word - 1;
                // The run since the last cell holding anything has that
                // cell's coverage.
                fillSpan<Blend>(row, std::max(from + originX, 0), std::min(x + originX, imageWidth), color, coverage);
                sum += std::make_signed_t<Cell>(line[x]);
                line[x] = 0;
                coverage = coverageOf(double(sum) / PixelBlend::kCoverOne, oddEven);
                from = x;
            }
        }
        fillSpan<Blend>(row, std::max(from + originX, 0), std::min(width + originX, imageWidth), color, coverage);
    }
}

} // namespace

QImage* target(QPainter& painter, const QBrush& brush, QTransform& toPixels)
{
    if (brush.style() != Qt::SolidPattern || !painter.isActive())
        return nullptr;
    QPaintDevice* device = painter.device();
    if (!device || device->devType() != QInternal::Image)
        return nullptr;
    auto* image = static_cast<QImage*>(device);
    const QImage::Format format = image->format();
    if (image->isNull() || (format != QImage::Format_ARGB32_Premultiplied && format != QImage::Format_RGB32))
        return nullptr;
    QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || !painter.testRenderHint(QPainter::Antialiasing)
        || painter.hasClipping() || painter.opacity() != 1.0)
        return nullptr;
    const QPainter::CompositionMode mode = painter.compositionMode();
    if (mode != QPainter::CompositionMode_SourceOver
        && !(mode == QPainter::CompositionMode_DestinationOut && format == QImage::Format_ARGB32_Premultiplied))
        return nullptr;
    // The device's own part of the painter's transform (its pixel ratio),
    // not found by inverting the world transform: that is whatever the last
    // drawing left, and a nearly singular one would bring its rounding here.
    if (painter.worldTransform() == painter.deviceTransform()) {
        toPixels = QTransform();
    } else {
        if (painter.viewTransformEnabled())
            return nullptr;
        const double ratio = std::max(1.0, image->devicePixelRatio());
        toPixels = QTransform::fromScale(ratio, ratio);
        if (!qFuzzyCompare(painter.worldTransform() * toPixels, painter.deviceTransform()))
            return nullptr;
    }
    return image;
}

namespace {

// Collects the edges of the contours and their extent, in pixels. Parts of
// edges left or right of [left, right] are moved onto those lines: the
// area they sweep to their right is the same for every pixel between them.
struct EdgeBuilder {
    Scratch& s;
    double left, right;
    double minX = std::numeric_limits<double>::infinity(), maxX = -minX, minY = minX, maxY = -minX;

    void push(QPointF a, QPointF b)
    {
        if (a.y() == b.y())
            return;
        const bool down = b.y() > a.y();
        const QPointF& top = down ? a : b;
        const QPointF& bottom = down ? b : a;
        s.edges.push_back(Edge{top.x(), top.y(), bottom.x(), bottom.y(), (bottom.x() - top.x()) / (bottom.y() - top.y()),
            down ? 1.0f : -1.0f});
    }
    // The edge from a to b, cut where it crosses the lines.
    void clipped(QPointF a, QPointF b)
    {
        if ((a.x() >= left && a.x() <= right && b.x() >= left && b.x() <= right) || a.y() == b.y()) {
            push(a, b);
            return;
        }
        auto clampX = [this](QPointF p) { return QPointF(std::clamp(p.x(), left, right), p.y()); };
        struct Cut {
            double t, x;
        } cuts[2];
        int n = 0;
        for (const double x : {left, right})
            if ((a.x() - x) * (b.x() - x) < 0)
                cuts[n++] = Cut{std::clamp((x - a.x()) / (b.x() - a.x()), 0.0, 1.0), x};
        if (n == 2 && cuts[0].t > cuts[1].t)
            std::swap(cuts[0], cuts[1]);
        QPointF from = a;
        for (int i = 0; i < n; ++i) {
            // The crossing lies on its line exactly.
            const QPointF at(cuts[i].x, a.y() + cuts[i].t * (b.y() - a.y()));
            push(clampX(from), clampX(at));
            from = at;
        }
        push(clampX(from), clampX(b));
    }

    // False when a point is not finite.
    template <class Map>
    bool add(const QPointF* points, size_t n, Map map)
    {
        if (n < 3)
            return true;
        QPointF previous = map(points[n - 1]);
        for (size_t i = 0; i < n; ++i) {
            const QPointF p = map(points[i]);
            if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
                return false;
            minX = std::min(minX, std::clamp(p.x(), left, right));
            maxX = std::max(maxX, std::clamp(p.x(), left, right));
            minY = std::min(minY, p.y());
            maxY = std::max(maxY, p.y());
            clipped(previous, p);
            previous = p;
        }
        return true;
    }
};

bool fillEdges(QImage& image, Scratch& s, const EdgeBuilder& b, Qt::FillRule rule, const QColor& color, bool destinationOut);

} // namespace

bool fill(QImage& image, const std::vector<std::vector<QPointF>>& contours, const QTransform& toPixels, Qt::FillRule rule,
    const QColor& color, bool destinationOut)
{
    Scratch& s = scratch();
    s.edges.clear();
    EdgeBuilder b{s, -kMarginPixels, image.width() + kMarginPixels};
    const double sx = toPixels.m11(), sy = toPixels.m22(), dx = toPixels.dx(), dy = toPixels.dy();
    for (const std::vector<QPointF>& contour : contours)
        if (!b.add(contour.data(), contour.size(), [=](QPointF p) { return QPointF(p.x() * sx + dx, p.y() * sy + dy); }))
            return false;
    return fillEdges(image, s, b, rule, color, destinationOut);
}

bool fill(QImage& image, const QPointF* points, const int* counts, int contours, Qt::FillRule rule, const QColor& color,
    bool destinationOut)
{
    Scratch& s = scratch();
    s.edges.clear();
    EdgeBuilder b{s, -kMarginPixels, image.width() + kMarginPixels};
    for (int c = 0; c < contours; points += counts[c++])
        if (!b.add(points, size_t(std::max(0, counts[c])), [](QPointF p) { return p; }))
            return false;
    return fillEdges(image, s, b, rule, color, destinationOut);
}

namespace {

bool fillEdges(QImage& image, Scratch& s, const EdgeBuilder& b, Qt::FillRule rule, const QColor& color, bool destinationOut)
{
    const int height = image.height(), width = image.width();
    const double minX = b.minX, maxX = b.maxX, minY = b.minY, maxY = b.maxY;
    if (height <= 0 || width <= 0)
        return true;
    if (s.edges.empty())
        return true;
    int rowsTop = std::max(0, int(std::floor(std::max(minY, -1.0))));
    int rowsBottom = std::min(height, int(std::ceil(std::min(maxY, double(height) + 1))));
    // Each row's coverage comes from the edges' parts within it alone.
    KeptRows::narrow(image, rowsTop, rowsBottom);
    if (rowsTop >= rowsBottom)
        return true;
    const int originX = int(std::floor(minX));
    const int cellsWide = int(std::ceil(maxX)) - originX + 2;
    const int markWords = (cellsWide + 63) / 64;

    // The edges by the strip of rows they start in.
    const int strips = (rowsBottom - rowsTop + kStripRows - 1) / kStripRows;
    s.firstOfStrip.assign(size_t(strips) + 1, 0);
    s.stripOf.resize(s.edges.size());
    for (size_t i = 0; i < s.edges.size(); ++i) {
        const Edge& e = s.edges[i];
        int strip = -1;
        if (e.y1 > rowsTop && e.y0 < rowsBottom)
            strip = (int(std::floor(std::max(e.y0, double(rowsTop)))) - rowsTop) / kStripRows;
        s.stripOf[i] = strip;
        if (strip >= 0)
            ++s.firstOfStrip[size_t(strip) + 1];
    }
    for (int k = 0; k < strips; ++k)
        s.firstOfStrip[size_t(k) + 1] += s.firstOfStrip[size_t(k)];
    s.order.resize(size_t(s.firstOfStrip[size_t(strips)]));
    {
        std::vector<int>& next = s.active; // as scratch
        next.assign(s.firstOfStrip.begin(), s.firstOfStrip.end() - 1);
        for (size_t i = 0; i < s.edges.size(); ++i)
            if (s.stripOf[i] >= 0)
                s.order[size_t(next[size_t(s.stripOf[i])]++)] = int(i);
        next.clear();
    }

    const size_t cellCount = size_t(kStripRows) * size_t(cellsWide), markCount = size_t(kStripRows) * size_t(markWords);
    if (s.cells.size() < cellCount)
        s.cells.resize(cellCount, 0);
    if (s.marks.size() < markCount)
        s.marks.resize(markCount, 0);

    const uint32_t premultiplied = qPremultiply(color.rgba());
    // The strip's edges deposited into the cells, the rows swept.
    auto sweepStrip = [&](auto* cells, int top, int bottom) {
        for (size_t i = 0; i < s.active.size();) {
            const Edge& e = s.edges[size_t(s.active[i])];
            const int from = int(std::floor(std::max(e.y0, double(top)))), to = int(std::ceil(std::min(e.y1, double(bottom))));
            const double lo = std::min(e.x0, e.x1), hi = std::max(e.x0, e.x1);
            auto xAt = [&e, lo, hi](double y) { return std::clamp(e.x0 + (y - e.y0) * e.dxdy, lo, hi); };
            for (int y = from; y < to; ++y) {
                const double ya = std::max(e.y0, double(y)), yb = std::min(e.y1, y + 1.0);
                if (!(yb > ya))
                    continue;
                // Heights in whole units from the row's top: edges meeting
                // at a point share its rounding.
                const int d = (PixelBlend::roundedInt((yb - y) * PixelBlend::kCoverOne) - PixelBlend::roundedInt((ya - y) * PixelBlend::kCoverOne))
                    * int(e.dir);
                if (d == 0)
                    continue;
                const size_t r = size_t(y - top);
                deposit(cells + r * size_t(cellsWide), s.marks.data() + r * size_t(markWords), xAt(ya) - originX,
                    xAt(yb) - originX, d);
            }
            ++i;
        }
        if (destinationOut)
            sweep<PixelBlend::erase>(image, s, cells, rule, premultiplied, top, bottom, originX, cellsWide, markWords);
        else
            sweep<PixelBlend::blend>(image, s, cells, rule, premultiplied, top, bottom, originX, cellsWide, markWords);
    };
    for (int k = 0; k < strips; ++k) {
        const int top = rowsTop + k * kStripRows, bottom = std::min(top + kStripRows, rowsBottom);
        for (int i = s.firstOfStrip[size_t(k)]; i < s.firstOfStrip[size_t(k) + 1]; ++i)
            s.active.push_back(s.order[size_t(i)]);
        if (s.active.size() < size_t(PixelBlend::kEdgesFor32BitCells)) {
            sweepStrip(s.cells.data(), top, bottom);
        } else {
            if (s.wideCells.size() < cellCount)
                s.wideCells.resize(cellCount, 0);
            sweepStrip(s.wideCells.data(), top, bottom);
        }
        // Done with those ending in the strip, keeping the order.
        s.active.erase(std::remove_if(s.active.begin(), s.active.end(), [&s, bottom](int i) { return s.edges[size_t(i)].y1 <= bottom; }),
            s.active.end());
    }
    s.active.clear();
    return true;
}

thread_local KeptRows* keptRows = nullptr;

} // namespace

KeptRows::KeptRows(const QImage& image, int top, int bottom, int frameTop)
    : bits_(image.constBits()), top_(top), bottom_(bottom), frameTop_(frameTop), outer_(keptRows)
{
    keptRows = this;
}

KeptRows::~KeptRows() { keptRows = outer_; }


void KeptRows::narrow(const QImage& image, int& top, int& bottom)
{
    for (const KeptRows* k = keptRows; k; k = k->outer_)
        if (k->bits_ && k->bits_ == image.constBits()) {
            top = std::max(top, k->top_);
            bottom = std::min(bottom, k->bottom_);
            return;
        }
}

int KeptRows::frameTop(const QImage& image)
{
    for (const KeptRows* k = keptRows; k; k = k->outer_)
        if (k->bits_ && k->bits_ == image.constBits())
            return k->frameTop_;
    return 0;
}

} // namespace CoverageFill
