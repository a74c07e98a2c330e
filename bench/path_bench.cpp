// Huge paths in the drawing path: frames and picks of a design holding one
// closed smooth curve of a million points, and of the pour board (two copper
// pours storing about 150,000 vertices), at fitted zoom and zoomed in.
//
// Arguments: zoom factor, and whether each frame is the first after loading
// (nothing kept but what the geometry pass made; levels of detail are built
// inside it).

#include "Generator.h"

#include "core/PathDetail.h"
#include "document/Design.h"
#include "document/GraphicsSheet.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QImage>
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

QByteArray number(double v) { return QByteArray::number(v, 'f', 5); }

// A design holding only a seven-lobed ring of `points` points as one closed
// smooth curve, on the top copper of the pour board's layer stack.
QByteArray hugeCurveXml(int points)
{
    const QByteArray& board = benchBoardXml(pourBoard);
    const qsizetype pcb = board.indexOf("<pcb");
    const qsizetype entities = board.indexOf("<entities>", pcb) + qsizetype(sizeof("<entities>") - 1);
    const qsizetype end = board.lastIndexOf("</entities>");
    QByteArray list;
    list.reserve(points * 20);
    for (int k = 0; k < points; ++k) {
        const double a = 2 * M_PI * k / points;
        const double r = 2 + 0.3 * std::sin(7 * a);
        list += number(4 + r * std::cos(a)) + ',' + number(3 + r * std::sin(a)) + ' ';
    }
    return board.left(entities)
        + "<curve layer=\"5\" style=\"smooth\" closed=\"true\" tension=\"0.5\" penWidth=\"0.005\" "
          "penColor=\"230,230,0\" brushColor=\"40,120,200\" points=\""
        + list + "\"/>" + board.mid(end);
}

enum class Kind { curve, pours };

struct HugeView {
    explicit HugeView(Kind kind)
    {
        const QByteArray xml = kind == Kind::curve ? hugeCurveXml(1'000'000) : benchBoardXml(pourBoard);
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
        if (fresh) {
            // As after loading: nothing kept but what the geometry pass made.
            state.PauseTiming();
            PathDetail::clearCache();
            v.viewport->sheet()->updateGeometry();
            state.ResumeTiming();
        }
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
