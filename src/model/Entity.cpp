#include "model/Entity.h"

#include "core/Graphics.h"
#include "core/Pen.h"
#include "core/Readers.h"
#include "core/SharedValue.h"
#include "model/EntityList.h"

#include <QPainterPath>
#include <QSet>

#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <unordered_set>

namespace {

// Bit for bit, so that a shared value maps every point exactly as the
// assigned one would.
bool sameBits(const QTransform& a, const QTransform& b)
{
    const double x[9] = {a.m11(), a.m12(), a.m13(), a.m21(), a.m22(), a.m23(), a.m31(), a.m32(), a.m33()};
    const double y[9] = {b.m11(), b.m12(), b.m13(), b.m21(), b.m22(), b.m23(), b.m31(), b.m32(), b.m33()};
    return std::memcmp(x, y, sizeof x) == 0;
}

} // namespace

QString sharedText(const QString& text)
{
    // Short texts only, and a bounded table: long ones rarely repeat.
    constexpr qsizetype kMaxLength = 16;
    constexpr qsizetype kMaxTexts = 4096;
    if (text.isEmpty() || text.size() > kMaxLength)
        return text;
    thread_local QSet<QString> seen;
    if (auto found = seen.constFind(text); found != seen.constEnd())
        return *found;
    if (seen.size() < kMaxTexts)
        seen.insert(text);
    return text;
}

CompactText& CompactText::operator=(const QString& text)
{
    if (text.isEmpty()) {
        d_.reset();
    } else if (!d_ || d_->text != text) {
        auto* block = new Block;
        block->text = text;
        d_ = QExplicitlySharedDataPointer<const Block>(block);
    }
    return *this;
}

CompactText CompactText::shared(const QString& text)
{
    CompactText out;
    if (text.isEmpty())
        return out;
    thread_local RecentBlocks<QExplicitlySharedDataPointer<const Block>, 8> recent;
    if ((out.d_ = recent.find([&text](const Block& block) { return block.text == text; })))
        return out;
    out = text;
    recent.add(out.d_);
    return out;
}

const QString& CompactText::empty()
{
    static const QString none;
    return none;
}

ElementName& ElementName::operator=(const QString& name)
{
    // Names come from the code (the registered kinds), never from a file,
    // so the pool stays a few dozen strings; its nodes never move.
    static std::mutex mutex;
    static std::unordered_set<QString> pool;
    const std::lock_guard lock(mutex);
    name_ = &*pool.insert(name).first;
    return *this;
}

const QString& ElementName::empty()
{
    static const QString none;
    return none;
}

const std::optional<QTransform>& SharedTransform::none()
{
    static const std::optional<QTransform> absent;
    return absent;
}

SharedTransform::Offered& SharedTransform::offered()
{
    thread_local Offered blocks;
    return blocks;
}

void SharedTransform::offer() const
{
    if (!d_)
        return;
    Offered& o = offered();
    for (const auto& b : o.blocks)
        if (b == d_)
            return;
    o.blocks[o.next] = d_;
    o.next = (o.next + 1) % int(std::size(o.blocks));
}

SharedTransform& SharedTransform::operator=(const std::optional<QTransform>& t)
{
    if (!t) {
        d_.reset();
        return *this;
    }
    if (d_ && (&t == &d_->value || sameBits(*d_->value, *t)))
        return *this;
    for (const auto& b : offered().blocks) {
        if (b && &t == &b->value) {
            d_ = b;
            return *this;
        }
    }
    // The geometry pass places the children of one holder in a row: the
    // value last made on this thread is the one to share.
    thread_local QExplicitlySharedDataPointer<Block> last;
    if (last && sameBits(*last->value, *t)) {
        d_ = last;
        return *this;
    }
    auto* block = new Block;
    block->value = t;
    d_ = QExplicitlySharedDataPointer<Block>(block);
    last = d_;
    return *this;
}

Entity::Entity(GraphicsSheet* sheet) : sheet(sheet)
{
}

Entity::~Entity() = default;

void Entity::readXML(pugi::xml_node element)
{
    identifier = readTextAttribute(element, "identifier", identifier);
    userCannotSelect = readBoolAttribute(element, "userCannotSelect", userCannotSelect);
    locked = readBoolAttribute(element, "locked", locked);
    layerIndex = readInt32Attribute(element, "layer", 0);

    const double m11 = readDoubleAttribute(element, "m11", 1);
    const double m12 = readDoubleAttribute(element, "m12", 0);
    const double m21 = readDoubleAttribute(element, "m21", 0);
    const double m22 = readDoubleAttribute(element, "m22", 1);
    const double dx = readDoubleAttribute(element, "dx", 0);
    const double dy = readDoubleAttribute(element, "dy", 0);
    // An identity placement stays absent so that drawing pushes nothing.
    // Most entities carry none: those skip making and classifying one.
    if (m11 != 1 || m12 != 0 || m21 != 0 || m22 != 1 || dx != 0 || dy != 0) {
        const QTransform t(m11, m12, m21, m22, dx, dy);
        if (!t.isIdentity())
            singleLevelTransform = t;
    }

    if (pugi::xml_node a = childElement(element, "attributes"))
        attributes.readXML(a);
}

void Entity::draw(Graphics& g) const
{
    if (!g.selectionFramesOnTop && selected && showsSelectionFrame())
        drawSelectionFrame(g);
}

void Entity::drawSelectionFrame(Graphics& g) const
{
    if (!boundingBox.valid)
        return;
    // The selection frame is always red, whatever layer colour the pass uses.
    g.applyPen(Pen(QColor(255, 0, 0), 0));
    g.context.setStrokeColor(QColor(255, 0, 0));
    g.context.beginPath();
    g.context.addRect(boundingBox.rect());
    g.context.strokePath();
}

void Entity::drawPadPass(Graphics&) const
{
}

void Entity::drawHolePass(Graphics&, const QColor&) const
{
}

void Entity::updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox)
{
    computeNetTransform(parentTransform);
    boundingBox = BoundingBox();
    calculateBoundingBox();
    if (parentBox && boundingBox.valid)
        parentBox->addTransformedBox(boundingBox, std::nullopt);
}

void Entity::computeNetTransform(const std::optional<QTransform>& parentTransform)
{
    // Without a parent's the net transform is the own one, and without an own
    // one the parent's: in both the value is shared, not copied.
    if (!parentTransform)
        netTransform = singleLevelTransform;
    else if (!singleLevelTransform)
        netTransform = parentTransform;
    else
        netTransform = concatTransforms(singleLevelTransform, parentTransform);
    // Children are placed from this value next.
    netTransform.offer();
    // The ink measured before no longer stands: the list measures it anew.
    measuredInk = BoundingBox();
    inkUnbounded = true;
    holdsGuides = false;
}

void Entity::calculateBoundingBox()
{
}

QWidget* Entity::editorView(const std::shared_ptr<Entity>&)
{
    return nullptr;
}

QWidget* editorFor(const std::shared_ptr<Entity>& entity)
{
    return entity ? entity->editorView(entity) : nullptr;
}

QString Entity::typeName() const
{
    return QStringLiteral("Unknown");
}

void IEntityHolder::drawChildrenPadPass(Graphics& g) const
{
    const EntityList& list = entities();
    if (list.entities.empty())
        return;
    const std::optional<QTransform> t = childTransform();
    g.pushTransform(t);
    list.drawPadPass(g);
    g.popTransform(t);
}

void IEntityHolder::drawChildrenHolePass(Graphics& g, const QColor& color) const
{
    const EntityList& list = entities();
    if (list.entities.empty())
        return;
    const std::optional<QTransform> t = childTransform();
    g.pushTransform(t);
    list.drawHolePass(g, color);
    g.popTransform(t);
}
