#pragma once
// How far a stroke's ink reaches past its path: the one rule the ink
// measure and the clipping of strokes about the area drawn share, so that
// neither cuts what the other lets through.

#include <QtGlobal>

class QPen;

namespace StrokeReach {

// The least width of a line on the device (logical pixels): pens thinner
// than this are drawn this wide in every direction, and bevelled.
constexpr double kLeastWidthPixels = 1.4142135623730951;

// How far past its path a stroke with the pen reaches, in the pen's own
// units: half the width, grown by square caps (the corner of the square)
// and by miters up to their limit (Qt's plain miter is cut at the limit in
// widths; the SVG one bevels past it, its limit in widths of the miter's
// length). Zero for a pen of no width (see devicePixels).
double ofPen(const QPen& pen);

// What a stroke reaches on the device whatever its width: a pen raised to
// the least width is bevelled, so it reaches at most its square cap's
// corner; plus the pixel antialiasing touches.
constexpr double kDevicePixels = kLeastWidthPixels / 2 * 1.4142135623730951 + 1;

} // namespace StrokeReach
