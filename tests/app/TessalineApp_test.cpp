#include "AppTestSupport.h"

#include "app/TessalineApp.h"
#include "app/TipStore.h"
#include "app/VersionInfo.h"
#include "viewport/GraphicsViewport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTabWidget>

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
