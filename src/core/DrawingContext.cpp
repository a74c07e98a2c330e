#include "core/DrawingContext.h"

#include "core/Dashes.h"
#include "core/Geometry.h"
#include "core/InkBounds.h"
#include "core/PathDetail.h"

#include <algorithm>
#include <cmath>

namespace {

bool isFiniteValue(double v) { return std::isfinite(v); }

// QPen takes widths below 32768 only; larger ones are scaled into range.
constexpr double maxPenWidth = 16384;

bool finiteTransform(const QTransform& t)
{
    return isFiniteValue(t.m11()) && isFiniteValue(t.m12()) && isFiniteValue(t.m21()) && isFiniteValue(t.m22()) && isFiniteValue(t.dx())
        && isFiniteValue(t.dy()) && isFiniteValue(t.m13()) && isFiniteValue(t.m23()) && isFiniteValue(t.m33());
}

// Exactly the same matrix (QTransform's own comparison is fuzzy).
bool sameTransform(const QTransform& a, const QTransform& b)
{
    return a.m11() == b.m11() && a.m12() == b.m12() && a.m21() == b.m21() && a.m22() == b.m22() && a.dx() == b.dx()
        && a.dy() == b.dy() && a.m13() == b.m13() && a.m23() == b.m23() && a.m33() == b.m33();
}

// Root mean square of the linear part's scale: what a length in user units
// becomes in device units when the transform cannot be inverted.
double meanScale(const QTransform& t)
{
    return std::sqrt((t.m11() * t.m11() + t.m12() * t.m12() + t.m21() * t.m21() + t.m22() * t.m22()) / 2);
}

// The dash pattern in units of the pen width, as QPen wants it; empty for
// a solid line.
QList<qreal> dashInPenWidths(const std::vector<double>& lengths, double lengthScale, double penWidth)
{
    QList<qreal> pattern;
    if (lengths.empty() || !(penWidth > 0))
        return pattern;
    bool anyPositive = false;
    for (double v : lengths) {
        if (!isFiniteValue(v) || v < 0)
            return {};
        anyPositive = anyPositive || v > 0;
    }
    if (!anyPositive)
        return pattern;
    const size_t repeats = lengths.size() % 2 ? 2 : 1; // QPen needs an even count
    pattern.reserve(qsizetype(lengths.size() * repeats));
    for (size_t r = 0; r < repeats; ++r)
        for (double v : lengths) {
            const double w = v * lengthScale / penWidth;
            if (!isFiniteValue(w))
                return {};
            pattern.push_back(w);
        }
    return pattern;
}

// The image's pixels to the device's: stretched over the rectangle (y up in
// the model, so turned upside down), then the model to the device.
QTransform imageToDevice(const QTransform& toDevice, const QRectF& r, QSize image, double ratio)
{
    if (image.isEmpty())
        return QTransform(0, 0, 0, 0, 0, 0);
    return QTransform::fromScale(r.width() / image.width(), -r.height() / image.height())
        * QTransform::fromTranslate(r.left(), r.bottom()) * toDevice * QTransform::fromScale(ratio, ratio);
}

// Draws the image filtered through the transform in tiles of a grid fixed to
// the image's place on the device, each tile's pixels then copied as they
// are. Qt's filtering steps across a span from where it meets the device,
// so a picture drawn straight would come out a level apart where a band or
// a narrow view begins elsewhere; in tiles it starts at the same pixels
// however the device is cut. False, having drawn nothing, for a transform
// this cannot draw (a perspective, one too large for the device's
// coordinates).
bool drawAnchored(QPainter& painter, const QTransform& toDevice, const QImage& image)
{
    QPaintDevice* device = painter.device();
    if (image.isNull() || !device || toDevice.type() == QTransform::TxProject)
        return false;
    const double limit = 1 << 24;
    const QRectF onDevice = toDevice.mapRect(QRectF(QPointF(0, 0), image.size()));
    if (!(std::abs(toDevice.dx()) < limit && std::abs(toDevice.dy()) < limit && onDevice.width() < limit
            && onDevice.height() < limit))
        return false;
    // The grid's origin: the image's corner, on whole pixels.
    const QPointF anchor(std::floor(toDevice.dx()), std::floor(toDevice.dy()));
    const qreal ratio = device->devicePixelRatioF();
    QRectF shown = onDevice.intersected(QRectF(0, 0, device->width() * ratio, device->height() * ratio));
    if (painter.hasClipping())
        shown = shown.intersected(painter.deviceTransform().mapRect(painter.clipBoundingRect()));
    if (shown.isEmpty())
        return true;
    const int tileWidth = 256, tileHeight = 64;
    const int firstColumn = int(std::floor((shown.left() - anchor.x()) / tileWidth));
    const int lastColumn = int(std::floor((shown.right() - anchor.x()) / tileWidth));
    const int firstRow = int(std::floor((shown.top() - anchor.y()) / tileHeight));
    const int lastRow = int(std::floor((shown.bottom() - anchor.y()) / tileHeight));
    QImage tile(tileWidth, tileHeight, QImage::Format_ARGB32_Premultiplied);
    if (tile.isNull())
        return false;
    tile.setDevicePixelRatio(ratio);
    painter.save();
    // Tiles are laid in device pixels, source and target the same size: Qt
    // scales an image of a pixel ratio onto the device otherwise, and its
    // last row comes out a level apart where the device cuts it elsewhere.
    painter.setTransform(QTransform::fromScale(1 / ratio, 1 / ratio));
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const QPointF at(column * tileWidth, row * tileHeight);
            tile.fill(Qt::transparent);
            {
                QPainter tilePainter(&tile);
                tilePainter.setRenderHints(painter.renderHints() | QPainter::SmoothPixmapTransform);
                const QTransform& t = toDevice;
                // The fraction of the corner past the anchor, then the tile's place.
                tilePainter.setTransform(QTransform(t.m11(), t.m12(), t.m21(), t.m22(), t.dx() - anchor.x() - at.x(),
                                             t.dy() - anchor.y() - at.y())
                    * QTransform::fromScale(1 / ratio, 1 / ratio));
                tilePainter.drawImage(QPointF(0, 0), image);
            }
            painter.drawImage(QRectF(anchor + at, QSizeF(tile.size())), tile, QRectF(tile.rect()));
        }
    }
    painter.restore();
    return true;
}

// Whether the path's control polygon runs longer than
// DrawingContext::kLongStrokePixels on the device, by the transform's
// linear part alone (the same wherever the area drawn begins).
bool longOnDevice(const QPainterPath& path, const QTransform& t)
{
    double length = 0;
    for (int i = 1, n = path.elementCount(); i < n && length <= DrawingContext::kLongStrokePixels; ++i) {
        const QPainterPath::Element a = path.elementAt(i - 1), b = path.elementAt(i);
        if (b.type == QPainterPath::MoveToElement)
            continue;
        const double dx = b.x - a.x, dy = b.y - a.y;
        length += std::hypot(t.m11() * dx + t.m21() * dy, t.m12() * dx + t.m22() * dy);
    }
    return !(length <= DrawingContext::kLongStrokePixels);
}

} // namespace

DrawingContext::DrawingContext(QPainter& painter)
    : painter_(painter), ink_(dynamic_cast<InkBounds*>(painter.device())), base_(painter.transform())
{
    state_.transform = base_;
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

bool DrawingContext::recordFill(const QRectF& box, const QTransform& t) const
{
    if (!ink_)
        return false;
    ink_->addFill(box, t);
    return true;
}

bool DrawingContext::recordStroke(const QRectF& box, const QTransform& t, const QPen& pen) const
{
    if (!ink_)
        return false;
    ink_->addStroke(box, t, pen);
    return true;
}

DrawingContext::~DrawingContext()
{
    while (!stack_.empty())
        restoreState();
    if (state_.painterSaved)
        painter_.restore();
}

const QPainterPath& DrawingContext::own(const QPainterPath& path, QPainterPath& copy) const
{
    if (!concurrent)
        return path;
    copy = path;
    // Changing the fill rule detaches: the copy gets data of its own.
    const Qt::FillRule rule = copy.fillRule();
    copy.setFillRule(rule == Qt::WindingFill ? Qt::OddEvenFill : Qt::WindingFill);
    copy.setFillRule(rule);
    return copy;
}

void DrawingContext::saveState()
{
    stack_.push_back(state_);
    state_.painterSaved = false;
}

void DrawingContext::restoreState()
{
    if (stack_.empty())
        return;
    if (state_.painterSaved)
        painter_.restore();
    state_ = std::move(stack_.back());
    stack_.pop_back();
}

void DrawingContext::concatenate(const QTransform& t)
{
    state_.transform = t * state_.transform;
}

void DrawingContext::setTransform(const QTransform& t)
{
    state_.transform = t;
}

void DrawingContext::setLineDash(std::vector<double> lengths, double phase)
{
    state_.dash = std::move(lengths);
    state_.dashPhase = isFiniteValue(phase) ? phase : 0;
}

void DrawingContext::clearPath()
{
    // A fresh path, not QPainterPath::clear(): that leaves a move to the
    // origin behind, from which the next lineTo would draw.
    path_ = QPainterPath();
    pathShared_ = false;
    pathInUser_ = false;
    pathTransformUsable_ = false;
}

bool DrawingContext::prepareToAdd()
{
    const QTransform& t = state_.transform;
    // What is added makes the path one of the context's own.
    pathShared_ = false;
    if (path_.elementCount() == 0) {
        pathInUser_ = true;
        pathTransform_ = t;
        bool invertible = false;
        pathTransformUsable_ = t.isAffine() && finiteTransform(t) && finiteTransform(t.inverted(&invertible)) && invertible;
        return true;
    }
    if (pathInUser_) {
        if (sameTransform(t, pathTransform_))
            return true;
        path_ = pathTransform_.map(path_);
        pathInUser_ = false;
        pathTransformUsable_ = false;
    }
    return false;
}

const QPainterPath& DrawingContext::devicePath() const
{
    if (!pathInUser_)
        return path_;
    devicePathCache_ = pathTransform_.map(path_);
    return devicePathCache_;
}

void DrawingContext::moveTo(QPointF p)
{
    if (prepareToAdd())
        path_.moveTo(p);
    else
        path_.moveTo(state_.transform.map(p));
}

void DrawingContext::lineTo(QPointF p)
{
    // A line without a current point starts one, as on the platform context.
    const bool start = path_.elementCount() == 0;
    const QPointF q = prepareToAdd() ? p : state_.transform.map(p);
    if (start)
        path_.moveTo(q);
    else
        path_.lineTo(q);
}

void DrawingContext::addPath(const QPainterPath& userPath)
{
    if (userPath.isEmpty())
        return;
    if (path_.elementCount() == 0 && prepareToAdd()) {
        // Shared, not copied.
        path_ = userPath;
        pathShared_ = true;
        return;
    }
    if (prepareToAdd())
        path_.addPath(userPath);
    else
        path_.addPath(state_.transform.map(userPath));
}

void DrawingContext::addRect(const QRectF& r)
{
    // A rotated rectangle is no longer a rectangle: map the corners.
    if (prepareToAdd()) {
        path_.moveTo(r.topLeft());
        path_.lineTo(r.topRight());
        path_.lineTo(r.bottomRight());
        path_.lineTo(r.bottomLeft());
        path_.closeSubpath();
        return;
    }
    const QTransform& t = state_.transform;
    path_.moveTo(t.map(r.topLeft()));
    path_.lineTo(t.map(r.topRight()));
    path_.lineTo(t.map(r.bottomRight()));
    path_.lineTo(t.map(r.bottomLeft()));
    path_.closeSubpath();
}

void DrawingContext::addEllipse(const QRectF& r)
{
    if (prepareToAdd()) {
        path_.addEllipse(r);
        return;
    }
    QPainterPath e;
    e.addEllipse(r);
    path_.addPath(state_.transform.map(e));
}

void DrawingContext::fillCurrentPath(Qt::FillRule rule)
{
    if (path_.isEmpty())
        return;
    const PathDetail::OneOffScope oneOff(!pathShared_);
    // Before the fill rule is set, which would copy a shared path and lose
    // what was kept for it.
    if (pathDrawsInUserSpace() ? recordFill(path_, pathTransform_) : recordFill(devicePath(), QTransform()))
        return;
    const QBrush brush(state_.fillColor);
    if (pathDrawsInUserSpace() ? PathDetail::fill(painter_, path_, pathTransform_, rule, brush)
                               : PathDetail::fill(painter_, devicePath(), QTransform(), rule, brush))
        return;
    if (pathDrawsInUserSpace() ? PathDetail::fillDirect(painter_, path_, pathTransform_, rule, brush)
                               : PathDetail::fillDirect(painter_, devicePath(), QTransform(), rule, brush))
        return;
    if (path_.fillRule() != rule)
        path_.setFillRule(rule);
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(state_.fillColor);
    if (pathDrawsInUserSpace()) {
        painter_.setTransform(pathTransform_);
        QPainterPath copy;
        painter_.drawPath(own(path_, copy));
    } else {
        painter_.setTransform(QTransform());
        painter_.drawPath(devicePath());
    }
}

void DrawingContext::strokeCurrentPath()
{
    if (path_.isEmpty())
        return;
    const PathDetail::OneOffScope oneOff(!pathShared_);
    // Under the transform the path was built in, the path is already in the
    // user coordinates the stroke is made in; under one without inverse too,
    // so that it is placed by the linear part and then moved, not mapped
    // into coordinates holding the origin of the area drawn.
    if (pathInUser_ && sameTransform(pathTransform_, state_.transform))
        strokeUserPath(path_);
    else
        strokeDevicePath(devicePath());
}

void DrawingContext::fillPath(Qt::FillRule rule)
{
    fillCurrentPath(rule);
    clearPath();
}

void DrawingContext::strokePath()
{
    strokeCurrentPath();
    clearPath();
}

void DrawingContext::fillAndStrokePath(Qt::FillRule rule)
{
    fillCurrentPath(rule);
    strokeCurrentPath();
    clearPath();
}

QPen DrawingContext::strokePen() const
{
    // A miter join past the limit becomes a bevel, as on the platform; Qt's
    // plain miter join would clip the spike instead.
    const Qt::PenJoinStyle join = state_.join == Qt::MiterJoin ? Qt::SvgMiterJoin : state_.join;
    QPen pen(QBrush(state_.strokeColor), 1, Qt::SolidLine, state_.cap, join);
    // With the SVG join, Qt's limit is the platform's: miter length over
    // line width.
    if (isFiniteValue(state_.miterLimit) && state_.miterLimit > 0)
        pen.setMiterLimit(state_.miterLimit);
    return pen;
}

bool DrawingContext::strokeInUserSpace(QPen& pen, double& frameScale)
{
    const QTransform& t = state_.transform;
    const double w = state_.lineWidth;
    bool invertible = false;
    const QTransform inverse = finiteTransform(t) ? t.inverted(&invertible) : QTransform();
    // Singular by its own proportions, not by Qt's fixed bound on the
    // determinant: otherwise a nearly singular placement would be stroked
    // one way at a small scale and the other at a large one (the ink measure's).
    const double squares = t.m11() * t.m11() + t.m12() * t.m12() + t.m21() * t.m21() + t.m22() * t.m22();
    if (!(std::abs(t.m11() * t.m22() - t.m12() * t.m21()) > 1e-12 * squares))
        invertible = false;
    // Stroke the path in user space under the current transform, so the
    // width, the dashes and the caps follow the transform. QPen refuses widths
    // of 32768 and more: a width that large is drawn as 1 in a frame scaled
    // by it.
    frameScale = w < maxPenWidth ? 1 : w;
    const QTransform framed = QTransform::fromScale(frameScale, frameScale) * t;
    const QTransform toFrame = inverse * QTransform::fromScale(1 / frameScale, 1 / frameScale);
    if (!(w > 0 && isFiniteValue(w) && invertible && finiteTransform(inverse) && finiteTransform(framed) && finiteTransform(toFrame)))
        return false;
    pen.setWidthF(w / frameScale);
    const QList<qreal> dash = dashInPenWidths(state_.dash, 1, w);
    if (!dash.isEmpty()) {
        pen.setDashPattern(dash);
        pen.setDashOffset(state_.dashPhase / w);
    }
    painter_.setTransform(framed);
    return true;
}

bool DrawingContext::strokeRaised(const QPainterPath& path, bool inUser)
{
    const double raised = state_.raisedWidth, w = state_.lineWidth;
    if (!(raised > 0 && raised < maxPenWidth))
        return false;
    const QTransform& t = state_.transform;
    const bool affine = t.isAffine() && finiteTransform(t);
    if (affine) {
        // Even: the width in user space is the same on the device every way.
        const double largest = largestStretch(t), det = std::abs(t.m11() * t.m22() - t.m12() * t.m21());
        if (largest > 0 && det >= largest * largest * (1 - 1e-9))
            return false;
    } else if (inUser) {
        return false;
    }
    QPen pen = strokePen();
    pen.setWidthF(raised);
    const QList<qreal> dash = w > 0 && isFiniteValue(w) ? dashInPenWidths(state_.dash, 1, w) : QList<qreal>();
    if (!dash.isEmpty()) {
        pen.setDashPattern(dash);
        pen.setDashOffset(state_.dashPhase / w);
    }
    if (!inUser) {
        painter_.setTransform(QTransform());
        strokeFramePath(path, pen);
        return true;
    }
    // Mapped by the linear part only and then moved: the outline is worked
    // out the same wherever the area drawn begins.
    const QTransform linear(t.m11(), t.m12(), t.m21(), t.m22(), 0, 0);
    painter_.setTransform(QTransform::fromTranslate(t.dx(), t.dy()));
    strokeFramePath(linear.map(path), pen);
    return true;
}

void DrawingContext::strokeUserPath(const QPainterPath& userPath)
{
    if (strokeRaised(userPath, true))
        return;
    QPen pen = strokePen();
    double frameScale = 1;
    if (strokeInUserSpace(pen, frameScale)) {
        const QPainterPath framePath = frameScale == 1 ? userPath : QTransform::fromScale(1 / frameScale, 1 / frameScale).map(userPath);
        strokeFramePath(framePath, pen, true);
        return;
    }
    strokeDevicePath(userPath, state_.transform);
}

void DrawingContext::strokeDevicePath(const QPainterPath& path, const QTransform& toDevice)
{
    // A user path here was offered to strokeRaised already.
    if (toDevice.isIdentity() && strokeRaised(path, false))
        return;
    const QTransform& t = state_.transform;
    const double w = state_.lineWidth;
    QPen pen = strokePen();
    double frameScale = 1;
    if (strokeInUserSpace(pen, frameScale)) {
        bool invertible = false;
        const QTransform toFrame = t.inverted(&invertible) * QTransform::fromScale(1 / frameScale, 1 / frameScale);
        strokeFramePath(toFrame.map(toDevice.isIdentity() ? path : toDevice.map(path)), pen);
        return;
    }

    // A transform without inverse (or a line width that is not positive):
    // stroke in device space, the width scaled by the transform's mean scale,
    // or one device pixel wide for a non-positive width.
    const double scale = finiteTransform(t) ? meanScale(t) : 0;
    const double deviceWidth = (w > 0 && isFiniteValue(w)) ? w * scale : 1.0;
    if (!(deviceWidth > 0) || !isFiniteValue(deviceWidth))
        return;
    // A width QPen refuses is drawn in a frame scaled by it, as above.
    const double deviceFrame = deviceWidth < maxPenWidth ? 1 : deviceWidth;
    pen.setWidthF(deviceWidth / deviceFrame);
    const QList<qreal> dash = dashInPenWidths(state_.dash, scale, deviceWidth);
    if (!dash.isEmpty()) {
        pen.setDashPattern(dash);
        pen.setDashOffset(state_.dashPhase * scale / deviceWidth);
    }
    // Placed by the linear part, then moved: lengths along the path, and
    // so the dashes, do not depend on where the device's origin lies.
    const bool affine = toDevice.isAffine();
    const QTransform linear = affine ? QTransform(toDevice.m11(), toDevice.m12(), toDevice.m21(), toDevice.m22(), 0, 0) : toDevice;
    const QPainterPath placed = toDevice.isIdentity() ? path : linear.map(path);
    const QTransform move = affine ? QTransform::fromTranslate(toDevice.dx(), toDevice.dy()) : QTransform();
    painter_.setTransform(QTransform::fromScale(deviceFrame, deviceFrame) * move);
    strokeFramePath(deviceFrame == 1 ? placed : QTransform::fromScale(1 / deviceFrame, 1 / deviceFrame).map(placed), pen);
}

DrawingContext::StrokeRoute DrawingContext::routeOf(const QPainterPath& path, const QPen& pen)
{
    // A measure takes the path whole: dashes lie within its solid stroke.
    if (ink_)
        return StrokeRoute::Measured;
    if (pen.style() != Qt::SolidLine)
        return StrokeRoute::Dashed;
    const QTransform& t = painter_.transform();
    if (PathDetail::strokes(painter_, path, t, pen))
        return StrokeRoute::Detail;
    // QPainter strokes lines of at most a pixel, and paths of separate
    // straight segments with square or flat ends (turned or not), by scan
    // converters of its own that start from where the line enters the area
    // drawn: a frame drawn in bands would come out differently at every
    // seam. Those strokes are outlined here and filled, as QPainter does
    // all others; and so are those too big for the painter.
    const double deviceWidth = pen.widthF() * std::sqrt(std::abs(t.determinant()));
    if (!std::isfinite(deviceWidth))
        return StrokeRoute::Painter;
    if (!(deviceWidth > 1.5) || deviceWidth > kWidePenPixels || longOnDevice(path, t))
        return StrokeRoute::Outlined;
    if (pen.capStyle() != Qt::RoundCap) {
        // Only moves and lines, taking turns.
        bool separate = true;
        for (int i = 0, n = path.elementCount(); i < n && separate; ++i)
            separate = path.elementAt(i).type == QPainterPath::ElementType(i % 2);
        if (separate)
            return StrokeRoute::Outlined;
    }
    return StrokeRoute::Painter;
}

void DrawingContext::strokeFramePath(const QPainterPath& path, const QPen& pen, bool shared)
{
    QPainterPath copy;
    switch (routeOf(path, pen)) {
    case StrokeRoute::Measured:
        recordStroke(path, painter_.transform(), pen);
        return;
    case StrokeRoute::Dashed:
        strokeDashed(path, pen);
        return;
    case StrokeRoute::Detail:
        // The path detail knows a kept path by its data: it gets the path
        // itself, the painter this thread's own copy.
        PathDetail::stroke(painter_, path, painter_.transform(), pen);
        return;
    case StrokeRoute::Outlined:
        fillStrokeOutline(path, pen);
        return;
    case StrokeRoute::Painter:
        painter_.strokePath(shared ? own(path, copy) : path, pen);
        return;
    }
}

namespace {

thread_local DrawingContext::Dashing dashing;

} // namespace

DrawingContext::Dashing DrawingContext::lastDashing() { return dashing; }

void DrawingContext::strokeDashed(const QPainterPath& path, const QPen& pen)
{
    dashing = Dashing();
    const QTransform& t = painter_.transform();
    const QPaintDevice* device = painter_.device();
    QRectF area;
    if (device) {
        const double ratio = device->devicePixelRatio() > 0 ? device->devicePixelRatio() : 1;
        area = QRectF(0, 0, device->width() / ratio, device->height() / ratio);
        if (painter_.hasClipping())
            area &= t.mapRect(painter_.clipBoundingRect());
    }
    const auto fill = [&](const QPainterPath& outline, double coverage) {
        if (coverage == 1) {
            fillOutline(outline, pen.brush());
            return;
        }
        QColor faint = pen.color();
        faint.setAlphaF(faint.alphaF() * float(coverage));
        fillOutline(outline, faint);
    };
    if (device) {
        const Dashes::Cut cut = Dashes::cut(path, pen, t, area, fill);
        if (cut.dashed) {
            dashing.dashes = cut.dashCount;
            dashing.fineSegments = cut.fineSegments;
            return;
        }
    }
    QPen solid = pen;
    solid.setStyle(Qt::SolidLine);
    strokeFramePath(path, solid);
}

void DrawingContext::fillStrokeOutline(const QPainterPath& path, const QPen& pen)
{
    const QTransform& t = painter_.transform();
    QPainterPathStroker stroker(pen);
    // Curves flattened as finely on the device as QPainter's own stroker.
    const double scale = std::sqrt(std::max(t.m11() * t.m11() + t.m12() * t.m12(), t.m21() * t.m21() + t.m22() * t.m22()));
    if (scale > 0 && std::isfinite(scale))
        stroker.setCurveThreshold(0.25 / scale);
    fillOutline(stroker.createStroke(path), pen.brush());
}

void DrawingContext::fillOutline(const QPainterPath& outline, const QBrush& brush)
{
    const QTransform& t = painter_.transform();
    if (PathDetail::fillDirect(painter_, outline, t, Qt::WindingFill, brush))
        return;
    // Far outlines clipped about the area drawn (not kept: drawn once).
    if (outline.elementCount() < PathDetail::kHugeElements && PathDetail::fill(painter_, outline, t, Qt::WindingFill, brush))
        return;
    painter_.setTransform(t);
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(brush);
    painter_.drawPath(outline);
}

void DrawingContext::clip(Qt::FillRule rule)
{
    if (path_.fillRule() != rule)
        path_.setFillRule(rule);
    if (!state_.painterSaved) {
        painter_.save();
        state_.painterSaved = true;
    }
    if (pathDrawsInUserSpace()) {
        painter_.setTransform(pathTransform_);
        QPainterPath copy;
        painter_.setClipPath(own(path_, copy), Qt::IntersectClip);
    } else {
        painter_.setTransform(QTransform());
        painter_.setClipPath(devicePath(), Qt::IntersectClip);
    }
    clearPath();
}

void DrawingContext::fillUserPath(const QPainterPath& userPath, const QBrush& brush, Qt::FillRule rule)
{
    fillUserPath(userPath, brush, rule, QTransform());
}

void DrawingContext::fillUserPath(const QPainterPath& userPath, const QBrush& brush, Qt::FillRule rule, const QTransform& local)
{
    if (userPath.isEmpty())
        return;
    if (recordFill(userPath, local * state_.transform))
        return;
    if (PathDetail::fill(painter_, userPath, local * state_.transform, rule, brush))
        return;
    // A long winding outline (a board's curved edge seen up close) costs
    // the painter's rasteriser as a long stroke does.
    if (longOnDevice(userPath, local * state_.transform)
        && PathDetail::fillDirect(painter_, userPath, local * state_.transform, rule, brush))
        return;
    painter_.setTransform(local * state_.transform);
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(brush);
    if (userPath.fillRule() == rule) {
        QPainterPath copy;
        painter_.drawPath(own(userPath, copy));
    } else {
        QPainterPath p = userPath;
        p.setFillRule(rule);
        painter_.drawPath(p);
    }
}

void DrawingContext::drawImage(const QRectF& userRect, const QImage& image)
{
    if (image.isNull() || userRect.isEmpty())
        return;
    const QPaintDevice* device = painter_.device();
    const double ratio = device ? device->devicePixelRatio() : 1.0;
    if (recordFill(userRect, state_.transform))
        return;
    if (drawAnchored(painter_, imageToDevice(state_.transform, userRect, image.size(), ratio), image))
        return;
    // Local y-down frame whose origin is the rectangle's upper-left corner in
    // the y-up model.
    const QTransform local(1, 0, 0, -1, userRect.left(), userRect.bottom());
    painter_.setTransform(local * state_.transform);
    painter_.drawImage(QRectF(0, 0, userRect.width(), userRect.height()), image);
}
