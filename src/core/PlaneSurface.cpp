#include "core/PlaneSurface.h"

#include "core/Readers.h"

#include <algorithm>

namespace {

// Twice the signed area; positive for a counter-clockwise contour (y up).
double signedArea2(const std::vector<QPointF>& points)
{
    double sum = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        const QPointF a = points[i], b = points[(i + 1) % points.size()];
        sum += a.x() * b.y() - a.y() * b.x();
    }
    return sum;
}

} // namespace

void PlaneSurface::readXML(pugi::xml_node element)
{
    contours.clear();
    path.reset();
    for (pugi::xml_node polygon = element.child("polygon"); polygon; polygon = polygon.next_sibling("polygon")) {
        Contour contour;
        contour.isHole = readBoolAttribute(polygon, "isHole", false);
        for (pugi::xml_node v = polygon.child("vertex"); v; v = v.next_sibling("vertex"))
            contour.points.push_back(readPointAttribute(v, "at", QPointF(0, 0)));
        contours.push_back(std::move(contour));
    }

    // Outlines run counter-clockwise and holes clockwise in the path, so the
    // holes stay open whether the path is filled odd-even (its own rule) or by
    // the non-zero rule that the drawing code may ask for.
    QPainterPath built;
    built.setFillRule(Qt::OddEvenFill);
    size_t elements = 0;
    for (const Contour& contour : contours)
        elements += contour.points.size() + 1;
    built.reserve(int(std::min<size_t>(elements, 1 << 30)));
    bool any = false;
    for (const Contour& contour : contours) {
        const std::vector<QPointF>& pts = contour.points;
        if (pts.size() < 3)
            continue; // encloses nothing
        if ((signedArea2(pts) < 0) != contour.isHole) {
            built.moveTo(pts.back());
            for (size_t i = pts.size() - 1; i-- > 0;)
                built.lineTo(pts[i]);
        } else {
            built.moveTo(pts[0]);
            for (size_t i = 1; i < pts.size(); ++i)
                built.lineTo(pts[i]);
        }
        built.closeSubpath();
        any = true;
    }
    if (any)
        path = built;
}
