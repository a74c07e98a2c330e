#pragma once
// One placed schematic part: a holder whose children are its body graphics,
// pins (SymbolTerminal), body border (TerminalMagnet) and texts (reference,
// part value, part type). The symbol draws nothing of its own beyond the
// selection frame: the sheet's list descends into its children under its
// transform. Its link to a footprint is stored, never followed.

#include "editors/EntityEditor.h"
#include "model/Entity.h"
#include "model/EntityList.h"

#include <QPointF>
#include <QString>
#include <memory>

class SymbolReference;

// Elements "symbol" and "part".
class Symbol : public Entity, public IEntityHolder {
public:
    explicit Symbol(GraphicsSheet* sheet);

    // Never read and never used.
    QPointF at = QPointF(0, 0);
    // Read and kept.
    bool noFootprint = false;
    Id footprintID;
    QString footprintName;
    QString sourceFile;
    int sourceLength = 0;
    bool doNotBlockWires = false;
    EntityList children;

    // Entity attributes, the children, then the symbol's own attributes.
    void readXML(pugi::xml_node element) override;
    // The children's boxes, measured under the symbol's net transform, make
    // the symbol's box.
    void updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox) override;
    // "Symbol <reference text>", or "Symbol - Unknown Reference".
    QString typeName() const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;

    // The first reference among the children, depth first in list order.
    SymbolReference* findSymbolReference() const;

    IEntityHolder* holder() override { return this; }

    const IEntityHolder* holder() const override { return this; }
    // A symbol has nothing for the board's passes.
    void drawChildrenPadPass(Graphics&) const override {}
    void drawChildrenHolePass(Graphics&, const QColor&) const override {}
    EntityList& entities() override { return children; }
    const EntityList& entities() const override { return children; }
    const std::optional<QTransform>& childTransform() const override { return singleLevelTransform; }
};

class SymbolEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit SymbolEditor(std::shared_ptr<Symbol> symbol, const QString& title = QStringLiteral("Symbol"),
                          QWidget* parent = nullptr);
    std::shared_ptr<Symbol> symbol;
    // The title the symbol gave (the frame shows it).
    QString titleText;
};
