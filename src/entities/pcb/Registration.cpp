#include "model/EntityFactory.h"
#include "entities/pcb/CopperPour.h"
#include "entities/pcb/Silkscreen.h"

// Element names of the pcb entities.
void registerPcbEntities()
{
    registerEntity<CopperPour>("copperPour");
    registerEntity<SplitPowerPlane>("splitPowerPlane");
    registerEntity<Silkscreen>("silkscreen");
}
