#pragma once
// A schematic sheet.

#include "document/GraphicsSheet.h"
#include "document/SheetSettings.h"

class Schematic : public GraphicsSheet {
public:
    explicit Schematic(Design* design);
    ~Schematic() override;

    SchematicSettings schematicSettings;

    SheetSettings& settings() override { return schematicSettings; }

    // As every sheet, with net labels shown when the sheet's settings ask for
    // them (no other switch reaches the drawing's node-label flags).
    std::shared_ptr<Entity> draw(Graphics& g) override;
};
