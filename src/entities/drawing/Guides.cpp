#include "entities/drawing/Guides.h"

#include "core/Graphics.h"
#include "core/Readers.h"
#include "editors/NumberField.h"
#include "editors/ParameterEditors.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPaintDevice>
#include <cmath>

Guide::Guide(GraphicsSheet* sheet) : Entity(sheet)
{
}

Pen Guide::guidePen(Graphics& g)
{
    Pen pen(QColor::fromRgbF(1, 0, 1, 1), g.pixelSize());
    pen.linePattern = LinePattern::dashDotDot;
    return pen;
}

BoundingBox Guide::visibleArea(Graphics& g)
{
    BoundingBox area = g.viewportBoundingBox;
    if (const QPaintDevice* device = g.context.painter().device()) {
        bool invertible = false;
        const QTransform inverse = g.context.transform().inverted(&invertible);
        if (invertible)
            area.addTransformedRect(QRectF(0, 0, device->width(), device->height()), inverse);
    }
    return area;
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

// Strokes the guide from a to b, its start moved back along the line to a
// whole number of dash patterns from `origin` (a point of the line): the
// dashes then lie where they do wherever the area drawn begins (a frame
// drawn in bands, a scroll), and the line still spans only the view.
void strokeGuide(Graphics& g, QPointF a, QPointF b, QPointF origin)
{
    const Pen pen = Guide::guidePen(g);
    const QPointF d = b - a;
    const double length = std::hypot(d.x(), d.y()), period = kPatternWidths * pen.width;
    if (length > 0 && period > 0 && std::isfinite(length) && std::isfinite(period)) {
        const QPointF u = d / length;
        const double from = QPointF::dotProduct(a - origin, u);
        const double snapped = std::floor(from / period) * period;
        if (std::isfinite(snapped))
            a = origin + u * snapped;
    }
    g.applyPen(pen);
    g.context.beginPath();
    g.context.moveTo(a);
    g.context.lineTo(b);
    g.context.strokePath();
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
    g.pushTransform(singleLevelTransform);
    const BoundingBox area = visibleArea(g);
    if (area.valid)
        strokeGuide(g, QPointF(area.bottomLeft.x(), y), QPointF(area.topRight.x(), y), QPointF(0, y));
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
    g.pushTransform(singleLevelTransform);
    const BoundingBox area = visibleArea(g);
    if (area.valid)
        strokeGuide(g, QPointF(x, area.bottomLeft.y()), QPointF(x, area.topRight.y()), QPointF(x, 0));
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
    double t0 = 0, t1 = 1;
    if (clipSegment(from, to, visibleArea(g), t0, t1)) {
        const QPointF span = to - from;
        strokeGuide(g, from + span * t0, from + span * t1, from);
    }
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
