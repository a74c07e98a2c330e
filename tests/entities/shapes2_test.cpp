#include "EntityTestSupport.h"
#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "editors/EditorTestSupport.h"
#include "editors/ExtrusionEditor.h"
#include "editors/FillEditor.h"
#include "editors/Header.h"
#include "editors/NumberField.h"
#include "editors/ParameterEditors.h"
#include "editors/PenEditor.h"
#include "entities/drawing/Arc.h"
#include "entities/drawing/Curve.h"
#include "entities/drawing/Ellipse.h"
#include "entities/drawing/Polyline.h"
#include "model/EntityFactory.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QSettings>
#include <cmath>
#include <memory>

namespace {

// An image seen through a y-up view: `scale` pixels per inch, model (0, 0) at
// the bottom-left corner of the image.
struct Canvas : ModelCanvas {
    explicit Canvas(double scale = 20, QSize size = QSize(200, 200)) : ModelCanvas(QPointF(0, 0), scale, size) {}
};

// Draws the entity in pick mode for the device pixel under a model point, in
// a view of `scale` pixels per inch; true when it is hit.
bool picks(Entity& e, QPointF model, double scale = 100)
{
    return picksThrough(devicePixelUnder(model, scale, 1000), e);
}

// A 45-degree turn about the origin in the file's matrix attributes.
const char* turn45 = R"( m11="0.70710678" m12="0.70710678" m21="-0.70710678" m22="0.70710678" )";

} // namespace

// ---------------------------------------------------------------------------
// Polyline

TEST(Polyline, EveryElementNameMakesAPolylineClosedUnlessToldOtherwise)
{
    for (const char* name : {"polyLine", "polyLineOpen", "polyline", "polygon", "polyShape", "polyShapeOpen"}) {
        auto p = readAs<Polyline>(std::string("<") + name + R"(><vertex at="1,2"/><vertex at="3,4"/></)" + name + ">");
        ASSERT_TRUE(p) << name;
        EXPECT_TRUE(p->polygonWithArcs.closed) << name; // the name sets nothing
        EXPECT_EQ(p->typeName(), "Polyline");
        ASSERT_EQ(p->vertices.points.size(), 2u);
        EXPECT_EQ(p->polygonWithArcs.points[1], QPointF(3, 4));
    }
    EXPECT_FALSE(readAs<Polyline>(R"(<polyLine closed="false"/>)")->polygonWithArcs.closed);
    EXPECT_FALSE(readAs<Polyline>(R"(<polyLine closed="True"/>)")->polygonWithArcs.closed);

    auto p = readAs<Polyline>(R"(<polyShape extrusionBase="0.5" extrusionHeight=" 1" doNotOptimize="true"
        doNotBlockRouting="TRUE" signalName="VCC" fillet="true" radius="0.02" brushColor="1,2,3" penWidth="0.03">
          <vertex at="0,0" center="5,5" reverse="true"/>
          <vertex at="1,0" arc="true" center="1,-1" reverse="true"/>
          <other at="9,9"/>
          <vertex at="2,-1" arc="yes"/>
        </polyShape>)");
    EXPECT_EQ(p->extrusionBase, 0.5);
    EXPECT_EQ(p->extrusionHeight, 0); // leading blank: not a number
    EXPECT_TRUE(p->doNotOptimize);
    EXPECT_FALSE(p->doNotBlockRouting); // exact, case-sensitive "true"
    EXPECT_EQ(p->signalName, "VCC");
    EXPECT_TRUE(p->filletParameters.enabled);
    EXPECT_EQ(p->filletParameters.radius(), double(0.02f));
    EXPECT_EQ(p->brush.color, QColor(1, 2, 3));
    EXPECT_EQ(p->pen.width, 0.03);
    const auto& v = p->polygonWithArcs.vertices;
    ASSERT_EQ(v.size(), 3u); // other children skipped
    EXPECT_FALSE(v[0].isArc);
    EXPECT_FALSE(v[0].arCenter); // a centre is kept only for an arc
    EXPECT_TRUE(v[0].reverse);
    EXPECT_TRUE(v[1].isArc);
    ASSERT_TRUE(v[1].arCenter);
    EXPECT_EQ(*v[1].arCenter, QPointF(1, -1));
    EXPECT_FALSE(v[2].isArc);
    EXPECT_FALSE(v[1].arcParameters); // fitted only by the geometry pass
}

TEST(Polyline, TangentArcsFollowTheIncomingSegment)
{
    // Turning right: centre below the segment, a quarter circle.
    auto right = CreateArcParameters::tangentArc(QPointF(0, 0), QPointF(1, 0), QPointF(2, -1));
    ASSERT_TRUE(right);
    expectPoint(right->center, QPointF(1, -1));
    EXPECT_NEAR(right->radius, 1, 1e-12);
    EXPECT_NEAR(right->startAngleInDegrees, 0, 1e-9);
    EXPECT_NEAR(right->endAngleInDegrees, 90, 1e-9);

    // Turning left: centre above.
    auto left = CreateArcParameters::tangentArc(QPointF(0, 0), QPointF(1, 0), QPointF(2, 1));
    ASSERT_TRUE(left);
    expectPoint(left->center, QPointF(1, 1));
    EXPECT_NEAR(left->startAngleInDegrees, -90, 1e-9);
    EXPECT_NEAR(left->endAngleInDegrees, 0, 1e-9);

    // Coincident or collinear points make no arc.
    EXPECT_FALSE(CreateArcParameters::tangentArc(QPointF(0, 0), QPointF(1, 0), QPointF(1, 0)));
    EXPECT_FALSE(CreateArcParameters::tangentArc(QPointF(1, 0), QPointF(1, 0), QPointF(2, 2)));
    EXPECT_FALSE(CreateArcParameters::tangentArc(QPointF(0, 0), QPointF(1, 0), QPointF(3, 0)));
    // Turning straight back: the circle would be infinite.
    EXPECT_FALSE(CreateArcParameters::tangentArc(QPointF(0, 0), QPointF(1, 0), QPointF(-3, 0)));
    EXPECT_FALSE(CreateArcParameters::tangentArc(QPointF(0, 0), QPointF(1, 0), QPointF(-3, 1e-14)));
    EXPECT_FALSE(CreateArcParameters::tangentArc(QPointF(0, 0), QPointF(1e-3, 1e-20), QPointF(3e38, 1e-30)));
}

TEST(Polyline, ArcsRunClockwiseFromTheirVertexToTheNext)
{
    // Quarter turn: from (1, 0) about (1, -1) down to (2, -1).
    auto quarter = readAs<Polyline>(R"(<polyline closed="false">
        <vertex at="0,0"/><vertex at="1,0" arc="true"/><vertex at="2,-1"/></polyline>)");
    quarter->updateGeometry(std::nullopt, nullptr);
    const auto& arc = quarter->polygonWithArcs.vertices[1].arcParameters;
    ASSERT_TRUE(arc);
    // Anchored: the start angle points at the next vertex, the end at its own.
    EXPECT_NEAR(arc->startAngleInDegrees, 0, 1e-9);
    EXPECT_NEAR(arc->endAngleInDegrees, 90, 1e-9);
    ASSERT_TRUE(quarter->polygonWithArcs.graphicsPath);
    expectRect(quarter->polygonWithArcs.graphicsPath->boundingRect(), QRectF(0, -1, 2, 1), 1e-6);

    // Turning left, the clockwise arc is three quarters of the circle about
    // (1, 1), reaching (0, 1) and (1, 2); the box holds the vertices only.
    auto major = readAs<Polyline>(R"(<polyline closed="false" penColor="0,0,0,0">
        <vertex at="0,0"/><vertex at="1,0" arc="true"/><vertex at="2,1"/></polyline>)");
    major->updateGeometry(std::nullopt, nullptr);
    ASSERT_TRUE(major->polygonWithArcs.graphicsPath);
    expectRect(major->polygonWithArcs.graphicsPath->boundingRect(), QRectF(0, 0, 2, 2), 1e-6);
    expectBox(major->boundingBox, QPointF(0, 0), QPointF(2, 1), 1e-6);

    // A next vertex on the arc vertex itself: a straight segment, still drawn
    // as a path since the vertex is marked as an arc.
    auto straight = readAs<Polyline>(R"(<polyline closed="false">
        <vertex at="0,0"/><vertex at="1,0" arc="true"/><vertex at="1,0"/></polyline>)");
    straight->updateGeometry(std::nullopt, nullptr);
    EXPECT_FALSE(straight->polygonWithArcs.vertices[1].arcParameters);
    ASSERT_TRUE(straight->polygonWithArcs.graphicsPath);
    expectRect(straight->polygonWithArcs.graphicsPath->boundingRect(), QRectF(0, 0, 1, 0), 1e-6);

    // No arc anywhere: no path.
    auto plain = readAs<Polyline>(R"(<polyline><vertex at="0,0"/><vertex at="1,0"/><vertex at="1,1"/></polyline>)");
    plain->updateGeometry(std::nullopt, nullptr);
    EXPECT_FALSE(plain->polygonWithArcs.graphicsPath);
}

TEST(Polyline, ArcAfterArcContinuesThePreviousCircleAndRepeatedPassesAgree)
{
    // The second arc starts on the first one's circle: its circle touches it
    // at (2, -1) and passes through (3, -1).
    auto s = readAs<Polyline>(R"(<polyline closed="false">
        <vertex at="0,0"/><vertex at="1,0" arc="true"/><vertex at="2,-1" arc="true"/><vertex at="3,-1"/></polyline>)");
    s->updateGeometry(std::nullopt, nullptr);
    const auto& second = s->polygonWithArcs.vertices[2].arcParameters;
    ASSERT_TRUE(second);
    expectPoint(second->center, QPointF(2.5, -1));
    EXPECT_NEAR(second->radius, 0.5, 1e-12);

    // A closed slot ordered clockwise: two half circles bulging outwards.
    auto slot = readAs<Polyline>(R"(<polyShape>
        <vertex at="6,4"/><vertex at="7.5,4" arc="true"/><vertex at="7.5,3"/><vertex at="6,3" arc="true"/></polyShape>)");
    slot->updateGeometry(std::nullopt, nullptr);
    const QPainterPath first = *slot->polygonWithArcs.graphicsPath;
    expectRect(first.boundingRect(), QRectF(5.5, 3, 2.5, 1), 1e-6);
    slot->updateGeometry(std::nullopt, nullptr);
    EXPECT_EQ(*slot->polygonWithArcs.graphicsPath, first);
}

TEST(Polyline, ArrowEndsOfAnOpenChainArePulledIn)
{
    auto p = readAs<Polyline>(R"(<polyLine closed="false" penWidth="0.01" startCap="arrowAnchor">
        <vertex at="0,0"/><vertex at="1,0"/></polyLine>)");
    ASSERT_TRUE(p->originalStart && p->originalEnd);
    EXPECT_EQ(*p->originalStart, QPointF(0, 0));
    EXPECT_EQ(*p->originalEnd, QPointF(1, 0));
    expectPoint(p->polygonWithArcs.points.front(), QPointF(0.017, 0));
    EXPECT_EQ(p->polygonWithArcs.points.back(), QPointF(1, 0));
    p->updateGeometry(std::nullopt, nullptr);
    // Built from the inset start, then grown by half the pen width.
    expectBox(p->boundingBox, QPointF(0.012, -0.005), QPointF(1.005, 0.005), 1e-6);
    ASSERT_TRUE(p->pen.startCapGraphics());
    EXPECT_EQ(p->pen.startCapGraphics()->point, QPointF(0, 0));
    EXPECT_NEAR(p->pen.startCapGraphics()->angle, M_PI, 1e-12); // pointing out of the line

    // The end inset follows the last segment.
    auto end = readAs<Polyline>(R"(<polyLine closed="false" penWidth="0.1" endCap="arrowAnchor">
        <vertex at="0,0"/><vertex at="1,0"/><vertex at="1,2"/></polyLine>)");
    expectPoint(end->polygonWithArcs.points.back(), QPointF(1, 2 - 0.17));
    EXPECT_EQ(end->vertices.points.back(), QPointF(1, 2)); // the box keeps the true end

    // A closed chain draws no decorations, so its corners stay where they are.
    auto closed = readAs<Polyline>(R"(<polygon penWidth="0.01" startCap="arrowAnchor" endCap="arrowAnchor">
        <vertex at="0,0"/><vertex at="1,0"/><vertex at="1,1"/></polygon>)");
    EXPECT_EQ(closed->polygonWithArcs.points.front(), QPointF(0, 0));
    EXPECT_EQ(closed->polygonWithArcs.points.back(), QPointF(1, 1));

    // Ends without a direction get no inset and no arrow.
    auto still = readAs<Polyline>(R"(<polyLine closed="false" startCap="arrowAnchor" endCap="arrowAnchor">
        <vertex at="2,2"/><vertex at="2,2"/></polyLine>)");
    EXPECT_EQ(still->polygonWithArcs.points.front(), QPointF(2, 2));
    still->updateGeometry(std::nullopt, nullptr);
    EXPECT_FALSE(still->pen.startCapGraphics());
    EXPECT_FALSE(still->pen.endCapGraphics());
}

TEST(Polyline, OpenChainsAreStrokedWithDecorationsClosedOnesFilled)
{
    const std::string chain = R"(penWidth="0.1" penColor="0,0,255" brushColor="255,0,0" endCap="arrowAnchor">
        <vertex at="1,1"/><vertex at="5,1"/><vertex at="5,5"/></polyline>)";
    auto open = readAs<Polyline>(R"(<polyline closed="false" )" + chain);
    open->updateGeometry(std::nullopt, nullptr);
    Canvas o;
    open->draw(*o.g);
    o.done();
    EXPECT_EQ(o.at(QPointF(3, 1)), QColor(0, 0, 255));
    EXPECT_EQ(o.at(QPointF(4, 2)).alpha(), 0); // not filled
    EXPECT_EQ(o.at(QPointF(5.15, 4.5)), QColor(0, 0, 255)); // the arrow beside the stroke

    auto closed = readAs<Polyline>(R"(<polyline closed="true" )" + chain);
    closed->updateGeometry(std::nullopt, nullptr);
    Canvas c;
    closed->draw(*c.g);
    c.done();
    EXPECT_EQ(c.at(QPointF(4, 2)), QColor(255, 0, 0));
    EXPECT_GT(c.at(QPointF(3, 3)).blue(), 150); // the closing edge
    EXPECT_EQ(c.at(QPointF(5.15, 4.5)).alpha(), 0); // no decoration

    // An open chain with an arc is filled by its brush (solid black by default).
    auto arced = readAs<Polyline>(R"(<polyline closed="false" penColor="0,0,0,0">
        <vertex at="1,5"/><vertex at="5,5" arc="true"/><vertex at="8,2"/></polyline>)");
    arced->updateGeometry(std::nullopt, nullptr);
    Canvas a;
    arced->draw(*a.g);
    a.done();
    // Between the arc and the chord from its end back to the start.
    EXPECT_EQ(a.at(QPointF(5, 4.2)), QColor(0, 0, 0));
    EXPECT_EQ(a.at(QPointF(7, 3.5)), QColor(0, 0, 0));
    EXPECT_EQ(a.at(QPointF(5, 3)).alpha(), 0);
}

TEST(Polyline, NoVerticesDrawsNothingAndPickingDoesNotWiden)
{
    auto empty = readAs<Polyline>(R"(<polyline/>)");
    empty->updateGeometry(std::nullopt, nullptr);
    EXPECT_FALSE(empty->boundingBox.valid);
    empty->selected = true; // not even the selection frame
    empty->boundingBox.addPoint(QPointF(1, 1));
    empty->boundingBox.addPoint(QPointF(5, 5));
    Canvas c;
    empty->draw(*c.g);
    c.done();
    EXPECT_EQ(c.inked(), 0);

    auto thin = readAs<Polyline>(R"(<polyline closed="false" penWidth="0.01">
        <vertex at="1,1"/><vertex at="5,1"/></polyline>)");
    thin->updateGeometry(std::nullopt, nullptr);
    EXPECT_TRUE(picks(*thin, QPointF(3, 1.002)));
    EXPECT_FALSE(picks(*thin, QPointF(3, 1.045)));
}

TEST(Polyline, HostileChainsStayFinite)
{
    // One vertex marked as an arc, huge coordinates, arcs everywhere.
    for (const char* xml : {
             R"(<polyline><vertex at="1,1" arc="true"/></polyline>)",
             R"(<polyline closed="false" startCap="arrowAnchor" endCap="arrowAnchor"><vertex at="1,1" arc="true"/></polyline>)",
             R"(<polyline><vertex at="0,0" arc="true"/><vertex at="1,1" arc="true"/></polyline>)",
             R"(<polyline><vertex at="-3e38,3e38" arc="true"/><vertex at="3e38,-3e38" arc="true"/><vertex at="3e38,3e38" arc="true"/></polyline>)",
             R"(<polyline><vertex at="0,0" arc="true"/><vertex at="1e-30,0" arc="true"/><vertex at="1,1e-30" arc="true"/></polyline>)",
             R"(<polyline><vertex at="0,0" arc="true"/><vertex at="1,0" arc="true"/><vertex at="1,1" arc="true"/><vertex at="0,1" arc="true"/></polyline>)",
         }) {
        auto p = readAs<Polyline>(xml);
        for (int pass = 0; pass < 3; ++pass)
            p->updateGeometry(std::nullopt, nullptr);
        for (const PolyLineVertex& v : p->polygonWithArcs.vertices) {
            if (!v.arcParameters)
                continue;
            EXPECT_TRUE(std::isfinite(v.arcParameters->radius)) << xml;
            EXPECT_TRUE(std::isfinite(v.arcParameters->startAngleInDegrees)) << xml;
        }
        Canvas c;
        p->draw(*c.g);
        c.done();
        picks(*p, QPointF(0.5, 0.5));
    }
}

TEST(Polyline, EditorHasNoParametersButExtrusionPenAndFill)
{
    auto p = readAs<Polyline>(R"(<polyline extrusionBase="0.25"><vertex at="0,0"/><vertex at="1,1"/></polyline>)");
    std::unique_ptr<QWidget> w(editorFor(p));
    auto* editor = dynamic_cast<PolylineEditor*>(w.get());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->title(), "Polyline");
    EXPECT_TRUE(editor->header()->iconName().isEmpty());
    auto* params = editor->findChild<EntityContentEditor*>();
    ASSERT_TRUE(params);
    EXPECT_TRUE(params->isEmpty());
    EXPECT_EQ(params->emptyLabel()->text(), "No editable parameters");
    auto* extrusion = editor->findChild<ExtrusionEditor*>();
    ASSERT_TRUE(extrusion);
    auto* pen = editor->findChild<PenEditor*>();
    ASSERT_TRUE(pen);
    EXPECT_TRUE(editor->findChild<FillEditor*>());
    editor->show();
    EXPECT_EQ(extrusion->baseField()->text(), "0.25");
    RedrawCounter redraws;
    typeAndReturn(pen->widthField(), "0.02");
    EXPECT_EQ(p->pen.width, 0.02);
    EXPECT_EQ(redraws.count, 1);
}

// ---------------------------------------------------------------------------
// Arc

TEST(Arc, ReadingRulesAndAngleReduction)
{
    Arc fresh(nullptr);
    EXPECT_EQ(fresh.radius, QSizeF(1, 1));
    EXPECT_EQ(fresh.typeName(), "Arc");

    auto bare = readAs<Arc>("<arc/>");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->radius, QSizeF(0, 0)); // missing radius reads as (0, 0)
    EXPECT_EQ(bare->center, QPointF(0, 0));
    EXPECT_EQ(bare->startAngleInDegrees, 0);
    EXPECT_EQ(bare->endAngleInDegrees, 0);

    auto a = readAs<Arc>(R"(<arc center="1,2" radius="2,1" startAngle="725" endAngle="720" signalName="GND"
        extrusionBase="0.3" extrusionHeight="x" doNotBlockRouting="true" penWidth="0.02" brushType="radial"/>)");
    EXPECT_EQ(a->center, QPointF(1, 2));
    EXPECT_EQ(a->radius, QSizeF(2, 1));
    EXPECT_EQ(a->startAngleInDegrees, 5);
    EXPECT_EQ(a->endAngleInDegrees, 360);
    EXPECT_EQ(a->signalName, "GND");
    EXPECT_EQ(a->extrusionBase, 0.3);
    EXPECT_EQ(a->extrusionHeight, 0);
    EXPECT_TRUE(a->doNotBlockRouting);
    EXPECT_EQ(a->pen.width, 0.02);
    EXPECT_EQ(a->brush.brushType, BrushType::radial);

    EXPECT_EQ(readAs<Arc>(R"(<arc startAngle="-30" endAngle="360"/>)")->startAngleInDegrees, -30);
    EXPECT_EQ(Arc::reduceAngle(360.5), 0.5);
    EXPECT_EQ(Arc::reduceAngle(-1000), -1000);
    // Far too big to subtract turn by turn: still ends, within one turn.
    const double huge = readAs<Arc>(R"(<arc startAngle="1e300"/>)")->startAngleInDegrees;
    EXPECT_GT(huge, 0);
    EXPECT_LE(huge, 360);
    EXPECT_EQ(Arc::reduceAngle(360.0 * (1 << 20)), 360);
}

TEST(Arc, BoundingBoxIsThatOfTheWholeEllipseFromTwoCorners)
{
    auto a = readAs<Arc>(R"(<arc radius="2,1" startAngle="0" endAngle="10" penColor="0,0,0,0"/>)");
    a->updateGeometry(std::nullopt, nullptr);
    expectBox(a->boundingBox, QPointF(-2, -1), QPointF(2, 1), 1e-6);
    ASSERT_TRUE(a->brush.rectangle);
    EXPECT_EQ(*a->brush.rectangle, QRectF(-2, -1, 4, 2));

    // Without a radius: the centre alone, grown by half the visible pen.
    auto dot = readAs<Arc>(R"(<arc center="1,2" penWidth="0.01"/>)");
    dot->updateGeometry(std::nullopt, nullptr);
    expectBox(dot->boundingBox, QPointF(0.995, 1.995), QPointF(1.005, 2.005), 1e-6);

    // Turned by 45 degrees, only the two mapped corners count.
    auto turned = readAs<Arc>(std::string("<arc radius=\"2,1\" penColor=\"0,0,0,0\"") + turn45 + "/>");
    turned->updateGeometry(std::nullopt, nullptr);
    const double s = std::sqrt(0.5);
    expectBox(turned->boundingBox, QPointF(-s, -3 * s), QPointF(s, 3 * s), 1e-6);
}

TEST(Arc, StrokeRunsCounterClockwiseFromStartToEnd)
{
    auto stroked = [](const char* angles) {
        auto a = readAs<Arc>(std::string(R"(<arc center="5,5" radius="3,3" penWidth="0.2" brushColor="0,0,0,0" )")
                                 + angles + "/>");
        a->updateGeometry(std::nullopt, nullptr);
        auto c = std::make_unique<Canvas>();
        a->draw(*c->g);
        c->done();
        return c;
    };
    auto onCircle = [](double degrees) {
        return QPointF(5 + 3 * std::cos(degrees * M_PI / 180), 5 + 3 * std::sin(degrees * M_PI / 180));
    };

    EXPECT_EQ(stroked(R"(startAngle="0" endAngle="0")")->inked(), 0); // empty arc

    auto full = stroked(R"(startAngle="0" endAngle="360")");
    for (double d : {45.0, 135.0, 225.0, 315.0})
        EXPECT_EQ(full->at(onCircle(d)), QColor(0, 0, 0)) << d;

    auto threeQuarters = stroked(R"(startAngle="90" endAngle="0")");
    EXPECT_EQ(threeQuarters->at(onCircle(45)).alpha(), 0);
    for (double d : {135.0, 180.0, 270.0, 315.0})
        EXPECT_EQ(threeQuarters->at(onCircle(d)), QColor(0, 0, 0)) << d;

    // The radius's height plays no part in drawing.
    auto oval = stroked(R"(radius="3,1" startAngle="0" endAngle="360")");
    EXPECT_EQ(oval->at(onCircle(90)), QColor(0, 0, 0));
    EXPECT_EQ(oval->at(QPointF(5, 6)).alpha(), 0);
}

TEST(Arc, SolidFillCoversTheSegmentGradientTheWiderSlice)
{
    // Three quarters, solid: the segment between the arc and its chord.
    auto solid = readAs<Arc>(R"(<arc center="5,5" radius="3,3" startAngle="90" endAngle="0" penColor="0,0,0,0"
        brushColor="0,160,0"/>)");
    solid->updateGeometry(std::nullopt, nullptr);
    Canvas s;
    solid->draw(*s.g);
    s.done();
    EXPECT_EQ(s.at(QPointF(4, 4)), QColor(0, 160, 0));
    EXPECT_EQ(s.at(QPointF(6, 6)), QColor(0, 160, 0)); // centre side of the chord
    EXPECT_EQ(s.at(QPointF(6.8, 6.8)).alpha(), 0); // beyond the chord

    // A quarter with a gradient: the slice to the centre, reaching half the
    // (transparent) pen's width beyond the arc.
    auto slice = readAs<Arc>(R"(<arc center="5,5" radius="3,3" startAngle="0" endAngle="90" penWidth="0.4"
        penColor="0,0,0,0" brushType="gradient" brushColor="200,0,0" secondColor="200,0,0"/>)");
    slice->updateGeometry(std::nullopt, nullptr);
    Canvas g;
    slice->draw(*g.g);
    g.done();
    const double d = std::sqrt(0.5);
    EXPECT_EQ(g.at(QPointF(5 + d, 5 + d)), QColor(200, 0, 0)); // near the centre
    EXPECT_EQ(g.at(QPointF(5 + 3.1 * d, 5 + 3.1 * d)), QColor(200, 0, 0));
    EXPECT_EQ(g.at(QPointF(5 + 3.3 * d, 5 + 3.3 * d)).alpha(), 0);
    EXPECT_EQ(g.at(QPointF(4, 4)).alpha(), 0); // outside the slice

    // In a layer-coloured pass the solid segment takes the layer colour.
    Canvas l;
    l.g->useLayerColor = true;
    l.g->layerColor = QColor(10, 20, 200);
    solid->draw(*l.g);
    l.done();
    EXPECT_EQ(l.at(QPointF(4, 4)), QColor(10, 20, 200));
}

TEST(Arc, PickingWidensByTenPixelsAndRestoresThePen)
{
    auto a = readAs<Arc>(R"(<arc center="3,3" radius="1,1" startAngle="0" endAngle="180" penWidth="0"
        brushColor="0,0,0,0"/>)");
    a->updateGeometry(std::nullopt, nullptr);
    EXPECT_TRUE(picks(*a, QPointF(3, 4.005)));
    EXPECT_TRUE(picks(*a, QPointF(3, 4.045)));
    EXPECT_FALSE(picks(*a, QPointF(3, 4.12)));
    EXPECT_FALSE(picks(*a, QPointF(3, 1.99))); // the lower half is not drawn
    EXPECT_EQ(a->pen.width, 0);
}

TEST(Arc, EditorShowsTheArcAsReadAndTheRoutingToggleOnSchematics)
{
    QSettings().remove(ArcEditor::extrusionExpandedKey);
    auto a = readAs<Arc>(R"(<arc center="1,2" radius="0.5,0.5" startAngle="10" endAngle="80" extrusionBase="0.3"/>)");
    {
        std::unique_ptr<QWidget> w(editorFor(a));
        auto* editor = dynamic_cast<ArcEditor*>(w.get());
        ASSERT_TRUE(editor);
        EXPECT_EQ(editor->title(), "Arc");
        EXPECT_TRUE(editor->header()->iconName().isEmpty());
        EXPECT_FALSE(editor->routingToggle()); // no schematic sheet
        auto* center = editor->findChild<PointParametersEditor*>();
        auto* radius = editor->findChild<SizeParametersEditor*>();
        auto* angles = editor->findChild<TwoParametersEditor*>();
        auto* extrusion = editor->findChild<ExtrusionEditor*>();
        ASSERT_TRUE(center && radius && angles && extrusion);
        EXPECT_TRUE(editor->findChild<PenEditor*>());
        EXPECT_TRUE(editor->findChild<FillEditor*>());
        bool titled = false;
        for (QLabel* label : editor->findChildren<QLabel*>())
            titled |= label->text() == "Angles (degrees)";
        EXPECT_TRUE(titled);
        editor->show();
        // Opening the editor leaves the extrusion values as read.
        EXPECT_EQ(a->extrusionBase, 0.3);
        EXPECT_EQ(extrusion->baseField()->text(), "0.3");
        EXPECT_EQ(angles->firstField()->text(), "10");

        RedrawCounter redraws;
        typeAndReturn(angles->firstField(), "725");
        EXPECT_EQ(a->startAngleInDegrees, 725); // typed angles are not reduced
        typeAndReturn(radius->widthField(), "2");
        EXPECT_EQ(a->radius, QSizeF(2, 0.5));
        typeAndReturn(center->yField(), "-1");
        EXPECT_EQ(a->center, QPointF(1, -1));
        EXPECT_EQ(redraws.count, 3);
        editor->hide();
        EXPECT_TRUE(QSettings().contains(ArcEditor::extrusionExpandedKey));
    }

    Schematic schematic(nullptr);
    auto onSheet = readAs<Arc>(R"(<arc/>)", &schematic);
    std::unique_ptr<QWidget> w(editorFor(onSheet));
    auto* editor = dynamic_cast<ArcEditor*>(w.get());
    ASSERT_TRUE(editor && editor->routingToggle());
    EXPECT_EQ(editor->routingToggle()->text(), "Do not block the AutoRouter");
    editor->show();
    RedrawCounter redraws;
    editor->routingToggle()->click();
    EXPECT_TRUE(onSheet->doNotBlockRouting);
    EXPECT_EQ(redraws.count, 1);
}

// ---------------------------------------------------------------------------
// Ellipse

TEST(Ellipse, ReadingHandlesBoxAndDrawing)
{
    auto e = readAs<Ellipse>(R"(<ellipse width="2" height="1" sphere="TRUE"/>)");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->typeName(), "Ellipse");
    EXPECT_EQ(e->rectangle, QRectF(0, 0, 2, 1));
    EXPECT_EQ(e->center(), QPointF(1, 0.5));
    EXPECT_EQ(e->size(), QSizeF(2, 1));
    EXPECT_FALSE(e->sphere);
    EXPECT_TRUE(readAs<Ellipse>(R"(<ellipse sphere="true" doNotBlockRouting="true"/>)")->sphere);

    e->setCenter(QPointF(0, 0));
    EXPECT_EQ(e->rectangle, QRectF(-1, -0.5, 2, 1));
    e->setSize(QSizeF(4, 1));
    EXPECT_EQ(e->rectangle, QRectF(-1, -0.5, 4, 1)); // bottom-left kept
    EXPECT_EQ(e->center(), QPointF(1, 0));

    // Turned: the box of the turned rectangle, not of the curve.
    auto turned = readAs<Ellipse>(std::string(R"(<ellipse width="2" height="1" penWidth="0.02")") + turn45 + "/>");
    turned->updateGeometry(std::nullopt, nullptr);
    const double s = std::sqrt(0.5);
    expectBox(turned->boundingBox, QPointF(-s - 0.01, -0.01), QPointF(2 * s + 0.01, 3 * s + 0.01), 1e-6);
    EXPECT_EQ(*turned->brush.rectangle, QRectF(0, 0, 2, 1));

    auto drawn = readAs<Ellipse>(R"(<ellipse x="2" y="2" width="6" height="4" penWidth="0.2" penColor="0,0,255"
        brushColor="0,200,0"/>)");
    drawn->updateGeometry(std::nullopt, nullptr);
    Canvas c;
    drawn->draw(*c.g);
    c.done();
    EXPECT_EQ(c.at(QPointF(5, 4)), QColor(0, 200, 0));
    EXPECT_EQ(c.at(QPointF(2.02, 4)), QColor(0, 0, 255));
    EXPECT_EQ(c.at(QPointF(2.3, 2.3)).alpha(), 0); // the rectangle's corner lies outside
}

TEST(Ellipse, EditorMovesAndResizes)
{
    auto e = readAs<Ellipse>(R"(<ellipse x="1" y="2" width="3" height="1"/>)");
    std::unique_ptr<QWidget> w(editorFor(e));
    auto* editor = dynamic_cast<EllipseEditor*>(w.get());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->title(), "Ellipse");
    EXPECT_EQ(editor->header()->iconName(), "circle");
    EXPECT_TRUE(editor->findChild<ExtrusionEditor*>());
    EXPECT_TRUE(editor->findChild<PenEditor*>());
    EXPECT_TRUE(editor->findChild<FillEditor*>());
    auto* center = editor->findChild<PointParametersEditor*>();
    auto* size = editor->findChild<SizeParametersEditor*>();
    ASSERT_TRUE(center && size);
    editor->show();
    expectCentreAndSizeEdits(center, size, e->rectangle);
}

// ---------------------------------------------------------------------------
// Curve

TEST(Curve, ReadingRules)
{
    Curve fresh(nullptr);
    EXPECT_EQ(fresh.bezier.tension, 1.0);
    EXPECT_EQ(fresh.typeName(), "Curve");

    auto c = readAs<Curve>(R"(<curve signalName="CLK" fillet="true" radius="0.02" extrusionBase="0.1"
        extrusionHeight="0.5" doNotBlockRouting="true" penWidth="0.03" brushColor="1,2,3" style="smooth"
        tension="0.25" points="0,0 1,1 2,0"/>)");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->signalName, "CLK");
    EXPECT_FALSE(c->filletParameters.enabled); // not on the package layer
    EXPECT_EQ(c->filletParameters.radius(), FilletParameters::defaultRadius);
    EXPECT_EQ(c->extrusionBase, 0.10000000149011612); // single precision, widened
    EXPECT_EQ(c->extrusionHeight, 0.5);
    EXPECT_TRUE(c->doNotBlockRouting);
    EXPECT_EQ(c->pen.width, 0.03);
    EXPECT_EQ(c->brush.color, QColor(1, 2, 3));
    EXPECT_EQ(c->bezier.style, BezierStyle::smooth);
    EXPECT_EQ(c->bezier.tension, 0.25);
    EXPECT_EQ(c->bezier.points.size(), 3u);

    auto onPackage = readAs<Curve>(R"(<curve onPackageLayer="true" fillet="true" radius="0.02"/>)");
    EXPECT_TRUE(onPackage->filletParameters.enabled);
    EXPECT_EQ(onPackage->filletParameters.radius(), double(0.02f));
}

TEST(Curve, BoundingBoxHoldsTheControlPointsAndTwoMappedCorners)
{
    const std::string body = R"(style="controlled" points="0,0 2,0" rightControls="0,1 2,0" leftControls="0,0 2,3"
        penColor="0,0,0,0")";
    auto c = readAs<Curve>("<curve " + body + "/>");
    c->updateGeometry(std::nullopt, nullptr);
    expectBox(c->boundingBox, QPointF(0, 0), QPointF(2, 3), 1e-6);
    EXPECT_EQ(*c->brush.rectangle, QRectF(0, 0, 2, 3));

    auto turned = readAs<Curve>("<curve " + body + turn45 + "/>");
    turned->updateGeometry(std::nullopt, nullptr);
    const double s = std::sqrt(0.5);
    expectBox(turned->boundingBox, QPointF(-s, 0), QPointF(0, 5 * s), 1e-6);

    auto visible = readAs<Curve>(R"(<curve points="0,0 2,1" penWidth="0.1"/>)");
    visible->updateGeometry(std::nullopt, nullptr);
    expectBox(visible->boundingBox, QPointF(-0.05, -0.05), QPointF(2.05, 1.05), 1e-6);

    auto empty = readAs<Curve>(R"(<curve/>)");
    empty->updateGeometry(std::nullopt, nullptr);
    EXPECT_FALSE(empty->boundingBox.valid);
    Canvas canvas;
    empty->draw(*canvas.g);
    canvas.done();
    EXPECT_EQ(canvas.inked(), 0);
}

TEST(Curve, DrawsFillThenOutlineAndWidensOnlyWhilePicking)
{
    auto c = readAs<Curve>(R"(<curve style="straight" closed="true" points="1,1 9,1 5,8" penWidth="0.2"
        penColor="0,0,255" brushColor="255,0,0"/>)");
    c->updateGeometry(std::nullopt, nullptr);
    Canvas canvas;
    c->draw(*canvas.g);
    canvas.done();
    EXPECT_EQ(canvas.at(QPointF(5, 3)), QColor(255, 0, 0));
    EXPECT_EQ(canvas.at(QPointF(5, 1.02)), QColor(0, 0, 255));

    auto thin = readAs<Curve>(R"(<curve points="1,1 5,1" penWidth="0.01" brushColor="0,0,0,0"/>)");
    thin->updateGeometry(std::nullopt, nullptr);
    EXPECT_TRUE(picks(*thin, QPointF(3, 1.045)));
    EXPECT_FALSE(picks(*thin, QPointF(3, 1.12)));
    EXPECT_EQ(thin->pen.width, 0.01);
}

TEST(Curve, EditorIsATitledFrame)
{
    auto c = readAs<Curve>(R"(<curve/>)");
    std::unique_ptr<QWidget> w(editorFor(c));
    auto* editor = dynamic_cast<CurveEditor*>(w.get());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->title(), "Curve");
    EXPECT_TRUE(editor->header()->iconName().isEmpty());
    auto* params = editor->findChild<EntityContentEditor*>();
    ASSERT_TRUE(params);
    EXPECT_TRUE(params->isEmpty());
    EXPECT_FALSE(editor->findChild<PenEditor*>());
}

// ---------------------------------------------------------------------------

TEST(Shapes2, DesignReadsEveryKindOnBothSheets)
{
    Design design;
    ASSERT_TRUE(design.open(QStringLiteral(BRINDLEX_TEST_DATA "/shapes2.project"))) << design.lastError().toStdString();
    const auto state = design.currentDesignState();
    ASSERT_EQ(state->schematics.size(), 1u);
    const std::shared_ptr<Schematic> sheet = state->schematics.front();
    sheet->updateGeometry();
    std::vector<std::shared_ptr<Polyline>> polylines;
    std::vector<std::shared_ptr<Arc>> arcs;
    std::vector<std::shared_ptr<Ellipse>> ellipses;
    std::vector<std::shared_ptr<Curve>> curves;
    sheet->entityList.collect(polylines);
    sheet->entityList.collect(arcs);
    sheet->entityList.collect(ellipses);
    sheet->entityList.collect(curves);
    ASSERT_EQ(polylines.size(), 5u);
    EXPECT_EQ(arcs.size(), 3u);
    EXPECT_EQ(ellipses.size(), 2u);
    EXPECT_EQ(curves.size(), 2u);
    EXPECT_TRUE(polylines[1]->polygonWithArcs.closed); // "polyLineOpen" without "closed"
    for (const auto& p : polylines)
        EXPECT_TRUE(p->boundingBox.valid) << p->identifier.toStdString();

    const std::shared_ptr<PCB> board = state->pcb;
    board->updateGeometry();
    polylines.clear();
    arcs.clear();
    board->entityList.collect(polylines);
    board->entityList.collect(arcs);
    ASSERT_EQ(polylines.size(), 1u);
    EXPECT_EQ(polylines[0]->layerIndex, 3);
    ASSERT_EQ(arcs.size(), 1u);
}
