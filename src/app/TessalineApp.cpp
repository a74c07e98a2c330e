#include "app/TessalineApp.h"

#include "app/MainViewWithSidePanel.h"
#include "app/MainWindow.h"
#include "app/TipStore.h"
#include "viewport/RecentFiles.h"
#include "viewport/ViewModel.h"

TessalineApp::TessalineApp(const QString& sample)
{
    toggleSetting = true;
    loadRecentFiles();
    ViewModel& viewModel = ViewModel::shared();
    viewModel.openSampleDesign(sample);
}

TessalineApp::~TessalineApp() = default;

MainWindow& TessalineApp::window()
{
    if (!window_) {
        window_ = std::make_unique<MainWindow>(ViewModel::shared(), toggleSetting);
        QObject::connect(window_->content(), &MainViewWithSidePanel::contentShown, [] { runStartupTask(); });
    }
    return *window_;
}

void TessalineApp::runStartupTask()
{
    TipStore& tips = TipStore::shared();
    (void)tips.resetDatastore();
    (void)tips.configure({TipStore::DisplayFrequency::immediate, TipStore::DatastoreLocation::applicationDefault});
}
