#include "AppTestSupport.h"

#include "app/DesignOpener.h"
#include "app/LayerSettingsView.h"
#include "app/LeftSidePanel.h"
#include "app/SignIn.h"
#include "app/TessalineApp.h"
#include "app/TipStore.h"
#include "app/VersionInfo.h"
#include "editors/NumberField.h"
#include "viewport/GraphicsViewport.h"
#include "viewport/RecentFiles.h"

#include <QApplication>
#include <QColorDialog>
#include <QCursor>
#include <QJsonDocument>
#include <QLineEdit>
#include <QPointer>
#include <QJsonObject>
#include <QFileDialog>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

TEST(TessalineAppTest, StartUpOpensTheQuorlanSampleOnTheSchematicTab)
{
    ViewModel::shared().setAlertItem(std::nullopt);
    ViewModel::shared().isShowingPCB = false;
    TessalineApp app;
    EXPECT_TRUE(app.toggleSetting);
    EXPECT_EQ(ViewModel::shared().designShortName(), "Quorlan");
    EXPECT_FALSE(ViewModel::shared().alertItem().has_value());
    EXPECT_FALSE(ViewModel::shared().designURL.has_value());

    // The sample is a real design: a schematic sheet and a two-sided board.
    auto state = Design::shared().currentDesignState();
    ASSERT_EQ(state->schematics.size(), 1u);
    EXPECT_EQ(state->schematics.front()->name, "Main");
    EXPECT_TRUE(state->schematics.front()->schematicSettings.showPage);
    ASSERT_EQ(state->pcb->layerList.count(), 12);
    EXPECT_EQ(state->pcb->layerList.bottomLayer, 6);
    EXPECT_EQ(state->pcb->layerList.layerAt(5)->name, "Top Copper");
    EXPECT_TRUE(state->pcb->layerList.layerAt(5)->electricalLayer);
    EXPECT_TRUE(state->pcb->pcbSettings.showGrid);

    MainWindow& window = app.window();
    EXPECT_EQ(window.mainView()->value(), MainView::schematicTab);
    EXPECT_FALSE(ViewModel::shared().isShowingPCB);
    EXPECT_EQ(ViewModel::shared().activeViewport2D(), window.mainView()->schematicViewport()->viewport());
}

TEST(TessalineAppTest, AMissingSampleStartsWithoutAnAlert)
{
    ViewModel::shared().setAlertItem(std::nullopt);
    ViewModel::shared().setDesignShortName("Before");
    const auto state = Design::shared().currentDesignState();
    TessalineApp app(QStringLiteral("NoSuchSample"));
    EXPECT_FALSE(ViewModel::shared().alertItem().has_value());
    EXPECT_EQ(ViewModel::shared().designShortName(), "Before");
    EXPECT_EQ(Design::shared().currentDesignState(), state);
}

TEST(TessalineAppTest, OpensAreReadOffTheWindowThreadAndSwappedInAsAnOpenDoesTheLastAskedWinning)
{
    ViewModel& vm = ViewModel::shared();
    vm.setAlertItem(std::nullopt);
    const QList<QUrl> savedRecent = recentFiles();
    recentFiles().clear();
    QTemporaryDir dir;
    const auto copy = [&dir](const char* name, const char* source) {
        EXPECT_TRUE(QFile::copy(QStringLiteral(BRINDLEX_TEST_DATA "/") + QLatin1String(source), dir.filePath(name)));
        return QUrl::fromLocalFile(dir.filePath(name));
    };
    const QUrl first = copy("first.project", "basic.project");
    const QUrl second = copy("second.project", "shapes.project");
    const QUrl third = copy("third.project", "pads.project");
    const QUrl missing = QUrl::fromLocalFile(dir.filePath("missing.project"));
    TessalineApp app;
    DesignOpener& opener = app.opener();
    const auto settle = [&opener] {
        for (int i = 0; i < 6000 && opener.pending(); ++i)
            QTest::qWait(5);
        ASSERT_FALSE(opener.pending());
    };
    const auto state = [] { return Design::shared().currentDesignState(); };
    const auto startup = state();

    // The open panel's choice: the call returns before the read is adopted,
    // the design before still open and the list untouched; once adopted,
    // the file leads the list.
    app.window().show();
    app.window().findChild<QAction*>(QStringLiteral("openAction"))->trigger();
    QFileDialog* dialog = app.window().findChild<QFileDialog*>();
    ASSERT_NE(dialog, nullptr);
    emit dialog->fileSelected(first.toLocalFile());
    dialog->reject();
    EXPECT_TRUE(opener.pending());
    EXPECT_EQ(state(), startup);
    EXPECT_EQ(vm.designShortName(), "Quorlan");
    EXPECT_TRUE(recentFiles().isEmpty());
    settle();
    EXPECT_NE(state(), startup);
    EXPECT_EQ(vm.designShortName(), "first");
    EXPECT_EQ(vm.designURL, first);
    EXPECT_EQ(recentFiles(), QList<QUrl>({first}));
    EXPECT_FALSE(vm.alertItem().has_value());

    // Two opens in a row: the second wins, the first is neither shown nor
    // listed. The geometry pass came with the read.
    opener.openFile(third);
    opener.openFile(second);
    settle();
    EXPECT_EQ(vm.designShortName(), "second");
    EXPECT_EQ(recentFiles(), QList<QUrl>({second, first}));
    EXPECT_TRUE(state()->schematics.front()->entityList.boundingBox.valid);

    // A file that cannot be read: the alert once the read is done, the
    // design and the list as they were.
    const auto shown = state();
    opener.openFile(missing);
    EXPECT_FALSE(vm.alertItem().has_value());
    settle();
    ASSERT_TRUE(vm.alertItem().has_value());
    EXPECT_EQ(vm.alertItem()->title, "Could not open " + missing.toLocalFile());
    EXPECT_EQ(state(), shown);
    EXPECT_EQ(vm.designShortName(), "second");
    EXPECT_EQ(recentFiles(), QList<QUrl>({second, first}));
    vm.setAlertItem(std::nullopt);

    // Overtaken by an open made on the window's thread meanwhile.
    opener.openFile(third);
    vm.openSampleDesign(QStringLiteral("Quorlan"));
    const auto sample = state();
    settle();
    EXPECT_EQ(state(), sample);
    EXPECT_EQ(vm.designShortName(), "Quorlan");
    EXPECT_EQ(recentFiles(), QList<QUrl>({second, first}));

    // A click on a recent document or a sample goes the same way.
    vm.requestRedraw(Redraw::model);
    auto* recent = app.window().findChild<RecentFilesView*>();
    ASSERT_NE(recent, nullptr);
    recent->openRecentFile(second);
    EXPECT_EQ(state(), sample);
    settle();
    EXPECT_EQ(vm.designShortName(), "second");
    auto* samples = app.window().findChild<SampleView*>();
    ASSERT_NE(samples, nullptr);
    samples->openSample(QStringLiteral("Quorlan"));
    EXPECT_EQ(vm.designShortName(), "second");
    settle();
    EXPECT_EQ(vm.designShortName(), "Quorlan");
    EXPECT_FALSE(state()->schematics.empty());

    QSettings().remove("openDirectory");
    recentFiles() = savedRecent;
    saveRecentFiles();
}

TEST(TessalineAppTest, ASwapWaitsForTheDialogOpenTakesNoWidgetFromUnderItAndLeavesAloneWhatTheUserDoes)
{
    ViewModel& vm = ViewModel::shared();
    vm.setAlertItem(std::nullopt);
    const QList<QUrl> savedRecent = recentFiles();
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(QStringLiteral(BRINDLEX_TEST_DATA "/basic.project"), dir.filePath("basic.project")));
    ASSERT_TRUE(QFile::copy(QStringLiteral(BRINDLEX_TEST_DATA "/shapes.project"), dir.filePath("shapes.project")));
    const QUrl file = QUrl::fromLocalFile(dir.filePath("basic.project"));
    const QUrl shapes = QUrl::fromLocalFile(dir.filePath("shapes.project"));
    TessalineApp app;
    DesignOpener& opener = app.opener();
    const auto state = [] { return Design::shared().currentDesignState(); };
    const auto waitFor = [](const std::function<bool()>& done) {
        for (int i = 0; i < 6000 && !done(); ++i)
            QTest::qWait(5);
        ASSERT_TRUE(done());
    };
    const auto busyPointer = [] {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        return cursor && cursor->shape() == Qt::BusyCursor;
    };
    app.window().show();
    app.window().mainView()->setValue(MainView::pcbTab);
    auto* layers = app.window().findChild<LayerSettingsViewTab*>();
    ASSERT_NE(layers, nullptr);
    layers->refresh();
    ASSERT_GT(layers->rowCount(), 4);

    // A layer's colour dialog open across the read: the swap waits for it,
    // the busy pointer does not.
    const QPointer<LayerColorPicker> picker = layers->colorPicker(4);
    QTest::mouseClick(picker, Qt::LeftButton);
    const QPointer<QColorDialog> dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    const auto startup = state();
    opener.openFile(file);
    EXPECT_TRUE(busyPointer());
    waitFor([&opener] { return opener.held(); });
    QTest::qWait(50);
    EXPECT_EQ(state(), startup);
    EXPECT_TRUE(opener.pending());
    EXPECT_FALSE(busyPointer());
    ASSERT_FALSE(picker.isNull());
    // Its owner gone under it (a row replaced), it goes too, and nothing is
    // left waiting on it; then the swap is made.
    delete picker.data();
    EXPECT_TRUE(dialog.isNull());
    waitFor([&opener] { return !opener.pending(); });
    EXPECT_NE(state(), startup);
    EXPECT_EQ(vm.designShortName(), "basic");
    EXPECT_FALSE(busyPointer());

    // A property editor's field being typed in when a read is swapped in
    // commits its edit into the design it was made for, before the swap,
    // and is let go.
    opener.openFile(shapes);
    waitFor([&opener] { return !opener.pending(); });
    auto* panel = app.window().findChild<LeftSidePanelView*>();
    ASSERT_NE(panel, nullptr);
    panel->setSelectedTab(LeftSidePanelView::propertiesPage);
    QPointer<NumberField> field;
    for (const auto& entity : state()->schematics.front()->entityList.entities) {
        vm.setSelectedEntity(entity);
        if (QWidget* editor = panel->propertiesPanel()->editor(); editor && (field = editor->findChild<NumberField*>()))
            break;
    }
    ASSERT_FALSE(field.isNull());
    QApplication::setActiveWindow(&app.window());
    field->setFocus();
    ASSERT_TRUE(field->hasFocus());
    field->selectAll();
    QTest::keyClicks(field, "12");
    const auto edited = state();
    std::shared_ptr<DesignState> committedInto;
    QString committed;
    QObject::connect(field, &QLineEdit::editingFinished, [&] {
        committedInto = state();
        committed = field->text();
    });
    opener.openFile(file);
    waitFor([&opener] { return !opener.pending(); });
    EXPECT_NE(state(), edited);
    EXPECT_EQ(committedInto, edited);
    EXPECT_EQ(committed, "12");
    EXPECT_TRUE(field.isNull() || !field->hasFocus());

    // Any other field keeps the focus and all that is typed in it: none of
    // it goes to the window's shortcuts (M the manual, W the website).
    std::vector<QUrl> browsed;
    const auto savedOpener = MenuCommands::urlOpener();
    MenuCommands::urlOpener() = [&browsed](const QUrl& url) {
        browsed.push_back(url);
        return true;
    };
    app.window().findChild<QAction*>(QStringLiteral("accountButton"))->trigger();
    auto* card = app.window().findChild<SignIn*>();
    ASSERT_NE(card, nullptr);
    QLineEdit* login = card->loginField();
    login->setFocus();
    ASSERT_TRUE(login->hasFocus());
    login->selectAll();
    QTest::keyClicks(nullptr, "ann");
    opener.openFile(shapes);
    waitFor([&opener] { return !opener.pending(); });
    EXPECT_EQ(vm.designShortName(), "shapes");
    QTest::keyClicks(nullptr, "mw");
    EXPECT_TRUE(login->hasFocus());
    EXPECT_EQ(login->text().toStdString(), "annmw");
    EXPECT_EQ(vm.login().toStdString(), "annmw");
    EXPECT_TRUE(browsed.empty());
    MenuCommands::urlOpener() = savedOpener;
    login->clear();
    card->passwordField()->clear();
    vm.setLogin(QString());
    vm.setIsShowingAccountView(false);

    recentFiles() = savedRecent;
    saveRecentFiles();
}

TEST(TessalineAppTest, EveryShowingOfTheWindowStartsAFreshTipStore)
{
    TipStore& tips = TipStore::shared();
    tips.resetDatastore();
    tips.configure({TipStore::DisplayFrequency::daily});
    tips.invalidate(ShowGridTooltip(), TipStore::InvalidationReason::actionPerformed);

    TessalineApp app(QStringLiteral("NoSuchSample"));
    app.window().show();
    EXPECT_FALSE(tips.isInvalidated(ShowGridTooltip().identifier));
    EXPECT_TRUE(tips.isConfigured());
    EXPECT_EQ(tips.displayFrequency(), TipStore::DisplayFrequency::immediate);
    ASSERT_EQ(tips.options().size(), 2u);
    EXPECT_TRUE(std::holds_alternative<TipStore::DisplayFrequency>(tips.options()[0]));
    EXPECT_TRUE(std::holds_alternative<TipStore::DatastoreLocation>(tips.options()[1]));

    // Configuring twice fails and changes nothing; a reset allows it again.
    EXPECT_FALSE(tips.configure({TipStore::DisplayFrequency::weekly}));
    EXPECT_EQ(tips.displayFrequency(), TipStore::DisplayFrequency::immediate);
    app.window().hide();
    app.window().show();
    EXPECT_TRUE(tips.isConfigured());
    EXPECT_EQ(tips.options().size(), 2u);
}

TEST(VersionInfoTest, DecodesOnlyWhenBothFieldsAreStrings)
{
    auto decode = [](const char* json) {
        return VersionInfo::decode(QJsonDocument::fromJson(QByteArray(json)).object());
    };
    const auto info = decode(R"({"Version": "1.4", "Date": "2024-05-01", "Extra": 3})");
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->Version, "1.4");
    EXPECT_EQ(info->Date, "2024-05-01");
    EXPECT_FALSE(decode(R"({"Version": "1.4"})").has_value());
    EXPECT_FALSE(decode(R"({"Version": 14, "Date": "2024"})").has_value());
    EXPECT_FALSE(decode(R"({"version": "1.4", "date": "2024"})").has_value());
    EXPECT_EQ(VersionInfo().Version, "Unknown");
}
