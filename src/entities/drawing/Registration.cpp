#include "model/EntityFactory.h"
#include "entities/drawing/Arc.h"
#include "entities/drawing/Curve.h"
#include "entities/drawing/Ellipse.h"
#include "entities/drawing/Polyline.h"
#include "entities/drawing/Controls.h"
#include "entities/drawing/Coordinate.h"
#include "entities/drawing/Dimension.h"
#include "entities/drawing/Guides.h"
#include "entities/drawing/Line.h"
#include "entities/drawing/Marker.h"
#include "entities/drawing/NoteBox.h"
#include "entities/drawing/Picture.h"
#include "entities/drawing/PushButton.h"
#include "entities/drawing/Rectangle.h"
#include "entities/drawing/Shape.h"
#include "entities/drawing/TextLines.h"
#include "model/Group.h"

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
    for (const char* name : {"polyLine", "polyLineOpen", "polyline", "polygon", "polyShape", "polyShapeOpen"})
        registerEntity<Polyline>(name);
    registerEntity<Arc>("arc");
    registerEntity<Ellipse>("ellipse");
    registerEntity<Curve>("curve");
    registerEntity<Dimension>("dimension");
    registerEntity<Picture>("image");
    registerEntity<Marker>("marker");
    registerEntity<Group>("group");
    registerEntity<Origin>("origin");
    registerEntity<HorizontalGuide>("horizontalGuide");
    registerEntity<VerticalGuide>("verticalGuide");
    registerEntity<AngledGuide>("angledGuide");
    registerEntity<PointGuide>("pointGuide");
    registerEntity<ControlRectangle>("controlRectangle");
    registerEntity<Dial>("dial");
    registerEntity<GraphHolder>("graphHolder");
    registerEntity<SliderControl>("slider");
}
