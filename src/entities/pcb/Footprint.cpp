#include "entities/pcb/Footprint.h"

#include "core/Graphics.h"
#include "core/Readers.h"
#include "entities/pcb/FootprintTexts.h"
#include "entities/pcb/Pad.h"
#include "entities/pcb/Silkscreen.h"

#include <cmath>
#include <typeinfo>
#include "entities/pcb/FootprintEditor.h"

Footprint::Footprint(GraphicsSheet* sheet) : Entity(sheet)
{
}

const QString* Footprint::PartTexts::find(PartText which) const
{
    for (const auto& [key, text] : items)
        if (key == which)
            return &text;
    return nullptr;
}

void Footprint::PartTexts::set(PartText which, const QString& text)
{
    for (auto& [key, held] : items)
        if (key == which) {
            held = text;
            return;
        }
    items.emplace_back(which, text);
}

bool Footprint::PartTexts::sameAs(const PartTexts& other) const
{
    if (items.size() != other.items.size())
        return false;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].first != other.items[i].first || items[i].second != other.items[i].second
            || items[i].second.isNull() != other.items[i].second.isNull())
            return false;
    return true;
}

QString Footprint::partText(PartText which) const
{
    const QString* text = partTexts_.get().find(which);
    return text ? *text : QString();
}

void Footprint::setPartText(PartText which, const QString& text)
{
    partTexts_.edit().set(which, text);
}

void Footprint::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    static constexpr std::pair<PartText, AttributeName> kTexts[] = {
        {PartText::comment, attributeName("comment")},
        {PartText::dataSheet, attributeName("dataSheet")},
        {PartText::deviceType, attributeName("deviceType")},
        {PartText::documentDescription, attributeName("documentDescription")},
        {PartText::fullDocumentDescription, attributeName("fullDocumentDescription")},
        {PartText::manufacturer, attributeName("manufacturer")},
        {PartText::manufacturersPartNumber, attributeName("manufacturersPartNumber")},
        {PartText::manufacturersWebSite, attributeName("manufacturersWebSite")},
        {PartText::modelScript, attributeName("modelScript")},
        {PartText::package, attributeName("package")},
        {PartText::partNumber, attributeName("partNumber")},
        {PartText::partType, attributeName("partType")},
        {PartText::partPrice, attributeName("partPrice")},
        {PartText::symbolType, attributeName("symbolType")},
        {PartText::vendor, attributeName("vendor")},
        {PartText::vendorsPartNumber, attributeName("vendorsPartNumber")},
        {PartText::vendorsWebSite, attributeName("vendorsWebSite")},
    };
    PartTexts texts = partTexts_.get();
    // The names' hashes are made once, here, not on every footprint.
    for (const auto& [which, name] : kTexts)
        if (!attribute_detail::surelyAbsent(element, name) && attributeText(element, name)) {
            const QString* current = texts.find(which);
            texts.set(which, sharedText(readTextAttribute(element, name, current ? *current : QString())));
        }
    texts.items.shrink_to_fit();
    partTexts_.share(texts);
    goldPlated = readBoolAttribute(element, "goldPlated", goldPlated);
    isPadHolder = readBoolAttribute(element, "isPadHolder", isPadHolder);
    onTopLayer = readBoolAttribute(element, "onTopLayer", onTopLayer);
    position = readPointAttribute(element, "position", position);
    symbolCount = readInt32Attribute(element, "symbolCount", symbolCount);
    EntityList::readEntities(element, sheet, children);
    // Boards hold thousands of footprints of a few children each.
    children.entities.shrink_to_fit();
}

void Footprint::updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox)
{
    computeNetTransform(parentTransform);
    boundingBox = BoundingBox();
    calculateBoundingBox();
    // The list gathers its children's boxes and adds its own to ours.
    children.updateBoundingBox(netTransform, &boundingBox);
    if (parentBox && boundingBox.valid)
        parentBox->addTransformedBox(boundingBox, std::nullopt);
    measurePassReach();
}

void Footprint::measurePassReach()
{
    passReachKnown_ = true;
    holeReach_ = BoundingBox();
    // The very type objects: a kind not recognised so is treated as unknown,
    // which only keeps the footprint in its passes.
    const std::type_info* pad = &typeid(Pad);
    const std::type_info* silkscreen = &typeid(Silkscreen);
    const std::type_info* reference = &typeid(FootprintReference);
    const std::type_info* partValue = &typeid(FootprintPartValue);
    for (const auto& child : children.entities) {
        const Entity& e = *child;
        const std::type_info* kind = &typeid(e);
        if (kind == pad) {
            static_cast<const Pad&>(e).addHolePassReach(holeReach_);
        } else if (kind != silkscreen && kind != reference && kind != partValue) {
            // A kind that may draw anything in either pass.
            passReachKnown_ = false;
            return;
        }
    }
}

double Footprint::passStretch() const
{
    // The norm of the placement's linear part, at least 1: how far the
    // placement may stretch a length.
    if (!netTransform)
        return 1;
    const QTransform& t = *netTransform;
    return std::max(1.0, std::sqrt(t.m11() * t.m11() + t.m12() * t.m12() + t.m21() * t.m21() + t.m22() * t.m22()));
}

PassReach Footprint::passReach()
{
    PassReach reach;
    if (!passReachKnown_ || children.entities.empty())
        return reach;
    reach.known = true;
    reach.pad = boundingBox;
    reach.hole = holeReach_;
    reach.margin = 2 * passStretch();
    return reach;
}

bool Footprint::passOffView(Graphics& g, const BoundingBox& reach) const
{
    if (!passReachKnown_)
        return false;
    if (!reach.valid)
        return true; // nothing to draw
    if (!g.viewportBoundingBox.valid)
        return false;
    // Hairlines and grown holes reach a pixel past the measured shapes; a
    // pixel here is in the parent's units, the reach in the sheet's.
    const double pixel = g.pixelSize();
    const double margin = 2 * pixel * passStretch();
    if (!std::isfinite(margin))
        return false;
    return !reach.expanded(margin).intersects(g.viewportBoundingBox);
}

void Footprint::drawPadPass(Graphics& g) const
{
    if (children.entities.empty())
        return;
    // Pads draw their outlines in this pass, and nothing else does.
    if (passOffView(g, boundingBox))
        return;
    g.pushTransform(singleLevelTransform);
    children.drawPadPass(g);
    g.popTransform(singleLevelTransform);
}

void Footprint::drawHolePass(Graphics& g, const QColor& color) const
{
    if (children.entities.empty() || passOffView(g, holeReach_))
        return;
    g.pushTransform(singleLevelTransform);
    children.drawHolePass(g, color);
    g.popTransform(singleLevelTransform);
}

QString Footprint::typeName() const
{
    return QStringLiteral("Footprint");
}

QWidget* Footprint::editorView(const std::shared_ptr<Entity>& self)
{
    return new FootprintEditor(std::static_pointer_cast<Footprint>(self));
}

FootprintEditor::FootprintEditor(std::shared_ptr<Footprint> footprint, QWidget* parent)
    : FrameEditor(QStringLiteral("Footprint"), {}, parent)
    , footprint(footprint)
{
    keepEntityAlive(std::move(footprint));
}
