#include "model/EntityFactory.h"
#include "entities/pcb/Footprint.h"
#include "entities/pcb/Pad.h"
#include "entities/pcb/CopperPour.h"
#include "entities/pcb/Silkscreen.h"

// Element names of the pcb entities.
void registerPcbEntities()
{
    registerEntity<Footprint>("footprint");
    registerEntity<Pad>("pad");
    registerEntity<CopperPour>("copperPour");
    registerEntity<SplitPowerPlane>("splitPowerPlane");
    registerEntity<Silkscreen>("silkscreen");
}
