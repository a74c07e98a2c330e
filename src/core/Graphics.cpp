#include "core/Graphics.h"

#include "core/CoverageFill.h"
#include "core/Palette.h"
#include "core/PixelBlend.h"
#include "core/StrokeReach.h"
#include "core/TextMetrics.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <unordered_map>

namespace {

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

// Affine with finite, invertible linear part and finite offsets: QPainter
// can draw under it as it is.
bool finiteAffine(const QTransform& t)
{
    const double det = t.m11() * t.m22() - t.m12() * t.m21();
    return t.isAffine() && std::isfinite(det) && det != 0 && std::isfinite(t.dx()) && std::isfinite(t.dy());
}

// The regular polygon of `sides` corners (a multiple of 4, at most 64)
// about the origin with the unit circle's area: its corners lie just outside
// the circle and its sides just inside, straying half as far as an
// inscribed polygon's.
const std::vector<QPointF>& unitPolygon(int sides)
{
    static const std::array<std::vector<QPointF>, 17> polygons = [] {
        std::array<std::vector<QPointF>, 17> all;
        for (int k = 1; k <= 16; ++k) {
            const int n = 4 * k;
            const double grow = std::sqrt(M_PI / (n / 2.0 * std::sin(2 * M_PI / n)));
            for (int i = 0; i < n; ++i) {
                const double a = 2 * M_PI * i / n;
                all[size_t(k)].emplace_back(grow * std::cos(a), grow * std::sin(a));
            }
        }
        return all;
    }();
    return polygons[size_t(std::clamp(sides / 4, 1, 16))];
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

using PixelBlend::blend;
using PixelBlend::erase;

// Coverage of the pixel span [i, i + 1) by [lo, hi).
inline double spanCover(int i, double lo, double hi)
{
    return std::max(0.0, std::min(hi, i + 1.0) - std::max(lo, double(i)));
}

// Fills the area of `outer` less `inner` (a rectangle inside it, or an
// empty one) on the image with exact area coverage, source over. Both are
// in device pixels.
template <void (*Blend)(uint32_t&, uint32_t, uint32_t)>
void rasterFill(QImage& image, const QRectF& outer, const QRectF& inner, QRgb premultiplied)
{
    const double ox0 = outer.left(), ox1 = outer.right(), oy0 = outer.top(), oy1 = outer.bottom();
    const bool hole = !inner.isEmpty();
    const double ix0 = inner.left(), ix1 = inner.right(), iy0 = inner.top(), iy1 = inner.bottom();
    // Clamped while still doubles: a far-off shape does not fit in int.
    auto pixel = [](double v, int lo, int hi) { return int(std::clamp(v, double(lo), double(hi))); };
    const int x0 = pixel(std::floor(ox0), 0, image.width()), x1 = pixel(std::ceil(ox1), 0, image.width());
    int y0 = pixel(std::floor(oy0), 0, image.height()), y1 = pixel(std::ceil(oy1), 0, image.height());
    CoverageFill::KeptRows::narrow(image, y0, y1);
    if (x0 >= x1 || y0 >= y1)
        return;
    // Each column's cover by the outer and the inner rectangle, kept in a
    // small buffer for the narrow shapes this serves.
    constexpr int kStack = 256;
    float stackCover[2 * kStack];
    std::vector<float> heapCover;
    const int columns = x1 - x0;
    float* cover = stackCover;
    if (columns > kStack) {
        heapCover.resize(size_t(2 * columns));
        cover = heapCover.data();
    }
    float* innerCover = cover + columns;
    for (int x = x0; x < x1; ++x) {
        cover[x - x0] = float(spanCover(x, ox0, ox1));
        innerCover[x - x0] = hole ? float(spanCover(x, ix0, ix1)) : 0.0f;
    }
    uchar* bits = const_cast<uchar*>(image.constBits());
    const qsizetype stride = image.bytesPerLine();
    // Columns wholly inside the inner rectangle, for rows wholly inside it.
    const int hx0 = hole ? pixel(std::ceil(ix0), x0, x1) : x1;
    const int hx1 = hole ? pixel(std::floor(ix1), x0, x1) : x1;
    for (int y = y0; y < y1; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(bits + y * stride);
        const float cyOuter = float(spanCover(y, oy0, oy1));
        const float cyInner = hole ? float(spanCover(y, iy0, iy1)) : 0.0f;
        const bool skipInside = hole && cyInner == cyOuter && hx0 < hx1;
        for (int x = x0; x < x1; ++x) {
            if (skipInside && x == hx0) {
                x = hx1 - 1;
                continue;
            }
            const float c = cover[x - x0] * cyOuter - innerCover[x - x0] * cyInner;
            const int coverage = int(c * 255.0f + 0.5f);
            if (coverage > 0)
                Blend(row[x], premultiplied, uint32_t(std::min(coverage, 255)));
        }
    }
}

// Adds the signed area a line of device pixels sweeps between itself and
// the left edge of each pixel to an accumulation buffer of rows x stride
// cells (stride at least the line's last column + 2); summed along a row,
// the cells give each pixel's covered area, as a scan converter computes it.
// Coordinates are local to the buffer and not negative.
void accumulateLine(float* cells, int stride, int rows, QPointF p0, QPointF p1)
{
    if (p0.y() == p1.y())
        return;
    double dir = 1;
    if (p0.y() > p1.y()) {
        std::swap(p0, p1);
        dir = -1;
    }
    const double dxdy = (p1.x() - p0.x()) / (p1.y() - p0.y());
    double x = p0.x();
    const int last = std::min(rows, int(std::ceil(p1.y())));
    for (int y = int(p0.y()); y < last; ++y) {
        float* line = cells + qsizetype(y) * stride;
        const double dy = std::min(y + 1.0, p1.y()) - std::max(double(y), p0.y());
        const double xNext = x + dxdy * dy;
        const double d = dy * dir;
        PixelBlend::depositEdge(line, x, xNext, d);
        x = xNext;
    }
}

// Polygons up to this size across (device pixels) are filled by
// rasterContours, whose cells live on the stack.
constexpr int kDirectPolygonPixels = 64;

// Fills the closed contours of device points (the counts of points of each
// in turn; non-zero) on the image with exact area coverage; false, having
// drawn nothing, when a point is not finite or the whole is larger than
// kDirectPolygonPixels either way.
template <void (*Blend)(uint32_t&, uint32_t, uint32_t)>
bool rasterContours(QImage& image, const QPointF* points, const int* counts, int contours, QRgb premultiplied)
{
    int count = 0;
    for (int c = 0; c < contours; ++c)
        count += counts[c];
    if (count < 3)
        return true;
    double minX = points[0].x(), maxX = minX, minY = points[0].y(), maxY = minY;
    for (int i = 1; i < count; ++i) {
        minX = std::min(minX, points[i].x());
        maxX = std::max(maxX, points[i].x());
        minY = std::min(minY, points[i].y());
        maxY = std::max(maxY, points[i].y());
    }
    if (!(std::isfinite(minX) && std::isfinite(maxX) && std::isfinite(minY) && std::isfinite(maxY))
        || maxX - minX > kDirectPolygonPixels || maxY - minY > kDirectPolygonPixels)
        return false;
    int keptTop = 0, keptBottom = image.height();
    CoverageFill::KeptRows::narrow(image, keptTop, keptBottom);
    if (maxX <= 0 || maxY <= keptTop || minX >= image.width() || minY >= keptBottom)
        return true;
    const int left = int(std::floor(minX)), top = int(std::floor(minY));
    const int columns = int(std::ceil(maxX)) - left, rows = std::max(1, int(std::ceil(maxY)) - top);
    const int stride = columns + 2;
    float cells[(kDirectPolygonPixels + 3) * (kDirectPolygonPixels + 1)];
    std::fill(cells, cells + qsizetype(stride) * rows, 0.0f);
    const QPointF origin(left, top);
    const QPointF* contour = points;
    for (int c = 0; c < contours; contour += counts[c++]) {
        for (int i = 0; i < counts[c]; ++i) {
            // Clamped at the origin against rounding below the first cell.
            const QPointF a = contour[i] - origin, b = contour[(i + 1) % counts[c]] - origin;
            accumulateLine(cells, stride, rows, QPointF(std::max(0.0, a.x()), std::max(0.0, a.y())),
                           QPointF(std::max(0.0, b.x()), std::max(0.0, b.y())));
        }
    }
    uchar* bits = const_cast<uchar*>(image.constBits());
    const qsizetype bytesPerLine = image.bytesPerLine();
    const int fromX = std::max(0, -left), toX = std::min(stride, image.width() - left);
    for (int y = std::max(0, keptTop - top); y < rows && top + y < keptBottom; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(bits + (top + y) * bytesPerLine);
        const float* line = cells + qsizetype(y) * stride;
        float sum = 0;
        for (int x = 0; x < toX; ++x) {
            sum += line[x];
            if (x < fromX)
                continue;
            const int coverage = int(std::min(std::abs(sum), 1.0f) * 255.0f + 0.5f);
            if (coverage > 0)
                Blend(row[left + x], premultiplied, uint32_t(coverage));
        }
    }
    return true;
}

} // namespace

Graphics::Graphics(DrawingContext& context)
    : context(context)
{
}

double Graphics::pixelSize() const
{
    const double stretch = largestStretch(context.currentTransform());
    const double d = StrokeReach::kLeastWidthPixels / stretch;
    return stretch > 0 && std::isfinite(d) ? d : 0;
}

void Graphics::pushTransform(const std::optional<QTransform>& t)
{
    if (!t)
        return;
    ++pushes_;
    context.saveState();
    context.concatenate(*t);
}

void Graphics::popTransform(const std::optional<QTransform>& t)
{
    if (!t || pushes_ == 0)
        return;
    --pushes_;
    context.restoreState();
}

void Graphics::applyPen(const Pen& pen)
{
    context.setStrokeColor(effectiveColor(pen.color));
    const double pixel = pixelSize();
    const bool raised = !(std::isfinite(pen.width) && pen.width >= pixel);
    const double width = raised ? pixel : pen.width;
    context.setLineWidth(width);
    context.setRaisedWidth(raised ? StrokeReach::kLeastWidthPixels : 0);
    context.setLineCap(drawingPcb ? Qt::RoundCap : qtCap(pen.startCap));
    const Qt::PenJoinStyle join = qtJoin(pen.lineJoin);
    context.setLineJoin(drawingPcb ? Qt::RoundJoin : raised && join == Qt::MiterJoin ? Qt::BevelJoin : join);
    // The pattern follows the width drawn: dashes of a pen raised to the
    // least width would overlap and carry more ink than the solid line. (A
    // pen of no width has a pattern of zeros: solid.)
    context.setLineDash(std::isfinite(pen.width) ? dashPattern(pen.linePattern, pen.width > 0 ? width : pen.width)
                                                 : std::vector<double>{},
        0);
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
    fillAndStroke(bezier.drawnPath(), pen, brush);
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
    fillAndStrokeColor(bezier.drawnPath(), pen, fill, bezier.closed);
}

void Graphics::fillPolygon(const QColor& color, const GraphicsPath& path)
{
    if (!isDrawable(color) || path.pathPoints.empty())
        return;
    context.beginPath();
    context.addPath(path.drawnPath());
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
    const std::shared_ptr<const TextShape> shape = textShape(font, text);
    if (!shape || shape->ink().isNull())
        return;
    // Filled in model units, y-up, with the baseline start at the origin.
    const double unit = textShapeUnit(font);
    const QPainterPath glyphs = QTransform::fromScale(unit, unit).map(shape->outline());
    const QRectF ink = textInkBounds(font, *shape);
    const QPointF origin(x - ink.width() / 2 - font.height / 10, y - ink.height() / 2);
    context.fillUserPath(glyphs, QBrush(effectiveColor(color)), Qt::WindingFill, QTransform::fromTranslate(origin.x(), origin.y()));
}

QPainter& Graphics::painterInView()
{
    QPainter& painter = context.painter();
    const QTransform& t = context.currentTransform();
    const QTransform& now = painter.transform();
    // Setting a transform costs QPainter more than comparing one.
    if (!(now.m11() == t.m11() && now.m12() == t.m12() && now.m21() == t.m21() && now.m22() == t.m22()
          && now.dx() == t.dx() && now.dy() == t.dy() && now.m13() == t.m13() && now.m23() == t.m23()
          && now.m33() == t.m33()))
        painter.setTransform(t);
    return painter;
}

double Graphics::deviceScale() const
{
    const QTransform& t = context.currentTransform();
    const double s = std::sqrt(std::abs(t.m11() * t.m22() - t.m12() * t.m21()));
    return std::isfinite(s) ? s : 0;
}

bool Graphics::keepsShapes() const
{
    const QTransform& t = context.currentTransform();
    if (!t.isAffine())
        return false;
    const double a = t.m11(), b = t.m12(), c = t.m21(), d = t.m22();
    const double xx = a * a + b * b, yy = c * c + d * d;
    // Orthogonal axes of equal length, to a relative tolerance; both finite
    // and not degenerate.
    return std::isfinite(xx) && std::isfinite(yy) && std::isfinite(t.dx()) && std::isfinite(t.dy()) && xx > 0
        && std::abs(xx - yy) <= 1e-9 * xx && std::abs(a * c + b * d) <= 1e-9 * xx;
}

QImage* Graphics::directTarget()
{
    if (picking)
        return nullptr;
    QPainter& painter = context.painter();
    if (!directChecked_) {
        directChecked_ = true;
        QPaintDevice* device = painter.device();
        QImage* image = device && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
        // The image's pixels are the painter's device coordinates scaled by
        // its pixel ratio (no view transform): filled here at every ratio,
        // so that small shapes are not left to the painter's rasteriser,
        // which rounds points outside the area drawn otherwise than inside
        // it. Decided from the device alone, not from the transform the
        // first fill finds (which differs with what a band draws first).
        const double ratio = image ? image->devicePixelRatio() : 1;
        if (image && !image->isNull() && ratio > 0 && std::isfinite(ratio)
            && (image->format() == QImage::Format_ARGB32_Premultiplied || image->format() == QImage::Format_RGB32)
            && painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Raster && !painter.viewTransformEnabled()) {
            directImage_ = image;
            directRatio_ = ratio;
        }
    }
    const QPainter::CompositionMode mode = painter.compositionMode();
    if (!directImage_ || painter.hasClipping() || painter.opacity() != 1.0
        || (mode != QPainter::CompositionMode_SourceOver
            && !(mode == QPainter::CompositionMode_DestinationOut && directImage_->format() == QImage::Format_ARGB32_Premultiplied)))
        return nullptr;
    return directImage_;
}

bool Graphics::uprightOnDevice(const QRectF& rect, QRectF& device) const
{
    const QTransform& t = context.currentTransform();
    const bool upright = (t.m12() == 0 && t.m21() == 0) || (t.m11() == 0 && t.m22() == 0);
    if (!upright || !finiteAffine(t))
        return false;
    // mapRect gives the upright image normalised.
    device = t.mapRect(rect);
    return std::isfinite(device.left()) && std::isfinite(device.top()) && std::isfinite(device.right())
        && std::isfinite(device.bottom()) && std::abs(device.width()) < 1e7 && std::abs(device.height()) < 1e7;
}

bool Graphics::fillDirect(const QRectF& rect, const QRectF& inner, const QColor& color)
{
    QRectF outerDevice, innerDevice;
    if (!uprightOnDevice(rect, outerDevice) || (!inner.isEmpty() && !uprightOnDevice(inner, innerDevice)))
        return false;
    QImage* image = directTarget();
    if (!image)
        return false;
    if (directRatio_ != 1) {
        const QTransform pixels = QTransform::fromScale(directRatio_, directRatio_);
        outerDevice = pixels.mapRect(outerDevice);
        if (!inner.isEmpty())
            innerDevice = pixels.mapRect(innerDevice);
    }
    if (context.painter().compositionMode() == QPainter::CompositionMode_DestinationOut)
        rasterFill<erase>(*image, outerDevice, innerDevice, qPremultiply(color.rgba()));
    else
        rasterFill<blend>(*image, outerDevice, innerDevice, qPremultiply(color.rgba()));
    return true;
}

bool Graphics::fillDirect(const QPointF* points, int count, const QColor& color)
{
    QImage* image = directTarget();
    if (!image || count > 64 || !finiteAffine(context.currentTransform()))
        return false;
    const QTransform& t = context.currentTransform();
    QPointF device[64];
    for (int i = 0; i < count; ++i)
        device[i] = t.map(points[i]);
    return fillDeviceContours(*image, device, &count, 1, color);
}

bool Graphics::fillDeviceContours(QImage& image, const QPointF* points, const int* counts, int contours, const QColor& color)
{
    if (directRatio_ != 1) {
        thread_local std::vector<QPointF> pixels;
        int count = 0;
        for (int c = 0; c < contours; ++c)
            count += std::max(0, counts[c]);
        pixels.resize(size_t(count));
        for (int i = 0; i < count; ++i)
            pixels[size_t(i)] = points[i] * directRatio_;
        points = pixels.data();
    }
    const bool cut = context.painter().compositionMode() == QPainter::CompositionMode_DestinationOut;
    if (cut ? rasterContours<erase>(image, points, counts, contours, qPremultiply(color.rgba()))
            : rasterContours<blend>(image, points, counts, contours, qPremultiply(color.rgba())))
        return true;
    // Larger ones (long tracks) by the sweep, which visits the cells their
    // edges touch rather than every cell of their box.
    return CoverageFill::fill(image, points, counts, contours, Qt::WindingFill, color, cut);
}

bool Graphics::strokeSmallRoundSegment(QPointF from, QPointF to)
{
    const double width = context.lineWidth() * deviceScale();
    if (picking || !context.lineDash().empty() || context.lineCap() != Qt::RoundCap || !(width <= kRoundSegmentPixels)
        || !keepsShapes())
        return false;
    QImage* image = directTarget();
    if (!image)
        return false;
    const QTransform& t = context.currentTransform();
    const QPointF a = t.map(from), b = t.map(to);
    const double length = QLineF(a, b).length();
    if (!(length > 0) || !std::isfinite(length))
        return false; // a dot: the stroker's own
    // The stadium the round ends make, its corners on circles of the round
    // end's area, as the small discs; wider ends with as many corners as
    // keep them within the ellipses' tolerance of the circle.
    constexpr int kSteps = kRoundLineSides / 2;
    const double c = (b.x() - a.x()) / length, s = (b.y() - a.y()) / length;
    if (width > kSmallRoundLinePixels) {
        const double r = width / 2;
        // Inscribed, so that the long sides lie where the stroke's do: its
        // corners stray from the circle by at most half the tolerance.
        const int sides = std::clamp(int(std::ceil(M_PI / std::acos(1 - kEllipseTolerance / 2 / r) / 2)) * 2, kRoundLineSides, 1024);
        const int steps = sides / 2;
        const double radius = r;
        std::vector<QPointF> device;
        device.reserve(size_t(2 * (steps + 1)));
        for (const double end : {1.0, -1.0}) {
            const QPointF at = end > 0 ? b : a;
            for (int k = 0; k <= steps; ++k) {
                const double angle = -M_PI / 2 + M_PI * k / steps;
                const double hx = std::cos(angle), hy = std::sin(angle);
                device.push_back(at + end * radius * QPointF(c * hx - s * hy, s * hx + c * hy));
            }
        }
        const int n = int(device.size());
        return fillDeviceContours(*image, device.data(), &n, 1, context.strokeColor());
    }
    static const double grow = std::sqrt(M_PI / (kRoundLineSides / 2.0 * std::sin(2 * M_PI / kRoundLineSides)));
    const double radius = width / 2 * grow;
    // The half circles' corners turned to the segment's direction, rather
    // than a sine and a cosine for each corner of every segment.
    static const std::array<QPointF, kSteps + 1> half = [] {
        std::array<QPointF, kSteps + 1> h;
        for (int k = 0; k <= kSteps; ++k)
            h[size_t(k)] = QPointF(std::cos(-M_PI / 2 + M_PI * k / kSteps), std::sin(-M_PI / 2 + M_PI * k / kSteps));
        return h;
    }();
    QPointF device[2 * (kSteps + 1)];
    int n = 0;
    for (const QPointF& h : half)
        device[n++] = b + radius * QPointF(c * h.x() - s * h.y(), s * h.x() + c * h.y());
    for (const QPointF& h : half)
        device[n++] = a - radius * QPointF(c * h.x() - s * h.y(), s * h.x() + c * h.y());
    return fillDeviceContours(*image, device, &n, 1, context.strokeColor());
}

void Graphics::fillQuad(const QRectF& rect, const QColor& color)
{
    if (context.recordFill(rect, context.currentTransform()))
        return;
    const QPointF corners[4] = {rect.topLeft(), rect.topRight(), rect.bottomRight(), rect.bottomLeft()};
    if (fillDirect(corners, 4, color))
        return;
    QPainter& painter = painterInView();
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPolygon(corners, 4, Qt::WindingFill);
}

void Graphics::fillRect(const QRectF& rect, const QColor& color)
{
    if (!isDrawable(color))
        return;
    if (!picking && fillDirect(rect, QRectF(), color))
        return;
    if (!picking && keepsShapes()) {
        fillQuad(rect, color);
        return;
    }
    context.setFillColor(color);
    context.beginPath();
    context.addRect(rect);
    context.fillPath(Qt::WindingFill);
}

void Graphics::fillEllipse(const QRectF& rect, const QColor& color)
{
    if (!isDrawable(color))
        return;
    if (!picking && keepsShapes()) {
        const QRectF r = rect.normalized();
        const double across = std::max(r.width(), r.height()) * deviceScale();
        const QPointF c = r.center();
        if (across < kTinyShapePixels) {
            // The rectangle of the ellipse's area, about its centre.
            constexpr double k = 0.88622692545275801365; // sqrt(pi) / 2
            const double w = r.width() * k, h = r.height() * k;
            const QRectF square(c.x() - w / 2, c.y() - h / 2, w, h);
            if (!fillDirect(square, QRectF(), color))
                fillQuad(square, color);
            return;
        }
        if (across <= kPolygonEllipsePixels) {
            // Small on the device: an inscribed polygon whose sides stray
            // from the curve by less than kEllipseTolerance pixels, filled
            // without flattening the curve on every draw.
            const double radius = across / 2;
            const int sides = std::clamp(int(std::ceil(M_PI / std::acos(1 - kEllipseTolerance / radius) / 4)) * 4, 8, 64);
            const std::vector<QPointF>& unit = unitPolygon(sides);
            QPointF points[64];
            const double rx = r.width() / 2, ry = r.height() / 2;
            for (int i = 0; i < sides; ++i)
                points[i] = QPointF(c.x() + rx * unit[size_t(i)].x(), c.y() + ry * unit[size_t(i)].y());
            if (fillDirect(points, sides, color))
                return;
            QPainter& painter = painterInView();
            painter.setPen(Qt::NoPen);
            painter.setBrush(color);
            painter.drawPolygon(points, sides, Qt::WindingFill);
            return;
        }
    }
    context.setFillColor(color);
    context.beginPath();
    context.addEllipse(rect);
    context.fillPath(Qt::WindingFill);
}

void Graphics::fillPoints(const std::vector<QPointF>& points, const QColor& color)
{
    if (!isDrawable(color) || points.empty())
        return;
    if (!picking && points.size() <= 64 && fillDirect(points.data(), int(points.size()), color))
        return;
    if (!picking && finiteAffine(context.transform()) && points.size() <= size_t(std::numeric_limits<int>::max())) {
        QPainter& painter = painterInView();
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawPolygon(points.data(), int(points.size()), Qt::WindingFill);
        return;
    }
    context.setFillColor(color);
    context.beginPath();
    context.addPath(closedPolygon(points));
    context.fillPath(Qt::WindingFill);
}

bool Graphics::thinLine()
{
    return !picking && context.lineDash().empty() && keepsShapes() && context.lineWidth() * deviceScale() <= kThinLinePixels;
}

bool Graphics::strokeThinRectangle(const Pen& pen, const QRectF& rect)
{
    if (!isDrawable(pen.color))
        return false;
    applyPen(pen);
    const double w = context.lineWidth();
    const QRectF r = rect.normalized();
    if (!thinLine() || !(r.width() > w && r.height() > w))
        return false;
    const double h = w / 2;
    if (fillDirect(r.adjusted(-h, -h, h, h), r.adjusted(h, h, -h, -h), context.strokeColor()))
        return true;
    // The outer rectangle less the inner one, as one polygon: the two edges
    // that join them cancel under the odd-even rule.
    const QPointF points[10] = {
        {r.left() - h, r.top() - h}, {r.right() + h, r.top() - h}, {r.right() + h, r.bottom() + h},
        {r.left() - h, r.bottom() + h}, {r.left() - h, r.top() - h}, {r.left() + h, r.top() + h},
        {r.left() + h, r.bottom() - h}, {r.right() - h, r.bottom() - h}, {r.right() - h, r.top() + h},
        {r.left() + h, r.top() + h},
    };
    QPainter& painter = painterInView();
    painter.setPen(Qt::NoPen);
    painter.setBrush(context.strokeColor());
    painter.drawPolygon(points, 10, Qt::OddEvenFill);
    return true;
}

bool Graphics::strokeThinPolyline(const Pen& pen, const std::vector<QPointF>& points)
{
    if (!isDrawable(pen.color))
        return false;
    applyPen(pen);
    if (points.size() == 2 && !thinLine())
        return strokeSmallRoundSegment(points[0], points[1]);
    if (points.size() < 2 || points.size() > 4096 || !thinLine())
        return false;
    // One outline about the whole line, its corners mitred and its ends
    // square: segments drawn each with its own square ends would cover
    // every vertex twice, and a line of many short segments would carry
    // far more ink than the same line of few. Turns sharper than 120
    // degrees are bevelled outside; where the inner corner would reach
    // past a segment's end, one outline ends and the next begins.
    const QTransform& t = context.currentTransform();
    const double h = context.lineWidth() * deviceScale() / 2;
    thread_local std::vector<QPointF> device, outline, right;
    thread_local std::vector<int> counts;
    device.clear();
    outline.clear();
    counts.clear();
    for (const QPointF& p : points) {
        const QPointF d = t.map(p);
        if (!std::isfinite(d.x()) || !std::isfinite(d.y()))
            return true;
        if (device.empty() || std::abs(d.x() - device.back().x()) + std::abs(d.y() - device.back().y()) > 1e-9)
            device.push_back(d);
    }
    auto direction = [](QPointF a, QPointF b) {
        const QPointF v = b - a;
        return v / std::hypot(v.x(), v.y());
    };
    auto normal = [](QPointF d) { return QPointF(-d.y(), d.x()); };
    if (device.size() == 1) {
        // No length: the square its ends make.
        const QPointF c = device.front();
        outline = {c + QPointF(-h, -h), c + QPointF(h, -h), c + QPointF(h, h), c + QPointF(-h, h)};
        counts.push_back(4);
    }
    size_t begin = 0; // the first point of the line the outline being made is about
    size_t pieceStart = outline.size();
    for (size_t j = 1; j < device.size(); ++j) {
        const bool last = j + 1 == device.size();
        const QPointF in = direction(device[j - 1], device[j]);
        QPointF out;
        bool sharp = false, split = false;
        if (!last) {
            out = direction(device[j], device[j + 1]);
            const double turn = QPointF::dotProduct(in, out);
            sharp = turn < -0.5;
            // How far back along each segment the inner corner lies:
            // h tan(angle / 2).
            const double back = h * std::sqrt(std::max(0.0, (1 - turn) / (1 + turn)));
            split = sharp
                && !(back <= QLineF(device[j - 1], device[j]).length() && back <= QLineF(device[j], device[j + 1]).length());
        }
        if (j - 1 == begin) {
            const QPointF d = direction(device[begin], device[begin + 1]);
            right.clear();
            outline.push_back(device[begin] - h * d + h * normal(d));
            right.push_back(device[begin] - h * d - h * normal(d));
        }
        if (last || split) {
            outline.push_back(device[j] + h * in + h * normal(in));
            right.push_back(device[j] + h * in - h * normal(in));
            outline.insert(outline.end(), right.rbegin(), right.rend());
            counts.push_back(int(outline.size() - pieceStart));
            pieceStart = outline.size();
            begin = j;
            continue;
        }
        const QPointF n0 = normal(in), n1 = normal(out);
        const QPointF miter = (n0 + n1) * (h / (1 + QPointF::dotProduct(n0, n1)));
        if (!sharp) {
            outline.push_back(device[j] + miter);
            right.push_back(device[j] - miter);
        } else if (in.x() * out.y() - in.y() * out.x() > 0) {
            // Turning towards the left side: that side's corner is inner.
            outline.push_back(device[j] + miter);
            right.push_back(device[j] - h * n0);
            right.push_back(device[j] - h * n1);
        } else {
            outline.push_back(device[j] + h * n0);
            outline.push_back(device[j] + h * n1);
            right.push_back(device[j] - miter);
        }
    }
    const QColor color = context.strokeColor();
    if (QImage* image = directTarget();
        image && fillDeviceContours(*image, outline.data(), counts.data(), int(counts.size()), color))
        return true;
    QPainterPath path;
    size_t at = 0;
    for (int count : counts) {
        path.moveTo(outline[at]);
        for (int i = 1; i < count; ++i)
            path.lineTo(outline[at + size_t(i)]);
        path.closeSubpath();
        at += size_t(count);
    }
    QPainter& painter = context.painter();
    painter.setTransform(QTransform());
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPath(path);
    return true;
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

void Graphics::fillAndStrokeRoundedOutline(const QPainterPath& path, const Pen& pen, const Brush& brush)
{
    if (brush.brushType == BrushType::gradient || brush.brushType == BrushType::radial) {
        brush.fillPath(*this, path);
    } else if (isDrawable(brush.color) && isDrawable(effectiveColor(brush.color))) {
        context.setFillColor(effectiveColor(brush.color));
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

namespace {

// A curve is flattened into at most this many segments.
constexpr int kMaxCurveSegments = 64;
// A path of more points than this is left to QPainter.
constexpr size_t kMaxSmallPathPoints = 8192;

// Contours of device points built on a thread, kept for its next fill.
struct SmallPathBuffer {
    std::vector<QPointF> points;
    std::vector<int> counts;
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    size_t start = 0; // of the contour being built
    double limit = kDirectPolygonPixels; // across, either way

    void clear()
    {
        points.clear();
        counts.clear();
        start = 0;
        minX = minY = std::numeric_limits<double>::infinity();
        maxX = maxY = -std::numeric_limits<double>::infinity();
    }
    void add(QPointF p)
    {
        points.push_back(p);
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    }
    void closeContour()
    {
        if (points.size() > start)
            counts.push_back(int(points.size() - start));
        start = points.size();
    }
    // Still small enough for the direct fill (NaN fails too).
    bool small() const
    {
        return points.size() <= kMaxSmallPathPoints && maxX - minX <= limit && maxY - minY <= limit;
    }
};

// Appends the subpaths of the path, moved by offset and then mapped by the
// affine t, to the buffer as closed contours, curves flattened to within
// tolerance device pixels (the segment count that bounds a cubic's
// deviation from its chords). False as soon as the whole is not small or
// the path is malformed.
bool flattenInto(SmallPathBuffer& out, const QPainterPath& path, QPointF offset, const QTransform& t, double tolerance)
{
    const double m11 = t.m11(), m12 = t.m12(), m21 = t.m21(), m22 = t.m22(), dx = t.dx(), dy = t.dy();
    auto map = [&](const QPainterPath::Element& e) {
        const double x = e.x + offset.x(), y = e.y + offset.y();
        return QPointF(m11 * x + m21 * y + dx, m12 * x + m22 * y + dy);
    };
    const int n = path.elementCount();
    for (int i = 0; i < n; ++i) {
        const QPainterPath::Element& e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            out.closeContour();
            out.add(map(e));
            break;
        case QPainterPath::LineToElement:
            out.add(map(e));
            break;
        case QPainterPath::CurveToElement: {
            if (i + 2 >= n || out.points.size() == out.start)
                return false;
            const QPointF p0 = out.points.back(), p1 = map(e), p2 = map(path.elementAt(i + 1)),
                          p3 = map(path.elementAt(i + 2));
            i += 2;
            const QPointF a = p0 - 2 * p1 + p2, b = p1 - 2 * p2 + p3;
            const double bend = std::max(std::hypot(a.x(), a.y()), std::hypot(b.x(), b.y()));
            if (!std::isfinite(bend))
                return false;
            const int segments = std::clamp(int(std::ceil(std::sqrt(0.75 * bend / tolerance))), 1, kMaxCurveSegments);
            for (int k = 1; k <= segments; ++k) {
                const double s = double(k) / segments, r = 1 - s;
                out.add(r * r * r * p0 + 3 * r * s * (r * p1 + s * p2) + s * s * s * p3);
            }
            break;
        }
        case QPainterPath::CurveToDataElement:
            return false;
        }
        if (!out.small())
            return false;
    }
    out.closeContour();
    return true;
}

thread_local SmallPathBuffer smallPathBuffer;

// A glyph outline flattened in its own units for one step of device sizes:
// the steps are a quarter octave apart, and the outline is flattened for
// the largest size of its step, so that mapping it to the device keeps it
// within the tolerance. Each thread keeps its own (the bands of a frame
// draw the same glyphs at once) and forgets them all when it holds too
// many; an entry keeps its outline alive so that its key stays unique.
struct FlatGlyph {
    std::shared_ptr<const TextShape::Outline> outline;
    std::vector<QPointF> points;
    std::vector<int> counts;
    bool flattened = false;
};
constexpr size_t kMaxFlatGlyphsPerThread = 2048;
constexpr int kSizeStepsPerOctave = 4;

struct FlatGlyphKey {
    const TextShape::Outline* outline;
    int step;
    bool operator==(const FlatGlyphKey&) const = default;
};
struct FlatGlyphHash {
    size_t operator()(const FlatGlyphKey& k) const
    {
        return std::hash<const void*>()(k.outline) ^ (std::hash<int>()(k.step) * 0x9e3779b97f4a7c15ULL);
    }
};
thread_local std::unordered_map<FlatGlyphKey, FlatGlyph, FlatGlyphHash> flatGlyphs;

const FlatGlyph& flatGlyph(const std::shared_ptr<const TextShape::Outline>& outline, int step, double tolerance)
{
    auto [it, added] = flatGlyphs.try_emplace(FlatGlyphKey{outline.get(), step});
    if (!added)
        return it->second;
    if (flatGlyphs.size() > kMaxFlatGlyphsPerThread) {
        flatGlyphs.clear();
        it = flatGlyphs.try_emplace(FlatGlyphKey{outline.get(), step}).first;
    }
    FlatGlyph& flat = it->second;
    flat.outline = outline;
    SmallPathBuffer buffer;
    buffer.clear();
    buffer.limit = std::numeric_limits<double>::infinity();
    const double largest = std::exp2(double(step + 1) / kSizeStepsPerOctave);
    flat.flattened = flattenInto(buffer, outline->path, QPointF(), QTransform(), tolerance / largest);
    if (flat.flattened) {
        flat.points = std::move(buffer.points);
        flat.counts = std::move(buffer.counts);
    }
    return flat;
}

} // namespace

bool Graphics::fillSmallPath(const QPainterPath& path, const QTransform& local, const QColor& color)
{
    if (picking)
        return false;
    QImage* image = directTarget();
    const QTransform t = local * context.currentTransform();
    if (!image || !finiteAffine(t))
        return false;
    SmallPathBuffer& buffer = smallPathBuffer;
    buffer.clear();
    if (!flattenInto(buffer, path, QPointF(), t, kCurveTolerancePixels))
        return false;
    return buffer.counts.empty()
        || fillDeviceContours(*image, buffer.points.data(), buffer.counts.data(), int(buffer.counts.size()), color);
}

bool Graphics::fillSmallGlyphs(const TextShape& shape, const QTransform& local, const QColor& color)
{
    // A measure of the ink takes the outline's ink, which the shape keeps.
    if (!picking && context.measuring()) {
        if (!shape.ink().isEmpty())
            context.recordFill(shape.ink(), local * context.currentTransform());
        return true;
    }
    // A line laid out past a hard break keeps one path instead of glyphs.
    if (picking || (shape.glyphs().empty() && shape.elementCount() > 0))
        return false;
    QImage* image = directTarget();
    const QTransform t = local * context.currentTransform();
    if (!image || !finiteAffine(t))
        return false;
    // Device pixels per unit of the outlines, as the step of sizes.
    const double scale = std::sqrt(std::abs(t.determinant()));
    const double step = std::floor(std::log2(scale) * kSizeStepsPerOctave);
    if (!std::isfinite(step) || std::abs(step) > 1000)
        return false;
    const double m11 = t.m11(), m12 = t.m12(), m21 = t.m21(), m22 = t.m22(), dx = t.dx(), dy = t.dy();
    SmallPathBuffer& buffer = smallPathBuffer;
    buffer.clear();
    for (const TextShape::Glyph& glyph : shape.glyphs()) {
        const FlatGlyph& flat = flatGlyph(glyph.outline, int(step), kGlyphCurveTolerancePixels);
        if (!flat.flattened)
            return false;
        const double x0 = glyph.position.x(), y0 = glyph.position.y();
        for (const QPointF& p : flat.points) {
            const double x = p.x() + x0, y = p.y() + y0;
            buffer.add(QPointF(m11 * x + m21 * y + dx, m12 * x + m22 * y + dy));
        }
        buffer.counts.insert(buffer.counts.end(), flat.counts.begin(), flat.counts.end());
        if (!buffer.small())
            return false;
    }
    return buffer.counts.empty()
        || fillDeviceContours(*image, buffer.points.data(), buffer.counts.data(), int(buffer.counts.size()), color);
}

void settlePath(const QPainterPath& path)
{
    path.controlPointRect();
    path.boundingRect();
}
