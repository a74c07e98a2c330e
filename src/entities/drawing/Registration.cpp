#include "model/EntityFactory.h"
#include "entities/drawing/Coordinate.h"
#include "entities/drawing/Line.h"
#include "entities/drawing/NoteBox.h"
#include "entities/drawing/PushButton.h"
#include "entities/drawing/Rectangle.h"
#include "entities/drawing/Shape.h"
#include "entities/drawing/TextLines.h"

// Element names of the drawing entities.
void registerDrawingEntities()
{
    registerEntity<Line>("line");
    registerEntity<Rectangle>("rectangle");
    registerEntity<Shape>("shape");
    registerEntity<TextLines>("text");
    registerEntity<NoteBox>("noteBox");
    registerEntity<Coordinate>("coordinate");
    registerEntity<PushButton>("pushButton");
}
