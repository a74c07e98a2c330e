#include "model/EntityList.h"

#include "core/Graphics.h"
#include "model/EntityFactory.h"

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

void EntityList::readEntities(pugi::xml_node element, GraphicsSheet* sheet, EntityList& list)
{
    if (readingDepth >= kMaxNesting)
        return;
    ReadingDepthGuard guard;
    for (pugi::xml_node entitiesElement : element.children("entities")) {
        for (pugi::xml_node child : entitiesElement.children()) {
            if (child.type() != pugi::node_element)
                continue;
            std::shared_ptr<Entity> entity = makeEntity(child, sheet);
            if (!entity)
                continue;
            entity->readXML(child);
            list.entities.push_back(std::move(entity));
        }
    }
}

void EntityList::updateBoundingBox(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox)
{
    boundingBox = BoundingBox();
    for (const auto& e : entities)
        e->updateGeometry(parentTransform, &boundingBox);
    if (parentBox && boundingBox.valid)
        parentBox->addTransformedBox(boundingBox, std::nullopt);
    updateLayerMask();
}

void EntityList::updateLayerMask()
{
    layerMask_ = 0;
    layerMaskAll_ = false;
    slots_.resize(entities.size());
    for (size_t i = 0; i < entities.size(); ++i) {
        Entity& e = *entities[i];
        Slot& slot = slots_[i];
        slot.box = e.boundingBox;
        slot.layers = 0;
        slot.allLayers = false;
        slot.layer = e.layerIndex;
        slot.entity = &e;
        slot.holder = e.holder();
        const int bit = e.layerIndex + kLayerBias;
        if (bit < 0 || bit >= 64)
            slot.allLayers = true;
        else
            slot.layers = uint64_t(1) << bit;
        if (IEntityHolder* h = slot.holder) {
            const EntityList& children = h->entities();
            slot.allLayers = slot.allLayers || children.layerMaskAll_;
            slot.layers |= children.layerMask_;
        }
        layerMaskAll_ = layerMaskAll_ || slot.allLayers;
        layerMask_ |= slot.layers;
    }
}

bool EntityList::mayContainLayer(int layer) const
{
    if (layerMaskAll_)
        return true;
    const int bit = layer + kLayerBias;
    return bit >= 0 && bit < 64 && (layerMask_ & (uint64_t(1) << bit));
}

std::shared_ptr<Entity> EntityList::draw(Graphics& g)
{
    // The measured slots stand for the entities while the list has not
    // changed length since and each still holds the same entity (others are
    // drawn from the entities themselves).
    const bool measured = slots_.size() == entities.size();
    const int layerBit = g.currentLayer + kLayerBias;
    const uint64_t layerMask = layerBit >= 0 && layerBit < 64 ? uint64_t(1) << layerBit : 0;
    const BoundingBox& view = g.viewportBoundingBox;
    for (size_t i = 0; i < entities.size(); ++i) {
        const std::shared_ptr<Entity>& e = entities[i];
        const Slot* slot = measured && slots_[i].entity == e.get() ? &slots_[i] : nullptr;
        // Neither the entity nor any child of it is on the layer.
        if (slot && !slot->allLayers && !(slot->layers & layerMask))
            continue;
        // An empty box says nothing about where the entity is, so it is drawn.
        const BoundingBox& box = slot ? slot->box : e->boundingBox;
        if (box.valid && view.valid && !box.intersects(view))
            continue;

        if ((slot ? slot->layer : e->layerIndex) == g.currentLayer) {
            if (g.picking) {
                g.clearPickPixel();
                e->draw(g);
                if (g.pickPixelHit())
                    return e;
            } else {
                e->draw(g);
            }
        }

        IEntityHolder* h = slot ? slot->holder : e->holder();
        // Most holders have nothing on most layers: a board is drawn in a
        // dozen layer passes, and descending costs a state save per holder.
        if (!h || h->entities().entities.empty() || !h->entities().mayContainLayer(g.currentLayer))
            continue;
        const std::optional<QTransform> t = h->childTransform();
        g.context.saveState();
        g.pushTransform(t);
        std::shared_ptr<Entity> hit = h->entities().draw(g);
        g.popTransform(t);
        g.context.restoreState();
        if (hit)
            return g.subPicking ? hit : e;
    }
    return nullptr;
}

void EntityList::drawPadPass(Graphics& g)
{
    PassScope scope(this);
    if (!scope.firstVisit())
        return;
    for (const auto& e : entities) {
        e->drawPadPass(g);
        if (IEntityHolder* h = e->holder())
            h->drawChildrenPadPass(g);
    }
}

void EntityList::drawHolePass(Graphics& g, const QColor& color)
{
    PassScope scope(this);
    if (!scope.firstVisit())
        return;
    for (const auto& e : entities) {
        e->drawHolePass(g, color);
        if (IEntityHolder* h = e->holder())
            h->drawChildrenHolePass(g, color);
    }
}

void EntityList::clearSelection()
{
    for (const auto& e : entities) {
        e->selected = false;
        if (IEntityHolder* h = e->holder())
            h->entities().clearSelection();
    }
}
