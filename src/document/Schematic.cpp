#include "document/Schematic.h"

Schematic::Schematic(Design* design)
    : GraphicsSheet(design)
{
}

Schematic::~Schematic() = default;
