#include "entities/drawing/Guides.h"

#include "core/Graphics.h"
#include "core/Readers.h"
#include "editors/NumberField.h"
#include "editors/ParameterEditors.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPaintDevice>
#include <cmath>
#include <limits>
#include <optional>

Guide::Guide(GraphicsSheet* sheet) : Entity(sheet)
{
}

Pen Guide::guidePen(Graphics& g)
{
    Pen pen(QColor::fromRgbF(1, 0, 1, 1), g.pixelSize());
    pen.linePattern = LinePattern::dashDotDot;
    return pen;
}

QRectF Guide::visibleArea(Graphics& g)
{
    // The ink measure's device is one pixel and its view the plane as far
    // as it reaches (InkMeasure): the view, in sheet units, placed by the
    // measure's own scale.
    if (g.context.measuring()) {
        if (!g.viewportBoundingBox.valid)
            return {};
        return g.context.baseTransform().mapRect(g.viewportBoundingBox.rect().normalized());
    }
    const QPaintDevice* device = g.context.painter().device();
    if (!device)
        return {};
    // A little beyond the device: the line's own width and antialiasing.
    constexpr double kReach = 4;
    return QRectF(0, 0, device->width(), device->height()).adjusted(-kReach, -kReach, kReach, kReach);
}

bool Guide::clipSegment(QPointF a, QPointF b, const BoundingBox& area, double& t0, double& t1)
{
    t0 = 0;
    t1 = 1;
    if (!area.valid)
        return false;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - area.bottomLeft.x(), area.topRight.x() - a.x(), a.y() - area.bottomLeft.y(),
                         area.topRight.y() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0) {
            if (r > t1)
                return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0)
                return false;
            t1 = std::min(t1, r);
        }
    }
    return true;
}

namespace {

// The dash-dot-dot pattern repeats every this many pen widths.
constexpr double kPatternWidths = 8 + 4 + 2 + 4 + 2 + 4;

// Strokes the part within the area drawn of the line through `origin`
// (device coordinates) along `along` (device units per unit of the
// parameter), for parameters lo to hi (infinite for a whole line). The line
// is stroked on the device itself: under a placement that squeezes the
// sheet nearly or wholly flat, the area drawn seen back through it is no
// area at all, while the line's image is still a line. Its start is moved
// back to a whole number of dash patterns from `origin`, so the dashes lie
// where they do wherever the area drawn begins (a frame drawn in bands, a
// scroll).
void strokeGuide(Graphics& g, QPointF origin, QPointF along, double lo, double hi)
{
    const double scale = std::hypot(along.x(), along.y());
    if (!(scale > 0) || !std::isfinite(scale) || !std::isfinite(origin.x()) || !std::isfinite(origin.y()))
        return;
    const QPointF u = along / scale;
    const QRectF area = Guide::visibleArea(g);
    if (area.isEmpty())
        return;
    // Liang-Barsky on the whole line, then the span's own ends.
    double t0 = lo * scale, t1 = hi * scale;
    const double p[4] = {-u.x(), u.x(), -u.y(), u.y()};
    const double q[4] = {origin.x() - area.left(), area.right() - origin.x(), origin.y() - area.top(),
                         area.bottom() - origin.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, r);
        else
            t1 = std::min(t1, r);
    }
    if (!(t0 < t1) || !std::isfinite(t0) || !std::isfinite(t1))
        return;

    g.context.saveState();
    g.context.setTransform(QTransform());
    const Pen pen = Guide::guidePen(g);
    const double period = kPatternWidths * pen.width;
    if (period > 0 && std::isfinite(period)) {
        const double snapped = std::floor(t0 / period) * period;
        if (std::isfinite(snapped))
            t0 = snapped;
    }
    g.applyPen(pen);
    g.context.beginPath();
    g.context.moveTo(origin + u * t0);
    g.context.lineTo(origin + u * t1);
    g.context.strokePath();
    g.context.restoreState();
}

// The image on the device of the direction d at p under the current transform.
QPointF deviceDirection(Graphics& g, QPointF p, QPointF d)
{
    const QTransform& t = g.context.currentTransform();
    if (t.type() != QTransform::TxProject)
        return QPointF(t.m11() * d.x() + t.m21() * d.y(), t.m12() * d.x() + t.m22() * d.y());
    return t.map(p + d) - t.map(p);
}

// Label, then the number field no wider than 100 points.
QWidget* coordinateRow(const QString& label, NumberField* field)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(label, row));
    field->setParent(row);
    field->setPlaceholderText(label);
    field->setMaximumWidth(100);
    layout->addWidget(field);
    layout->addStretch(1);
    return row;
}

} // namespace

HorizontalGuide::HorizontalGuide(GraphicsSheet* sheet) : Guide(sheet)
{
}

void HorizontalGuide::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    y = readDoubleAttribute(element, "at", 0);
}

void HorizontalGuide::calculateBoundingBox()
{
    boundingBox.valid = false;
}

void HorizontalGuide::draw(Graphics& g) const
{
    Entity::draw(g);
    constexpr double kWhole = std::numeric_limits<double>::infinity();
    g.pushTransform(singleLevelTransform);
    const QPointF at(0, y);
    strokeGuide(g, g.context.currentTransform().map(at), deviceDirection(g, at, QPointF(1, 0)), -kWhole, kWhole);
    g.popTransform(singleLevelTransform);
}

QWidget* HorizontalGuide::editorView(const std::shared_ptr<Entity>& self)
{
    return new HorizontalGuideEditor(std::static_pointer_cast<HorizontalGuide>(self),
                                     QStringLiteral("Horizontal Guide"));
}

VerticalGuide::VerticalGuide(GraphicsSheet* sheet) : Guide(sheet)
{
}

void VerticalGuide::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    x = readDoubleAttribute(element, "at", 0);
}

void VerticalGuide::calculateBoundingBox()
{
    boundingBox.valid = false;
}

void VerticalGuide::draw(Graphics& g) const
{
    Entity::draw(g);
    constexpr double kWhole = std::numeric_limits<double>::infinity();
    g.pushTransform(singleLevelTransform);
    const QPointF at(x, 0);
    strokeGuide(g, g.context.currentTransform().map(at), deviceDirection(g, at, QPointF(0, 1)), -kWhole, kWhole);
    g.popTransform(singleLevelTransform);
}

QWidget* VerticalGuide::editorView(const std::shared_ptr<Entity>& self)
{
    return new VerticalGuideEditor(std::static_pointer_cast<VerticalGuide>(self));
}

AngledGuide::AngledGuide(GraphicsSheet* sheet) : Guide(sheet)
{
}

void AngledGuide::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    pen.readXML(element);
    start = readPointAttribute(element, "start", QPointF(0, 0));
    end = readPointAttribute(element, "end", QPointF(0, 0));
}

void AngledGuide::calculateBoundingBox()
{
    boundingBox.valid = false;
}

void AngledGuide::draw(Graphics& g) const
{
    Entity::draw(g);
    const QPointF d = end - start;
    const double length = std::hypot(d.x(), d.y());
    if (!(length > 0) || !std::isfinite(length))
        return;
    // The line is drawn across a span about the midpoint; the points read
    // from the file stay as they are for the editor.
    const QPointF u = d / length;
    const QPointF m = (start + end) / 2;
    const QPointF from = m - u * kHalfSpan;
    const QPointF to = m + u * kHalfSpan;

    g.pushTransform(singleLevelTransform);
    const QTransform& t = g.context.currentTransform();
    const QPointF a = t.map(from);
    strokeGuide(g, a, t.map(to) - a, 0, 1);
    g.popTransform(singleLevelTransform);
}

QWidget* AngledGuide::editorView(const std::shared_ptr<Entity>& self)
{
    return new AngledGuideEditor(std::static_pointer_cast<AngledGuide>(self));
}

PointGuide::PointGuide(GraphicsSheet* sheet) : Guide(sheet)
{
}

void PointGuide::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    pen.readXML(element);
    position = readPointAttribute(element, "at", QPointF(0, 0));
}

QWidget* PointGuide::editorView(const std::shared_ptr<Entity>& self)
{
    return new PointGuideEditor(std::static_pointer_cast<PointGuide>(self));
}

HorizontalGuideEditor::HorizontalGuideEditor(std::shared_ptr<HorizontalGuide> g, const QString& title,
                                             QWidget* parent)
    : EntityEditor(title, {}, parent), guide(std::move(g)), titleText(title)
{
    keepEntityAlive(guide);
    auto* params = new EntityContentEditor;
    yField = NumberField::plain(bindNumber(guide->y), 3);
    params->addControl(coordinateRow(QStringLiteral("Y"), yField));
    addContent(params);
}

VerticalGuideEditor::VerticalGuideEditor(std::shared_ptr<VerticalGuide> g, QWidget* parent)
    : EntityEditor(QStringLiteral("Vertical Guide"), {}, parent), guide(std::move(g))
{
    keepEntityAlive(guide);
    auto* params = new EntityContentEditor;
    xField = NumberField::plain(bindNumber(guide->x), 3);
    params->addControl(coordinateRow(QStringLiteral("X"), xField));
    addContent(params);
}

AngledGuideEditor::AngledGuideEditor(std::shared_ptr<AngledGuide> g, QWidget* parent)
    : EntityEditor(QStringLiteral("Angled Guide"), {}, parent), guide(std::move(g))
{
    keepEntityAlive(guide);
    const UnitsSource units = entityUnits(guide.get());
    auto* params = new EntityContentEditor;
    params->addControl(new PointParametersEditor(guide->start, QStringLiteral("Start"), units));
    params->addControl(new PointParametersEditor(guide->end, QStringLiteral("End"), units));
    addContent(params);
}

PointGuideEditor::PointGuideEditor(std::shared_ptr<PointGuide> g, QWidget* parent)
    : EntityEditor(QStringLiteral("Point Guide"), {}, parent), guide(std::move(g))
{
    keepEntityAlive(guide);
    const UnitsSource units = entityUnits(guide.get());
    auto* params = new EntityContentEditor;
    params->addControl(new PointParametersEditor(guide->position, QStringLiteral("Position"), units));
    addContent(params);
}
