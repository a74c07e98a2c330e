#include "entities/drawing/Controls.h"

#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"

ControlRectangle::ControlRectangle(GraphicsSheet* sheet) : Entity(sheet)
{
}

void ControlRectangle::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    pen.readXML(element);
    brush.readXML(element);
    enabled = readBoolAttribute(element, "enabled", enabled);
    elliptical = readBoolAttribute(element, "elliptical", elliptical);
    rectangle = readRectAttribute(element, rectangle);
}

void ControlRectangle::calculateBoundingBox()
{
    boundingBox.addTransformedRect(rectangle, netTransform);
    // The gradient is laid over the rectangle where it is drawn, under its
    // own placement, as for every other shape.
    brush.rectangle = rectangle.normalized();
    if (isDrawable(pen.color))
        boundingBox = boundingBox.expanded(pen.width / 2);
}

void ControlRectangle::draw(Graphics& g) const
{
    Entity::draw(g);
    g.pushTransform(singleLevelTransform);
    g.fillAndStrokeRectangle(pen, brush, rectangle.x(), rectangle.y(), rectangle.width(), rectangle.height());
    g.popTransform(singleLevelTransform);
}

QWidget* ControlRectangle::editorView(const std::shared_ptr<Entity>& self)
{
    return new ControlRectangleEditor(std::static_pointer_cast<ControlRectangle>(self));
}

Dial::Dial(GraphicsSheet* sheet) : Entity(sheet)
{
}

void Dial::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    angle = readDoubleAttribute(element, "holeDiameter", angle);
    height = readDoubleAttribute(element, "height", height);
    rectangle = readRectAttribute(element, rectangle);
    EntityList::readEntities(element, sheet, children);
}

void Dial::updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox)
{
    Entity::updateGeometry(parentTransform, parentBox);
    // Children lay themselves out in their geometry pass; without it a text
    // or dimension inside the dial would draw from stale state.
    children.updateBoundingBox(netTransform, nullptr);
}

QWidget* Dial::editorView(const std::shared_ptr<Entity>& self)
{
    return new DialEditor(std::static_pointer_cast<Dial>(self));
}

GraphHolder::GraphHolder(GraphicsSheet* sheet) : Entity(sheet)
{
}

void GraphHolder::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    pen.readXML(element);
    fillBrush = readChildBrush(element, "fillBrush", fillBrush);
}

QWidget* GraphHolder::editorView(const std::shared_ptr<Entity>& self)
{
    return new GraphHolderEditor(std::static_pointer_cast<GraphHolder>(self));
}

SliderControl::SliderControl(GraphicsSheet* sheet) : Entity(sheet)
{
}

void SliderControl::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    EntityList::readEntities(element, sheet, children);
}

QWidget* SliderControl::editorView(const std::shared_ptr<Entity>& self)
{
    return new SliderControlEditor(std::static_pointer_cast<SliderControl>(self));
}

ControlRectangleEditor::ControlRectangleEditor(std::shared_ptr<ControlRectangle> entity, QWidget* parent)
    : NotImplementedEditor(QStringLiteral("Control Rectangle"), parent), controlRectangle(std::move(entity))
{
}

DialEditor::DialEditor(std::shared_ptr<Dial> entity, QWidget* parent)
    : NotImplementedEditor(QStringLiteral("Dial"), parent), dial(std::move(entity))
{
}

GraphHolderEditor::GraphHolderEditor(std::shared_ptr<GraphHolder> entity, QWidget* parent)
    : NotImplementedEditor(QStringLiteral("Graph Holder"), parent), graphHolder(std::move(entity))
{
}

SliderControlEditor::SliderControlEditor(std::shared_ptr<SliderControl> entity, QWidget* parent)
    : NotImplementedEditor(QStringLiteral("Slider"), parent), slider(std::move(entity))
{
}
