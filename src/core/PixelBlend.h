#pragma once
// One premultiplied ARGB pixel blended with a colour at a coverage of 0..255,
// rounded as QPainter's raster engine rounds, for the fills that write
// straight into an image.

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstdint>

namespace PixelBlend {

inline uint32_t byteMul(uint32_t x, uint32_t a)
{
    uint32_t t = (x & 0xff00ff) * a;
    t = (t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8;
    t &= 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = (x + ((x >> 8) & 0xff00ff) + 0x800080);
    x &= 0xff00ff00;
    return x | t;
}

// Source over.
inline void blend(uint32_t& dst, uint32_t src, uint32_t coverage)
{
    const uint32_t s = coverage >= 255 ? src : byteMul(src, coverage);
    const uint32_t a = s >> 24;
    dst = a == 255 ? s : s + byteMul(dst, 255 - a);
}

// Destination out: what the source covers is taken away.
inline void erase(uint32_t& dst, uint32_t src, uint32_t coverage)
{
    uint32_t keep = 255 - (src >> 24);
    if (coverage < 255) {
        const uint32_t x = keep * coverage;
        keep = ((x + (x >> 8) + 0x80) >> 8) + 255 - coverage;
    }
    dst = keep == 0 ? 0 : byteMul(dst, keep);
}

// Adds to an accumulation row the signed area (d per unit of height) that
// an edge crossing the row from x = a to x = b sweeps between itself and
// the left edge of each cell; summed along the row, the cells give each
// pixel's covered area, as a scan converter computes it. Coordinates are
// local to the row and not negative. Returns the last cell written.
inline int depositEdge(float* line, double a, double b, double d)
{
    const double x0 = std::min(a, b), x1 = std::max(a, b);
    const double x0Floor = std::floor(x0), x1Ceil = std::ceil(x1);
    const int x0i = int(x0Floor), x1i = int(x1Ceil);
    if (x1i <= x0i + 1) {
        // Within one pixel column: split at the edge's mean position.
        const double xm = 0.5 * (a + b) - x0Floor;
        line[x0i] += float(d - d * xm);
        line[x0i + 1] += float(d * xm);
        return x0i + 1;
    }
    const double s = 1 / (x1 - x0);
    const double x0f = x0 - x0Floor;
    const double a0 = 0.5 * s * (1 - x0f) * (1 - x0f);
    const double x1f = x1 - x1Ceil + 1;
    const double am = 0.5 * s * x1f * x1f;
    line[x0i] += float(d * a0);
    if (x1i == x0i + 2) {
        line[x0i + 1] += float(d * (1 - a0 - am));
    } else {
        const double a1 = s * (1.5 - x0f);
        line[x0i + 1] += float(d * (a1 - a0));
        for (int xi = x0i + 2; xi < x1i - 1; ++xi)
            line[xi] += float(d * s);
        const double a2 = a1 + (x1i - x0i - 3) * s;
        line[x1i - 1] += float(d * (1 - a2 - am));
    }
    line[x1i] += float(d * am);
    return x1i;
}

// Areas in whole units, kCoverOne to a pixel's height, for fills whose
// pixels must not depend on where the area drawn begins: summed in
// integers, the parts of an edge left of a pixel add up to the same cover
// however they are laid out (cut on a margin line, or outlined from a path
// cut elsewhere), where float sums differ in their last bits.
constexpr int kCoverOne = 1 << 16;

inline int roundedInt(double v) { return int(v < 0 ? v - 0.5 : v + 0.5); }

// As depositEdge, d in whole units: the cells get the rounded running
// share of d, and so add up to d exactly. Cells are unsigned, added modulo
// their width and read as signed: a cell receives at most |d| from each
// edge, so cells of 32 bits hold the net value exactly while fewer than
// kEdgesFor32BitCells edges cross the row (otherwise the cells must be of
// 64 bits: an outline winding 65,536 times sums to 2^32).
constexpr int kEdgesFor32BitCells = INT32_MAX / kCoverOne + 1;

template <class Cell>
inline int depositEdgeFixed(Cell* line, double a, double b, int d)
{
    const double x0 = std::min(a, b), x1 = std::max(a, b);
    const double x0Floor = std::floor(x0), x1Ceil = std::ceil(x1);
    const int x0i = int(x0Floor), x1i = int(x1Ceil);
    if (x1i <= x0i + 1) {
        const double xm = 0.5 * (a + b) - x0Floor;
        const int right = roundedInt(d * xm);
        line[x0i] += Cell(d - right);
        line[x0i + 1] += Cell(right);
        return x0i + 1;
    }
    // Shares of the magnitude, rounded without a branch (they are not
    // negative), then signed: a long edge crosses many cells.
    const int sign = d < 0 ? -1 : 1;
    const double m = double(d) * sign;
    const double s = 1 / (x1 - x0);
    const double x0f = x0 - x0Floor;
    const double a0 = 0.5 * s * (1 - x0f) * (1 - x0f);
    const double x1f = x1 - x1Ceil + 1;
    const double am = 0.5 * s * x1f * x1f;
    // The share deposited up to and including each cell, in units:
    // rounded from the running share, never summed from rounded parts.
    int done = int(m * a0 + 0.5);
    line[x0i] += Cell(done * sign);
    if (x1i > x0i + 2) {
        const double first = m * (s * (1.5 - x0f)) + 0.5, step = m * s;
        const int cells = x1i - x0i - 2;
        Cell* cell = line + x0i + 1;
        for (int k = 0; k < cells; ++k) {
            const int now = int(first + k * step);
            cell[k] += Cell((now - done) * sign);
            done = now;
        }
    }
    const int now = int(m * (1 - am) + 0.5);
    line[x1i - 1] += Cell((now - done) * sign);
    line[x1i] += Cell(d - now * sign);
    return x1i;
}

} // namespace PixelBlend
