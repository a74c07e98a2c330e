#include "model/EntityFactory.h"

#include "model/Entity.h"

#include <cstdint>
#include <mutex>
#include <string_view>
#include <unordered_map>

namespace {

// Looked up by the element's own name text, without a string made per
// element. The length and three characters tell the hundred or so names
// apart nearly always (a clash costs one comparison), for less than hashing
// every byte of each of the many elements.
struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const noexcept
    {
        const size_t n = name.size();
        if (n == 0)
            return 0;
        return n << 24 ^ size_t(uint8_t(name[0])) << 16 ^ size_t(uint8_t(name[n / 2])) << 8 ^ size_t(uint8_t(name[n - 1]));
    }
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
