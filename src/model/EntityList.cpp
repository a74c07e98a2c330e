#include "model/EntityList.h"

#include "core/Graphics.h"
#include "core/InkMeasure.h"
#include "core/ModelGuard.h"
#include "core/ReadWorkers.h"
#include "core/Readers.h"
#include "core/XmlParts.h"
#include "model/EntityFactory.h"

#include <algorithm>
#include <bit>
#include <functional>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <typeinfo>
#include <unordered_set>

namespace {

// How many entity lists are being read one inside the other. A hostile file
// can nest holders without limit; reading stops descending at the cap so the
// stack stays bounded.
thread_local int readingDepth = 0;

struct ReadingDepthGuard {
    ReadingDepthGuard() { ++readingDepth; }
    ~ReadingDepthGuard() { --readingDepth; }
    ReadingDepthGuard(const ReadingDepthGuard&) = delete;
    ReadingDepthGuard& operator=(const ReadingDepthGuard&) = delete;
};

// Pad and hole passes reach a holder's children both through the holder's
// own pass (which may forward to them) and through drawChildren*Pass. A list
// already visited in the running top-level pass is not visited again. The
// visited lists are kept per thread: the bands of a frame run the same
// passes over the same lists at the same time.
thread_local int passDepth = 0;
thread_local std::unordered_set<const EntityList*> visitedLists;

class PassScope {
public:
    explicit PassScope(const EntityList* list)
    {
        if (passDepth == 0)
            visitedLists.clear();
        ++passDepth;
        firstVisit_ = visitedLists.insert(list).second;
    }
    ~PassScope() { --passDepth; }
    PassScope(const PassScope&) = delete;
    PassScope& operator=(const PassScope&) = delete;
    bool firstVisit() const { return firstVisit_; }

private:
    bool firstVisit_ = true;
};

} // namespace

namespace {

// A top-level list this long is read on several threads, in parts of this
// many entities (small enough that one pour or large footprint among them
// does not leave the other threads idle).
constexpr size_t kParallelReadMinEntities = 256;
constexpr size_t kEntitiesPerReadPart = 16;

// On a reading thread, the nesting of the list whose part it reads, and the
// attribute index when the reader opened one.
class ReadingThreadScope {
public:
    ReadingThreadScope(int depth, bool indexed, const XmlParts* xml) : saved_(readingDepth), xml_(xml)
    {
        readingDepth = depth;
        if (indexed)
            index_.emplace();
    }
    ~ReadingThreadScope() { readingDepth = saved_; }
    ReadingThreadScope(const ReadingThreadScope&) = delete;
    ReadingThreadScope& operator=(const ReadingThreadScope&) = delete;

private:
    int saved_;
    std::optional<AttributeIndexScope> index_;
    XmlParts::Scope xml_;
};

// About how many bytes of the file an element spans: from its name to the
// last thing inside it (the parsed names and texts lie in the file's own
// bytes, in order). Zero where that does not hold.
size_t elementBytes(pugi::xml_node element)
{
    pugi::xml_node last = element;
    while (pugi::xml_node child = last.last_child())
        last = child;
    const auto at = [](pugi::xml_node n) {
        return reinterpret_cast<uintptr_t>(n.type() == pugi::node_element ? n.name() : n.value());
    };
    const uintptr_t from = at(element), to = at(last);
    return to > from ? size_t(to - from) : 0;
}

// Parts of a list read at once never span more than this many bytes of the
// file (one larger element, a pour, is a part of its own).
constexpr size_t kBytesPerReadPart = 32 * 1024;

struct ReadPart {
    size_t begin, end, bytes;
};

constexpr size_t kNoRun = size_t(-1);

// What a sheet's list reads: a child element, or a run of children parsed
// apart (parsed by the thread that reads it).
struct ReadSlot {
    pugi::xml_node node;
    size_t run = kNoRun; // the run's number in the parsed text
    size_t runRead = 0;  // where its entities are kept
};

// The parts of the items to read, largest first: a pour of a hundred
// thousand vertices met last would be read alone while the other threads
// wait for it. A run is a part of its own.
std::vector<ReadPart> readParts(const std::vector<ReadSlot>& items, const XmlParts* xml)
{
    std::vector<ReadPart> parts;
    const bool runs = std::any_of(items.begin(), items.end(), [](const ReadSlot& s) { return s.run != kNoRun; });
    if (items.size() < kParallelReadMinEntities && !runs) {
        parts.push_back({0, items.size(), 0});
        return parts;
    }
    bool afterRun = false;
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].run != kNoRun) {
            parts.push_back({i, i + 1, xml->runBytes(items[i].run)});
            afterRun = true;
            continue;
        }
        const size_t bytes = elementBytes(items[i].node);
        ReadPart* part = parts.empty() || afterRun ? nullptr : &parts.back();
        afterRun = false;
        if (!part || part->end - part->begin >= kEntitiesPerReadPart || part->bytes + bytes > kBytesPerReadPart)
            part = &parts.emplace_back(ReadPart{i, i, 0});
        part->end = i + 1;
        part->bytes += bytes;
    }
    std::stable_sort(parts.begin(), parts.end(), [](const ReadPart& a, const ReadPart& b) { return a.bytes > b.bytes; });
    return parts;
}

// The children of an "entities" element, wherever the reader parsed them:
// a sheet's long list may have been parsed in runs.
template <class F>
void forEachListChild(pugi::xml_node entitiesElement, F&& f)
{
    if (const XmlParts* parts = XmlParts::current(); parts && readingDepth == 1) {
        parts->forEachChild(entitiesElement, f);
        return;
    }
    for (pugi::xml_node child = entitiesElement.first_child(); child; child = child.next_sibling())
        f(child);
}

std::shared_ptr<Entity> readEntity(pugi::xml_node child, GraphicsSheet* sheet)
{
    std::shared_ptr<Entity> entity = makeEntity(child, sheet);
    if (entity)
        entity->readXML(child);
    return entity;
}

} // namespace

void EntityList::readEntities(pugi::xml_node element, GraphicsSheet* sheet, EntityList& list)
{
    if (readingDepth >= kMaxNesting)
        return;
    ReadingDepthGuard guard;
    // Nested lists are short and already read on a reading thread: only the
    // sheet's own list is split. The parsed document is not changed while
    // it is read, and entities share nothing they change while reading.
    if (readingDepth == 1 && ReadWorkers::threads() > 1) {
        const XmlParts* xml = XmlParts::current();
        std::vector<ReadSlot> items;
        size_t runsRead = 0;
        for (pugi::xml_node entitiesElement : element.children("entities")) {
            for (pugi::xml_node child = entitiesElement.first_child(); child; child = child.next_sibling()) {
                if (child.type() == pugi::node_element)
                    items.push_back({child});
            }
            if (xml) {
                const auto [first, end] = xml->runsOf(entitiesElement);
                for (size_t r = first; r < end; ++r)
                    items.push_back({pugi::xml_node(), r, runsRead++});
            }
        }
        std::vector<std::shared_ptr<Entity>> read(items.size());
        std::vector<std::vector<std::shared_ptr<Entity>>> fromRuns(runsRead);
        std::vector<ReadWorkers::ThreadMark> marks(items.size());
        const int depth = readingDepth;
        const bool indexed = AttributeIndexScope::active();
        const std::vector<ReadPart> parts = readParts(items, xml);
        ReadWorkers::forEachPart(parts.size(), 1, [&](size_t part, size_t) {
            const ReadingThreadScope scope(depth, indexed, xml);
            const ReadWorkers::ThreadMark mark = ReadWorkers::currentThreadMark();
            for (size_t i = parts[part].begin; i < parts[part].end; ++i) {
                ReadWorkers::throwIfStopped();
                marks[i] = mark;
                if (items[i].run == kNoRun) {
                    read[i] = readEntity(items[i].node, sheet);
                    continue;
                }
                // A run that does not parse leaves the read to be done again
                // from the whole text.
                const pugi::xml_document* doc = xml->run(items[i].run);
                if (!doc)
                    continue;
                std::vector<std::shared_ptr<Entity>>& out = fromRuns[items[i].runRead];
                for (pugi::xml_node child = doc->first_child(); child; child = child.next_sibling()) {
                    if (child.type() != pugi::node_element)
                        continue;
                    if (std::shared_ptr<Entity> entity = readEntity(child, sheet))
                        out.push_back(std::move(entity));
                }
            }
        });
        size_t count = 0;
        for (size_t i = 0; i < items.size(); ++i)
            count += items[i].run == kNoRun ? size_t(read[i] != nullptr) : fromRuns[items[i].runRead].size();
        std::vector<uint8_t> readMarks = list.threadMarks();
        list.entities.reserve(list.entities.size() + count);
        readMarks.reserve(list.entities.capacity());
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i].run == kNoRun) {
                if (read[i]) {
                    list.entities.push_back(std::move(read[i]));
                    readMarks.push_back(marks[i]);
                }
                continue;
            }
            for (std::shared_ptr<Entity>& entity : fromRuns[items[i].runRead]) {
                list.entities.push_back(std::move(entity));
                readMarks.push_back(marks[i]);
            }
        }
        list.setReadMarks(std::move(readMarks));
        return;
    }
    for (pugi::xml_node entitiesElement : element.children("entities")) {
        forEachListChild(entitiesElement, [&](pugi::xml_node child) {
            if (child.type() != pugi::node_element)
                return;
            ReadWorkers::throwIfStopped();
            if (std::shared_ptr<Entity> entity = readEntity(child, sheet))
                list.entities.push_back(std::move(entity));
        });
    }
}

namespace {

// A list this long (a sheet's own, in practice) is measured on the reading
// threads, in parts of this many entities. Lists inside an entity measured
// on such a thread are measured there whole.
constexpr size_t kParallelGeometryMinEntities = 256;
constexpr size_t kEntitiesPerGeometryPart = 32;
thread_local bool measuringPart = false;

class MeasuringPartScope {
public:
    MeasuringPartScope() : saved_(measuringPart) { measuringPart = true; }
    ~MeasuringPartScope() { measuringPart = saved_; }
    MeasuringPartScope(const MeasuringPartScope&) = delete;
    MeasuringPartScope& operator=(const MeasuringPartScope&) = delete;

private:
    bool saved_;
};

} // namespace

// What the index of a list is made from, per slot: its key (where it lies
// for every pass) and its kind.
struct EntityList::IndexInput {
    std::vector<BoundingBox> keys;
    std::vector<const std::type_info*> kinds;

    explicit IndexInput(size_t n) : keys(n), kinds(n) {}
};

const EntityList::Grid EntityList::noGrid_;
const std::vector<EntityList::Slot> EntityList::noSlots_;

EntityList::LongParts& EntityList::longParts()
{
    if (!long_)
        long_ = std::make_unique<LongParts>();
    return *long_;
}

void EntityList::dropSlots()
{
    if (!long_)
        return;
    if (long_->readMarks.empty()) {
        long_.reset();
        return;
    }
    long_->slotItems = {};
    long_->measured = {};
    long_->reach = {};
    long_->grid = Grid();
}

void EntityList::setReadMarks(std::vector<uint8_t> marks)
{
    if (!marks.empty() || long_)
        longParts().readMarks = std::move(marks);
}

void EntityList::updateBoundingBox(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox)
{
    boundingBox = BoundingBox();
    const size_t n = entities.size();
    // An entity's geometry, then its ink (which its drawing, placed by it, gives).
    const auto measure = [&parentTransform](Entity& e, BoundingBox* box) {
        e.updateGeometry(parentTransform, box);
        measureInk(e, parentTransform);
    };
    const bool parallel = n >= kParallelGeometryMinEntities && !measuringPart && ReadWorkers::threads() > 1;
    if (parallel) {
        // Entities measure themselves and their children only (shared
        // caches they fill are locked). Each part gathers its own box; a
        // box is a minimum and maximum of finite values, so joining the
        // parts' boxes gives what one pass in order gives.
        // Measured on the thread that read the entity where it can, so that
        // what the pass allocates lies in the same heap arena as the entity.
        // The slot and index entry of each entity are taken there too, while
        // the entity is still at hand.
        const std::vector<ReadWorkers::ThreadMark> marks = threadMarks();
        std::vector<BoundingBox> partBoxes(ReadWorkers::markedPartCount(marks, kEntitiesPerGeometryPart));
        LongParts& parts = longParts();
        parts.slotItems.resize(n);
        parts.reach.resize(n);
        IndexInput input(n);
        ReadWorkers::forEachMarkedPart(marks, kEntitiesPerGeometryPart, [&](size_t part, size_t begin, size_t end) {
            const MeasuringPartScope scope;
            BoundingBox& box = partBoxes[part];
            for (size_t i = begin; i < end; ++i) {
                ReadWorkers::throwIfStopped();
                measure(*entities[i], &box);
                measureSlot(i, parts.slotItems[i]);
                measureIndexEntry(i, parts.slotItems[i], parts.reach[i], input);
            }
        });
        for (const BoundingBox& box : partBoxes)
            boundingBox.addTransformedBox(box, std::nullopt);
        if (parentBox && boundingBox.valid)
            parentBox->addTransformedBox(boundingBox, std::nullopt);
        updateLayerMask(&input);
        return;
    }
    // A short list read on several threads (its text was long, a few huge
    // curves say) is measured an entity per part there too, the boxes of
    // the parts joined as above.
    std::vector<ReadWorkers::ThreadMark> marks;
    if (n > 1 && !measuringPart && ReadWorkers::threads() > 1)
        marks = threadMarks();
    if (std::adjacent_find(marks.begin(), marks.end(), std::not_equal_to<>()) != marks.end()) {
        std::vector<BoundingBox> boxes(n);
        ReadWorkers::forEachMarkedPart(marks, 1, [&](size_t, size_t begin, size_t end) {
            const MeasuringPartScope scope;
            for (size_t i = begin; i < end; ++i)
                measure(*entities[i], &boxes[i]);
        });
        for (const BoundingBox& box : boxes)
            boundingBox.addTransformedBox(box, std::nullopt);
    } else {
        for (const auto& e : entities) {
            ReadWorkers::throwIfStopped();
            measure(*e, &boundingBox);
        }
    }
    if (parentBox && boundingBox.valid)
        parentBox->addTransformedBox(boundingBox, std::nullopt);
    updateLayerMask(nullptr);
}

std::vector<uint8_t> EntityList::threadMarks() const
{
    if (long_ && !long_->readMarks.empty() && long_->readMarks.size() == entities.size())
        return long_->readMarks;
    return std::vector<uint8_t>(entities.size(), ReadWorkers::kAnyThread);
}

void EntityList::measureSlot(size_t i, Slot& slot) const
{
    Entity& e = *entities[i];
    const BoundingBox box = inkBox(e);
    slot.sides = Sides(box);
    slot.boxValid = box.valid;
    slot.layers = 0;
    slot.allLayers = false;
    slot.buried = false;
    slot.layer = e.layerIndex;
    IEntityHolder* h = e.holder();
    slot.holder = h != nullptr;
    slot.reachKnown = false;
    slot.padIsBox = false;
    const int bit = e.layerIndex + kLayerBias;
    if (bit < 0 || bit >= 64)
        slot.allLayers = true;
    else
        slot.layers = uint64_t(1) << bit;
    if (h) {
        const EntityList& children = h->entities();
        if (children.layerMask_ == kAllLayers)
            slot.allLayers = true;
        else
            slot.layers |= children.layerMask_;
    }
}

void EntityList::updateLayerMask(IndexInput* measured)
{
    uint64_t mask = 0;
    const auto add = [&mask](const Slot& slot) { mask |= slot.allLayers ? kAllLayers : slot.layers; };
    // Short lists (a footprint's few children) keep no items: a board holds
    // thousands of them, and their passes read the entities themselves.
    if (measured || entities.size() >= kIndexMinEntities) {
        if (!measured) {
            LongParts& parts = longParts();
            parts.slotItems.resize(entities.size());
            for (size_t i = 0; i < parts.slotItems.size(); ++i)
                measureSlot(i, parts.slotItems[i]);
        }
        for (const Slot& slot : long_->slotItems)
            add(slot);
        std::vector<const Entity*>& measuredEntities = long_->measured;
        measuredEntities.resize(entities.size());
        for (size_t i = 0; i < entities.size(); ++i)
            measuredEntities[i] = entities[i].get();
    } else {
        dropSlots();
        // The layers alone, as measureSlot finds them.
        for (const auto& entity : entities) {
            const Entity& e = *entity;
            const int bit = e.layerIndex + kLayerBias;
            mask |= bit < 0 || bit >= 64 ? kAllLayers : uint64_t(1) << bit;
            if (IEntityHolder* h = entity->holder())
                mask |= h->entities().layerMask_;
        }
    }
    layerMask_ = mask;
    buildIndex(measured);
}

namespace {

bool sameBox(const BoundingBox& a, const BoundingBox& b)
{
    return a.valid == b.valid && a.bottomLeft == b.bottomLeft && a.topRight == b.topRight;
}

bool finiteBox(const BoundingBox& b)
{
    return b.valid && std::isfinite(b.bottomLeft.x()) && std::isfinite(b.bottomLeft.y()) && std::isfinite(b.topRight.x())
        && std::isfinite(b.topRight.y());
}

// A box this many cells large or more is not worth listing in every cell.
constexpr int kMaxCellsPerBox = 64;
// The grid has about one cell per this many entities.
constexpr size_t kEntitiesPerCell = 2;
// The cells list at most this many entries per entity in all; boxes beyond
// that (overlapping heaps of them) are loose.
constexpr size_t kCellEntriesPerEntity = 8;
constexpr int kMaxGridSide = 1024;

} // namespace

BoundingBox EntityList::inkBox(const Entity& entity)
{
    return entity.inkUnbounded || entity.holdsGuides ? BoundingBox() : entity.measuredInk;
}

void EntityList::measureInk(Entity& entity, const std::optional<QTransform>& parentTransform)
{
    // Its box (the selection frame), what its own drawing paints, and its
    // children's ink (measured before it, in its geometry pass). A guide's
    // line spans any view: it keeps the entity and its holders from being
    // culled, and leaves the rest of their ink bounded (the measure of a
    // holder's drawing takes its children's measured ink, see draw).
    BoundingBox ink = entity.boundingBox;
    bool guides = entity.spansEveryView();
    bool bounded = InkMeasure::measure(parentTransform, entity.layerIndex, [&entity](Graphics& g) { entity.draw(g); }, ink) || guides;
    if (const IEntityHolder* h = std::as_const(entity).holder()) {
        for (const auto& child : h->entities().entities) {
            bounded = bounded && !child->inkUnbounded;
            guides = guides || child->holdsGuides;
            ink.addTransformedBox(child->measuredInk, std::nullopt);
        }
    }
    entity.inkUnbounded = !bounded;
    entity.holdsGuides = guides;
    entity.measuredInk = bounded ? ink : BoundingBox();
}

void EntityList::measureIndexEntry(size_t i, Slot& slot, SlotReach& slotReach, IndexInput& input) const
{
    Entity& entity = *entities[i];
    input.kinds[i] = &typeid(entity);
    PassReach reach = entity.passReach();
    // The pad pass's reach is held as the box or nothing; any other is
    // left unknown, which only keeps the entity in that pass. (The slot
    // holds the box grown by the ink: more than the pass reaches.)
    const BoundingBox box = slot.box();
    const bool padIsBox = reach.pad.valid && sameBox(reach.pad, entity.boundingBox);
    if (!reach.known || !std::isfinite(reach.margin) || reach.margin < 0 || (reach.pad.valid && !padIsBox))
        reach = PassReach();
    slot.reachKnown = reach.known;
    slot.padIsBox = reach.known && padIsBox;
    slot.holeValid = reach.hole.valid;
    slotReach = SlotReach{Sides(reach.hole), reach.margin};
    // Where the slot lies for every pass: its box united with its pass reach.
    BoundingBox& key = input.keys[i];
    key = box;
    if (!finiteBox(key))
        return; // loose for every pass
    for (const BoundingBox* b : {&reach.pad, &reach.hole}) {
        if (finiteBox(*b)) {
            key.addPoint(b->bottomLeft);
            key.addPoint(b->topRight);
        } else if (b->valid) {
            key = BoundingBox(); // a reach not finite: loose
            break;
        }
    }
}

void EntityList::buildIndex(IndexInput* measured)
{
    const size_t n = slotItems().size();
    if (n < kIndexMinEntities || n > UINT32_MAX) {
        dropSlots();
        return;
    }
    LongParts& parts = *long_;
    parts.grid = Grid();
    std::vector<Slot>& slotItems = parts.slotItems;
    std::optional<IndexInput> own;
    if (!measured) {
        own.emplace(n);
        parts.reach.resize(n);
        for (size_t i = 0; i < n; ++i)
            measureIndexEntry(i, slotItems[i], parts.reach[i], *own);
        measured = &*own;
    }
    std::vector<BoundingBox>& keys = measured->keys;
    const std::vector<const std::type_info*>& kinds = measured->kinds;
    // A list of no known reach keeps no reach entries.
    if (std::none_of(slotItems.begin(), slotItems.end(), [](const Slot& s) { return s.reachKnown; }))
        parts.reach = {};
    markStacks(kinds);
    BoundingBox extent;
    double maxMargin = 0;
    std::vector<uint32_t> unknownReach;
    for (size_t i = 0; i < n; ++i) {
        if (!slotItems[i].reachKnown)
            unknownReach.push_back(uint32_t(i));
        else
            maxMargin = std::max(maxMargin, parts.reach[i].margin);
        if (finiteBox(keys[i])) {
            extent.addPoint(keys[i].bottomLeft);
            extent.addPoint(keys[i].topRight);
        }
    }
    const double w = extent.width(), h = extent.height();
    if (!finiteBox(extent) || !std::isfinite(w) || !std::isfinite(h))
        return;
    // Cells about square, about kEntitiesPerCell entities each.
    const double target = double(n) / kEntitiesPerCell;
    int columns = 1, rows = 1;
    if (w > 0 && h > 0) {
        columns = int(std::clamp(std::round(std::sqrt(target * w / h)), 1.0, double(kMaxGridSide)));
        rows = int(std::clamp(std::round(target / columns), 1.0, double(kMaxGridSide)));
    } else if (w > 0) {
        columns = int(std::clamp(std::round(target), 1.0, double(kMaxGridSide)));
    } else if (h > 0) {
        rows = int(std::clamp(std::round(target), 1.0, double(kMaxGridSide)));
    }
    Grid grid;
    grid.left = extent.bottomLeft.x();
    grid.bottom = extent.bottomLeft.y();
    grid.cellWidth = w > 0 ? w / columns : 1;
    grid.cellHeight = h > 0 ? h / rows : 1;
    grid.columns = columns;
    grid.rows = rows;
    if (!(grid.cellWidth > 0) || !(grid.cellHeight > 0) || !std::isfinite(grid.cellWidth) || !std::isfinite(grid.cellHeight))
        return;
    const int cellCount = columns * rows;
    const int maxCells = std::min(kMaxCellsPerBox, std::max(1, cellCount / 4));
    // Each slot's cell range, or none for a loose one.
    struct Range {
        int c0, r0, c1, r1;
    };
    std::vector<Range> ranges(n, Range{0, 0, -1, -1});
    grid.cellStart.assign(size_t(cellCount) + 1, 0);
    size_t entries = 0;
    for (size_t i = 0; i < n; ++i) {
        const BoundingBox& b = keys[i];
        if (!finiteBox(b)) {
            grid.loose.push_back(uint32_t(i));
            continue;
        }
        Range r{grid.column(b.bottomLeft.x()), grid.row(b.bottomLeft.y()), grid.column(b.topRight.x()), grid.row(b.topRight.y())};
        const int cells = (r.c1 - r.c0 + 1) * (r.r1 - r.r0 + 1);
        if (cells > maxCells || entries + size_t(cells) > kCellEntriesPerEntity * n) {
            grid.loose.push_back(uint32_t(i));
            continue;
        }
        entries += size_t(cells);
        ranges[i] = r;
        for (int row = r.r0; row <= r.r1; ++row)
            for (int column = r.c0; column <= r.c1; ++column)
                ++grid.cellStart[size_t(row * columns + column) + 1];
    }
    for (int c = 0; c < cellCount; ++c)
        grid.cellStart[size_t(c) + 1] += grid.cellStart[size_t(c)];
    grid.cells.resize(grid.cellStart.back());
    std::vector<uint32_t> fill(grid.cellStart.begin(), grid.cellStart.end() - 1);
    for (size_t i = 0; i < n; ++i) {
        const Range& r = ranges[i];
        for (int row = r.r0; row <= r.r1; ++row)
            for (int column = r.c0; column <= r.c1; ++column)
                grid.cells[fill[size_t(row * columns + column)]++] = uint32_t(i);
    }
    grid.unknownReach = std::move(unknownReach);
    grid.maxMargin = maxMargin;
    parts.grid = std::move(grid);
}

void EntityList::markStacks(const std::vector<const std::type_info*>& kinds)
{
    if (!long_)
        return;
    std::vector<Slot>& slotItems = long_->slotItems;
    const std::vector<SlotReach>& reach = long_->reach;
    const size_t n = slotItems.size();
    if (kinds.size() != n || n > UINT32_MAX)
        return;
    // Copies: items of one kind with the same box, layers and pass reach.
    const auto sameReach = [&](size_t a, size_t b) {
        const Slot& s = slotItems[a];
        const Slot& t = slotItems[b];
        if (s.reachKnown != t.reachKnown || s.padIsBox != t.padIsBox)
            return false;
        return !s.reachKnown
            || (sameBox(reach[a].hole.box(s.holeValid), reach[b].hole.box(t.holeValid)) && reach[a].margin == reach[b].margin);
    };
    const auto same = [&](size_t a, size_t b) {
        const Slot& s = slotItems[a];
        const Slot& t = slotItems[b];
        return sameBox(s.box(), t.box()) && s.layer == t.layer && s.layers == t.layers && s.allLayers == t.allLayers
            && s.holder == t.holder && sameReach(a, b) && *kinds[a] == *kinds[b];
    };
    const auto mix = [](uint64_t h, double v) {
        uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        return (h ^ bits) * 0x9e3779b97f4a7c15ULL + (h >> 29);
    };
    // One pass in list order over a table of what copies share: each entry
    // keeps the first slot it met (others hashed alike but differing from
    // it are left alone), how many copies of it came, and the last.
    struct Entry {
        uint64_t hash = 0;
        uint32_t first = UINT32_MAX, copies = 0, last = 0;
    };
    size_t size = 64;
    while (size < 2 * n)
        size *= 2;
    std::vector<Entry> table(size);
    for (size_t i = 0; i < n; ++i) {
        const Slot& s = slotItems[i];
        // A box that says nothing (empty or not finite) places nothing.
        const BoundingBox box = s.box();
        if (!finiteBox(box))
            continue;
        uint64_t h = kinds[i]->hash_code();
        for (double v : {box.bottomLeft.x(), box.bottomLeft.y(), box.topRight.x(), box.topRight.y()})
            h = mix(h, v);
        h = mix(h, double(s.layer)) ^ s.layers;
        size_t k = size_t(h ^ (h >> 32)) & (size - 1);
        while (table[k].first != UINT32_MAX && table[k].hash != h)
            k = (k + 1) & (size - 1);
        Entry& e = table[k];
        if (e.first == UINT32_MAX) {
            e = Entry{h, uint32_t(i), 1, uint32_t(i)};
        } else if (same(e.first, i)) {
            slotItems[i].buried = ++e.copies > kStackDrawn;
            e.last = uint32_t(i);
        }
    }
    for (const Entry& e : table)
        if (e.copies > kStackDrawn)
            slotItems[e.last].buried = false;
}

int EntityList::Grid::column(double x) const
{
    // The same arithmetic for boxes and views, so that touching boxes fall
    // in a shared cell.
    const double c = std::floor((x - left) / cellWidth);
    return int(std::clamp(c, 0.0, double(columns - 1)));
}

int EntityList::Grid::row(double y) const
{
    const double r = std::floor((y - bottom) / cellHeight);
    return int(std::clamp(r, 0.0, double(rows - 1)));
}

bool EntityList::gridStandsForList() const
{
    const size_t n = entities.size();
    if (grid().columns == 0 || slotItems().size() != n)
        return false;
    const std::vector<const Entity*>& measured = long_->measured;
    for (size_t i = 0; i < n; ++i)
        if (measured[i] != entities[i].get())
            return false;
    return true;
}

template <class Visit>
void EntityList::visitNear(const BoundingBox& view, Visit&& visit, bool passes) const
{
    const size_t n = entities.size();
    const Grid& g = grid();
    bool useGrid = g.columns > 0 && finiteBox(view) && slotItems().size() == n;
    int c0 = 0, r0 = 0, c1 = -1, r1 = -1;
    if (useGrid) {
        c0 = g.column(view.bottomLeft.x());
        c1 = g.column(view.topRight.x());
        r0 = g.row(view.bottomLeft.y());
        r1 = g.row(view.topRight.y());
        // A view over most of the list is cheaper walked in full.
        useGrid = 2 * (c1 - c0 + 1) * (r1 - r0 + 1) <= g.columns * g.rows;
    }
    // An entity put in another's place since the measure is not where the
    // grid has it.
    useGrid = useGrid && (passes || gridStandsForList());
    if (!useGrid) {
        for (size_t i = 0; i < n; ++i)
            if (!visit(i))
                return;
        return;
    }
    std::vector<uint64_t> near((n + 63) / 64, 0);
    auto mark = [&near](uint32_t i) { near[i >> 6] |= uint64_t(1) << (i & 63); };
    for (uint32_t i : g.loose)
        mark(i);
    if (passes)
        for (uint32_t i : g.unknownReach)
            mark(i);
    for (int row = r0; row <= r1; ++row) {
        const size_t cell = size_t(row * g.columns);
        for (uint32_t k = g.cellStart[cell + size_t(c0)], end = g.cellStart[cell + size_t(c1) + 1]; k < end; ++k)
            mark(g.cells[k]);
    }
    for (size_t word = 0; word < near.size(); ++word) {
        for (uint64_t bits = near[word]; bits; bits &= bits - 1)
            if (!visit(word * 64 + size_t(std::countr_zero(bits))))
                return;
    }
}

bool EntityList::mayContainLayer(int layer) const
{
    if (layerMask_ == kAllLayers)
        return true;
    const int bit = layer + kLayerBias;
    return bit >= 0 && bit < 64 && (layerMask_ & (uint64_t(1) << bit));
}

std::shared_ptr<Entity> EntityList::draw(Graphics& g) const
{
    if (g.context.measuring()) {
        // Measuring the ink of an entity that draws this list: the ink of
        // its entities was measured before, in this list's geometry pass
        // (without the guides' lines spanning the view, see measureInk).
        const QTransform& base = g.context.baseTransform();
        const double everywhere = std::numeric_limits<double>::infinity();
        for (const auto& e : entities) {
            if (e->inkUnbounded)
                g.context.recordFill(QRectF(0, 0, everywhere, everywhere), base);
            else if (e->measuredInk.valid)
                g.context.recordFill(e->measuredInk.rect(), base);
        }
        return nullptr;
    }
    // The measured items stand for the entities while the list has not
    // changed length since and each still holds the same entity (others are
    // drawn from the entities themselves).
    const std::vector<Slot>& slotItems = this->slotItems();
    const bool measured = long_ && slotItems.size() == entities.size();
    const Entity* const* measuredEntities = measured ? long_->measured.data() : nullptr;
    const int layerBit = g.currentLayer + kLayerBias;
    const uint64_t layerMask = layerBit >= 0 && layerBit < 64 ? uint64_t(1) << layerBit : 0;
    const BoundingBox& view = g.viewportBoundingBox;
    // A buried entity that is selected is still drawn, selected.
    const bool anySelected = SelectionFlag::selectedAnywhere() > 0;
    std::shared_ptr<Entity> found;
    auto visit = [&](size_t i) {
        // A frame asked to stop leaves the rest undrawn (it is not shown).
        if (ModelGuard::stopRequested())
            return false;
        const std::shared_ptr<Entity>& e = entities[i];
        const Slot* slot = measured && measuredEntities[i] == e.get() ? &slotItems[i] : nullptr;
        if (slot && slot->buried && !(anySelected && e->selected))
            return true;
        // Neither the entity nor any child of it is on the layer.
        if (slot && !slot->allLayers && !(slot->layers & layerMask))
            return true;
        // An empty box says nothing about where the entity is, so it is drawn.
        const BoundingBox box = slot ? slot->box() : inkBox(*e);
        if (box.valid && view.valid && !box.intersects(view))
            return true;

        if ((slot ? slot->layer : e->layerIndex) == g.currentLayer) {
            if (g.picking) {
                g.clearPickPixel();
                e->draw(g);
                if (g.pickPixelHit()) {
                    found = e;
                    return false;
                }
            } else {
                e->draw(g);
            }
        }

        const IEntityHolder* h = !slot || slot->holder ? std::as_const(*e).holder() : nullptr;
        // Most holders have nothing on most layers: a board is drawn in a
        // dozen layer passes, and descending costs a state save per holder.
        if (!h || h->entities().entities.empty() || !h->entities().mayContainLayer(g.currentLayer))
            return true;
        const std::optional<QTransform> t = h->childTransform();
        g.context.saveState();
        g.pushTransform(t);
        std::shared_ptr<Entity> hit = h->entities().draw(g);
        g.popTransform(t);
        g.context.restoreState();
        if (hit) {
            found = g.subPicking ? hit : e;
            return false;
        }
        return true;
    };
    visitNear(view, visit);
    return found;
}

template <class Pass>
void EntityList::visitPass(Graphics& g, bool hole, Pass&& pass) const
{
    const BoundingBox& view = g.viewportBoundingBox;
    const double pixel = grid().columns > 0 && view.valid ? g.pixelSize() : 0;
    const BoundingBox near = view.expanded(grid().maxMargin * pixel * 1.01);
    if (!view.valid || !std::isfinite(pixel) || !finiteBox(near) || !gridStandsForList()) {
        for (size_t i = 0; i < entities.size(); ++i)
            pass(i);
        return;
    }
    const bool anySelected = SelectionFlag::selectedAnywhere() > 0;
    const std::vector<Slot>& slotItems = this->slotItems();
    visitNear(near, [&](size_t i) {
        const Slot& slot = slotItems[i];
        if (slot.buried && !(anySelected && entities[i]->selected))
            return true;
        if (slot.reachKnown) {
            const SlotReach& reach = long_->reach[i];
            const BoundingBox box = hole ? reach.hole.box(slot.holeValid) : slot.sides.box(slot.padIsBox);
            // A hair more than the margin: the entity's own test may round
            // the other way.
            if (!box.valid || !box.expanded(reach.margin * pixel * 1.001).intersects(view))
                return true;
        }
        pass(i);
        return true;
    }, true);
}

void EntityList::drawPadPass(Graphics& g) const
{
    PassScope scope(this);
    if (!scope.firstVisit())
        return;
    visitPass(g, false, [&](size_t i) {
        const Entity& e = *entities[i];
        e.drawPadPass(g);
        if (const IEntityHolder* h = e.holder())
            h->drawChildrenPadPass(g);
    });
}

void EntityList::drawHolePass(Graphics& g, const QColor& color) const
{
    PassScope scope(this);
    if (!scope.firstVisit())
        return;
    visitPass(g, true, [&](size_t i) {
        const Entity& e = *entities[i];
        e.drawHolePass(g, color);
        if (const IEntityHolder* h = e.holder())
            h->drawChildrenHolePass(g, color);
    });
}

void EntityList::clearSelection()
{
    for (const auto& e : entities) {
        e->selected = false;
        if (IEntityHolder* h = e->holder())
            h->entities().clearSelection();
    }
}
