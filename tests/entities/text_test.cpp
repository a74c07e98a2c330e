#include "EntityTestSupport.h"

#include "core/DrawingContext.h"
#include "core/Graphics.h"
#include "core/ReadWorkers.h"
#include "core/TextMetrics.h"
#include "editors/ExpandableTextEditor.h"
#include "editors/Header.h"
#include "editors/NumberField.h"
#include "editors/ParameterEditors.h"
#include "entities/drawing/TextEditor.h"
#include "entities/drawing/TextEntity.h"
#include "model/EntityList.h"
#include "model/Group.h"

#include "../editors/EditorTestSupport.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

std::shared_ptr<TextEntity> readText(const std::string& xml)
{
    auto t = std::make_shared<TextEntity>(nullptr);
    pugi::xml_document doc = parseXml(xml);
    t->readXML(doc.first_child());
    return t;
}

void measure(TextEntity& t, const std::optional<QTransform>& parent = std::nullopt)
{
    t.updateGeometry(parent, nullptr);
}

// A y-up view of `scale` pixels per inch with the model point `centre` in
// the middle of a square image; pixels are read back by model point.
struct Canvas {
    QImage image;
    double scale;
    QPointF centre;
    QTransform view;

    Canvas(int size, double scale, QPointF centre, QColor background = Qt::black)
        : image(size, size, QImage::Format_ARGB32_Premultiplied), scale(scale), centre(centre),
          view(scale, 0, 0, -scale, size / 2.0 - centre.x() * scale, size / 2.0 + centre.y() * scale)
    {
        image.fill(background);
    }
    // Draws with a fresh Graphics; `setup` may change it first.
    template <class F>
    void draw(Entity& e, F setup)
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(view);
        DrawingContext context(painter);
        Graphics g(context);
        setup(g);
        e.draw(g);
    }
    void draw(Entity& e)
    {
        draw(e, [](Graphics&) {});
    }
    // Sum of brightness (0-1 per pixel) over the image, and its centroid in
    // model coordinates.
    double ink(QPointF* centroid = nullptr) const
    {
        double sum = 0, sx = 0, sy = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                const double v = (c.redF() + c.greenF() + c.blueF()) / 3;
                sum += v;
                sx += v * (x + 0.5);
                sy += v * (y + 0.5);
            }
        if (centroid && sum > 0)
            *centroid = view.inverted().map(QPointF(sx / sum, sy / sum));
        return sum;
    }
    // The model box of every pixel brighter than the threshold.
    QRectF inkBox(double threshold = 0.3) const
    {
        QRectF box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if ((c.redF() + c.greenF() + c.blueF()) / 3 > threshold)
                    box |= QRectF(x, y, 1, 1);
            }
        return view.inverted().mapRect(box);
    }
};

// Whether a click at the model point picks the entity (pick mode, one pixel).
bool picks(Entity& e, QPointF model, double scale = 400)
{
    return picksThrough(pixelCentredOn(model, scale), e);
}

} // namespace

TEST(TextReading, InitialStateAndAttributes)
{
    TextEntity t(nullptr);
    EXPECT_EQ(t.text, QString());
    EXPECT_TRUE(t.lines().isEmpty());
    EXPECT_EQ(t.position, QPointF(0, 0));
    EXPECT_EQ(t.stringAlignment, StringAlignment::center);
    EXPECT_EQ(t.contentAlignment, ContentAlignment::middleCenter);
    EXPECT_TRUE(t.rotateInParts);
    EXPECT_EQ(t.font.familyName, QStringLiteral("Arial"));
    EXPECT_DOUBLE_EQ(t.font.height, 0.055);
    EXPECT_FALSE(t.font.bold || t.font.italic || t.font.underline || t.font.strikeout);
    EXPECT_EQ(t.brush.color, QColor(0, 0, 0));
    EXPECT_EQ(t.textTop, 0);
    EXPECT_EQ(t.entityBrush(), &t.brush);

    auto r = readText(R"(<footprintId identifier="T1" layer="3" text="R12" stringAlignment="far" alignment="topLeft"
        at="0.1,-2.5" familyName="Courier" height="0.08" bold="true" italic="true" rotateInParts="false"
        brushColor="128,10,20,30" m11="0" m12="1" m21="-1" m22="0" dx="1" dy="2"/>)");
    EXPECT_EQ(r->identifier, QStringLiteral("T1"));
    EXPECT_EQ(r->layerIndex, 3);
    ASSERT_TRUE(r->singleLevelTransform);
    EXPECT_EQ(*r->singleLevelTransform, QTransform(0, 1, -1, 0, 1, 2));
    EXPECT_EQ(r->text, QStringLiteral("R12"));
    EXPECT_EQ(r->stringAlignment, StringAlignment::far);
    EXPECT_EQ(r->contentAlignment, ContentAlignment::topLeft);
    // The anchor is read at single precision and widened.
    EXPECT_EQ(r->position.x(), double(0.1f));
    EXPECT_NE(r->position.x(), 0.1);
    EXPECT_EQ(r->position.y(), -2.5);
    EXPECT_EQ(r->font.familyName, QStringLiteral("Courier"));
    EXPECT_DOUBLE_EQ(r->font.height, 0.08);
    EXPECT_TRUE(r->font.bold && r->font.italic);
    EXPECT_FALSE(r->rotateInParts);
    EXPECT_EQ(r->brush.color, QColor(10, 20, 30, 128));
}

TEST(TextReading, MissingAndUnknownValues)
{
    // A reader runs over a text that already holds other values: text, anchor
    // and both alignments fall back to their defaults when missing, while
    // rotateInParts, the font and the brush keep what they had.
    TextEntity t(nullptr);
    t.text = QStringLiteral("old");
    t.position = QPointF(3, 4);
    t.contentAlignment = ContentAlignment::topRight;
    t.stringAlignment = StringAlignment::near;
    t.rotateInParts = false;
    t.font.height = 0.2;
    t.brush.color = QColor(255, 0, 0);
    pugi::xml_document doc = parseXml(R"(<text/>)");
    t.readXML(doc.first_child());
    EXPECT_EQ(t.text, QString());
    EXPECT_EQ(t.position, QPointF(0, 0));
    EXPECT_EQ(t.contentAlignment, ContentAlignment::middleCenter);
    EXPECT_EQ(t.stringAlignment, StringAlignment::center);
    EXPECT_FALSE(t.rotateInParts);
    EXPECT_DOUBLE_EQ(t.font.height, 0.2);
    EXPECT_EQ(t.brush.color, QColor(255, 0, 0));

    // Words are matched exactly; a flag is true only for "true".
    auto u = readText(R"(<text alignment="Center" stringAlignment="left" rotateInParts="TRUE" at="1, 2"/>)");
    EXPECT_EQ(u->contentAlignment, ContentAlignment::middleCenter);
    EXPECT_EQ(u->stringAlignment, StringAlignment::center);
    EXPECT_FALSE(u->rotateInParts);
    EXPECT_EQ(u->position, QPointF(0, 0));

    // Every alignment word reads as its case.
    const char* words[] = {"bottomCenter", "bottomLeft", "bottomRight", "middleCenter", "middleLeft",
                           "middleRight", "topCenter", "topLeft", "topRight"};
    for (int i = 0; i < 9; ++i) {
        auto v = readText(std::string("<text alignment=\"") + words[i] + "\"/>");
        EXPECT_EQ(int(v->contentAlignment), i) << words[i];
    }
}

TEST(TextLayout, InkBoundsFollowTheSetSize)
{
    TextEntity t(nullptr);
    // "H" is ink from the baseline to the cap height: 0.688 of the set size
    // (height x 1.38) in Arial's metric twin.
    const QSizeF h = t.lineSize(QStringLiteral("H"));
    EXPECT_NEAR(h.height(), 0.688 * 0.055 * 1.38, 0.002 * 0.055 * 1.38);
    EXPECT_EQ(h, textInkBounds(t.font, QStringLiteral("H")).size());
    // Sizes scale with the height; a descender makes a text taller.
    t.font.height = 0.11;
    const QSizeF h2 = t.lineSize(QStringLiteral("H"));
    EXPECT_NEAR(h2.width(), 2 * h.width(), 1e-9);
    EXPECT_NEAR(h2.height(), 2 * h.height(), 1e-9);
    EXPECT_GT(t.lineSize(QStringLiteral("Hg")).height(), h2.height() * 1.2);
    // Blanks have no ink.
    EXPECT_EQ(t.lineSize(QStringLiteral("   ")), QSizeF(0, 0));
}

TEST(TextLayout, NineAlignmentsAboutTheAnchor)
{
    const QSizeF s(0.4, 0.1);
    struct Case {
        ContentAlignment a;
        double dx, dy;
    };
    const Case cases[] = {
        {ContentAlignment::bottomCenter, 0.2, 0.1}, {ContentAlignment::bottomLeft, 0.4, 0.1},
        {ContentAlignment::bottomRight, 0, 0.1},    {ContentAlignment::middleCenter, 0.2, 0.05},
        {ContentAlignment::middleLeft, 0.4, 0.05},  {ContentAlignment::middleRight, 0, 0.05},
        {ContentAlignment::topCenter, 0.2, 0},      {ContentAlignment::topLeft, 0.4, 0},
        {ContentAlignment::topRight, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextEntity::alignmentOffset(c.a, s), QPointF(c.dx, c.dy)) << toString(c.a);

        // The line's rectangle lies about the anchor; the glyphs are drawn
        // from its lower-left corner less a tenth of the font height, and
        // the box holds them (descenders, the shift) and the anchor.
        TextEntity t(nullptr);
        t.text = QStringLiteral("Wg");
        t.position = QPointF(1, 2);
        t.contentAlignment = c.a;
        measure(t);
        const QSizeF ink = t.lineSize(t.text);
        const QPointF corner(1 - ink.width() * c.dx / 0.4, 2 - ink.height() * c.dy / 0.1);
        expectRect(t.lineRect(t.text), QRectF(corner, ink));
        ASSERT_EQ(t.glyphRuns().size(), 1u);
        const TextEntity::GlyphRun& run = t.glyphRuns().front();
        EXPECT_NEAR(run.origin.x(), corner.x() - 0.0055, 1e-12);
        EXPECT_NEAR(run.origin.y(), corner.y(), 1e-12);
        const QRectF drawn = textInkBounds(t.font, t.text).translated(run.origin);
        expectRect(t.lineInk(t.text), drawn);
        BoundingBox box;
        box.addRect(drawn);
        box.addPoint(QPointF(1, 2));
        expectRect(t.boundingBox.rect(), box.rect());
    }

    // The name says on which side of the anchor the text lies.
    TextEntity bl(nullptr), tr(nullptr);
    bl.text = tr.text = QStringLiteral("X");
    bl.contentAlignment = ContentAlignment::bottomLeft;
    tr.contentAlignment = ContentAlignment::topRight;
    measure(bl);
    measure(tr);
    EXPECT_EQ(bl.placingBox.topRight, QPointF(0, 0));
    EXPECT_EQ(tr.placingBox.bottomLeft, QPointF(0, 0));
}

TEST(TextLayout, LinesTextTopAndMultiLinePlacement)
{
    TextEntity t(nullptr);
    t.text = QStringLiteral("A\nB");
    measure(t);
    EXPECT_EQ(t.lines(), QStringList{QStringLiteral("A\nB")});
    EXPECT_EQ(t.textTop, 0);

    t.text = QStringLiteral("A\r\n");
    measure(t);
    EXPECT_EQ(t.lines(), (QStringList{QStringLiteral("A"), QString()}));
    EXPECT_DOUBLE_EQ(t.textTop, 1.5 * 0.055 * 1.5 * 0.5);

    // An empty text is one empty line: the box is the anchor alone.
    t.text.clear();
    t.position = QPointF(0.5, 0.25);
    measure(t);
    EXPECT_EQ(t.lines(), QStringList{QString()});
    EXPECT_TRUE(t.boundingBox.valid);
    EXPECT_EQ(t.boundingBox.rect(), QRectF(0.5, 0.25, 0, 0));
    EXPECT_TRUE(t.glyphRuns().empty());

    // Three entries, the middle one empty: every line is measured about the
    // same anchor; the first reference lies half the box's height plus 0.7 x
    // the font height above its bottom, each entry 1.5 x the height lower.
    t.text = QStringLiteral("Top\r\n\r\nLow");
    t.position = QPointF(1, 1);
    t.contentAlignment = ContentAlignment::bottomLeft;
    measure(t);
    ASSERT_EQ(t.lines().size(), 3);
    EXPECT_DOUBLE_EQ(t.textTop, 2.5 * 0.055 * 0.75);
    const QRectF box = t.lineRect(QStringLiteral("Top")) | t.lineRect(QStringLiteral("Low")) | QRectF(1, 1, 0, 0);
    expectRect(t.placingBox.rect(), box);
    const auto& runs = t.glyphRuns();
    ASSERT_EQ(runs.size(), 2u);
    // The entity's box holds the placing box and every line as drawn.
    expectRect(t.boundingBox.rect(), box | t.inkOf(runs[0]) | t.inkOf(runs[1]));
    const double bottom = box.top(); // QRectF's top is the smaller y
    const double first = (box.height()) / 2 + 0.7 * 0.055 + bottom;
    EXPECT_NEAR(runs[0].origin.y(), first - t.lineSize(QStringLiteral("Top")).height(), 1e-12);
    EXPECT_NEAR(runs[1].origin.y(), first - 3 * 0.055 - t.lineSize(QStringLiteral("Low")).height(), 1e-12);
    EXPECT_NEAR(runs[0].origin.x(), 1 - t.lineSize(QStringLiteral("Top")).width() - 0.0055, 1e-12);
    EXPECT_NEAR(runs[1].origin.x(), 1 - t.lineSize(QStringLiteral("Low")).width() - 0.0055, 1e-12);
}

TEST(TextLayout, LayoutFollowsEditsAndBoundingPasses)
{
    TextEntity t(nullptr);
    t.text = QStringLiteral("One\r\nTwo");
    // Before the first box pass `lines` is empty: the whole text is one line.
    ASSERT_EQ(t.glyphRuns().size(), 1u);
    measure(t);
    EXPECT_EQ(t.glyphRuns().size(), 2u);

    // An edit to a single-line text shows at once; a change of line count
    // waits for the next box pass.
    t.text = QStringLiteral("Only");
    EXPECT_EQ(t.glyphRuns().size(), 2u);
    measure(t);
    ASSERT_EQ(t.glyphRuns().size(), 1u);
    const QRectF before = t.inkOf(t.glyphRuns().front());
    const QPainterPath only = t.glyphRuns().front().shape->outline();
    t.text = QStringLiteral("Only longer");
    EXPECT_GT(t.inkOf(t.glyphRuns().front()).width(), before.width());
    // The lines stay as measured until the next pass.
    EXPECT_EQ(t.lines(), QStringList{QStringLiteral("Only")});
    // The edited line draws its own outline, not the kept one.
    const QPainterPath longer = t.glyphRuns().front().shape->outline();
    EXPECT_GT(longer.elementCount(), only.elementCount());
    EXPECT_GT(longer.boundingRect().width(), only.boundingRect().width());
    const QPointF origin = t.glyphRuns().front().origin;
    t.position = QPointF(1, 0);
    EXPECT_NEAR(t.glyphRuns().front().origin.x() - origin.x(), 1, 1e-12);
    t.font.height *= 2;
    EXPECT_NEAR(t.inkOf(t.glyphRuns().front()).height(), 2 * before.height(), 1e-9);
    t.font.height /= 2;
    const QRectF regular = t.inkOf(t.glyphRuns().front());
    const QPointF centred = t.glyphRuns().front().origin;
    t.font.bold = true;
    EXPECT_GT(t.inkOf(t.glyphRuns().front()).width(), regular.width());
    t.font.bold = false;
    t.font.italic = true;
    EXPECT_NE(t.inkOf(t.glyphRuns().front()), regular);
    t.font.italic = false;
    t.contentAlignment = ContentAlignment::topLeft;
    EXPECT_NE(t.glyphRuns().front().origin, centred);
    t.contentAlignment = ContentAlignment::middleCenter;
    EXPECT_EQ(t.inkOf(t.glyphRuns().front()), regular);

    // Several lines follow the lines as measured: an edit that keeps the
    // line count shows after the next pass, not before.
    t.text = QStringLiteral("ii\r\nii");
    measure(t);
    const QRectF narrow = t.inkOf(t.glyphRuns().front());
    t.text = QStringLiteral("WWWW\r\nii");
    EXPECT_EQ(t.inkOf(t.glyphRuns().front()), narrow);
    measure(t);
    EXPECT_GT(t.inkOf(t.glyphRuns().front()).width(), 2 * narrow.width());
    EXPECT_EQ(t.lines(), (QStringList{QStringLiteral("WWWW"), QStringLiteral("ii")}));

    // Shaped ahead of a pass: the lines of every text, in groups too; after
    // the pass only the texts edited since.
    EntityList list;
    auto two = std::make_shared<TextEntity>(nullptr);
    two->text = QStringLiteral("Top\r\nBottom");
    auto group = std::make_shared<Group>(nullptr);
    auto inner = std::make_shared<TextEntity>(nullptr);
    inner->text = QStringLiteral("Inner");
    group->children.entities.push_back(inner);
    list.entities = {two, group};
    clearTextPathCache();
    TextEntity::prepareShapes(list);
    EXPECT_EQ(textPathCacheSize(), 3);
    list.updateBoundingBox(std::nullopt, nullptr);
    EXPECT_EQ(textPathCacheSize(), 3);
    clearTextPathCache();
    inner->text = QStringLiteral("Edited");
    TextEntity::prepareShapes(list);
    EXPECT_EQ(textPathCacheSize(), 1);

    // A long list is walked in parts on several threads: every part's
    // texts are shaped, each line once, the last part's group's too.
    ReadWorkers::setThreads(4);
    clearTextPathCache();
    list.entities.clear();
    for (int i = 0; i < 1300; ++i) {
        auto text = std::make_shared<TextEntity>(nullptr);
        text->text = QStringLiteral("T%1").arg(i % 650);
        list.entities.push_back(text);
    }
    list.entities.push_back(group);
    TextEntity::prepareShapes(list);
    ReadWorkers::setThreads(0);
    EXPECT_EQ(textPathCacheSize(), 651);
    clearTextPathCache();
}

TEST(TextLayout, StatusLineNames)
{
    TextEntity t(nullptr);
    t.text = QStringLiteral("R12");
    EXPECT_EQ(t.typeName(), QStringLiteral("Text \"R12\""));
    t.text.clear();
    EXPECT_EQ(t.typeName(), QStringLiteral("Text \"\""));
    t.text = QStringLiteral("A\nB\nC");
    EXPECT_EQ(t.typeName(), QStringLiteral("Text \"A\" ..."));
    t.text = QStringLiteral("A\r\nB");
    EXPECT_EQ(t.typeName(), QStringLiteral("Text \"A\" ..."));
    t.text = QStringLiteral("A\rB");
    EXPECT_EQ(t.typeName(), QStringLiteral("Text \"A\rB\""));
    // A text far too long for the status line is cut like a first line.
    t.text = QString(1'000'000, QLatin1Char('x'));
    EXPECT_EQ(t.typeName(), QStringLiteral("Text \"") + QString(TextEntity::kMaxLaidOutCharacters, QLatin1Char('x'))
                                + QStringLiteral("\" ..."));
}

TEST(TextGeometry, BoxesUnderTransforms)
{
    // A text of its own rotated a quarter turn and moved: the box holds the
    // mapped corners; the box in own coordinates is the untransformed one.
    auto t = readText(R"(<text text="Wide text" at="1,0.5" alignment="bottomLeft" m11="0" m12="1" m21="-1" m22="0" dx="2" dy="3"/>)");
    measure(*t);
    expectRect(t->placingBox.rect(), t->lineRect(t->text) | QRectF(1, 0.5, 0, 0));
    // The box holds the glyphs as drawn and the anchor, each placed.
    const auto placed = [&t](const QTransform& net) {
        BoundingBox b;
        b.addTransformedRect(t->lineInk(t->text), net);
        b.addPoint(net.map(QPointF(1, 0.5)));
        return b.rect();
    };
    expectRect(t->boundingBox.rect(), placed(QTransform(0, 1, -1, 0, 2, 3)), 1e-12);

    // The same text under a parent transform as well: own first, then parent.
    const QTransform parent = QTransform().rotate(30) * QTransform::fromTranslate(-4, 1);
    measure(*t, parent);
    const QTransform net = QTransform(0, 1, -1, 0, 2, 3) * parent;
    expectRect(t->boundingBox.rect(), placed(net), 1e-12);

    // Into a parent box through the list pass, like a footprint's children.
    EntityList list;
    list.entities.push_back(t);
    BoundingBox outer;
    list.updateBoundingBox(parent, &outer);
    expectRect(outer.rect(), placed(net), 1e-12);
    expectRect(t->placingBox.rect(), t->lineRect(t->text) | QRectF(1, 0.5, 0, 0));
}

TEST(TextGeometry, MultiLineTextKeepsItsPlaceUnderTransforms)
{
    // The lines are placed from the box in the text's own coordinates: a
    // footprint's placement moves them once (in drawing), not a second time
    // through a box measured on the sheet.
    auto plain = readText(R"(<text text="10k&#13;&#10;1%&#13;&#10;0603" at="0,-0.15" height="0.04"/>)");
    auto placed = readText(R"(<text text="10k&#13;&#10;1%&#13;&#10;0603" at="0,-0.15" height="0.04"/>)");
    measure(*plain);
    measure(*placed, QTransform(0, 1, -1, 0, 12.5, -7.25));
    const auto& a = plain->glyphRuns();
    const auto& b = placed->glyphRuns();
    ASSERT_EQ(a.size(), 3u);
    ASSERT_EQ(b.size(), 3u);
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_NEAR(a[i].origin.x(), b[i].origin.x(), 1e-12);
        EXPECT_NEAR(a[i].origin.y(), b[i].origin.y(), 1e-12);
    }
}

TEST(TextGeometry, EveryLineOfSeveralIsInTheBoxPickedAndKeptInView)
{
    // Three lines drawn downwards from the anchor: the box holds the ink of
    // each where it is drawn, in own coordinates under the transform.
    const std::string xml = R"(<text text="First&#13;&#10;Second&#13;&#10;Third line" at="0,0" height="0.1"
        alignment="bottomRight" brushColor="255,255,255"/>)";
    auto t = readText(xml);
    measure(*t);
    const auto& runs = t->glyphRuns();
    ASSERT_EQ(runs.size(), 3u);
    QRectF own = t->placingBox.rect();
    for (const auto& run : runs)
        own |= t->inkOf(run);
    expectRect(t->boundingBox.rect(), own, 1e-12);
    // The third line lies wholly below what the lines measure about the
    // anchor (the old box), so the fix is what finds it.
    const QRectF third = t->inkOf(runs[2]);
    EXPECT_LT(third.bottom(), t->placingBox.bottomLeft.y());
    const QPointF onThird(third.left() + 0.01, third.center().y());

    // Picked on the third line's ink, through a list whose view holds only
    // that point (a line scrolled in alone is not culled).
    EntityList list;
    list.entities.push_back(t);
    list.updateBoundingBox(std::nullopt, nullptr);
    auto pickAt = [&](QPointF model) {
        return drawForPick(pixelCentredOn(model, 400), [&](Graphics& g) {
            g.viewportBoundingBox.addPoint(model);
            return list.draw(g);
        });
    };
    bool picked = false;
    for (double dx = 0; dx < third.width() && !picked; dx += 0.005)
        picked = pickAt(QPointF(third.left() + dx, third.center().y())) == t;
    EXPECT_TRUE(picked);
    EXPECT_EQ(pickAt(QPointF(third.right() + 0.3, onThird.y())), nullptr);

    // The selection frame goes round all three lines.
    t->brush.color = QColor(0, 0, 0, 0);
    t->selected = true;
    Canvas c(400, 500, own.center());
    c.draw(*t);
    expectRect(c.inkBox(0.1), own, 0.005);

    // A quarter turn and a move: the same box, turned.
    auto turned = readText(xml);
    const QTransform quarter(0, 1, -1, 0, 3, -2);
    measure(*turned, quarter);
    expectRect(turned->boundingBox.rect(), quarter.mapRect(own), 1e-9);
}

TEST(TextDrawing, InkLiesInTheBoxAndFollowsTheColourRules)
{
    auto t = readText(R"(<text text="HEH" at="0,0" height="0.1" brushColor="255,255,255"/>)");
    measure(*t);
    Canvas c(400, 1000, QPointF(0, 0));
    c.draw(*t);
    // Glyphs without side bearings issues: the ink sits in the measured box,
    // moved left by a tenth of the height less the first glyph's bearing.
    const QRectF drawn = c.inkBox(0.5);
    const QRectF box = t->boundingBox.rect();
    EXPECT_NEAR(drawn.top(), box.top(), 0.003);
    EXPECT_NEAR(drawn.bottom(), box.bottom(), 0.003);
    EXPECT_NEAR(drawn.width(), box.width(), 0.003);
    EXPECT_LT(std::abs(drawn.left() - box.left()), 0.01);

    // A brush below the visible alpha draws nothing, but keeps its box.
    Canvas faint(200, 1000, QPointF(0, 0));
    t->brush.color = QColor::fromRgbF(1, 1, 1, 0.005f);
    faint.draw(*t);
    EXPECT_EQ(faint.ink(), 0);
    EXPECT_TRUE(t->boundingBox.valid);
    EXPECT_FALSE(picks(*t, QPointF(0, 0)));

    // With the layer colour: an opaque brush draws in the layer colour; a
    // transparent brush still draws nothing.
    t->brush.color = QColor(255, 255, 255);
    Canvas layer(400, 1000, QPointF(0, 0));
    layer.draw(*t, [](Graphics& g) {
        g.useLayerColor = true;
        g.layerColor = QColor(255, 0, 0);
    });
    bool red = false, white = false;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x) {
            const QColor p = layer.image.pixelColor(x, y);
            red |= p == QColor(255, 0, 0);
            white |= p.green() > 0;
        }
    EXPECT_TRUE(red);
    EXPECT_FALSE(white);
    t->brush.color = QColor::fromRgbF(1, 1, 1, 0.005f);
    Canvas layerFaint(200, 1000, QPointF(0, 0));
    layerFaint.draw(*t, [](Graphics& g) {
        g.useLayerColor = true;
        g.layerColor = QColor(255, 0, 0);
    });
    EXPECT_EQ(layerFaint.ink(), 0);
}

TEST(TextDrawing, SelectionFrameAndTransform)
{
    auto t = readText(R"(<text text="I" at="0,0" height="0.1" brushColor="0,0,0,0" dx="0.2" dy="0"/>)");
    measure(*t);
    t->selected = true;
    Canvas c(400, 1000, QPointF(0.2, 0));
    c.draw(*t);
    // The text is transparent: only the red frame around the box shows.
    const QRectF frame = c.inkBox(0.1);
    expectRect(frame, t->boundingBox.rect(), 0.003);
    // The frame holds the glyph, drawn a tenth of the height left of its place.
    EXPECT_NEAR(t->boundingBox.center().x(), 0.2, 0.005);

    // One line after blanks, with descenders, turned: the box (the frame,
    // what picking and culling start from) holds the glyphs as drawn.
    auto blanks = readText(R"(<text text="    gjy" at="0,0" height="0.1" brushColor="255,255,255" m11="0.8" m12="0.6" m21="-0.6" m22="0.8"/>)");
    measure(*blanks);
    Canvas b(400, 1000, blanks->boundingBox.center());
    b.draw(*blanks);
    const QRectF glyphs = b.inkBox(0.1);
    ASSERT_FALSE(glyphs.isEmpty());
    EXPECT_TRUE(blanks->boundingBox.rect().adjusted(-0.002, -0.002, 0.002, 0.002).contains(glyphs));
}

TEST(TextDrawing, GlyphsAreUprightAndPickedByTheirInk)
{
    // Upright under the y-up view: an "L" has its foot at the bottom, so its
    // ink's centroid lies left of and below the centre of its box.
    auto t = readText(R"(<text text="L" at="0,0" height="0.2" brushColor="255,255,255"/>)");
    measure(*t);
    Canvas c(300, 1000, QPointF(0, 0));
    c.draw(*t);
    QPointF centroid;
    ASSERT_GT(c.ink(&centroid), 0);
    const QPointF mid = t->boundingBox.center();
    EXPECT_LT(centroid.x(), mid.x() - 0.01);
    EXPECT_LT(centroid.y(), mid.y() - 0.01);

    // Turned a quarter turn counter-clockwise, the foot points left of the
    // turned box: the centroid lies right of and below its centre.
    t->singleLevelTransform = QTransform(0, 1, -1, 0, 0, 0);
    measure(*t);
    Canvas r(300, 1000, QPointF(0, 0));
    r.draw(*t);
    ASSERT_GT(r.ink(&centroid), 0);
    const QPointF turned = t->boundingBox.center();
    EXPECT_GT(centroid.x(), turned.x() + 0.01);
    EXPECT_LT(centroid.y(), turned.y() - 0.01);

    // Picked on a glyph's ink, not in the counter of an "O" nor beside it.
    auto o = readText(R"(<text text="O" at="0,0" height="0.5" brushColor="255,255,255"/>)");
    measure(*o);
    const QRectF box = o->inkOf(o->glyphRuns().front());
    EXPECT_TRUE(picks(*o, QPointF(box.left() + 0.01, box.center().y())));
    EXPECT_FALSE(picks(*o, box.center()));
    EXPECT_FALSE(picks(*o, QPointF(box.right() + 0.05, box.center().y())));
}

TEST(TextDrawing, CachedGlyphsSmallTextsAndOutlinesAgree)
{
    const bool savedCache = TextEntity::useGlyphCache;
    const double savedThreshold = TextEntity::glyphThresholdPixels;
    const std::string xml = R"(<text text="U17 R2" at="0,0" height="0.05" brushColor="255,255,255"/>)";
    // Drawn at `scale` with or without the glyph cache; ink and centroid.
    auto render = [&](double scale, bool cache, double threshold, QPointF* centroid) {
        TextEntity::useGlyphCache = cache;
        TextEntity::glyphThresholdPixels = threshold;
        auto t = readText(xml);
        measure(*t);
        Canvas c(200, scale, QPointF(0, 0));
        c.draw(*t);
        return c.ink(centroid);
    };

    // At a readable size (21 pixels) the glyph cache puts the same ink in
    // the same place as the outlines.
    QPointF outlines, cached;
    const double a = render(300, false, savedThreshold, &outlines);
    const double b = render(300, true, savedThreshold, &cached);
    EXPECT_NEAR(b, a, 0.05 * a);
    EXPECT_NEAR(cached.x(), outlines.x(), 0.5 / 300);
    EXPECT_NEAR(cached.y(), outlines.y(), 0.5 / 300);

    // Below the threshold (1.4 pixels) a faint box of about the glyphs' ink
    // stands in for them.
    QPointF glyphs, box;
    const double g = render(20, true, 0, &glyphs);
    const double f = render(20, true, savedThreshold, &box);
    EXPECT_GT(f, 0);
    EXPECT_NEAR(f, g, 0.35 * g);
    EXPECT_NEAR(box.x(), glyphs.x(), 1.0 / 20);
    EXPECT_NEAR(box.y(), glyphs.y(), 1.0 / 20);

    TextEntity::useGlyphCache = savedCache;
    TextEntity::glyphThresholdPixels = savedThreshold;
}

TEST(TextGeometry, HostileValuesStayBounded)
{
    // A huge height whose outlines overflow measures nothing and draws
    // nothing; the anchor still makes the box.
    auto huge = readText(R"(<text text="WWWWWWWW" at="1,2" height="1e308"/>)");
    measure(*huge);
    EXPECT_EQ(huge->boundingBox.rect(), QRectF(1, 2, 0, 0));
    EXPECT_TRUE(huge->glyphRuns().empty());
    auto negative = readText(R"(<text text="W" at="1,2" height="-1"/>)");
    measure(*negative);
    EXPECT_EQ(negative->boundingBox.rect(), QRectF(1, 2, 0, 0));

    // Very long texts keep a bounded number of lines and lay out a bounded
    // number of characters.
    TextEntity many(nullptr);
    QString text;
    for (int i = 0; i < TextEntity::kMaxLines + 50; ++i)
        text += QStringLiteral("ab\r\n");
    many.text = text;
    measure(many);
    EXPECT_EQ(many.lines().size(), TextEntity::kMaxLines);
    EXPECT_EQ(qsizetype(many.glyphRuns().size()), TextEntity::kMaxLaidOutCharacters / 2);

    TextEntity wide(nullptr);
    wide.brush.color = QColor(255, 255, 255);
    wide.text = QString(100000, QLatin1Char('i'));
    measure(wide);
    const double full = wide.lineSize(QString(TextEntity::kMaxLaidOutCharacters, QLatin1Char('i'))).width();
    EXPECT_NEAR(wide.boundingBox.width(), full, 1e-9);
    ASSERT_EQ(wide.glyphRuns().size(), 1u);
    Canvas c(100, 10, QPointF(0, 0));
    c.draw(wide);
    EXPECT_GT(c.ink(), 0);
}

TEST(TextEditorView, AnchorAndTextAreEditedInPlace)
{
    auto t = readText(R"(<text text="Label" at="1,2"/>)");
    std::unique_ptr<QWidget> view(editorFor(t));
    auto* editor = qobject_cast<TextEditor*>(view.get());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->title(), QStringLiteral("Text"));
    EXPECT_EQ(editor->header()->iconName(), QStringLiteral("text.page"));
    EXPECT_EQ(editor->text, QStringLiteral("Label"));
    EXPECT_EQ(editor->textEntity, t);
    EXPECT_EQ(editor->textLabel()->text(), QStringLiteral("Text"));
    EXPECT_TRUE(editor->textLabel()->font().bold());
    EXPECT_EQ(editor->textEditor()->toPlainText(), QStringLiteral("Label"));

    RedrawCounter redraws;
    typeAndReturn(editor->centerEditor()->xField(), QStringLiteral("3.5"));
    EXPECT_DOUBLE_EQ(t->position.x(), 3.5);
    EXPECT_GE(redraws.count, 1);

    const int before = redraws.count;
    editor->textEditor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor->textEditor(), QStringLiteral("s"));
    EXPECT_EQ(t->text, QStringLiteral("Labels"));
    EXPECT_EQ(redraws.count, before + 1);
    // A line break typed in the editor is a line feed alone: one layout line.
    QTest::keyClick(editor->textEditor(), Qt::Key_Return);
    QTest::keyClicks(editor->textEditor(), QStringLiteral("x"));
    measure(*t);
    EXPECT_EQ(t->lines().size(), 1);
    // The editor's own copy stays what it was.
    EXPECT_EQ(editor->text, QStringLiteral("Label"));
}
