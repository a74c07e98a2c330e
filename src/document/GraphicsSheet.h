#pragma once
// A sheet of entities with its settings: the PCB sheet or a schematic sheet.

#include "core/Values.h"
#include "model/EntityList.h"

#include <QRectF>
#include <QString>
#include <functional>
#include <memory>
#include <pugixml.hpp>
#include <vector>

class Design;
class Entity;
class Graphics;
class SheetSettings;

class GraphicsSheet {
public:
    explicit GraphicsSheet(Design* design);
    virtual ~GraphicsSheet();
    GraphicsSheet(const GraphicsSheet&) = delete;
    GraphicsSheet& operator=(const GraphicsSheet&) = delete;

    Design* design = nullptr; // not owned
    Id id;
    QString name;
    EntityList entityList;

    virtual SheetSettings& settings() = 0;
    const SheetSettings& settings() const { return const_cast<GraphicsSheet*>(this)->settings(); }

    // "id", "name", the "settings" child, then the entities.
    virtual void readXML(pugi::xml_node element);

    // Page (with border references and title block), grid and origin mark,
    // each when its switch is on and not picking, then the entities, then
    // the selection frames over them. In pick mode returns the entity hit.
    virtual std::shared_ptr<Entity> draw(Graphics& g);
    // Page, border references, title block, grid and origin mark only.
    void drawSheetDecorations(Graphics& g);
    // The frames of the selected entities alone, in sheet coordinates:
    // what draw puts over everything else (a view draws them over a frame
    // drawn without them).
    void drawSelectionMarks(Graphics& g) { drawSelectionFrames(g); }

    // Net transforms and bounding boxes of every entity; the result is
    // entityList.boundingBox.
    void updateGeometry();

    // The page in model coordinates.
    QRectF pageRect() const;

    // A frame drawn in bands on several threads shares what is the same for
    // every band, set up here once on the calling thread before the bands
    // start (model to view transform, size in view units, device pixel
    // ratio, visible box): the search for the selected entities, whose
    // frames the bands draw, is shared out between the bands instead of
    // every band walking every entity. endFrame lets it go.
    virtual void prepareFrame(const QTransform& view, const QSizeF& size, qreal ratio, const BoundingBox& visible);
    virtual void endFrame();

protected:
    // What a kind of sheet reads between its settings and its entities.
    virtual void readSheetParts(pugi::xml_node element);

    // Runs drawEntities (the sheet's passes) with the selection frames left
    // out of them, then draws the frame of every selected entity of the
    // sheet once, over everything, whatever its layer. In pick mode only
    // drawEntities runs: a selected entity's frame stays part of it there,
    // so a click finds what it found before. Returns drawEntities' hit.
    std::shared_ptr<Entity> drawWithSelectionFrames(Graphics& g,
        const std::function<std::shared_ptr<Entity>()>& drawEntities);
    // The frames of the selected entities, in sheet coordinates.
    void drawSelectionFrames(Graphics& g);

    void drawPage(Graphics& g);
    void drawBorderReferences(Graphics& g);
    void drawTitleBlock(Graphics& g);
    void drawGrid(Graphics& g);
    void drawOriginMark(Graphics& g);

private:
    struct FrameSelection;
    // The selected entities of the frame, found by the bands in parts.
    const std::vector<Entity*>& frameSelection();
    std::unique_ptr<FrameSelection> frameSelection_;
};
