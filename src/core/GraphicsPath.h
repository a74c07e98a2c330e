#pragma once
// Free-form outline: points read from "point" children.

#include <QPointF>
#include <pugixml.hpp>
#include <vector>

class GraphicsPath {
public:
    struct PathPoint {
        QPointF at;
        int type = 0; // segment kind as stored; not interpreted
    };
    std::vector<PathPoint> pathPoints;

    // Appends one point per "point" child ("at", "type"); does not clear first.
    void read(pugi::xml_node element);
};
using PathPoint = GraphicsPath::PathPoint;
