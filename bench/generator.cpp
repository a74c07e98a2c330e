#include "Generator.h"

#include "core/Gzip.h"

#include <QPointF>
#include <QString>
#include <cmath>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

const char* const kLayers[12][4] = {
    // name, colour (a,r,g,b), fixedColor, visible
    {"Top Background", "255,30,30,30", "false", "true"},
    {"Top Package", "255,160,160,160", "true", "false"},
    {"Top Solder Paste", "255,128,128,128", "true", "false"},
    {"Top Silkscreen", "255,240,240,240", "true", "true"},
    {"Top Solder Mask", "96,0,160,0", "true", "true"},
    {"Top Copper", "255,200,40,40", "true", "true"},
    {"Bottom Copper", "255,40,80,200", "true", "true"},
    {"Bottom Solder Mask", "96,0,160,0", "true", "false"},
    {"Bottom Silkscreen", "255,200,200,120", "true", "true"},
    {"Bottom Solder Paste", "255,128,128,128", "true", "false"},
    {"Bottom Package", "255,160,160,160", "true", "false"},
    {"Bottom Background", "255,20,20,20", "false", "true"},
};

QString num(double v) { return QString::number(v, 'g', 7); }

} // namespace

QString boardLayersXml(bool topPackageShown)
{
    QString s;
    for (const auto& l : kLayers) {
        const bool topPackage = std::strcmp(l[0], "Top Package") == 0;
        s += QString("<layer name=\"%1\" color=\"%2\" fixedColor=\"%3\" visible=\"%4\" electrical=\"%5\"/>\n")
                 .arg(l[0], l[1], l[2], topPackage ? (topPackageShown ? "true" : "false") : l[3],
                     QString(l[0]).contains("Copper") ? "true" : "false");
    }
    return s;
}

QByteArray generateBoardXml(const BoardLayout& layout)
{
    std::mt19937 rng(layout.seed);
    std::uniform_int_distribution<int> rot(0, 3);
    const int n = std::max(0, layout.footprints);
    const int columns = std::max(1, int(std::ceil(std::sqrt(double(n) * 1.6))));
    const double pitchX = 0.6, pitchY = 0.5;
    const int rows = (n + columns - 1) / columns;
    const double boardW = columns * pitchX + 0.4, boardH = std::max(1, rows) * pitchY + 0.4;

    QString s;
    s.reserve(n * 1600 + 4096);
    s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<brindlex version=\"12\" designVersion=\"1\">\n<design>\n";
    s += "<sheets><schematic/></sheets>\n<pcb>\n<layers>\n";
    s += boardLayersXml(false);
    s += "</layers>\n<entities>\n";
    s += QString("<pcbBorder x=\"-0.2\" y=\"-0.2\" width=\"%1\" height=\"%2\" penWidth=\"0.01\" penColor=\"255,230,230,0\" "
                 "color=\"255,0,90,0\" solderMaskColor=\"64,0,255,0\"/>\n")
             .arg(num(boardW), num(boardH));
    // A ground ring poured along the board edge on the bottom side, its
    // copper stored with it as a design file carries it; it clears the
    // tracks and vias below the first row.
    s += QString("<copperPour layer=\"6\" x=\"-0.15\" y=\"-0.15\" width=\"%1\" height=\"%2\" penWidth=\"0.005\" penColor=\"255,40,80,200\" "
                 "signalName=\"GND\"><fill><polygon><vertex at=\"-0.13,-0.13\"/><vertex at=\"%3,-0.13\"/><vertex at=\"%3,%4\"/><vertex at=\"-0.13,%4\"/></polygon>"
                 "<polygon isHole=\"true\"><vertex at=\"-0.09,-0.09\"/><vertex at=\"%5,-0.09\"/><vertex at=\"%5,%6\"/><vertex at=\"-0.09,%6\"/></polygon></fill></copperPour>\n")
             .arg(num(boardW - 0.1), num(boardH - 0.1), num(boardW - 0.27), num(boardH - 0.27), num(boardW - 0.31), num(boardH - 0.31));

    auto origin = [&](int i) { return QPointF((i % columns) * pitchX + 0.2, (i / columns) * pitchY + 0.2); };

    for (int i = 0; i < n; ++i) {
        const QPointF o = origin(i);
        const bool throughHole = (i % 3) == 0;
        const int quarter = rot(rng);
        const double c = std::round(std::cos(quarter * M_PI / 2)), sn = std::round(std::sin(quarter * M_PI / 2));
        s += QString("<footprint identifier=\"U%1\" package=\"%2\" partType=\"%3\" m11=\"%4\" m12=\"%5\" m21=\"%6\" m22=\"%7\" dx=\"%8\" dy=\"%9\"><entities>\n")
                 .arg(i + 1)
                 .arg(throughHole ? "DIP" : "SOIC", throughHole ? "Connector" : "IC")
                 .arg(num(c), num(sn), num(-sn), num(c), num(o.x()), num(o.y()));
        const int pads = std::max(1, layout.padsPerFootprint);
        for (int p = 0; p < pads; ++p) {
            const double px = (p % (pads / 2 + pads % 2)) * 0.1 - 0.1;
            const double py = (p < (pads + 1) / 2) ? -0.1 : 0.1;
            if (throughHole)
                s += QString("<pad id=\"%1\" name=\"%2\" layer=\"5\" at=\"%3,%4\" diameter=\"0.06\" holeDiameter=\"0.032\" smt=\"false\" "
                             "brushColor=\"255,200,40,40\" penWidth=\"0\" penColor=\"0,0,0,0\"/>\n")
                         .arg(i * 100 + p + 1).arg(p + 1).arg(num(px), num(py));
            else
                s += QString("<pad id=\"%1\" name=\"%2\" layer=\"5\" at=\"%3,%4\" size=\"0.05,0.07\" smt=\"true\" roundness=\"0.3\" "
                             "brushColor=\"255,200,40,40\" penWidth=\"0\" penColor=\"0,0,0,0\"/>\n")
                         .arg(i * 100 + p + 1).arg(p + 1).arg(num(px), num(py));
        }
        if (layout.withTexts) {
            s += QString("<footprintId text=\"U%1\" layer=\"3\" at=\"0,0.17\" alignment=\"middleCenter\" height=\"0.04\" brushColor=\"255,240,240,240\" visibleInPcb=\"true\"/>\n").arg(i + 1);
            s += QString("<footprintPartValue text=\"%1\" layer=\"3\" at=\"0,-0.17\" alignment=\"middleCenter\" height=\"0.03\" brushColor=\"255,240,240,240\" showInPcb=\"true\"/>\n")
                     .arg(throughHole ? "CONN6" : "LM324");
        }
        s += QString("<silkscreen layer=\"3\" shape=\"rectangle\" x=\"-0.18\" y=\"-0.14\" width=\"0.36\" height=\"0.28\" penWidth=\"0.008\" penColor=\"255,240,240,240\" cornerSize=\"0.05,0.05\" margin=\"0.02\" notchOnRight=\"left\" lockedTo=\"pads\" lockedToCourtyard=\"false\" autoFitInsidePadsIfPossible=\"true\" visibleInPcb=\"true\"/>\n");
        s += "</entities></footprint>\n";
    }

    // One net per neighbouring pair: a track from the first pad of one to the
    // first pad of the next, on alternating copper sides, with a via midway.
    for (int i = 0; i + 1 < n; i += 2) {
        const QPointF a = origin(i) + QPointF(-0.1, -0.1), b = origin(i + 1) + QPointF(-0.1, -0.1);
        const QPointF mid((a.x() + b.x()) / 2, a.y() - 0.15);
        const int layer = (i / 2) % 2 == 0 ? 5 : 6;
        s += QString("<net identifier=\"N%1\" width=\"0.012\"><entities>\n").arg(i / 2 + 1);
        s += QString("<track layer=\"%1\" penColor=\"255,200,40,40\"><vertices>"
                     "<vertex at=\"%2,%3\"/><vertex at=\"%2,%4\"/><vertex at=\"%5,%4\"/><vertex at=\"%5,%6\"/></vertices></track>\n")
                 .arg(layer)
                 .arg(num(a.x()), num(a.y()), num(mid.y()), num(b.x()), num(b.y()));
        s += QString("<via at=\"%1,%2\" diameter=\"0.04\" holeDiameter=\"0.02\" topLayerIndex=\"5\" bottomLayerIndex=\"6\"/>\n")
                 .arg(num(mid.x()), num(mid.y()));
        s += "</entities></net>\n";
    }
    s += "</entities>\n</pcb>\n</design>\n</brindlex>\n";
    return s.toUtf8();
}

QByteArray generateBoardFile(const BoardLayout& layout)
{
    return QByteArray("Brindlex QEL") + gzipDeflate(generateBoardXml(layout));
}

// ---------------------------------------------------------------------------
// The pour board.

namespace {

// Numbers for the file: six significant digits, no exponent near zero.
void put(std::string& s, double v)
{
    if (std::abs(v) < 1e-6)
        v = 0;
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, "%.6g", v);
    s.append(buf, size_t(n));
}

void putPoint(std::string& s, double x, double y)
{
    put(s, x);
    s += ',';
    put(s, y);
}

// Copper that a pour keeps clear of: a disc, an axis-aligned rectangle or a
// track segment of half-width r.
struct Obstacle {
    enum Kind { disc, rect, segment } kind;
    double ax, ay, bx, by, r; // disc: centre a, radius r; rect: centre a, half sizes b; segment: a to b
};

double distanceTo(const Obstacle& o, double px, double py)
{
    switch (o.kind) {
    case Obstacle::disc:
        return std::hypot(px - o.ax, py - o.ay) - o.r;
    case Obstacle::rect: {
        const double qx = std::abs(px - o.ax) - o.bx, qy = std::abs(py - o.ay) - o.by;
        return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0);
    }
    case Obstacle::segment: {
        const double dx = o.bx - o.ax, dy = o.by - o.ay, len2 = dx * dx + dy * dy;
        double t = len2 > 0 ? ((px - o.ax) * dx + (py - o.ay) * dy) / len2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        return std::hypot(px - (o.ax + t * dx), py - (o.ay + t * dy)) - o.r;
    }
    }
    return 0;
}

struct Box {
    double x0, y0, x1, y1;
};

// Signed distance to a box: negative inside.
double boxDistance(const Box& b, double px, double py)
{
    const Obstacle o{Obstacle::rect, (b.x0 + b.x1) / 2, (b.y0 + b.y1) / 2, (b.x1 - b.x0) / 2, (b.y1 - b.y0) / 2, 0};
    return distanceTo(o, px, py);
}

// Where a pour may put copper, sampled on a grid: positive inside the board
// (less its edge clearance) and away from every obstacle (less the pour
// clearance). Its zero line is the pour's outline.
struct PourField {
    double x0, y0, step;
    int nx, ny;
    std::vector<float> f;

    PourField(const Box& board, const std::vector<Box>& notches, double edgeClearance, double step_)
        : x0(board.x0 - 4 * step_), y0(board.y0 - 4 * step_), step(step_)
    {
        nx = int(std::ceil((board.x1 - board.x0) / step)) + 9;
        ny = int(std::ceil((board.y1 - board.y0) / step)) + 9;
        f.resize(size_t(nx) * size_t(ny));
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) {
                const double px = x0 + i * step, py = y0 + j * step;
                double v = -boxDistance(board, px, py);
                for (const Box& n : notches)
                    v = std::min(v, boxDistance(n, px, py));
                f[size_t(j) * nx + i] = float(v - edgeClearance);
            }
    }

    void clear(const Obstacle& o, double clearance)
    {
        const double reach = clearance + o.r + 2 * step;
        double bx0, by0, bx1, by1;
        if (o.kind == Obstacle::rect) {
            bx0 = o.ax - o.bx - reach, bx1 = o.ax + o.bx + reach, by0 = o.ay - o.by - reach, by1 = o.ay + o.by + reach;
        } else if (o.kind == Obstacle::disc) {
            bx0 = o.ax - reach, bx1 = o.ax + reach, by0 = o.ay - reach, by1 = o.ay + reach;
        } else {
            bx0 = std::min(o.ax, o.bx) - reach, bx1 = std::max(o.ax, o.bx) + reach;
            by0 = std::min(o.ay, o.by) - reach, by1 = std::max(o.ay, o.by) + reach;
        }
        const int i0 = std::max(0, int(std::floor((bx0 - x0) / step))), i1 = std::min(nx - 1, int(std::ceil((bx1 - x0) / step)));
        const int j0 = std::max(0, int(std::floor((by0 - y0) / step))), j1 = std::min(ny - 1, int(std::ceil((by1 - y0) / step)));
        for (int j = j0; j <= j1; ++j)
            for (int i = i0; i <= i1; ++i) {
                float& v = f[size_t(j) * nx + i];
                v = std::min(v, float(distanceTo(o, x0 + i * step, y0 + j * step) - clearance));
            }
    }

    float at(double px, double py) const
    {
        const int i = std::clamp(int(std::lround((px - x0) / step)), 0, nx - 1);
        const int j = std::clamp(int(std::lround((py - y0) / step)), 0, ny - 1);
        return f[size_t(j) * nx + i];
    }

    // The zero line as closed contours, copper on the left: outlines run
    // counter-clockwise and holes clockwise (marching squares; a saddle
    // cell joins its copper corners when its middle is copper).
    std::vector<std::vector<QPointF>> contours() const
    {
        auto value = [&](int i, int j) { return f[size_t(j) * nx + i]; };
        // Edge ids: 2 * corner + 0 for the edge to the right of the corner,
        // + 1 for the edge above it.
        auto crossing = [&](int64_t id) {
            const int64_t c = id / 2;
            const int i = int(c % nx), j = int(c / nx);
            const bool up = id % 2;
            const float a = value(i, j), b = up ? value(i, j + 1) : value(i + 1, j);
            const double t = double(a) / double(a - b);
            return up ? QPointF(x0 + i * step, y0 + (j + t) * step) : QPointF(x0 + (i + t) * step, y0 + j * step);
        };
        std::vector<int64_t> next(size_t(nx) * size_t(ny) * 2, -1);
        std::vector<int64_t> starts;
        for (int j = 0; j + 1 < ny; ++j)
            for (int i = 0; i + 1 < nx; ++i) {
                // Corners and edges counter-clockwise from the lower left.
                const float v[4] = {value(i, j), value(i + 1, j), value(i + 1, j + 1), value(i, j + 1)};
                const bool in[4] = {v[0] > 0, v[1] > 0, v[2] > 0, v[3] > 0};
                if (in[0] == in[1] && in[1] == in[2] && in[2] == in[3])
                    continue;
                const int64_t base = int64_t(j) * nx + i;
                const int64_t edge[4] = {2 * base, 2 * (base + 1) + 1, 2 * (base + nx), 2 * base + 1};
                int leaving[2], entering[2], nl = 0, ne = 0;
                for (int k = 0; k < 4; ++k) {
                    if (in[k] && !in[(k + 1) % 4])
                        leaving[nl++] = k;
                    else if (!in[k] && in[(k + 1) % 4])
                        entering[ne++] = k;
                }
                if (nl == 1) {
                    next[size_t(edge[leaving[0]])] = edge[entering[0]];
                    starts.push_back(edge[leaving[0]]);
                } else {
                    const bool joined = (v[0] + v[1] + v[2] + v[3]) > 0;
                    for (int n = 0; n < 2; ++n) {
                        const int k = leaving[n];
                        next[size_t(edge[k])] = edge[(k + (joined ? 1 : 3)) % 4];
                        starts.push_back(edge[k]);
                    }
                }
            }
        std::vector<std::vector<QPointF>> out;
        for (int64_t s : starts) {
            if (next[size_t(s)] < 0)
                continue;
            std::vector<QPointF> loop;
            for (int64_t e = s; e >= 0 && next[size_t(e)] >= 0;) {
                loop.push_back(crossing(e));
                const int64_t n = next[size_t(e)];
                next[size_t(e)] = -1;
                e = n;
            }
            out.push_back(std::move(loop));
        }
        return out;
    }
};

double pointLineDistance(QPointF p, QPointF a, QPointF b)
{
    const double dx = b.x() - a.x(), dy = b.y() - a.y(), len = std::hypot(dx, dy);
    if (len == 0)
        return std::hypot(p.x() - a.x(), p.y() - a.y());
    return std::abs((p.x() - a.x()) * dy - (p.y() - a.y()) * dx) / len;
}

// Douglas-Peucker on a closed loop, split at its first point and the point
// farthest from it.
std::vector<QPointF> simplifyLoop(const std::vector<QPointF>& loop, double tolerance)
{
    const size_t n = loop.size();
    if (n < 8)
        return loop;
    size_t far = 0;
    double farDistance = -1;
    for (size_t i = 1; i < n; ++i) {
        const double d = std::hypot(loop[i].x() - loop[0].x(), loop[i].y() - loop[0].y());
        if (d > farDistance)
            farDistance = d, far = i;
    }
    std::vector<char> keep(n, 0);
    keep[0] = keep[far] = 1;
    std::vector<std::pair<size_t, size_t>> stack{{0, far}, {far, n}};
    while (!stack.empty()) {
        const auto [a, b] = stack.back();
        stack.pop_back();
        const QPointF pa = loop[a], pb = loop[b % n];
        double worst = 0;
        size_t at = 0;
        for (size_t i = a + 1; i < b; ++i) {
            const double d = pointLineDistance(loop[i], pa, pb);
            if (d > worst)
                worst = d, at = i;
        }
        if (worst > tolerance) {
            keep[at] = 1;
            stack.push_back({a, at});
            stack.push_back({at, b});
        }
    }
    std::vector<QPointF> out;
    for (size_t i = 0; i < n; ++i)
        if (keep[i])
            out.push_back(loop[i]);
    return out;
}

double loopArea(const std::vector<QPointF>& pts)
{
    double sum = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        const QPointF a = pts[i], b = pts[(i + 1) % pts.size()];
        sum += a.x() * b.y() - a.y() * b.x();
    }
    return sum / 2;
}

// One pad of a footprint, in its own coordinates. side: the row it sits in
// (+1 upper, -1 lower), so the way its net leaves.
struct PadSpec {
    double x, y, w, h; // h: the size across the row, w along it (diameter for round pads)
    bool round, throughHole;
    int side;
};

struct PlacedFootprint {
    std::string ref, package, partType, value;
    double x, y;        // placement
    int row, column;    // grid cell; -1 for mounting holes
    double bodyW, bodyH; // silkscreen outline
    std::vector<PadSpec> pads;
    std::vector<char> used; // pads taken by a net
};

struct Interval {
    double lo, hi;
};

bool overlaps(const std::vector<Interval>& taken, double lo, double hi)
{
    for (const Interval& t : taken)
        if (lo < t.hi && t.lo < hi)
            return true;
    return false;
}

// A vertical run on the bottom layer inside a channel: x and its y range.
struct VerticalRun {
    double x, y0, y1;
};

struct RoutedNet {
    std::string name;
    double width;
    std::vector<std::pair<int, std::pair<QPointF, QPointF>>> tracks; // layer, ends
    std::vector<QPointF> vias;
};

constexpr int kTop = 5, kBottom = 8;
constexpr double kViaDiameter = 0.024, kViaHole = 0.012;

const char* const kPourLayers[14][3] = {
    // name, colour, extra attributes
    {"Top Background", "64,64,64", "visible=\"false\""},
    {"Top Package", "140,140,150", "visible=\"false\""},
    {"Top Solder Paste", "190,190,190", "visible=\"false\""},
    {"Top Silkscreen", "255,255,255", "fixedColor=\"true\""},
    {"Top Solder Mask", "60,20,110,50", "visible=\"false\""},
    {"Top Copper", "205,120,40", "fixedColor=\"true\" electrical=\"true\""},
    {"Inner 1 GND", "90,170,90", "fixedColor=\"true\" electrical=\"true\" visible=\"false\""},
    {"Inner 2 Power", "170,90,170", "fixedColor=\"true\" electrical=\"true\" visible=\"false\""},
    {"Bottom Copper", "60,110,200", "fixedColor=\"true\" electrical=\"true\""},
    {"Bottom Solder Mask", "60,20,110,50", "visible=\"false\""},
    {"Bottom Silkscreen", "220,220,220", "fixedColor=\"true\""},
    {"Bottom Solder Paste", "190,190,190", "visible=\"false\""},
    {"Bottom Package", "140,140,150", "visible=\"false\""},
    {"Bottom Background", "64,64,64", "visible=\"false\""},
};

} // namespace

QByteArray generatePourBoardXml(const PourBoardLayout& layout)
{
    std::mt19937 rng(layout.seed);
    auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, std::max(0, n - 1))(rng); };

    const int columns = std::clamp(layout.columns, 1, 100), rows = std::clamp(layout.rows, 1, 100);
    const double margin = 0.35, pitchX = 1.0, pitchY = 0.78;
    const double width = 2 * margin + columns * pitchX, height = 2 * margin + rows * pitchY;
    const double laneEdge = 0.25;   // lanes keep this far from the board edge
    const double fanout = 0.23;     // pads and their fan-out vias reach this far from a row's middle
    const double lanePitch = 0.03;
    auto rowY = [&](int r) { return margin + (r + 0.5) * pitchY; };
    auto cellX = [&](int c) { return margin + c * pitchX; };

    // Outline: a rectangle with notches (slots in the lower edge, a bay on the
    // right, a cut-out in the upper edge).
    const Box board{0, 0, width, height};
    const double slotA = width * 0.25, slotB = width * 0.75, bayY = height / 2, cutX = width / 2;
    const std::vector<Box> notches{{slotA - 0.1, -1, slotA + 0.1, 0.15},
                                   {slotB - 0.1, -1, slotB + 0.1, 0.15},
                                   {width - 0.12, bayY - 0.3, width + 1, bayY + 0.3},
                                   {cutX - 0.5, height - 0.15, cutX + 0.5, height + 1}};
    const std::vector<QPointF> outline{{0, 0}, {slotA - 0.1, 0}, {slotA - 0.1, 0.15}, {slotA + 0.1, 0.15}, {slotA + 0.1, 0},
                                       {slotB - 0.1, 0}, {slotB - 0.1, 0.15}, {slotB + 0.1, 0.15}, {slotB + 0.1, 0},
                                       {width, 0}, {width, bayY - 0.3}, {width - 0.12, bayY - 0.3}, {width - 0.12, bayY + 0.3},
                                       {width, bayY + 0.3}, {width, height}, {cutX + 0.5, height}, {cutX + 0.5, height - 0.15},
                                       {cutX - 0.5, height - 0.15}, {cutX - 0.5, height}, {0, height}};

    // Footprints: one part and one passive per cell, mounting holes at the corners.
    std::vector<PlacedFootprint> parts;
    int ics = 0, connectors = 0, resistors = 0, capacitors = 0;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            PlacedFootprint main;
            main.row = r, main.column = c;
            main.x = cellX(c) + 0.33, main.y = rowY(r);
            const double kind = uniform(0, 1);
            int perRow;
            double pitch, across, w, h;
            bool th = false;
            if (kind < 0.55) {
                th = true;
                perRow = 4 + pick(3);
                pitch = 0.1, across = 0.15, w = h = 0.065;
                main.ref = "J" + std::to_string(++connectors);
                main.package = "HDR-2x" + std::to_string(perRow);
                main.partType = "Connector";
                main.value = "HEADER";
                main.bodyW = perRow * pitch + 0.04, main.bodyH = 0.4;
            } else if (kind < 0.85) {
                perRow = 10 + 2 * pick(4);
                pitch = 0.026, across = 0.12, w = 0.014, h = 0.06;
                main.ref = "U" + std::to_string(++ics);
                main.package = "TSSOP-" + std::to_string(2 * perRow);
                main.partType = "IC";
                main.value = pick(2) ? "STM32F0" : "74HC595";
                main.bodyW = perRow * pitch + 0.02, main.bodyH = 0.17;
            } else {
                perRow = pick(2) ? 4 : 7;
                pitch = 0.05, across = 0.13, w = 0.024, h = 0.06;
                main.ref = "U" + std::to_string(++ics);
                main.package = "SOIC-" + std::to_string(2 * perRow);
                main.partType = "IC";
                main.value = perRow == 4 ? "LM358" : "LM324";
                main.bodyW = perRow * pitch + 0.02, main.bodyH = 0.19;
            }
            for (int side : {-1, 1})
                for (int i = 0; i < perRow; ++i)
                    main.pads.push_back({(i - (perRow - 1) / 2.0) * pitch * (side < 0 ? 1 : -1), side * across, w, h, th, th, side});
            parts.push_back(std::move(main));

            PlacedFootprint passive;
            passive.row = r, passive.column = c;
            passive.x = cellX(c) + 0.72, passive.y = rowY(r);
            if (pick(2)) {
                passive.ref = "R" + std::to_string(++resistors);
                passive.package = "AXIAL-0.3";
                passive.partType = "Resistor";
                passive.value = pick(2) ? "10k" : "4k7";
                passive.bodyW = 0.09, passive.bodyH = 0.22;
                for (int side : {-1, 1})
                    passive.pads.push_back({0, side * 0.15, 0.06, 0.06, true, true, side});
            } else {
                passive.ref = "C" + std::to_string(++capacitors);
                passive.package = "0603";
                passive.partType = "Capacitor";
                passive.value = pick(2) ? "100n" : "1u";
                passive.bodyW = 0.07, passive.bodyH = 0.13;
                for (int side : {-1, 1})
                    passive.pads.push_back({0, side * 0.035, 0.035, 0.03, false, false, side});
            }
            parts.push_back(std::move(passive));
        }
    const QPointF holes[4] = {{0.13, 0.13}, {width - 0.13, 0.13}, {width - 0.13, height - 0.13}, {0.13, height - 0.13}};
    for (int i = 0; i < 4; ++i) {
        PlacedFootprint hole;
        hole.ref = "MH" + std::to_string(i + 1);
        hole.package = "HOLE-3.2";
        hole.partType = "Mounting Hole";
        hole.value = "M3";
        hole.row = hole.column = -1;
        hole.x = holes[i].x(), hole.y = holes[i].y();
        hole.bodyW = hole.bodyH = 0;
        hole.pads.push_back({0, 0, 0.16, 0.16, true, true, 0});
        parts.push_back(std::move(hole));
    }
    for (PlacedFootprint& p : parts)
        p.used.assign(p.pads.size(), 0);

    // Channels: horizontal channel k lies below row k (k == rows: above the
    // last row) and carries top-layer lanes; column channel j lies left of
    // column j and carries bottom-layer lanes.
    std::vector<std::vector<double>> laneYs(size_t(rows) + 1), laneXs(size_t(columns) + 1);
    for (int k = 0; k <= rows; ++k) {
        const double lo = k == 0 ? laneEdge : rowY(k - 1) + fanout + 0.02;
        const double hi = k == rows ? height - laneEdge : rowY(k) - fanout - 0.02;
        for (double y = lo + lanePitch / 2; y <= hi - lanePitch / 2 + 1e-9; y += lanePitch)
            laneYs[size_t(k)].push_back(y);
    }
    for (int j = 0; j <= columns; ++j) {
        const double lo = j == 0 ? laneEdge : cellX(j - 1) + 0.79;
        const double hi = j == columns ? width - laneEdge : cellX(j) + 0.02;
        for (double x = lo + lanePitch / 2; x <= hi - lanePitch / 2 + 1e-9; x += lanePitch)
            laneXs[size_t(j)].push_back(x);
    }
    // What is taken: per lane the x (or y) intervals, per horizontal channel
    // the vertical runs.
    std::vector<std::vector<std::vector<Interval>>> laneTaken(size_t(rows) + 1), columnTaken(size_t(columns) + 1);
    for (int k = 0; k <= rows; ++k)
        laneTaken[size_t(k)].resize(laneYs[size_t(k)].size());
    for (int j = 0; j <= columns; ++j)
        columnTaken[size_t(j)].resize(laneXs[size_t(j)].size());
    std::vector<std::vector<VerticalRun>> runs(size_t(rows) + 1);
    const double runSpacing = 0.05, viaReach = kViaDiameter / 2 + 0.01;

    auto runFree = [&](int k, double x, double ya, double yb) {
        const double lo = std::min(ya, yb) - viaReach, hi = std::max(ya, yb) + viaReach;
        for (const VerticalRun& v : runs[size_t(k)])
            if (std::abs(v.x - x) < runSpacing && lo < v.y1 && v.y0 < hi)
                return false;
        return true;
    };

    // Where a pad's net leaves it: the point its bottom-layer run starts from
    // (the pad itself when it goes through the board, else a fan-out via).
    struct PadEnd {
        QPointF pad, start;
        bool throughHole;
        int channel;
    };
    auto padEnd = [&](const PlacedFootprint& fp, size_t i) {
        const PadSpec& p = fp.pads[i];
        PadEnd e;
        e.pad = QPointF(fp.x + p.x, fp.y + p.y);
        e.throughHole = p.throughHole;
        e.start = p.throughHole ? e.pad : e.pad + QPointF(0, p.side * (p.h / 2 + 0.03));
        e.channel = fp.row + (p.side > 0 ? 1 : 0);
        return e;
    };

    const double widths[] = {0.006, 0.008, 0.008, 0.01, 0.012, 0.016};
    std::vector<RoutedNet> nets;
    std::vector<int> partsWithNets;
    for (size_t i = 0; i < parts.size(); ++i)
        if (parts[i].row >= 0)
            partsWithNets.push_back(int(i));

    auto addRun = [](RoutedNet& net, int layer, QPointF a, QPointF b) {
        // Long runs are stored as several two-point tracks, as routed boards are.
        const int pieces = std::max(1, int(std::ceil(std::hypot(b.x() - a.x(), b.y() - a.y()) / 0.1)));
        for (int i = 0; i < pieces; ++i)
            net.tracks.push_back({layer, {a + (b - a) * (double(i) / pieces), a + (b - a) * (double(i + 1) / pieces)}});
    };

    const int wanted = std::max(0, layout.nets);
    for (int attempt = 0; attempt < wanted * 60 && int(nets.size()) < wanted; ++attempt) {
        PlacedFootprint& a = parts[size_t(partsWithNets[size_t(pick(int(partsWithNets.size())))])];
        const size_t pa = size_t(pick(int(a.pads.size())));
        if (a.used[pa])
            continue;
        const PadEnd ea = padEnd(a, pa);
        // Mostly a neighbour across the same channel; otherwise one a row or
        // two away, reached through a column channel.
        int rowB, colB = std::clamp(a.column + pick(5) - 2, 0, columns - 1);
        const bool sameChannel = uniform(0, 1) < 0.6;
        if (sameChannel)
            rowB = pick(2) ? ea.channel - 1 : ea.channel;
        else
            rowB = a.row + (pick(2) ? 1 : -1) * (1 + pick(2));
        if (rowB < 0 || rowB >= rows)
            continue;
        PlacedFootprint& b = parts[size_t(rowB * columns + colB) * 2 + size_t(pick(3) == 0)];
        const size_t pb = size_t(pick(int(b.pads.size())));
        if (&a == &b && pa == pb)
            continue;
        if (b.used[pb])
            continue;
        const PadEnd eb = padEnd(b, pb);
        if (sameChannel && eb.channel != ea.channel)
            continue;
        if (std::abs(eb.pad.x() - ea.pad.x()) < 0.1)
            continue;

        RoutedNet net;
        net.name = "N" + std::to_string(nets.size() + 1);
        net.width = widths[pick(6)];
        // A free lane in channel k for a run from x0 to x1 whose end at
        // fromX drops in from start (the pad end).
        auto laneFor = [&](int k, double fromX, double startY, double x0, double x1) -> int {
            const auto& ys = laneYs[size_t(k)];
            std::vector<int> order(ys.size());
            for (size_t i = 0; i < order.size(); ++i)
                order[i] = int(i);
            std::shuffle(order.begin(), order.end(), rng);
            for (int li : order)
                if (!overlaps(laneTaken[size_t(k)][size_t(li)], std::min(x0, x1) - 0.03, std::max(x0, x1) + 0.03)
                    && runFree(k, fromX, startY, ys[size_t(li)]))
                    return li;
            return -1;
        };
        auto takeLane = [&](int k, int li, double x0, double x1) {
            laneTaken[size_t(k)][size_t(li)].push_back({std::min(x0, x1) - 0.03, std::max(x0, x1) + 0.03});
        };
        auto drop = [&](const PadEnd& e, int k, double laneY) {
            // pad -> (fan-out via) -> bottom run -> via on the lane
            if (!e.throughHole) {
                addRun(net, kTop, e.pad, e.start);
                net.vias.push_back(e.start);
            }
            addRun(net, kBottom, e.start, QPointF(e.start.x(), laneY));
            net.vias.push_back(QPointF(e.start.x(), laneY));
            runs[size_t(k)].push_back({e.start.x(), std::min(e.start.y(), laneY) - viaReach, std::max(e.start.y(), laneY) + viaReach});
        };

        const double xa = ea.start.x(), xb = eb.start.x();
        if (ea.channel == eb.channel) {
            const int k = ea.channel;
            const int li = laneFor(k, xa, ea.start.y(), xa, xb);
            if (li < 0)
                continue;
            const double y = laneYs[size_t(k)][size_t(li)];
            if (!runFree(k, xb, eb.start.y(), y))
                continue;
            takeLane(k, li, xa, xb);
            drop(ea, k, y);
            drop(eb, k, y);
            addRun(net, kTop, QPointF(xa, y), QPointF(xb, y));
        } else {
            // Through a column channel between (or beside) the two parts.
            const int lo = std::min(a.column, b.column), hi = std::max(a.column, b.column);
            const int j = lo == hi ? lo + pick(2) : lo + 1 + pick(hi - lo);
            bool routed = false;
            for (size_t ci = 0; ci < laneXs[size_t(j)].size() && !routed; ++ci) {
                const size_t cj = (ci + size_t(attempt)) % laneXs[size_t(j)].size();
                const double xc = laneXs[size_t(j)][cj];
                const int la = laneFor(ea.channel, xa, ea.start.y(), xa, xc);
                if (la < 0)
                    break;
                const int lb = laneFor(eb.channel, xb, eb.start.y(), xb, xc);
                if (lb < 0)
                    break;
                const double ya = laneYs[size_t(ea.channel)][size_t(la)], yb = laneYs[size_t(eb.channel)][size_t(lb)];
                if (overlaps(columnTaken[size_t(j)][cj], std::min(ya, yb) - 0.03, std::max(ya, yb) + 0.03))
                    continue;
                takeLane(ea.channel, la, xa, xc);
                takeLane(eb.channel, lb, xb, xc);
                columnTaken[size_t(j)][cj].push_back({std::min(ya, yb) - 0.03, std::max(ya, yb) + 0.03});
                drop(ea, ea.channel, ya);
                drop(eb, eb.channel, yb);
                addRun(net, kTop, QPointF(xa, ya), QPointF(xc, ya));
                net.vias.push_back(QPointF(xc, ya));
                addRun(net, kBottom, QPointF(xc, ya), QPointF(xc, yb));
                net.vias.push_back(QPointF(xc, yb));
                addRun(net, kTop, QPointF(xc, yb), QPointF(xb, yb));
                routed = true;
            }
            if (!routed)
                continue;
        }
        a.used[pa] = 1;
        b.used[pb] = 1;
        nets.push_back(std::move(net));
    }

    // The pours: ground on both outer layers, cleared around the copper of
    // every other net on their layer.
    const double edgeClearance = 0.025, clearance = layout.clearance;
    const double step = std::clamp(layout.pourStep, 0.0005, 0.05);
    PourField topField(board, notches, edgeClearance, step), bottomField(board, notches, edgeClearance, step);
    for (const PlacedFootprint& fp : parts)
        for (const PadSpec& p : fp.pads) {
            const Obstacle o = p.round ? Obstacle{Obstacle::disc, fp.x + p.x, fp.y + p.y, 0, 0, p.w / 2}
                                       : Obstacle{Obstacle::rect, fp.x + p.x, fp.y + p.y, p.w / 2, p.h / 2, 0};
            topField.clear(o, clearance);
            if (p.throughHole)
                bottomField.clear(o, clearance);
        }
    for (const RoutedNet& net : nets) {
        for (const QPointF& v : net.vias) {
            const Obstacle o{Obstacle::disc, v.x(), v.y(), 0, 0, kViaDiameter / 2};
            topField.clear(o, clearance);
            bottomField.clear(o, clearance);
        }
        for (const auto& [layer, ends] : net.tracks) {
            const Obstacle o{Obstacle::segment, ends.first.x(), ends.first.y(), ends.second.x(), ends.second.y(), net.width / 2};
            (layer == kTop ? topField : bottomField).clear(o, clearance);
        }
    }
    // Stitching vias of the ground net where both pours have room for them.
    std::vector<QPointF> stitches;
    for (int attempt = 0; attempt < layout.stitchingVias * 40 && int(stitches.size()) < layout.stitchingVias; ++attempt) {
        const QPointF p(uniform(0, width), uniform(0, height));
        const double room = kViaDiameter / 2 + 0.02;
        if (topField.at(p.x(), p.y()) < room || bottomField.at(p.x(), p.y()) < room)
            continue;
        bool crowded = false;
        for (const QPointF& q : stitches)
            crowded = crowded || std::hypot(p.x() - q.x(), p.y() - q.y()) < 0.12;
        if (!crowded)
            stitches.push_back(p);
    }

    // ------------------------------------------------------------- writing
    std::string s;
    s.reserve(8 << 20);
    s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<brindlex version=\"12\" designVersion=\"1\">\n<design>\n";
    s += "<sheets><schematic/></sheets>\n<pcb>\n<layers>\n";
    for (const auto& l : kPourLayers)
        s += std::string("<layer name=\"") + l[0] + "\" color=\"" + l[1] + "\" " + l[2] + "/>\n";
    s += "</layers>\n<entities>\n";
    auto putPoints = [&](const std::vector<QPointF>& pts) {
        for (size_t i = 0; i < pts.size(); ++i) {
            if (i)
                s += ' ';
            putPoint(s, pts[i].x(), pts[i].y());
        }
    };
    s += "<pcbBorder curveType=\"curve\" style=\"straight\" closed=\"true\" points=\"";
    putPoints(outline);
    s += "\" x=\"0\" y=\"0\" width=\"";
    put(s, width);
    s += "\" height=\"";
    put(s, height);
    s += "\" penWidth=\"0.01\" penColor=\"230,230,0\" color=\"170,10,60,25\"/>\n";

    const double tolerance = std::max(0.0, layout.pourTolerance);
    for (const auto* field : {&topField, &bottomField}) {
        const bool top = field == &topField;
        s += top ? "<copperPour identifier=\"GND top\" layer=\"5\"" : "<copperPour identifier=\"GND bottom\" layer=\"8\"";
        s += " signalName=\"GND\" curveType=\"curve\" style=\"straight\" closed=\"true\" x=\"0.02\" y=\"0.02\" width=\"";
        put(s, width - 0.04);
        s += "\" height=\"";
        put(s, height - 0.04);
        s += "\" points=\"";
        putPoints({{0.02, 0.02}, {width - 0.02, 0.02}, {width - 0.02, height - 0.02}, {0.02, height - 0.02}});
        s += "\" penWidth=\"0\" steps=\"16\" addThermalRelief=\"true\">\n<fill>\n";
        for (const std::vector<QPointF>& raw : field->contours()) {
            const std::vector<QPointF> loop = simplifyLoop(raw, tolerance);
            const double area = loopArea(loop);
            if (loop.size() < 3 || std::abs(area) < step * step)
                continue; // too small to show
            s += area < 0 ? "<polygon isHole=\"true\">" : "<polygon>";
            for (const QPointF& p : loop) {
                s += "<vertex at=\"";
                putPoint(s, p.x(), p.y());
                s += "\"/>";
            }
            s += "</polygon>\n";
        }
        s += "</fill>\n</copperPour>\n";
    }

    int padId = 0;
    for (const PlacedFootprint& fp : parts) {
        s += "<footprint identifier=\"" + fp.ref + "\" package=\"" + fp.package + "\" partType=\"" + fp.partType
             + "\" onTopLayer=\"true\" dx=\"";
        put(s, fp.x);
        s += "\" dy=\"";
        put(s, fp.y);
        s += "\"><entities>\n";
        for (size_t i = 0; i < fp.pads.size(); ++i) {
            const PadSpec& p = fp.pads[i];
            for (int layer : {kTop, kTop + 1, kTop + 2, kBottom}) {
                if (!p.throughHole && layer != kTop)
                    continue;
                s += "<pad id=\"" + std::to_string(++padId) + "\" name=\"" + std::to_string(i + 1) + "\" layer=\""
                     + std::to_string(layer) + "\" at=\"";
                putPoint(s, p.x, p.y);
                if (p.round) {
                    s += "\" diameter=\"";
                    put(s, p.w);
                    s += "\" curveType=\"ellipse";
                } else {
                    s += "\" size=\"";
                    putPoint(s, p.w, p.h);
                    s += "\" roundness=\"0.2";
                }
                if (p.throughHole) {
                    s += "\" holeDiameter=\"";
                    put(s, p.w * 0.55);
                }
                s += p.throughHole ? "\" smt=\"false\"" : "\" smt=\"true\"";
                s += " brushColor=\"200,140,30\" penWidth=\"0\"/>\n";
            }
        }
        if (fp.bodyW > 0) {
            // Reference above the outline, value inside it.
            const bool small = fp.bodyW < 0.15;
            s += "<footprintId text=\"" + fp.ref + "\" layer=\"3\" at=\"";
            putPoint(s, small ? 0.0 : -fp.bodyW / 2 + 0.02, small ? fp.bodyH / 2 + 0.04 : 0.03);
            s += small ? "\" alignment=\"middleCenter\"" : "\" alignment=\"middleLeft\"";
            s += " height=\"0.035\" brushColor=\"255,255,255\" visibleInPcb=\"true\"/>\n";
            s += "<footprintPartValue text=\"" + fp.value + "\" layer=\"3\" at=\"";
            putPoint(s, small ? 0.0 : -fp.bodyW / 2 + 0.02, small ? -fp.bodyH / 2 - 0.04 : -0.03);
            s += small ? "\" alignment=\"middleCenter\"" : "\" alignment=\"middleLeft\"";
            s += " height=\"0.03\" brushColor=\"255,255,255\" showInPcb=\"true\"/>\n";
            s += "<silkscreen layer=\"3\" shape=\"rectangle\" x=\"";
            put(s, -fp.bodyW / 2);
            s += "\" y=\"";
            put(s, -fp.bodyH / 2);
            s += "\" width=\"";
            put(s, fp.bodyW);
            s += "\" height=\"";
            put(s, fp.bodyH);
            s += "\" penWidth=\"0.007\" penColor=\"255,255,255\" lockedTo=\"none\"";
            s += fp.partType == "IC" ? " notchOnRight=\"left\"" : "";
            s += " visibleInPcb=\"true\"/>\n";
        }
        s += "</entities></footprint>\n";
    }

    auto putVia = [&](QPointF v) {
        s += "<via at=\"";
        putPoint(s, v.x(), v.y());
        s += "\" diameter=\"";
        put(s, kViaDiameter);
        s += "\" holeDiameter=\"";
        put(s, kViaHole);
        s += "\" topLayerIndex=\"5\" bottomLayerIndex=\"8\"/>\n";
    };
    for (const RoutedNet& net : nets) {
        s += "<net identifier=\"" + net.name + "\" width=\"";
        put(s, net.width);
        s += "\"><entities>\n";
        for (const auto& [layer, ends] : net.tracks) {
            s += "<track layer=\"" + std::to_string(layer) + "\"><vertices><vertex at=\"";
            putPoint(s, ends.first.x(), ends.first.y());
            s += "\"/><vertex at=\"";
            putPoint(s, ends.second.x(), ends.second.y());
            s += "\"/></vertices></track>\n";
        }
        for (const QPointF& v : net.vias)
            putVia(v);
        s += "</entities></net>\n";
    }
    s += "<net identifier=\"GND\" width=\"0.02\"><entities>\n";
    for (const QPointF& v : stitches)
        putVia(v);
    s += "</entities></net>\n";

    // Board silkscreen: a title block, marks at the slots and bay, labels.
    auto silkText = [&](const std::string& text, double x, double y, double h, const char* align) {
        s += "<text text=\"" + text + "\" layer=\"3\" at=\"";
        putPoint(s, x, y);
        s += "\" alignment=\"" + std::string(align) + "\" familyName=\"Arial\" height=\"";
        put(s, h);
        s += "\" brushColor=\"255,255,255\"/>\n";
    };
    auto silkLine = [&](double x0, double y0, double x1, double y1) {
        s += "<line layer=\"3\" start=\"";
        putPoint(s, x0, y0);
        s += "\" end=\"";
        putPoint(s, x1, y1);
        s += "\" penWidth=\"0.008\" penColor=\"255,255,255\"/>\n";
    };
    silkText("BRINDLEX POUR BOARD", cutX, height - 0.22, 0.06, "topCenter");
    silkText("REV C  4 LAYERS  1.6 MM", cutX, height - 0.3, 0.035, "topCenter");
    silkLine(cutX - 0.55, height - 0.36, cutX + 0.55, height - 0.36);
    for (double x : {slotA, slotB}) {
        silkLine(x - 0.14, 0.19, x + 0.14, 0.19);
        silkText("SLOT", x, 0.21, 0.03, "bottomCenter");
    }
    silkLine(width - 0.16, bayY - 0.34, width - 0.16, bayY + 0.34);
    silkText("BAY", width - 0.18, bayY, 0.03, "middleRight");
    for (int r = 0; r < rows; ++r)
        silkText(std::string(1, char('A' + r % 26)), 0.05, rowY(r), 0.05, "middleLeft");
    for (int c = 0; c < columns; ++c)
        silkText(std::to_string(c + 1), cellX(c) + 0.33, 0.04, 0.05, "bottomCenter");
    s += "</entities>\n</pcb>\n</design>\n</brindlex>\n";
    return QByteArray::fromStdString(s);
}

QByteArray generateRasterCurveXml(const RasterCurveLayout& layout)
{
    const int side = std::clamp(layout.side, 1, 1000);
    std::string s;
    s.reserve(size_t(side) * size_t(side) * 12 + 512);
    s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<brindlex version=\"12\" designVersion=\"1\">\n<design>\n"
         "<sheets>\n<schematic id=\"1\" name=\"Raster\">\n<settings showGrid=\"false\" showPage=\"false\"/>\n"
         "<entities>\n<curve style=\"smooth\" closed=\"true\" points=\"";
    char buf[64];
    for (int row = 0; row < side; ++row) {
        for (int k = 0; k < side; ++k) {
            const int n = std::snprintf(buf, sizeof buf, "%s%.7g,%.7g", row || k ? " " : "", k * layout.pitch,
                                        row * layout.pitch);
            s.append(buf, size_t(n));
        }
    }
    s += "\"/>\n</entities>\n</schematic>\n</sheets>\n</design>\n</brindlex>\n";
    return QByteArray::fromStdString(s);
}

const QByteArray& benchBoardXml(int kind)
{
    static QByteArray boards[2];
    QByteArray& b = boards[kind == pourBoard ? 1 : 0];
    if (b.isEmpty())
        b = kind == pourBoard ? generatePourBoardXml(PourBoardLayout()) : generateBoardXml(BoardLayout());
    return b;
}
