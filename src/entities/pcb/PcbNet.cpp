#include "entities/pcb/PcbNet.h"

#include "core/Graphics.h"
#include "core/Readers.h"
#include "entities/pcb/Track.h"
#include "entities/pcb/Via.h"
#include "model/EntityFactory.h"

#include <cmath>
#include <typeinfo>

namespace {

// Nets read their children themselves (only the first "entities" child), so
// they keep their own nesting count: a file of nets inside nets must not
// exhaust the stack.
thread_local int netReadingDepth = 0;

struct NetReadingDepthGuard {
    NetReadingDepthGuard() { ++netReadingDepth; }
    ~NetReadingDepthGuard() { --netReadingDepth; }
    NetReadingDepthGuard(const NetReadingDepthGuard&) = delete;
    NetReadingDepthGuard& operator=(const NetReadingDepthGuard&) = delete;
};

// Gives every track of the list, children of holders included, the width:
// the tracks collectTracks finds, without a shared copy of each.
void setTrackWidths(const EntityList& list, double width)
{
    for (const std::shared_ptr<Entity>& e : list.entities) {
        if (Track* track = dynamic_cast<Track*>(e.get()))
            track->pen.width = width;
        if (IEntityHolder* h = e->holder())
            setTrackWidths(h->entities(), width);
    }
}

} // namespace

PcbNet::PcbNet(GraphicsSheet* sheet) : Entity(sheet)
{
}

QWidget* PcbNet::editorView(const std::shared_ptr<Entity>& self)
{
    return new PcbNetEditor(std::static_pointer_cast<PcbNet>(self));
}

void PcbNet::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    ElectricalParameters p = electricalParameters();
    p.maxVoltageDrop = readDoubleAttribute(element, "maxVDrop", p.maxVoltageDrop);
    p.maxVoltage = readDoubleAttribute(element, "maxVoltage", p.maxVoltage);
    p.maxCurrent = readDoubleAttribute(element, "maxCurrent", p.maxCurrent);
    p.minVoltage = readDoubleAttribute(element, "minVoltage", p.minVoltage);
    p.maxDelay = readDoubleAttribute(element, "maxDelay", p.maxDelay);
    electricalParameters_.share(p);
    width = readDoubleAttribute(element, "width", width);

    if (pugi::xml_node children = childElement(element, "entities"); children && netReadingDepth < EntityList::kMaxNesting) {
        NetReadingDepthGuard guard;
        for (pugi::xml_node child : children.children()) {
            if (child.type() != pugi::node_element)
                continue;
            std::shared_ptr<Entity> entity = makeEntity(child, sheet);
            if (!entity)
                continue;
            entity->readXML(child);
            childEntities.entities.push_back(std::move(entity));
        }
    }

    setTrackWidths(childEntities, width);
}

void PcbNet::updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox)
{
    computeNetTransform(parentTransform);
    boundingBox = BoundingBox();
    childEntities.updateBoundingBox(netTransform, &boundingBox);
    if (parentBox && boundingBox.valid)
        parentBox->addTransformedBox(boundingBox, std::nullopt);
}

void PcbNet::drawHolePass(Graphics& g, const QColor& color) const
{
    if (childEntities.entities.empty())
        return;
    g.pushTransform(singleLevelTransform);
    childEntities.drawHolePass(g, color);
    g.popTransform(singleLevelTransform);
}

QString PcbNet::typeName() const
{
    return QStringLiteral("Pcb Net");
}

PcbNetEditor::PcbNetEditor(std::shared_ptr<PcbNet> pcbNet, QWidget* parent)
    : FrameEditor(QStringLiteral("PCB Net"), {}, parent)
    , pcbNet(pcbNet)
{
    keepEntityAlive(std::move(pcbNet));
}

PassReach PcbNet::passReach()
{
    PassReach reach;
    const auto moves = [](const std::optional<QTransform>& t) { return !t || t->type() <= QTransform::TxTranslate; };
    const auto finite = [](const QRectF& r) {
        return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) && std::isfinite(r.height());
    };
    if (!moves(netTransform) || !moves(singleLevelTransform))
        return reach;
    for (const auto& child : childEntities.entities) {
        const Entity& childEntity = *child;
        const std::type_info& childKind = typeid(childEntity);
        if (childKind == typeid(Track))
            continue;
        if (childKind != typeid(Via) || !moves(child->netTransform) || !moves(child->singleLevelTransform))
            return reach;
        const auto& via = static_cast<const Via&>(*child);
        if (!via.hasHole())
            continue;
        if (!finite(via.holeRectangle) || !finite(via.rectangle))
            return reach;
        reach.hole.addTransformedRect(via.holeRectangle, via.netTransform);
        if (via.hasDisc())
            reach.hole.addTransformedRect(via.rectangle, via.netTransform);
    }
    reach.known = true;
    reach.margin = 2;
    return reach;
}
