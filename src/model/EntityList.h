#pragma once
// An ordered list of entities with its bounding box.

#include "core/Geometry.h"

#include <QColor>
#include <QTransform>
#include <cstdint>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <typeinfo>
#include <vector>

class Entity;
class Graphics;
class IEntityHolder;
class GraphicsSheet;

class EntityList {
public:
    std::vector<std::shared_ptr<Entity>> entities;
    BoundingBox boundingBox;
    // Always the identity: lists are placed by their holders' transforms.
    static inline const QTransform transform;

    // Every child element of every "entities" child of element, through the
    // factory, in document order; unknown names skipped. Nesting deeper than
    // kMaxNesting lists is skipped.
    static void readEntities(pugi::xml_node element, GraphicsSheet* sheet, EntityList& list);
    static constexpr int kMaxNesting = 64;

    void updateBoundingBox(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox);

    // Which thread read each entity, when the list was read in parts (else
    // none; they stand for the entities only while they are as many as the
    // list's): the geometry pass and the release of a long list give each
    // entity back to that thread where they can.
    void setReadMarks(std::vector<uint8_t> marks);
    // The read marks when they stand for the list, else as many marks of no
    // thread in particular.
    std::vector<uint8_t> threadMarks() const;
    // Draws (or, in pick mode, hit-tests) the entities on g.currentLayer;
    // returns the entity hit in pick mode.
    std::shared_ptr<Entity> draw(Graphics& g) const;
    // Each entity's pass, then, for a holder, drawChildrenPadPass
    // (drawChildrenHolePass). A list is visited at most once per top-level
    // pass, so a holder whose own pass already forwards to its children does
    // not draw them twice.
    void drawPadPass(Graphics& g) const;
    void drawHolePass(Graphics& g, const QColor& color) const;
    // Deselects every entity, descending into holders.
    void clearSelection();

    // Every entity of type T, descending into holders.
    template <class T>
    void collect(std::vector<std::shared_ptr<T>>& out) const;

    // Whether any entity of the list (children of holders included) is on
    // the layer. True until updateBoundingBox has measured the list. Layers
    // and boxes are those of the last measure: draw skips an entity whose
    // measured box is off the view or which had nothing on the layer then.
    bool mayContainLayer(int layer) const;

    // The box every pass culls the entity by: its measured ink (see
    // Entity::measuredInk); invalid, so never culled, when unbounded.
    static BoundingBox inkBox(const Entity& entity);

    // Lists of at least this many entities keep a grid of their measured
    // boxes, so that a pass over a part of the sheet visits only the
    // entities near it.
    static constexpr size_t kIndexMinEntities = 64;
    // Of the copies of one entity in a list (entities of one kind with the
    // same box, layers and pass reach), the walks draw this many from the
    // bottom and the top one: a file can pile up a million copies of a few
    // vias, each filling the view, and the copies between draw the same
    // pixels again under the top one. Lists without slots are shorter.
    static constexpr size_t kStackDrawn = 32;

private:
    struct Slot;
    struct SlotReach;
    struct IndexInput;
    struct LongParts;
    // The entity's measuredInk, right after its geometry pass: it is drawn
    // on the ink measure (InkMeasure) under the transform this list draws it under.
    static void measureInk(Entity& entity, const std::optional<QTransform>& parentTransform);
    // The slot of entity i, as measured now.
    void measureSlot(size_t i, Slot& slot) const;
    // Entity i's kind and key into input, and its pass reach into its slot
    // and reach entry.
    void measureIndexEntry(size_t i, Slot& slot, SlotReach& reach, IndexInput& input) const;
    // From the slots and index entries measured already (by the parts of a
    // long list's pass), or else measuring them here.
    void updateLayerMask(IndexInput* measured);
    void buildIndex(IndexInput* measured);
    // Marks the buried slots, from the slots, their reach and the kind of
    // each entity.
    void markStacks(const std::vector<const std::type_info*>& kinds);
    // Calls visit(i) for every slot index i, in list order, whose entity may
    // meet view: every entity whose measured box meets it, whose box says
    // nothing (empty or not finite), or whose slot no longer stands for it.
    // Others may be visited too; the caller tests each exactly. Stops when
    // visit returns false. With passes, also every slot of unknown pass
    // reach, and the caller has found that the grid stands for the list.
    template <class Visit>
    void visitNear(const BoundingBox& view, Visit&& visit, bool passes = false) const;
    // Whether the grid was built and the list holds what was measured then.
    bool gridStandsForList() const;
    // The pad (hole) pass's walk: pass(i) for every slot i whose entity
    // that pass may draw in the view, in list order.
    template <class Pass>
    void visitPass(Graphics& g, bool hole, Pass&& pass) const;
    // What a layer pass asks of every entity, copied by updateBoundingBox
    // into one array so that a pass over a large list reads it in order
    // instead of visiting every entity: the box, and the layers of the
    // entity and of its children (as in layerMask_). Kept for lists of at
    // least kIndexMinEntities only.
    // A box's sides, its validity held by whoever holds them.
    struct Sides {
        double left = 0, bottom = 0, right = 0, top = 0;
        Sides() = default;
        explicit Sides(const BoundingBox& b)
            : left(b.bottomLeft.x()), bottom(b.bottomLeft.y()), right(b.topRight.x()), top(b.topRight.y())
        {
        }
        BoundingBox box(bool valid) const { return BoundingBox{QPointF(left, bottom), QPointF(right, top), valid}; }
    };
    struct Slot {
        Sides sides;
        uint64_t layers = 0;
        int layer = 0;
        bool boxValid : 1 = false;
        bool allLayers : 1 = true;
        // A copy beyond the kStackDrawn lowest and below the top one.
        bool buried : 1 = false;
        // Whether the entity is a holder.
        bool holder : 1 = false;
        // The pass reach: unknown, or known with the pad pass's reach the
        // slot's box (padIsBox) or nothing, and the hole pass's reach
        // (valid when holeValid) and the margin in the slot's reach entry.
        bool reachKnown : 1 = false;
        bool padIsBox : 1 = false;
        bool holeValid : 1 = false;

        BoundingBox box() const { return sides.box(boxValid); }
    };
    // The known part of a slot's pass reach beyond its flags.
    struct SlotReach {
        Sides hole;
        double margin = 0;
    };
    // The grid over the slots' boxes (built only for long lists): cell
    // (column, row) lists the slots whose box meets it, in cells from
    // cellStart[row * columns + column]; loose holds the slots whose box
    // could not be placed (empty, not finite, or over many cells), which
    // every query visits. No columns: not built. It stands for the entities
    // the slots measured.
    struct Grid {
        double left = 0, bottom = 0, cellWidth = 1, cellHeight = 1;
        int columns = 0, rows = 0;
        std::vector<uint32_t> cellStart;
        std::vector<uint32_t> cells;
        std::vector<uint32_t> loose;
        // Slots whose pass reach is unknown: the pad and hole passes visit
        // them wherever they are. The grid places each slot by its box
        // united with its pass reach.
        std::vector<uint32_t> unknownReach;
        double maxMargin = 0; // the largest margin of a known reach

        int column(double x) const;
        int row(double y) const;
    };
    // What only long lists use, held apart: most lists are a footprint's
    // few children. The read marks; the slots and the entity each measured
    // (a slot stands for it only while it is still in that place), apart
    // so that a walk telling whether the list still holds what was
    // measured reads them in order; each slot's reach entry (none when no
    // slot's reach is known); the grid.
    struct LongParts {
        std::vector<uint8_t> readMarks;
        std::vector<Slot> slotItems;
        std::vector<const Entity*> measured;
        std::vector<SlotReach> reach;
        Grid grid;
    };
    std::unique_ptr<LongParts> long_;
    LongParts& longParts();
    // Drops the slots, reach and grid (and the parts when no marks are left).
    void dropSlots();
    static const Grid noGrid_;
    static const std::vector<Slot> noSlots_;
    const Grid& grid() const { return long_ ? long_->grid : noGrid_; }
    const std::vector<Slot>& slotItems() const { return long_ ? long_->slotItems : noSlots_; }
    // Bit (layer + kLayerBias) for layers -kLayerBias..63-kLayerBias;
    // kAllLayers (any layer at all) when some entity sits outside that
    // range, or every bit is set.
    static constexpr int kLayerBias = 8;
    static constexpr uint64_t kAllLayers = ~uint64_t(0);
    uint64_t layerMask_ = kAllLayers;
};

#include "model/Entity.h"

template <class T>
void EntityList::collect(std::vector<std::shared_ptr<T>>& out) const
{
    for (const auto& e : entities) {
        if (auto t = std::dynamic_pointer_cast<T>(e))
            out.push_back(t);
        if (IEntityHolder* h = e->holder())
            h->entities().collect(out);
    }
}
