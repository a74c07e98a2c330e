#pragma once
// Two entities without drawing of their own. A marker (element "marker")
// groups child entities under one placement: the sheet's drawing and picking
// descend into them, and its box is theirs. An origin (element "origin")
// keeps only the common entity attributes.

#include "editors/EntityEditor.h"
#include "model/Group.h"

#include <memory>

// A group by another name whose children get no board pad or hole pass.
class Marker : public Group {
public:
    explicit Marker(GraphicsSheet* sheet);

    QString typeName() const override { return QStringLiteral("Marker"); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;

    void drawChildrenPadPass(Graphics&) const override {}
    void drawChildrenHolePass(Graphics&, const QColor&) const override {}
};

class Origin : public Entity {
public:
    explicit Origin(GraphicsSheet* sheet);
    QString typeName() const override { return QStringLiteral("Origin"); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
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
