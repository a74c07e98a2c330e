#include "model/Entity.h"

#include "core/Graphics.h"
#include "core/Readers.h"
#include "model/EntityList.h"

#include <QPainterPath>

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
    const QTransform t(m11, m12, m21, m22, dx, dy);
    // An identity placement stays absent so that drawing pushes nothing.
    if (!t.isIdentity())
        singleLevelTransform = t;

    if (pugi::xml_node a = childElement(element, "attributes"))
        attributes.readXML(a);
}

void Entity::draw(Graphics& g)
{
    if (selected && !g.selectionFramesOnTop && showsSelectionFrame())
        drawSelectionFrame(g);
}

void Entity::drawSelectionFrame(Graphics& g)
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

void Entity::drawPadPass(Graphics&)
{
}

void Entity::drawHolePass(Graphics&, const QColor&)
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
    netTransform = concatTransforms(singleLevelTransform, parentTransform);
}

void Entity::calculateBoundingBox()
{
}

QWidget* Entity::editorView()
{
    return nullptr;
}

QString Entity::typeName() const
{
    return QStringLiteral("Unknown");
}

void IEntityHolder::drawChildrenPadPass(Graphics& g)
{
    EntityList& list = entities();
    if (list.entities.empty())
        return;
    const std::optional<QTransform> t = childTransform();
    g.pushTransform(t);
    list.drawPadPass(g);
    g.popTransform(t);
}

void IEntityHolder::drawChildrenHolePass(Graphics& g, const QColor& color)
{
    EntityList& list = entities();
    if (list.entities.empty())
        return;
    const std::optional<QTransform> t = childTransform();
    g.pushTransform(t);
    list.drawHolePass(g, color);
    g.popTransform(t);
}
