#include "entities/schematic/SymbolTexts.h"

#include "core/Readers.h"
#include "document/Design.h"
#include "document/GraphicsSheet.h"

bool designIsProject(const GraphicsSheet* sheet)
{
    return !sheet || !sheet->design || sheet->design->isProject;
}

namespace {

// Shown unless switched off, or switched off for schematics in a design that
// honours that.
bool visibleOnSheet(bool visible, bool visibleInSchematic, const GraphicsSheet* sheet)
{
    return visible && !(designIsProject(sheet) && !visibleInSchematic);
}

} // namespace

SymbolReference::SymbolReference(GraphicsSheet* sheet) : TextEntity(sheet)
{
}

void SymbolReference::readXML(pugi::xml_node element)
{
    TextEntity::readXML(element);
    visible = readBoolAttribute(element, "visible", true);
    visibleInSchematic = readBoolAttribute(element, "visibleInSchematic", true);
    prefix = readTextAttribute(element, "prefix", prefix);
    siblingName = readTextAttribute(element, "siblingName", siblingName);
    preferredSiblingName = readTextAttribute(element, "preferredSiblingName", preferredSiblingName);
}

bool SymbolReference::shown() const
{
    return visibleOnSheet(visible, visibleInSchematic, sheet) && !text.isEmpty();
}

void SymbolReference::draw(Graphics& g) const
{
    if (shown())
        TextEntity::draw(g);
}

void SymbolReference::calculateBoundingBox()
{
    if (shown())
        TextEntity::calculateBoundingBox();
}

QWidget* SymbolReference::editorView(const std::shared_ptr<Entity>& self)
{
    return new SymbolReferenceEditor(std::static_pointer_cast<SymbolReference>(self));
}

SymbolPartValue::SymbolPartValue(GraphicsSheet* sheet) : TextEntity(sheet)
{
}

void SymbolPartValue::readXML(pugi::xml_node element)
{
    TextEntity::readXML(element);
    // The schematic flag is written as "showInSchematic" here, unlike the
    // reference's "visibleInSchematic".
    visible = readBoolAttribute(element, "visible", true);
    visibleInSchematic = readBoolAttribute(element, "showInSchematic", true);
    nameIsNodeName = readBoolAttribute(element, "nameIsNodeName", false);
}

bool SymbolPartValue::shown() const
{
    return visibleOnSheet(visible, visibleInSchematic, sheet) && !text.isEmpty();
}

void SymbolPartValue::draw(Graphics& g) const
{
    if (shown())
        TextEntity::draw(g);
}

void SymbolPartValue::calculateBoundingBox()
{
    if (shown())
        TextEntity::calculateBoundingBox();
}

QWidget* SymbolPartValue::editorView(const std::shared_ptr<Entity>& self)
{
    return new SymbolPartValueEditor(std::static_pointer_cast<SymbolPartValue>(self));
}

SymbolPartType::SymbolPartType(GraphicsSheet* sheet) : TextEntity(sheet)
{
}

void SymbolPartType::readXML(pugi::xml_node element)
{
    TextEntity::readXML(element);
    visible = readBoolAttribute(element, "visible", true);
    visibleInSchematic = readBoolAttribute(element, "showInSchematic", true);
    nameIsNodeName = readBoolAttribute(element, "nameIsNodeName", false);
}

void SymbolPartType::draw(Graphics& g) const
{
    if (visibleOnSheet(visible, visibleInSchematic, sheet))
        TextEntity::draw(g);
}

QWidget* SymbolPartType::editorView(const std::shared_ptr<Entity>& self)
{
    return new SymbolPartTypeEditor(std::static_pointer_cast<SymbolPartType>(self));
}

SymbolReferenceEditor::SymbolReferenceEditor(std::shared_ptr<SymbolReference> r, QWidget* parent)
    : FrameEditor(QStringLiteral("Symbol Reference"), {}, parent), symbolReference(std::move(r))
{
    keepEntityAlive(symbolReference);
}

SymbolPartValueEditor::SymbolPartValueEditor(std::shared_ptr<SymbolPartValue> v, QWidget* parent)
    : FrameEditor(QStringLiteral("Symbol Part Value"), {}, parent), symbolPartValue(std::move(v))
{
    keepEntityAlive(symbolPartValue);
}

SymbolPartTypeEditor::SymbolPartTypeEditor(std::shared_ptr<SymbolPartType> t, QWidget* parent)
    : FrameEditor(QStringLiteral("Symbol Part Type"), {}, parent), symbolPartType(std::move(t))
{
    keepEntityAlive(symbolPartType);
}
