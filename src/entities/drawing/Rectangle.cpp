#include "entities/drawing/Rectangle.h"

#include "core/Geometry.h"
#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"
#include "editors/ExtrusionEditor.h"
#include "editors/FillEditor.h"
#include "editors/ParameterEditors.h"
#include "editors/PenEditor.h"

void FilletParameters::readXML(pugi::xml_node element)
{
    enabled = readBoolAttribute(element, "fillet", enabled);
    filletTop = readBoolAttribute(element, "filletTop", filletTop);
    filletBottom = readBoolAttribute(element, "filletBottom", filletBottom);
    if (element.attribute("radius"))
        setRadius(readFloatAttribute(element, "radius", radius()));
}

Rectangle::Rectangle(GraphicsSheet* sheet) : Entity(sheet)
{
}

void Rectangle::setCenter(const QPointF& c)
{
    center_ = c;
    rectangle.moveTopLeft(QPointF(c.x() - rectangle.width() / 2, c.y() - rectangle.height() / 2));
}

void Rectangle::setSize(const QSizeF& s)
{
    size_ = s;
    rectangle.setSize(s);
    // The centre shown follows, so that typing it back moves nothing.
    center_ = rectangle.center();
}

void Rectangle::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    pen.readXML(element);
    brush.readXML(element);
    rectangle = readRectAttribute(element, rectangle);
    roundness = readDoubleAttribute(element, "roundness", roundness);
    extrusionBase = readDoubleAttribute(element, "extrusionBase", extrusionBase);
    extrusionHeight = readDoubleAttribute(element, "extrusionHeight", extrusionHeight);
    doNotBlockRouting = readBoolAttribute(element, "doNotBlockRouting", doNotBlockRouting);
    cylinder = readBoolAttribute(element, "cylinder", cylinder);
    filletParameters.readXML(element);
    // The handles follow the rectangle just read; storing the centre directly
    // keeps the origin exactly as read (moving it by +w/2-w/2 may round).
    center_ = rectangle.center();
    setSize(rectangle.size());
}

void Rectangle::calculateBoundingBox()
{
    boundingBox.addTransformedRect(rectangle, netTransform);
    // The gradient is laid over the rectangle where it is drawn, under the
    // rectangle's own placement: the sheet-coordinate box would shift and
    // stretch it for a rectangle inside a moved or rotated footprint.
    brush.rectangle = rectangle;
    if (isDrawable(pen.color))
        boundingBox = boundingBox.expanded(pen.width / 2);
}

void Rectangle::draw(Graphics& g) const
{
    Entity::draw(g);
    g.pushTransform(singleLevelTransform);
    if (roundness > 0) {
        QPainterPath path = RoundedRectanglePath::path(RoundedSideType::all, rectangle, roundness);
        path.setFillRule(Qt::WindingFill);
        g.fillAndStrokeRoundedOutline(path, pen, brush);
    } else {
        g.fillAndStrokeRectangle(pen, brush, rectangle.x(), rectangle.y(), rectangle.width(), rectangle.height());
    }
    g.popTransform(singleLevelTransform);
}

QWidget* Rectangle::editorView(const std::shared_ptr<Entity>& self)
{
    return new RectangleEditor(std::static_pointer_cast<Rectangle>(self));
}

RectangleEditor::RectangleEditor(std::shared_ptr<Rectangle> rectangle, QWidget* parent)
    : EntityEditor(QStringLiteral("Rectangle"), QStringLiteral("rectangle"), parent), rectangle_(std::move(rectangle))
{
    keepEntityAlive(rectangle_);
    Rectangle* r = rectangle_.get();
    const UnitsSource units = entityUnits(r);
    auto* params = new EntityContentEditor;
    params->addControl(new PointParametersEditor(
        [r] { return r->center(); }, [r](const QPointF& c) { r->setCenter(c); }, QStringLiteral("Center"), units));
    params->addControl(new SizeParametersEditor(
        [r] { return r->size(); }, [r](const QSizeF& s) { r->setSize(s); }, QStringLiteral("Size"), units));
    addContent(params);
    addContent(new ExtrusionEditor(r, r->extrusionBase, r->extrusionHeight, units));
    addContent(new PenEditor(r->pen, units));
    addContent(new FillEditor(r->brush));
}
