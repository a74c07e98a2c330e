#include "EntityTestSupport.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "editors/EntityEditor.h"
#include "entities/schematic/SchematicEditors.h"
#include "entities/schematic/SchematicNode.h"
#include "entities/schematic/WireJunction.h"
#include "model/EntityFactory.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

// A sheet drawn at `scale` pixels per inch onto white, model (0, 0) at the
// image's lower-left corner.
struct Render : SheetRender {
    Render(GraphicsSheet& sheet, double scale = 100, QSize size = QSize(400, 400)) : SheetRender(sheet, {}, scale, size) {}
};

// The entity the sheet's list reports under a model point (100 px/inch).
std::shared_ptr<Entity> pickAt(GraphicsSheet& sheet, QPointF model, bool subPicking)
{
    return pickInList(sheet.entityList, devicePixelUnder(model, 100, 1000), subPicking);
}

class SchematicNetsTest : public SchematicSheetTest {};

} // namespace

TEST_F(SchematicNetsTest, WireReadsVerticesInOrderAndSkipsMalformedOnes)
{
    Wire fresh(&schematic);
    EXPECT_TRUE(fresh.routed);
    EXPECT_EQ(fresh.startTerminalId, 0);
    EXPECT_EQ(fresh.pen, defaultWirePen());
    EXPECT_EQ(defaultWirePen()->color, QColor(0, 0, 0));
    EXPECT_EQ(defaultWirePen()->width, 0.007);

    auto wire = read<Wire>(R"(<wire from="12" to="-3" routed="yes">
        <vertex at="0.1,0.2"/>
        <vertex at="1,2,9"/>
        <vertex/>
        <vertex at="abc"/>
        <vertex at="4"/>
        <junk at="7,7"/>
        <vertexJumper at="5,6" bus="true"/>
        <vertexJumper at="7,8" bus="TRUE"/>
        <vertex at=" 1,1"/>
      </wire>)");
    ASSERT_TRUE(wire);
    EXPECT_EQ(wire->typeName(), "Wire");
    EXPECT_FALSE(wire->routed); // only "true" is true
    EXPECT_EQ(wire->startTerminalId, 12);
    EXPECT_EQ(wire->endTerminalId, -3);
    ASSERT_EQ(wire->wireVertices.size(), 5u);
    // Single precision, widened; a third piece is ignored; no "at" is the origin.
    EXPECT_EQ(wire->wireVertices[0]->position, QPointF(0.10000000149011612, 0.20000000298023224));
    EXPECT_EQ(wire->wireVertices[1]->position, QPointF(1, 2));
    EXPECT_EQ(wire->wireVertices[2]->position, QPointF(0, 0));
    auto* bus = dynamic_cast<WireVertexJumper*>(wire->wireVertices[3].get());
    auto* plain = dynamic_cast<WireVertexJumper*>(wire->wireVertices[4].get());
    ASSERT_TRUE(bus && plain);
    EXPECT_EQ(bus->position, QPointF(5, 6));
    EXPECT_TRUE(bus->isBusJumper);
    EXPECT_FALSE(plain->isBusJumper);
    EXPECT_EQ(dynamic_cast<WireVertexJumper*>(wire->wireVertices[0].get()), nullptr);
}

TEST_F(SchematicNetsTest, JumperHopsAreSemicirclesTowardsTheNextVertex)
{
    auto points = [&](const std::string& vertices) {
        auto wire = read<Wire>("<wire>" + vertices + "</wire>");
        wire->updateGeometry(std::nullopt, nullptr);
        return wire->points;
    };

    // A horizontal run to the right: 31 points from the left over the top.
    std::vector<QPointF> p = points(R"(<vertex at="0,0"/><vertexJumper at="1,0"/><vertex at="2,0"/>)");
    ASSERT_EQ(p.size(), 33u);
    EXPECT_EQ(p.front(), QPointF(0, 0));
    expectPoint(p[1], QPointF(0.98, 0));
    expectPoint(p[16], QPointF(1, 0.02));
    expectPoint(p[31], QPointF(1.02, 0));
    EXPECT_EQ(p.back(), QPointF(2, 0));

    // On a bus the radius is 0.04.
    p = points(R"(<vertex at="0,0"/><vertexJumper at="1,0" bus="true"/><vertex at="2,0"/>)");
    ASSERT_EQ(p.size(), 33u);
    expectPoint(p[1], QPointF(0.96, 0));
    expectPoint(p[16], QPointF(1, 0.04));
    expectPoint(p[31], QPointF(1.04, 0));

    // Towards the left the hop runs from the right, still bulging up.
    p = points(R"(<vertex at="2,0"/><vertexJumper at="1,0"/><vertex at="0,0"/>)");
    ASSERT_EQ(p.size(), 33u);
    expectPoint(p[1], QPointF(1.02, 0));
    expectPoint(p[16], QPointF(1, 0.02));
    expectPoint(p[31], QPointF(0.98, 0));

    // Vertical runs bulge towards +x, up and down.
    p = points(R"(<vertex at="0,0"/><vertexJumper at="0,1"/><vertex at="0,2"/>)");
    ASSERT_EQ(p.size(), 33u);
    expectPoint(p[1], QPointF(0, 0.98));
    expectPoint(p[16], QPointF(0.02, 1));
    expectPoint(p[31], QPointF(0, 1.02));
    p = points(R"(<vertex at="0,2"/><vertexJumper at="0,1"/><vertex at="0,0"/>)");
    ASSERT_EQ(p.size(), 33u);
    expectPoint(p[1], QPointF(0, 1.02));
    expectPoint(p[16], QPointF(0.02, 1));
    expectPoint(p[31], QPointF(0, 0.98));

    // A slanted run or a coinciding next vertex drops the jumper altogether.
    p = points(R"(<vertex at="0,0"/><vertexJumper at="1,0"/><vertex at="2,1"/>)");
    EXPECT_EQ(p, (std::vector<QPointF>{QPointF(0, 0), QPointF(2, 1)}));
    p = points(R"(<vertex at="0,0"/><vertexJumper at="1,0"/><vertex at="1.005,0.005"/>)");
    EXPECT_EQ(p, (std::vector<QPointF>{QPointF(0, 0), QPointF(double(1.005f), double(0.005f))}));

    // A jumper in last place is an ordinary corner.
    p = points(R"(<vertex at="0,0"/><vertexJumper at="1,0"/>)");
    EXPECT_EQ(p, (std::vector<QPointF>{QPointF(0, 0), QPointF(1, 0)}));
}

TEST_F(SchematicNetsTest, WireBoxIsItsPointsWithoutPenWidth)
{
    auto wire = read<Wire>(R"(<wire penWidth="0.5"><vertex at="0,0"/><vertexJumper at="1,0"/><vertex at="2,0"/></wire>)");
    place(wire);
    ASSERT_TRUE(wire->boundingBox.valid);
    expectPoint(wire->boundingBox.bottomLeft, QPointF(0, 0));
    expectPoint(wire->boundingBox.topRight, QPointF(2, 0.02));

    // No vertices: no points, no path, no box.
    schematic.schematicSettings.wireCorners = WireCornerStyle::rounded;
    auto empty = read<Wire>("<wire/>");
    place(empty);
    EXPECT_TRUE(empty->points.empty());
    EXPECT_FALSE(empty->path);
    EXPECT_FALSE(empty->boundingBox.valid);

    // A wire placed under a transform has its box where it is drawn.
    auto moved = read<Wire>(R"(<wire dx="1" dy="2"><vertex at="0,0"/><vertex at="1,1"/></wire>)");
    place(moved);
    expectPoint(moved->boundingBox.bottomLeft, QPointF(1, 2));
    expectPoint(moved->boundingBox.topRight, QPointF(2, 3));
    EXPECT_EQ(moved->points.front(), QPointF(0, 0)); // drawn in own coordinates
}

TEST_F(SchematicNetsTest, CornerStyleComesFromTheSchematicSettings)
{
    const std::string xml = R"(<wire><vertex at="0,0"/><vertex at="1,0"/><vertex at="1,1"/></wire>)";
    auto wire = read<Wire>(xml);
    place(wire);
    EXPECT_FALSE(wire->path); // orthogonal: stroked through the points

    schematic.schematicSettings.wireCorners = WireCornerStyle::rounded;
    schematic.updateGeometry();
    ASSERT_TRUE(wire->path);
    const QPainterPath rounded = *wire->path;
    // The corner is cut: the path passes no closer than ~0.015 to (1, 0).
    EXPECT_FALSE(rounded.boundingRect().isEmpty());
    EXPECT_GT(rounded.elementCount(), 3);

    schematic.schematicSettings.wireCorners = WireCornerStyle::beveled;
    schematic.updateGeometry();
    ASSERT_TRUE(wire->path);
    EXPECT_NE(*wire->path, rounded);
    EXPECT_EQ(wire->path->elementCount(), 4); // start, two bevel ends, end

    schematic.schematicSettings.wireCorners = WireCornerStyle::orthogonal;
    schematic.updateGeometry();
    EXPECT_FALSE(wire->path);

    // Off a schematic sheet the corners stay square.
    Design other;
    PCB pcb(&other);
    auto onPcb = readAs<Wire>(xml, &pcb);
    onPcb->updateGeometry(std::nullopt, nullptr);
    EXPECT_FALSE(onPcb->path);
    auto noSheet = readAs<Wire>(xml, nullptr);
    noSheet->updateGeometry(std::nullopt, nullptr);
    EXPECT_FALSE(noSheet->path);
    EXPECT_EQ(noSheet->points.size(), 3u);
}

TEST_F(SchematicNetsTest, NodeReadsItsAttributesWiresAndChildren)
{
    SchematicNode fresh(&schematic);
    EXPECT_EQ(fresh.pen->color, QColor(0, 0, 0));
    EXPECT_EQ(fresh.pen->width, 0.007);
    EXPECT_NE(fresh.pen, defaultWirePen()); // its own copy
    EXPECT_EQ(fresh.typeName(), "Node");
    EXPECT_EQ(fresh.holder(), &fresh);

    auto node = read<SchematicNode>(R"(<node verified="true" index="7" differential="true" isGround="true" ground="yes"
        name=" VCC " userName="Supply" netId="42" voltage="3.3" penColor="200,0,0">
        <wire><vertex at="0,0"/><vertex at="1,0"/></wire>
        <other><wire><vertex at="5,5"/></wire></other>
        <wire><vertex at="2,0"/></wire>
        <entities><nodeJunction at="1,0"/><wire><vertex at="3,3"/></wire><unknownThing/></entities>
      </node>)");
    ASSERT_TRUE(node);
    EXPECT_TRUE(node->verified);
    EXPECT_EQ(node->index, 7);
    EXPECT_TRUE(node->isDifferential);
    EXPECT_TRUE(node->isGround);
    EXPECT_FALSE(node->ground);
    EXPECT_EQ(node->actualName, " VCC ");
    EXPECT_EQ(node->userDefinedName, "Supply");
    EXPECT_EQ(node->netID.value, 42);
    EXPECT_EQ(node->voltage, 3.3);
    EXPECT_EQ(node->pen->color, QColor(200, 0, 0));
    EXPECT_EQ(node->pen->width, 0.007); // missing width keeps the default
    ASSERT_EQ(node->wires.size(), 2u); // direct "wire" children only
    EXPECT_EQ(node->wires[1]->wireVertices.front()->position, QPointF(2, 0));
    ASSERT_EQ(node->childEntities.entities.size(), 2u);
    EXPECT_TRUE(std::dynamic_pointer_cast<NodeJunction>(node->childEntities.entities[0]));
    EXPECT_TRUE(std::dynamic_pointer_cast<Wire>(node->childEntities.entities[1]));

    // Unreadable numbers keep the defaults.
    auto odd = read<SchematicNode>(R"(<node voltage=" 3" index="1.5" netId="x"/>)");
    EXPECT_EQ(odd->voltage, 0);
    EXPECT_EQ(odd->index, 0);
    EXPECT_EQ(odd->netID.value, 0);
    EXPECT_EQ(read<SchematicNode>(R"(<node voltage="nan"/>)")->voltage, 0);
    EXPECT_EQ(read<SchematicNode>(R"(<node voltage="1e999"/>)")->voltage, 0);
}

TEST_F(SchematicNetsTest, NodeBoxGathersWiresAndChildrenUnderItsPlacement)
{
    auto node = read<SchematicNode>(R"(<node dx="1" dy="1" penWidth="0.02">
        <wire><vertex at="0,0"/><vertex at="1,0"/></wire>
        <wire><vertex at="0,0"/><vertex at="0,0.5"/></wire>
        <entities><nodeJunction at="2,2"/></entities>
      </node>)");
    place(node);
    const double d = schematic.schematicSettings.nodePen.width;
    ASSERT_TRUE(node->boundingBox.valid);
    expectPoint(node->boundingBox.bottomLeft, QPointF(1, 1));
    expectPoint(node->boundingBox.topRight, QPointF(3 + d, 3 + d));
    auto junction = std::dynamic_pointer_cast<WireJunction>(node->childEntities.entities[0]);
    expectPoint(junction->boundingBox.center(), QPointF(3, 3));
    // Every wire draws with the node's pen, the same object.
    for (const auto& w : node->wires)
        EXPECT_EQ(w->pen, node->pen);
    EXPECT_EQ(node->wires[0]->pen->width, 0.02);

    // Repeated geometry passes do not grow the box.
    const BoundingBox before = node->boundingBox;
    schematic.updateGeometry();
    schematic.updateGeometry();
    EXPECT_EQ(node->boundingBox.bottomLeft, before.bottomLeft);
    EXPECT_EQ(node->boundingBox.topRight, before.topRight);
    ASSERT_TRUE(schematic.entityList.boundingBox.valid);
    EXPECT_EQ(schematic.entityList.boundingBox.topRight, before.topRight);
}

TEST_F(SchematicNetsTest, WiresDrawInTheNodePenAndJunctionsInTheNodeSettingsPen)
{
    auto node = read<SchematicNode>(R"(<node penWidth="0.04" penColor="200,0,0">
        <wire><vertex at="0.5,1"/><vertex at="3.5,1"/></wire>
        <entities><nodeJunction at="2,3"/><busJunction at="3,3"/></entities>
      </node>)");
    schematic.schematicSettings.nodePen = Pen(QColor(0, 0, 139), 0.05);
    place(node);
    {
        Render r(schematic);
        EXPECT_EQ(r.at(1, 1), QColor(200, 0, 0));
        EXPECT_EQ(r.at(1, 1.05), QColor(Qt::white)); // 0.04 wide
        // A disc of radius d = 0.05 around each junction.
        EXPECT_EQ(r.at(2, 3), QColor(0, 0, 139));
        EXPECT_EQ(r.at(2.03, 3), QColor(0, 0, 139));
        EXPECT_EQ(r.at(2.07, 3), QColor(Qt::white));
        EXPECT_EQ(r.at(3, 3), QColor(0, 0, 139));
    }
    // An invisible node pen hides the dots but keeps their boxes.
    schematic.schematicSettings.nodePen.color = QColor(0, 0, 139, 1);
    schematic.updateGeometry();
    {
        Render r(schematic);
        EXPECT_EQ(r.at(2, 3), QColor(Qt::white));
        EXPECT_EQ(r.at(1, 1), QColor(200, 0, 0));
    }
    auto junction = node->childEntities.entities[0];
    ASSERT_TRUE(junction->boundingBox.valid);
    EXPECT_NEAR(junction->boundingBox.width(), 0.1, 1e-12);

    // An invisible node pen colour hides every wire of the net.
    node->pen->color = QColor(200, 0, 0, 0);
    Render hidden(schematic);
    EXPECT_EQ(hidden.at(1, 1), QColor(Qt::white));
}

TEST_F(SchematicNetsTest, RoundedWiresDrawTheirCurvedPath)
{
    schematic.schematicSettings.wireCorners = WireCornerStyle::rounded;
    auto node = read<SchematicNode>(R"(<node penWidth="0.02"><wire><vertex at="1,1"/><vertex at="3,1"/><vertex at="3,3"/></wire></node>)");
    place(node);
    Render r(schematic, 200, QSize(800, 800));
    EXPECT_EQ(r.at(2, 1), QColor(0, 0, 0));
    EXPECT_EQ(r.at(3, 2), QColor(0, 0, 0));
    EXPECT_EQ(r.at(2.999, 1.001), QColor(Qt::white)); // the square corner is cut
    EXPECT_EQ(r.at(2.5, 2.5), QColor(Qt::white)); // no fill inside the bend
}

TEST_F(SchematicNetsTest, PickingFindsTheNodeByItsWiresAndJunctionsInside)
{
    auto node = read<SchematicNode>(R"(<node penWidth="0.02">
        <wire><vertex at="1,1"/><vertex at="3,1"/></wire>
        <entities><nodeJunction at="2,3"/></entities>
      </node>)");
    place(node);
    EXPECT_EQ(pickAt(schematic, QPointF(2, 1), false), node);
    EXPECT_EQ(pickAt(schematic, QPointF(2, 1.5), false), nullptr);
    EXPECT_EQ(pickAt(schematic, QPointF(2, 3), false), node);
    EXPECT_EQ(pickAt(schematic, QPointF(2, 3), true), node->childEntities.entities[0]);
}

TEST_F(SchematicNetsTest, JunctionsReadAndMeasureOnlyOnSchematicSheets)
{
    WireJunction base(&schematic);
    EXPECT_EQ(base.typeName(), "Wire Junction");
    EXPECT_EQ(base.rectangle, QRectF(0, 0, 0, 0));

    for (const char* name : {"nodeJunction", "busJunction"}) {
        SCOPED_TRACE(name);
        auto j = read<WireJunction>(std::string("<") + name + R"( id="9" at="1,2"/>)");
        ASSERT_TRUE(j);
        EXPECT_EQ(j->id.value, 9);
        EXPECT_EQ(j->electricalConnectionPoint, QPointF(1, 2));
        j->updateGeometry(std::nullopt, nullptr);
        ASSERT_TRUE(j->boundingBox.valid);
        expectPoint(j->boundingBox.bottomLeft, QPointF(0.993, 1.993));
        expectPoint(j->boundingBox.topRight, QPointF(1.007, 2.007));
    }
    EXPECT_EQ(read<NodeJunction>("<nodeJunction/>")->typeName(), "Node Junction");
    EXPECT_EQ(read<BusJunction>("<busJunction/>")->typeName(), "Bus Junction");

    // Missing attributes keep the current values.
    auto kept = std::make_shared<NodeJunction>(&schematic);
    kept->id.value = 5;
    kept->electricalConnectionPoint = QPointF(3, 4);
    pugi::xml_document doc = parseXml("<nodeJunction at=\"bad\"/>");
    kept->readXML(doc.first_child());
    EXPECT_EQ(kept->id.value, 5);
    EXPECT_EQ(kept->electricalConnectionPoint, QPointF(3, 4));
    EXPECT_FALSE(kept->hide);

    // On the PCB sheet a junction has no box and draws nothing, not even
    // when selected.
    Design other;
    PCB pcb(&other);
    auto onPcb = readAs<NodeJunction>(R"(<nodeJunction at="1,1"/>)", &pcb);
    onPcb->selected = true;
    pcb.entityList.entities.push_back(onPcb);
    pcb.entityList.updateBoundingBox(std::nullopt, nullptr);
    EXPECT_FALSE(onPcb->boundingBox.valid);
    Render r(pcb);
    EXPECT_EQ(r.at(1, 1), QColor(Qt::white));
}

TEST_F(SchematicNetsTest, EditorsAreTitledFramesWithNothingToEdit)
{
    auto node = read<SchematicNode>("<node/>");
    auto wire = read<Wire>("<wire/>");
    auto nodeJunction = read<NodeJunction>("<nodeJunction/>");
    auto busJunction = read<BusJunction>("<busJunction/>");
    auto wireJunction = std::make_shared<WireJunction>(&schematic);
    const std::vector<std::pair<std::shared_ptr<Entity>, QString>> cases{
        {node, "Schematic Node"}, {wire, "Wire"}, {nodeJunction, "Node Junction"}, {busJunction, "Bus Junction"}, {wireJunction, "Wire Junction"}};
    for (const auto& [entity, title] : cases) {
        SCOPED_TRACE(title.toStdString());
        std::unique_ptr<QWidget> editor(editorFor(entity));
        auto* frame = dynamic_cast<SchematicObjectEditor*>(editor.get());
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->title(), title);
        EXPECT_TRUE(showsNoParameters(frame));
    }
    std::unique_ptr<QWidget> e(editorFor(node));
    EXPECT_EQ(dynamic_cast<SchematicNodeEditor*>(e.get())->schematicNode, node);
    std::unique_ptr<QWidget> w(editorFor(wire));
    EXPECT_EQ(dynamic_cast<WireEditor*>(w.get())->wire, wire);
}

TEST(SchematicNetsFile, TheTestDesignReadsEveryKind)
{
    Design design;
    ASSERT_TRUE(design.open(QStringLiteral(BRINDLEX_TEST_DATA "/schematic_nets.project"))) << design.lastError().toStdString();
    auto state = design.currentDesignState();
    ASSERT_EQ(state->schematics.size(), 1u);
    Schematic& sheet = *state->schematics.front();
    EXPECT_EQ(sheet.schematicSettings.wireCorners, WireCornerStyle::rounded);
    sheet.updateGeometry();

    QStringList kinds;
    for (const auto& e : sheet.entityList.entities)
        kinds << e->typeName();
    EXPECT_EQ(kinds, QStringList({"Node", "Node", "Bus", "Bus Id", "Port", "PortName", "Block Reference", "Schematic Keepout",
                                  "Schematic Error", "Wire"}));
    auto vcc = std::dynamic_pointer_cast<SchematicNode>(sheet.entityList.entities[0]);
    ASSERT_TRUE(vcc);
    EXPECT_EQ(vcc->actualName, "VCC");
    EXPECT_EQ(vcc->wires.size(), 2u);
    QStringList children;
    for (const auto& e : vcc->childEntities.entities)
        children << e->typeName();
    EXPECT_EQ(children, QStringList({"Node Junction", "Node ID \"VCC\"", "InterWire Connector"}));
    for (const auto& w : vcc->wires)
        EXPECT_TRUE(w->path); // rounded corners
    auto sig = std::dynamic_pointer_cast<SchematicNode>(sheet.entityList.entities[1]);
    ASSERT_TRUE(sig);
    EXPECT_GT(sig->wires[0]->points.size(), 31u * 2); // two hops
    EXPECT_TRUE(sheet.entityList.boundingBox.valid);
}

TEST(SchematicNetsFile, NetsNestedWithoutEndAreReadToABoundedDepth)
{
    std::string nested;
    for (int i = 0; i < 500; ++i)
        nested += "<node><wire><vertex at=\"0,0\"/><vertex at=\"1,1\"/></wire><entities>";
    for (int i = 0; i < 500; ++i)
        nested += "</entities></node>";
    const std::string text = R"(<qel version="12"><design><sheets><schematic><entities>)" + nested
        + R"(</entities></schematic></sheets><pcb/></design></qel>)";
    Design design;
    ASSERT_TRUE(design.loadFromBytes(QByteArray::fromStdString(text), "nested.project"));
    Schematic& sheet = *design.currentDesignState()->schematics.front();
    sheet.updateGeometry();
    int depth = 0;
    for (Entity* e = sheet.entityList.entities.front().get(); e; ++depth) {
        auto* node = dynamic_cast<SchematicNode*>(e);
        ASSERT_TRUE(node);
        e = node->childEntities.entities.empty() ? nullptr : node->childEntities.entities.front().get();
    }
    EXPECT_LE(depth, EntityList::kMaxNesting);
    EXPECT_GT(depth, 1);
    Render r(sheet);
    EXPECT_LT(r.at(0.5, 0.5).lightness(), 100); // a thin antialiased black line
}
