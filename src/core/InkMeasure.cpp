#include "core/InkMeasure.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "core/InkBounds.h"

#include <QPainter>

#include <cmath>

namespace {

// One measure per thread (the geometry pass of a long list runs in parts
// on several threads), kept for the thread's life: starting a painter costs
// more than measuring most entities.
class Meter {
public:
    Meter()
    {
        painter_.begin(&device_);
        painter_.setTransform(QTransform::fromScale(InkMeasure::kScale, -InkMeasure::kScale));
        context_.emplace(painter_);
        graphics_.emplace(*context_);
        Graphics& g = *graphics_;
        // Everything the entity may draw in any view: the sheet's selection
        // frames are its box, which the measure holds anyway.
        g.selectionFramesOnTop = true;
        g.showNodeIds = true;
        g.doNotDrawNodeIds = false;
        const double v = InkMeasure::kView;
        g.viewportBoundingBox = BoundingBox{QPointF(-v, -v), QPointF(v, v), true};
    }
    Meter(const Meter&) = delete;
    Meter& operator=(const Meter&) = delete;

    bool measure(const std::optional<QTransform>& parentTransform, int layer, const std::function<void(Graphics&)>& draw,
        BoundingBox& ink)
    {
        DrawingContext& c = *context_;
        Graphics& g = *graphics_;
        device_.reset();
        const QTransform& base = c.baseTransform();
        c.setTransform(parentTransform ? *parentTransform * base : base);
        c.beginPath();
        g.currentLayer = layer;
        const int depth = c.stateDepth();
        c.saveState();
        draw(g);
        while (c.stateDepth() > depth)
            c.restoreState();
        if (device_.unbounded())
            return false;
        if (!device_.painted())
            return true;
        const QRectF r = base.inverted().mapRect(device_.extent());
        const double far = InkMeasure::kFar;
        if (!(std::abs(r.left()) < far && std::abs(r.right()) < far && std::abs(r.top()) < far && std::abs(r.bottom()) < far))
            return false;
        ink.addRect(r);
        return true;
    }

private:
    InkBounds device_;
    QPainter painter_;
    std::optional<DrawingContext> context_;
    std::optional<Graphics> graphics_;
};

} // namespace

namespace InkMeasure {

bool measure(const std::optional<QTransform>& parentTransform, int layer, const std::function<void(Graphics&)>& draw,
    BoundingBox& ink)
{
    thread_local Meter meter;
    return meter.measure(parentTransform, layer, draw, ink);
}

} // namespace InkMeasure
