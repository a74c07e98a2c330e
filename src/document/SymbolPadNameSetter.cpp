#include "document/SymbolPadNameSetter.h"

#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "model/Entity.h"
#include "model/EntityList.h"

#include <unordered_map>
#include <vector>

namespace SymbolPadNameSetter {

namespace {
const Id kNoPadLink{0};

// Every entity of the list, each before its children, as the reader nests
// them (the reader bounds the depth).
template <class Visit>
void visitEntities(const EntityList& list, const Visit& visit)
{
    for (const auto& e : list.entities) {
        visit(*e);
        if (IEntityHolder* h = e->holder())
            visitEntities(h->entities(), visit);
    }
}
} // namespace

void assignPadNames(DesignState& state)
{
    // The terminals first: a board without linked terminals (most boards
    // opened alone) needs no walk over its pads.
    std::vector<ITerminalPadLink*> terminals;
    for (const auto& sheet : state.schematics) {
        visitEntities(sheet->entityList, [&](Entity& e) {
            if (ITerminalPadLink* t = e.terminalPadLinkCapability(); t && t->terminalPadId() != kNoPadLink)
                terminals.push_back(t);
        });
    }
    if (terminals.empty())
        return;

    // A later pad with the same identity replaces an earlier one.
    // Identity 0 is "no link", on a pad without an id as on a terminal
    // without a pad: it names no pad.
    std::unordered_map<Id, QString> pads;
    visitEntities(state.pcb->entityList, [&](Entity& e) {
        if (std::optional<Entity::PadIdentity> p = e.padIdentity(); p && p->id != kNoPadLink)
            pads[p->id] = std::move(p->name);
    });
    if (pads.empty())
        return;
    for (ITerminalPadLink* terminal : terminals) {
        auto found = pads.find(terminal->terminalPadId());
        if (found != pads.end())
            terminal->setTerminalPadName(found->second);
    }
}

} // namespace SymbolPadNameSetter
