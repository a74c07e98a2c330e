#include "EntityTestSupport.h"
#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "editors/EditorTestSupport.h"
#include "editors/NumberField.h"
#include "editors/ParameterEditors.h"
#include "editors/PenEditor.h"
#include "editors/FillEditor.h"
#include "editors/ExtrusionEditor.h"
#include "editors/Header.h"
#include "entities/drawing/Line.h"
#include "entities/drawing/Rectangle.h"
#include "document/Design.h"
#include "model/EntityFactory.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
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

} // namespace

TEST(Line, DefaultsAndReadingRules)
{
    Line fresh(nullptr);
    EXPECT_EQ(fresh.start, QPointF(0, 0));
    EXPECT_EQ(fresh.end, QPointF(1, 1)); // before reading
    EXPECT_EQ(fresh.pen.width, 0.01);
    EXPECT_EQ(fresh.pen.startCap, LineCap::square);
    EXPECT_EQ(fresh.pen.lineJoin, LineJoin::round);
    EXPECT_EQ(fresh.typeName(), "Line");

    // Reading "end" defaults to the origin, not to the initial (1, 1).
    auto onlyStart = readAs<Line>(R"(<line start="1,1"/>)");
    ASSERT_TRUE(onlyStart);
    EXPECT_EQ(onlyStart->start, QPointF(1, 1));
    EXPECT_EQ(onlyStart->end, QPointF(0, 0));
    EXPECT_FALSE(onlyStart->doNotBlockRouting);

    auto full = readAs<Line>(R"(<line start="0.1,0.2" end="3,4" signalName="GND" extrusionBase="0.5"
        extrusionHeight=" 2" doNotBlockRouting="TRUE" penWidth="0.02" penColor="255,0,0" endCap="arrowAnchor"/>)");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->start, QPointF(double(0.1f), double(0.2f))); // single precision, widened
    EXPECT_EQ(full->end, QPointF(3, 4));
    EXPECT_EQ(full->signalName, "GND");
    EXPECT_EQ(full->extrusionBase, 0.5);
    EXPECT_EQ(full->extrusionHeight, 0); // leading blank: not a number
    EXPECT_FALSE(full->doNotBlockRouting); // exact, case-sensitive "true"
    EXPECT_EQ(full->pen.width, 0.02);
    EXPECT_EQ(full->pen.color, QColor(255, 0, 0));
    EXPECT_EQ(full->pen.endCap, LineCap::arrowAnchor);
    EXPECT_EQ(full->entityPen(), &full->pen);
}

TEST(Line, ArrowEndsArePulledInButTheBoxIsNot)
{
    auto line = readAs<Line>(R"(<line start="0,0" end="1,0" penWidth="0.01" startCap="arrowAnchor"/>)");
    ASSERT_TRUE(line);
    line->updateGeometry(std::nullopt, nullptr);
    expectPoint(line->drawnStart(), QPointF(0.017, 0));
    expectPoint(line->drawnEnd(), QPointF(1, 0));
    ASSERT_TRUE(line->boundingBox.valid);
    EXPECT_EQ(line->boundingBox.bottomLeft, QPointF(0, 0));
    EXPECT_EQ(line->boundingBox.topRight, QPointF(1, 0));
    ASSERT_TRUE(line->pen.startCapGraphics());
    EXPECT_EQ(line->pen.startCapGraphics()->point, QPointF(0, 0));
    EXPECT_FALSE(line->pen.endCapGraphics()); // a square cap makes no decoration

    auto both = readAs<Line>(R"(<line start="0,0" end="0,2" penWidth="0.1" startCap="arrowAnchor" endCap="arrowAnchor"/>)");
    expectPoint(both->drawnStart(), QPointF(0, 0.17));
    expectPoint(both->drawnEnd(), QPointF(0, 2 - 0.17));
    EXPECT_NEAR(both->angle(), M_PI / 2, 1e-12);

    for (const char* cap : {"diamondAnchor", "roundAnchor", "squareAnchor"}) {
        auto other = readAs<Line>(std::string(R"(<line start="0,0" end="1,0" penWidth="0.1" startCap=")") + cap
                                      + R"(" endCap=")" + cap + R"("/>)");
        EXPECT_EQ(other->drawnStart(), QPointF(0, 0)) << cap;
        EXPECT_EQ(other->drawnEnd(), QPointF(1, 0)) << cap;
    }
}

TEST(Line, RotatedLineHasTheBoxOfItsMappedEnds)
{
    // A quarter turn and a shift: (0,0)-(2,1) maps to (5,0)-(4,2).
    auto line = readAs<Line>(R"(<line start="0,0" end="2,1" m11="0" m12="1" m21="-1" m22="0" dx="5" dy="0"/>)");
    line->updateGeometry(std::nullopt, nullptr);
    EXPECT_EQ(line->boundingBox.bottomLeft, QPointF(4, 0));
    EXPECT_EQ(line->boundingBox.topRight, QPointF(5, 2));
    // The decorations stay in the line's own coordinates.
    line->pen.endCap = LineCap::roundAnchor;
    line->updateGeometry(std::nullopt, nullptr);
    ASSERT_TRUE(line->pen.endCapGraphics());
    EXPECT_EQ(line->pen.endCapGraphics()->point, QPointF(2, 1));
}

TEST(Line, LineWithoutDirectionHasNoArrowsAndNoNaN)
{
    auto line = readAs<Line>(R"(<line start="1,1" end="1,1" penWidth="0.05" penColor="0,0,0"
        startCap="arrowAnchor" endCap="arrowAnchor"/>)");
    line->updateGeometry(std::nullopt, nullptr);
    EXPECT_TRUE(line->isDegenerate());
    EXPECT_EQ(line->angle(), 0);
    EXPECT_EQ(line->drawnStart(), QPointF(1, 1));
    EXPECT_EQ(line->drawnEnd(), QPointF(1, 1));
    EXPECT_FALSE(line->pen.startCapGraphics());
    EXPECT_FALSE(line->pen.endCapGraphics());
    EXPECT_TRUE(line->boundingBox.valid);

    Canvas c;
    line->draw(*c.g);
    const QImage& img = c.done();
    int inked = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            inked += qAlpha(img.pixel(x, y)) > 0;
    EXPECT_LT(inked, 10); // at most the dot of a zero-length stroke, no arrows

    // A round anchor needs no direction and is kept.
    line->pen.endCap = LineCap::roundAnchor;
    line->updateGeometry(std::nullopt, nullptr);
    ASSERT_TRUE(line->pen.endCapGraphics());
    EXPECT_TRUE(std::isfinite(line->pen.endCapGraphics()->angle));
}

TEST(Line, StrokeArrowsAndTransparentPen)
{
    auto line = readAs<Line>(R"(<line start="1,5" end="9,5" penWidth="0.1" penColor="0,0,255" endCap="arrowAnchor"/>)");
    line->updateGeometry(std::nullopt, nullptr);
    Canvas c;
    line->draw(*c.g);
    c.done();
    EXPECT_EQ(c.at(QPointF(5, 5)), QColor(0, 0, 255));
    // The arrow (6 widths long, 5 wide) spreads beyond the stroke near the tip.
    EXPECT_GT(c.at(QPointF(9 - 0.45, 5 + 0.15)).alpha(), 128);
    EXPECT_EQ(c.at(QPointF(5, 5 + 0.15)).alpha(), 0);

    auto faint = readAs<Line>(R"(<line start="1,5" end="9,5" penWidth="0.1" penColor="1,0,0,255"/>)");
    faint->updateGeometry(std::nullopt, nullptr);
    Canvas f;
    faint->draw(*f.g);
    f.done();
    EXPECT_EQ(f.at(QPointF(5, 5)).alpha(), 0);
}

TEST(Line, PickingWidensThinLinesByTenPixelsAndRestoresThePen)
{
    // 100 pixels per inch: one device pixel is sqrt(2)/100 inch along the
    // diagonal the pixel size is measured on, so the widened pen is about
    // seven pixels each side of the axis.
    auto line = readAs<Line>(R"(<line start="1,1" end="5,1" penWidth="0" penColor="0,0,0"/>)");
    line->updateGeometry(std::nullopt, nullptr);
    EXPECT_TRUE(picks(*line, QPointF(3, 1.005)));
    EXPECT_TRUE(picks(*line, QPointF(3, 1 - 0.045)));
    EXPECT_FALSE(picks(*line, QPointF(3, 1.12)));
    EXPECT_FALSE(picks(*line, QPointF(3, 1 - 0.12)));
    EXPECT_EQ(line->pen.width, 0);

    // A transparent pen is not picked, however wide the pick pen is.
    line->pen.color = QColor(0, 0, 0, 0);
    EXPECT_FALSE(picks(*line, QPointF(3, 1.005)));

    // A click in the window a few pixels off a level line, outside its box
    // but on the widened pen, picks it: the pick's cull box holds the pen.
    ASSERT_TRUE(Design::shared().loadFromBytes(
        R"(<p version="1" designVersion="1"><design><sheets><schematic><entities>
           <line start="1,1" end="5,1" penWidth="0" penColor="0,0,0"/>
           </entities></schematic></sheets><pcb/></design></p>)", "line"));
    ViewModel::shared().sheetTransforms.clear();
    Viewport2D view(false);
    view.resize(400, 300);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.show();
    view.fit();
    const QPointF on = view.toWidget(QPointF(3, 1));
    for (double off : {-5.0, -3.0, 0.0, 3.0, 5.0})
        EXPECT_NE(view.entityAt(on + QPointF(0, off)), nullptr) << off;
    EXPECT_EQ(view.entityAt(on + QPointF(0, 12)), nullptr);
}

TEST(Rectangle, DefaultsHandlesAndReading)
{
    auto bare = readAs<Rectangle>("<rectangle/>");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->typeName(), "Rectangle");
    EXPECT_EQ(bare->rectangle, QRectF(0, 0, 0, 0));
    EXPECT_EQ(bare->center(), QPointF(0, 0));
    EXPECT_EQ(bare->pen.width, 0.01);
    EXPECT_EQ(bare->pen.color, QColor(0, 0, 0));
    EXPECT_EQ(bare->brush.color, QColor(0, 0, 0));
    EXPECT_EQ(bare->brush.brushType, BrushType::solid);
    EXPECT_FALSE(bare->cylinder);

    auto r = readAs<Rectangle>(R"(<rectangle x="1" y="2" width="3" height="1" roundness=" 0.5"
        extrusionBase="0.1" extrusionHeight="0.25" cylinder="true" doNotBlockRouting="yes" brushColor="10,20,30"/>)");
    EXPECT_EQ(r->rectangle, QRectF(1, 2, 3, 1)); // not moved by reading
    EXPECT_EQ(r->center(), QPointF(2.5, 2.5));
    EXPECT_EQ(r->size(), QSizeF(3, 1));
    EXPECT_EQ(r->roundness, 0); // leading blank: not a number
    EXPECT_EQ(r->extrusionBase, 0.1);
    EXPECT_EQ(r->extrusionHeight, 0.25);
    EXPECT_TRUE(r->cylinder);
    EXPECT_FALSE(r->doNotBlockRouting);
    EXPECT_EQ(r->brush.color, QColor(10, 20, 30));

    r->setCenter(QPointF(0, 0));
    EXPECT_EQ(r->rectangle, QRectF(-1.5, -0.5, 3, 1));
    // A size edit keeps the bottom-left corner; the centre is the new
    // midpoint.
    r->setSize(QSizeF(1, 4));
    EXPECT_EQ(r->rectangle, QRectF(-1.5, -0.5, 1, 4));
    EXPECT_EQ(r->center(), QPointF(-1, 1.5));
    EXPECT_EQ(r->size(), QSizeF(1, 4));
}

TEST(Rectangle, FilletParametersAndRoundedSides)
{
    FilletParameters fresh;
    EXPECT_FALSE(fresh.enabled);
    EXPECT_TRUE(fresh.filletTop);
    EXPECT_TRUE(fresh.filletBottom);
    EXPECT_EQ(fresh.radius(), 0.5 / 25.4);

    auto r = readAs<Rectangle>(R"(<rectangle fillet="true" filletTop="True" radius="0.02"/>)");
    EXPECT_TRUE(r->filletParameters.enabled);
    EXPECT_FALSE(r->filletParameters.filletTop);
    EXPECT_TRUE(r->filletParameters.filletBottom); // missing keeps true
    EXPECT_EQ(r->filletParameters.radius(), double(0.02f));

    auto unreadable = readAs<Rectangle>(R"(<rectangle radius="2mm"/>)");
    EXPECT_EQ(unreadable->filletParameters.radius(), FilletParameters::defaultRadius);

    EXPECT_FALSE(roundedSideTypeFromString("Top"));
    EXPECT_EQ(roundedSideTypeFromString("top"), RoundedSideType::top);
}

TEST(Rectangle, BoundingBoxWithPenAndTransform)
{
    auto r = readAs<Rectangle>(R"(<rectangle x="1" y="1" width="2" height="1" penWidth="0.02" penColor="0,0,0"/>)");
    r->updateGeometry(std::nullopt, nullptr);
    expectPoint(r->boundingBox.bottomLeft, QPointF(0.99, 0.99));
    expectPoint(r->boundingBox.topRight, QPointF(3.01, 2.01));

    r->pen.color = QColor(0, 0, 0, 2); // below 1% alpha: no margin
    r->updateGeometry(std::nullopt, nullptr);
    EXPECT_EQ(r->boundingBox.bottomLeft, QPointF(1, 1));
    EXPECT_EQ(r->boundingBox.topRight, QPointF(3, 2));

    // Under a parent's quarter turn the box holds the turned corners, and the
    // gradient still spans the rectangle in its own coordinates.
    r->updateGeometry(QTransform(0, 1, -1, 0, 10, 0), nullptr);
    expectPoint(r->boundingBox.bottomLeft, QPointF(8, 1));
    expectPoint(r->boundingBox.topRight, QPointF(9, 3));
    ASSERT_TRUE(r->brush.rectangle);
    EXPECT_EQ(*r->brush.rectangle, QRectF(1, 1, 2, 1));
}

TEST(Rectangle, RoundedCornersAndSquareCorners)
{
    // roundness 1 on a 4 x 2 rectangle: corner radius 1 (fully round ends).
    auto rounded = readAs<Rectangle>(R"(<rectangle x="1" y="1" width="4" height="2" roundness="1"
        penColor="0,0,0,0" brushColor="0,128,0"/>)");
    rounded->updateGeometry(std::nullopt, nullptr);
    Canvas c;
    rounded->draw(*c.g);
    c.done();
    EXPECT_EQ(c.at(QPointF(3, 2)), QColor(0, 128, 0));
    EXPECT_EQ(c.at(QPointF(1.1, 1.1)).alpha(), 0); // cut away by the round end
    EXPECT_EQ(c.at(QPointF(1.1, 2)), QColor(0, 128, 0));

    for (const char* roundness : {"0", "-1"}) {
        auto square = readAs<Rectangle>(std::string(R"(<rectangle x="1" y="1" width="4" height="2" roundness=")")
                                            + roundness + R"(" penColor="0,0,0,0" brushColor="0,128,0"/>)");
        square->updateGeometry(std::nullopt, nullptr);
        Canvas s;
        square->draw(*s.g);
        s.done();
        EXPECT_EQ(s.at(QPointF(1.1, 1.1)), QColor(0, 128, 0)) << roundness;
    }

    // A solid rounded rectangle in a layer-coloured pass takes the layer colour.
    Canvas l;
    l.g->useLayerColor = true;
    l.g->layerColor = QColor(200, 0, 0);
    rounded->draw(*l.g);
    l.done();
    EXPECT_EQ(l.at(QPointF(3, 2)), QColor(200, 0, 0));
}

TEST(Rectangle, GradientFollowsARectangleThatIsMoved)
{
    // The same gradient rectangle drawn in place and moved by its own
    // placement: its left end is red and its right end blue either way.
    const char* xml = R"(<rectangle x="0" y="0" width="4" height="2" roundness="%1" penColor="0,0,0,0"
        brushType="gradient" brushColor="255,0,0" secondColor="0,0,255" dx="%2" dy="%3"/>)";
    for (const char* roundness : {"0", "0.3"}) {
        for (QPointF shift : {QPointF(0, 0), QPointF(5, 3)}) {
            auto r = readAs<Rectangle>(QString(xml)
                                               .arg(roundness)
                                               .arg(shift.x())
                                               .arg(shift.y())
                                               .toStdString());
            r->updateGeometry(std::nullopt, nullptr);
            Canvas c;
            r->draw(*c.g);
            c.done();
            const QColor left = c.at(shift + QPointF(0.8, 1)), right = c.at(shift + QPointF(3.8, 1));
            EXPECT_GT(left.red(), 150) << roundness << " " << shift.x();
            EXPECT_LT(left.blue(), 100);
            EXPECT_GT(right.blue(), 200);
            EXPECT_LT(right.red(), 50);
        }
    }
}

TEST(LineAndRectangleEditors, ControlsWriteTheEntityAndAskForARedraw)
{
    auto line = readAs<Line>(R"(<line start="1,1" end="2,2"/>)");
    std::unique_ptr<QWidget> w(editorFor(line));
    auto* editor = dynamic_cast<LineEditor*>(w.get());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->title(), "Line");
    EXPECT_EQ(editor->header()->iconName(), "line.diagonal");
    auto rows = editor->findChildren<PointParametersEditor*>();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(editor->findChild<ExtrusionEditor*>());
    EXPECT_TRUE(editor->findChild<PenEditor*>());
    EXPECT_FALSE(editor->findChild<FillEditor*>());
    editor->show();
    {
        RedrawCounter redraws;
        typeAndReturn(rows[1]->xField(), "3.5");
        EXPECT_EQ(line->end, QPointF(3.5, 2));
        typeAndReturn(rows[0]->yField(), "0.25");
        EXPECT_EQ(line->start, QPointF(1, 0.25));
        EXPECT_EQ(redraws.count, 2);
    }

    auto rect = readAs<Rectangle>(R"(<rectangle x="1" y="2" width="3" height="1"/>)");
    std::unique_ptr<QWidget> rw(editorFor(rect));
    auto* reditor = dynamic_cast<RectangleEditor*>(rw.get());
    ASSERT_TRUE(reditor);
    EXPECT_EQ(reditor->title(), "Rectangle");
    EXPECT_EQ(reditor->header()->iconName(), "rectangle");
    EXPECT_TRUE(reditor->findChild<FillEditor*>());
    auto center = reditor->findChild<PointParametersEditor*>();
    auto size = reditor->findChild<SizeParametersEditor*>();
    ASSERT_TRUE(center && size);
    reditor->show();
    expectCentreAndSizeEdits(center, size, rect->rectangle);
}
