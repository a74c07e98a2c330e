#include "viewport/FrameRenderer.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "document/GraphicsSheet.h"
#include "document/PCB.h"

#include <QPainter>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <cmath>

namespace {

// The model box seen through the view-space rectangle.
BoundingBox worldBox(const QTransform& view, const QRectF& viewRect)
{
    BoundingBox box;
    bool invertible = false;
    const QTransform inverse = view.inverted(&invertible);
    if (invertible)
        box.addTransformedRect(viewRect, inverse);
    return box;
}

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

// Draws the sheet into the rows [top, bottom) of the frame image.
void drawBand(GraphicsSheet& sheet, const FrameRenderer::Frame& frame, QImage& image, int top, int bottom)
{
    const qreal ratio = frame.ratio;
    // The band's rows of the frame, shared rather than copied.
    QImage band(image.bits() + qsizetype(top) * image.bytesPerLine(), image.width(), bottom - top,
                image.bytesPerLine(), image.format());
    band.setDevicePixelRatio(ratio);
    QPainter painter(&band);
    // View units to the band's pixels: the frame's, moved up by the rows above.
    painter.setWorldTransform(QTransform::fromTranslate(0, -top / ratio));
    DrawingContext context(painter);
    context.concurrent = true;
    context.concatenate(frame.view);
    Graphics g(context);
    g.drawingPcb = frame.pcb;
    g.viewportBoundingBox = worldBox(frame.view, QRectF(0, top / ratio, frame.size.width(), (bottom - top) / ratio));
    sheet.draw(g);
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
    auto* pcb = dynamic_cast<PCB*>(&sheet);
    if (pcb)
        pcb->prepareFrame(f.view, f.size, ratio, worldBox(f.view, QRectF(QPointF(0, 0), f.size)));

    // Rows split evenly; the bands' own images share the frame's pixels.
    const int rows = pixels.height();
    const int n = bandCount(rows);
    auto bandTop = [rows, n](int i) { return int(qint64(rows) * i / n); };
    (void)image.bits(); // detached once, here, not from the bands
    if (n == 1) {
        drawBand(sheet, f, image, 0, rows);
    } else {
        QSemaphore done;
        QThreadPool& pool = bandPool();
        for (int i = 1; i < n; ++i) {
            pool.start([&, i] {
                drawBand(sheet, f, image, bandTop(i), bandTop(i + 1));
                done.release();
            });
        }
        drawBand(sheet, f, image, 0, bandTop(1));
        done.acquire(n - 1);
    }
    if (pcb)
        pcb->endFrame();
}
