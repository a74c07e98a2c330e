#include "document/DesignState.h"

#include "document/PCB.h"
#include "document/Schematic.h"

#include "core/ReadWorkers.h"
#include "model/Entity.h"

#include <algorithm>
#include <atomic>

namespace {

// A large sheet's entities are released on the reading threads: freeing a
// board's hundreds of thousands of objects one after another is a good part
// of replacing a design. Only a sheet nobody else holds, which goes now
// anyway.
constexpr size_t kParallelReleaseMinEntities = 256;
constexpr size_t kEntitiesPerLooseGroup = 64;

template <class Sheet>
void releaseEntities(std::shared_ptr<Sheet>& sheet)
{
    if (!sheet || sheet.use_count() != 1)
        return;
    std::vector<std::shared_ptr<Entity>>& entities = sheet->entityList.entities;
    if (entities.size() < kParallelReleaseMinEntities || ReadWorkers::threads() < 2)
        return;
    try {
        // The entities in groups by the thread that read them; each group is
        // freed by one thread, its reader where it can. A thread frees into
        // its own heap arena without waiting, and into another's under that
        // arena's lock, which two threads freeing one group side by side
        // would keep taking from each other. Entities of no thread in
        // particular go in groups of a few, to whoever comes.
        const std::vector<ReadWorkers::ThreadMark> marks = sheet->entityList.threadMarks();
        constexpr size_t kMarks = size_t(ReadWorkers::kAnyThread) + 1;
        std::vector<size_t> start(kMarks + 1, 0);
        for (ReadWorkers::ThreadMark m : marks)
            ++start[size_t(m) + 1];
        for (size_t m = 0; m < kMarks; ++m)
            start[m + 1] += start[m];
        std::vector<size_t> order(entities.size());
        std::vector<size_t> fill(start.begin(), start.end() - 1);
        for (size_t i = 0; i < marks.size(); ++i)
            order[fill[marks[i]]++] = i;
        struct Group {
            size_t mark, begin, end;
        };
        std::vector<Group> groups;
        for (size_t m = 0; m < kMarks; ++m) {
            const size_t step = m == ReadWorkers::kAnyThread ? kEntitiesPerLooseGroup : entities.size();
            for (size_t b = start[m]; b < start[m + 1]; b += step)
                groups.push_back({m, b, std::min(start[m + 1], b + step)});
        }
        // Taken by a thread not their reader's: the largest first.
        std::stable_sort(groups.begin(), groups.end(),
                         [](const Group& a, const Group& b) { return a.end - a.begin > b.end - b.begin; });
        std::vector<std::atomic<bool>> taken(groups.size());
        const auto release = [&](size_t g) {
            if (taken[g].exchange(true))
                return;
            for (size_t k = groups[g].begin; k < groups[g].end; ++k)
                entities[order[k]].reset();
        };
        const size_t workers = std::min(groups.size(), size_t(ReadWorkers::threads()));
        ReadWorkers::forEachPart(workers, 1, [&](size_t, size_t) {
            const size_t own = ReadWorkers::currentThreadMark();
            for (size_t g = 0; g < groups.size(); ++g)
                if (groups[g].mark == own)
                    release(g);
            for (size_t g = 0; g < groups.size(); ++g)
                release(g);
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
    // A read given up drops what it read: that release goes to its end.
    const ReadWorkers::StopScope unstoppable(nullptr);
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
