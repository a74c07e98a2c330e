#include "ViewportTestSupport.h"

#include "DrawingTestSupport.h"

#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "viewport/FrameRenderer.h"
#include "viewport/GraphicsViewport.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"
#include "viewport/Viewport2DCommand.h"
#include "viewport/ZoomWindowView.h"
#include "core/ModelGuard.h"
#include "core/PathDetail.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QUrl>
#include <QTest>
#include <QThread>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

constexpr double kTol = 1e-6;

void expectNear(QPointF a, QPointF b, double tol = kTol)
{
    EXPECT_NEAR(a.x(), b.x(), tol);
    EXPECT_NEAR(a.y(), b.y(), tol);
}

void expectSameTransform(const QTransform& a, const QTransform& b, double tol = 1e-6)
{
    EXPECT_NEAR(a.m11(), b.m11(), tol * std::abs(b.m11()));
    EXPECT_NEAR(a.m22(), b.m22(), tol * std::abs(b.m22()));
    EXPECT_NEAR(a.m12(), b.m12(), tol);
    EXPECT_NEAR(a.dx(), b.dx(), 1e-6);
    EXPECT_NEAR(a.dy(), b.dy(), 1e-6);
}

// Two boxes on the first schematic sheet: A at (1,1)-(3,2), B at (5,4)-(6,6).
void registerSlowBoxes();

class ViewportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerTestBox();
        ViewModel& vm = ViewModel::shared();
        vm.setZoom(false);
        vm.setDraggingOrZooming(false);
        vm.setAlertItem(std::nullopt);
        vm.clearSelection();
        vm.sheetTransforms.clear();
        ASSERT_TRUE(Design::shared().loadFromBytes(schematicDesign({QRectF(1, 1, 2, 1), QRectF(5, 4, 1, 2)}), "two boxes"));
        sheet = Design::shared().currentDesignState()->schematics.front();
        boxA = sheet->entityList.entities.at(0);
        boxB = sheet->entityList.entities.at(1);
        // The fit covers the entities alone unless a test shows the page.
        sheet->settings().showPage = false;

        host = std::make_unique<GraphicsViewport>(false, vm);
        host->resize(400, 300);
        host->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
        viewport = host->viewport();
        vm.registerViewport(viewport);
        vm.setActiveViewport(viewport);
        QApplication::processEvents();
    }
    void TearDown() override
    {
        ViewModel::shared().setZoom(false);
        host.reset();
    }

    // Paints now and returns how many paints that took.
    int paintNow()
    {
        const int before = viewport->paintCount();
        viewport->repaint();
        return viewport->paintCount() - before;
    }

    // Loads the two boxes and a slow box over them (and the extra
    // entities), with background frames on, and shows its first frame.
    // False when the design does not load or the frame is still drawn.
    bool showSlowSheet(const char* extra = "")
    {
        registerSlowBoxes();
        QByteArray xml = schematicDesign({QRectF(1, 1, 2, 1), QRectF(5, 4, 1, 2)});
        xml.replace("</entities>", QByteArray("<viewportSlowBox x=\"3\" y=\"2\" w=\"1\" h=\"1\"/>") + extra + "</entities>");
        if (!Design::shared().loadFromBytes(xml, "slow"))
            return false;
        Design::shared().currentDesignState()->schematics.front()->settings().showPage = false;
        ViewModel::shared().showFrameRate = false;
        Viewport2D::setBackgroundFrames(true);
        QApplication::processEvents();
        paintNow();
        viewport->joinFrame();
        QApplication::processEvents();
        paintNow();
        return !viewport->frameInFlight();
    }

    std::shared_ptr<GraphicsSheet> sheet;
    std::shared_ptr<Entity> boxA, boxB;
    std::unique_ptr<GraphicsViewport> host;
    Viewport2D* viewport = nullptr;
};

} // namespace

TEST_F(ViewportTest, FitsTheSheetWithAMarginOnFirstPaint)
{
    EXPECT_GE(viewport->paintCount(), 1);
    EXPECT_FALSE(viewport->firstTime);
    const QTransform t = viewport->viewTransform();
    // y-up: the model's y grows upwards on the screen.
    EXPECT_GT(t.m11(), 0);
    EXPECT_NEAR(t.m22(), -t.m11(), 1e-12);
    // The entities span (1,1)-(6,6): 5 x 5 inches into 400 x 300 with 5% margins.
    EXPECT_NEAR(t.m11(), 300 * 0.9 / 5, 1e-9);
    expectNear(t.map(QPointF(3.5, 3.5)), QPointF(200, 150));
    EXPECT_EQ(ViewModel::shared().sheetTransforms.count(sheet.get()), 1u);
}

TEST_F(ViewportTest, FitsAgainWhenAskedAndWhenResized)
{
    const QTransform fitted = viewport->viewTransform();
    viewport->zoomIn();
    viewport->pan(QPointF(30, -20));
    viewport->requestRedraw(Redraw::fit);
    EXPECT_TRUE(viewport->firstTime);
    paintNow();
    EXPECT_FALSE(viewport->firstTime);
    expectSameTransform(viewport->viewTransform(), fitted);
    EXPECT_DOUBLE_EQ(viewport->magnification, 1);

    host->resize(800, 300);
    QApplication::processEvents();
    paintNow();
    expectNear(viewport->viewTransform().map(QPointF(3.5, 3.5)), QPointF(400, 150));
}

TEST_F(ViewportTest, FitIncludesThePageWhenShown)
{
    sheet->settings().showPage = true;
    viewport->requestRedraw(Redraw::fit);
    paintNow();
    const QRectF page = sheet->pageRect();
    const QTransform t = viewport->viewTransform();
    const QRectF shown = t.mapRect(page);
    EXPECT_GE(shown.left(), -1e-6);
    EXPECT_GE(shown.top(), -1e-6);
    EXPECT_LE(shown.right(), 400 + 1e-6);
    EXPECT_LE(shown.bottom(), 300 + 1e-6);
    sheet->settings().showPage = false;
}

TEST_F(ViewportTest, ZoomInAndOutAboutTheCentreRoundTrip)
{
    const QTransform start = viewport->viewTransform();
    const QPointF centreWorld = viewport->toWorld(QPointF(200, 150));
    viewport->zoomIn();
    EXPECT_NEAR(viewport->viewTransform().m11(), start.m11() * 1.1, 1e-9);
    EXPECT_NEAR(viewport->magnification, 1.1, 1e-12);
    expectNear(viewport->toWorld(QPointF(200, 150)), centreWorld);
    viewport->zoomOut();
    expectSameTransform(viewport->viewTransform(), start);
    EXPECT_NEAR(viewport->magnification, 1, 1e-12);
    viewport->zoomOut();
    EXPECT_NEAR(viewport->viewTransform().m11(), start.m11() / 1.1, 1e-9);
    // Zooming about a point keeps the model point under it.
    const QPointF p(37, 250);
    const QPointF w = viewport->toWorld(p);
    viewport->zoomAbout(p, 3.7);
    expectNear(viewport->toWorld(p), w);
    viewport->zoomAbout(p, std::nan(""));
    viewport->zoomAbout(p, 0);
    viewport->zoomAbout(p, 1e300);
    expectNear(viewport->toWorld(p), w);
}

TEST_F(ViewportTest, WheelZoomsAboutTheCursor)
{
    ViewModel& vm = ViewModel::shared();
    const QPointF cursor(80, 60);
    const QPointF world = viewport->toWorld(cursor);
    const double scale = viewport->viewTransform().m11();
    QWheelEvent up(cursor, viewport->mapToGlobal(cursor), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &up);
    EXPECT_NEAR(viewport->viewTransform().m11(), scale * 1.1 * 1.1, 1e-9);
    expectNear(viewport->toWorld(cursor), world);
    EXPECT_TRUE(vm.draggingOrZooming());
    QWheelEvent down(cursor, viewport->mapToGlobal(cursor), QPoint(), QPoint(0, -240), Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &down);
    EXPECT_NEAR(viewport->viewTransform().m11(), scale, 1e-9);
    // The gesture ends when the wheel has been still for a moment.
    QTRY_VERIFY_WITH_TIMEOUT(!vm.draggingOrZooming(), 2000);
}

TEST_F(ViewportTest, MiddleButtonDragPans)
{
    ViewModel& vm = ViewModel::shared();
    const QPointF world = viewport->toWorld(QPointF(100, 100));
    QTest::mousePress(viewport, Qt::MiddleButton, {}, QPoint(100, 100));
    EXPECT_TRUE(vm.draggingOrZooming());
    QTest::mouseMove(viewport, QPoint(130, 110));
    QTest::mouseMove(viewport, QPoint(160, 140));
    QTest::mouseRelease(viewport, Qt::MiddleButton, {}, QPoint(160, 140));
    EXPECT_FALSE(vm.draggingOrZooming());
    // The model point follows the pointer.
    expectNear(viewport->toWidget(world), QPointF(160, 140));
    EXPECT_EQ(vm.selectedEntity(), nullptr);
}

TEST_F(ViewportTest, LeftClickPicksIntoTheViewModel)
{
    ViewModel& vm = ViewModel::shared();
    QSignalSpy selected(&vm, &ViewModel::selectedEntityChanged);
    const int redraws = vm.redraws();
    const QPoint onA = viewport->toWidget(QPointF(2, 1.5)).toPoint();
    const QPoint onB = viewport->toWidget(QPointF(5.5, 5)).toPoint();
    const QPoint onNothing = viewport->toWidget(QPointF(4, 5)).toPoint();

    QTest::mouseClick(viewport, Qt::LeftButton, {}, onA);
    EXPECT_EQ(vm.selectedEntity(), boxA);
    EXPECT_TRUE(boxA->selected);
    EXPECT_GT(vm.redraws(), redraws);
    EXPECT_GE(selected.count(), 1);

    QTest::mouseClick(viewport, Qt::LeftButton, {}, onB);
    EXPECT_EQ(vm.selectedEntity(), boxB);
    EXPECT_FALSE(boxA->selected);
    EXPECT_TRUE(boxB->selected);

    QTest::mouseClick(viewport, Qt::LeftButton, {}, onNothing);
    EXPECT_EQ(vm.selectedEntity(), nullptr);
    EXPECT_FALSE(boxB->selected);
}

TEST_F(ViewportTest, PickFindsTheEntityAfterZoomAndPan)
{
    viewport->zoomAbout(QPointF(10, 10), 2.5);
    viewport->pan(QPointF(-40, 25));
    EXPECT_EQ(viewport->entityAt(viewport->toWidget(QPointF(5.9, 5.9))), boxB);
    EXPECT_EQ(viewport->entityAt(viewport->toWidget(QPointF(1.05, 1.95))), boxA);
    EXPECT_EQ(viewport->entityAt(viewport->toWidget(QPointF(6.2, 5))), nullptr);
    EXPECT_EQ(viewport->entityAt(QPointF(std::nan(""), 3)), nullptr);
    EXPECT_EQ(viewport->entityAt(QPointF(-1e9, 1e9)), nullptr);
}

TEST_F(ViewportTest, HoverShowsTheTypeNameInTheStatus)
{
    ViewModel& vm = ViewModel::shared();
    QTest::mouseMove(viewport, viewport->toWidget(QPointF(2, 1.5)).toPoint());
    EXPECT_EQ(vm.status(), "Test Box");
    QTest::mouseMove(viewport, viewport->toWidget(QPointF(4, 3)).toPoint());
    EXPECT_EQ(vm.status(), "");
    QTest::mouseMove(viewport, viewport->toWidget(QPointF(5.5, 5)).toPoint());
    EXPECT_EQ(vm.status(), "Test Box");
    // Hovering picks nothing.
    EXPECT_EQ(vm.selectedEntity(), nullptr);
    EXPECT_FALSE(boxB->selected);
}

TEST_F(ViewportTest, ZoomRectangleZoomsTheActiveViewport)
{
    ViewModel& vm = ViewModel::shared();
    ZoomWindowView* overlay = host->zoomWindowView();
    EXPECT_FALSE(overlay->isVisible());
    vm.setZoom(true);
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_EQ(overlay->viewSize, QSize(400, 300));

    // Drag around box B; the overlay covers the viewport exactly.
    const QPoint from = viewport->toWidget(QPointF(5, 6)).toPoint();
    const QPoint to = viewport->toWidget(QPointF(6, 4)).toPoint();
    const QPointF centre = viewport->toWorld(QRectF(from, to).center());
    QTest::mousePress(overlay, Qt::LeftButton, {}, from);
    EXPECT_TRUE(vm.draggingOrZooming());
    QTest::mouseMove(overlay, to);
    EXPECT_TRUE(overlay->lineInfo.end.has_value());
    QTest::mouseRelease(overlay, Qt::LeftButton, {}, to);

    EXPECT_FALSE(vm.zoom());
    EXPECT_FALSE(vm.draggingOrZooming());
    EXPECT_FALSE(overlay->isVisible());
    expectNear(viewport->toWorld(QPointF(200, 150)), centre, 0.02);
    // The 2 inch tall rectangle now fills the 300 pixel height.
    EXPECT_NEAR(viewport->viewTransform().m11(), 300.0 / 2, 300.0 / 2 * 0.05);
    EXPECT_EQ(viewport->entityAt(QPointF(200, 150)), boxB);
}

TEST_F(ViewportTest, ATinyZoomRectangleChangesNothing)
{
    ViewModel& vm = ViewModel::shared();
    const QTransform before = viewport->viewTransform();
    vm.setZoom(true);
    QTest::mouseClick(host->zoomWindowView(), Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_FALSE(vm.zoom());
    expectSameTransform(viewport->viewTransform(), before);
}

TEST_F(ViewportTest, EveryRedrawRequestRepaints)
{
    ViewModel& vm = ViewModel::shared();
    QApplication::processEvents();
    int paints = viewport->paintCount();
    vm.requestRedraw(Redraw::model);
    QTRY_VERIFY_WITH_TIMEOUT(viewport->paintCount() > paints, 2000);

    paints = viewport->paintCount();
    viewport->zoomIn();
    QTRY_VERIFY_WITH_TIMEOUT(viewport->paintCount() > paints, 2000);

    paints = viewport->paintCount();
    viewport->requestRedraw(Redraw::fit);
    QTRY_VERIFY_WITH_TIMEOUT(viewport->paintCount() > paints, 2000);
    EXPECT_FALSE(viewport->firstTime);

    paints = viewport->paintCount();
    sheet->settings().showGrid = true; // the settings' redraw hook
    QTRY_VERIFY_WITH_TIMEOUT(viewport->paintCount() > paints, 2000);
    sheet->settings().showGrid = false;
}

// A paint for which nothing the kept frame was drawn for has changed shows
// it: overlays shown and hidden over the view draw no frame; what may
// change the sheet's picture does.
TEST_F(ViewportTest, AnUnchangedViewIsNotDrawnAgain)
{
    ViewModel& vm = ViewModel::shared();
    vm.showFrameRate = false;
    paintNow();
    const QImage before = viewport->grab().toImage();
    int frames = viewport->framesDrawn();
    for (const bool on : {true, false}) {
        vm.setIsShowingAboutView(on);
        vm.syncDisableWithAboutView();
        EXPECT_EQ(paintNow(), 1);
    }
    vm.setIsShowingOpen(false);
    paintNow();
    EXPECT_EQ(viewport->framesDrawn(), frames);
    EXPECT_EQ(viewport->grab().toImage(), before);

    vm.requestRedraw(Redraw::model);
    paintNow();
    EXPECT_EQ(viewport->framesDrawn(), ++frames);
    viewport->requestRedraw(Redraw::display);
    paintNow();
    EXPECT_EQ(viewport->framesDrawn(), ++frames);
    // A selection is drawn over the kept frame, as a saved picture shows it,
    // and follows every change of it: another entity selected in place of
    // the first (as many selected as before), then none.
    boxA->selected = true;
    vm.requestRedraw(Redraw::selection);
    paintNow();
    EXPECT_EQ(viewport->framesDrawn(), frames);
    const QImage selected = viewport->grab().toImage().convertToFormat(QImage::Format_RGB32);
    FrameRenderer::Frame whole;
    whole.view = viewport->viewTransform();
    whole.size = viewport->size();
    whole.ratio = selected.devicePixelRatio();
    whole.background = sheet->settings().backgroundColor;
    EXPECT_EQ(FrameRenderer(1).render(*sheet, whole).convertToFormat(QImage::Format_RGB32), selected);
    EXPECT_NE(selected, before.convertToFormat(QImage::Format_RGB32));
    boxA->selected = false;
    boxB->selected = true;
    vm.requestRedraw(Redraw::selection);
    paintNow();
    const QImage other = viewport->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(FrameRenderer(1).render(*sheet, whole).convertToFormat(QImage::Format_RGB32), other);
    EXPECT_NE(other, selected);
    boxB->selected = false;
    vm.requestRedraw(Redraw::selection);
    paintNow();
    EXPECT_EQ(viewport->framesDrawn(), frames);
    EXPECT_EQ(viewport->grab().toImage(), before);
    vm.showFrameRate = true;
}

// Picking near a huge curve draws it as a frame does, at its level of
// detail and clipped about the pixel: hundreds of points handed to the
// painter, not the hundreds of thousands every point near it makes.
TEST_F(ViewportTest, PickingAHugeCurveTakesTheFramesLevelOfDetail)
{
    QByteArray xml = "<project version=\"1\" designVersion=\"1\"><design><sheets><schematic><entities>"
                     "<curve style=\"smooth\" closed=\"true\" points=\"";
    for (int row = 0; row < 150; ++row)
        for (int k = 0; k < 150; ++k)
            xml += QByteArray::number(k * 0.04) + ',' + QByteArray::number(row * 0.04) + ' ';
    xml += "\"/></entities></schematic></sheets><pcb/></design></project>";
    ASSERT_TRUE(Design::shared().loadFromBytes(xml, "raster"));
    Design::shared().currentDesignState()->schematics.front()->settings().showPage = false;
    viewport->requestRedraw(Redraw::fit);
    paintNow();
    EXPECT_TRUE(viewport->entityAt(viewport->toWidget(QPointF(3.01, 3.01))));
    EXPECT_GT(PathDetail::lastHanded().elements, 0);
    EXPECT_LT(PathDetail::lastHanded().elements, 5000);
}

TEST_F(ViewportTest, GeometryIsRecomputedOnlyForRedrawRequests)
{
    // Move box A behind the sheet's back: without a redraw request the old
    // bounding box (and so the old pick result) stays.
    auto* a = static_cast<TestBox*>(boxA.get());
    a->rect = QRectF(10, 10, 1, 1);
    paintNow();
    EXPECT_EQ(a->boundingBox.rect().topLeft(), QPointF(1, 1));
    ViewModel::shared().requestRedraw(Redraw::model);
    paintNow();
    EXPECT_EQ(a->boundingBox.rect().topLeft(), QPointF(10, 10));
    EXPECT_EQ(ViewModel::shared().lastRedraws, ViewModel::shared().redraws());

    // A pick changes the selection, not the geometry nor the frame: its
    // marks are drawn over the kept one. Nor do the menu's zoom commands
    // make the geometry pass: only the view changed (a frame is drawn).
    a->rect = QRectF(20, 20, 1, 1);
    const int frames = viewport->framesDrawn();
    ASSERT_EQ(viewport->pickAt(viewport->toWidget(QPointF(5.5, 5))), boxB);
    paintNow();
    EXPECT_EQ(viewport->framesDrawn(), frames);
    ViewModel::shared().requestRedraw(Redraw::view);
    viewport->zoomIn();
    paintNow();
    EXPECT_EQ(viewport->framesDrawn(), frames + 1);
    ViewModel::shared().requestRedraw(Redraw::fit);
    paintNow();
    EXPECT_EQ(viewport->framesDrawn(), frames + 2);
    EXPECT_EQ(a->boundingBox.rect().topLeft(), QPointF(10, 10));

    // A design opened has its geometry made by the read: the first paint
    // makes none.
    ScratchSettings settings;
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write(schematicDesign({QRectF(1, 1, 2, 1)}));
    file.close();
    ASSERT_TRUE(ViewModel::shared().loadDesign(QUrl::fromLocalFile(file.fileName())));
    auto* read = static_cast<TestBox*>(Design::shared().currentDesignState()->schematics.front()->entityList.entities.at(0).get());
    EXPECT_EQ(read->boundingBox.rect().topLeft(), QPointF(1, 1));
    read->rect = QRectF(10, 10, 1, 1);
    paintNow();
    EXPECT_EQ(read->boundingBox.rect().topLeft(), QPointF(1, 1));
}

TEST_F(ViewportTest, DrawsTheSheetAndTheFrameRate)
{
    const QImage image = viewport->grab().toImage();
    const QPoint onA = viewport->toWidget(QPointF(2, 1.5)).toPoint();
    const QPoint between = viewport->toWidget(QPointF(4, 3)).toPoint();
    EXPECT_EQ(image.pixel(onA * image.devicePixelRatio()), QColor(200, 30, 30).rgb());
    EXPECT_EQ(image.pixel(between * image.devicePixelRatio()), sheet->settings().backgroundColor.rgb());
    EXPECT_GT(viewport->frameRate(), 0);
    if (qEnvironmentVariableIsSet("BRINDLEX_SAVE_IMAGES"))
        image.save("viewport_two_boxes.png");
}

TEST_F(ViewportTest, AReplacedDesignIsFittedAgain)
{
    viewport->zoomAbout(QPointF(0, 0), 5);
    // Read behind the view model's back: the viewport notices the new sheet.
    ASSERT_TRUE(Design::shared().loadFromBytes(schematicDesign({QRectF(100, 100, 10, 10)}), "far away"));
    Design::shared().currentDesignState()->schematics.front()->settings().showPage = false;
    paintNow();
    expectNear(viewport->viewTransform().map(QPointF(105, 105)), QPointF(200, 150));
}

TEST_F(ViewportTest, EmptyAndMissingSheetsAreHarmless)
{
    ASSERT_TRUE(Design::shared().loadFromBytes("<p><design><pcb/></design></p>", "no schematic"));
    EXPECT_EQ(viewport->sheet(), nullptr);
    EXPECT_GE(paintNow(), 0);
    EXPECT_EQ(viewport->entityAt(QPointF(10, 10)), nullptr);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(ViewModel::shared().selectedEntity(), nullptr);
    viewport->zoomIn();
    viewport->pan(QPointF(3, 3));

    // The empty PCB sheet fits a default 10 x 8 inch area.
    Viewport2D pcbView(true);
    pcbView.resize(500, 400);
    pcbView.fit();
    const QTransform t = pcbView.viewTransform();
    EXPECT_NEAR(t.m11(), 400 * 0.9 / 8, 1e-9);
    expectNear(t.map(QPointF(5, 4)), QPointF(250, 200));
}

TEST_F(ViewportTest, AddLineBehavesAsTheDefaultCommand)
{
    ViewModel& vm = ViewModel::shared();
    auto line = std::make_unique<AddLine>(viewport, vm);
    EXPECT_EQ(line->viewport2D, viewport);
    EXPECT_EQ(line->viewModel, &vm);
    EXPECT_EQ(line->lastWorldPosition, QPointF(0, 0));
    EXPECT_FALSE(line->leftDown || line->middleDown || line->rightDown);
    AddLine* installed = line.get();
    viewport->setViewportCommand(std::move(line));
    EXPECT_EQ(viewport->viewportCommand(), installed);

    const QPoint onA = viewport->toWidget(QPointF(2, 1.5)).toPoint();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, onA);
    EXPECT_EQ(vm.selectedEntity(), boxA);
    expectNear(installed->lastWorldPosition, viewport->toWorld(onA));

    viewport->setViewportCommand(nullptr);
    ASSERT_NE(viewport->viewportCommand(), nullptr);
    EXPECT_EQ(dynamic_cast<AddLine*>(viewport->viewportCommand()), nullptr);
}

TEST_F(ViewportTest, TransformsAreKeptPerSheet)
{
    viewport->zoomIn();
    const QTransform schematicView = viewport->viewTransform();
    Viewport2D pcbView(true);
    pcbView.resize(400, 300);
    pcbView.fit();
    EXPECT_EQ(ViewModel::shared().sheetTransforms.size(), 2u);
    pcbView.zoomOut();
    expectSameTransform(viewport->viewTransform(), schematicView);
}

namespace {

// A box whose drawing, off the window's thread, waits at a gate until the
// test opens it: a frame as slow as the test wants.
struct Gate {
    std::mutex lock;
    std::condition_variable opened;
    bool open = true;
    void set(bool on)
    {
        {
            const std::lock_guard<std::mutex> hold(lock);
            open = on;
        }
        opened.notify_all();
    }
};

Gate& gate()
{
    static Gate g;
    return g;
}

class SlowBox : public TestBox {
public:
    using TestBox::TestBox;
    void draw(Graphics& g) const override
    {
        // A frame asked to stop stops waiting too. The ink measure of a
        // long list, off the window's thread too, does not wait.
        const QPaintDevice* device = g.context.painter().device();
        if (!g.picking && QThread::currentThread() != qApp->thread() && device && device->devType() == QInternal::Image) {
            std::unique_lock<std::mutex> hold(gate().lock);
            while (!gate().open && !ModelGuard::stopRequested())
                gate().opened.wait_for(hold, std::chrono::milliseconds(1));
        }
        TestBox::draw(g);
    }
};

// Counts how often it is drawn off the window's thread.
class CountedBox : public TestBox {
public:
    using TestBox::TestBox;
    static inline std::atomic<int> drawn{0};
    void draw(Graphics& g) const override
    {
        if (!g.picking && QThread::currentThread() != qApp->thread())
            drawn.fetch_add(1);
        TestBox::draw(g);
    }
};

void registerSlowBoxes()
{
    static bool registered = false;
    if (!registered) {
        registerEntity<SlowBox>("viewportSlowBox");
        registerEntity<CountedBox>("viewportCountedBox");
        registered = true;
        Viewport2D::installModelGuard(*qApp);
    }
}

// Opens the gate after a while, should a guard that ought to stop a frame
// not stop it: the test then fails rather than waits for ever.
class GateOpener {
public:
    GateOpener()
        : thread_([] {
              std::unique_lock<std::mutex> hold(gate().lock);
              gate().opened.wait_for(hold, std::chrono::seconds(3), [] { return gate().open; });
              hold.unlock();
              gate().set(true);
          })
    {
    }
    ~GateOpener()
    {
        gate().set(true);
        thread_.join();
    }

private:
    std::thread thread_;
};

// Notes whether a frame was reading when an event was delivered.
class Writer : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User && e->type() != QEvent::KeyPress)
            return QObject::event(e);
        readingAt[e->type() == QEvent::User] = ModelGuard::reading();
        gateOpenAt = gate().open;
        return true;
    }
    bool readingAt[2] = {false, false}; // key press, other event
    bool gateOpenAt = true;
};

} // namespace

// A slow frame goes on off the window's thread: the paint shows the last
// frame moved to the new view, view input goes on meanwhile, an event that
// may write the model waits for the frame, and the finished frame for an
// old view is dropped for one of the view shown.
TEST_F(ViewportTest, ASlowFrameGoesOnOffTheWindowThread)
{
    ASSERT_TRUE(showSlowSheet());
    const QImage before = viewport->grab().toImage().convertToFormat(QImage::Format_RGB32);

    // The gate closed, a pan: the paint returns showing the kept frame moved.
    gate().set(false);
    viewport->pan(QPointF(10, 5));
    paintNow();
    EXPECT_TRUE(viewport->frameInFlight());
    EXPECT_TRUE(viewport->lastPaintAwaitsFrame());
    const QImage moved = viewport->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(moved.copy(10, 5, 390, 295), before.copy(0, 0, 390, 295));

    // View input is answered while the frame is drawn.
    const QTransform panned = viewport->viewTransform();
    QWheelEvent wheel(QPointF(200, 150), viewport->mapToGlobal(QPointF(200, 150)), QPoint(), QPoint(0, 120), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    EXPECT_NE(viewport->viewTransform(), panned);
    EXPECT_TRUE(viewport->frameInFlight());
    EXPECT_TRUE(ModelGuard::reading());

    // An event that is not input goes on meanwhile; input that may write
    // the model stops the frame, which returns before it has drawn the
    // rest (the gate is still closed), and is not shown: the next paint
    // starts another.
    std::thread opener([] {
        // Only so that a guard that waits instead does not wait for ever.
        {
            std::unique_lock<std::mutex> hold(gate().lock);
            gate().opened.wait_for(hold, std::chrono::seconds(3), [] { return gate().open; });
        }
        gate().set(true);
    });
    Writer writer;
    QEvent other(QEvent::User);
    QApplication::sendEvent(&writer, &other);
    EXPECT_TRUE(writer.readingAt[1]);
    const int frames = viewport->framesDrawn();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(&writer, &key);
    EXPECT_FALSE(writer.readingAt[0]);
    EXPECT_FALSE(writer.gateOpenAt);
    ViewModel::shared().setDraggingOrZooming(false);
    paintNow();
    EXPECT_TRUE(viewport->lastPaintAwaitsFrame());
    EXPECT_EQ(viewport->framesDrawn(), frames + 1);
    gate().set(true);
    opener.join();

    // The finished frame was drawn for a view no longer shown: dropped, and
    // the view drawn afresh.
    ViewModel::shared().setDraggingOrZooming(false);
    for (int i = 0; i < 100 && (viewport->frameInFlight() || viewport->lastPaintAwaitsFrame()); ++i) {
        QApplication::processEvents();
        paintNow();
        viewport->joinFrame();
    }
    EXPECT_FALSE(viewport->lastPaintAwaitsFrame());
    const QImage shown = viewport->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // Settled, the window paints no more: a frame its own paint took asks
    // for no further paint.
    const int paints = viewport->paintCount();
    for (int i = 0; i < 20; ++i) {
        viewport->joinFrame();
        QApplication::processEvents();
    }
    EXPECT_EQ(viewport->paintCount(), paints);

    Viewport2D::setBackgroundFrames(false);
    const QImage sync = viewport->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ViewModel::shared().showFrameRate = true;
    EXPECT_EQ(shown, sync);
    EXPECT_NE(shown, moved);

    Viewport2D::setBackgroundFrames(true);
    // A resize while a frame is drawn shows the last frame placed for the
    // new view (refitted), never an empty one.
    gate().set(false);
    const QSize size = viewport->size();
    host->resize(host->width() + 60, host->height() + 40);
    QApplication::processEvents();
    paintNow();
    EXPECT_NE(viewport->size(), size);
    EXPECT_TRUE(viewport->lastPaintAwaitsFrame());
    const QImage resized = viewport->grab().toImage();
    EXPECT_EQ(resized.pixel(viewport->toWidget(QPointF(2, 1.5)).toPoint()), QColor(200, 30, 30).rgb());
    EXPECT_EQ(resized.pixel(viewport->toWidget(QPointF(5.5, 5)).toPoint()), QColor(200, 30, 30).rgb());
    gate().set(true);
    viewport->joinFrame();
    QApplication::processEvents();
    Viewport2D::setBackgroundFrames(false);
}

// A zoom command (menu, toolbar, keys) draws the new view at once: unlike
// the wheel's notches it waits for no settle. Only while a slow frame is
// drawn does the kept one, moved and scaled, stand in for it.
TEST_F(ViewportTest, AZoomCommandShowsTheSharpFrameAtOnce)
{
    ViewModel& vm = ViewModel::shared();
    vm.showFrameRate = false;
    paintNow();
    for (const bool in : {true, false}) {
        const int frames = viewport->framesDrawn();
        const int paints = viewport->paintCount();
        vm.requestRedraw(Redraw::view);
        in ? viewport->zoomIn() : viewport->zoomOut();
        // The paint the command asks for, and no wait.
        QApplication::processEvents();
        QApplication::processEvents();
        EXPECT_GT(viewport->paintCount(), paints);
        EXPECT_FALSE(vm.draggingOrZooming());
        EXPECT_FALSE(viewport->lastPaintReusedFrame());
        EXPECT_EQ(viewport->framesDrawn(), frames + 1);
        const QImage shown = viewport->grab().toImage().convertToFormat(QImage::Format_RGB32);
        FrameRenderer::Frame sharp;
        sharp.view = viewport->viewTransform();
        sharp.size = viewport->size();
        sharp.ratio = shown.devicePixelRatio();
        sharp.background = sheet->settings().backgroundColor;
        EXPECT_EQ(FrameRenderer(1).render(*sheet, sharp).convertToFormat(QImage::Format_RGB32), shown) << in;
    }

    ASSERT_TRUE(showSlowSheet());
    const QImage kept = viewport->grab().toImage().convertToFormat(QImage::Format_RGB32);
    {
        GateOpener opener;
        gate().set(false);
        vm.requestRedraw(Redraw::view);
        viewport->zoomOut();
        paintNow();
        EXPECT_TRUE(viewport->lastPaintAwaitsFrame());
        const QImage moved = viewport->grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_NE(moved, kept);
        // Box A moved with the kept frame.
        EXPECT_EQ(moved.pixel((viewport->toWidget(QPointF(2, 1.5)) * moved.devicePixelRatio()).toPoint()),
            QColor(200, 30, 30).rgb());
    }
    // Done, it is shown by the paint it asks for.
    const int paints = viewport->paintCount();
    viewport->joinFrame();
    for (int i = 0; i < 10 && viewport->paintCount() == paints; ++i)
        QApplication::processEvents();
    EXPECT_GT(viewport->paintCount(), paints);
    EXPECT_FALSE(viewport->lastPaintAwaitsFrame());
    EXPECT_FALSE(viewport->lastPaintReusedFrame());
    EXPECT_FALSE(vm.draggingOrZooming());
    Viewport2D::setBackgroundFrames(false);
    vm.showFrameRate = true;
}

// What the frame guard is for: input that may write the model (a key, a
// field losing the focus) and a design swapped in stop the frame drawn off
// the window's thread, which stops between entities; a stopped frame is
// never shown.
TEST_F(ViewportTest, WhatMayWriteTheModelStopsTheFrameThatReadsIt)
{
    // Boxes inside the slow one, drawn after it: a band that draws them
    // first waits at the slow one.
    ASSERT_TRUE(showSlowSheet("<viewportCountedBox x=\"3.2\" y=\"2.2\" w=\"0.3\" h=\"0.3\"/>"
                              "<viewportCountedBox x=\"3.5\" y=\"2.5\" w=\"0.3\" h=\"0.3\"/>"));
    ViewModel& vm = ViewModel::shared();
    const QImage whole = viewport->grab().toImage().convertToFormat(QImage::Format_RGB32);

    // A frame for the very view shown, stopped by a key: stopped between
    // entities (the boxes after the slow one are left undrawn), not shown,
    // and the next paint draws it again.
    Writer writer;
    {
        GateOpener opener;
        gate().set(false);
        vm.requestRedraw(Redraw::display);
        paintNow();
        ASSERT_TRUE(viewport->frameInFlight());
        CountedBox::drawn = 0;
        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(&writer, &key);
        EXPECT_FALSE(writer.readingAt[0]);
        EXPECT_FALSE(writer.gateOpenAt);
        EXPECT_EQ(CountedBox::drawn, 0);
    }
    const int frames = viewport->framesDrawn();
    paintNow();
    EXPECT_EQ(viewport->framesDrawn(), frames + 1);
    viewport->joinFrame();
    paintNow();
    EXPECT_FALSE(viewport->lastPaintAwaitsFrame());
    EXPECT_EQ(viewport->grab().toImage().convertToFormat(QImage::Format_RGB32), whole);

    // A field losing the focus commits its edit: the frame stops first.
    {
        GateOpener opener;
        gate().set(false);
        vm.requestRedraw(Redraw::display);
        paintNow();
        ASSERT_TRUE(viewport->frameInFlight());
        QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(&writer, &focusOut);
        EXPECT_FALSE(ModelGuard::reading());
    }

    // A design swapped in: the frame reading the old one stops first.
    {
        GateOpener opener;
        gate().set(false);
        vm.requestRedraw(Redraw::display);
        paintNow();
        ASSERT_TRUE(viewport->frameInFlight());
        ASSERT_TRUE(Design::shared().loadFromBytes(schematicDesign({QRectF(1, 1, 2, 1)}), "light"));
        EXPECT_FALSE(ModelGuard::reading());
    }
    viewport->joinFrame();
    QApplication::processEvents();
    Viewport2D::setBackgroundFrames(false);
    vm.showFrameRate = true;
}

// A selection changes nothing a frame reads: the frame being drawn goes on,
// is not drawn again, and is shown with the marks over it once done.
TEST_F(ViewportTest, ASelectionLeavesTheFrameBeingDrawnGoing)
{
    ASSERT_TRUE(showSlowSheet());
    GraphicsSheet& slow = *Design::shared().currentDesignState()->schematics.front();
    const std::shared_ptr<Entity> a = slow.entityList.entities.at(0);
    ViewModel& vm = ViewModel::shared();
    {
        GateOpener opener;
        gate().set(false);
        vm.requestRedraw(Redraw::display);
        paintNow();
        ASSERT_TRUE(viewport->frameInFlight());
        const int frames = viewport->framesDrawn();
        a->selected = true;
        vm.requestRedraw(Redraw::selection);
        EXPECT_TRUE(ModelGuard::reading());
        paintNow();
        EXPECT_TRUE(viewport->frameInFlight());
        EXPECT_EQ(viewport->framesDrawn(), frames);
        gate().set(true);
        viewport->joinFrame();
        for (int i = 0; i < 10 && viewport->lastPaintAwaitsFrame(); ++i) {
            QApplication::processEvents();
            paintNow();
        }
        EXPECT_FALSE(viewport->lastPaintAwaitsFrame());
        EXPECT_EQ(viewport->framesDrawn(), frames);
    }
    const QImage shown = viewport->grab().toImage().convertToFormat(QImage::Format_RGB32);
    FrameRenderer::Frame marked;
    marked.view = viewport->viewTransform();
    marked.size = viewport->size();
    marked.ratio = shown.devicePixelRatio();
    marked.background = slow.settings().backgroundColor;
    EXPECT_EQ(FrameRenderer(1).render(slow, marked).convertToFormat(QImage::Format_RGB32), shown);
    a->selected = false;
    Viewport2D::setBackgroundFrames(false);
    vm.showFrameRate = true;
}

// A gesture moves the kept frame only while all else it shows is the same
// (one key for paints and gestures): a display change draws a frame, and
// a pick shows its marks in the very next paint.
TEST_F(ViewportTest, ChangesDuringAGestureShowInTheNextPaint)
{
    ViewModel& vm = ViewModel::shared();
    vm.showFrameRate = false;
    paintNow();
    vm.setDraggingOrZooming(true);
    viewport->pan(QPointF(7, 3));
    paintNow();
    EXPECT_TRUE(viewport->lastPaintReusedFrame());
    const QImage moved = viewport->grab().toImage().convertToFormat(QImage::Format_RGB32);

    const QPointF onB = viewport->toWidget(QPointF(5.5, 5));
    ASSERT_EQ(viewport->pickAt(onB), boxB);
    paintNow();
    EXPECT_TRUE(viewport->lastPaintReusedFrame());
    EXPECT_NE(viewport->grab().toImage().convertToFormat(QImage::Format_RGB32), moved);

    const int frames = viewport->framesDrawn();
    vm.requestRedraw(Redraw::display);
    paintNow();
    EXPECT_FALSE(viewport->lastPaintReusedFrame());
    EXPECT_EQ(viewport->framesDrawn(), frames + 1);
    vm.setDraggingOrZooming(false);
    vm.clearSelection();
    vm.showFrameRate = true;
}

// Until a new sheet's first frame is ready the view shows its page and the
// outlines of its entities, not an empty view; and keeps nothing in the
// path detail's cache for them (that would evict the design's own paths).
TEST_F(ViewportTest, ANewSheetShowsItsPageWhileItsFirstFrameIsDrawn)
{
    registerSlowBoxes();
    // Boxes enough for one path of their outlines to count as huge.
    std::vector<QRectF> boxes{QRectF(1, 1, 2, 1)};
    for (int i = 0; i < 300; ++i)
        boxes.emplace_back(0.5 + 0.03 * i, 0.2, 0.02, 0.02);
    QByteArray xml = schematicDesign(boxes);
    xml.replace("</entities>", "<viewportSlowBox x=\"3\" y=\"2\" w=\"1\" h=\"1\"/></entities>");
    ViewModel::shared().showFrameRate = false;
    Viewport2D::setBackgroundFrames(true);
    // As many huge paths as the cache keeps, all held (as a design does).
    const std::vector<QPainterPath> held = heldHugePaths();
    for (const QPainterPath& path : held)
        ASSERT_TRUE(PathDetail::prepared(path));
    {
        GateOpener opener;
        gate().set(false);
        ASSERT_TRUE(Design::shared().loadFromBytes(xml, "slow page"));
        GraphicsSheet& page = *Design::shared().currentDesignState()->schematics.front();
        page.settings().showPage = true;
        page.settings().showGrid = false;
        page.settings().sheetColor = QColor(250, 240, 200);
        page.settings().backgroundColor = QColor(60, 60, 60);
        viewport->requestRedraw(Redraw::fit);
        paintNow();
        EXPECT_TRUE(viewport->lastPaintAwaitsFrame());
        const QImage shown = viewport->grab().toImage();
        const qreal ratio = shown.devicePixelRatio();
        EXPECT_EQ(shown.pixel(viewport->toWidget(page.pageRect().center()).toPoint() * ratio), QColor(250, 240, 200).rgb());
        // The outline of the slow box's box, about its left edge.
        const QPoint edge = (viewport->toWidget(QPointF(3, 2.5)) * ratio).toPoint();
        bool outlined = false;
        for (int dx = -2; dx <= 2; ++dx)
            outlined = outlined || shown.pixel(edge + QPoint(dx, 0)) != QColor(250, 240, 200).rgb();
        EXPECT_TRUE(outlined);
        if (qEnvironmentVariableIsSet("BRINDLEX_SAVE_IMAGES"))
            shown.save("viewport_placeholder.png");
        for (const QPainterPath& path : held)
            EXPECT_TRUE(PathDetail::prepared(path));
    }
    viewport->joinFrame();
    QApplication::processEvents();
    Viewport2D::setBackgroundFrames(false);
    ViewModel::shared().showFrameRate = true;
}
