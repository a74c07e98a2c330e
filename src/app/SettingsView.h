#pragma once
// The floating settings panel: the title "View" with a close button over the
// view settings page; while the PCB is shown, a "Layers" / "Show" tab bar
// chooses between the layer settings and the view settings. The tab is kept
// in the user default "LayersViewSelectedTab" when the bar disappears.

#include <QWidget>

class ImageButton;
class PcbLayerList;
class PcbSettings;
class QLabel;
class QScrollArea;
class QStackedWidget;
class SegmentedControl;
class ViewModel;
class ViewSettingsTab;

class SettingsView : public QWidget {
    Q_OBJECT
public:
    enum Page { layersPage = 0, showPage = 1 };
    // The least the main view narrows or shortens the panel to: the title
    // bar and a scrollable strip of the page stay usable.
    static constexpr int minimumPanelWidth = 160;
    static constexpr int minimumPanelHeight = 120;

    // The panel's binding to its flag is the view model's showSettingsPanel.
    SettingsView(ViewModel& viewModel, int selectedTab, double width, QWidget* parent = nullptr);

    ViewModel& viewModel;
    const double panelWidth;

    int selectedTab() const { return selectedTab_; }
    // Picks the page as the tab bar does (stored when the bar disappears).
    void setSelectedTab(int tab);

    // The layer list and settings of the open design's PCB.
    PcbLayerList& layerList() const;
    PcbSettings& pcbSettings() const;

    QLabel* titleLabel() const { return title_; }
    ImageButton* closeButton() const { return close_; }
    SegmentedControl* tabBar() const { return tabBar_; }
    ViewSettingsTab* viewSettingsTab() const { return viewSettings_; }
    QWidget* layerSettingsTab() const { return layerSettings_; }
    QWidget* currentPage() const;
    // Scrolls the page sideways or up and down when the panel is smaller than it.
    QScrollArea* pageScrollArea() const { return pageScroll_; }

    // The tallest the panel gets: 40 points a layer plus 250, and at most 0.9
    // of the main screen's height (810 points without a screen).
    int maximumPanelHeight() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Puts a new panel into the main view's host and gives the host the
    // panel's rounded look and shadow.
    static SettingsView* install(QWidget* host, ViewModel& viewModel, int selectedTab);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Shows or hides the tab bar and picks the page for the current flags.
    void sync();
    // Writes the tab when the bar goes away.
    void storeTab();

    int selectedTab_ = 0;
    bool tabBarShown_ = false;
    QLabel* title_;
    ImageButton* close_;
    SegmentedControl* tabBar_;
    QStackedWidget* pages_;
    QScrollArea* pageScroll_;
    ViewSettingsTab* viewSettings_;
    QWidget* layerSettings_;
};
