#include "document/PCB.h"

#include "core/Graphics.h"
#include "core/Readers.h"
#include "model/Entity.h"

namespace {
BoardBorderFactory& boardBorderFactory()
{
    static BoardBorderFactory factory;
    return factory;
}
}

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
        std::shared_ptr<Entity> border = pcbBorder();
        if (auto* fill = dynamic_cast<IBoardBorder*>(border.get()))
            fill->drawBoardFill(g, layers.layerAt(PcbLayerList::kTopSolderMask)->color.value());
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
