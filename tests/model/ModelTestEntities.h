#pragma once
// Small entities for the model tests: a filled rectangle and a holder.

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "core/Readers.h"
#include "model/EntityFactory.h"
#include "model/EntityList.h"

#include <QImage>
#include <QPainter>
#include <QRectF>

// Fills its rectangle (own coordinates) in opaque black and counts its calls.
class TestRect : public Entity {
public:
    using Entity::Entity;
    QRectF rect = QRectF(0, 0, 1, 1);
    // Counters the tests read: written by the (const) draws of one thread
    // (not by the geometry pass measuring the ink).
    mutable int draws = 0;
    mutable int padPasses = 0;
    mutable int holePasses = 0;
    mutable QTransform padPassTransform; // context transform at the last pad pass

    void readXML(pugi::xml_node element) override
    {
        Entity::readXML(element);
        rect = readRectAttribute(element, rect);
    }
    void draw(Graphics& g) const override
    {
        draws += !g.context.measuring();
        Entity::draw(g);
        g.pushTransform(singleLevelTransform);
        g.context.setFillColor(QColor(0, 0, 0));
        g.context.beginPath();
        g.context.addRect(rect);
        g.context.fillPath();
        g.popTransform(singleLevelTransform);
    }
    void drawPadPass(Graphics& g) const override
    {
        ++padPasses;
        padPassTransform = g.context.transform();
    }
    void drawHolePass(Graphics&, const QColor&) const override { ++holePasses; }
    void calculateBoundingBox() override { boundingBox.addTransformedRect(rect, netTransform); }
};

// Owns a child list read from its "entities" children. With forwardsOwnPass
// set, its own pad and hole passes also run the children, as footprints and
// nets do; the list must still visit every child only once.
class TestHolder : public Entity, public IEntityHolder {
public:
    using Entity::Entity;
    EntityList children;
    bool forwardsOwnPass = false;
    mutable int draws = 0; // written by the (const) draws of one thread

    void readXML(pugi::xml_node element) override
    {
        Entity::readXML(element);
        forwardsOwnPass = readBoolAttribute(element, "forwards", false);
        EntityList::readEntities(element, sheet, children);
    }
    void draw(Graphics& g) const override
    {
        draws += !g.context.measuring();
        Entity::draw(g);
    }
    void drawPadPass(Graphics& g) const override
    {
        if (forwardsOwnPass)
            drawChildrenPadPass(g);
    }
    void drawHolePass(Graphics& g, const QColor& color) const override
    {
        if (forwardsOwnPass)
            drawChildrenHolePass(g, color);
    }
    void updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox) override
    {
        computeNetTransform(parentTransform);
        boundingBox = BoundingBox();
        children.updateBoundingBox(netTransform, &boundingBox);
        if (parentBox && boundingBox.valid)
            parentBox->addTransformedBox(boundingBox, std::nullopt);
    }
    IEntityHolder* holder() override { return this; }
    const IEntityHolder* holder() const override { return this; }
    EntityList& entities() override { return children; }
    const EntityList& entities() const override { return children; }
    const std::optional<QTransform>& childTransform() const override { return singleLevelTransform; }
};

inline void registerTestEntities()
{
    registerEntity<TestRect>("testRect");
    registerEntity<TestHolder>("testHolder");
}

// A pick pass at device pixel (px, py) of a view: that pixel becomes the
// single pixel of the pick image.
struct PickRig {
    QImage image{1, 1, QImage::Format_ARGB32_Premultiplied};
    QPainter painter;
    std::unique_ptr<DrawingContext> context;
    std::unique_ptr<Graphics> g;

    PickRig(const QTransform& view, int px, int py)
    {
        image.fill(Qt::transparent);
        painter.begin(&image);
        painter.setTransform(view * QTransform::fromTranslate(-px, -py));
        context = std::make_unique<DrawingContext>(painter);
        g = std::make_unique<Graphics>(*context);
        g->picking = true;
        g->pickImage = &image;
    }
};

// 100 device pixels per inch, y up, model (0, 0) at device (0, 200).
inline QTransform testView()
{
    return QTransform(100, 0, 0, -100, 0, 200);
}
