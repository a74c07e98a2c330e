#pragma once
// The one application window: the toolbar, the menus and the content
// (MainViewWithSidePanel) observing the shared view model.

#include <QMainWindow>

class MainView;
class MainViewWithSidePanel;
class MenuCommands;
class ViewModel;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // toggleSetting is the application's flag handed to the menus.
    MainWindow(ViewModel& viewModel, bool& toggleSetting, QWidget* parent = nullptr);

    MainViewWithSidePanel* content() const { return content_; }
    MainView* mainView() const;
    MenuCommands* menuCommands() const { return menus_; }

private:
    MainViewWithSidePanel* content_ = nullptr;
    MenuCommands* menus_ = nullptr;
};
