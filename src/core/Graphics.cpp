#include "core/Graphics.h"

#include "core/Palette.h"
#include "core/TextMetrics.h"

#include <QPolygonF>

#include <cmath>

namespace {

// Whether the transform keeps lengths (rotations, mirrors, translations), so
// that one device pixel measures the same inside it as outside.
bool keepsLengths(const QTransform& t)
{
    const double a = t.m11(), b = t.m12(), c = t.m21(), d = t.m22();
    constexpr double eps = 1e-9;
    return !t.isAffine() ? false
                         : std::abs(a * a + b * b - 1) < eps && std::abs(c * c + d * d - 1) < eps
            && std::abs(a * c + b * d) < eps;
}

Qt::PenCapStyle qtCap(LineCap cap)
{
    switch (cap) {
    case LineCap::square: return Qt::SquareCap;
    case LineCap::flat: return Qt::FlatCap;
    default: return Qt::RoundCap;
    }
}

Qt::PenJoinStyle qtJoin(LineJoin join)
{
    switch (join) {
    case LineJoin::bevel: return Qt::BevelJoin;
    case LineJoin::miter:
    case LineJoin::miterClipped: return Qt::MiterJoin;
    case LineJoin::round: return Qt::RoundJoin;
    }
    return Qt::RoundJoin;
}

std::vector<double> dashPattern(LinePattern pattern, double w)
{
    switch (pattern) {
    case LinePattern::solid: return {};
    case LinePattern::dot: return {w, 3 * w};
    case LinePattern::dash: return {8 * w, 6 * w};
    case LinePattern::dashDot: return {12 * w, 6 * w, 3 * w, 6 * w};
    case LinePattern::dashDotDot: return {8 * w, 4 * w, 2 * w, 4 * w, 2 * w, 4 * w};
    }
    return {};
}

QPainterPath closedPolygon(const std::vector<QPointF>& points)
{
    QPainterPath p;
    if (points.empty())
        return p;
    p.moveTo(points.front());
    for (size_t i = 1; i < points.size(); ++i)
        p.lineTo(points[i]);
    p.closeSubpath();
    return p;
}

} // namespace

Graphics::Graphics(DrawingContext& context)
    : context(context)
{
}

double Graphics::pixelSize()
{
    if (currentPixelSize)
        return *currentPixelSize;
    const QTransform t = context.transform();
    bool invertible = false;
    QTransform inverse = t.inverted(&invertible);
    if (!invertible)
        inverse = t; // as the platform does: a singular transform inverts to itself
    const QPointF a = inverse.map(QPointF(0, 0));
    const QPointF b = inverse.map(QPointF(1, 1));
    double d = std::hypot(b.x() - a.x(), b.y() - a.y());
    if (!std::isfinite(d))
        d = 0;
    currentPixelSize = d;
    return d;
}

void Graphics::pushTransform(const std::optional<QTransform>& t)
{
    if (!t)
        return;
    pixelSizeStack_.push_back(currentPixelSize);
    context.saveState();
    context.concatenate(*t);
    // The remembered size stays right under a transform that keeps lengths;
    // under any other it is measured again when asked for.
    if (!keepsLengths(*t))
        currentPixelSize.reset();
}

void Graphics::popTransform(const std::optional<QTransform>& t)
{
    if (!t || pixelSizeStack_.empty())
        return;
    currentPixelSize = pixelSizeStack_.back();
    pixelSizeStack_.pop_back();
    context.restoreState();
}

void Graphics::applyPen(const Pen& pen)
{
    context.setStrokeColor(effectiveColor(pen.color));
    const double pixel = pixelSize();
    context.setLineWidth(std::isfinite(pen.width) ? std::max(pen.width, pixel) : pixel);
    context.setLineCap(drawingPcb ? Qt::RoundCap : qtCap(pen.startCap));
    context.setLineJoin(drawingPcb ? Qt::RoundJoin : qtJoin(pen.lineJoin));
    context.setLineDash(std::isfinite(pen.width) ? dashPattern(pen.linePattern, pen.width) : std::vector<double>{}, 0);
}

void Graphics::fillAndStroke(const QPainterPath& path, const Pen& pen, const Brush& brush)
{
    if (isDrawable(brush.color))
        brush.fillPath(*this, path);
    if (isDrawable(pen.color)) {
        applyPen(pen);
        context.beginPath();
        context.addPath(path);
        context.strokePath();
    }
}

void Graphics::fillAndStrokeRectangle(const Pen& pen, const Brush& brush, double x, double y, double width, double height)
{
    QPainterPath p;
    p.addRect(QRectF(x, y, width, height));
    fillAndStroke(p, pen, brush);
}

void Graphics::fillAndStrokeEllipse(const Pen& pen, const Brush& brush, const QRectF& rect)
{
    QPainterPath p;
    p.addEllipse(rect);
    fillAndStroke(p, pen, brush);
}

void Graphics::fillAndStrokePath(const QPainterPath& path, const Pen& pen, const Brush& brush)
{
    fillAndStroke(path, pen, brush);
}

void Graphics::fillAndStrokePolygon(const std::vector<QPointF>& points, const Pen& pen, const Brush& brush)
{
    if (points.empty())
        return;
    fillAndStroke(closedPolygon(points), pen, brush);
}

void Graphics::fillAndStrokeBezier(const Bezier& bezier, const Pen& pen, const Brush& brush)
{
    fillAndStroke(bezier.path(), pen, brush);
}

void Graphics::fillAndStrokeColor(const QPainterPath& path, const Pen& pen, const QColor& fill, bool filled)
{
    if (filled && isDrawable(fill)) {
        context.setFillColor(effectiveColor(fill));
        context.beginPath();
        context.addPath(path);
        context.fillPath(Qt::WindingFill);
    }
    if (isDrawable(pen.color)) {
        applyPen(pen);
        context.beginPath();
        context.addPath(path);
        context.strokePath();
    }
}

void Graphics::drawRectangle(const Pen& pen, const QColor& fill, const QRectF& rect)
{
    QPainterPath p;
    p.addRect(rect);
    fillAndStrokeColor(p, pen, fill, true);
}

void Graphics::drawEllipse(const Pen& pen, const QColor& fill, const QRectF& rect)
{
    QPainterPath p;
    p.addEllipse(rect);
    fillAndStrokeColor(p, pen, fill, true);
}

void Graphics::drawPolygon(const Pen& pen, const QColor& fill, const std::vector<QPointF>& points)
{
    if (points.empty())
        return;
    fillAndStrokeColor(closedPolygon(points), pen, fill, true);
}

void Graphics::drawBezier(const Pen& pen, const QColor& fill, const Bezier& bezier)
{
    fillAndStrokeColor(bezier.path(), pen, fill, bezier.closed);
}

void Graphics::fillPolygon(const QColor& color, const GraphicsPath& path)
{
    if (!isDrawable(color) || path.pathPoints.empty())
        return;
    context.beginPath();
    context.moveTo(path.pathPoints.front().at);
    for (const PathPoint& p : path.pathPoints)
        context.lineTo(p.at);
    context.lineTo(path.pathPoints.front().at);
    context.setFillColor(effectiveColor(color));
    context.fillPath(Qt::WindingFill);
}

void Graphics::addPolyline(const std::vector<QPointF>& points)
{
    if (points.empty())
        return;
    context.moveTo(points.front());
    for (size_t i = 1; i < points.size(); ++i)
        context.lineTo(points[i]);
}

void Graphics::drawText(const QString& text, const Font& font, const QColor& color, double x, double y)
{
    if (!isDrawable(color) || text.isEmpty() || !hasTextSize(font))
        return;
    const QPainterPath glyphs = textPath(font, text);
    if (glyphs.isEmpty())
        return;
    // The path is y-up already, with the baseline start at its origin; its
    // bounds are cached inside the shared path.
    const QRectF ink = glyphs.boundingRect();
    const QPointF origin(x - ink.width() / 2 - font.height / 10, y - ink.height() / 2);
    context.fillUserPath(glyphs, QBrush(effectiveColor(color)), Qt::WindingFill, QTransform::fromTranslate(origin.x(), origin.y()));
}

void Graphics::clearPickPixel()
{
    if (!pickImage)
        return;
    QPainter& p = context.painter();
    p.save();
    p.setClipping(false);
    p.setTransform(QTransform());
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(QRectF(0, 0, 1, 1), Qt::transparent);
    p.restore();
}

bool Graphics::pickPixelHit() const
{
    if (!pickImage || pickImage->isNull())
        return false;
    return qAlpha(pickImage->pixel(0, 0)) > 0;
}
