// Huge paths in the drawing path: frames and picks of a design holding one
// closed smooth curve of a million points, and of the pour board (two copper
// pours storing about 150,000 vertices), at fitted zoom and zoomed in; and
// the first frame of a small design holding 48 huge embedded pictures; and
// frames of a schematic holding one closed smooth curve of a million points
// that traces a square raster row by row (its stroke and fill cover it).
//
// Arguments: zoom factor, and whether each frame is the first after loading
// (nothing kept but what the geometry pass made; levels of detail are built
// inside it).

#include "BenchFrames.h"
#include "Generator.h"
#include "RandomDesign.h"

#include "core/Gzip.h"
#include "core/ImageCache.h"
#include "core/PathDetail.h"
#include "document/Design.h"
#include "document/GraphicsSheet.h"
#include "document/SheetSettings.h"
#include "viewport/FrameRenderer.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QElapsedTimer>
#include <QImage>
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

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

enum class Kind { curve, pours, raster };

struct HugeView {
    explicit HugeView(Kind kind)
    {
        const QByteArray xml = kind == Kind::curve ? hugeCurveXml(1'000'000)
            : kind == Kind::raster                 ? generateRasterCurveXml(RasterCurveLayout())
                                                   : benchBoardXml(pourBoard);
        Design::shared().loadFromBytes(xml, QStringLiteral("huge paths"));
        ViewModel::shared().sheetTransforms.clear();
        viewport = std::make_unique<Viewport2D>(kind != Kind::raster);
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
        // A frame drawn anew: an unchanged view shows its kept frame.
        v.viewport->requestRedraw(Redraw::display);
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

// A PNG of side x side pixels of one colour, packed as the design stores it
// (a few KB for 94 MB of pixels).
QByteArray packedPicture(int side, QRgb colour)
{
    std::vector<unsigned char> raw(size_t(side) * (size_t(side) * 3 + 1));
    for (int y = 0; y < side; ++y) {
        unsigned char* row = &raw[size_t(y) * (size_t(side) * 3 + 1)];
        row[0] = 0;
        for (int x = 0; x < side; ++x) {
            row[1 + 3 * x] = qRed(colour);
            row[2 + 3 * x] = qGreen(colour);
            row[3 + 3 * x] = qBlue(colour);
        }
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    QByteArray idat(int(packedSize), 0);
    compress2(reinterpret_cast<Bytef*>(idat.data()), &packedSize, raw.data(), uLong(raw.size()), 9);
    idat.resize(int(packedSize));
    auto chunk = [](const char* type, const QByteArray& data) {
        QByteArray c;
        const quint32 n = quint32(data.size());
        c.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
        const QByteArray body = QByteArray(type, 4) + data;
        c.append(body);
        const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size())));
        c.append(char(crc >> 24)).append(char(crc >> 16)).append(char(crc >> 8)).append(char(crc));
        return c;
    };
    QByteArray header;
    for (int v : {side, side})
        header.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
    header.append(char(8)).append(char(2)).append(char(0)).append(char(0)).append(char(0));
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", idat) + chunk("IEND", {});
    return gzipDeflate(png);
}

// 48 pictures of 5600 x 5600 pixels in a grid on a schematic, in some 70 KB.
QByteArray picturesXml()
{
    const QByteArray pictures[2] = {packedPicture(5600, qRgb(200, 60, 40)), packedPicture(5600, qRgb(40, 90, 200))};
    QByteArray entities;
    for (int i = 0; i < 48; ++i) {
        const QByteArray& p = pictures[i % 2];
        entities += "<image x=\"" + number(i % 8 * 1.1) + "\" y=\"" + number(i / 8 * 1.1) + "\" width=\"1\" height=\"1\"><pixels size=\""
            + QByteArray::number(p.size()) + "\">" + p.toBase64() + "</pixels></image>";
    }
    return "<pictures version=\"12\"><design><sheets><schematic><entities>" + entities + "</entities></schematic></sheets></design></pictures>";
}

// The first frame after loading the pictures: decoded while drawing, or
// (background) on worker threads after the frame, whose time then counts
// until every picture is ready; "frame" is the frame alone.
void BM_PictureFirstDraw(benchmark::State& state)
{
    static const QByteArray xml = picturesXml();
    Design::shared().loadFromBytes(xml, QStringLiteral("pictures"));
    ViewModel::shared().sheetTransforms.clear();
    Viewport2D viewport(false);
    viewport.resize(1920, 1080);
    viewport.fit();
    QImage image(viewport.size(), QImage::Format_ARGB32_Premultiplied);
    const bool background = state.range(0) != 0;
    ImageCache& cache = ImageCache::shared();
    cache.setReadyHook(background ? std::function<void()>([] {}) : nullptr);
    double frameMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        cache.clear();
        state.ResumeTiming();
        viewport.requestRedraw(Redraw::display);
        QElapsedTimer timer;
        timer.start();
        viewport.render(&image);
        frameMs += double(timer.nsecsElapsed()) / 1e6;
        ImageCache::waitForDecodes();
    }
    cache.setReadyHook(nullptr);
    state.counters["frameMs"] = frameMs / double(std::max<benchmark::IterationCount>(state.iterations(), 1));
}

void BM_HugeCurveFrame(benchmark::State& state) { frame(state, Kind::curve); }
void BM_HugeCurvePick(benchmark::State& state) { pick(state, Kind::curve); }
void BM_PourBoardFrame(benchmark::State& state) { frame(state, Kind::pours); }
void BM_PourBoardPick(benchmark::State& state) { pick(state, Kind::pours); }
void BM_RasterCurveFrame(benchmark::State& state) { frame(state, Kind::raster); }

BENCHMARK(BM_HugeCurveFrame)->ArgNames({"zoom", "fresh"})->ArgsProduct({{1, 4, 20}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HugeCurvePick)->ArgNames({"zoom"})->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PourBoardFrame)->ArgNames({"zoom", "fresh"})->ArgsProduct({{1, 4, 20}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PictureFirstDraw)->ArgNames({"background"})->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RasterCurveFrame)->ArgNames({"zoom", "fresh"})->ArgsProduct({{1, 4}, {0}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PourBoardPick)->ArgNames({"zoom"})->Arg(1)->Arg(20)->Unit(benchmark::kMicrosecond);

} // namespace

namespace {

// A thin dashed outline seen from close up: a closed polyline of 20 points
// running to and fro along a sliver 6 in long and 0.02 in wide, in a
// translucent pen of 0.0002 in (dotted, argument 0, or dashed, 1), zoomed
// x62 about the sliver's middle so that all 20 segments cross the view,
// each with hundreds of dashes (the path holds some 70,000 dots). A 1920 x
// 1080 frame in 2 bands (as on 2 cores) at ratio 1 or 2.
QByteArray longDashesXml(bool dashed)
{
    QByteArray vertices;
    for (int i = 0; i < 20; ++i) {
        // To and fro, each end up to 0.01 in off the line.
        const double x = 0.2 + 5.6 * ((i * 7) % 20) / 19.0, y = 2 + 0.01 * (((i * 13) % 5) - 2) / 2;
        vertices += "<vertex at=\"" + number(x) + ',' + number(y) + "\"/>";
    }
    return "<b version=\"12\"><design><sheets><schematic><settings showPage=\"false\"/><entities><polyline closed=\"true\" "
           "penWidth=\"0.0002\" penColor=\"140,20,40,160\" brushColor=\"0,0,0,0\" startCap=\"round\" endCap=\"round\" linePattern=\""
        + QByteArray(dashed ? "dash" : "dot") + "\">" + vertices
        // Two specks at opposite corners: the sheet fitted about the sliver's middle.
        + "</polyline><line start=\"0,0\" end=\"0.001,0\" penWidth=\"0.001\"/><line start=\"6,4\" end=\"5.999,4\" "
          "penWidth=\"0.001\"/></entities></schematic></sheets></design></b>";
}

void BM_LongDashesHighZoom(benchmark::State& state)
{
    Design::shared().loadFromBytes(longDashesXml(state.range(0) != 0), QStringLiteral("long dashes"));
    Viewport2D viewport(false);
    GraphicsSheet* sheet = fitSheet(viewport);
    if (!sheet) {
        state.SkipWithError("no sheet");
        return;
    }
    FrameRenderer::Frame frame;
    frame.view = zoomedAbout(viewport.viewTransform(), viewport.viewTransform().map(QPointF(3, 2)), 62);
    frame.size = QSizeF(1920, 1080);
    frame.ratio = double(state.range(1));
    const FrameRenderer renderer(2);
    QImage image;
    renderer.render(*sheet, frame, image); // the first frame may settle state
    for (auto _ : state) {
        renderer.render(*sheet, frame, image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_LongDashesHighZoom)->ArgNames({"dashed", "ratio"})->ArgsProduct({{0, 1}, {1, 2}})->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

namespace {

// The slowest frames of random designs holding long dashed outlines and
// crossing dashed stars, with sharp miters (seeds 1-30, both sheets that
// hold the dashes): 1920 x
// 1080 frames in 2 bands at ratio 1 or 2, at the design's high zoom (62
// without one) about six points of ink of the fitted frame. One run; the
// counters tell the slowest frame, its seed (pcb sheet when negative) and
// the mean.
void BM_LongDashesRandomFrames(benchmark::State& state)
{
    const double ratio = double(state.range(0));
    double slowest = 0, sum = 0, slowestSeed = 0;
    int frames = 0;
    for (auto _ : state) {
        for (uint64_t seed = 1; seed <= 30; ++seed) {
            const RandomDesign design = generateRandomDesign(seed, longDashes | crossingDashes | sharpMiters);
            if (!Design::shared().loadFromBytes(design.xml, QStringLiteral("random")))
                continue;
            for (bool pcb : {true, false}) {
                if (!((pcb ? design.pcbFeatures : design.schematicFeatures) & (longDashes | crossingDashes)))
                    continue;
                Viewport2D viewport(pcb);
                GraphicsSheet* sheet = fitSheet(viewport);
                if (!sheet)
                    continue;
                FrameRenderer::Frame frame;
                frame.view = viewport.viewTransform();
                frame.size = QSizeF(1920, 1080);
                frame.pcb = pcb;
                frame.background = sheet->settings().backgroundColor.isValid() ? sheet->settings().backgroundColor : QColor(Qt::white);
                const FrameRenderer renderer(2);
                QImage image;
                renderer.render(*sheet, frame, image);
                std::vector<QPoint> inked;
                for (int y = 0; y < image.height(); y += 3)
                    for (int x = 0; x < image.width(); x += 3)
                        if (image.pixel(x, y) != frame.background.rgba())
                            inked.push_back(QPoint(x, y));
                if (inked.empty())
                    continue;
                std::mt19937_64 rng(seed);
                const double zoom = design.highZoom > 0 ? design.highZoom : 62;
                const QTransform fitted = frame.view;
                frame.ratio = ratio;
                for (int k = 0; k < 6; ++k) {
                    const QPointF about = inked[size_t(std::uniform_int_distribution<size_t>(0, inked.size() - 1)(rng))];
                    frame.view = fitted * QTransform::fromTranslate(-about.x(), -about.y()) * QTransform::fromScale(zoom, zoom)
                        * QTransform::fromTranslate(about.x(), about.y());
                    renderer.render(*sheet, frame, image); // the first frame may settle state
                    QElapsedTimer timer;
                    timer.start();
                    renderer.render(*sheet, frame, image);
                    const double ms = double(timer.nsecsElapsed()) / 1e6;
                    sum += ms;
                    ++frames;
                    if (ms > slowest) {
                        slowest = ms;
                        slowestSeed = pcb ? -double(seed) : double(seed);
                    }
                }
            }
        }
    }
    state.counters["slowestMs"] = slowest;
    state.counters["slowestSeed"] = slowestSeed;
    state.counters["meanMs"] = frames ? sum / frames : 0;
}
BENCHMARK(BM_LongDashesRandomFrames)->ArgNames({"ratio"})->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace
