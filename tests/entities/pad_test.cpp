#include "EntityTestSupport.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "editors/EntityEditor.h"
#include "editors/Header.h"
#include "entities/pcb/Footprint.h"
#include "entities/pcb/Pad.h"
#include "model/EntityFactory.h"
#include "viewport/FrameRenderer.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace {

const QColor kBackground(30, 30, 30);
const QColor kCopper(200, 140, 30);
const QColor kYellow(255, 255, 0);
const QColor kBlack(0, 0, 0);

// A y-up view of the model: scale pixels per inch, the model origin at the
// image centre.
struct Canvas : BoardCanvas {
    Canvas(int size, double scale, QPointF centre = QPointF(0, 0)) : BoardCanvas(size, scale, centre, kBackground) {}
};

class PadTest : public ::testing::Test {
protected:
    Design design;
    std::shared_ptr<DesignState> state = design.currentDesignState();
    PCB& pcb = *state->pcb;

    std::shared_ptr<Pad> pad(const std::string& attributes)
    {
        pugi::xml_document doc = parseXml("<pad " + attributes + "/>");
        auto p = std::make_shared<Pad>(&pcb);
        p->readXML(doc.first_child());
        p->updateGeometry(std::nullopt, nullptr);
        return p;
    }
};

double widened(float f) { return double(f); }

} // namespace

TEST_F(PadTest, NewPadDefaults)
{
    Pad p(&pcb);
    EXPECT_EQ(p.curveType(), CurveType::rectangle);
    EXPECT_FALSE(p.properties().add3DSolder);
    EXPECT_TRUE(p.properties().autoGenerate3D);
    EXPECT_TRUE(p.properties().autoGenerateSolderMaskHole);
    EXPECT_TRUE(p.properties().autoGenerateSolderPaste);
    EXPECT_FALSE(p.properties().checked);
    EXPECT_EQ(p.properties().copperPourGap, 0);
    EXPECT_FALSE(p.properties().goldPlated);
    EXPECT_EQ(p.holeSize(), QSizeF(0, 0));
    EXPECT_EQ(p.id, Id{0});
    EXPECT_FALSE(p.properties().lockedToWidth);
    EXPECT_EQ(p.modelSpaceCenter, QPointF(0, 0));
    EXPECT_TRUE(p.name().isEmpty());
    EXPECT_FALSE(p.properties().onEdge);
    EXPECT_EQ(p.properties().orientation3D, PinOrientation3D::left);
    EXPECT_TRUE(p.signalName.isEmpty());
    EXPECT_EQ(p.size(), QSizeF(0, 0));
    EXPECT_TRUE(p.surfaceMount());
    EXPECT_EQ(p.properties().type3D, PinType3D::none);
    EXPECT_FALSE(p.properties().useCopperPourGap);
    EXPECT_EQ(p.holeRectangle(), QRectF(0, 0, 0, 0));
    EXPECT_FALSE(p.properties().rectangularHole);
    EXPECT_FALSE(p.hasCachedOutline() || p.cachedExpandedBezierPolygon() || p.padNameRotationTransform());
    EXPECT_EQ(p.typeName(), "Pad");
    EXPECT_EQ(p.layerIndex, 0);
}

TEST_F(PadTest, ReadsEveryAttribute)
{
    auto p = pad("identifier='P1' layer='6' add3DSolder='true' autoGenerate3D='false' autoGenerateSolderMaskHole='no' "
                 "autoGenerateSolderPaste='false' checked='true' goldPlated='true' id='42' widthEqualsHeight='true' "
                 "name='A7' onEdge='true' orientation='top' signal='GND' size='0.1,0.3' smt='false' eSeries='gullWing' "
                 "at='1.5,-2' holeSize='0.05,0.02' curveType='ellipse' roundness='0.25' roundedSide='left' "
                 "brushColor='200,140,30'");
    EXPECT_EQ(p->identifier, "P1");
    EXPECT_EQ(p->layerIndex, 6);
    EXPECT_TRUE(p->properties().add3DSolder);
    EXPECT_FALSE(p->properties().autoGenerate3D);
    EXPECT_FALSE(p->properties().autoGenerateSolderMaskHole);
    EXPECT_FALSE(p->properties().autoGenerateSolderPaste);
    EXPECT_TRUE(p->properties().checked);
    EXPECT_TRUE(p->properties().goldPlated);
    EXPECT_EQ(p->id, Id{42});
    EXPECT_TRUE(p->properties().lockedToWidth);
    EXPECT_TRUE(p->lockWidthToHeight());
    EXPECT_EQ(p->name(), "A7");
    EXPECT_TRUE(p->properties().onEdge);
    EXPECT_EQ(p->properties().orientation3D, PinOrientation3D::top);
    EXPECT_EQ(p->signalName, "GND");
    EXPECT_FALSE(p->surfaceMount());
    EXPECT_EQ(p->properties().type3D, PinType3D::gullWing);
    EXPECT_EQ(p->curveType(), CurveType::ellipse);
    EXPECT_EQ(p->roundedSide(), RoundedSideType::left);
    EXPECT_EQ(p->brush().color, kCopper);
    // Sizes and points are read at single precision.
    EXPECT_EQ(p->size(), QSizeF(widened(0.1f), widened(0.3f)));
    EXPECT_EQ(p->modelSpaceCenter, QPointF(1.5, -2));
    EXPECT_EQ(p->rectangle, QRectF(1.5 - widened(0.1f) / 2, -2 - widened(0.3f) / 2, widened(0.1f), widened(0.3f)));
    EXPECT_TRUE(p->properties().rectangularHole);
    EXPECT_EQ(p->holeSize(), QSizeF(widened(0.05f), widened(0.02f)));
    EXPECT_EQ(p->holeRectangle(),
              QRectF(1.5 - widened(0.05f) / 2, -2 - widened(0.02f) / 2, widened(0.05f), widened(0.02f)));
    // The pad's own identity and name serve the pad-name assignment.
    const std::optional<Entity::PadIdentity> identity = p->padIdentity();
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->id, Id{42});
    EXPECT_EQ(identity->name, "A7");

    // Pads read alike share their style and settings, which never changes
    // a value read back: -0 stays -0 beside a 0.
    auto zero = pad("roundness='0' holeSize='0,0' smt='false'");
    auto negativeZero = pad("roundness='-0' holeSize='-0,0' smt='false'");
    auto same = pad("roundness='0' holeSize='0,0' smt='false'");
    EXPECT_TRUE(zero->sharesStyleWith(*same) && zero->sharesPropertiesWith(*same));
    EXPECT_FALSE(zero->sharesStyleWith(*negativeZero) || zero->sharesPropertiesWith(*negativeZero));
    EXPECT_TRUE(std::signbit(negativeZero->roundness()));
    EXPECT_TRUE(std::signbit(negativeZero->holeSize().width()));
    EXPECT_FALSE(std::signbit(same->roundness()));
    // A style met again after another was shared is still shared: a hit
    // does not make the next new style push out the one read after it.
    auto p1 = pad("roundness='0.123'");
    auto q1 = pad("roundness='0.234'");
    auto p2 = pad("roundness='0.123'");
    auto r = pad("roundness='0.345'");
    auto q2 = pad("roundness='0.234'");
    EXPECT_TRUE(p1->sharesStyleWith(*p2) && q1->sharesStyleWith(*q2));
    EXPECT_FALSE(r->sharesStyleWith(*q2));
}

TEST_F(PadTest, OutlineSizeFromDiameterElseSize)
{
    // A positive diameter wins over "size", read as a whole C-locale number
    // at single precision.
    EXPECT_EQ(pad("diameter='0.06' size='0.2,0.3'")->size(), QSizeF(widened(0.06f), widened(0.06f)));
    EXPECT_EQ(pad("diameter='0' size='0.2,0.3'")->size(), QSizeF(widened(0.2f), widened(0.3f)));
    EXPECT_EQ(pad("diameter='-1' size='0.2,0.3'")->size(), QSizeF(widened(0.2f), widened(0.3f)));
    EXPECT_EQ(pad("diameter=' 0.06' size='0.2,0.3'")->size(), QSizeF(widened(0.2f), widened(0.3f)));
    EXPECT_EQ(pad("diameter='0.06mm' size='0.2,0.3'")->size(), QSizeF(widened(0.2f), widened(0.3f)));
    EXPECT_EQ(pad("diameter='nan' size='0.2,0.3'")->size(), QSizeF(widened(0.2f), widened(0.3f)));
    // Beyond single precision the diameter is not finite, so unreadable.
    EXPECT_EQ(pad("diameter='1e39' size='0.2,0.3'")->size(), QSizeF(widened(0.2f), widened(0.3f)));

    // Neither: (0, 0) at "at", whatever the pad had before; the rectangle
    // read by the closed curve is replaced.
    auto p = pad("size='0.2,0.3'");
    pugi::xml_document doc = parseXml("<pad at='1,2' x='5' y='5' width='3' height='3'/>");
    p->readXML(doc.first_child());
    EXPECT_EQ(p->size(), QSizeF(0, 0));
    EXPECT_EQ(p->rectangle, QRectF(1, 2, 0, 0));
}

TEST_F(PadTest, HoleRules)
{
    // Surface-mount pads have no hole, even with a hole diameter.
    auto smt = pad("diameter='0.1' smt='true' holeDiameter='0.05'");
    EXPECT_EQ(smt->holeSize(), QSizeF(0, 0));
    EXPECT_EQ(smt->holeRectangle(), QRectF(0, 0, 0, 0));
    EXPECT_FALSE(smt->hasDrawableHole());
    // Missing "smt" means surface mount.
    EXPECT_EQ(pad("diameter='0.1' holeDiameter='0.05'")->holeSize(), QSizeF(0, 0));

    auto round = pad("diameter='0.1' smt='false' holeDiameter='0.05' holeSize='0.2,0.2' at='1,1'");
    EXPECT_FALSE(round->properties().rectangularHole);
    EXPECT_EQ(round->holeSize(), QSizeF(widened(0.05f), widened(0.05f)));
    EXPECT_EQ(round->holeRectangle(),
              QRectF(1 - widened(0.05f) / 2, 1 - widened(0.05f) / 2, widened(0.05f), widened(0.05f)));

    auto zero = pad("diameter='0.1' smt='false' holeDiameter='0'");
    EXPECT_FALSE(zero->properties().rectangularHole);
    EXPECT_EQ(zero->holeSize(), QSizeF(0, 0));
    EXPECT_FALSE(zero->hasDrawableHole());

    // A negative or unreadable diameter falls back to "holeSize".
    auto rect = pad("diameter='0.1' smt='false' holeDiameter='-0.1' holeSize='0.04,0.02'");
    EXPECT_TRUE(rect->properties().rectangularHole);
    EXPECT_EQ(rect->holeSize(), QSizeF(widened(0.04f), widened(0.02f)));
    auto none = pad("diameter='0.1' smt='false'");
    EXPECT_TRUE(none->properties().rectangularHole);
    EXPECT_EQ(none->holeSize(), QSizeF(0, 0));
}

TEST_F(PadTest, EnumerationFallbacks)
{
    EXPECT_EQ(pad("orientation='sideways'")->properties().orientation3D, PinOrientation3D::left);
    EXPECT_EQ(pad("orientation='Top'")->properties().orientation3D, PinOrientation3D::left);
    EXPECT_EQ(pad("orientation='right'")->properties().orientation3D, PinOrientation3D::right);
    EXPECT_EQ(pad("eSeries='bga'")->properties().type3D, PinType3D::none);
    EXPECT_EQ(pad("eSeries='dip'")->properties().type3D, PinType3D::dip);

    // A missing word resets to the fallback rather than keeping the value.
    auto p = pad("orientation='bottom' eSeries='round'");
    pugi::xml_document doc = parseXml("<pad/>");
    p->readXML(doc.first_child());
    EXPECT_EQ(p->properties().orientation3D, PinOrientation3D::left);
    EXPECT_EQ(p->properties().type3D, PinType3D::none);
}

TEST_F(PadTest, BoundingBoxAndNameRotationFollowTheNetTransform)
{
    auto p = pad("at='0.4,0' size='0.2,0.1'");
    EXPECT_NEAR(p->boundingBox.bottomLeft.x(), 0.3, 1e-7);
    EXPECT_NEAR(p->boundingBox.topRight.y(), 0.05, 1e-7);
    EXPECT_FALSE(p->padNameRotationTransform());

    // Under a footprint turned by 90 degrees about the origin and moved to (2, 0).
    const QTransform turned(0, 1, -1, 0, 2, 0);
    p->updateGeometry(turned, nullptr);
    EXPECT_NEAR(p->boundingBox.bottomLeft.x(), 1.95, 1e-7);
    EXPECT_NEAR(p->boundingBox.topRight.x(), 2.05, 1e-7);
    EXPECT_NEAR(p->boundingBox.bottomLeft.y(), 0.3, 1e-7);
    EXPECT_NEAR(p->boundingBox.topRight.y(), 0.5, 1e-7);
    // The name turns back by 90 degrees about the pad centre.
    ASSERT_TRUE(p->padNameRotationTransform());
    const QTransform r = *p->padNameRotationTransform();
    EXPECT_NEAR(r.m11(), 0, 1e-12);
    EXPECT_NEAR(r.m12(), -1, 1e-12);
    const QPointF c = p->rectangle.center();
    const QPointF centre = r.map(c);
    EXPECT_NEAR(centre.x(), c.x(), 1e-12);
    EXPECT_NEAR(centre.y(), c.y(), 1e-12);
    const QPointF right = (r * turned).map(QPointF(0.5, 0)) - (r * turned).map(QPointF(0.4, 0));
    EXPECT_NEAR(right.x(), 0.1, 1e-12); // level on the sheet
    EXPECT_NEAR(right.y(), 0, 1e-12);

    // A turn below 1e-12 radians gives none; a pad placed level again (its
    // footprint turned back, no net transform left) names itself level, not
    // as it was turned before.
    QTransform tiny;
    tiny.rotateRadians(1e-13);
    p->updateGeometry(tiny, nullptr);
    EXPECT_FALSE(p->padNameRotationTransform());
    p->updateGeometry(turned, nullptr);
    p->updateGeometry(std::nullopt, nullptr);
    EXPECT_FALSE(p->padNameRotationTransform());

    // An outline that comes out empty is kept as made all the same:
    // drawing threads only read it.
    auto bare = pad("at='0,0' size='0.1,0.1' curveType='curve'");
    EXPECT_TRUE(bare->hasCachedOutline());
    EXPECT_TRUE(bare->outline().isEmpty());

    // A curve outline adds its points as well as the rectangle.
    auto curve = pad("at='0,0' size='0.1,0.1' curveType='curve' points='0,0 1,0 0,2' closed='true'");
    EXPECT_NEAR(curve->boundingBox.bottomLeft.x(), -0.05, 1e-7);
    EXPECT_NEAR(curve->boundingBox.topRight.y(), 2, 1e-7);
}

TEST_F(PadTest, LayerPassFillsWithTheBrushAndLeavesThePenTransparent)
{
    auto p = pad("at='0,0' size='0.2,0.1' brushColor='200,140,30' penColor='0,0,255' penWidth='0.05'");
    Canvas c(100, 200);
    p->draw(c.g);
    EXPECT_EQ(p->pen().color, QColor(0, 0, 0, 0));
    EXPECT_EQ(c.at(QPointF(0, 0)), kCopper);
    EXPECT_EQ(c.at(QPointF(0.09, 0.04)), kCopper);
    // No outline stroke: just outside the fill is background.
    EXPECT_EQ(c.at(QPointF(0.115, 0)), kBackground);

    Canvas layer(100, 200);
    layer.g.useLayerColor = true;
    layer.g.layerColor = QColor(10, 200, 10);
    p->draw(layer.g);
    EXPECT_EQ(layer.at(QPointF(0, 0)), QColor(10, 200, 10));

    // A gradient brush spans the pad; a pad of no size draws nothing.
    auto gradient = pad("at='0,0' size='0.2,0.1' brushType='gradient' brushColor='255,0,0' secondColor='0,0,255'");
    auto empty = pad("at='0.2,0.2'");
    Canvas shaded(100, 200);
    gradient->draw(shaded.g);
    empty->draw(shaded.g);
    EXPECT_GT(shaded.at(QPointF(-0.09, 0)).red(), 200);
    EXPECT_GT(shaded.at(QPointF(0.09, 0)).blue(), 200);
    EXPECT_EQ(shaded.at(QPointF(0.2, 0.2)), kBackground);

    // Pads of one rounded shape share its outline, each placed at its own
    // centre. A pen given after reading is neither drawn nor changed, and a
    // second frame equals the first.
    auto left = pad("at='-0.2,0' size='0.1,0.2' roundness='0.5' brushColor='200,140,30'");
    auto right = pad("at='0.2,0.1' size='0.1,0.2' roundness='0.5' brushColor='200,140,30'");
    right->editPen() = Pen(QColor(0, 0, 255), 0.05);
    Canvas first(200, 200), second(200, 200);
    for (Canvas* canvas : {&first, &second}) {
        left->draw(canvas->g);
        right->draw(canvas->g);
    }
    EXPECT_EQ(right->pen().color, QColor(0, 0, 255));
    EXPECT_EQ(first.at(QPointF(-0.2, 0)), kCopper);
    EXPECT_EQ(first.at(QPointF(0.2, 0.1)), kCopper);
    EXPECT_EQ(first.at(QPointF(0.2, -0.015)), kBackground);
    EXPECT_EQ(first.at(QPointF(-0.2, 0.12)), kBackground);
    second.at(QPointF(0, 0));
    EXPECT_EQ(first.image, second.image);
}

TEST_F(PadTest, SolidPadPassPaintsYellow)
{
    Canvas c(200, 400);
    auto rect = pad("at='-0.15,0' size='0.1,0.1' layer='5'");
    auto rounded = pad("at='0.1,0' size='0.1,0.2' roundness='1' layer='5'");
    rect->drawPadPass(c.g);
    rounded->drawPadPass(c.g);
    EXPECT_EQ(c.at(QPointF(-0.15, 0)), kYellow);
    EXPECT_EQ(c.at(QPointF(0.1, 0)), kYellow);
    // The plain rectangle has a black hairline, the rounded one none; its
    // corner is cut off.
    const QColor edge = c.at(QPointF(-0.15, 0.05));
    EXPECT_LT(edge.red(), 200);
    EXPECT_EQ(c.at(QPointF(0.1, 0.101)), kBackground);
    EXPECT_EQ(c.at(QPointF(0.148, 0.098)), kBackground);
}

TEST_F(PadTest, SolidBoardHidesSurfaceMountPadsOfTheOtherSide)
{
    pcb.layerList.showPcbSolid = true;
    auto top = pad("at='-0.1,0' size='0.05,0.05' layer='5'");
    auto bottom = pad("at='0,0' size='0.05,0.05' layer='6'");
    auto throughHole = pad("at='0.1,0' size='0.05,0.05' layer='6' smt='false' holeDiameter='0.01'");
    Canvas c(200, 400);
    for (auto* p : {top.get(), bottom.get(), throughHole.get()})
        p->drawPadPass(c.g);
    EXPECT_EQ(c.at(QPointF(-0.1, 0)), kYellow);
    EXPECT_EQ(c.at(QPointF(0, 0)), kBackground);
    EXPECT_EQ(c.at(QPointF(0.1, 0)), kYellow);
}

TEST_F(PadTest, HolesAreDrawnRoundInBlack)
{
    auto round = pad("at='-0.2,0' diameter='0.2' holeDiameter='0.1' smt='false' curveType='ellipse' brushColor='200,140,30'");
    auto square = pad("at='0.2,0' size='0.2,0.2' holeSize='0.12,0.08' smt='false' brushColor='200,140,30'");
    Canvas c(240, 400);
    for (auto* p : {round.get(), square.get()}) {
        p->draw(c.g);
        p->drawHolePass(c.g, kYellow); // the colour plays no part
    }
    // Round pad: black hole, copper ring, background outside.
    EXPECT_EQ(c.at(QPointF(-0.2 + 0.03, 0.01)), kBlack);
    EXPECT_EQ(c.at(QPointF(-0.2 + 0.075, 0)), kCopper);
    EXPECT_EQ(c.at(QPointF(-0.2 + 0.12, 0)), kBackground);
    // Rectangular hole: drawn as the inscribed ellipse, so the corners of the
    // hole rectangle stay copper.
    EXPECT_EQ(c.at(QPointF(0.2 + 0.05, 0)), kBlack);
    EXPECT_EQ(c.at(QPointF(0.2, 0.03)), kBlack);
    EXPECT_EQ(c.at(QPointF(0.2 + 0.055, 0.035)), kCopper);
    EXPECT_EQ(c.at(QPointF(0.2, 0.045)), kCopper);

    // Surface-mount pads draw nothing in the hole pass.
    Canvas empty(100, 200);
    pad("size='0.2,0.2' name='X'")->drawHolePass(empty.g, kYellow);
    EXPECT_TRUE(empty.untouched());
}

TEST_F(PadTest, NamesShowOnPadsAtLeastTwentyPixelsTall)
{
    // 0.3125 inch = 20 pixels of 1/64 inch each, exactly.
    auto p = pad("diameter='0.3125' holeDiameter='0.2' smt='false' name='88'");
    ASSERT_EQ(p->rectangle.height(), 0.3125);

    // The least width is sqrt(2) device pixels: views where the pad is 19
    // and just over 20 of them tall (the name is too small to see there).
    Canvas at19(300, 19 * M_SQRT2 / 0.3125);
    EXPECT_FALSE(p->padNameShown(at19.g));
    p->drawHolePass(at19.g, kYellow);
    EXPECT_EQ(at19.whitish(), 0);
    Canvas at20(300, 64 * M_SQRT2 * (1 + 1e-9));
    EXPECT_TRUE(p->padNameShown(at20.g));

    // The measured pixel: at 1000 pixels per inch a device pixel is
    // sqrt(2)/1000 inch, so 0.3125 inch is about 221 of them.
    Canvas measured(300, 1000);
    p->drawHolePass(measured.g, kYellow);
    EXPECT_GT(measured.whitish(), 10);
    // The name sits on the pad centre.
    EXPECT_EQ(measured.at(QPointF(0.09, 0)), kBlack);
    Canvas far(300, 40);
    p->drawHolePass(far.g, kYellow); // 0.3125 inch is under 9 device pixels here
    EXPECT_EQ(far.whitish(), 0);

    // The switch of the open design, and no name without one.
    pcb.pcbSettings.showPadNames = false;
    Canvas off(300, 1000);
    p->drawHolePass(off.g, kYellow);
    EXPECT_EQ(off.whitish(), 0);
    pcb.pcbSettings.showPadNames = true;

    // Pads of one name share its measure; renaming one re-measures only it.
    auto twin = pad("diameter='0.3125' holeDiameter='0.2' smt='false' name='88'");
    BoundingBox before, twinBefore;
    p->addHolePassReach(before);
    twin->addHolePassReach(twinBefore);
    EXPECT_EQ(before.rect(), twinBefore.rect());
    // Equal pads hold one block of settings; a change to one is its own.
    EXPECT_TRUE(p->sharesPropertiesWith(*twin));
    p->editProperties().name = QString(60, QLatin1Char('8'));
    EXPECT_EQ(twin->name(), "88");
    BoundingBox renamed, twinAfter;
    p->addHolePassReach(renamed);
    twin->addHolePassReach(twinAfter);
    EXPECT_GT(renamed.width(), before.width());
    EXPECT_EQ(twinAfter.rect(), twinBefore.rect());
    p->editProperties().name.clear();
    Canvas unnamed(300, 1000);
    p->drawHolePass(unnamed.g, kYellow);
    EXPECT_EQ(unnamed.whitish(), 0);
}

TEST_F(PadTest, ClearanceOutlinesGrowByTheSolderMaskMargin)
{
    pcb.pcbSettings.solderMaskMargin = 0.01;
    QImage img(1, 1, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&img);
    DrawingContext context(painter);
    Graphics g(context);
    auto outline = [&](const std::shared_ptr<Pad>& p) {
        context.beginPath();
        p->addPadClearanceOutline(g);
        return context.devicePath();
    };
    auto near = [](const QRectF& a, const QRectF& b) {
        return std::abs(a.left() - b.left()) < 1e-6 && std::abs(a.top() - b.top()) < 1e-6
            && std::abs(a.right() - b.right()) < 1e-6 && std::abs(a.bottom() - b.bottom()) < 1e-6;
    };

    const QRectF grown(0.89, 1.94, 0.22, 0.12);
    auto rect = pad("at='1,2' size='0.2,0.1'");
    QPainterPath path = outline(rect);
    EXPECT_TRUE(near(path.boundingRect(), grown));
    EXPECT_TRUE(path.contains(QPointF(0.891, 1.941)));

    auto rounded = pad("at='1,2' size='0.2,0.1' roundness='1'");
    path = outline(rounded);
    EXPECT_TRUE(near(path.boundingRect(), grown));
    EXPECT_FALSE(path.contains(QPointF(0.891, 1.941))); // radius 0.06 of the grown rectangle
    EXPECT_TRUE(path.contains(QPointF(0.891, 2.0)));
    // Pads of one shape share the grown outline, each placed at its centre.
    EXPECT_TRUE(near(outline(pad("at='2,2.5' size='0.2,0.1' roundness='1'")).boundingRect(), grown.translated(1, 0.5)));

    auto ellipse = pad("at='1,2' size='0.2,0.1' curveType='ellipse'");
    path = outline(ellipse);
    EXPECT_TRUE(near(path.boundingRect(), grown));
    EXPECT_FALSE(path.contains(QPointF(0.895, 1.945)));

    // A straight Bezier outline opens the polygon through its points.
    auto straight = pad("curveType='curve' points='0,0 1,0 0,1' closed='true'");
    path = outline(straight);
    EXPECT_NEAR(path.boundingRect().left(), -0.01, 1e-6);
    EXPECT_NEAR(path.boundingRect().top(), -0.01, 1e-6);
    ASSERT_TRUE(straight->cachedExpandedBezierPolygon());
    EXPECT_EQ(straight->cachedExpandedBezierPolygon()->size(), 3u);
    // A smooth one is sampled, 20 steps a segment, then grown.
    auto smooth = pad("curveType='curve' style='smooth' points='0,0 1,0 1,1 0,1' closed='true'");
    outline(smooth);
    ASSERT_TRUE(smooth->cachedExpandedBezierPolygon());
    EXPECT_GE(smooth->cachedExpandedBezierPolygon()->size(), 60u);

    // Placed by the net transform: a footprint turned by 90 degrees at (2, 0).
    auto turned = pad("at='0.4,0' size='0.2,0.1'");
    turned->updateGeometry(QTransform(0, 1, -1, 0, 2, 0), nullptr);
    path = outline(turned);
    EXPECT_TRUE(near(path.boundingRect(), QRectF(1.94, 0.29, 0.12, 0.22)));
    EXPECT_EQ(context.stateDepth(), 0);
    painter.end();
}

TEST_F(PadTest, BadSizesDrawNothing)
{
    // A mirrored (negative) size would otherwise draw the outline turned
    // inside out; a non-finite one has no place at all.
    auto negative = pad("at='0,0' size='-0.2,0.1' smt='false' holeDiameter='0.05' name='1' brushColor='200,140,30'");
    auto infinite = pad("at='0,0' size='0.2,0.1' brushColor='200,140,30'");
    const double inf = std::numeric_limits<double>::infinity();
    infinite->rectangle = QRectF(-inf / 2, -0.05, inf, 0.1); // the size is the rectangle's
    ASSERT_TRUE(std::isinf(infinite->size().width()));
    infinite->invalidateOutlines();
    auto negativeHole = pad("at='0,0' size='0.2,0.2' smt='false' holeSize='0.1,-0.1'");

    Canvas c(100, 200);
    for (auto* p : {negative.get(), infinite.get()}) {
        p->draw(c.g);
        p->drawPadPass(c.g);
        c.g.context.beginPath();
        p->addPadClearanceOutline(c.g);
        EXPECT_TRUE(c.g.context.isPathEmpty());
    }
    negativeHole->drawHolePass(c.g, kYellow);
    EXPECT_FALSE(negativeHole->hasDrawableHole());
    EXPECT_TRUE(c.untouched());

    // The pad still has a place: its centre.
    negative->updateGeometry(std::nullopt, nullptr);
    EXPECT_TRUE(negative->boundingBox.valid);
    EXPECT_EQ(negative->boundingBox.rect(), QRectF(0, 0, 0, 0));
}

TEST_F(PadTest, MadeByNameWithItsEditor)
{
    pugi::xml_document doc = parseXml("<pad name='3'/>");
    std::shared_ptr<Entity> made = makeEntity(doc.first_child(), &pcb);
    ASSERT_TRUE(std::dynamic_pointer_cast<Pad>(made));
    std::unique_ptr<QWidget> editor(editorFor(made));
    auto* frame = dynamic_cast<EntityEditor*>(editor.get());
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->title(), "Pad");
    const auto labels = frame->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](QLabel* l) { return l->text() == "No editable parameters"; }));
}

TEST_F(PadTest, RenderedBoardShowsRoundAndRectangularPadsWithHoles)
{
    ASSERT_TRUE(design.open(QStringLiteral(BRINDLEX_TEST_DATA "/pads.project")));
    std::shared_ptr<DesignState> board = design.currentDesignState();
    PCB& sheet = *board->pcb;
    sheet.updateGeometry();
    auto render = [&](double scale, QPointF centre = QPointF(1.5, 1.5)) {
        auto c = std::make_unique<Canvas>(600, scale, centre);
        sheet.draw(c->g);
        return c;
    };

    auto c = render(300);
    // J1 at (1, 1): a round pad with a round hole.
    EXPECT_EQ(c->at(QPointF(1.03, 1)), kBlack);
    EXPECT_EQ(c->at(QPointF(1.075, 1)), kCopper);
    EXPECT_EQ(c->at(QPointF(1.09, 0.99)), kCopper);
    EXPECT_EQ(c->at(QPointF(1.095, 1.095)), kBackground);
    // Its square pad at (1.4, 1) with a 0.12 x 0.08 hole drawn as an ellipse.
    EXPECT_EQ(c->at(QPointF(1.45, 1)), kBlack);
    EXPECT_EQ(c->at(QPointF(1.4 + 0.055, 1.035)), kCopper);
    EXPECT_EQ(c->at(QPointF(1.495, 1.095)), kCopper);
    // The same square pad of the turned J2 at (2, 1.4): the hole stands upright.
    EXPECT_EQ(c->at(QPointF(2, 1.45)), kBlack);
    EXPECT_EQ(c->at(QPointF(2.05, 1.4)), kCopper);
    // Surface-mount pads of U1: no holes; the bottom-side pad in its own pass.
    EXPECT_EQ(c->at(QPointF(1, 2)), kCopper);
    EXPECT_EQ(c->at(QPointF(2.2, 2)), QColor(60, 60, 200));
    // Close up, the pad names show in white.
    auto close = render(2000, QPointF(1, 1));
    EXPECT_GT(close->whitish(), 20);

    // From far away the names are gone, the holes stay.
    auto far = render(60);
    EXPECT_EQ(far->whitish(), 0);
    EXPECT_EQ(far->at(QPointF(1.02, 1.02)), kBlack);

    // Solid pads: every pad yellow, holes still black on top.
    sheet.pcbSettings.showPadsAsSolidYellow = true;
    c = render(300);
    EXPECT_EQ(c->at(QPointF(1.075, 1)), kYellow);
    EXPECT_EQ(c->at(QPointF(1, 2)), kYellow);
    EXPECT_EQ(c->at(QPointF(1.03, 1)), kBlack);
    sheet.pcbSettings.showPadsAsSolidYellow = false;

    // With the top copper hidden the pads are not drawn, yet the hole pass,
    // which has no layer test, still shows the holes.
    sheet.layerList.layerAt(5)->visible = false;
    c = render(300);
    EXPECT_EQ(c->at(QPointF(1.075, 1)), kBackground);
    EXPECT_EQ(c->at(QPointF(1.03, 1)), kBlack);
    EXPECT_EQ(c->at(QPointF(2.2, 2)), QColor(60, 60, 200));
}

TEST_F(PadTest, GradientPadsAreReadyBeforeFramesDrawThemInBands)
{
    // A gradient fills the outline of any shape: an ellipse and a plain
    // rectangle, whose solid fills need no outline, as well.
    const std::string file = R"(<?xml version="1.0" encoding="UTF-8"?>
<qel version="12" designVersion="3"><design name="Gradients"><pcb name="Board">
  <settings showPage="false" showGrid="false" showOrigin="false"/>
  <entities>
    <footprint identifier="U1" dx="1" dy="1"><entities>
      <pad id="1" name="1" layer="5" at="0,0" diameter="0.6" curveType="ellipse" smt="true"
           brushType="gradient" brushColor="200,40,40" secondColor="40,40,200"/>
      <pad id="2" name="2" layer="5" at="0.8,0" size="0.5,0.7" smt="true"
           brushType="radial" brushColor="40,200,40" secondColor="250,250,250"/>
      <pad id="3" name="3" layer="5" at="0.4,0.8" size="0.9,0.3" smt="true" vertical="true"
           brushType="centerGradient" brushColor="200,200,40" secondColor="40,40,40"/>
    </entities></footprint>
  </entities>
</pcb></design></qel>)";
    ASSERT_TRUE(design.loadFromBytes(QByteArray::fromStdString(file), "gradients.project"));
    PCB& sheet = *design.currentDesignState()->pcb;
    sheet.updateGeometry();
    std::vector<std::shared_ptr<Pad>> pads;
    sheet.entityList.collect(pads);
    ASSERT_EQ(pads.size(), 3u);
    for (const auto& pad : pads) {
        EXPECT_TRUE(pad->brush().isGradient());
        EXPECT_TRUE(pad->hasCachedOutline()) << pad->name().toStdString();
    }

    FrameRenderer::Frame frame;
    frame.view = QTransform(300, 0, 0, -300, -50, 600);
    frame.size = QSizeF(640, 480);
    frame.pcb = true;
    const QImage one = FrameRenderer(1).render(sheet, frame);
    EXPECT_GT(one.convertToFormat(QImage::Format_Indexed8).colorCount(), 8); // the gradients show
    int differing = 0;
    for (int i = 0; i < 10; ++i)
        differing += FrameRenderer(8).render(sheet, frame) != one;
    EXPECT_EQ(differing, 0);
}
