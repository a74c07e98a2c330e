#include "EntityTestSupport.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "core/TextMetrics.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "editors/FillEditor.h"
#include "editors/Header.h"
#include "editors/NumberField.h"
#include "editors/ParameterEditors.h"
#include "editors/PenEditor.h"
#include "entities/drawing/Coordinate.h"
#include "entities/drawing/NoteBox.h"
#include "entities/drawing/PushButton.h"
#include "entities/drawing/TextEditor.h"
#include "entities/drawing/TextLines.h"
#include "model/EntityFactory.h"

#include "../editors/EditorTestSupport.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

namespace {

// A square y-up view of `scale` pixels per inch centred on a model point,
// on black, with the entity drawn in it.
struct Canvas : CentredImage {
    Canvas(Entity& e, double scale, QPointF centre, const std::function<void(Graphics&)>& setup = {}, int size = 400)
        : CentredImage(
              [&](Graphics& g) {
                  if (setup)
                      setup(g);
                  e.draw(g);
              },
              scale, centre, size)
    {
    }
};

bool isGrey(const QColor& c)
{
    return std::abs(c.red() - 128) <= 2 && c.red() == c.green() && c.green() == c.blue();
}

// Whether a click at the model point picks the entity (pick mode, one pixel).
bool picks(Entity& e, QPointF model, double scale = 400)
{
    return picksThrough(pixelCentredOn(model, scale), e);
}

const char* const kBoxAttributes = R"(at="1,0.5" boxLeft="0" boxBase="0" boxWidth="2" boxHeight="1" penWidth="0.02")";

} // namespace

TEST(NoteBox, ReadingRules)
{
    // No box attributes: the unit box at the origin.
    auto bare = readMeasured<NoteBox>("<noteBox/>");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->rectangle, QRectF(0, 0, 1, 1));
    EXPECT_TRUE(bare->autoSize);
    EXPECT_EQ(bare->typeName(), "NoteBox");

    // Left and base at single precision, width and height at double.
    auto n = readMeasured<NoteBox>(R"(<noteBox boxLeft="0.1" boxBase="0.2" boxWidth="0.1" boxHeight="0.3"
        roundness="0.1" autoSize="false" extrusionBase="0.1" penColor="0,0,255" linePattern="dash"/>)");
    EXPECT_EQ(n->rectangle, QRectF(double(0.1f), double(0.2f), 0.1, 0.3));
    EXPECT_EQ(n->roundness, double(0.1f));
    EXPECT_EQ(n->extrusionBase, double(0.1f));
    EXPECT_FALSE(n->autoSize);
    EXPECT_EQ(n->pen.color, QColor(0, 0, 255));

    // Blanks or letters: the box's defaults; the rest keeps its value.
    pugi::xml_document doc = parseXml(R"(<noteBox boxLeft=" 2" boxWidth="2 " roundness="0.5x" extrusionBase="nan"/>)");
    n->readXML(doc.first_child());
    EXPECT_EQ(n->rectangle, QRectF(0, 0, 1, 1));
    EXPECT_EQ(n->roundness, double(0.1f));
    EXPECT_EQ(n->extrusionBase, double(0.1f));
}

TEST(NoteBox, BoxShadowAndLinePlacement)
{
    auto n = readMeasured<NoteBox>(std::string("<noteBox ") + kBoxAttributes + "/>");
    expectBox(n->boundingBox, {-0.01, -0.01}, {2.01, 1.01}); // grown by half the pen
    ASSERT_TRUE(n->shadowBox);
    EXPECT_NEAR(n->shadowBox->left(), 0, 1e-12);
    EXPECT_NEAR(n->shadowBox->top(), -0.02, 1e-12);
    EXPECT_NEAR(n->shadowBox->width(), 2.02, 1e-12);
    EXPECT_EQ(*n->brush.rectangle, QRectF(0, 0, 2, 1)); // the gradient: not grown

    // Turned, the box is the turned one; a transparent pen grows nothing; a
    // pen that is not solid casts no shadow, also after a solid one did.
    n->singleLevelTransform = QTransform(0, 1, -1, 0, 5, 0);
    n->pen.color = QColor(0, 0, 0, 1);
    n->pen.linePattern = LinePattern::dot;
    n->updateGeometry(std::nullopt, nullptr);
    expectBox(n->boundingBox, {4, 0}, {5, 2});
    EXPECT_FALSE(n->shadowBox);

    // Several lines are placed from the box in its own coordinates: the first
    // 0.7 font heights above the middle of the grown box, each entry (empty
    // ones too) 1.5 font heights lower; the same whatever the transform.
    auto lines = readMeasured<NoteBox>(std::string("<noteBox ") + kBoxAttributes +
                                     R"( height="0.1" text="First&#13;&#10;&#13;&#10;Third"/>)");
    const auto& runs = lines->glyphRuns();
    ASSERT_EQ(runs.size(), 2u);
    const double middle = 0.5;
    EXPECT_NEAR(runs[0].origin.y(), middle + 0.07 - lines->lineSize("First").height() / 2, 1e-9);
    EXPECT_NEAR(runs[1].origin.y(), middle + 0.07 - 0.3 - lines->lineSize("Third").height() / 2, 1e-9);
    const QPointF first = runs[0].origin;
    lines->singleLevelTransform = QTransform(0.6, 0.8, -0.8, 0.6, 3, 4);
    lines->updateGeometry(std::nullopt, nullptr);
    EXPECT_NEAR(lines->glyphRuns()[0].origin.x(), first.x(), 1e-9);
    EXPECT_NEAR(lines->glyphRuns()[0].origin.y(), first.y(), 1e-9);

    // Lines that run out of the box are still in the entity's box; the box
    // they are placed from stays the grown rectangle.
    auto spill = readMeasured<NoteBox>(std::string("<noteBox ") + kBoxAttributes +
                                     R"( height="0.1" text="1&#13;&#10;2&#13;&#10;3&#13;&#10;4&#13;&#10;5&#13;&#10;6"/>)");
    const auto& spilled = spill->glyphRuns();
    ASSERT_EQ(spilled.size(), 6u);
    EXPECT_NEAR(spilled[0].origin.y(), middle + 0.07 - spill->lineSize("1").height() / 2, 1e-9);
    const double lowest = spill->inkOf(spilled.back()).top(); // QRectF's top is the smaller y
    ASSERT_LT(lowest, -0.01);
    expectBox(spill->placingBox, {-0.01, -0.01}, {2.01, 1.01});
    expectBox(spill->boundingBox, {-0.01, lowest}, {2.01, 1.01});
}

TEST(NoteBox, DrawsShadowBoxOutlineTextAndIsPickedInside)
{
    auto n = readMeasured<NoteBox>(std::string("<noteBox ") + kBoxAttributes +
                                 R"( penColor="0,0,255" text="X" height="0.3" brushColor="255,0,0"/>)");
    const Canvas c(*n, 400, {1, 0.5}, {}, 1000);
    EXPECT_EQ(c.at({0.3, 0.3}), QColor(255, 255, 255));  // the box, white
    EXPECT_EQ(c.at({0.001, 0.5}), QColor(0, 0, 255));    // its outline
    EXPECT_TRUE(isGrey(c.at({2.015, 0.5})));             // shadow right...
    EXPECT_TRUE(isGrey(c.at({1.0, -0.015})));            // ...and below
    EXPECT_EQ(c.at({-0.015, 0.5}), QColor(0, 0, 0));      // none left
    EXPECT_GT(c.count([](const QColor& p) { return p == QColor(255, 0, 0); }), 100); // text on top
    EXPECT_TRUE(picks(*n, {0.2, 0.2}));
    EXPECT_TRUE(picks(*n, {2.015, 0.5}));
    EXPECT_FALSE(picks(*n, {2.5, 0.5}));

    // Rounded by half the shorter side x 0.5: corners cut, box and shadow.
    n->roundness = 0.5;
    const Canvas r(*n, 400, {1, 0.5}, {}, 1000);
    EXPECT_EQ(r.at({0.03, 0.03}), QColor(0, 0, 0));
    EXPECT_EQ(r.at({1.97, 0.97}), QColor(0, 0, 0));
    EXPECT_EQ(r.at({0.25, 0.001}), QColor(0, 0, 255));

    // The layer colour fills box and shadow; a transparent pen leaves no
    // outline; a dashed one no shadow.
    const Canvas layer(*n, 400, {1, 0.5}, [](Graphics& g) {
        g.useLayerColor = true;
        g.layerColor = QColor(0, 200, 0);
    }, 1000);
    EXPECT_EQ(layer.at({2.015, 0.5}), QColor(0, 200, 0));
    n->pen.color = QColor(0, 0, 255, 0);
    const Canvas clear(*n, 400, {1, 0.5}, {}, 1000);
    EXPECT_EQ(clear.at({0.25, 0.001}), QColor(255, 255, 255));
    n->pen.linePattern = LinePattern::dash;
    n->updateGeometry(std::nullopt, nullptr);
    const Canvas dashed(*n, 400, {1, 0.5}, {}, 1000);
    EXPECT_EQ(dashed.at({2.015, 0.5}), QColor(0, 0, 0));
    EXPECT_EQ(dashed.at({1.0, -0.015}), QColor(0, 0, 0));

    // Inside-out and huge boxes stay drawable.
    auto inverted = readMeasured<NoteBox>(R"(<noteBox boxLeft="2" boxBase="1" boxWidth="-2" boxHeight="-1"/>)");
    EXPECT_EQ(Canvas(*inverted, 200, {1, 0.5}).at({1, 0.5}), QColor(255, 255, 255));
    EXPECT_GT(inverted->shadowBox->width(), 0);
    auto huge = readMeasured<NoteBox>(R"(<noteBox boxLeft="-3e38" boxWidth="1e308" boxHeight="1e308" roundness="3e38"
        penWidth="1e300" text="T" height="1e30"/>)");
    Canvas(*huge, 100, {0, 0});
    EXPECT_TRUE(huge->boundingBox.valid);
}

TEST(Coordinate, PenByKindOfSheetAndReadingRules)
{
    PCB pcb(nullptr);
    Schematic schematic(nullptr);
    EXPECT_EQ(Coordinate(&pcb).pen.color, QColor(255, 255, 255));
    EXPECT_EQ(Coordinate(&schematic).pen.color, QColor(0, 0, 0));
    EXPECT_EQ(Coordinate(nullptr).pen.width, 0);
    EXPECT_EQ(Coordinate(nullptr).typeName(), "Coordinate");

    // Font and label colour come from children; the pen is never read.
    auto c = readMeasured<Coordinate>(R"(<coordinate at="1.5,2" penColor="255,0,0" height="0.2">
        <font height="0.07" bold="true"/><textBrush brushColor="0,255,0"/></coordinate>)", &pcb);
    EXPECT_EQ(c->position, QPointF(1.5, 2));
    EXPECT_NEAR(c->font.height, 0.07, 1e-7);
    EXPECT_TRUE(c->font.bold);
    EXPECT_EQ(c->textBrush.color, QColor(0, 255, 0));
    EXPECT_EQ(c->pen.color, QColor(255, 255, 255));
    // An unreadable "at" keeps the point.
    pugi::xml_document doc = parseXml(R"(<coordinate at="1, 2"/>)");
    c->readXML(doc.first_child());
    EXPECT_EQ(c->position, QPointF(1.5, 2));
}

TEST(Coordinate, LabelInTheSheetsUnitsAndBox)
{
    Schematic sheet(nullptr);
    sheet.schematicSettings.units = Units::mm;
    sheet.schematicSettings.originOffset = QPointF(1, 1);
    auto c = readMeasured<Coordinate>(R"(<coordinate at="2,1"/>)", &sheet);
    EXPECT_EQ(c->text, "25.40, 0.00");
    const struct {
        Units units;
        QPointF at;
        const char* label;
    } cases[] = {{Units::thou, {1.5, 0.25}, "500.00, -750.00"}, {Units::inch, {0.5, 0}, "-0.50, -1.00"},
                 {Units::micron, {1.5, 1}, "12700.00, 0.00"}, {Units::cm, {3, 2.5}, "5.08, 3.81"},
                 {Units::m, {101, 1}, "2.54, 0.00"}};
    for (const auto& k : cases) {
        sheet.schematicSettings.units = k.units;
        c->position = k.at;
        EXPECT_NE(c->text, k.label); // until the next bounding-box pass
        c->updateGeometry(std::nullopt, nullptr);
        EXPECT_EQ(c->text, k.label) << toString(k.units);
    }

    // The box holds the cross and the label's ink as drawText places it.
    const QRectF ink = textInkBounds(c->font, c->text);
    const QPointF at = c->position;
    const double labelBottom = at.y() - Coordinate::kLabelDrop - ink.height() / 2 + ink.top();
    EXPECT_NEAR(c->boundingBox.topRight.y(), at.y() + Coordinate::kCrossHalfLength, 1e-9);
    EXPECT_NEAR(c->boundingBox.bottomLeft.y(), labelBottom, 1e-9);
    EXPECT_NEAR(c->boundingBox.bottomLeft.x(), at.x() - ink.width() / 2 - c->font.height / 10 + ink.left(), 1e-9);
}

TEST(Coordinate, DrawsAThinCrossAndTheLabelLeavingItsPen)
{
    PCB pcb(nullptr);
    auto c = readMeasured<Coordinate>(R"(<coordinate><font height="0.03"/><textBrush brushColor="255,255,0"/></coordinate>)", &pcb);
    c->pen.width = 0.05;
    c->pen.startCap = LineCap::round;
    const Canvas img(*c, 2000, {0, -0.03});
    EXPECT_EQ(img.at({0.0005, 0.01}), QColor(255, 255, 255)); // white arms
    EXPECT_EQ(img.at({-0.01, 0.0005}), QColor(255, 255, 255));
    EXPECT_EQ(img.at({0.005, 0.01}), QColor(0, 0, 0));        // 0.00375 wide
    EXPECT_EQ(img.at({0.0005, 0.0165}), QColor(0, 0, 0));     // flat ends
    const auto yellow = [](const QColor& p) { return p == QColor(255, 255, 0); };
    EXPECT_GT(img.count(yellow), 50);
    // The cross's own width and caps are the draw's: the pen is left alone.
    EXPECT_EQ(c->pen.width, 0.05);
    EXPECT_EQ(c->pen.startCap, LineCap::round);
    EXPECT_TRUE(picks(*c, {0.0005, 0.01}, 2000));
    EXPECT_FALSE(picks(*c, {0.01, 0.01}, 2000));

    c->pen.color = QColor(255, 255, 255, 0); // no cross, the label still
    const Canvas clear(*c, 2000, {0, -0.03});
    EXPECT_EQ(clear.count([](const QColor& p) { return p == QColor(255, 255, 255); }), 0);
    EXPECT_GT(clear.count(yellow), 50);
}

TEST(Coordinate, EditorWritesThePointInTheSheetsUnits)
{
    Schematic sheet(nullptr);
    sheet.schematicSettings.units = Units::mm;
    auto c = readMeasured<Coordinate>(R"(<coordinate at="1,1"/>)", &sheet);
    std::unique_ptr<QWidget> w(editorFor(c));
    auto* editor = qobject_cast<CoordinateEditor*>(w.get());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->title(), "Coordinate");
    EXPECT_TRUE(editor->header()->iconName().isEmpty());
    auto* point = editor->findChild<PointParametersEditor*>();
    auto* pen = editor->findChild<PenEditor*>();
    ASSERT_TRUE(point && pen && editor->findChild<FillEditor*>());
    editor->show();

    RedrawCounter redraws;
    typeAndReturn(point->xField(), QStringLiteral("50.8"));
    EXPECT_NEAR(c->position.x(), 2, 1e-9);
    EXPECT_EQ(redraws.count, 1);
    // A pen width typed in stays (the cross is drawn thin whatever it says).
    typeAndReturn(pen->widthField(), QStringLiteral("1"));
    EXPECT_NEAR(c->pen.width, 1 / 25.4, 1e-9);
    Canvas(*c, 100, {2, 1});
    EXPECT_NEAR(c->pen.width, 1 / 25.4, 1e-9);
}

TEST(PushButton, KeepsTheButtonAndIsDrawnAsItsText)
{
    auto bare = readMeasured<PushButton>(R"(<pushButton text="Go"/>)");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->rectangle, QRectF(0, 0, 1, 1));
    EXPECT_TRUE(bare->enabled);
    EXPECT_EQ(bare->typeName(), "Push Button");

    const std::string text = R"(text="Press" at="0.5,0.25" height="0.1" brushColor="255,255,255")";
    auto b = readMeasured<PushButton>("<pushButton " + text + R"( enabled="false" buttonDown="true"
        buttonGroup="modes" roundness="0.1" boxLeft="0.1" boxBase="-2" boxWidth="3" boxHeight="0.5"
        penColor="0,0,255"><fillBrush brushColor="0,255,0"/></pushButton>)");
    EXPECT_FALSE(b->enabled);
    EXPECT_TRUE(b->buttonDown);
    EXPECT_EQ(b->buttonGroup, "modes");
    EXPECT_EQ(b->roundness, 0.1);
    EXPECT_EQ(b->rectangle, QRectF(0.1, -2, 3, 0.5)); // double precision throughout
    EXPECT_EQ(b->pen.color, QColor(0, 0, 255));
    EXPECT_EQ(b->fillBrush.color, QColor(0, 255, 0));

    // Box, pen, fill and state play no part: the text's box and pixels.
    auto t = readMeasured<TextLines>("<text " + text + "/>");
    EXPECT_EQ(b->boundingBox.rect(), t->boundingBox.rect());
    EXPECT_EQ(Canvas(*b, 600, {0.5, 0.25}).image, Canvas(*t, 600, {0.5, 0.25}).image);

    std::unique_ptr<QWidget> w(editorFor(b));
    auto* editor = qobject_cast<PushButtonEditor*>(w.get());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->title(), "Push Button");
    EXPECT_EQ(editor->messageLabel()->text(), "Not implemented");
    RedrawCounter redraws;
    editor->submit();
    EXPECT_EQ(redraws.count, 1);
}

TEST(Annotations, DesignReadsEveryKindOnBothSheets)
{
    Design design;
    ASSERT_TRUE(design.open(QStringLiteral(BRINDLEX_TEST_DATA "/annotations.project"))) << design.lastError().toStdString();
    const auto state = design.currentDesignState();
    ASSERT_EQ(state->schematics.size(), 1u);
    const std::shared_ptr<Schematic> notes = state->schematics.front();
    notes->updateGeometry();
    std::vector<std::shared_ptr<TextLines>> texts;
    std::vector<std::shared_ptr<NoteBox>> boxes;
    std::vector<std::shared_ptr<Coordinate>> coordinates;
    std::vector<std::shared_ptr<PushButton>> buttons;
    notes->entityList.collect(texts);
    notes->entityList.collect(boxes);
    notes->entityList.collect(coordinates);
    notes->entityList.collect(buttons);
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(boxes.size(), 4u);
    ASSERT_EQ(coordinates.size(), 3u);
    EXPECT_EQ(buttons.size(), 1u);
    EXPECT_EQ(texts[3]->lines().size(), 4);
    EXPECT_EQ(coordinates[1]->text, "25.40, 12.70");
    EXPECT_TRUE(notes->pageRect().contains(notes->entityList.boundingBox.rect()));

    const std::shared_ptr<PCB> board = state->pcb;
    board->updateGeometry();
    coordinates.clear();
    board->entityList.collect(coordinates);
    ASSERT_EQ(coordinates.size(), 3u);
    EXPECT_EQ(coordinates[0]->pen.color, QColor(255, 255, 255));
    EXPECT_EQ(coordinates[1]->text, "1000.00, 500.00");
    EXPECT_EQ(coordinates[2]->text, "2000.00, -250.00");
}
