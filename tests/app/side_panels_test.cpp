#include "AppTestSupport.h"

#include "app/LeftSidePanel.h"
#include "app/PanelWidgets.h"
#include "app/RightSidePanel.h"
#include "app/SettingsView.h"
#include "core/Util.h"
#include "editors/EntityEditor.h"
#include "editors/ImageButton.h"
#include "entities/footprints/SurfaceMountPackages.h"
#include "entities/footprints/TwoSidedFootprint.h"
#include "entities/pcb/Pad.h"
#include "model/EntityList.h"
#include "viewport/RecentFiles.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QPainter>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QScreen>
#include <QScrollArea>
#include <QToolButton>

namespace {

const char* kRecentKey = "RecentFile%1";

// A copy of a test design under a chosen file name.
QUrl designCopy(const QTemporaryDir& dir, const QString& fileName, const char* source = "basic.project")
{
    const QString path = dir.filePath(fileName);
    QFile::remove(path);
    EXPECT_TRUE(QFile::copy(QStringLiteral(BRINDLEX_TEST_DATA "/") + QLatin1String(source), path));
    return QUrl::fromLocalFile(path);
}

int storedRecentKeys()
{
    QSettings settings;
    int count = 0;
    for (int i = 0; i < kMaxRecentFiles; ++i)
        count += settings.contains(QString::fromLatin1(kRecentKey).arg(i));
    return count;
}

class SidePanelTest : public AppWindowTest {
protected:
    void SetUp() override
    {
        savedRecent = recentFiles();
        recentFiles().clear();
        saveRecentFiles();
        AppWindowTest::SetUp();
        window->show();
        QCoreApplication::processEvents();
    }
    void TearDown() override
    {
        AppWindowTest::TearDown();
        vm().clearSelection();
        vm().isShowingPCB = false;
        recentFiles() = savedRecent;
        saveRecentFiles();
    }

    LeftSidePanelView* left() { return window->findChild<LeftSidePanelView*>(); }
    RightSidePanelView* right() { return window->findChild<RightSidePanelView*>(); }
    SettingsView* floating() { return window->findChild<SettingsView*>(); }
    // The main window's tab switch, as the user makes it.
    void showTab(int tag) { view().setValue(tag); }

    QList<QUrl> savedRecent;
};

} // namespace

// ---- pages and their keys ----

TEST_F(SidePanelTest, LeftPanelStartsOnTheStoredPageAndStoresEveryChoice)
{
    QSettings().remove("LeftSidePanelSelectedTab");
    LeftSidePanelView first(vm(), MainViewWithSidePanel::leftSidePanelSelectedTab());
    EXPECT_EQ(first.currentPage(), first.propertiesPanel());
    EXPECT_EQ(first.tabBar()->checkedSegment(), first.tabBar()->segment(0));
    ASSERT_EQ(first.tabBar()->count(), 3);
    EXPECT_EQ(first.tabBar()->segment(0)->toolTip(), "The properties editor");
    EXPECT_EQ(first.tabBar()->segment(1)->toolTip(), "Recent documents");
    EXPECT_EQ(first.tabBar()->segment(2)->toolTip(), "Sample designs");

    first.tabBar()->segment(2)->click();
    EXPECT_EQ(first.currentPage(), first.sampleView());
    EXPECT_EQ(QSettings().value("LeftSidePanelSelectedTab").toInt(), 2);
    // The next start opens on the same page.
    LeftSidePanelView next(vm(), MainViewWithSidePanel::leftSidePanelSelectedTab());
    EXPECT_EQ(next.currentPage(), next.sampleView());
    next.tabBar()->segment(1)->click();
    EXPECT_EQ(next.currentPage(), next.recentFilesView());

    // Out of range, or not a number: read as the first page, its segment
    // chosen; the last page is the last in range.
    for (const QVariant& odd : {QVariant(7), QVariant(3), QVariant(-1), QVariant("two")}) {
        QSettings().setValue("LeftSidePanelSelectedTab", odd);
        EXPECT_EQ(MainViewWithSidePanel::leftSidePanelSelectedTab(), 0) << odd.toString().toStdString();
    }
    QSettings().setValue("LeftSidePanelSelectedTab", 7);
    LeftSidePanelView odd(vm(), MainViewWithSidePanel::leftSidePanelSelectedTab());
    EXPECT_EQ(odd.currentPage(), odd.propertiesPanel());
    EXPECT_EQ(odd.tabBar()->checkedSegment(), odd.tabBar()->segment(0));
    EXPECT_EQ(QSettings().value("LeftSidePanelSelectedTab").toInt(), 0);
    QSettings().setValue("LeftSidePanelSelectedTab", 2);
    EXPECT_EQ(MainViewWithSidePanel::leftSidePanelSelectedTab(), 2);
    QSettings().remove("LeftSidePanelSelectedTab");
}

TEST_F(SidePanelTest, RightPanelStartsOnTheStoredPageAndStoresEveryChoice)
{
    QSettings().remove("RightSidePanelSelectedTab");
    RightSidePanelView first(vm(), MainViewWithSidePanel::rightSidePanelSelectedTab());
    EXPECT_EQ(first.currentPage(), first.viewSettingsTab());
    ASSERT_EQ(first.tabBar()->count(), 2);
    EXPECT_EQ(first.tabBar()->segment(0)->toolTip(), "The settings");
    EXPECT_EQ(first.tabBar()->segment(1)->toolTip(), "PCB layers");
    first.tabBar()->segment(1)->click();
    EXPECT_EQ(first.currentPage(), first.layerSettingsTab());
    EXPECT_EQ(first.layerSettingsTab()->objectName(), "layerSettingsViewTab");
    EXPECT_EQ(QSettings().value("RightSidePanelSelectedTab").toInt(), 1);
    RightSidePanelView next(vm(), MainViewWithSidePanel::rightSidePanelSelectedTab());
    EXPECT_EQ(next.currentPage(), next.layerSettingsTab());

    // Out of range: the first page, its segment chosen.
    for (const int odd : {99, 2, -1}) {
        QSettings().setValue("RightSidePanelSelectedTab", odd);
        EXPECT_EQ(MainViewWithSidePanel::rightSidePanelSelectedTab(), 0) << odd;
    }
    QSettings().setValue("RightSidePanelSelectedTab", 99);
    RightSidePanelView odd(vm(), MainViewWithSidePanel::rightSidePanelSelectedTab());
    EXPECT_EQ(odd.currentPage(), odd.viewSettingsTab());
    EXPECT_EQ(odd.tabBar()->checkedSegment(), odd.tabBar()->segment(0));
    EXPECT_EQ(QSettings().value("RightSidePanelSelectedTab").toInt(), 0);
    QSettings().remove("RightSidePanelSelectedTab");
}

TEST_F(SidePanelTest, FloatingPanelShowsItsTabBarOnlyOnThePcbAndStoresTheTabWhenTheBarGoes)
{
    SettingsView* panel = floating();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->titleLabel()->text(), "View");
    EXPECT_EQ(panel->maximumWidth(), 340);
    vm().setShowSettingsPanel(true);

    // The schematic: the view settings alone.
    EXPECT_TRUE(panel->tabBar()->isHidden());
    EXPECT_EQ(panel->currentPage(), panel->viewSettingsTab());

    QSettings().remove("LayersViewSelectedTab");
    showTab(MainView::pcbTab);
    EXPECT_FALSE(panel->tabBar()->isHidden());
    ASSERT_EQ(panel->tabBar()->count(), 2);
    EXPECT_EQ(panel->tabBar()->segment(0)->text(), "Layers");
    EXPECT_EQ(panel->tabBar()->segment(1)->text(), "Show");
    panel->tabBar()->segment(0)->click();
    EXPECT_EQ(panel->currentPage(), panel->layerSettingsTab());
    panel->tabBar()->segment(1)->click();
    EXPECT_EQ(panel->currentPage(), panel->viewSettingsTab());
    EXPECT_FALSE(QSettings().contains("LayersViewSelectedTab"));

    // Leaving the PCB takes the bar away: the tab is kept.
    showTab(MainView::schematicTab);
    EXPECT_EQ(QSettings().value("LayersViewSelectedTab").toInt(), 1);
    EXPECT_EQ(panel->currentPage(), panel->viewSettingsTab());

    // So does the close button, which also asks for a redraw.
    showTab(MainView::pcbTab);
    panel->tabBar()->segment(0)->click();
    const int redraws = vm().redraws();
    panel->closeButton()->click();
    EXPECT_FALSE(vm().showSettingsPanel());
    EXPECT_GT(vm().redraws(), redraws);
    EXPECT_TRUE(view().settingsPanelHost()->isHidden());
    EXPECT_EQ(QSettings().value("LayersViewSelectedTab").toInt(), 0);
    // Read back, a page out of range is the first.
    for (const int stored : {1, 2, -1}) {
        QSettings().setValue("LayersViewSelectedTab", stored);
        EXPECT_EQ(MainViewWithSidePanel::layersViewSelectedTab(), stored == 1 ? 1 : 0) << stored;
    }
    QSettings().remove("LayersViewSelectedTab");
}

TEST_F(SidePanelTest, FloatingPanelHeightFollowsTheLayerCountAndTheScreen)
{
    SettingsView* panel = floating();
    auto& layers = Design::shared().currentDesignState()->pcb->layerList.layers;
    const auto saved = layers;
    layers.resize(10, std::make_shared<PcbLayer>());
    const int screenLimit = QGuiApplication::primaryScreen()
        ? int(std::lround(0.9 * QGuiApplication::primaryScreen()->geometry().height())) : 810;
    EXPECT_EQ(panel->maximumPanelHeight(), std::min(650, screenLimit));
    layers.clear();
    EXPECT_EQ(panel->maximumPanelHeight(), std::min(250, screenLimit));
    layers = saved;
}

TEST_F(SidePanelTest, FloatingPanelFitsTheSheetAreaAtTheNarrowestWindowWithBothPanels)
{
    SettingsView* panel = floating();
    QWidget* host = view().settingsPanelHost();
    vm().setShowSettingsPanel(true);
    showTab(MainView::pcbTab);
    QCoreApplication::processEvents();
    EXPECT_EQ(host->width(), 340);

    window->resize(1, 600); // held at the window's minimum width
    QCoreApplication::processEvents();
    ASSERT_TRUE(left() && right());
    const QRect area = view().rect();
    ASSERT_LT(area.width(), 340 + 20);
    EXPECT_TRUE(area.contains(host->geometry())) << area.width() << " " << host->width();
    EXPECT_GE(host->width(), SettingsView::minimumPanelWidth);
    EXPECT_GE(host->height(), SettingsView::minimumPanelHeight);
    // Title, close button, tab bar and page all show inside the panel; a
    // page narrower than its controls scrolls rather than squeezing them.
    for (QWidget* part : {static_cast<QWidget*>(panel->closeButton()), static_cast<QWidget*>(panel->tabBar()),
             static_cast<QWidget*>(panel->pageScrollArea())}) {
        const QRect inView(part->mapTo(&view(), QPoint(0, 0)), part->size());
        EXPECT_TRUE(host->geometry().contains(inView)) << part->objectName().toStdString();
        EXPECT_GT(part->width(), 0);
    }
    for (int page : {int(SettingsView::layersPage), int(SettingsView::showPage)}) {
        panel->setSelectedTab(page);
        QCoreApplication::processEvents();
        QWidget* shown = panel->currentPage();
        EXPECT_GE(shown->width(), shown->minimumSizeHint().width()) << page;
    }

    window->resize(1200, 800);
    QCoreApplication::processEvents();
    EXPECT_EQ(host->width(), 340);
    EXPECT_EQ(host->geometry().right(), view().width() - 10 - 1);
}

// ---- properties ----

TEST_F(SidePanelTest, PropertiesPageShowsThePickedEntitysEditor)
{
    ASSERT_TRUE(vm().loadDesign(QUrl::fromLocalFile(QStringLiteral(BRINDLEX_TEST_DATA "/pads.project"))));
    PropertiesPanel* page = left()->propertiesPanel();
    EXPECT_EQ(page->editor(), nullptr);
    EXPECT_EQ(page->scrollArea()->widget(), nullptr);

    auto& entities = Design::shared().currentDesignState()->pcb->entityList.entities;
    ASSERT_GE(entities.size(), 2u);
    vm().setSelectedEntity(entities.at(0));
    QWidget* editor = page->editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(page->scrollArea()->widget(), editor);
    // Picking the same entity again keeps its editor.
    vm().setSelectedEntity(entities.at(0));
    EXPECT_EQ(page->editor(), editor);
    vm().setSelectedEntity(entities.at(1));
    EXPECT_NE(page->editor(), nullptr);

    vm().clearSelection();
    EXPECT_EQ(page->editor(), nullptr);
    EXPECT_EQ(page->scrollArea()->widget(), nullptr);
}

// ---- recent documents ----

TEST_F(SidePanelTest, RecentPageListsShortNamesAndClearEmptiesTheStore)
{
    RecentFilesView* page = left()->recentFilesView();
    EXPECT_FALSE(page->emptyHeader()->isHidden());
    EXPECT_EQ(page->emptyHeader()->text(), "No recent files");
    EXPECT_TRUE(page->clearButton()->isHidden());
    EXPECT_EQ(page->list()->rowCount(), 0);

    QTemporaryDir dir;
    recentFiles() = {designCopy(dir, "plan.project.project"), designCopy(dir, "plan.b.project"),
        designCopy(dir, "board.project")};
    saveRecentFiles();
    vm().requestRedraw(Redraw::model);
    EXPECT_TRUE(page->emptyHeader()->isHidden());
    EXPECT_FALSE(page->clearButton()->isHidden());
    EXPECT_EQ(page->clearButton()->text(), "Clear");
    EXPECT_EQ(page->clearButton()->toolTip(), "Clear the recent files list");
    EXPECT_EQ(page->shownNames(), QStringList({"plan", "plan.b", "board"}));
    EXPECT_EQ(page->list()->rowCount(), 3);
    EXPECT_EQ(storedRecentKeys(), 3);

    const int redraws = vm().redraws();
    page->clearButton()->click();
    EXPECT_EQ(vm().redraws(), redraws + 1);
    EXPECT_TRUE(recentFiles().isEmpty());
    EXPECT_EQ(storedRecentKeys(), 0);
    EXPECT_FALSE(page->emptyHeader()->isHidden());
    EXPECT_TRUE(page->clearButton()->isHidden());
    // The next start finds nothing.
    loadRecentFiles();
    EXPECT_TRUE(recentFiles().isEmpty());
}

TEST_F(SidePanelTest, NoKeyClearsTheRecentListAndQuestionMarkOnlyTogglesAbout)
{
    left()->setSelectedTab(LeftSidePanelView::recentFilesPage);
    QTemporaryDir dir;
    const QList<QUrl> files = {designCopy(dir, "one.project")};
    recentFiles() = files;
    saveRecentFiles();
    vm().requestRedraw(Redraw::model);
    RecentFilesView* page = left()->recentFilesView();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(page->clearButton()->focusPolicy(), Qt::NoFocus);

    for (QWidget* target : {static_cast<QWidget*>(page), static_cast<QWidget*>(page->list())}) {
        target->setFocus();
        QCoreApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Question);
        EXPECT_TRUE(vm().isShowingAboutView());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Question);
        EXPECT_FALSE(vm().isShowingAboutView());
        for (int key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Delete, Qt::Key_Backspace,
                 Qt::Key_C, Qt::Key_Escape})
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        EXPECT_EQ(recentFiles(), files);
        EXPECT_EQ(storedRecentKeys(), 1);
    }
}

TEST_F(SidePanelTest, ClickOnARecentDocumentOpensItAndAVanishedOneRaisesTheAlert)
{
    QTemporaryDir dir;
    const QUrl kept = designCopy(dir, "kept.project");
    const QUrl shapes = designCopy(dir, "shapes.project", "shapes.project");
    const QUrl gone = designCopy(dir, "gone.project");
    recentFiles() = {kept, shapes, gone};
    saveRecentFiles();
    vm().requestRedraw(Redraw::model);
    RecentFilesView* page = left()->recentFilesView();

    auto nameLabel = [page](const QString& name) -> ClickableLabel* {
        for (auto* label : page->findChildren<ClickableLabel*>("recentFileName"))
            if (label->text() == name)
                return label;
        return nullptr;
    };

    ASSERT_EQ(page->shownNames(), QStringList({"kept", "shapes", "gone"}));
    ASSERT_NE(nameLabel("shapes"), nullptr);
    // A click on the image does nothing.
    auto* row = nameLabel("shapes")->parentWidget();
    QTest::mouseClick(row->findChild<QLabel*>("rowImage"), Qt::LeftButton);
    EXPECT_NE(vm().designShortName(), "shapes");

    const int redraws = vm().redraws();
    QTest::mouseClick(nameLabel("shapes"), Qt::LeftButton);
    ASSERT_TRUE(pendingRecentFileURL().has_value());
    EXPECT_EQ(*pendingRecentFileURL(), shapes);
    EXPECT_TRUE(vm().isShowingOpen());
    EXPECT_GT(vm().redraws(), redraws);
    // Opened as the open panel opens a file: it leads the list now.
    EXPECT_EQ(vm().designShortName(), "shapes");
    EXPECT_EQ(vm().designURL, shapes);
    EXPECT_FALSE(vm().alertItem().has_value());
    EXPECT_EQ(page->shownNames(), QStringList({"shapes", "kept", "gone"}));

    // A document deleted since it was listed: the alert, the design stays.
    ASSERT_TRUE(QFile::remove(gone.toLocalFile()));
    const auto state = Design::shared().currentDesignState();
    QTest::mouseClick(nameLabel("gone"), Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_TRUE(vm().alertItem().has_value());
    EXPECT_TRUE(vm().alertItem()->title.startsWith("Could not open "));
    EXPECT_EQ(Design::shared().currentDesignState(), state);
    EXPECT_EQ(vm().designShortName(), "shapes");
    EXPECT_EQ(*pendingRecentFileURL(), gone);
    vm().setAlertItem(std::nullopt);

    // The list still answers.
    QTest::mouseClick(nameLabel("kept"), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(vm().designShortName(), "kept");
    EXPECT_EQ(page->shownNames(), QStringList({"kept", "shapes", "gone"}));
}

// ---- samples ----

TEST_F(SidePanelTest, SamplesAreListedWithTheOpenOneInBoldAndOpenWithoutTouchingTheRecentList)
{
    const QStringList& names = sampleDesignNames();
    ASSERT_EQ(names.size(), 11);
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), 11);
    EXPECT_TRUE(names.contains("Quorlan"));

    QTemporaryDir dir;
    recentFiles() = {designCopy(dir, "mine.project")};
    saveRecentFiles();
    SampleView* page = left()->sampleView();
    EXPECT_EQ(page->list()->rowCount(), 11);

    for (const QString& name : names) {
        ClickableLabel* label = page->nameLabel(name);
        ASSERT_NE(label, nullptr) << name.toStdString();
        QTest::mouseClick(label, Qt::LeftButton);
        EXPECT_FALSE(vm().alertItem().has_value()) << name.toStdString();
        EXPECT_EQ(vm().designShortName(), name);
        EXPECT_FALSE(Design::shared().currentDesignState()->schematics.empty()) << name.toStdString();
        for (const QString& other : names)
            EXPECT_EQ(page->nameLabel(other)->font().bold(), other == name) << other.toStdString();
    }
    EXPECT_EQ(recentFiles(), QList<QUrl>({designCopy(dir, "mine.project")}));
    EXPECT_EQ(storedRecentKeys(), 1);

    // A design of another name: no row is bold.
    ASSERT_TRUE(vm().loadDesign(recentFiles().front()));
    for (const QString& name : names)
        EXPECT_FALSE(page->nameLabel(name)->font().bold());
    QTest::mouseClick(page->nameLabel("Quorlan"), Qt::LeftButton);
    EXPECT_TRUE(page->nameLabel("Quorlan")->font().bold());
}

TEST_F(SidePanelTest, SampleBoardsHoldPackageFamiliesThatDrawPickAndShowLikeTheirFootprints)
{
    // Families by type name, per sample; a two-row or quad package's
    // parameters agree with the pins it stores.
    QMap<QString, QSet<QString>> families;
    QSet<QString> all;
    for (const QString& name : sampleDesignNames()) {
        vm().openSampleDesign(name);
        ASSERT_EQ(vm().designShortName(), name);
        for (const auto& entity : Design::shared().currentDesignState()->pcb->entityList.entities) {
            auto* footprint = dynamic_cast<ParametricFootprint*>(entity.get());
            if (!footprint)
                continue;
            families[name].insert(footprint->typeName());
            all.insert(footprint->typeName());
            QSet<QString> pins;
            for (const auto& child : footprint->children.entities)
                if (auto* pad = dynamic_cast<Pad*>(child.get()))
                    pins.insert(pad->name());
            ASSERT_FALSE(pins.isEmpty()) << footprint->identifier.toStdString();
            const std::string id = footprint->identifier.toStdString();
            if (auto* twoRow = dynamic_cast<TwoSidedFootprint*>(footprint)) {
                EXPECT_EQ(pins.size(), twoRow->rows * (twoRow->doubleSided ? 2 : 1)) << id;
            }
            if (auto* quad = dynamic_cast<QuadFootprint*>(footprint)) {
                EXPECT_EQ(pins.size(), 2 * (quad->rows + quad->columns) + quad->addCenterPads) << id;
            }
        }
    }
    int samplesWithFamilies = 0;
    for (const QSet<QString>& kinds : families)
        samplesWithFamilies += kinds.size() >= 4;
    EXPECT_GE(samplesWithFamilies, 2);
    for (const char* kind : {"Male Header Footprint", "XH Socket", "Chip Footprint", "Radial Footprint",
             "Axial Footprint", "SOIC Footprint", "Quad Footprint", "Generic Footprint"})
        EXPECT_TRUE(all.contains(kind)) << kind;

    // Quorlan's board draws exactly as it does with every family written as
    // a plain footprint, and a click on a family's pad picks the family.
    QFile file(QStringLiteral(":/samples/Quorlan.project"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray parametric = file.readAll();
    QByteArray plain = QString::fromUtf8(parametric)
                           .replace(QRegularExpression(QStringLiteral("(</?)[A-Za-z0-9]*Footprint\\b")),
                               QStringLiteral("\\1footprint"))
                           .toUtf8();
    ASSERT_NE(plain, parametric);
    const bool showedFrameRate = vm().showFrameRate;
    vm().showFrameRate = false;
    auto render = [](const QByteArray& bytes) {
        EXPECT_TRUE(Design::shared().loadFromBytes(bytes, QStringLiteral("Quorlan.project")));
        Viewport2D view(true);
        view.resize(900, 600);
        view.fit();
        QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        view.render(&image);
        return image;
    };
    const QImage plainImage = render(plain);
    EXPECT_TRUE(render(parametric) == plainImage);
    vm().showFrameRate = showedFrameRate;

    std::shared_ptr<Entity> header;
    for (const auto& entity : Design::shared().currentDesignState()->pcb->entityList.entities)
        if (entity->typeName() == "XH Socket")
            header = entity;
    ASSERT_NE(header, nullptr);
    auto* socket = static_cast<Footprint*>(header.get());
    ASSERT_FALSE(socket->children.entities.empty());
    Viewport2D view(true);
    view.resize(900, 600);
    view.fit();
    const BoundingBox& pad = socket->children.entities.front()->boundingBox;
    ASSERT_TRUE(pad.valid);
    EXPECT_EQ(view.entityAt(view.toWidget((pad.bottomLeft + pad.topRight) / 2)), header);

    // The properties page shows the family's placeholder editor.
    vm().setSelectedEntity(header);
    auto* editor = qobject_cast<NotImplementedEditor*>(left()->propertiesPanel()->editor());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->title(), "XH Socket Footprint");
    EXPECT_EQ(editor->messageLabel()->text(), "Not implemented");
}

// ---- view switches ----

TEST_F(SidePanelTest, EveryPcbSwitchFlipsItsSettingAndAsksForARedraw)
{
    showTab(MainView::pcbTab);
    auto state = Design::shared().currentDesignState();
    PCB& pcb = *state->pcb;
    SheetSettings& schematic = state->schematics.front()->schematicSettings;
    const bool schematicPage = schematic.showPage, schematicGrid = schematic.showGrid;
    const std::vector<std::pair<QString, WrappedBool*>> expected = {
        {"Page", &pcb.pcbSettings.showPage},
        {"Grid", &pcb.pcbSettings.showGrid},
        {"Origin", &pcb.pcbSettings.showOrigin},
        {"PCB Solid", &pcb.layerList.showPcbSolid},
        {"Yellow Pads", &pcb.pcbSettings.showPadsAsSolidYellow},
        {"Holes", &pcb.pcbSettings.showHoles},
        {"Courtyards", &pcb.pcbSettings.showCourtyards},
        {"Placement Points", &pcb.pcbSettings.showPlacementPoints},
        {"Copper Pours", &pcb.pcbSettings.showCopperPours},
        {"Keep Outs", &pcb.pcbSettings.showKeepOuts},
        {"Pad Names", &pcb.pcbSettings.showPadNames},
    };
    // The right panel and the floating panel show the same rows.
    for (ViewSettingsTab* tab : {right()->viewSettingsTab(), floating()->viewSettingsTab()}) {
        QStringList labels;
        for (const auto& [label, field] : expected)
            labels.append(label);
        ASSERT_EQ(tab->shownLabels(), labels);
        for (const auto& [label, field] : expected) {
            QCheckBox* toggle = tab->toggle(label);
            EXPECT_EQ(toggle->isChecked(), field->value()) << label.toStdString();
            const bool before = field->value();
            const int redraws = vm().redraws();
            toggle->click();
            EXPECT_NE(field->value(), before) << label.toStdString();
            EXPECT_GT(vm().redraws(), redraws) << label.toStdString();
            // The other panel follows.
            ViewSettingsTab* other =
                tab == right()->viewSettingsTab() ? floating()->viewSettingsTab() : right()->viewSettingsTab();
            EXPECT_EQ(other->toggle(label)->isChecked(), field->value()) << label.toStdString();
        }
    }
    EXPECT_EQ(schematic.showPage.value(), schematicPage);
    EXPECT_EQ(schematic.showGrid.value(), schematicGrid);
}

TEST_F(SidePanelTest, SchematicSwitchesEditTheFirstSchematicSheetOnlyAndPageRefits)
{
    showTab(MainView::schematicTab);
    auto state = Design::shared().currentDesignState();
    SheetSettings& schematic = state->schematics.front()->schematicSettings;
    PcbSettings& pcb = state->pcb->pcbSettings;
    ViewSettingsTab* tab = right()->viewSettingsTab();
    EXPECT_EQ(tab->shownLabels(), QStringList({"Page", "Grid", "Origin"}));

    const bool pcbPage = pcb.showPage, pcbGrid = pcb.showGrid, pcbOrigin = pcb.showOrigin;
    for (auto [label, field] : std::vector<std::pair<QString, WrappedBool*>>{
             {"Page", &schematic.showPage}, {"Grid", &schematic.showGrid}, {"Origin", &schematic.showOrigin}}) {
        const bool before = field->value();
        const int redraws = vm().redraws();
        tab->toggle(label)->click();
        EXPECT_NE(field->value(), before) << label.toStdString();
        EXPECT_GT(vm().redraws(), redraws) << label.toStdString();
    }
    EXPECT_EQ(pcb.showPage.value(), pcbPage);
    EXPECT_EQ(pcb.showGrid.value(), pcbGrid);
    EXPECT_EQ(pcb.showOrigin.value(), pcbOrigin);

    // The page switch makes the active viewport fit again.
    Viewport2D* port = vm().activeViewport2D();
    ASSERT_NE(port, nullptr);
    port->firstTime = false;
    tab->toggle("Page")->click();
    EXPECT_TRUE(port->firstTime);
}

TEST_F(SidePanelTest, UnitsPickerEditsTheShownSheetAndAsksForARedraw)
{
    auto state = Design::shared().currentDesignState();
    SheetSettings& schematic = state->schematics.front()->schematicSettings;
    PcbSettings& pcb = state->pcb->pcbSettings;
    ViewSettingsTab* tab = right()->viewSettingsTab();
    QStringList labels;
    for (const auto& [label, units] : ViewSettingsTab::unitsChoices())
        labels.append(label);
    EXPECT_EQ(labels, QStringList({"micron", "mm", "cm", "m", "inches"}));

    showTab(MainView::pcbTab);
    schematic.units = Units::mm;
    pcb.units = Units::inch;
    int redraws = vm().redraws();
    tab->unitsChoice("cm")->click();
    EXPECT_EQ(pcb.units, Units::cm);
    EXPECT_EQ(schematic.units, Units::mm);
    EXPECT_GT(vm().redraws(), redraws);
    EXPECT_TRUE(floating()->viewSettingsTab()->unitsChoice("cm")->isChecked());

    // A unit that is not offered marks no choice; "inches" stores inch.
    showTab(MainView::schematicTab);
    schematic.units = Units::thou;
    vm().requestRedraw(Redraw::model);
    for (const QString& label : labels)
        EXPECT_FALSE(tab->unitsChoice(label)->isChecked()) << label.toStdString();
    redraws = vm().redraws();
    tab->unitsChoice("inches")->click();
    EXPECT_EQ(schematic.units, Units::inch);
    EXPECT_EQ(pcb.units, Units::cm);
    EXPECT_GT(vm().redraws(), redraws);
    // Exactly one choice is marked after a click.
    int marked = 0;
    for (const QString& label : labels)
        marked += tab->unitsChoice(label)->isChecked();
    EXPECT_EQ(marked, 1);
}

TEST_F(SidePanelTest, SwitchesFollowANewlyOpenedDesignAndAddItsMissingSchematicSheet)
{
    // pads.project has no schematic sheet.
    ASSERT_TRUE(vm().loadDesign(QUrl::fromLocalFile(QStringLiteral(BRINDLEX_TEST_DATA "/pads.project"))));
    auto state = Design::shared().currentDesignState();
    ASSERT_EQ(state->schematics.size(), 1u);
    showTab(MainView::pcbTab);
    ViewSettingsTab* tab = right()->viewSettingsTab();
    EXPECT_EQ(tab->toggle("Yellow Pads")->isChecked(), state->pcb->pcbSettings.showPadsAsSolidYellow.value());
    tab->toggle("Yellow Pads")->click();
    EXPECT_EQ(tab->toggle("Yellow Pads")->isChecked(), state->pcb->pcbSettings.showPadsAsSolidYellow.value());
    tab->refresh();
    EXPECT_EQ(state->schematics.size(), 1u);
}
