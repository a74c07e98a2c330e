// Picking and the hover status line on a large generated board: both run on
// every click or mouse move and must stay far below one frame (16 ms). Paints
// of that board, and frames of wide pens on long curves at high zoom.

#include "BenchFrames.h"
#include "Generator.h"

#include "core/Graphics.h"
#include "core/Readers.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/GraphicsSheet.h"
#include "document/PCB.h"
#include "model/Entity.h"
#include "model/EntityFactory.h"
#include "model/EntityList.h"
#include "viewport/FrameRenderer.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <optional>
#include <vector>

namespace {

// Stand-ins for footprints and pads, used only while those entity kinds are
// not registered, so that the viewport's share of the cost is measured on a
// board of the same shape either way.
class StandInPad : public Entity {
public:
    using Entity::Entity;
    QRectF rect;
    void readXML(pugi::xml_node element) override
    {
        Entity::readXML(element);
        const QPointF at = readPointAttribute(element, "at", QPointF());
        const double d = readDoubleAttribute(element, "diameter", 0.05);
        const QSizeF size = readSizeAttribute(element, "size", QSizeF(d, d));
        rect = QRectF(at - QPointF(size.width() / 2, size.height() / 2), size);
    }
    void calculateBoundingBox() override { boundingBox.addTransformedRect(rect, netTransform); }
    void draw(Graphics& g) const override
    {
        g.context.saveState();
        g.context.setFillColor(g.effectiveColor(QColor(200, 40, 40)));
        g.context.beginPath();
        g.context.addRect(rect);
        g.context.fillPath();
        g.context.restoreState();
        Entity::draw(g);
    }
    QString typeName() const override { return QStringLiteral("Pad"); }
};

class StandInFootprint : public Entity, public IEntityHolder {
public:
    using Entity::Entity;
    EntityList children;
    void readXML(pugi::xml_node element) override
    {
        Entity::readXML(element);
        EntityList::readEntities(element, sheet, children);
    }
    void calculateBoundingBox() override { children.updateBoundingBox(netTransform, &boundingBox); }
    IEntityHolder* holder() override { return this; }
    const IEntityHolder* holder() const override { return this; }
    EntityList& entities() override { return children; }
    const EntityList& entities() const override { return children; }
    const std::optional<QTransform>& childTransform() const override { return singleLevelTransform; }
    QString typeName() const override { return QStringLiteral("Footprint"); }
};

bool footprintsRegistered()
{
    pugi::xml_document doc;
    Design design;
    return makeEntity(doc.append_child("footprint"), design.currentDesignState()->pcb.get()) != nullptr;
}

// The generated board; with stand-ins when the real kinds are missing.
// Benchmark argument 0 picks the board: 0 the 5,000-footprint grid, 1 the
// routed four-layer board with its two ground pours.
QByteArray boardXml(int kind, bool* standIns)
{
    QByteArray xml = benchBoardXml(kind);
    *standIns = !footprintsRegistered();
    if (*standIns) {
        registerEntity<StandInFootprint>("benchFootprint");
        registerEntity<StandInPad>("benchPad");
        xml.replace("<footprint ", "<benchFootprint ").replace("</footprint>", "</benchFootprint>").replace("<pad ", "<benchPad ");
    }
    return xml;
}

// The shared design holding a generated board, and a full-HD PCB viewport
// fitted to it (the state right after opening the file).
struct BoardView {
    explicit BoardView(int kind)
    {
        Design::shared().loadFromBytes(boardXml(kind, &standIns), QStringLiteral("generated board"));
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
    bool standIns = false;
};

BoardView& boardView(int kind)
{
    // One board at a time lives in the shared design.
    static std::unique_ptr<BoardView> view;
    static int loaded = -1;
    if (!view || loaded != kind) {
        view.reset();
        view = std::make_unique<BoardView>(kind);
        loaded = kind;
    }
    return *view;
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
    state.counters["standIns"] = board.standIns;
}
BENCHMARK(BM_PickFitted)->ArgName("board")->Arg(gridBoard)->Arg(pourBoard)->Unit(benchmark::kMicrosecond);

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
BENCHMARK(BM_PickZoomed)->ArgName("board")->Arg(gridBoard)->Arg(pourBoard)->Unit(benchmark::kMicrosecond);

// What a mouse move costs: the pick pass plus publishing the type name.
void BM_HoverStatus(benchmark::State& state)
{
    BoardView& board = boardView(int(state.range(0)));
    size_t i = 0;
    for (auto _ : state)
        board.viewport->updateStatusAt(board.probes[i++ % board.probes.size()]);
}
BENCHMARK(BM_HoverStatus)->ArgName("board")->Arg(gridBoard)->Arg(pourBoard)->Unit(benchmark::kMicrosecond);

// A full paint of the fitted board through the viewport's own paint handler
// (each one asked by a redraw request: an unchanged view shows its kept frame).
void BM_ViewportPaint(benchmark::State& state)
{
    BoardView& board = boardView(int(state.range(0)));
    QImage image(board.viewport->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        board.viewport->requestRedraw(Redraw::display);
        board.viewport->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_ViewportPaint)->ArgName("board")->Arg(gridBoard)->Arg(pourBoard)->Unit(benchmark::kMillisecond);

// A paint during a pan or wheel-zoom gesture: the kept frame moved by a few
// pixels, or scaled by one or two wheel notches, to the new view. Every frame
// moves the kept one (never back onto it), so each is a genuine gesture frame.
void BM_ViewportGesturePaint(benchmark::State& state)
{
    BoardView& board = boardView(int(state.range(0)));
    const bool zoom = state.range(1) != 0;
    QImage image(board.viewport->size(), QImage::Format_ARGB32_Premultiplied);
    const QTransform fitted = board.viewport->viewTransform();
    board.viewport->render(&image); // the frame the gesture starts from
    ViewModel::shared().setDraggingOrZooming(true);
    if (zoom)
        board.viewport->zoomAbout(QPointF(960, 540), 1.1);
    else
        board.viewport->pan(QPointF(3, 1));
    int i = 0, reused = 0;
    double paintMs = 0;
    for (auto _ : state) {
        if (zoom)
            board.viewport->zoomAbout(QPointF(960, 540), ++i % 2 ? 1.1 : 1 / 1.1);
        else
            board.viewport->pan(++i % 2 ? QPointF(3, 1) : QPointF(-3, -1));
        board.viewport->render(&image);
        benchmark::DoNotOptimize(image.constBits());
        reused += board.viewport->lastPaintReusedFrame();
        paintMs += board.viewport->lastPaintMilliseconds();
    }
    state.counters["reused"] = double(reused) / double(state.iterations());
    state.counters["paintMs"] = paintMs / double(state.iterations());
    ViewModel::shared().setDraggingOrZooming(false);
    board.viewport->setViewTransform(fitted);
}
BENCHMARK(BM_ViewportGesturePaint)->ArgNames({"board", "zoom"})->ArgsProduct({{gridBoard, pourBoard}, {0, 1}})->Unit(benchmark::kMillisecond);

// Wide pens on long curves seen at high zoom, where the stroke's outline
// reaches far past the view: a 60-point controlled curve in a 0.0285 pen at
// x151 on a schematic (argument 0), and a 60-point smooth board outline in a
// 0.06 pen at x45.7 (argument 1), both through the corners of a star that
// cross each other, zoomed about the first corner, in a 1920 x 1080 frame
// drawn in 2 bands (as on 2 cores) or in one per core (0).
QByteArray widePenXml(bool outline)
{
    QByteArray points, left, right;
    for (int i = 0; i < 60; ++i) {
        const double a = 2 * M_PI * i * 23 / 60, r = i % 2 ? 1.4 : 2;
        const QPointF at(3 + 1.4 * r * std::cos(a), 2 + r * std::sin(a));
        const QPointF along = 0.9 * QPointF(-std::sin(a + 1), std::cos(a + 1));
        auto add = [](QByteArray& list, QPointF p) {
            list += QByteArray::number(p.x(), 'f', 5) + ',' + QByteArray::number(p.y(), 'f', 5) + ' ';
        };
        add(points, at);
        add(left, at - along);
        add(right, at + along);
    }
    if (outline)
        return "<b version=\"12\"><design><sheets/><pcb><entities><pcbBorder curveType=\"curve\" style=\"smooth\" closed=\"true\" "
               "penWidth=\"0.06\" penColor=\"255,230,230,0\" points=\""
            + points.trimmed() + "\"/></entities></pcb></design></b>";
    return "<b version=\"12\"><design><sheets><schematic><settings showPage=\"false\"/><entities><curve style=\"controlled\" "
           "closed=\"false\" penWidth=\"0.0285\" penColor=\"255,20,20,160\" brushColor=\"0,0,0,0\" points=\""
        + points.trimmed() + "\" leftControls=\"" + left.trimmed() + "\" rightControls=\"" + right.trimmed()
        + "\"/></entities></schematic></sheets></design></b>";
}

void BM_WidePenHighZoom(benchmark::State& state)
{
    const bool outline = state.range(0) != 0;
    Design::shared().loadFromBytes(widePenXml(outline), QStringLiteral("wide pen"));
    Viewport2D viewport(outline);
    GraphicsSheet* sheet = fitSheet(viewport);
    if (!sheet) {
        state.SkipWithError("no sheet");
        return;
    }
    // About the path's first point.
    const double zoom = outline ? 45.7 : 151;
    const QPointF about = viewport.viewTransform().map(QPointF(3 + 1.4 * 2, 2));
    FrameRenderer::Frame frame;
    frame.view = zoomedAbout(viewport.viewTransform(), about, zoom);
    frame.size = QSizeF(1920, 1080);
    frame.pcb = outline;
    const FrameRenderer renderer(int(state.range(1)));
    QImage image;
    renderer.render(*sheet, frame, image); // the first frame may settle state
    for (auto _ : state) {
        renderer.render(*sheet, frame, image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_WidePenHighZoom)->ArgNames({"outline", "bands"})->ArgsProduct({{0, 1}, {2, 0}})->Unit(benchmark::kMillisecond)->UseRealTime();

// Pens far wider than the view on small designs, each frame at a zoom of
// its own (as while zooming: nothing kept from the frame before), in one
// band or in eight (on 2 cores, 8 bands should cost about what 1 does): a
// board outline of 60 smooth points in a 0.2 in pen at x23.5 (argument 0),
// and a 60-point smooth schematic curve in a 2 in pen at x17.5 (1).
QByteArray hugePenXml(bool outline)
{
    QByteArray points;
    for (int i = 0; i < 60; ++i) {
        const double a = 2 * M_PI * i * 23 / 60, r = i % 2 ? 1.4 : 2;
        points += QByteArray::number(3 + 1.4 * r * std::cos(a), 'f', 5) + ',' + QByteArray::number(2 + r * std::sin(a), 'f', 5) + ' ';
    }
    if (outline)
        return "<b version=\"12\"><design><sheets/><pcb><entities><pcbBorder curveType=\"curve\" style=\"smooth\" closed=\"true\" "
               "penWidth=\"0.2\" penColor=\"255,200,60,0\" color=\"0,0,0,0\" points=\""
            + points.trimmed() + "\"/></entities></pcb></design></b>";
    return "<b version=\"12\"><design><sheets><schematic><settings showPage=\"false\"/><entities><curve style=\"smooth\" "
           "closed=\"false\" penWidth=\"2\" penColor=\"255,20,20,160\" brushColor=\"0,0,0,0\" points=\""
        + points.trimmed() + "\"/></entities></schematic></sheets></design></b>";
}

// Renders frames of the sheet about `about` (model; else the fitted
// view's centre, as brindlex-render --zoom does) at the zoom, in the bands
// given, each frame a hair further in than the one before.
void renderZoomed(benchmark::State& state, const QByteArray& xml, bool pcb, std::optional<QPointF> about, double zoom, int bands)
{
    Design::shared().loadFromBytes(xml, QStringLiteral("bench design"));
    Viewport2D viewport(pcb);
    GraphicsSheet* sheet = fitSheet(viewport);
    if (!sheet) {
        state.SkipWithError("no sheet");
        return;
    }
    const QPointF at = about ? viewport.viewTransform().map(*about) : QPointF(960, 540);
    FrameRenderer::Frame frame;
    frame.size = QSizeF(1920, 1080);
    frame.pcb = pcb;
    const FrameRenderer renderer(bands);
    QImage image;
    // Never the same zoom twice in a run (outlines are kept per zoom).
    static int step = 0;
    for (auto _ : state) {
        const double z = zoom * (1 + 1e-4 * (++step % 1000));
        frame.view = zoomedAbout(viewport.viewTransform(), at, z);
        renderer.render(*sheet, frame, image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_HugePenZoomed(benchmark::State& state)
{
    const bool outline = state.range(0) == 0;
    // The outline about a point on its left, where its ring lies; the
    // curve about its middle.
    renderZoomed(state, hugePenXml(outline), outline, outline ? std::optional<QPointF>(QPointF(1.0, 2)) : std::nullopt,
        outline ? 23.5 : 17.5, int(state.range(1)));
}
BENCHMARK(BM_HugePenZoomed)->ArgNames({"curve", "bands"})->ArgsProduct({{0, 1}, {1, 8}})->Unit(benchmark::kMillisecond)->UseRealTime();

// One straight curve of a million points zig-zagging across a thin strip
// (0.04 in tall, 6 in long) seen whole: every point turns back, so the
// level of detail keeps them all; in one band or in one per core (0).
QByteArray zigZagXml()
{
    QByteArray points;
    points.reserve(16'000'000);
    const int n = 1'000'000;
    for (int i = 0; i < n; ++i)
        points += QByteArray::number(i * 6.0 / n, 'f', 6) + (i % 2 ? ",2.02 " : ",1.98 ");
    return "<b version=\"12\"><design><sheets><schematic><settings showPage=\"false\"/><entities><curve style=\"straight\" "
           "closed=\"false\" penWidth=\"0.001\" penColor=\"255,0,0,0\" brushColor=\"0,0,0,0\" points=\""
        + points.trimmed() + "\"/></entities></schematic></sheets></design></b>";
}

void BM_MillionPointZigZagFitted(benchmark::State& state)
{
    static const QByteArray xml = zigZagXml();
    renderZoomed(state, xml, false, std::nullopt, 1, int(state.range(0)));
}
BENCHMARK(BM_MillionPointZigZagFitted)->ArgName("bands")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
