#pragma once
// Small entities for the document tests, registered under element names that
// only these tests use: "probe", "testPad", "testTerminal", "testHolder",
// "testBorder". Probes append what each pass showed them to a shared log.

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "core/Readers.h"
#include "core/RedrawHook.h"
#include "document/Design.h"
#include "document/PCB.h"
#include "document/SymbolPadNameSetter.h"
#include "model/EntityFactory.h"
#include "model/EntityList.h"

#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>

// What the probes saw, in order.
inline QStringList& probeLog()
{
    static QStringList log;
    return log;
}

// The root "version" seen by the last probe while it was read.
inline int& versionSeenWhileReading()
{
    static int v = -1;
    return v;
}

// Logs "L<layer>" (with "*" when drawn in the layer colour) for every draw,
// "pad" for the solid-pad pass and "hole(<colour>,<useLayerColor>)" for the
// hole pass; fills its rectangle so that picking finds it.
class Probe : public Entity {
public:
    using Entity::Entity;
    QRectF rect = QRectF(-100, -100, 200, 200);
    bool logPasses = true;

    void readXML(pugi::xml_node element) override
    {
        Entity::readXML(element);
        rect = readRectAttribute(element, rect);
        if (sheet && sheet->design)
            versionSeenWhileReading() = sheet->design->xmlVersionBeingRead;
    }
    void draw(Graphics& g) const override
    {
        // The geometry pass's ink measure (on reading threads) is no pass.
        if (!g.context.measuring())
            probeLog() << QStringLiteral("L%1%2%3")
                          .arg(g.currentLayer)
                          .arg(g.useLayerColor ? "*" : "")
                          .arg(identifier.isEmpty() ? QString() : ":" + identifier);
        g.context.setFillColor(QColor(0, 0, 0));
        g.context.beginPath();
        g.context.addRect(rect);
        g.context.fillPath();
    }
    void drawPadPass(Graphics& g) const override
    {
        if (logPasses)
            probeLog() << (g.useLayerColor ? QStringLiteral("pad*") : QStringLiteral("pad"));
    }
    void drawHolePass(Graphics& g, const QColor& color) const override
    {
        if (logPasses)
            probeLog() << QStringLiteral("hole(%1,%2)").arg(color.name(QColor::HexArgb)).arg(g.useLayerColor);
    }
    void calculateBoundingBox() override { boundingBox.addTransformedRect(rect, netTransform); }
};

class TestPad : public Entity {
public:
    using Entity::Entity;
    Id id;
    QString name;
    void readXML(pugi::xml_node element) override
    {
        Entity::readXML(element);
        id = readIdAttribute(element, "id", id);
        name = QString::fromStdString(readStringAttribute(element, "name", ""));
    }
    std::optional<PadIdentity> padIdentity() const override { return PadIdentity{id, name}; }
};

class TestTerminal : public Entity, public ITerminalPadLink {
public:
    using Entity::Entity;
    Id padId;
    QString padName = QStringLiteral("unset");
    void readXML(pugi::xml_node element) override
    {
        Entity::readXML(element);
        padId = readIdAttribute(element, "padId", padId);
    }
    ITerminalPadLink* terminalPadLinkCapability() override { return this; }
    Id terminalPadId() const override { return padId; }
    void setTerminalPadName(const QString& n) override { padName = n; }
};

class DocTestHolder : public Entity, public IEntityHolder {
public:
    using Entity::Entity;
    EntityList children;
    void readXML(pugi::xml_node element) override
    {
        Entity::readXML(element);
        EntityList::readEntities(element, sheet, children);
    }
    IEntityHolder* holder() override { return this; }
    const IEntityHolder* holder() const override { return this; }
    EntityList& entities() override { return children; }
    const EntityList& entities() const override { return children; }
    const std::optional<QTransform>& childTransform() const override { return singleLevelTransform; }
};

// A board border that logs its board fill.
class TestBorder : public Entity, public IBoardBorder {
public:
    explicit TestBorder(GraphicsSheet* sheet) : Entity(sheet) { layerIndex = PcbLayerList::kBoardBorderLayer; }
    void readXML(pugi::xml_node element) override
    {
        Entity::readXML(element);
        layerIndex = PcbLayerList::kBoardBorderLayer;
    }
    void drawBoardFill(Graphics& g, const QColor& color) override
    {
        probeLog() << QStringLiteral("fill(%1,%2)").arg(color.name(QColor::HexArgb)).arg(g.useLayerColor);
    }
};

inline void registerDocumentTestEntities()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    registerEntity<Probe>("probe");
    registerEntity<TestPad>("testPad");
    registerEntity<TestTerminal>("testTerminal");
    registerEntity<DocTestHolder>("testHolder");
    registerEntity("testBorder", [](pugi::xml_node, GraphicsSheet* sheet) -> std::shared_ptr<Entity> {
        auto border = std::make_shared<TestBorder>(sheet);
        if (auto* pcb = dynamic_cast<PCB*>(sheet))
            pcb->registerBoardBorder(border);
        return border;
    });
}

// Counts redraw and refit requests while alive.
class RedrawCounter {
public:
    RedrawCounter()
    {
        setRedrawHook([this](Redraw what) {
            ++redraws;
            refits += has(what, Redraw::fit);
        });
    }
    ~RedrawCounter()
    {
        setRedrawHook(nullptr);
    }
    RedrawCounter(const RedrawCounter&) = delete;
    RedrawCounter& operator=(const RedrawCounter&) = delete;
    int redraws = 0;
    int refits = 0;
};

// An image with a y-up view of the model: scale pixels per inch, model origin
// at (originX, originY) pixels from the top-left.
struct RenderTarget {
    QImage image;
    QPainter painter;
    DrawingContext context;
    Graphics graphics;

    RenderTarget(int width, int height, double scale, double originX, double originY, const QColor& fill = Qt::white)
        : image(makeImage(width, height, fill))
        , painter(&image)
        , context(initPainter(painter, scale, originX, originY))
        , graphics(context)
    {
    }
    QImage finish()
    {
        painter.end();
        return image;
    }

private:
    static QImage makeImage(int w, int h, const QColor& fill)
    {
        QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
        img.fill(fill);
        return img;
    }
    static QPainter& initPainter(QPainter& p, double scale, double ox, double oy)
    {
        p.setTransform(QTransform(scale, 0, 0, -scale, ox, oy));
        return p;
    }
};
