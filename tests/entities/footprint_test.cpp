#include "EntityTestSupport.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "editors/EntityEditor.h"
#include "entities/pcb/Footprint.h"
#include "entities/pcb/Pad.h"
#include "model/EntityFactory.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

const QColor kBackground(30, 30, 30);
const QColor kCopper(200, 140, 30);
const QColor kYellow(255, 255, 0);
const QColor kBlack(0, 0, 0);

// A y-up image of the model at scale pixels per inch, showing the square of
// side size/scale centred on centre.
struct Canvas : BoardCanvas {
    Canvas(int size, double scale, QPointF centre = QPointF(0, 0)) : BoardCanvas(size, scale, centre, kBackground) {}
};

// The entity of the sheet drawn at a model point, as a click there picks it.
std::shared_ptr<Entity> pick(GraphicsSheet& sheet, QPointF model, bool subPicking, double scale = 200)
{
    return pickOnSheet(sheet, model, scale, subPicking, true);
}

class FootprintTest : public ::testing::Test {
protected:
    Design design;
    std::shared_ptr<DesignState> state = design.currentDesignState();
    PCB& pcb = *state->pcb;

    std::shared_ptr<Footprint> footprint(const std::string& xml)
    {
        pugi::xml_document doc = parseXml(xml);
        auto f = std::make_shared<Footprint>(&pcb);
        f->readXML(doc.first_child());
        return f;
    }
    // The pads.project board, read and measured.
    bool openBoard()
    {
        if (!design.open(QStringLiteral(BRINDLEX_TEST_DATA "/pads.project")))
            return false;
        state = design.currentDesignState();
        state->pcb->updateGeometry();
        return true;
    }
};

} // namespace

TEST_F(FootprintTest, NewFootprintDefaults)
{
    Footprint f(&pcb);
    using T = Footprint::PartText;
    for (T t : {T::comment, T::dataSheet, T::deviceType, T::package, T::vendorsWebSite})
        EXPECT_TRUE(f.partText(t).isNull());
    EXPECT_FALSE(f.goldPlated);
    EXPECT_FALSE(f.isPadHolder);
    EXPECT_FALSE(f.onTopLayer);
    EXPECT_EQ(f.position, QPointF(0, 0));
    EXPECT_EQ(f.symbolCount, 1);
    EXPECT_TRUE(f.children.entities.empty());
    EXPECT_FALSE(f.children.boundingBox.valid);
    EXPECT_TRUE(f.children.transform.isIdentity());
    EXPECT_EQ(f.sheet, &pcb);
    EXPECT_EQ(f.typeName(), "Footprint");
    EXPECT_EQ(f.holder(), &f);
    EXPECT_EQ(&f.entities(), &f.children);
}

TEST_F(FootprintTest, ReadsMetadataAndChildrenInOrder)
{
    auto f = footprint(
        "<footprint identifier='U1' layer='5' comment='c' dataSheet='ds' deviceType='dt' documentDescription='dd' "
        "fullDocumentDescription='fdd' goldPlated='true' isPadHolder='true' manufacturer='m' "
        "manufacturersPartNumber='mpn' manufacturersWebSite='mws' modelScript='ms' onTopLayer='true' package='SOIC8' "
        "partNumber='pn' partPrice='1.20' partType='IC' position='0.1,2.5' symbolCount='4' symbolType='st' "
        "vendor='v' vendorsPartNumber='vpn' vendorsWebSite='vws' dx='1' dy='2'>"
        "<entities><pad name='1' at='0,0' size='0.1,0.1'/><unknownThing/><pad name='2' at='0.2,0' size='0.1,0.1'/>"
        "</entities></footprint>");
    using T = Footprint::PartText;
    EXPECT_EQ(f->identifier, "U1");
    EXPECT_EQ(f->layerIndex, 5);
    EXPECT_EQ(f->partText(T::comment), "c");
    EXPECT_EQ(f->partText(T::dataSheet), "ds");
    EXPECT_EQ(f->partText(T::deviceType), "dt");
    EXPECT_EQ(f->partText(T::documentDescription), "dd");
    EXPECT_EQ(f->partText(T::fullDocumentDescription), "fdd");
    EXPECT_TRUE(f->goldPlated);
    EXPECT_TRUE(f->isPadHolder);
    EXPECT_EQ(f->partText(T::manufacturer), "m");
    EXPECT_EQ(f->partText(T::manufacturersPartNumber), "mpn");
    EXPECT_EQ(f->partText(T::manufacturersWebSite), "mws");
    EXPECT_EQ(f->partText(T::modelScript), "ms");
    EXPECT_TRUE(f->onTopLayer);
    EXPECT_EQ(f->partText(T::package), "SOIC8");
    EXPECT_EQ(f->partText(T::partNumber), "pn");
    EXPECT_EQ(f->partText(T::partPrice), "1.20");
    EXPECT_EQ(f->partText(T::partType), "IC");
    EXPECT_EQ(f->position, QPointF(double(0.1f), 2.5)); // single precision
    EXPECT_EQ(f->symbolCount, 4);
    EXPECT_EQ(f->partText(T::symbolType), "st");
    EXPECT_EQ(f->partText(T::vendor), "v");
    EXPECT_EQ(f->partText(T::vendorsPartNumber), "vpn");
    EXPECT_EQ(f->partText(T::vendorsWebSite), "vws");
    ASSERT_TRUE(f->singleLevelTransform);
    EXPECT_EQ(*f->singleLevelTransform, QTransform(1, 0, 0, 1, 1, 2));

    // The unknown element between the pads is skipped; the pads keep their
    // order and the footprint's sheet.
    ASSERT_EQ(f->children.entities.size(), 2u);
    auto first = std::dynamic_pointer_cast<Pad>(f->children.entities[0]);
    auto second = std::dynamic_pointer_cast<Pad>(f->children.entities[1]);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->name(), "1");
    EXPECT_EQ(second->name(), "2");
    EXPECT_EQ(second->sheet, &pcb);

    // Copies of one part read alike; a text set on one leaves the other's.
    auto dip = footprint("<footprint package='DIP' partType='IC'/>");
    auto copy = footprint("<footprint package='DIP' partType='IC'/>");
    copy->setPartText(T::package, "SOIC");
    EXPECT_EQ(dip->partText(T::package), "DIP");
    EXPECT_EQ(copy->partText(T::package), "SOIC");
    EXPECT_EQ(copy->partText(T::partType), "IC");
}

TEST_F(FootprintTest, FlagAndCountRules)
{
    auto f = footprint("<footprint goldPlated='TRUE' onTopLayer='yes' symbolCount='2.5' position='1,x'/>");
    EXPECT_FALSE(f->goldPlated);
    EXPECT_FALSE(f->onTopLayer);
    EXPECT_EQ(f->symbolCount, 1);
    EXPECT_EQ(f->position, QPointF(0, 0));
    // Missing attributes keep the current values.
    f->goldPlated = true;
    using T = Footprint::PartText;
    f->setPartText(T::package, QStringLiteral("DIP"));
    pugi::xml_document doc = parseXml("<footprint symbolCount='3'/>");
    f->readXML(doc.first_child());
    EXPECT_TRUE(f->goldPlated);
    EXPECT_EQ(f->partText(T::package), "DIP");
    EXPECT_TRUE(f->partText(T::vendor).isNull());
    EXPECT_EQ(f->symbolCount, 3);
}

TEST_F(FootprintTest, EmptyFootprintAddsNothingAndPushesNothing)
{
    auto f = footprint("<footprint dx='1' dy='1'/>");
    BoundingBox parent;
    f->updateGeometry(std::nullopt, &parent);
    EXPECT_FALSE(f->boundingBox.valid);
    EXPECT_FALSE(parent.valid);

    Canvas c(50, 100, QPointF(1, 1));
    f->drawPadPass(c.g);
    f->drawHolePass(c.g, kYellow);
    EXPECT_EQ(c.context.stateDepth(), 0);
}

TEST_F(FootprintTest, BoundingBoxesUnderFootprintAndParentTransforms)
{
    // Turned by 90 degrees and moved to (2, 1); the pad at (0.4, 0), 0.2 x 0.1.
    auto f = footprint("<footprint m11='0' m12='1' m21='-1' m22='0' dx='2' dy='1'>"
                       "<entities><pad at='0.4,0' size='0.2,0.1'/></entities></footprint>");
    BoundingBox parent;
    f->updateGeometry(std::nullopt, &parent);
    ASSERT_TRUE(f->boundingBox.valid);
    EXPECT_NEAR(f->boundingBox.bottomLeft.x(), 1.95, 1e-7);
    EXPECT_NEAR(f->boundingBox.topRight.x(), 2.05, 1e-7);
    EXPECT_NEAR(f->boundingBox.bottomLeft.y(), 1.3, 1e-7);
    EXPECT_NEAR(f->boundingBox.topRight.y(), 1.5, 1e-7);
    EXPECT_EQ(parent.rect(), f->boundingBox.rect());
    EXPECT_EQ(f->children.boundingBox.rect(), f->boundingBox.rect());
    auto pad = std::dynamic_pointer_cast<Pad>(f->children.entities[0]);
    ASSERT_TRUE(pad->netTransform);
    EXPECT_EQ(*pad->netTransform, *f->singleLevelTransform);

    // Inside a parent placement (a net moved by (10, 0)): own, then parent.
    f->updateGeometry(QTransform::fromTranslate(10, 0), nullptr);
    EXPECT_NEAR(f->boundingBox.bottomLeft.x(), 11.95, 1e-7);
    EXPECT_NEAR(f->boundingBox.bottomLeft.y(), 1.3, 1e-7);
    EXPECT_NEAR(pad->boundingBox.topRight.x(), 12.05, 1e-7);
}

TEST_F(FootprintTest, PassesDrawChildrenWhereTheLayerPassDoes)
{
    // A turned footprint holding a pad with a placement of its own.
    auto f = footprint("<footprint m11='0' m12='1' m21='-1' m22='0' dx='1' dy='0'><entities>"
                       "<pad layer='5' dx='0.2' at='0.2,0' size='0.1,0.04' smt='false' holeSize='0.06,0.03' "
                       "brushColor='200,140,30'/></entities></footprint>");
    f->updateGeometry(std::nullopt, nullptr);
    // The pad lands at (0.4, 0) in the footprint, then (1, 0.4) on the sheet,
    // 0.04 wide and 0.1 tall there.
    const QPointF centre(1, 0.4);

    Canvas layer(200, 1000, centre);
    layer.g.currentLayer = 5;
    EntityList list;
    list.entities.push_back(f);
    list.draw(layer.g);
    EXPECT_EQ(layer.at(centre), kCopper);
    EXPECT_EQ(layer.at(centre + QPointF(0, 0.045)), kCopper);
    EXPECT_EQ(layer.at(centre + QPointF(0.025, 0)), kBackground);

    Canvas pads(200, 1000, centre);
    list.drawPadPass(pads.g);
    EXPECT_EQ(pads.at(centre), kYellow);
    EXPECT_EQ(pads.at(centre + QPointF(0, 0.045)), kYellow);
    EXPECT_EQ(pads.at(centre + QPointF(0.025, 0)), kBackground);
    EXPECT_EQ(pads.context.stateDepth(), 0);

    Canvas holes(200, 1000, centre);
    f->drawHolePass(holes.g, kYellow);
    EXPECT_EQ(holes.at(centre + QPointF(0, 0.02)), kBlack); // the hole is taller than wide here
    EXPECT_EQ(holes.at(centre + QPointF(0.02, 0)), kBackground);
    EXPECT_EQ(holes.context.stateDepth(), 0);
}

TEST_F(FootprintTest, PickingReportsTheFootprintOrThePad)
{
    ASSERT_TRUE(openBoard());
    PCB& board = *state->pcb;
    // The round pad of J1 at (1, 1): its copper ring.
    const QPointF ring(1.075, 1);
    std::shared_ptr<Entity> hit = pick(board, ring, false);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->typeName(), "Footprint");
    EXPECT_EQ(hit->identifier, "J1");
    hit = pick(board, ring, true);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->typeName(), "Pad");
    EXPECT_EQ(hit->identifier, "J1.1");

    // The turned connector J2: its square pad lies at (2, 1.4).
    hit = pick(board, QPointF(2.09, 1.49), true);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->identifier, "J2.2");
    // Between the pads nothing is hit.
    EXPECT_FALSE(pick(board, QPointF(1.2, 1), true));
    EXPECT_FALSE(pick(board, QPointF(1.2, 1), false));
}

TEST_F(FootprintTest, MadeByNameWithItsEditor)
{
    pugi::xml_document doc = parseXml("<footprint/>");
    std::shared_ptr<Entity> made = makeEntity(doc.first_child(), &pcb);
    ASSERT_TRUE(std::dynamic_pointer_cast<Footprint>(made));
    std::unique_ptr<QWidget> editor(editorFor(made));
    auto* frame = dynamic_cast<EntityEditor*>(editor.get());
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->title(), "Footprint");
    const auto labels = frame->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](QLabel* l) { return l->text() == "No editable parameters"; }));
}

TEST_F(FootprintTest, SelectionIsFramedOnceOverEveryPassWhateverTheLayer)
{
    ASSERT_TRUE(openBoard());
    PCB& board = *state->pcb;
    const QPointF ring(1.075, 1);
    auto j1 = pick(board, ring, false);
    auto j22 = pick(board, QPointF(2.09, 1.49), true);
    ASSERT_TRUE(j1 && j22);
    ASSERT_FALSE(board.layerList.isLayerVisible(j1->layerIndex)); // footprints sit on a hidden layer

    auto render = [&board](Entity* frame) {
        Canvas c(400, 100, QPointF(2, 1.5));
        board.draw(c.g);
        if (frame)
            frame->drawSelectionFrame(c.g);
        c.painter.end();
        return c.image;
    };
    const QImage plain = render(nullptr);
    // The frame of a selected footprint, and of a pad picked inside a turned
    // footprint, is the sheet drawn as it was with one frame around the box
    // (sheet coordinates) laid over everything.
    for (const auto& selected : {j1, j22}) {
        const QImage expected = render(selected.get());
        ASSERT_NE(expected, plain);
        selected->selected = true;
        EXPECT_EQ(render(nullptr), expected) << selected->identifier.toStdString();
        // A click finds what it found before.
        EXPECT_EQ(pick(board, ring, false), j1);
        EXPECT_EQ(pick(board, ring, true)->identifier, "J1.1");
        EXPECT_FALSE(pick(board, QPointF(1.2, 1), false));
        selected->selected = false;
    }
}
