#include "core/GraphicsPath.h"

#include "core/Readers.h"

void GraphicsPath::read(pugi::xml_node element)
{
    for (pugi::xml_node child = element.child("point"); child; child = child.next_sibling("point")) {
        PathPoint point;
        point.at = readPointAttribute(child, "at", QPointF(0, 0));
        point.type = readInt32Attribute(child, "type", 0);
        pathPoints.push_back(point);
    }
}
