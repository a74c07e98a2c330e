#include "entities/schematic/Symbol.h"

#include "core/Readers.h"
#include "entities/schematic/SymbolTexts.h"

Symbol::Symbol(GraphicsSheet* sheet) : Entity(sheet)
{
}

namespace {

SymbolReference* findReference(const EntityList& list, int depth)
{
    if (depth > EntityList::kMaxNesting)
        return nullptr;
    for (const auto& e : list.entities) {
        if (auto* r = dynamic_cast<SymbolReference*>(e.get()))
            return r;
        if (IEntityHolder* h = e->holder())
            if (SymbolReference* r = findReference(h->entities(), depth + 1))
                return r;
    }
    return nullptr;
}

} // namespace

void Symbol::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    // The children come before the symbol's own attributes.
    EntityList::readEntities(element, sheet, children);
    noFootprint = readBoolAttribute(element, "noFootprint", noFootprint);
    footprintID = readIdAttribute(element, "footprintID", footprintID);
    footprintName = readTextAttribute(element, "footprintName", footprintName);
    sourceFile = readTextAttribute(element, "sourceFile", sourceFile);
    sourceLength = readInt32Attribute(element, "sourceLength", sourceLength);
    doNotBlockWires = readBoolAttribute(element, "doNotBlockWires", doNotBlockWires);
}

void Symbol::updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox)
{
    computeNetTransform(parentTransform);
    boundingBox = BoundingBox();
    // The list gathers its children's boxes and adds its own to ours.
    children.updateBoundingBox(netTransform, &boundingBox);
    if (parentBox && boundingBox.valid)
        parentBox->addTransformedBox(boundingBox, std::nullopt);
}

SymbolReference* Symbol::findSymbolReference() const
{
    return findReference(children, 0);
}

QString Symbol::typeName() const
{
    if (SymbolReference* r = findSymbolReference())
        // A hostile reference text is cut where its layout would be.
        return QStringLiteral("Symbol ") + r->text.left(TextEntity::kMaxLaidOutCharacters);
    return QStringLiteral("Symbol - Unknown Reference");
}

QWidget* Symbol::editorView(const std::shared_ptr<Entity>& self)
{
    return new SymbolEditor(std::static_pointer_cast<Symbol>(self));
}

SymbolEditor::SymbolEditor(std::shared_ptr<Symbol> s, const QString& title, QWidget* parent)
    : FrameEditor(title, {}, parent), symbol(std::move(s)), titleText(title)
{
    keepEntityAlive(symbol);
}
