#include "core/DrawingContext.h"

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

} // namespace

DrawingContext::DrawingContext(QPainter& painter)
    : painter_(painter), ink_(dynamic_cast<InkBounds*>(painter.device())), base_(painter.transform())
{
    state_.transform = base_;
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, true);
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
    pathInUser_ = false;
    pathTransformUsable_ = false;
}

bool DrawingContext::prepareToAdd()
{
    const QTransform& t = state_.transform;
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
    // Before the fill rule is set, which would copy a shared path and lose
    // what was kept for it.
    if (ink_) {
        if (pathDrawsInUserSpace())
            ink_->addFill(path_.controlPointRect(), pathTransform_);
        else
            ink_->addFill(devicePath().controlPointRect(), QTransform());
        return;
    }
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
    // Under the transform the path was built in, the path is already in the
    // user coordinates the stroke is made in.
    if (pathDrawsInUserSpace() && sameTransform(pathTransform_, state_.transform))
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

void DrawingContext::strokeUserPath(const QPainterPath& userPath)
{
    QPen pen = strokePen();
    double frameScale = 1;
    if (strokeInUserSpace(pen, frameScale)) {
        const QPainterPath framePath = frameScale == 1 ? userPath : QTransform::fromScale(1 / frameScale, 1 / frameScale).map(userPath);
        strokeFramePath(framePath, pen, true);
        return;
    }
    strokeDevicePath(state_.transform.map(userPath));
}

void DrawingContext::strokeDevicePath(const QPainterPath& devicePath)
{
    const QTransform& t = state_.transform;
    const double w = state_.lineWidth;
    QPen pen = strokePen();
    double frameScale = 1;
    if (strokeInUserSpace(pen, frameScale)) {
        bool invertible = false;
        const QTransform toFrame = t.inverted(&invertible) * QTransform::fromScale(1 / frameScale, 1 / frameScale);
        strokeFramePath(toFrame.map(devicePath), pen);
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
    painter_.setTransform(QTransform::fromScale(deviceFrame, deviceFrame));
    strokeFramePath(deviceFrame == 1 ? devicePath : QTransform::fromScale(1 / deviceFrame, 1 / deviceFrame).map(devicePath), pen);
}

void DrawingContext::strokeFramePath(const QPainterPath& path, const QPen& pen, bool shared)
{
    if (ink_) {
        // A measure takes the path whole: dashes lie within its solid stroke.
        ink_->addStroke(path.controlPointRect(), painter_.transform(), pen);
        return;
    }
    if (pen.style() != Qt::SolidLine) {
        strokeDashed(path, pen);
        return;
    }
    // The path detail knows a kept path by its data: it gets the path
    // itself, the painter this thread's own copy.
    if (PathDetail::stroke(painter_, path, painter_.transform(), pen))
        return;
    QPainterPath copy;
    strokeByPainter(shared ? own(path, copy) : path, pen);
}

namespace {

thread_local DrawingContext::Dashing dashing;

// The part [t0, t1] of the segment a-b inside the rectangle; false when none.
bool clipParameters(QPointF a, QPointF b, const QRectF& r, double& t0, double& t1)
{
    t0 = 0;
    t1 = 1;
    const double d[2] = {b.x() - a.x(), b.y() - a.y()};
    const double lo[2] = {r.left() - a.x(), r.top() - a.y()};
    const double hi[2] = {r.right() - a.x(), r.bottom() - a.y()};
    for (int k = 0; k < 2; ++k) {
        if (d[k] == 0) {
            if (lo[k] > 0 || hi[k] < 0)
                return false;
            continue;
        }
        double enter = lo[k] / d[k], leave = hi[k] / d[k];
        if (enter > leave)
            std::swap(enter, leave);
        t0 = std::max(t0, enter);
        t1 = std::min(t1, leave);
    }
    return t0 <= t1;
}

// Appends the cubic's points after p0 (frame coordinates), on uniform
// steps that stray from it by at most `flatness` device pixels under the
// linear part `linear`: the same steps wherever the device's origin lies.
void flattenCubic(QPointF p0, QPointF c1, QPointF c2, QPointF p3, const QTransform& linear, double flatness,
    std::vector<QPointF>& out)
{
    const QPointF d1 = linear.map(p0 - 2 * c1 + c2), d2 = linear.map(c1 - 2 * c2 + p3);
    const double bend = std::sqrt(std::max(QPointF::dotProduct(d1, d1), QPointF::dotProduct(d2, d2)));
    const double steps = std::ceil(std::sqrt(0.75 * bend / flatness));
    const int n = std::isfinite(steps) ? int(std::clamp(steps, 1.0, 1024.0)) : 1;
    for (int k = 1; k < n; ++k) {
        const double t = double(k) / n, u = 1 - t;
        out.push_back(u * u * u * p0 + 3 * u * u * t * c1 + 3 * u * t * t * c2 + t * t * t * p3);
    }
    out.push_back(p3);
}

// Whether the flattened subpath is closed (as the stroker tells: its ends
// the same to a fuzz) and one dash of the pattern (even entries dashes,
// from -offset) covers all of it, no segment too fine to dash.
bool dashCoversClosedSubpath(const std::vector<QPointF>& points, const QTransform& linear, const std::vector<double>& lengths,
    double period, double offset)
{
    if (points.size() < 3 || !qFuzzyCompare(points.front().x(), points.back().x())
        || !qFuzzyCompare(points.front().y(), points.back().y()))
        return false;
    double total = 0;
    for (size_t j = 1; j < points.size(); ++j) {
        const QPointF a = points[j - 1], b = points[j];
        const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
        const QPointF d = linear.map(b - a);
        if (!std::isfinite(length) || (length > 0 && std::hypot(d.x(), d.y()) / length * period < DrawingContext::kFineDashPixels))
            return false;
        total += length;
    }
    double start = std::floor(offset / period) * period - offset;
    for (size_t e = 0; e + 1 < lengths.size(); start += lengths[e] + lengths[e + 1], e += 2)
        if (start <= 0 && start + lengths[e] >= total)
            return true;
    return false;
}

} // namespace

DrawingContext::Dashing DrawingContext::lastDashing() { return dashing; }

void DrawingContext::strokeDashed(const QPainterPath& path, const QPen& pen)
{
    dashing = Dashing();
    const QTransform& t = painter_.transform();
    const QList<qreal> pattern = pen.dashPattern();
    const double w = pen.widthF();
    const double largest = largestStretch(t);
    QPen solid = pen;
    solid.setStyle(Qt::SolidLine);
    // The pattern in the path's units: even entries dashes, odd gaps.
    std::vector<double> lengths;
    double period = 0, inked = 0;
    const bool capped = pen.capStyle() != Qt::FlatCap;
    for (qsizetype i = 0; i + 1 < pattern.size(); i += 2) {
        const double on = std::max(0.0, pattern[i]) * w, off = std::max(0.0, pattern[i + 1]) * w;
        lengths.push_back(on);
        lengths.push_back(off);
        period += on + off;
        inked += on + (capped ? w : 0);
    }
    const QPaintDevice* device = painter_.device();
    if (!(period > 0) || !std::isfinite(period) || !(w > 0) || !std::isfinite(largest) || !device || !t.isAffine()) {
        if (!PathDetail::stroke(painter_, path, t, solid))
            strokeByPainter(path, solid);
        return;
    }
    double offset = std::fmod(pen.dashOffset() * w, period);
    if (!(offset >= 0))
        offset = std::isfinite(offset) ? offset + period : 0;

    // Only dashes that come within the ink's reach of the area drawn are cut.
    const double ratio = device->devicePixelRatio() > 0 ? device->devicePixelRatio() : 1;
    QRectF target(0, 0, device->width() / ratio, device->height() / ratio);
    if (painter_.hasClipping())
        target &= t.mapRect(painter_.clipBoundingRect());
    const bool miter = pen.joinStyle() == Qt::MiterJoin || pen.joinStyle() == Qt::SvgMiterJoin;
    const double reach = w * largest / 2 * (miter ? std::max(pen.miterLimit(), 1.5) : 1.5) + 2;
    const QRectF guard = target.adjusted(-reach, -reach, reach, reach);
    const QTransform linear(t.m11(), t.m12(), t.m21(), t.m22(), 0, 0);

    QPainterPath dashes, fine;
    QColor faintColor = pen.color();
    faintColor.setAlphaF(faintColor.alphaF() * float(std::min(1.0, inked / period)));
    QPen faint = solid;
    faint.setBrush(faintColor);
    // Each dash is outlined on its own whatever else it is outlined with,
    // and filled the same way in every batch.
    auto flush = [&](QPainterPath& pieces, const QPen& with) {
        if (!pieces.isEmpty())
            fillStrokeOutline(pieces, with);
        pieces = QPainterPath();
    };
    constexpr int kBatchElements = 512;

    std::vector<QPointF> points;
    const int n = path.elementCount();
    for (int first = 0; first < n;) {
        // One subpath, flattened.
        points.clear();
        int i = first;
        points.push_back(QPointF(path.elementAt(i).x, path.elementAt(i).y));
        for (++i; i < n && path.elementAt(i).type != QPainterPath::MoveToElement;) {
            const QPainterPath::Element e = path.elementAt(i);
            if (e.type == QPainterPath::CurveToElement && i + 2 < n) {
                const QPainterPath::Element e2 = path.elementAt(i + 1), e3 = path.elementAt(i + 2);
                flattenCubic(points.back(), QPointF(e.x, e.y), QPointF(e2.x, e2.y), QPointF(e3.x, e3.y), linear, 0.25, points);
                i += 3;
            } else {
                points.push_back(QPointF(e.x, e.y));
                ++i;
            }
        }
        first = i;
        if (dashCoversClosedSubpath(points, linear, lengths, period, offset)) {
            // One dash all the way round ends where it began, and the
            // stroker joins its ends: drawn whole wherever the area drawn
            // lies, or the parts of it within reach would end in caps.
            dashes.moveTo(points.front());
            for (size_t j = 1; j < points.size(); ++j)
                dashes.lineTo(points[j]);
            ++dashing.dashes;
            if (dashes.elementCount() >= kBatchElements)
                flush(dashes, solid);
            continue;
        }
        double along = 0; // the subpath's length before the segment
        long long openK = 0;
        size_t openI = 0;
        bool open = false, fineOpen = false;
        for (size_t j = 1; j < points.size(); ++j) {
            const QPointF a = points[j - 1], b = points[j];
            const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
            if (!std::isfinite(length)) {
                open = fineOpen = false;
                continue;
            }
            const QPointF da = t.map(a), db = t.map(b);
            // From the linear part alone: a tiny segment's length on the
            // device must not depend on where the device's origin lies.
            const QPointF step = linear.map(b - a);
            const double deviceLength = std::hypot(step.x(), step.y());
            // Too fine to dash here: solid, at the pattern's mean coverage.
            if (length > 0 && deviceLength / length * period < kFineDashPixels) {
                if (!fineOpen)
                    fine.moveTo(a);
                fine.lineTo(b);
                fineOpen = fine.elementCount() < 2 * kBatchElements;
                open = false;
                ++dashing.fineSegments;
                along += length;
                if (!fineOpen && fine.elementCount() >= kBatchElements)
                    flush(fine, faint);
                continue;
            }
            if (fineOpen && fine.elementCount() >= kBatchElements)
                flush(fine, faint);
            fineOpen = false;
            double t0 = 0, t1 = 0;
            if (!clipParameters(da, db, guard, t0, t1)) {
                open = false;
                along += length;
                continue;
            }
            // The pattern's repeats k whose dashes meet the part in reach.
            const double from = along + t0 * length, to = along + t1 * length;
            const long long k0 = (long long)std::floor((from + offset) / period) - 1;
            const long long k1 = (long long)std::floor((to + offset) / period);
            bool openAfter = false;
            const double stop = along + length;
            for (long long k = k0; k <= k1; ++k) {
                // Every dash placed from its repeat's start alone.
                double start = double(k) * period - offset;
                for (size_t e = 0; e + 1 < lengths.size(); start += lengths[e] + lengths[e + 1], e += 2) {
                    const double end = start + lengths[e];
                    if (end < from || start > to || end < along || start > stop)
                        continue;
                    const double s0 = std::max(start, along), s1 = std::min(end, stop);
                    const QPointF p0 = length > 0 ? a + (b - a) * ((s0 - along) / length) : a;
                    const QPointF p1 = length > 0 ? a + (b - a) * ((s1 - along) / length) : b;
                    // A dash going on from the last segment is one line
                    // with it, joined as the pen joins.
                    if (!(open && openK == k && openI == e && s0 == along)) {
                        dashes.moveTo(p0);
                        ++dashing.dashes;
                    }
                    dashes.lineTo(p1);
                    openAfter = s1 == stop && end > stop;
                    openK = k;
                    openI = e;
                }
            }
            open = openAfter && dashes.elementCount() < 2 * kBatchElements;
            along = stop;
            if (!open && dashes.elementCount() >= kBatchElements)
                flush(dashes, solid);
        }
    }
    flush(dashes, solid);
    flush(fine, faint);
}

void DrawingContext::fillStrokeOutline(const QPainterPath& path, const QPen& pen)
{
    const QTransform& t = painter_.transform();
    QPainterPathStroker stroker(pen);
    // Curves flattened as finely on the device as QPainter's own stroker.
    const double scale = std::sqrt(std::max(t.m11() * t.m11() + t.m12() * t.m12(), t.m21() * t.m21() + t.m22() * t.m22()));
    if (scale > 0 && std::isfinite(scale))
        stroker.setCurveThreshold(0.25 / scale);
    const QPainterPath outline = stroker.createStroke(path);
    if (PathDetail::fillDirect(painter_, outline, t, Qt::WindingFill, pen.brush()))
        return;
    // Far outlines clipped about the area drawn (not kept: drawn once).
    if (outline.elementCount() < PathDetail::kHugeElements
        && PathDetail::fill(painter_, outline, t, Qt::WindingFill, pen.brush()))
        return;
    painter_.setTransform(t);
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(pen.brush());
    painter_.drawPath(outline);
}

void DrawingContext::strokeByPainter(const QPainterPath& path, const QPen& pen)
{
    // QPainter strokes lines of at most a pixel, and paths of separate
    // straight segments with square or flat ends (turned or not), by scan
    // converters of its own that start from where the
    // line enters the area drawn: a frame drawn in bands would come out
    // differently at every seam. Those strokes are outlined here and filled,
    // as QPainter does all others.
    const QTransform& t = painter_.transform();
    const double deviceWidth = pen.widthF() * std::sqrt(std::abs(t.determinant()));
    bool ownRasteriser = !(deviceWidth > 1.5);
    if (!ownRasteriser && pen.capStyle() != Qt::RoundCap) {
        // Only moves and lines, taking turns.
        ownRasteriser = true;
        for (int i = 0, n = path.elementCount(); i < n && ownRasteriser; ++i)
            ownRasteriser = path.elementAt(i).type == QPainterPath::ElementType(i % 2);
    }
    if (deviceWidth > kWidePenPixels)
        ownRasteriser = true;
    if (!ownRasteriser || !std::isfinite(deviceWidth)) {
        painter_.strokePath(path, pen);
        return;
    }
    fillStrokeOutline(path, pen);
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
    if (ink_) {
        ink_->addFill(userPath.controlPointRect(), local * state_.transform);
        return;
    }
    if (PathDetail::fill(painter_, userPath, local * state_.transform, rule, brush))
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
    if (!ink_ && drawAnchored(painter_, imageToDevice(state_.transform, userRect, image.size(), ratio), image))
        return;
    // Local y-down frame whose origin is the rectangle's upper-left corner in
    // the y-up model.
    const QTransform local(1, 0, 0, -1, userRect.left(), userRect.bottom());
    painter_.setTransform(local * state_.transform);
    painter_.drawImage(QRectF(0, 0, userRect.width(), userRect.height()), image);
}
