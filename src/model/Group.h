#pragma once
// A group (element "group"): child entities placed under one transform. It
// draws nothing of its own but its selection frame; the sheet's drawing,
// picking, layer passes and searches descend into its children, and its
// box is theirs.

#include "model/Entity.h"
#include "model/EntityList.h"

class Group : public Entity, public IEntityHolder {
public:
    explicit Group(GraphicsSheet* sheet);

    EntityList children;

    // Entity attributes, then the children of its "entities" elements.
    void readXML(pugi::xml_node element) override;
    // The children measured under the group's net transform; their union is
    // the group's box and goes into the parent's box when valid.
    void updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox) override;
    QString typeName() const override { return QStringLiteral("Group"); }

    IEntityHolder* holder() override { return this; }

    const IEntityHolder* holder() const override { return this; }
    // The default pad and hole passes: a group inside a footprint passes
    // them on to its pads under its transform.
    EntityList& entities() override { return children; }
    const EntityList& entities() const override { return children; }
    const std::optional<QTransform>& childTransform() const override { return singleLevelTransform; }
};
