#pragma once
// The sheets of an open design: one PCB sheet and the schematic sheets.

#include <memory>
#include <vector>

class Design;
class PCB;
class Schematic;

class DesignState {
public:
    // A new PCB sheet with default settings and an empty layer stack, no
    // schematic sheets.
    explicit DesignState(Design* design);
    ~DesignState();
    DesignState(const DesignState&) = delete;
    DesignState& operator=(const DesignState&) = delete;

    Design* design = nullptr; // not owned
    std::shared_ptr<PCB> pcb;
    std::vector<std::shared_ptr<Schematic>> schematics;

    // Appends a new empty schematic sheet with default settings.
    std::shared_ptr<Schematic> addSchematic();
};
