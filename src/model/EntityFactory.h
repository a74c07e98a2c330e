#pragma once
// The element-name factory: one table from element names to makers.

#include <functional>
#include <memory>
#include <pugixml.hpp>
#include <string>

class Entity;
class GraphicsSheet;

using EntityMaker = std::function<std::shared_ptr<Entity>(pugi::xml_node element, GraphicsSheet* sheet)>;

// A new, initialised entity for the element's name (compared exactly), with
// its elementName set, or none for a name nobody registered. Reading is the
// caller's.
std::shared_ptr<Entity> makeEntity(pugi::xml_node element, GraphicsSheet* sheet);

void registerEntity(const std::string& elementName, EntityMaker maker);
template <class T>
void registerEntity(const std::string& elementName)
{
    registerEntity(elementName, [](pugi::xml_node, GraphicsSheet* sheet) { return std::make_shared<T>(sheet); });
}

// One registration function per entity folder, all called from
// registerAllEntities (once; makeEntity calls it on first use).
void registerDrawingEntities();
void registerPcbEntities();
void registerSchematicEntities();
void registerFootprintEntities();
void registerAllEntities();
