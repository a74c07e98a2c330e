#include "document/DesignState.h"

#include "document/PCB.h"
#include "document/Schematic.h"

DesignState::DesignState(Design* design)
    : design(design)
    , pcb(std::make_shared<PCB>(design))
{
}

DesignState::~DesignState() = default;

std::shared_ptr<Schematic> DesignState::addSchematic()
{
    auto sheet = std::make_shared<Schematic>(design);
    schematics.push_back(sheet);
    return sheet;
}
