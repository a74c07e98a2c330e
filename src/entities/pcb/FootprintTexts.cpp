#include "entities/pcb/FootprintTexts.h"

#include "core/Readers.h"

FootprintReference::FootprintReference(GraphicsSheet* sheet) : TextEntity(sheet)
{
}

void FootprintReference::readXML(pugi::xml_node element)
{
    TextEntity::readXML(element);
    visibleInPcb = readBoolAttribute(element, "visibleInPcb", visibleInPcb);
    if (std::optional<std::string> s = readStringAttribute(element, "prefix"))
        prefix = CompactText::shared(QString::fromStdString(*s));
    if (std::optional<std::string> s = readStringAttribute(element, "jumperReference"))
        jumperReference = CompactText::shared(QString::fromStdString(*s));
}

const CompactText& FootprintReference::defaultPrefix()
{
    static const CompactText prefix(QStringLiteral("U"));
    return prefix;
}

void FootprintReference::draw(Graphics& g) const
{
    if (visibleInPcb)
        TextEntity::draw(g);
}

void FootprintReference::calculateBoundingBox()
{
    if (visibleInPcb)
        TextEntity::calculateBoundingBox();
}

QWidget* FootprintReference::editorView(const std::shared_ptr<Entity>& self)
{
    return new FootprintReferenceEditor(std::static_pointer_cast<FootprintReference>(self));
}

FootprintPartValue::FootprintPartValue(GraphicsSheet* sheet) : TextEntity(sheet)
{
}

void FootprintPartValue::readXML(pugi::xml_node element)
{
    TextEntity::readXML(element);
    // Part values repeat across a board's footprints.
    text = sharedText(text);
    // The flag is written as "showInPcb"; an attribute named after the
    // field itself is not read.
    visibleInPCB = readBoolAttribute(element, "showInPcb", visibleInPCB);
    displayIn3D = readBoolAttribute(element, "displayIn3D", displayIn3D);
    autoPosition = readBoolAttribute(element, "autoPosition", autoPosition);
}

void FootprintPartValue::draw(Graphics& g) const
{
    if (visibleInPCB && !text.isEmpty())
        TextEntity::draw(g);
}

QWidget* FootprintPartValue::editorView(const std::shared_ptr<Entity>& self)
{
    return new FootprintPartValueEditor(std::static_pointer_cast<FootprintPartValue>(self));
}

FootprintReferenceEditor::FootprintReferenceEditor(std::shared_ptr<FootprintReference> r, QWidget* parent)
    : FrameEditor(QStringLiteral("Footprint Reference"), {}, parent), reference(std::move(r))
{
    keepEntityAlive(reference);
}

FootprintPartValueEditor::FootprintPartValueEditor(std::shared_ptr<FootprintPartValue> v, QWidget* parent)
    : FrameEditor(QStringLiteral("Footprint Part Value"), {}, parent), partValue(std::move(v))
{
    keepEntityAlive(partValue);
}
