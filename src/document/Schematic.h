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
};
