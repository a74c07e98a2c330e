#include "entities/pcb/Footprint.h"

#include "core/Graphics.h"
#include "core/Readers.h"
#include "entities/pcb/FootprintEditor.h"

Footprint::Footprint(GraphicsSheet* sheet) : Entity(sheet)
{
}

namespace {

void readText(pugi::xml_node element, const char* name, QString& field)
{
    if (pugi::xml_attribute a = element.attribute(name))
        field = QString::fromUtf8(a.value());
}

} // namespace

void Footprint::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    readText(element, "comment", comment);
    readText(element, "dataSheet", dataSheet);
    readText(element, "deviceType", deviceType);
    readText(element, "documentDescription", documentDescription);
    readText(element, "fullDocumentDescription", fullDocumentDescription);
    goldPlated = readBoolAttribute(element, "goldPlated", goldPlated);
    isPadHolder = readBoolAttribute(element, "isPadHolder", isPadHolder);
    readText(element, "manufacturer", manufacturer);
    readText(element, "manufacturersPartNumber", manufacturersPartNumber);
    readText(element, "manufacturersWebSite", manufacturersWebSite);
    readText(element, "modelScript", modelScript);
    onTopLayer = readBoolAttribute(element, "onTopLayer", onTopLayer);
    readText(element, "package", package);
    readText(element, "partNumber", partNumber);
    readText(element, "partType", partType);
    readText(element, "partPrice", partPrice);
    position = readPointAttribute(element, "position", position);
    symbolCount = readInt32Attribute(element, "symbolCount", symbolCount);
    readText(element, "symbolType", symbolType);
    readText(element, "vendor", vendor);
    readText(element, "vendorsPartNumber", vendorsPartNumber);
    readText(element, "vendorsWebSite", vendorsWebSite);
    EntityList::readEntities(element, sheet, children);
}

void Footprint::updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox)
{
    computeNetTransform(parentTransform);
    boundingBox = BoundingBox();
    calculateBoundingBox();
    // The list gathers its children's boxes and adds its own to ours.
    children.updateBoundingBox(netTransform, &boundingBox);
    if (parentBox && boundingBox.valid)
        parentBox->addTransformedBox(boundingBox, std::nullopt);
}

void Footprint::drawPadPass(Graphics& g)
{
    if (children.entities.empty())
        return;
    g.pushTransform(singleLevelTransform);
    children.drawPadPass(g);
    g.popTransform(singleLevelTransform);
}

void Footprint::drawHolePass(Graphics& g, const QColor& color)
{
    if (children.entities.empty())
        return;
    g.pushTransform(singleLevelTransform);
    children.drawHolePass(g, color);
    g.popTransform(singleLevelTransform);
}

QString Footprint::typeName() const
{
    return QStringLiteral("Footprint");
}

QWidget* Footprint::editorView()
{
    return new FootprintEditor(std::static_pointer_cast<Footprint>(shared_from_this()));
}

FootprintEditor::FootprintEditor(std::shared_ptr<Footprint> footprint, QWidget* parent)
    : FrameEditor(QStringLiteral("Footprint"), {}, parent)
    , footprint(footprint)
{
    keepEntityAlive(std::move(footprint));
}
