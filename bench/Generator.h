#pragma once
// Deterministic generator of large boards for benchmarks and tests.

#include <QByteArray>

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
