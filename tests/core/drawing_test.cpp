#include "DrawingTestSupport.h"
#include "TestSupport.h"
#include "core/Graphics.h"
#include "core/InkBounds.h"
#include "core/StrokeReach.h"
#include "core/TextMetrics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace {

// A 100 x 100 image seen through a y-up view of 10 pixels per inch: the model
// square (0,0)-(10,10) fills the image, model y = 10 is the top row.
struct Canvas : PaintedImage {
    explicit Canvas(double scale = 10, QPointF deviceOrigin = QPointF(0, 100), QSize size = QSize(100, 100))
        : PaintedImage(size, QTransform(scale, 0, 0, -scale, deviceOrigin.x(), deviceOrigin.y()))
    {
    }
};

int alphaAt(const QImage& img, int x, int y) { return qAlpha(img.pixel(x, y)); }
QColor colorAt(const QImage& img, int x, int y) { return img.pixelColor(x, y); }

// Opaque pixels along one image row, as (start, length) runs.
std::vector<std::pair<int, int>> runs(const QImage& img, int row)
{
    std::vector<std::pair<int, int>> out;
    int start = -1;
    for (int x = 0; x <= img.width(); ++x) {
        const bool on = x < img.width() && alphaAt(img, x, row) > 128;
        if (on && start < 0)
            start = x;
        if (!on && start >= 0) {
            out.push_back({start, x - start});
            start = -1;
        }
    }
    return out;
}

// Extent of pixels with alpha > 128: left, top, right, bottom (inclusive), or
// an invalid rect when there are none.
QRect inkBox(const QImage& img)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (alphaAt(img, x, y) > 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

std::vector<QPointF> pentagram(QPointF c, double r)
{
    std::vector<QPointF> pts;
    for (int i = 0; i < 5; ++i) {
        const double a = M_PI / 2 + i * 4 * M_PI / 5;
        pts.push_back(c + r * QPointF(std::cos(a), std::sin(a)));
    }
    return pts;
}

bool near(const QColor& a, const QColor& b, int tolerance = 40)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

const Pen noPen(QColor(0, 0, 0, 0), 0.01);

} // namespace

TEST(Drawing, ModelIsYUpAndShapesLandWhereTheViewPutsThem)
{
    Canvas c;
    c.g->drawRectangle(noPen, Qt::red, QRectF(1, 6, 3, 3)); // upper left quarter of the model
    const QImage& img = c.done();
    EXPECT_EQ(inkBox(img), QRect(10, 10, 30, 30));
    EXPECT_EQ(colorAt(img, 20, 20), QColor(Qt::red));
    EXPECT_EQ(alphaAt(img, 20, 80), 0);
}

TEST(Drawing, FillRulesDecideTheCentreOfASelfOverlappingOutline)
{
    Canvas c;
    c.g->drawPolygon(noPen, Qt::black, pentagram(QPointF(2.5, 5), 2)); // non-zero
    c.context->beginPath();
    const auto star = pentagram(QPointF(7.5, 5), 2);
    c.context->moveTo(star[0]);
    for (size_t i = 1; i < star.size(); ++i)
        c.context->lineTo(star[i]);
    c.context->closePath();
    c.context->fillPath(Qt::OddEvenFill);
    GraphicsPath gp; // fillPolygon: non-zero as well
    for (QPointF p : pentagram(QPointF(5, 2), 1.5))
        gp.pathPoints.push_back({p, 0});
    c.g->fillPolygon(Qt::black, gp);
    const QImage& img = c.done();
    EXPECT_EQ(alphaAt(img, 25, 50), 255); // centre of the non-zero star is filled
    EXPECT_EQ(alphaAt(img, 75, 50), 0);   // centre of the even-odd star is a hole
    EXPECT_EQ(alphaAt(img, 75, 33), 255); // its point is filled
    EXPECT_EQ(alphaAt(img, 50, 80), 255);
}

TEST(Drawing, DashPatternsAreMultiplesOfThePenWidth)
{
    Canvas c;
    auto line = [&](LinePattern pattern, double y, double width) {
        Pen pen(Qt::black, width);
        pen.startCap = LineCap::flat;
        pen.linePattern = pattern;
        c.g->applyPen(pen);
        c.context->beginPath();
        c.context->moveTo({0, y});
        c.context->lineTo({10, y});
        c.context->strokePath();
    };
    line(LinePattern::dash, 9, 0.2);   // [16 px, 12 px]
    line(LinePattern::dot, 7, 0.2);    // [2 px, 6 px]
    line(LinePattern::dashDot, 5, 0.2); // [24, 12, 6, 12]
    line(LinePattern::dash, 3, 0);     // a zero pattern strokes solid, one pixel wide
    const QImage& img = c.done();

    auto dash = runs(img, 10);
    ASSERT_GE(dash.size(), 3u);
    EXPECT_EQ(dash[0], std::make_pair(0, 16));
    EXPECT_EQ(dash[1], std::make_pair(28, 16));
    auto dot = runs(img, 30);
    ASSERT_GE(dot.size(), 3u);
    EXPECT_EQ(dot[0], std::make_pair(0, 2));
    EXPECT_EQ(dot[1], std::make_pair(8, 2));
    auto dashDot = runs(img, 50);
    ASSERT_GE(dashDot.size(), 3u);
    EXPECT_EQ(dashDot[0], std::make_pair(0, 24));
    EXPECT_EQ(dashDot[1], std::make_pair(36, 6));
    EXPECT_EQ(dashDot[2], std::make_pair(54, 24));
    EXPECT_EQ(runs(img, 70), (std::vector<std::pair<int, int>>{{0, 100}}));
}

TEST(Drawing, CapsAndMinimumWidth)
{
    Canvas c;
    auto line = [&](LineCap cap, double y, double width) {
        Pen pen(Qt::black, width);
        pen.startCap = cap;
        c.g->applyPen(pen);
        c.context->beginPath();
        c.context->moveTo({3, y});
        c.context->lineTo({7, y});
        c.context->strokePath();
    };
    line(LineCap::flat, 9, 1);
    line(LineCap::square, 7, 1);
    line(LineCap::round, 5, 1);
    line(LineCap::arrowAnchor, 3, 1); // decorations stroke with round caps
    line(LineCap::flat, 1, 0.0001);   // thinner than a pixel: widened to one
    const QImage& img = c.done();
    EXPECT_EQ(runs(img, 10), (std::vector<std::pair<int, int>>{{30, 40}}));
    EXPECT_EQ(runs(img, 30), (std::vector<std::pair<int, int>>{{25, 50}}));
    // Round: as long as square along the axis, but the corners are cut.
    EXPECT_GT(alphaAt(img, 26, 50), 200);
    EXPECT_LT(alphaAt(img, 25, 46), 60);
    EXPECT_GT(alphaAt(img, 26, 70), 200);
    EXPECT_LT(alphaAt(img, 25, 66), 60);
    // The hairline covers its row band with at least a pixel's worth of ink.
    EXPECT_GE(alphaAt(img, 50, 89) + alphaAt(img, 50, 90), 250);
}

// A pen thinner than the least width draws at it on the device every way:
// the same ink per length however a placement squeezes it, solid or
// dashed, and a hairline (not a miter spike) at a sharp corner.
TEST(Drawing, ThinPensKeepOneWeightUnderAnyPlacement)
{
    auto ink = [](const QImage& img) {
        double sum = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                sum += qAlpha(img.pixel(x, y)) / 255.0;
        return sum;
    };
    // The rectangle (1,1)-(9,9) of the view whatever the squeeze.
    auto rectangle = [&](double squeeze, LinePattern pattern) {
        Canvas c;
        Pen pen(Qt::black, 0.001);
        pen.linePattern = pattern;
        const QTransform place = QTransform::fromScale(1, squeeze);
        c.g->pushTransform(place);
        c.g->drawRectangle(pen, Qt::transparent, QRectF(1, 1 / squeeze, 8, 8 / squeeze));
        c.g->popTransform(place);
        return ink(c.done());
    };
    for (LinePattern pattern : {LinePattern::solid, LinePattern::dash}) {
        const double plain = rectangle(1, pattern);
        EXPECT_GT(plain, 200);
        for (double squeeze : {0.5, 0.1})
            EXPECT_NEAR(rectangle(squeeze, pattern) / plain, 1, 0.1) << squeeze << " " << int(pattern);
    }

    // Nearly singular: still a hairline, not a band across the view.
    Canvas flat;
    const QTransform singular(1, 1, 1, 1.000001, 1, 1);
    flat.g->pushTransform(singular);
    flat.g->drawRectangle(Pen(Qt::black, 0.001), Qt::transparent, QRectF(0, 0, 3, 2));
    flat.g->popTransform(singular);
    flat.done();
    EXPECT_GT(flat.inked(), 20);
    EXPECT_LT(flat.inked(), 800);

    // A miter of 12 degrees would reach 6.8 px past its corner (x = 80),
    // 13.6 device pixels at a pixel ratio of 2.
    for (const int ratio : {1, 2}) {
        QImage image(100 * ratio, 100 * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setTransform(QTransform(10, 0, 0, -10, 0, 100));
            DrawingContext context(painter);
            Graphics g(context);
            Pen pen(Qt::black, 0.001);
            pen.lineJoin = LineJoin::miter;
            g.applyPen(pen);
            const double spread = 6 * std::tan(6 * M_PI / 180);
            context.beginPath();
            context.moveTo({2, 5 - spread});
            context.lineTo({8, 5});
            context.lineTo({2, 5 + spread});
            context.strokePath();
        }
        EXPECT_GE(inkBox(image).right(), 79 * ratio);
        const int past = int(std::ceil(ratio * (80 + StrokeReach::kDevicePixels)));
        for (int y = 0; y < image.height(); ++y)
            for (int x = past; x < image.width(); ++x)
                ASSERT_EQ(alphaAt(image, x, y), 0) << x << "," << y << " at ratio " << ratio;
    }
}

TEST(Drawing, StrokeWidthFollowsTheTransformCurrentWhenStroking)
{
    Canvas c;
    c.context->beginPath();
    c.context->moveTo({1, 5});
    c.context->lineTo({9, 5});
    c.context->saveState();
    c.context->concatenate(QTransform::fromScale(3, 3));
    c.context->setLineWidth(1); // 3 model units: 30 px
    c.context->setLineCap(Qt::FlatCap);
    c.context->strokePath();
    c.context->restoreState();
    const QImage& img = c.done();
    EXPECT_EQ(inkBox(img), QRect(10, 35, 80, 30));
}

TEST(Drawing, WidthsBeyondWhatQPenTakesStillStroke)
{
    Canvas c;
    c.context->setTransform(QTransform(1e-4, 0, 0, -1e-4, 0, 100)); // 10 px per 100000 units
    c.context->setLineWidth(40000);                                  // 4 px
    c.context->setLineCap(Qt::FlatCap);
    c.context->beginPath();
    c.context->moveTo({100000, 500000});
    c.context->lineTo({900000, 500000});
    c.context->strokePath();
    const QImage& img = c.done();
    EXPECT_EQ(inkBox(img), QRect(10, 48, 80, 4));
    // Under a nearly singular transform, stroked in device space with the
    // transform's mean scale (7071), wider than QPen takes: 20100 px whose
    // right edge lies at x = 50.
    Canvas far;
    far.context->setTransform(QTransform(0, -1e4, 1e-14, 0, -10000, 100));
    far.context->setLineWidth(20100 / (1e4 / M_SQRT2));
    far.context->setLineCap(Qt::FlatCap);
    far.context->beginPath();
    far.context->moveTo({0.001, 0});
    far.context->lineTo({0.009, 0});
    far.context->strokePath();
    EXPECT_EQ(inkBox(far.done()), QRect(0, 10, 50, 80));
}

// Whether a placement is singular follows its proportions, not its scale:
// Qt inverts this one (its determinant is above 1e-12), and a stroke in its
// user space would be nothing wide, but at a smaller scale it would not.
TEST(Drawing, NearlySingularTransformsStrokeAlikeAtEveryScale)
{
    Canvas c;
    c.context->setTransform(QTransform(0, -1e4, 1e-14, 0, 50, 100));
    c.context->setLineWidth(0.002); // 14.1 px wide
    c.context->setLineCap(Qt::FlatCap);
    c.context->beginPath();
    c.context->moveTo({0.001, 0});
    c.context->lineTo({0.009, 0});
    c.context->strokePath();
    EXPECT_EQ(inkBox(c.done()), QRect(43, 10, 14, 80));
}

TEST(Drawing, MiterJoinsBevelBeyondTheLimitOfTen)
{
    // Two joins of 12 and 10 degrees (miter length over width 9.6 and 11.5),
    // pointing up, width 0.5 inch at 10 px per inch.
    Canvas c(10, QPointF(0, 100), QSize(200, 200));
    auto join = [&](double x, double degrees) {
        const double half = degrees * M_PI / 360;
        c.context->setLineWidth(0.5);
        c.context->setLineJoin(Qt::MiterJoin);
        c.context->beginPath();
        c.context->moveTo(QPointF(x, 0) + 8 * QPointF(std::sin(half), -std::cos(half)));
        c.context->lineTo(QPointF(x, 0));
        c.context->lineTo(QPointF(x, 0) + 8 * QPointF(-std::sin(half), -std::cos(half)));
        c.context->strokePath();
    };
    join(5.05, 12);
    join(15.05, 10);
    const QImage& img = c.done();
    // The mitered spike reaches about 2.4 inches above the joint; the bevel
    // stays within the line's half width.
    int mitered = 0, bevelled = 0;
    for (int y = 0; y < 100; ++y) {
        mitered += alphaAt(img, 50, y) > 128;
        bevelled += alphaAt(img, 150, y) > 128;
    }
    EXPECT_GE(mitered, 15);
    EXPECT_LE(bevelled, 1);
}

TEST(Drawing, ClipLastsUntilTheStateIsRestored)
{
    Canvas c;
    c.context->saveState();
    c.context->beginPath();
    c.context->addRect(QRectF(0, 0, 5, 10));
    c.context->clip();
    c.g->drawRectangle(noPen, Qt::black, QRectF(0, 8, 10, 2));
    c.context->restoreState();
    c.g->drawRectangle(noPen, Qt::black, QRectF(0, 0, 10, 2));
    const QImage& img = c.done();
    EXPECT_EQ(runs(img, 10), (std::vector<std::pair<int, int>>{{0, 50}}));
    EXPECT_EQ(runs(img, 90), (std::vector<std::pair<int, int>>{{0, 100}}));
}

TEST(Drawing, GradientsRunInTheirDocumentedDirections)
{
    Canvas c;
    Brush b(Qt::blue);
    b.setSecondColor(Qt::yellow);
    b.brushType = BrushType::gradient;
    c.g->fillAndStrokeRectangle(noPen, b, 0, 7.5, 10, 2.5); // left to right
    b.vertical = true;
    c.g->fillAndStrokeRectangle(noPen, b, 0, 5, 3, 2.5); // bottom to top
    b.vertical = false;
    b.brushType = BrushType::centerGradient;
    c.g->fillAndStrokeRectangle(noPen, b, 4, 5, 6, 2.5);
    b.brushType = BrushType::radial;
    b.setCenter(QPointF(0.25, 0.5));
    b.rectangle = QRectF(0, 0, 8, 4); // the span wider than the filled shape
    c.g->fillAndStrokeRectangle(noPen, b, 0, 0, 4, 4);
    const QImage& img = c.done();
    EXPECT_TRUE(near(colorAt(img, 1, 12), Qt::blue));
    EXPECT_TRUE(near(colorAt(img, 98, 12), Qt::yellow));
    EXPECT_TRUE(near(colorAt(img, 15, 49), Qt::blue));   // bottom row of the vertical one
    EXPECT_TRUE(near(colorAt(img, 15, 26), Qt::yellow)); // its top row
    EXPECT_TRUE(near(colorAt(img, 70, 37), Qt::blue));   // centre gradient: middle
    EXPECT_TRUE(near(colorAt(img, 41, 37), Qt::yellow)); // and both edges
    EXPECT_TRUE(near(colorAt(img, 98, 37), Qt::yellow));
    EXPECT_TRUE(near(colorAt(img, 20, 80), Qt::blue, 20)); // radial centre (2, 2)
    EXPECT_FALSE(near(colorAt(img, 1, 99), Qt::blue, 60));
}

TEST(Drawing, LayerColourReplacesEntityColours)
{
    Canvas c;
    c.g->useLayerColor = true;
    c.g->layerColor = Qt::green;
    Pen pen(Qt::red, 0.4);
    c.g->drawRectangle(pen, Qt::red, QRectF(1, 1, 3, 3));
    Brush gradient(Qt::red);
    gradient.brushType = BrushType::gradient;
    c.g->fillAndStrokeRectangle(noPen, gradient, 6, 1, 3, 3);
    Pen capped(Qt::red, 0.3);
    capped.endCap = LineCap::roundAnchor;
    capped.makeEndCapGraphics(5, 8, 0);
    capped.drawEndCaps(*c.g);
    const QImage& img = c.done();
    EXPECT_EQ(colorAt(img, 25, 75), QColor(Qt::green)); // fill
    EXPECT_EQ(colorAt(img, 10, 75), QColor(Qt::green)); // stroke
    EXPECT_EQ(colorAt(img, 70, 75), QColor(Qt::green)); // gradient fills solid
    EXPECT_EQ(colorAt(img, 50, 20), QColor(Qt::green)); // end cap
}

TEST(Drawing, ColoursBelowOnePercentAlphaAreNotDrawn)
{
    Canvas c;
    const QColor faint(255, 0, 0, 2);  // 0.0078
    const QColor barely(255, 0, 0, 3); // 0.0118
    c.g->drawRectangle(Pen(faint, 1), faint, QRectF(0, 5, 5, 5));
    c.g->drawRectangle(Pen(barely, 1), barely, QRectF(5, 5, 5, 5));
    c.g->fillAndStrokeRectangle(Pen(faint, 1), Brush(faint), 0, 0, 5, 5);
    Font font;
    font.height = 2;
    c.g->drawText("X", font, faint, 7.5, 2.5);
    Pen capped(faint, 0.5);
    capped.endCap = LineCap::squareAnchor;
    capped.makeEndCapGraphics(2.5, 2.5, 0);
    capped.drawEndCaps(*c.g);
    const QImage& img = c.done();
    EXPECT_EQ(inkBox(img), QRect());
    int drawn = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            drawn += alphaAt(img, x, y) > 0;
    EXPECT_GT(alphaAt(img, 75, 25), 0);
    EXPECT_EQ(alphaAt(img, 25, 25), 0);
    EXPECT_EQ(alphaAt(img, 25, 75), 0);
    EXPECT_EQ(alphaAt(img, 75, 75), 0);
    EXPECT_GT(drawn, 0);
}

TEST(Drawing, EndCapsPointOutOfTheLineAndScaleWithThePen)
{
    Canvas c;
    Pen pen(Qt::black, 0.5);
    pen.startCap = LineCap::arrowAnchor;
    pen.endCap = LineCap::arrowAnchor;
    pen.makeStartCapGraphics(1, 5, 0); // a line from (1,5) to (9,5)
    pen.makeEndCapGraphics(9, 5, 0);
    pen.drawEndCaps(*c.g);
    const QImage& img = c.done();
    // Arrows 3 inches long, 2.5 wide, tips on the ends, pointing outwards.
    EXPECT_EQ(alphaAt(img, 8, 50), 0);
    EXPECT_GT(alphaAt(img, 12, 50), 128);
    EXPECT_GT(alphaAt(img, 38, 50), 128);
    EXPECT_EQ(alphaAt(img, 42, 50), 0);
    EXPECT_GT(alphaAt(img, 38, 40), 128); // wide at the base
    EXPECT_EQ(alphaAt(img, 12, 40), 0);   // narrow at the tip
    EXPECT_GT(alphaAt(img, 88, 50), 128);
    EXPECT_EQ(alphaAt(img, 92, 50), 0);
    EXPECT_GT(alphaAt(img, 62, 40), 128);
}

TEST(Drawing, EndCapShapesFollowTheirCaps)
{
    Pen pen(Qt::black, 1);
    pen.startCap = LineCap::diamondAnchor;
    pen.endCap = LineCap::squareAnchor;
    pen.makeStartCapGraphics(2, 5, 0);
    pen.makeEndCapGraphics(8, 5, M_PI / 4);
    ASSERT_TRUE(std::dynamic_pointer_cast<DiamondLineCap>(pen.startCapGraphics()));
    ASSERT_TRUE(std::dynamic_pointer_cast<SquareLineCap>(pen.endCapGraphics()));
    pen.startCap = LineCap::round; // plain caps make no decoration
    pen.makeStartCapGraphics(2, 5, 0);
    EXPECT_FALSE(pen.startCapGraphics());
    pen.startCap = LineCap::diamondAnchor;
    pen.makeStartCapGraphics(2, 5, 0);
    // A copy keeps the decorations; clearing its own leaves the original's.
    Pen copy = pen;
    ASSERT_TRUE(copy.startCapGraphics() && copy.endCapGraphics());
    copy.clearStartCapGraphics();
    copy.clearEndCapGraphics();
    EXPECT_FALSE(copy.startCapGraphics() || copy.endCapGraphics());
    ASSERT_TRUE(pen.startCapGraphics() && pen.endCapGraphics());

    Canvas c;
    pen.drawEndCaps(*c.g);
    const QImage& img = c.done();
    // Diamond 4 x 3 inches about (2,5).
    EXPECT_GT(alphaAt(img, 3, 50), 128);
    EXPECT_GT(alphaAt(img, 37, 50), 128);
    EXPECT_EQ(alphaAt(img, 2, 37), 0);
    EXPECT_GT(alphaAt(img, 20, 37), 128);
    // Square of side 2 turned by 45 degrees about (8,5): corners along the axes.
    EXPECT_GT(alphaAt(img, 80, 40), 128);
    EXPECT_EQ(alphaAt(img, 71, 41), 0);
}

TEST(Drawing, BezierFillsOnlyWhenClosed)
{
    Bezier open;
    open.points = {{1, 6}, {4, 6}, {4, 9}, {1, 9}};
    Bezier closed = open;
    closed.closed = true;
    for (QPointF& p : closed.points)
        p.rx() += 5;
    Canvas c;
    c.g->drawBezier(Pen(Qt::black, 0.1), Qt::red, open);
    c.g->drawBezier(Pen(Qt::black, 0.1), Qt::red, closed);
    c.g->fillAndStrokeBezier(open, noPen, Brush(Qt::blue));
    const QImage& img = c.done();
    EXPECT_EQ(colorAt(img, 75, 25), QColor(Qt::red));
    EXPECT_EQ(colorAt(img, 25, 25), QColor(Qt::blue)); // the brush fill closes it
}

TEST(Drawing, PickPixelSeesWhatIsDrawnAtThePickedPoint)
{
    // The picked model point (2.5, 2.5) is the only pixel.
    QImage pick(1, 1, QImage::Format_ARGB32_Premultiplied);
    pick.fill(Qt::transparent);
    QPainter painter(&pick);
    painter.setTransform(QTransform(10, 0, 0, -10, -24.5, 25.5));
    DrawingContext context(painter);
    Graphics g(context);
    g.picking = true;
    g.pickImage = &pick;

    g.clearPickPixel();
    g.drawRectangle(noPen, Qt::black, QRectF(5, 5, 2, 2));
    EXPECT_FALSE(g.pickPixelHit());
    g.clearPickPixel();
    g.drawRectangle(noPen, QColor(0, 0, 0, 2), QRectF(2, 2, 1, 1)); // invisible
    EXPECT_FALSE(g.pickPixelHit());
    g.clearPickPixel();
    g.drawRectangle(noPen, Qt::black, QRectF(2, 2, 1, 1));
    EXPECT_TRUE(g.pickPixelHit());
    g.clearPickPixel();
    EXPECT_FALSE(g.pickPixelHit());
    // A clip does not stop the clear.
    context.saveState();
    context.beginPath();
    context.addRect(QRectF(2, 2, 1, 1));
    context.clip();
    Font font;
    font.height = 1;
    // "I" placed so that its stem is centred on the picked point.
    g.drawText("I", font, Qt::black, 2.5 + 0.1 - textInkBounds(font, "I").left(), 2.5);
    EXPECT_TRUE(g.pickPixelHit());
    context.beginPath();
    context.addRect(QRectF(0, 0, 0.5, 0.5));
    context.clip();
    g.clearPickPixel();
    EXPECT_FALSE(g.pickPixelHit());
    context.restoreState();
}

TEST(Drawing, PixelSizeFollowsTransformPushes)
{
    Canvas c;
    Graphics& g = *c.g;
    const double pixel = std::sqrt(2.0) / 10;
    EXPECT_NEAR(g.pixelSize(), pixel, 1e-12);

    g.pushTransform(std::nullopt); // nothing
    EXPECT_EQ(c.context->stateDepth(), 0);
    g.pushTransform(QTransform().rotate(30).translate(3, 4));
    EXPECT_EQ(c.context->stateDepth(), 1);
    EXPECT_NEAR(g.pixelSize(), pixel, 1e-12);
    g.pushTransform(QTransform::fromScale(2, 2));
    EXPECT_NEAR(g.pixelSize(), pixel / 2, 1e-12);
    g.popTransform(QTransform::fromScale(2, 2));
    EXPECT_NEAR(g.pixelSize(), pixel, 1e-12);
    g.popTransform(QTransform().rotate(30));
    EXPECT_EQ(c.context->stateDepth(), 0);
    g.popTransform(QTransform()); // unbalanced pop is ignored
    EXPECT_EQ(c.context->stateDepth(), 0);

    // From the view's linear part alone: a band's origin far off, or what
    // was asked under another transform before, changes nothing.
    c.context->saveState();
    c.context->concatenate(QTransform::fromScale(7, 0.01));
    EXPECT_NEAR(g.pixelSize(), pixel / 7, 1e-12); // along the largest stretch
    c.context->restoreState();
    c.context->setTransform(QTransform(10, 0, 0, -10, -123456.5, 98765.25));
    EXPECT_EQ(g.pixelSize(), pixel);

    // A transform without inverse gives a finite size and draws without harm.
    g.pushTransform(QTransform(0, 0, 0, 0, 1, 1));
    EXPECT_TRUE(std::isfinite(g.pixelSize()));
    g.drawRectangle(Pen(Qt::black, 1), Qt::black, QRectF(0, 0, 1, 1));
    g.popTransform(QTransform(0, 0, 0, 0, 1, 1));
}

TEST(Drawing, ApplyPenForcesRoundOnPcbs)
{
    Canvas c;
    Pen pen(Qt::red, 0.2);
    pen.startCap = LineCap::flat;
    pen.lineJoin = LineJoin::miterClipped;
    pen.linePattern = LinePattern::dashDotDot;
    c.g->applyPen(pen);
    EXPECT_EQ(c.context->lineCap(), Qt::FlatCap);
    EXPECT_EQ(c.context->lineJoin(), Qt::MiterJoin);
    EXPECT_EQ(c.context->lineDash(), (std::vector<double>{1.6, 0.8, 0.4, 0.8, 0.4, 0.8}));
    c.g->drawingPcb = true;
    c.g->applyPen(pen);
    EXPECT_EQ(c.context->lineCap(), Qt::RoundCap);
    EXPECT_EQ(c.context->lineJoin(), Qt::RoundJoin);
    pen.width = 0;
    c.g->applyPen(pen);
    EXPECT_NEAR(c.context->lineWidth(), std::sqrt(2.0) / 10, 1e-12);
}

TEST(Styles, PenReadsItsAttributesAndWords)
{
    for (LineCap v : {LineCap::flat, LineCap::square, LineCap::round, LineCap::arrowAnchor, LineCap::diamondAnchor,
                      LineCap::roundAnchor, LineCap::squareAnchor})
        EXPECT_EQ(lineCapFromString(toString(v)), v);
    for (LineJoin v : {LineJoin::bevel, LineJoin::miter, LineJoin::miterClipped, LineJoin::round})
        EXPECT_EQ(lineJoinFromString(toString(v)), v);
    for (LinePattern v : {LinePattern::solid, LinePattern::dot, LinePattern::dash, LinePattern::dashDot,
                          LinePattern::dashDotDot})
        EXPECT_EQ(linePatternFromString(toString(v)), v);
    EXPECT_FALSE(lineCapFromString("Round"));

    auto doc = parseXml(R"(<line penWidth="0.02" penColor="128,1,2,3" reflectivePen="true" startCap="arrowAnchor"
        endCap="flat" lineJoin="bevel" linePattern="dashDot"/>)");
    Pen pen;
    pen.readXML(doc.first_child());
    EXPECT_DOUBLE_EQ(pen.width, 0.02);
    EXPECT_EQ(pen.color, QColor(1, 2, 3, 128));
    EXPECT_TRUE(pen.reflective);
    EXPECT_EQ(pen.startCap, LineCap::arrowAnchor);
    EXPECT_EQ(pen.endCap, LineCap::flat);
    EXPECT_EQ(pen.lineJoin, LineJoin::bevel);
    EXPECT_EQ(pen.linePattern, LinePattern::dashDot);

    // Missing width and colour keep theirs; missing or unknown words fall back.
    auto other = parseXml(R"(<line penWidth="wide" startCap="ARROW" lineJoin=""/>)");
    pen.readXML(other.first_child());
    EXPECT_DOUBLE_EQ(pen.width, 0.02);
    EXPECT_EQ(pen.color, QColor(1, 2, 3, 128));
    EXPECT_EQ(pen.startCap, LineCap::square);
    EXPECT_EQ(pen.endCap, LineCap::square);
    EXPECT_EQ(pen.lineJoin, LineJoin::round);
    EXPECT_EQ(pen.linePattern, LinePattern::solid);
}

TEST(Styles, BrushReadsItsAttributesAndChildBrushes)
{
    auto doc = parseXml(R"(<shape brushColor="10,20,30" secondColor="0,1,2,3" backColor="4,5,6" reflective="true"
        vertical="true" center="0.25,0.75" brushType="centerGradient"><fill brushColor="200,0,0" brushType="odd"/></shape>)");
    Brush b;
    b.readXML(doc.first_child());
    EXPECT_EQ(b.color, QColor(10, 20, 30));
    EXPECT_EQ(b.secondColor(), QColor(1, 2, 3, 0));
    EXPECT_EQ(b.backColor(), QColor(4, 5, 6));
    EXPECT_TRUE(b.reflective);
    EXPECT_TRUE(b.vertical);
    EXPECT_EQ(b.center(), QPointF(0.25, 0.75));
    EXPECT_EQ(b.brushType, BrushType::centerGradient);
    EXPECT_TRUE(b.isGradient());

    const Brush child = readChildBrush(doc.first_child(), "fill", b);
    EXPECT_EQ(child.color, QColor(200, 0, 0));
    EXPECT_EQ(child.secondColor(), b.secondColor()); // the rest from the current brush
    // A copy is a brush of its own; a colour bound by an editor keeps its
    // place across assignments to its brush.
    Brush copy = b;
    copy.setSecondColor(Qt::red);
    EXPECT_EQ(b.secondColor(), QColor(1, 2, 3, 0));
    Brush plain;
    QColor& bound = plain.editSecondColor();
    plain = Brush(Qt::red);
    EXPECT_EQ(&bound, &plain.editSecondColor());
    EXPECT_EQ(bound, QColor(255, 255, 255));
    plain = b;
    EXPECT_EQ(bound, b.secondColor());
    EXPECT_EQ(plain.center(), QPointF(0.25, 0.75));
    // The gradient span is copied, not shared, and can be unset again.
    copy.rectangle = QRectF(0, 0, 2, 1);
    Brush spanned = copy;
    spanned.rectangle = QRectF(1, 1, 3, 3);
    EXPECT_EQ(copy.rectangle, QRectF(0, 0, 2, 1));
    copy = b;
    EXPECT_FALSE(copy.rectangle);
    EXPECT_EQ(spanned.rectangle, QRectF(1, 1, 3, 3));
    EXPECT_EQ(child.brushType, BrushType::solid);
    const Brush none = readChildBrush(doc.first_child(), "stroke", b);
    EXPECT_EQ(none.brushType, BrushType::centerGradient);
    EXPECT_EQ(brushTypeFromString("hatch"), BrushType::hatch);
    EXPECT_STREQ(toString(BrushType::radial), "radial");
}

TEST(Drawing, InkBoundsHoldWhatThePainterAndTheContextPaint)
{
    InkBounds ink;
    QPainter painter(&ink);
    painter.setTransform(QTransform::fromScale(2, 2));
    // A fill: its box under the transform; nothing painted before.
    EXPECT_FALSE(ink.painted());
    painter.fillRect(QRectF(1, 1, 2, 3), Qt::black);
    EXPECT_EQ(ink.extent(), QRectF(2, 2, 4, 6));
    // A stroke grows by half its width, times the square cap's corner or
    // the miter limit.
    const auto strokeExtent = [&](Qt::PenCapStyle cap, Qt::PenJoinStyle join) {
        ink.reset();
        QPen pen(Qt::black, 1, Qt::SolidLine, cap, join);
        pen.setMiterLimit(10);
        QPainterPath line(QPointF(0, 0));
        line.lineTo(10, 0);
        painter.strokePath(line, pen);
        return ink.extent();
    };
    EXPECT_EQ(strokeExtent(Qt::FlatCap, Qt::BevelJoin), QRectF(-1, -1, 22, 2));
    const QRectF square = strokeExtent(Qt::SquareCap, Qt::BevelJoin);
    EXPECT_NEAR(square.top(), -M_SQRT2, 1e-12);
    EXPECT_NEAR(strokeExtent(Qt::FlatCap, Qt::SvgMiterJoin).top(), -10, 1e-12);
    // Pictures by their place; what has no finite extent is unbounded.
    ink.reset();
    painter.drawImage(QRectF(0, 0, 5, 1), QImage(4, 4, QImage::Format_ARGB32_Premultiplied));
    EXPECT_EQ(ink.extent(), QRectF(0, 0, 10, 2));
    EXPECT_FALSE(ink.unbounded());
    painter.fillRect(QRectF(0, 0, std::numeric_limits<double>::infinity(), 1), Qt::black);
    EXPECT_TRUE(ink.unbounded());

    // The context takes its paths whole, whatever dashes or level of detail
    // drawing would use: a dashed stroke measures as the solid one.
    ink.reset();
    painter.resetTransform();
    DrawingContext context(painter);
    context.setLineWidth(2);
    context.setLineCap(Qt::FlatCap);
    context.setLineJoin(Qt::BevelJoin);
    context.setLineDash({1, 100});
    context.beginPath();
    context.moveTo(QPointF(0, 0));
    context.lineTo(QPointF(50, 0));
    context.strokePath();
    EXPECT_EQ(ink.extent(), QRectF(0, -1, 50, 2).adjusted(-1, 0, 1, 0));
}

// A line raised to the least width reaches at most StrokeReach::kDevicePixels
// past its path's box on the device (what the ink measure and the clipping
// about the area drawn allow for), whatever its caps, joins and placement,
// at every pixel ratio.
TEST(Drawing, RaisedLinesStayWithinTheDeviceReachOfTheirPath)
{
    // Sharp turns, ends leaving at 45 degrees (a square cap's corner
    // farthest out), the box's edges at fractions of a pixel.
    const std::vector<QPointF> points{{1.03, 1.07}, {3.51, 3.58}, {1.27, 3.91}, {4.94, 4.77}, {2.46, 1.52}, {4.13, 2.61}};
    const std::vector<QTransform> placements{QTransform(), QTransform().rotate(30), QTransform::fromScale(1, 0.3),
        QTransform(1, 0.4, 0, 1, 0, 0), QTransform(0.2, 0, 0, 1.5, 0.5, -1)};
    for (const int ratio : {1, 2, 3}) {
        for (size_t p = 0; p < placements.size(); ++p) {
            for (const LineCap cap : {LineCap::flat, LineCap::square, LineCap::round}) {
                for (const LineJoin join : {LineJoin::bevel, LineJoin::miter, LineJoin::round}) {
                    QImage image(80 * ratio, 80 * ratio, QImage::Format_ARGB32_Premultiplied);
                    image.setDevicePixelRatio(ratio);
                    image.fill(Qt::transparent);
                    const QTransform view(10.3, 0, 0, -10.3, 10.37, 70.21);
                    {
                        QPainter painter(&image);
                        painter.setTransform(view);
                        DrawingContext context(painter);
                        Graphics g(context);
                        g.pushTransform(placements[p]);
                        Pen pen(Qt::black, 0.0001);
                        pen.startCap = pen.endCap = cap;
                        pen.lineJoin = join;
                        g.applyPen(pen);
                        context.beginPath();
                        context.moveTo(points.front());
                        for (size_t i = 1; i < points.size(); ++i)
                            context.lineTo(points[i]);
                        context.strokePath();
                        g.popTransform(placements[p]);
                    }
                    QPolygonF polygon;
                    for (const QPointF& q : points)
                        polygon << (placements[p] * view).map(q);
                    const QRectF allowed = polygon.boundingRect().adjusted(
                        -StrokeReach::kDevicePixels, -StrokeReach::kDevicePixels, StrokeReach::kDevicePixels, StrokeReach::kDevicePixels);
                    int inked = 0;
                    for (int y = 0; y < image.height(); ++y) {
                        for (int x = 0; x < image.width(); ++x) {
                            if (qAlpha(image.pixel(x, y)) == 0)
                                continue;
                            ++inked;
                            const QRectF pixel(double(x) / ratio, double(y) / ratio, 1.0 / ratio, 1.0 / ratio);
                            ASSERT_TRUE(pixel.intersects(allowed)) << x << "," << y << " at ratio " << ratio << ", placement " << p
                                                                   << ", cap " << int(cap) << ", join " << int(join);
                        }
                    }
                    EXPECT_GT(inked, 100);
                }
            }
        }
    }
}
