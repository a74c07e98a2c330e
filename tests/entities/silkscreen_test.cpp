#include "EntityTestSupport.h"
#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "editors/EntityEditor.h"
#include "entities/pcb/Silkscreen.h"
#include "model/EntityFactory.h"
#include "model/EntityList.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <cmath>
#include <memory>

namespace {

// An image of `size` pixels seeing the model from `origin` (its bottom-left
// corner) at `scale` pixels per inch, y up.
struct Canvas : ModelCanvas {
    Canvas(QPointF origin = QPointF(0, 0), double scale = 100, int size = 400)
        : ModelCanvas(origin, scale, QSize(size, size))
    {
        g->drawingPcb = true;
    }
};

} // namespace

TEST(Silkscreen, DefaultsAndReadingRules)
{
    Silkscreen fresh(nullptr);
    EXPECT_TRUE(fresh.autoFitInsidePadsIfPossible);
    EXPECT_EQ(fresh.cornerSize, QSizeF(0, 0));
    EXPECT_EQ(fresh.margin, 0.5 / 25.4);
    EXPECT_EQ(fresh.notchOnSide, NotchOnSide::left);
    EXPECT_EQ(fresh.pen.color, QColor::fromRgbF(1, 1, 1, 1));
    EXPECT_EQ(fresh.pen.width, 0.2 / 25.4);
    EXPECT_EQ(fresh.lockedRectangleTo, LockedTo::courtyard);
    EXPECT_TRUE(fresh.lockedToCourtyard);
    EXPECT_EQ(fresh.rectangle, QRectF(0, 0, 0, 0));
    EXPECT_EQ(fresh.shape, SilkscreenShape::rectangle);
    EXPECT_TRUE(fresh.visibleInPcb);
    EXPECT_TRUE(fresh.notchPoints.empty());
    EXPECT_FALSE(fresh.polarityMarkerPosition());
    EXPECT_TRUE(fresh.footprint().expired());
    EXPECT_EQ(fresh.typeName(), "Silkscreen");

    auto s = readAs<Silkscreen>(R"(<silkscreen autoFitInsidePadsIfPossible="no" cornerSize="0.1,0.2" lockedToCourtyard="true"
        lockedTo="pads" margin="0.03" notchOnRight="top" penWidth="0.01" penColor="255,255,0" x="-1" y="-0.5" width="2"
        height="1" shape="roundedRectangle" visibleInPcb="false"/>)");
    ASSERT_TRUE(s);
    EXPECT_FALSE(s->autoFitInsidePadsIfPossible);
    EXPECT_EQ(s->cornerSize, QSizeF(double(0.1f), double(0.2f)));
    EXPECT_TRUE(s->lockedToCourtyard);
    EXPECT_EQ(s->lockedRectangleTo, LockedTo::pads);
    EXPECT_EQ(s->margin, 0.03);
    EXPECT_EQ(s->notchOnSide, NotchOnSide::top);
    EXPECT_EQ(s->pen.width, 0.01);
    EXPECT_EQ(s->pen.color, QColor(255, 255, 0));
    EXPECT_EQ(s->rectangle, QRectF(-1, -0.5, 2, 1));
    EXPECT_EQ(s->shape, SilkscreenShape::roundedRectangle);
    EXPECT_FALSE(s->visibleInPcb);

    // Unmatched words and unparsable numbers keep what was there.
    auto odd = readAs<Silkscreen>(R"(<silkscreen lockedTo="Pads" notchOnRight="true" shape="oval" margin=" 1" cornerSize="1;2"/>)");
    EXPECT_EQ(odd->lockedRectangleTo, LockedTo::courtyard);
    EXPECT_EQ(odd->notchOnSide, NotchOnSide::left);
    EXPECT_EQ(odd->shape, SilkscreenShape::rectangle);
    EXPECT_EQ(odd->margin, 0.5 / 25.4);
    EXPECT_EQ(odd->cornerSize, QSizeF(0, 0));

    for (auto v : {SilkscreenShape::rectangle, SilkscreenShape::roundedRectangle, SilkscreenShape::panasonic,
                   SilkscreenShape::round, SilkscreenShape::rectangleCorners, SilkscreenShape::none})
        EXPECT_EQ(silkscreenShapeFromString(toString(v)), v);
    for (auto v : {NotchOnSide::left, NotchOnSide::right, NotchOnSide::top, NotchOnSide::bottom})
        EXPECT_EQ(notchOnSideFromString(toString(v)), v);
    for (auto v : {LockedTo::courtyard, LockedTo::pads, LockedTo::none})
        EXPECT_EQ(lockedToFromString(toString(v)), v);
    EXPECT_FALSE(silkscreenShapeFromString("Rectangle"));
}

TEST(Silkscreen, NotchNeedsFourPenWidthsAndTheBoxIgnoresThePen)
{
    auto s = readAs<Silkscreen>(R"(<silkscreen penWidth="0.25" x="1" y="2" width="0.99" height="3"/>)");
    s->updateGeometry(std::nullopt, nullptr);
    EXPECT_TRUE(s->notchPoints.empty());
    EXPECT_EQ(s->boundingBox.bottomLeft, QPointF(1, 2));
    EXPECT_EQ(s->boundingBox.topRight, QPointF(1 + double(0.99f), 5));

    s->rectangle.setWidth(1); // exactly four pen widths
    s->updateGeometry(std::nullopt, nullptr);
    ASSERT_EQ(s->notchPoints.size(), 4u);
    EXPECT_EQ(s->notchPoints[0], QPointF(1, 5));
    EXPECT_EQ(s->notchPoints[1], QPointF(2, 5));
    EXPECT_EQ(s->notchPoints[2], QPointF(1, 4));
    EXPECT_EQ(s->notchPoints[3], QPointF(1, 2));

    // Under a quarter turn the box is that of the turned rectangle.
    s->updateGeometry(QTransform(0, 1, -1, 0, 0, 0), nullptr);
    EXPECT_EQ(s->boundingBox.bottomLeft, QPointF(-5, 1));
    EXPECT_EQ(s->boundingBox.topRight, QPointF(-2, 2));
}

TEST(Silkscreen, OutlineStylesAndTheNotch)
{
    const std::string base = R"(<silkscreen penWidth="0.05" penColor="255,0,0" x="0.5" y="0.5" width="3" height="2" )";
    auto rect = readAs<Silkscreen>(base + R"(shape="rectangle"/>)");
    rect->updateGeometry(std::nullopt, nullptr);
    {
        Canvas c;
        rect->draw(*c.g);
        c.done();
        EXPECT_EQ(c.at(QPointF(2, 0.5)), QColor(255, 0, 0)); // outline
        EXPECT_EQ(c.at(QPointF(2, 1.5)).alpha(), 0); // not filled
        EXPECT_EQ(c.at(QPointF(0.55, 2.45)), QColor(255, 255, 255)); // notch, top-left
        EXPECT_EQ(c.at(QPointF(0.62, 2.3)).alpha(), 0); // beyond its hypotenuse
        EXPECT_EQ(c.at(QPointF(3.45, 2.45)).alpha(), 0); // no notch at other corners
        EXPECT_EQ(c.at(QPointF(0.55, 0.55)).alpha(), 0);
    }
    {
        // In a layer-coloured pass the notch takes the layer colour.
        Canvas c;
        c.g->useLayerColor = true;
        c.g->layerColor = QColor(0, 200, 0);
        rect->draw(*c.g);
        c.done();
        EXPECT_EQ(c.at(QPointF(0.55, 2.45)), QColor(0, 200, 0));
    }

    auto rounded = readAs<Silkscreen>(base + R"(shape="roundedRectangle"/>)");
    rounded->updateGeometry(std::nullopt, nullptr);
    {
        // Corner radius: a quarter of the shorter side (0.5).
        Canvas c;
        rounded->draw(*c.g);
        c.done();
        EXPECT_EQ(c.at(QPointF(2, 0.5)), QColor(255, 0, 0));
        EXPECT_EQ(c.at(QPointF(0.5, 1.5)), QColor(255, 0, 0));
        EXPECT_EQ(c.at(QPointF(0.52, 2.48)).alpha(), 0); // the corner is cut and has no notch
        EXPECT_EQ(c.at(QPointF(2, 1.5)).alpha(), 0);
    }

    for (const char* shape : {"panasonic", "round", "none"}) {
        auto other = readAs<Silkscreen>(base + "shape=\"" + shape + "\"/>");
        other->updateGeometry(std::nullopt, nullptr);
        other->selected = true;
        Canvas c;
        other->draw(*c.g);
        c.done();
        const QColor frame = c.at(QPointF(2, 0.5)); // only the selection frame, one pixel wide
        EXPECT_TRUE(frame.alpha() > 64 && frame.green() == 0 && frame.blue() == 0) << shape;
        EXPECT_EQ(c.at(QPointF(0.55, 2.45)).alpha(), 0) << shape;
    }

    // Hidden: nothing, not even when selected; the box is still kept.
    auto hidden = readAs<Silkscreen>(base + R"(visibleInPcb="false"/>)");
    hidden->updateGeometry(std::nullopt, nullptr);
    hidden->selected = true;
    EXPECT_TRUE(hidden->boundingBox.valid);
    Canvas h;
    hidden->draw(*h.g);
    h.done();
    EXPECT_EQ(h.inked(), 0);
}

TEST(Silkscreen, CornerMarks)
{
    const std::string base = R"(<silkscreen penWidth="0.05" penColor="255,0,0" x="0.5" y="0.5" width="3" height="2" shape="rectangleCorners" )";
    auto none = readAs<Silkscreen>(base + R"(cornerSize="0,0"/>)");
    {
        Canvas c;
        none->draw(*c.g);
        c.done();
        EXPECT_EQ(c.inked(), 0);
    }
    auto shortArms = readAs<Silkscreen>(base + R"(cornerSize="0.04,0.5"/>)"); // shorter than the pen is wide
    {
        Canvas c;
        shortArms->draw(*c.g);
        c.done();
        EXPECT_EQ(c.inked(), 0);
    }

    auto marks = readAs<Silkscreen>(base + R"(cornerSize="0.5,0.25"/>)");
    {
        Canvas c;
        marks->draw(*c.g);
        c.done();
        EXPECT_EQ(c.at(QPointF(0.8, 2.5)), QColor(255, 0, 0)); // top-left horizontal arm
        EXPECT_EQ(c.at(QPointF(0.5, 2.35)), QColor(255, 0, 0)); // top-left vertical arm
        EXPECT_EQ(c.at(QPointF(3.2, 0.5)), QColor(255, 0, 0)); // bottom-right horizontal arm
        EXPECT_EQ(c.at(QPointF(2, 2.5)).alpha(), 0); // between the marks
        EXPECT_EQ(c.at(QPointF(0.5, 1.5)).alpha(), 0);
        EXPECT_EQ(c.at(QPointF(0.6, 2.4)).alpha(), 0); // no notch
    }

    // A negative width turns the horizontal arms outwards.
    auto outward = readAs<Silkscreen>(base + R"(cornerSize="-0.3,0.25"/>)");
    {
        Canvas c;
        outward->draw(*c.g);
        c.done();
        EXPECT_EQ(c.at(QPointF(0.3, 2.5)), QColor(255, 0, 0));
        EXPECT_EQ(c.at(QPointF(3.7, 0.5)), QColor(255, 0, 0));
        EXPECT_EQ(c.at(QPointF(0.8, 2.5)).alpha(), 0);
    }
}

TEST(Silkscreen, NotchTurnsWithARotatedFootprint)
{
    // The footprint turns a quarter counter-clockwise about (4.5, 3): the
    // outline's top-left corner (-0.6, 0.4) lands at (4.1, 2.4).
    Design design;
    ASSERT_TRUE(design.open(QStringLiteral(BRINDLEX_TEST_DATA "/shapes.project"))) << design.lastError().toStdString();
    const std::shared_ptr<PCB> pcb = design.currentDesignState()->pcb;
    pcb->updateGeometry();
    std::vector<std::shared_ptr<Silkscreen>> silkscreens;
    pcb->entityList.collect(silkscreens);
    ASSERT_EQ(silkscreens.size(), 3u);
    const auto& turned = silkscreens[0];
    EXPECT_NEAR(turned->boundingBox.bottomLeft.x(), 4.1, 1e-6);
    EXPECT_NEAR(turned->boundingBox.bottomLeft.y(), 2.4, 1e-6);
    EXPECT_NEAR(turned->boundingBox.topRight.x(), 4.9, 1e-6);
    EXPECT_NEAR(turned->boundingBox.topRight.y(), 3.6, 1e-6);

    Canvas c(QPointF(4, 2.3), 400, 600);
    c.g->currentLayer = 3;
    pcb->entityList.draw(*c.g);
    c.done();
    EXPECT_EQ(c.at(QPointF(4.12, 2.42)), QColor(255, 255, 255)); // the notch, turned with it
    EXPECT_EQ(c.at(QPointF(4.88, 2.42)).alpha(), 0);
    EXPECT_EQ(c.at(QPointF(4.12, 3.58)).alpha(), 0);
    EXPECT_EQ(c.at(QPointF(4.5, 2.4)), QColor(255, 255, 255)); // the outline's turned edge
    EXPECT_EQ(c.at(QPointF(4.5, 3.0)).alpha(), 0);
}

TEST(Silkscreen, EditorIsATitledFrame)
{
    auto s = readAs<Silkscreen>("<silkscreen/>");
    std::unique_ptr<QWidget> w(editorFor(s));
    auto* editor = dynamic_cast<SilkscreenEditor*>(w.get());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->title(), "Silkscreen");
    EXPECT_EQ(editor->silkscreen, s);
    bool empty = false;
    for (QLabel* l : editor->findChildren<QLabel*>())
        empty = empty || (l->text() == "No editable parameters" && !l->isHidden());
    EXPECT_TRUE(empty);
}
