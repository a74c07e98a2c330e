#include "app/MainViewWithSidePanel.h"

#include "app/ColorPanel.h"
#include "app/LeftSidePanel.h"
#include "app/MainView.h"
#include "app/RightSidePanel.h"
#include "app/SettingsView.h"
#include "core/AppStyle.h"
#include "core/UserDefaults.h"
#include "viewport/ViewModel.h"

#include <QHBoxLayout>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

constexpr int kSidePanelWidth = 280;
// The colour row's buttons are 20 points.
constexpr int kColorPanelButtonSize = 20;

QWidget* makeHost(const char* objectName, QWidget* parent)
{
    auto* host = new QWidget(parent);
    host->setObjectName(QString::fromLatin1(objectName));
    auto* layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return host;
}

// The stored page, or the first when the value is missing, not a number or
// names no page (the file may come from another version or be edited by
// hand): a panel never starts with no page chosen.
int storedTab(const char* key, int pages)
{
    const int tab = userDefaults::readInt(QString::fromLatin1(key), 0);
    return tab >= 0 && tab < pages ? tab : 0;
}

} // namespace

int MainViewWithSidePanel::leftSidePanelSelectedTab()
{
    return storedTab("LeftSidePanelSelectedTab", LeftSidePanelView::samplesPage + 1);
}
int MainViewWithSidePanel::rightSidePanelSelectedTab()
{
    return storedTab("RightSidePanelSelectedTab", RightSidePanelView::layerSettingsPage + 1);
}
int MainViewWithSidePanel::layersViewSelectedTab()
{
    return storedTab("LayersViewSelectedTab", SettingsView::showPage + 1);
}

MainViewWithSidePanel::MainViewWithSidePanel(ViewModel& viewModel, QWidget* parent)
    : QWidget(parent), viewModel(viewModel)
{
    setObjectName(QStringLiteral("mainViewWithSidePanel"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, appStyle().panelBackground);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    leftPanel_ = makeHost("leftSidePanel", this);
    leftPanel_->setFixedWidth(LeftSidePanelView::width);
    leftPanel_->layout()->addWidget(new LeftSidePanelView(viewModel, leftSidePanelSelectedTab(), leftPanel_));
    mainView_ = new MainView(this);
    rightPanel_ = makeHost("rightSidePanel", this);
    rightPanel_->setFixedWidth(kSidePanelWidth);
    rightPanel_->layout()->addWidget(new RightSidePanelView(viewModel, rightSidePanelSelectedTab(), rightPanel_));
    row->addWidget(leftPanel_);
    row->addWidget(mainView_, 1);
    row->addWidget(rightPanel_);
    column->addLayout(row, 1);

    colorPanel_ = makeHost("colorPanel", this);
    colorPanel_->setFixedHeight(ColorPanel::stripHeight);
    colorPanel_->layout()->addWidget(new ColorPanel(kColorPanelButtonSize, viewModel, colorPanel_));
    column->addWidget(colorPanel_);

    connect(&viewModel, &ViewModel::flagsChanged, this, &MainViewWithSidePanel::syncSidePanels);
    syncSidePanels();
}

void MainViewWithSidePanel::syncSidePanels()
{
    const bool show = viewModel.showSidePanels();
    leftPanel_->setVisible(show);
    rightPanel_->setVisible(show);
}

void MainViewWithSidePanel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        emit contentShown();
}
