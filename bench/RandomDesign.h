#pragma once
// Random designs for checking drawing: small designs (tens of entities on a
// board and a schematic sheet) built from every element the reader takes,
// with pens from hairlines to far wider than their geometry, every dash
// style, cap, join and end marker, texts of every kind, arcs, smooth
// outlines, gradients and pictures, and holders under rotated, mirrored,
// sheared, unevenly scaled and near-singular placements. The same seed
// always gives the same design.

#include <QByteArray>

#include <cstdint>

class GraphicsSheet;

// Content beyond the common mix, for the faults that hide in it. Each kind
// is drawn from a random stream of its own, after the common entities of
// each sheet: any set of them leaves the rest of the design (and the other
// kinds) as they are.
enum RandomFeature : unsigned {
    // Dashed and dotted stars and loops of 40-90 points that cross
    // themselves, thousands of dashes, mostly translucent pens.
    crossingDashes = 1u << 0,
    // Pens far thinner than a pixel with miter joins at sharp angles
    // (schematic zig-zags and narrow triangles).
    sharpMiters = 1u << 1,
    // Thin node wires crossing with jumpers; short zig-zag thin tracks.
    thinWires = 1u << 2,
    // Groups, footprints and symbols scaled unevenly (one axis x0.5, x0.25,
    // x0.1) holding thin pens, solid and dashed.
    unevenHolders = 1u << 3,
    // Wide pens on 60-point smooth curves and board outlines, to be seen at
    // high zoom (RandomDesign::highZoom).
    widePens = 1u << 4,
    // Pens wider than the view at the checker's zooms (0.15-2 in) on
    // 60-point smooth curves and board outlines.
    hugePens = 1u << 5,
    // Thin straight curves of thousands of points zig-zagging across a
    // narrow strip: every point turns back, so the level of detail keeps
    // them all.
    zigZagCurves = 1u << 6,
    // Outlines of 20 points running the length of the sheet (across it, or
    // to and fro along a thin sliver) in thin dashed and dotted pens, to be
    // seen at high zoom (RandomDesign::highZoom): every segment crossing a
    // view holds hundreds of dashes, the path millions.
    longDashes = 1u << 7,
};
constexpr unsigned kAllRandomFeatures = (1u << 8) - 1;

// The features named in a comma-separated list ("crossing-dashes",
// "sharp-miters", "thin-wires", "uneven-holders", "wide-pens", "huge-pens",
// "zig-zag-curves", "long-dashes", "all",
// "none"); false for a name not known.
bool randomFeaturesNamed(const QByteArray& names, unsigned& features);
// The names of the features set, comma-separated ("none" for no feature).
QByteArray randomFeatureNames(unsigned features);

struct RandomDesign {
    QByteArray xml; // the design file text
    // Whether a sheet holds a gradient fill: Qt draws those a level or two
    // apart when a frame is cut differently.
    bool pcbGradients = false;
    bool schematicGradients = false;
    // The features that put something on each sheet.
    unsigned pcbFeatures = 0, schematicFeatures = 0;
    // A zoom (over the fitted view) where wide pens show their cost and
    // faults; 0 when the design holds none.
    double highZoom = 0;
};

RandomDesign generateRandomDesign(uint64_t seed, unsigned features = kAllRandomFeatures);

// Whether design text names a gradient brush anywhere (for designs not
// made here).
bool mentionsGradients(const QByteArray& xml);

// A sheet's entity tree as indented JSON: element, type, layer, identifier
// and box of every entity, and the sheet's box (what `brindlex-render --dump`
// prints). The sheet's geometry must be current.
QByteArray sheetDumpJson(GraphicsSheet& sheet, bool pcb);
