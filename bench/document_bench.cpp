// Reading and drawing a large generated board.

#include "Generator.h"

#include "core/Gzip.h"
#include "core/ReadWorkers.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "viewport/FrameRenderer.h"

#include <QImage>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <map>
#include <memory>
#include <pugixml.hpp>

namespace {

// Benchmark argument 0 picks the board: 0 the 5,000-footprint grid, 1 the
// routed four-layer board with its two ground pours.
const QByteArray& boardXml(int kind) { return benchBoardXml(kind); }

const QByteArray& boardFile(int kind)
{
    static std::map<int, QByteArray> cache;
    auto& b = cache[kind];
    if (b.isEmpty())
        b = QByteArray("Brindlex QEL") + gzipDeflate(boardXml(kind));
    return b;
}

// XML parsing alone: the floor under which loading cannot go.
void BM_ParseOnly(benchmark::State& state)
{
    const QByteArray& xml = boardXml(int(state.range(0)));
    for (auto _ : state) {
        pugi::xml_document doc;
        benchmark::DoNotOptimize(doc.load_buffer(xml.constData(), size_t(xml.size())));
    }
    state.SetBytesProcessed(state.iterations() * xml.size());
}
BENCHMARK(BM_ParseOnly)->ArgName("board")->Arg(gridBoard)->Arg(pourBoard)->Unit(benchmark::kMillisecond);

void BM_LoadPlain(benchmark::State& state)
{
    const QByteArray& xml = boardXml(int(state.range(0)));
    for (auto _ : state) {
        Design design;
        benchmark::DoNotOptimize(design.loadFromBytes(xml, "board"));
    }
}
BENCHMARK(BM_LoadPlain)->ArgName("board")->Arg(gridBoard)->Arg(pourBoard)->Unit(benchmark::kMillisecond);

void BM_LoadGzip(benchmark::State& state)
{
    const QByteArray& file = boardFile(int(state.range(0)));
    for (auto _ : state) {
        Design design;
        benchmark::DoNotOptimize(design.loadFromBytes(file, "board"));
    }
}
BENCHMARK(BM_LoadGzip)->ArgName("board")->Arg(gridBoard)->Arg(pourBoard)->Unit(benchmark::kMillisecond);

// The geometry pass (transforms and boxes of every entity) that follows a
// load before the first frame.
void BM_GeometryPass(benchmark::State& state)
{
    Design design;
    design.loadFromBytes(boardXml(int(state.range(0))), "board");
    PCB& pcb = *design.currentDesignState()->pcb;
    for (auto _ : state)
        pcb.updateGeometry();
}
BENCHMARK(BM_GeometryPass)->ArgName("board")->Arg(gridBoard)->Arg(pourBoard)->Unit(benchmark::kMillisecond);

// Everything from the plain bytes to a board ready to draw: the figure to
// hold against BM_ParseOnly.
void loadMeasured(benchmark::State& state, const QByteArray& bytes)
{
    for (auto _ : state) {
        Design design;
        benchmark::DoNotOptimize(design.loadFromBytes(bytes, "board"));
        design.currentDesignState()->pcb->updateGeometry();
    }
}

void BM_LoadPlainMeasured(benchmark::State& state) { loadMeasured(state, boardXml(int(state.range(0)))); }
BENCHMARK(BM_LoadPlainMeasured)->ArgName("board")->Arg(gridBoard)->Arg(pourBoard)->Unit(benchmark::kMillisecond);

// The same from the file as saved, compressed: inflating included.
void BM_LoadGzipMeasured(benchmark::State& state) { loadMeasured(state, boardFile(int(state.range(0)))); }
BENCHMARK(BM_LoadGzipMeasured)->ArgName("board")->Arg(gridBoard)->Arg(pourBoard)->Unit(benchmark::kMillisecond);

// The load's own steps alone (inflating when compressed is 1, parsing,
// reading, pad names, geometry pass): the design read is freed outside the
// timing, as one replaced in the viewer is not part of opening the next.
void BM_LoadReady(benchmark::State& state)
{
    const int board = int(state.range(0));
    const QByteArray& bytes = state.range(1) ? boardFile(board) : boardXml(board);
    for (auto _ : state) {
        auto design = std::make_unique<Design>();
        benchmark::DoNotOptimize(design->loadFromBytes(bytes, "board"));
        design->currentDesignState()->pcb->updateGeometry();
        state.PauseTiming();
        design.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadReady)
    ->ArgNames({"board", "compressed"})
    ->ArgsProduct({{gridBoard, pourBoard}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// The heap a loaded board holds once ready to draw (read, pad names and
// geometry pass done; the parsed XML released), against its XML size. Read
// on this thread alone: the heap statistics count this thread's arena only.
void BM_LoadedHeap(benchmark::State& state)
{
    const QByteArray& xml = boardXml(int(state.range(0)));
    ReadWorkers::setThreads(1);
    double held = 0;
    for (auto _ : state) {
        malloc_trim(0);
        const size_t before = mallinfo2().uordblks + mallinfo2().hblkhd;
        Design design;
        design.loadFromBytes(xml, "board");
        design.currentDesignState()->pcb->updateGeometry();
        held = double(mallinfo2().uordblks + mallinfo2().hblkhd) - double(before);
    }
    ReadWorkers::setThreads(0);
    state.counters["heap_MB"] = held / 1e6;
    state.counters["per_xml_byte"] = held / double(xml.size());
}
BENCHMARK(BM_LoadedHeap)->ArgName("board")->Arg(gridBoard)->Arg(pourBoard)->Unit(benchmark::kMillisecond)->Iterations(1);

// One full frame of the PCB sheet fitted into 1920 x 1080 (zoomed about its
// centre by the second argument / 10), drawn as the viewport draws it: in
// bands on the frame renderer's threads. A first frame, not timed, lays out
// the texts and paints the board fill that later frames keep, as on screen.
void BM_DrawPcbFitted(benchmark::State& state)
{
    Design design;
    design.loadFromBytes(boardXml(int(state.range(0))), "board");
    PCB& pcb = *design.currentDesignState()->pcb;
    pcb.updateGeometry();
    const BoundingBox box = pcb.entityList.boundingBox;
    const QSize size(1920, 1080);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    const double zoom = state.range(1) / 10.0;
    const double w = box.valid ? box.width() : 10, h = box.valid ? box.height() : 8;
    const double s = zoom * std::min(size.width() / (w * 1.1), size.height() / (h * 1.1));
    const QPointF c = box.valid ? box.center() : QPointF(5, 4);
    FrameRenderer::Frame frame;
    frame.view = QTransform(s, 0, 0, -s, size.width() / 2.0 - s * c.x(), size.height() / 2.0 + s * c.y());
    frame.size = QSizeF(size);
    frame.background = Qt::black;
    frame.pcb = true;
    const FrameRenderer renderer;
    renderer.render(pcb, frame, image);
    for (auto _ : state) {
        renderer.render(pcb, frame, image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_DrawPcbFitted)
    ->ArgNames({"board", "zoom10"})
    ->ArgsProduct({{gridBoard, pourBoard}, {10, 40, 200}})
   ->Unit(benchmark::kMillisecond);

} // namespace
