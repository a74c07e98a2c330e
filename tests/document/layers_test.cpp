#include "DocumentTestEntities.h"
#include "DrawingTestSupport.h"
#include "TestSupport.h"

#include "document/DesignState.h"
#include "document/PCB.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A "layers" element of n layers; attributes for layer i from extra(i).
std::string layersXml(int n, const std::function<std::string(int)>& extra = {}, const std::string& listAttributes = "")
{
    std::string xml = "<layers " + listAttributes + ">";
    for (int i = 0; i < n; ++i)
        xml += "<layer name=\"L" + std::to_string(i) + "\" " + (extra ? extra(i) : std::string()) + "/>";
    return xml + "</layers>";
}

// A PCB with n layers and one probe on each of layers from -2 to n.
std::shared_ptr<DesignState> boardWithProbes(Design& design, int n, const std::function<std::string(int)>& extra = {},
    const std::string& settings = "", bool border = true)
{
    std::string xml = "<r><design><pcb><settings " + settings + "/>" + layersXml(n, extra) + "<entities>";
    if (border)
        xml += "<testBorder/>";
    for (int i = -2; i <= n; ++i)
        xml += "<probe layer=\"" + std::to_string(i) + "\"/>";
    xml += "</entities></pcb></design></r>";
    EXPECT_TRUE(design.loadFromBytes(QByteArray::fromStdString(xml), "board.project")) << design.lastError().toStdString();
    return design.currentDesignState();
}

QStringList drawLog(PCB& pcb, bool picking = false)
{
    probeLog().clear();
    RenderTarget target(4, 4, 1, 0, 0);
    target.graphics.picking = picking;
    pcb.draw(target.graphics);
    return probeLog();
}

class LayerStackTest : public ::testing::Test {
protected:
    void SetUp() override { registerDocumentTestEntities(); }
    Design design;
};

} // namespace

TEST_F(LayerStackTest, SpecialIndicesFollowTheCount)
{
    PcbLayerList list;
    EXPECT_EQ(list.bottomLayer, -6);
    EXPECT_EQ(list.bottomSolderMask, -5);
    EXPECT_EQ(list.bottomSilkscreen, -4);
    EXPECT_EQ(list.bottomSolderPaste, -3);
    EXPECT_EQ(list.bottomPackage, -2);
    EXPECT_EQ(list.backgroundLayer, -1);

    auto doc = parseXml(layersXml(12));
    list.readPcbLayerList(doc.first_child());
    ASSERT_EQ(list.count(), 12);
    EXPECT_EQ(list.bottomLayer, 6);
    EXPECT_EQ(list.bottomSolderMask, 7);
    EXPECT_EQ(list.bottomSilkscreen, 8);
    EXPECT_EQ(list.bottomSolderPaste, 9);
    EXPECT_EQ(list.bottomPackage, 10);
    EXPECT_EQ(list.backgroundLayer, 11);

    // Reading replaces the stack.
    auto doc3 = parseXml(layersXml(3));
    list.readPcbLayerList(doc3.first_child());
    EXPECT_EQ(list.count(), 3);
    EXPECT_EQ(list.bottomLayer, -3);
    EXPECT_EQ(list.layerAt(-3), nullptr);
    EXPECT_EQ(list.layerAt(3), nullptr);
    EXPECT_FALSE(list.isLayerVisible(5));
    EXPECT_TRUE(list.isLayerVisible(2));
}

TEST_F(LayerStackTest, LayerAttributes)
{
    auto doc = parseXml(R"(<layers>
        <layer/>
        <layer visible="false" thickness="0.0016" alignment="prepreg" id="not-a-uuid" fixedColor="true" color="10,20,30"/>
        <layer visible="False" thickness=" 0.0016" alignment="Prepreg" id="6f1c2a4e-0000-4000-8000-000000000001"/>
        <layer visible="true" id="6f1c2a4e-0000-4000-8000-000000000001" color="128,10,20,30" electrical="yes"/>
      </layers>)");
    PcbLayerList list;
    list.readPcbLayerList(doc.first_child());
    ASSERT_EQ(list.count(), 4);

    const PcbLayer& plain = *list.layers[0];
    EXPECT_EQ(plain.name, "");
    EXPECT_TRUE(plain.visible);
    EXPECT_TRUE(plain.outputGerber);
    EXPECT_EQ(plain.dielectricConstant, 1.0);
    EXPECT_EQ(plain.color.value(), QColor(255, 255, 255));
    EXPECT_FALSE(plain.id.isNull());
    EXPECT_EQ(plain.baseType, PcbLayer::BaseMaterialType::none);

    const PcbLayer& second = *list.layers[1];
    EXPECT_FALSE(second.visible);
    EXPECT_EQ(second.thickness, double(0.0016f));
    EXPECT_NE(second.thickness, 0.0016);
    EXPECT_EQ(second.baseType, PcbLayer::BaseMaterialType::prepreg);
    EXPECT_TRUE(second.singleColorLayer);
    EXPECT_EQ(second.color.value(), QColor(10, 20, 30));
    EXPECT_FALSE(second.id.isNull());
    EXPECT_FALSE(second == plain);

    const PcbLayer& third = *list.layers[2];
    EXPECT_FALSE(third.visible);
    EXPECT_EQ(third.thickness, 0.0);
    EXPECT_EQ(third.baseType, PcbLayer::BaseMaterialType::none);

    const PcbLayer& fourth = *list.layers[3];
    EXPECT_TRUE(fourth.visible);
    EXPECT_FALSE(fourth.electricalLayer);
    EXPECT_EQ(fourth.color.value(), QColor(10, 20, 30, 128));
    // Equal by id alone.
    EXPECT_TRUE(third == fourth);
}

TEST_F(LayerStackTest, ListAttributesAndRedrawsWhileReading)
{
    RedrawCounter counter;
    auto doc = parseXml(layersXml(3, {}, R"(showPcbSolid="true" explosionScale="12" drillFileName="D" texturedPcbStrength="0.25" outputDrillFile="no")"));
    PcbLayerList list;
    list.readPcbLayerList(doc.first_child());
    EXPECT_TRUE(list.showPcbSolid);
    EXPECT_EQ(list.explosionScale, 12);
    EXPECT_EQ(list.drillFileName, "D");
    EXPECT_EQ(list.texturedPcbStrength, 0.25);
    EXPECT_FALSE(list.outputDrillFile);
    EXPECT_EQ(list.cutoutsFileName, "Board Cutouts");
    // The solid flag, then the colour and visibility of every layer.
    EXPECT_EQ(counter.redraws, 1 + 3 * 2);
}

TEST_F(LayerStackTest, VisibilityOperationsRequestARedrawPerAssignment)
{
    auto doc = parseXml(layersXml(14));
    PcbLayerList list;
    list.readPcbLayerList(doc.first_child());
    list.showPcbSolid = true;

    RedrawCounter counter;
    list.setAllLayersVisible(false);
    EXPECT_EQ(counter.redraws, 14);
    for (const auto& l : list.layers)
        EXPECT_FALSE(l->visible);

    counter.redraws = 0;
    list.showDefaultLayers();
    EXPECT_EQ(counter.redraws, 14 + 4 + 1);
    EXPECT_FALSE(list.showPcbSolid);
    std::vector<int> shown;
    for (int i = 0; i < list.count(); ++i)
        if (list.layers[size_t(i)]->visible)
            shown.push_back(i);
    EXPECT_EQ(shown, (std::vector<int>{3, 5, 8, 10}));

    counter.redraws = 0;
    list.showAllLayers();
    EXPECT_EQ(counter.redraws, 14);
    list.layers[0]->color = QColor(1, 2, 3);
    EXPECT_EQ(counter.redraws, 15);
}

TEST_F(LayerStackTest, ShortStacksNeverFail)
{
    for (int n : {0, 1, 3, 5, 6, 7, 11}) {
        SCOPED_TRACE(n);
        auto state = boardWithProbes(design, n, {}, R"(showPadsAsSolidYellow="true" showHoles="true")");
        PCB& pcb = *state->pcb;
        const QStringList log = drawLog(pcb);
        // Every drawn layer names a layer of the stack, or the border pass.
        for (const QString& entry : log) {
            if (!entry.startsWith('L'))
                continue;
            const int layer = entry.mid(1).remove('*').toInt();
            EXPECT_TRUE(layer == -2 || (layer >= 0 && layer < n)) << entry.toStdString();
        }
        EXPECT_TRUE(log.contains("L-2"));
        drawLog(pcb, true);
        pcb.layerList.showDefaultLayers();
        pcb.layerList.setAllLayersVisible(true);
        (void)pcb.holePassColor();
    }

    // Seven layers: the bottom roles share the top and inner positions.
    auto state = boardWithProbes(design, 7);
    PcbLayerList& list = state->pcb->layerList;
    EXPECT_EQ(list.bottomLayer, 1);
    EXPECT_EQ(list.bottomSilkscreen, 3);
    list.showDefaultLayers();
    std::vector<int> shown;
    for (int i = 0; i < list.count(); ++i)
        if (list.layers[size_t(i)]->visible)
            shown.push_back(i);
    EXPECT_EQ(shown, (std::vector<int>{1, 3, 5}));

    // No layers: only the border pass draws.
    auto empty = boardWithProbes(design, 0);
    EXPECT_EQ(drawLog(*empty->pcb), QStringList({"L-2", "hole(#00000000,0)", "hole(#00000000,0)", "hole(#00000000,0)"}));
}

TEST_F(LayerStackTest, PassesRunBackToFront)
{
    auto state = boardWithProbes(design, 14, [](int i) { return i == 4 ? std::string("color=\"0,128,0\"") : std::string(); },
        R"(showPadsAsSolidYellow="true" showHoles="true")");
    PCB& pcb = *state->pcb;
    const QStringList expected = {
        "L13", "L12", "L11", "L10", "L9", "L8", "L7", "L6", // bottom side and inner layers
        "L-2", // board border pass
        "L5", "pad", "fill(#ff008000,0)", "L3", "L2",
        "hole(#ffffff00,0)", "L1", "L0",
    };
    // With the "pad" and "hole" entries of the probes: one per probe.
    QStringList log = drawLog(pcb);
    QStringList collapsed;
    for (const QString& entry : log)
        if (collapsed.isEmpty() || collapsed.back() != entry)
            collapsed << entry;
    EXPECT_EQ(collapsed, expected);

    // A solid board hides the lower layers.
    pcb.layerList.showPcbSolid = true;
    log = drawLog(pcb);
    EXPECT_EQ(log.first(), "L-2");

    // Picking: no pad, fill or hole pass, and the first hit ends the passes;
    // a hit in the border pass is not reported.
    pcb.layerList.showPcbSolid = false;
    probeLog().clear();
    std::shared_ptr<Entity> hit = drawForPick(QTransform(), [&pcb](Graphics& g) { return pcb.draw(g); });
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->layerIndex, 13);
    EXPECT_EQ(probeLog(), QStringList({"L13"}));

    pcb.layerList.showPcbSolid = true;
    probeLog().clear();
    hit = drawForPick(QTransform(), [&pcb](Graphics& g) { return pcb.draw(g); });
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->layerIndex, 5);
    EXPECT_EQ(probeLog(), QStringList({"L-2", "L5"}));
}

TEST_F(LayerStackTest, HiddenLayersAndLayerColours)
{
    // Layers 2 and 9 draw in their layer colour; 3 and 8 are hidden.
    auto state = boardWithProbes(design, 12, [](int i) {
        if (i == 2 || i == 9)
            return std::string("fixedColor=\"true\" color=\"255,0,0\"");
        if (i == 3 || i == 8)
            return std::string("visible=\"false\"");
        return std::string();
    }, R"(showHoles="true")");
    PCB& pcb = *state->pcb;
    QStringList log = drawLog(pcb);
    QStringList layersOnly;
    for (const QString& e : log)
        if (e.startsWith('L'))
            layersOnly << e;
    EXPECT_EQ(layersOnly, QStringList({"L11", "L10", "L9*", "L7", "L6", "L-2", "L5", "L2*", "L1", "L0"}));
    // The hole pass after the fixed-colour layer 2 still draws in its own colours.
    const QStringList holes = log.filter("hole");
    EXPECT_FALSE(holes.isEmpty());
    for (const QString& e : holes)
        EXPECT_TRUE(e.endsWith(",0)")) << e.toStdString();
    // One board fill; none with layer 4 hidden.
    EXPECT_EQ(log.filter("fill").size(), 1);
    pcb.layerList.layers[4]->visible = false;
    EXPECT_TRUE(drawLog(pcb).filter("fill").isEmpty());
}

TEST_F(LayerStackTest, HolePassColour)
{
    auto state = boardWithProbes(design, 12, [](int i) {
        if (i == 5)
            return std::string("color=\"200,0,0\"");
        if (i == 6)
            return std::string("color=\"0,0,200\"");
        return std::string();
    });
    PCB& pcb = *state->pcb;
    PcbLayerList& list = pcb.layerList;
    EXPECT_EQ(pcb.holePassColor(), QColor(200, 0, 0));
    pcb.pcbSettings.showPadsAsSolidYellow = true;
    EXPECT_EQ(pcb.holePassColor(), QColor(255, 255, 0));
    list.layers[5]->visible = false;
    EXPECT_EQ(pcb.holePassColor(), QColor(255, 255, 0));
    pcb.pcbSettings.showPadsAsSolidYellow = false;
    EXPECT_EQ(pcb.holePassColor(), QColor(0, 0, 200));
    list.layers[6]->visible = false;
    EXPECT_EQ(pcb.holePassColor().alpha(), 0);

    // The solid-pad pass needs a visible copper layer; the hole pass the switch.
    pcb.pcbSettings.showPadsAsSolidYellow = true;
    EXPECT_FALSE(drawLog(pcb).contains("pad"));
    list.layers[6]->visible = true;
    EXPECT_TRUE(drawLog(pcb).contains("pad"));
    pcb.pcbSettings.showHoles = false;
    EXPECT_TRUE(drawLog(pcb).filter("hole").isEmpty());
}

TEST_F(LayerStackTest, SolidPadsIgnoreTheTopCopperLayerColour)
{
    auto state = boardWithProbes(design, 12, [](int i) {
        return i == 5 ? std::string("fixedColor=\"true\" color=\"200,0,0\"") : std::string();
    }, R"(showPadsAsSolidYellow="true")");
    const QStringList log = drawLog(*state->pcb);
    EXPECT_TRUE(log.contains("L5*"));
    EXPECT_TRUE(log.contains("pad"));
    EXPECT_FALSE(log.contains("pad*"));
}

TEST_F(LayerStackTest, BoardBorderIsRegisteredOrMadeOnce)
{
    auto state = boardWithProbes(design, 12, {}, "", false);
    PCB& pcb = *state->pcb;
    // No border read and no factory: no board fill, nothing fails.
    PCB::setBoardBorderFactory(nullptr);
    EXPECT_FALSE(pcb.pcbBorder());
    EXPECT_TRUE(drawLog(pcb).filter("fill").isEmpty());

    int made = 0;
    PCB::setBoardBorderFactory([&made](PCB& sheet) -> std::shared_ptr<Entity> {
        ++made;
        return std::make_shared<TestBorder>(&sheet);
    });
    EXPECT_EQ(drawLog(pcb).filter("fill").size(), 1);
    auto first = pcb.pcbBorder();
    EXPECT_EQ(pcb.pcbBorder(), first);
    EXPECT_EQ(made, 1);

    // A registered border replaces it.
    auto registered = std::make_shared<TestBorder>(&pcb);
    pcb.registerBoardBorder(registered);
    EXPECT_EQ(pcb.pcbBorder(), registered);
    PCB::setBoardBorderFactory(nullptr);

    // Two borders read: the last one wins.
    ASSERT_TRUE(design.loadFromBytes("<r><design><pcb><entities><testBorder identifier=\"a\"/><testBorder identifier=\"b\"/>"
                                     "</entities></pcb></design></r>",
        "two.project"));
    EXPECT_EQ(design.currentDesignState()->pcb->pcbBorder()->identifier, "b");
}

// A long board list leaves footprints and nets out of the hole (and pad)
// pass only where their own pass would draw nothing: the pass through the
// list draws what every entity's own pass draws, pad names reaching in from
// outside the view and vias on its edges included, and follows a move.
TEST_F(LayerStackTest, TheHolePassOfALongListDrawsWhatEachEntityDraws)
{
    std::string xml = "<r><design><pcb><entities>";
    for (int i = 0; i < 80; ++i) {
        const std::string x = std::to_string(i * 0.1);
        xml += "<footprint dx='" + x + "' dy='0'><entities><pad at='0,0.4' size='0.01,0.4' holeDiameter='0.005' smt='false' "
               "name='CONNECTOR_PIN_" + std::to_string(i) + "'/></entities></footprint>"
               "<net><entities><via at='" + x + ",0.5' diameter='0.03' holeDiameter='0.015'/></entities></net>";
    }
    xml += "</entities></pcb></design></r>";
    ASSERT_TRUE(design.loadFromBytes(QByteArray::fromStdString(xml), "board.project"));
    PCB& pcb = *design.currentDesignState()->pcb;
    pcb.updateGeometry();
    // 2000 pixels per inch over (3.02, 0.3) to (3.22, 0.58): the names are
    // tall enough to draw, and the view's edges cut through pads and vias.
    auto hole = [&](bool throughList, bool padPass = false) {
        RenderTarget t(400, 560, 2000, -3.02 * 2000, 0.58 * 2000, QColor(90, 90, 90));
        t.graphics.viewportBoundingBox.addRect(QRectF(3.02, 0.3, 0.2, 0.28));
        if (throughList && padPass) {
            pcb.entityList.drawPadPass(t.graphics);
        } else if (throughList) {
            pcb.entityList.drawHolePass(t.graphics, Qt::yellow);
        } else {
            for (const auto& e : pcb.entityList.entities)
                padPass ? e->drawPadPass(t.graphics) : e->drawHolePass(t.graphics, Qt::yellow);
        }
        return t.finish();
    };
    const QImage each = hole(false);
    EXPECT_EQ(hole(true), each);
    EXPECT_NE(each, RenderTarget(400, 560, 1, 0, 0, QColor(90, 90, 90)).finish()); // something drawn
    const QImage eachPad = hole(false, true);
    EXPECT_EQ(hole(true, true), eachPad);
    EXPECT_NE(eachPad, RenderTarget(400, 560, 1, 0, 0, QColor(90, 90, 90)).finish());
    // A footprint moved into the view is drawn there from the next measure.
    pcb.entityList.entities[0]->singleLevelTransform = QTransform::fromTranslate(3.13, 0);
    pcb.updateGeometry();
    const QImage moved = hole(false);
    EXPECT_NE(moved, each);
    EXPECT_EQ(hole(true), moved);
}
