#include "document/PCB.h"

#include "core/Graphics.h"
#include "core/Readers.h"
#include "model/Entity.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>

#include <cmath>

namespace {

BoardBorderFactory& boardBorderFactory()
{
    static BoardBorderFactory factory;
    return factory;
}

// A paint device of the frame's size and pixel ratio that keeps the images
// drawn on it (shared, not copied) with their placement, and ignores
// anything else: the board fill is one image laid over the board.
class ImageRecorder : public QPaintDevice, public QPaintEngine {
public:
    struct Placed {
        QTransform world;
        QRectF target;
        QRectF source;
        QImage image;
    };
    ImageRecorder(QSize pixels, qreal ratio) : QPaintEngine(AllFeatures), pixels_(pixels), ratio_(ratio) {}
    std::vector<Placed> placed;

    QPaintEngine* paintEngine() const override { return const_cast<ImageRecorder*>(this); }
    int devType() const override { return QInternal::CustomRaster; }
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    Type type() const override { return QPaintEngine::User; }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags) override
    {
        placed.push_back({painter()->worldTransform(), r, sr, image});
    }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return pixels_.width();
        case PdmHeight: return pixels_.height();
        case PdmDepth: return 32;
        case PdmDevicePixelRatio: return int(std::lround(ratio_));
        case PdmDevicePixelRatioScaled: return int(std::lround(ratio_ * devicePixelRatioFScale()));
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 96;
        case PdmWidthMM: return int(pixels_.width() * 25.4 / 96);
        case PdmHeightMM: return int(pixels_.height() * 25.4 / 96);
        case PdmNumColors: return 0;
        }
        return 0;
    }

private:
    QSize pixels_;
    qreal ratio_;
};
} // namespace

PCB::PCB(Design* design)
    : GraphicsSheet(design)
{
}

PCB::~PCB() = default;

void PCB::readSheetParts(pugi::xml_node element)
{
    if (pugi::xml_node layers = childElement(element, "layers"))
        layerList.readPcbLayerList(layers);
}

void PCB::setBoardBorderFactory(BoardBorderFactory factory) { boardBorderFactory() = std::move(factory); }

void PCB::registerBoardBorder(std::shared_ptr<Entity> border) { pcbBorder_ = std::move(border); }

std::shared_ptr<Entity> PCB::pcbBorder()
{
    if (!pcbBorder_ && boardBorderFactory()) {
        std::shared_ptr<Entity> made = boardBorderFactory()(*this);
        // The border may have registered itself already; either way it is ours.
        if (!pcbBorder_)
            pcbBorder_ = std::move(made);
    }
    return pcbBorder_;
}

QColor PCB::holePassColor() const
{
    const QColor yellow(255, 255, 0);
    for (int index : {PcbLayerList::kTopLayer, layerList.bottomLayer}) {
        if (layerList.isLayerVisible(index))
            return pcbSettings.showPadsAsSolidYellow ? yellow : layerList.layerAt(index)->color.value();
    }
    return QColor(0, 0, 0, 0);
}

std::shared_ptr<Entity> PCB::drawLayerPass(Graphics& g, int index)
{
    PcbLayer* layer = layerList.layerAt(index);
    if (!layer || !layer->visible)
        return nullptr;
    g.currentLayer = index;
    g.useLayerColor = layer->singleColorLayer;
    g.layerColor = layer->color.value();
    return entityList.draw(g);
}

std::shared_ptr<Entity> PCB::draw(Graphics& g)
{
    if (!g.picking)
        drawSheetDecorations(g);
    const bool savedDrawingPcb = g.drawingPcb;
    g.drawingPcb = true;
    std::shared_ptr<Entity> hit = drawWithSelectionFrames(g, [&] { return drawPasses(g); });
    g.drawingPcb = savedDrawingPcb;
    return hit;
}

std::shared_ptr<Entity> PCB::drawPasses(Graphics& g)
{
    const PcbLayerList& layers = layerList;

    // Bottom side and inner layers, back to front.
    if (!layers.showPcbSolid) {
        for (int index = layers.backgroundLayer; index >= PcbLayerList::kFirstLowerLayer; --index) {
            if (auto hit = drawLayerPass(g, index))
                return hit;
        }
    }

    // Board border, non-plated holes and cutouts in their own colours; a hit
    // here is not reported.
    g.currentLayer = PcbLayerList::kBoardBorderLayer;
    g.useLayerColor = false;
    entityList.draw(g);

    if (auto hit = drawLayerPass(g, PcbLayerList::kTopLayer))
        return hit;

    if (pcbSettings.showPadsAsSolidYellow && !g.picking
        && (layers.isLayerVisible(PcbLayerList::kTopLayer) || layers.isLayerVisible(layers.bottomLayer))) {
        // Solid pads are yellow: the top copper pass's layer colour must not
        // leak into them.
        g.useLayerColor = false;
        entityList.drawPadPass(g);
    }

    if (layers.isLayerVisible(PcbLayerList::kTopSolderMask) && !g.picking) {
        if (framePrepared_ && g.context.concurrent) {
            // The bands of a frame lay their rows of the prepared fill.
            g.useLayerColor = false;
            QPainter& painter = g.context.painter();
            const QTransform world = painter.worldTransform();
            for (const FillImage& f : frameFill_) {
                painter.setWorldTransform(f.world * g.context.baseTransform());
                painter.drawImage(f.target, f.image, f.source);
            }
            painter.setWorldTransform(world);
        } else {
            std::shared_ptr<Entity> border = pcbBorder();
            if (auto* fill = dynamic_cast<IBoardBorder*>(border.get()))
                fill->drawBoardFill(g, layers.layerAt(PcbLayerList::kTopSolderMask)->color.value());
        }
    }

    for (int index : {PcbLayerList::kTopSilkscreen, PcbLayerList::kTopSolderPaste}) {
        if (auto hit = drawLayerPass(g, index))
            return hit;
    }

    if (pcbSettings.showHoles && !g.picking) {
        // The pass's colours must not depend on the layer drawn before it.
        g.useLayerColor = false;
        entityList.drawHolePass(g, holePassColor());
    }

    for (int index : {PcbLayerList::kTopPackage, PcbLayerList::kTopBackgroundLayer}) {
        if (auto hit = drawLayerPass(g, index))
            return hit;
    }
    return nullptr;
}

void PCB::prepareFrame(const QTransform& view, const QSizeF& size, qreal ratio, const BoundingBox& visible)
{
    endFrame();
    GraphicsSheet::prepareFrame(view, size, ratio, visible);
    const PcbLayerList& layers = layerList;
    if (!layers.isLayerVisible(PcbLayerList::kTopSolderMask))
        return;
    const QSize pixels(std::max(1, int(std::ceil(size.width() * ratio))), std::max(1, int(std::ceil(size.height() * ratio))));
    ImageRecorder recorder(pixels, ratio);
    {
        QPainter painter(&recorder);
        DrawingContext context(painter);
        context.concatenate(view);
        Graphics g(context);
        g.drawingPcb = true;
        g.viewportBoundingBox = visible;
        // The state the layer passes leave before the fill: the top copper
        // pass when that layer is shown, else the board border pass.
        g.currentLayer = PcbLayerList::kBoardBorderLayer;
        if (const PcbLayer* top = layers.layerAt(PcbLayerList::kTopLayer); top && top->visible) {
            g.currentLayer = PcbLayerList::kTopLayer;
            g.useLayerColor = top->singleColorLayer;
            g.layerColor = top->color.value();
        }
        std::shared_ptr<Entity> border = pcbBorder();
        if (auto* fill = dynamic_cast<IBoardBorder*>(border.get()))
            fill->drawBoardFill(g, layers.layerAt(PcbLayerList::kTopSolderMask)->color.value());
    }
    for (ImageRecorder::Placed& p : recorder.placed)
        frameFill_.push_back({p.world, p.target, p.source, std::move(p.image)});
    framePrepared_ = true;
}

void PCB::endFrame()
{
    GraphicsSheet::endFrame();
    framePrepared_ = false;
    frameFill_.clear();
}
