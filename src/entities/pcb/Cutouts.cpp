#include "entities/pcb/Cutouts.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"
#include "core/StrokeReach.h"
#include "document/PcbLayerList.h"

#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// An angle in degrees read at single precision, in radians; 0 when missing
// or unreadable.
double readAngleInRadians(pugi::xml_node element, const char* name)
{
    return readFloatAttribute(element, name, 0.0) * std::numbers::pi / 180;
}

// A cutout's opening in the solder mask: the area when filled, then the line
// at the width (at least a device pixel), in the colour, under the
// cutout's net transform: the board fill draws at sheet level.
void fillCutoutOpening(Graphics& g, const std::optional<QTransform>& netTransform, const QPainterPath& path,
    bool filled, double width, const QColor& color)
{
    if (path.isEmpty())
        return;
    g.pushTransform(netTransform);
    g.context.setFillColor(color);
    if (filled) {
        g.context.beginPath();
        g.context.addPath(path);
        g.context.fillPath(Qt::WindingFill);
    }
    g.applyPen(Pen(color, std::isfinite(width) ? std::max(width, 0.0) : 0.0));
    g.context.beginPath();
    g.context.addPath(path);
    g.context.strokePath();
    g.popTransform(netTransform);
}

// How far a polyline's halo reaches beyond its line on each side, device
// pixels.
constexpr double kHaloPixels = 1;

// Strokes the halo of the open polyline a pen of the width draws under the
// current transform: the line as drawn grown by kHaloPixels on every side of
// the device, however unevenly the transform scales. A line raised to the
// least width is drawn that wide every way, and its halo is raised too.
// Otherwise the pen's circle is an ellipse on the device, and its halo the
// ellipse grown along its axes: the line is stroked in a frame whose unit
// circle maps onto that grown ellipse (the frame's transform is h S + I, h
// the pen's half width and S the symmetric root of M M^T, M the linear part
// of the transform), placed so that its points land where the line's do.
void strokeHalo(Graphics& g, const std::vector<QPointF>& points, double width, const QColor& color)
{
    DrawingContext& c = g.context;
    auto stroke = [&](auto map) {
        c.beginPath();
        c.moveTo(map(points.front()));
        for (const QPointF& p : points)
            c.lineTo(map(p));
        c.strokePath();
    };
    auto asIs = [](QPointF p) { return p; };
    const double pixel = g.pixelSize();
    if (!(std::isfinite(width) && width >= pixel)) {
        g.applyPen(Pen(color, width));
        if (pixel > 0) {
            const double raised = StrokeReach::kLeastWidthPixels + 2 * kHaloPixels;
            c.setLineWidth(pixel / StrokeReach::kLeastWidthPixels * raised);
            c.setRaisedWidth(raised);
        }
        stroke(asIs);
        return;
    }
    const QTransform t = c.currentTransform();
    // Column form: the device point is M p + (dx, dy).
    const double a = t.m11(), b = t.m21(), cy = t.m12(), d = t.m22();
    const double p = a * a + b * b, q = a * cy + b * d, r = cy * cy + d * d, det = std::abs(a * d - b * cy);
    const double norm = std::sqrt(p + r + 2 * det), h = width / 2;
    // Evenly scaled (the largest stretch squared is the determinant), or
    // no frame to be had: the line widened by the pixel in user units.
    const double largest = largestStretch(t);
    const double f11 = h * (p + det) / norm + kHaloPixels, f12 = h * q / norm, f22 = h * (r + det) / norm + kHaloPixels;
    const double fDet = f11 * f22 - f12 * f12;
    if (!t.isAffine() || !(norm > 0 && fDet > 0 && std::isfinite(fDet)) || det >= largest * largest * (1 - 1e-9)) {
        g.applyPen(Pen(color, width + 2 * kHaloPixels * pixel / StrokeReach::kLeastWidthPixels));
        stroke(asIs);
        return;
    }
    // The frame's points: F^-1 M p.
    const double g11 = (f22 * a - f12 * cy) / fDet, g12 = (f22 * b - f12 * d) / fDet;
    const double g21 = (f11 * cy - f12 * a) / fDet, g22 = (f11 * d - f12 * b) / fDet;
    c.saveState();
    c.setTransform(QTransform(f11, f12, f12, f22, t.dx(), t.dy()));
    g.applyPen(Pen(color, 2));
    stroke([=](QPointF v) { return QPointF(g11 * v.x() + g12 * v.y(), g21 * v.x() + g22 * v.y()); });
    c.restoreState();
}

} // namespace

// ---------------------------------------------------------------------------
// Arc

PcbCutoutArc::PcbCutoutArc(GraphicsSheet* sheet) : Entity(sheet)
{
}

void PcbCutoutArc::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    pen.readXML(element);
    radius = readSizeAttribute(element, "radius", QSizeF(0, 0));
    startAngleInRadians = readAngleInRadians(element, "startAngle");
    endAngleInRadians = readAngleInRadians(element, "endAngle");
    center = readPointAttribute(element, "center", QPointF(0, 0));
}

double PcbCutoutArc::sweep() const
{
    const double fullTurn = 2 * std::numbers::pi;
    double d = endAngleInRadians - startAngleInRadians;
    if (!std::isfinite(d))
        return 0;
    if (d < 0) {
        d = std::fmod(d, fullTurn);
        if (d < 0)
            d += fullTurn;
    }
    return std::min(d, fullTurn);
}

void PcbCutoutArc::calculateBoundingBox()
{
    const double cx = center.x(), cy = center.y();
    const double rx = radius.width(), ry = radius.height();
    // The ellipse of the radius, and the circle of its width that is drawn:
    // a box short of what is drawn would cull a visible arc. All four corners
    // are mapped, so a rotated placement still encloses it.
    boundingBox.addTransformedRect(QRectF(cx - rx, cy - ry, 2 * rx, 2 * ry), netTransform);
    const double r = std::abs(rx);
    boundingBox.addTransformedRect(QRectF(cx - r, cy - r, 2 * r, 2 * r), netTransform);
    if (isDrawable(pen.color))
        boundingBox = boundingBox.expanded(std::max(pen.width, 0.0) / 2);
}

void PcbCutoutArc::draw(Graphics& g) const
{
    Entity::draw(g);
    g.pushTransform(singleLevelTransform);
    // A thin arc is hard to hit: picking widens it for this draw only.
    Pen drawn = pen;
    if (g.picking)
        drawn.width = pen.width + Graphics::kPickWideningPixels * g.pixelSize();
    g.applyPen(drawn);
    if (isDrawable(drawn.color)) {
        QPainterPath path;
        addArc(path, center, radius.width(), startAngleInRadians, sweep());
        g.context.beginPath();
        g.context.addPath(path);
        g.context.strokePath();
    }
    g.popTransform(singleLevelTransform);
}

void PcbCutoutArc::fillMaskOpening(Graphics& g, const QColor& color, double margin)
{
    QPainterPath path;
    addArc(path, center, radius.width(), startAngleInRadians, sweep());
    fillCutoutOpening(g, netTransform, path, false, pen.width + 2 * margin, color);
}

QWidget* PcbCutoutArc::editorView(const std::shared_ptr<Entity>& self)
{
    return new PcbCutoutArcEditor(std::static_pointer_cast<PcbCutoutArc>(self));
}

// ---------------------------------------------------------------------------
// Curve

PcbCutoutCurve::PcbCutoutCurve(GraphicsSheet* sheet) : Entity(sheet)
{
}

void PcbCutoutCurve::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    addedByPcbCutoutGenerator = readBoolAttribute(element, "addedByPcbCutoutGenerator", addedByPcbCutoutGenerator);
    pen.readXML(element);
    bezier.readXML(element);
    layerIndex = PcbLayerList::kBoardBorderLayer;
}

void PcbCutoutCurve::draw(Graphics& g) const
{
    Entity::draw(g);
    // Placed like every other entity: a curve read with a placement must
    // not be drawn where the placement is ignored.
    g.pushTransform(singleLevelTransform);
    g.drawBezier(pen, QColor(0, 0, 0), bezier);
    g.popTransform(singleLevelTransform);
}

void PcbCutoutCurve::fillMaskOpening(Graphics& g, const QColor& color, double margin)
{
    fillCutoutOpening(g, netTransform, bezier.path(), bezier.closed, pen.width + 2 * margin, color);
}

QWidget* PcbCutoutCurve::editorView(const std::shared_ptr<Entity>& self)
{
    return new PcbCutoutCurveEditor(std::static_pointer_cast<PcbCutoutCurve>(self));
}

// ---------------------------------------------------------------------------
// Polyline

PcbCutoutPolyLine::PcbCutoutPolyLine(GraphicsSheet* sheet) : Entity(sheet)
{
}

void PcbCutoutPolyLine::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    closed = readBoolAttribute(element, "closed", closed);
    doNotOptimize = readBoolAttribute(element, "doNotOptimize", doNotOptimize);
    addedByPcbCutoutGenerator = readBoolAttribute(element, "addedByPcbCutoutGenerator", addedByPcbCutoutGenerator);
    if (pugi::xml_node v = childElement(element, "vertices"))
        vertices.read(v);
    layerIndex = PcbLayerList::kBoardBorderLayer;
}

void PcbCutoutPolyLine::calculateBoundingBox()
{
    vertices.addToBoundingBox(boundingBox, netTransform);
}

void PcbCutoutPolyLine::draw(Graphics& g) const
{
    const std::vector<QPointF>& points = vertices.points;
    if (points.empty())
        return;
    Entity::draw(g);
    g.pushTransform(singleLevelTransform);

    // A white halo a device pixel beyond the line on each side, then the
    // black line, whatever the pen's own colour; always open, whatever
    // "closed" says.
    strokeHalo(g, points, pen.width, QColor(255, 255, 255));
    Pen line = pen;
    line.color = QColor(0, 0, 0);
    g.applyPen(line);
    g.context.beginPath();
    g.context.moveTo(points.front());
    for (const QPointF& p : points)
        g.context.lineTo(p);
    g.context.strokePath();

    g.popTransform(singleLevelTransform);
}

void PcbCutoutPolyLine::fillMaskOpening(Graphics& g, const QColor& color, double margin)
{
    const std::vector<QPointF>& points = vertices.points;
    if (points.empty())
        return;
    // The line grown by the margin, and the halo as drawn (a device pixel
    // beyond the line on each side, under any placement).
    if (margin > 0) {
        QPainterPath path(points.front());
        for (const QPointF& p : points)
            path.lineTo(p);
        fillCutoutOpening(g, netTransform, path, false, pen.width + 2 * margin, color);
    }
    g.pushTransform(netTransform);
    strokeHalo(g, points, pen.width, color);
    g.popTransform(netTransform);
}

double PcbCutoutPolyLine::maskOpeningOverhang() const
{
    return std::isfinite(pen.width) ? std::max(pen.width, 0.0) / 2 : 0.0;
}

QWidget* PcbCutoutPolyLine::editorView(const std::shared_ptr<Entity>& self)
{
    return new PcbCutoutPolyLineEditor(std::static_pointer_cast<PcbCutoutPolyLine>(self));
}

// ---------------------------------------------------------------------------
// Shape

PcbCutoutShape::PcbCutoutShape(GraphicsSheet* sheet) : ClosedCurve(sheet)
{
}

void PcbCutoutShape::readXML(pugi::xml_node element)
{
    ClosedCurve::readXML(element);
    copperPourGap = readDoubleAttribute(element, "copperPourGap", copperPourGap);
    useCopperPourGap = readBoolAttribute(element, "useCopperPourGap", useCopperPourGap);
    layerIndex = PcbLayerList::kBoardBorderLayer;
}

void PcbCutoutShape::draw(Graphics& g) const
{
    // Outlined one device pixel wide, whatever the pen width.
    Entity::draw(g);
    Pen hairline = pen();
    hairline.width = 0;
    drawOutline(g, hairline);
}

void PcbCutoutShape::fillMaskOpening(Graphics& g, const QColor& color, double margin)
{
    fillCutoutOpening(g, netTransform, outlinePath(), true, 2 * margin, color);
}

QWidget* PcbCutoutShape::editorView(const std::shared_ptr<Entity>& self)
{
    return new PcbCutoutShapeEditor(std::static_pointer_cast<PcbCutoutShape>(self));
}

// ---------------------------------------------------------------------------
// Editors

PcbCutoutArcEditor::PcbCutoutArcEditor(std::shared_ptr<PcbCutoutArc> arc, QWidget* parent)
    : FrameEditor(QStringLiteral("PCB Cutout Arc"), QString(), parent), pcbCutoutArc(arc)
{
    keepEntityAlive(std::move(arc));
}

PcbCutoutCurveEditor::PcbCutoutCurveEditor(std::shared_ptr<PcbCutoutCurve> curve, QWidget* parent)
    : FrameEditor(QStringLiteral("PCB Cutout Curve"), QString(), parent), pcbCutoutCurve(curve)
{
    keepEntityAlive(std::move(curve));
}

PcbCutoutPolyLineEditor::PcbCutoutPolyLineEditor(std::shared_ptr<PcbCutoutPolyLine> polyLine, QWidget* parent)
    : FrameEditor(QStringLiteral("PCB Cutout Polyline"), QString(), parent), pcbCutoutPolyLine(polyLine)
{
    keepEntityAlive(std::move(polyLine));
}

PcbCutoutShapeEditor::PcbCutoutShapeEditor(std::shared_ptr<PcbCutoutShape> shape, QWidget* parent)
    : FrameEditor(QStringLiteral("PCB Cutout Shape"), QString(), parent), pcbCutoutShape(shape)
{
    keepEntityAlive(std::move(shape));
}
