#include "model/EntityFactory.h"
#include "entities/drawing/Line.h"
#include "entities/drawing/Rectangle.h"
#include "entities/drawing/Shape.h"

// Element names of the drawing entities.
void registerDrawingEntities()
{
    registerEntity<Line>("line");
    registerEntity<Rectangle>("rectangle");
    registerEntity<Shape>("shape");
}
