#pragma once
// Shows a kept frame scaled and moved, as a zoom gesture does: filtered
// bilinearly like QPainter's smooth image transform, but in row bands on
// threads and without per-pixel gathers, so that a gesture frame stays cheap
// on few cores. Only for opaque frames: every target pixel is written.

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRgb>

class FrameScaler {
public:
    // 0: one band per thread the machine runs at once (at most kMaxBands);
    // 1: one band on the calling thread.
    explicit FrameScaler(int bands = 0) : bands_(bands) {}

    // Writes into the area of target (its pixels; all of it when null) the
    // source scaled by `scale` and moved by `offset` (a source pixel edge at
    // p lands at p x scale + offset, in pixels of both images), and the
    // background where the source does not reach. The source is
    // ARGB32_Premultiplied and opaque; the target is a 32-bit image (RGB32,
    // ARGB32 or ARGB32_Premultiplied). False, with the target untouched, when
    // the images or the move do not qualify (a source under 2 x 2 pixels, a
    // non-finite or non-positive scale).
    bool scale(const QImage& source, double scale, QPointF offset, QRgb background, QImage& target, QRect area = QRect()) const;

    // The number of bands used for an image of that many rows.
    int bandCount(int rows) const;
    static constexpr int kMaxBands = 32;
    // Bands are at least this many pixel rows tall.
    static constexpr int kMinBandRows = 64;

private:
    int bands_;
};
