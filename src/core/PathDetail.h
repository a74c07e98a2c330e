#pragma once
// Fills and strokes of paths the painter cannot take as they are: paths of
// many elements (copper pours, long curves and polylines), drawn at a level of
// detail and in horizontal strips so that the scan converter only ever sees a
// few hundred edges at a time; and paths reaching far outside the view, whose
// device coordinates would overflow the rasteriser's fixed point, clipped to a
// guard band around the area drawn.
//
// Everything kept between draws is built once per path, before the frame
// where it can be (prepare), and per coarse zoom step published atomically,
// so several threads may draw the same path into different parts of one
// frame at once without waiting on each other.

#include "core/StrokeReach.h"

#include <QPainterPath>
#include <QTransform>

#include <cstdint>
#include <vector>

class QBrush;
class QPainter;
class QPen;

namespace PathDetail {

// Paths of at least this many elements always take the detailed way.
constexpr int kHugeElements = 1024;
// Outside exact drawing, vertices that move the outline by less than this
// many device pixels are dropped (at most; the zoom steps make it 0.71 to 1
// times this).
constexpr double kTolerancePixels = 0.1;
// Paths reaching farther than this beyond the area drawn (device pixels) are
// clipped to a guard band around it before the painter sees them.
constexpr double kFarPixels = 65536;
// Solid strokes whose ink spans more than this are clipped about the area
// drawn before they are outlined (see StrokeReach).
constexpr double kWideStrokePixels = StrokeReach::kWideStrokePixels;
// Fills the painter draws are cut into pieces of whole pixel rows or
// columns until each holds at most this many of the path's own points.
constexpr int kEdgesPerFill = 256;

// Fills the path, given in coordinates that toDevice maps to the painter's
// device (its world transform is replaced), with the brush (its transform is
// in the path's coordinates). False, having drawn nothing, when the path is
// small and near enough for the painter to fill as it is. Exact fills keep
// every vertex; others drop what moves the outline by less than the
// tolerance. A target of at most 2x2 pixels (picking) is drawn at the same
// level of detail, clipped close about it.
bool fill(QPainter& painter, const QPainterPath& path, const QTransform& toDevice, Qt::FillRule rule, const QBrush& brush,
    bool exact = false);
// The same for a stroke with the pen, whose width and dashes are in the
// path's coordinates.
bool stroke(QPainter& painter, const QPainterPath& path, const QTransform& toDevice, const QPen& pen, bool exact = false);
// Whether stroke draws that stroke (a huge path, or one reaching far from
// the area drawn, or a solid one whose ink spans more than
// kWideStrokePixels).
bool strokes(QPainter& painter, const QPainterPath& path, const QTransform& toDevice, const QPen& pen);

// Fills a path of any size, given in coordinates that toDevice maps to the
// painter's logical coordinates, straight into the pixels of the image the
// painter paints on, curves flattened to within kDirectFlatness pixels;
// false, having drawn nothing, where the painter must draw (see
// CoverageFill::target; and a target of at most 2x2 pixels, picking).
bool fillDirect(QPainter& painter, const QPainterPath& path, const QTransform& toDevice, Qt::FillRule rule, const QBrush& brush);
constexpr double kDirectFlatness = 0.02;
// Appends the closed contours of the path placed by t (curves flattened to
// within kDirectFlatness) to points, with the number of points of each to
// counts; contours of fewer than three points are left out.
void flattenOutline(const QPainterPath& path, const QTransform& t, std::vector<QPointF>& points, std::vector<int>& counts);

// What this thread last handed to the painter from fill or stroke: the
// number of path elements and painter calls; and the fills written straight
// into the image instead (their elements counted too).
struct Handed {
    std::int64_t elements = 0;
    int calls = 0;
    int direct = 0;
};
Handed lastHanded();

// The outline fill draws of a huge path under toDevice, on the device and
// not yet clipped: each subpath's points at the level of detail of that
// zoom (all of them, curves flattened, where there is none); and how far
// (device pixels) its points may be off the path. Empty for small paths.
struct Outline {
    std::vector<std::vector<QPointF>> contours;
    double tolerance = 0;
};
Outline outlineAt(const QPainterPath& path, const QTransform& toDevice);

// While one is alive on this thread, the paths fill and stroke draw are
// built for that one draw and never drawn again (a sheet's grid, a path an
// entity builds as it draws): a huge one not kept already is drawn by what
// is built for it alone, not kept, where it would evict the paths a design
// keeps.
class OneOffScope {
public:
    explicit OneOffScope(bool oneOff);
    ~OneOffScope();
    OneOffScope(const OneOffScope&) = delete;
    OneOffScope& operator=(const OneOffScope&) = delete;

private:
    bool previous_;
};

// Builds and keeps what drawing a huge path needs before any frame does
// (the geometry pass calls it for the paths entities keep), so that frames
// only look it up; does nothing for small paths, or when it is kept already.
void prepare(const QPainterPath& path);
// Whether what drawing the path needs is kept.
bool prepared(const QPainterPath& path);

// Drops every kept path (their memory with them).
void clearCache();
// Drops the kept paths nothing but the cache holds any more (those of a
// design that went; no lookup can find them again). A frame still drawing
// one keeps what it took.
void dropUnheld();

} // namespace PathDetail
