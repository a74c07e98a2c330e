#include "viewport/Viewport2D.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "core/ModelGuard.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/GraphicsSheet.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "document/SheetSettings.h"
#include "model/Entity.h"
#include "model/SelectionFlag.h"
#include "viewport/FrameRenderer.h"
#include "viewport/FrameScaler.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2DCommand.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <QWheelEvent>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

namespace {

bool finiteRect(const QRectF& r)
{
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

// The pixels-per-inch scale of a view transform (uniform by construction).
double scaleOf(const QTransform& t) { return std::hypot(t.m11(), t.m12()); }

// An opaque frame's pixels read as RGB32 (no copy): Qt copies those onto a
// window or image instead of blending them pixel by pixel.
QImage opaqueView(const QImage& frame)
{
    QImage view(frame.constBits(), frame.width(), frame.height(), frame.bytesPerLine(), QImage::Format_RGB32);
    view.setDevicePixelRatio(frame.devicePixelRatio());
    return view;
}

// Within a millionth of a pixel of a whole number of pixels.
bool wholePixel(double v) { return std::abs(v - std::round(v)) <= 1e-6; }

// The image a raster painter draws into, where the widget's pixels start in
// it, and the one rectangle of them the painter may change now.
struct DirectTarget {
    QImage* image;
    QPoint origin;
    QRect area;
};

// Only for a painter that draws at once into a 32-bit image it alone uses,
// at whole pixels, without a clip of its own and with a clip region of at
// most one rectangle: then writing its pixels is what drawing them does.
std::optional<DirectTarget> directTarget(QPainter& painter, QSize pixels, qreal ratio)
{
    QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || painter.hasClipping() || !painter.worldTransform().isIdentity())
        return std::nullopt;
    QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return std::nullopt;
    QImage* image = static_cast<QImage*>(device);
    const QImage::Format format = image->format();
    if (!image->isDetached()
        || (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 && format != QImage::Format_ARGB32_Premultiplied))
        return std::nullopt;
    const QTransform toDevice = painter.deviceTransform();
    if (toDevice.type() > QTransform::TxScale || std::abs(toDevice.m11() - ratio) > 1e-9 || std::abs(toDevice.m22() - ratio) > 1e-9
        || !wholePixel(toDevice.dx()) || !wholePixel(toDevice.dy()))
        return std::nullopt;
    const QPoint origin(int(std::round(toDevice.dx())), int(std::round(toDevice.dy())));
    QRegion area = QRegion(QRect(origin, pixels)).intersected(image->rect());
    const QRegion clip = engine->systemClip();
    if (!clip.isEmpty())
        area = area.intersected(clip);
    if (area.rectCount() > 1)
        return std::nullopt;
    return DirectTarget{image, origin, area.boundingRect()};
}

// A colour premultiplied, and the share of the pixel under it that shows.
struct Ink {
    uint src;
    uint keep;
};

Ink inkOf(const QColor& c)
{
    const uint p = qPremultiply(c.rgba());
    return Ink{p, uint(255 - qAlpha(p))};
}

// The ink over a premultiplied pixel (two channels at a time).
inline uint over(uint dst, const Ink& ink)
{
    if (ink.keep == 0)
        return ink.src;
    uint rb = (dst & 0xff00ff) * ink.keep;
    rb = ((rb + ((rb >> 8) & 0xff00ff) + 0x800080) >> 8) & 0xff00ff;
    uint ag = ((dst >> 8) & 0xff00ff) * ink.keep;
    ag = (ag + ((ag >> 8) & 0xff00ff) + 0x800080) & 0xff00ff00;
    return ink.src + rb + ag;
}

// Premultiplied 32-bit pixels written without a painter: the placeholder's
// thousands of box outlines cost the painter a call each (and a path of
// them all, a cache entry of the path detail's).
struct Canvas {
    uchar* bits;
    qsizetype bytesPerLine;
    // Where the frame's pixels start in the image, and the image's pixels
    // that may be written.
    QPoint origin;
    QRect area;

    // Covers the frame's pixels r (set: replaces them).
    void fill(const QRect& r, const Ink& ink, bool set = false) const
    {
        const QRect at = r.translated(origin).intersected(area);
        if (at.isEmpty())
            return;
        for (int y = at.top(); y <= at.bottom(); ++y) {
            uint* row = reinterpret_cast<uint*>(bits + qsizetype(y) * bytesPerLine);
            if (set || ink.keep == 0) {
                std::fill(row + at.left(), row + at.right() + 1, ink.src);
            } else {
                for (int x = at.left(); x <= at.right(); ++x)
                    row[x] = over(row[x], ink);
            }
        }
    }
    // The one-pixel outline of r, each pixel covered once.
    void outline(const QRect& r, const Ink& ink) const
    {
        fill(QRect(r.left(), r.top(), r.width(), 1), ink);
        if (r.height() < 2)
            return;
        fill(QRect(r.left(), r.bottom(), r.width(), 1), ink);
        if (r.height() < 3)
            return;
        fill(QRect(r.left(), r.top() + 1, 1, r.height() - 2), ink);
        if (r.width() > 1)
            fill(QRect(r.right(), r.top() + 1, 1, r.height() - 2), ink);
    }
};

// The device pixels a model rectangle covers under toDevice, clamped to a
// pixel beyond the frame's; empty when outside it or not finite.
QRect devicePixels(const QRectF& model, const QTransform& toDevice, QSize pixels)
{
    const QRectF d = toDevice.mapRect(model.normalized());
    if (!finiteRect(d))
        return QRect();
    const double left = std::clamp(std::floor(d.left()), -1.0, double(pixels.width()));
    const double top = std::clamp(std::floor(d.top()), -1.0, double(pixels.height()));
    const double right = std::clamp(std::ceil(d.right()) - 1, -1.0, double(pixels.width()));
    const double bottom = std::clamp(std::ceil(d.bottom()) - 1, -1.0, double(pixels.height()));
    const QRect r(QPoint(int(left), int(top)), QPoint(int(std::max(left, right)), int(std::max(top, bottom))));
    return r.intersects(QRect(QPoint(0, 0), pixels)) ? r : QRect();
}

std::atomic<bool> backgroundFramesOn{false};

// Whether the weak pointer still holds the sheet s.
bool holdsSheet(const std::weak_ptr<GraphicsSheet>& kept, const std::shared_ptr<GraphicsSheet>& s)
{
    return !kept.owner_before(s) && !s.owner_before(kept) && !kept.expired();
}

// Posted by a frame drawn off the window's thread when it is done.
const QEvent::Type kFrameDone = QEvent::Type(QEvent::registerEventType());

} // namespace

// A frame drawn off the window's thread into an image of its own, and what
// it is drawn for.
struct Viewport2D::Pending {
    std::thread thread;
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    // Drawn to the end (not stopped).
    bool complete = false;
    QImage image;
    qreal ratio = 1;
    FrameKey key;
};

void Viewport2D::setBackgroundFrames(bool on) { backgroundFramesOn = on; }

bool Viewport2D::backgroundFrames() { return backgroundFramesOn; }

void Viewport2D::installModelGuard(QCoreApplication& app)
{
    // The view's own input (wheel, middle-button pan, hover) only moves the
    // view and shows frames; a window hands its input on to its widgets,
    // where it is judged.
    ModelGuard::installStopFilter(app, [](QObject* receiver, QEvent* event) {
        if (receiver->isWindowType())
            return true;
        for (Viewport2D* view : ViewModel::shared().viewports())
            if (view->isViewInput(receiver, event))
                return true;
        return false;
    });
}

bool Viewport2D::isViewInput(QObject* receiver, QEvent* event) const
{
    if (receiver == &wheelTimer_)
        return event->type() == QEvent::Timer;
    if (receiver != this)
        return false;
    switch (event->type()) {
    case QEvent::Wheel:
        return true;
    case QEvent::MouseMove:
        // Hover and the middle-button pan; a left or right drag belongs to
        // the command.
        return !(static_cast<QMouseEvent*>(event)->buttons() & (Qt::LeftButton | Qt::RightButton));
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        return static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton;
    default:
        return event->type() == kFrameDone;
    }
}

void Viewport2D::joinFrame()
{
    if (pending_ && pending_->thread.joinable())
        pending_->thread.join();
}

bool Viewport2D::adoptFrame()
{
    if (!pending_)
        return true;
    {
        const std::lock_guard<std::mutex> hold(pending_->lock);
        if (!pending_->done)
            return false;
    }
    joinFrame();
    const std::unique_ptr<Pending> finished = std::move(pending_);
    // Frames are started one at a time, each after the one before is done:
    // a finished one is newer than the kept frame. It replaces it when
    // drawn to the end for the sheet and the size shown now; it is shown
    // as it is when drawn for all of this paint (frameIsCurrent).
    const std::shared_ptr<GraphicsSheet> s = currentSheet();
    const bool sameSheet = s && holdsSheet(finished->key.sheet, s);
    const qreal ratio = devicePixelRatioF();
    if (!finished->complete || !sameSheet || finished->image.isNull() || finished->ratio != ratio
        || finished->image.size() != framePixels(ratio))
        return true;
    frame_ = std::move(finished->image);
    frameKey_ = finished->key;
    ++frameVersion_;
    return true;
}

void Viewport2D::drawFrameInBackground(const std::shared_ptr<GraphicsSheet>& s, const QColor& background, qreal ratio)
{
    auto pending = std::make_unique<Pending>();
    Pending* p = pending.get();
    p->key = keyNow(s, background);
    p->ratio = ratio;
    const FrameRenderer::Frame frame = frameFor(p->key.view, size(), ratio, background);
    pending_ = std::move(pending);
    ++framesDrawn_;
    // Counted as a reader before it starts: from now on nothing writes the
    // model until it is done or stopped.
    ModelGuard::beginRead();
    p->thread = std::thread([this, p, frame, sheet = s]() mutable {
        const bool complete = FrameRenderer().render(*sheet, frame, p->image);
        sheet.reset();
        {
            const std::lock_guard<std::mutex> hold(p->lock);
            p->done = true;
            p->complete = complete;
        }
        p->finished.notify_all();
        // Shown, or (stopped, or drawn for a view no longer shown) drawn
        // again, by the paint this asks for.
        QCoreApplication::postEvent(this, new QEvent(kFrameDone));
        ModelGuard::endRead();
    });
    {
        std::unique_lock<std::mutex> hold(p->lock);
        p->finished.wait_for(hold, std::chrono::milliseconds(kBackgroundAfterMs), [p] { return p->done; });
    }
    adoptFrame();
}

Viewport2D::Viewport2D(bool pcb, QWidget* parent)
    : QWidget(parent), pcb(pcb)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    setMinimumSize(40, 40);
    command_ = std::make_unique<Viewport2DCommand>(this, ViewModel::shared());

    wheelTimer_.setSingleShot(true);
    wheelTimer_.setInterval(kWheelSettleMs);
    connect(&wheelTimer_, &QTimer::timeout, this, [] { ViewModel::shared().setDraggingOrZooming(false); });
    // Every increment of the shared counter is a redraw request.
    connect(&ViewModel::shared(), &ViewModel::redrawsChanged, this, [this] { update(); });
    // A pan or zoom gesture shows the kept frame while it runs; its end
    // draws the view afresh.
    connect(&ViewModel::shared(), &ViewModel::draggingOrZoomingChanged, this, [this](bool on) {
        if (!on)
            update();
    });
}

Viewport2D::~Viewport2D()
{
    if (pending_)
        ModelGuard::stop();
    joinFrame();
    ViewModel::shared().unregisterViewport(this);
}

void Viewport2D::requestRedraw(Redraw what)
{
    // A view change alone (a zoom command) is drawn at once, as any paint
    // is: only a frame that is slow shows the kept frame moved meanwhile.
    // The wheel's notches come in runs; they alone wait for it to settle.
    if (has(what, Redraw::display) || has(what, Redraw::model))
        ++displays_;
    if (has(what, Redraw::fit))
        firstTime = true;
    update();
}

void Viewport2D::setViewportCommand(std::unique_ptr<Viewport2DCommand> command)
{
    command_ = command ? std::move(command) : std::make_unique<Viewport2DCommand>(this, ViewModel::shared());
}

std::shared_ptr<GraphicsSheet> Viewport2D::currentSheet() const
{
    const std::shared_ptr<DesignState> state = Design::shared().currentDesignState();
    if (!state)
        return nullptr;
    if (pcb)
        return state->pcb;
    if (state->schematics.empty())
        return nullptr;
    return state->schematics.front();
}

QTransform Viewport2D::viewTransform() const
{
    const GraphicsSheet* s = sheet();
    const auto& transforms = ViewModel::shared().sheetTransforms;
    auto it = s ? transforms.find(s) : transforms.end();
    return it != transforms.end() ? it->second : fallbackTransform_;
}

void Viewport2D::setViewTransform(const QTransform& t)
{
    if (const GraphicsSheet* s = sheet())
        ViewModel::shared().sheetTransforms[s] = t;
    else
        fallbackTransform_ = t;
}

bool Viewport2D::applyTransform(const QTransform& t)
{
    const double s = scaleOf(t);
    if (!std::isfinite(s) || !std::isfinite(t.dx()) || !std::isfinite(t.dy()) || s < kMinScale || s > kMaxScale)
        return false;
    const double before = scaleOf(viewTransform());
    if (before > 0)
        magnification *= s / before;
    setViewTransform(t);
    return true;
}

QPointF Viewport2D::toWorld(QPointF widgetPoint) const
{
    bool invertible = false;
    const QTransform inverse = viewTransform().inverted(&invertible);
    return invertible ? inverse.map(widgetPoint) : QPointF();
}

QPointF Viewport2D::toWidget(QPointF worldPoint) const { return viewTransform().map(worldPoint); }

void Viewport2D::ensureGeometry(const std::shared_ptr<GraphicsSheet>& sheet)
{
    if (!sheet)
        return;
    ViewModel& vm = ViewModel::shared();
    const bool sameSheet = holdsSheet(geometrySheet_, sheet);
    if (sameSheet && geometryRedraws_ == vm.sheetRedraws() && !vm.setBoundingBoxesOnRedraw) {
        vm.lastRedraws = vm.redraws();
        return;
    }
    ModelGuard::stop();
    sheet->updateGeometry();
    geometrySheet_ = sheet;
    geometryRedraws_ = vm.sheetRedraws();
    vm.lastRedraws = vm.redraws();
}

void Viewport2D::takeGeometryAsCurrent()
{
    geometrySheet_ = currentSheet();
    geometryRedraws_ = ViewModel::shared().sheetRedraws();
}

QRectF Viewport2D::fitRect()
{
    const std::shared_ptr<GraphicsSheet> s = currentSheet();
    const QRectF empty(0, 0, 10, 8);
    if (!s)
        return empty;
    ensureGeometry(s);
    QRectF r;
    const BoundingBox& box = s->entityList.boundingBox;
    if (box.valid)
        r = box.rect().normalized();
    if (s->settings().showPage) {
        const QRectF page = s->pageRect().normalized();
        if (finiteRect(page))
            r = r.isNull() ? page : r.united(page);
    }
    if (!finiteRect(r) || (r.width() <= 0 && r.height() <= 0))
        return r.isNull() || !finiteRect(r) ? empty : QRectF(r.center() - QPointF(0.5, 0.5), QSizeF(1, 1));
    // A box flat in one direction (a single line) gets the other's extent.
    if (r.width() <= 0)
        r.adjust(-r.height() / 2, 0, r.height() / 2, 0);
    if (r.height() <= 0)
        r.adjust(0, -r.width() / 2, 0, r.width() / 2);
    return r;
}

void Viewport2D::fitWorldRect(const QRectF& world, double marginFraction)
{
    const double w = std::max(1, width());
    const double h = std::max(1, height());
    const double usable = 1 - 2 * marginFraction;
    double s = std::min(w * usable / world.width(), h * usable / world.height());
    if (!std::isfinite(s) || s <= 0)
        return;
    s = std::clamp(s, kMinScale, kMaxScale);
    const QPointF c = world.center();
    const QTransform t(s, 0, 0, -s, w / 2 - s * c.x(), h / 2 + s * c.y());
    if (!std::isfinite(t.dx()) || !std::isfinite(t.dy()))
        return;
    setViewTransform(t);
}

void Viewport2D::fit()
{
    fitWorldRect(fitRect(), 0.05);
    magnification = 1;
    firstTime = false;
    shownSheet_ = currentSheet();
}

void Viewport2D::ensureTransform(const std::shared_ptr<GraphicsSheet>& sheet)
{
    const bool replaced = !holdsSheet(shownSheet_, sheet);
    const bool stored = !sheet || ViewModel::shared().sheetTransforms.count(sheet.get());
    if (firstTime || replaced || !stored)
        fit();
}

void Viewport2D::zoomAbout(QPointF p, double factor)
{
    if (!std::isfinite(factor) || factor <= 0)
        return;
    const QTransform t = viewTransform() * QTransform::fromTranslate(-p.x(), -p.y()) * QTransform::fromScale(factor, factor)
        * QTransform::fromTranslate(p.x(), p.y());
    if (applyTransform(t))
        update();
}

void Viewport2D::zoomIn() { zoomAbout(QPointF(width() / 2.0, height() / 2.0), zoomStep); }

void Viewport2D::zoomOut() { zoomAbout(QPointF(width() / 2.0, height() / 2.0), 1 / zoomStep); }

void Viewport2D::zoomToRect(const QRectF& widgetRect)
{
    const QRectF r = widgetRect.normalized();
    // A rectangle of a pixel or two is a click, not a choice of area.
    if (r.width() < 3 || r.height() < 3 || !finiteRect(r))
        return;
    bool invertible = false;
    const QTransform inverse = viewTransform().inverted(&invertible);
    if (!invertible)
        return;
    const QRectF world = inverse.mapRect(r);
    const double before = scaleOf(viewTransform());
    fitWorldRect(world, 0);
    if (before > 0)
        magnification *= scaleOf(viewTransform()) / before;
    update();
}

void Viewport2D::pan(QPointF delta)
{
    if (applyTransform(viewTransform() * QTransform::fromTranslate(delta.x(), delta.y())))
        update();
}

std::shared_ptr<Entity> Viewport2D::entityAt(QPointF widgetPoint)
{
    const std::shared_ptr<GraphicsSheet> s = currentSheet();
    if (!s || !std::isfinite(widgetPoint.x()) || !std::isfinite(widgetPoint.y()))
        return nullptr;
    ModelGuard::stop();
    ensureGeometry(s);
    ensureTransform(s);

    const double px = std::floor(widgetPoint.x());
    const double py = std::floor(widgetPoint.y());
    const QTransform view = viewTransform();

    QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    std::shared_ptr<Entity> hit;
    {
        DrawingContext context(painter);
        context.concatenate(view * QTransform::fromTranslate(-px, -py));
        Graphics g(context);
        g.picking = true;
        g.pickImage = &image;
        g.drawingPcb = pcb;
        // In pick mode the visible area is the clicked pixel, grown like a
        // frame's by the ink that reaches it: strokes widened for picking
        // (half the widening, in pixel sizes of sqrt(2) pixels) and the
        // allowance.
        const double reach = Graphics::kPickWideningPixels / 2 * M_SQRT2 + FrameRenderer::kInkAllowancePixels;
        g.viewportBoundingBox = worldBoxSeenThrough(view, QRectF(px, py, 1, 1).adjusted(-reach, -reach, reach, reach));
        hit = s->draw(g);
    }
    painter.end();
    return hit;
}

std::shared_ptr<Entity> Viewport2D::pickAt(QPointF widgetPoint)
{
    ViewModel& vm = ViewModel::shared();
    vm.clearSelection();
    if (const std::shared_ptr<GraphicsSheet> s = currentSheet())
        s->entityList.clearSelection();
    std::shared_ptr<Entity> hit = entityAt(widgetPoint);
    if (hit)
        hit->selected = true;
    vm.setSelectedEntity(hit);
    // A selection changes no geometry and no frame: its marks are drawn
    // over the kept frame.
    vm.requestRedraw(Redraw::selection);
    return hit;
}

void Viewport2D::updateStatusAt(QPointF widgetPoint)
{
    // Hover does not wait for a frame drawn off the window's thread: the
    // status follows the next move after it.
    if (ModelGuard::reading())
        return;
    const std::shared_ptr<Entity> e = entityAt(widgetPoint);
    ViewModel::shared().setStatus(e ? e->typeName() : QString());
}

QSize Viewport2D::framePixels(qreal ratio) const
{
    return QSize(std::max(1, int(std::ceil(width() * ratio))), std::max(1, int(std::ceil(height() * ratio))));
}

FrameRenderer::Frame Viewport2D::frameFor(const QTransform& view, QSizeF size, qreal ratio, const QColor& background) const
{
    FrameRenderer::Frame frame;
    frame.view = view;
    frame.size = size;
    frame.ratio = ratio;
    frame.background = background;
    frame.pcb = pcb;
    // The selection's marks are drawn over whatever frame a paint shows.
    frame.selectionMarks = false;
    return frame;
}

void Viewport2D::drawFrame(const std::shared_ptr<GraphicsSheet>& s, const QColor& background, qreal ratio)
{
    ModelGuard::join();
    frameKey_ = keyNow(s, background);
    FrameRenderer().render(*s, frameFor(frameKey_.view, size(), ratio, background), frame_);
    ++framesDrawn_;
    ++frameVersion_;
}

Viewport2D::FrameKey Viewport2D::keyNow(const std::shared_ptr<GraphicsSheet>& s, const QColor& background) const
{
    FrameKey key;
    key.view = viewTransform();
    key.sheet = s;
    key.sheetRedraws = ViewModel::shared().sheetRedraws();
    key.displays = displays_;
    key.background = background.rgba();
    return key;
}

bool Viewport2D::FrameKey::sameContent(const FrameKey& other) const
{
    return !sheet.owner_before(other.sheet) && !other.sheet.owner_before(sheet) && !sheet.expired()
        && sheetRedraws == other.sheetRedraws && displays == other.displays && background == other.background;
}

bool Viewport2D::frameIsCurrent(const std::shared_ptr<GraphicsSheet>& s, const QColor& background, qreal ratio) const
{
    const FrameKey now = keyNow(s, background);
    return !frame_.isNull() && frame_.devicePixelRatio() == ratio && frame_.size() == framePixels(ratio)
        && frameKey_.view == now.view && frameKey_.sameContent(now);
}

void Viewport2D::drawSelectionMarks(QPainter& painter, const std::shared_ptr<GraphicsSheet>& s, qreal ratio)
{
    if (SelectionFlag::selectedAnywhere() == 0)
        return;
    FrameRenderer::drawSelectionMarks(*s, frameFor(viewTransform(), size(), ratio, QColor()), painter);
}

const QImage& Viewport2D::markedFrame(const std::shared_ptr<GraphicsSheet>& s)
{
    if (SelectionFlag::selectedAnywhere() == 0) {
        marked_ = QImage();
        return frame_;
    }
    if (markedVersion_ == frameVersion_ && markedSelection_ == SelectionFlag::changes() && !marked_.isNull())
        return marked_;
    // Over a copy of the frame, in its format: the very pixels a frame
    // drawn with the marks holds.
    if (marked_.size() != frame_.size() || marked_.format() != frame_.format())
        marked_ = QImage(frame_.size(), frame_.format());
    if (marked_.isNull())
        return frame_;
    std::memcpy(marked_.bits(), frame_.constBits(), size_t(frame_.sizeInBytes()));
    marked_.setDevicePixelRatio(frame_.devicePixelRatio());
    {
        QPainter painter(&marked_);
        FrameRenderer::drawSelectionMarks(
            *s, frameFor(frameKey_.view, frame_.deviceIndependentSize(), frame_.devicePixelRatio(), QColor()), painter);
    }
    markedVersion_ = frameVersion_;
    markedSelection_ = SelectionFlag::changes();
    return marked_;
}

const std::vector<QRect>& Viewport2D::placeholderBoxes(const std::shared_ptr<GraphicsSheet>& s, const QColor& background, qreal ratio)
{
    const FrameKey key = keyNow(s, background);
    const QSize pixels = framePixels(ratio);
    PlaceholderBoxes& kept = placeholderBoxes_;
    if (kept.pixels == pixels && kept.ratio == ratio && kept.key.view == key.view && kept.key.sameContent(key))
        return kept.rects;
    kept.key = key;
    kept.pixels = pixels;
    kept.ratio = ratio;
    kept.rects.clear();
    const QTransform toDevice = key.view * QTransform::fromScale(ratio, ratio);
    // Outlines of about a quarter of the frame's pixels at most (a board's
    // thousands of parts take a tenth of that at fit): past that the rest
    // is left out.
    const qint64 budget = qint64(pixels.width()) * pixels.height() / 4;
    qint64 ink = 0;
    const auto& entities = s->entityList.entities;
    const size_t n = std::min(FrameRenderer::kOutlinedEntities, entities.size());
    for (size_t i = 0; i < n && ink < budget; ++i) {
        const BoundingBox& box = entities[i]->boundingBox;
        if (!box.valid)
            continue;
        const QRect r = devicePixels(box.rect(), toDevice, pixels);
        if (r.isEmpty())
            continue;
        kept.rects.push_back(r);
        ink += 2 * qint64(r.width()) + 2 * qint64(r.height());
    }
    return kept.rects;
}

void Viewport2D::drawPlaceholder(QPainter& painter, const std::shared_ptr<GraphicsSheet>& s, const QColor& background, qreal ratio)
{
    // Read alongside the frame being drawn: both only read the sheet. Drawn
    // a pixel at a time without the painter (a paint of a few milliseconds
    // whatever the number of boxes), straight into the pixels the painter
    // draws on when it allows, else into an image of its own.
    const QSize pixels = framePixels(ratio);
    const bool opaque = background.alpha() == 255;
    std::optional<DirectTarget> direct = opaque ? directTarget(painter, pixels, ratio) : std::nullopt;
    if (direct && direct->image->format() == QImage::Format_ARGB32)
        direct.reset();
    if (!direct && (placeholder_.size() != pixels || placeholder_.devicePixelRatio() != ratio)) {
        placeholder_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        placeholder_.setDevicePixelRatio(ratio);
    }
    if (!direct && placeholder_.isNull()) {
        painter.fillRect(rect(), background);
        return;
    }
    const Canvas canvas = direct ? Canvas{direct->image->bits(), direct->image->bytesPerLine(), direct->origin, direct->area}
                                 : Canvas{placeholder_.bits(), placeholder_.bytesPerLine(), QPoint(0, 0), placeholder_.rect()};
    const QRect all(QPoint(0, 0), pixels);
    canvas.fill(all, inkOf(background), true);

    const SheetSettings& settings = s->settings();
    const QTransform view = viewTransform();
    const QTransform toDevice = view * QTransform::fromScale(ratio, ratio);
    const QColor sheetColor = settings.sheetColor.isValid() ? settings.sheetColor : QColor(Qt::white);
    const auto inkOn = [](const QColor& c, double alpha) {
        QColor ink = c.lightnessF() < 0.5 ? QColor(255, 255, 255) : QColor(0, 0, 0);
        ink.setAlphaF(float(alpha));
        return ink;
    };
    if (settings.showPage) {
        const QRect page = devicePixels(s->pageRect(), toDevice, pixels);
        if (!page.isEmpty()) {
            canvas.fill(page, inkOf(sheetColor));
            canvas.outline(page, inkOf(inkOn(sheetColor, 0.5)));
        }
    }
    // Grid lines a frame draws (no closer than its 4 pixels), across the view.
    const double step = settings.gridSpacing * scaleOf(view) * ratio;
    if (settings.showGrid && std::isfinite(step) && step >= 4 && view.type() <= QTransform::TxScale) {
        const Ink grid = inkOf(inkOn(sheetColor, 0.2));
        const QPointF o = toDevice.map(settings.originOffset);
        if (std::isfinite(o.x()) && std::isfinite(o.y())) {
            // From the first line on the frame: fmod is exact at any offset.
            const double x0 = std::fmod(o.x(), step), y0 = std::fmod(o.y(), step);
            for (double x = x0 < 0 ? x0 + step : x0; x < pixels.width(); x += step)
                canvas.fill(QRect(int(std::floor(x)), 0, 1, pixels.height()), grid);
            for (double y = y0 < 0 ? y0 + step : y0; y < pixels.height(); y += step)
                canvas.fill(QRect(0, int(std::floor(y)), pixels.width(), 1), grid);
        }
    }
    const Ink faint = inkOf(inkOn(background, 0.35));
    for (const QRect& box : placeholderBoxes(s, background, ratio))
        canvas.outline(box, faint);
    if (!direct)
        painter.drawImage(QPointF(0, 0), opaque ? opaqueView(placeholder_) : placeholder_);
    if (settings.showOrigin) {
        // The frame's mark: arms of 12 and a ring of 5 device pixels.
        const QPointF o = view.map(settings.originOffset);
        if (std::isfinite(o.x()) && std::isfinite(o.y()) && rect().adjusted(-20, -20, 20, 20).contains(o.toPoint())) {
            const double arm = 12 / ratio, radius = 5 / ratio;
            painter.save();
            painter.setPen(QPen(QColor(220, 40, 40), 0));
            painter.setBrush(Qt::NoBrush);
            painter.drawLine(o - QPointF(arm, 0), o + QPointF(arm, 0));
            painter.drawLine(o - QPointF(0, arm), o + QPointF(0, arm));
            painter.drawEllipse(o, radius, radius);
            painter.restore();
        }
    }
}

std::optional<QTransform> Viewport2D::keptFrameMove(
    const std::shared_ptr<GraphicsSheet>& s, const QColor& background, qreal ratio, bool gesture) const
{
    if (frame_.isNull() || !holdsSheet(frameKey_.sheet, s) || frame_.devicePixelRatio() != ratio)
        return std::nullopt;
    // A gesture moves the kept frame only while nothing else it shows has
    // changed (the same key as a paint that shows it as it is), and the
    // view keeps its size.
    if (gesture && (frame_.size() != framePixels(ratio) || !frameKey_.sameContent(keyNow(s, background))))
        return std::nullopt;
    bool invertible = false;
    const QTransform move = frameKey_.view.inverted(&invertible) * viewTransform();
    if (!invertible || !move.isAffine())
        return std::nullopt;
    const QRectF view(rect());
    const QRectF covered = move.mapRect(QRectF(QPointF(0, 0), frame_.deviceIndependentSize())).intersected(view);
    if (covered.isEmpty() || (gesture && covered.width() * covered.height() < kMinReusedCover * view.width() * view.height()))
        return std::nullopt;
    return move;
}

void Viewport2D::showMovedFrame(QPainter& painter, const QTransform& move, const QColor& background, qreal ratio)
{
    const QRectF view(rect());
    // The kept frame may be of another size than the view (a resize).
    const bool sameSize = frame_.size() == framePixels(ratio);
    const QRectF covered = move.mapRect(QRectF(QPointF(0, 0), frame_.deviceIndependentSize())).intersected(view);

    // A frame drawn on an opaque background is opaque (the sheet draws over
    // it), so it is copied rather than blended.
    const bool opaque = background.alpha() == 255;
    // The scale and the move in device pixels; a view only ever scales
    // uniformly, but the product of two views carries rounding.
    const double scale = move.m11();
    const double dx = move.dx() * ratio;
    const double dy = move.dy() * ratio;
    const bool uniform = scale > 0 && std::abs(move.m12()) <= 1e-9 * scale && std::abs(move.m21()) <= 1e-9 * scale
        && std::abs(move.m22() - scale) <= 1e-9 * scale;
    // A move by whole pixels (give or take rounding) copies the pixels as
    // they are.
    const bool wholePixels = uniform && std::abs(scale - 1) <= 1e-9 && wholePixel(dx) && wholePixel(dy);

    // Qt shows a moved image at whole pixels (sharp), a scaled one filtered.
    if (opaque && uniform && sameSize && std::abs(scale - 1) > 1e-9) {
        // Scaled (wheel zoom): filtered straight into the pixels the painter
        // draws on when it allows, else into a frame of its own, which then
        // is copied whole.
        if (const std::optional<DirectTarget> direct = directTarget(painter, frame_.size(), ratio)) {
            const QPointF offset(direct->origin.x() + dx, direct->origin.y() + dy);
            if (FrameScaler().scale(frame_, scale, offset, background.rgba(), *direct->image, direct->area))
                return;
        }
        if (gestureFrame_.size() != frame_.size() || gestureFrame_.devicePixelRatio() != ratio) {
            gestureFrame_ = QImage(frame_.size(), QImage::Format_RGB32);
            gestureFrame_.setDevicePixelRatio(ratio);
        }
        if (FrameScaler().scale(frame_, scale, QPointF(dx, dy), background.rgba(), gestureFrame_)) {
            painter.drawImage(QPointF(0, 0), gestureFrame_);
            return;
        }
    }

    // The background only where the moved frame does not hide it: the frame
    // covers the pixels two inside its edge whole, sampled or not.
    const QRectF inner = covered.adjusted(2, 2, -2, -2);
    const QRect inside(QPoint(int(std::ceil(inner.left())), int(std::ceil(inner.top()))),
                       QPoint(int(std::floor(inner.right())) - 1, int(std::floor(inner.bottom())) - 1));
    if (opaque && !inside.isEmpty()) {
        for (const QRect& r : QRegion(rect()).subtracted(QRegion(inside)))
            painter.fillRect(r, background);
    } else {
        painter.fillRect(rect(), background);
    }
    painter.save();
    if (wholePixels) {
        painter.setTransform(QTransform::fromTranslate(std::round(dx) / ratio, std::round(dy) / ratio));
        painter.drawImage(QPointF(0, 0), opaque ? opaqueView(frame_) : frame_);
    } else {
        painter.setTransform(move);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QPointF(0, 0), frame_);
    }
    painter.restore();
}

Viewport2D::PaintChoice Viewport2D::paintChoice(
    const std::shared_ptr<GraphicsSheet>& s, const QColor& background, qreal ratio, bool mayDraw) const
{
    // Nothing the kept frame was drawn for changed (an overlay shown or
    // hidden, a menu closed over the view): it is shown as it is.
    if (frameIsCurrent(s, background, ratio))
        return PaintChoice{PaintShows::frame, FrameToDraw::none, QTransform()};
    // A pan or wheel gesture moves it, as long as it covers most of the view.
    if (ViewModel::shared().draggingOrZooming())
        if (const std::optional<QTransform> move = keptFrameMove(s, background, ratio, true))
            return PaintChoice{PaintShows::gestureFrame, FrameToDraw::none, *move};
    // Else a frame is drawn for this paint, one at a time: here, or off the
    // window's thread when that is on (shown when done within a while).
    if (mayDraw && !pending_)
        return PaintChoice{PaintShows::frame, backgroundFrames() ? FrameToDraw::offThread : FrameToDraw::here, QTransform()};
    // While it is drawn the kept frame stands in, placed for the view; the
    // placeholder when the sheet has none yet.
    if (const std::optional<QTransform> move = keptFrameMove(s, background, ratio, false))
        return PaintChoice{PaintShows::awaitedFrame, FrameToDraw::none, *move};
    return PaintChoice{PaintShows::placeholder, FrameToDraw::none, QTransform()};
}

void Viewport2D::paintEvent(QPaintEvent*)
{
    QElapsedTimer paintClock;
    paintClock.start();

    QPainter painter(this);
    const std::shared_ptr<GraphicsSheet> s = currentSheet();
    if (!s) {
        painter.fillRect(rect(), palette().window());
        frame_ = QImage();
        gestureFrame_ = QImage();
        marked_ = QImage();
        placeholder_ = QImage();
        placeholderBoxes_ = PlaceholderBoxes();
        lastShown_ = PaintShows::frame;
        return;
    }
    ensureGeometry(s);
    ensureTransform(s);

    const QColor settingsBackground = s->settings().backgroundColor;
    const QColor background = settingsBackground.isValid() ? settingsBackground : QColor(Qt::white);
    const qreal ratio = devicePixelRatioF();
    adoptFrame();
    PaintChoice choice = paintChoice(s, background, ratio, true);
    if (choice.draw != FrameToDraw::none) {
        // Drawn into the kept frame, so that a gesture can move it about.
        if (choice.draw == FrameToDraw::here)
            drawFrame(s, background, ratio);
        else
            drawFrameInBackground(s, background, ratio);
        choice = paintChoice(s, background, ratio, false);
    }
    lastShown_ = choice.shows;
    switch (choice.shows) {
    case PaintShows::frame: {
        // The sheet has a frame: what stood in for it goes.
        placeholder_ = QImage();
        placeholderBoxes_ = PlaceholderBoxes();
        const QImage& shown = markedFrame(s);
        painter.drawImage(QPointF(0, 0), background.alpha() == 255 ? opaqueView(shown) : shown);
        break;
    }
    case PaintShows::gestureFrame:
    case PaintShows::awaitedFrame:
        showMovedFrame(painter, choice.move, background, ratio);
        drawSelectionMarks(painter, s, ratio);
        break;
    case PaintShows::placeholder:
        drawPlaceholder(painter, s, background, ratio);
        drawSelectionMarks(painter, s, ratio);
        break;
    }

    lastPaintMs_ = paintClock.nsecsElapsed() / 1e6;
    ++paintCount_;
    // The rate the view can sustain: the overlay follows the cost of a frame,
    // since the view paints only on demand.
    const double rate = lastPaintMs_ > 0 ? 1000.0 / lastPaintMs_ : 0;
    frameRate_ = frameRate_ > 0 ? 0.8 * frameRate_ + 0.2 * rate : rate;

    if (ViewModel::shared().showFrameRate) {
        const bool dark = background.lightnessF() < 0.5;
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setPen(dark ? QColor(230, 230, 230) : QColor(40, 40, 40));
        QFont font = painter.font();
        font.setPointSizeF(9);
        painter.setFont(font);
        const QString text = QStringLiteral("%1 fps  %2 ms").arg(frameRate_, 0, 'f', 0).arg(lastPaintMs_, 0, 'f', 1);
        painter.drawText(rect().adjusted(6, 4, -6, -4), Qt::AlignRight | Qt::AlignBottom, text);
    }
}

bool Viewport2D::event(QEvent* event)
{
    if (event->type() == kFrameDone) {
        // The frame in flight is done: shown (or, when the view moved on
        // meanwhile, drawn again for it) by the next paint. A frame the
        // paint that started it already took asks for nothing: a paint
        // for it would start the next frame, and so on for ever.
        if (pending_)
            update();
        return true;
    }
    return QWidget::event(event);
}

void Viewport2D::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // A new size refits, as on first display.
    firstTime = true;
}

void Viewport2D::mousePressEvent(QMouseEvent* event) { command_->mousePress(event); }

void Viewport2D::mouseMoveEvent(QMouseEvent* event) { command_->mouseMove(event); }

void Viewport2D::mouseReleaseEvent(QMouseEvent* event) { command_->mouseRelease(event); }

void Viewport2D::wheelEvent(QWheelEvent* event) { command_->wheel(event); }

void Viewport2D::leaveEvent(QEvent* event)
{
    command_->leave();
    QWidget::leaveEvent(event);
}

void Viewport2D::wheelGesture()
{
    ViewModel::shared().setDraggingOrZooming(true);
    wheelTimer_.start();
}
