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
    std::optional<double> currentPixelSize;

    // One device pixel in model units under the current transform (the
    // distance between the images of (0,0) and (1,1) under its inverse);
    // computed and stored when absent.
    double pixelSize();

    // None does nothing. Otherwise remembers the pixel size, saves the
    // context state and concatenates t (t applied first). Under a transform
    // that does not keep lengths the pixel size is measured afresh.
    void pushTransform(const std::optional<QTransform>& t);
    // None does nothing; otherwise restores what pushTransform saved.
    void popTransform(const std::optional<QTransform>& t);

    // Sets the context's stroke from the pen (layer colour, one-pixel minimum,
    // caps, join, dash pattern). The stroke's caps follow the pen's startCap.
    void applyPen(const Pen& pen);
    // The fill colour to use for an entity colour (the layer colour when set).
    QColor effectiveColor(const QColor& c) const { return useLayerColor ? layerColor : c; }

    void fillAndStrokeRectangle(const Pen& pen, const Brush& brush, double x, double y, double width, double height);
    void fillAndStrokeEllipse(const Pen& pen, const Brush& brush, const QRectF& rect);
    void fillAndStrokePath(const QPainterPath& path, const Pen& pen, const Brush& brush);
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

    // Pick mode: the context paints into a 1x1 image whose pixel is the
    // picked point. clearPickPixel before an entity draws, pickPixelHit after.
    QImage* pickImage = nullptr;
    void clearPickPixel();
    bool pickPixelHit() const;

private:
    // Brush fill, then pen stroke, each skipped for an invisible colour.
    void fillAndStroke(const QPainterPath& path, const Pen& pen, const Brush& brush);
    // Fill in one colour (non-zero) when filled, then pen stroke.
    void fillAndStrokeColor(const QPainterPath& path, const Pen& pen, const QColor& fill, bool filled);

    std::vector<std::optional<double>> pixelSizeStack_;
};
