#include "entities/drawing/Coordinate.h"

#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"
#include "core/TextMetrics.h"
#include "core/Units.h"
#include "document/GraphicsSheet.h"
#include "document/PCB.h"
#include "document/SheetSettings.h"
#include "editors/FillEditor.h"
#include "editors/ParameterEditors.h"
#include "editors/PenEditor.h"

#include <cmath>

Coordinate::Coordinate(GraphicsSheet* sheet) : Entity(sheet), pen(QColor(0, 0, 0), 0)
{
    if (dynamic_cast<PCB*>(sheet))
        pen = Pen(QColor(255, 255, 255), 0);
}

void Coordinate::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    position = readPointAttribute(element, "at", position);
    if (pugi::xml_node f = childElement(element, "font"))
        font.readXML(f);
    textBrush = readChildBrush(element, "textBrush", textBrush);
}

QString Coordinate::formatLabel(QPointF position, QPointF originOffset, double unitsPerInch)
{
    // Two decimals in the C locale, as "%.2f, %.2f" writes them.
    const double x = (position.x() - originOffset.x()) * unitsPerInch;
    const double y = (position.y() - originOffset.y()) * unitsPerInch;
    return QString::number(x, 'f', 2) + QStringLiteral(", ") + QString::number(y, 'f', 2);
}

std::optional<QRectF> Coordinate::labelRect() const
{
    if (text.isEmpty() || !hasTextSize(font))
        return std::nullopt;
    // Graphics::drawText centres the ink on the point, its origin a tenth of
    // the height to the left.
    const QRectF ink = textInkBounds(font, text);
    if (!std::isfinite(ink.width()) || !std::isfinite(ink.height()) || ink.isEmpty())
        return std::nullopt;
    const QPointF centre(position.x(), position.y() - kLabelDrop);
    const QPointF origin(centre.x() - ink.width() / 2 - font.height / 10, centre.y() - ink.height() / 2);
    return ink.translated(origin);
}

void Coordinate::calculateBoundingBox()
{
    QPointF offset(0, 0);
    double perInch = 1;
    if (sheet) {
        const SheetSettings& settings = sheet->settings();
        offset = settings.originOffset;
        perInch = unitsPerInch(settings.units);
    }
    text = formatLabel(position, offset, perInch);

    // The cross and the label count in the box, so a selected label shows
    // its frame and fitting the view takes it in.
    const double r = kCrossHalfLength;
    boundingBox.addTransformedRect(QRectF(position.x() - r, position.y() - r, 2 * r, 2 * r), netTransform);
    if (const std::optional<QRectF> label = labelRect())
        boundingBox.addTransformedRect(*label, netTransform);
}

void Coordinate::draw(Graphics& g) const
{
    Entity::draw(g);
    g.pushTransform(singleLevelTransform);
    // The cross always has its own fine, flat-ended strokes.
    Pen cross = pen;
    cross.width = kCrossPenWidth;
    cross.startCap = LineCap::flat;
    cross.endCap = LineCap::flat;
    const double x = position.x(), y = position.y(), r = kCrossHalfLength;
    if (isDrawable(cross.color)) {
        g.applyPen(cross);
        g.context.beginPath();
        g.context.moveTo(QPointF(x, y - r));
        g.context.lineTo(QPointF(x, y + r));
        g.context.strokePath();
        g.applyPen(cross);
        g.context.beginPath();
        g.context.moveTo(QPointF(x - r, y));
        g.context.lineTo(QPointF(x + r, y));
        g.context.strokePath();
    }
    g.drawText(text, font, textBrush.color, x, y - kLabelDrop);
    g.popTransform(singleLevelTransform);
}

QWidget* Coordinate::editorView(const std::shared_ptr<Entity>& self)
{
    return new CoordinateEditor(std::static_pointer_cast<Coordinate>(self));
}

CoordinateEditor::CoordinateEditor(std::shared_ptr<Coordinate> coordinate, QWidget* parent)
    : EntityEditor(QStringLiteral("Coordinate"), {}, parent), coordinate_(std::move(coordinate))
{
    keepEntityAlive(coordinate_);
    Coordinate* c = coordinate_.get();
    const UnitsSource units = entityUnits(c);
    auto* params = new EntityContentEditor;
    params->addControl(new PointParametersEditor(c->position, QStringLiteral("Center"), units));
    addContent(params);
    addContent(new PenEditor(c->pen, units));
    addContent(new FillEditor(c->textBrush));
}
