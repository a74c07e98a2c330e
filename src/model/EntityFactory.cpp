#include "model/EntityFactory.h"

#include "model/Entity.h"

#include <mutex>
#include <unordered_map>

namespace {

// Built on first use so that no static initialisation order matters.
std::unordered_map<std::string, EntityMaker>& makerTable()
{
    static std::unordered_map<std::string, EntityMaker> table;
    return table;
}

} // namespace

void registerEntity(const std::string& elementName, EntityMaker maker)
{
    makerTable()[elementName] = std::move(maker);
}

std::shared_ptr<Entity> makeEntity(pugi::xml_node element, GraphicsSheet* sheet)
{
    static std::once_flag registered;
    std::call_once(registered, registerAllEntities);

    const auto& table = makerTable();
    auto it = table.find(element.name());
    if (it == table.end() || !it->second)
        return nullptr;
    return it->second(element, sheet);
}

void registerAllEntities()
{
    registerDrawingEntities();
    registerPcbEntities();
    registerSchematicEntities();
    registerFootprintEntities();
}
