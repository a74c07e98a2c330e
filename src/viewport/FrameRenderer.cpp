#include "viewport/FrameRenderer.h"

#include "core/CoverageFill.h"
#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "core/ModelGuard.h"
#include "core/ThreadHandoff.h"
#include "document/GraphicsSheet.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <mutex>
#include <new>
#include <vector>

namespace {

// Draws the sheet into the rows [top, bottom) of the frame image. Qt's thin
// line stroker treats lines about the edge of the painted area differently
// from lines inside it, so a band is drawn with a margin of rows beyond its
// seams into an image of its own, and only its own rows are kept.
struct Pixels {
    uchar* bits; // the frame's, taken once before the bands start
    qsizetype bytesPerLine;
    int width, height;
    QImage::Format format;
};

// The sheet's box seen through the view's rectangle, grown by the ink
// allowance: every cull test of a frame or band is against it.
BoundingBox inkView(const QTransform& view, const QRectF& rect, qreal ratio)
{
    const double grow = FrameRenderer::kInkAllowancePixels / ratio;
    return worldBoxSeenThrough(view, rect.adjusted(-grow, -grow, grow, grow));
}

// An image over pixels this thread keeps for its next band: bands are
// blocks of megabytes, and fresh pages for each frame's cost their page
// faults every frame. Null when there is no room.
QImage bandImage(int width, int height, QImage::Format format)
{
    thread_local std::vector<uchar> store;
    const qsizetype bytesPerLine = qsizetype(width) * 4;
    const size_t bytes = size_t(bytesPerLine) * size_t(height);
    if (store.size() < bytes) {
        try {
            store.resize(bytes);
        } catch (const std::bad_alloc&) {
            return QImage();
        }
    }
    return QImage(store.data(), width, height, bytesPerLine, format);
}

void drawBand(GraphicsSheet& sheet, const FrameRenderer::Frame& frame, const Pixels& image, int top, int bottom)
{
    const qreal ratio = frame.ratio;
    const int from = std::max(0, top - FrameRenderer::kSeamMargin);
    const int to = std::min(image.height, bottom + FrameRenderer::kSeamMargin);
    const bool whole = from == top && to == bottom;
    // A band without seams draws straight into the frame's rows.
    QImage band = whole ? QImage(image.bits + qsizetype(top) * image.bytesPerLine, image.width, bottom - top,
                                 image.bytesPerLine, image.format)
                        : bandImage(image.width, to - from, image.format);
    if (band.isNull()) {
        // No room for the band: its rows at least show the background.
        QImage(image.bits + qsizetype(top) * image.bytesPerLine, image.width, bottom - top, image.bytesPerLine, image.format)
            .fill(frame.background);
        return;
    }
    if (!whole)
        band.fill(frame.background);
    band.setDevicePixelRatio(ratio);
    {
        // Fills written straight into the band's pixels skip the rows
        // beyond its seams; what is cut at fixed rows of the frame finds them.
        const CoverageFill::KeptRows kept(band, top - from, bottom - from, from);
        QPainter painter(&band);
        // View units to the band's pixels: the frame's, moved up by the rows above.
        painter.setWorldTransform(QTransform::fromTranslate(0, -from / ratio));
        DrawingContext context(painter);
        context.concurrent = true;
        context.concatenate(frame.view);
        Graphics g(context);
        g.drawingPcb = frame.pcb;
        g.viewportBoundingBox = inkView(frame.view, QRectF(0, from / ratio, frame.size.width(), (to - from) / ratio), ratio);
        // Preset, it tells the sheet the marks are drawn elsewhere.
        g.selectionFramesOnTop = !frame.selectionMarks;
        sheet.draw(g);
    }
    if (whole)
        return;
    const qsizetype rowBytes = qsizetype(image.width) * 4;
    for (int y = top; y < bottom; ++y)
        std::memcpy(image.bits + y * image.bytesPerLine, band.constScanLine(y - from), size_t(rowBytes));
}

// How long each row of the last frame drawn in bands took (per row, the
// time of its band over the band's rows), for the sheet and height it was
// drawn at. Timings only steer where bands are cut, never what they draw.
struct RowCosts {
    std::mutex lock;
    const GraphicsSheet* sheet = nullptr;
    std::vector<float> perRow;
};

// The time this thread has run, in ns: a band's cost without the time
// other work on the machine kept it waiting (wall time where not known).
double threadNanoseconds()
{
#if defined(CLOCK_THREAD_CPUTIME_ID)
    timespec t{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t) == 0)
        return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
#endif
    static QElapsedTimer wall;
    static std::once_flag started;
    std::call_once(started, [] { wall.start(); });
    return double(wall.nsecsElapsed());
}

RowCosts& rowCosts()
{
    static RowCosts costs;
    return costs;
}

} // namespace

std::vector<int> FrameRenderer::bandTops(const std::vector<float>& rowCost, int rows, int n)
{
    n = std::max(1, n);
    rows = std::max(0, rows);
    std::vector<int> tops(size_t(n) + 1);
    for (int i = 0; i <= n; ++i)
        tops[size_t(i)] = int(qint64(rows) * i / n);
    if (n == 1 || rowCost.size() != size_t(rows) || rows < n * kMinBandRows)
        return tops;
    double total = 0;
    for (float c : rowCost) {
        if (!(c >= 0) || !std::isfinite(c))
            return tops;
        total += c;
    }
    if (!(total > 0) || !std::isfinite(total))
        return tops;
    const int tallest = std::max(kMinBandRows, kMaxBandShare * rows / n);
    std::vector<int> cut(size_t(n) + 1, 0);
    cut[size_t(n)] = rows;
    double sum = 0;
    int row = 0;
    for (int i = 1; i < n; ++i) {
        const double target = total * i / n;
        while (row < rows && sum + rowCost[size_t(row)] <= target)
            sum += rowCost[size_t(row++)];
        // Room for the bands still to come, each within its bounds.
        const int low = std::max(cut[size_t(i) - 1] + kMinBandRows, rows - (n - i) * tallest);
        const int high = std::min(cut[size_t(i) - 1] + tallest, rows - (n - i) * kMinBandRows);
        if (low > high)
            return tops;
        cut[size_t(i)] = std::clamp(row, low, high);
    }
    if (rows - cut[size_t(n) - 1] > tallest || rows - cut[size_t(n) - 1] < kMinBandRows)
        return tops;
    return cut;
}

QThreadPool& FrameRenderer::pool()
{
    static QThreadPool pool;
    static const bool sized = [] {
        pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
        // Threads stay for the next frame rather than being made per frame.
        pool.setExpiryTimeout(-1);
        return true;
    }();
    (void)sized;
    return pool;
}

int FrameRenderer::bandCount(int rows) const
{
    const int wanted = bands_ > 0 ? bands_ : QThread::idealThreadCount();
    return std::clamp(std::min(wanted, rows / kMinBandRows), 1, kMaxBands);
}

const std::vector<int>* FrameRenderer::fixedTops(int rows) const
{
    if (fixedTops_.size() < 2 || fixedTops_.front() != 0 || fixedTops_.back() != rows)
        return nullptr;
    for (size_t i = 1; i < fixedTops_.size(); ++i)
        if (fixedTops_[i] <= fixedTops_[i - 1])
            return nullptr;
    return &fixedTops_;
}

void FrameRenderer::drawSelectionMarks(GraphicsSheet& sheet, const Frame& frame, QPainter& painter)
{
    painter.save();
    {
        DrawingContext context(painter);
        context.concatenate(frame.view);
        Graphics g(context);
        g.drawingPcb = frame.pcb;
        g.viewportBoundingBox = inkView(frame.view, QRectF(QPointF(0, 0), frame.size), frame.ratio > 0 ? frame.ratio : 1);
        sheet.drawSelectionMarks(g);
    }
    painter.restore();
}

QImage FrameRenderer::render(GraphicsSheet& sheet, const Frame& frame) const
{
    QImage image;
    render(sheet, frame, image);
    return image;
}

bool FrameRenderer::render(GraphicsSheet& sheet, const Frame& frame, QImage& image) const
{
    const qreal ratio = frame.ratio > 0 && std::isfinite(frame.ratio) ? frame.ratio : 1;
    const QSize pixels(std::max(1, int(std::ceil(frame.size.width() * ratio))), std::max(1, int(std::ceil(frame.size.height() * ratio))));
    if (image.size() != pixels || image.devicePixelRatio() != ratio || image.format() != QImage::Format_ARGB32_Premultiplied) {
        image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        if (image.isNull())
            return true;
        image.setDevicePixelRatio(ratio);
    }
    Frame f = frame;
    f.ratio = ratio;

    // What the sheet makes once per frame, made here before the bands.
    sheet.prepareFrame(f.view, f.size, ratio, inkView(f.view, QRectF(QPointF(0, 0), f.size), ratio));

    // The bands' own images share the frame's pixels.
    const int rows = pixels.height();
    const std::vector<int>* fixed = fixedTops(rows);
    const int n = fixed ? int(fixed->size()) - 1 : bandCount(rows);
    // Taken (and detached) once, here, not from the bands.
    const Pixels target{image.bits(), image.bytesPerLine(), image.width(), image.height(), image.format()};
    if (n == 1) {
        // Bands with seams fill images of their own and copy every row
        // over: only the frame drawn in one piece starts from its own.
        image.fill(frame.background);
        drawBand(sheet, f, target, 0, rows);
    } else {
        RowCosts& costs = rowCosts();
        std::vector<int> tops;
        {
            std::lock_guard<std::mutex> hold(costs.lock);
            tops = fixed ? *fixed : bandTops(costs.sheet == &sheet ? costs.perRow : std::vector<float>(), rows, n);
        }
        std::vector<double> took(size_t(n), 0);
        auto timedBand = [&](int i) {
            const double start = threadNanoseconds();
            drawBand(sheet, f, target, tops[size_t(i)], tops[size_t(i) + 1]);
            took[size_t(i)] = threadNanoseconds() - start;
        };
        QSemaphore done;
        QThreadPool& pool = FrameRenderer::pool();
        for (int i = 1; i < n; ++i) {
            ThreadHandoff::start(pool, [&, i] {
                timedBand(i);
                ThreadHandoff::release(&done);
                done.release();
            });
        }
        timedBand(0);
        done.acquire(n - 1);
        ThreadHandoff::acquire(&done);
        // Half the last frame's costs, half this one's: one slow band (the
        // machine busy elsewhere) does not swing the next cut far.
        std::lock_guard<std::mutex> hold(costs.lock);
        const bool blend = costs.sheet == &sheet && costs.perRow.size() == size_t(rows);
        costs.perRow.resize(size_t(rows));
        for (int i = 0; i < n; ++i) {
            const float perRow = float(took[size_t(i)] / std::max(1, tops[size_t(i) + 1] - tops[size_t(i)]));
            for (int y = tops[size_t(i)]; y < tops[size_t(i) + 1]; ++y)
                costs.perRow[size_t(y)] = blend ? (costs.perRow[size_t(y)] + perRow) / 2 : perRow;
        }
        costs.sheet = &sheet;
    }
    sheet.endFrame();
    // Asked to stop while drawing: some entity or band may have been left
    // out (the request stands until every reader has returned).
    return !ModelGuard::stopRequested();
}
