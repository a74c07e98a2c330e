#include "core/InkBounds.h"

#include "core/StrokeReach.h"

#include <QPaintEngine>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

bool finiteRect(const QRectF& r)
{
    return std::isfinite(r.left()) && std::isfinite(r.top()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

} // namespace

class InkBounds::Engine : public QPaintEngine {
public:
    explicit Engine(InkBounds& owner) : QPaintEngine(QPaintEngine::AllFeatures), owner_(owner) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& state) override
    {
        const QPaintEngine::DirtyFlags dirty = state.state();
        if (dirty & QPaintEngine::DirtyTransform)
            transform_ = state.transform();
        if (dirty & QPaintEngine::DirtyPen)
            pen_ = state.pen();
        if (dirty & QPaintEngine::DirtyBrush)
            brush_ = state.brush();
    }

    // The integer forms of these are passed on to them by QPaintEngine.
    using QPaintEngine::drawEllipse;
    using QPaintEngine::drawLines;
    using QPaintEngine::drawPoints;
    using QPaintEngine::drawPolygon;
    using QPaintEngine::drawRects;
    void drawPath(const QPainterPath& path) override { addShape(path.controlPointRect(), true); }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        if (count <= 0)
            return;
        addShape(QPolygonF(QList<QPointF>(points, points + count)).boundingRect(), mode != PolylineMode);
    }
    void drawRects(const QRectF* rects, int count) override
    {
        for (int i = 0; i < count; ++i)
            addShape(rects[i].normalized(), true);
    }
    void drawLines(const QLineF* lines, int count) override
    {
        for (int i = 0; i < count; ++i)
            addShape(QRectF(lines[i].p1(), lines[i].p2()).normalized(), false);
    }
    void drawEllipse(const QRectF& r) override { addShape(r.normalized(), true); }
    void drawPoints(const QPointF* points, int count) override
    {
        for (int i = 0; i < count; ++i)
            addShape(QRectF(points[i], points[i]), false);
    }
    void drawPixmap(const QRectF& r, const QPixmap&, const QRectF&) override { addArea(r); }
    void drawImage(const QRectF& r, const QImage&, const QRectF&, Qt::ImageConversionFlags) override { addArea(r); }
    void drawTiledPixmap(const QRectF& r, const QPixmap&, const QPointF&) override { addArea(r); }

private:
    // A shape's box: the filled part when the brush paints, grown by the
    // stroke when the pen does.
    void addShape(const QRectF& box, bool fills)
    {
        if (fills && brush_.style() != Qt::NoBrush)
            owner_.addFill(box, transform_);
        if (pen_.style() != Qt::NoPen)
            owner_.addStroke(box, transform_, pen_);
    }
    void addArea(const QRectF& r) { owner_.addFill(r, transform_); }

    InkBounds& owner_;
    QTransform transform_;
    QPen pen_;
    QBrush brush_;
};

InkBounds::InkBounds() : engine_(std::make_unique<Engine>(*this))
{
}

InkBounds::~InkBounds() = default;

QPaintEngine* InkBounds::paintEngine() const
{
    return engine_.get();
}

void InkBounds::addFill(const QRectF& box, const QTransform& t)
{
    if (!finiteRect(box)) {
        unbounded_ = true;
        return;
    }
    add(t.mapRect(box));
}

void InkBounds::addStroke(const QRectF& box, const QTransform& t, const QPen& pen)
{
    if (pen.isCosmetic()) {
        // Widths of device pixels, at least one.
        QPen device = pen;
        device.setWidthF(std::max(pen.widthF(), 1.0));
        const double r = StrokeReach::ofPen(device);
        if (!finiteRect(box)) {
            unbounded_ = true;
            return;
        }
        add(t.mapRect(box).adjusted(-r, -r, r, r));
        return;
    }
    const double r = StrokeReach::ofPen(pen);
    addFill(box.adjusted(-r, -r, r, r), t);
}

void InkBounds::reset()
{
    hasExtent_ = false;
    unbounded_ = false;
}

void InkBounds::add(const QRectF& r)
{
    if (!finiteRect(r)) {
        unbounded_ = true;
        return;
    }
    const double l = std::min(r.left(), r.right()), rt = std::max(r.left(), r.right());
    const double t = std::min(r.top(), r.bottom()), b = std::max(r.top(), r.bottom());
    if (!hasExtent_) {
        left_ = l, right_ = rt, top_ = t, bottom_ = b;
        hasExtent_ = true;
        return;
    }
    left_ = std::min(left_, l);
    right_ = std::max(right_, rt);
    top_ = std::min(top_, t);
    bottom_ = std::max(bottom_, b);
}

int InkBounds::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
    case PdmHeight:
    case PdmDevicePixelRatio:
        return 1;
    case PdmDepth:
        return 32;
    case PdmDevicePixelRatioScaled:
        return int(QPaintDevice::devicePixelRatioFScale());
    case PdmWidthMM:
    case PdmHeightMM:
        return 1;
    default:
        return 96;
    }
}
