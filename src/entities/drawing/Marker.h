#pragma once
// Two entities without drawing of their own. A marker (element "marker")
// groups child entities under one placement: the sheet's drawing and picking
// descend into them, and its box is theirs. An origin (element "origin")
// keeps only the common entity attributes.

#include "editors/EntityEditor.h"
#include "model/Entity.h"
#include "model/EntityList.h"

#include <memory>

class Marker : public Entity, public IEntityHolder {
public:
    explicit Marker(GraphicsSheet* sheet);

    EntityList children;

    // Entity attributes, then the children of its "entities" elements.
    void readXML(pugi::xml_node element) override;
    // The children measured under the marker's net transform; their union is
    // the marker's box and goes into the parent's box when valid.
    void updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox) override;
    QString typeName() const override { return QStringLiteral("Marker"); }
    QWidget* editorView() override;

    IEntityHolder* holder() override { return this; }
    // A marker's children get no board pad or hole pass through it.
    void drawChildrenPadPass(Graphics&) override {}
    void drawChildrenHolePass(Graphics&, const QColor&) override {}
    EntityList& entities() override { return children; }
    const std::optional<QTransform>& childTransform() override { return singleLevelTransform; }
};

class Origin : public Entity {
public:
    explicit Origin(GraphicsSheet* sheet);
    QString typeName() const override { return QStringLiteral("Origin"); }
    QWidget* editorView() override;
};

class MarkerEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit MarkerEditor(std::shared_ptr<Marker> marker, QWidget* parent = nullptr);
    std::shared_ptr<Marker> marker;
};

class OriginEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit OriginEditor(std::shared_ptr<Origin> origin, QWidget* parent = nullptr);
    std::shared_ptr<Origin> origin;
};
