#include "EntityTestSupport.h"

#include "core/DrawingContext.h"
#include "core/Gzip.h"
#include "core/ImageCache.h"
#include "core/Graphics.h"
#include "core/TextMetrics.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/Schematic.h"
#include "editors/ExtrusionEditor.h"
#include "editors/FillEditor.h"
#include "editors/Header.h"
#include "editors/NumberField.h"
#include "editors/ParameterEditors.h"
#include "editors/PenEditor.h"
#include "entities/drawing/Controls.h"
#include "entities/drawing/Dimension.h"
#include "entities/drawing/Guides.h"
#include "entities/drawing/Marker.h"
#include "entities/drawing/Picture.h"
#include "entities/drawing/Rectangle.h"
#include "model/EntityFactory.h"
#include "model/EntityList.h"

#include "../editors/EditorTestSupport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <functional>
#include <memory>

namespace {

// A square y-up view of `scale` pixels per inch centred on a model point, on
// black, with something drawn in it.
struct Canvas : CentredImage {
    using CentredImage::CentredImage;
    Canvas(Entity& e, double scale, QPointF centre, int size = 400)
        : CentredImage([&e](Graphics& g) { e.draw(g); }, scale, centre, size)
    {
    }
    bool blank() const { return count([](const QColor& c) { return c != QColor(Qt::black); }) == 0; }
};

bool isRed(const QColor& c) { return c.red() > 150 && c.green() < 80 && c.blue() < 80; }
bool isMagenta(const QColor& c) { return c.red() > 120 && c.blue() > 120 && c.green() < 60; }

// The hit of a click at a model point (pick mode, one pixel) on the entity.
bool picks(Entity& e, QPointF model, double scale = 400)
{
    return picksThrough(pixelCentredOn(model, scale), e);
}

// The entity a sheet-level list reports under a model point.
std::shared_ptr<Entity> pickFromList(EntityList& list, QPointF model, bool subPicking)
{
    return pickInList(list, pixelCentredOn(model, 100), subPicking);
}

// Formats in a known locale for the duration of a test.
struct LocaleGuard {
    QLocale saved;
    explicit LocaleGuard(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleGuard() { QLocale::setDefault(saved); }
};
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

// Whether the editor's parameter panel is empty.
bool showsEmptyContent(QWidget* editor)
{
    auto* content = editor->findChild<EntityContentEditor*>();
    return content && content->isEmpty();
}

// 20 x 10 pixels: the top half green, the bottom half red on the left and
// blue on the right; gzip, base64.
const char* const kPixels = "H4sIAAd4FmsC/+sM8HPn5ZLiYmBg4PX0cAkC0iJAzMXBBiS3hNY9A1LKni6OIRVzkhMsDn6Yv6riisOpj7Jsbf+PJLC1WR95"
                            "GMisaSbAcK08O8Kfe9oGoHIGT1c/l3VOCU0AQB2Ah1wAAAA=";

// Counts the board passes that reach it.
class PassCounter : public Entity {
public:
    using Entity::Entity;
    // Written by the (const) passes of one thread.
    mutable int padPasses = 0;
    mutable int holePasses = 0;
    void drawPadPass(Graphics&) const override { ++padPasses; }
    void drawHolePass(Graphics&, const QColor&) const override { ++holePasses; }
};

} // namespace

// ---------------------------------------------------------------- Dimension

TEST(Dimension, ReadingRules)
{
    auto d = readMeasured<Dimension>(R"(<dimension start="0,0" end="1,0"/>)");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->typeName(), "Dimension");
    EXPECT_EQ(d->markerStyle, DimensionArrowStyle::arrow);
    EXPECT_EQ(d->style, DimensionStyle::angled);
    EXPECT_TRUE(d->displayValue);
    EXPECT_EQ(d->textOffset, QPointF(0, 0));

    // Unknown words fall back; one text offset alone; single precision; a
    // flag is true only for "true".
    auto u = readMeasured<Dimension>(R"(<dimension marker="arrows" style="diagonal" textOffsetX="0.25" offset="0.1"
        displayText="yes" reverse="true" textOnTop="false" prefix="P" end="2,0.5" height="0.08" penWidth="0.02"/>)");
    EXPECT_EQ(u->markerStyle, DimensionArrowStyle::arrow);
    EXPECT_EQ(u->style, DimensionStyle::angled);
    EXPECT_EQ(u->textOffset, QPointF(0.25, 0));
    EXPECT_EQ(u->offset, double(0.1f));
    EXPECT_FALSE(u->displayValue);
    EXPECT_TRUE(u->reverse);
    EXPECT_FALSE(u->textOnTop);
    EXPECT_EQ(u->prefix, "P");
    EXPECT_EQ(u->end, QPointF(2, 0.5));
    EXPECT_EQ(u->font.height, 0.08);
    EXPECT_EQ(u->pen.width, 0.02);

    const std::pair<const char*, DimensionArrowStyle> markers[] = {
        {"none", DimensionArrowStyle::none}, {"line", DimensionArrowStyle::line}, {"box", DimensionArrowStyle::box}};
    for (const auto& [word, style] : markers)
        EXPECT_EQ(readMeasured<Dimension>(std::string("<dimension marker=\"") + word + "\"/>")->markerStyle, style);
    EXPECT_EQ(readMeasured<Dimension>(R"(<dimension style="vertical"/>)")->style, DimensionStyle::vertical);
    EXPECT_EQ(readMeasured<Dimension>(R"(<dimension style="horizontal"/>)")->style, DimensionStyle::horizontal);
    // A single text offset that is not a number gives 0.
    EXPECT_EQ(readMeasured<Dimension>(R"(<dimension textOffsetX="1" textOffsetY=" 2"/>)")->textOffset, QPointF(1, 0));
}

TEST(Dimension, ValueTextInTheSheetsUnitsAndLocale)
{
    LocaleGuard english(kEnglish);
    Schematic sheet(nullptr);
    auto d = readMeasured<Dimension>(R"(<dimension start="0,0" end="1,0" prefix="A"/>)", &sheet);
    const std::pair<Units, QString> cases[] = {
        {Units::mm, "25.4mm"},        {Units::inch, "1.0\""},  {Units::thou, "1,000.0mil"},
        {Units::micron, QString::fromUtf8("25,400.0μm")}, {Units::cm, "2.54cm"}, {Units::m, "0.0254m"}};
    for (const auto& [units, text] : cases) {
        sheet.schematicSettings.units = units;
        d->updateGeometry(std::nullopt, nullptr);
        EXPECT_EQ(d->text, text) << toString(units);
    }
    // At most four places; the prefix is not shown with the value.
    sheet.schematicSettings.units = Units::inch;
    d->end = QPointF(1.0 / 3, 0);
    d->updateGeometry(std::nullopt, nullptr);
    EXPECT_EQ(d->text, "0.3333\"");
    d->displayValue = false;
    d->updateGeometry(std::nullopt, nullptr);
    EXPECT_EQ(d->text, "A");
    d->prefix.clear();
    d->updateGeometry(std::nullopt, nullptr);
    EXPECT_EQ(d->text, "");

    {
        LocaleGuard german(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(Dimension::formatValue(1, Units::mm), "25,4mm");
    }
    EXPECT_EQ(Dimension::formatValue(std::numeric_limits<double>::infinity(), Units::mm), "?");
    // A vertical dimension measures only the height, a horizontal one only the width.
    d->displayValue = true;
    d->end = QPointF(3, -2);
    d->style = DimensionStyle::vertical;
    d->updateGeometry(std::nullopt, nullptr);
    EXPECT_EQ(d->text, "2.0\"");
    d->style = DimensionStyle::horizontal;
    d->updateGeometry(std::nullopt, nullptr);
    EXPECT_EQ(d->text, "3.0\"");
}

TEST(Dimension, TextAngleStaysReadableAndHeadsPointAtTheMeasuredPoints)
{
    auto d = readMeasured<Dimension>(R"(<dimension start="0,0" end="-1,1"/>)");
    EXPECT_NEAR(d->textAngleInDegrees, -45, 1e-9); // 135 turned back
    d->reverse = true;
    d->layout();
    EXPECT_NEAR(d->textAngleInDegrees, 135, 1e-9);

    auto v = readMeasured<Dimension>(R"(<dimension start="0,1" end="0,0" style="vertical"/>)");
    EXPECT_NEAR(v->textAngleInDegrees, -90, 1e-9);
    auto up = readMeasured<Dimension>(R"(<dimension start="0,0" end="0,1" style="vertical"/>)");
    EXPECT_NEAR(up->textAngleInDegrees, 90, 1e-9);

    // Both heads open towards the inside of the span, whichever way a
    // horizontal dimension runs.
    for (const char* xml : {R"(<dimension start="0,0" end="2,0" style="horizontal"/>)",
                            R"(<dimension start="2,0" end="0,0" style="horizontal"/>)"}) {
        auto h = readMeasured<Dimension>(xml);
        EXPECT_NEAR(h->textAngleInDegrees, 0, 1e-9);
        ASSERT_EQ(h->startArrowPoints.size(), 3u);
        const double inward = h->end.x() > h->start.x() ? 1 : -1;
        EXPECT_EQ(h->startArrowPoints[1], h->startOffset);
        EXPECT_EQ(h->endArrowPoints[1], h->endOffset);
        for (int i : {0, 2}) {
            EXPECT_GT((h->startArrowPoints[i].x() - h->start.x()) * inward, 0) << xml;
            EXPECT_LT((h->endArrowPoints[i].x() - h->end.x()) * inward, 0) << xml;
        }
    }
}

TEST(Dimension, LineIsSplitAroundAnInlineText)
{
    // A fixed text, so its width stays while the line changes.
    auto d = readMeasured<Dimension>(
        R"(<dimension start="0,0" end="2,0" marker="none" height="0.1" displayText="false" prefix="Gap"/>)");
    const double w = TextMetric::textRect(d->font, d->text).width();
    ASSERT_GT(w, 0.05);
    ASSERT_TRUE(d->inlineText);
    const double g = (2 - 1.1 * w) / 2 - d->pen.width / 2;
    ASSERT_EQ(d->lines.size(), 2u);
    expectPoint(d->lines[0].start, {0, 0});
    expectPoint(d->lines[0].end, {g, 0});
    expectPoint(d->lines[1].start, {2, 0});
    expectPoint(d->lines[1].end, {2 - g, 0});
    expectPoint(d->manipulatorStart, {0, 0});
    expectPoint(d->manipulatorEnd, {2, 0});

    // Moved towards A past g: only the segment at B is left.
    d->textOffset = QPointF(-(g + 0.01), 0);
    d->layout();
    ASSERT_EQ(d->lines.size(), 1u);
    expectPoint(d->lines[0].start, {2, 0});
    expectPoint(d->lines[0].end, {2 - (2 * g + 0.01), 0});
    // So far that neither end segment stays inside: the whole line.
    d->textOffset = QPointF(-5, 0);
    d->layout();
    ASSERT_EQ(d->lines.size(), 1u);
    expectPoint(d->lines[0].start, {0, 0});
    expectPoint(d->lines[0].end, {2, 0});
    // Close beside the line it still splits; off the line it does not.
    d->textOffset = QPointF(0, 0.05);
    d->layout();
    EXPECT_EQ(d->lines.size(), 2u);
    d->textOffset = QPointF(0, 0.07);
    d->layout();
    EXPECT_EQ(d->lines.size(), 1u);

    // A text exactly two thirds of the line is not inline. Not every width
    // is a line length divided by 1.5 exactly, so look for a text whose is.
    d->textOffset = QPointF(0, 0);
    double length = 0;
    for (const char* prefix : {"Gap", "A", "AB", "Gap A", "W", "12", "xyz", "Gap B"}) {
        d->prefix = QString::fromLatin1(prefix);
        const double width = TextMetric::textRect(d->font, d->prefix).width();
        double candidate = 1.5 * width;
        for (int i = 0; i < 8 && candidate / 1.5 != width; ++i)
            candidate = std::nextafter(candidate, candidate / 1.5 < width ? 10.0 : 0.0);
        if (candidate / 1.5 == width) {
            length = candidate;
            break;
        }
    }
    ASSERT_GT(length, 0);
    d->end = QPointF(length, 0);
    d->layout();
    EXPECT_FALSE(d->inlineText);
    ASSERT_EQ(d->lines.size(), 1u);
    d->end = QPointF(length * 1.01, 0);
    d->layout();
    EXPECT_TRUE(d->inlineText);

    // No text shown (no value, no prefix): nothing to make room for, the
    // line is whole, with its text moved or not.
    auto hidden = readMeasured<Dimension>(R"(<dimension start="0,0" end="2,0" marker="none" displayText="false"/>)");
    EXPECT_TRUE(hidden->text.isEmpty());
    for (QPointF shift : {QPointF(0, 0), QPointF(0.3, 0)}) {
        hidden->textOffset = shift;
        hidden->layout();
        EXPECT_FALSE(hidden->inlineText);
        ASSERT_EQ(hidden->lines.size(), 1u);
        expectPoint(hidden->lines[0].start, {0, 0});
        expectPoint(hidden->lines[0].end, {2, 0});
    }
}

TEST(Dimension, MarkersAndArrowInset)
{
    // The line stops inside arrow heads from the first layout on.
    auto d = readMeasured<Dimension>(R"(<dimension start="0,0" end="2,0" height="0.1" penWidth="0.01"/>)");
    const double arrow = 0.1 * 0.5 + 0.01;
    const double inset = arrow * std::cos(20 * M_PI / 180) * 0.45;
    EXPECT_NEAR(d->dimensionWidth, arrow, 1e-12);
    ASSERT_EQ(d->lines.size(), 2u);
    expectPoint(d->lines[0].start, {inset, 0});
    expectPoint(d->lines[1].start, {2 - inset, 0});
    const std::vector<LineF> first = d->lines;
    d->layout();
    expectPoint(d->lines[0].start, first[0].start, 0);

    // Heads: tip on the point, opening inwards, 20 degrees either side.
    ASSERT_EQ(d->startArrowPoints.size(), 3u);
    EXPECT_EQ(d->startArrowPoints[1], QPointF(0, 0));
    EXPECT_GT(d->startArrowPoints[0].x(), 0);
    EXPECT_GT(d->startArrowPoints[0].y(), 0);
    EXPECT_LT(d->startArrowPoints[2].y(), 0);
    EXPECT_LT(d->endArrowPoints[0].x(), 2);

    auto ticks = readMeasured<Dimension>(R"(<dimension start="0,0" end="2,0" marker="line" height="0.1"/>)");
    const double s = 0.1 * 0.25 + 0.01;
    ASSERT_EQ(ticks->startArrowPoints.size(), 2u);
    expectPoint(ticks->startArrowPoints[0], {-s * M_SQRT1_2, -s * M_SQRT1_2});
    expectPoint(ticks->endArrowPoints[1], {2 + s * M_SQRT1_2, s * M_SQRT1_2});
    expectPoint(ticks->lines[0].start, {0, 0}); // no inset without arrows

    auto boxes = readMeasured<Dimension>(R"(<dimension start="0,0" end="0,2" marker="box" height="0.1"/>)");
    EXPECT_NEAR(boxes->dimensionWidth, s, 1e-12);
    ASSERT_EQ(boxes->endArrowPoints.size(), 4u);
    expectPoint(boxes->endArrowPoints[0], {-s, 2 - s});
    expectPoint(boxes->endArrowPoints[2], {s, 2 + s});

    auto none = readMeasured<Dimension>(R"(<dimension start="0,0" end="2,0" marker="none"/>)");
    EXPECT_TRUE(none->startArrowPoints.empty());
    EXPECT_TRUE(none->endArrowPoints.empty());
}

TEST(Dimension, OffsetsAndExtensionLines)
{
    auto angled = readMeasured<Dimension>(R"(<dimension start="0,0" end="2,0" offset="0.5" penColor="255,0,0"
        penWidth="0.02" height="0.1"/>)");
    EXPECT_TRUE(angled->drawOffsets);
    ASSERT_TRUE(angled->offsetMatrix);
    expectPoint(angled->offsetMatrix->map(QPointF(0, 0)), {0, -0.5});
    expectPoint(angled->startOffset, {0, -0.5});
    expectPoint(angled->endOffset, {2, -0.5});

    auto h = readMeasured<Dimension>(R"(<dimension start="0,0" end="2,1" offset="0.5" style="horizontal"/>)");
    expectPoint(h->startOffset, {0, 1.5});
    expectPoint(h->endOffset, {2, 1.5});
    auto v = readMeasured<Dimension>(R"(<dimension start="0,0" end="1,2" offset="0.5" style="vertical"/>)");
    expectPoint(v->startOffset, {1.5, 0});
    expectPoint(v->endOffset, {1.5, 2});

    // The offset line and its extension lines, which stop short of the
    // measured points.
    const Canvas offsetCanvas(*angled, 100, {1, 0});
    EXPECT_TRUE(isRed(offsetCanvas.at({0.3, -0.5})));
    EXPECT_TRUE(isRed(offsetCanvas.at({0.005, -0.25})));
    EXPECT_FALSE(isRed(offsetCanvas.at({0.3, 0})));
    EXPECT_FALSE(isRed(offsetCanvas.at({0.005, -0.02})));

    // Below 1e-12 there is no offset and no extension line.
    angled->offset = 1e-13;
    angled->layout();
    EXPECT_FALSE(angled->drawOffsets);
    EXPECT_FALSE(angled->offsetMatrix);
    EXPECT_EQ(angled->startOffset, angled->start);
    const Canvas flat(*angled, 100, {1, 0});
    EXPECT_TRUE(isRed(flat.at({0.3, 0})));
    EXPECT_FALSE(isRed(flat.at({0.005, -0.25})));
}

TEST(Dimension, BoundingBoxFollowsThePlacement)
{
    auto d = readMeasured<Dimension>(R"(<dimension start="0,0" end="2,0" height="0.1"/>)");
    auto moved = readMeasured<Dimension>(R"(<dimension start="0,0" end="2,0" height="0.1" dx="3" dy="1"/>)");
    ASSERT_TRUE(d->boundingBox.valid);
    expectBox(moved->boundingBox, d->boundingBox.bottomLeft + QPointF(3, 1), d->boundingBox.topRight + QPointF(3, 1));
    // The arrows' extent along the line and the text's height across it.
    EXPECT_NEAR(d->boundingBox.bottomLeft.x(), 0, 1e-9);
    EXPECT_NEAR(d->boundingBox.topRight.x(), 2, 1e-9);
    const QRectF text = TextMetric::textRect(d->font, d->text, QPointF(1, 0));
    EXPECT_NEAR(d->boundingBox.topRight.y(), text.bottom(), 1e-9);
    EXPECT_NEAR(d->boundingBox.bottomLeft.y(), text.top(), 1e-9);

    // Coinciding points still have a box of their points and text; the
    // pen does not widen it.
    auto point = readMeasured<Dimension>(R"(<dimension start="1,1" end="1,1" penWidth="1"/>)");
    ASSERT_TRUE(point->boundingBox.valid);
    EXPECT_TRUE(point->boundingBox.contains({1, 1}));
    EXPECT_LT(point->boundingBox.width(), 0.5);
}

TEST(Dimension, DrawingAndPicking)
{
    auto d = readMeasured<Dimension>(R"(<dimension start="0,0" end="2,0" penColor="255,0,0" height="0.1"
        penWidth="0.01" startCap="round" lineJoin="bevel"/>)");
    EXPECT_EQ(d->pen.startCap, LineCap::flat); // the layout sets flat ends
    EXPECT_EQ(d->brush.color, QColor(255, 0, 0));
    const Canvas c(*d, 200, {1, 0});
    EXPECT_TRUE(isRed(c.at({0.03, 0}))); // inside the head
    EXPECT_TRUE(isRed(c.at({0.5, 0})));
    EXPECT_FALSE(isRed(c.at({0.5, 0.05})));
    // The text, in the pen's colour, in the gap.
    int textPixels = 0;
    for (double x = 0.9; x < 1.1; x += 0.005)
        for (double y = -0.05; y < 0.05; y += 0.005)
            textPixels += isRed(c.at({x, y})) ? 1 : 0;
    EXPECT_GT(textPixels, 20);
    EXPECT_EQ(c.depthAfter, 0);

    // Tick and box markers draw with caps and a join of their own; the
    // pen, as laid out, stays as it is (frames are drawn on several
    // threads at once).
    d->markerStyle = DimensionArrowStyle::box;
    d->layout();
    const LineJoin join = d->pen.lineJoin;
    Canvas(*d, 200, {1, 0});
    EXPECT_EQ(d->pen.startCap, LineCap::flat);
    EXPECT_EQ(d->pen.lineJoin, join);
    d->markerStyle = DimensionArrowStyle::line;
    d->layout();
    EXPECT_EQ(d->pen.startCap, LineCap::flat);
    Canvas(*d, 200, {1, 0});
    EXPECT_EQ(d->pen.endCap, LineCap::flat);

    // Picking widens the line by ten device pixels for the pick only.
    EXPECT_TRUE(picks(*d, {0.5, 4.0 / 400}));
    EXPECT_FALSE(picks(*d, {0.5, 20.0 / 400}));
    EXPECT_EQ(d->pen.width, 0.01);

    // Coinciding points draw nothing, not even when selected.
    auto point = readMeasured<Dimension>(R"(<dimension start="1,1" end="1,1" prefix="x" displayText="false"/>)");
    point->selected = true;
    EXPECT_TRUE(Canvas(*point, 100, {1, 1}).blank());
    EXPECT_FALSE(picks(*point, {1, 1}));
}

TEST(Dimension, EditorHasNothingToEdit)
{
    auto d = readMeasured<Dimension>(R"(<dimension start="0,0" end="1,0"/>)");
    std::unique_ptr<QWidget> w(editorFor(d));
    auto* editor = qobject_cast<DimensionEditor*>(w.get());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->title(), "Dimension");
    EXPECT_TRUE(editor->header()->iconName().isEmpty());
    EXPECT_TRUE(showsEmptyContent(editor));
    EXPECT_EQ(editor->dimension, d);
}

// ---------------------------------------------------------------- Picture

TEST(Picture, ReadingRulesAndImages)
{
    auto p = readMeasured<Picture>(std::string(R"(<image x="1" y="1" width="2" height="1" rotateInParts="true"
        subPickable ="true" extrusionBase="0.1" extrusionHeight="0.2"><pixels size="107">)")
                                 + kPixels + "</pixels></image>");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->typeName(), "Picture");
    EXPECT_EQ(p->center(), QPointF(2, 1.5));
    EXPECT_EQ(p->size(), QSizeF(2, 1));
    EXPECT_TRUE(p->rotateInParts);
    EXPECT_EQ(p->extrusionBase, 0.1);
    EXPECT_EQ(p->extrusionHeight, 0.2);
    EXPECT_EQ(p->image().size, QSize(20, 10));

    // The attribute's name ends with a blank, which no XML attribute name
    // can: written either way, it is the attribute "subPickable", not read.
    EXPECT_FALSE(p->subPickable);
    EXPECT_FALSE(readMeasured<Picture>(R"(<image subPickable="true"/>)")->subPickable);

    const std::string raw = "iVBORw0KGgoAAAANSUhEUgAAAAIAAAACCAYAAABytg0kAAAAEUlEQVR4nGP4z8DwH4QZYAwAR8oH+WdZbrcAAAAASUVORK5CYII=";
    const std::string broken = std::string(kPixels).insert(40, "\n");
    for (const std::string& pixels : {std::string("<pixels size=\"0\">") + kPixels + "</pixels>",
                                      std::string("<pixels>") + kPixels + "</pixels>",
                                      "<pixels size=\"60\">" + raw + "</pixels>", // PNG, not compressed
                                      "<pixels size=\"107\">" + broken + "</pixels>",
                                      std::string("<pixels size=\"5\">H4sIAAAAAAACA8tIzcnJBwCGphA2BQAAAA==</pixels>")}) {
        auto none = readMeasured<Picture>("<image width=\"1\" height=\"1\">" + pixels + "</image>");
        EXPECT_FALSE(none->hasImage()) << pixels;
    }
    // zlib data reads as well as gzip; a failure keeps the image there is.
    auto z = readMeasured<Picture>(R"(<image><pixels size="1">eJzrDPBz5+WS4mJgYOD19HAJAtJMIMzBBiSLtvGqAClBTxfHkIo5yT/OH/gg3yKZwMPgfor9Z3pk3nagJIOnq5/LOqeEJgAlJRJ6</pixels></image>)");
    EXPECT_TRUE(z->hasImage());
    pugi::xml_document doc = parseXml("<image><pixels size=\"1\">" + raw + "</pixels></image>");
    p->readXML(doc.first_child());
    EXPECT_EQ(p->image().size, QSize(20, 10));
}

TEST(Picture, BoxAndUprightStretchedDrawing)
{
    auto turned = readMeasured<Picture>(R"(<image x="0" y="0" width="2" height="1" m11="0" m12="1" m21="-1" m22="0" dx="1"/>)");
    expectBox(turned->boundingBox, {0, 0}, {1, 2});

    // 20 x 10 pixels squashed into a square, green half on top.
    auto p = readMeasured<Picture>(std::string(R"(<image x="0" y="0" width="1" height="1"><pixels size="107">)") + kPixels
                                 + "</pixels></image>");
    const Canvas c(*p, 200, {0.5, 0.5});
    auto near = [](const QColor& c, const QColor& want) {
        return std::abs(c.red() - want.red()) < 30 && std::abs(c.green() - want.green()) < 30
            && std::abs(c.blue() - want.blue()) < 30;
    };
    EXPECT_TRUE(near(c.at({0.25, 0.75}), QColor(0, 200, 0)));
    EXPECT_TRUE(near(c.at({0.75, 0.9}), QColor(0, 200, 0)));
    EXPECT_TRUE(near(c.at({0.25, 0.25}), QColor(220, 0, 0)));
    EXPECT_TRUE(near(c.at({0.75, 0.25}), QColor(0, 0, 220)));
    EXPECT_EQ(c.at({0.5, 1.05}), QColor(Qt::black));
    EXPECT_EQ(c.at({1.05, 0.5}), QColor(Qt::black));
    EXPECT_TRUE(picks(*p, {0.5, 0.5}));
    EXPECT_FALSE(picks(*p, {1.1, 0.5}));

    // Without an image only the selection frame, and only when selected.
    auto empty = readMeasured<Picture>(R"(<image x="0" y="0" width="1" height="1"/>)");
    expectBox(empty->boundingBox, {0, 0}, {1, 1});
    EXPECT_TRUE(Canvas(*empty, 200, {0.5, 0.5}).blank());
    empty->selected = true;
    const Canvas frame(*empty, 200, {0.5, 0.5});
    EXPECT_TRUE(isRed(frame.at({0.001, 0.5})));
    EXPECT_EQ(frame.at({0.5, 0.5}), QColor(Qt::black));
}

// Big embedded pictures cost what they show: reading decodes nothing, a
// drawing decodes at the shown size, and every picture draws even when the
// cache holds less than their full sizes together.
TEST(Picture, DecodedLazilyAtTheShownSizeUnderOneBudget)
{
    // 1600 x 1600 pictures of one colour each: a few KB encoded, 10 MiB decoded.
    const int side = 1600, count = 6;
    std::string entities;
    std::vector<QColor> colours;
    for (int i = 0; i < count; ++i) {
        const QColor colour((i * 70) % 256, 40 + i * 30, 200 - i * 25);
        colours.push_back(colour);
        QImage pixels(side, side, QImage::Format_RGB32);
        pixels.fill(colour);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(pixels.save(&buffer, "PNG"));
        const QByteArray packed = gzipDeflate(png);
        entities += "<image x=\"" + std::to_string(i) + "\" y=\"0\" width=\"1\" height=\"1\"><pixels size=\""
                    + std::to_string(packed.size()) + "\">" + packed.toBase64().toStdString() + "</pixels></image>";
    }
    ImageCache& cache = ImageCache::shared();
    const qint64 savedBudget = cache.budget();
    cache.clear();
    const int decodesBefore = cache.decodeCount();

    Design design;
    ASSERT_TRUE(design.loadFromBytes(QByteArray::fromStdString(
        "<pictures version=\"12\"><design><sheets><schematic><entities>" + entities
        + "</entities></schematic></sheets></design></pictures>"), "pictures"));
    Schematic& sheet = *design.currentDesignState()->schematics.front();
    sheet.updateGeometry();
    std::vector<std::shared_ptr<Picture>> pictures;
    sheet.entityList.collect(pictures);
    ASSERT_EQ(int(pictures.size()), count);
    for (const auto& p : pictures)
        EXPECT_EQ(p->image().size, QSize(side, side));
    EXPECT_EQ(cache.decodeCount(), decodesBefore);
    EXPECT_EQ(cache.bytesUsed(), 0);

    // Steps: rounded up, never past the image's own size nor under a pixel.
    EXPECT_EQ(ImageCache::decodeSize(QSize(100, 30), QSize(side, side)), QSize(128, 32));
    EXPECT_EQ(ImageCache::decodeSize(QSize(0, 5000), QSize(side, side)), QSize(32, side));
    EXPECT_EQ(ImageCache::decodeSize(QSize(100, 100), QSize(20, 10)), QSize(20, 10));

    // Picking decodes nothing and hits the picture's box.
    EXPECT_TRUE(picks(*pictures[0], {0.5, 0.5}));
    EXPECT_EQ(cache.decodeCount(), decodesBefore);

    // The budget holds two pictures at 1,000 pixels (decoded at 1,024), far
    // less than all of them at full size; each still draws in its colour.
    cache.setBudget(qint64(9) * 1024 * 1024);
    QImage image(count * 1000, 1000, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setTransform(QTransform(1000, 0, 0, -1000, 0, 1000));
        DrawingContext context(painter);
        Graphics g(context);
        sheet.draw(g);
    }
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(image.pixelColor(i * 1000 + 500, 500), colours[size_t(i)]) << i;
    EXPECT_EQ(cache.decodeCount(), decodesBefore + count);
    EXPECT_LE(cache.bytesUsed(), cache.budget());
    const QImage shown = pictures[0]->decodedImage(QSize(1000, 1000));
    EXPECT_EQ(shown.size(), ImageCache::decodeSize(QSize(1000, 1000), QSize(side, side)));
    EXPECT_LT(shown.width(), side);

    // Drawn again at the same size, the last pictures come from the cache.
    const int decodes = cache.decodeCount();
    pictures[count - 1]->decodedImage(QSize(1000, 1000));
    EXPECT_EQ(cache.decodeCount(), decodes);
    cache.setBudget(savedBudget);
    cache.clear();
}

namespace {

QByteArray pngOf(const QImage& image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// Largest difference of any channel between the images (premultiplied).
int largestDifference(const QImage& a, const QImage& b)
{
    const QImage pa = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage pb = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int most = 0;
    for (int y = 0; y < pa.height(); ++y)
        for (int x = 0; x < pa.width(); ++x) {
            const QRgb p = pa.pixel(x, y), q = pb.pixel(x, y);
            most = std::max({most, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return most;
}

} // namespace

// Pictures are decoded a row at a time and reduced on the way: the result
// is Qt's whole decode scaled smoothly, to within rounding, for every kind
// of PNG; the size asked for is kept, never more than the image's own.
TEST(Picture, PngsDecodedRowByRowMatchQtsScaledDecode)
{
    QImage art(301, 203, QImage::Format_ARGB32);
    for (int y = 0; y < art.height(); ++y)
        for (int x = 0; x < art.width(); ++x)
            art.setPixel(x, y, qRgba((x * 7) % 256, (y * 5) % 256, ((x ^ y) * 3) % 256, (x + y) % 3 ? 255 : (x * y) % 256));
    const QImage kinds[] = {art, art.convertToFormat(QImage::Format_RGB32), art.convertToFormat(QImage::Format_Grayscale8),
        art.convertToFormat(QImage::Format_Indexed8), art.convertToFormat(QImage::Format_RGBA64)};
    for (const QImage& kind : kinds) {
        const QByteArray png = pngOf(kind);
        const QImage whole = QImage::fromData(png);
        for (const QSize size : {QSize(97, 61), QSize(1, 1), QSize(301, 203), QSize(400, 2)}) {
            const std::optional<QImage> mine = ImageCache::decodePng(png, size);
            ASSERT_TRUE(mine && !mine->isNull()) << kind.format();
            const QSize kept = size.boundedTo(kind.size());
            EXPECT_EQ(mine->size(), kept);
            EXPECT_EQ(mine->hasAlphaChannel(), whole.hasAlphaChannel()) << kind.format();
            const QImage qts = whole.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                   .scaled(kept, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            EXPECT_LE(largestDifference(*mine, qts), kept == kind.size() ? 1 : 2) << kind.format() << " " << size.width();
        }
    }
    // Not a PNG: left to Qt's readers.
    EXPECT_FALSE(ImageCache::decodePng("GIF89a", QSize(1, 1)));
    // Qt's allocation limit bounds what is made, not what is read.
    const int limit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(1);
    const QByteArray big = pngOf(art.scaled(1000, 600));
    EXPECT_EQ(ImageCache::decodePng(big, QSize(400, 300))->size(), QSize(400, 300));
    EXPECT_TRUE(ImageCache::decodePng(big, QSize(1000, 600))->isNull());
    QImageReader::setAllocationLimit(limit);
}

TEST(Picture, DamagedPngsDrawNothing)
{
    QImage art(400, 300, QImage::Format_RGB32);
    for (int y = 0; y < art.height(); ++y)
        for (int x = 0; x < art.width(); ++x)
            art.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    const QByteArray png = pngOf(art);
    const QByteArray truncated = png.left(png.size() / 2);
    QByteArray garbled = png;
    for (qsizetype i = 100; i < 400; ++i)
        garbled[i] = char(0xff);
    for (const QByteArray& bad : {truncated, garbled, png.left(40)}) {
        const std::optional<QImage> decoded = ImageCache::decodePng(bad, QSize(40, 30));
        ASSERT_TRUE(decoded);
        EXPECT_TRUE(decoded->isNull());
        // Its header still reads, so the picture keeps it, and draws nothing.
        const QByteArray packed = gzipDeflate(bad);
        auto p = readMeasured<Picture>("<image x=\"0\" y=\"0\" width=\"1\" height=\"1\"><pixels size=\""
            + std::to_string(packed.size()) + "\">" + packed.toBase64().toStdString() + "</pixels></image>");
        if (p->hasImage()) {
            EXPECT_TRUE(Canvas(*p, 200, {0.5, 0.5}).blank());
        }
    }
}

// In the application pictures decode off the drawing thread: a drawing
// meanwhile shows what there is, and the hook runs once the image is ready.
TEST(Picture, DecodesInTheBackgroundWhenAskedTo)
{
    QImage art(640, 480, QImage::Format_RGB32);
    art.fill(QColor(10, 120, 230));
    const QByteArray png = pngOf(art);
    const EncodedImage encoded{png, art.size()};
    ImageCache cache;
    std::atomic<int> ready{0};
    cache.setReadyHook([&ready] { ++ready; });
    QByteArray bytes = png;
    const quint64 key = cache.acquire(bytes);
    EXPECT_TRUE(cache.image(key, encoded, QSize(64, 48)).isNull());
    ImageCache::waitForDecodes();
    QCoreApplication::processEvents();
    EXPECT_EQ(ready, 1);
    const QImage small = cache.image(key, encoded, QSize(64, 48));
    EXPECT_EQ(small.size(), ImageCache::decodeSize(QSize(64, 48), art.size()));
    EXPECT_EQ(small.pixelColor(10, 10), QColor(10, 120, 230));
    // A larger size stands in by the one there is until it is ready.
    EXPECT_EQ(cache.image(key, encoded, QSize(600, 400)).size(), small.size());
    ImageCache::waitForDecodes();
    EXPECT_EQ(cache.image(key, encoded, QSize(600, 400)).size(), art.size());
    EXPECT_EQ(cache.decodeCount(), 2);
    cache.setReadyHook(nullptr);
    cache.release(key);
    EXPECT_EQ(cache.bytesUsed(), 0);
}

namespace {

// A PNG whose header claims width x height pixels, over rows of a tiny one.
QByteArray pngClaiming(quint32 width, quint32 height)
{
    QImage tiny(4, 4, QImage::Format_RGB32);
    tiny.fill(Qt::red);
    QByteArray png = pngOf(tiny);
    // Signature (8), IHDR length and type (8), then width and height.
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = char(width >> (24 - 8 * i));
        png[20 + i] = char(height >> (24 - 8 * i));
    }
    const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(png.constData() + 12), 17));
    for (int i = 0; i < 4; ++i)
        png[29 + i] = char(crc >> (24 - 8 * i));
    return png;
}

} // namespace

// A decode that fails (damaged data, more pixels than allowed) or, in the
// background, one too large to keep, is tried once per size: in the
// application each ready decode asks for a redraw, and a redraw that asked
// for the decode again kept an idle window busy for ever.
TEST(Picture, DecodesThatFailOrAreNotKeptRunOnce)
{
    QImage art(640, 480, QImage::Format_RGB32);
    art.fill(QColor(10, 120, 230));
    const QByteArray png = pngOf(art);
    QByteArray garbled = png;
    for (qsizetype i = 100; i < 400; ++i)
        garbled[i] = char(0xff);
    const QByteArray huge = pngClaiming(20000, 20000);
    ASSERT_GT(qint64(20000) * 20000, ImageCache::kMaxPngPixels);
    ASSERT_EQ(QImage::fromData(pngClaiming(4, 4)).size(), QSize(4, 4)); // the header patch itself is sound
    ASSERT_EQ(ImageCache::decodePng(huge, QSize(64, 64)), QImage());

    struct Case {
        QByteArray bytes;
        QSize size;
        qint64 budget;
    };
    const Case cases[] = {{garbled, art.size(), ImageCache::kDefaultBudget},
                          {huge, QSize(20000, 20000), ImageCache::kDefaultBudget},
                          {png, art.size(), 1000}}; // 64 x 48 decoded: 12 KB, over the budget
    for (const bool background : {false, true}) {
        for (const Case& c : cases) {
            const int which = int(&c - cases);
            ImageCache cache(c.budget);
            std::atomic<int> ready{0};
            if (background)
                cache.setReadyHook([&ready] { ++ready; });
            QByteArray bytes = c.bytes;
            const quint64 key = cache.acquire(bytes);
            const EncodedImage encoded{bytes, c.size};
            for (int draw = 0; draw < 3; ++draw) {
                const QImage shown = cache.image(key, encoded, QSize(64, 48));
                ImageCache::waitForDecodes();
                QCoreApplication::processEvents();
                // Only the image over the budget shows, and only when decoded
                // while drawing.
                EXPECT_EQ(shown.isNull(), which < 2 || background) << which << background << draw;
            }
            // Over the budget and drawn while drawing: decoded each time,
            // as before, since nothing is left to draw from.
            EXPECT_EQ(cache.decodeCount(), which == 2 && !background ? 3 : 1) << which << background;
            EXPECT_EQ(ready, background ? 1 : 0) << which;
            EXPECT_EQ(cache.bytesUsed(), 0);
            // Another size is another decode, tried once too.
            cache.image(key, encoded, QSize(20, 20));
            cache.image(key, encoded, QSize(20, 20));
            ImageCache::waitForDecodes();
            QCoreApplication::processEvents();
            EXPECT_EQ(cache.decodeCount(), which == 2 && !background ? 5 : 2) << which << background;
            EXPECT_EQ(ready, background ? 2 : 0) << which;
            cache.setReadyHook(nullptr);
            cache.release(key);
        }
    }
}

// Pictures that each fit the budget but not together: in the application
// each ready decode pushed the other picture's out, and each redraw decoded
// that one again, for ever. Decodes in use now stay; the picture that does
// not fit shows a smaller image, and nothing is decoded again until the
// view or the pictures change.
TEST(Picture, PicturesThatDoNotFitTogetherSettle)
{
    const QColor colours[] = {QColor(200, 40, 90), QColor(20, 140, 60), QColor(30, 60, 220)};
    std::vector<QByteArray> pngs;
    for (const QColor& colour : colours) {
        QImage art(256, 256, QImage::Format_RGB32);
        art.fill(colour);
        pngs.push_back(pngOf(art));
    }
    const qint64 full = qint64(256) * 256 * 4; // one picture decoded at 256 x 256
    ImageCache cache(full * 3 / 2);
    std::atomic<int> ready{0};
    cache.setReadyHook([&ready] { ++ready; });
    std::vector<quint64> keys;
    for (QByteArray bytes : pngs)
        keys.push_back(cache.acquire(bytes));
    auto encoded = [&](size_t i) { return EncodedImage{pngs[i], QSize(256, 256)}; };

    // Rounds as the application's: a frame draws the pictures in order,
    // then the decodes it started get ready and ask for the next frame.
    std::vector<QImage> shown(keys.size());
    auto frame = [&](const std::vector<size_t>& pictures, int side) {
        for (size_t i : pictures)
            shown[i] = cache.image(keys[i], encoded(i), QSize(side, side));
        ImageCache::waitForDecodes();
        QCoreApplication::processEvents();
    };
    // Redraws until nothing changes; the decodes that took.
    auto settle = [&](const std::vector<size_t>& pictures, int side) {
        const int before = cache.decodeCount();
        for (int round = 0; round < 6; ++round) {
            frame(pictures, side);
            EXPECT_LE(cache.bytesUsed(), cache.budget()) << round;
        }
        const int decodes = cache.decodeCount(), hooks = ready;
        for (int round = 0; round < 3; ++round)
            frame(pictures, side);
        EXPECT_EQ(cache.decodeCount(), decodes) << "decoded for ever";
        EXPECT_EQ(ready, hooks) << "redrawn for ever";
        return decodes - before;
    };
    auto shows = [&](size_t i, int side) {
        EXPECT_EQ(shown[i].width(), side) << i;
        if (!shown[i].isNull()) {
            EXPECT_EQ(shown[i].pixelColor(shown[i].width() / 2, shown[i].height() / 2), colours[i]) << i;
        }
    };

    // The later picture (drawn over the other) is kept; the other shows
    // shrunk into half the room left.
    EXPECT_LE(settle({0, 1}, 256), 4);
    shows(1, 256);
    EXPECT_GT(shown[0].width(), 64);
    EXPECT_LT(shown[0].width(), 256);
    shows(0, shown[0].width());
    EXPECT_LE(shown[0].sizeInBytes(), (cache.budget() - full) / 2);

    // Zoomed out both fit; zoomed back in they settle again.
    settle({0, 1}, 128);
    shows(0, 128);
    shows(1, 128);
    EXPECT_LE(settle({0, 1}, 256), 2);
    shows(1, 256);
    EXPECT_LT(shown[0].width(), 256);
    EXPECT_FALSE(shown[0].isNull());

    // A picture that comes into view is another change: the three settle,
    // each showing something.
    settle({0, 1, 2}, 256);
    shows(2, 256);
    for (size_t i : {0, 1})
        EXPECT_FALSE(shown[i].isNull()) << i;

    // The pictures over the first one go: it is tried again, and kept.
    cache.release(keys[1]);
    cache.release(keys[2]);
    EXPECT_EQ(settle({0}, 256), 1);
    shows(0, 256);

    cache.setReadyHook(nullptr);
    cache.release(keys[0]);
    EXPECT_EQ(cache.bytesUsed(), 0);
}

// Pictures of identical bytes (a logo placed many times) share their
// decodes and their bytes, whichever of them goes first.
TEST(Picture, IdenticalPicturesShareOneDecode)
{
    QImage art(300, 200, QImage::Format_RGB32);
    art.fill(QColor(200, 40, 90));
    const QByteArray packed = gzipDeflate(pngOf(art));
    const std::string xml = "<image x=\"0\" y=\"0\" width=\"1\" height=\"1\"><pixels size=\""
        + std::to_string(packed.size()) + "\">" + packed.toBase64().toStdString() + "</pixels></image>";
    QImage other(300, 200, QImage::Format_RGB32);
    other.fill(QColor(20, 40, 90));
    const QByteArray otherPacked = gzipDeflate(pngOf(other));
    ImageCache& cache = ImageCache::shared();
    cache.clear();
    const int before = cache.decodeCount();
    auto a = readMeasured<Picture>(xml);
    auto b = readMeasured<Picture>(xml);
    auto c = readMeasured<Picture>("<image x=\"0\" y=\"0\" width=\"1\" height=\"1\"><pixels size=\""
        + std::to_string(otherPacked.size()) + "\">" + otherPacked.toBase64().toStdString() + "</pixels></image>");
    ASSERT_TRUE(a->hasImage() && b->hasImage() && c->hasImage());
    EXPECT_EQ(a->image().bytes.constData(), b->image().bytes.constData()); // held once
    EXPECT_NE(a->image().bytes.constData(), c->image().bytes.constData());

    const QImage shownA = a->decodedImage(QSize(100, 60));
    const QImage shownB = b->decodedImage(QSize(100, 60));
    EXPECT_EQ(cache.decodeCount(), before + 1);
    EXPECT_EQ(shownA.cacheKey(), shownB.cacheKey());
    EXPECT_EQ(cache.bytesUsed(), shownA.sizeInBytes());
    EXPECT_EQ(c->decodedImage(QSize(100, 60)).pixelColor(5, 5), QColor(20, 40, 90));
    EXPECT_EQ(cache.decodeCount(), before + 2);

    // The first gone, the second still draws from the cache; both gone,
    // their image leaves it.
    a.reset();
    EXPECT_EQ(b->decodedImage(QSize(100, 60)).pixelColor(5, 5), QColor(200, 40, 90));
    EXPECT_EQ(cache.decodeCount(), before + 2);
    b.reset();
    c.reset();
    EXPECT_EQ(cache.bytesUsed(), 0);
}

TEST(Picture, EditorMovesAndSizesThePicture)
{
    Schematic sheet(nullptr);
    sheet.schematicSettings.units = Units::mm;
    auto p = readMeasured<Picture>(R"(<image x="1" y="1" width="2" height="1"/>)", &sheet);
    std::unique_ptr<QWidget> w(editorFor(p));
    auto* editor = qobject_cast<PictureEditor*>(w.get());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->title(), "Picture");
    EXPECT_EQ(editor->header()->iconName(), "rectangle");
    EXPECT_TRUE(editor->findChild<ExtrusionEditor*>());
    EXPECT_FALSE(editor->findChild<PenEditor*>());
    EXPECT_FALSE(editor->findChild<FillEditor*>());
    auto* centre = editor->findChild<PointParametersEditor*>();
    auto* size = editor->findChild<SizeParametersEditor*>();
    ASSERT_TRUE(centre && size);
    editor->show();

    {
        RedrawCounter redraws;
        typeAndReturn(centre->xField(), QStringLiteral("76.2")); // 3 inches
        EXPECT_EQ(p->rectangle, QRectF(2, 1, 2, 1));
        typeAndReturn(size->heightField(), QStringLiteral("50.8"));
        EXPECT_EQ(p->rectangle, QRectF(2, 1, 2, 2)); // bottom-left kept
        EXPECT_EQ(redraws.count, 2);
    }
    // Through the application's redraw, which refreshes the controls: the
    // centre shown is the new midpoint, and typed back it moves nothing.
    typeAndReturn(size->heightField(), QStringLiteral("25.4"));
    EXPECT_EQ(p->rectangle, QRectF(2, 1, 2, 1));
    EXPECT_NEAR(centre->yField()->text().toDouble(), 38.1, 1e-9);
    typeAndReturn(centre->yField(), centre->yField()->text());
    EXPECT_EQ(p->rectangle, QRectF(2, 1, 2, 1));
}

// ---------------------------------------------------------------- Marker and origin

TEST(Marker, BoxIsItsChildrensUnderItsPlacement)
{
    auto m = readMeasured<Marker>(R"(<marker dx="2"><entities>
        <rectangle x="0" y="0" width="1" height="1" penWidth="0.02"/><noSuchThing/></entities></marker>)");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->typeName(), "Marker");
    ASSERT_EQ(m->children.entities.size(), 1u);
    BoundingBox sheetBox;
    m->updateGeometry(std::nullopt, &sheetBox);
    expectBox(m->boundingBox, {1.99, -0.01}, {3.01, 1.01});
    expectBox(sheetBox, {1.99, -0.01}, {3.01, 1.01});

    // A child moved since: only where it is now counts.
    auto r = std::dynamic_pointer_cast<Rectangle>(m->children.entities[0]);
    r->rectangle.translate(10, 0);
    BoundingBox again;
    m->updateGeometry(std::nullopt, &again);
    expectBox(again, {11.99, -0.01}, {13.01, 1.01});

    // Nothing inside, or only guides: no box, nothing added.
    for (const char* xml : {"<marker dx=\"2\"/>", "<marker><entities><horizontalGuide at=\"1\"/></entities></marker>"}) {
        auto empty = readMeasured<Marker>(xml);
        BoundingBox box;
        empty->updateGeometry(std::nullopt, &box);
        EXPECT_FALSE(empty->boundingBox.valid);
        EXPECT_FALSE(box.valid);
        empty->selected = true;
        EXPECT_TRUE(Canvas(*empty, 100, {0, 0}).blank());
    }
}

TEST(Marker, SheetDrawsAndPicksTheChildrenButNoBoardPasses)
{
    pugi::xml_document doc = parseXml(R"(<sheet><entities><marker dx="2"><entities>
        <rectangle x="0" y="0" width="1" height="1" penColor="0,0,0,0" brushColor="255,0,0"/></entities></marker>
        </entities></sheet>)");
    EntityList list;
    EntityList::readEntities(doc.first_child(), nullptr, list);
    list.updateBoundingBox(std::nullopt, nullptr);
    const Canvas c([&list](Graphics& g) { list.draw(g); }, 100, {2, 0.5});
    EXPECT_TRUE(isRed(c.at({2.5, 0.5})));
    EXPECT_FALSE(isRed(c.at({0.5, 0.5})));
    auto marker = list.entities[0];
    EXPECT_EQ(pickFromList(list, {2.5, 0.5}, false), marker);
    EXPECT_EQ(pickFromList(list, {2.5, 0.5}, true), std::dynamic_pointer_cast<Marker>(marker)->children.entities[0]);
    EXPECT_EQ(pickFromList(list, {0.5, 0.5}, false), nullptr);

    // Board passes do not reach a marker's children, a dial's do.
    auto counter = std::make_shared<PassCounter>(nullptr);
    auto dialCounter = std::make_shared<PassCounter>(nullptr);
    auto m = std::make_shared<Marker>(nullptr);
    m->children.entities.push_back(counter);
    auto dial = std::make_shared<Dial>(nullptr);
    dial->children.entities.push_back(dialCounter);
    EntityList board;
    board.entities = {m, dial};
    QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    DrawingContext context(painter);
    Graphics g(context);
    board.drawPadPass(g);
    board.drawHolePass(g, Qt::yellow);
    EXPECT_EQ(counter->padPasses + counter->holePasses, 0);
    EXPECT_EQ(dialCounter->padPasses, 1);
    EXPECT_EQ(dialCounter->holePasses, 1);
}

TEST(Marker, OriginKeepsOnlyTheCommonAttributes)
{
    auto o = readMeasured<Origin>(R"(<origin identifier="here" locked="true" userCannotSelect="true" layer="3" dx="1"/>)");
    ASSERT_TRUE(o);
    EXPECT_EQ(o->typeName(), "Origin");
    EXPECT_EQ(o->identifier, "here");
    EXPECT_TRUE(o->locked);
    EXPECT_TRUE(o->userCannotSelect);
    EXPECT_EQ(o->layerIndex, 3);
    ASSERT_TRUE(o->singleLevelTransform);
    EXPECT_EQ(o->singleLevelTransform->dx(), 1);
    BoundingBox box;
    o->updateGeometry(std::nullopt, &box);
    EXPECT_FALSE(o->boundingBox.valid);
    EXPECT_FALSE(box.valid);
    o->selected = true;
    EXPECT_TRUE(Canvas(*o, 100, {1, 0}).blank());

    const std::pair<std::shared_ptr<Entity>, QString> frames[] = {{o, "Origin"},
                                                                   {readMeasured<Marker>("<marker/>"), "Marker"}};
    for (const auto& [entity, title] : frames) {
        std::unique_ptr<QWidget> w(editorFor(entity));
        auto* frame = qobject_cast<FrameEditor*>(w.get());
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->title(), title);
        EXPECT_TRUE(frame->header()->iconName().isEmpty());
        EXPECT_TRUE(showsEmptyContent(frame));
    }
}

// ---------------------------------------------------------------- Guides

TEST(Guides, ReadingRulesTypeNamesAndNoBox)
{
    EXPECT_EQ(readMeasured<HorizontalGuide>(R"(<horizontalGuide at="1.25"/>)")->y, 1.25);
    EXPECT_EQ(readMeasured<HorizontalGuide>(R"(<horizontalGuide/>)")->y, 0);
    EXPECT_EQ(readMeasured<HorizontalGuide>(R"(<horizontalGuide at="up"/>)")->y, 0);
    EXPECT_EQ(readMeasured<VerticalGuide>(R"(<verticalGuide at="-3"/>)")->x, -3);
    auto a = readMeasured<AngledGuide>(R"(<angledGuide start="1,2" penColor="0,255,0" penWidth="0.2"/>)");
    EXPECT_EQ(a->start, QPointF(1, 2));
    EXPECT_EQ(a->end, QPointF(0, 0));
    EXPECT_EQ(a->pen.color, QColor(0, 255, 0));
    EXPECT_EQ(AngledGuide(nullptr).end, QPointF(1, 1));
    auto p = readMeasured<PointGuide>(R"(<pointGuide at="0.5,0.25" penWidth="0.1"/>)");
    EXPECT_EQ(p->position, QPointF(0.5, 0.25));
    EXPECT_EQ(p->pen.width, 0.1);

    EXPECT_EQ(readMeasured<HorizontalGuide>("<horizontalGuide/>")->typeName(), "Horizontal Guide");
    EXPECT_EQ(readMeasured<VerticalGuide>("<verticalGuide/>")->typeName(), "Vertical Guide");
    EXPECT_EQ(a->typeName(), "AngledGuide");
    EXPECT_EQ(p->typeName(), "Point Guide");

    // No box: never culled, nothing in the sheet's extent.
    pugi::xml_document doc = parseXml(R"(<s><entities><horizontalGuide at="100"/><verticalGuide at="5"/>
        <angledGuide/><pointGuide at="9,9"/></entities></s>)");
    EntityList list;
    EntityList::readEntities(doc.first_child(), nullptr, list);
    ASSERT_EQ(list.entities.size(), 4u);
    list.updateBoundingBox(std::nullopt, nullptr);
    EXPECT_FALSE(list.boundingBox.valid);
    for (const auto& e : list.entities)
        EXPECT_FALSE(e->boundingBox.valid);
}

TEST(Guides, LineGuidesCrossTheWholeViewInMagentaOnePixelWide)
{
    auto h = readMeasured<HorizontalGuide>(R"(<horizontalGuide at="0.5" penColor="0,255,0" penWidth="1"/>)");
    const Canvas c(*h, 100, {0, 0});
    int first = -1, last = -1, onRow = 0;
    const int row = int(std::floor(c.view.map(QPointF(0, 0.5)).y()));
    for (int x = 0; x < 400; ++x) {
        if (isMagenta(c.image.pixelColor(x, row)) || isMagenta(c.image.pixelColor(x, row - 1))) {
            first = first < 0 ? x : first;
            last = x;
            ++onRow;
        }
    }
    EXPECT_LT(first, 12);
    EXPECT_GT(last, 388);
    EXPECT_GT(onRow, 150);
    EXPECT_LT(onRow, 380); // dashed
    EXPECT_LT(c.count(isMagenta), 2 * 400);
    EXPECT_EQ(c.count([](const QColor& p) { return p.green() > 100; }), 0);

    auto v = readMeasured<VerticalGuide>(R"(<verticalGuide at="-1"/>)");
    const Canvas vc(*v, 100, {0, 0});
    EXPECT_TRUE(isMagenta(vc.at({-1, 1.9})) || isMagenta(vc.at({-1, 1.85})) || isMagenta(vc.at({-1, 1.8})));
    EXPECT_GT(vc.count(isMagenta), 150);

    // Outside the view: nothing shows, nothing fails.
    auto far = readMeasured<HorizontalGuide>(R"(<horizontalGuide at="1e30"/>)");
    EXPECT_TRUE(Canvas(*far, 100, {0, 0}).blank());

    // Under a holder's placement the guide still spans the whole view, the
    // holder's other ink far off it: the guide keeps the holder from being
    // culled without making the rest of its ink unbounded (as a guide's
    // own ink is not).
    pugi::xml_document doc = parseXml(R"(<s><entities><marker dx="1.5"><entities><horizontalGuide at="0"/>
        <rectangle x="5" y="5" width="1" height="1" penWidth="0.02"/></entities></marker></entities></s>)");
    EntityList list;
    EntityList::readEntities(doc.first_child(), nullptr, list);
    list.updateBoundingBox(std::nullopt, nullptr);
    const Entity& holder = *list.entities.front();
    EXPECT_FALSE(holder.inkUnbounded);
    EXPECT_TRUE(holder.holdsGuides);
    ASSERT_TRUE(holder.measuredInk.valid);
    EXPECT_NEAR(holder.measuredInk.bottomLeft.x(), 6.49, 0.02);
    EXPECT_NEAR(holder.measuredInk.topRight.y(), 6.01, 0.02);
    EXPECT_FALSE(EntityList::inkBox(holder).valid);
    EXPECT_FALSE(std::as_const(holder).holder()->entities().entities.front()->inkUnbounded);
    const Canvas placed(
        [&list](Graphics& g) {
            g.viewportBoundingBox.addTransformedRect(QRectF(0, 0, 400, 400), QTransform(100, 0, 0, -100, 200, 200).inverted());
            list.draw(g);
        },
        100, {0, 0});
    const int mid = int(std::floor(placed.view.map(QPointF(0, 0)).y()));
    int leftmost = 400;
    for (int x = 0; x < 400; ++x)
        if (isMagenta(placed.image.pixelColor(x, mid)) || isMagenta(placed.image.pixelColor(x, mid - 1)))
            leftmost = std::min(leftmost, x);
    EXPECT_LT(leftmost, 12);
}

TEST(Guides, AngledGuideIsReSpannedAndClippedToTheView)
{
    auto a = readMeasured<AngledGuide>(R"(<angledGuide start="0,0" end="1,1"/>)");
    const Canvas c(*a, 100, {0, 0});
    // Drawing spans a copy: the points stay as read, drawn or not.
    EXPECT_EQ(a->start, QPointF(0, 0));
    EXPECT_EQ(a->end, QPointF(1, 1));
    EXPECT_GT(c.count(isMagenta), 200);
    // Along the diagonal, corner to corner: a dash within a few pixels
    // along the line (its gaps are at most 4 pixels long).
    int hits = 0;
    for (double t : {-1.9, -1.0, 0.0, 1.0, 1.9}) {
        bool hit = false;
        for (double e = -0.04; e <= 0.04; e += 0.01)
            hit = hit || isMagenta(c.at({t + e, t + e}));
        hits += hit ? 1 : 0;
    }
    EXPECT_GE(hits, 4);

    // A guide that misses the view draws nothing and leaves the state alone.
    auto off = readMeasured<AngledGuide>(R"(<angledGuide start="0,50" end="1,50"/>)");
    const Canvas missed(*off, 100, {0, 0});
    EXPECT_TRUE(missed.blank());
    EXPECT_EQ(missed.depthAfter, 0);
    EXPECT_EQ(off->start, QPointF(0, 50));

    // No direction: nothing drawn, points kept.
    auto same = readMeasured<AngledGuide>(R"(<angledGuide start="0,0"/>)");
    EXPECT_TRUE(Canvas(*same, 100, {0, 0}).blank());
    EXPECT_EQ(same->start, QPointF(0, 0));
    EXPECT_EQ(same->end, QPointF(0, 0));

    // Point guides draw only a selection frame, which their empty box never has.
    auto p = readMeasured<PointGuide>(R"(<pointGuide at="0,0"/>)");
    p->selected = true;
    EXPECT_TRUE(Canvas(*p, 100, {0, 0}).blank());

    double t0 = 0, t1 = 0;
    BoundingBox box;
    box.addRect(QRectF(-1, -1, 2, 2));
    ASSERT_TRUE(Guide::clipSegment({-10, 0}, {10, 0}, box, t0, t1));
    EXPECT_NEAR(t0, 0.45, 1e-12);
    EXPECT_NEAR(t1, 0.55, 1e-12);
    EXPECT_FALSE(Guide::clipSegment({-10, 5}, {10, 5}, box, t0, t1));
    EXPECT_FALSE(Guide::clipSegment({2, 2}, {3, 5}, box, t0, t1));
    ASSERT_TRUE(Guide::clipSegment({0, 0}, {0.5, 0.5}, box, t0, t1));
    EXPECT_EQ(t0, 0);
    EXPECT_EQ(t1, 1);
}

TEST(Guides, EditorsWriteTheirCoordinates)
{
    LocaleGuard english(kEnglish);
    Schematic sheet(nullptr);
    sheet.schematicSettings.units = Units::mm;
    auto h = readMeasured<HorizontalGuide>(R"(<horizontalGuide at="1.23456"/>)", &sheet);
    std::unique_ptr<QWidget> hw(editorFor(h));
    auto* he = qobject_cast<HorizontalGuideEditor*>(hw.get());
    ASSERT_TRUE(he);
    EXPECT_EQ(he->title(), "Horizontal Guide");
    EXPECT_EQ(he->titleText, "Horizontal Guide");
    EXPECT_TRUE(he->header()->iconName().isEmpty());
    ASSERT_TRUE(he->yField);
    EXPECT_EQ(he->yField->text(), "1.235"); // inches, whatever the sheet's units
    EXPECT_LE(he->yField->maximumWidth(), 100);
    he->show();
    RedrawCounter redraws;
    typeAndReturn(he->yField, QStringLiteral("2.5"));
    EXPECT_EQ(h->y, 2.5);
    EXPECT_EQ(he->yField->text(), "2.5");
    EXPECT_EQ(redraws.count, 1);

    auto v = readMeasured<VerticalGuide>(R"(<verticalGuide at="2"/>)", &sheet);
    std::unique_ptr<QWidget> vw(editorFor(v));
    auto* ve = qobject_cast<VerticalGuideEditor*>(vw.get());
    ASSERT_TRUE(ve && ve->xField);
    EXPECT_EQ(ve->title(), "Vertical Guide");
    EXPECT_EQ(ve->xField->text(), "2");
    ve->show();
    typeAndReturn(ve->xField, QStringLiteral("-0.5"));
    EXPECT_EQ(v->x, -0.5);

    auto a = readMeasured<AngledGuide>(R"(<angledGuide start="0,0" end="1,1"/>)", &sheet);
    std::unique_ptr<QWidget> aw(editorFor(a));
    auto* ae = qobject_cast<AngledGuideEditor*>(aw.get());
    ASSERT_TRUE(ae);
    EXPECT_EQ(ae->title(), "Angled Guide");
    const auto points = ae->findChildren<PointParametersEditor*>();
    ASSERT_EQ(points.size(), 2);
    ae->show();
    typeAndReturn(points[1]->xField(), QStringLiteral("50.8")); // millimetres here
    EXPECT_NEAR(a->end.x(), 2, 1e-9);

    auto p = readMeasured<PointGuide>(R"(<pointGuide at="1,1"/>)", &sheet);
    std::unique_ptr<QWidget> pw(editorFor(p));
    auto* pe = qobject_cast<PointGuideEditor*>(pw.get());
    ASSERT_TRUE(pe);
    EXPECT_EQ(pe->title(), "Point Guide");
    auto* position = pe->findChild<PointParametersEditor*>();
    ASSERT_TRUE(position);
    pe->show();
    typeAndReturn(position->yField(), QStringLiteral("0"));
    EXPECT_EQ(p->position, QPointF(1, 0));
    EXPECT_EQ(redraws.count, 4);
}

// ---------------------------------------------------------------- Controls

TEST(Controls, ReadingRules)
{
    auto dial = readMeasured<Dial>(R"(<dial holeDiameter="45" height="0.3" x="1" y="2" width="0.5">
        <entities><rectangle/><rectangle/></entities></dial>)");
    ASSERT_TRUE(dial);
    EXPECT_EQ(dial->angle, 45);
    EXPECT_EQ(dial->height, 0.3);
    EXPECT_EQ(dial->rectangle, QRectF(1, 2, 0.5, double(0.3f)));
    EXPECT_EQ(dial->children.entities.size(), 2u);
    EXPECT_EQ(readMeasured<Dial>(R"(<dial angle="30"/>)")->angle, 0);

    auto r = readMeasured<ControlRectangle>(R"(<controlRectangle roundness="0.1" enabled="false" elliptical="true"
        x="0" y="0" width="2" height="1" penColor="0,0,255" brushColor="0,255,0"/>)");
    EXPECT_EQ(r->roundness, 0);
    EXPECT_FALSE(r->enabled);
    EXPECT_TRUE(r->elliptical);
    EXPECT_EQ(r->rectangle, QRectF(0, 0, 2, 1));
    EXPECT_EQ(r->pen.color, QColor(0, 0, 255));
    EXPECT_EQ(r->brush.color, QColor(0, 255, 0));

    auto plain = readMeasured<GraphHolder>(R"(<graphHolder penColor="255,0,0"/>)");
    EXPECT_EQ(plain->pen.color, QColor(255, 0, 0));
    EXPECT_EQ(plain->fillBrush.color, QColor(0, 0, 0));
    EXPECT_EQ(plain->fillBrush.brushType, BrushType::solid);
    auto filled = readMeasured<GraphHolder>(R"(<graphHolder brushColor="1,2,3"><fillBrush brushColor="0,255,0"/></graphHolder>)");
    EXPECT_EQ(filled->fillBrush.color, QColor(0, 255, 0));

    auto slider = readMeasured<SliderControl>(R"(<slider><entities><rectangle/></entities></slider>)");
    EXPECT_EQ(slider->children.entities.size(), 1u);
    EXPECT_FALSE(slider->holder());
    EXPECT_EQ(dial->holder(), dial.get());

    EXPECT_EQ(r->typeName(), "Control Rectangle");
    EXPECT_EQ(dial->typeName(), "Dial");
    EXPECT_EQ(plain->typeName(), "Graph Holder");
    EXPECT_EQ(slider->typeName(), "Slider");
}

TEST(Controls, ControlRectangleBoxGradientAndDrawing)
{
    auto r = readMeasured<ControlRectangle>(R"(<controlRectangle roundness="0.1" enabled="false" x="0" y="0" width="2"
        height="1" penColor="255,255,255" penWidth="0.1" brushType="gradient" brushColor="255,0,0" secondColor="0,0,255"
        dx="1"/>)");
    expectBox(r->boundingBox, {0.95, -0.05}, {3.05, 1.05});
    // The gradient spans the rectangle itself, where it is drawn, not grown by the pen.
    ASSERT_TRUE(r->brush.rectangle);
    EXPECT_EQ(*r->brush.rectangle, QRectF(0, 0, 2, 1));

    const Canvas c(*r, 100, {2, 0.5});
    EXPECT_TRUE(isRed(c.at({1.15, 0.5})));
    const QColor right = c.at({2.85, 0.5});
    EXPECT_GT(right.blue(), 180);
    EXPECT_LT(right.red(), 80);
    // Square corners whatever the file's roundness; the pen strokes the edge.
    EXPECT_TRUE(isRed(c.at({1.06, 0.94})));
    EXPECT_EQ(c.at({1.0, 0.5}), QColor(255, 255, 255));
    EXPECT_TRUE(picks(*r, {2, 0.5}));

    // No pen: no margin.
    auto bare = readMeasured<ControlRectangle>(R"(<controlRectangle width="1" height="1" penColor="0,0,0,0"/>)");
    expectBox(bare->boundingBox, {0, 0}, {1, 1});
}

TEST(Controls, DialChildrenAreDrawnSliderChildrenAreNot)
{
    pugi::xml_document doc = parseXml(R"(<s><entities>
        <slider><entities><rectangle x="-2" y="-2" width="4" height="4" penColor="0,0,0,0" brushColor="0,255,0"/></entities></slider>
        <dial dx="0.5"><entities><rectangle x="0" y="0" width="1" height="1" penColor="0,0,0,0" brushColor="255,0,0"/></entities></dial>
        <graphHolder/></entities></s>)");
    EntityList list;
    EntityList::readEntities(doc.first_child(), nullptr, list);
    ASSERT_EQ(list.entities.size(), 3u);
    BoundingBox sheetBox;
    list.updateBoundingBox(std::nullopt, &sheetBox);
    auto dial = std::dynamic_pointer_cast<Dial>(list.entities[1]);
    EXPECT_FALSE(dial->boundingBox.valid);
    // Its children are measured all the same.
    expectBox(dial->children.entities[0]->boundingBox, {0.5, 0}, {1.5, 1});
    for (const auto& e : list.entities)
        e->selected = true;

    const Canvas c([&list](Graphics& g) { list.draw(g); }, 100, {0, 0});
    EXPECT_TRUE(isRed(c.at({1, 0.5})));
    EXPECT_EQ(c.count([](const QColor& p) { return p.green() > 100; }), 0);
    EXPECT_EQ(pickFromList(list, {1, 0.5}, false), dial);
}

TEST(Controls, EditorsAreNotImplementedPlaceholders)
{
    const std::pair<std::shared_ptr<Entity>, QString> cases[] = {
        {readMeasured<ControlRectangle>("<controlRectangle/>"), "Control Rectangle"},
        {readMeasured<Dial>("<dial/>"), "Dial"},
        {readMeasured<GraphHolder>("<graphHolder/>"), "Graph Holder"},
        {readMeasured<SliderControl>("<slider/>"), "Slider"}};
    for (const auto& [entity, title] : cases) {
        std::unique_ptr<QWidget> w(editorFor(entity));
        auto* editor = qobject_cast<NotImplementedEditor*>(w.get());
        ASSERT_TRUE(editor) << title.toStdString();
        EXPECT_EQ(editor->title(), title);
        EXPECT_EQ(editor->messageLabel()->text(), "Not implemented");
    }
    std::unique_ptr<QWidget> w(editorFor(cases[1].first));
    EXPECT_EQ(qobject_cast<DialEditor*>(w.get())->dial, cases[1].first);
}

// ---------------------------------------------------------------- The test design

TEST(Annotations2, DesignReadsAndDrawsEveryKind)
{
    Design design;
    ASSERT_TRUE(design.open(QStringLiteral(BRINDLEX_TEST_DATA "/annotations2.project"))) << design.lastError().toStdString();
    const auto state = design.currentDesignState();
    ASSERT_EQ(state->schematics.size(), 1u);
    Schematic& sheet = *state->schematics.front();
    sheet.updateGeometry();

    QStringList kinds;
    for (const auto& e : sheet.entityList.entities)
        kinds << e->typeName();
    EXPECT_EQ(kinds, QStringList({"Dimension", "Dimension", "Dimension", "Dimension", "Dimension", "Dimension",
                                  "Dimension", "Picture", "Marker", "Origin", "Horizontal Guide", "Vertical Guide",
                                  "AngledGuide", "Point Guide", "Control Rectangle", "Dial", "Graph Holder", "Slider"}));
    std::vector<std::shared_ptr<Dimension>> dimensions;
    sheet.entityList.collect(dimensions);
    ASSERT_EQ(dimensions.size(), 8u); // one inside the marker
    EXPECT_EQ(dimensions[0]->text, "76.2mm");
    EXPECT_EQ(dimensions[4]->text, "Gap A");
    auto picture = std::dynamic_pointer_cast<Picture>(sheet.entityList.entities[7]);
    EXPECT_EQ(picture->image().size, QSize(20, 10));
    EXPECT_TRUE(picture->rotateInParts);
    auto marker = std::dynamic_pointer_cast<Marker>(sheet.entityList.entities[8]);
    EXPECT_EQ(marker->children.entities.size(), 2u);
    EXPECT_TRUE(sheet.pageRect().contains(sheet.entityList.boundingBox.rect()));

    QImage image(1100, 850, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setTransform(QTransform(100, 0, 0, -100, 0, 850));
    DrawingContext context(painter);
    Graphics g(context);
    sheet.draw(g);
    EXPECT_EQ(context.stateDepth(), 0);
}

TEST(Annotations2, ExtremeNumbersNeitherFailNorHang)
{
    const char* const xml[] = {
        R"(<dimension start="3e38,-3e38" end="-3e38,3e38" offset="3e38" height="1e30" penWidth="1e300"
            textOffsetX="3e38" textOffsetY="-3e38"/>)",
        R"(<dimension start="0,0" end="1e-30,0" style="vertical" offset="-3e38" marker="box" height="-1"/>)",
        R"(<dimension start="0,0" end="1,0" style="horizontal" marker="line" height="0" penWidth="-5" dx="1e308" m11="1e308"/>)",
        R"(<image x="-3e38" y="-3e38" width="3e38" height="3e38"/>)",
        R"(<angledGuide start="3e38,3e38" end="-3e38,1e-30"/>)",
        R"(<horizontalGuide at="1e300" m11="0" m22="0"/>)",
        R"(<verticalGuide at="-1e308"/>)",
        R"(<controlRectangle x="-3e38" width="3e38" height="1e-30" penWidth="1e308"/>)",
    };
    for (const char* text : xml) {
        pugi::xml_document doc = parseXml(text);
        std::shared_ptr<Entity> e = makeEntity(doc.first_child(), nullptr);
        ASSERT_TRUE(e) << text;
        e->readXML(doc.first_child());
        BoundingBox box;
        e->updateGeometry(std::nullopt, &box);
        e->selected = true;
        const Canvas c(*e, 100, {0, 0});
        EXPECT_EQ(c.depthAfter, 0) << text;
        picks(*e, {0, 0});
    }
}
