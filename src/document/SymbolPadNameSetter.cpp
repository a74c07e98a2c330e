#include "document/SymbolPadNameSetter.h"

#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "model/EntityList.h"

#include <unordered_map>

namespace SymbolPadNameSetter {

namespace {
const Id kNoPadLink{0};
}

void assignPadNames(DesignState& state)
{
    std::vector<std::shared_ptr<IPadIdentity>> pads;
    state.pcb->entityList.collect(pads);
    if (pads.empty())
        return;
    // A later pad with the same identity replaces an earlier one.
    // Identity 0 is "no link", on a pad without an id as on a terminal
    // without a pad: it names no pad.
    std::unordered_map<Id, QString> names;
    for (const auto& pad : pads) {
        if (pad->padIdentity() != kNoPadLink)
            names[pad->padIdentity()] = pad->padName();
    }
    if (names.empty())
        return;

    for (const auto& sheet : state.schematics) {
        std::vector<std::shared_ptr<ITerminalPadLink>> terminals;
        sheet->entityList.collect(terminals);
        for (const auto& terminal : terminals) {
            if (terminal->terminalPadId() == kNoPadLink)
                continue;
            auto found = names.find(terminal->terminalPadId());
            if (found != names.end())
                terminal->setTerminalPadName(found->second);
        }
    }
}

} // namespace SymbolPadNameSetter
