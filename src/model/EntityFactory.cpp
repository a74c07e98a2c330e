#include "model/EntityFactory.h"

#include "model/Entity.h"

#include <mutex>
#include <string_view>
#include <unordered_map>

namespace {

// Looked up by the element's own name text, without a string made per
// element.
struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const noexcept { return std::hash<std::string_view>()(name); }
};
// Each maker with its element name as the entities keep it: one shared
// string for every entity of a kind, not one allocation per entity.
struct Registered {
    EntityMaker maker;
    QString name;
};
using MakerTable = std::unordered_map<std::string, Registered, NameHash, std::equal_to<>>;

// Built on first use so that no static initialisation order matters.
MakerTable& makerTable()
{
    static MakerTable table;
    return table;
}

} // namespace

void registerEntity(const std::string& elementName, EntityMaker maker)
{
    makerTable()[elementName] = {std::move(maker), QString::fromStdString(elementName)};
}

std::shared_ptr<Entity> makeEntity(pugi::xml_node element, GraphicsSheet* sheet)
{
    static std::once_flag registered;
    std::call_once(registered, registerAllEntities);

    const auto& table = makerTable();
    auto it = table.find(std::string_view(element.name()));
    if (it == table.end() || !it->second.maker)
        return nullptr;
    std::shared_ptr<Entity> entity = it->second.maker(element, sheet);
    if (entity)
        entity->elementName.shareStable(it->second.name);
    return entity;
}

void registerAllEntities()
{
    registerDrawingEntities();
    registerPcbEntities();
    registerSchematicEntities();
    registerFootprintEntities();
}
