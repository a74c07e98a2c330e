#pragma once
// Polygons with holes read from "polygon" children.

#include <QPainterPath>
#include <QPointF>
#include <optional>
#include <pugixml.hpp>
#include <vector>

class PlaneSurface {
public:
    struct Contour {
        bool isHole = false;
        std::vector<QPointF> points;
    };
    std::vector<Contour> contours;
    std::optional<QPainterPath> path; // odd-even fill of all contours

    // Reads the element's "polygon" children ("isHole", "vertex" children with
    // "at") and builds path.
    void readXML(pugi::xml_node element);
};
