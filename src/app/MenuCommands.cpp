#include "app/MenuCommands.h"

#include "app/MainView.h"
#include "document/SheetSettings.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"
#include "viewport/Viewport2DCommand.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <memory>

const char* const MenuCommands::helpSiteAddress = "https://brindlex.example/help/";
const char* const MenuCommands::productSiteAddress = "https://brindlex.example/";

std::function<bool(const QUrl&)>& MenuCommands::urlOpener()
{
    static std::function<bool(const QUrl&)> opener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return opener;
}

bool MenuCommands::openWebAddress(const char* address)
{
    const QUrl url(QString::fromLatin1(address), QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("https") || url.host().isEmpty())
        return false;
    return urlOpener()(url);
}

QAction* MenuCommands::makeAction(QMenu* menu, const char* objectName, const QString& text, const QString& toolTip,
    const QKeySequence& shortcut, const char* icon)
{
    auto* action = new QAction(text, menu);
    action->setObjectName(QString::fromLatin1(objectName));
    if (icon)
        action->setIcon(QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(icon))));
    if (!toolTip.isEmpty())
        action->setToolTip(toolTip);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    menu->addAction(action);
    return action;
}

MenuCommands::MenuCommands(bool& toggleSetting, ViewModel& viewModel, QMainWindow* window, MainView* mainView)
    : QObject(window), toggleSetting(toggleSetting), viewModel(viewModel)
{
    QMenuBar* bar = window->menuBar();
    const QString notImplemented = QStringLiteral("Not implemented");

    // Application menu. Only the Help menu's About carries "?": two actions
    // sharing one key in a window make the key ambiguous, and neither fires.
    applicationMenu_ = bar->addMenu(QStringLiteral("Brindlex"));
    applicationMenu_->setObjectName(QStringLiteral("applicationMenu"));
    QAction* aboutApp = makeAction(applicationMenu_, "aboutApplicationAction", QStringLiteral("About"),
        QStringLiteral("About this program"), QKeySequence(), "Help");
    connect(aboutApp, &QAction::triggered, this, &MenuCommands::toggleAboutBox);
    applicationMenu_->addSeparator();
    QAction* quit = makeAction(applicationMenu_, "quitAction", QStringLiteral("Quit Brindlex"), QString(),
        QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, window, &QMainWindow::close);

    // File menu: no "New Window" item.
    fileMenu_ = bar->addMenu(QStringLiteral("File"));
    fileMenu_->setObjectName(QStringLiteral("fileMenu"));
    fileMenu_->addSeparator();
    QAction* newAction = makeAction(fileMenu_, "newAction", QStringLiteral("New"), QString(),
        QKeySequence(Qt::CTRL | Qt::Key_N));
    fileMenu_->addSeparator();
    QAction* open = makeAction(fileMenu_, "openAction", QStringLiteral("Open"), QString(),
        QKeySequence(Qt::CTRL | Qt::Key_O));
    fileMenu_->addSeparator();
    QAction* save = makeAction(fileMenu_, "saveAction", QStringLiteral("Save"), QString(),
        QKeySequence(Qt::CTRL | Qt::Key_S));
    QAction* saveAs = makeAction(fileMenu_, "saveAsAction", QStringLiteral("Save As"), QString(),
        QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_S));
    for (QAction* a : {newAction, save, saveAs})
        connect(a, &QAction::triggered, this, &MenuCommands::installLineCommand);
    connect(open, &QAction::triggered, this, [this, window] { this->viewModel.showOpenPanel(window); });

    // View menu: the standard toolbar and sidebar switches, then, after the
    // sidebar item, the grid switch and the Zoom and Pan submenus.
    viewMenu_ = bar->addMenu(QStringLiteral("View"));
    viewMenu_->setObjectName(QStringLiteral("viewMenu"));
    if (mainView) {
        QToolBar* toolBar = mainView->toolBar();
        QAction* showToolbar = makeAction(viewMenu_, "showToolbarAction", QStringLiteral("Show Toolbar"), QString(),
            QKeySequence());
        showToolbar->setCheckable(true);
        showToolbar->setChecked(true);
        connect(showToolbar, &QAction::toggled, toolBar, &QToolBar::setVisible);
        viewMenu_->addSeparator();
        viewMenu_->addAction(mainView->showSidebarsAction());
    }
    showGridAction_ = makeAction(viewMenu_, "showGridAction", QStringLiteral("Show Grid"),
        QStringLiteral("Show/Hide the Grid"), QKeySequence(), "Grid");
    showGridAction_->setCheckable(true);
    // Switches the grid of the sheet being shown, like the toolbar toggle.
    connect(showGridAction_, &QAction::triggered, this, [](bool on) { MainView::shownSheetSettings().showGrid = on; });
    connect(viewMenu_, &QMenu::aboutToShow, this, &MenuCommands::syncShowGrid);
    connect(&viewModel, &ViewModel::redrawsChanged, this, &MenuCommands::syncShowGrid);
    connect(&viewModel, &ViewModel::designLoaded, this, &MenuCommands::syncShowGrid);

    QMenu* zoom = viewMenu_->addMenu(QStringLiteral("Zoom"));
    zoom->setObjectName(QStringLiteral("zoomMenu"));
    QAction* zoomIn = makeAction(zoom, "zoomInAction", QStringLiteral("In"), QStringLiteral("Zoom in"),
        QKeySequence(Qt::Key_PageUp));
    QAction* zoomOut = makeAction(zoom, "zoomOutAction", QStringLiteral("Out"), QStringLiteral("Zoom out"),
        QKeySequence(Qt::Key_PageDown));
    zoom->addSeparator();
    QAction* zoomAll = makeAction(zoom, "zoomAllAction", QStringLiteral("All"), QStringLiteral("View all"),
        QKeySequence(Qt::Key_Home));
    connect(zoomIn, &QAction::triggered, this, [this] {
        // Where the view looks only: the frame is drawn again, never the geometry.
        if (Viewport2D* viewport = this->viewModel.activeViewport2D()) {
            this->viewModel.requestRedraw(Redraw::view);
            viewport->zoomIn();
        }
    });
    connect(zoomOut, &QAction::triggered, this, [this] {
        if (Viewport2D* viewport = this->viewModel.activeViewport2D()) {
            this->viewModel.requestRedraw(Redraw::view);
            viewport->zoomOut();
        }
    });
    connect(zoomAll, &QAction::triggered, this, [this] {
        if (this->viewModel.activeViewport2D())
            this->viewModel.requestRedraw(Redraw::fit);
    });

    QMenu* pan = viewMenu_->addMenu(QStringLiteral("Pan"));
    pan->setObjectName(QStringLiteral("panMenu"));
    const struct {
        const char* name;
        const char* text;
        const char* toolTip;
        Qt::Key key;
    } panItems[] = {
        {"panUpAction", "Up", "Pan up", Qt::Key_Up},
        {"panDownAction", "Down", "Pan down", Qt::Key_Down},
        {"panLeftAction", "Left", "Pan left", Qt::Key_Left},
        {"panRightAction", "Right", "Pan right", Qt::Key_Right},
    };
    for (const auto& item : panItems) {
        QAction* a = makeAction(pan, item.name, QString::fromLatin1(item.text), QString::fromLatin1(item.toolTip),
            QKeySequence(item.key));
        connect(a, &QAction::triggered, this, [this, notImplemented] { this->viewModel.showMessage(notImplemented); });
        pan->addSeparator();
    }

    // Add menu: none of the shapes can be added yet.
    addMenu_ = bar->addMenu(QStringLiteral("Add"));
    addMenu_->setObjectName(QStringLiteral("addMenu"));
    const struct {
        const char* name;
        const char* icon;
        const char* text;
        const char* toolTip;
    } addItems[] = {
        {"addLineAction", "Line", "Line", "Add a line"},
        {"addPolylineAction", "Polyline", "Polyline", "Add a polyline"},
        {"addPolygonAction", "Polygon", "Polygon", "Add a polygon"},
        {"addArcAction", "Arc", "Arc", "Add an arc"},
        {"addCurveAction", "Curve", "Curve", "Add a curve"},
        {"addRectangleAction", "Rectangle", "Rectangle", "Add a rectangle"},
        {"addEllipseAction", "Circle", "Ellipse", "Add an ellipse"},
    };
    for (const auto& item : addItems) {
        QAction* a = makeAction(addMenu_, item.name, QString::fromLatin1(item.text), QString::fromLatin1(item.toolTip),
            QKeySequence(), item.icon);
        connect(a, &QAction::triggered, this, [this, notImplemented] { this->viewModel.showMessage(notImplemented); });
    }

    // Help menu.
    helpMenu_ = bar->addMenu(QStringLiteral("Help"));
    helpMenu_->setObjectName(QStringLiteral("helpMenu"));
    QAction* manual = makeAction(helpMenu_, "manualAction", QStringLiteral("Manual"), QStringLiteral("Show the manual"),
        QKeySequence(Qt::Key_M), "Manual");
    QAction* website = makeAction(helpMenu_, "websiteAction", QStringLiteral("Website"),
        QStringLiteral("Show the website"), QKeySequence(Qt::Key_W), "House");
    QAction* about = makeAction(helpMenu_, "aboutAction", QStringLiteral("About"), QStringLiteral("About this program"),
        QKeySequence(QStringLiteral("?")));
    connect(manual, &QAction::triggered, this, [] { openWebAddress(helpSiteAddress); });
    connect(website, &QAction::triggered, this, [] { openWebAddress(productSiteAddress); });
    connect(about, &QAction::triggered, this, &MenuCommands::toggleAboutBox);

    for (QMenu* menu : bar->findChildren<QMenu*>())
        menu->setToolTipsVisible(true);
    syncShowGrid();
}

void MenuCommands::installLineCommand()
{
    // Replaces the current command without finishing it; nothing is redrawn.
    if (Viewport2D* viewport = viewModel.activeViewport2D())
        viewport->setViewportCommand(std::make_unique<AddLine>(viewport, viewModel));
}

void MenuCommands::toggleAboutBox()
{
    viewModel.setIsShowingAboutView(!viewModel.isShowingAboutView());
    viewModel.syncDisableWithAboutView();
}

void MenuCommands::syncShowGrid()
{
    const bool on = MainView::shownSheetSettings().showGrid.value();
    // Runs on every redraw request: touch the item only when the flag moved.
    if (gridIconShown_ == int(on))
        return;
    gridIconShown_ = int(on);
    showGridAction_->setChecked(on);
    showGridAction_->setIcon(QIcon(on ? QStringLiteral(":/icons/Grid.png") : QStringLiteral(":/icons/GridCircle.png")));
}
