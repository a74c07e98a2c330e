// The pad, hole and via passes run over every pad and via of a board; those
// wholly off the view are left out, and nothing that reaches into the view
// is (a hole larger than its pad, a name wider than its pad).

#include "TestSupport.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "entities/pcb/Footprint.h"
#include "entities/pcb/Pad.h"
#include "model/EntityFactory.h"
#include "entities/pcb/Via.h"
#include "entities/pcb/CopperPour.h"
#include "entities/pcb/PcbNet.h"
#include "entities/pcb/Track.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <memory>

namespace {

const QColor kBackground(30, 30, 30);

// A 200 x 200 image over the model square (0,0)-(1,1) at 200 pixels per
// inch, its visible box that square.
struct View {
    QImage image{200, 200, QImage::Format_ARGB32_Premultiplied};
    QPainter painter{&image};
    DrawingContext context{init(painter, image)};
    Graphics g{context};
    View()
    {
        g.drawingPcb = true;
        g.viewportBoundingBox.addRect(QRectF(0, 0, 1, 1));
    }
    int touched()
    {
        if (painter.isActive())
            painter.end();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += image.pixelColor(x, y) != kBackground;
        return n;
    }
    static QPainter& init(QPainter& p, QImage& img)
    {
        img.fill(kBackground);
        p.setTransform(QTransform(200, 0, 0, -200, 0, 200));
        return p;
    }
};

class PassCullingTest : public ::testing::Test {
protected:
    Design design;
    PCB& pcb = *design.currentDesignState()->pcb;

    template <class T>
    std::shared_ptr<T> read(const std::string& xml, std::optional<QTransform> parent = std::nullopt)
    {
        pugi::xml_document doc = parseXml(xml);
        auto e = std::make_shared<T>(&pcb);
        e->readXML(doc.first_child());
        e->updateGeometry(parent, nullptr);
        return e;
    }
};

} // namespace

TEST_F(PassCullingTest, HolesAndViasOffTheViewAreLeftOut)
{
    auto near = read<Pad>("<pad at='0.5,0.5' diameter='0.1' holeDiameter='0.05' smt='false'/>");
    auto off = read<Pad>("<pad at='1.2,0.5' diameter='0.1' holeDiameter='0.05' smt='false'/>");
    // Off the view on its own, on it once its footprint moves it.
    auto moved = read<Pad>("<pad at='1.2,0.5' diameter='0.1' holeDiameter='0.05' smt='false'/>",
                           QTransform::fromTranslate(-0.9, 0));
    // A pad whose hole is larger than its outline, the hole reaching in.
    auto wideHole = read<Pad>("<pad at='1.05,0.5' diameter='0.02' holeDiameter='0.2' smt='false'/>");
    auto via = read<Via>("<via at='0.5,0.5' diameter='0.05' holeDiameter='0.02'/>");
    auto offVia = read<Via>("<via at='-0.5,0.5' diameter='0.05' holeDiameter='0.02'/>");
    auto bigHoleVia = read<Via>("<via at='1.08,0.5' diameter='0.01' holeDiameter='0.4'/>");

    for (auto& [pass, seen] : std::vector<std::pair<std::function<void(Graphics&)>, bool>>{
             {[&](Graphics& g) { near->drawHolePass(g, Qt::yellow); }, true},
             {[&](Graphics& g) { off->drawHolePass(g, Qt::yellow); }, false},
             {[&](Graphics& g) {
                  g.pushTransform(QTransform::fromTranslate(-0.9, 0));
                  moved->drawHolePass(g, Qt::yellow);
                  g.popTransform(QTransform::fromTranslate(-0.9, 0));
              },
              true},
             {[&](Graphics& g) { wideHole->drawHolePass(g, Qt::yellow); }, true},
             {[&](Graphics& g) { via->drawHolePass(g, Qt::yellow); }, true},
             {[&](Graphics& g) { offVia->drawHolePass(g, Qt::yellow); }, false},
             {[&](Graphics& g) { bigHoleVia->drawHolePass(g, Qt::yellow); }, true},
             {[&](Graphics& g) { near->drawPadPass(g); }, true},
             {[&](Graphics& g) { off->drawPadPass(g); }, false},
         }) {
        View v;
        pass(v.g);
        EXPECT_EQ(v.touched() > 0, seen);
    }

    // The visible box decides, not the device; without one nothing is left
    // out.
    View elsewhere;
    elsewhere.g.viewportBoundingBox = BoundingBox();
    elsewhere.g.viewportBoundingBox.addRect(QRectF(5, 5, 1, 1));
    near->drawHolePass(elsewhere.g, Qt::yellow);
    via->drawHolePass(elsewhere.g, Qt::yellow);
    EXPECT_EQ(elsewhere.touched(), 0);
    View all;
    all.g.viewportBoundingBox = BoundingBox();
    near->drawHolePass(all.g, Qt::yellow);
    via->drawHolePass(all.g, Qt::yellow);
    EXPECT_GT(all.touched(), 0);
}

TEST_F(PassCullingTest, ANameWiderThanItsPadIsDrawnWhileItReachesIn)
{
    // A tall, narrow pad just right of the view: its long name reaches back
    // in over the edge; a short one does not.
    auto longName = read<Pad>("<pad at='1.02,0.5' size='0.01,0.4' holeDiameter='0.005' smt='false' name='CONNECTOR_PIN_1'/>");
    auto shortName = read<Pad>("<pad at='1.2,0.5' size='0.01,0.4' holeDiameter='0.005' smt='false' name='1'/>");
    View v;
    longName->drawHolePass(v.g, Qt::yellow);
    EXPECT_GT(v.touched(), 0);
    View w;
    shortName->drawHolePass(w.g, Qt::yellow);
    EXPECT_EQ(w.touched(), 0);
}

TEST_F(PassCullingTest, FootprintsLeaveOutPassesThatCannotReachTheView)
{
    auto footprint = [&](const std::string& at, const std::string& children) {
        return read<Footprint>("<footprint dx='" + at + "' dy='0.5'><entities>" + children + "</entities></footprint>");
    };
    const std::string throughHole = "<pad at='0,0' diameter='0.1' holeDiameter='0.05' smt='false' name='1'/>"
                                    "<silkscreen x='-0.1' y='-0.1' width='0.2' height='0.2' penWidth='0.01'/>"
                                    "<footprintId text='U1' at='0,0.15' height='0.04'/>";
    auto inView = footprint("0.5", throughHole);
    auto offView = footprint("1.3", throughHole);
    auto surfaceMount = footprint("0.5", "<pad at='0,0' size='0.1,0.1'/><silkscreen x='-0.1' y='-0.1' width='0.2' height='0.2'/>");
    EXPECT_TRUE(inView->passReachKnown());
    EXPECT_TRUE(inView->holePassReach().valid);
    EXPECT_TRUE(surfaceMount->passReachKnown());
    EXPECT_FALSE(surfaceMount->holePassReach().valid); // no hole: the hole pass draws nothing
    // A child of a kind whose passes are not known keeps the footprint in.
    auto unknown = footprint("1.3", throughHole + "<footprint dx='0' dy='0'/>");
    EXPECT_FALSE(unknown->passReachKnown());

    for (auto& [fp, seen] : std::vector<std::pair<std::shared_ptr<Footprint>, bool>>{
             {inView, true}, {offView, false}, {surfaceMount, false}}) {
        View v;
        fp->drawHolePass(v.g, Qt::yellow);
        EXPECT_EQ(v.touched() > 0, seen);
    }
    // The solid pad pass draws the outlines; off the view nothing.
    View pads;
    surfaceMount->drawPadPass(pads.g);
    offView->drawPadPass(pads.g);
    EXPECT_GT(pads.touched(), 0);
    View none;
    offView->drawPadPass(none.g);
    EXPECT_EQ(none.touched(), 0);

    // A long pad name reaching in from off the view keeps its footprint in
    // the hole pass: at 2000 pixels per inch the pad is tall enough.
    auto named = footprint("1.02", "<pad at='0,0' size='0.01,0.4' holeDiameter='0.005' smt='false' name='CONNECTOR_PIN_1'/>");
    View zoomed;
    zoomed.g.viewportBoundingBox = BoundingBox();
    zoomed.g.viewportBoundingBox.addRect(QRectF(0.9, 0.45, 0.1, 0.1));
    zoomed.context.setTransform(QTransform(2000, 0, 0, -2000, -1800, 1100));
    named->drawHolePass(zoomed.g, Qt::yellow);
    EXPECT_GT(zoomed.touched(), 0);
}

// Every box that culls holds the ink: a pour stored with only its copper is
// where its copper is; a stroke's box grows by its pen's reach (caps, miters,
// placement) in the list that culls it, and a holder's by its children's.
TEST_F(PassCullingTest, CullingBoxesHoldTheInk)
{
    auto pour = read<CopperPour>("<copperPour layer='5' x='0' y='0' width='0' height='0' penWidth='0'><fill><polygon>"
                                 "<vertex at='2,3'/><vertex at='2.5,3'/><vertex at='2.5,3.2'/></polygon></fill></copperPour>");
    EXPECT_TRUE(pour->boundingBox.valid);
    EXPECT_TRUE(pour->boundingBox.contains(QPointF(2.25, 3.1)));
    EXPECT_LE(pour->boundingBox.bottomLeft.x(), 2.0);
    EXPECT_GE(pour->boundingBox.topRight.y(), 3.2);

    // A net's wide track: the box holds its points, the list's cull box its ink.
    auto net = read<PcbNet>("<net width='0.5'><entities><track layer='5'><vertices><vertex at='1,1'/><vertex at='2,1'/>"
                            "</vertices></track></entities></net>");
    EXPECT_DOUBLE_EQ(net->boundingBox.topRight.y(), 1.0);
    const BoundingBox ink = EntityList::inkBox(*net->childEntities.entities.front());
    EXPECT_GE(ink.topRight.y(), 1.25);
    EXPECT_LE(ink.bottomLeft.x(), 0.75);
    // Its pass reach, asked of the net: tracks draw in neither pass.
    const PassReach reach = net->passReach();
    EXPECT_TRUE(reach.known);
    EXPECT_FALSE(reach.hole.valid);
}
