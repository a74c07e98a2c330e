#pragma once
// The window's content: left side panel | main view | right side panel in one
// row, the colour row below, on the panel background. The side panels follow
// the view model's showSidePanels.

#include <QWidget>

class MainView;
class ViewModel;

class MainViewWithSidePanel : public QWidget {
    Q_OBJECT
public:
    explicit MainViewWithSidePanel(ViewModel& viewModel, QWidget* parent = nullptr);

    ViewModel& viewModel;

    MainView* mainView() const { return mainView_; }
    // Hosts (each with an empty vertical layout) of the side panels and of
    // the colour row.
    QWidget* leftSidePanelHost() const { return leftPanel_; }
    QWidget* rightSidePanelHost() const { return rightPanel_; }
    QWidget* colorPanelHost() const { return colorPanel_; }

    // The pages the side panels start on (user defaults; 0 when absent, not
    // a number or out of range).
    static int leftSidePanelSelectedTab();
    static int rightSidePanelSelectedTab();
    static int layersViewSelectedTab();

signals:
    // Each time the content is shown (the start-up task hangs on it).
    void contentShown();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void syncSidePanels();

    MainView* mainView_ = nullptr;
    QWidget* leftPanel_ = nullptr;
    QWidget* rightPanel_ = nullptr;
    QWidget* colorPanel_ = nullptr;
};
