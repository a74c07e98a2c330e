#pragma once
// The three texts a schematic symbol carries among its children: the
// reference designator, the part value and the part type. Layout, box and
// drawing are those of TextEntity; each adds visibility flags and a few
// stored values.

#include "editors/EntityEditor.h"
#include "entities/drawing/TextEntity.h"

#include <memory>

class GraphicsSheet;

// Whether the design that owns the sheet honours the "visible in schematic"
// flags (true for every design the application builds, and without a sheet).
bool designIsProject(const GraphicsSheet* sheet);

// Element "partId".
class SymbolReference : public TextEntity {
public:
    explicit SymbolReference(GraphicsSheet* sheet);

    bool visible = true;
    bool visibleInSchematic = true;
    // Stored only.
    QString prefix;
    QString siblingName;
    QString preferredSiblingName;

    // The text attributes, then "visible", "visibleInSchematic" (each true
    // when missing), "prefix", "siblingName", "preferredSiblingName".
    void readXML(pugi::xml_node element) override;
    // A hidden or empty reference draws nothing, not even its selection
    // frame, and takes no room in its symbol's box.
    void draw(Graphics& g) const override;
    void calculateBoundingBox() override;
    QString typeName() const override { return QStringLiteral("Symbol Reference"); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;

    bool shown() const;
};

// Elements "symbolPartValue", "partValue", "symbolValue".
class SymbolPartValue : public TextEntity {
public:
    explicit SymbolPartValue(GraphicsSheet* sheet);

    // Stored only.
    double height = 1.0;
    bool visible = true;
    // Read from "showInSchematic".
    bool visibleInSchematic = true;
    // Stored only.
    bool nameIsNodeName = false;

    // The text attributes, then "visible", "showInSchematic" (each true when
    // missing), "nameIsNodeName" (false when missing).
    void readXML(pugi::xml_node element) override;
    // As the reference: hidden or empty draws and measures nothing.
    void draw(Graphics& g) const override;
    void calculateBoundingBox() override;
    QString typeName() const override { return QStringLiteral("Symbol Part Value"); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;

    bool shown() const;
};

// Element "symbolPartType".
class SymbolPartType : public TextEntity {
public:
    explicit SymbolPartType(GraphicsSheet* sheet);

    double height = 1.0;
    bool visible = true;
    bool visibleInSchematic = true;
    bool nameIsNodeName = false;

    // As the part value.
    void readXML(pugi::xml_node element) override;
    // Hidden draws nothing; the box is the text's either way.
    void draw(Graphics& g) const override;
    QString typeName() const override { return QStringLiteral("Symbol Part Type"); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
};

// The editors: the entity frame with nothing to edit.
class SymbolReferenceEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit SymbolReferenceEditor(std::shared_ptr<SymbolReference> reference, QWidget* parent = nullptr);
    std::shared_ptr<SymbolReference> symbolReference;
};

class SymbolPartValueEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit SymbolPartValueEditor(std::shared_ptr<SymbolPartValue> value, QWidget* parent = nullptr);
    std::shared_ptr<SymbolPartValue> symbolPartValue;
};

class SymbolPartTypeEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit SymbolPartTypeEditor(std::shared_ptr<SymbolPartType> partType, QWidget* parent = nullptr);
    std::shared_ptr<SymbolPartType> symbolPartType;
};
