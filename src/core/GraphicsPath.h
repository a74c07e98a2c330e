#pragma once
// Free-form outline: points read from "point" children.

#include <QPainterPath>
#include <QPointF>
#include <cstdint>
#include <memory>
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

    // The closed polygon through the points as it is filled (non-zero): a
    // move to the first point, a line to every point (the first again
    // included), a line back to the first. Empty without points.
    QPainterPath polygonPath() const;
    // Keeps polygonPath() of the points as they are now (the geometry pass
    // calls it; any change of the points is seen there), so that drawing
    // does not build it again.
    void keepPath();
    // The kept path while the points still match it as far as a quick look
    // tells (their storage, count and ends), else polygonPath() afresh.
    QPainterPath drawnPath() const;

private:
    struct Kept {
        const PathPoint* data = nullptr;
        size_t count = 0;
        QPointF front, back;
        std::uint64_t hash = 0; // of every point
        QPainterPath path;
    };
    Kept fingerprint() const;
    static bool sameLook(const Kept& a, const Kept& b);
    // Shared and never changed once made: copies and threads drawing read
    // it freely.
    std::shared_ptr<const Kept> kept_;
};
using PathPoint = GraphicsPath::PathPoint;
