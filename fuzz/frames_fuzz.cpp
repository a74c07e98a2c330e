// Reads the bytes as a design and draws both sheets in small frames, fitted
// and zoomed in: a frame in bands cut at rows the input picks must be the
// frame in one piece, and a narrow view the middle of the wider one at the
// same scale (gradient fills within 2 levels). A difference stops the run.
// Half the frames are drawn at device pixel ratio 2, their narrow views
// cornered on any device pixel. Entities whose ink reaches far beyond the
// view are left out of the frames compared (see checkSheet).

#include "core/PathDetail.h"
#include "document/Design.h"
#include "document/DesignReader.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "viewport/FrameRenderer.h"

#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// Larger inputs are skipped, as are compressed ones: each input must draw
// its dozen frames quickly.
constexpr size_t kMaxInputBytes = 48 * 1024;
constexpr int kWidth = 96, kHeight = 64;
// Past this, paths are clipped to a guard band about the area drawn.
constexpr double kFarInkPixels = PathDetail::kFarPixels;

// Bytes of the input, cycled, to choose seams, views and zoom centres.
struct Choices {
    const uint8_t* data;
    size_t size;
    size_t next = 0;
    int pick(int lo, int hi)
    {
        const int byte = size ? data[(next++ * 7919) % size] : 0;
        return lo + byte % (hi - lo + 1);
    }
};

int differing(const QImage& a, QPoint aAt, const QImage& b, QPoint bAt, QSize size, int levels)
{
    int differ = 0;
    for (int row = 0; row < size.height(); ++row) {
        const QRgb* p = reinterpret_cast<const QRgb*>(a.constScanLine(aAt.y() + row)) + aAt.x();
        const QRgb* q = reinterpret_cast<const QRgb*>(b.constScanLine(bAt.y() + row)) + bAt.x();
        for (int col = 0; col < size.width(); ++col)
            differ += std::max({std::abs(qRed(p[col]) - qRed(q[col])), std::abs(qGreen(p[col]) - qGreen(q[col])),
                                std::abs(qBlue(p[col]) - qBlue(q[col])), std::abs(qAlpha(p[col]) - qAlpha(q[col]))})
                > levels;
    }
    return differ;
}

// How many sheets were compared whole, compared without the entities whose
// ink is far (or has no bound), or not compared; printed at exit when
// FRAMES_FUZZ_STATS is set.
struct Stats {
    long whole = 0, partly = 0, leftOut = 0, none = 0;
    ~Stats()
    {
        if (std::getenv("FRAMES_FUZZ_STATS"))
            std::fprintf(stderr, "frames_fuzz: sheets compared whole %ld, without far ink %ld (%ld entities left out), not compared %ld\n",
                whole, partly, leftOut, none);
    }
};
Stats stats;

// Draws the sheet's frames, fitted and zoomed in, and (when compare is set)
// compares the bands and narrow views with the frames in one piece.
void drawFrames(GraphicsSheet& sheet, bool pcb, int levels, Choices& choose, const QTransform& fitted, bool compare)
{
    for (double zoom : {1.0, 8.0}) {
        const int ratio = choose.pick(1, 2);
        const int width = kWidth * ratio, height = kHeight * ratio;
        const QPointF about(choose.pick(0, kWidth - 1) + 0.5, choose.pick(0, kHeight - 1) + 0.5);
        FrameRenderer::Frame frame;
        frame.view = fitted * QTransform::fromTranslate(-about.x(), -about.y()) * QTransform::fromScale(zoom, zoom)
            * QTransform::fromTranslate(about.x(), about.y());
        frame.size = QSizeF(kWidth, kHeight);
        frame.ratio = ratio;
        frame.pcb = pcb;
        FrameRenderer(2).render(sheet, frame); // the first frame may settle state
        const QImage whole = FrameRenderer(1).render(sheet, frame);
        std::vector<int> tops{0};
        for (int n = choose.pick(1, 6), top = 0; n > 0; --n) {
            top += choose.pick(1, height / 4);
            if (top >= height)
                break;
            tops.push_back(top);
        }
        tops.push_back(height);
        FrameRenderer bands;
        bands.setBandTops(tops);
        const QImage banded = bands.render(sheet, frame);
        if (!compare)
            continue;
        if (int d = differing(banded, {}, whole, {}, whole.size(), levels)) {
            std::fprintf(stderr, "%s x%g ratio %d: %d px differ in %zu bands\n", pcb ? "pcb" : "schematic", zoom, ratio, d, tops.size() - 1);
            __builtin_trap();
        }
        // In device pixels.
        const QRect narrow(choose.pick(0, width / 2), choose.pick(0, height / 2), choose.pick(8, width / 2), choose.pick(8, height / 2));
        frame.view = frame.view * QTransform::fromTranslate(-narrow.x() / double(ratio), -narrow.y() / double(ratio));
        frame.size = QSizeF(narrow.size()) / ratio;
        if (int d = differing(FrameRenderer(1).render(sheet, frame), {}, whole, narrow.topLeft(), narrow.size(), levels)) {
            std::fprintf(stderr, "%s x%g ratio %d: %d px differ in a narrow view\n", pcb ? "pcb" : "schematic", zoom, ratio, d);
            __builtin_trap();
        }
    }
}

// Whether the entity is the target or holds it, at any depth.
bool holds(const Entity& entity, const Entity& target)
{
    if (&entity == &target)
        return true;
    const IEntityHolder* h = entity.holder();
    return h && std::any_of(h->entities().entities.begin(), h->entities().entities.end(), [&](const auto& e) { return holds(*e, target); });
}

void checkSheet(GraphicsSheet& sheet, bool pcb, int levels, Choices& choose)
{
    sheet.updateGeometry();
    const BoundingBox& box = sheet.entityList.boundingBox;
    double scale = 10;
    QPointF center(0, 0);
    if (box.valid && std::isfinite(box.width()) && std::isfinite(box.height()) && box.width() > 0 && box.height() > 0) {
        scale = 0.9 * std::min(kWidth / box.width(), kHeight / box.height());
        center = box.center();
    }
    if (!std::isfinite(scale) || scale <= 0 || scale > 1e6 || !std::isfinite(center.x()) || !std::isfinite(center.y()))
        return;
    const QTransform fitted(scale, 0, 0, -scale, kWidth / 2.0 - center.x() * scale, kHeight / 2.0 + center.y() * scale);
    // Ink reaching farther from the view than kFarInkPixels (at the largest
    // zoom drawn) is cut about the area drawn, and where such a cut falls
    // moves by the rounding of coordinates that large: a known limit. Other
    // ink with no bound is that far (a pen as wide as 1e64); guides, nested
    // or not, span every view and count for neither (their holders' other
    // ink does). The entities with such ink are left out of the frames
    // compared; the whole sheet's frames are drawn too, for crashes and
    // undefined behaviour.
    auto far = [&](const Entity& e) {
        if (e.inkUnbounded)
            return true;
        const BoundingBox& ink = e.measuredInk;
        if (!ink.valid)
            return false;
        const double reach = 8 * scale
            * std::max({std::abs(ink.bottomLeft.x() - center.x()), std::abs(ink.topRight.x() - center.x()),
                std::abs(ink.bottomLeft.y() - center.y()), std::abs(ink.topRight.y() - center.y())});
        return !(reach < kFarInkPixels);
    };
    std::vector<std::shared_ptr<Entity>>& entities = sheet.entityList.entities;
    if (std::none_of(entities.begin(), entities.end(), [&](const auto& e) { return far(*e); })) {
        drawFrames(sheet, pcb, levels, choose, fitted, true);
        ++stats.whole;
        return;
    }
    Choices again = choose;
    drawFrames(sheet, pcb, levels, again, fitted, false);
    // The rest of the sheet, measured again without them (what is left out
    // stays alive: others may point at it); twice at most, as an opening
    // or a link may reach elsewhere once what it met is gone.
    const std::vector<std::shared_ptr<Entity>> all = entities;
    // A board's border draws its board fill at sheet level: when it is left
    // out, the board is drawn with a border made for it (as a board read
    // without one is).
    PCB* board = pcb ? dynamic_cast<PCB*>(&sheet) : nullptr;
    const std::shared_ptr<Entity> border = board && board->hasBoardBorder() ? board->pcbBorder() : nullptr;
    size_t leftOut = 0;
    bool settled = false;
    for (int pass = 0; pass < 2 && !settled; ++pass) {
        const size_t before = entities.size();
        std::erase_if(entities, [&](const auto& e) { return far(*e); });
        leftOut += before - entities.size();
        if (border && board->pcbBorder() == border && !std::any_of(entities.begin(), entities.end(), [&](const auto& e) { return holds(*e, *border); })) {
            board->registerBoardBorder(nullptr);
            board->pcbBorder();
        }
        sheet.updateGeometry();
        settled = std::none_of(entities.begin(), entities.end(), [&](const auto& e) { return far(*e); });
    }
    if (settled) {
        drawFrames(sheet, pcb, levels, choose, fitted, true);
        ++stats.partly;
        stats.leftOut += long(leftOut);
    } else {
        ++stats.none;
    }
    // Not drawn again: the next input replaces the design.
    entities = all;
    if (border)
        board->registerBoardBorder(border);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Design design;
    if (size > kMaxInputBytes)
        return 0;
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QByteArray body = bytes;
    if (body.startsWith(QByteArrayView(DesignReader::kMagic, DesignReader::kMagicLength)))
        body.remove(0, DesignReader::kMagicLength);
    if (DesignReader::looksCompressed(body))
        return 0;
    if (!design.loadFromBytes(bytes, QStringLiteral("fuzz.project")))
        return 0;
    // Qt's gradients come out a level or two apart when cut differently.
    const int levels = body.contains("radient") || body.contains("radial") ? 2 : 0;
    Choices choose{data, size};
    auto state = design.currentDesignState();
    if (state->pcb)
        checkSheet(*state->pcb, true, levels, choose);
    if (!state->schematics.empty())
        checkSheet(*state->schematics.front(), false, levels, choose);
    return 0;
}
