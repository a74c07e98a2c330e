#include "app/TessalineApp.h"

#include "app/DesignOpener.h"
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
    opener_ = std::make_unique<DesignOpener>(viewModel);
    viewModel.openFileHook = [opener = opener_.get()](const QUrl& url) { opener->openFile(url); };
}

TessalineApp::~TessalineApp()
{
    ViewModel::shared().openFileHook = nullptr;
    window_.reset();
    opener_.reset();
}

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
