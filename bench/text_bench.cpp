// Footprint texts on a large generated board: every footprint carries its
// reference and value, so a 5,000-footprint board draws 10,000 texts. The
// same board without texts gives the cost of everything else.

#include "Generator.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "core/TextMetrics.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "entities/drawing/TextEntity.h"
#include "viewport/FrameRenderer.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

struct Board {
    Design design;
    PCB* pcb = nullptr;
};

enum Content { noTexts, withTexts, textsOnly, footprintsOnly };

// The generated board; textsOnly keeps the footprints with nothing but their
// two texts (no pads, outlines, nets or border), and footprintsOnly the bare
// footprints, so that the difference of their frames is the texts' cost.
QByteArray boardXml(int footprints, Content content)
{
    BoardLayout layout;
    layout.footprints = footprints;
    layout.withTexts = content == withTexts || content == textsOnly;
    const QByteArray xml = generateBoardXml(layout);
    if (content == noTexts || content == withTexts)
        return xml;
    // Inside the sheet's entities only the footprints and their texts stay
    // (the generator writes one element per line).
    QByteArray out;
    bool inEntities = false;
    for (const QByteArray& line : xml.split('\n')) {
        const QByteArray t = line.trimmed();
        const bool keep = !inEntities || t == "</entities>" || t.startsWith("<footprint ") || t.startsWith("<footprintId ")
                          || t.startsWith("<footprintPartValue ") || t == "</entities></footprint>";
        if (t == "<entities>")
            inEntities = true;
        else if (t == "</entities>")
            inEntities = false;
        if (keep)
            out += line + '\n';
    }
    return out;
}

std::unique_ptr<Board> loadBoard(int footprints, Content content)
{
    auto b = std::make_unique<Board>();
    b->design.loadFromBytes(boardXml(footprints, content), QStringLiteral("board"));
    b->pcb = b->design.currentDesignState()->pcb.get();
    b->pcb->updateGeometry();
    return b;
}

// One loaded board per (footprints, content) pair, kept for the whole run.
Board& board(int footprints, Content content)
{
    static std::map<std::pair<int, Content>, std::unique_ptr<Board>> boards;
    auto& b = boards[{footprints, content}];
    if (!b)
        b = loadBoard(footprints, content);
    return *b;
}

// The view of the board fitted into 1920 x 1080, zoomed about its centre.
QTransform viewOf(const PCB& pcb, double zoom, QSize size)
{
    const BoundingBox box = pcb.entityList.boundingBox;
    const double w = box.valid ? box.width() : 10, h = box.valid ? box.height() : 8;
    const double s = zoom * std::min(size.width() / (w * 1.1), size.height() / (h * 1.1));
    const QPointF c = box.valid ? box.center() : QPointF(5, 4);
    return QTransform(s, 0, 0, -s, size.width() / 2.0 - s * c.x(), size.height() / 2.0 + s * c.y());
}

void drawFrame(PCB& pcb, QImage& image, const QTransform& view)
{
    FrameRenderer::Frame frame;
    frame.view = view;
    frame.size = QSizeF(image.size());
    frame.background = Qt::black;
    frame.pcb = true;
    FrameRenderer().render(pcb, frame, image);
    benchmark::DoNotOptimize(image.constBits());
}

// Args: footprints, content (0 no texts, 1 with texts, 2 texts only), zoom x
// 10, glyphs always (0/1).
void BM_DrawBoard(benchmark::State& state)
{
    Board& b = board(int(state.range(0)), Content(state.range(1)));
    const double zoom = double(state.range(2)) / 10;
    const double savedThreshold = TextEntity::glyphThresholdPixels;
    if (state.range(3))
        TextEntity::glyphThresholdPixels = 0;
    const QSize size(1920, 1080);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    const QTransform view = viewOf(*b.pcb, zoom, size);
    drawFrame(*b.pcb, image, view); // warm the layouts
    for (auto _ : state)
        drawFrame(*b.pcb, image, view);
    TextEntity::glyphThresholdPixels = savedThreshold;
}
BENCHMARK(BM_DrawBoard)
    ->ArgNames({"footprints", "content", "zoom10", "glyphsAlways"})
    ->Args({5000, noTexts, 10, 0})
    ->Args({5000, withTexts, 10, 0})
    ->Args({5000, footprintsOnly, 10, 0})
    ->Args({5000, textsOnly, 10, 0})
    ->Args({5000, textsOnly, 10, 1})
    ->Args({5000, textsOnly, 15, 0})
    ->Args({5000, textsOnly, 20, 0})
    ->Args({5000, textsOnly, 30, 0})
    ->Args({5000, footprintsOnly, 40, 0})
    ->Args({5000, textsOnly, 40, 0})
    ->Args({5000, footprintsOnly, 80, 0})
    ->Args({5000, textsOnly, 80, 0})
    ->Args({5000, textsOnly, 200, 0})
    ->Unit(benchmark::kMillisecond);

// The first frame after the texts were laid out anew: every text builds its
// runs (and the shared outline cache is cold).
void BM_DrawBoardColdLayout(benchmark::State& state)
{
    const int footprints = int(state.range(0));
    const QSize size(1920, 1080);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    const QTransform view = viewOf(*board(footprints, textsOnly).pcb, 8, size);
    for (auto _ : state) {
        state.PauseTiming();
        clearTextPathCache();
        // A fresh document is the only way to drop every text's own runs.
        auto fresh = std::make_unique<Board>();
        fresh->design.loadFromBytes(boardXml(footprints, textsOnly), QStringLiteral("board"));
        fresh->pcb = fresh->design.currentDesignState()->pcb.get();
        state.ResumeTiming();
        fresh->pcb->updateGeometry();
        drawFrame(*fresh->pcb, image, view);
        state.PauseTiming();
        fresh.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DrawBoardColdLayout)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The bounding-box pass over the whole board (runs after every edit).
void BM_BoardGeometry(benchmark::State& state)
{
    Board& b = board(int(state.range(0)), Content(state.range(1)));
    for (auto _ : state)
        b.pcb->updateGeometry();
}
BENCHMARK(BM_BoardGeometry)
    ->ArgNames({"footprints", "content"})
    ->Args({5000, noTexts})
    ->Args({5000, withTexts})
    ->Args({5000, textsOnly})
    ->Args({5000, footprintsOnly})->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// Distinct short texts shaped and measured with cold caches (glyph outlines
// included): the text share of a board's first geometry pass.
void BM_ShapeDistinctTexts(benchmark::State& state)
{
    QStringList texts;
    for (int i = 0; i < state.range(0); ++i)
        texts << QStringLiteral("U%1").arg(i + 1);
    Font font;
    font.height = 0.04;
    for (auto _ : state) {
        state.PauseTiming();
        clearTextPathCache();
        state.ResumeTiming();
        for (const QString& t : texts)
            benchmark::DoNotOptimize(textInkBounds(font, t));
    }
}
BENCHMARK(BM_ShapeDistinctTexts)->Arg(5000)->Unit(benchmark::kMillisecond);

// The same texts shaped ahead, as a sheet's geometry pass does first (on
// several threads).
void BM_PrepareDistinctTexts(benchmark::State& state)
{
    Font font;
    font.height = 0.04;
    std::vector<TextShapeRequest> texts;
    for (int i = 0; i < state.range(0); ++i)
        texts.push_back({font, QStringLiteral("U%1").arg(i + 1)});
    for (auto _ : state) {
        state.PauseTiming();
        clearTextPathCache();
        state.ResumeTiming();
        prepareTextShapes(texts);
    }
}
BENCHMARK(BM_PrepareDistinctTexts)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The outlines of shaped texts made for drawing, as each frame makes them
// for the texts it fills.
void BM_ComposeTextOutlines(benchmark::State& state)
{
    Font font;
    font.height = 0.04;
    std::vector<std::shared_ptr<const TextShape>> shapes;
    for (int i = 0; i < state.range(0); ++i)
        shapes.push_back(textShape(font, QStringLiteral("U%1").arg(i + 1)));
    for (auto _ : state)
        for (const auto& shape : shapes)
            benchmark::DoNotOptimize(shape->outline());
}
BENCHMARK(BM_ComposeTextOutlines)->Arg(5000)->Unit(benchmark::kMillisecond);

} // namespace
