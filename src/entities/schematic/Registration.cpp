#include "model/EntityFactory.h"

// Element names of the schematic entities.
void registerSchematicEntities()
{
}
