#include "entities/drawing/Shape.h"

#include "core/Graphics.h"
#include "core/Readers.h"

Shape::Shape(GraphicsSheet* sheet) : Entity(sheet)
{
}

void Shape::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    pen.readXML(element);
    brush.readXML(element);
    graphicsPath.read(element);
    doNotBlockRouting = readBoolAttribute(element, "doNotBlockRouting", doNotBlockRouting);
    extrusionBase = readDoubleAttribute(element, "extrusionBase", extrusionBase);
    extrusionHeight = readDoubleAttribute(element, "extrusionHeight", extrusionHeight);
    if (pugi::xml_node path = childElement(element, "graphicsPath"))
        graphicsPath.read(path);
}

void Shape::calculateBoundingBox()
{
    graphicsPath.keepPath();
    settlePath(graphicsPath.drawnPath());
}

void Shape::draw(Graphics& g) const
{
    Entity::draw(g);
    // The shape's own placement is honoured like every other entity's; a
    // shape without transform attributes draws its points as stored.
    g.pushTransform(singleLevelTransform);
    g.fillPolygon(brush.color, graphicsPath);
    g.popTransform(singleLevelTransform);
}

QWidget* Shape::editorView(const std::shared_ptr<Entity>& self)
{
    return new ShapeEditor(std::static_pointer_cast<Shape>(self));
}

ShapeEditor::ShapeEditor(std::shared_ptr<Shape> shape, QWidget* parent)
    : FrameEditor(QStringLiteral("Shape"), QString(), parent), shape_(std::move(shape))
{
    keepEntityAlive(shape_);
}
