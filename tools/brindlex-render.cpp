// Developer tool: renders a sheet of a design to PNG with the viewport's own
// drawing code, or dumps its entity tree as JSON.
//
//   brindlex-render DESIGN -o OUT.png [--sheet pcb|schematic] [--size WxH] [--zoom F] [--bands N] [--ratio R]
//   brindlex-render DESIGN --dump [--sheet pcb|schematic]
//   brindlex-render DESIGN --time [-o OUT.png] [--sheet pcb|schematic] [--size WxH] [--zoom F] [--bands N]
//
// --bands N draws frames in N bands (1: on one thread; 0, the default: one
// band per core).
// --ratio R draws at that device pixel ratio, as a window on such a screen
// does: the image holds WxH times R pixels.
// --zoom scales the fitted view about its centre. --time prints how long
// reading, the geometry pass, the first frame and later frames take (the
// median of five), at 1920 x 1080 unless --size says otherwise.

#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "model/Entity.h"
#include "model/EntityList.h"
#include "viewport/FrameRenderer.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include "RandomDesign.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: brindlex-render DESIGN (-o OUT.png | --dump | --time) [--sheet pcb|schematic] [--size WxH] "
                         "[--zoom F] [--bands N] [--ratio R]\n");
    return 2;
}

// One frame of the sheet as the viewport draws it into its kept frame.
void drawViewFrame(GraphicsSheet& sheet, bool pcb, const QTransform& view, const QColor& background, QImage& frame, int bands,
    QSize size, double ratio)
{
    FrameRenderer::Frame f;
    f.view = view;
    f.size = QSizeF(size);
    f.ratio = ratio;
    f.background = background;
    f.pcb = pcb;
    FrameRenderer(bands).render(sheet, f, frame);
}

double msSince(const QElapsedTimer& clock) { return clock.nsecsElapsed() / 1e6; }

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Brindlex");
    QApplication::setApplicationName("Brindlex");

    QString design, out;
    bool pcb = true, dump = false, time = false, sized = false;
    QSize size(1600, 1000);
    double zoom = 1, ratio = 1;
    int bands = 0;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "-o" && i + 1 < args.size())
            out = args[++i];
        else if (a == "--sheet" && i + 1 < args.size())
            pcb = args[++i] != "schematic";
        else if (a == "--size" && i + 1 < args.size()) {
            const QStringList wh = args[++i].split('x');
            if (wh.size() != 2)
                return usage();
            size = QSize(wh[0].toInt(), wh[1].toInt());
            if (size.width() <= 0 || size.height() <= 0 || size.width() > 20000 || size.height() > 20000)
                return usage();
            sized = true;
        } else if (a == "--zoom" && i + 1 < args.size()) {
            bool ok = false;
            zoom = args[++i].toDouble(&ok);
            if (!ok || !std::isfinite(zoom) || zoom <= 0 || zoom > 1e6)
                return usage();
        } else if (a == "--ratio" && i + 1 < args.size()) {
            bool ok = false;
            ratio = args[++i].toDouble(&ok);
            if (!ok || !std::isfinite(ratio) || ratio < 0.25 || ratio > 8)
                return usage();
        } else if (a == "--bands" && i + 1 < args.size()) {
            bool ok = false;
            bands = args[++i].toInt(&ok);
            if (!ok || bands < 0)
                return usage();
        } else if (a == "--dump")
            dump = true;
        else if (a == "--time")
            time = true;
        else if (design.isEmpty() && !a.startsWith('-'))
            design = a;
        else
            return usage();
    }
    if (design.isEmpty() || (out.isEmpty() && !dump && !time))
        return usage();
    if (time && !sized)
        size = QSize(1920, 1080);

    ViewModel& vm = ViewModel::shared();
    vm.showFrameRate = false;
    QElapsedTimer clock;
    clock.start();
    const bool opened = Design::shared().open(design);
    const double readMs = msSince(clock);
    if (!opened) {
        std::fprintf(stderr, "%s\n", qPrintable(Design::shared().lastError()));
        return 1;
    }
    auto state = Design::shared().currentDesignState();
    GraphicsSheet* sheet = pcb ? static_cast<GraphicsSheet*>(state->pcb.get())
                               : (state->schematics.empty() ? nullptr : state->schematics.front().get());
    if (!sheet) {
        std::fprintf(stderr, "the design has no such sheet\n");
        return 1;
    }
    clock.restart();
    sheet->updateGeometry();
    const double geometryMs = msSince(clock);

    if (dump) {
        std::fputs(sheetDumpJson(*sheet, pcb).constData(), stdout);
        if (out.isEmpty())
            return 0;
    }

    Viewport2D view(pcb);
    view.resize(size);
    // Shown (off screen) so that the resize is delivered now: a resize
    // delivered later, while rendering, would fit the view again.
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.show();
    view.fit();
    if (zoom != 1)
        view.zoomAbout(QPointF(size.width() / 2.0, size.height() / 2.0), zoom);
    QImage image;
    const QColor settingsBackground = sheet->settings().backgroundColor;
    const QColor background = settingsBackground.isValid() ? settingsBackground : QColor(Qt::white);
    const QTransform transform = view.viewTransform();
    if (time) {
        clock.restart();
        drawViewFrame(*sheet, pcb, transform, background, image, bands, size, ratio);
        const double firstMs = msSince(clock);
        std::vector<double> frames;
        for (int i = 0; i < 5; ++i) {
            clock.restart();
            drawViewFrame(*sheet, pcb, transform, background, image, bands, size, ratio);
            frames.push_back(msSince(clock));
        }
        std::sort(frames.begin(), frames.end());
        std::printf("read %.0f ms, geometry %.0f ms, first draw %.0f ms, draw %.0f ms\n", readMs, geometryMs, firstMs,
                    frames[frames.size() / 2]);
        std::fflush(stdout);
        if (out.isEmpty())
            return 0;
    } else {
        // The frame the view shows, drawn in the bands asked for.
        drawViewFrame(*sheet, pcb, transform, background, image, bands, size, ratio);
    }
    if (!image.save(out)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return 1;
    }
    return 0;
}
