#pragma once
// Dashed strokes cut into what to fill. Every dash is placed by its length
// along its subpath and every decision (where a dash lies, where the pattern
// is too fine to dash, how curves are flattened) comes from the linear part
// of the transform, never from where the area drawn begins; the area only
// leaves out dashes whose ink cannot reach it. The dashes of a stroke make
// one outline filled once (a very long stroke a few, by their place along
// it), so that where dashes cross each other a translucent pen is laid the
// same, however the frame is cut.

#include <QPainterPath>
#include <QRectF>
#include <QTransform>

#include <functional>

class QPen;

namespace Dashes {

// Where the pattern repeats in less than this many device pixels the path
// is stroked solid at the pattern's mean coverage instead.
constexpr double kFinePixels = 2;

// The dashes of this many repeats of the pattern along the path are
// filled at once (and the fine segments of as many segments of it): no
// fill grows with the path without bound.
constexpr long long kRepeatsPerFill = 1 << 12;

struct Cut {
    // False when the pen has no pattern that can be dashed (an empty,
    // all-zero or non-finite one, a width that is not positive, a
    // perspective): then nothing was filled; stroke it solid.
    bool dashed = false;
    // The dashes cut, and the segments of the flattened path stroked solid
    // as too fine to dash.
    long long dashCount = 0;
    long long fineSegments = 0;
};

// Takes an outline (in the path's coordinates) to fill by the winding rule
// with the pen's brush, its alpha times `coverage`: 1 for dashes, the
// pattern's mean coverage for the parts too fine to dash.
using Fill = std::function<void(const QPainterPath& outline, double coverage)>;

// Cuts the path, given in coordinates that toDevice maps to the device,
// with the pen (width, pattern in pen widths, offset, caps, joins) in those
// coordinates, and hands what to fill to `fill`, in order along the path.
// `area` is the part of the device drawn: dashes whose ink cannot reach it
// are left out (and the fine parts of groups none of whose ink can); what
// is cut is cut whole, the same whatever the area.
Cut cut(const QPainterPath& path, const QPen& pen, const QTransform& toDevice, const QRectF& area, const Fill& fill);

} // namespace Dashes
