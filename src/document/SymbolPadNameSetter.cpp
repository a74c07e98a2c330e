#include "document/SymbolPadNameSetter.h"

#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "model/EntityList.h"

#include <unordered_map>

namespace SymbolPadNameSetter {

void assignPadNames(DesignState& state)
{
    std::vector<std::shared_ptr<IPadIdentity>> pads;
    state.pcb->entityList.collect(pads);
    if (pads.empty())
        return;
    // A later pad with the same identity replaces an earlier one.
    std::unordered_map<Id, QString> names;
    for (const auto& pad : pads)
        names[pad->padIdentity()] = pad->padName();

    for (const auto& sheet : state.schematics) {
        std::vector<std::shared_ptr<ITerminalPadLink>> terminals;
        sheet->entityList.collect(terminals);
        for (const auto& terminal : terminals) {
            auto found = names.find(terminal->terminalPadId());
            if (found != names.end())
                terminal->setTerminalPadName(found->second);
        }
    }
}

} // namespace SymbolPadNameSetter
