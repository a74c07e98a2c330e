#pragma once
// A small entity and design builder for the viewport tests, so that they do
// not depend on which entity kinds are registered.

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "core/Readers.h"
#include "document/Design.h"
#include "model/Entity.h"
#include "model/EntityFactory.h"

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

// A filled rectangle from "x", "y", "w", "h", on layer "layer".
class TestBox : public Entity {
public:
    using Entity::Entity;
    QRectF rect;
    void readXML(pugi::xml_node element) override
    {
        Entity::readXML(element);
        rect = QRectF(readDoubleAttribute(element, "x", 0), readDoubleAttribute(element, "y", 0),
            readDoubleAttribute(element, "w", 1), readDoubleAttribute(element, "h", 1));
    }
    void calculateBoundingBox() override { boundingBox.addTransformedRect(rect, netTransform); }
    void draw(Graphics& g) const override
    {
        g.context.saveState();
        g.context.setFillColor(QColor(200, 30, 30));
        g.context.beginPath();
        g.context.addRect(rect);
        g.context.fillPath();
        g.context.restoreState();
        Entity::draw(g);
    }
    QString typeName() const override { return QStringLiteral("Test Box"); }
};

inline void registerTestBox()
{
    static bool done = false;
    if (!done) {
        registerEntity<TestBox>("viewportTestBox");
        done = true;
    }
}

// A design whose first schematic sheet holds the boxes (x, y, w, h each).
inline QByteArray schematicDesign(const std::vector<QRectF>& boxes)
{
    QByteArray xml = "<project version=\"1\" designVersion=\"1\"><design><sheets><schematic><entities>";
    for (const QRectF& r : boxes)
        xml += QStringLiteral("<viewportTestBox x=\"%1\" y=\"%2\" w=\"%3\" h=\"%4\"/>")
                   .arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toUtf8();
    xml += "</entities></schematic></sheets><pcb/></design></project>";
    return xml;
}

// Points QSettings at a private folder for the life of the object and empties it.
class ScratchSettings {
public:
    ScratchSettings()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        QSettings().clear();
    }
    ~ScratchSettings() { QSettings().clear(); }
    QTemporaryDir dir;
};
