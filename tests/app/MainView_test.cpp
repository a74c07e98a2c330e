#include "AppTestSupport.h"

#include "app/TipStore.h"
#include "viewport/GraphicsViewport.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>

TEST_F(AppWindowTest, TabsStartOnSchematicAndDriveIsShowingPcbAndTheActiveViewport)
{
    MainView& mv = view();
    ASSERT_EQ(mv.tabs()->count(), 3);
    EXPECT_EQ(mv.tabs()->tabText(0), "Schematic");
    EXPECT_EQ(mv.tabs()->tabText(1), "PCB");
    EXPECT_EQ(mv.tabs()->tabText(2), "3D");
    EXPECT_EQ(mv.value(), MainView::schematicTab);
    EXPECT_FALSE(vm().isShowingPCB);
    EXPECT_EQ(vm().activeViewport2D(), mv.schematicViewport()->viewport());
    EXPECT_FALSE(mv.schematicViewport()->viewport()->pcb);
    EXPECT_TRUE(mv.pcbViewport()->viewport()->pcb);
    const auto& ports = vm().viewports();
    EXPECT_NE(std::find(ports.begin(), ports.end(), mv.schematicViewport()->viewport()), ports.end());
    EXPECT_NE(std::find(ports.begin(), ports.end(), mv.pcbViewport()->viewport()), ports.end());

    mv.setValue(MainView::pcbTab);
    EXPECT_TRUE(vm().isShowingPCB);
    EXPECT_EQ(vm().activeViewport2D(), mv.pcbViewport()->viewport());

    mv.setValue(MainView::threeDTab);
    EXPECT_FALSE(vm().isShowingPCB);
    EXPECT_EQ(vm().activeViewport2D(), nullptr);
    auto* page = qobject_cast<QLabel*>(mv.tabs()->widget(2));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->text(), "Coming Soon...");

    mv.setValue(MainView::schematicTab);
    EXPECT_FALSE(vm().isShowingPCB);
    EXPECT_EQ(vm().activeViewport2D(), mv.schematicViewport()->viewport());
}

TEST_F(AppWindowTest, GridToggleSwitchesTheShownSheetAndInvalidatesTheTip)
{
    TipStore::shared().resetDatastore();
    schematicSettings().showGrid = false;
    pcbSettings().showGrid = false;
    QAction* grid = action("showGridButton");
    Viewport2D* schematicPort = view().schematicViewport()->viewport();
    const int redraws = vm().redraws();
    const int portRedraws = schematicPort->displays();

    grid->trigger();
    EXPECT_TRUE(schematicSettings().showGrid);
    EXPECT_FALSE(pcbSettings().showGrid);
    // Asked once, by the setting; the viewport draws its frame again.
    EXPECT_EQ(vm().redraws(), redraws + 1);
    EXPECT_EQ(schematicPort->displays(), portRedraws + 1);
    EXPECT_EQ(TipStore::shared().invalidationReason(ShowGridTooltip().identifier),
        TipStore::InvalidationReason::actionPerformed);

    // On the PCB tab the toggle shows and switches the PCB's grid.
    view().setValue(MainView::pcbTab);
    EXPECT_FALSE(grid->isChecked());
    grid->trigger();
    EXPECT_TRUE(pcbSettings().showGrid);
    EXPECT_TRUE(schematicSettings().showGrid);
    view().setValue(MainView::schematicTab);
    EXPECT_TRUE(grid->isChecked());

    // A change made elsewhere shows in the toggle.
    schematicSettings().showGrid = false;
    EXPECT_FALSE(grid->isChecked());
}

TEST_F(AppWindowTest, ToolbarViewAllZoomWindowAndAccount)
{
    Viewport2D* port = view().schematicViewport()->viewport();
    port->firstTime = false;
    const int redraws = vm().redraws();
    action("viewAllButton")->trigger();
    EXPECT_TRUE(port->firstTime);
    EXPECT_EQ(vm().redraws(), redraws + 1);

    action("zoomWindowButton")->trigger();
    EXPECT_TRUE(vm().zoom());
    action("zoomWindowButton")->trigger();
    EXPECT_FALSE(vm().zoom());

    action("accountButton")->trigger();
    EXPECT_TRUE(vm().isShowingAccountView());
    EXPECT_TRUE(vm().disable());
    EXPECT_FALSE(view().accountViewHost()->isHidden());
    action("accountButton")->trigger();
    EXPECT_FALSE(vm().isShowingAccountView());
    EXPECT_FALSE(vm().disable());
    EXPECT_TRUE(view().accountViewHost()->isHidden());

    // Without a viewport (the 3D tab) View All does nothing.
    view().setValue(MainView::threeDTab);
    const int before = vm().redraws();
    action("viewAllButton")->trigger();
    EXPECT_EQ(vm().redraws(), before);
}

TEST_F(AppWindowTest, SidebarToggleInvertsTheFlagHidesThePanelsAndSavesTheWindowSettings)
{
    QSettings().remove("saved");
    MainViewWithSidePanel* content = window->content();
    EXPECT_FALSE(content->leftSidePanelHost()->isHidden());
    EXPECT_FALSE(content->rightSidePanelHost()->isHidden());
    Viewport2D* port = vm().activeViewport2D();
    port->firstTime = false;

    action("showSidebarsButton")->trigger();
    EXPECT_FALSE(vm().showSidePanels());
    EXPECT_TRUE(content->leftSidePanelHost()->isHidden());
    EXPECT_TRUE(content->rightSidePanelHost()->isHidden());
    EXPECT_TRUE(port->firstTime);
    QSettings settings;
    EXPECT_TRUE(settings.value("saved").toBool());
    EXPECT_FALSE(settings.value("showSidePanel").toBool());

    action("showSidebarsButton")->trigger();
    EXPECT_TRUE(vm().showSidePanels());
    EXPECT_TRUE(QSettings().value("showSidePanel").toBool());
}

TEST_F(AppWindowTest, SettingsPanelFollowsItsFlagsAndFloatsAtTheSideAwayFromThePanels)
{
    window->show();
    QWidget* panel = view().settingsPanelHost();
    EXPECT_TRUE(panel->isHidden());
    vm().setShowSettingsPanel(true);
    EXPECT_FALSE(panel->isHidden());
    EXPECT_EQ(panel->geometry().right(), view().width() - 10 - 1);
    EXPECT_EQ(panel->y(), 70);

    vm().setDraggingOrZooming(true);
    EXPECT_TRUE(panel->isHidden());
    // Becoming inactive ends any drag and requests a redraw; the panel returns.
    const int redraws = vm().redraws();
    emit qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_FALSE(vm().draggingOrZooming());
    EXPECT_EQ(vm().redraws(), redraws + 1);
    EXPECT_FALSE(panel->isHidden());
    // The background changes nothing.
    vm().setDraggingOrZooming(true);
    emit qGuiApp->applicationStateChanged(Qt::ApplicationHidden);
    EXPECT_TRUE(vm().draggingOrZooming());
    emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_FALSE(vm().draggingOrZooming());

    vm().setShowSidePanels(false);
    EXPECT_EQ(panel->x(), 10);
}

TEST_F(AppWindowTest, AlertPresenterShowsTheItemAndDismissalClearsIt)
{
    window->show();
    vm().showMessage("Not implemented");
    QMessageBox* box = view().alertBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowTitle(), "Brindlex");
    EXPECT_EQ(box->informativeText(), "Not implemented");
    ASSERT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->buttons().front()->text(), "OK");

    // A second alert replaces the first.
    vm().showMessage("Second");
    QCoreApplication::processEvents();
    box = view().alertBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->informativeText(), "Second");
    ASSERT_TRUE(vm().alertItem().has_value());

    box->buttons().front()->click();
    EXPECT_FALSE(vm().alertItem().has_value());
    EXPECT_EQ(view().alertBox(), nullptr);
}

TEST_F(AppWindowTest, AlertTextFromAFileNameIsNeverReadAsMarkup)
{
    AlertItem item;
    item.title = "Could not open <b>x</b>.project";
    item.message = "<img src=\"/etc/passwd\">";
    vm().setAlertItem(item);
    QMessageBox* box = view().alertBox();
    ASSERT_NE(box, nullptr);
    for (const char* name : {"qt_msgbox_label", "qt_msgbox_informativelabel"}) {
        auto* label = box->findChild<QLabel*>(name);
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << name;
    }
    EXPECT_EQ(box->text(), item.title);
}

TEST_F(AppWindowTest, AnAlertRaisedBeforeTheWindowExistsIsPresented)
{
    window.reset();
    vm().showMessage("Could not open something");
    window = std::make_unique<MainWindow>(vm(), toggleSetting);
    ASSERT_NE(view().alertBox(), nullptr);
    EXPECT_EQ(view().alertBox()->informativeText(), "Could not open something");
}
