#pragma once
// The menu bar: the application menu (About, Quit), File (New, Open, Save,
// Save As), View (sidebar and toolbar switches, Show Grid, Zoom, Pan), Add
// (the drawing shapes) and Help (Manual, Website, About). Every item acts
// through the shared view model and its active viewport.

#include <QObject>
#include <QUrl>

#include <functional>

class MainView;
class QAction;
class QMainWindow;
class QMenu;
class ViewModel;

class MenuCommands : public QObject {
    Q_OBJECT
public:
    // The addresses the Help menu opens.
    static const char* const helpSiteAddress;
    static const char* const productSiteAddress;

    // Builds the menus into the window's menu bar. mainView supplies the
    // sidebar and toolbar switches of the View menu.
    MenuCommands(bool& toggleSetting, ViewModel& viewModel, QMainWindow* window, MainView* mainView);

    // No item reads it; the application owns its meaning.
    bool& toggleSetting;
    ViewModel& viewModel;

    // Hands a web address to the browser; replaceable so that tests can
    // watch it instead of starting one.
    static std::function<bool(const QUrl&)>& urlOpener();

    // Opens the address when it parses; returns whether it was handed on.
    static bool openWebAddress(const char* address);

    // Installs a new line command on the active viewport (none: nothing).
    void installLineCommand();
    // Inverts isShowingAboutView, then syncs the disable flag.
    void toggleAboutBox();

    QMenu* applicationMenu() const { return applicationMenu_; }
    QMenu* fileMenu() const { return fileMenu_; }
    QMenu* viewMenu() const { return viewMenu_; }
    QMenu* addMenu() const { return addMenu_; }
    QMenu* helpMenu() const { return helpMenu_; }
    QAction* showGridAction() const { return showGridAction_; }

private:
    QAction* makeAction(QMenu* menu, const char* objectName, const QString& text, const QString& toolTip,
        const QKeySequence& shortcut, const char* icon = nullptr);
    void syncShowGrid();

    QMenu* applicationMenu_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QMenu* addMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* showGridAction_ = nullptr;
    int gridIconShown_ = -1;
};
