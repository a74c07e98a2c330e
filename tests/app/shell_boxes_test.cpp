#include "AppTestSupport.h"
#include "TestSupport.h"

#include "app/AboutView.h"
#include "app/ColorPanel.h"
#include "app/LayerSettingsView.h"
#include "app/PanelWidgets.h"
#include "app/RightSidePanel.h"
#include "app/SettingsView.h"
#include "app/SignIn.h"
#include "core/Palette.h"
#include "document/PcbLayerList.h"
#include "editors/ImageButton.h"
#include "entities/drawing/Line.h"
#include "entities/drawing/Rectangle.h"
#include "entities/pcb/Pad.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QTimeZone>

namespace {

class ShellBoxesTest : public AppWindowTest {
protected:
    void SetUp() override
    {
        AppWindowTest::SetUp();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override
    {
        vm().clearSelection();
        vm().isShowingPCB = false;
        AppWindowTest::TearDown();
    }

    ColorPanel* colorPanel() { return window->findChild<ColorPanel*>(); }
    RightSidePanelView* right() { return window->findChild<RightSidePanelView*>(); }
    LayerSettingsViewTab* layerTab()
    {
        RightSidePanelView* panel = right();
        panel->setSelectedTab(RightSidePanelView::layerSettingsPage);
        return qobject_cast<LayerSettingsViewTab*>(panel->layerSettingsTab());
    }
    static PcbLayerList& layerList() { return Design::shared().currentDesignState()->pcb->layerList; }

    // A stack of n layers named "L0".."Ln-1", all visible, and a redraw so
    // that the pages see it.
    void makeLayers(int n)
    {
        // Built aside and put in at once, as the reader does.
        std::vector<std::shared_ptr<PcbLayer>> layers;
        for (int i = 0; i < n; ++i) {
            auto layer = std::make_shared<PcbLayer>();
            layer->name = QStringLiteral("L%1").arg(i);
            layer->color = QColor(10 * i % 256, 100, 200);
            layers.push_back(layer);
        }
        PcbLayerList& list = layerList();
        list.layers = std::move(layers);
        list.updateSpecialLayerIndices();
        vm().requestRedraw(Redraw::model);
        QCoreApplication::processEvents();
    }
    std::vector<int> visibleLayers()
    {
        std::vector<int> shown;
        for (int i = 0; i < layerList().count(); ++i)
            if (layerList().isLayerVisible(i))
                shown.push_back(i);
        return shown;
    }
    void select(const std::shared_ptr<Entity>& entity) { vm().setSelectedEntity(entity); }
    GraphicsSheet* pcbSheet() { return Design::shared().currentDesignState()->pcb.get(); }
};

bool near(const QColor& a, const QColor& b, int tolerance = 3)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

// ---- colour row ----

TEST_F(ShellBoxesTest, ColorRowShowsTheTwentyFourPaletteColoursOpaqueAndOutlined)
{
    ColorPanel* panel = colorPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->height(), 30);
    EXPECT_EQ(panel->minimumSizeHint().width(), 0);
    const std::vector<QColor> row = paletteRow();
    ASSERT_EQ(panel->count(), 24);
    for (int i = 0; i < 24; ++i) {
        PaletteButton* button = panel->button(i);
        EXPECT_EQ(button->color(), row[size_t(i)]) << i;
        EXPECT_EQ(button->size(), QSize(20, 20)) << i;
        const QImage face = button->grab().toImage();
        EXPECT_TRUE(near(face.pixelColor(10, 10), row[size_t(i)].toRgb())) << i;
        EXPECT_EQ(face.pixelColor(0, 10), QColor(Qt::black)) << i;
    }
    EXPECT_EQ(panel->button(0)->color(), QColor(Qt::black));
    EXPECT_EQ(panel->button(9)->color(), colorFromHex(QStringLiteral("#ff2987")));
    EXPECT_EQ(panel->button(23)->color(), colorFromHex(QStringLiteral("#028401")));
    // 3 points apart, the row centred in the strip.
    EXPECT_EQ(panel->button(1)->x() - panel->button(0)->x(), 23);
    const int rowWidth = 24 * 20 + 23 * 3;
    EXPECT_NEAR(panel->button(0)->x(), (panel->width() - rowWidth) / 2, 1);
    EXPECT_EQ(panel->button(0)->y(), 5);
}

TEST_F(ShellBoxesTest, PaletteClickRecoloursTheBrushBeforeThePenAndRedrawsTheActiveViewport)
{
    auto rect = std::make_shared<Rectangle>(pcbSheet());
    rect->pen.color = QColor(1, 2, 3);
    rect->brush.color = QColor(4, 5, 6);
    select(rect);
    Viewport2D* port = vm().activeViewport2D();
    ASSERT_NE(port, nullptr);
    const int redraws = vm().redraws();
    const int portRedraws = port->displays();

    colorPanel()->button(2)->click();
    EXPECT_EQ(rect->brush.color, QColor::fromRgbF(1, 0, 0, 1));
    EXPECT_EQ(rect->pen.color, QColor(1, 2, 3));
    EXPECT_EQ(vm().redraws(), redraws + 1);
    EXPECT_EQ(port->displays(), portRedraws + 1);

    // A line has only a pen.
    auto line = std::make_shared<Line>(pcbSheet());
    select(line);
    QTest::mouseClick(colorPanel()->button(20), Qt::LeftButton);
    EXPECT_EQ(line->pen.color, colorFromHex(QStringLiteral("#008cff")));
    EXPECT_EQ(vm().redraws(), redraws + 2);
    EXPECT_EQ(port->displays(), portRedraws + 2);

    // Of two pads read alike, which share their style, only the selected
    // one takes the colour.
    auto pad = std::make_shared<Pad>(pcbSheet());
    auto twin = std::make_shared<Pad>(pcbSheet());
    const pugi::xml_document doc = parseXml("<pad size='0.1,0.1' brushColor='200,40,40'/>");
    pad->readXML(doc.first_child());
    twin->readXML(doc.first_child());
    ASSERT_TRUE(pad->sharesStyleWith(*twin));
    select(pad);
    colorPanel()->button(2)->click();
    EXPECT_EQ(pad->brush().color, QColor::fromRgbF(1, 0, 0, 1));
    EXPECT_EQ(twin->brush().color, QColor(200, 40, 40));
    EXPECT_FALSE(pad->sharesStyleWith(*twin));
}

TEST_F(ShellBoxesTest, PaletteClickChangesNothingWithoutAColourableSelection)
{
    const int redraws = vm().redraws();
    vm().clearSelection();
    EXPECT_FALSE(ColorPanel::applyColor(vm(), Qt::red));
    colorPanel()->button(3)->click();
    EXPECT_EQ(vm().redraws(), redraws);

    // A plain entity has neither a brush nor a pen.
    select(std::make_shared<Entity>(pcbSheet()));
    colorPanel()->button(3)->click();
    EXPECT_EQ(vm().redraws(), redraws);
}

TEST_F(ShellBoxesTest, PaletteClickWithoutAnActiveViewportStoresTheColourOnly)
{
    auto rect = std::make_shared<Rectangle>(pcbSheet());
    select(rect);
    view().setValue(MainView::threeDTab);
    ASSERT_EQ(vm().activeViewport2D(), nullptr);
    const int redraws = vm().redraws();
    colorPanel()->button(0)->click();
    EXPECT_EQ(rect->brush.color, QColor(Qt::black));
    EXPECT_EQ(vm().redraws(), redraws);
}

// ---- layer settings ----

TEST_F(ShellBoxesTest, LayerRowsShowTheLayersAndWriteColourAndVisibility)
{
    makeLayers(12);
    view().setValue(MainView::pcbTab);
    LayerSettingsViewTab* tab = layerTab();
    ASSERT_NE(tab, nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(tab->objectName(), "layerSettingsViewTab");
    EXPECT_TRUE(tab->isEnabled());
    ASSERT_EQ(tab->rowCount(), 12);
    EXPECT_EQ(tab->visibleToggle(4)->text(), "L4");
    EXPECT_TRUE(tab->visibleToggle(4)->isChecked());
    EXPECT_EQ(tab->colorPicker(4)->shownColor(), QColor(40, 100, 200));
    EXPECT_EQ(tab->colorPicker(4)->width(), 50);

    int redraws = vm().redraws();
    QTest::mouseClick(tab->visibleToggle(4), Qt::LeftButton);
    EXPECT_FALSE(layerList().layers[4]->visible.value());
    EXPECT_EQ(vm().redraws(), redraws + 1);

    // A hidden layer keeps its colour and takes a new one.
    redraws = vm().redraws();
    const QColor seeThrough = QColor::fromRgbF(0.2f, 0.4f, 0.6f, 0.5f);
    emit tab->colorPicker(4)->colorChosen(seeThrough);
    EXPECT_EQ(layerList().layers[4]->color.value(), seeThrough);
    EXPECT_EQ(tab->colorPicker(4)->shownColor(), seeThrough);
    EXPECT_EQ(vm().redraws(), redraws + 1);
    tab->visibleToggle(4)->click();
    EXPECT_TRUE(layerList().layers[4]->visible.value());
    EXPECT_EQ(layerList().layers[4]->color.value(), seeThrough);

    // Changes made elsewhere show in the rows.
    layerList().layers[7]->visible = false;
    layerList().layers[7]->color = QColor(Qt::yellow);
    EXPECT_FALSE(tab->visibleToggle(7)->isChecked());
    EXPECT_EQ(tab->colorPicker(7)->shownColor(), QColor(Qt::yellow));
}

TEST_F(ShellBoxesTest, LayerPageIsDisabledAwayFromThePcbTab)
{
    makeLayers(8);
    LayerSettingsViewTab* tab = layerTab();
    view().setValue(MainView::pcbTab);
    EXPECT_TRUE(tab->isEnabled());
    view().setValue(MainView::schematicTab);
    EXPECT_FALSE(tab->isEnabled());
    view().setValue(MainView::threeDTab);
    EXPECT_FALSE(tab->isEnabled());

    // Nothing gets through while disabled, and the toggle is put back.
    const int redraws = vm().redraws();
    tab->visibleToggle(2)->setChecked(false);
    emit tab->colorPicker(2)->colorChosen(Qt::red);
    EXPECT_TRUE(layerList().layers[2]->visible.value());
    EXPECT_NE(layerList().layers[2]->color.value(), QColor(Qt::red));
    EXPECT_TRUE(tab->visibleToggle(2)->isChecked());
    EXPECT_EQ(vm().redraws(), redraws);
}

TEST_F(ShellBoxesTest, PlusShowsEveryLayerAndMinusTheDefaultSet)
{
    makeLayers(12);
    view().setValue(MainView::pcbTab);
    LayerSettingsViewTab* tab = layerTab();
    ASSERT_NE(tab->showAllButton(), nullptr);
    EXPECT_EQ(tab->showAllButton()->image, "plus.circle");
    EXPECT_EQ(tab->defaultLayersButton()->image, "minus.circle");

    // Already all visible: still one redraw per layer.
    int redraws = vm().redraws();
    tab->showAllButton()->click();
    EXPECT_EQ(vm().redraws(), redraws + 12);
    EXPECT_EQ(visibleLayers().size(), 12u);

    layerList().showPcbSolid = true;
    redraws = vm().redraws();
    tab->defaultLayersButton()->click();
    // Top silkscreen and copper, bottom copper (count - 6) and silkscreen (count - 4).
    EXPECT_EQ(visibleLayers(), (std::vector<int>{3, 5, 6, 8}));
    EXPECT_FALSE(layerList().showPcbSolid.value());
    EXPECT_EQ(vm().redraws(), redraws + 12 + 4 + 1);
    EXPECT_FALSE(tab->visibleToggle(0)->isChecked());
    EXPECT_TRUE(tab->visibleToggle(8)->isChecked());

    tab->showAllButton()->click();
    EXPECT_EQ(visibleLayers().size(), 12u);

    // A short stack: positions it does not have are skipped (top copper
    // and bottom copper here); the bottom silkscreen (count - 4) is layer 0.
    makeLayers(4);
    EXPECT_EQ(tab->rowCount(), 4);
    tab->defaultLayersButton()->click();
    EXPECT_EQ(visibleLayers(), (std::vector<int>{0, 3}));

    // No layers: only the two buttons, and "plus" asks for nothing.
    makeLayers(0);
    EXPECT_EQ(tab->rowCount(), 0);
    redraws = vm().redraws();
    tab->showAllButton()->click();
    EXPECT_EQ(vm().redraws(), redraws);
}

TEST_F(ShellBoxesTest, LayerPageFollowsANewDesignAndButtonsActOnIt)
{
    makeLayers(3);
    view().setValue(MainView::pcbTab);
    LayerSettingsViewTab* tab = layerTab();
    EXPECT_EQ(tab->rowCount(), 3);

    vm().openSampleDesign(QStringLiteral("Quorlan"));
    QCoreApplication::processEvents();
    const int count = layerList().count();
    ASSERT_GE(count, 6);
    EXPECT_EQ(tab->rowCount(), count);
    EXPECT_EQ(tab->visibleToggle(0)->text(), LayerSettingsViewTab::displayName(layerList().layers[0]->name));

    tab->defaultLayersButton()->click();
    EXPECT_EQ(visibleLayers(), (std::vector<int>{3, 5, count - 6, count - 4}));

    // The floating panel's layer page is the same kind of page.
    auto* floating = window->findChild<SettingsView*>();
    ASSERT_NE(floating, nullptr);
    auto* floatingTab = qobject_cast<LayerSettingsViewTab*>(floating->layerSettingsTab());
    ASSERT_NE(floatingTab, nullptr);
    floatingTab->refresh();
    EXPECT_EQ(floatingTab->rowCount(), count);
}

TEST_F(ShellBoxesTest, LayerNamesAndCountsFromTheFileAreBounded)
{
    makeLayers(LayerSettingsViewTab::maximumRows + 44);
    view().setValue(MainView::pcbTab);
    LayerSettingsViewTab* tab = layerTab();
    EXPECT_EQ(tab->rowCount(), LayerSettingsViewTab::maximumRows);
    EXPECT_FALSE(tab->moreLabel()->isHidden());
    EXPECT_EQ(tab->moreLabel()->text(), "44 more layers not listed");
    // The buttons still act on every layer.
    tab->defaultLayersButton()->click();
    tab->showAllButton()->click();
    EXPECT_EQ(int(visibleLayers().size()), LayerSettingsViewTab::maximumRows + 44);

    EXPECT_EQ(LayerSettingsViewTab::displayName(QStringLiteral("Top & Bottom")), "Top && Bottom");
    EXPECT_EQ(LayerSettingsViewTab::displayName(QStringLiteral("two\nlines\t here")), "two lines here");
    const QString longName = LayerSettingsViewTab::displayName(QString(100000, QLatin1Char('x')));
    EXPECT_LE(longName.size(), 60);
    EXPECT_TRUE(longName.contains(QChar(0x2026)));

    makeLayers(2);
    EXPECT_TRUE(tab->moreLabel()->isHidden());
}

// ---- About box ----

TEST_F(ShellBoxesTest, AboutBoxShowsItsContentsAndItsCloseButtonClearsTheFlag)
{
    action("aboutAction")->trigger();
    ASSERT_TRUE(vm().isShowingAboutView());
    auto* about = view().aboutViewHost()->findChild<AboutView*>();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->size(), QSize(400, 350));
    EXPECT_EQ(about->titleLabel()->text(), "Brindlex");
    EXPECT_EQ(about->productionLabel()->text(), "Production");
    EXPECT_EQ(about->productionLabel()->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_TRUE(about->dateLabel()->text().endsWith(" GMT"));
    EXPECT_FALSE(about->imageLabel()->pixmap().isNull());
    EXPECT_EQ(about->imageLabel()->size(), QSize(200, 159));
    EXPECT_EQ(about->webSiteLabel()->text(), QString::fromLatin1(MenuCommands::productSiteAddress));
    EXPECT_EQ(about->webSiteLabel()->palette().color(QPalette::WindowText), QColor(Qt::blue));
    // White inside the rounded outline, see-through at the very corner.
    const QImage face = about->grab().toImage();
    EXPECT_EQ(face.pixelColor(30, 320), QColor(Qt::white));
    EXPECT_LT(face.pixelColor(1, 1).alpha(), 40);

    const int redraws = vm().redraws();
    about->closeButton()->click();
    EXPECT_FALSE(vm().isShowingAboutView());
    EXPECT_FALSE(vm().disable());
    EXPECT_EQ(vm().redraws(), redraws + 1);
    EXPECT_TRUE(view().aboutViewHost()->isHidden());
}

TEST_F(ShellBoxesTest, AboutWebSiteOpensTheProductAddressOnAClick)
{
    auto saved = MenuCommands::urlOpener();
    QList<QUrl> opened;
    MenuCommands::urlOpener() = [&](const QUrl& url) {
        opened.append(url);
        return true;
    };
    action("aboutAction")->trigger();
    auto* about = view().aboutViewHost()->findChild<AboutView*>();
    QTest::mouseClick(about->webSiteLabel(), Qt::LeftButton);
    // Elsewhere on the card a click does nothing.
    QTest::mouseClick(about->copyrightLabel(), Qt::LeftButton);
    QTest::mouseClick(about, Qt::LeftButton, {}, QPoint(30, 320));
    MenuCommands::urlOpener() = saved;
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.front(), QUrl(QString::fromLatin1(MenuCommands::productSiteAddress)));
    EXPECT_TRUE(vm().isShowingAboutView());
}

TEST_F(ShellBoxesTest, BuildDateIsShownInGmtInTheSystemLocaleWithoutWeekdayOrSeconds)
{
    const QDateTime noonInParis(QDate(2024, 3, 5), QTime(13, 30, 45), QTimeZone("Europe/Paris"));
    EXPECT_EQ(AboutView::formatBuildDate(noonInParis, QLocale::c()), "5 March 2024, 12:30 GMT");
    EXPECT_EQ(AboutView::formatBuildDate(noonInParis, QLocale(QLocale::English, QLocale::UnitedStates)),
        "March 5, 2024, 12:30 PM GMT");
    EXPECT_EQ(AboutView::formatBuildDate(noonInParis, QLocale(QLocale::German, QLocale::Germany)),
        QString::fromUtf8("5. M\xc3\xa4rz 2024, 12:30 GMT"));
    // The weekday may close the format; a quoted literal stays as written.
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    const QString inChinese = AboutView::formatBuildDate(noonInParis, chinese);
    EXPECT_FALSE(inChinese.contains(chinese.dayName(2))) << inChinese.toStdString();
    EXPECT_TRUE(inChinese.startsWith("2024")) << inChinese.toStdString();

    // The user's locale is the system's, not a default the program has set.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString shown = AboutView::formatBuildDate(noonInParis);
    QLocale::setDefault(QLocale::system());
    EXPECT_EQ(shown, AboutView::formatBuildDate(noonInParis, QLocale::system()));

    const QDateTime built = AboutView::buildDate();
    EXPECT_TRUE(built.isValid());
    EXPECT_LE(built, QDateTime::currentDateTimeUtc().addSecs(60));
}

// ---- account box ----

TEST_F(ShellBoxesTest, AccountFieldsWriteEveryEditThroughTheSetters)
{
    action("accountButton")->trigger();
    auto* card = view().accountViewHost()->findChild<SignIn*>();
    ASSERT_NE(card, nullptr);
    EXPECT_TRUE(card->isVisible());
    EXPECT_EQ(card->size(), QSize(400, 350));
    EXPECT_EQ(card->titleLabel()->text(), "Enter your login and password");
    EXPECT_EQ(card->loginField()->text(), vm().login());
    EXPECT_EQ(card->passwordField()->text(), vm().password());
    EXPECT_EQ(card->passwordField()->echoMode(), QLineEdit::Password);

    card->loginField()->selectAll();
    int redraws = vm().redraws();
    QTest::keyClicks(card->loginField(), "ann");
    EXPECT_EQ(vm().login(), "ann");
    EXPECT_EQ(vm().redraws(), redraws + 3);
    QTest::keyClick(card->loginField(), Qt::Key_Backspace);
    EXPECT_EQ(vm().login(), "an");
    EXPECT_EQ(vm().redraws(), redraws + 4);

    card->passwordField()->selectAll();
    redraws = vm().redraws();
    QTest::keyClick(card->passwordField(), Qt::Key_Delete);
    EXPECT_EQ(vm().password(), "");
    QTest::keyClicks(card->passwordField(), "s3");
    EXPECT_EQ(vm().password(), "s3");
    EXPECT_EQ(vm().redraws(), redraws + 3);

    // Set elsewhere, shown in the field.
    vm().setLogin(QStringLiteral("bea"));
    EXPECT_EQ(card->loginField()->text(), "bea");
}

TEST_F(ShellBoxesTest, AccountButtonsOnlyCloseAndKeepWhatWasTyped)
{
    action("accountButton")->trigger();
    auto* card = view().accountViewHost()->findChild<SignIn*>();
    card->loginField()->selectAll();
    QTest::keyClicks(card->loginField(), "cal");

    int redraws = vm().redraws();
    card->cancelButton()->click();
    EXPECT_FALSE(vm().isShowingAccountView());
    EXPECT_FALSE(vm().disable());
    EXPECT_EQ(vm().redraws(), redraws + 1);
    EXPECT_TRUE(view().accountViewHost()->isHidden());
    EXPECT_EQ(vm().login(), "cal");

    action("accountButton")->trigger();
    EXPECT_TRUE(vm().disable());
    EXPECT_EQ(card->loginField()->text(), "cal");
    // Empty values are accepted.
    card->loginField()->clear();
    card->passwordField()->clear();
    vm().setLogin(QString());
    vm().setPassword(QString());
    redraws = vm().redraws();
    card->signInButton()->click();
    EXPECT_FALSE(vm().isShowingAccountView());
    EXPECT_FALSE(vm().disable());
    EXPECT_EQ(vm().redraws(), redraws + 1);
    EXPECT_EQ(vm().login(), "");
}

TEST_F(ShellBoxesTest, ControlPClosesTheAccountBoxOnlyWhileItIsShown)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto* card = view().accountViewHost()->findChild<SignIn*>();
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->cancelButton()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));

    // Hidden: the shortcut does nothing.
    QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
    QTest::qWait(250);
    EXPECT_FALSE(vm().isShowingAccountView());

    action("accountButton")->trigger();
    ASSERT_TRUE(vm().isShowingAccountView());
    QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
    QTRY_VERIFY(!vm().isShowingAccountView());
    EXPECT_FALSE(vm().disable());
}

TEST_F(ShellBoxesTest, AccountCardIsALightBlueGradientInAGreyRoundedOutline)
{
    EXPECT_EQ(SignInViewBackground(false).topColor(), QColor::fromRgbF(0.678f, 0.847f, 1.0f, 1.0f));
    EXPECT_EQ(SignInViewBackground(true).topColor(), QColor(Qt::black));

    action("accountButton")->trigger();
    auto* card = view().accountViewHost()->findChild<SignIn*>();
    const QImage face = card->grab().toImage();
    const QColor top = face.pixelColor(200, 6);
    const QColor bottom = face.pixelColor(200, 343);
    EXPECT_LT(top.red(), 200);
    EXPECT_GT(top.blue(), 240);
    EXPECT_GT(bottom.red(), 240);
    // The 3-point outline, and nothing outside the rounded corner.
    EXPECT_TRUE(near(face.pixelColor(1, 175), QColor(Qt::gray), 40));
    EXPECT_LT(face.pixelColor(1, 1).alpha(), 40);
}
