#pragma once
// The drawing facade handed to every draw operation.

#include "core/Bezier.h"
#include "core/Brush.h"
#include "core/DrawingContext.h"
#include "core/Font.h"
#include "core/Geometry.h"
#include "core/GraphicsPath.h"
#include "core/Pen.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <optional>
#include <vector>

class TextShape;

class Graphics {
public:
    explicit Graphics(DrawingContext& context);

    DrawingContext& context;
    bool picking = false;
    bool subPicking = false;
    int currentLayer = 0;
    bool useLayerColor = false;
    QColor layerColor = QColor(0, 0, 0);
    bool drawingPcb = false;
    bool showNodeIds = false;
    bool doNotDrawNodeIds = true;
    BoundingBox viewportBoundingBox;
    // Set while a sheet draws: the sheet draws the selection frames itself,
    // once, over everything, so Entity::draw leaves them out.
    bool selectionFramesOnTop = false;

    // The least width of a line (StrokeReach::kLeastWidthPixels on the
    // device) in model units under the current transform: along its
    // largest stretch, so that what is sized by it (least widths, hairlines,
    // halos) stays within about a pixel and a half every way, however
    // unevenly the transform scales. From the transform's linear part
    // alone: the same wherever the area drawn begins.
    double pixelSize() const;

    // None does nothing. Otherwise saves the context state and concatenates
    // t (t applied first).
    void pushTransform(const std::optional<QTransform>& t);
    // None does nothing; otherwise restores what pushTransform saved.
    void popTransform(const std::optional<QTransform>& t);

    // Sets the context's stroke from the pen (layer colour, caps, join, dash
    // pattern). The stroke's caps follow the pen's startCap. A pen thinner
    // than pixelSize is raised to the least width on the device in every
    // direction, and bevelled (a miter on a hairline would reach pixels
    // past its corner).
    void applyPen(const Pen& pen);
    // The fill colour to use for an entity colour (the layer colour when set).
    QColor effectiveColor(const QColor& c) const { return useLayerColor ? layerColor : c; }

    void fillAndStrokeRectangle(const Pen& pen, const Brush& brush, double x, double y, double width, double height);
    void fillAndStrokeEllipse(const Pen& pen, const Brush& brush, const QRectF& rect);
    void fillAndStrokePath(const QPainterPath& path, const Pen& pen, const Brush& brush);
    // A rounded outline as rectangles and magnets draw it: only the linear
    // and radial brushes fill with their gradient, every other kind fills
    // solid in the brush colour (or the layer colour); then the pen strokes.
    void fillAndStrokeRoundedOutline(const QPainterPath& path, const Pen& pen, const Brush& brush);
    void fillAndStrokePolygon(const std::vector<QPointF>& points, const Pen& pen, const Brush& brush);
    void fillAndStrokeBezier(const Bezier& bezier, const Pen& pen, const Brush& brush);

    void drawRectangle(const Pen& pen, const QColor& fill, const QRectF& rect);
    void drawEllipse(const Pen& pen, const QColor& fill, const QRectF& rect);
    void drawPolygon(const Pen& pen, const QColor& fill, const std::vector<QPointF>& points);
    void drawBezier(const Pen& pen, const QColor& fill, const Bezier& bezier);
    void fillPolygon(const QColor& color, const GraphicsPath& path);
    // Adds the open polyline to the context's current path.
    void addPolyline(const std::vector<QPointF>& points);

    // One line of text centred on (x, y) as the drawing rules place it, upright
    // in the y-up model.
    void drawText(const QString& text, const Font& font, const QColor& color, double x, double y);

    // Level of detail. Outside picking, shapes smaller than this on the
    // device (in device pixels, across) are drawn by cheap stand-ins that
    // cover the same pixels to within a fraction of a pixel: an ellipse by
    // the rectangle of the same area, rounded corners square. Picking always
    // draws the exact shapes.
    static constexpr double kTinyShapePixels = 3.0;
    // Ellipses up to this size across (device pixels) are filled as
    // polygons of the ellipse's area with as many sides as an inscribed
    // polygon needs to stray from the curve by at most kEllipseTolerance
    // pixels; being of the same area, they stray about half that both ways:
    // finer than QPainter flattens curves.
    static constexpr double kPolygonEllipsePixels = 24.0;
    static constexpr double kEllipseTolerance = 0.1;
    // Lines at most this wide on the device (one device pixel as pixelSize
    // measures it is about 1.41) draw their round joins and caps square.
    static constexpr double kThinLinePixels = 1.5;
    // Thin strokes are hard to hit: picking widens them by this many pixel
    // sizes (pixelSize), half of it each side of the line.
    static constexpr double kPickWideningPixels = 10;
    static constexpr double kSmallRoundLinePixels = 6.0;
    static constexpr int kRoundLineSides = 32;
    // Single round-ended segments up to this wide are filled directly.
    static constexpr double kRoundSegmentPixels = 1024.0;
    // Device pixels per model unit under the current transform (the square
    // root of its area scale).
    double deviceScale() const;
    // Whether the transform keeps shapes (a uniform scale with rotations,
    // mirrors and moves), under which QPainter fills upright rectangles
    // without building paths.
    bool keepsShapes() const;

    // A rectangle or an ellipse of model units filled in one colour as is
    // (the layer colour is the caller's), with level of detail outside
    // picking. Invisible colours draw nothing.
    void fillRect(const QRectF& rect, const QColor& color);
    void fillEllipse(const QRectF& rect, const QColor& color);
    // The closed polygon filled in one colour (non-zero), as drawPolygon
    // fills it, without building a path outside picking.
    void fillPoints(const std::vector<QPointF>& points, const QColor& color);
    // The rectangle's outline or the open polyline stroked with the pen
    // (applyPen's rules, applied here) when, outside picking, the solid line
    // is thin on the device: the rectangle as the band the line covers, with
    // square corners; the polyline segment by segment with square ends.
    // One segment with round ends, not thin but at most kRoundSegmentPixels
    // wide, is filled as its stroke's outline straight into the image: round
    // ends of kRoundLineSides corners per circle up to kSmallRoundLinePixels
    // wide, beyond that of as many as keep them within kEllipseTolerance
    // pixels of the circle. (Not polylines of more segments: QPainter's
    // round joins are coarser than its round ends.)
    // False, with only the pen applied, when the line is neither or the
    // colour is invisible: the caller strokes as usual.
    bool strokeThinRectangle(const Pen& pen, const QRectF& rect);
    bool strokeThinPolyline(const Pen& pen, const std::vector<QPointF>& points);

    // Pick mode: the context paints into a 1x1 image whose pixel is the
    // picked point. clearPickPixel before an entity draws, pickPixelHit after.
    QImage* pickImage = nullptr;
    void clearPickPixel();
    bool pickPixelHit() const;

private:
    // The context's painter under the context's current transform.
    QPainter& painterInView();
    // Level of detail drawn straight into the pixels of the image the
    // painter paints on, for many small upright rectangles: the image when
    // that is allowed now (a raster image of the painter's own pixels, no
    // clip, source over (or destination out on a premultiplied image), full
    // opacity, not picking), else null. Null on the ink measure, whose
    // device is no image: what would be written straight is then drawn by
    // the painter, which the measure records, or recorded by the context.
    QImage* directTarget();
    // The rectangle of user coordinates on the device, when the current
    // transform keeps it upright (and finite).
    bool uprightOnDevice(const QRectF& rect, QRectF& device) const;
    // Fills rect less inner (inside it; empty for none) straight into the
    // image with exact area coverage; false when that is not allowed.
    bool fillDirect(const QRectF& rect, const QRectF& inner, const QColor& color);
    // Fills the closed polygon of at most 64 points of user coordinates,
    // small on the device, straight into the image with exact area
    // coverage; false when that is not allowed or it is not small.
    bool fillDirect(const QPointF* points, int count, const QColor& color);
    bool fillDeviceContours(QImage& image, const QPointF* points, const int* counts, int contours, const QColor& color);
    // Fills the rectangle of user coordinates by the painter as a polygon
    // (QPainter's own rectangle fill under a turn or a fractional scale
    // rounds by where the area drawn begins, so a frame drawn in bands
    // would differ at its seams), or straight into the image.
    void fillQuad(const QRectF& rect, const QColor& color);
    // strokeThinPolyline's round segments; false when the line is not one.
    bool strokeSmallRoundSegment(QPointF from, QPointF to);
    QImage* directImage_ = nullptr;
    bool directChecked_ = false;
    // The image's pixels per unit of the painter's device coordinates.
    double directRatio_ = 1;
    // The stroke as applyPen set it is solid and thin on the device, and
    // level of detail applies.
    bool thinLine();
    // Brush fill, then pen stroke, each skipped for an invisible colour.
    void fillAndStroke(const QPainterPath& path, const Pen& pen, const Brush& brush);
    // Fill in one colour (non-zero) when filled, then pen stroke.
    void fillAndStrokeColor(const QPainterPath& path, const Pen& pen, const QColor& fill, bool filled);

    int pushes_ = 0;

public:
    // The path (non-zero), placed by local under the current transform, in
    // one colour straight into the image with exact area coverage, its
    // curves flattened to within kCurveTolerancePixels: QPainter spends far
    // more setting up each fill of a small path than filling it. False,
    // having drawn nothing, when that is not allowed now (picking, no direct
    // target, a transform that is not affine) or the path is more than 64
    // device pixels across either way: the caller fills as usual.
    bool fillSmallPath(const QPainterPath& path, const QTransform& local, const QColor& color);
    // The glyphs of a shaped line the same way, as the one path
    // TextShape::outline makes of them, their curves flattened to within
    // kGlyphCurveTolerancePixels: about as QPainter flattens glyphs of a
    // few pixels, so that small texts look as they did.
    bool fillSmallGlyphs(const TextShape& shape, const QTransform& local, const QColor& color);
    static constexpr double kCurveTolerancePixels = 0.02;
    static constexpr double kGlyphCurveTolerancePixels = 0.15;
};

// Asks the path for what QPainterPath computes on first asking and then keeps
// inside its shared data (its bounds and control bounds), so that the threads
// of a frame drawn in bands, reading copies of it at once, only read. The
// geometry pass calls it for every path it keeps for drawing.
void settlePath(const QPainterPath& path);
