#include "TestSupport.h"
#include "core/Graphics.h"
#include "core/TextMetrics.h"

#include <gtest/gtest.h>

#include <QFontInfo>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

namespace {

Font fontOf(double height, const QString& family = Font::defaultFontName)
{
    Font f;
    f.familyName = family;
    f.height = height;
    return f;
}

// Renders one text with drawText through a y-up view of 10 px per inch on a
// 100 x 100 image and returns the image.
QImage render(const QString& text, const Font& font, double x, double y)
{
    QImage img(100, 100, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setTransform(QTransform(10, 0, 0, -10, 0, 100));
        DrawingContext ctx(p);
        Graphics g(ctx);
        g.drawText(text, font, Qt::black, x, y);
    }
    return img;
}

// Extent of pixels with alpha > 128, or an invalid rect.
QRect inkBox(const QImage& img)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) > 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

int inkIn(const QImage& img, const QRect& r)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += qAlpha(img.pixel(x, y)) > 128;
    return n;
}

// The path's elements without lines of no length.
std::vector<QPainterPath::Element> drawnElements(const QPainterPath& path)
{
    std::vector<QPainterPath::Element> out;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element& e = path.elementAt(i);
        if (e.type == QPainterPath::LineToElement && !out.empty() && std::abs(e.x - out.back().x) < 1e-9
            && std::abs(e.y - out.back().y) < 1e-9)
            continue;
        out.push_back(e);
    }
    return out;
}

} // namespace

TEST(Text, ArialResolvesToItsMetricTwin)
{
    QFont f(Font::defaultFontName);
    EXPECT_EQ(QFontInfo(f).family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(textSize(fontOf(0.1), "Brindlex"), textSize(fontOf(0.1, "Liberation Sans"), "Brindlex"));
}

TEST(Text, SizesScaleWithHeightTimesOnePointThreeEight)
{
    const QSizeF h1 = textSize(fontOf(0.1), "H");
    // Liberation Sans capitals stand 1409/2048 of the em: 0.688 x 1.38 x height.
    EXPECT_NEAR(h1.height(), 0.1 * 1.38 * 1409.0 / 2048.0, 0.002);
    const QSizeF a = textSize(fontOf(0.1), "Hello, world");
    const QSizeF b = textSize(fontOf(0.25), "Hello, world");
    EXPECT_NEAR(b.width(), a.width() * 2.5, 1e-9);
    EXPECT_NEAR(b.height(), a.height() * 2.5, 1e-9);
    // Ink bounds, not the line box: a text without descenders is shorter.
    EXPECT_LT(textSize(fontOf(0.1), "ace").height(), textSize(fontOf(0.1), "gyp").height());
    Font bold = fontOf(0.1);
    bold.bold = true;
    EXPECT_GT(textSize(bold, "Hello, world").width(), a.width());
    // Underline and strikeout do not change what is set.
    Font decorated = fontOf(0.1);
    decorated.underline = true;
    decorated.strikeout = true;
    EXPECT_EQ(textSize(decorated, "Hello, world"), a);
}

TEST(Text, TextRectIsCentredAndMeasuresEmptyTextAsO)
{
    const Font f = fontOf(0.2);
    const QRectF o = TextMetric::textRect(f, "O");
    EXPECT_GT(o.width(), 0);
    EXPECT_NEAR(o.center().x(), 0, 1e-12);
    EXPECT_NEAR(o.center().y(), 0, 1e-12);
    EXPECT_EQ(TextMetric::textRect(f, ""), o);
    EXPECT_EQ(TextMetric::textRect(f, "", QPointF(3, -2)), o.translated(3, -2));
    EXPECT_EQ(textSize(f, ""), QSizeF(0, 0));
}

TEST(Text, CharacterOffsetsFollowGraphemeClusters)
{
    const Font f = fontOf(0.1);
    // "e" + combining acute is one user-perceived character.
    const QString text = QStringLiteral("Ae\u0301 W");
    const auto offsets = characterOffsets(f, text);
    ASSERT_EQ(offsets.size(), 4u);
    EXPECT_EQ(offsets[0].start, 0);
    for (size_t i = 0; i < offsets.size(); ++i) {
        EXPECT_GT(offsets[i].end, offsets[i].start) << i;
        if (i > 0) {
            EXPECT_EQ(offsets[i].start, offsets[i - 1].end) << i;
        }
    }
    // The last end is the advance of the whole text, wider than its ink.
    EXPECT_GT(offsets.back().end, textSize(f, "Ae W").width() * 0.9);
    EXPECT_NEAR(characterOffsets(fontOf(0.2), text).back().end, offsets.back().end * 2, 1e-9);

    // A long text is measured in one layout, with the same guarantees.
    const QString longText = QString("ab").repeated(300);
    const auto many = characterOffsets(f, longText);
    ASSERT_EQ(many.size(), 600u);
    for (size_t i = 1; i < many.size(); ++i) {
        EXPECT_EQ(many[i].start, many[i - 1].end);
        ASSERT_GT(many[i].end, many[i].start);
    }
    EXPECT_NEAR(many[1].end, characterOffsets(f, "ab")[1].end, 1e-6);
    EXPECT_TRUE(characterOffsets(f, "").empty());
}

TEST(Text, HeightOfZeroOrLessMeasuresAndDrawsNothing)
{
    for (double h : {0.0, -0.1, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        const Font f = fontOf(h);
        EXPECT_EQ(textSize(f, "Hello"), QSizeF(0, 0)) << h;
        EXPECT_TRUE(textPath(f, "Hello").isEmpty()) << h;
        EXPECT_EQ(TextMetric::textRect(f, "").size(), QSizeF(0, 0)) << h;
        const auto offsets = characterOffsets(f, "Hi");
        ASSERT_EQ(offsets.size(), 2u);
        EXPECT_EQ(offsets[1].end, 0) << h;
        EXPECT_EQ(inkBox(render("Hello", f, 5, 5)), QRect()) << h;
    }
}

TEST(Text, DrawnTextIsUprightAndPlacedAsMeasured)
{
    const Font f = fontOf(3); // 4.14 inches: about 30 px capitals
    const QImage img = render("L", f, 5, 5);
    const QRect box = inkBox(img);
    ASSERT_TRUE(box.isValid());
    // "L": the stem runs the whole height at the left, the foot the whole
    // width at the bottom; upright, the top right is empty.
    const QRect topRight(box.center().x() + 2, box.top(), box.right() - box.center().x() - 2, box.height() / 3);
    const QRect bottomRight(box.center().x() + 2, box.bottom() - 2, box.right() - box.center().x() - 2, 3);
    const QRect topLeft(box.left(), box.top(), 3, box.height() / 3);
    EXPECT_EQ(inkIn(img, topRight), 0);
    EXPECT_GT(inkIn(img, bottomRight), 0);
    EXPECT_GT(inkIn(img, topLeft), 0);

    // The ink lies where the text position (x - w/2 - height/10, y - h/2)
    // puts the measured ink bounds.
    const QRectF ink = textInkBounds(f, "L");
    const QPointF origin(5 - ink.width() / 2 - 0.3, 5 - ink.height() / 2);
    const QRectF expected = ink.translated(origin);
    EXPECT_NEAR(box.left(), expected.left() * 10, 1);
    EXPECT_NEAR(box.right() + 1, expected.right() * 10, 1);
    EXPECT_NEAR(box.top(), 100 - expected.bottom() * 10, 1);
    EXPECT_NEAR(box.bottom() + 1, 100 - expected.top() * 10, 1);
}

TEST(Text, OutlineCacheStaysBounded)
{
    clearTextPathCache();
    const Font f = fontOf(0.1);
    const QPainterPath first = textPath(f, "cached");
    EXPECT_EQ(textPathCacheSize(), 1);
    EXPECT_EQ(textPath(f, "cached"), first);
    EXPECT_EQ(textPathCacheSize(), 1);
    for (int i = 0; i < 20005; ++i)
        textPath(f, QString::number(i));
    EXPECT_LE(textPathCacheSize(), 20000);
    EXPECT_GT(textPathCacheSize(), 0);
    clearTextPathCache();
}

TEST(Text, ShapedOutlineIsTheOutlineQtSetsTheTextIn)
{
    // A script no font here covers is set in Qt's stand-in face, which has
    // no family: it is shaped, and its missing glyphs still take room.
    {
        const std::shared_ptr<const TextShape> r = textShape(fontOf(0.1), "R");
        const std::shared_ptr<const TextShape> uncovered = textShape(fontOf(0.1), "R\u0a69\u0a69");
        ASSERT_TRUE(r && uncovered);
        EXPECT_GT(uncovered->ink().width(), r->ink().width());
    }
    // Kerned pairs, a ligature candidate, a combining mark, scripts that
    // fall back to other fonts, right-to-left text and a line feed.
    const QStringList texts{"AV To Wa", "ffi fl", "e\u0301 n\u0303", "\u0395\u03bb\u03bb\u03ac\u03b4\u03b1",
        "\u041f\u0440\u0438\u0432\u0435\u0442", "\u4e2d\u6587 R1", "\u05e9\u05dc\u05d5\u05dd 12", "A\nB", "  "};
    for (bool bold : {false, true}) {
        Font f = fontOf(0.1);
        f.bold = bold;
        QFont q(f.familyName);
        q.setPixelSize(1000);
        q.setBold(bold);
        q.setHintingPreference(QFont::PreferNoHinting);
        q.setStyleStrategy(QFont::StyleStrategy(QFont::ForceOutline | QFont::NoSubpixelAntialias));
        for (const QString& text : texts) {
            QPainterPath expected;
            expected.addText(QPointF(0, 0), q, text);
            expected = QTransform(1, 0, 0, -1, 0, 0).map(expected);
            const std::shared_ptr<const TextShape> shape = textShape(f, text);
            ASSERT_TRUE(shape) << text.toStdString();
            const QPainterPath outline = shape->outline();
            // Qt drops a closing line of no length by a relative tolerance,
            // so where the glyph stands may keep or drop one: not counted.
            const std::vector<QPainterPath::Element> got = drawnElements(outline), want = drawnElements(expected);
            ASSERT_EQ(got.size(), want.size()) << text.toStdString();
            double off = 0;
            for (size_t i = 0; i < got.size(); ++i) {
                EXPECT_EQ(got[i].type, want[i].type);
                off = std::max({off, std::abs(got[i].x - want[i].x), std::abs(got[i].y - want[i].y)});
            }
            EXPECT_LT(off, 1e-6) << text.toStdString();
            EXPECT_EQ(outline.fillRule(), Qt::WindingFill);
            const QRectF ink = expected.isEmpty() ? QRectF() : expected.boundingRect();
            EXPECT_NEAR(shape->ink().left(), ink.left(), 1e-6) << text.toStdString();
            EXPECT_NEAR(shape->ink().right(), ink.right(), 1e-6) << text.toStdString();
            EXPECT_NEAR(shape->ink().top(), ink.top(), 1e-6) << text.toStdString();
            EXPECT_NEAR(shape->ink().bottom(), ink.bottom(), 1e-6) << text.toStdString();
            // In model units: the same outline scaled by the set size.
            const double unit = textShapeUnit(f);
            EXPECT_NEAR(textInkBounds(f, text).width(), ink.width() * unit, 1e-9) << text.toStdString();
            EXPECT_EQ(drawnElements(textPath(f, text)).size(), want.size());
        }
    }
    EXPECT_FALSE(textShape(fontOf(0.1), ""));
    EXPECT_FALSE(textShape(fontOf(0), "A"));
}

TEST(Text, ShapesAreSharedAndSafeFromSeveralThreads)
{
    clearTextPathCache();
    const Font f = fontOf(0.1);
    // Glyphs are loaded once per face: "ABBA" and "BAAB" share theirs.
    const auto abba = textShape(f, "ABBA");
    const int glyphs = glyphOutlineCacheSize();
    const auto baab = textShape(f, "BAAB");
    EXPECT_EQ(glyphOutlineCacheSize(), glyphs);
    EXPECT_EQ(abba->glyphs()[0].outline, baab->glyphs()[1].outline);
    EXPECT_EQ(textShape(f, "ABBA"), abba);

    std::vector<QString> texts;
    std::vector<QPainterPath> expected;
    for (int i = 0; i < 200; ++i) {
        texts.push_back(QStringLiteral("R%1 Wq%2").arg(i).arg(i % 7));
        expected.push_back(textPath(f, texts.back()));
    }
    clearTextPathCache();
    // Threads shape, measure and compose at once while the caches are
    // emptied under them; every result is the one made alone. A shape kept
    // across the clearing stays whole.
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round)
                for (size_t i = 0; i < texts.size(); ++i) {
                    const size_t k = (i * 7 + size_t(t) * 13) % texts.size();
                    if (textPath(f, texts[k]) != expected[k] || textInkBounds(f, texts[k]).isEmpty())
                        ++wrong;
                    if (t == 0 && i % 50 == 0)
                        clearTextPathCache();
                }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(abba->outline().elementCount(), textPath(f, "ABBA").elementCount());
    clearTextPathCache();
    EXPECT_EQ(glyphOutlineCacheSize(), 0);

    // Shaped ahead on several threads, a sheet's texts are the shapes made
    // one by one: kerned pairs, fallback fonts, right-to-left text, a line
    // feed, a bold and an italic face.
    const QStringList samples{"AV To Wa", "ffi", "e\u0301", "\u4e2d\u6587 R1", "\u05e9\u05dc\u05d5\u05dd 12", "A\nB"};
    std::vector<TextShapeRequest> requests;
    for (int i = 0; i < 120; ++i) {
        Font face = f;
        face.bold = i % 3 == 1;
        face.italic = i % 3 == 2;
        for (const QString& sample : samples)
            requests.push_back({face, sample + QString::number(i / 3)});
    }
    std::vector<std::shared_ptr<const TextShape>> alone;
    for (const TextShapeRequest& r : requests)
        alone.push_back(textShape(r.font, r.text));
    clearTextPathCache();
    requests.push_back(requests.front()); // asked twice, shaped once
    requests.push_back({fontOf(0), "A"}); // nothing to shape
    requests.push_back({f, ""});
    prepareTextShapes(requests);
    EXPECT_EQ(textPathCacheSize(), 720);
    for (size_t i = 0; i < alone.size(); ++i) {
        const std::shared_ptr<const TextShape> ahead = textShape(requests[i].font, requests[i].text);
        ASSERT_EQ(ahead->glyphs().size(), alone[i]->glyphs().size()) << requests[i].text.toStdString();
        for (size_t g = 0; g < ahead->glyphs().size(); ++g)
            EXPECT_EQ(ahead->glyphs()[g].position, alone[i]->glyphs()[g].position);
        EXPECT_EQ(ahead->ink(), alone[i]->ink());
        EXPECT_EQ(ahead->outline(), alone[i]->outline()) << requests[i].text.toStdString();
    }
    // What is cached stays as it is; a few texts are shaped here, and no
    // more are shaped ahead than the cache holds.
    const auto kept = textShape(requests.front().font, requests.front().text);
    prepareTextShapes({{f, "few"}, requests.front()});
    EXPECT_EQ(textPathCacheSize(), 721);
    EXPECT_EQ(textShape(requests.front().font, requests.front().text), kept);
    std::vector<TextShapeRequest> many;
    for (int i = 0; i < 20100; ++i)
        many.push_back({f, QString::number(i)});
    prepareTextShapes(many);
    EXPECT_EQ(textPathCacheSize(), 20000);
    clearTextPathCache();
}

TEST(Text, FontReadsItsAttributesAndChildFonts)
{
    auto doc = parseXml(R"(<text familyName="Liberation Serif" height="0.08" bold="true" italic="true"
        underline="true" strikeout="yes"><titleFont familyName="" height=" 1" bold="false"/></text>)");
    Font f;
    f.readXML(doc.first_child());
    EXPECT_EQ(f.familyName, QStringLiteral("Liberation Serif"));
    EXPECT_DOUBLE_EQ(f.height, 0.08);
    EXPECT_TRUE(f.bold);
    EXPECT_TRUE(f.italic);
    EXPECT_TRUE(f.underline);
    EXPECT_FALSE(f.strikeout);

    // An empty family and an unreadable height keep the current values.
    const Font child = readChildFont(doc.first_child(), "titleFont", f);
    EXPECT_EQ(child.familyName, QStringLiteral("Liberation Serif"));
    EXPECT_DOUBLE_EQ(child.height, 0.08);
    EXPECT_FALSE(child.bold);
    EXPECT_TRUE(child.italic);
    const Font missing = readChildFont(doc.first_child(), "valueFont", Font());
    EXPECT_EQ(missing.familyName, Font::defaultFontName);
    EXPECT_DOUBLE_EQ(missing.height, Font::defaultFontHeight);
}
