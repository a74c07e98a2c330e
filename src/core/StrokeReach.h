#pragma once
// Where a stroke's ink may lie and which way it is drawn: the limits the
// ink measure, the clipping of strokes about the area drawn, the choice of
// a stroke's route (DrawingContext::routeOf) and the views' culling share,
// kept together so that none cuts what another lets through.

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

// Device pixels the views grow every box they cull by (a frame's, a
// band's): what is drawn past the ink an entity's box holds (hairlines,
// the least width, one-pixel halos, antialiasing) is not cut at an edge
// or a seam.
constexpr int kInkAllowancePixels = 4;
static_assert(kDevicePixels <= kInkAllowancePixels, "a stroke's device reach must lie within the views' ink allowance");

// Too big for the painter. Strokes of device pens wider than this
// (pixels) are outlined here and the outline filled: the painter's own fill
// of an outline reaching far beyond the device takes seconds.
constexpr double kWidePenPixels = 2048;
// And so are strokes of paths running longer than this on the device, and
// fills of such paths go straight into the image: the painter renders a
// long winding outline again in smaller parts whenever its cells overflow
// the rasteriser's pool, hundreds of milliseconds a frame.
constexpr double kLongStrokePixels = 4096;
// Solid strokes whose ink spans more than this on the device (pixels)
// either way are clipped about the area drawn before they are outlined,
// whatever their element count: outlining and filling all of a stroke far
// larger than the view costs seconds.
constexpr double kWideStrokePixels = 4096;
static_assert(kWidePenPixels <= kWideStrokePixels && kLongStrokePixels <= kWideStrokePixels,
    "every stroke too big for the painter whose ink spans more than the wide limit is clipped before it is outlined");

} // namespace StrokeReach
