#pragma once
// Deterministic generators of large boards for benchmarks and tests.

#include <QByteArray>
#include <QString>

struct BoardLayout {
    int footprints = 5000;
    int padsPerFootprint = 6; // alternates surface-mount and through-hole parts
    bool withTexts = true;    // reference and value texts on every footprint
    unsigned seed = 1;
};

// The design file text (XML) of a board laid out on a grid: footprints with
// pads, one net per footprint pair with a routed track, a via per net and a
// rectangular board border, on a two-sided 12-layer stack.
QByteArray generateBoardXml(const BoardLayout& layout);
// The same, gzip-compressed and preceded by the file magic.
QByteArray generateBoardFile(const BoardLayout& layout);

// A four-layer board shaped like a real, densely routed one: ICs, headers and
// passives in rows, two-pin nets of several widths fanned out through vias and
// routed in channels (top layer across, bottom layer along), stitching vias,
// a notched outline, silkscreen lines and texts, and a ground pour on each
// outer layer whose stored fill is cleared around every pad, via and track of
// its layer (about 150,000 vertices with the defaults).
struct PourBoardLayout {
    int columns = 10;
    int rows = 9;
    int nets = 390;
    int stitchingVias = 700;
    double clearance = 0.012; // pour to other copper
    double pourStep = 0.004;  // sampling step of the pour outline
    double pourTolerance = 0.00015; // how far the stored outline may stray
    unsigned seed = 1;
};

QByteArray generatePourBoardXml(const PourBoardLayout& layout);

// A schematic sheet holding one closed smooth curve (default pen and brush)
// that traces a square raster row by row, each row left to right, so that
// the outline swings back across the square between rows: `side` rows of
// `side` points, `pitch` inches apart (a million points with the defaults).
// Its fill and stroke cover the square and its overshoots nearly whole.
struct RasterCurveLayout {
    int side = 1000;
    double pitch = 0.01;
};
QByteArray generateRasterCurveXml(const RasterCurveLayout& layout);

// The boards the benchmarks run on, by kind, built once per process.
enum BenchBoard { gridBoard = 0, pourBoard = 1 };
const QByteArray& benchBoardXml(int kind);

// The layer stack of the generated boards as "layer" elements, top side
// first; the top package layer shown or hidden.
QString boardLayersXml(bool topPackageShown);
