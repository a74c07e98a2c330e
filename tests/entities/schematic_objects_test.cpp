#include "EntityTestSupport.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "core/TextMetrics.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "editors/EntityEditor.h"
#include "entities/schematic/Bus.h"
#include "entities/schematic/InterWireConnector.h"
#include "entities/schematic/SchematicEditors.h"
#include "entities/schematic/SchematicObjects.h"
#include "entities/schematic/TerminalTypes.h"
#include "model/EntityFactory.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

namespace {

// A sheet drawn at `scale` pixels per inch onto white, model (0, 0) at the
// image's lower-left corner; the graphics flags may be set first.
using Render = SheetRender;

class SchematicObjectsTest : public SchematicSheetTest {};

} // namespace

TEST(TerminalTypes, WordsReadBackAndUnknownWordsGiveNone)
{
    for (auto v : {TerminalOrientation::any, TerminalOrientation::top, TerminalOrientation::bottom, TerminalOrientation::left,
                   TerminalOrientation::right})
        EXPECT_EQ(terminalOrientationFromString(toString(v)), v);
    for (auto v : {TerminalType::line, TerminalType::clock, TerminalType::dot, TerminalType::dotClock, TerminalType::shortPin,
                   TerminalType::zeroLength, TerminalType::inputWedge, TerminalType::outputWedge, TerminalType::point, TerminalType::medium})
        EXPECT_EQ(terminalTypeFromString(toString(v)), v);
    EXPECT_STREQ(toString(TerminalType::shortPin), "short");
    EXPECT_EQ(terminalLineLengthFromString("long"), TerminalLineLength::Long);
    EXPECT_EQ(terminalLineLengthFromString("Long"), std::nullopt);
    EXPECT_EQ(terminalOrientationFromString("Left"), std::nullopt);
    EXPECT_EQ(terminalTypeFromString(""), std::nullopt);
    EXPECT_EQ(terminalLineLengthValue(TerminalLineLength::Point), 0.0);
    EXPECT_EQ(terminalLineLengthValue(TerminalLineLength::Short), 0.1);
    EXPECT_EQ(terminalLineLengthValue(TerminalLineLength::Medium), 0.2);
    EXPECT_EQ(terminalLineLengthValue(TerminalLineLength::Long), 0.3);
}

TEST_F(SchematicObjectsTest, BusKeepsItsChildrenWithoutMeasuringOrDrawingThem)
{
    Bus fresh(&schematic);
    EXPECT_TRUE(fresh.nameVisible);
    EXPECT_EQ(fresh.holder(), nullptr);
    EXPECT_EQ(fresh.typeName(), "Bus");

    auto bus = read<Bus>(R"(<bus name="D[0..7]" nameVisible="True">
        <entities><line start="1,1" end="3,3" penWidth="0.1" penColor="255,0,255"/><rectangle x="1" y="1" width="1" height="1"/></entities>
      </bus>)");
    ASSERT_TRUE(bus);
    EXPECT_EQ(bus->name, "D[0..7]");
    EXPECT_FALSE(bus->nameVisible); // only "true" is true
    EXPECT_EQ(bus->childEntities.entities.size(), 2u);
    EXPECT_TRUE(read<Bus>("<bus/>")->nameVisible);
    EXPECT_TRUE(read<Bus>(R"(<bus nameVisible="true"/>)")->nameVisible);

    place(bus);
    EXPECT_FALSE(bus->boundingBox.valid);
    EXPECT_FALSE(schematic.entityList.boundingBox.valid);
    Render r(schematic);
    EXPECT_EQ(r.inkIn(QRectF(0, 0, 4, 4)), 0);
}

TEST_F(SchematicObjectsTest, BusLabelIsAPlainText)
{
    auto label = read<BusId>(R"(<busId text="ADDR" at="1,1" height="0.2" brushColor="0,0,200"/>)");
    ASSERT_TRUE(label);
    EXPECT_EQ(label->typeName(), "Bus Id");
    EXPECT_EQ(label->text, "ADDR");
    EXPECT_EQ(label->font.height, 0.2);
    place(label);
    ASSERT_TRUE(label->boundingBox.valid);
    const QSizeF ink = textSize(label->font, "ADDR");
    EXPECT_NEAR(label->boundingBox.width(), ink.width(), 1e-9);
    EXPECT_TRUE(label->boundingBox.contains(QPointF(1, 1)));
    Render r(schematic);
    EXPECT_GT(r.inkIn(label->boundingBox.rect()), 20);
}

TEST_F(SchematicObjectsTest, NetLabelsShowOnlyWhereNodeIdsAreAsked)
{
    auto label = read<NodeId>(R"(<nodeId text="VCC" at="1,1" height="0.2" hide="yes"/>)");
    ASSERT_TRUE(label);
    EXPECT_EQ(label->typeName(), "Node ID \"VCC\"");
    EXPECT_FALSE(label->hide); // only "true" hides
    auto kept = std::make_shared<NodeId>(&schematic);
    kept->hide = true;
    pugi::xml_document doc = parseXml("<nodeId/>");
    kept->readXML(doc.first_child());
    EXPECT_TRUE(kept->hide); // missing keeps the value

    // No box unless the sheet's settings show node ids.
    place(label);
    EXPECT_FALSE(label->boundingBox.valid);
    schematic.schematicSettings.showNodeIds = true;
    schematic.updateGeometry();
    ASSERT_TRUE(label->boundingBox.valid);
    const QRectF box = label->boundingBox.rect();

    // Drawn only when the graphics shows node ids and does not refuse them.
    EXPECT_EQ(Render(schematic).inkIn(box), 0); // default flags
    auto showing = [](Graphics& g) {
        g.showNodeIds = true;
        g.doNotDrawNodeIds = false;
    };
    EXPECT_GT(Render(schematic, showing).inkIn(box), 20);
    EXPECT_EQ(Render(schematic, [](Graphics& g) { g.showNodeIds = true; }).inkIn(box), 0);
    label->hide = true;
    label->selected = true;
    EXPECT_EQ(Render(schematic, showing).inkIn(box.adjusted(-0.05, -0.05, 0.05, 0.05)), 0); // not even the selection frame

    // Drawn through the sheet, the sheet's own setting decides.
    label->hide = false;
    label->selected = false;
    auto sheetInk = [&] {
        QImage image(400, 400, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setTransform(QTransform(100, 0, 0, -100, 0, 400));
        DrawingContext context(painter);
        Graphics g(context);
        schematic.draw(g);
        painter.end();
        int n = 0;
        const QRect px = QTransform(100, 0, 0, -100, 0, 400).mapRect(box).toAlignedRect();
        for (int y = px.top(); y < px.bottom(); ++y)
            for (int x = px.left(); x < px.right(); ++x)
                n += image.pixelColor(x, y) != QColor(Qt::white) ? 1 : 0;
        return n;
    };
    schematic.schematicSettings.showPage = false;
    schematic.schematicSettings.showGrid = false;
    schematic.schematicSettings.showBorderReferences = false;
    schematic.schematicSettings.showTitleBlock = false;
    EXPECT_GT(sheetInk(), 20);
    schematic.schematicSettings.showNodeIds = false;
    EXPECT_EQ(sheetInk(), 0);

    // On the PCB sheet a net label has no box whatever the settings.
    Design other;
    PCB pcb(&other);
    auto onPcb = readAs<NodeId>(R"(<nodeId text="GND"/>)", &pcb);
    onPcb->updateGeometry(std::nullopt, nullptr);
    EXPECT_FALSE(onPcb->boundingBox.valid);
}

TEST_F(SchematicObjectsTest, ConnectorReadsItsAttributesBrushesAndFont)
{
    InterWireConnector fresh(&schematic);
    EXPECT_EQ(fresh.text, "Connector");
    EXPECT_EQ(fresh.margin, 0.1);
    EXPECT_EQ(fresh.borderPen.width, 0.005);
    EXPECT_EQ(fresh.fillBrush.color, QColor::fromRgbF(1, 1, 0.69f, 1));
    EXPECT_EQ(fresh.terminalOrientation, TerminalOrientation::right);
    EXPECT_EQ(fresh.font.height, 0.055);
    EXPECT_EQ(fresh.typeName(), "InterWire Connector");
    EXPECT_EQ(InterWireConnector::kHalfWidth, 0.037500000000000006);
    EXPECT_GT(InterWireConnector::kHalfWidth, 0.0375);

    auto c = read<InterWireConnector>(R"(<interWireConnector probe="true" at="1,2" margin="0.25" name="user" nodeName="net"
        orientation="top" stringAlignment="far" penWidth="0.5">
        <fillBrush brushColor="10,20,30"/><textBrush brushColor="128,1,2,3"/><font familyName="Courier" bold="true"/>
      </interWireConnector>)");
    ASSERT_TRUE(c);
    EXPECT_TRUE(c->isProbe);
    EXPECT_EQ(c->electricalConnectionPoint, QPointF(1, 2));
    EXPECT_EQ(c->margin, 0.25);
    EXPECT_EQ(c->userDefinedNodeName, "user");
    EXPECT_EQ(c->electricalNodeName, "net");
    EXPECT_EQ(c->terminalOrientation, TerminalOrientation::top);
    EXPECT_EQ(c->stringAlignment, StringAlignment::far);
    EXPECT_EQ(c->fillBrush.color, QColor(10, 20, 30));
    EXPECT_EQ(c->textBrush.color, QColor(1, 2, 3, 128));
    EXPECT_EQ(c->font.familyName, "Courier");
    EXPECT_TRUE(c->font.bold);
    EXPECT_EQ(c->font.height, 0.04); // a font child without height
    EXPECT_EQ(c->borderPen.width, 0.005); // not read

    auto plain = read<InterWireConnector>(R"(<offpageConnector margin=" 1" orientation="sideways" stringAlignment="left"/>)");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->font.height, 0.04);
    EXPECT_EQ(plain->margin, 0.1);
    EXPECT_EQ(plain->terminalOrientation, TerminalOrientation::right);
    EXPECT_EQ(plain->stringAlignment, StringAlignment::center);
    EXPECT_EQ(plain->fillBrush.color, QColor::fromRgbF(1, 1, 0.69f, 1));
    EXPECT_EQ(read<InterWireConnector>(R"(<interWireConnector margin="inf"/>)")->margin, 0.1);
    EXPECT_EQ(read<InterWireConnector>(R"(<interWireConnector><font height="0.09"/></interWireConnector>)")->font.height, 0.09);
}

TEST_F(SchematicObjectsTest, ConnectorOutlineIsAFlagFromTheTip)
{
    // No text: the body is as long as the margin and the box stays empty.
    auto c = read<InterWireConnector>(R"(<interWireConnector at="1,2" margin="0.5"/>)");
    const double h = InterWireConnector::kHalfWidth;
    place(c);
    EXPECT_EQ(c->text, "");
    EXPECT_FALSE(c->boundingBox.valid);
    const std::array<QPointF, 7> right{QPointF(1, 2), QPointF(1 + 2 * h, 2 + h), QPointF(1 + 2 * h + 0.5, 2 + h),
                                       QPointF(1 + 2 * h + 0.5, 2), QPointF(1 + 2 * h + 0.5, 2 - h), QPointF(1 + 2 * h, 2 - h),
                                       QPointF(1, 2)};
    EXPECT_EQ(c->points, right);
    expectPoint(c->textBoundingBox.bottomLeft, QPointF(1 + 2 * h, 2 - h));
    expectPoint(c->textBoundingBox.topRight, QPointF(1 + 2 * h + 0.5, 2 + h));

    // any draws as right; left mirrors about the tip; top and bottom turn it.
    c->terminalOrientation = TerminalOrientation::any;
    c->buildConnectorOutline();
    EXPECT_EQ(c->points, right);
    c->terminalOrientation = TerminalOrientation::left;
    c->buildConnectorOutline();
    for (size_t i = 0; i < 7; ++i)
        expectPoint(c->points[i], QPointF(2 - right[i].x(), right[i].y()));
    c->terminalOrientation = TerminalOrientation::top;
    c->buildConnectorOutline();
    expectPoint(c->points[1], QPointF(1 + h, 2 - 2 * h));
    expectPoint(c->points[3], QPointF(1, 2 - 0.5 - 2 * h));
    expectPoint(c->points[5], QPointF(1 - h, 2 - 2 * h));
    c->terminalOrientation = TerminalOrientation::bottom;
    c->buildConnectorOutline();
    expectPoint(c->points[2], QPointF(1 + h, 2 + 0.5 + 2 * h));
    expectPoint(c->points[4], QPointF(1 - h, 2 + 0.5 + 2 * h));

    // The net's name wins over the user's; with margin 0 the body is the text.
    auto named = read<InterWireConnector>(R"(<interWireConnector at="1,2" margin="0" name="USER" nodeName="NET"/>)");
    place(named);
    EXPECT_EQ(named->text, "NET");
    const double w = textSize(named->font, "NET").width();
    EXPECT_NEAR(named->points[3].x() - named->points[1].x(), w, 1e-12);
    ASSERT_TRUE(named->boundingBox.valid);
    expectPoint(named->boundingBox.bottomLeft, QPointF(1, 2 - h));
    expectPoint(named->boundingBox.topRight, QPointF(1 + 2 * h + w, 2 + h));
    EXPECT_EQ(read<InterWireConnector>(R"(<interWireConnector name="USER"/>)")->typeName(), "InterWire Connector");

    // The box follows a placement.
    auto moved = read<InterWireConnector>(R"(<interWireConnector at="0,0" margin="1" name="X" dx="2" dy="3"/>)");
    place(moved);
    expectPoint(moved->boundingBox.bottomLeft, QPointF(2, 3 - h));
}

TEST_F(SchematicObjectsTest, ConnectorDrawsItsFlagTextAndProbeBar)
{
    auto c = read<InterWireConnector>(R"(<interWireConnector at="0.5,2" margin="1" probe="true">
        <fillBrush brushColor="255,220,200"/></interWireConnector>)");
    place(c);
    Render r(schematic);
    const double h = InterWireConnector::kHalfWidth;
    // The outline is drawn even without text; the body is filled.
    EXPECT_EQ(r.at(0.5 + 2 * h + 0.5, 2), QColor(255, 220, 200));
    // The probe bar: black, six border widths across the far end.
    const double far = 0.5 + 2 * h + 1;
    EXPECT_EQ(r.at(far - 0.005, 2), QColor(0, 0, 0));
    EXPECT_EQ(r.at(far - 0.03, 2), QColor(255, 220, 200));

    // The text is centred in the body and horizontal.
    auto named = read<InterWireConnector>(R"(<interWireConnector at="0.5,1" margin="0.1" nodeName="WWWW">
        <font height="0.1"/></interWireConnector>)");
    place(named);
    Render t(schematic);
    const QRectF inside = named->textBoundingBox.rect().adjusted(0.02, 0.02, -0.02, -0.02);
    const QSizeF ink = textSize(named->font, "WWWW");
    EXPECT_GT(t.darkIn(inside), 50);
    // Centred: as much ink left of the centre as right of it.
    const QPointF c0 = inside.center();
    const int left = t.darkIn(QRectF(c0.x() - ink.width() / 2 - 0.02, inside.top(), ink.width() / 2 + 0.02, inside.height()));
    const int right = t.darkIn(QRectF(c0.x(), inside.top(), ink.width() / 2 + 0.02, inside.height()));
    EXPECT_NEAR(left, right, 0.15 * (left + right));

    // A transparent text brush hides the text but not the outline.
    named->textBrush.color = QColor(0, 0, 0, 1);
    Render hidden(schematic);
    EXPECT_EQ(hidden.darkIn(inside), 0);
    EXPECT_GT(hidden.darkIn(named->textBoundingBox.rect().adjusted(-0.01, -0.01, 0.01, 0.01)), 20); // the border
}

TEST_F(SchematicObjectsTest, PortTypeDefaultsFollowTheFileVersion)
{
    auto load = [](Design& d, int version, const std::string& port) -> std::shared_ptr<Port> {
        const std::string text = "<qel version=\"" + std::to_string(version) + "\"><design><sheets><schematic><entities>" + port
            + "</entities></schematic></sheets><pcb/></design></qel>";
        EXPECT_TRUE(d.loadFromBytes(QByteArray::fromStdString(text), "ports.project"));
        return std::dynamic_pointer_cast<Port>(d.currentDesignState()->schematics.front()->entityList.entities.front());
    };
    Design d11, d12;
    auto old = load(d11, 11, R"(<port at="1,2" nodeName="OUT" side="right"/>)");
    auto current = load(d12, 12, R"(<port side="upwards"/>)");
    ASSERT_TRUE(old && current);
    EXPECT_EQ(old->terminalType, TerminalType::line);
    EXPECT_EQ(old->electricalConnectionPoint, QPointF(1, 2));
    EXPECT_EQ(old->electricalNodeName, "OUT");
    EXPECT_EQ(old->terminalOrientation, TerminalOrientation::right);
    EXPECT_EQ(current->terminalType, TerminalType::medium);
    EXPECT_EQ(current->terminalOrientation, TerminalOrientation::left);
    Design d11b, d12b;
    EXPECT_EQ(load(d11b, 11, R"(<port type="fancy"/>)")->terminalType, TerminalType::medium);
    EXPECT_EQ(load(d12b, 12, R"(<port type="dotClock"/>)")->terminalType, TerminalType::dotClock);
    Design d11c;
    EXPECT_EQ(load(d11c, 11, R"(<port type="short"/>)")->terminalType, TerminalType::shortPin);

    // Outside any design the default stays.
    EXPECT_EQ(readAs<Port>("<port/>", nullptr)->terminalType, TerminalType::medium);
    EXPECT_EQ(Port(nullptr).terminalOrientation, TerminalOrientation::left);
}

TEST_F(SchematicObjectsTest, KeptObjectsReadTheirValues)
{
    auto keepout = read<SchematicKeepout>(R"(<schematicRouteBarrier x="2"/>)");
    ASSERT_TRUE(keepout);
    EXPECT_EQ(keepout->rectangle, QRectF(2, 0, 1, 1));
    EXPECT_EQ(read<SchematicKeepout>(R"(<schematicRouteBarrier x="1" y="2" width=" 3" height="4"/>)")->rectangle, QRectF(1, 2, 1, 4));
    EXPECT_EQ(keepout->at, QPointF(0, 0));

    auto error = read<SchematicError>(R"(<schematicError message="Pin 3 is not connected"/>)");
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message, "Pin 3 is not connected");
    EXPECT_EQ(error->errorGroup, "");
    EXPECT_EQ(error->shortMessage, "");
    EXPECT_EQ(error->position, QPointF(0, 0));
    auto full = read<SchematicError>(R"(<schematicError group="ERC" location="1,2" error="E7" message="m"/>)");
    EXPECT_EQ(full->errorGroup, "ERC");
    EXPECT_EQ(full->position, QPointF(1, 2));
    EXPECT_EQ(full->shortMessage, "E7");

    EXPECT_EQ(read<BlockReference>(R"(<blockReference blockId="17"/>)")->blockId.value, 17);
    EXPECT_EQ(read<BlockReference>(R"(<blockReference/>)")->blockId.value, 0);
    EXPECT_TRUE(read<PortName>("<portName/>"));

    Block block;
    EXPECT_EQ(block.id.value, 0);
    EXPECT_TRUE(block.entities.empty());
}

TEST_F(SchematicObjectsTest, KeptObjectsNeitherMeasureNorDraw)
{
    const std::vector<std::shared_ptr<Entity>> kept{
        read<Port>(R"(<port at="1,1"/>)"), read<PortName>("<portName/>"), read<BlockReference>("<blockReference/>"),
        read<SchematicKeepout>(R"(<schematicRouteBarrier x="1" y="1"/>)"), read<SchematicError>(R"(<schematicError location="1,1"/>)")};
    for (const auto& e : kept) {
        e->selected = true;
        place(e);
        EXPECT_FALSE(e->boundingBox.valid) << e->typeName().toStdString();
    }
    EXPECT_FALSE(schematic.entityList.boundingBox.valid);
    Render r(schematic);
    EXPECT_EQ(r.inkIn(QRectF(0, 0, 4, 4)), 0);

    // A keep-out leaves its box and its parent's box alone.
    SchematicKeepout keepout(&schematic);
    keepout.boundingBox.addPoint(QPointF(5, 5));
    BoundingBox parent;
    keepout.updateGeometry(QTransform::fromTranslate(1, 1), &parent);
    EXPECT_TRUE(keepout.boundingBox.valid);
    EXPECT_FALSE(parent.valid);
    EXPECT_FALSE(keepout.netTransform);

    const std::vector<std::pair<std::string, QString>> names{{"Port", "Port"}, {"PortName", "PortName"},
                                                             {"Block Reference", "Block Reference"},
                                                             {"Schematic Keepout", "Schematic Keepout"},
                                                             {"Schematic Error", "Schematic Error"}};
    for (size_t i = 0; i < kept.size(); ++i)
        EXPECT_EQ(kept[i]->typeName(), names[i].second);
}

TEST_F(SchematicObjectsTest, EditorsAreTitledFramesWithNothingToEdit)
{
    const std::vector<std::pair<std::shared_ptr<Entity>, QString>> cases{
        {read<Bus>("<bus/>"), "Bus"},
        {read<BusId>("<busId/>"), "Bus ID"},
        {read<NodeId>("<nodeId/>"), "Node ID"},
        {read<InterWireConnector>("<interWireConnector/>"), "Inter-wire Connector"},
        {read<InterWireConnector>("<offpageConnector/>"), "Inter-wire Connector"},
        {read<Port>("<port/>"), "Port"},
        {read<PortName>("<portName/>"), "Port Name"},
        {read<BlockReference>("<blockReference/>"), "Block Reference"},
        {read<SchematicKeepout>("<schematicRouteBarrier/>"), "Schematic Keepout"},
        {read<SchematicError>("<schematicError/>"), "Schematic Error"},
    };
    for (const auto& [entity, title] : cases) {
        SCOPED_TRACE(title.toStdString());
        ASSERT_TRUE(entity);
        std::unique_ptr<QWidget> editor(editorFor(entity));
        auto* frame = dynamic_cast<SchematicObjectEditor*>(editor.get());
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->title(), title);
        EXPECT_TRUE(showsNoParameters(frame));
    }
    auto port = read<Port>("<port/>");
    std::unique_ptr<QWidget> e(editorFor(port));
    EXPECT_EQ(dynamic_cast<PortEditor*>(e.get())->port, port);
    auto label = read<NodeId>("<nodeId/>");
    std::unique_ptr<QWidget> n(editorFor(label));
    EXPECT_EQ(dynamic_cast<NodeIdEditor*>(n.get())->nodeId, label);
}
