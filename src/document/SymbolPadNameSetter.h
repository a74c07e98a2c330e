#pragma once
// After a design is read, every schematic terminal linked to a pad takes the
// pad's name. Pads give theirs through Entity::padIdentity(); terminals adopt
// the capability below.

#include "core/Values.h"

#include <QString>

class DesignState;

// A symbol terminal's link to a pad.
class ITerminalPadLink {
public:
    virtual ~ITerminalPadLink() = default;
    virtual Id terminalPadId() const = 0;
    virtual void setTerminalPadName(const QString& name) = 0;
};

namespace SymbolPadNameSetter {
// Gathers the pads of the PCB sheet (descending into holders) by identity,
// then gives every terminal of every schematic sheet whose pad id names one
// of them that pad's name; other terminals keep theirs. Identity 0 means no
// link and matches nothing, on either side.
void assignPadNames(DesignState& state);
}
