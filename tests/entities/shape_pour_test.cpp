#include "EntityTestSupport.h"
#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "core/PathDetail.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "editors/EntityEditor.h"
#include "entities/drawing/Shape.h"
#include "entities/pcb/CopperPour.h"
#include "model/EntityFactory.h"
#include "model/EntityList.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <cmath>
#include <memory>

namespace {

// A 200 x 200 image seen through a y-up view of 20 pixels per inch, model
// (0, 0) at the bottom-left corner.
struct Canvas : ModelCanvas {
    Canvas() : ModelCanvas(QPointF(0, 0), 20, QSize(200, 200)) {}
};

// Some of the outline pen (opaque blue) covers the pixel.
bool blueInk(const QColor& c) { return c.alpha() > 64 && c.blue() > 64 && c.red() == 0 && c.green() == 0; }

QString editorText(QWidget* w)
{
    QStringList texts;
    for (QLabel* l : w->findChildren<QLabel*>())
        if (!l->isHidden())
            texts << l->text();
    return texts.join('|');
}

const char* kPourWithBoth = R"(<copperPour layer="5" x="0" y="0" width="8" height="8" penWidth="0.05" penColor="0,0,255"
    brushColor="0,255,0" steps="9" signalName="GND" addThermalRelief="true">
  <fill>
    <polygon><vertex at="1,1"/><vertex at="7,1"/><vertex at="7,7"/><vertex at="1,7"/></polygon>
    <polygon isHole="true"><vertex at="3,3"/><vertex at="5,3"/><vertex at="5,5"/><vertex at="3,5"/></polygon>
  </fill>
  <graphicsPathWithUnconnectedRemoved><point at="0.5,0.5"/><point at="7.5,0.5"/><point at="0.5,7.5"/></graphicsPathWithUnconnectedRemoved>
</copperPour>)";

} // namespace

TEST(GraphicsPath, PointsAppendInOrderWithTheirKinds)
{
    pugi::xml_document doc = parseXml(R"(<p><point at="1,2"/>text<other at="9,9"/><point at="3,4" type="2"/>
        <point at="1;2" type="x"/></p>)");
    GraphicsPath path;
    path.read(doc.first_child());
    ASSERT_EQ(path.pathPoints.size(), 3u);
    EXPECT_EQ(path.pathPoints[0].at, QPointF(1, 2));
    EXPECT_EQ(path.pathPoints[0].type, 0);
    EXPECT_EQ(path.pathPoints[1].type, 2);
    EXPECT_EQ(path.pathPoints[2].at, QPointF(0, 0)); // unparsable point
    EXPECT_EQ(path.pathPoints[2].type, 0);
    path.read(doc.first_child()); // appends, does not clear
    EXPECT_EQ(path.pathPoints.size(), 6u);
}

TEST(Shape, ReadsDirectPointsThenThoseOfItsGraphicsPath)
{
    auto shape = readAs<Shape>(R"(<shape brushColor="0,0,255" penWidth="0.3" doNotBlockRouting="true"
        extrusionBase="1" extrusionHeight="nope">
      <point at="1,1"/><point at="9,1"/>
      <graphicsPath><point at="9,9"/><point at="1,9"/></graphicsPath>
      <graphicsPath><point at="5,5"/></graphicsPath>
      <point at="5,1"/>
    </shape>)");
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->typeName(), "Shape");
    ASSERT_EQ(shape->graphicsPath.pathPoints.size(), 5u);
    const QPointF expected[] = {{1, 1}, {9, 1}, {5, 1}, {9, 9}, {1, 9}};
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(shape->graphicsPath.pathPoints[i].at, expected[i]) << i;
    EXPECT_TRUE(shape->doNotBlockRouting);
    EXPECT_EQ(shape->extrusionBase, 1);
    EXPECT_EQ(shape->extrusionHeight, 0);
    EXPECT_EQ(shape->pen.width, 0.3);
    EXPECT_EQ(shape->brush.color, QColor(0, 0, 255));

    // No box of its own, so it is never culled.
    shape->updateGeometry(std::nullopt, nullptr);
    EXPECT_FALSE(shape->boundingBox.valid);
}

TEST(Shape, FillsItsPolygonInTheBrushColourWithoutOutline)
{
    auto shape = readAs<Shape>(R"(<shape brushColor="0,0,255" brushType="gradient" secondColor="255,0,0"
        penWidth="0.5" penColor="255,0,0"><point at="1,1"/><point at="9,1"/><point at="9,9"/><point at="1,9"/></shape>)");
    EntityList list;
    list.entities.push_back(shape);
    list.updateBoundingBox(std::nullopt, nullptr);
    // It has no box of its own: its measured ink culls it.
    Canvas far;
    far.g->viewportBoundingBox.addPoint(QPointF(100, 100));
    far.g->viewportBoundingBox.addPoint(QPointF(101, 101));
    list.draw(*far.g);
    far.done();
    EXPECT_EQ(far.at(QPointF(2, 5)).alpha(), 0);
    Canvas c;
    c.g->viewportBoundingBox.addPoint(QPointF(8.9, 8.9));
    c.g->viewportBoundingBox.addPoint(QPointF(9.3, 9.3));
    list.draw(*c.g);
    c.done();
    EXPECT_EQ(c.at(QPointF(2, 5)), QColor(0, 0, 255)); // colour only, no gradient
    EXPECT_EQ(c.at(QPointF(8.5, 5)), QColor(0, 0, 255));
    EXPECT_EQ(c.at(QPointF(9.1, 5)).alpha(), 0); // no pen

    auto faint = readAs<Shape>(R"(<shape brushColor="1,0,0,255"><point at="1,1"/><point at="9,1"/><point at="9,9"/></shape>)");
    Canvas f;
    faint->draw(*f.g);
    f.done();
    EXPECT_EQ(f.inked(), 0);

    auto empty = readAs<Shape>(R"(<shape brushColor="0,0,0"/>)");
    Canvas e;
    empty->draw(*e.g);
    e.done();
    EXPECT_EQ(e.inked(), 0);

    // Its own placement moves the fill.
    auto moved = readAs<Shape>(R"(<shape brushColor="0,0,0" dx="5"><point at="0,0"/><point at="2,0"/><point at="2,2"/><point at="0,2"/></shape>)");
    Canvas m;
    moved->draw(*m.g);
    m.done();
    EXPECT_EQ(m.at(QPointF(6, 1)), QColor(0, 0, 0));
    EXPECT_EQ(m.at(QPointF(1, 1)).alpha(), 0);

    std::unique_ptr<QWidget> w(editorFor(shape));
    auto* editor = dynamic_cast<ShapeEditor*>(w.get());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->title(), "Shape");
    EXPECT_TRUE(editorText(editor).contains("No editable parameters"));
}

TEST(Shape, PathIsBuiltOncePerChangeByTheGeometryPass)
{
    std::string points;
    for (int i = 0; i < 2000; ++i)
        points += "<point at=\"" + std::to_string(5 + 4 * std::cos(i * 0.00314)) + "," + std::to_string(5 + 4 * std::sin(i * 0.00314)) + "\"/>";
    auto shape = readAs<Shape>("<shape brushColor=\"0,0,0\">" + points + "</shape>");
    ASSERT_TRUE(shape);
    GraphicsPath& path = shape->graphicsPath;
    shape->updateGeometry(std::nullopt, nullptr);
    // Drawn from the kept path, which the pass readied for drawing.
    EXPECT_EQ(path.drawnPath().elementCount(), 2001);
    EXPECT_TRUE(PathDetail::prepared(path.drawnPath()));
    EXPECT_EQ(path.drawnPath(), path.polygonPath());
    // A point added shows at once; one moved inside the list by the next pass.
    path.pathPoints.push_back({QPointF(5, 5), 0});
    EXPECT_EQ(path.drawnPath().elementCount(), 2002);
    shape->updateGeometry(std::nullopt, nullptr);
    path.pathPoints[700].at = QPointF(0, 0);
    shape->updateGeometry(std::nullopt, nullptr);
    EXPECT_EQ(path.drawnPath().elementAt(700).x, 0);
    EXPECT_TRUE(PathDetail::prepared(path.drawnPath()));
    EXPECT_FALSE(shape->boundingBox.valid);
}

TEST(CopperPour, ReadingRules)
{
    CopperPour fresh(nullptr);
    EXPECT_EQ(fresh.steps, 4);
    EXPECT_FALSE(fresh.graphicsPathWithUnconnectedRemoved);
    EXPECT_FALSE(fresh.planeSurface.path);
    EXPECT_EQ(fresh.typeName(), "Copper Pour");

    auto pour = readAs<CopperPour>(kPourWithBoth);
    ASSERT_TRUE(pour);
    EXPECT_EQ(pour->steps, 9);
    EXPECT_EQ(pour->signalName, "GND");
    EXPECT_TRUE(pour->addThermalRelief);
    EXPECT_EQ(pour->rectangle, QRectF(0, 0, 8, 8));
    EXPECT_EQ(pour->planeSurface.contours.size(), 2u);
    EXPECT_TRUE(pour->planeSurface.path);
    ASSERT_TRUE(pour->graphicsPathWithUnconnectedRemoved);
    EXPECT_EQ(pour->graphicsPathWithUnconnectedRemoved->pathPoints.size(), 3u);
    // With children the brush becomes transparent white: the outline is never filled.
    EXPECT_EQ(pour->brush().color, QColor::fromRgbF(1, 1, 1, 0));

    // Without any child the brush of the attributes stays.
    auto bare = readAs<CopperPour>(R"(<copperPour brushColor="0,255,0" steps="4.5"/>)");
    EXPECT_EQ(bare->brush().color, QColor(0, 255, 0));
    EXPECT_EQ(bare->steps, 4);

    // A later unconnected-removed path replaces an earlier one; other children are ignored.
    auto twice = readAs<CopperPour>(R"(<copperPour>
        <graphicsPathWithUnconnectedRemoved><point at="1,1"/></graphicsPathWithUnconnectedRemoved>
        <graphicsPathPolygons><point at="5,5"/></graphicsPathPolygons>
        <graphicsPathWithUnconnectedRemoved><point at="2,2"/><point at="3,3"/></graphicsPathWithUnconnectedRemoved>
        <fill/>
      </copperPour>)");
    ASSERT_TRUE(twice->graphicsPathWithUnconnectedRemoved);
    ASSERT_EQ(twice->graphicsPathWithUnconnectedRemoved->pathPoints.size(), 2u);
    EXPECT_EQ(twice->graphicsPathWithUnconnectedRemoved->pathPoints[0].at, QPointF(2, 2));
    EXPECT_FALSE(twice->planeSurface.path); // an empty "fill" builds no path

    auto plane = readAs<SplitPowerPlane>(R"(<splitPowerPlane steps="7" signalName="VCC" addThermalRelief="true"/>)");
    ASSERT_TRUE(plane);
    EXPECT_EQ(plane->typeName(), "Split Power Plane");
    EXPECT_EQ(plane->steps, 7);
    EXPECT_EQ(plane->signalName, "VCC");
    EXPECT_FALSE(plane->addThermalRelief); // its own attribute is not read...
    auto routed = readAs<SplitPowerPlane>(R"(<splitPowerPlane doNotBlockRouting="true"/>)");
    EXPECT_TRUE(routed->addThermalRelief); // ...this one is
}

TEST(CopperPour, StoredFillIsDrawnOnlyWhenThePcbShowsPours)
{
    PCB pcb(nullptr);
    auto pour = readAs<CopperPour>(kPourWithBoth, &pcb);
    pour->updateGeometry(std::nullopt, nullptr);
    EXPECT_EQ(pour->boundingBox.bottomLeft, QPointF(0, 0));
    EXPECT_EQ(pour->boundingBox.topRight, QPointF(8, 8));

    {
        Canvas c;
        pour->draw(*c.g);
        c.done();
        EXPECT_EQ(c.at(QPointF(2, 2)), QColor(255, 255, 255)); // the fill, in white
        EXPECT_EQ(c.at(QPointF(4, 4)).alpha(), 0); // its hole
        EXPECT_EQ(c.at(QPointF(0.6, 6)).alpha(), 0); // the unconnected path is not drawn
        EXPECT_TRUE(blueInk(c.at(QPointF(4, 0.01)))); // the outline, stroked
    }
    {
        Canvas c;
        c.g->useLayerColor = true;
        c.g->layerColor = QColor(200, 60, 60);
        pour->draw(*c.g);
        c.done();
        EXPECT_EQ(c.at(QPointF(2, 2)), QColor(200, 60, 60));
    }
    pcb.pcbSettings.showCopperPours = false;
    {
        Canvas c;
        pour->selected = true;
        pour->draw(*c.g);
        c.done();
        EXPECT_EQ(c.inked(), 0);
        pour->selected = false;
    }
    pcb.pcbSettings.showCopperPours = true;

    // Without a fill the unconnected-removed path is filled; without either
    // only the outline shows.
    auto pathOnly = readAs<CopperPour>(R"(<copperPour x="0" y="0" width="8" height="8" penColor="0,0,255" penWidth="0.05">
        <graphicsPathWithUnconnectedRemoved><point at="0.5,0.5"/><point at="7.5,0.5"/><point at="0.5,7.5"/></graphicsPathWithUnconnectedRemoved>
      </copperPour>)", &pcb);
    {
        Canvas c;
        pathOnly->draw(*c.g);
        c.done();
        EXPECT_EQ(c.at(QPointF(1, 1)), QColor(255, 255, 255));
        EXPECT_EQ(c.at(QPointF(6, 6)).alpha(), 0);
    }
    auto outlineOnly = readAs<CopperPour>(R"(<copperPour x="0" y="0" width="8" height="8" penColor="0,0,255" penWidth="0.05"><attributes/></copperPour>)", &pcb);
    {
        Canvas c;
        outlineOnly->draw(*c.g);
        c.done();
        EXPECT_EQ(c.at(QPointF(4, 4)).alpha(), 0);
        EXPECT_TRUE(blueInk(c.at(QPointF(4, 0.01))));
    }
    // A pour read without children is filled by its own brush.
    auto brushFilled = readAs<CopperPour>(R"(<copperPour x="0" y="0" width="8" height="8" brushColor="0,255,0"/>)", &pcb);
    {
        Canvas c;
        brushFilled->draw(*c.g);
        c.done();
        EXPECT_EQ(c.at(QPointF(4, 4)), QColor(0, 255, 0));
    }

    // A split plane ignores the switch; a pour on a schematic sheet has none
    // to consult and draws.
    pcb.pcbSettings.showCopperPours = false;
    auto plane = readAs<SplitPowerPlane>(R"(<splitPowerPlane x="0" y="0" width="8" height="8" brushColor="0,255,0"/>)", &pcb);
    Schematic schematic(nullptr);
    auto elsewhere = readAs<CopperPour>(kPourWithBoth, &schematic);
    {
        Canvas c;
        plane->draw(*c.g);
        c.done();
        EXPECT_EQ(c.at(QPointF(4, 4)), QColor(0, 255, 0));
        Canvas s;
        elsewhere->draw(*s.g);
        s.done();
        EXPECT_EQ(s.at(QPointF(2, 2)), QColor(255, 255, 255));
    }
    pcb.pcbSettings.showCopperPours = true;
}

TEST(CopperPour, FillFollowsThePoursPlacement)
{
    auto pour = readAs<CopperPour>(R"(<copperPour x="0" y="0" width="2" height="2" penColor="0,0,0,0" dx="5" dy="5">
        <fill><polygon><vertex at="0,0"/><vertex at="2,0"/><vertex at="2,2"/><vertex at="0,2"/></polygon></fill></copperPour>)");
    pour->updateGeometry(std::nullopt, nullptr);
    EXPECT_EQ(pour->boundingBox.bottomLeft, QPointF(5, 5));
    Canvas c;
    pour->draw(*c.g);
    c.done();
    EXPECT_EQ(c.at(QPointF(6, 6)), QColor(255, 255, 255));
    EXPECT_EQ(c.at(QPointF(1, 1)).alpha(), 0);
}

TEST(CopperPour, EditorsAreTitledFrames)
{
    auto pour = readAs<CopperPour>("<copperPour/>");
    std::unique_ptr<QWidget> w(editorFor(pour));
    auto* editor = dynamic_cast<CopperPourEditor*>(w.get());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->title(), "Copper Pour");
    EXPECT_EQ(editor->copperPour, pour);
    EXPECT_TRUE(editorText(editor).contains("No editable parameters"));

    auto plane = readAs<SplitPowerPlane>("<splitPowerPlane/>");
    std::unique_ptr<QWidget> pw(editorFor(plane));
    auto* planeEditor = dynamic_cast<SplitPowerPlaneEditor*>(pw.get());
    ASSERT_TRUE(planeEditor);
    EXPECT_EQ(planeEditor->title(), "Splt Power Plane");
    EXPECT_TRUE(editorText(planeEditor).contains("No editable parameters"));
}
