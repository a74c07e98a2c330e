#include "viewport/FrameRenderer.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "document/GraphicsSheet.h"

#include <QPainter>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Bands run here rather than on the global pool, which others may fill.
QThreadPool& bandPool()
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

void drawBand(GraphicsSheet& sheet, const FrameRenderer::Frame& frame, const Pixels& image, int top, int bottom)
{
    const qreal ratio = frame.ratio;
    const int from = std::max(0, top - FrameRenderer::kSeamMargin);
    const int to = std::min(image.height, bottom + FrameRenderer::kSeamMargin);
    const bool whole = from == top && to == bottom;
    // A band without seams draws straight into the frame's rows.
    QImage band = whole ? QImage(image.bits + qsizetype(top) * image.bytesPerLine, image.width, bottom - top,
                                 image.bytesPerLine, image.format)
                        : QImage(image.width, to - from, image.format);
    if (band.isNull())
        return;
    if (!whole)
        band.fill(frame.background);
    band.setDevicePixelRatio(ratio);
    {
        QPainter painter(&band);
        // View units to the band's pixels: the frame's, moved up by the rows above.
        painter.setWorldTransform(QTransform::fromTranslate(0, -from / ratio));
        DrawingContext context(painter);
        context.concurrent = true;
        context.concatenate(frame.view);
        Graphics g(context);
        g.drawingPcb = frame.pcb;
        g.viewportBoundingBox = worldBoxSeenThrough(frame.view, QRectF(0, from / ratio, frame.size.width(), (to - from) / ratio));
        sheet.draw(g);
    }
    if (whole)
        return;
    const qsizetype rowBytes = qsizetype(image.width) * 4;
    for (int y = top; y < bottom; ++y)
        std::memcpy(image.bits + y * image.bytesPerLine, band.constScanLine(y - from), size_t(rowBytes));
}

} // namespace

int FrameRenderer::bandCount(int rows) const
{
    const int wanted = bands_ > 0 ? bands_ : QThread::idealThreadCount();
    return std::clamp(std::min(wanted, rows / kMinBandRows), 1, kMaxBands);
}

QImage FrameRenderer::render(GraphicsSheet& sheet, const Frame& frame) const
{
    QImage image;
    render(sheet, frame, image);
    return image;
}

void FrameRenderer::render(GraphicsSheet& sheet, const Frame& frame, QImage& image) const
{
    const qreal ratio = frame.ratio > 0 && std::isfinite(frame.ratio) ? frame.ratio : 1;
    const QSize pixels(std::max(1, int(std::ceil(frame.size.width() * ratio))), std::max(1, int(std::ceil(frame.size.height() * ratio))));
    if (image.size() != pixels || image.devicePixelRatio() != ratio || image.format() != QImage::Format_ARGB32_Premultiplied) {
        image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        if (image.isNull())
            return;
        image.setDevicePixelRatio(ratio);
    }
    image.fill(frame.background);
    Frame f = frame;
    f.ratio = ratio;

    // What the sheet makes once per frame, made here before the bands.
    sheet.prepareFrame(f.view, f.size, ratio, worldBoxSeenThrough(f.view, QRectF(QPointF(0, 0), f.size)));

    // Rows split evenly; the bands' own images share the frame's pixels.
    const int rows = pixels.height();
    const int n = bandCount(rows);
    auto bandTop = [rows, n](int i) { return int(qint64(rows) * i / n); };
    // Taken (and detached) once, here, not from the bands.
    const Pixels target{image.bits(), image.bytesPerLine(), image.width(), image.height(), image.format()};
    if (n == 1) {
        drawBand(sheet, f, target, 0, rows);
    } else {
        QSemaphore done;
        QThreadPool& pool = bandPool();
        for (int i = 1; i < n; ++i) {
            pool.start([&, i] {
                drawBand(sheet, f, target, bandTop(i), bandTop(i + 1));
                done.release();
            });
        }
        drawBand(sheet, f, target, 0, bandTop(1));
        done.acquire(n - 1);
    }
    sheet.endFrame();
}
