#include "entities/pcb/Courtyard.h"

#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"
#include "document/PCB.h"

#include <utility>

Courtyard::Courtyard(GraphicsSheet* sheet) : Entity(sheet)
{
}

void Courtyard::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    pen.readXML(element);
    rectangle = readRectAttribute(element, rectangle);
    autosize = readBoolAttribute(element, "autosize", autosize);
    visibleInPcb = readBoolAttribute(element, "visibleInPcb", visibleInPcb);
    margin = readDoubleAttribute(element, "margin", margin);
}

void Courtyard::draw(Graphics& g) const
{
    // The switch lives in the PCB settings; off any PCB sheet there is no
    // switch to turn it on, so the courtyard stays hidden.
    auto* pcb = dynamic_cast<PCB*>(sheet);
    if (!pcb || !pcb->pcbSettings.showCourtyards)
        return;
    Entity::draw(g);
    g.pushTransform(singleLevelTransform);
    if (isDrawable(pen.color) && !g.strokeThinRectangle(pen, rectangle)) {
        g.context.beginPath();
        g.context.addRect(rectangle);
        g.context.strokePath();
    }
    g.popTransform(singleLevelTransform);
}

void Courtyard::calculateBoundingBox()
{
    boundingBox.addTransformedRect(rectangle, netTransform);
}

QWidget* Courtyard::editorView(const std::shared_ptr<Entity>& self)
{
    return new CourtyardEditor(std::static_pointer_cast<Courtyard>(self));
}

CourtyardEditor::CourtyardEditor(std::shared_ptr<Courtyard> c, QWidget* parent)
    : FrameEditor(QStringLiteral("Courtyard"), {}, parent), courtyard(std::move(c))
{
    keepEntityAlive(courtyard);
}
