#pragma once
// Dashed strokes cut into what to fill. Every dash is placed by its length
// along its subpath and every decision (where a dash lies, where the pattern
// is too fine to dash, how curves are flattened) comes from the linear part
// of the transform, never from where the area drawn begins; the area only
// leaves out dashes whose ink cannot reach it. All dashes of a stroke make a
// single outline filled once, so that where dashes cross each other a
// translucent pen is laid once, however the frame is cut.

#include <QPainterPath>
#include <QRectF>
#include <QTransform>

class QPen;

namespace Dashes {

// Where the pattern repeats in less than this many device pixels the path
// is stroked solid at the pattern's mean coverage instead.
constexpr double kFinePixels = 2;

struct Fills {
    // False when the pen has no pattern that can be dashed (an empty,
    // all-zero or non-finite one, a width that is not positive, a
    // perspective): then stroke it solid.
    bool dashed = false;
    // The pen's outline of every dash near the area, to fill by the
    // winding rule with the pen's brush.
    QPainterPath dashes;
    // The outline of the parts too fine to dash, to fill by the winding
    // rule with the pen's colour at `fineCoverage` of its alpha.
    QPainterPath fine;
    double fineCoverage = 1;
    // The dashes cut, and the segments of the flattened path stroked solid
    // as too fine to dash.
    long long dashCount = 0;
    long long fineSegments = 0;
};

// Cuts the path, given in coordinates that toDevice maps to the device,
// with the pen (width, pattern in pen widths, offset, caps, joins) in those
// coordinates. `area` is the part of the device drawn: dashes and fine parts
// whose ink cannot reach it are left out.
Fills cut(const QPainterPath& path, const QPen& pen, const QTransform& toDevice, const QRectF& area);

} // namespace Dashes
