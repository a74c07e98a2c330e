#include "entities/drawing/Marker.h"

Marker::Marker(GraphicsSheet* sheet) : Entity(sheet)
{
}

void Marker::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    EntityList::readEntities(element, sheet, children);
}

void Marker::updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox)
{
    computeNetTransform(parentTransform);
    // Only this pass's box reaches the parent: the box of an earlier pass
    // would keep the place a child has since left in the sheet's extent.
    children.updateBoundingBox(netTransform, nullptr);
    boundingBox = children.boundingBox;
    if (parentBox && boundingBox.valid)
        parentBox->addTransformedBox(boundingBox, std::nullopt);
}

QWidget* Marker::editorView()
{
    return new MarkerEditor(std::static_pointer_cast<Marker>(shared_from_this()));
}

MarkerEditor::MarkerEditor(std::shared_ptr<Marker> m, QWidget* parent)
    : FrameEditor(QStringLiteral("Marker"), {}, parent), marker(std::move(m))
{
    keepEntityAlive(marker);
}

Origin::Origin(GraphicsSheet* sheet) : Entity(sheet)
{
}

QWidget* Origin::editorView()
{
    return new OriginEditor(std::static_pointer_cast<Origin>(shared_from_this()));
}

OriginEditor::OriginEditor(std::shared_ptr<Origin> o, QWidget* parent)
    : FrameEditor(QStringLiteral("Origin"), {}, parent), origin(std::move(o))
{
    keepEntityAlive(origin);
}
