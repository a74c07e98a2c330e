// The level of detail of the drawing facade: cheap stand-ins for shapes too
// small to show their form, never while picking.

#include "DrawingTestSupport.h"
#include "core/CoverageFill.h"
#include "core/Dashes.h"
#include "core/Graphics.h"
#include "core/PathDetail.h"
#include "core/ReadWorkers.h"
#include "core/TextMetrics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace {

// An image seen through a y-up view of `scale` pixels per inch.
struct Surface : PaintedImage {
    Surface(double scale, int size = 64) : PaintedImage(QSize(size, size), QTransform(scale, 0, 0, -scale, 0, size)) {}
};

// Sum of alpha over the image, in pixels of full coverage.
double ink(const QImage& img)
{
    double sum = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            sum += qAlpha(img.pixel(x, y)) / 255.0;
    return sum;
}

int maxAlphaDifference(const QImage& a, const QImage& b)
{
    int m = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            m = std::max(m, std::abs(qAlpha(a.pixel(x, y)) - qAlpha(b.pixel(x, y))));
    return m;
}

// The largest difference of any channel of any pixel.
int worstChannel(const QImage& one, const QImage& other)
{
    int m = 0;
    for (int y = 0; y < one.height(); ++y)
        for (int x = 0; x < one.width(); ++x) {
            const QRgb a = one.pixel(x, y), b = other.pixel(x, y);
            m = std::max({m, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b)),
                          std::abs(qAlpha(a) - qAlpha(b))});
        }
    return m;
}

using Draw = std::function<void(Graphics&)>;

QImage render(double scale, const Draw& draw, bool picking = false, int size = 64)
{
    Surface s(scale, size);
    s.g->picking = picking;
    draw(*s.g);
    return s.done();
}

// The exact shape through the context's path, as every shape was drawn
// before the stand-ins.
Draw exactEllipse(QRectF r)
{
    return [r](Graphics& g) {
        g.context.setFillColor(Qt::black);
        g.context.beginPath();
        g.context.addEllipse(r);
        g.context.fillPath();
    };
}

} // namespace

TEST(LevelOfDetail, TinyEllipsesKeepTheirInkAndPlace)
{
    // Ellipses from well under to just over two pixels across, at odd
    // places: the stand-in puts the same ink about the same centre.
    for (double d : {0.6, 1.0, 1.5, 1.9, 2.5, 3.0, 6.0, 12.0, 20.0}) {
        for (QPointF c : {QPointF(3.2, 3.3), QPointF(3.5, 3.5), QPointF(3.71, 3.05)}) {
            const QRectF r(c.x() - d / 20, c.y() - d / 20, d / 10, d / 10); // d pixels at 10 px/inch
            const QImage exact = render(10, exactEllipse(r));
            const QImage lod = render(10, [r](Graphics& g) { g.fillEllipse(r, Qt::black); });
            const double expected = M_PI * d * d / 4;
            EXPECT_NEAR(ink(lod), ink(exact), 0.02 * expected + 0.05) << d;
            // Never more than a fraction of a pixel's coverage apart.
            EXPECT_LE(maxAlphaDifference(lod, exact), d < Graphics::kTinyShapePixels ? 90 : 40) << d;
        }
    }
    // Large ones are the exact shape, pixel for pixel.
    const QRectF big(0.5, 0.5, 5, 4);
    EXPECT_EQ(render(10, exactEllipse(big)), render(10, [big](Graphics& g) { g.fillEllipse(big, Qt::black); }));
}

TEST(LevelOfDetail, PickingDrawsExactShapes)
{
    // The picked pixel sees only the exact shapes, pixel for pixel.
    const QRectF tinyDisc(0.31, 0.33, 0.17, 0.17); // 1.7 pixels across
    EXPECT_EQ(render(10, [&](Graphics& g) { g.fillEllipse(tinyDisc, Qt::black); }, true),
              render(10, exactEllipse(tinyDisc)));
    EXPECT_NE(render(10, [&](Graphics& g) { g.fillEllipse(tinyDisc, Qt::black); }, false),
              render(10, exactEllipse(tinyDisc)));
    const QRectF r(0.13, 0.17, 2, 2);
    EXPECT_EQ(render(10, [&](Graphics& g) { g.fillRect(r, Qt::black); }, true), render(10, [&](Graphics& g) {
                  g.context.setFillColor(Qt::black);
                  g.context.beginPath();
                  g.context.addRect(r);
                  g.context.fillPath();
              }));
    // A thin line is not drawn by the shortcut while picking: the caller
    // strokes it.
    Surface s(10);
    s.g->picking = true;
    EXPECT_FALSE(s.g->strokeThinRectangle(Pen(Qt::black, 0), QRectF(1, 1, 3, 2)));
    EXPECT_FALSE(s.g->strokeThinPolyline(Pen(Qt::black, 0), {QPointF(1, 1), QPointF(3, 1)}));
    EXPECT_EQ(ink(s.done()), 0);
}

TEST(LevelOfDetail, ThinLinesCoverTheStrokesPixels)
{
    const QRectF r(1.03, 1.07, 3.3, 2.2);
    const std::vector<QPointF> track{QPointF(0.5, 0.55), QPointF(4.5, 0.55), QPointF(4.5, 5.2)};
    for (bool pcb : {false, true}) {
        auto setup = [pcb](Graphics& g) { g.drawingPcb = pcb; };
        const QImage strokedRect = render(10, [&](Graphics& g) {
            setup(g);
            g.applyPen(Pen(Qt::black, 0));
            g.context.beginPath();
            g.context.addRect(r);
            g.context.strokePath();
        });
        bool thin = false;
        const QImage band = render(10, [&](Graphics& g) {
            setup(g);
            thin = g.strokeThinRectangle(Pen(Qt::black, 0), r);
        });
        EXPECT_TRUE(thin);
        EXPECT_NEAR(ink(band), ink(strokedRect), 0.03 * ink(strokedRect));
        EXPECT_LE(maxAlphaDifference(band, strokedRect), 80);

        const QImage strokedTrack = render(10, [&](Graphics& g) {
            setup(g);
            g.applyPen(Pen(Qt::black, 0));
            g.context.beginPath();
            g.addPolyline(track);
            g.context.strokePath();
        });
        const QImage segments = render(10, [&](Graphics& g) {
            setup(g);
            thin = g.strokeThinPolyline(Pen(Qt::black, 0), track);
        });
        EXPECT_TRUE(thin);
        EXPECT_NEAR(ink(segments), ink(strokedTrack), 0.05 * ink(strokedTrack));
        EXPECT_LE(maxAlphaDifference(segments, strokedTrack), 100);
    }

    // Wide, dashed or sheared lines are the caller's to stroke.
    Surface s(10);
    EXPECT_FALSE(s.g->strokeThinRectangle(Pen(Qt::black, 0.3), r));
    Pen dashed(Qt::black, 0);
    dashed.linePattern = LinePattern::dash;
    EXPECT_FALSE(s.g->strokeThinPolyline(dashed, track));
    s.context->concatenate(QTransform::fromScale(1, 2));
    EXPECT_FALSE(s.g->keepsShapes());
    EXPECT_FALSE(s.g->strokeThinPolyline(Pen(Qt::black, 0), track));
    // A rectangle narrower than its line is stroked as usual.
    s.context->setTransform(QTransform(10, 0, 0, -10, 0, 64));
    EXPECT_FALSE(s.g->strokeThinRectangle(Pen(Qt::black, 0), QRectF(1, 1, 0.1, 2)));
    EXPECT_EQ(ink(s.done()), 0);
}

TEST(LevelOfDetail, RectanglesAndPolygonsFillAsPathsDo)
{
    const QRectF r(1.03, 1.07, 3.3, 2.2);
    const QImage path = render(10, [&](Graphics& g) {
        g.context.setFillColor(Qt::black);
        g.context.beginPath();
        g.context.addRect(r);
        g.context.fillPath();
    });
    const QImage filled = render(10, [&](Graphics& g) { g.fillRect(r, Qt::black); });
    EXPECT_NEAR(ink(filled), ink(path), 0.5);
    EXPECT_LE(maxAlphaDifference(filled, path), 8);
    // Turned by a quarter: still the same pixels.
    const QImage turned = render(10, [&](Graphics& g) {
        g.context.concatenate(QTransform(0, 1, -1, 0, 6, 0));
        g.fillRect(r, Qt::black);
    });
    EXPECT_NEAR(ink(turned), ink(path), 0.5);

    const std::vector<QPointF> triangle{QPointF(1, 1), QPointF(5, 1), QPointF(1, 4)};
    const QImage polygon = render(10, [&](Graphics& g) { g.drawPolygon(Pen(Qt::transparent, 0), Qt::black, triangle); });
    const QImage points = render(10, [&](Graphics& g) { g.fillPoints(triangle, Qt::black); });
    EXPECT_LE(maxAlphaDifference(points, polygon), 2);
    // Invisible colours and empty point lists draw nothing.
    EXPECT_EQ(ink(render(10, [&](Graphics& g) {
                  g.fillPoints({}, Qt::black);
                  g.fillPoints(triangle, QColor(0, 0, 0, 1));
                  g.fillRect(r, QColor(0, 0, 0, 1));
                  g.fillEllipse(r, Qt::transparent);
              })),
              0);
}

TEST(LevelOfDetail, HostileTransformsDrawWithoutHarm)
{
    for (const QTransform& t : {QTransform(0, 0, 0, 0, 1, 1), QTransform(1e300, 0, 0, 1e300, 0, 0),
                                QTransform(std::nan(""), 0, 0, 1, 0, 0), QTransform(1, 0, 0.001, 1, 0, 0)}) {
        Surface s(10);
        s.context->concatenate(t);
        s.g->fillRect(QRectF(0, 0, 1, 1), Qt::black);
        s.g->fillEllipse(QRectF(0, 0, 1, 1), Qt::black);
        s.g->fillPoints({QPointF(0, 0), QPointF(1, 0), QPointF(0, 1)}, Qt::black);
        s.g->strokeThinRectangle(Pen(Qt::black, 0), QRectF(0, 0, 1, 1));
        s.g->strokeThinPolyline(Pen(Qt::black, 0), {QPointF(0, 0), QPointF(1, 1)});
        s.done();
    }
    // Far off, huge or inside out under a plain view, where the fills go
    // straight into the pixels.
    Surface far(10);
    for (const QRectF& r : {QRectF(1e15, 1e15, 1, 1), QRectF(-1e15, 0, 1, 1), QRectF(-1e6, -1e6, 2e6, 2e6),
                            QRectF(3, 3, -1e300, 1), QRectF(0, 0, 1e300, 1e300)}) {
        far.g->fillRect(r, Qt::black);
        far.g->fillEllipse(QRectF(r.topLeft(), QSizeF(0.1, 0.1)), Qt::black);
        far.g->strokeThinRectangle(Pen(Qt::black, 0), r);
    }
    EXPECT_GT(ink(far.done()), 0); // the one covering the view fills it
}

TEST(LevelOfDetail, DirectFillsMatchQPainterOnEveryTarget)
{
    // Small upright rectangles are written straight into the image the
    // painter paints on; the result must be QPainter's own, to a level or
    // two, whatever the colour, the target's format and the rectangle's
    // orientation, and QPainter still does the work where pixels are not
    // plainly the image's (a clip, another composition, opacity, a pixel
    // ratio).
    const std::vector<QRectF> rects{QRectF(0.13, 0.21, 0.25, 0.37), QRectF(1.5, 1.5, 1, 1), QRectF(2.05, 3.95, -0.31, 0.07),
                                    QRectF(-1, -1, 2.2, 2.2), QRectF(6.3, 6.3, 0.5, 0.5), QRectF(3.3, 0.03, 0.02, 0.02)};
    const QTransform views[] = {QTransform(10, 0, 0, -10, 0, 64), QTransform(0, 10, 10, 0, 0.3, 0.7),
                                QTransform(-10, 0, 0, 10, 63.5, 0.25)};
    for (QImage::Format format : {QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB32}) {
        for (const QTransform& view : views) {
            for (const QColor& color : {QColor(200, 40, 40), QColor(240, 240, 240, 71), QColor(0, 0, 0, 255)}) {
                auto paint = [&](bool viaFacade, const std::function<void(QPainter&)>& setup) {
                    QImage img(64, 64, format);
                    img.fill(QColor(30, 90, 30));
                    QPainter painter(&img);
                    painter.setRenderHint(QPainter::Antialiasing);
                    setup(painter);
                    painter.setTransform(view);
                    if (viaFacade) {
                        DrawingContext context(painter);
                        Graphics g(context);
                        for (const QRectF& r : rects)
                            g.fillRect(r, color);
                        g.strokeThinRectangle(Pen(color, 0), QRectF(0.5, 0.5, 4.1, 3.3));
                    } else {
                        for (const QRectF& r : rects)
                            painter.fillRect(r.normalized(), color);
                        // The thin rectangle's band: 1.41 pixels wide, square corners.
                        const double h = std::sqrt(2.0) / 10 / 2;
                        QPainterPath band;
                        band.setFillRule(Qt::OddEvenFill);
                        band.addRect(QRectF(0.5, 0.5, 4.1, 3.3).adjusted(-h, -h, h, h));
                        band.addRect(QRectF(0.5, 0.5, 4.1, 3.3).adjusted(h, h, -h, -h));
                        painter.fillPath(band, color);
                    }
                    painter.end();
                    return img;
                };
                auto plain = [](QPainter&) {};
                auto worst = [](const QImage& one, const QImage& other) {
                    int m = 0;
                    for (int y = 0; y < 64; ++y)
                        for (int x = 0; x < 64; ++x) {
                            const QRgb a = one.pixel(x, y), b = other.pixel(x, y);
                            m = std::max({m, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                          std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
                        }
                    return m;
                };
                EXPECT_LE(worst(paint(true, plain), paint(false, plain)), 3)
                    << format << " " << color.name(QColor::HexArgb).toStdString();

                // Under a clip the clip holds.
                auto clipped = [](QPainter& p) { p.setClipRect(QRect(0, 0, 32, 64)); };
                const QImage underClip = paint(true, clipped);
                for (int y = 0; y < 64; ++y)
                    for (int x = 32; x < 64; ++x)
                        ASSERT_EQ(underClip.pixel(x, y), QColor(30, 90, 30).rgb());
                // Other compositions and opacities are QPainter's.
                auto clear = [](QPainter& p) { p.setCompositionMode(QPainter::CompositionMode_Clear); };
                EXPECT_LE(worst(paint(true, clear), paint(false, clear)), 3);
                auto fade = [](QPainter& p) { p.setOpacity(0.5); };
                EXPECT_LE(worst(paint(true, fade), paint(false, fade)), 3);
                // Destination out (the board fill's openings) takes away
                // what the shapes cover (overlapping ones compound the
                // rounding).
                auto cut = [](QPainter& p) { p.setCompositionMode(QPainter::CompositionMode_DestinationOut); };
                EXPECT_LE(worst(paint(true, cut), paint(false, cut)), 4);

                // Small discs and ellipses (polygons on the device), two
                // overlapping, one across the image's edge, one wider than
                // the direct fill takes, a small polygon and thin segments:
                // written straight into the image, they are what QPainter
                // makes of the same polygons and lines (which it draws
                // itself under a clip of the whole image).
                auto discs = [&](const std::function<void(QPainter&)>& setup) {
                    QImage img(64, 64, format);
                    img.fill(QColor(30, 90, 30));
                    QPainter painter(&img);
                    setup(painter);
                    painter.setTransform(view);
                    DrawingContext context(painter);
                    Graphics g(context);
                    for (const QRectF& r : {QRectF(0.31, 0.47, 0.3, 0.3), QRectF(1.03, 2.11, 0.47, 0.29), QRectF(1.2, 2.2, 0.5, 0.5),
                                            QRectF(2.5, 1.05, 1.9, 1.9), QRectF(-0.1, 3.0, 0.6, 0.6), QRectF(6.2, -0.15, 0.41, 0.41),
                                            QRectF(0.5, 4.0, 2.4, 2.4)})
                        g.fillEllipse(r, color);
                    g.fillPoints({QPointF(4.1, 4.1), QPointF(4.5, 4.2), QPointF(4.2, 4.9)}, color);
                    // Thin segments, one of them longer than the direct fill takes.
                    g.strokeThinPolyline(Pen(color, 0.1), {QPointF(0.2, 5.1), QPointF(1.3, 5.6), QPointF(1.3, 5.9), QPointF(6.0, 0.4)});
                    g.strokeThinPolyline(Pen(color, 0), {QPointF(3.3, 3.1), QPointF(3.9, 3.12), QPointF(3.9, 3.12), QPointF(3.5, 2.5)});
                    // Round ends and joins two to six pixels wide and just
                    // over, as tracks draw them (stroked as usual where not
                    // taken).
                    g.drawingPcb = true;
                    for (const auto& [width, line] : std::vector<std::pair<double, std::vector<QPointF>>>{
                             {0.2, {QPointF(4.6, 0.3), QPointF(5.3, 0.9), QPointF(5.5, 0.3)}},
                             {0.37, {QPointF(0.4, 1.5), QPointF(1.6, 1.5)}},
                             {0.6, {QPointF(2.7, 4.3), QPointF(3.1, 4.7), QPointF(2.7, 5.2), QPointF(2.71, 5.22)}},
                             {0.5, {QPointF(5.9, 3.3), QPointF(6.7, 3.6)}},
                             {0.6, {QPointF(4.5, 5.5), QPointF(5.2, 5.0)}},
                             {0.61, {QPointF(4.5, 6.5), QPointF(5.2, 6.0)}},
                             {2.3, {QPointF(-2.0, 3.9), QPointF(9.5, 2.1)}}}) {
                        if (!g.strokeThinPolyline(Pen(color, width), line)) {
                            g.context.beginPath();
                            g.context.moveTo(line.front());
                            for (const QPointF& p : line)
                                g.context.lineTo(p);
                            g.context.strokePath();
                        }
                    }
                    // Paths with curves (a rounded pad, turned, and a ring
                    // wider than the direct fill takes), filled as pads fill
                    // them.
                    QPainterPath rounded;
                    rounded.addRoundedRect(QRectF(0.1, 0.15, 0.55, 0.8), 0.12, 0.12);
                    QPainterPath ring, inner;
                    ring.addEllipse(QRectF(-0.5, -0.5, 7.5, 7.5));
                    inner.addEllipse(QRectF(-0.3, -0.3, 7.1, 7.1));
                    ring.addPath(inner.toReversed());
                    for (const auto& [path, local] : {std::pair{rounded, QTransform()}, std::pair{ring, QTransform()},
                                                      std::pair{rounded, QTransform(0, 1, -1, 0, 5.3, 1.7)}}) {
                        if (!g.fillSmallPath(path, local, color))
                            g.context.fillUserPath(path, QBrush(color), Qt::WindingFill, local);
                    }
                    painter.end();
                    return img;
                };
                auto whole = [](QPainter& p) { p.setClipRect(QRect(0, 0, 64, 64)); };
                // Within 2 % of a pixel's coverage (QPainter rounds points
                // to its fixed point); overlaps compound the rounding.
                EXPECT_LE(worst(discs(plain), discs(whole)), 5) << format << " " << color.name(QColor::HexArgb).toStdString();
                auto cutWhole = [](QPainter& p) {
                    p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
                    p.setClipRect(QRect(0, 0, 64, 64));
                };
                EXPECT_LE(worst(discs(cut), discs(cutWhole)), 6);
            }
        }
    }

    // Glyphs of a few pixels, upright and turned, straight into the image:
    // the ink QPainter gives the same outlines, to within antialiasing at
    // their edges (QPainter flattens and samples them its own way). Texts
    // larger than the direct fill takes, and picks, are left to QPainter.
    Font font;
    font.height = 0.9;
    const std::shared_ptr<const TextShape> text = textShape(font, QStringLiteral("Rg8@W"));
    ASSERT_TRUE(text);
    const double unit = textShapeUnit(font);
    for (const QTransform& local : {QTransform(unit, 0, 0, unit, 0.4, 4.2), QTransform(0, unit, -unit, 0, 5.2, 0.3)}) {
        auto glyphs = [&](bool direct) {
            QImage img(64, 64, QImage::Format_ARGB32_Premultiplied);
            img.fill(Qt::transparent);
            QPainter painter(&img);
            if (!direct)
                painter.setClipRect(QRect(0, 0, 64, 64));
            painter.setTransform(QTransform(10, 0, 0, -10, 0, 64));
            DrawingContext context(painter);
            Graphics g(context);
            EXPECT_EQ(g.fillSmallGlyphs(*text, local, Qt::black), direct);
            if (!direct)
                g.context.fillUserPath(text->outline(), QBrush(Qt::black), Qt::WindingFill, local);
            painter.end();
            return img;
        };
        const QImage direct = glyphs(true), painted = glyphs(false);
        EXPECT_NEAR(ink(direct), ink(painted), 0.01 * ink(painted));
        EXPECT_LE(maxAlphaDifference(direct, painted), 32);
    }
    {
        QImage img(64, 64, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&img);
        painter.setTransform(QTransform(10, 0, 0, -10, 0, 64));
        DrawingContext context(painter);
        Graphics g(context);
        EXPECT_FALSE(g.fillSmallGlyphs(*text, QTransform(8 * unit, 0, 0, 8 * unit, 0, 1), Qt::black));
        g.picking = true;
        EXPECT_FALSE(g.fillSmallGlyphs(*text, QTransform(unit, 0, 0, unit, 0.4, 4.2), Qt::black));
        QPainterPath dot;
        dot.addEllipse(QRectF(1, 1, 0.5, 0.5));
        EXPECT_FALSE(g.fillSmallPath(dot, QTransform(), Qt::black));
    }
    // Outlines of any size swept straight into the pixels: overlapping
    // contours, either rule, reaching past every edge of the image, are
    // what QPainter makes of them, on either format, over or cut out.
    const std::vector<std::vector<QPointF>> contours{
        {{-20, 5}, {50, -9}, {70, 40}, {30, 75}, {-5, 60}, {20, 30}},
        {{10, 10}, {40, 12}, {41, 50}, {12, 44}},
        {{25, 20.5}, {33.3, 20.5}, {33.3, 28.25}, {25, 28.25}},
        {{0.5, 61.2}, {63.7, 62.9}, {0.5, 63.4}},
    };
    for (QImage::Format format : {QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB32}) {
        for (const Qt::FillRule rule : {Qt::WindingFill, Qt::OddEvenFill}) {
            for (const auto mode : {QPainter::CompositionMode_SourceOver, QPainter::CompositionMode_DestinationOut}) {
                for (const QColor& color : {QColor(200, 40, 40), QColor(240, 240, 240, 71)}) {
                    auto paint = [&](bool direct) {
                        QImage img(64, 64, format);
                        img.fill(QColor(30, 90, 30));
                        QPainter painter(&img);
                        painter.setRenderHint(QPainter::Antialiasing);
                        painter.setCompositionMode(mode);
                        QTransform toPixels;
                        QImage* target = CoverageFill::target(painter, QBrush(color), toPixels);
                        const bool allowed = mode == QPainter::CompositionMode_SourceOver || format == QImage::Format_ARGB32_Premultiplied;
                        EXPECT_EQ(target != nullptr, allowed);
                        if (direct && target) {
                            EXPECT_TRUE(CoverageFill::fill(*target, contours, toPixels, rule, color, mode != QPainter::CompositionMode_SourceOver));
                        } else {
                            QPainterPath path;
                            path.setFillRule(rule);
                            for (const auto& c : contours)
                                path.addPolygon(QPolygonF(QList<QPointF>(c.begin(), c.end())));
                            painter.fillPath(path, color);
                        }
                        painter.end();
                        return img;
                    };
                    EXPECT_LE(worstChannel(paint(true), paint(false)), 2) << format << " " << rule << " " << mode;
                }
            }
        }
    }
    // Paths of curves filled through the context go the same way,
    // flattened finely enough that even a disc of one pixel keeps its ink.
    for (QImage::Format format : {QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB32}) {
        for (const auto mode : {QPainter::CompositionMode_SourceOver, QPainter::CompositionMode_DestinationOut}) {
            if (mode != QPainter::CompositionMode_SourceOver && format != QImage::Format_ARGB32_Premultiplied)
                continue;
            QPainterPath curves;
            curves.addEllipse(QRectF(-1.3, 2.1, 5.2, 4.9));
            curves.addEllipse(QRectF(1.05, 1.05, 0.1, 0.1));
            curves.moveTo(3.1, 0.2);
            curves.cubicTo(7.9, 0.4, 2.2, 3.9, 5.5, 3.3);
            curves.closeSubpath();
            curves.addRoundedRect(QRectF(0.4, 0.3, 2.2, 1.4), 0.5, 0.4);
            for (const Qt::FillRule rule : {Qt::WindingFill, Qt::OddEvenFill}) {
                auto paint = [&](bool viaContext) {
                    QImage img(64, 64, format);
                    img.fill(QColor(30, 90, 30));
                    QPainter painter(&img);
                    painter.setRenderHint(QPainter::Antialiasing);
                    painter.setCompositionMode(mode);
                    painter.setTransform(QTransform(10, 0, 0, -10, 0.3, 64));
                    if (viaContext) {
                        DrawingContext context(painter);
                        context.setFillColor(QColor(200, 40, 40, 200));
                        context.beginPath();
                        context.addPath(curves);
                        context.fillPath(rule);
                    } else {
                        QPainterPath p = curves;
                        p.setFillRule(rule);
                        painter.fillPath(p, QColor(200, 40, 40, 200));
                    }
                    painter.end();
                    return img;
                };
                // QPainter flattens curves more coarsely: a level or two more.
                EXPECT_LE(worstChannel(paint(true), paint(false)), 5) << format << " " << rule << " " << mode;
            }
        }
    }
    {
        // Round segments wider than the direct fill takes are the stroker's.
        QImage img(64, 64, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&img);
        painter.setTransform(QTransform(0.1, 0, 0, -0.1, 0, 64));
        DrawingContext context(painter);
        Graphics g(context);
        g.drawingPcb = true;
        EXPECT_TRUE(g.strokeThinPolyline(Pen(Qt::black, Graphics::kRoundSegmentPixels * 10), {QPointF(0, 0), QPointF(300, 300)}));
        EXPECT_FALSE(g.strokeThinPolyline(Pen(Qt::black, Graphics::kRoundSegmentPixels * 10 + 1), {QPointF(0, 0), QPointF(300, 300)}));
    }
    {
        // Pixels are only written where QPainter may write them plainly.
        QImage img(64, 64, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&img);
        QTransform toPixels;
        EXPECT_EQ(CoverageFill::target(painter, QBrush(Qt::black), toPixels), nullptr); // not antialiased
        painter.setRenderHint(QPainter::Antialiasing);
        EXPECT_EQ(CoverageFill::target(painter, QBrush(Qt::black), toPixels), &img);
        // Whatever world transform the last drawing left (here a nearly
        // singular one), the pixels are the painter's own, exactly.
        painter.setTransform(QTransform(1.58886, 38.0872, 3.11806, 74.608, 138.623, 185.89418));
        EXPECT_EQ(CoverageFill::target(painter, QBrush(Qt::black), toPixels), &img);
        EXPECT_TRUE(toPixels.isIdentity());
        painter.resetTransform();
        EXPECT_EQ(CoverageFill::target(painter, QBrush(Qt::black, Qt::Dense4Pattern), toPixels), nullptr);
        painter.setOpacity(0.5);
        EXPECT_EQ(CoverageFill::target(painter, QBrush(Qt::black), toPixels), nullptr);
        painter.setOpacity(1);
        painter.setClipRect(QRect(0, 0, 64, 64));
        EXPECT_EQ(CoverageFill::target(painter, QBrush(Qt::black), toPixels), nullptr);
        painter.setClipping(false);
        painter.setCompositionMode(QPainter::CompositionMode_Xor);
        EXPECT_EQ(CoverageFill::target(painter, QBrush(Qt::black), toPixels), nullptr);
        painter.end();
        // Points not finite draw nothing and say so; points however far
        // off draw what lies in the image.
        img.fill(Qt::transparent);
        EXPECT_FALSE(CoverageFill::fill(img, {{{0, 0}, {std::nan(""), 10}, {0, 20}}}, QTransform(), Qt::WindingFill, Qt::black, false));
        EXPECT_EQ(ink(img), 0);
        EXPECT_TRUE(CoverageFill::fill(img, {{{10, -1e300}, {20, -1e300}, {20, 1e300}, {10, 1e300}}}, QTransform(), Qt::WindingFill, Qt::black, false));
        EXPECT_NEAR(ink(img), 640, 0.5);
        // An outline winding any number of times fills as it does once by
        // the nonzero rule, and by parity under even-odd, either way round
        // (a square on whole pixels, whose edges put whole units in cells:
        // 65,536 windings sum to 2^32 in a cell).
        auto wound = [](int turns, Qt::FillRule rule, bool reversed) {
            QImage w(64, 64, QImage::Format_ARGB32_Premultiplied);
            w.fill(Qt::transparent);
            std::vector<QPointF> square{{10, 10}, {50, 10}, {50, 41}, {10, 41}};
            if (reversed)
                std::reverse(square.begin(), square.end());
            std::vector<QPointF> outline;
            for (int t = 0; t < turns; ++t)
                outline.insert(outline.end(), square.begin(), square.end());
            EXPECT_TRUE(CoverageFill::fill(w, {outline}, QTransform(), rule, Qt::black, false));
            return w;
        };
        const QImage once = wound(1, Qt::WindingFill, false);
        EXPECT_NEAR(ink(once), 40 * 31, 1e-9);
        for (const int turns : {65536, 2 * 65536, 65537})
            for (const bool reversed : {false, true}) {
                EXPECT_EQ(wound(turns, Qt::WindingFill, reversed), once) << turns << " " << reversed;
                EXPECT_EQ(wound(turns, Qt::OddEvenFill, reversed), turns % 2 ? once : wound(0, Qt::OddEvenFill, false)) << turns << " " << reversed;
            }
        // A wedge from far left to far right: each column's share of it
        // as near.
        const double far = 1e9;
        img.fill(Qt::transparent);
        EXPECT_TRUE(CoverageFill::fill(img, {{{-far, 0}, {far, 64}, {-far, 64}}}, QTransform(), Qt::WindingFill, Qt::black, false));
        QImage nearImg(64, 64, QImage::Format_ARGB32_Premultiplied);
        nearImg.fill(Qt::transparent);
        {
            QPainter painter(&nearImg);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.fillPath([&] { QPainterPath p; p.addPolygon(QPolygonF({{-far, 0}, {far, 64}, {-far, 64}})); return p; }(), Qt::black);
        }
        EXPECT_LE(worstChannel(img, nearImg), 2);
        EXPECT_GT(ink(img), 64 * 32 - 2);
        // Under kept rows only those rows of that image are written, as
        // they are without; other images whole. The sweep, a small polygon
        // and a rectangle alike.
        auto draw = [](QImage& target) {
            target.fill(Qt::transparent);
            CoverageFill::fill(target, {{{3.3, 2.7}, {60.2, 30.5}, {9.1, 61.6}}}, QTransform(), Qt::WindingFill, Qt::black, false);
            QPainter painter(&target);
            painter.setRenderHint(QPainter::Antialiasing);
            DrawingContext context(painter);
            Graphics g(context);
            g.fillRect(QRectF(40.5, 2.5, 20, 59), Qt::blue);
            g.fillPoints({{20.5, 10.2}, {40.7, 25.4}, {22.2, 50.3}}, Qt::red);
        };
        QImage whole(64, 64, QImage::Format_ARGB32_Premultiplied), rows(64, 64, QImage::Format_ARGB32_Premultiplied);
        draw(whole);
        {
            const CoverageFill::KeptRows kept(rows, 17, 29);
            QImage other(64, 64, QImage::Format_ARGB32_Premultiplied);
            draw(other);
            EXPECT_EQ(other, whole);
            draw(rows);
        }
        for (int y = 0; y < 64; ++y)
            EXPECT_EQ(rows.copy(0, y, 64, 1), y >= 17 && y < 29 ? whole.copy(0, y, 64, 1) : [] {
                QImage blank(64, 1, QImage::Format_ARGB32_Premultiplied);
                blank.fill(Qt::transparent);
                return blank;
            }()) << y;
        // Gone with it.
        draw(rows);
        EXPECT_EQ(rows, whole);
    }

    // An image of pixel ratio 2: its device pixels are not the painter's.
    QImage twice(64, 64, QImage::Format_ARGB32_Premultiplied);
    twice.setDevicePixelRatio(2);
    twice.fill(Qt::transparent);
    {
        QPainter painter(&twice);
        painter.setTransform(QTransform(5, 0, 0, -5, 0, 32));
        DrawingContext context(painter);
        Graphics g(context);
        g.fillRect(QRectF(1, 1, 2, 2), Qt::black); // logical (5..15, 17..27): device (10..30, 34..54)
    }
    EXPECT_EQ(qAlpha(twice.pixel(20, 44)), 255);
    EXPECT_EQ(qAlpha(twice.pixel(8, 44)), 0);
    EXPECT_EQ(qAlpha(twice.pixel(32, 44)), 0);
    // The sweep takes the ratio into its pixels.
    auto halfDisc = [](bool direct) {
        QImage img(64, 64, QImage::Format_ARGB32_Premultiplied);
        img.setDevicePixelRatio(2);
        img.fill(Qt::transparent);
        QPainter painter(&img);
        painter.setRenderHint(QPainter::Antialiasing);
        std::vector<QPointF> outline;
        for (int i = 0; i < 40; ++i)
            outline.emplace_back(16 + 13.3 * std::cos(i * M_PI / 39), 16.2 + 13.3 * std::sin(i * M_PI / 39));
        QTransform toPixels;
        QImage* target = CoverageFill::target(painter, QBrush(Qt::black), toPixels);
        EXPECT_EQ(toPixels, QTransform::fromScale(2, 2));
        if (direct && target)
            CoverageFill::fill(*target, {outline}, toPixels, Qt::WindingFill, Qt::black, false);
        else
            painter.fillPath([&] { QPainterPath p; p.addPolygon(QPolygonF(QList<QPointF>(outline.begin(), outline.end()))); return p; }(), Qt::black);
        painter.end();
        return img;
    };
    EXPECT_LE(worstChannel(halfDisc(true), halfDisc(false)), 3);
}

namespace {

// A closed outline of `n` vertices around a circle of `radius` about
// `centre`, with a square hole, as pours are stored.
QPainterPath manyVertexOutline(int n, QPointF centre, double radius)
{
    QPainterPath p;
    p.setFillRule(Qt::OddEvenFill);
    for (int i = 0; i < n; ++i) {
        const double a = 2 * M_PI * i / n;
        const QPointF at = centre + radius * QPointF(std::cos(a), std::sin(a) * (1 + 0.1 * std::sin(7 * a)));
        i == 0 ? p.moveTo(at) : p.lineTo(at);
    }
    p.closeSubpath();
    p.addRect(QRectF(centre - QPointF(radius / 4, radius / 4), QSizeF(radius / 2, radius / 2)));
    return p;
}

void fillThroughContext(Graphics& g, const QPainterPath& path)
{
    g.context.setFillColor(Qt::black);
    g.context.beginPath();
    g.context.addPath(path);
    g.context.fillPath(Qt::OddEvenFill);
}

// Pixels whose alpha differs by more than `levels`.
int pixelsOff(const QImage& a, const QImage& b, int levels)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += std::abs(qAlpha(a.pixel(x, y)) - qAlpha(b.pixel(x, y))) > levels;
    return n;
}

// The path as QPainter fills it by itself.
QImage painterFill(const QPainterPath& path, const QTransform& view, QSize size)
{
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter painter(&img);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(view);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPath(path);
    painter.end();
    return img;
}

} // namespace

TEST(LevelOfDetail, HugePathsReachThePainterSimplifiedInStripsAndLookTheSame)
{
    const QPainterPath outline = manyVertexOutline(200'000, QPointF(5, 5), 4);
    // Fitted, and zoomed in so that the ring's edge only crosses the corners.
    for (const double scale : {20.0, 30.0}) {
        const QTransform view(scale, 0, 0, -scale, 100 - 5 * scale, 100 + 5 * scale);
        const QImage exact = painterFill(outline, view, QSize(200, 200));
        // Swept straight into the image; under a clip (which only the
        // painter keeps) handed to the painter.
        for (const bool clipped : {false, true}) {
            PaintedImage drawn(QSize(200, 200), view);
            if (clipped) {
                drawn.painter->resetTransform();
                drawn.painter->setClipRect(QRect(0, 0, 200, 200));
                drawn.painter->setTransform(view);
            }
            fillThroughContext(*drawn.g, outline);
            const PathDetail::Handed handed = PathDetail::lastHanded();
            const QImage& mine = drawn.done();
            // Far fewer edges than stored, a few hundred at a time.
            EXPECT_LT(handed.elements, 20'000) << scale;
            EXPECT_EQ(handed.direct, clipped ? 0 : 1);
            if (clipped && scale == 20) {
                EXPECT_GT(handed.calls, 1);
            }
            if (!clipped) {
                EXPECT_EQ(handed.calls, 0);
            }
            EXPECT_LE(handed.elements, std::int64_t(clipped ? handed.calls : 1'000'000) * PathDetail::kEdgesPerFill) << scale;
            // The same picture: only edge pixels move, and by little.
            EXPECT_LE(pixelsOff(mine, exact, 8), 200 * 200 / 200) << scale << clipped;
            EXPECT_LE(maxAlphaDifference(mine, exact), 40) << scale << clipped;
        }
    }
    // An outline of few vertices near the view is the painter's own.
    PaintedImage small(QSize(50, 50), QTransform(10, 0, 0, -10, 0, 50));
    fillThroughContext(*small.g, manyVertexOutline(100, QPointF(2.5, 2.5), 2));
    EXPECT_EQ(PathDetail::lastHanded().calls, 0);
    EXPECT_EQ(PathDetail::lastHanded().direct, 0);
}

TEST(LevelOfDetail, PicksOfHugePathsAreExactAtTheBoundary)
{
    // A square edge made of a million-point outline: hits stop at x = 4.
    QPainterPath p;
    p.moveTo(0, 0);
    for (int i = 0; i <= 1'000'000; ++i)
        p.lineTo(4, 8.0 * i / 1'000'000);
    p.lineTo(0, 8);
    p.closeSubpath();
    const double scale = 100;
    auto fill = [&p](Graphics& g) { fillThroughContext(g, p); };
    EXPECT_TRUE(picksThrough(pixelCentredOn(QPointF(3.996, 5), scale), fill));
    EXPECT_FALSE(picksThrough(pixelCentredOn(QPointF(4.006, 5), scale), fill));
    EXPECT_TRUE(picksThrough(pixelCentredOn(QPointF(0.004, 0.004), scale), fill));
    EXPECT_FALSE(picksThrough(pixelCentredOn(QPointF(2, 8.006), scale), fill));
    // The stroke of it too (half a pixel wide either side at this pen).
    auto stroke = [&p](Graphics& g) {
        g.context.setLineWidth(0.02);
        g.context.beginPath();
        g.context.addPath(p);
        g.context.strokePath();
    };
    EXPECT_TRUE(picksThrough(pixelCentredOn(QPointF(4.005, 3), scale), stroke));
    EXPECT_FALSE(picksThrough(pixelCentredOn(QPointF(4.03, 3), scale), stroke));
    EXPECT_FALSE(picksThrough(pixelCentredOn(QPointF(2, 3), scale), stroke));
}

TEST(LevelOfDetail, FarCoordinatesDrawAsNearOnesDo)
{
    // At the smallest zoom the view shows a few pixels of what lies near
    // the origin; a square reaching 1e24 covers it as one reaching 1e20 does.
    const QTransform view(1e-4, 0, 0, -1e-4, 50, 50);
    auto render = [&view](double reach, bool stroked) {
        PaintedImage img(QSize(100, 100), view);
        Graphics& g = *img.g;
        QPainterPath square;
        square.addRect(QRectF(-reach, -reach, 2 * reach, 2 * reach));
        QPainterPath rectangle;
        rectangle.addRect(QRectF(1e5, -reach, 2e5, 2 * reach));
        QPainterPath polygon;
        polygon.moveTo(-reach, -reach);
        polygon.lineTo(reach, -reach);
        polygon.lineTo(-3e5, 3e5);
        polygon.closeSubpath();
        QPainterPath line;
        line.moveTo(-reach, 1e5);
        line.lineTo(reach, 1e5);
        for (const QPainterPath* p : {&square, &rectangle, &polygon}) {
            g.context.setFillColor(p == &square ? QColor(0, 0, 200, 120) : QColor(200, 0, 0, 120));
            g.context.beginPath();
            g.context.addPath(*p);
            stroked ? g.context.strokePath() : g.context.fillPath();
        }
        g.context.setStrokeColor(Qt::green);
        g.context.setLineWidth(2e4);
        g.context.beginPath();
        g.context.addPath(line);
        g.context.strokePath();
        return img.done();
    };
    for (const bool stroked : {false, true}) {
        const QImage near = render(1e20, stroked);
        for (const double reach : {1e22, 1e24, 3e38}) {
            const QImage far = render(reach, stroked);
            EXPECT_LE(pixelsOff(far, near, 2), 0) << reach << " stroked " << stroked;
        }
    }
    // And the near picture is what it should be: the square's colour fills
    // the view, the line crosses it.
    const QImage near = render(1e20, false);
    EXPECT_GT(qAlpha(near.pixel(5, 95)), 100);
    EXPECT_EQ(near.pixelColor(40, 40).green(), 255);
}

TEST(LevelOfDetail, BandsDrawnOnThreadsAtOnceMatchTheWholeFrame)
{
    // Four bands of one frame drawn at once, as a threaded frame draws them,
    // with nothing kept yet: they share what is built for the path.
    const QPainterPath outline = manyVertexOutline(200'000, QPointF(5, 5), 4);
    const QTransform view(20, 0, 0, -20, 0, 200);
    PathDetail::clearCache();
    std::vector<QImage> bands(4, QImage(200, 50, QImage::Format_ARGB32_Premultiplied));
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&, i] {
            bands[size_t(i)].fill(Qt::transparent);
            PaintedImage band(QSize(200, 50), view * QTransform::fromTranslate(0, -50 * i));
            fillThroughContext(*band.g, outline);
            bands[size_t(i)] = band.done();
        });
    for (std::thread& t : threads)
        t.join();
    PaintedImage whole(QSize(200, 200), view);
    fillThroughContext(*whole.g, outline);
    const QImage& frame = whole.done();
    QImage joined(200, 200, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&joined);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (int i = 0; i < 4; ++i)
        painter.drawImage(0, 50 * i, bands[size_t(i)]);
    painter.end();
    EXPECT_EQ(pixelsOff(joined, frame, 2), 0);
}

TEST(LevelOfDetail, HugeKeptPathsAreIndexedBeforeTheFirstFrameAndAfterEachEdit)
{
    PathDetail::clearCache();
    Bezier b;
    b.style = BezierStyle::smooth;
    b.closed = true;
    for (int i = 0; i < 2000; ++i)
        b.points.push_back(QPointF(std::cos(i * 0.00314), std::sin(i * 0.00314)));
    b.keepPath(); // as the geometry pass does
    const QPainterPath first = b.drawnPath();
    EXPECT_TRUE(PathDetail::prepared(first));
    // Drawn by its index, curves and a second subpath of them look as the
    // painter's own fill does.
    QPainterPath two = first;
    two.setFillRule(Qt::OddEvenFill);
    two.addEllipse(QRectF(-0.5, -0.5, 1, 1));
    const QTransform view(80, 0, 0, -80, 100, 100);
    PaintedImage drawn(QSize(200, 200), view);
    fillThroughContext(*drawn.g, two);
    EXPECT_EQ(PathDetail::lastHanded().direct, 1);
    const QImage& mine = drawn.done();
    const QImage exact = painterFill(two, view, QSize(200, 200));
    EXPECT_LE(pixelsOff(mine, exact, 8), 400);
    EXPECT_LE(maxAlphaDifference(mine, exact), 40);
    // An edit gives a path of its own, indexed by the next geometry pass.
    b.points.push_back(QPointF(0, 0));
    EXPECT_FALSE(PathDetail::prepared(b.drawnPath()));
    b.keepPath();
    EXPECT_TRUE(PathDetail::prepared(b.drawnPath()));
    EXPECT_EQ(b.drawnPath().elementCount(), first.elementCount() + 3);
    // Let go by the cache, it is made again by the next pass.
    PathDetail::clearCache();
    b.keepPath();
    EXPECT_TRUE(PathDetail::prepared(b.drawnPath()));
    // Still held by the curve, it stays when what nothing holds is dropped.
    PathDetail::dropUnheld();
    EXPECT_TRUE(PathDetail::prepared(b.drawnPath()));
    // Small paths are drawn as they are: nothing is kept for them.
    Bezier small;
    small.points = {{0, 0}, {1, 0}, {1, 1}};
    small.keepPath();
    EXPECT_FALSE(PathDetail::prepared(small.drawnPath()));
}

TEST(LevelOfDetail, HugePathsIndexedInPartsOnSeveralThreadsMatchOnePass)
{
    // Thousands of subpaths of every length, curves among them, and one
    // that runs through several parts, built twice so that each is indexed
    // on its own: once on one thread, once in parts on several.
    const auto build = [] {
        QPainterPath p;
        for (int k = 0; k < 3000; ++k) {
            const QPointF c(k % 60, k / 60);
            if (k % 97 == 5) {
                p.addEllipse(QRectF(c, QSizeF(0.7, 0.4)));
                continue;
            }
            const int points = k == 1500 ? 30'000 : 3 + k % 41;
            p.moveTo(c);
            for (int i = 1; i < points; ++i)
                p.lineTo(c + QPointF(0.4 * std::cos(i * 0.7), 0.4 * std::sin(i * 1.3)) * (1 + 0.001 * i));
            if (k % 3)
                p.closeSubpath();
        }
        return p;
    };
    const QPainterPath one = build(), several = build();
    ASSERT_GT(one.elementCount(), 4 * 8192);
    PathDetail::clearCache();
    ReadWorkers::setThreads(1);
    PathDetail::prepare(one);
    ReadWorkers::setThreads(8);
    PathDetail::prepare(several);
    ReadWorkers::setThreads(0);
    for (const QTransform& view : {QTransform(40, 0, 0, -40, 10, 2000), QTransform(0.5, 0, 0, -0.5, 10, 40)}) {
        const PathDetail::Outline a = PathDetail::outlineAt(one, view), b = PathDetail::outlineAt(several, view);
        ASSERT_EQ(a.contours.size(), b.contours.size());
        EXPECT_EQ(a.tolerance, b.tolerance);
        for (size_t i = 0; i < a.contours.size(); ++i)
            ASSERT_EQ(a.contours[i], b.contours[i]) << i;
    }
}

TEST(LevelOfDetail, SimplifiedOutlinesStayWithinTheToleranceOfEveryZoomStep)
{
    // A ring of 40,000 vertices whose radius wobbles by a few hundredths of
    // a pixel to a few pixels, depending on the zoom, and turns back on
    // itself for a few vertices now and then.
    QPainterPath ring;
    std::vector<QPointF> stored;
    const int n = 40'000;
    for (int i = 0; i < n; ++i) {
        const int back = i % 997 > 990 ? 2 * (i % 997 - 990) : 0;
        const double a = 2 * M_PI * (i - back) / n;
        const double r = 4 + 0.002 * std::sin(i * 1.7) + 0.001 * std::sin(i * 0.31) + (back ? 0.0005 : 0);
        stored.emplace_back(5 + r * std::cos(a), 5 + r * std::sin(a));
    }
    stored.push_back(stored.front());
    ring.moveTo(stored.front());
    for (size_t i = 1; i < stored.size(); ++i)
        ring.lineTo(stored[i]);
    const double step = std::exp2(4.5); // a half-octave zoom step's boundary
    for (const double scale : {0.5, 20.0, step * (1 - 1e-6), step * (1 + 1e-6), 200.0}) {
        for (const double turn : {0.0, 30.0}) {
            const QTransform view = QTransform().rotate(turn) * QTransform(scale, 0, 0, -scale, 100, 100);
            const PathDetail::Outline outline = PathDetail::outlineAt(ring, view);
            const std::string what = std::to_string(scale) + " turned " + std::to_string(turn);
            ASSERT_EQ(outline.contours.size(), 1u) << what;
            const std::vector<QPointF>& kept = outline.contours.front();
            // Rounded up to the next half-octave step: never coarser than
            // the stated tolerance, never finer than 1/sqrt(2) of it.
            EXPECT_LE(outline.tolerance, PathDetail::kTolerancePixels * (1 + 1e-9)) << what;
            EXPECT_GE(outline.tolerance, PathDetail::kTolerancePixels / std::sqrt(2.0) * (1 - 1e-9)) << what;
            if (scale == step * (1 - 1e-6)) {
                EXPECT_GT(outline.tolerance, PathDetail::kTolerancePixels * 0.999) << what;
            }
            if (scale == step * (1 + 1e-6)) {
                EXPECT_LT(outline.tolerance, PathDetail::kTolerancePixels * 0.71) << what;
            }
            // Fewer points where they lie closer than the tolerance.
            if (scale <= 20) {
                EXPECT_LT(kept.size(), stored.size() / 4) << what;
            }
            // The kept points are stored ones, in order, the ends kept; each
            // stored point lies within the tolerance of the kept segment
            // that stands in for it.
            ASSERT_GE(kept.size(), 2u) << what;
            auto same = [](QPointF a, QPointF b) { return std::abs(a.x() - b.x()) + std::abs(a.y() - b.y()) < 1e-9; };
            EXPECT_TRUE(same(kept.front(), view.map(stored.front()))) << what;
            EXPECT_TRUE(same(kept.back(), view.map(stored.back()))) << what;
            size_t at = 0;
            double worst = 0;
            for (size_t i = 1; i < stored.size() && at + 1 < kept.size(); ++i) {
                const QPointF p = view.map(stored[i]);
                if (same(p, kept[at + 1])) {
                    ++at;
                    continue;
                }
                const QPointF a = kept[at], d = kept[at + 1] - a;
                const double length2 = QPointF::dotProduct(d, d);
                const double t = length2 > 0 ? std::clamp(QPointF::dotProduct(p - a, d) / length2, 0.0, 1.0) : 0;
                const QPointF off = p - (a + t * d);
                worst = std::max(worst, std::hypot(off.x(), off.y()));
            }
            EXPECT_EQ(at + 1, kept.size()) << what;
            EXPECT_LE(worst, outline.tolerance) << what;
        }
    }
    // Small paths have no level of detail.
    EXPECT_TRUE(PathDetail::outlineAt(manyVertexOutline(100, QPointF(2.5, 2.5), 2), QTransform()).contours.empty());
}

namespace {

// The drawing in one piece and in bands of the rows between `tops`, each
// drawn with a margin of rows beyond its seams into an image of its own,
// as a frame drawn in bands is.
QImage inBands(const QTransform& view, QSize size, const std::vector<int>& tops, const Draw& draw)
{
    QImage out(size, QImage::Format_ARGB32_Premultiplied);
    for (size_t i = 0; i + 1 < tops.size(); ++i) {
        const int top = tops[i], bottom = tops[i + 1];
        const int from = std::max(0, top - 8), to = std::min(size.height(), bottom + 8);
        PaintedImage band(QSize(size.width(), to - from), QTransform::fromTranslate(0, -from));
        {
            const CoverageFill::KeptRows kept(band.image, top - from, bottom - from, from);
            band.context->concatenate(view);
            draw(*band.g);
            band.done();
        }
        for (int y = top; y < bottom; ++y)
            std::memcpy(out.scanLine(y), band.image.constScanLine(y - from), size_t(size.width()) * 4);
    }
    return out;
}

} // namespace

TEST(Strokes, DashesCarryNoMoreInkThanTheSolidLineAndTracksNoMoreForManyVertices)
{
    // Ink per pixel of length against the solid line of the same pen, at
    // 10 px per inch: a pen thinner than a pixel is drawn a pixel wide, and
    // its dots must not overlap into a bolder line than the solid one.
    const double length = 360;
    auto line = [](const Pen& pen) {
        return [pen](Graphics& g) {
            g.applyPen(pen);
            g.context.beginPath();
            g.context.moveTo(QPointF(2, 30));
            g.context.lineTo(QPointF(38, 31));
            g.context.strokePath();
        };
    };
    for (const double pixels : {0.28, 1.0, 3.0}) {
        for (LineCap cap : {LineCap::square, LineCap::round, LineCap::flat}) {
            Pen pen(Qt::black, pixels / 10);
            pen.startCap = cap;
            const double solid = ink(render(10, line(pen), false, 400)) / length;
            for (LinePattern pattern : {LinePattern::dot, LinePattern::dash, LinePattern::dashDotDot}) {
                pen.linePattern = pattern;
                EXPECT_LE(ink(render(10, line(pen), false, 400)) / length, solid * 1.01)
                    << pixels << " px, pattern " << int(pattern) << ", cap " << int(cap);
            }
        }
    }
    // A thin track through 0.4-pixel steps, straight and bending, carries
    // what the track of two points and Qt's own stroke of it carry.
    std::vector<QPointF> straight, bending;
    for (double x = 2; x <= 38 + 1e-9; x += 0.04) {
        straight.push_back(QPointF(x, 20));
        bending.push_back(QPointF(x, 20 + 3 * std::sin(x / 3)));
    }
    for (bool pcb : {false, true}) {
        auto track = [pcb](const std::vector<QPointF>& points) {
            return render(10, [&](Graphics& g) {
                g.drawingPcb = pcb;
                EXPECT_TRUE(g.strokeThinPolyline(Pen(Qt::black, 0.028), points));
            }, false, 400);
        };
        const double two = ink(track({straight.front(), straight.back()}));
        EXPECT_NEAR(ink(track(straight)), two, 0.01 * two);
        QPainterPath path(bending.front());
        for (const QPointF& p : bending)
            path.lineTo(p);
        const double qt = ink(render(10, [&](Graphics& g) {
            g.context.painter().setTransform(g.context.currentTransform());
            g.context.painter().strokePath(path, QPen(Qt::black, std::sqrt(2.0) / 10, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
        }, false, 400));
        EXPECT_NEAR(ink(track(bending)), qt, 0.02 * qt);
    }
}

TEST(Strokes, EveryDashedStrokeTakesBoundedWork)
{
    // A dashed arc of radius 0.03 with a pen of 20 seen from up close: the
    // pen is millions of pixels wide and covers the view.
    QPainterPath arc;
    arc.arcMoveTo(QRectF(-0.03, -0.03, 0.06, 0.06), 20);
    arc.arcTo(QRectF(-0.03, -0.03, 0.06, 0.06), 20, 230);
    auto stroke = [](const QPainterPath& path, double width, std::vector<double> dash, Qt::PenCapStyle cap = Qt::SquareCap) {
        return [=](Graphics& g) {
            g.context.setStrokeColor(Qt::black);
            g.context.setLineWidth(width);
            g.context.setLineCap(cap);
            g.context.setLineDash(dash);
            g.context.beginPath();
            g.context.addPath(path);
            g.context.strokePath();
        };
    };
    const QImage covered = render(360000, stroke(arc, 20, {160, 120}), false, 64);
    EXPECT_LE(DrawingContext::lastDashing().dashes, 4);
    EXPECT_EQ(qAlpha(covered.pixel(32, 32)), 255);
    // A dashed line a million times the view's length: only the dashes
    // near the view are cut, wherever they lie along it.
    QPainterPath line(QPointF(-1e6, 3));
    line.lineTo(QPointF(1e6, 3.2));
    const QImage dashed = render(10, stroke(line, 0.3, {2, 1}), false, 64);
    EXPECT_GE(DrawingContext::lastDashing().dashes, 2);
    EXPECT_LE(DrawingContext::lastDashing().dashes, 10);
    EXPECT_GT(ink(dashed), 64 * 3 * 0.5);
    // A pattern finer than the pixels is drawn as what it looks like: the
    // solid line at the pattern's mean coverage, without a dash cut.
    const QImage fine = render(10, stroke(line, 0.3, {0.01, 0.03}, Qt::FlatCap), false, 64);
    EXPECT_EQ(DrawingContext::lastDashing().dashes, 0);
    EXPECT_GT(DrawingContext::lastDashing().fineSegments, 0);
    // Flat caps: a quarter of the solid line's ink.
    const QImage solid = render(10, stroke(line, 0.3, {}, Qt::FlatCap), false, 64);
    EXPECT_NEAR(ink(fine), ink(solid) / 4, 0.05 * ink(solid));
}

TEST(Strokes, DashesLieWhereTheyDoWhereverTheAreaDrawnBegins)
{
    // Dashed and dotted rectangles, curves and polylines in bands cut at
    // uneven rows equal the frame in one piece, at zooms where QPainter's
    // own dashing restarted its pattern by the band's edge.
    const QSize size(300, 300);
    const std::vector<int> tops{0, 37, 81, 150, 151, 203, 262, 300};
    int drawn = 0;
    for (const double scale : {5.266, 21.217, 45.83, 121.19, 332.6}) {
        for (const double pixels : {1.2, 2.1, 2.8, 3.9, 6.0}) {
            for (LinePattern pattern : {LinePattern::dot, LinePattern::dash, LinePattern::dashDot}) {
                Pen pen(Qt::black, pixels / scale);
                pen.linePattern = pattern;
                pen.startCap = drawn % 3 == 0 ? LineCap::round : drawn % 3 == 1 ? LineCap::square : LineCap::flat;
                const QPointF c(150 / scale, 150 / scale);
                const double r = (100 + 20 * (drawn % 5)) / scale;
                const Draw draw = [&](Graphics& g) {
                    g.drawRectangle(pen, Qt::transparent, QRectF(c.x() - r, c.y() - 0.7 * r, 2 * r, 1.4 * r));
                    Bezier b;
                    b.points = {c + QPointF(-r, -r), c + QPointF(-r, r), c + QPointF(r, -r), c + QPointF(r, r)};
                    g.drawBezier(pen, Qt::transparent, b);
                    g.applyPen(pen);
                    g.context.beginPath();
                    // A step far under a pixel, where a device coordinate of it rounds
                    // differently in every band, is no finer to dash in one than in another.
                    g.addPolyline({c + QPointF(-r, 0.9 * r), c + QPointF(0.3 * r, r), c + QPointF(r, -0.2 * r),
                        QPointF(c.x(), 2e-3), QPointF(c.x(), 2e-3 + 4e-15), c - QPointF(0.5 * r, r)});
                    g.context.strokePath();
                };
                const QTransform view = QTransform().rotate(drawn % 4 == 3 ? 30 : 0) * QTransform(scale, 0, 0, -scale, 0, 300);
                PaintedImage whole(size, view);
                draw(*whole.g);
                const QImage& frame = whole.done();
                EXPECT_EQ(pixelsOff(inBands(view, size, tops, draw), frame, 0), 0)
                    << scale << " px per inch, " << pixels << " px, pattern " << int(pattern);
                ++drawn;
            }
        }
    }
    // A translucent star of 41 points crossing itself with thousands of
    // dashes: where two dashes cross, the pen is laid once in every band
    // and every narrow view, as in the frame in one piece. The same when a
    // placement without inverse folds it onto a line (dashed on the device).
    const QTransform view(100, 0, 0, -100, 0, 300);
    for (LinePattern pattern : {LinePattern::dash, LinePattern::dot, LinePattern::dashDot}) {
        const Draw star = [pattern](Graphics& g) {
            if (pattern == LinePattern::dashDot)
                g.context.concatenate(QTransform(0.6, 0.45, 0.6, 0.45, 0.3, 0.2));
            Pen pen(QColor(20, 40, 160, 120), 0.012);
            pen.linePattern = pattern;
            std::vector<QPointF> points;
            for (int i = 0; i <= 41; ++i) {
                const double a = 2 * M_PI * (i * 20 % 41) / 41;
                points.push_back(QPointF(1.5 + 1.4 * std::cos(a), 1.5 + 1.4 * std::sin(a)));
            }
            g.applyPen(pen);
            g.context.beginPath();
            g.addPolyline(points);
            g.context.strokePath();
        };
        PaintedImage whole(size, view);
        star(*whole.g);
        const QImage& frame = whole.done();
        EXPECT_EQ(pixelsOff(inBands(view, size, tops, star), frame, 0), 0) << int(pattern);
        for (const QRect narrow : {QRect(37, 81, 120, 90), QRect(131, 140, 40, 23), QRect(0, 150, 300, 61)}) {
            PaintedImage part(narrow.size(), QTransform::fromTranslate(-narrow.left(), -narrow.top()));
            part.context->concatenate(view);
            star(*part.g);
            EXPECT_EQ(pixelsOff(part.done(), frame.copy(narrow), 0), 0) << int(pattern) << " " << narrow.x();
        }
    }
    // Cut alone: every dash cut for a small area is cut as for the whole
    // view, though it begins and ends on steps of the path far beyond it.
    QPainterPath wave(QPointF(0, 1.5));
    for (int i = 1; i <= 400; ++i)
        wave.lineTo(i * 0.0075, 1.5 + std::sin(i * 0.05));
    QPen pen(QBrush(Qt::black), 0.02, Qt::CustomDashLine, Qt::SquareCap, Qt::SvgMiterJoin);
    pen.setDashPattern({40, 10});
    auto cut = [&](const QRectF& area) {
        QList<QPolygonF> contours;
        Dashes::cut(wave, pen, view, area, [&](const QPainterPath& outline, double) { contours += outline.toSubpathPolygons(); });
        return contours;
    };
    const QList<QPolygonF> all = cut(QRectF(0, 0, 300, 300));
    const QList<QPolygonF> some = cut(QRectF(140, 190, 20, 20));
    EXPECT_GT(some.size(), 0);
    EXPECT_LT(some.size(), all.size());
    for (const QPolygonF& c : some)
        EXPECT_TRUE(all.contains(c));
}

// Solid strokes the path detail outlines itself (a pen whose ink spans
// more than the view, thin lines of a huge path) cover the pixels QPainter's
// own stroke covers, with every cap and join, sharp turns and a segment
// turning right back included.
TEST(Strokes, OutlinedHereTheyCoverWhatThePainterStrokes)
{
    const std::vector<QPointF> corners{{30, 40}, {110, 70}, {50, 170}, {170, 130}, {150, 30}, {185, 60}, {120, 60}};
    for (const bool thin : {false, true}) {
        QPainterPath path;
        // Thin: each side in 200 steps, a path of over a thousand elements.
        const int steps = thin ? 200 : 1;
        path.moveTo(corners[0]);
        for (size_t i = 1; i < corners.size(); ++i)
            for (int k = 1; k <= steps; ++k)
                path.lineTo(corners[i - 1] + (corners[i] - corners[i - 1]) * (double(k) / steps));
        // A line far longer than the view: the ink spans more than the
        // wide limit.
        path.moveTo(-5000, 190);
        path.lineTo(5000, 190);
        for (const Qt::PenCapStyle cap : {Qt::FlatCap, Qt::SquareCap, Qt::RoundCap}) {
            for (const Qt::PenJoinStyle join : {Qt::BevelJoin, Qt::RoundJoin, Qt::SvgMiterJoin}) {
                QPen pen(QColor(0, 0, 0), thin ? 7 : 23, Qt::SolidLine, cap, join);
                pen.setMiterLimit(4);
                QImage here(200, 200, QImage::Format_ARGB32_Premultiplied), painted = here;
                here.fill(Qt::transparent);
                painted.fill(Qt::transparent);
                {
                    QPainter p(&here);
                    p.setRenderHint(QPainter::Antialiasing);
                    ASSERT_TRUE(PathDetail::stroke(p, path, QTransform(), pen));
                }
                {
                    QPainter p(&painted);
                    p.setRenderHint(QPainter::Antialiasing);
                    p.strokePath(path, pen);
                }
                int off = 0;
                for (int y = 0; y < 200; ++y)
                    for (int x = 0; x < 200; ++x)
                        off += std::abs(qAlpha(here.pixel(x, y)) - qAlpha(painted.pixel(x, y))) > 64;
                EXPECT_LT(off, 24) << (thin ? "thin" : "wide") << " cap " << int(cap) << " join " << int(join);
                EXPECT_GT(ink(here), 3000);
            }
        }
    }
}

TEST(Strokes, WideStrokesAreOutlinedOnlyNearTheAreaDrawn)
{
    // A smooth curve of 60 points swinging across the view with a pen over
    // 400 pixels wide: its ink spans hundreds of views. Only what comes near
    // the view is outlined, the same in bands as in one piece, and it
    // covers what QPainter's own stroke of the whole curve covers.
    Bezier wave;
    wave.style = BezierStyle::smooth;
    for (int i = 0; i < 60; ++i)
        wave.points.push_back(QPointF(1 + 8.0 * i / 59, i % 2 ? 7 : 1));
    const Pen pen(QColor(0, 0, 200, 160), 0.0285);
    const Draw draw = [&](Graphics& g) { g.drawBezier(pen, Qt::transparent, wave); };
    const QSize size(240, 240);
    const QTransform view = QTransform::fromTranslate(-5, -4) * QTransform(15000, 0, 0, -15000, 120, 120);
    PaintedImage whole(size, view);
    draw(*whole.g);
    EXPECT_GT(PathDetail::lastHanded().elements, 0);
    EXPECT_LT(PathDetail::lastHanded().elements, 20000);
    const QImage& frame = whole.done();
    EXPECT_EQ(pixelsOff(inBands(view, size, {0, 13, 100, 101, 177, 240}, draw), frame, 0), 0);

    QImage painted(size, QImage::Format_ARGB32_Premultiplied);
    painted.fill(Qt::transparent);
    {
        QPainter p(&painted);
        p.setRenderHint(QPainter::Antialiasing);
        p.setTransform(view);
        QPen qpen(pen.color, pen.width, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin);
        p.strokePath(wave.path(), qpen);
    }
    EXPECT_GT(ink(frame), 1000);
    EXPECT_NEAR(ink(frame), ink(painted), 0.01 * ink(painted));
}

TEST(LevelOfDetail, PathsNothingHoldsAnyMoreAreDroppedAndTheirRoomGivenBack)
{
    // The cache keeps 64 paths, the least recently used evicted first. A
    // design's path stays while the paths of the design before it, let go,
    // are dropped: the next design's take their room, not the one held.
    const auto huge = [](int k) {
        QPainterPath p(QPointF(k, 0));
        for (int i = 1; i < PathDetail::kHugeElements; ++i)
            p.lineTo(k + 0.5 * std::cos(i * 0.01), i * 0.001);
        return p;
    };
    PathDetail::clearCache();
    const QPainterPath held = huge(0);
    PathDetail::prepare(held);
    {
        std::vector<QPainterPath> replaced;
        for (int k = 1; k < 64; ++k) {
            replaced.push_back(huge(k));
            PathDetail::prepare(replaced.back());
        }
        ASSERT_TRUE(PathDetail::prepared(held));
        // Still held: nothing goes.
        PathDetail::dropUnheld();
        for (const QPainterPath& path : replaced)
            EXPECT_TRUE(PathDetail::prepared(path));
    }
    PathDetail::dropUnheld();
    std::vector<QPainterPath> next;
    for (int k = 1; k < 64; ++k) {
        next.push_back(huge(100 + k));
        PathDetail::prepare(next.back());
    }
    EXPECT_TRUE(PathDetail::prepared(held));
    for (const QPainterPath& path : next)
        EXPECT_TRUE(PathDetail::prepared(path));
    PathDetail::clearCache();
}
