#include "entities/drawing/PushButton.h"

#include "core/Readers.h"

PushButton::PushButton(GraphicsSheet* sheet) : TextEntity(sheet)
{
}

void PushButton::readXML(pugi::xml_node element)
{
    TextEntity::readXML(element);
    pen.readXML(element);
    fillBrush = readChildBrush(element, "fillBrush", fillBrush);
    enabled = readBoolAttribute(element, "enabled", enabled);
    buttonDown = readBoolAttribute(element, "buttonDown", buttonDown);
    buttonGroup = readTextAttribute(element, "buttonGroup", buttonGroup);
    roundness = readDoubleAttribute(element, "roundness", roundness);
    rectangle = QRectF(readDoubleAttribute(element, "boxLeft", 0), readDoubleAttribute(element, "boxBase", 0),
                       readDoubleAttribute(element, "boxWidth", 1), readDoubleAttribute(element, "boxHeight", 1));
}

QWidget* PushButton::editorView(const std::shared_ptr<Entity>& self)
{
    return new PushButtonEditor(std::static_pointer_cast<PushButton>(self));
}

PushButtonEditor::PushButtonEditor(std::shared_ptr<PushButton> pushButton, QWidget* parent)
    : NotImplementedEditor(QStringLiteral("Push Button"), parent), pushButton(std::move(pushButton))
{
}
