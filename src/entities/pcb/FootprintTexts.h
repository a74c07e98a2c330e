#pragma once
// The two texts a footprint carries among its children: the component
// reference and the part value. Layout, box and drawing are those of
// TextEntity; each adds a visibility flag and a few stored values.

#include "editors/EntityEditor.h"
#include "entities/drawing/TextEntity.h"

#include <memory>

// Elements "footprintId", "FootprintId" and "jumperId".
class FootprintReference : public TextEntity {
public:
    explicit FootprintReference(GraphicsSheet* sheet);

    bool visibleInPcb = true;
    // Stored only.
    CompactText prefix = defaultPrefix();
    CompactText jumperReference = defaultPrefix();

    // The text attributes, then "visibleInPcb", "prefix", "jumperReference".
    void readXML(pugi::xml_node element) override;
    // A hidden reference draws nothing, not even its selection frame, and
    // takes no room in its footprint's box.
    void draw(Graphics& g) const override;
    void calculateBoundingBox() override;
    QString typeName() const override { return QStringLiteral("Footprint Reference"); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;

private:
    static const CompactText& defaultPrefix();
};

// Element "footprintPartValue".
class FootprintPartValue : public TextEntity {
public:
    explicit FootprintPartValue(GraphicsSheet* sheet);

    // Read from "showInPcb".
    bool visibleInPCB = true;
    // Stored only.
    bool displayIn3D = true;
    bool autoPosition = false;

    // The text attributes, then "showInPcb", "displayIn3D", "autoPosition".
    void readXML(pugi::xml_node element) override;
    // Drawn only when visible and not empty; otherwise nothing at all. The
    // box is the text's either way.
    void draw(Graphics& g) const override;
    QString typeName() const override { return QStringLiteral("Footprint Part Value"); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
};

// The editors: the entity frame with nothing to edit.
class FootprintReferenceEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit FootprintReferenceEditor(std::shared_ptr<FootprintReference> reference, QWidget* parent = nullptr);
    std::shared_ptr<FootprintReference> reference;
};

class FootprintPartValueEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit FootprintPartValueEditor(std::shared_ptr<FootprintPartValue> partValue, QWidget* parent = nullptr);
    std::shared_ptr<FootprintPartValue> partValue;
};
