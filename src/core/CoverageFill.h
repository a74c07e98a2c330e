#pragma once
// Fills of outlines of many edges written straight into the pixels of a
// raster image with exact area coverage, the coverage QPainter's
// antialiased scan converter gives, without its cost per edge: the edges are
// swept in strips of pixel rows, and per row only the cells they touch are
// visited; the runs between them are filled whole.

#include <QPointF>
#include <QTransform>
#include <Qt>
#include <QtGlobal>

#include <vector>

class QBrush;
class QColor;
class QImage;
class QPainter;
class QPainterPath;
class QPen;

namespace CoverageFill {

// Edges farther left or right of the image than this (pixels) are moved
// onto these lines, which leaves every pixel of the image as it is.
constexpr double kMarginPixels = 64;
// Rows swept at once.
constexpr int kStripRows = 32;

// The image the painter paints on, when a fill with the brush may write its
// pixels directly: a raster image of premultiplied ARGB32 or RGB32 pixels,
// antialiased drawing, no clip, full opacity, source over (or destination
// out on premultiplied pixels) and a solid brush. Null otherwise. Then
// `toPixels` maps the painter's coordinates under an identity world
// transform (its logical coordinates) to the image's pixels.
QImage* target(QPainter& painter, const QBrush& brush, QTransform& toPixels);

// Fills the closed contours, whose points toPixels (a scale and a move)
// maps into the image's pixels, by the rule in the colour; destination out
// takes the colour's coverage away instead. False, having drawn nothing,
// when a point is not finite.
bool fill(QImage& image, const std::vector<std::vector<QPointF>>& contours, const QTransform& toPixels, Qt::FillRule rule,
    const QColor& color, bool destinationOut);
// The same for contours of points given in the image's pixels, one after
// the other (counts holds how many points each has).
bool fill(QImage& image, const QPointF* points, const int* counts, int contours, Qt::FillRule rule, const QColor& color,
    bool destinationOut);

// While one lives, fills on this thread into the image write only its
// rows [top, bottom) (the pixels of any other row are left as they are):
// a band of a frame draws rows beyond its own that are thrown away. The
// image's first row is row `frameTop` of the frame the band is part of.
class KeptRows {
public:
    KeptRows(const QImage& image, int top, int bottom, int frameTop = 0);
    ~KeptRows();
    KeptRows(const KeptRows&) = delete;
    KeptRows& operator=(const KeptRows&) = delete;
    // Narrows [top, bottom) to the kept rows of the image, if it has any.
    static void narrow(const QImage& image, int& top, int& bottom);
    // The frame row of the image's first row (0 for an image drawn whole):
    // what is cut at fixed rows of a frame is cut there in every band.
    static int frameTop(const QImage& image);

private:
    const uchar* bits_;
    int top_, bottom_, frameTop_;
    KeptRows* outer_;
};

} // namespace CoverageFill
