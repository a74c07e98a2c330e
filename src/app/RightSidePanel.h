#pragma once
// The view settings: the page of display switches and units
// (ViewSettingsTab), the place of the layer settings page, and the right
// side panel that shows one of them behind a two-segment tab bar. The page
// shown is kept in the user default "RightSidePanelSelectedTab".

#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QRadioButton;
class QScrollArea;
class QStackedWidget;
class SegmentedControl;
class SheetSettings;
class ViewModel;
class WrappedBool;
enum class Units;

// The switches of the sheet being shown, in display order: the PCB's while
// the view model's isShowingPCB is set (with "PCB Solid" on the layer list),
// else the first schematic sheet's "Page", "Grid" and "Origin", and then the
// units picker. Every change asks for a redraw. The rows follow the tab and
// the open design by themselves.
class ViewSettingsTab : public QWidget {
    Q_OBJECT
public:
    explicit ViewSettingsTab(ViewModel& viewModel, QWidget* parent = nullptr);

    ViewModel& viewModel;

    struct Row {
        QString label;
        bool pcbOnly;
        // The switch on the sheet being shown (design state looked up afresh).
        std::function<WrappedBool&()> field;
        QCheckBox* toggle;
    };
    const std::vector<Row>& rows() const { return rows_; }
    // The toggle labelled so, or null.
    QCheckBox* toggle(const QString& label) const;
    // The labels of the rows shown now, in order.
    QStringList shownLabels() const;
    // The units choice labelled so ("micron" .. "inches"), or null.
    QRadioButton* unitsChoice(const QString& label) const;

    // The units choices in display order.
    static const std::vector<std::pair<QString, Units>>& unitsChoices();

public slots:
    // Re-reads which rows show and every value from the model.
    void refresh();

private:
    void addRow(const QString& label, bool pcbOnly, std::function<WrappedBool&()> field);
    void chooseUnits(Units units);

    std::vector<Row> rows_;
    QButtonGroup* units_;
    std::vector<QRadioButton*> unitChoices_;
    bool refreshing_ = false;
};

// The place of the layer settings page. It stays an empty host named
// "layerSettingsViewTab" until the layer list page is built into it.
QWidget* makeLayerSettingsViewTab(ViewModel& viewModel, QWidget* parent);

class RightSidePanelView : public QWidget {
    Q_OBJECT
public:
    enum Page { viewSettingsPage = 0, layerSettingsPage = 1 };
    static constexpr int maximumPanelWidth = 320;

    RightSidePanelView(ViewModel& viewModel, int selectedTab, QWidget* parent = nullptr);

    ViewModel& viewModel;

    int selectedTab() const { return selectedTab_; }
    // Shows the page (view settings for a value other than 0 and 1) and
    // stores the value, whatever it is.
    void setSelectedTab(int tab);

    SegmentedControl* tabBar() const { return tabBar_; }
    ViewSettingsTab* viewSettingsTab() const { return viewSettings_; }
    QWidget* layerSettingsTab() const { return layerSettings_; }
    QWidget* currentPage() const;

    QSize sizeHint() const override;

private:
    int selectedTab_ = 0;
    SegmentedControl* tabBar_;
    QStackedWidget* pages_;
    ViewSettingsTab* viewSettings_;
    QWidget* layerSettings_;
};
