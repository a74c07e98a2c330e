#pragma once
// Polygons with holes read from "polygon" children.

#include <QPainterPath>
#include <QPointF>
#include <optional>
#include <span>
#include <pugixml.hpp>
#include <vector>

// The points of one contour. They are read at single precision, so they
// are kept so: half the room of QPointF, nothing lost.
class ContourPoints {
public:
    ContourPoints() = default;
    explicit ContourPoints(std::span<const QPointF> points);
    // Takes x and y of each point in turn, at single precision.
    explicit ContourPoints(std::vector<float> xy);
    size_t size() const { return xy_.size() / 2; }
    bool empty() const { return xy_.empty(); }
    QPointF operator[](size_t i) const { return QPointF(double(xy_[2 * i]), double(xy_[2 * i + 1])); }

private:
    std::vector<float> xy_;
};

class PlaneSurface {
public:
    struct Contour {
        bool isHole = false;
        ContourPoints points;
    };
    std::vector<Contour> contours;
    std::optional<QPainterPath> path; // odd-even fill of all contours

    // Reads the element's "polygon" children ("isHole", "vertex" children with
    // "at") and builds path.
    void readXML(pugi::xml_node element);
};
