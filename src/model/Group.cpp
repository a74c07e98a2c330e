#include "model/Group.h"

Group::Group(GraphicsSheet* sheet) : Entity(sheet)
{
}

void Group::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    EntityList::readEntities(element, sheet, children);
}

void Group::updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox)
{
    computeNetTransform(parentTransform);
    // Only this pass's box reaches the parent, so a child that moved leaves
    // no trace of its old place.
    children.updateBoundingBox(netTransform, nullptr);
    boundingBox = children.boundingBox;
    if (parentBox && boundingBox.valid)
        parentBox->addTransformedBox(boundingBox, std::nullopt);
}
