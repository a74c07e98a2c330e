#include "EntityTestSupport.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/Schematic.h"
#include "editors/EntityEditor.h"
#include "entities/schematic/Symbol.h"
#include "entities/schematic/SymbolTerminal.h"
#include "entities/schematic/SymbolTexts.h"
#include "entities/schematic/TerminalMagnet.h"
#include "model/EntityFactory.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <gtest/gtest.h>

#include <memory>

namespace {

template <class T>
std::shared_ptr<T> childOf(Entity& holder, size_t index)
{
    IEntityHolder* h = holder.holder();
    if (!h || index >= h->entities().entities.size())
        return nullptr;
    return std::dynamic_pointer_cast<T>(h->entities().entities[index]);
}

// The entity of the sheet hit by a click at the model point.
std::shared_ptr<Entity> pick(GraphicsSheet& sheet, QPointF model, bool subPicking, double scale = 400)
{
    return pickOnSheet(sheet, model, scale, subPicking, false);
}

// An image of something drawn at `scale` pixels per inch with the model
// point `origin` at the image's lower-left corner; white background.
class Canvas : public WhiteViewImage {
public:
    Canvas(QPointF origin, QSize size, double scale)
        : WhiteViewImage(size, QTransform(scale, 0, 0, -scale, -origin.x() * scale, size.height() + origin.y() * scale))
    {
    }
    template <class F>
    void paint(F&& f)
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(view);
        DrawingContext context(painter);
        Graphics g(context);
        g.viewportBoundingBox.addRect(view.inverted().mapRect(QRectF(image.rect())));
        f(g);
    }
    QColor at(QPointF model) const { return image.pixelColor(view.map(model).toPoint()); }
};

} // namespace

TEST(SymbolReading, ElementNamesFieldsAndTypeNames)
{
    for (const char* name : {"symbol", "part"})
        EXPECT_TRUE(std::dynamic_pointer_cast<Symbol>(readAs(std::string("<") + name + "/>"))) << name;
    for (const char* name : {"terminalMagnet", "partBorder", "symbolBorder"})
        EXPECT_TRUE(std::dynamic_pointer_cast<TerminalMagnet>(readAs(std::string("<") + name + "/>"))) << name;
    for (const char* name : {"symbolPartValue", "partValue", "symbolValue"})
        EXPECT_TRUE(std::dynamic_pointer_cast<SymbolPartValue>(readAs(std::string("<") + name + "/>"))) << name;
    EXPECT_TRUE(std::dynamic_pointer_cast<SymbolReference>(readAs("<partId/>")));
    EXPECT_TRUE(std::dynamic_pointer_cast<SymbolPartType>(readAs("<symbolPartType/>")));
    EXPECT_TRUE(std::dynamic_pointer_cast<SymbolTerminal>(readAs("<terminal/>")));
    EXPECT_FALSE(readAs("<symbolTerminal/>"));
    EXPECT_FALSE(readAs("<symbolReference/>"));

    auto s = std::dynamic_pointer_cast<Symbol>(readAs(R"(<symbol at="3,4" noFootprint="yes" footprintID="42"
        footprintName="SO8" sourceFile="lib.part" sourceLength="3.5" doNotBlockWires="true">
        <entities><partId text="U3"/></entities></symbol>)"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->at, QPointF(0, 0)); // never read
    EXPECT_FALSE(s->noFootprint);
    EXPECT_EQ(s->footprintID, Id{42});
    EXPECT_EQ(s->footprintName, QStringLiteral("SO8"));
    EXPECT_EQ(s->sourceFile, QStringLiteral("lib.part"));
    EXPECT_EQ(s->sourceLength, 0);
    EXPECT_TRUE(s->doNotBlockWires);
    EXPECT_EQ(s->typeName(), QStringLiteral("Symbol U3"));

    // An empty reference keeps the blank; none at all is unknown.
    EXPECT_EQ(readAs(R"(<symbol><entities><partId/></entities></symbol>)")->typeName(), QStringLiteral("Symbol "));
    EXPECT_EQ(readAs(R"(<symbol><entities><partValue text="U9"/></entities></symbol>)")->typeName(),
              QStringLiteral("Symbol - Unknown Reference"));
    // Depth first, in list order: a reference inside a nested holder before a
    // later one beside it.
    EXPECT_EQ(readAs(R"(<part><entities><symbolPartType text="T"/><symbol><entities><partId text="INNER"/></entities></symbol>
                      <partId text="OUTER"/></entities></part>)")->typeName(),
              QStringLiteral("Symbol INNER"));
    // A hidden reference still names its symbol.
    EXPECT_EQ(readAs(R"(<symbol><entities><partId text="J1" visible="false"/></entities></symbol>)")->typeName(),
              QStringLiteral("Symbol J1"));

    EXPECT_EQ(readAs("<partId/>")->typeName(), QStringLiteral("Symbol Reference"));
    EXPECT_EQ(readAs("<partValue/>")->typeName(), QStringLiteral("Symbol Part Value"));
    EXPECT_EQ(readAs("<symbolPartType/>")->typeName(), QStringLiteral("Symbol Part Type"));
    EXPECT_EQ(readAs("<partBorder/>")->typeName(), QStringLiteral("Terminal Magnet"));
}

TEST(SymbolReading, TextFlags)
{
    SymbolPartValue freshValue(nullptr);
    EXPECT_DOUBLE_EQ(freshValue.height, 1.0);
    EXPECT_TRUE(freshValue.visible);
    EXPECT_DOUBLE_EQ(freshValue.font.height, 0.055);

    // Missing flags are true whatever they were; present ones true only for "true".
    SymbolPartValue value(nullptr);
    value.visible = false;
    value.visibleInSchematic = false;
    value.nameIsNodeName = true;
    pugi::xml_document doc = parseXml(R"(<partValue text="10k"/>)");
    value.readXML(doc.first_child());
    EXPECT_TRUE(value.visible);
    EXPECT_TRUE(value.visibleInSchematic);
    EXPECT_FALSE(value.nameIsNodeName);
    auto v = std::dynamic_pointer_cast<SymbolPartValue>(
        readAs(R"(<symbolValue visible="TRUE" showInSchematic="false" visibleInSchematic="true" nameIsNodeName="true"/>)"));
    EXPECT_FALSE(v->visible);
    EXPECT_FALSE(v->visibleInSchematic); // the value's flag is "showInSchematic"
    EXPECT_TRUE(v->nameIsNodeName);
    auto t = std::dynamic_pointer_cast<SymbolPartType>(readAs(R"(<symbolPartType showInSchematic="false"/>)"));
    EXPECT_TRUE(t->visible);
    EXPECT_FALSE(t->visibleInSchematic);

    SymbolReference reference(nullptr);
    reference.prefix = QStringLiteral("R");
    doc = parseXml(R"(<partId text="U1" showInSchematic="false" siblingName="A" preferredSiblingName="B"/>)");
    reference.readXML(doc.first_child());
    EXPECT_TRUE(reference.visibleInSchematic); // the reference's flag is "visibleInSchematic"
    EXPECT_EQ(reference.prefix, QStringLiteral("R"));
    EXPECT_EQ(reference.siblingName, QStringLiteral("A"));
    EXPECT_EQ(reference.preferredSiblingName, QStringLiteral("B"));
    auto r = std::dynamic_pointer_cast<SymbolReference>(readAs(R"(<partId visibleInSchematic="false" prefix=""/>)"));
    EXPECT_FALSE(r->visibleInSchematic);
    EXPECT_EQ(r->prefix, QString());
}

TEST(SymbolTexts, ShownOnlyWhenVisibleNonEmptyAndAllowedInSchematics)
{
    Design design;
    DesignState state(&design);
    auto sheet = state.addSchematic();
    auto inkOf = [](Entity& e) {
        e.updateGeometry(std::nullopt, nullptr);
        Canvas canvas(QPointF(-0.5, -0.25), QSize(400, 200), 400);
        canvas.paint([&](Graphics& g) { e.draw(g); });
        return canvas.inkIn(QRectF(-0.5, -0.25, 1, 0.5));
    };
    const std::string shown = R"( text="VALUE" at="0,0" brushColor="0,0,0")";
    for (const char* name : {"partId", "partValue", "symbolPartType"}) {
        auto e = readAs(std::string("<") + name + shown + "/>", sheet.get());
        EXPECT_GT(inkOf(*e), 100) << name;
        EXPECT_TRUE(e->boundingBox.valid) << name;
        e = readAs(std::string("<") + name + shown + " visible=\"false\"/>", sheet.get());
        e->selected = true;
        EXPECT_EQ(inkOf(*e), 0) << name; // not even the selection frame
    }
    // Switched off for schematics: hidden in a design that honours the flag,
    // shown in one that does not.
    auto value = readAs(R"(<partValue text="10k" showInSchematic="false"/>)", sheet.get());
    auto reference = readAs(R"(<partId text="U1" visibleInSchematic="false"/>)", sheet.get());
    auto type = readAs(R"(<symbolPartType text="NPN" showInSchematic="false"/>)", sheet.get());
    EXPECT_EQ(inkOf(*value), 0);
    EXPECT_FALSE(value->boundingBox.valid);
    EXPECT_EQ(inkOf(*reference), 0);
    EXPECT_FALSE(reference->boundingBox.valid);
    EXPECT_EQ(inkOf(*type), 0);
    EXPECT_TRUE(type->boundingBox.valid); // the part type keeps its box
    design.isProject = false;
    EXPECT_GT(inkOf(*value), 50);
    EXPECT_GT(inkOf(*reference), 50);
    EXPECT_GT(inkOf(*type), 50);
    design.isProject = true;

    // Empty texts: value and reference measure nothing; the part type keeps
    // its anchor in its box.
    auto emptyValue = readAs(R"(<partValue at="1,1"/>)");
    inkOf(*emptyValue);
    EXPECT_FALSE(emptyValue->boundingBox.valid);
    auto emptyType = readAs(R"(<symbolPartType at="1,1"/>)");
    EXPECT_EQ(inkOf(*emptyType), 0);
    EXPECT_TRUE(emptyType->boundingBox.contains(QPointF(1, 1)));
}

TEST(TerminalMagnet, ReadingBoxesAndDrawing)
{
    auto m = std::dynamic_pointer_cast<TerminalMagnet>(readAs(R"(<terminalMagnet x="0" y="0" width="1" height="0.5"
        penWidth="0.02" penColor="255,0,0" brushColor="0,0,255" useTop="false" useLeft="yes"/>)"));
    ASSERT_TRUE(m);
    EXPECT_FALSE(m->canAddTerminalsToTop);
    EXPECT_FALSE(m->canAddTerminalsToLeft);
    EXPECT_TRUE(m->canAddTerminalsToBottom);
    EXPECT_TRUE(m->canAddTerminalsToRight);
    EXPECT_FALSE(m->roundedCorners);
    m->updateGeometry(std::nullopt, nullptr);
    EXPECT_NEAR(m->boundingBox.bottomLeft.x(), -0.01, 1e-9);
    EXPECT_NEAR(m->boundingBox.topRight.y(), 0.51, 1e-9);
    // The gradient spans the rectangle itself, in the magnet's coordinates.
    EXPECT_EQ(m->brush.rectangle, QRectF(0, 0, 1, 0.5));

    // An invisible pen adds nothing; no rectangle leaves a single point.
    auto clear = readAs(R"(<partBorder x="1" y="1" width="1" height="1" penColor="0,0,0,0" penWidth="0.2"/>)");
    clear->updateGeometry(std::nullopt, nullptr);
    EXPECT_EQ(clear->boundingBox.rect(), QRectF(1, 1, 1, 1));
    auto point = readAs(R"(<symbolBorder penWidth="0.02"/>)");
    point->updateGeometry(std::nullopt, nullptr);
    EXPECT_NEAR(point->boundingBox.width(), 0.02, 1e-9);

    // Under a turned parent: the axis-aligned box of the turned rectangle.
    m->updateGeometry(QTransform(0, 1, -1, 0, 5, 2), nullptr);
    EXPECT_NEAR(m->boundingBox.bottomLeft.x(), 4.49, 1e-9);
    EXPECT_NEAR(m->boundingBox.topRight.x(), 5.01, 1e-9);
    EXPECT_NEAR(m->boundingBox.topRight.y(), 3.01, 1e-9);

    // Drawn filled and outlined, with no selection frame.
    m->updateGeometry(std::nullopt, nullptr);
    m->selected = true;
    Canvas canvas(QPointF(-0.25, -0.25), QSize(600, 400), 400);
    canvas.paint([&](Graphics& g) { m->draw(g); });
    EXPECT_EQ(canvas.at(QPointF(0.5, 0.25)), QColor(0, 0, 255));
    EXPECT_EQ(canvas.at(QPointF(0.5, 0.5)), QColor(255, 0, 0));
    EXPECT_EQ(canvas.at(QPointF(0.5, 0.5 + 0.02)), QColor(Qt::white));

    // Rounded corners (radius 0.06): the corner stays empty; a gradient
    // fills the rounded outline across the rectangle, a centre gradient
    // with its plain colour.
    auto rounded = readAs(R"(<terminalMagnet x="0" y="0" width="1" height="0.5" roundedCorners="true" penColor="0,0,0,0"
        brushType="gradient" brushColor="255,0,0" secondColor="0,0,255"/>)");
    rounded->updateGeometry(std::nullopt, nullptr);
    Canvas rc(QPointF(-0.25, -0.25), QSize(600, 400), 400);
    rc.paint([&](Graphics& g) { rounded->draw(g); });
    EXPECT_EQ(rc.at(QPointF(0.005, 0.005)), QColor(Qt::white));
    EXPECT_NE(rc.at(QPointF(0.06, 0.06)), QColor(Qt::white));
    const QColor left = rc.at(QPointF(0.05, 0.25)), right = rc.at(QPointF(0.95, 0.25));
    EXPECT_GT(left.red(), 200);
    EXPECT_GT(right.blue(), 200);
    auto centre = readAs(R"(<terminalMagnet x="0" y="0" width="1" height="0.5" roundedCorners="true" penColor="0,0,0,0"
        brushType="centerGradient" brushColor="255,0,0" secondColor="0,0,255"/>)");
    centre->updateGeometry(std::nullopt, nullptr);
    Canvas cc(QPointF(-0.25, -0.25), QSize(600, 400), 400);
    cc.paint([&](Graphics& g) { centre->draw(g); });
    EXPECT_EQ(cc.at(QPointF(0.05, 0.25)), QColor(255, 0, 0));
    EXPECT_EQ(cc.at(QPointF(0.95, 0.25)), QColor(255, 0, 0));
}

TEST(SymbolEditors, TitledFramesWithNothingToEdit)
{
    struct Case {
        std::shared_ptr<Entity> entity;
        const char* title;
    };
    const Case cases[] = {
        {std::make_shared<Symbol>(nullptr), "Symbol"},
        {std::make_shared<SymbolReference>(nullptr), "Symbol Reference"},
        {std::make_shared<SymbolPartValue>(nullptr), "Symbol Part Value"},
        {std::make_shared<SymbolPartType>(nullptr), "Symbol Part Type"},
        {std::make_shared<SymbolTerminal>(nullptr), "Symbol Terminal"},
        {std::make_shared<TerminalMagnet>(nullptr), "Terminal Magnet"},
    };
    for (const Case& c : cases) {
        std::unique_ptr<QWidget> w(editorFor(c.entity));
        auto* editor = qobject_cast<FrameEditor*>(w.get());
        ASSERT_TRUE(editor) << c.title;
        EXPECT_EQ(editor->title(), QString::fromUtf8(c.title));
        bool emptyMessage = false;
        for (QLabel* l : editor->findChildren<QLabel*>())
            emptyMessage |= l->text() == QStringLiteral("No editable parameters");
        EXPECT_TRUE(emptyMessage) << c.title;
    }
    auto symbol = std::make_shared<Symbol>(nullptr);
    std::unique_ptr<QWidget> w(editorFor(symbol));
    auto* se = qobject_cast<SymbolEditor*>(w.get());
    ASSERT_TRUE(se);
    EXPECT_EQ(se->symbol, symbol);
    EXPECT_EQ(se->titleText, QStringLiteral("Symbol"));
}

class SymbolSheet : public ::testing::Test {
protected:
    Design design;
    Schematic* sheet = nullptr;
    std::shared_ptr<Symbol> u1, r1, j1;

    void SetUp() override
    {
        ASSERT_TRUE(design.open(QStringLiteral(BRINDLEX_TEST_DATA "/symbols.project"))) << design.lastError().toStdString();
        sheet = design.currentDesignState()->schematics.at(0).get();
        sheet->updateGeometry();
        ASSERT_EQ(sheet->entityList.entities.size(), 3u);
        u1 = std::dynamic_pointer_cast<Symbol>(sheet->entityList.entities[0]);
        r1 = std::dynamic_pointer_cast<Symbol>(sheet->entityList.entities[1]);
        j1 = std::dynamic_pointer_cast<Symbol>(sheet->entityList.entities[2]);
        ASSERT_TRUE(u1 && r1 && j1);
    }
};

TEST_F(SymbolSheet, PinsTakeTheirPadsNamesAfterLoading)
{
    std::vector<std::shared_ptr<SymbolTerminal>> pins;
    u1->children.collect(pins);
    ASSERT_EQ(pins.size(), 14u);
    EXPECT_EQ(pins[0]->padName, QStringLiteral("1"));
    EXPECT_EQ(pins[9]->name, QStringLiteral("VCC"));
    EXPECT_EQ(pins[9]->padName, QStringLiteral("14"));
    // An unreadable pad identity links to nothing here.
    EXPECT_EQ(pins[11]->name, QStringLiteral("GND"));
    EXPECT_EQ(pins[11]->padName, QString());
    EXPECT_FALSE(pins[11]->padNameModelSpaceBoundingBox);
    // With the name comes its box, beside the pin outside the body (the
    // symbol is at (2, 2), pin 1 at its left side, 0.2 up from the top row).
    ASSERT_TRUE(pins[0]->padNameModelSpaceBoundingBox);
    EXPECT_LT(pins[0]->padNameModelSpaceBoundingBox->topRight.x(), 0);
    EXPECT_TRUE(u1->boundingBox.contains(QPointF(2, 2) + pins[0]->padNameModelPosition));

    std::vector<std::shared_ptr<SymbolTerminal>> jPins;
    j1->children.collect(jPins);
    ASSERT_EQ(jPins.size(), 2u);
    EXPECT_EQ(jPins[0]->padName, QStringLiteral("A"));
    // Hidden pad names are assigned but neither measured nor drawn.
    EXPECT_EQ(jPins[1]->padName, QStringLiteral("B"));
    EXPECT_FALSE(jPins[1]->padNameModelSpaceBoundingBox);
    // This file's version gives medium pins by default.
    EXPECT_EQ(jPins[0]->lineLength, TerminalLineLength::Medium);
    EXPECT_EQ(jPins[0]->type, TerminalType::medium);

    EXPECT_EQ(u1->typeName(), QStringLiteral("Symbol U1"));
    EXPECT_EQ(r1->typeName(), QStringLiteral("Symbol R1"));
    EXPECT_EQ(j1->typeName(), QStringLiteral("Symbol J1"));
    EXPECT_EQ(u1->footprintID, Id{100});
    EXPECT_EQ(u1->sourceLength, 3);
}

TEST_F(SymbolSheet, BoxesUnderTheSymbolsPlacement)
{
    // U1 moved to (2, 2): its body's box is the magnet's rectangle moved,
    // grown by half the pen.
    auto magnet = childOf<TerminalMagnet>(*u1, 0);
    ASSERT_TRUE(magnet);
    EXPECT_NEAR(magnet->boundingBox.bottomLeft.x(), 2 - 0.006, 1e-6);
    EXPECT_NEAR(magnet->boundingBox.topRight.y(), 3.2 + 0.006, 1e-6);
    // The symbol's box holds every child's: the long pin at the bottom
    // reaches y = 1.7, the reference sits above.
    for (const auto& child : u1->children.entities)
        if (child->boundingBox.valid) {
            EXPECT_TRUE(u1->boundingBox.contains(child->boundingBox.bottomLeft)) << child->typeName().toStdString();
            EXPECT_TRUE(u1->boundingBox.contains(child->boundingBox.topRight)) << child->typeName().toStdString();
        }
    EXPECT_LE(u1->boundingBox.bottomLeft.y(), 1.7);
    EXPECT_GT(u1->boundingBox.topRight.y(), 3.6);

    // R1 turned a quarter about (5, 2): its body runs up from y = 2 to 2.6.
    auto border = childOf<TerminalMagnet>(*r1, 0);
    ASSERT_TRUE(border && border->roundedCorners);
    EXPECT_NEAR(border->boundingBox.bottomLeft.x(), 4.9 - 0.006, 1e-6);
    EXPECT_NEAR(border->boundingBox.topRight.x(), 5.1 + 0.006, 1e-6);
    EXPECT_NEAR(border->boundingBox.bottomLeft.y(), 2 - 0.006, 1e-6);
    EXPECT_NEAR(border->boundingBox.topRight.y(), 2.6 + 0.006, 1e-6);
    auto pin1 = childOf<SymbolTerminal>(*r1, 1);
    ASSERT_TRUE(pin1);
    // Its left pin points down the sheet from (5, 2) to (5, 1.8).
    EXPECT_NEAR(pin1->boundingBox.bottomLeft.y(), 1.8, 1e-6);
    EXPECT_NEAR(pin1->boundingBox.topRight.y(), 2, 0.05);
    EXPECT_TRUE(r1->boundingBox.contains(QPointF(5, 1.8)));

    // J1's hidden reference and empty value take no room.
    EXPECT_FALSE(childOf<SymbolReference>(*j1, 3)->boundingBox.valid);
    EXPECT_FALSE(childOf<SymbolPartValue>(*j1, 4)->boundingBox.valid);
    EXPECT_LT(j1->boundingBox.topRight.y(), 2.4);

    // A symbol without children has no box and adds nothing to its parent's.
    Symbol empty(sheet);
    BoundingBox parent;
    empty.updateGeometry(std::nullopt, &parent);
    EXPECT_FALSE(empty.boundingBox.valid);
    EXPECT_FALSE(parent.valid);
}

TEST_F(SymbolSheet, DrawnAndPicked)
{
    const QSize size(1000, 500);
    const double scale = 125;
    Canvas canvas(QPointF(0.5, 0.5), size, scale);
    canvas.paint([&](Graphics& g) { sheet->draw(g); });
    // Reference and value of U1 show; its part type, switched off for
    // schematics, does not.
    auto reference = childOf<SymbolReference>(*u1, 15);
    auto value = childOf<SymbolPartValue>(*u1, 16);
    auto type = childOf<SymbolPartType>(*u1, 17);
    ASSERT_TRUE(reference && value && type);
    EXPECT_GT(canvas.inkIn(reference->boundingBox.rect()), 10);
    EXPECT_GT(canvas.inkIn(value->boundingBox.rect()), 10);
    EXPECT_EQ(canvas.inkIn(type->boundingBox.rect()), 0);
    // The body is filled in its brush colour.
    EXPECT_EQ(canvas.at(QPointF(2.5, 2.6)), QColor(255, 255, 225));

    // A click on the body picks the symbol, or the magnet when inner
    // entities are asked for; on a pin line the pin.
    EXPECT_EQ(pick(*sheet, QPointF(2.5, 2.6), false), u1);
    EXPECT_EQ(pick(*sheet, QPointF(2.5, 2.6), true), childOf<TerminalMagnet>(*u1, 0));
    const QPointF onPin(2 - 0.1, 3); // pin "A": left from (2, 3), medium
    EXPECT_EQ(pick(*sheet, onPin, false, 2000), u1);
    EXPECT_EQ(pick(*sheet, onPin, true, 2000), childOf<SymbolTerminal>(*u1, 1));
    // The turned resistor's rounded body.
    EXPECT_EQ(pick(*sheet, QPointF(5, 2.3), false), r1);
    // Where J1's hidden reference would be, nothing.
    EXPECT_EQ(pick(*sheet, QPointF(6.7, 2.5), true), nullptr);
    EXPECT_EQ(pick(*sheet, QPointF(0.6, 0.6), true), nullptr);
}

TEST(SymbolGroups, GroupedChildrenArePlacedNamedPickedAndPassed)
{
    // A group inside a symbol holds a pin, the reference (two lines) and a
    // body; a group inside the footprint holds the drilled pad the pin
    // takes its name from.
    Design design;
    ASSERT_TRUE(design.loadFromBytes(QByteArray::fromStdString(R"(<qel version="12"><design><sheets><schematic>
        <settings showPage="false" showBorderReferences="false" showTitleBlock="false"/>
        <entities>
          <symbol dx="2" dy="1"><entities>
            <group dx="0.5" dy="0.5"><entities>
              <symbolBorder x="0" y="0" width="0.4" height="0.4" penWidth="0.01" brushColor="230,230,255"/>
              <terminal at="0,0.2" name="1" pad="41"/>
              <partId text="U7&#13;&#10;second" at="0.2,0.6" alignment="middleCenter" height="0.08"/>
            </entities></group>
          </entities></symbol>
        </entities></schematic></sheets>
        <pcb><settings showHoles="true"/><entities>
          <footprint dx="1" dy="1"><entities>
            <group dx="0.5" dy="0"><entities>
              <pad id="41" name="G" at="0,0" size="0.2,0.2" holeDiameter="0.1" smt="false"/>
            </entities></group>
          </entities></footprint>
        </entities></pcb></design></qel>)"),
                                   QStringLiteral("grouped.project")))
        << design.lastError().toStdString();
    Schematic& sheet = *design.currentDesignState()->schematics.at(0);
    sheet.updateGeometry();
    auto symbol = std::dynamic_pointer_cast<Symbol>(sheet.entityList.entities.at(0));
    ASSERT_TRUE(symbol);
    auto group = std::dynamic_pointer_cast<IEntityHolder>(symbol->children.entities.at(0));
    ASSERT_TRUE(group);
    ASSERT_EQ(group->entities().entities.size(), 3u);

    // Named through the group: the pin by its pad, the symbol by its reference.
    std::vector<std::shared_ptr<SymbolTerminal>> pins;
    symbol->children.collect(pins);
    ASSERT_EQ(pins.size(), 1u);
    EXPECT_EQ(pins[0]->padName, QStringLiteral("G"));
    EXPECT_EQ(symbol->typeName(), QStringLiteral("Symbol U7\r\nsecond"));

    // Placed under both transforms; the symbol's box holds the body and both
    // lines of the reference.
    auto body = std::dynamic_pointer_cast<TerminalMagnet>(group->entities().entities[0]);
    auto reference = std::dynamic_pointer_cast<SymbolReference>(group->entities().entities[2]);
    ASSERT_TRUE(body && reference);
    EXPECT_NEAR(body->boundingBox.bottomLeft.x(), 2.5 - 0.005, 1e-6);
    EXPECT_NEAR(body->boundingBox.topRight.y(), 1.9 + 0.005, 1e-6);
    for (const auto& run : reference->glyphRuns()) {
        const QRectF ink = reference->inkOf(run).translated(2.5, 1.5);
        EXPECT_TRUE(symbol->boundingBox.contains(ink.topLeft())) << run.origin.x();
        EXPECT_TRUE(reference->boundingBox.contains(ink.topLeft())) << run.origin.x();
    }
    EXPECT_EQ(reference->glyphRuns().size(), 2u);

    // A click on the body picks the symbol, or the body among inner entities.
    EXPECT_EQ(pick(sheet, QPointF(2.7, 1.7), false), symbol);
    EXPECT_EQ(pick(sheet, QPointF(2.7, 1.7), true), body);

    // The board draws the grouped pad's hole where the group places it.
    PCB& pcb = *design.currentDesignState()->pcb;
    pcb.updateGeometry();
    QImage image(300, 300, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setTransform(QTransform(100, 0, 0, -100, 0, 300));
        DrawingContext context(painter);
        Graphics g(context);
        pcb.draw(g);
    }
    EXPECT_EQ(image.pixelColor(150, 200), QColor(Qt::black)); // (1.5, 1)
    EXPECT_NE(image.pixelColor(100, 200), QColor(Qt::black)); // (1, 1): ungrouped place
}
