#include "app/MainView.h"

#include "app/AboutView.h"
#include "app/MainViewWithSidePanel.h"
#include "app/SettingsView.h"
#include "app/SignIn.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"
#include "viewport/GraphicsViewport.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QAction>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QResizeEvent>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Distance of the floating settings panel from the top of the sheet area and
// from the side it floats at.
constexpr int kSettingsPanelTop = 70;
constexpr int kSettingsPanelInset = 10;
constexpr int kSettingsPanelWidth = 340;
constexpr int kAccountWidth = 400;
constexpr int kAccountHeight = 350;

QWidget* makeHost(const char* objectName, QWidget* parent, const QColor& background)
{
    auto* host = new QFrame(parent);
    host->setObjectName(QString::fromLatin1(objectName));
    host->setFrameShape(QFrame::StyledPanel);
    host->setAutoFillBackground(true);
    QPalette pal = host->palette();
    pal.setColor(QPalette::Window, background);
    host->setPalette(pal);
    auto* layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    host->hide();
    return host;
}

} // namespace

MainView::MainView(QWidget* parent)
    : QWidget(parent), viewModel(ViewModel::shared())
{
    setObjectName(QStringLiteral("mainView"));
    ensureSchematicSheet();

    // Back layer: the status text above the tabs.
    sheetArea_ = new QWidget(this);
    sheetArea_->setObjectName(QStringLiteral("sheetArea"));
    auto* column = new QVBoxLayout(sheetArea_);
    column->setContentsMargins(4, 2, 4, 4);
    column->setSpacing(2);
    status_ = new QLabel(viewModel.status(), sheetArea_);
    status_->setObjectName(QStringLiteral("statusText"));
    status_->setAlignment(Qt::AlignCenter);
    // Keeps its line when empty, so the tabs do not jump as the text comes and goes.
    status_->setMinimumHeight(status_->fontMetrics().height());
    column->addWidget(status_);

    tabs_ = new QTabWidget(sheetArea_);
    tabs_->setObjectName(QStringLiteral("sheetTabs"));
    tabs_->setDocumentMode(true);
    schematicViewport_ = new GraphicsViewport(false, viewModel);
    schematicViewport_->setObjectName(QStringLiteral("schematicViewport"));
    pcbViewport_ = new GraphicsViewport(true, viewModel);
    pcbViewport_->setObjectName(QStringLiteral("pcbViewport"));
    auto* comingSoon = new QLabel(QStringLiteral("Coming Soon..."));
    comingSoon->setObjectName(QStringLiteral("threeDPage"));
    comingSoon->setAlignment(Qt::AlignCenter);
    QFont largeTitle = comingSoon->font();
    largeTitle.setPointSizeF(largeTitle.pointSizeF() * 2.4);
    comingSoon->setFont(largeTitle);
    tabs_->addTab(schematicViewport_, QStringLiteral("Schematic"));
    tabs_->addTab(pcbViewport_, QStringLiteral("PCB"));
    tabs_->addTab(comingSoon, QStringLiteral("3D"));
    column->addWidget(tabs_, 1);

    viewModel.registerViewport(schematicViewport_->viewport());
    viewModel.registerViewport(pcbViewport_->viewport());
    // "Schematic" is selected at start; isShowingPCB keeps its value until
    // the user switches tabs.
    tabs_->setCurrentIndex(0);
    viewModel.setActiveViewport(schematicViewport_->viewport());
    connect(tabs_, &QTabWidget::currentChanged, this, &MainView::tabChanged);

    // Middle layer: the floating settings panel. Front: the two boxes.
    settingsPanel_ = makeHost("settingsPanel", this, QColor(0xE6, 0xE6, 0xE6));
    settingsPanel_->setMinimumSize(SettingsView::minimumPanelWidth, SettingsView::minimumPanelHeight);
    SettingsView::install(settingsPanel_, viewModel, MainViewWithSidePanel::layersViewSelectedTab());
    aboutView_ = makeHost("aboutView", this, Qt::white);
    aboutView_->setMinimumSize(360, 280);
    accountView_ = makeHost("accountView", this, Qt::white);
    accountView_->setMinimumSize(kAccountWidth, kAccountHeight);
    AboutView::install(aboutView_, viewModel);
    SignIn::install(accountView_, viewModel);

    buildToolBar();

    connect(&viewModel, &ViewModel::statusChanged, status_, &QLabel::setText);
    connect(&viewModel, &ViewModel::flagsChanged, this, &MainView::syncOverlays);
    connect(&viewModel, &ViewModel::draggingOrZoomingChanged, this, &MainView::syncOverlays);
    connect(&viewModel, &ViewModel::alertItemChanged, this, &MainView::presentAlert);
    // Every change of a grid switch goes through redraws; a new design brings
    // new settings objects.
    connect(&viewModel, &ViewModel::redrawsChanged, this, &MainView::syncGridToggle);
    connect(&viewModel, &ViewModel::designLoaded, this, [this] {
        ensureSchematicSheet();
        syncGridToggle();
    });
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, &MainView::applicationStateChanged);

    syncGridToggle();
    syncOverlays();
    presentAlert();
}

MainView::~MainView()
{
    if (alertBox_)
        alertBox_->disconnect(this);
}

void MainView::ensureSchematicSheet()
{
    auto state = Design::shared().currentDesignState();
    if (state->schematics.empty())
        state->addSchematic();
}

SheetSettings& MainView::shownSheetSettings()
{
    auto state = Design::shared().currentDesignState();
    if (ViewModel::shared().isShowingPCB)
        return state->pcb->pcbSettings;
    if (state->schematics.empty())
        state->addSchematic();
    return state->schematics.front()->schematicSettings;
}

QMessageBox* MainView::alertBox() const { return alertBox_.data(); }

int MainView::value() const { return tabs_->currentIndex() + 1; }

void MainView::setValue(int tag)
{
    if (tag >= schematicTab && tag <= threeDTab)
        tabs_->setCurrentIndex(tag - 1);
}

Viewport2D* MainView::viewportForTab(int tag) const
{
    switch (tag) {
    case schematicTab:
        return schematicViewport_->viewport();
    case pcbTab:
        return pcbViewport_->viewport();
    default:
        return nullptr;
    }
}

void MainView::buildToolBar()
{
    toolBar_ = new QToolBar(QStringLiteral("Toolbar"), this);
    toolBar_->setObjectName(QStringLiteral("mainToolBar"));
    toolBar_->setMovable(false);
    toolBar_->setIconSize(QSize(buttonSize, buttonSize));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar_->hide(); // shown by the window that docks it

    auto makeAction = [this](const char* name, const char* icon, const QString& text, const QString& help) {
        auto* action = new QAction(QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(icon))), text, this);
        action->setObjectName(QString::fromLatin1(name));
        action->setToolTip(help);
        toolBar_->addAction(action);
        return action;
    };

    openAction_ = makeAction("openDesignButton", "Open", QStringLiteral("Open"), QStringLiteral("Open a Design file"));
    connect(openAction_, &QAction::triggered, this, [this] { viewModel.showOpenPanel(window()); });

    viewAllAction_ = makeAction("viewAllButton", "ViewAll", QStringLiteral("View All"), QStringLiteral("View All"));
    connect(viewAllAction_, &QAction::triggered, this, [this] {
        if (viewModel.activeViewport2D())
            viewModel.requestRedraw(Redraw::fit);
    });

    zoomWindowAction_ = makeAction("zoomWindowButton", "ZoomWindow", QStringLiteral("Zoom Window"),
        QStringLiteral("Zoom Window"));
    connect(zoomWindowAction_, &QAction::triggered, this, [this] { viewModel.setZoom(!viewModel.zoom()); });

    showGridAction_ = makeAction("showGridButton", "Grid", QStringLiteral("Show Grid"), QStringLiteral("Show grid"));
    showGridAction_->setCheckable(true);
    connect(showGridAction_, &QAction::triggered, this, &MainView::gridToggled);

    accountAction_ = makeAction("accountButton", "Keys", QStringLiteral("Account"),
        QStringLiteral("Show Your Account Box"));
    connect(accountAction_, &QAction::triggered, this, [this] {
        viewModel.setIsShowingAccountView(!viewModel.isShowingAccountView());
        viewModel.syncDisableWithAccountView();
    });

    showSidebarsAction_ = makeAction("showSidebarsButton", "SidebarLeft", QStringLiteral("Show Sidebars"), QString());
    showSidebarsAction_->setCheckable(true);
    showSidebarsAction_->setChecked(viewModel.showSidePanels());
    connect(showSidebarsAction_, &QAction::triggered, this, &MainView::sidebarsToggled);
}

void MainView::tabChanged(int index)
{
    const int tag = index + 1;
    viewModel.isShowingPCB = tag == pcbTab;
    Viewport2D* viewport = viewportForTab(tag);
    viewModel.setActiveViewport(viewport);
    if (viewport)
        viewport->update();
    syncGridToggle();
}

// The grid switched is the one of the sheet being shown, so the toggle always
// means "the current grid", as its tip says.
void MainView::gridToggled(bool on)
{
    SheetSettings& settings = shownSheetSettings();
    const bool changed = settings.showGrid.value() != on;
    settings.showGrid = on;
    if (!changed)
        return;
    // The setting asked for its redraw.
    TipStore::shared().invalidate(showGrid, TipStore::InvalidationReason::actionPerformed);
}

void MainView::sidebarsToggled()
{
    // Inverts the model's flag rather than copying the toggle's state.
    viewModel.setShowSidePanels(!viewModel.showSidePanels());
    if (viewModel.activeViewport2D())
        viewModel.requestRedraw(Redraw::fit);
    viewModel.saveWindowSettings();
}

void MainView::syncGridToggle()
{
    const bool on = shownSheetSettings().showGrid.value();
    if (showGridAction_->isChecked() != on)
        showGridAction_->setChecked(on);
}

void MainView::syncOverlays()
{
    settingsPanel_->setVisible(!viewModel.draggingOrZooming() && viewModel.showSettingsPanel());
    aboutView_->setVisible(viewModel.isShowingAboutView());
    accountView_->setVisible(viewModel.isShowingAccountView());
    layoutLayers();
    // Back to front: sheet area, settings panel, About box, account box.
    settingsPanel_->raise();
    aboutView_->raise();
    accountView_->raise();
}

void MainView::layoutLayers()
{
    const QRect area = rect();
    sheetArea_->setGeometry(area);

    // The panel keeps its full size where the sheet area has room and
    // narrows or shortens to fit inside it otherwise (its page then scrolls),
    // down to its minimum; only a sheet area smaller than that clips it.
    const int panelHeight = std::clamp(area.height() - kSettingsPanelTop - kSettingsPanelInset,
        settingsPanel_->minimumHeight(), std::max(settingsPanel_->minimumHeight(), settingsPanel_->sizeHint().height()));
    const int panelWidth = std::clamp(area.width() - 2 * kSettingsPanelInset, settingsPanel_->minimumWidth(),
        std::max(settingsPanel_->minimumWidth(), kSettingsPanelWidth));
    // With the side panels shown the panel floats at the right, else at the left.
    const int x = viewModel.showSidePanels() ? std::max(0, area.width() - kSettingsPanelInset - panelWidth)
                                             : kSettingsPanelInset;
    settingsPanel_->setGeometry(x, kSettingsPanelTop, panelWidth, panelHeight);

    for (QWidget* box : {aboutView_, accountView_}) {
        QSize size = box->sizeHint().expandedTo(box->minimumSize()).boundedTo(area.size());
        box->setGeometry(QRect(QPoint(0, 0), size).translated(area.center() - QRect(QPoint(0, 0), size).center()));
    }
}

void MainView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutLayers();
}

QSize MainView::minimumSizeHint() const { return sheetArea_->minimumSizeHint(); }

QSize MainView::sizeHint() const { return sheetArea_->sizeHint().expandedTo(QSize(640, 480)); }

void MainView::presentAlert()
{
    const std::optional<AlertItem>& item = viewModel.alertItem();
    if (item && item->id == presentedAlert_ && alertBox_)
        return;
    if (alertBox_) {
        // Replaced or withdrawn: the old box goes without touching the item.
        alertBox_->disconnect(this);
        alertBox_->close();
        alertBox_->deleteLater();
        alertBox_ = nullptr;
        presentedAlert_ = QUuid();
    }
    if (!item)
        return;

    auto* box = new QMessageBox(window());
    box->setObjectName(QStringLiteral("alert"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(item->title);
    // Titles and messages carry file names and reader errors: never rich text.
    box->setTextFormat(Qt::PlainText);
    box->setText(item->title);
    box->setInformativeText(item->message);
    if (auto* info = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        info->setTextFormat(Qt::PlainText);
    if (auto* title = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
    }
    box->setIcon(QMessageBox::NoIcon);
    box->addButton(item->dismissButton, QMessageBox::AcceptRole);
    const QUuid id = item->id;
    connect(box, &QMessageBox::finished, this, [this, id] {
        alertBox_ = nullptr;
        presentedAlert_ = QUuid();
        if (viewModel.alertItem() && viewModel.alertItem()->id == id)
            viewModel.setAlertItem(std::nullopt);
    });
    alertBox_ = box;
    presentedAlert_ = id;
    box->open();
}

void MainView::applicationStateChanged(Qt::ApplicationState state)
{
    switch (state) {
    case Qt::ApplicationActive:
        viewModel.requestRedraw(Redraw::panels);
        viewModel.setDraggingOrZooming(false);
        break;
    case Qt::ApplicationInactive:
        viewModel.setDraggingOrZooming(false);
        viewModel.requestRedraw(Redraw::panels);
        break;
    default:
        break;
    }
}
