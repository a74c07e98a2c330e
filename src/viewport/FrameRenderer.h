#pragma once
// Produces the picture of a sheet for a view: the one place where frames are
// drawn (the viewport, the render tool and the benchmarks go through it).
//
// The frame is split into horizontal bands, each drawn by its own painter on
// the rows of the one frame image, on a thread pool. Bands are cut by how
// long each row of the last frame of the same sheet and height took, so that
// busy rows are shared between more threads. Every band draws the
// whole sheet culled to its rows (grown by the ink allowance, the entities'
// boxes by their ink), in the same order, so a frame in bands is pixel for
// pixel the frame drawn in one piece. Drawing changes nothing (draw is
// const): entities draw from what the geometry pass built; with
// DrawingContext::concurrent set the painter gets each band's own copy of a
// shared path. What the sheet builds once per frame
// (the PCB's board fill) is made on the calling thread before the bands start
// (GraphicsSheet::prepareFrame); what the bands share out between them (the
// search for selected entities) is set up there too.

#include "core/StrokeReach.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QTransform>

#include <vector>

class GraphicsSheet;
class QPainter;
class QThreadPool;

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
        // The selection's marks drawn into the frame (a picture saved); a
        // view leaves them out and draws them over the frame it shows
        // (drawSelectionMarks), so that a selection draws no frame.
        bool selectionMarks = true;
    };

    // 0: one band per thread the machine runs at once (at most kMaxBands);
    // 1: one band drawn on the calling thread.
    explicit FrameRenderer(int bands = 0) : bands_(bands) {}

    // Draws the sheet into image, reallocating it when its size or ratio
    // does not match the frame. The sheet's geometry must be current.
    // False when the frame was asked to stop (ModelGuard::stop) before it
    // was done: the image then holds a part of it only.
    bool render(GraphicsSheet& sheet, const Frame& frame, QImage& image) const;
    QImage render(GraphicsSheet& sheet, const Frame& frame) const;

    // The marks of the selected entities, over what the painter (on the
    // view, in view units) shows: what render draws last into a frame with
    // selectionMarks, at the same place.
    static void drawSelectionMarks(GraphicsSheet& sheet, const Frame& frame, QPainter& painter);

    // The number of bands render uses for an image of that many rows.
    int bandCount(int rows) const;

    // The threads frames are drawn and scaled on: their own rather than the
    // global pool, which others may fill. Frames never overlap, so one pool
    // serves both.
    static QThreadPool& pool();
    static constexpr int kMaxBands = 32;
    // What a view shows while a new sheet's first frame is drawn outlines
    // the boxes of at most this many of its entities.
    static constexpr size_t kOutlinedEntities = 20000;
    // Bands are at least this many pixel rows tall.
    static constexpr int kMinBandRows = 32;
    // Rows a band draws beyond each of its seams (and throws away).
    static constexpr int kSeamMargin = 8;
    // A band is at most this many times as tall as an even share.
    static constexpr int kMaxBandShare = 4;
    // Device pixels the view box of a frame and of a band is grown by on
    // every side: what entities draw a few pixels past the ink their boxes
    // hold (hairlines, the one-pixel least line width, one-pixel halos,
    // antialiasing) is not culled at an edge or a seam.
    static constexpr int kInkAllowancePixels = StrokeReach::kInkAllowancePixels;

    // The band tops every later render uses (n + 1 rows from 0 to the row
    // count, each band at least one row), in place of the cut by row cost;
    // none (or tops that do not fit the image) restores that. For tests,
    // which put seams where they will.
    void setBandTops(std::vector<int> tops) { fixedTops_ = std::move(tops); }

    // The first row of each of n bands over the rows (n + 1 entries, the
    // last one the row count), cut so that each band holds about the same
    // share of the cost per row, within kMinBandRows and kMaxBandShare.
    // Rows split evenly when the costs do not fit the rows or say nothing.
    static std::vector<int> bandTops(const std::vector<float>& rowCost, int rows, int n);

private:
    // The fixed tops when they fit an image of that many rows, else none.
    const std::vector<int>* fixedTops(int rows) const;
    int bands_;
    std::vector<int> fixedTops_;
};
