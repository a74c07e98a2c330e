// Picking and the hover status line on a large generated board: both run on
// every click or mouse move and must stay far below one frame (16 ms).

#include "Generator.h"

#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "model/Entity.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

// The shared design holding a generated board, and a full-HD PCB viewport
// fitted to it (the state right after opening the file).
struct BoardView {
    explicit BoardView(int footprints)
    {
        BoardSpec spec;
        spec.footprints = footprints;
        Design::shared().loadFromBytes(generateBoardXml(spec), QStringLiteral("generated board"));
        ViewModel::shared().sheetTransforms.clear();
        viewport = std::make_unique<Viewport2D>(true);
        viewport->resize(1920, 1080);
        viewport->fit();
        // A grid of probe points over the view, so that hits and misses mix.
        for (int y = 0; y < 1080; y += 37)
            for (int x = 0; x < 1920; x += 41)
                probes.emplace_back(x + 0.5, y + 0.5);
    }
    std::unique_ptr<Viewport2D> viewport;
    std::vector<QPointF> probes;
};

BoardView& boardView(int footprints)
{
    static std::map<int, std::unique_ptr<BoardView>> views;
    auto& v = views[footprints];
    if (!v)
        v = std::make_unique<BoardView>(footprints);
    // Another size may have been loaded since: reload into the shared design.
    if (v->viewport->sheet()->entityList.entities.size() < size_t(footprints) / 2)
        v = std::make_unique<BoardView>(footprints);
    return *v;
}

void BM_PickFitted(benchmark::State& state)
{
    BoardView& board = boardView(int(state.range(0)));
    size_t i = 0, hits = 0;
    for (auto _ : state) {
        auto hit = board.viewport->entityAt(board.probes[i++ % board.probes.size()]);
        hits += hit != nullptr;
        benchmark::DoNotOptimize(hit);
    }
    state.counters["hitRate"] = double(hits) / double(state.iterations());
}
BENCHMARK(BM_PickFitted)->Arg(5000)->Unit(benchmark::kMicrosecond);

// Zoomed in 20 times about the middle: fewer entities in view, larger ones.
void BM_PickZoomed(benchmark::State& state)
{
    BoardView& board = boardView(int(state.range(0)));
    const QTransform fitted = board.viewport->viewTransform();
    board.viewport->zoomAbout(QPointF(960, 540), 20);
    size_t i = 0, hits = 0;
    for (auto _ : state) {
        auto hit = board.viewport->entityAt(board.probes[i++ % board.probes.size()]);
        hits += hit != nullptr;
        benchmark::DoNotOptimize(hit);
    }
    board.viewport->setViewTransform(fitted);
    state.counters["hitRate"] = double(hits) / double(state.iterations());
}
BENCHMARK(BM_PickZoomed)->Arg(5000)->Unit(benchmark::kMicrosecond);

// What a mouse move costs: the pick pass plus publishing the type name.
void BM_HoverStatus(benchmark::State& state)
{
    BoardView& board = boardView(int(state.range(0)));
    size_t i = 0;
    for (auto _ : state)
        board.viewport->updateStatusAt(board.probes[i++ % board.probes.size()]);
}
BENCHMARK(BM_HoverStatus)->Arg(5000)->Unit(benchmark::kMicrosecond);

// A full paint of the fitted board through the viewport's own paint handler.
void BM_ViewportPaint(benchmark::State& state)
{
    BoardView& board = boardView(int(state.range(0)));
    QImage image(board.viewport->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        board.viewport->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_ViewportPaint)->Arg(5000)->Unit(benchmark::kMillisecond);

} // namespace
