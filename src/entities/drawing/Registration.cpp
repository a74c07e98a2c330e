#include "model/EntityFactory.h"

// Element names of the drawing entities.
void registerDrawingEntities()
{
}
