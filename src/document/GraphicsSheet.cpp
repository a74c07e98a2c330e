#include "document/GraphicsSheet.h"

#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"
#include "document/Design.h"
#include "document/SheetSettings.h"
#include "entities/drawing/TextEntity.h"
#include "model/Entity.h"

#include <QPainterPath>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <cmath>

namespace {

// Grid lines closer than this many device pixels are not drawn.
constexpr double kMinGridPixels = 4;
// A guard against a visible box that does not match the transform.
constexpr double kMaxGridLines = 4000;
// Width of the band that carries the border references.
constexpr double kBorderBand = 0.25;
// Zones of the border references are about this wide.
constexpr double kZoneSize = 2.0;
constexpr int kMaxZoneColumns = 50;
constexpr int kMaxZoneRows = 26;

// Ink that stands out on the sheet colour.
QColor inkOn(const QColor& sheet)
{
    return sheet.lightnessF() < 0.5 ? QColor(255, 255, 255) : QColor(0, 0, 0);
}

QColor withAlpha(QColor c, double alpha)
{
    c.setAlphaF(float(alpha));
    return c;
}

// Hairline pen (one device pixel).
Pen hairline(const QColor& color) { return Pen(color, 0); }

double bandWidth(const QRectF& page) { return std::min(kBorderBand, std::min(page.width(), page.height()) / 10); }

// Every selected entity that shows a frame, holders before their children.
template <class Found>
void forEachFramed(EntityList& list, const Found& found, int depth)
{
    for (const auto& e : list.entities) {
        if (e->selected && e->showsSelectionFrame())
            found(*e);
        IEntityHolder* h = e->holder();
        if (h && depth < EntityList::kMaxNesting)
            forEachFramed(h->entities(), found, depth + 1);
    }
}

} // namespace

GraphicsSheet::GraphicsSheet(Design* design)
    : design(design)
{
}

GraphicsSheet::~GraphicsSheet() = default;

void GraphicsSheet::readXML(pugi::xml_node element)
{
    id = readIdAttribute(element, "id", id);
    name = readTextAttribute(element, "name", name);
    settings().readXML(childElement(element, "settings"));
    readSheetParts(element);
    EntityList::readEntities(element, this, entityList);
}

void GraphicsSheet::readSheetParts(pugi::xml_node) {}

std::shared_ptr<Entity> GraphicsSheet::draw(Graphics& g)
{
    if (!g.picking)
        drawSheetDecorations(g);
    g.currentLayer = 0;
    g.useLayerColor = false;
    return drawWithSelectionFrames(g, [&] { return entityList.draw(g); });
}

std::shared_ptr<Entity> GraphicsSheet::drawWithSelectionFrames(Graphics& g,
    const std::function<std::shared_ptr<Entity>()>& drawEntities)
{
    if (g.picking || g.selectionFramesOnTop)
        return drawEntities();
    g.selectionFramesOnTop = true;
    std::shared_ptr<Entity> hit = drawEntities();
    g.selectionFramesOnTop = false;
    drawSelectionFrames(g);
    return hit;
}

void GraphicsSheet::drawSelectionFrames(Graphics& g)
{
    if (SelectionFlag::selectedAnywhere() == 0)
        return;
    // Bounding boxes are in sheet coordinates: the frames are drawn at the
    // sheet's own transform, not under any holder's placement.
    const bool savedUseLayerColor = g.useLayerColor;
    g.useLayerColor = false;
    g.context.saveState();
    // Only a band reads what the frame prepared: marks drawn over a view
    // on the window's thread walk the entities while a frame may be
    // preparing its own.
    if (g.context.concurrent && frameSelection_) {
        // A band draws the frames that reach it: a frame is a hairline on
        // the box, so it reaches a pixel past it.
        const double pixel = g.pixelSize();
        const BoundingBox& view = g.viewportBoundingBox;
        const BoundingBox near = std::isfinite(pixel) ? view.expanded(2 * pixel) : BoundingBox();
        for (Entity* e : frameSelection()) {
            if (!near.valid || !e->boundingBox.valid || e->boundingBox.intersects(near))
                e->drawSelectionFrame(g);
        }
    } else {
        forEachFramed(entityList, [&g](Entity& e) { e.drawSelectionFrame(g); }, 0);
    }
    g.context.restoreState();
    g.useLayerColor = savedUseLayerColor;
}

// The top-level entities in parts: whichever band comes to its selection
// frames first takes the next part not yet taken, until none is left, then
// waits for parts others are still searching. Only running bands take parts,
// so the wait always ends, however many bands the pool runs at once.
struct GraphicsSheet::FrameSelection {
    static constexpr size_t kEntitiesPerPart = 256;
    size_t parts = 0;
    std::atomic<size_t> next{0};
    std::atomic<size_t> done{0};
    std::vector<std::vector<Entity*>> found; // per part
    std::vector<Entity*> all;               // once every part is done
    std::once_flag joined;
};

const std::vector<Entity*>& GraphicsSheet::frameSelection()
{
    FrameSelection& s = *frameSelection_;
    const std::vector<std::shared_ptr<Entity>>& top = entityList.entities;
    for (size_t part; (part = s.next.fetch_add(1)) < s.parts;) {
        const size_t end = std::min(top.size(), (part + 1) * FrameSelection::kEntitiesPerPart);
        for (size_t i = part * FrameSelection::kEntitiesPerPart; i < end; ++i) {
            Entity& e = *top[i];
            if (e.selected && e.showsSelectionFrame())
                s.found[part].push_back(&e);
            if (IEntityHolder* h = e.holder())
                forEachFramed(h->entities(), [&](Entity& child) { s.found[part].push_back(&child); }, 1);
        }
        s.done.fetch_add(1);
        s.done.notify_all();
    }
    for (size_t done; (done = s.done.load()) < s.parts;)
        s.done.wait(done);
    std::call_once(s.joined, [&s] {
        for (const std::vector<Entity*>& part : s.found)
            s.all.insert(s.all.end(), part.begin(), part.end());
    });
    return s.all;
}

void GraphicsSheet::prepareFrame(const QTransform&, const QSizeF&, qreal, const BoundingBox&)
{
    frameSelection_ = std::make_unique<FrameSelection>();
    const size_t n = entityList.entities.size();
    frameSelection_->parts = (n + FrameSelection::kEntitiesPerPart - 1) / FrameSelection::kEntitiesPerPart;
    frameSelection_->found.resize(frameSelection_->parts);
}

void GraphicsSheet::endFrame() { frameSelection_.reset(); }

void GraphicsSheet::drawSheetDecorations(Graphics& g)
{
    const bool savedUseLayerColor = g.useLayerColor;
    g.useLayerColor = false;
    const SheetSettings& s = settings();
    if (s.showPage) {
        drawPage(g);
        if (s.showBorderReferences)
            drawBorderReferences(g);
        if (s.showTitleBlock)
            drawTitleBlock(g);
    }
    if (s.showGrid)
        drawGrid(g);
    if (s.showOrigin)
        drawOriginMark(g);
    g.useLayerColor = savedUseLayerColor;
}

void GraphicsSheet::updateGeometry()
{
    TextEntity::prepareShapes(entityList); // shaped on several threads, not one by one in the pass
    entityList.updateBoundingBox(std::nullopt, nullptr);
}

QRectF GraphicsSheet::pageRect() const
{
    const QSizeF size = settings().pageSize;
    return QRectF(0, 0, size.width(), size.height());
}

void GraphicsSheet::drawPage(Graphics& g)
{
    const SheetSettings& s = settings();
    g.drawRectangle(hairline(withAlpha(inkOn(s.sheetColor), 0.5)), s.sheetColor, pageRect());
}

void GraphicsSheet::drawBorderReferences(Graphics& g)
{
    const SheetSettings& s = settings();
    const QRectF page = pageRect();
    const double band = bandWidth(page);
    const QRectF outer = page.adjusted(band / 2, band / 2, -band / 2, -band / 2);
    const QRectF inner = page.adjusted(band, band, -band, -band);
    if (inner.width() <= 0 || inner.height() <= 0)
        return;
    const QColor ink = inkOn(s.sheetColor);
    const Pen pen = hairline(ink);
    g.drawRectangle(pen, Qt::transparent, outer);
    g.drawRectangle(pen, Qt::transparent, inner);

    const int columns = std::clamp(int(std::lround(inner.width() / kZoneSize)), 1, kMaxZoneColumns);
    const int rows = std::clamp(int(std::lround(inner.height() / kZoneSize)), 1, kMaxZoneRows);
    const double zoneWidth = inner.width() / columns;
    const double zoneHeight = inner.height() / rows;
    Font font;
    font.height = band * 0.4;

    // Dividers across the band, then the labels centred in each zone.
    g.context.beginPath();
    for (int i = 1; i < columns; ++i) {
        const double x = inner.left() + i * zoneWidth;
        g.context.moveTo(QPointF(x, outer.top()));
        g.context.lineTo(QPointF(x, inner.top()));
        g.context.moveTo(QPointF(x, inner.bottom()));
        g.context.lineTo(QPointF(x, outer.bottom()));
    }
    for (int j = 1; j < rows; ++j) {
        const double y = inner.top() + j * zoneHeight;
        g.context.moveTo(QPointF(outer.left(), y));
        g.context.lineTo(QPointF(inner.left(), y));
        g.context.moveTo(QPointF(inner.right(), y));
        g.context.lineTo(QPointF(outer.right(), y));
    }
    g.applyPen(pen);
    g.context.strokePath();

    // Numbers left to right; letters from the top of the page down.
    const double lowY = (outer.top() + inner.top()) / 2;
    const double highY = (inner.bottom() + outer.bottom()) / 2;
    for (int i = 0; i < columns; ++i) {
        const QString label = QString::number(i + 1);
        const double x = inner.left() + (i + 0.5) * zoneWidth;
        g.drawText(label, font, ink, x, lowY);
        g.drawText(label, font, ink, x, highY);
    }
    const double leftX = (outer.left() + inner.left()) / 2;
    const double rightX = (inner.right() + outer.right()) / 2;
    for (int j = 0; j < rows; ++j) {
        const QString label = QString(QChar('A' + j));
        const double y = inner.bottom() - (j + 0.5) * zoneHeight;
        g.drawText(label, font, ink, leftX, y);
        g.drawText(label, font, ink, rightX, y);
    }
}

void GraphicsSheet::drawTitleBlock(Graphics& g)
{
    const SheetSettings& s = settings();
    const QRectF page = pageRect();
    const double band = bandWidth(page);
    const QRectF inner = page.adjusted(band, band, -band, -band);
    if (inner.width() <= 0 || inner.height() <= 0)
        return;
    const double width = std::min(4.0, inner.width() / 2);
    const double height = std::min(0.8, inner.height() / 4);
    // Bottom-right corner of the page (y up: the low y edge is the bottom).
    const QRectF block(inner.right() - width, inner.top(), width, height);
    const QColor ink = inkOn(s.sheetColor);
    const Pen pen = hairline(ink);
    g.drawRectangle(pen, Qt::transparent, block);
    const double split = block.top() + height * 0.4;
    g.context.beginPath();
    g.context.moveTo(QPointF(block.left(), split));
    g.context.lineTo(QPointF(block.right(), split));
    g.applyPen(pen);
    g.context.strokePath();

    QString title = s.title;
    if (title.isEmpty() && design)
        title = design->shortName;
    Font titleFont = s.titleFont;
    titleFont.height = std::min(titleFont.height, height * 0.3);
    g.drawText(title, titleFont, ink, block.center().x(), (split + block.bottom()) / 2);
    Font small = s.titleFont;
    small.height = std::min(small.height, height * 0.2);
    g.drawText(name, small, ink, block.center().x(), (block.top() + split) / 2);
}

void GraphicsSheet::drawGrid(Graphics& g)
{
    const SheetSettings& s = settings();
    const double spacing = s.gridSpacing;
    const double pixel = g.pixelSize();
    if (!(spacing > 0) || !std::isfinite(pixel) || !(pixel > 0) || spacing / pixel < kMinGridPixels)
        return;
    const QRectF area = g.viewportBoundingBox.valid ? g.viewportBoundingBox.rect().normalized() : pageRect();
    if (!std::isfinite(area.left()) || !std::isfinite(area.right()) || !std::isfinite(area.top())
        || !std::isfinite(area.bottom()))
        return;
    // Lines through the origin offset, one spacing apart.
    const QPointF o = s.originOffset;
    const double firstI = std::ceil((area.left() - o.x()) / spacing);
    const double lastI = std::floor((area.right() - o.x()) / spacing);
    const double firstJ = std::ceil((area.top() - o.y()) / spacing);
    const double lastJ = std::floor((area.bottom() - o.y()) / spacing);
    if (!(lastI - firstI < kMaxGridLines) || !(lastJ - firstJ < kMaxGridLines))
        return;
    g.context.beginPath();
    // Counted with integers: at huge coordinates adding one to a double may
    // not change it.
    const int columns = int(lastI - firstI) + 1;
    const int rows = int(lastJ - firstJ) + 1;
    for (int i = 0; i < columns; ++i) {
        const double x = o.x() + (firstI + i) * spacing;
        g.context.moveTo(QPointF(x, area.top()));
        g.context.lineTo(QPointF(x, area.bottom()));
    }
    for (int j = 0; j < rows; ++j) {
        const double y = o.y() + (firstJ + j) * spacing;
        g.context.moveTo(QPointF(area.left(), y));
        g.context.lineTo(QPointF(area.right(), y));
    }
    if (g.context.isPathEmpty())
        return;
    g.applyPen(hairline(withAlpha(inkOn(s.sheetColor), 0.2)));
    g.context.strokePath();
}

void GraphicsSheet::drawOriginMark(Graphics& g)
{
    const QPointF o = settings().originOffset;
    const double pixel = g.pixelSize();
    if (!std::isfinite(pixel) || !(pixel > 0))
        return;
    const double arm = 12 * pixel;
    const double radius = 5 * pixel;
    const Pen pen(QColor(220, 40, 40), 0);
    g.context.beginPath();
    g.context.moveTo(QPointF(o.x() - arm, o.y()));
    g.context.lineTo(QPointF(o.x() + arm, o.y()));
    g.context.moveTo(QPointF(o.x(), o.y() - arm));
    g.context.lineTo(QPointF(o.x(), o.y() + arm));
    g.applyPen(pen);
    g.context.strokePath();
    g.drawEllipse(pen, Qt::transparent, QRectF(o.x() - radius, o.y() - radius, 2 * radius, 2 * radius));
}
