#pragma once
// Bezier outline: through-points with left and right control points.

#include <QPainterPath>
#include <QPointF>
#include <optional>
#include <pugixml.hpp>
#include <string_view>
#include <vector>

enum class BezierStyle { straight, smooth, controlled };
std::optional<BezierStyle> bezierStyleFromString(std::string_view text);
const char* toString(BezierStyle v);

class Bezier {
public:
    BezierStyle style = BezierStyle::straight;
    bool closed = false;
    double tension = 0.5;
    std::vector<QPointF> points;
    std::vector<QPointF> leftControls;  // incoming control of each point
    std::vector<QPointF> rightControls; // outgoing control of each point

    // "style", "closed", "tension", "points", "leftControls", "rightControls"
    // of the element it is given.
    void readXML(pugi::xml_node element);
    QPainterPath path() const;
    // Points sampled along the curve segments from..to (point indices), steps
    // per segment; a straight outline yields none.
    std::vector<QPointF> sample(int from, int to, int steps) const;
};
