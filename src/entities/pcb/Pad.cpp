#include "entities/pcb/Pad.h"

#include "core/Font.h"
#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"
#include "core/TextMetrics.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "core/EnumWords.h"
#include "document/PCB.h"
#include "entities/pcb/PadEditor.h"

#include <cmath>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

namespace {

constexpr auto kPinOrientations = enumWords<PinOrientation3D>({
    {PinOrientation3D::top, "top"},
    {PinOrientation3D::bottom, "bottom"},
    {PinOrientation3D::left, "left"},
    {PinOrientation3D::right, "right"},
});

constexpr auto kPinTypes = enumWords<PinType3D>({
    {PinType3D::none, "none"},
    {PinType3D::round, "round"},
    {PinType3D::square, "square"},
    {PinType3D::dip, "dip"},
    {PinType3D::gullWing, "gullWing"},
});

} // namespace

std::optional<PinOrientation3D> pinOrientation3DFromString(std::string_view text) { return kPinOrientations.fromString(text); }
const char* toString(PinOrientation3D value) { return kPinOrientations.toString(value); }
std::optional<PinType3D> pinType3DFromString(std::string_view text) { return kPinTypes.fromString(text); }
const char* toString(PinType3D value) { return kPinTypes.toString(value); }

namespace {

bool finiteRect(const QRectF& r)
{
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

// The rectangle grown by m on every side; a negative margin shrinks each side
// at most to the centre line, so the result is never mirrored.
QRectF grown(const QRectF& r, double m)
{
    const double w = std::max(0.0, r.width() + 2 * m);
    const double h = std::max(0.0, r.height() + 2 * m);
    const QPointF c = r.center();
    return QRectF(c.x() - w / 2, c.y() - h / 2, w, h);
}

// A C-locale number of the whole text at single precision, widened, like
// the sizes it stands in for; none when the attribute is missing or
// unreadable.
std::optional<double> numberAttribute(pugi::xml_node element, const char* name)
{
    const char* text = attributeValue(element, name);
    if (!text)
        return std::nullopt;
    if (std::optional<float> f = parseFloat(text))
        return double(*f);
    return std::nullopt;
}

const QPainterPath& unitCircle()
{
    static const QPainterPath path = [] {
        QPainterPath p;
        p.addEllipse(QPointF(0, 0), 1, 1);
        p.setFillRule(Qt::WindingFill);
        return p;
    }();
    return path;
}

const QPainterPath& unitSquare()
{
    static const QPainterPath path = [] {
        QPainterPath p;
        p.addRect(QRectF(-1, -1, 2, 2));
        p.setFillRule(Qt::WindingFill);
        return p;
    }();
    return path;
}

// The unit shape (of half-size 1 about the origin) stretched over r, grown
// by grow on every side (never below nothing).
QTransform placeUnitShape(const QRectF& r, double grow)
{
    const QPointF c = r.center();
    return QTransform(std::max(0.0, r.width() / 2 + grow), 0, 0, std::max(0.0, r.height() / 2 + grow), c.x(), c.y());
}

// A rectangle or ellipse filled with a colour and outlined by a black
// hairline on its edge. The hairline covers half a line width either side
// of the edge, so the picture is the shape grown by that half in black with
// the shape shrunk by it in the colour on top: two fills of a shared unit
// shape, with no stroking and no path of the pad's own.
void fillWithHairline(Graphics& g, const QPainterPath& unitShape, const QRectF& r, const QColor& fill)
{
    const double halfLine = g.pixelSize() / 2;
    g.context.fillUserPath(unitShape, QBrush(g.effectiveColor(QColor(0, 0, 0))), Qt::WindingFill,
                           placeUnitShape(r, halfLine));
    if (isDrawable(fill))
        g.context.fillUserPath(unitShape, QBrush(g.effectiveColor(fill)), Qt::WindingFill, placeUnitShape(r, -halfLine));
}

// Whether the rectangle of own coordinates, placed by the net transform and
// grown by margin own units, lies wholly outside the visible box (never when
// no box is known).
bool outsideView(const Graphics& g, const QRectF& rect, const std::optional<QTransform>& net, double margin)
{
    if (!g.viewportBoundingBox.valid)
        return false;
    // Sheet units per own unit, at most: the norm of the linear part.
    const double scale = net ? std::sqrt(net->m11() * net->m11() + net->m12() * net->m12() + net->m21() * net->m21()
                                         + net->m22() * net->m22())
                             : 1.0;
    BoundingBox box;
    box.addTransformedRect(rect, net);
    const double grow = margin * scale;
    if (!std::isfinite(grow))
        return false;
    box = box.expanded(grow);
    return box.valid && !box.intersects(g.viewportBoundingBox);
}

const Pen& blackHairline()
{
    static const Pen pen(QColor(0, 0, 0), 0);
    return pen;
}

// Fill in one colour (non-zero, the layer colour when the pass uses it),
// then the pen's stroke: what the drawing facade's rectangle, ellipse and
// Bezier calls do, on a path built once.
void fillAndStrokeOutline(Graphics& g, const QPainterPath& path, const Pen& pen, const QColor& fill, bool filled)
{
    if (filled && isDrawable(fill))
        g.context.fillUserPath(path, QBrush(g.effectiveColor(fill)), Qt::WindingFill);
    if (isDrawable(pen.color)) {
        g.applyPen(pen);
        g.context.beginPath();
        g.context.addPath(path);
        g.context.strokePath();
    }
}

} // namespace

namespace {

// The outline is filled only; whatever pen the file gives is not drawn.
CurveStyle withTransparentPen(CurveStyle style)
{
    style.pen.color = QColor(0, 0, 0, 0);
    return style;
}

} // namespace

bool Pad::Properties::sameAs(const Properties& other) const
{
    // Names repeat as one shared string (see sharedText): their storage is
    // compared first.
    const bool sameName = name.constData() == other.name.constData() ? name.size() == other.name.size()
                                                                     : name == other.name;
    return sameName && name.isNull() == other.name.isNull() && sameBits(holeSize.width(), other.holeSize.width()) && sameBits(holeSize.height(), other.holeSize.height())
        && copperPourGap == other.copperPourGap && orientation3D == other.orientation3D && type3D == other.type3D
        && add3DSolder == other.add3DSolder && autoGenerate3D == other.autoGenerate3D
        && autoGenerateSolderMaskHole == other.autoGenerateSolderMaskHole
        && autoGenerateSolderPaste == other.autoGenerateSolderPaste && checked == other.checked
        && goldPlated == other.goldPlated && lockedToWidth == other.lockedToWidth && onEdge == other.onEdge
        && surfaceMount == other.surfaceMount && useCopperPourGap == other.useCopperPourGap
        && rectangularHole == other.rectangularHole;
}

Pad::Pad(GraphicsSheet* sheet) : ClosedCurve(sheet)
{
    setCurveStyle(withTransparentPen(curveStyle()));
}

void Pad::adjustReadStyle(CurveStyle& style)
{
    style.pen.color = QColor(0, 0, 0, 0);
}

namespace {
// The kept measure of a pad name (below).
QExplicitlySharedDataPointer<const PadNameInk> keptNameInk(const QString& name);
} // namespace

void Pad::readXML(pugi::xml_node element)
{
    ClosedCurve::readXML(element);
    Properties p = properties();
    p.add3DSolder = readBoolAttribute(element, "add3DSolder", p.add3DSolder);
    p.autoGenerate3D = readBoolAttribute(element, "autoGenerate3D", p.autoGenerate3D);
    p.autoGenerateSolderMaskHole = readBoolAttribute(element, "autoGenerateSolderMaskHole", p.autoGenerateSolderMaskHole);
    p.autoGenerateSolderPaste = readBoolAttribute(element, "autoGenerateSolderPaste", p.autoGenerateSolderPaste);
    p.checked = readBoolAttribute(element, "checked", p.checked);
    p.goldPlated = readBoolAttribute(element, "goldPlated", p.goldPlated);
    id = readIdAttribute(element, "id", id);
    p.lockedToWidth = readBoolAttribute(element, "widthEqualsHeight", p.lockedToWidth);
    p.name = sharedText(readTextAttribute(element, "name", p.name));
    p.onEdge = readBoolAttribute(element, "onEdge", p.onEdge);
    p.orientation3D = readEnumAttribute(element, "orientation", PinOrientation3D::left, pinOrientation3DFromString);
    signalName = CompactText::shared(readTextAttribute(element, "signal", signalName));

    // A usable "diameter" wins; otherwise "size", and (0, 0) without either.
    QSizeF size;
    if (std::optional<double> d = numberAttribute(element, "diameter"); d && *d > 0)
        size = QSizeF(*d, *d);
    else
        size = readSizeAttribute(element, "size", QSizeF(0, 0));

    p.surfaceMount = readBoolAttribute(element, "smt", p.surfaceMount);
    p.type3D = readEnumAttribute(element, "eSeries", PinType3D::none, pinType3DFromString);
    modelSpaceCenter = readPointAttribute(element, "at", modelSpaceCenter);
    rectangle = QRectF(modelSpaceCenter.x() - size.width() * 0.5, modelSpaceCenter.y() - size.height() * 0.5,
                       size.width(), size.height());

    if (p.surfaceMount) {
        p.holeSize = QSizeF(0, 0);
    } else {
        if (std::optional<double> d = numberAttribute(element, "holeDiameter"); d && *d >= 0) {
            p.rectangularHole = false;
            p.holeSize = QSizeF(*d, *d);
        } else {
            p.rectangularHole = true;
            p.holeSize = readSizeAttribute(element, "holeSize", p.holeSize);
        }
    }
    // A new block of settings measures its name once for all its pads.
    properties_.share(p, [](Properties& made) {
        made.nameInk = made.name.isEmpty() ? QExplicitlySharedDataPointer<const PadNameInk>() : keptNameInk(made.name);
    });
    invalidateOutlines();
}

bool Pad::hasDrawableOutline() const
{
    const QSizeF size = rectangle.size();
    return std::isfinite(size.width()) && std::isfinite(size.height()) && size.width() >= 0 && size.height() >= 0
        && finiteRect(rectangle);
}

QRectF Pad::holeRectangle() const
{
    const Properties& p = properties();
    if (p.surfaceMount)
        return QRectF(0, 0, 0, 0);
    return QRectF(modelSpaceCenter.x() - p.holeSize.width() * 0.5, modelSpaceCenter.y() - p.holeSize.height() * 0.5,
                  p.holeSize.width(), p.holeSize.height());
}

bool Pad::hasDrawableHole() const
{
    const QRectF hole = holeRectangle();
    return hole.width() > 0 && hole.height() >= 0 && finiteRect(hole);
}

void Pad::invalidateOutlines()
{
    outline_.reset();
    kindFlag_ = false;
}

namespace {

// Rounded outlines about the origin by size, rounding and corners. Boards
// repeat a few pad shapes thousands of times; each pad keeps a shared copy
// of its shape's path. Filled from the geometry pass, also of designs read
// on other threads, hence the lock; bounded by starting afresh when full
// (pads keep the paths they hold).
struct RoundedShapeKey {
    double width, height, roundness;
    RoundedSideType side;
    bool operator==(const RoundedShapeKey&) const = default;
};
struct RoundedShapeHash {
    size_t operator()(const RoundedShapeKey& k) const noexcept
    {
        const size_t h = std::hash<double>()(k.width) * 31 + std::hash<double>()(k.height);
        return (h * 31 + std::hash<double>()(k.roundness)) * 31 + size_t(k.side);
    }
};
constexpr size_t kMaxRoundedShapes = 4096;

QExplicitlySharedDataPointer<const Pad::Outline> sharedRoundedOutline(RoundedSideType side, double width, double height,
                                                                      double roundness)
{
    static std::shared_mutex mutex;
    static std::unordered_map<RoundedShapeKey, QExplicitlySharedDataPointer<const Pad::Outline>, RoundedShapeHash> shapes;
    const RoundedShapeKey key{width, height, roundness, side};
    {
        // The threads measuring a sheet look their shapes up side by side.
        const std::shared_lock lock(mutex);
        if (auto found = shapes.find(key); found != shapes.end())
            return found->second;
    }
    const std::lock_guard lock(mutex);
    if (auto found = shapes.find(key); found != shapes.end())
        return found->second;
    QPainterPath path = RoundedRectanglePath::path(side, QRectF(-width / 2, -height / 2, width, height), roundness);
    path.setFillRule(Qt::WindingFill);
    // Bounds are computed on first asking, inside the shared path: asked
    // now, later readers on several threads change nothing.
    path.controlPointRect();
    path.boundingRect();
    auto* block = new Pad::Outline;
    block->path = path;
    QExplicitlySharedDataPointer<const Pad::Outline> shape(block);
    if (shapes.size() >= kMaxRoundedShapes)
        shapes.clear();
    shapes.emplace(key, shape);
    return shape;
}

} // namespace

const QPainterPath& Pad::outline()
{
    if (!outlineMade()) {
        if (curveType() == CurveType::rectangle && roundness() > 0) {
            const QRectF r = rectangle.normalized();
            outline_ = sharedRoundedOutline(roundedSide(), r.width(), r.height(), roundness());
        } else {
            auto* block = new Outline;
            block->path = outlinePath();
            settlePath(block->path);
            outline_ = QExplicitlySharedDataPointer<const Outline>(block);
        }
        kindFlag_ = true;
    }
    return outline_->path;
}

const QPainterPath& Pad::drawnOutline(QPainterPath& scratch, QTransform& placement) const
{
    if (outlineMade()) {
        placement = outlinePlacement();
        return outline_->path;
    }
    // Not measured since reading (or since an edit): made for this draw only.
    scratch = outlinePath();
    placement = QTransform();
    return scratch;
}

QTransform Pad::outlinePlacement() const
{
    if (curveType() == CurveType::rectangle && roundness() > 0) {
        const QPointF c = rectangle.normalized().center();
        return QTransform::fromTranslate(c.x(), c.y());
    }
    return QTransform();
}

void Pad::calculateBoundingBox()
{
    // Frames are drawn on several threads at once, which must not fill
    // these caches while drawing: they are made here, for every pad whose
    // drawing may fill the outline (a gradient fills it for any shape).
    if (curveType() == CurveType::curve || (curveType() == CurveType::rectangle && roundness() > 0)
        || brush().isGradient())
        outline();
    if (!name().isEmpty())
        keepNameInk();
    if (curveType() == CurveType::curve) {
        closedCurveBounds();
        if (const double m = solderMaskMargin(); !outline_->grown || outline_->grown->margin != m) {
            auto* block = new Outline;
            block->path = outline_->path;
            block->grown = Grown{makeExpandedBezierPolygon(m), m};
            outline_ = QExplicitlySharedDataPointer<const Outline>(block);
        }
    }
    if (hasDrawableOutline())
        boundingBox.addTransformedRect(rectangle, netTransform);
    else
        boundingBox.addPoint(netTransform ? netTransform->map(modelSpaceCenter) : modelSpaceCenter);
}

std::optional<QTransform> Pad::padNameRotationTransform() const
{
    if (!netTransform)
        return std::nullopt;
    const QPointF c = rectangle.center();
    const QPointF p0 = netTransform->map(c);
    const QPointF p1 = netTransform->map(QPointF(c.x() + 1.0, c.y()));
    const double angle = std::atan2(p1.y() - p0.y(), p1.x() - p0.x());
    // A placement too wild to measure leaves the name unrotated.
    if (!std::isfinite(angle) || !std::isfinite(c.x()) || !std::isfinite(c.y()) || std::abs(angle) < 1e-12)
        return std::nullopt;
    QTransform t;
    t.translate(c.x(), c.y());
    t.rotateRadians(-angle);
    t.translate(-c.x(), -c.y());
    return t;
}

void Pad::draw(Graphics& g) const
{
    Entity::draw(g);
    if (!hasDrawableOutline())
        return;
    g.pushTransform(singleLevelTransform);
    const CurveStyle& style = curveStyle();
    const bool plainShape
        = style.curveType == CurveType::ellipse || (style.curveType == CurveType::rectangle && style.roundness <= 0);
    if (plainShape && (g.useLayerColor || !style.brush.isGradient())) {
        // A solid fill of a plain rectangle or ellipse (the pen is invisible
        // now): the shared unit shape placed over the rectangle, so the
        // commonest pads keep no path of their own.
        const QColor fill = g.effectiveColor(style.brush.color);
        if (!isDrawable(style.brush.color)) {
        } else if (!g.picking) {
            if (style.curveType == CurveType::ellipse)
                g.fillEllipse(rectangle, fill);
            else
                g.fillRect(rectangle, fill);
        } else {
            g.context.fillUserPath(style.curveType == CurveType::ellipse ? unitCircle() : unitSquare(), QBrush(fill),
                                   Qt::WindingFill, placeUnitShape(rectangle, 0));
        }
    } else if (!g.picking && style.curveType == CurveType::rectangle && (g.useLayerColor || !style.brush.isGradient())
               && std::min(style.roundness, 1.0) * std::min(std::abs(rectangle.width()), std::abs(rectangle.height()))
                       / 2 * g.deviceScale()
                   < kSquareCornerPixels) {
        // Corners rounded by less than half a pixel: the plain rectangle.
        if (isDrawable(style.brush.color))
            g.fillRect(rectangle, g.effectiveColor(style.brush.color));
    } else if (isDrawable(style.brush.color)) {
        // The brush alone: the pen is never drawn.
        QPainterPath scratch;
        QTransform placement;
        const QPainterPath& outline = drawnOutline(scratch, placement);
        if (outline.isEmpty()) {
        } else if (g.useLayerColor || !style.brush.isGradient()) {
            const QColor fill = g.effectiveColor(style.brush.color);
            if (!g.fillSmallPath(outline, placement, fill))
                g.context.fillUserPath(outline, QBrush(fill), Qt::WindingFill, placement);
        } else {
            style.brush.fillPath(g, placement.map(outline));
        }
    }
    g.popTransform(singleLevelTransform);
}

PCB* Pad::pcbSheet() const
{
    return dynamic_cast<PCB*>(sheet);
}

void Pad::drawPadPass(Graphics& g) const
{
    if (!hasDrawableOutline())
        return;
    // The pass runs over every pad of the board: those off the view are left
    // before anything else (the outline lies in the box; the hairline grows
    // it by half a pixel).
    if (boundingBox.valid && g.viewportBoundingBox.valid
        && !boundingBox.expanded(g.pixelSize()).intersects(g.viewportBoundingBox))
        return;
    // With the board shown solid, surface-mount pads of the other side hide.
    if (PCB* pcb = pcbSheet(); pcb && pcb->layerList.showPcbSolid && surfaceMount() && layerIndex != PcbLayerList::kTopLayer)
        return;
    const QColor yellow(255, 255, 0);
    g.pushTransform(singleLevelTransform);
    QPainterPath scratch;
    QTransform placement;
    switch (curveType()) {
    case CurveType::curve:
        fillAndStrokeOutline(g, drawnOutline(scratch, placement), blackHairline(), yellow, bezier().closed);
        break;
    case CurveType::ellipse:
        fillWithHairline(g, unitCircle(), rectangle, yellow);
        break;
    case CurveType::rectangle:
        if (roundness() > 0) {
            const QColor fill = g.effectiveColor(yellow);
            if (isDrawable(fill)) {
                const QPainterPath& outline = drawnOutline(scratch, placement);
                g.context.fillUserPath(outline, QBrush(fill), Qt::WindingFill, placement);
            }
        } else {
            fillWithHairline(g, unitSquare(), rectangle, yellow);
        }
        break;
    }
    g.popTransform(singleLevelTransform);
}

void Pad::drawHolePass(Graphics& g, const QColor&) const
{
    if (!hasDrawableHole())
        return;
    // The pass runs over every pad of the board: a hole off the view (grown
    // by its hairline) is left before anything else.
    const double pixel = g.pixelSize();
    const QRectF holeRectangle = this->holeRectangle();
    const bool holeShown = !outsideView(g, holeRectangle, netTransform, pixel);
    if (!holeShown && !padNameShown(g))
        return;
    g.pushTransform(singleLevelTransform);
    // Always round, also for a rectangular hole: the inscribed ellipse filled
    // black with a black hairline round it. Fill and hairline share the
    // colour, so one fill of the ellipse grown by half the hairline gives the
    // same picture.
    const QColor black = g.effectiveColor(QColor(0, 0, 0));
    if (holeShown && isDrawable(black)) {
        if (!g.picking)
            g.fillEllipse(holeRectangle.adjusted(-pixel / 2, -pixel / 2, pixel / 2, pixel / 2), black);
        else
            g.context.fillUserPath(unitCircle(), QBrush(black), Qt::WindingFill, placeUnitShape(holeRectangle, pixel / 2));
    }
    drawPadName(g);
    g.popTransform(singleLevelTransform);
}

const Font& Pad::padNameFont()
{
    static const Font font = [] {
        Font f;
        f.familyName = QStringLiteral("Arial");
        f.height = 0.01;
        return f;
    }();
    return font;
}

namespace {

// The measured names, shared by the pads of a board (a few names repeat
// thousands of times). Kept as designs are read, also on several threads at
// once, hence the lock; bounded by starting afresh when full (pads keep the
// entries they hold).
constexpr size_t kMaxKeptNameInks = 4096;

QExplicitlySharedDataPointer<const PadNameInk> keptNameInk(const QString& name)
{
    // Asked for every new block of pad settings by the reading threads side
    // by side: lookups share the lock.
    static std::shared_mutex mutex;
    static std::unordered_map<QString, QExplicitlySharedDataPointer<const PadNameInk>> kept;
    {
        const std::shared_lock lock(mutex);
        if (auto found = kept.find(name); found != kept.end())
            return found->second;
    }
    auto* entry = new PadNameInk;
    entry->name = name;
    entry->ink = textInkBounds(Pad::padNameFont(), name);
    QExplicitlySharedDataPointer<const PadNameInk> ink(entry);
    const std::unique_lock lock(mutex);
    if (kept.size() >= kMaxKeptNameInks)
        kept.clear();
    kept.emplace(name, ink);
    return ink;
}

} // namespace

QRectF Pad::nameInkBounds() const
{
    const Properties& p = properties();
    if (p.nameInk && p.nameInk->name == p.name)
        return p.nameInk->ink;
    return textInkBounds(padNameFont(), p.name);
}

void Pad::keepNameInk()
{
    const Properties& p = properties();
    if (p.nameInk && p.nameInk->name == p.name)
        return;
    // Named after reading (an edit): this pad's own settings keep it.
    properties_.edit().nameInk = keptNameInk(p.name);
}

void Pad::addHolePassReach(BoundingBox& reach) const
{
    if (!hasDrawableHole())
        return;
    const QRectF holeRectangle = this->holeRectangle();
    // A hole inside the outline lies in the pad's box, measured already.
    if (boundingBox.valid && hasDrawableOutline() && rectangle.contains(holeRectangle))
        reach.addTransformedBox(boundingBox, std::nullopt);
    else
        reach.addTransformedRect(holeRectangle, netTransform);
    if (name().isEmpty() || !hasDrawableOutline() || !hasTextSize(padNameFont()))
        return;
    // The name, placed about the pad centre as drawText places it and turned
    // level, stays within the circle of its ink box's half diagonal plus
    // that box's offset from the centre.
    const QRectF ink = nameInkBounds();
    const double r = std::hypot(ink.width(), ink.height()) / 2 + std::hypot(ink.x() - padNameFont().height / 10, ink.y());
    if (!std::isfinite(r))
        return;
    // The circle about the placed centre, its radius grown by the most the
    // placement stretches a length (its norm bounds that).
    const QPointF c = netTransform ? netTransform->map(rectangle.center()) : rectangle.center();
    const QTransform t = netTransform.value_or(QTransform());
    const double stretch = std::max(1.0, std::sqrt(t.m11() * t.m11() + t.m12() * t.m12() + t.m21() * t.m21() + t.m22() * t.m22()));
    const double R = r * stretch;
    if (std::isfinite(R)) {
        reach.addPoint(QPointF(c.x() - R, c.y() - R));
        reach.addPoint(QPointF(c.x() + R, c.y() + R));
    }
}

bool Pad::padNameShown(Graphics& g) const
{
    if (name().isEmpty() || !hasDrawableOutline())
        return false;
    // Only on pads at least 20 device pixels tall (asked first: it is the
    // cheap test that fails for most pads of a whole board).
    if (!(g.pixelSize() * 20.0 <= rectangle.height()))
        return false;
    // Nor off the view: the name's ink box, placed as drawText places it.
    if (!g.viewportBoundingBox.valid || !hasTextSize(padNameFont()))
        return true;
    const QRectF ink = nameInkBounds();
    if (!ink.isValid())
        return true;
    const QPointF c = rectangle.center();
    const QPointF origin(c.x() - ink.width() / 2 - padNameFont().height / 10, c.y() - ink.height() / 2);
    std::optional<QTransform> placement = netTransform;
    if (const std::optional<QTransform> rotation = padNameRotationTransform())
        placement = *rotation * (netTransform ? *netTransform : QTransform());
    return !outsideView(g, ink.translated(origin), placement, 0);
}

void Pad::drawPadName(Graphics& g) const
{
    if (!padNameShown(g))
        return;
    // The switch of the open design's board.
    if (!sheet || !sheet->design)
        return;
    std::shared_ptr<DesignState> state = sheet->design->currentDesignState();
    if (!state || !state->pcb || !state->pcb->pcbSettings.showPadNames)
        return;
    const QPointF c = rectangle.center();
    const std::optional<QTransform> rotation = padNameRotationTransform();
    g.pushTransform(rotation);
    g.drawText(name(), padNameFont(), QColor(255, 255, 255), c.x(), c.y());
    g.popTransform(rotation);
}

double Pad::solderMaskMargin() const
{
    const PCB* pcb = pcbSheet();
    const double m = pcb ? pcb->pcbSettings.solderMaskMargin : PcbSettings().solderMaskMargin;
    return std::isfinite(m) ? m : 0;
}

std::vector<QPointF> Pad::makeExpandedBezierPolygon(double margin) const
{
    std::vector<QPointF> points = bezier().sample(0, int(bezier().points.size()), 20);
    // A straight outline samples to nothing: its outline is the polygon
    // through its points.
    if (points.empty())
        points = bezier().points;
    return PolygonExpander::expand(points, margin);
}

const std::vector<QPointF>& Pad::expandedBezierPolygon(double margin, std::vector<QPointF>& scratch) const
{
    if (outline_ && outline_->grown && outline_->grown->margin == margin)
        return outline_->grown->points;
    scratch = makeExpandedBezierPolygon(margin);
    return scratch;
}

void Pad::addRoundedClearance(Graphics& g, double margin) const
{
    // The shared shape of the grown size, placed at the pad centre: a board
    // of one pad shape keeps one grown outline, and drawing stores nothing.
    const QRectF r = grown(rectangle, margin);
    const QTransform outer = g.context.transform();
    g.context.setTransform(QTransform::fromTranslate(r.center().x(), r.center().y()) * outer);
    g.context.addPath(sharedRoundedOutline(roundedSide(), r.width(), r.height(), roundness())->path);
    g.context.setTransform(outer);
}

void Pad::addPadClearanceOutline(Graphics& g)
{
    if (!hasDrawableOutline())
        return;
    const double m = solderMaskMargin();
    // The board fill draws at sheet level, not inside the footprint, so the
    // outline is placed by the net transform. Only the current path changes
    // here, so the transform is swapped rather than the whole state saved.
    const QTransform outer = g.context.transform();
    if (netTransform)
        g.context.setTransform(*netTransform * outer);
    switch (curveType()) {
    case CurveType::ellipse:
        g.context.addEllipse(grown(rectangle, m));
        break;
    case CurveType::rectangle:
        if (roundness() > 0) {
            addRoundedClearance(g, m);
        } else {
            g.context.addRect(grown(rectangle, m));
        }
        break;
    case CurveType::curve: {
        std::vector<QPointF> scratch;
        g.addPolyline(expandedBezierPolygon(m, scratch));
        break;
    }
    }
    if (netTransform)
        g.context.setTransform(outer);
}

void Pad::fillPadClearance(Graphics& g, const QColor& color)
{
    if (!hasDrawableOutline())
        return;
    const double m = solderMaskMargin();
    const QTransform outer = g.context.transform();
    if (netTransform)
        g.context.setTransform(*netTransform * outer);
    const QRectF r = grown(rectangle, m);
    switch (curveType()) {
    case CurveType::ellipse:
        g.fillEllipse(r, color);
        break;
    case CurveType::rectangle:
        if (roundness() > 0
            && std::min(roundness(), 1.0) * std::min(r.width(), r.height()) / 2 * g.deviceScale() >= kSquareCornerPixels) {
            g.context.setFillColor(color);
            g.context.beginPath();
            addRoundedClearance(g, m);
            g.context.fillPath(Qt::WindingFill);
        } else {
            g.fillRect(r, color);
        }
        break;
    case CurveType::curve: {
        std::vector<QPointF> scratch;
        g.fillPoints(expandedBezierPolygon(m, scratch), color);
        break;
    }
    }
    if (netTransform)
        g.context.setTransform(outer);
}

QString Pad::typeName() const
{
    return QStringLiteral("Pad");
}

QWidget* Pad::editorView(const std::shared_ptr<Entity>& self)
{
    return new PadEditor(std::static_pointer_cast<Pad>(self));
}

PadEditor::PadEditor(std::shared_ptr<Pad> pad, QWidget* parent)
    : FrameEditor(QStringLiteral("Pad"), {}, parent)
    , pad(pad)
{
    keepEntityAlive(std::move(pad));
}
