#include "entities/schematic/InterWireConnector.h"

#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"
#include "core/TextMetrics.h"
#include "entities/drawing/TextEntity.h"
#include "entities/schematic/SchematicEditors.h"

#include <cmath>
#include <limits>
#include <vector>

const double InterWireConnector::kHalfWidth = std::nextafter(0.0375, std::numeric_limits<double>::infinity());

InterWireConnector::InterWireConnector(GraphicsSheet* sheet) : Entity(sheet)
{
}

void InterWireConnector::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    isProbe = readBoolAttribute(element, "probe", isProbe);
    electricalConnectionPoint = readPointAttribute(element, "at", electricalConnectionPoint);
    margin = readDoubleAttribute(element, "margin", margin);
    userDefinedNodeName = readTextAttribute(element, "name", userDefinedNodeName);
    electricalNodeName = readTextAttribute(element, "nodeName", electricalNodeName);
    terminalOrientation = readEnumAttribute(element, "orientation", TerminalOrientation::right, terminalOrientationFromString);
    fillBrush = readChildBrush(element, "fillBrush", fillBrush);
    textBrush = readChildBrush(element, "textBrush", textBrush);
    font.height = 0.04;
    font = readChildFont(element, "font", font);
    stringAlignment = readEnumAttribute(element, "stringAlignment", StringAlignment::center, stringAlignmentFromString);
}

void InterWireConnector::buildConnectorOutline()
{
    text = !electricalNodeName.isEmpty() ? electricalNodeName : !userDefinedNodeName.isEmpty() ? userDefinedNodeName : defaultText;
    // A hostile name must not make measuring unbounded.
    if (text.size() > TextEntity::kMaxLaidOutCharacters)
        text.truncate(TextEntity::kMaxLaidOutCharacters);
    const double w = (text.isEmpty() ? 0.0 : textSize(font, text).width()) + margin;
    const double h = kHalfWidth;
    const double x = electricalConnectionPoint.x(), y = electricalConnectionPoint.y();
    switch (terminalOrientation) {
    case TerminalOrientation::left:
        points = {QPointF(x, y), QPointF(x - 2 * h, y + h), QPointF(x - w - 2 * h, y + h), QPointF(x - w - 2 * h, y),
                  QPointF(x - w - 2 * h, y - h), QPointF(x - 2 * h, y - h), QPointF(x, y)};
        break;
    case TerminalOrientation::top:
        points = {QPointF(x, y), QPointF(x + h, y - 2 * h), QPointF(x + h, y - w - 2 * h), QPointF(x, y - w - 2 * h),
                  QPointF(x - h, y - w - 2 * h), QPointF(x - h, y - 2 * h), QPointF(x, y)};
        break;
    case TerminalOrientation::bottom:
        points = {QPointF(x, y), QPointF(x + h, y + 2 * h), QPointF(x + h, y + w + 2 * h), QPointF(x, y + w + 2 * h),
                  QPointF(x - h, y + w + 2 * h), QPointF(x - h, y + 2 * h), QPointF(x, y)};
        break;
    case TerminalOrientation::right:
    case TerminalOrientation::any:
        points = {QPointF(x, y), QPointF(x + 2 * h, y + h), QPointF(x + 2 * h + w, y + h), QPointF(x + 2 * h + w, y),
                  QPointF(x + 2 * h + w, y - h), QPointF(x + 2 * h, y - h), QPointF(x, y)};
        break;
    }
    textBoundingBox = BoundingBox();
    for (int i : {1, 2, 4, 5})
        textBoundingBox.addPoint(points[size_t(i)]);
}

void InterWireConnector::calculateBoundingBox()
{
    buildConnectorOutline();
    if (text.isEmpty())
        return;
    if (textBoundingBox.valid)
        boundingBox.addTransformedRect(textBoundingBox.rect(), netTransform);
    for (const QPointF& p : points)
        boundingBox.addPoint(netTransform ? netTransform->map(p) : p);
}

void InterWireConnector::draw(Graphics& g) const
{
    Entity::draw(g);
    g.pushTransform(singleLevelTransform);
    g.drawPolygon(borderPen, fillBrush.color, std::vector<QPointF>(points.begin(), points.end()));
    if (isDrawable(textBrush.color) && textBoundingBox.valid) {
        const QPointF c = textBoundingBox.center();
        g.drawText(text, font, g.effectiveColor(textBrush.color), c.x(), c.y());
    }
    if (isProbe) {
        Pen bar(textBrush.color, 6 * borderPen.width);
        bar.startCap = bar.endCap = LineCap::square;
        if (isDrawable(bar.color)) {
            g.applyPen(bar);
            g.context.beginPath();
            g.context.moveTo(points[2]);
            g.context.lineTo(points[4]);
            g.context.strokePath();
        }
    }
    g.popTransform(singleLevelTransform);
}

QString InterWireConnector::typeName() const
{
    return QStringLiteral("InterWire Connector");
}

QWidget* InterWireConnector::editorView(const std::shared_ptr<Entity>& self)
{
    return new InterWireConnectorEditor(std::static_pointer_cast<InterWireConnector>(self));
}
