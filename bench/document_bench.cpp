// Reading and drawing a large generated board.

#include "Generator.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "core/Gzip.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cmath>
#include <map>

namespace {

// A board whose bulk is stored pour copper, as boards with ground planes
// carry it: 830 footprints (4,980 pads) with their tracks and vias, and two
// pours on the copper layers whose fills hold about 150,000 vertices in
// all: a wavy outline each and a 16-sided clearance hole around every pad
// position.
QByteArray pourBoardXml()
{
    BoardLayout layout;
    layout.footprints = 830;
    QByteArray xml = generateBoardXml(layout);
    const int columns = int(std::ceil(std::sqrt(830 * 1.6)));
    const int rows = (830 + columns - 1) / columns;
    const double w = columns * 0.6 + 0.4, h = rows * 0.5 + 0.4;
    QByteArray pours;
    auto num = [](double v) { return QByteArray::number(v, 'g', 7); };
    for (int layer : {5, 6}) {
        pours += "<copperPour layer=\"" + QByteArray::number(layer) + "\" x=\"-0.1\" y=\"-0.1\" width=\"" + num(w - 0.2)
            + "\" height=\"" + num(h - 0.2) + "\" penWidth=\"0.005\" signalName=\"GND\"><fill><polygon>";
        const int outline = 30000;
        for (int i = 0; i < outline; ++i) {
            const double t = 2 * M_PI * i / outline;
            const double r = 1 + 0.002 * std::sin(t * 400);
            pours += "<vertex at=\"" + num(w / 2 + r * (w / 2 - 0.15) * std::cos(t)) + "," + num(h / 2 + r * (h / 2 - 0.15) * std::sin(t)) + "\"/>";
        }
        pours += "</polygon>\n";
        for (int f = 0; f < 830; ++f) {
            const double ox = (f % columns) * 0.6 + 0.2, oy = (f / columns) * 0.5 + 0.2;
            for (int p = 0; p < 6; ++p) {
                const double cx = ox + (p % 3) * 0.1 - 0.1 + (layer == 6 ? 0.013 : 0), cy = oy + (p < 3 ? -0.1 : 0.1);
                pours += "<polygon isHole=\"true\">";
                for (int k = 0; k < 9; ++k) {
                    const double t = 2 * M_PI * k / 9;
                    pours += "<vertex at=\"" + num(cx + 0.045 * std::cos(t)) + "," + num(cy + 0.045 * std::sin(t)) + "\"/>";
                }
                pours += "</polygon>\n";
            }
        }
        pours += "</fill></copperPour>\n";
    }
    const qsizetype at = xml.lastIndexOf("</entities>\n</pcb>");
    xml.insert(at, pours);
    return xml;
}

// The board of the given footprint count, or (0) the pour board.
const QByteArray& benchBoardXml(int footprints)
{
    static std::map<int, QByteArray> cache;
    auto& b = cache[footprints];
    if (b.isEmpty()) {
        if (footprints == 0) {
            b = pourBoardXml();
        } else {
            BoardLayout layout;
            layout.footprints = footprints;
            b = generateBoardXml(layout);
        }
    }
    return b;
}

const QByteArray& boardXml(int footprints) { return benchBoardXml(footprints); }

const QByteArray& boardFile(int footprints)
{
    static std::map<int, QByteArray> cache;
    auto& b = cache[footprints];
    if (b.isEmpty())
        b = QByteArray("Brindlex QEL") + gzipDeflate(boardXml(footprints));
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
BENCHMARK(BM_ParseOnly)->Arg(5000)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_LoadPlain(benchmark::State& state)
{
    const QByteArray& xml = boardXml(int(state.range(0)));
    for (auto _ : state) {
        Design design;
        benchmark::DoNotOptimize(design.loadFromBytes(xml, "board"));
    }
}
BENCHMARK(BM_LoadPlain)->Arg(5000)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_LoadGzip(benchmark::State& state)
{
    const QByteArray& file = boardFile(int(state.range(0)));
    for (auto _ : state) {
        Design design;
        benchmark::DoNotOptimize(design.loadFromBytes(file, "board"));
    }
}
BENCHMARK(BM_LoadGzip)->Arg(5000)->Arg(0)->Unit(benchmark::kMillisecond);

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
BENCHMARK(BM_GeometryPass)->Arg(5000)->Arg(0)->Unit(benchmark::kMillisecond);

// Everything from the plain bytes to a board ready to draw: the figure to
// hold against BM_ParseOnly.
void BM_LoadPlainMeasured(benchmark::State& state)
{
    const QByteArray& xml = boardXml(int(state.range(0)));
    for (auto _ : state) {
        Design design;
        benchmark::DoNotOptimize(design.loadFromBytes(xml, "board"));
        design.currentDesignState()->pcb->updateGeometry();
    }
}
BENCHMARK(BM_LoadPlainMeasured)->Arg(5000)->Arg(0)->Unit(benchmark::kMillisecond);

// One full frame of the PCB sheet fitted into 1920 x 1080 (zoomed about its
// centre by the second argument / 10). A first frame, not timed, lays out the
// texts and paints the board fill that later frames keep, as on screen.
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
    const QTransform view(s, 0, 0, -s, size.width() / 2.0 - s * c.x(), size.height() / 2.0 + s * c.y());
    auto frame = [&] {
        image.fill(Qt::black);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(view);
        DrawingContext ctx(painter);
        Graphics g(ctx);
        g.drawingPcb = true;
        g.viewportBoundingBox.addRect(view.inverted().mapRect(QRectF(QPointF(0, 0), QSizeF(size))));
        benchmark::DoNotOptimize(pcb.draw(g));
    };
    frame();
    for (auto _ : state)
        frame();
}
BENCHMARK(BM_DrawPcbFitted)->ArgNames({"", "zoom10"})->Args({5000, 10})->Args({5000, 40})->Args({5000, 200})->Unit(benchmark::kMillisecond);

} // namespace
