#include "EntityTestSupport.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "editors/EntityEditor.h"
#include "entities/pcb/Footprint.h"
#include "entities/pcb/FootprintTexts.h"
#include "model/EntityFactory.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <gtest/gtest.h>

#include <memory>

namespace {

// Brightness summed over an image of the entity drawn at 400 pixels per
// inch about the origin.
double inkOf(Entity& e, bool selected = false)
{
    e.selected = selected;
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        painter.setTransform(QTransform(400, 0, 0, -400, 100, 100));
        DrawingContext context(painter);
        Graphics g(context);
        e.draw(g);
    }
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += image.pixelColor(x, y).valueF();
    return sum;
}

// The entity of the sheet hit by a click at the model point.
std::shared_ptr<Entity> pick(GraphicsSheet& sheet, QPointF model, bool subPicking, double scale = 400)
{
    return pickOnSheet(sheet, model, scale, subPicking, true);
}

} // namespace

TEST(FootprintTextReading, ElementNamesAndFields)
{
    // Three element names make a reference, read alike.
    for (const char* name : {"footprintId", "FootprintId", "jumperId"}) {
        auto e = readAs(std::string("<") + name + R"( text="R5" at="0.5,0.25" visibleInPcb="false" prefix="R" jumperReference="JP"/>)");
        auto r = std::dynamic_pointer_cast<FootprintReference>(e);
        ASSERT_TRUE(r) << name;
        EXPECT_EQ(r->text, QStringLiteral("R5"));
        EXPECT_EQ(r->position, QPointF(0.5, 0.25));
        EXPECT_FALSE(r->visibleInPcb);
        EXPECT_EQ(r->prefix, QStringLiteral("R"));
        EXPECT_EQ(r->jumperReference, QStringLiteral("JP"));
        EXPECT_EQ(r->typeName(), QStringLiteral("Footprint Reference"));
    }
    EXPECT_FALSE(readAs(R"(<footprintReference text="U1"/>)"));

    // Initial values, and what missing or odd attributes leave.
    FootprintReference fresh(nullptr);
    EXPECT_TRUE(fresh.visibleInPcb);
    EXPECT_EQ(fresh.prefix, QStringLiteral("U"));
    EXPECT_EQ(fresh.jumperReference, QStringLiteral("U"));
    EXPECT_DOUBLE_EQ(fresh.font.height, 0.055);
    EXPECT_TRUE(fresh.rotateInParts);
    auto r = std::dynamic_pointer_cast<FootprintReference>(readAs(R"(<footprintId visibleInPcb="TRUE" prefix=""/>)"));
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->visibleInPcb);
    EXPECT_EQ(r->prefix, QString());
    EXPECT_EQ(r->jumperReference, QStringLiteral("U"));

    FootprintPartValue value(nullptr);
    EXPECT_TRUE(value.visibleInPCB);
    EXPECT_TRUE(value.displayIn3D);
    EXPECT_FALSE(value.autoPosition);
    auto v = std::dynamic_pointer_cast<FootprintPartValue>(
        readAs(R"(<footprintPartValue text="10k" showInPcb="false" displayIn3D="false" autoPosition="true" alignment="topLeft"/>)"));
    ASSERT_TRUE(v);
    EXPECT_EQ(v->text, QStringLiteral("10k"));
    EXPECT_FALSE(v->visibleInPCB);
    EXPECT_FALSE(v->displayIn3D);
    EXPECT_TRUE(v->autoPosition);
    EXPECT_EQ(v->contentAlignment, ContentAlignment::topLeft);
    EXPECT_EQ(v->typeName(), QStringLiteral("Footprint Part Value"));

    // Only "showInPcb" sets the flag: an attribute named like the field is
    // not read; flags are true for "true" alone.
    auto w = std::dynamic_pointer_cast<FootprintPartValue>(readAs(R"(<footprintPartValue visibleInPCB="false" displayIn3D="yes"/>)"));
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->visibleInPCB);
    EXPECT_FALSE(w->displayIn3D);
    EXPECT_FALSE(w->autoPosition);
}

TEST(FootprintTextDrawing, VisibilityRules)
{
    auto r = std::dynamic_pointer_cast<FootprintReference>(readAs(R"(<footprintId text="U9" height="0.05" brushColor="255,255,255"/>)"));
    ASSERT_TRUE(r);
    r->updateGeometry(std::nullopt, nullptr);
    EXPECT_TRUE(r->boundingBox.valid);
    EXPECT_GT(r->boundingBox.width(), 0.03);
    const double shown = inkOf(*r);
    EXPECT_GT(shown, 0);

    // Hidden: no box, nothing drawn, not even the selection frame.
    r->visibleInPcb = false;
    r->updateGeometry(std::nullopt, nullptr);
    EXPECT_FALSE(r->boundingBox.valid);
    EXPECT_EQ(inkOf(*r, true), 0);

    // A value draws only when shown and not empty; its box is the text's
    // either way (an empty text's box is its anchor).
    auto v = std::dynamic_pointer_cast<FootprintPartValue>(
        readAs(R"(<footprintPartValue text="" at="0.1,0.2" height="0.05" brushColor="255,255,255"/>)"));
    ASSERT_TRUE(v);
    v->updateGeometry(std::nullopt, nullptr);
    // (the anchor is read at single precision)
    EXPECT_EQ(v->boundingBox.rect(), QRectF(double(0.1f), double(0.2f), 0, 0));
    EXPECT_EQ(inkOf(*v, true), 0);
    v->text = QStringLiteral("47u");
    v->position = QPointF(0, 0);
    v->updateGeometry(std::nullopt, nullptr);
    EXPECT_GT(inkOf(*v), 0);
    EXPECT_GT(inkOf(*v, true), inkOf(*v)); // the frame
    v->visibleInPCB = false;
    v->updateGeometry(std::nullopt, nullptr);
    EXPECT_GT(v->boundingBox.width(), 0.05);
    EXPECT_EQ(inkOf(*v, true), 0);
}

TEST(FootprintTextEditors, TitledFramesWithNothingToEdit)
{
    auto r = std::make_shared<FootprintReference>(nullptr);
    std::unique_ptr<QWidget> a(editorFor(r));
    auto* re = qobject_cast<FootprintReferenceEditor*>(a.get());
    ASSERT_TRUE(re);
    EXPECT_EQ(re->title(), QStringLiteral("Footprint Reference"));
    EXPECT_EQ(re->reference, r);
    EXPECT_FALSE(re->findChildren<QLabel*>().isEmpty());
    bool emptyMessage = false;
    for (QLabel* l : re->findChildren<QLabel*>())
        emptyMessage |= l->text() == QStringLiteral("No editable parameters");
    EXPECT_TRUE(emptyMessage);

    auto v = std::make_shared<FootprintPartValue>(nullptr);
    std::unique_ptr<QWidget> b(editorFor(v));
    auto* ve = qobject_cast<FootprintPartValueEditor*>(b.get());
    ASSERT_TRUE(ve);
    EXPECT_EQ(ve->title(), QStringLiteral("Footprint Part Value"));
    EXPECT_EQ(ve->partValue, v);
}

class FootprintTextBoard : public ::testing::Test {
protected:
    Design design;
    PCB* pcb = nullptr;
    std::shared_ptr<Footprint> u1, r7, j2;

    void SetUp() override
    {
        ASSERT_TRUE(design.open(QStringLiteral(BRINDLEX_TEST_DATA "/texts.project")));
        pcb = design.currentDesignState()->pcb.get();
        pcb->updateGeometry();
        ASSERT_EQ(pcb->entityList.entities.size(), 3u);
        u1 = std::dynamic_pointer_cast<Footprint>(pcb->entityList.entities[0]);
        r7 = std::dynamic_pointer_cast<Footprint>(pcb->entityList.entities[1]);
        j2 = std::dynamic_pointer_cast<Footprint>(pcb->entityList.entities[2]);
        ASSERT_TRUE(u1 && r7 && j2);
    }
    template <class T>
    std::shared_ptr<T> child(Footprint& f, size_t i)
    {
        return i < f.children.entities.size() ? std::dynamic_pointer_cast<T>(f.children.entities[i]) : nullptr;
    }
};

TEST_F(FootprintTextBoard, ReadFromTheFootprintsChildren)
{
    auto ref = child<FootprintReference>(*u1, 0);
    auto value = child<FootprintPartValue>(*u1, 1);
    ASSERT_TRUE(ref && value);
    EXPECT_EQ(ref->prefix, QStringLiteral("IC"));
    EXPECT_EQ(ref->jumperReference, QStringLiteral("J"));
    EXPECT_EQ(value->lines(), (QStringList{QStringLiteral("LM324"), QStringLiteral("quad")}));
    EXPECT_FALSE(value->displayIn3D);
    EXPECT_TRUE(value->autoPosition);
    EXPECT_TRUE(child<FootprintReference>(*r7, 0));
    auto jumper = child<FootprintReference>(*j2, 0);
    ASSERT_TRUE(jumper);
    EXPECT_FALSE(jumper->visibleInPcb);
    auto hiddenValue = child<FootprintPartValue>(*j2, 2);
    ASSERT_TRUE(hiddenValue);
    EXPECT_FALSE(hiddenValue->visibleInPCB);
}

TEST_F(FootprintTextBoard, BoxesUnderTheFootprintsPlacement)
{
    // Upright footprint moved to (1, 1): the reference's box is its line's
    // ink about (1, 1.15).
    auto ref = child<FootprintReference>(*u1, 0);
    ASSERT_TRUE(ref);
    const QRectF local = ref->lineInk(ref->text) | QRectF(0, 0.15, 0, 0);
    const QRectF sheet = ref->boundingBox.rect();
    EXPECT_NEAR(sheet.left(), local.left() + 1, 1e-9);
    EXPECT_NEAR(sheet.bottom(), local.bottom() + 1, 1e-9);
    EXPECT_NEAR(sheet.width(), local.width(), 1e-9);

    // Turned a quarter turn: width and height swap, the reference lies left
    // of the footprint's origin.
    auto turned = child<FootprintReference>(*r7, 0);
    ASSERT_TRUE(turned);
    const QRectF t = turned->boundingBox.rect();
    const QSizeF ink = turned->lineSize(turned->text);
    EXPECT_NEAR(t.width(), ink.height(), 1e-9);
    EXPECT_NEAR(t.height(), ink.width(), 1e-9);
    const QRectF turnedInk = QTransform(0, 1, -1, 0, 0, 0).mapRect(turned->lineInk(turned->text));
    EXPECT_NEAR(t.center().x(), 3 + turnedInk.center().x(), 1e-9);
    EXPECT_NEAR(t.center().y(), 1 + turnedInk.center().y(), 1e-9);
    EXPECT_TRUE(r7->boundingBox.contains(t.center()));

    // The hidden reference takes no room: the jumper's footprint box is made
    // of its values alone (the empty one's anchor included).
    auto jumper = child<FootprintReference>(*j2, 0);
    ASSERT_TRUE(jumper);
    EXPECT_FALSE(jumper->boundingBox.valid);
    EXPECT_LT(j2->boundingBox.topRight.y(), 1 + 0.15 - 0.02);
    EXPECT_TRUE(j2->boundingBox.contains(QPointF(5, 1 - double(0.15f))));
}

TEST_F(FootprintTextBoard, DrawnWhereTheBoxesSayAndPickedByGlyphs)
{
    // Render the board and check that each visible text's box holds ink in
    // its own colour, the turned one included.
    const QSize size(1200, 600);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    const QTransform view(200, 0, 0, -200, -0.5 * 200, 2 * 200);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(view);
        DrawingContext context(painter);
        Graphics g(context);
        g.drawingPcb = true;
        g.viewportBoundingBox.addRect(view.inverted().mapRect(QRectF(QPointF(0, 0), QSizeF(size))));
        pcb->draw(g);
    }
    auto inkIn = [&](const QRectF& model) {
        const QRect r = view.mapRect(model).toAlignedRect().intersected(image.rect());
        double sum = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                sum += image.pixelColor(x, y).valueF();
        return sum;
    };
    for (auto& f : {u1, r7}) {
        for (size_t i = 0; i < 2; ++i) {
            const std::shared_ptr<Entity>& e = f->children.entities[i];
            const QRectF box = e->boundingBox.rect();
            EXPECT_GT(inkIn(box), 0.08 * box.width() * box.height() * 200 * 200) << e->typeName().toStdString();
        }
    }
    // Nothing of the jumper's texts shows.
    EXPECT_EQ(inkIn(QRectF(4.7, 0.6, 0.6, 0.7)), 0);

    // A click on the turned reference's ink picks its footprint, or the text
    // itself when inner entities are asked for; beside the glyphs nothing.
    auto turned = child<FootprintReference>(*r7, 0);
    ASSERT_TRUE(turned);
    const TextEntity::GlyphRun& run = turned->glyphRuns().front();
    // The stem of the "R": just right of the run's left ink edge, halfway up
    // (in the footprint's frame), mapped to the sheet.
    const QPointF onStem = r7->singleLevelTransform->map(QPointF(turned->inkOf(run).left() + 0.003, turned->inkOf(run).center().y()));
    EXPECT_EQ(pick(*pcb, onStem, false), r7);
    EXPECT_EQ(pick(*pcb, onStem, true), turned);
    const QPointF outside = r7->singleLevelTransform->map(QPointF(turned->inkOf(run).left() - 0.02, turned->inkOf(run).center().y()));
    EXPECT_EQ(pick(*pcb, outside, false), nullptr);
}
