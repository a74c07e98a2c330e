#include "app/MainWindow.h"

#include "app/MainView.h"
#include "app/MainViewWithSidePanel.h"
#include "app/MenuCommands.h"

#include <QToolBar>

MainWindow::MainWindow(ViewModel& viewModel, bool& toggleSetting, QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Brindlex"));
    setUnifiedTitleAndToolBarOnMac(true);
    content_ = new MainViewWithSidePanel(viewModel, this);
    setCentralWidget(content_);
    QToolBar* toolBar = content_->mainView()->toolBar();
    addToolBar(Qt::TopToolBarArea, toolBar);
    toolBar->show();
    menus_ = new MenuCommands(toggleSetting, viewModel, this, content_->mainView());
    resize(1280, 800);
}

MainView* MainWindow::mainView() const { return content_->mainView(); }
