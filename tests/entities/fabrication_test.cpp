#include "EntityTestSupport.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "editors/EntityEditor.h"
#include "entities/pcb/Cutouts.h"
#include "entities/pcb/Fiducials.h"
#include "entities/pcb/Holes.h"
#include "entities/pcb/MouseBite.h"
#include "entities/pcb/PcbBorder.h"
#include "model/EntityFactory.h"
#include "viewport/FrameRenderer.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

namespace {

// Measures an entity at the top of a sheet.
template <class T>
std::shared_ptr<T> measured(std::shared_ptr<T> e)
{
    e->updateGeometry(std::nullopt, nullptr);
    return e;
}

void expectBox(const BoundingBox& box, double x0, double y0, double x1, double y1, double tolerance = 1e-6)
{
    ::expectBox(box, QPointF(x0, y0), QPointF(x1, y1), tolerance);
}

void expectRect(const QRectF& r, double x, double y, double w, double h)
{
    EXPECT_NEAR(r.x(), x, 1e-6);
    EXPECT_NEAR(r.y(), y, 1e-6);
    EXPECT_NEAR(r.width(), w, 1e-6);
    EXPECT_NEAR(r.height(), h, 1e-6);
}

const QColor kPaper(30, 30, 120);

// A y-up view of 100 pixels per inch, model (0, 0) at the bottom-left corner
// of a 400 x 400 image on a blue paper.
struct Canvas : ModelCanvas {
    Canvas() : ModelCanvas(QPointF(0, 0), 100, QSize(400, 400), kPaper) { g->drawingPcb = true; }
    Canvas& draw(Entity& e)
    {
        e.draw(*g);
        return *this;
    }
    QColor at(double x, double y)
    {
        done();
        return ModelCanvas::at(QPointF(x, y));
    }
    void finish() { done(); }
};

// The entity drawn in pick mode for the device pixel under a model point, at
// 100 pixels per inch.
bool picks(Entity& e, QPointF model)
{
    return picksThrough(devicePixelUnder(model, 100, 400), e);
}

bool showsLabel(QWidget* w, const QString& text)
{
    for (QLabel* l : w->findChildren<QLabel*>())
        if (l->text() == text)
            return true;
    return false;
}

bool isRed(const QColor& c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; }
bool isWhite(const QColor& c) { return c.red() > 200 && c.green() > 200 && c.blue() > 200; }
bool isBlack(const QColor& c) { return c.red() < 40 && c.green() < 40 && c.blue() < 40; }
// A hairline of one device pixel (1.41 pixels as the drawing measures it)
// covers no pixel whole: mostly red over the paper.
bool isReddish(const QColor& c) { return c.red() > 150 && c.green() < 80; }

// The fabrication test design, read into design.
bool loadFabrication(Design& design)
{
    QFile f(QStringLiteral(BRINDLEX_TEST_DATA "/fabrication.project"));
    return f.open(QIODevice::ReadOnly) && design.loadFromBytes(f.readAll(), "fabrication.project");
}

} // namespace

// ---------------------------------------------------------------------------
// Cutouts

TEST(PcbCutouts, ReadingRulesAndLayers)
{
    PcbCutoutArc fresh(nullptr);
    EXPECT_EQ(fresh.radius, QSizeF(1, 1));
    EXPECT_EQ(fresh.pen.width, 0.01);
    PcbCutoutCurve freshCurve(nullptr);
    EXPECT_EQ(freshCurve.pen.color, QColor(255, 255, 255));
    EXPECT_EQ(freshCurve.pen.width, 0.0);

    // A missing radius is (0, 0), not the (1, 1) of construction.
    auto arc = readAs<PcbCutoutArc>(R"(<pcbCutoutArc startAngle="90" endAngle="180" center="1,2" layer="3" penWidth="0.02"/>)");
    ASSERT_TRUE(arc);
    EXPECT_EQ(arc->radius, QSizeF(0, 0));
    EXPECT_NEAR(arc->startAngleInRadians, std::numbers::pi / 2, 1e-12);
    EXPECT_NEAR(arc->endAngleInRadians, std::numbers::pi, 1e-12);
    EXPECT_EQ(arc->center, QPointF(1, 2));
    EXPECT_EQ(arc->layerIndex, 3); // the arc keeps its layer
    EXPECT_EQ(arc->pen.width, 0.02);
    EXPECT_EQ(arc->entityPen(), &arc->pen);
    // Angles at single precision.
    auto odd = readAs<PcbCutoutArc>(R"(<pcbCutoutArc startAngle="0.1" endAngle=" 90" radius="2,1"/>)");
    EXPECT_EQ(odd->startAngleInRadians, double(0.1f) * std::numbers::pi / 180);
    EXPECT_EQ(odd->endAngleInRadians, 0.0);
    EXPECT_EQ(readAs<PcbCutoutArc>(R"(<pcbCutoutArc endAngle="90deg"/>)")->endAngleInRadians, 0.0);

    auto curve = readAs<PcbCutoutCurve>(
        R"(<pcbCutoutCurve layer="3" addedByPcbCutoutGenerator="TRUE" penWidth="0.03" closed="true" points="0,0 1,0 1,1"/>)");
    ASSERT_TRUE(curve);
    EXPECT_EQ(curve->layerIndex, -2);
    EXPECT_FALSE(curve->addedByPcbCutoutGenerator);
    EXPECT_EQ(curve->pen.width, 0.03);
    EXPECT_TRUE(curve->bezier.closed);
    EXPECT_EQ(curve->bezier.points.size(), 3u);

    auto poly = readAs<PcbCutoutPolyLine>(R"(<pcbCutoutPolyLine layer="3" closed="true" doNotOptimize="1"
        addedByPcbCutoutGenerator="true" penWidth="0.2" penColor="255,0,0">
        <vertices><vertex at="0,0"/><vertex at="1,0.5"/></vertices><vertices><vertex at="9,9"/></vertices></pcbCutoutPolyLine>)");
    ASSERT_TRUE(poly);
    EXPECT_EQ(poly->layerIndex, -2);
    EXPECT_TRUE(poly->closed);
    EXPECT_FALSE(poly->doNotOptimize);
    EXPECT_TRUE(poly->addedByPcbCutoutGenerator);
    ASSERT_EQ(poly->vertices.points.size(), 2u); // the first "vertices" only
    EXPECT_EQ(poly->vertices.points[1], QPointF(1, 0.5));
    // The pen is not read.
    EXPECT_EQ(poly->pen.width, 0.01);
    EXPECT_EQ(poly->pen.color, QColor(0, 0, 0));

    auto shape = readAs<PcbCutoutShape>(R"(<pcbCutout layer="3" x="1" y="1" width="2" height="1" copperPourGap="0.02"
        useCopperPourGap="yes" penWidth="0.05"/>)");
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->layerIndex, -2);
    EXPECT_EQ(shape->copperPourGap, 0.02);
    EXPECT_FALSE(shape->useCopperPourGap);
    EXPECT_EQ(shape->pen().width, 0.05);
    EXPECT_TRUE(readAs<PcbCutoutShape>(R"(<pcbCutout useCopperPourGap="true" copperPourGap="0.02mm"/>)")->useCopperPourGap);
    EXPECT_EQ(readAs<PcbCutoutShape>(R"(<pcbCutout copperPourGap="0.02mm"/>)")->copperPourGap, 0.0);
}

TEST(PcbCutouts, BoundingBoxes)
{
    // The box covers the drawn circle (radius 2 across and up) as well as the
    // ellipse of the radius, grown by half the pen width.
    auto arc = measured(readAs<PcbCutoutArc>(R"(<pcbCutoutArc center="5,5" radius="2,1" penWidth="0.1"/>)"));
    expectBox(arc->boundingBox, 2.95, 2.95, 7.05, 7.05);
    // An invisible pen does not widen it.
    arc = measured(readAs<PcbCutoutArc>(R"(<pcbCutoutArc center="5,5" radius="1,1" penWidth="0.1" penColor="0,0,0,0"/>)"));
    expectBox(arc->boundingBox, 4, 4, 6, 6);
    // Under a 45 degree turn the box still holds the whole circle.
    const double c = std::sqrt(0.5);
    arc = readAs<PcbCutoutArc>(R"(<pcbCutoutArc center="0,0" radius="1,1" penColor="0,0,0,0" m11=")" + std::to_string(c) + R"(" m12=")"
        + std::to_string(c) + R"(" m21="-)" + std::to_string(c) + R"(" m22=")" + std::to_string(c) + R"(" dx="3"/>)");
    measured(arc);
    EXPECT_LE(arc->boundingBox.bottomLeft.x(), 2.0);
    EXPECT_GE(arc->boundingBox.topRight.x(), 4.0);
    EXPECT_LE(arc->boundingBox.bottomLeft.y(), -1.0);
    EXPECT_GE(arc->boundingBox.topRight.y(), 1.0);

    // Polyline: its vertices through the placement, no widening for the pen.
    auto poly = measured(readAs<PcbCutoutPolyLine>(
        R"(<pcbCutoutPolyLine dx="1" dy="2"><vertices><vertex at="0,0"/><vertex at="1,0.5"/></vertices></pcbCutoutPolyLine>)"));
    expectBox(poly->boundingBox, 1, 2, 2, 2.5);
    // A curve has no box; a shape the closed curve's.
    auto curve = measured(readAs<PcbCutoutCurve>(R"(<pcbCutoutCurve points="0,0 1,0 1,1"/>)"));
    EXPECT_FALSE(curve->boundingBox.valid);
    auto shape = measured(readAs<PcbCutoutShape>(R"(<pcbCutout x="1" y="1" width="2" height="1" penWidth="0.5" dx="1"/>)"));
    expectBox(shape->boundingBox, 2, 1, 4, 2);
}

TEST(PcbCutouts, ArcDrawsACircularArcCounterClockwise)
{
    // Radius (1, 0.5): drawn with radius 1. From 0 to 90 degrees: the
    // quarter from the right to the top.
    auto arc = measured(readAs<PcbCutoutArc>(
        R"(<pcbCutoutArc center="2,2" radius="1,0.5" startAngle="0" endAngle="90" penWidth="0.05" penColor="255,0,0"/>)"));
    Canvas canvas;
    canvas.draw(*arc);
    EXPECT_TRUE(isRed(canvas.at(2 + std::cos(0.7), 2 + std::sin(0.7))));
    EXPECT_TRUE(isRed(canvas.at(2, 2.995)));
    EXPECT_EQ(canvas.at(2, 2.5), kPaper); // not the ellipse's height
    EXPECT_EQ(canvas.at(1, 2), kPaper);   // not the other way round
    EXPECT_EQ(canvas.at(2.5, 2.5), kPaper); // never filled
    EXPECT_EQ(arc->pen.width, 0.05);

    // An end below the start goes round: 270 to 0 sweeps the last quarter.
    arc = readAs<PcbCutoutArc>(
        R"(<pcbCutoutArc center="2,2" radius="1,1" startAngle="270" endAngle="0" penWidth="0.05" penColor="255,0,0"/>)");
    EXPECT_NEAR(arc->sweep(), std::numbers::pi / 2, 1e-6);
    Canvas second;
    second.draw(*arc);
    EXPECT_TRUE(isRed(second.at(2 + std::cos(-0.7), 2 + std::sin(-0.7))));
    EXPECT_EQ(second.at(2, 2.995), kPaper);

    // Without a radius the arc is a point; with an invisible pen nothing.
    auto none = readAs<PcbCutoutArc>(R"(<pcbCutoutArc center="2,2" endAngle="360" penColor="0,255,0,0"/>)");
    Canvas third;
    third.draw(*none);
    EXPECT_EQ(third.at(2, 2), kPaper);

    // Angles far beyond a turn neither hang nor draw more than a circle.
    auto huge = readAs<PcbCutoutArc>(R"(<pcbCutoutArc radius="1,1" startAngle="-3e38" endAngle="3e38"/>)");
    EXPECT_LE(huge->sweep(), 2 * std::numbers::pi);
    Canvas fourth;
    fourth.draw(*huge);
}

TEST(PcbCutouts, ArcPicksTenPixelsWiderAndRestoresItsPen)
{
    auto arc = measured(readAs<PcbCutoutArc>(
        R"(<pcbCutoutArc center="2,2" radius="1,1" startAngle="0" endAngle="180" penWidth="0.01"/>)"));
    EXPECT_TRUE(picks(*arc, QPointF(2, 3)));
    EXPECT_TRUE(picks(*arc, QPointF(2, 3.04)));  // 4 pixels off: inside the widened pen
    EXPECT_FALSE(picks(*arc, QPointF(2, 3.09))); // 9 pixels off
    EXPECT_FALSE(picks(*arc, QPointF(2, 1)));    // the half not drawn
    EXPECT_EQ(arc->pen.width, 0.01);
    // Seen without picking, 4 pixels off is not drawn.
    Canvas canvas;
    canvas.draw(*arc);
    EXPECT_EQ(canvas.at(2, 3.04), kPaper);
}

TEST(PcbCutouts, PolylineIsABlackLineOnAWhiteHalo)
{
    // A wide red pen in the file has no effect; "closed" leaves it open.
    auto poly = measured(readAs<PcbCutoutPolyLine>(R"(<pcbCutoutPolyLine closed="true" penWidth="0.3" penColor="255,0,0">
        <vertices><vertex at="1,1.005"/><vertex at="3.005,1.005"/><vertex at="3.005,3"/></vertices></pcbCutoutPolyLine>)"));
    Canvas canvas;
    canvas.draw(*poly);
    EXPECT_TRUE(isBlack(canvas.at(2, 1.005)));
    EXPECT_TRUE(isBlack(canvas.at(3.005, 2)));
    EXPECT_EQ(canvas.at(2, 1.04), kPaper); // a 0.3 pen would reach here
    EXPECT_EQ(canvas.at(2, 2), kPaper);    // the closing side is not drawn
    EXPECT_EQ(poly->pen.color, QColor(0, 0, 0));
    EXPECT_EQ(poly->pen.width, 0.01);

    // The halo is one device pixel wider on each side:
    // seen whole around a line five pixels wide.
    poly->pen.width = 0.05;
    Canvas wide;
    wide.draw(*poly);
    EXPECT_TRUE(isBlack(wide.at(2, 1.005)));
    EXPECT_TRUE(isBlack(wide.at(2, 1.025)));
    EXPECT_TRUE(isWhite(wide.at(2, 1.035)));
    EXPECT_TRUE(isWhite(wide.at(2, 0.975)));
    EXPECT_EQ(wide.at(2, 1.055), kPaper);
    EXPECT_EQ(poly->pen.width, 0.05);
    EXPECT_EQ(poly->pen.color, QColor(0, 0, 0));

    // Without vertices nothing is drawn, not even when selected.
    auto empty = readAs<PcbCutoutPolyLine>(R"(<pcbCutoutPolyLine/>)");
    empty->selected = true;
    empty->boundingBox.addRect(QRectF(0.5, 0.5, 1, 1));
    Canvas blank;
    blank.draw(*empty);
    EXPECT_EQ(blank.at(0.5, 1.0), kPaper);
    // With vertices the selection frame is drawn.
    poly->selected = true;
    Canvas selected;
    selected.draw(*poly);
    EXPECT_TRUE(isReddish(selected.at(1.5, 2.995)));
}

TEST(PcbCutouts, PolylineHaloFollowsTheLineUnderUnevenPlacements)
{
    // The same rectangle's sides drawn unplaced and squeezed by the
    // polyline's placement, its vertices spread to match: the white halo
    // (and the mask opening it makes) carries about the same ink, for a
    // line raised to the least width (0.01) and for one drawn at its
    // width (0.05: 5 pixels, half a pixel across when squeezed tenfold).
    const QRectF rect(1, 1, 2, 1.5);
    auto polyline = [&](double sx, double sy, double width) {
        const QRectF r(rect.x() / sx, rect.y() / sy, rect.width() / sx, rect.height() / sy);
        auto poly = measured(readAs<PcbCutoutPolyLine>(
            QStringLiteral(R"(<pcbCutoutPolyLine m11="%1" m22="%2"><vertices><vertex at="%3,%4"/><vertex at="%5,%4"/>)"
                           R"(<vertex at="%5,%6"/><vertex at="%3,%6"/><vertex at="%3,%4"/></vertices></pcbCutoutPolyLine>)")
                .arg(sx).arg(sy).arg(r.left()).arg(r.top()).arg(r.right()).arg(r.bottom()).toStdString()));
        poly->pen.width = width;
        return poly;
    };
    // White over the paper in the drawing; red in the opening, which
    // holds every pixel the halo and line cover.
    auto halo = [&](double sx, double sy, double width, double& opened) {
        Canvas drawn, open;
        const auto poly = polyline(sx, sy, width);
        drawn.draw(*poly);
        poly->fillMaskOpening(*open.g, QColor(255, 0, 0), 0);
        double white = 0;
        opened = 0;
        for (int y = 0; y < drawn.image.height(); ++y)
            for (int x = 0; x < drawn.image.width(); ++x) {
                const QColor d = drawn.image.pixelColor(x, y), o = open.image.pixelColor(x, y);
                white += std::max(0, d.green() - kPaper.green()) / (255.0 - kPaper.green());
                opened += (o.red() - kPaper.red()) / (255.0 - kPaper.red());
                EXPECT_FALSE(std::abs(d.blue() - kPaper.blue()) > 110 && o.red() < 200) << x << "," << y;
            }
        return white;
    };
    for (const double width : {0.01, 0.05}) {
        double unplacedOpening = 0;
        const double unplaced = halo(1, 1, width, unplacedOpening);
        ASSERT_GT(unplaced, 0);
        for (const double squash : {0.5, 0.25, 0.1})
            for (const bool acrossX : {false, true}) {
                double opening = 0;
                const double placed = halo(acrossX ? squash : 1, acrossX ? 1 : squash, width, opening) / unplaced;
                EXPECT_TRUE(placed >= 0.8 && placed <= 1.25) << width << " x" << squash << " across x " << acrossX << ": " << placed;
                // A line raised to the least width opens as much as unplaced.
                opening /= unplacedOpening;
                EXPECT_TRUE(width > 0.01 || (opening >= 0.8 && opening <= 1.25))
                    << width << " x" << squash << " across x " << acrossX << ": " << opening;
            }
    }
}

TEST(PcbCutouts, ShapeAndCurveDrawing)
{
    // The shape's outline is one device pixel wide, whatever the file says.
    auto shape = measured(readAs<PcbCutoutShape>(
        R"(<pcbCutout x="1" y="1.005" width="2" height="1" penWidth="0.05" penColor="255,255,255" brushColor="0,0,0"/>)"));
    Canvas canvas;
    canvas.draw(*shape);
    EXPECT_EQ(shape->pen().width, 0.05); // drawing leaves the pen alone
    EXPECT_TRUE(isBlack(canvas.at(2, 1.5)));
    EXPECT_TRUE(isWhite(canvas.at(2, 1.005)));
    EXPECT_EQ(canvas.at(2, 0.985), kPaper); // a 0.05 pen would reach here
    EXPECT_EQ(canvas.at(2, 1.025), QColor(0, 0, 0));

    // A closed curve is filled black with a one-pixel white outline, placed by
    // its own transform.
    const std::string square = R"(points="0.005,0.005 2.005,0.005 2.005,2.005 0.005,2.005" dx="1" dy="1")";
    auto curve = readAs<PcbCutoutCurve>(R"(<pcbCutoutCurve closed="true" )" + square + "/>");
    Canvas second;
    second.draw(*curve);
    EXPECT_TRUE(isBlack(second.at(2, 2)));
    EXPECT_TRUE(isWhite(second.at(3.005, 2)));
    EXPECT_EQ(second.at(0.5, 0.5), kPaper);
    // An open one is only stroked.
    auto open = readAs<PcbCutoutCurve>("<pcbCutoutCurve " + square + "/>");
    Canvas third;
    third.draw(*open);
    EXPECT_EQ(third.at(2, 2), kPaper);
    EXPECT_TRUE(isWhite(third.at(3.005, 2)));
    EXPECT_EQ(third.at(1.005, 2), kPaper); // the open side
}

// ---------------------------------------------------------------------------
// Holes and V-cuts

TEST(PcbHoles, ReadingAndBox)
{
    auto hole = readAs<PcbHole>(R"(<pcbHole at="1,2" holeDiameter="0.125" layer="3" copperPourGap="0.01"
        useCopperPourGap="True" addedByPcbBorder="true" penWidth="0.2"/>)");
    ASSERT_TRUE(hole);
    expectRect(hole->rectangle, 0.9375, 1.9375, 0.125, 0.125);
    EXPECT_EQ(hole->layerIndex, -2);
    EXPECT_EQ(hole->copperPourGap, 0.01);
    EXPECT_FALSE(hole->useCopperPourGap);
    EXPECT_TRUE(hole->addedByPcbBorder);
    EXPECT_EQ(hole->pen.width, 0.0); // not read
    EXPECT_EQ(hole->pen.color, QColor(255, 255, 255));

    // Without a diameter the rectangle collapses to the centre; without "at"
    // the centre is the origin, whatever the entity held.
    auto dot = readAs<PcbHole>(R"(<pcbHole at="1,2"/>)");
    expectRect(dot->rectangle, 1, 2, 0, 0);
    pugi::xml_document doc = parseXml(R"(<pcbHole holeDiameter="0.5"/>)");
    dot->readXML(doc.first_child());
    EXPECT_EQ(dot->modelSpacePosition, QPointF(0, 0));
    expectRect(dot->rectangle, -0.25, -0.25, 0.5, 0.5);

    // The box is the rectangle under the placement, not widened for the pen.
    auto placed = measured(readAs<PcbHole>(R"(<pcbHole at="1,0" holeDiameter="0.2" m11="0" m12="1" m21="-1" m22="0" dx="1"/>)"));
    expectBox(placed->boundingBox, 0.9, 0.9, 1.1, 1.1);

    auto cut = readAs<VCut>(R"(<vCut end="3,1" layer="5"/>)");
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->start, QPointF(0, 0));
    EXPECT_EQ(cut->end, QPointF(3, 1));
    EXPECT_EQ(cut->layerIndex, 5);
    doc = parseXml(R"(<vCut start="1,1" end="bad"/>)");
    cut->readXML(doc.first_child());
    EXPECT_EQ(cut->start, QPointF(1, 1));
    EXPECT_EQ(cut->end, QPointF(3, 1)); // an unreadable point keeps its value
    measured(cut);
    EXPECT_FALSE(cut->boundingBox.valid);
}

TEST(PcbHoles, HoleIsABlackDiscWithAOnePixelOutline)
{
    auto hole = measured(readAs<PcbHole>(R"(<pcbHole at="1,1.005" holeDiameter="1" dx="1"/>)"));
    Canvas canvas;
    canvas.draw(*hole);
    EXPECT_EQ(canvas.at(2, 1), QColor(0, 0, 0));
    EXPECT_TRUE(isWhite(canvas.at(2, 1.505)));
    EXPECT_EQ(canvas.at(2, 1.53), kPaper);
    EXPECT_EQ(canvas.at(1, 1), kPaper);
    // In a layer-coloured pass the disc takes the layer colour.
    Canvas layered;
    layered.g->useLayerColor = true;
    layered.g->layerColor = QColor(0, 200, 0);
    layered.draw(*hole);
    EXPECT_EQ(layered.at(2, 1), QColor(0, 200, 0));

    // A V-cut draws nothing, selected or not: its box stays empty.
    auto cut = measured(readAs<VCut>(R"(<vCut start="0,1" end="4,1"/>)"));
    cut->selected = true;
    Canvas blank;
    blank.draw(*cut);
    EXPECT_EQ(blank.at(2, 1), kPaper);
}

// ---------------------------------------------------------------------------
// Fiducials, Gerber flashes, mask openings

TEST(FabricationMarks, FiducialAndGerberFlashKeepTheirData)
{
    auto f = readAs<Fiducial>(R"(<fiducial at="1,1" holeDiameter="0.04" outerDiameter="0.12" name="FID1"
        twoSided="true" addedByPcbBorder="false" alignment="topLeft" layer="5" penWidth="0.3"/>)");
    ASSERT_TRUE(f);
    expectRect(f->rectangle, 0.98, 0.98, 0.04, 0.04);
    expectRect(f->outerRectangle, 0.94, 0.94, 0.12, 0.12);
    EXPECT_EQ(f->name, "FID1");
    EXPECT_TRUE(f->twoSided);
    EXPECT_FALSE(f->addedByPcbBorder);
    EXPECT_EQ(f->nameAligned, ContentAlignment::topLeft);
    EXPECT_EQ(f->layerIndex, 5);
    EXPECT_EQ(f->pen.width, 0.0);

    Fiducial fresh(nullptr);
    EXPECT_FALSE(fresh.nameAligned.has_value());
    auto plain = readAs<Fiducial>(R"(<fiducial/>)");
    EXPECT_EQ(plain->nameAligned, ContentAlignment::middleCenter);
    EXPECT_EQ(readAs<Fiducial>(R"(<fiducial alignment="MiddleLeft"/>)")->nameAligned, ContentAlignment::middleCenter);
    EXPECT_EQ(Fiducial::defaultNameAligned, ContentAlignment::middleRight);
    // A missing name keeps the one held.
    pugi::xml_document doc = parseXml(R"(<fiducial at="2,2"/>)");
    f->readXML(doc.first_child());
    EXPECT_EQ(f->name, "FID1");
    EXPECT_EQ(f->modelSpacePosition, QPointF(2, 2));
    EXPECT_EQ(f->nameAligned, ContentAlignment::middleCenter);

    auto flash = readAs<GerberFlash>(R"(<gerberFlash modelSpacePosition="1,2" name="Logo" round="true" crossHairThickness="0.01"
        addThermalRelief="yes" holeDiameter="0.02" roundness="0.5" size="0.1,0.2" layer="6"/>)");
    ASSERT_TRUE(flash);
    EXPECT_EQ(flash->modelSpacePosition, QPointF(1, 2));
    EXPECT_EQ(flash->name, "Logo");
    EXPECT_TRUE(flash->round);
    EXPECT_EQ(flash->crossHairThickness, 0.01);
    EXPECT_FALSE(flash->addThermalRelief);
    EXPECT_EQ(flash->holeDiameter, 0.02);
    EXPECT_EQ(flash->roundness, 0.5);
    EXPECT_EQ(flash->size, QSizeF(double(0.1f), double(0.2f)));
    EXPECT_EQ(flash->layerIndex, 6);
    doc = parseXml(R"(<gerberFlash roundness="x"/>)");
    flash->readXML(doc.first_child());
    EXPECT_EQ(flash->size, QSizeF(double(0.1f), double(0.2f)));
    EXPECT_EQ(flash->modelSpacePosition, QPointF(1, 2));
    EXPECT_EQ(flash->name, "Logo");
    EXPECT_EQ(flash->roundness, 0.5);

    // Neither has a box nor draws anything, selected or not.
    measured(f);
    measured(flash);
    EXPECT_FALSE(f->boundingBox.valid);
    EXPECT_FALSE(flash->boundingBox.valid);
    f->selected = flash->selected = true;
    Canvas canvas;
    canvas.draw(*f).draw(*flash);
    canvas.finish();
    for (int y = 0; y < canvas.image.height(); y += 7)
        for (int x = 0; x < canvas.image.width(); x += 7)
            ASSERT_EQ(canvas.image.pixelColor(x, y), kPaper);
}

TEST(FabricationMarks, NoMaskIsTranslucentRed)
{
    auto mask = measured(readAs<NoMask>(R"(<noMask x="1" y="1" width="2" height="2" brushColor="0,0,255" penColor="255,255,0"
        penWidth="0.02" addSolderPaste="true" layer="5"/>)"));
    ASSERT_TRUE(mask);
    EXPECT_EQ(mask->brush().color.redF(), 1.0);
    EXPECT_EQ(mask->brush().color.blueF(), 0.0);
    EXPECT_NEAR(mask->brush().color.alphaF(), 0.1, 0.001);
    EXPECT_TRUE(mask->addSolderPaste);
    EXPECT_EQ(mask->layerIndex, 5);
    expectBox(mask->boundingBox, 1, 1, 3, 3);

    Canvas canvas;
    canvas.g->drawingPcb = false;
    canvas.draw(*mask);
    const QColor inside = canvas.at(2, 2);
    // A tenth of red over the paper: redder, a little less blue, no blue added.
    EXPECT_NEAR(inside.red(), 30 + 0.1 * (255 - 30), 2);
    EXPECT_NEAR(inside.blue(), 120 * 0.9, 2);
    EXPECT_EQ(canvas.at(2, 0.995), QColor(255, 255, 0)); // the pen outline
    EXPECT_EQ(canvas.at(0.5, 0.5), kPaper);
}

// ---------------------------------------------------------------------------
// Mouse bites

TEST(MouseBites, ParametersAreLazyAndReadWhole)
{
    MouseByteParameters fresh;
    EXPECT_FALSE(fresh.isMaximumMouserBiteSeparationSet());
    EXPECT_EQ(fresh.maximumMouserBiteSeparation(), 2.952755905511811);
    EXPECT_TRUE(fresh.isMaximumMouserBiteSeparationSet());

    auto bite = readAs<MouseBite>(R"(<mouseBite/>)");
    ASSERT_TRUE(bite);
    MouseByteParameters& p = bite->mouseByteParameters;
    EXPECT_TRUE(p.isNumberOfHolesSet());
    EXPECT_TRUE(p.isHoleDiameterSet());
    EXPECT_TRUE(p.isHoleSpacingSet());
    EXPECT_TRUE(p.isMaximumMouserBiteSeparationSet());
    EXPECT_EQ(p.numberOfHoles(), 5);
    EXPECT_EQ(p.holeDiameter(), 0.0);
    EXPECT_EQ(p.holeSpacing(), 0.0);
    EXPECT_EQ(p.maximumMouserBiteSeparation(), 2.952755905511811);

    for (const char* text : {" 1.5", "1.5mm", "nan", "1e999"}) {
        auto b = readAs<MouseBite>(std::string(R"(<mouseBite maximumMouserBiteSeparation=")") + text + R"("/>)");
        EXPECT_EQ(b->mouseByteParameters.maximumMouserBiteSeparation(), 2.952755905511811) << text;
    }
    auto full = readAs<MouseBite>(R"(<mouseBite at="1,2" numberOfHoles="7" holeDiameter="0.02" holeSpacing="0.03"
        maximumMouserBiteSeparation="1.5"/>)");
    EXPECT_EQ(full->position, QPointF(1, 2));
    EXPECT_EQ(full->mouseByteParameters.numberOfHoles(), 7);
    EXPECT_EQ(full->mouseByteParameters.holeDiameter(), 0.02);
    EXPECT_EQ(full->mouseByteParameters.holeSpacing(), 0.03);
    EXPECT_EQ(full->mouseByteParameters.maximumMouserBiteSeparation(), 1.5);
    // Missing or unreadable values keep what was read before.
    pugi::xml_document doc = parseXml(R"(<mouseBite numberOfHoles="99999999999" holeSpacing="x"/>)");
    full->readXML(doc.first_child());
    EXPECT_EQ(full->position, QPointF(1, 2));
    EXPECT_EQ(full->mouseByteParameters.numberOfHoles(), 7);
    EXPECT_EQ(full->mouseByteParameters.holeSpacing(), 0.03);
}

TEST(MouseBites, HolesAreKeptButTakePartInNothing)
{
    Design design;
    const std::string file = R"(<qel version="12"><design><pcb><entities>
        <mouseBite at="2,3" layer="-2"><entities>
          <mouseBiteHole at="1,2" holeDiameter="0.02" index="4" layer="-2"/>
          <mouseBiteHole at="1.5,2" index="x"/>
          <pcbHole at="1,1" holeDiameter="0.5"/>
        </entities></mouseBite>
        </entities></pcb></design></qel>)";
    ASSERT_TRUE(design.loadFromBytes(QByteArray::fromStdString(file), "bite.project"));
    PCB& pcb = *design.currentDesignState()->pcb;
    pcb.updateGeometry();
    ASSERT_EQ(pcb.entityList.entities.size(), 1u);
    auto bite = std::dynamic_pointer_cast<MouseBite>(pcb.entityList.entities[0]);
    ASSERT_TRUE(bite);
    EXPECT_EQ(bite->holder(), nullptr);
    ASSERT_EQ(bite->entities.entities.size(), 3u);
    auto hole = std::dynamic_pointer_cast<MouseBiteHole>(bite->entities.entities[0]);
    ASSERT_TRUE(hole);
    EXPECT_EQ(hole->index, 4);
    expectRect(hole->rectangle, 0.99, 1.99, 0.02, 0.02);
    auto bare = std::dynamic_pointer_cast<MouseBiteHole>(bite->entities.entities[1]);
    EXPECT_EQ(bare->index, 0);
    expectRect(bare->rectangle, 1.5, 2, 0, 0);
    EXPECT_EQ(bare->pen.color, QColor(255, 255, 255));

    // Not a holder: the children are neither measured, collected nor drawn.
    EXPECT_FALSE(bite->boundingBox.valid);
    EXPECT_FALSE(bite->entities.entities[2]->boundingBox.valid);
    std::vector<std::shared_ptr<PcbHole>> holes;
    pcb.entityList.collect(holes);
    EXPECT_TRUE(holes.empty());

    bite->selected = hole->selected = true;
    hole->updateGeometry(std::nullopt, nullptr);
    EXPECT_FALSE(hole->boundingBox.valid);
    Canvas canvas;
    canvas.g->currentLayer = -2;
    pcb.entityList.draw(*canvas.g);
    canvas.draw(*hole);
    EXPECT_EQ(canvas.at(1, 1), kPaper);
    EXPECT_EQ(canvas.at(1, 2), kPaper);
}

// ---------------------------------------------------------------------------
// Names, editors and the sheet

TEST(FabricationEditors, TypeNamesAndTitles)
{
    struct Case {
        const char* xml;
        const char* typeName;
        const char* title;
    };
    const Case cases[] = {
        {"<pcbCutoutArc/>", "Pcb Cutout Arc", "PCB Cutout Arc"},
        {"<pcbCutoutCurve/>", "Pcb Cutout Curve", "PCB Cutout Curve"},
        {"<pcbCutoutPolyLine/>", "Pcb Cutout PolyLine", "PCB Cutout Polyline"},
        {"<pcbCutout/>", "Pcb Cutout Shape", "PCB Cutout Shape"},
        {"<pcbHole/>", "Pcb Hole", "PCB Hole"},
        {"<vCut/>", "VCut", "V-Cut"},
        {"<fiducial/>", "Fiducial", "Fiducial"},
        {"<gerberFlash/>", "Gerber Flash", "Gerber Flash"},
        {"<noMask/>", "No Mask", "No Mask"},
        {"<mouseBite/>", "Mouse-Bite", "Mouse Bite"},
        {"<mouseBiteHole/>", "Mouse-Bite Hole", "Mouse Bite Hole"},
    };
    for (const Case& c : cases) {
        auto e = readAs<Entity>(c.xml);
        ASSERT_TRUE(e) << c.xml;
        EXPECT_EQ(e->typeName(), c.typeName);
        std::unique_ptr<QWidget> editor(editorFor(e));
        auto* frame = dynamic_cast<FrameEditor*>(editor.get());
        ASSERT_TRUE(frame) << c.xml;
        EXPECT_EQ(frame->title(), c.title);
        EXPECT_TRUE(showsLabel(frame, "No editable parameters")) << c.xml;
    }
    auto arc = readAs<PcbCutoutArc>("<pcbCutoutArc/>");
    std::unique_ptr<QWidget> editor(editorFor(arc));
    EXPECT_EQ(static_cast<PcbCutoutArcEditor*>(editor.get())->pcbCutoutArc, arc);
    auto bite = readAs<MouseBite>("<mouseBite/>");
    std::unique_ptr<QWidget> biteEditor(editorFor(bite));
    EXPECT_EQ(static_cast<MouseBiteEditor*>(biteEditor.get())->mouseBite, bite);
}

TEST(FabricationSheet, TestDesignDrawsInItsPasses)
{
    Design design;
    ASSERT_TRUE(loadFabrication(design));
    PCB& pcb = *design.currentDesignState()->pcb;
    pcb.updateGeometry();
    int cutouts = 0, holes = 0, marks = 0;
    for (const auto& e : pcb.entityList.entities) {
        cutouts += dynamic_cast<PcbCutoutArc*>(e.get()) || dynamic_cast<PcbCutoutCurve*>(e.get())
            || dynamic_cast<PcbCutoutPolyLine*>(e.get()) || dynamic_cast<PcbCutoutShape*>(e.get());
        holes += dynamic_cast<PcbHole*>(e.get()) != nullptr;
        marks += dynamic_cast<Fiducial*>(e.get()) || dynamic_cast<GerberFlash*>(e.get()) || dynamic_cast<NoMask*>(e.get())
            || dynamic_cast<MouseBite*>(e.get()) || dynamic_cast<VCut*>(e.get());
    }
    EXPECT_EQ(cutouts, 5);
    EXPECT_EQ(holes, 2);
    EXPECT_EQ(marks, 5);

    // The board's mounting holes are the border's children, drawn in the hole
    // pass over the board fill: black. A hole of the sheet is drawn in the
    // board-border pass, and the board fill leaves it open: black as well,
    // while the mask tints the board beside it.
    auto render = [&pcb] {
        QImage image(500, 400, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        QPainter painter(&image);
        painter.setTransform(QTransform(100, 0, 0, -100, 50, 350));
        {
            DrawingContext context(painter);
            Graphics g(context);
            pcb.draw(g);
        }
        painter.end();
        return image;
    };
    auto at = [](const QImage& image, double x, double y) { return image.pixelColor(int(50 + x * 100), int(350 - y * 100)); };
    QImage image = render();
    EXPECT_EQ(at(image, 0.2, 0.2), QColor(0, 0, 0));
    EXPECT_EQ(at(image, 1.0, 1.9), QColor(0, 0, 0));
    const QColor underMask = at(image, 1.0, 1.75);
    EXPECT_GT(underMask.green(), 40);
    EXPECT_LT(underMask.red(), 10);

    pcb.pcbSettings.showHoles = false;
    image = render();
    EXPECT_NE(at(image, 0.2, 0.2), QColor(0, 0, 0)); // no hole pass: the board shows
    // The cutout polyline is placed on layer -2 and drawn without the top
    // copper pass; with the mask hidden its black line shows as it is.
    pcb.layerList.layers[4]->visible = false;
    pcb.layerList.layers[5]->visible = false;
    image = render();
    EXPECT_EQ(at(image, 1.0, 1.9), QColor(0, 0, 0));
    EXPECT_TRUE(isBlack(at(image, 1.4, 2.0)));
    // The arc on layer 5 is gone with its layer.
    EXPECT_NE(at(image, 3.0, 2.5), QColor(255, 160, 0));
    pcb.layerList.layers[5]->visible = true;
    image = render();
    EXPECT_EQ(at(image, 3.0, 2.5), QColor(255, 160, 0));
}

TEST(FabricationSheet, ExtremeNumbersDrawWithoutHarm)
{
    const char* elements[] = {
        R"(<pcbCutoutArc center="1e38,-1e38" radius="3e38,3e38" startAngle="-3e38" endAngle="3e38" penWidth="1e300"/>)",
        R"(<pcbCutoutArc center="1,1" radius="-1,-2" startAngle="0" endAngle="90"/>)",
        R"(<pcbCutoutPolyLine><vertices><vertex at="3e38,3e38"/><vertex at="-3e38,0"/><vertex at="nan,1"/></vertices></pcbCutoutPolyLine>)",
        R"(<pcbCutoutCurve closed="true" style="smooth" points="3e38,3e38 -3e38,0 0,-3e38"/>)",
        R"(<pcbCutout x="-3e38" y="-3e38" width="3e38" height="3e38" roundness="1"/>)",
        R"(<pcbHole at="1e38,1e38" holeDiameter="1e308"/>)",
        R"(<pcbHole at="1,1" holeDiameter="-0.5"/>)",
        R"(<noMask curveType="ellipse" x="0" y="0" width="1e38" height="-1e38"/>)",
        R"(<mouseBiteHole at="3e38,3e38" holeDiameter="1e308" index="-2147483648"/>)",
    };
    for (const char* xml : elements) {
        auto e = readAs<Entity>(xml);
        ASSERT_TRUE(e) << xml;
        e->updateGeometry(std::nullopt, nullptr);
        e->selected = true;
        Canvas canvas;
        canvas.draw(*e);
        canvas.finish();
        picks(*e, QPointF(1, 1));
    }
}

TEST(FabricationSheet, FramesInBandsLeaveTheCutoutsAsTheyAre)
{
    Design design;
    ASSERT_TRUE(loadFabrication(design));
    PCB& pcb = *design.currentDesignState()->pcb;
    // The polyline's pen as an edit leaves it: drawing, which draws it black
    // on a white halo, must not change it.
    PcbCutoutPolyLine* poly = nullptr;
    for (const auto& e : pcb.entityList.entities)
        if (auto* p = dynamic_cast<PcbCutoutPolyLine*>(e.get()))
            poly = p;
    ASSERT_TRUE(poly);
    poly->pen.color = QColor(255, 0, 0);
    poly->pen.width = 0.02;
    pcb.updateGeometry();

    FrameRenderer::Frame frame;
    frame.view = QTransform(150, 0, 0, -150, 20, 460);
    frame.size = QSizeF(640, 480);
    frame.pcb = true;
    const QImage one = FrameRenderer(1).render(pcb, frame);
    // Frames in eight bands on as many threads, again and again: each is the
    // frame of one band, pixel for pixel.
    int differing = 0;
    for (int i = 0; i < 20; ++i)
        differing += FrameRenderer(8).render(pcb, frame) != one;
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(poly->pen.color, QColor(255, 0, 0));
    EXPECT_EQ(poly->pen.width, 0.02);
    EXPECT_EQ(FrameRenderer(1).render(pcb, frame), one);
}
