#include "DocumentTestEntities.h"
#include "DrawingTestSupport.h"

#include "document/PCB.h"
#include "document/Schematic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// 440 x 340 pixels showing the model from (-0.5, -0.5) at 40 pixels per inch:
// a page of 10 x 7.5 inches fills most of it.
constexpr double kScale = 40;
constexpr int kWidth = 440;
constexpr int kHeight = 340;

QPoint toPixel(QPointF model)
{
    return QPoint(int(std::floor(20 + model.x() * kScale)), int(std::floor(kHeight - 20 - model.y() * kScale)));
}

QImage render(GraphicsSheet& sheet, const QColor& background = QColor(90, 90, 90))
{
    RenderTarget t(kWidth, kHeight, kScale, 20, kHeight - 20, background);
    sheet.draw(t.graphics);
    return t.finish();
}

int countColor(const QImage& img, const QColor& c)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) == c)
                ++n;
    return n;
}

class SheetDrawingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerDocumentTestEntities();
        sheet.schematicSettings.pageSize = QSizeF(10, 7.5);
        sheet.schematicSettings.sheetColor = kPage;
        sheet.schematicSettings.showBorderReferences = false;
        sheet.schematicSettings.showTitleBlock = false;
    }
    const QColor kPage = QColor(250, 240, 200);
    Schematic sheet{nullptr};
};

} // namespace

TEST_F(SheetDrawingTest, PageIsDrawnInTheSheetColourOnlyWhenShown)
{
    sheet.schematicSettings.showPage = true;
    QImage img = render(sheet);
    EXPECT_EQ(img.pixelColor(toPixel(QPointF(5, 3.75))), kPage);
    EXPECT_EQ(img.pixelColor(toPixel(QPointF(0.2, 0.2))), kPage);
    // Outside the page the background stays.
    EXPECT_EQ(img.pixelColor(toPixel(QPointF(10.3, 3))), QColor(90, 90, 90));
    EXPECT_EQ(img.pixelColor(toPixel(QPointF(3, -0.3))), QColor(90, 90, 90));

    sheet.schematicSettings.showPage = false;
    img = render(sheet);
    EXPECT_EQ(countColor(img, kPage), 0);
}

TEST_F(SheetDrawingTest, GridOriginBorderAndTitleFollowTheirSwitches)
{
    sheet.schematicSettings.showPage = true;
    sheet.schematicSettings.gridSpacing = 0.5; // 20 pixels
    const QImage pageOnly = render(sheet);
    const int pagePixels = countColor(pageOnly, kPage);

    sheet.schematicSettings.showGrid = true;
    QImage withGrid = render(sheet);
    const int gridCovered = pagePixels - countColor(withGrid, kPage);
    // 21 + 16 hairlines across the page (one or two pixels wide once smoothed).
    EXPECT_GT(gridCovered, 10000);
    EXPECT_LT(gridCovered, 30000);
    // Between grid lines the page colour remains.
    EXPECT_EQ(withGrid.pixelColor(toPixel(QPointF(0.25, 0.25))), kPage);

    // A grid denser than a few pixels is not drawn at all.
    sheet.schematicSettings.gridSpacing = 0.05; // 2 pixels
    EXPECT_EQ(countColor(render(sheet), kPage), pagePixels);

    // A grid of hundreds of lines is drawn afresh every frame: it keeps
    // nothing in the path detail's cache, where it would evict the paths a
    // design keeps (as many as the cache holds here).
    const std::vector<QPainterPath> held = heldHugePaths();
    sheet.schematicSettings.pageSize = QSizeF(60, 40);
    sheet.schematicSettings.gridSpacing = 0.15; // 6 pixels: 400 + 267 lines
    EXPECT_LT(countColor(render(sheet), kPage), pagePixels);
    for (const QPainterPath& path : held)
        EXPECT_TRUE(PathDetail::prepared(path));
    PathDetail::clearCache();
    sheet.schematicSettings.pageSize = QSizeF(10, 7.5);
    sheet.schematicSettings.showGrid = false;

    // Origin mark at the origin offset.
    sheet.schematicSettings.originOffset = QPointF(5, 4);
    sheet.schematicSettings.showOrigin = true;
    QImage withOrigin = render(sheet);
    const QPoint o = toPixel(QPointF(5, 4));
    // The mark spans a dozen of the sheet's device pixels (each the diagonal of
    // a screen pixel) around the offset.
    int marked = 0;
    int elsewhere = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (withOrigin.pixel(x, y) != pageOnly.pixel(x, y))
                ++(std::abs(x - o.x()) <= 20 && std::abs(y - o.y()) <= 20 ? marked : elsewhere);
    EXPECT_GT(marked, 30);
    EXPECT_EQ(elsewhere, 0);
    sheet.schematicSettings.showOrigin = false;

    // Border references and title block draw on the page only.
    sheet.schematicSettings.showBorderReferences = true;
    sheet.schematicSettings.showTitleBlock = true;
    sheet.schematicSettings.title = "Title";
    sheet.name = "Main";
    const int decorated = countColor(render(sheet), kPage);
    EXPECT_LT(decorated, pagePixels - 1000);
    sheet.schematicSettings.showPage = false;
    EXPECT_EQ(countColor(render(sheet), kPage), 0);
}

TEST_F(SheetDrawingTest, ExtremeSettingsDrawNothingHarmful)
{
    const double huge = 1e300;
    sheet.schematicSettings.showPage = true;
    sheet.schematicSettings.showGrid = true;
    sheet.schematicSettings.showOrigin = true;
    sheet.schematicSettings.showBorderReferences = true;
    sheet.schematicSettings.showTitleBlock = true;
    for (QPointF offset : {QPointF(huge, -huge), QPointF(0, 0), QPointF(1e17, 1e17)}) {
        for (QSizeF page : {QSizeF(huge, huge), QSizeF(1e-9, 1e-9), QSizeF(1000, 0.01)}) {
            sheet.schematicSettings.originOffset = offset;
            sheet.schematicSettings.pageSize = page;
            sheet.schematicSettings.gridSpacing = 1e-300;
            render(sheet);
            sheet.schematicSettings.gridSpacing = 1;
            RenderTarget t(64, 64, kScale, 20, 40);
            t.graphics.viewportBoundingBox.addPoint(QPointF(-huge, -huge));
            t.graphics.viewportBoundingBox.addPoint(QPointF(huge, huge));
            sheet.draw(t.graphics);
        }
    }
    SUCCEED();
}

TEST_F(SheetDrawingTest, PcbSheetDrawsItsPageUnderTheLayers)
{
    PCB pcb(nullptr);
    pcb.pcbSettings.sheetColor = QColor(0, 0, 80);
    pcb.pcbSettings.pageSize = QSizeF(10, 7.5);
    EXPECT_EQ(countColor(render(pcb), QColor(0, 0, 80)), 0);
    pcb.pcbSettings.showPage = true;
    EXPECT_GT(countColor(render(pcb), QColor(0, 0, 80)), 100000);
}
