#include "AppTestSupport.h"

#include "viewport/GraphicsViewport.h"
#include "viewport/RecentFiles.h"
#include "viewport/Viewport2DCommand.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <map>

TEST_F(AppWindowTest, MenuItemsCarryTheirShortcuts)
{
    const std::map<std::string, QKeySequence> expected = {
        {"newAction", QKeySequence("Ctrl+N")},
        {"openAction", QKeySequence("Ctrl+O")},
        {"saveAction", QKeySequence("Ctrl+S")},
        {"saveAsAction", QKeySequence("Shift+Ctrl+S")},
        {"manualAction", QKeySequence("M")},
        {"websiteAction", QKeySequence("W")},
        {"aboutAction", QKeySequence("?")},
        {"zoomInAction", QKeySequence(Qt::Key_PageUp)},
        {"zoomOutAction", QKeySequence(Qt::Key_PageDown)},
        {"zoomAllAction", QKeySequence(Qt::Key_Home)},
        {"panUpAction", QKeySequence(Qt::Key_Up)},
        {"panDownAction", QKeySequence(Qt::Key_Down)},
        {"panLeftAction", QKeySequence(Qt::Key_Left)},
        {"panRightAction", QKeySequence(Qt::Key_Right)},
        // Only one About item holds "?", so the key is not ambiguous.
        {"aboutApplicationAction", QKeySequence()},
        {"showGridAction", QKeySequence()},
        {"addLineAction", QKeySequence()},
    };
    for (const auto& [name, keys] : expected)
        EXPECT_EQ(action(name.c_str())->shortcut(), keys) << name;

    // No shortcut is held by two actions of the window.
    std::map<QString, int> uses;
    for (QAction* a : window->findChildren<QAction*>())
        if (!a->shortcut().isEmpty())
            ++uses[a->shortcut().toString()];
    for (const auto& [keys, count] : uses)
        EXPECT_EQ(count, 1) << keys.toStdString();
}

TEST_F(AppWindowTest, AddAndPanItemsAnswerNotImplementedAndKeepTheMouseCommand)
{
    Viewport2D* port = vm().activeViewport2D();
    ASSERT_NE(port, nullptr);
    Viewport2DCommand* command = port->viewportCommand();
    for (const char* name : {"addLineAction", "addPolylineAction", "addPolygonAction", "addArcAction", "addCurveAction",
             "addRectangleAction", "addEllipseAction", "panUpAction", "panDownAction", "panLeftAction",
             "panRightAction"}) {
        vm().setAlertItem(std::nullopt);
        action(name)->trigger();
        ASSERT_TRUE(vm().alertItem().has_value()) << name;
        EXPECT_EQ(vm().alertItem()->title, "Brindlex") << name;
        EXPECT_EQ(vm().alertItem()->message, "Not implemented") << name;
        EXPECT_EQ(vm().alertItem()->dismissButton, "OK") << name;
        EXPECT_EQ(port->viewportCommand(), command) << name;
    }
    QStringList addTexts;
    for (QAction* a : window->menuCommands()->addMenu()->actions())
        addTexts << a->text();
    EXPECT_EQ(addTexts, QStringList({"Line", "Polyline", "Polygon", "Arc", "Curve", "Rectangle", "Ellipse"}));
}

TEST_F(AppWindowTest, NewSaveAndSaveAsInstallALineCommandOnTheActiveViewport)
{
    Viewport2D* port = vm().activeViewport2D();
    ASSERT_NE(port, nullptr);
    const int redraws = vm().redraws();
    for (const char* name : {"newAction", "saveAction", "saveAsAction"}) {
        port->setViewportCommand(nullptr);
        Viewport2DCommand* before = port->viewportCommand();
        action(name)->trigger();
        auto* line = dynamic_cast<AddLine*>(port->viewportCommand());
        ASSERT_NE(line, nullptr) << name;
        EXPECT_NE(port->viewportCommand(), before) << name;
        EXPECT_EQ(line->viewport2D, port);
        EXPECT_EQ(line->lastWorldPosition, QPointF(0, 0));
        EXPECT_FALSE(line->leftDown || line->middleDown || line->rightDown);
    }
    EXPECT_EQ(vm().redraws(), redraws);
    EXPECT_FALSE(vm().alertItem().has_value());

    // Without an active viewport nothing happens.
    view().setValue(MainView::threeDTab);
    action("newAction")->trigger();
    EXPECT_FALSE(vm().alertItem().has_value());
}

TEST_F(AppWindowTest, OpenShowsTheOpenPanelAndCancellingChangesNothing)
{
    window->show();
    const auto state = Design::shared().currentDesignState();
    action("openAction")->trigger();
    QFileDialog* dialog = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible())
            dialog = d;
    ASSERT_NE(dialog, nullptr);
    dialog->reject();
    QCoreApplication::processEvents();
    EXPECT_EQ(Design::shared().currentDesignState(), state);
}

TEST_F(AppWindowTest, OpenPanelStartsInTheStoredFolderAndStoresTheChosenOneAsText)
{
    QTemporaryDir first, second;
    const QString design = second.filePath("chosen.project");
    ASSERT_TRUE(QFile::copy(QStringLiteral(BRINDLEX_TEST_DATA "/basic.project"), design));
    // Written by an older build as a URL value.
    QSettings().setValue("openDirectory", QUrl::fromLocalFile(first.path()));
    const auto savedUrl = vm().designURL;
    window->show();
    action("openAction")->trigger();
    QFileDialog* dialog = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible())
            dialog = d;
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(QFileInfo(dialog->directory().absolutePath()), QFileInfo(first.path()));
    emit dialog->fileSelected(design);
    dialog->reject();
    QCoreApplication::processEvents();
    EXPECT_EQ(vm().designShortName(), "chosen");
    EXPECT_EQ(QSettings().value("openDirectory"), QVariant(second.path()));
    EXPECT_EQ(vm().openDirectory, QUrl::fromLocalFile(second.path()));

    QSettings().remove("openDirectory");
    vm().designURL = savedUrl;
    recentFiles().removeAll(QUrl::fromLocalFile(design));
    saveRecentFiles();
}

TEST_F(AppWindowTest, ZoomItemsScaleTheActiveViewportAndAllRefits)
{
    window->show();
    Viewport2D* port = vm().activeViewport2D();
    ASSERT_NE(port, nullptr);
    port->fit();
    port->firstTime = false;
    const QTransform start = port->viewTransform();
    const int redraws = vm().redraws();
    // Only the view changes: no geometry pass.
    const int sheetRedraws = vm().sheetRedraws();
    action("zoomInAction")->trigger();
    EXPECT_EQ(vm().redraws(), redraws + 1);
    EXPECT_NEAR(port->viewTransform().m11(), start.m11() * 1.1, 1e-9 * std::abs(start.m11()));
    action("zoomOutAction")->trigger();
    EXPECT_EQ(vm().redraws(), redraws + 2);
    EXPECT_NEAR(port->viewTransform().m11(), start.m11(), 1e-9 * std::abs(start.m11()));
    EXPECT_NEAR(port->viewTransform().dx(), start.dx(), 1e-6);
    action("zoomAllAction")->trigger();
    EXPECT_EQ(vm().redraws(), redraws + 3);
    EXPECT_TRUE(port->firstTime);
    EXPECT_EQ(vm().sheetRedraws(), sheetRedraws);
    vm().setDraggingOrZooming(false);

    view().setValue(MainView::threeDTab);
    action("zoomInAction")->trigger();
    EXPECT_EQ(vm().redraws(), redraws + 3);
}

TEST_F(AppWindowTest, AboutItemsToggleTheAboutBoxAndTheQuestionMarkKeyToo)
{
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    action("aboutApplicationAction")->trigger();
    EXPECT_TRUE(vm().isShowingAboutView());
    EXPECT_TRUE(vm().disable());
    EXPECT_FALSE(view().aboutViewHost()->isHidden());
    action("aboutAction")->trigger();
    EXPECT_FALSE(vm().isShowingAboutView());
    EXPECT_FALSE(vm().disable());
    EXPECT_TRUE(view().aboutViewHost()->isHidden());

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Question);
    EXPECT_TRUE(vm().isShowingAboutView());
    QTest::keyClick(window.get(), Qt::Key_Question);
    EXPECT_FALSE(vm().isShowingAboutView());
}

TEST_F(AppWindowTest, HelpLinksGoToTheBrowser)
{
    std::vector<QUrl> opened;
    auto saved = MenuCommands::urlOpener();
    MenuCommands::urlOpener() = [&](const QUrl& url) {
        opened.push_back(url);
        return true;
    };
    action("manualAction")->trigger();
    action("websiteAction")->trigger();
    // An address that does not parse is not handed on.
    EXPECT_FALSE(MenuCommands::openWebAddress("https://exa mple.org/%zz"));
    EXPECT_FALSE(MenuCommands::openWebAddress(""));
    MenuCommands::urlOpener() = saved;
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], QUrl(MenuCommands::helpSiteAddress));
    EXPECT_EQ(opened[1], QUrl(MenuCommands::productSiteAddress));
    EXPECT_EQ(opened[0].scheme(), "https");
}

TEST_F(AppWindowTest, ShowGridMenuItemSwitchesTheShownSheetOnce)
{
    QAction* grid = action("showGridAction");
    schematicSettings().showGrid = false;
    pcbSettings().showGrid = true;
    window->menuCommands()->viewMenu()->aboutToShow();
    EXPECT_FALSE(grid->isChecked());
    const QImage hidden = grid->icon().pixmap(16, 16).toImage();

    const int redraws = vm().redraws();
    grid->trigger();
    EXPECT_TRUE(schematicSettings().showGrid);
    EXPECT_TRUE(pcbSettings().showGrid);
    EXPECT_EQ(vm().redraws(), redraws + 1);
    EXPECT_TRUE(grid->isChecked());
    EXPECT_NE(grid->icon().pixmap(16, 16).toImage(), hidden);

    view().setValue(MainView::pcbTab);
    window->menuCommands()->viewMenu()->aboutToShow();
    EXPECT_TRUE(grid->isChecked());
    grid->trigger();
    EXPECT_FALSE(pcbSettings().showGrid);
    EXPECT_TRUE(schematicSettings().showGrid);
}
