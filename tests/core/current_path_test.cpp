// The context's current path: kept in the user coordinates it was built in,
// its points still fixed where they were added.

#include "core/DrawingContext.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <memory>

namespace {

struct Surface {
    explicit Surface(double scale, int size = 64)
        : image(size, size, QImage::Format_ARGB32_Premultiplied)
    {
        image.fill(Qt::transparent);
        painter = std::make_unique<QPainter>(&image);
        painter->setTransform(QTransform(scale, 0, 0, -scale, 0, size));
        context = std::make_unique<DrawingContext>(*painter);
    }
    const QImage& done()
    {
        context.reset();
        painter.reset();
        return image;
    }
    QImage image;
    std::unique_ptr<QPainter> painter;
    std::unique_ptr<DrawingContext> context;
};

} // namespace

TEST(CurrentPath, BeginPathLeavesNoPointBehind)
{
    Surface s(10);
    DrawingContext& c = *s.context;
    c.moveTo(QPointF(1, 1));
    c.lineTo(QPointF(5, 5));
    c.beginPath();
    EXPECT_TRUE(c.isPathEmpty());
    // A line without a current point starts at its own point, not at an
    // origin left over from the previous path.
    c.lineTo(QPointF(3, 3));
    c.lineTo(QPointF(4, 3));
    const QPainterPath device = c.devicePath();
    ASSERT_EQ(device.elementCount(), 2);
    EXPECT_EQ(QPointF(device.elementAt(0)), QPointF(30, 34));
    EXPECT_TRUE(device.elementAt(0).isMoveTo());
}

TEST(CurrentPath, PointsKeepThePlaceOfTheTransformTheyWereAddedUnder)
{
    Surface s(10, 100);
    DrawingContext& c = *s.context;
    const QTransform base = c.transform();
    c.setFillColor(Qt::black);
    c.beginPath();
    c.addRect(QRectF(1, 1, 2, 2)); // device (10..30, 70..90)
    c.concatenate(QTransform::fromTranslate(5, 0));
    c.addRect(QRectF(1, 1, 2, 2)); // device (60..80, 70..90)
    EXPECT_EQ(c.devicePath().boundingRect(), QRectF(10, 70, 70, 20));
    c.setTransform(QTransform::fromScale(3, 3)); // the fill does not move them
    c.fillPath();
    // A path built under one transform and filled under another.
    c.setTransform(base);
    c.addEllipse(QRectF(4, 6, 1, 1)); // device (40..50, 30..40)
    c.setTransform(QTransform());
    c.fillPath();
    // Stroked under a later transform: placed where it was built, as wide as
    // the later transform makes the width.
    c.setTransform(base);
    c.moveTo(QPointF(1, 9));
    c.lineTo(QPointF(9, 9)); // device y = 10
    c.setTransform(QTransform::fromScale(20, 20));
    c.setStrokeColor(Qt::black);
    c.setLineWidth(0.1); // 2 device pixels
    c.strokePath();
    const QImage& img = s.done();
    EXPECT_EQ(qAlpha(img.pixel(20, 80)), 255);
    EXPECT_EQ(qAlpha(img.pixel(70, 80)), 255);
    EXPECT_EQ(qAlpha(img.pixel(45, 80)), 0);
    EXPECT_EQ(qAlpha(img.pixel(45, 35)), 255);
    EXPECT_EQ(qAlpha(img.pixel(50, 9)), 255);
    EXPECT_EQ(qAlpha(img.pixel(50, 10)), 255);
    EXPECT_EQ(qAlpha(img.pixel(50, 12)), 0);
}

// A stroke under a placement without inverse is placed by the placement's
// linear part and then moved, however the path was built: mapped whole, its
// points would hold where the area drawn begins, and a band of a frame (or
// a view moved by whole pixels) would stroke it a rounding apart.
TEST(CurrentPath, StrokesUnderPlacementsWithoutInverseDrawAlikeWhereverTheAreaBegins)
{
    const QTransform flat(0.7, 1.4, 0.35, 0.7, 0.313, 0.271); // no inverse
    auto draw = [&](int ratio, int top, int left, QSize size) {
        QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setTransform(QTransform(11.3, 0, 0, -11.3, 3.7 - left, 93.1 - top));
            DrawingContext c(painter);
            c.concatenate(flat);
            c.setStrokeColor(QColor(30, 60, 200, 120));
            for (int k = 0; k < 2; ++k) {
                c.setLineDash(k ? std::vector<double>{0.13, 0.07} : std::vector<double>{});
                c.setLineWidth(k ? 0.09 : 0.21);
                c.setLineJoin(k ? Qt::MiterJoin : Qt::RoundJoin);
                c.beginPath();
                c.addEllipse(QRectF(0.3 + k, 0.2, 4.7, 3.1));
                c.moveTo(QPointF(0.1, 5.3 - k));
                c.lineTo(QPointF(5.9, 0.4 + k));
                c.lineTo(QPointF(2.2, 4.9));
                c.strokePath();
            }
        }
        return image;
    };
    for (const int ratio : {1, 2}) {
        const QImage whole = draw(ratio, 0, 0, QSize(100, 100));
        int inked = 0;
        for (int y = 0; y < whole.height(); ++y)
            for (int x = 0; x < whole.width(); ++x)
                inked += qAlpha(whole.pixel(x, y)) > 0;
        ASSERT_GT(inked, 200 * ratio);
        for (const int top : {7, 23, 41, 58, 77}) {
            for (const int left : {0, 19}) {
                const QImage part = draw(ratio, top, left, QSize(60, 17));
                for (int y = 0; y < part.height(); ++y)
                    for (int x = 0; x < part.width(); ++x)
                        ASSERT_EQ(part.pixel(x, y), whole.pixel(x + left * ratio, y + top * ratio))
                            << x << "," << y << " of the part at " << left << "," << top << ", ratio " << ratio;
            }
        }
    }
}
