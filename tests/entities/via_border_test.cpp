#include "EntityTestSupport.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "editors/EntityEditor.h"
#include "entities/pcb/PcbBorder.h"
#include "entities/pcb/PcbNet.h"
#include "entities/pcb/Track.h"
#include "entities/pcb/Via.h"
#include "model/EntityFactory.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

const QColor kPaper(30, 30, 30);
const QColor kTopCopper(200, 40, 40);
const QColor kMask(0, 200, 0);
const QColor kBoard(0, 0, 255);
const QColor kBlack(0, 0, 0);

// Twelve layers, all hidden but top copper (red), bottom copper and the top
// solder mask (opaque green, so that the board fill is easy to tell apart).
std::string board(const std::string& entities, const std::string& settings = "")
{
    std::string s = "<qel version=\"12\"><design><pcb><settings showPage=\"false\" showGrid=\"false\" showOrigin=\"false\" "
                    "showPadNames=\"false\" "
        + settings + "/><layers>";
    for (int i = 0; i < 12; ++i) {
        const char* color = i == 5 ? "200,40,40" : i == 6 ? "40,40,200" : i == 4 ? "0,200,0" : "90,90,90";
        const bool visible = i == 4 || i == 5 || i == 6;
        s += std::string("<layer color=\"") + color + "\" visible=\"" + (visible ? "true" : "false") + "\"/>";
    }
    return s + "</layers><entities>" + entities + "</entities></pcb></design></qel>";
}

// The PCB sheet rendered at 100 pixels per inch, model (0, 0) at the lower
// left of a 200 x 200 image.
struct Render {
    QImage image;
    Render(PCB& pcb) : image(200, 200, QImage::Format_ARGB32_Premultiplied)
    {
        image.fill(kPaper);
        QPainter painter(&image);
        painter.setTransform(QTransform(100, 0, 0, -100, 0, 200));
        DrawingContext context(painter);
        Graphics g(context);
        pcb.draw(g);
    }
    QColor at(double x, double y) const { return image.pixelColor(int(std::floor(x * 100)), int(std::floor(200 - y * 100))); }
};

class ViaBorderTest : public ::testing::Test {
protected:
    Design design;

    PCB& load(const std::string& entities, const std::string& settings = "showHoles=\"true\"")
    {
        return loadBoard(design, board(entities, settings), "board.project");
    }

    template <class T>
    std::shared_ptr<T> read(const std::string& xml, GraphicsSheet* sheet = nullptr)
    {
        return readAs<T>(xml, sheet ? sheet : design.currentDesignState()->pcb.get());
    }
};

// The box from (x0, y0) to (x1, y1), to single precision (points are read at
// single precision).
void expectBox(const BoundingBox& box, double x0, double y0, double x1, double y1)
{
    ::expectBox(box, QPointF(x0, y0), QPointF(x1, y1), 1e-6);
}

bool showsLabel(QWidget* w, const QString& text)
{
    for (QLabel* l : w->findChildren<QLabel*>())
        if (l->text() == text)
            return true;
    return false;
}

} // namespace

TEST_F(ViaBorderTest, ViaReading)
{
    Via fresh(nullptr);
    EXPECT_EQ(fresh.diameter, 0);
    EXPECT_TRUE(fresh.extendToBottom);
    EXPECT_TRUE(fresh.extendToTop);
    EXPECT_FALSE(fresh.useCopperPourGap);

    auto v = read<Via>("<via at=\"1,2\" diameter=\"0.05\"/>");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->modelSpaceCenter, QPointF(1, 2));
    EXPECT_DOUBLE_EQ(v->rectangle.x(), 0.975);
    EXPECT_DOUBLE_EQ(v->rectangle.y(), 1.975);
    EXPECT_DOUBLE_EQ(v->rectangle.width(), 0.05);
    EXPECT_DOUBLE_EQ(v->holeDiameter, 0.025);
    EXPECT_DOUBLE_EQ(v->holeRectangle.x(), 0.9875);
    EXPECT_DOUBLE_EQ(v->holeRectangle.y(), 1.9875);
    EXPECT_DOUBLE_EQ(v->holeRectangle.height(), 0.025);

    auto full = read<Via>("<via at=\"0.1,0\" diameter=\"0.06\" holeDiameter=\"0.03\" topLayerIndex=\"5\" bottomLayerIndex=\"x\" "
                          "extendToBottom=\"no\" extendToTop=\"false\" copperPourGap=\"0.01\" useCopperPourGap=\"true\" signalName=\"GND\" layer=\"7\"/>");
    EXPECT_EQ(full->modelSpaceCenter.x(), double(0.1f)); // single precision
    EXPECT_EQ(full->holeDiameter, 0.03);
    EXPECT_EQ(full->topLayerIndex, 5);
    EXPECT_EQ(full->bottomLayerIndex, 0);
    EXPECT_FALSE(full->extendToBottom);
    EXPECT_FALSE(full->extendToTop);
    EXPECT_EQ(full->copperPourGap, 0.01);
    EXPECT_TRUE(full->useCopperPourGap);
    EXPECT_EQ(full->signalName, "GND");
    EXPECT_EQ(full->layerIndex, 7);

    auto bare = read<Via>("<via at=\"1,1\"/>");
    EXPECT_EQ(bare->diameter, -1.0);
    EXPECT_EQ(bare->holeDiameter, -0.5);
    EXPECT_FALSE(bare->hasDisc());
    EXPECT_FALSE(bare->hasHole());
    auto unreadable = read<Via>("<via diameter=\"0.05mm\" holeDiameter=\"0.02\"/>");
    EXPECT_EQ(unreadable->diameter, -1.0);
    EXPECT_TRUE(unreadable->hasHole());

    EXPECT_EQ(v->typeName(), "Via");
    std::unique_ptr<QWidget> editor(editorFor(v));
    auto* frame = dynamic_cast<ViaEditor*>(editor.get());
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->via, v);
    EXPECT_EQ(frame->title(), "Via");
    EXPECT_TRUE(showsLabel(frame, "No editable parameters"));
}

TEST_F(ViaBorderTest, ViaBoxCoversItsDiscUnderTheNetTransform)
{
    PCB& pcb = load("<net dx=\"1\" dy=\"0.5\"><entities><via at=\"0.2,0.3\" diameter=\"0.1\"/>"
                    "<via at=\"0.5,0.5\" holeDiameter=\"0.04\"/><via at=\"9,9\"/></entities></net>");
    const auto vias = collectVias(pcb.entityList);
    ASSERT_EQ(vias.size(), 3u);
    expectBox(vias[0]->boundingBox, 1.15, 0.75, 1.25, 0.85);
    // Without a disc the hole is what it paints.
    expectBox(vias[1]->boundingBox, 1.48, 0.98, 1.52, 1.02);
    EXPECT_FALSE(vias[2]->boundingBox.valid);
    expectBox(pcb.entityList.boundingBox, 1.15, 0.75, 1.52, 1.02);

    // A hole wider than its disc is picked and culled by all it paints.
    PCB& wide = load("<via at=\"1,1\" diameter=\"0.1\" holeDiameter=\"0.3\"/>");
    const auto wideVias = collectVias(wide.entityList);
    ASSERT_EQ(wideVias.size(), 1u);
    expectBox(wideVias[0]->boundingBox, 0.85, 0.85, 1.15, 1.15);
}

TEST_F(ViaBorderTest, ViaDrawsOnlyInTheHolePass)
{
    // Disc 0.6 across, hole 0.2 across, at (1, 1), inside a net moved by 0.2.
    const std::string via = "<net dx=\"0.2\"><entities><via at=\"0.8,1\" diameter=\"0.6\" holeDiameter=\"0.2\" layer=\"5\"/></entities></net>";
    {
        Render r(load(via));
        EXPECT_EQ(r.at(1.0, 1.0), kBlack);
        EXPECT_EQ(r.at(1.08, 1.0), kBlack);
        EXPECT_EQ(r.at(1.15, 1.0), kTopCopper); // the disc in the top copper colour
        EXPECT_EQ(r.at(1.25, 1.0), kTopCopper);
        EXPECT_EQ(r.at(1.35, 1.0), kPaper);
        EXPECT_EQ(r.at(0.52, 1.0), kPaper); // placed by the net
    }
    {
        Render r(load(via, "showHoles=\"false\""));
        EXPECT_EQ(r.at(1.0, 1.0), kPaper);
        EXPECT_EQ(r.at(1.25, 1.0), kPaper);
    }
    {
        Render r(load(via, "showHoles=\"true\" showPadsAsSolidYellow=\"true\""));
        EXPECT_EQ(r.at(1.25, 1.0), QColor(255, 255, 0));
    }
    PCB& pcb = load(via);
    pcb.layerList.layers[5]->visible = false;
    Render bottom(pcb);
    EXPECT_EQ(bottom.at(1.25, 1.0), QColor(40, 40, 200));
    pcb.layerList.layers[6]->visible = false;
    Render none(pcb);
    EXPECT_EQ(none.at(1.25, 1.0), kPaper);
    EXPECT_EQ(none.at(1.0, 1.0), kBlack);
}

TEST_F(ViaBorderTest, ViaWithoutAUsableDiameterDrawsOnlyItsHole)
{
    PCB& pcb = load("<via at=\"1,1\" holeDiameter=\"0.2\"/><via at=\"0.5,0.5\" diameter=\"-0.4\" holeDiameter=\"0.1\"/><via at=\"1.5,1.5\"/>");
    Render r(pcb);
    EXPECT_EQ(r.at(1.0, 1.0), kBlack);
    EXPECT_EQ(r.at(1.3, 1.0), kPaper); // a disc of diameter -1 would cover this
    EXPECT_EQ(r.at(1.0, 1.45), kPaper);
    EXPECT_EQ(r.at(0.5, 0.5), kBlack);
    EXPECT_EQ(r.at(0.63, 0.5), kPaper);
    EXPECT_EQ(r.at(1.5, 1.5), kPaper); // neither disc nor hole
}

TEST_F(ViaBorderTest, BorderReadingAndRegistration)
{
    PcbBorder fresh(nullptr);
    EXPECT_EQ(fresh.layerIndex, -2);
    EXPECT_FALSE(fresh.castellated);
    EXPECT_TRUE(fresh.clipCutouts);
    EXPECT_FALSE(fresh.usePcbBorder);
    EXPECT_EQ(fresh.solderMaskColor, QColor::fromRgbF(0, 1, 0, 0.251f));
    EXPECT_EQ(fresh.fillColor, QColor::fromRgbF(0, 0.5f, 0, 1));
    EXPECT_EQ(fresh.brush().color, fresh.fillColor);

    PCB& pcb = load("<pcbBorder identifier=\"first\" x=\"0\" y=\"0\" width=\"1\" height=\"1\"/>"
                    "<pcbBorder identifier=\"second\" layer=\"3\" castellated=\"true\" clipCutouts=\"false\" usePcbBorder=\"true\" "
                    "solderMaskColor=\"128,255,0,0\" addMountingHoles=\"true\" addFiducials=\"yes\" brushColor=\"255,255,255\" color=\"0,0,255\" "
                    "x=\"0.5\" y=\"0.5\" width=\"1\" height=\"0.5\"><entities><via at=\"3,3\" diameter=\"0.1\"/></entities></pcbBorder>");
    ASSERT_EQ(pcb.entityList.entities.size(), 2u);
    auto second = std::dynamic_pointer_cast<PcbBorder>(pcb.entityList.entities[1]);
    ASSERT_TRUE(second);
    EXPECT_EQ(pcb.pcbBorder(), second);
    EXPECT_EQ(second->layerIndex, -2);
    EXPECT_TRUE(second->castellated);
    EXPECT_FALSE(second->clipCutouts);
    EXPECT_TRUE(second->usePcbBorder);
    EXPECT_EQ(second->solderMaskColor, QColor(255, 0, 0, 128));
    EXPECT_TRUE(second->addMountingHoles);
    EXPECT_FALSE(second->addFiducials);
    EXPECT_EQ(second->brush().color, QColor(0, 0, 255));
    ASSERT_EQ(second->entities.entities.size(), 1u);
    // The border's box holds its outline and its children; the sheet's via
    // collection does not reach into it.
    expectBox(second->boundingBox, 0.5, 0.5, 3.05, 3.05);
    EXPECT_TRUE(collectVias(pcb.entityList).empty());
    EXPECT_EQ(second->holder(), nullptr);

    EXPECT_EQ(second->typeName(), "Pcb Border");
    std::unique_ptr<QWidget> editor(editorFor(second));
    auto* frame = dynamic_cast<PcbBorderEditor*>(editor.get());
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->pcbBorder, second);
    EXPECT_EQ(frame->title(), "PCB Border");

    // Without a border read, the sheet makes an empty default one.
    PCB& bare = load("");
    auto made = std::dynamic_pointer_cast<PcbBorder>(bare.pcbBorder());
    ASSERT_TRUE(made);
    EXPECT_FALSE(made->boundingBox.valid);
    EXPECT_EQ(bare.pcbBorder(), made);

    // A border on a schematic sheet registers nowhere and draws as a curve.
    auto schematic = design.currentDesignState()->addSchematic();
    auto loose = read<PcbBorder>("<pcbBorder width=\"1\" height=\"1\"/>", schematic.get());
    ASSERT_TRUE(loose);
    EXPECT_EQ(bare.pcbBorder(), made);
    QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
    image.fill(kPaper);
    QPainter painter(&image);
    painter.setTransform(QTransform(10, 0, 0, -10, 0, 10));
    DrawingContext context(painter);
    Graphics g(context);
    loose->draw(g);
    loose->drawBoardFill(g, kMask);
    loose->drawHolePass(g, kMask);
    painter.end();
    const QColor drawn = image.pixelColor(5, 5);
    EXPECT_EQ(drawn.red(), 0);
    EXPECT_NEAR(drawn.green(), 128, 1);
}

TEST_F(ViaBorderTest, BoardFillOpensTheUnionOfPadViaHoleAndCutoutOpenings)
{
    // A blue board under an opaque green mask, margin 0.05. Pads and vias on
    // hidden layers or with the hole pass off, so only the fill decides;
    // holes and cutouts are drawn under the fill, in the border pass.
    const std::string entities =
        "<pcbBorder x=\"0\" y=\"0\" width=\"1.9\" height=\"1.9\" color=\"0,0,255\" penColor=\"0,0,0,0\"/>"
        "<footprint><entities>"
        "<pad at=\"0.5,1\" size=\"0.2,0.2\" layer=\"9\"/>"
        // Two round pads on the same spot, the second mirrored: the top and
        // bottom lands of one through-hole stack.
        "<pad at=\"1.5,1\" diameter=\"0.3\" curveType=\"ellipse\" layer=\"9\"/>"
        "<pad at=\"1.5,-1\" diameter=\"0.3\" curveType=\"ellipse\" layer=\"10\" m22=\"-1\"/>"
        "</entities></footprint>"
        "<net><entities><via at=\"1,0.4\" diameter=\"0.2\" holeDiameter=\"0.1\"/></entities></net>"
        "<pcbHole at=\"0.4,0.4\" holeDiameter=\"0.1\"/>"
        "<pcbCutoutPolyLine><vertices><vertex at=\"0.2,1.6\"/><vertex at=\"0.9,1.6\"/></vertices></pcbCutoutPolyLine>"
        "<pcbCutout x=\"1.3\" y=\"1.5\" width=\"0.3\" height=\"0.2\" brushColor=\"0,0,0,0\" penColor=\"0,0,0,0\"/>";
    PCB& pcb = load(entities, "showHoles=\"false\" solderMaskMargin=\"0.05\"");
    Render r(pcb);
    EXPECT_EQ(r.at(1.0, 1.5), kMask);
    EXPECT_EQ(r.at(0.5, 1.0), kBoard);
    EXPECT_EQ(r.at(0.63, 1.0), kBoard); // inside the margin
    EXPECT_EQ(r.at(0.68, 1.0), kMask);
    EXPECT_EQ(r.at(1.5, 1.0), kBoard); // where the two openings overlap
    EXPECT_EQ(r.at(1.5, 1.17), kBoard);
    EXPECT_EQ(r.at(1.5, 1.23), kMask);
    // The via opens its disc grown by the margin (radius 0.15): round, not
    // the square around it.
    EXPECT_EQ(r.at(1.0, 0.53), kBoard);
    EXPECT_EQ(r.at(1.09, 0.49), kBoard);
    EXPECT_EQ(r.at(1.0, 0.57), kMask);
    EXPECT_EQ(r.at(1.13, 0.53), kMask);
    // A hole through the board stays black, its margin shows the board.
    EXPECT_EQ(r.at(0.4, 0.4), kBlack);
    EXPECT_EQ(r.at(0.47, 0.4), kBoard);
    EXPECT_EQ(r.at(0.4, 0.53), kMask);
    // Cutouts: the line (0.01 wide) and the closed outline, each grown by
    // the margin.
    EXPECT_EQ(r.at(0.5, 1.63), kBoard);
    EXPECT_EQ(r.at(0.5, 1.68), kMask);
    EXPECT_EQ(r.at(1.45, 1.6), kBoard);
    EXPECT_EQ(r.at(1.45, 1.73), kBoard);
    EXPECT_EQ(r.at(1.45, 1.78), kMask);
    // Nothing outside the board.
    EXPECT_EQ(r.image.pixelColor(199, 100), kPaper);

    pcb.layerList.layers[4]->visible = false;
    Render noMask(pcb);
    EXPECT_EQ(noMask.at(1.0, 1.5), kBoard);
}

TEST_F(ViaBorderTest, BoardFillFollowsTheBoardShape)
{
    PCB& pcb = load("<pcbBorder x=\"0.1\" y=\"0.1\" width=\"1.8\" height=\"1.8\" roundness=\"0.5\" color=\"0,0,255\" penColor=\"0,0,0,0\"/>",
                    "showHoles=\"false\"");
    Render r(pcb);
    EXPECT_EQ(r.at(1.0, 1.0), kMask);
    // The rounded corner (radius 0.45) stays clear of board and mask.
    EXPECT_EQ(r.at(0.15, 0.15), kPaper);
    EXPECT_EQ(r.at(1.85, 1.85), kPaper);
    EXPECT_EQ(r.at(0.15, 1.0), kMask);

    // Shown solid, the border paints its own colour in its pass; the fill
    // still takes the mask layer's colour.
    pcb.layerList.showPcbSolid = true;
    pcb.layerList.layers[4]->visible = false;
    Render solid(pcb);
    EXPECT_EQ(solid.at(1.0, 1.0), kBoard);
    EXPECT_EQ(solid.at(0.15, 0.15), kPaper);
}

TEST_F(ViaBorderTest, BorderDrawsItsChildrenInTheHolePassUnderItsTransform)
{
    // A board-border-layer track inside a border moved by (1, 0.5).
    const std::string entities = "<pcbBorder dx=\"1\" dy=\"0.5\" x=\"-1\" y=\"-0.5\" width=\"2\" height=\"2\" color=\"0,0,255\" penColor=\"0,0,0,0\">"
                                 "<entities><net width=\"0.1\"><entities><track layer=\"-2\"><vertices><vertex at=\"0.2,0.5\"/>"
                                 "<vertex at=\"0.8,0.5\"/></vertices></track></entities></net></entities></pcbBorder>";
    PCB& pcb = load(entities);
    pcb.layerList.layers[4]->visible = false;
    auto border = std::dynamic_pointer_cast<PcbBorder>(pcb.entityList.entities[0]);
    ASSERT_TRUE(border);
    expectBox(border->boundingBox, 0, 0, 2, 2);
    EXPECT_TRUE(collectTracks(pcb.entityList).empty());

    Render r(pcb);
    EXPECT_EQ(r.at(1.5, 1.0), kBlack);
    EXPECT_EQ(r.at(0.5, 0.5), kBoard);
    EXPECT_EQ(r.at(1.5, 1.1), kBoard);

    pcb.pcbSettings.showHoles = false;
    Render noHoles(pcb);
    EXPECT_EQ(noHoles.at(1.5, 1.0), kBoard);
}

TEST_F(ViaBorderTest, BoardFillIsPaintedAgainWhenItsInputsChange)
{
    PCB& pcb = load("<pcbBorder x=\"0\" y=\"0\" width=\"1.9\" height=\"1.9\" color=\"0,0,255\" penColor=\"0,0,0,0\"/>"
                    "<footprint><entities><pad at=\"0.5,1\" size=\"0.2,0.2\" layer=\"9\"/></entities></footprint>",
        "showHoles=\"false\" solderMaskMargin=\"0.05\"");
    EXPECT_EQ(Render(pcb).at(0.68, 1.0), kMask);
    EXPECT_EQ(Render(pcb).at(0.68, 1.0), kMask); // the kept layer

    pcb.pcbSettings.solderMaskMargin = 0.1;
    EXPECT_EQ(Render(pcb).at(0.68, 1.0), kBoard);

    pcb.layerList.layers[4]->color = QColor(200, 200, 0);
    EXPECT_EQ(Render(pcb).at(1.5, 1.5), QColor(200, 200, 0));

    // A via added to the board opens the mask where it lies.
    auto via = std::make_shared<Via>(&pcb);
    pugi::xml_document doc = parseXml("<via at=\"1.5,1.5\" diameter=\"0.2\"/>");
    via->readXML(doc.first_child());
    pcb.entityList.entities.push_back(via);
    pcb.updateGeometry();
    EXPECT_EQ(Render(pcb).at(1.5, 1.5), kBoard);

    // Moving the footprint moves its opening.
    auto footprint = pcb.entityList.entities[1];
    footprint->singleLevelTransform = QTransform::fromTranslate(0.5, 0);
    pcb.updateGeometry();
    Render moved(pcb);
    EXPECT_EQ(moved.at(0.5, 1.0), QColor(200, 200, 0));
    EXPECT_EQ(moved.at(1.0, 1.0), kBoard);
}

TEST_F(ViaBorderTest, ExtremeNumbersDrawWithoutFailing)
{
    PCB& pcb = load("<pcbBorder x=\"-1e38\" y=\"0\" width=\"3e38\" height=\"1e-30\" roundness=\"1e30\">"
                    "<entities><via at=\"1e38,1e38\" diameter=\"1\"/></entities></pcbBorder>"
                    "<pcbBorder x=\"0\" y=\"0\" width=\"2\" height=\"2\" m11=\"1e300\" m22=\"1e-300\"/>"
                    "<via at=\"1,1\" diameter=\"1e300\" holeDiameter=\"1e300\"/><via at=\"1e30,1\" diameter=\"1e-300\" holeDiameter=\"1e-300\"/>"
                    "<net width=\"1e300\"><entities><track layer=\"5\"><vertices><vertex at=\"1e30,1\"/><vertex at=\"-1e30,1e30\"/>"
                    "</vertices></track></entities></net>"
                    "<net width=\"-5\" m11=\"0\" m12=\"0\" m21=\"0\" m22=\"0\"><entities><track layer=\"5\"><vertices><vertex at=\"1,1\"/>"
                    "<vertex at=\"2,2\"/></vertices></track><via at=\"1,1\" diameter=\"0.1\"/></entities></net>"
                    "<footprint><entities><pad at=\"1e30,1e30\" size=\"1e30,1e30\" layer=\"5\"/></entities></footprint>"
                    "<pcbHole at=\"1,1\" holeDiameter=\"1e300\"/><pcbHole at=\"1e38,1\" holeDiameter=\"1e-300\"/>"
                    "<pcbCutoutPolyLine><vertices><vertex at=\"3e38,3e38\"/><vertex at=\"1,1\"/></vertices></pcbCutoutPolyLine>"
                    "<pcbCutoutArc center=\"1,1\" radius=\"3e38,1\" endAngle=\"90\" penWidth=\"1e300\"/>"
                    "<pcbCutoutCurve closed=\"true\" points=\"3e38,3e38 -3e38,0 0,-3e38\"/><pcbCutout x=\"1\" y=\"1\" width=\"3e38\" height=\"1\"/>",
        "showHoles=\"true\" solderMaskMargin=\"1e300\"");
    Render r(pcb);
    pcb.layerList.showPcbSolid = true;
    Render solid(pcb);
    SUCCEED();
}
