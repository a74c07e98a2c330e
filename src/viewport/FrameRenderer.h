#pragma once
// Produces the picture of a sheet for a view: the one place where frames are
// drawn (the viewport, the render tool and the benchmarks go through it).
//
// The frame is split into horizontal bands, each drawn by its own painter on
// the rows of the one frame image, on a thread pool. Every band draws the
// whole sheet culled to its rows, in the same order, so a frame in bands is
// pixel for pixel the frame drawn in one piece. Drawing in bands runs with
// DrawingContext::concurrent set: entities draw from what the geometry pass
// built and cache nothing while drawing. What the sheet builds once per frame
// (the PCB's board fill) is made on the calling thread before the bands start
// (GraphicsSheet::prepareFrame); what the bands share out between them (the
// search for selected entities) is set up there too.

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QTransform>

class GraphicsSheet;

class FrameRenderer {
public:
    struct Frame {
        // Model (y-up inches) to view units (device-independent pixels).
        QTransform view;
        // The size of the frame in view units and the device pixel ratio:
        // the image holds ceil(size x ratio) pixels.
        QSizeF size;
        qreal ratio = 1;
        QColor background = Qt::white;
        bool pcb = false;
    };

    // 0: one band per thread the machine runs at once (at most kMaxBands);
    // 1: one band drawn on the calling thread.
    explicit FrameRenderer(int bands = 0) : bands_(bands) {}

    // Draws the sheet into image, reallocating it when its size or ratio
    // does not match the frame. The sheet's geometry must be current.
    void render(GraphicsSheet& sheet, const Frame& frame, QImage& image) const;
    QImage render(GraphicsSheet& sheet, const Frame& frame) const;

    // The number of bands render uses for an image of that many rows.
    int bandCount(int rows) const;
    static constexpr int kMaxBands = 32;
    // Bands are at least this many pixel rows tall.
    static constexpr int kMinBandRows = 32;
    // Rows a band draws beyond each of its seams (and throws away).
    static constexpr int kSeamMargin = 8;

private:
    int bands_;
};
