#include "model/EntityFactory.h"

// Element names of the pcb entities.
void registerPcbEntities()
{
}
