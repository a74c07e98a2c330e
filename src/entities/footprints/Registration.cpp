#include "model/EntityFactory.h"

// Element names of the footprints entities.
void registerFootprintEntities()
{
}
