#include "editors/ImageButton.h"
#include "editors/SymbolImage.h"

#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

TEST(ImageButton, EachClickRunsTheActionOnce)
{
    int runs = 0;
    ImageButton button(false, Qt::red, 10, false, true, 20, QStringLiteral("xmark.circle.fill"), [&] { ++runs; });
    button.resize(button.sizeHint());
    EXPECT_EQ(button.sizeHint(), QSize(20, 20));
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(runs, 1);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(runs, 2);
    QTest::mouseClick(&button, Qt::RightButton);
    EXPECT_EQ(runs, 2);
}

TEST(ImageButton, TemplateImagesTakeTheButtonColour)
{
    ImageButton button(false, Qt::red, 10, false, true, 20, QStringLiteral("plus.circle"), {});
    button.resize(20, 20);
    const QImage image = button.grab().toImage();
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80 && c.blue() < 80)
                ++red;
        }
    EXPECT_GT(red, 10);
    // A click with no action does nothing.
    QTest::mouseClick(&button, Qt::LeftButton);
}

TEST(ImageButton, UnknownImagesAndOddSizesDrawNothingHarmful)
{
    EXPECT_TRUE(symbolImage(QStringLiteral("no-such-image-anywhere"), 20, Qt::black, true).isNull());
    EXPECT_TRUE(symbolImage(QStringLiteral("circle"), 0, Qt::black, true).isNull());
    ImageButton huge(true, Qt::black, std::numeric_limits<double>::quiet_NaN(), true, true,
                     std::numeric_limits<double>::infinity(), QStringLiteral("circle"), {});
    huge.resize(huge.sizeHint());
    EXPECT_FALSE(huge.grab().isNull());
}

TEST(StrokedBorderOverlay, StrokeLiesJustInsideTheEdgeAndFollowsResizes)
{
    QWidget host;
    host.setAutoFillBackground(true);
    QPalette pal = host.palette();
    pal.setColor(QPalette::Window, Qt::white);
    host.setPalette(pal);
    host.resize(40, 30);
    QWidget* overlay = strokedBorderOverlay(&host, Qt::blue, 2);
    ASSERT_NE(overlay, nullptr);
    EXPECT_TRUE(overlay->testAttribute(Qt::WA_TransparentForMouseEvents));

    host.resize(60, 40);
    const QImage image = host.grab().toImage(); // delivers the pending resize
    EXPECT_EQ(overlay->geometry(), QRect(0, 0, 60, 40));
    EXPECT_EQ(image.pixelColor(0, 20), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(1, 20), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(59, 20), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(30, 39), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(3, 20), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(30, 20), QColor(Qt::white));
}
