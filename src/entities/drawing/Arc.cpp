#include "entities/drawing/Arc.h"

#include "core/Geometry.h"
#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"
#include "core/UserDefaults.h"
#include "document/Schematic.h"
#include "editors/ExtrusionEditor.h"
#include "editors/FillEditor.h"
#include "editors/ParameterEditors.h"
#include "editors/PenEditor.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QSettings>
#include <QVBoxLayout>

#include <cmath>
#include <numbers>

namespace {

constexpr double fullTurn = 2 * std::numbers::pi;

QPointF onCircle(QPointF c, double r, double angle)
{
    return c + r * QPointF(std::cos(angle), std::sin(angle));
}

QFrame* divider()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// A toggle bound to a flag; writes it and asks for a redraw when clicked.
class FlagToggle : public QCheckBox, public EditorControl {
public:
    FlagToggle(const QString& label, bool& flag) : QCheckBox(label), flag_(flag)
    {
        refresh();
        connect(this, &QCheckBox::clicked, this, [this](bool on) {
            flag_ = on;
            refreshActiveViewport();
        });
    }
    void refresh() override
    {
        if (isChecked() != flag_)
            setChecked(flag_);
    }

private:
    bool& flag_;
};

} // namespace

Arc::Arc(GraphicsSheet* sheet) : Entity(sheet)
{
}

double Arc::reduceAngle(double degrees)
{
    // Whole turns subtracted one by one, as the file's rule reads, while that
    // is quick; beyond, the exact remainder (a multiple of 360 gives 360, as
    // the subtraction would).
    for (int i = 0; i < 4096 && degrees > 360; ++i)
        degrees -= 360;
    if (degrees > 360 && std::isfinite(degrees)) {
        degrees = std::fmod(degrees, 360.0);
        if (degrees == 0)
            degrees = 360;
    }
    return degrees;
}

std::optional<double> Arc::sweep(double startDegrees, double endDegrees)
{
    const double a0 = startDegrees * std::numbers::pi / 180;
    const double a1 = endDegrees * std::numbers::pi / 180;
    double d = a1 - a0;
    if (!std::isfinite(a0) || !std::isfinite(a1) || !std::isfinite(d))
        return std::nullopt;
    if (d >= fullTurn)
        return fullTurn;
    if (d < 0) {
        d = std::fmod(d, fullTurn);
        if (d < 0)
            d += fullTurn;
        if (d >= fullTurn)
            d = 0;
    }
    return d;
}

void Arc::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    pen.readXML(element);
    brush.readXML(element);
    radius = readSizeAttribute(element, "radius", QSizeF(0, 0));
    startAngleInDegrees = readDoubleAttribute(element, "startAngle", startAngleInDegrees);
    endAngleInDegrees = readDoubleAttribute(element, "endAngle", endAngleInDegrees);
    center = readPointAttribute(element, "center", QPointF(0, 0));
    signalName = readTextAttribute(element, "signalName", signalName);
    extrusionBase = readDoubleAttribute(element, "extrusionBase", extrusionBase);
    extrusionHeight = readDoubleAttribute(element, "extrusionHeight", extrusionHeight);
    doNotBlockRouting = readBoolAttribute(element, "doNotBlockRouting", doNotBlockRouting);
    startAngleInDegrees = reduceAngle(startAngleInDegrees);
    endAngleInDegrees = reduceAngle(endAngleInDegrees);
}

void Arc::calculateBoundingBox()
{
    const QPointF upper(center.x() + radius.width(), center.y() + radius.height());
    const QPointF lower(center.x() - radius.width(), center.y() - radius.height());
    boundingBox.addPoint(netTransform ? netTransform->map(upper) : upper);
    boundingBox.addPoint(netTransform ? netTransform->map(lower) : lower);
    // The gradient spans the ellipse in the arc's own coordinates.
    BoundingBox own;
    own.addPoint(upper);
    own.addPoint(lower);
    if (own.valid)
        brush.rectangle = own.rect();
    if (isDrawable(pen.color))
        boundingBox = boundingBox.expanded(pen.width / 2);
}

void Arc::draw(Graphics& g) const
{
    Entity::draw(g);
    g.pushTransform(singleLevelTransform);
    // A thin arc is hard to hit: picking widens it by ten device pixels.
    Pen stroke = pen;
    if (g.picking)
        stroke.width = pen.width + Graphics::kPickWideningPixels * g.pixelSize();

    const QPointF c = center;
    const double r = radius.width();
    const std::optional<double> sweepAngle = sweep(startAngleInDegrees, endAngleInDegrees);
    // An empty sweep draws nothing (a zero-length stroke would leave a dot);
    // neither does a circle without a positive radius.
    if (sweepAngle && *sweepAngle > 0 && r > 0 && std::isfinite(r)) {
        const double a0 = startAngleInDegrees * std::numbers::pi / 180;
        const double a1 = a0 + *sweepAngle;
        if (brush.brushType == BrushType::gradient || brush.brushType == BrushType::radial) {
            QPainterPath slice;
            slice.setFillRule(Qt::WindingFill);
            slice.moveTo(onCircle(c, r, a1));
            slice.lineTo(c);
            slice.lineTo(onCircle(c, r, a0));
            addArc(slice, c, r + stroke.width / 2, a0, *sweepAngle);
            brush.fillPath(g, slice);
        } else if (isDrawable(brush.color) && isDrawable(g.effectiveColor(brush.color))) {
            QPainterPath segment;
            addArc(segment, c, r, a0, *sweepAngle);
            segment.closeSubpath();
            g.context.setFillColor(g.effectiveColor(brush.color));
            g.context.beginPath();
            g.context.addPath(segment);
            g.context.fillPath(Qt::WindingFill);
        }
        if (isDrawable(pen.color)) {
            QPainterPath arc;
            addArc(arc, c, r, a0, *sweepAngle);
            g.applyPen(stroke);
            g.context.beginPath();
            g.context.addPath(arc);
            g.context.strokePath();
        }
    }
    g.popTransform(singleLevelTransform);
}

QWidget* Arc::editorView(const std::shared_ptr<Entity>& self)
{
    return new ArcEditor(std::static_pointer_cast<Arc>(self));
}

ArcEditor::ArcEditor(std::shared_ptr<Arc> arc, QWidget* parent)
    : EntityEditor(QStringLiteral("Arc"), QString(), parent), arc_(std::move(arc))
{
    keepEntityAlive(arc_);
    Arc* a = arc_.get();
    // The extrusion values are shown as read: opening the editor must not
    // change the arc.
    extrusionExpanded_ = userDefaults::readBool(QString::fromLatin1(extrusionExpandedKey), false);
    const UnitsSource units = entityUnits(a);

    auto* geometry = new EntityContentEditor;
    geometry->addControl(new PointParametersEditor(a->center, QStringLiteral("Center"), units));
    geometry->addControl(new SizeParametersEditor(a->radius, QStringLiteral("Radius"), units));
    addContent(geometry);

    auto* angles = new EntityContentEditor;
    auto* anglesTitle = new QLabel(QStringLiteral("Angles (degrees)"));
    QFont bold = title3Font();
    bold.setBold(true);
    anglesTitle->setFont(bold);
    angles->addControl(anglesTitle);
    angles->addControl(new TwoParametersEditor(QStringLiteral("Start"), bindNumber(a->startAngleInDegrees),
                                               QStringLiteral("End"), bindNumber(a->endAngleInDegrees), 0));
    addContent(angles);

    if (dynamic_cast<Schematic*>(a->sheet)) {
        auto* routing = new QWidget;
        auto* column = new QVBoxLayout(routing);
        column->setContentsMargins(0, 0, 0, 0);
        column->addWidget(divider());
        routing_ = new FlagToggle(QStringLiteral("Do not block the AutoRouter"), a->doNotBlockRouting);
        column->addWidget(routing_);
        column->addWidget(divider());
        addContent(routing);
    }

    addContent(new ExtrusionEditor(a, a->extrusionBase, a->extrusionHeight, units));
    addContent(new PenEditor(a->pen, units));
    addContent(new FillEditor(a->brush));
}

ArcEditor::~ArcEditor()
{
    storeExtrusionExpanded();
}

void ArcEditor::hideEvent(QHideEvent* event)
{
    storeExtrusionExpanded();
    EntityEditor::hideEvent(event);
}

void ArcEditor::storeExtrusionExpanded() const
{
    QSettings().setValue(QString::fromLatin1(extrusionExpandedKey), extrusionExpanded_);
}
