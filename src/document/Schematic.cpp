#include "document/Schematic.h"

#include "core/Graphics.h"

Schematic::Schematic(Design* design)
    : GraphicsSheet(design)
{
}

Schematic::~Schematic() = default;

std::shared_ptr<Entity> Schematic::draw(Graphics& g)
{
    g.showNodeIds = schematicSettings.showNodeIds;
    g.doNotDrawNodeIds = !schematicSettings.showNodeIds;
    return GraphicsSheet::draw(g);
}
