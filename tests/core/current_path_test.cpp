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
