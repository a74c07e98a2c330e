#include "entities/schematic/TerminalMagnet.h"

#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"

#include <algorithm>
#include <cmath>

TerminalMagnet::TerminalMagnet(GraphicsSheet* sheet) : Entity(sheet)
{
}

void TerminalMagnet::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    pen.readXML(element);
    brush.readXML(element);
    rectangle = readRectAttribute(element, rectangle);
    canAddTerminalsToTop = readBoolAttribute(element, "useTop", canAddTerminalsToTop);
    canAddTerminalsToBottom = readBoolAttribute(element, "useBottom", canAddTerminalsToBottom);
    canAddTerminalsToLeft = readBoolAttribute(element, "useLeft", canAddTerminalsToLeft);
    canAddTerminalsToRight = readBoolAttribute(element, "useRight", canAddTerminalsToRight);
    roundedCorners = readBoolAttribute(element, "roundedCorners", roundedCorners);
}

void TerminalMagnet::calculateBoundingBox()
{
    // The axis-aligned rectangle bounding the transformed one.
    boundingBox.addTransformedRect(rectangle, netTransform);
    // The gradient is laid over the rectangle where it is drawn, under the
    // magnet's own placement: the sheet-coordinate box would shift and
    // stretch it inside a moved or turned symbol.
    brush.rectangle = rectangle.normalized();
    if (isDrawable(pen.color))
        boundingBox = boundingBox.expanded(pen.width / 2);
}

QPainterPath TerminalMagnet::roundedOutline() const
{
    const QRectF r = rectangle.normalized();
    // The helper takes the radius as a share of half the shorter side.
    const double halfShorter = std::min(r.width(), r.height()) / 2;
    const double ratio = halfShorter > 0 ? kCornerRadius / halfShorter : 0;
    QPainterPath path = RoundedRectanglePath::path(RoundedSideType::all, r, std::isfinite(ratio) ? ratio : 0);
    path.setFillRule(Qt::WindingFill);
    return path;
}

void TerminalMagnet::draw(Graphics& g) const
{
    g.pushTransform(singleLevelTransform);
    if (roundedCorners) {
        g.fillAndStrokeRoundedOutline(roundedOutline(), pen, brush);
    } else {
        g.fillAndStrokeRectangle(pen, brush, rectangle.x(), rectangle.y(), rectangle.width(), rectangle.height());
    }
    g.popTransform(singleLevelTransform);
}

QWidget* TerminalMagnet::editorView(const std::shared_ptr<Entity>& self)
{
    return new TerminalMagnetEditor(std::static_pointer_cast<TerminalMagnet>(self));
}

TerminalMagnetEditor::TerminalMagnetEditor(std::shared_ptr<TerminalMagnet> m, QWidget* parent)
    : FrameEditor(QStringLiteral("Terminal Magnet"), {}, parent), terminalMagnet(std::move(m))
{
    keepEntityAlive(terminalMagnet);
}
