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

struct RandomDesign {
    QByteArray xml; // the design file text
    // Whether a sheet holds a gradient fill: Qt draws those a level or two
    // apart when a frame is cut differently.
    bool pcbGradients = false;
    bool schematicGradients = false;
};

RandomDesign generateRandomDesign(uint64_t seed);

// Whether design text names a gradient brush anywhere (for designs not
// made here).
bool mentionsGradients(const QByteArray& xml);

// A sheet's entity tree as indented JSON: element, type, layer, identifier
// and box of every entity, and the sheet's box (what `brindlex-render --dump`
// prints). The sheet's geometry must be current.
QByteArray sheetDumpJson(GraphicsSheet& sheet, bool pcb);
