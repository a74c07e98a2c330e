#include "document/DesignState.h"

#include "document/PCB.h"
#include "document/Schematic.h"

#include "core/ReadWorkers.h"
#include "model/Entity.h"

namespace {

// A large sheet's entities are released on the reading threads: freeing a
// board's hundreds of thousands of objects one after another is a good part
// of replacing a design. Only a sheet nobody else holds, which goes now
// anyway.
constexpr size_t kParallelReleaseMinEntities = 256;
constexpr size_t kEntitiesPerReleasePart = 64;

template <class Sheet>
void releaseEntities(std::shared_ptr<Sheet>& sheet)
{
    if (!sheet || sheet.use_count() != 1)
        return;
    std::vector<std::shared_ptr<Entity>>& entities = sheet->entityList.entities;
    if (entities.size() < kParallelReleaseMinEntities)
        return;
    try {
        // Each by the thread that read it where it can: a thread frees
        // into its own heap arena without waiting for another's lock.
        ReadWorkers::forEachMarkedPart(sheet->entityList.threadMarks(), kEntitiesPerReleasePart,
                                       [&entities](size_t, size_t begin, size_t end) {
                                           for (size_t i = begin; i < end; ++i)
                                               entities[i].reset();
                                       });
    } catch (...) {
        // Whatever is left goes with the sheet, on this thread.
    }
}

} // namespace

DesignState::DesignState(Design* design)
    : design(design)
    , pcb(std::make_shared<PCB>(design))
{
}

DesignState::~DesignState()
{
    releaseEntities(pcb);
    for (std::shared_ptr<Schematic>& schematic : schematics)
        releaseEntities(schematic);
}

std::shared_ptr<Schematic> DesignState::addSchematic()
{
    auto sheet = std::make_shared<Schematic>(design);
    schematics.push_back(sheet);
    return sheet;
}
