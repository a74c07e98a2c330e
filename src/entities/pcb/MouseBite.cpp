#include "entities/pcb/MouseBite.h"

#include "core/Readers.h"

namespace {

template <class T>
T lazyValue(std::optional<T>& value, T fallback)
{
    if (!value)
        value = fallback;
    return *value;
}

} // namespace

int MouseByteParameters::numberOfHoles() { return lazyValue(numberOfHoles_, defaultNumberOfHoles); }
double MouseByteParameters::holeDiameter() { return lazyValue(holeDiameter_, defaultHoleDiameter); }
double MouseByteParameters::holeSpacing() { return lazyValue(holeSpacing_, defaultHoleSpacing); }
double MouseByteParameters::maximumMouserBiteSeparation()
{
    return lazyValue(maximumMouserBiteSeparation_, defaultMaximumMouserBiteSeparation);
}

void readMouseBiteParameters(pugi::xml_node element, MouseByteParameters& parameters)
{
    parameters.setNumberOfHoles(readInt32Attribute(element, "numberOfHoles", parameters.numberOfHoles()));
    parameters.setHoleDiameter(readDoubleAttribute(element, "holeDiameter", parameters.holeDiameter()));
    parameters.setHoleSpacing(readDoubleAttribute(element, "holeSpacing", parameters.holeSpacing()));
    parameters.setMaximumMouserBiteSeparation(
        readDoubleAttribute(element, "maximumMouserBiteSeparation", parameters.maximumMouserBiteSeparation()));
}

MouseBite::MouseBite(GraphicsSheet* sheet) : Entity(sheet)
{
}

void MouseBite::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    position = readPointAttribute(element, "at", position);
    readMouseBiteParameters(element, mouseByteParameters);
    EntityList::readEntities(element, sheet, entities);
}

QWidget* MouseBite::editorView(const std::shared_ptr<Entity>& self)
{
    return new MouseBiteEditor(std::static_pointer_cast<MouseBite>(self));
}

MouseBiteHole::MouseBiteHole(GraphicsSheet* sheet) : Entity(sheet)
{
}

void MouseBiteHole::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    modelSpacePosition = readPointAttribute(element, "at", QPointF(0, 0));
    diameter = readDoubleAttribute(element, "holeDiameter", diameter);
    index = readInt32Attribute(element, "index", index);
    rectangle = QRectF(modelSpacePosition.x() - diameter / 2, modelSpacePosition.y() - diameter / 2, diameter, diameter);
}

QWidget* MouseBiteHole::editorView(const std::shared_ptr<Entity>& self)
{
    return new MouseBiteHoleEditor(std::static_pointer_cast<MouseBiteHole>(self));
}

MouseBiteEditor::MouseBiteEditor(std::shared_ptr<MouseBite> bite, QWidget* parent)
    : FrameEditor(QStringLiteral("Mouse Bite"), QString(), parent), mouseBite(bite)
{
    keepEntityAlive(std::move(bite));
}

MouseBiteHoleEditor::MouseBiteHoleEditor(std::shared_ptr<MouseBiteHole> hole, QWidget* parent)
    : FrameEditor(QStringLiteral("Mouse Bite Hole"), QString(), parent), mouseBiteHole(hole)
{
    keepEntityAlive(std::move(hole));
}
