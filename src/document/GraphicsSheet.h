#pragma once
// A sheet of entities with its settings: the PCB sheet or a schematic sheet.

#include "core/Values.h"
#include "model/EntityList.h"

#include <QRectF>
#include <QString>
#include <memory>
#include <pugixml.hpp>

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
    // each when its switch is on and not picking, then the entities. In pick
    // mode returns the entity hit.
    virtual std::shared_ptr<Entity> draw(Graphics& g);
    // Page, border references, title block, grid and origin mark only.
    void drawSheetDecorations(Graphics& g);

    // Net transforms and bounding boxes of every entity; the result is
    // entityList.boundingBox.
    void updateGeometry();

    // The page in model coordinates.
    QRectF pageRect() const;

protected:
    // What a kind of sheet reads between its settings and its entities.
    virtual void readSheetParts(pugi::xml_node element);

    void drawPage(Graphics& g);
    void drawBorderReferences(Graphics& g);
    void drawTitleBlock(Graphics& g);
    void drawGrid(Graphics& g);
    void drawOriginMark(Graphics& g);
};
