#include "ViewportTestSupport.h"

#include "core/RedrawHook.h"
#include "core/UserDefaults.h"
#include "document/Design.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

TEST(ViewModel, StartsWithTheDocumentedState)
{
    ScratchSettings scratch;
    ViewModel vm;
    EXPECT_EQ(vm.status(), QString());
    EXPECT_EQ(vm.selectedEntity(), nullptr);
    EXPECT_EQ(vm.designChanges(), 0);
    EXPECT_EQ(vm.designShortName(), QString());
    EXPECT_EQ(vm.redraws(), 0);
    EXPECT_FALSE(vm.zoom());
    EXPECT_FALSE(vm.disable());
    EXPECT_FALSE(vm.show3D());
    EXPECT_FALSE(vm.alertItem().has_value());
    EXPECT_EQ(vm.version(), QString());
    EXPECT_EQ(vm.versionDate(), QString());
    EXPECT_FALSE(vm.isShowingAboutView());
    EXPECT_TRUE(vm.showSidePanels());
    EXPECT_TRUE(vm.showTopButtons());
    EXPECT_FALSE(vm.isShowingAccountView());
    EXPECT_FALSE(vm.isShowingOpen());
    EXPECT_FALSE(vm.showSettingsPanel());
    EXPECT_FALSE(vm.draggingOrZooming());
    EXPECT_FALSE(vm.login().isEmpty());
    EXPECT_EQ(vm.password().size(), 10);

    EXPECT_EQ(vm.activeViewport2D(), nullptr);
    EXPECT_FALSE(vm.designURL.has_value());
    EXPECT_EQ(vm.lastRedraws, -1);
    EXPECT_FALSE(vm.setBoundingBoxesOnRedraw);
    EXPECT_TRUE(vm.viewports().empty());
    EXPECT_FALSE(vm.openDirectory.has_value());
    EXPECT_TRUE(vm.sheetTransforms.empty());
    EXPECT_FALSE(vm.isShowingPCB);
    EXPECT_EQ(vm.currentCallIndex, 0);
    EXPECT_FALSE(vm.panelVisible);
    EXPECT_TRUE(vm.showFrameRate);
}

TEST(ViewModel, PasswordIsMadeAtRunTime)
{
    ScratchSettings scratch;
    ViewModel a, b, c;
    // Three equal random 10-character texts would mean a fixed password.
    EXPECT_FALSE(a.password() == b.password() && b.password() == c.password());
}

TEST(ViewModel, PanelFlagsComeFromUserDefaultsOnlyWhenSaved)
{
    ScratchSettings scratch;
    {
        QSettings s;
        s.setValue("showTopButtons", false);
        s.setValue("showSidePanel", false);
        s.setValue("showSettingsPanel", true);
    }
    {
        ViewModel vm; // "saved" absent: the keys are ignored
        EXPECT_TRUE(vm.showTopButtons());
        EXPECT_TRUE(vm.showSidePanels());
        EXPECT_FALSE(vm.showSettingsPanel());
    }
    QSettings().setValue("saved", true);
    {
        ViewModel vm;
        EXPECT_FALSE(vm.showTopButtons());
        EXPECT_FALSE(vm.showSidePanels());
        EXPECT_TRUE(vm.showSettingsPanel());
    }
    // A missing key reads as false; the plural "showSidePanels" is not the key.
    QSettings().clear();
    QSettings().setValue("saved", true);
    QSettings().setValue("showSidePanels", true);
    {
        ViewModel vm;
        EXPECT_FALSE(vm.showTopButtons());
        EXPECT_FALSE(vm.showSidePanels());
        EXPECT_FALSE(vm.showSettingsPanel());
    }
    // A value that is not a Boolean reads as the key's default.
    QSettings().setValue("showTopButtons", "maybe");
    QSettings().setValue("showSidePanel", "TRUE");
    QSettings().setValue("showSettingsPanel", 2);
    {
        ViewModel vm;
        EXPECT_FALSE(vm.showTopButtons());
        EXPECT_TRUE(vm.showSidePanels());
        EXPECT_FALSE(vm.showSettingsPanel());
    }
    QSettings().setValue("saved", "maybe");
    QSettings().setValue("showSidePanel", false);
    {
        ViewModel vm; // not saved: the start-up defaults
        EXPECT_TRUE(vm.showTopButtons());
        EXPECT_TRUE(vm.showSidePanels());
    }
}

TEST(ViewModel, TypedSettingReadsTakeOnlyValuesOfTheirType)
{
    using namespace userDefaults;
    EXPECT_TRUE(toBool(QVariant(QStringLiteral("true")), false));
    EXPECT_FALSE(toBool(QVariant(QStringLiteral("0")), true));
    EXPECT_TRUE(toBool(QVariant(QStringLiteral("yes")), true));
    EXPECT_FALSE(toBool(QVariant(QStringLiteral("")), false));
    EXPECT_FALSE(toBool(QVariant(), false));
    EXPECT_TRUE(toBool(QVariant(QUrl("file:///x")), true));

    EXPECT_EQ(toInt(QVariant(QStringLiteral(" 7 ")), 0), 7);
    EXPECT_EQ(toInt(QVariant(QStringLiteral("-3")), 0), -3);
    EXPECT_EQ(toInt(QVariant(QStringLiteral("2x")), 5), 5);
    EXPECT_EQ(toInt(QVariant(QStringLiteral("1.5")), 5), 5);
    EXPECT_EQ(toInt(QVariant(QStringLiteral("99999999999")), 5), 5);
    EXPECT_EQ(toInt(QVariant(true), 5), 5);
    EXPECT_EQ(toInt(QVariant(qulonglong(-1)), 5), 5);

    // Older builds stored URL values; plain text is a path or a URL string.
    EXPECT_EQ(toUrl(QVariant(QUrl::fromLocalFile("/a b/c.project"))), QUrl::fromLocalFile("/a b/c.project"));
    EXPECT_EQ(toUrl(QVariant(QStringLiteral("/a b/#c%20.project"))), QUrl::fromLocalFile("/a b/#c%20.project"));
    EXPECT_EQ(toUrl(QVariant(QStringLiteral("file:///a%20b"))), QUrl::fromLocalFile("/a b"));
    EXPECT_EQ(toUrl(QVariant(QStringLiteral("C:/designs"))), QUrl::fromLocalFile("C:/designs"));
    EXPECT_FALSE(toUrl(QVariant(QStringLiteral(""))).has_value());
    EXPECT_FALSE(toUrl(QVariant(3)).has_value());
    for (const QUrl& url : {QUrl::fromLocalFile("/a b/#c%20.project"), QUrl("https://example.org/a b?q=1")})
        EXPECT_EQ(toUrl(QVariant(urlText(url))), url) << urlText(url).toStdString();
}

TEST(ViewModel, SaveWindowSettingsRoundTrips)
{
    ScratchSettings scratch;
    ViewModel vm;
    vm.setShowTopButtons(false);
    vm.setShowSidePanels(true);
    vm.setShowSettingsPanel(true);
    vm.saveWindowSettings();
    QSettings s;
    EXPECT_TRUE(s.value("saved").toBool());
    EXPECT_FALSE(s.value("showTopButtons").toBool());
    EXPECT_TRUE(s.value("showSidePanel").toBool());
    EXPECT_TRUE(s.value("showSettingsPanel").toBool());

    ViewModel reread;
    EXPECT_FALSE(reread.showTopButtons());
    EXPECT_TRUE(reread.showSidePanels());
    EXPECT_TRUE(reread.showSettingsPanel());
}

TEST(ViewModel, ShowMessageRaisesANewBrindlexAlert)
{
    ScratchSettings scratch;
    ViewModel vm;
    QSignalSpy spy(&vm, &ViewModel::alertItemChanged);
    vm.showMessage("Not implemented");
    ASSERT_TRUE(vm.alertItem().has_value());
    EXPECT_EQ(vm.alertItem()->title, "Brindlex");
    EXPECT_EQ(vm.alertItem()->message, "Not implemented");
    EXPECT_EQ(vm.alertItem()->dismissButton, "OK");
    const QUuid first = vm.alertItem()->id;
    vm.showMessage("Not implemented");
    EXPECT_NE(vm.alertItem()->id, first);
    EXPECT_EQ(spy.count(), 2);
    vm.setAlertItem(std::nullopt);
    EXPECT_FALSE(vm.alertItem().has_value());
}

TEST(ViewModel, RedrawRequestsOfTheSettersAndSyncOperations)
{
    ScratchSettings scratch;
    ViewModel vm;
    QSignalSpy redraws(&vm, &ViewModel::redrawsChanged);

    vm.setIsShowingAboutView(true);
    EXPECT_FALSE(vm.disable());
    vm.syncDisableWithAboutView();
    EXPECT_TRUE(vm.disable());
    EXPECT_EQ(vm.redraws(), 1);

    vm.setIsShowingAccountView(false);
    vm.syncDisableWithAccountView();
    EXPECT_FALSE(vm.disable());
    EXPECT_EQ(vm.redraws(), 2);

    vm.setIsShowingOpen(true);
    EXPECT_EQ(vm.redraws(), 3);
    vm.setLogin("someone");
    vm.setPassword("abc");
    EXPECT_EQ(vm.login(), "someone");
    EXPECT_EQ(vm.password(), "abc");
    EXPECT_EQ(vm.redraws(), 5);
    vm.setShowSettingsPanel(true, true);
    EXPECT_EQ(vm.redraws(), 6);
    vm.setShowSettingsPanel(false);
    EXPECT_EQ(vm.redraws(), 6);
    // Plain flag setters request nothing.
    vm.setZoom(true);
    vm.setShowSidePanels(false);
    vm.setDraggingOrZooming(true);
    EXPECT_EQ(vm.redraws(), 6);
    EXPECT_EQ(redraws.count(), 6);
    EXPECT_EQ(redraws.last().at(0).toInt(), 6);
}

TEST(ViewModel, SharedModelReceivesModelHooks)
{
    ViewModel& vm = ViewModel::shared();
    EXPECT_EQ(&vm, &ViewModel::shared());
    const int before = vm.redraws();
    requestRedraw();
    EXPECT_EQ(vm.redraws(), before + 1);

    Viewport2D viewport(false);
    vm.registerViewport(&viewport);
    vm.setActiveViewport(&viewport);
    viewport.firstTime = false;
    requestRedraw(Redraw::model | Redraw::fit);
    EXPECT_TRUE(viewport.firstTime);
    // A request says what changed: only the model is measured again; a
    // view, selection or panel change draws no frame.
    const int sheetRedraws = vm.sheetRedraws();
    const int displays = viewport.displays();
    requestRedraw(Redraw::display);
    vm.requestRedraw(Redraw::view | Redraw::selection);
    vm.requestRedraw(Redraw::panels);
    EXPECT_EQ(vm.sheetRedraws(), sheetRedraws);
    EXPECT_EQ(viewport.displays(), displays + 1);
    vm.setDraggingOrZooming(false);

    // A failed read reaches the user as the view model's alert.
    vm.setAlertItem(std::nullopt);
    EXPECT_FALSE(Design::shared().open("/nonexistent/folder/x.project"));
    ASSERT_TRUE(vm.alertItem().has_value());
    EXPECT_TRUE(vm.alertItem()->title.startsWith("Could not open ") || vm.alertItem()->message.startsWith("Could not open "));
    vm.setAlertItem(std::nullopt);
    vm.setActiveViewport(nullptr);
    vm.unregisterViewport(&viewport);
}

TEST(ViewModel, ViewportsLeaveTheListWhenDestroyed)
{
    ViewModel& vm = ViewModel::shared();
    {
        Viewport2D a(true), b(false);
        vm.registerViewport(&a);
        vm.registerViewport(&b);
        vm.registerViewport(&a); // once only
        vm.setActiveViewport(&b);
        EXPECT_EQ(vm.viewports().size(), 2u);
        EXPECT_EQ(vm.activeViewport2D(), &b);
    }
    EXPECT_TRUE(vm.viewports().empty());
    EXPECT_EQ(vm.activeViewport2D(), nullptr);
}

TEST(ViewModel, SelectionClearTakesTheEntityFlagAlong)
{
    ScratchSettings scratch;
    ViewModel vm;
    auto e = std::make_shared<Entity>(nullptr);
    e->selected = true;
    QSignalSpy spy(&vm, &ViewModel::selectedEntityChanged);
    vm.setSelectedEntity(e);
    vm.clearSelection();
    EXPECT_FALSE(e->selected);
    EXPECT_EQ(vm.selectedEntity(), nullptr);
    EXPECT_EQ(spy.count(), 2);
}
