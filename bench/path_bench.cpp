// Huge paths in the drawing path: frames and picks of a design holding one
// closed smooth curve of a million points, and of a board whose two copper
// pours store about 150,000 vertices, at fitted zoom and zoomed in.
//
// Arguments: zoom factor, and whether each frame starts with nothing kept
// (the first frame of a new view, caches built inside it).

#include "core/PathDetail.h"
#include "document/Design.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QImage>
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

QByteArray designAround(const QByteArray& entities)
{
    return "<kestrel version=\"12\" designVersion=\"1\"><design name=\"huge paths\"><sheets/>"
           "<pcb id=\"100\" name=\"b\"><settings showPage=\"false\"/><entities>"
        + entities + "</entities></pcb></design></kestrel>";
}

QByteArray number(double v) { return QByteArray::number(v, 'f', 5); }

// A wobbly ring of `points` points as one closed smooth curve.
QByteArray hugeCurveXml(int points)
{
    QByteArray list;
    list.reserve(points * 20);
    for (int k = 0; k < points; ++k) {
        const double a = 2 * M_PI * k / points;
        const double r = 2 + 0.3 * std::sin(200 * a) + 0.05 * std::sin(5000 * a);
        list += number(4 + r * std::cos(a)) + ',' + number(3 + r * std::sin(a)) + ' ';
    }
    return designAround("<curve layer=\"6\" style=\"smooth\" closed=\"true\" tension=\"0.5\" penWidth=\"0.005\" "
                        "penColor=\"230,230,0\" brushColor=\"40,120,200\" points=\""
        + list + "\"/>");
}

// A pour over an 8 x 5 inch board: a wavy outline and a grid of round
// clearances of 48 vertices each.
QByteArray pourXml(int layer, int columns, int rows, double phase)
{
    const double w = 8, h = 5;
    QByteArray out = "<copperPour layer=\"" + QByteArray::number(layer)
        + "\" curveType=\"curve\" style=\"straight\" closed=\"true\" points=\"0.1,0.1 7.9,0.1 7.9,4.9 0.1,4.9\" "
          "penWidth=\"0\"><fill><polygon>";
    for (int side = 0; side < 4; ++side)
        for (int i = 0; i < 750; ++i) {
            const double t = i / 750.0, wave = 0.01 * std::sin(37 * t * 2 * M_PI + phase);
            const double x = side == 0 ? 0.1 + t * (w - 0.2) : side == 1 ? w - 0.1 + wave : side == 2 ? w - 0.1 - t * (w - 0.2) : 0.1 + wave;
            const double y = side == 0 ? 0.1 + wave : side == 1 ? 0.1 + t * (h - 0.2) : side == 2 ? h - 0.1 + wave : h - 0.1 - t * (h - 0.2);
            out += "<vertex at=\"" + number(x) + ',' + number(y) + "\"/>";
        }
    out += "</polygon>";
    const double dx = (w - 0.4) / columns, dy = (h - 0.4) / rows;
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            const double cx = 0.2 + (i + 0.5) * dx, cy = 0.2 + (j + 0.5) * dy;
            const double r = std::min(dx, dy) * (0.25 + 0.1 * std::sin(i * 1.3 + j + phase));
            out += "<polygon isHole=\"true\">";
            for (int k = 0; k < 48; ++k)
                out += "<vertex at=\"" + number(cx + r * std::cos(2 * M_PI * k / 48)) + ','
                    + number(cy + r * std::sin(2 * M_PI * k / 48)) + "\"/>";
            out += "</polygon>";
        }
    return out + "</fill></copperPour>";
}

enum class Kind { curve, pours };

struct HugeView {
    explicit HugeView(Kind kind)
    {
        const QByteArray xml = kind == Kind::curve ? hugeCurveXml(1'000'000)
                                                   : designAround(pourXml(6, 50, 30, 0) + pourXml(7, 45, 33, 1));
        Design::shared().loadFromBytes(xml, QStringLiteral("huge paths"));
        ViewModel::shared().sheetTransforms.clear();
        viewport = std::make_unique<Viewport2D>(true);
        viewport->resize(1920, 1080);
        viewport->fit();
        fitted = viewport->viewTransform();
    }
    std::unique_ptr<Viewport2D> viewport;
    QTransform fitted;
};

HugeView& hugeView(Kind kind)
{
    static std::unique_ptr<HugeView> view;
    static Kind loaded = Kind::curve;
    if (!view || loaded != kind) {
        view.reset();
        view = std::make_unique<HugeView>(kind);
        loaded = kind;
    }
    return *view;
}

void frame(benchmark::State& state, Kind kind)
{
    HugeView& v = hugeView(kind);
    v.viewport->setViewTransform(v.fitted);
    if (state.range(0) > 1)
        v.viewport->zoomAbout(QPointF(960, 540), double(state.range(0)));
    const bool fresh = state.range(1) != 0;
    QImage image(v.viewport->size(), QImage::Format_ARGB32_Premultiplied);
    v.viewport->render(&image);
    for (auto _ : state) {
        if (fresh)
            PathDetail::clearCache();
        v.viewport->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    v.viewport->setViewTransform(v.fitted);
}

void pick(benchmark::State& state, Kind kind)
{
    HugeView& v = hugeView(kind);
    v.viewport->setViewTransform(v.fitted);
    if (state.range(0) > 1)
        v.viewport->zoomAbout(QPointF(960, 540), double(state.range(0)));
    int i = 0, hits = 0;
    for (auto _ : state) {
        // Probes across the view, many of them near an edge of the outline.
        const QPointF at(17 + (i * 131) % 1900 + 0.5, 11 + (i * 97) % 1060 + 0.5);
        ++i;
        hits += v.viewport->entityAt(at) != nullptr;
    }
    state.counters["hitRate"] = double(hits) / double(std::max(i, 1));
    v.viewport->setViewTransform(v.fitted);
}

void BM_HugeCurveFrame(benchmark::State& state) { frame(state, Kind::curve); }
void BM_HugeCurvePick(benchmark::State& state) { pick(state, Kind::curve); }
void BM_PourBoardFrame(benchmark::State& state) { frame(state, Kind::pours); }
void BM_PourBoardPick(benchmark::State& state) { pick(state, Kind::pours); }

BENCHMARK(BM_HugeCurveFrame)->ArgNames({"zoom", "fresh"})->ArgsProduct({{1, 4, 20}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HugeCurvePick)->ArgNames({"zoom"})->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PourBoardFrame)->ArgNames({"zoom", "fresh"})->ArgsProduct({{1, 4, 20}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PourBoardPick)->ArgNames({"zoom"})->Arg(1)->Arg(20)->Unit(benchmark::kMicrosecond);

} // namespace
