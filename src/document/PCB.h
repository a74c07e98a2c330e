#pragma once
// The PCB sheet: entities drawn layer by layer through the layer stack, plus
// the solid-pad pass, the board fill and the hole pass.

#include "document/GraphicsSheet.h"
#include "document/PcbLayerList.h"
#include "document/SheetSettings.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QTransform>
#include <functional>
#include <memory>
#include <vector>

class Entity;
class Graphics;
class PCB;

// What the PCB sheet needs of its board border: the board shape painted in
// the top solder-mask colour with the pad openings cut out.
class IBoardBorder {
public:
    virtual ~IBoardBorder() = default;
    virtual void drawBoardFill(Graphics& g, const QColor& color) = 0;
};

// Makes the default border of a PCB sheet that read none; installed by the
// board border's registration. The made border must be an Entity adopting
// IBoardBorder; the sheet registers it.
using BoardBorderFactory = std::function<std::shared_ptr<Entity>(PCB& pcb)>;

class PCB : public GraphicsSheet {
public:
    explicit PCB(Design* design);
    ~PCB() override;

    PcbLayerList layerList;
    PcbSettings pcbSettings;

    SheetSettings& settings() override { return pcbSettings; }

    // The layer passes, back to front; in pick mode the first entity hit.
    std::shared_ptr<Entity> draw(Graphics& g) override;

    // The sheet's board border: the last one registered, else a default one
    // made (once) by the installed factory; null when there is no factory.
    std::shared_ptr<Entity> pcbBorder();
    // Every border created on this sheet registers here; the last one wins.
    void registerBoardBorder(std::shared_ptr<Entity> border);
    bool hasBoardBorder() const { return bool(pcbBorder_); }

    static void setBoardBorderFactory(BoardBorderFactory factory);

    // The colour handed to the hole pass: yellow with solid pads, else the top
    // copper colour, else the bottom copper colour, else transparent.
    QColor holePassColor() const;

    // A frame drawn in bands on several threads shares one board fill: made
    // here for the whole frame (model to view transform, size in view units,
    // device pixel ratio, visible box) on the calling thread, then each band
    // draws its rows of it. endFrame lets it go (the border reuses its
    // image while nothing holds it).
    void prepareFrame(const QTransform& view, const QSizeF& size, qreal ratio, const BoundingBox& visible) override;
    void endFrame() override;

protected:
    // The "layers" child.
    void readSheetParts(pugi::xml_node element) override;

private:
    // One layer pass when the layer exists and is visible.
    std::shared_ptr<Entity> drawLayerPass(Graphics& g, int index);
    std::shared_ptr<Entity> drawPasses(Graphics& g);

    std::shared_ptr<Entity> pcbBorder_;
    // The board fill prepareFrame recorded: images with where they go.
    struct FillImage {
        QTransform world; // the painter's transform, in view units
        QRectF target;
        QRectF source;
        QImage image;
    };
    bool framePrepared_ = false;
    std::vector<FillImage> frameFill_;
};
