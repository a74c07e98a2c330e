#pragma once
// The ink measure: what a drawing paints, found by running the drawing
// itself on an InkBounds. Its device pixels are this small in sheet units
// (inches), so that what drawing sizes in pixels (least widths, hairlines,
// halos) measures next to nothing: the views' pixel allowance covers that.

#include "core/Geometry.h"

#include <QTransform>

#include <functional>
#include <optional>

class Graphics;

namespace InkMeasure {

// Device pixels per sheet unit, flipped as views are (y up).
constexpr double kScale = 1 << 20;
// Ink this far from the origin (sheet units) counts as unbounded: a guide
// spans whatever view it is drawn in, and the measure's view is this large
// (paths take no coordinates of 1e128 or more: the view stays well below).
constexpr double kFar = 1e25;
constexpr double kView = 1e30;

// Runs `draw` on this thread's measure, on `layer`, placed by the transform
// its list draws it under, with everything it may draw in any view shown;
// adds what it paints to `ink` (sheet units). False when that is unbounded.
bool measure(const std::optional<QTransform>& parentTransform, int layer, const std::function<void(Graphics&)>& draw,
    BoundingBox& ink);

} // namespace InkMeasure
