#pragma once
// The sheet area of the window: the status text above the sheet tabs
// ("Schematic", "PCB", "3D"), the floating settings panel, the About and
// account overlays, the toolbar's actions and the alert presenter.

#include "app/TipStore.h"

#include <QPointer>
#include <QUuid>
#include <QWidget>

class GraphicsViewport;
class QAction;
class QLabel;
class QMessageBox;
class QTabWidget;
class QToolBar;
class SheetSettings;
class ViewModel;
class Viewport2D;

class MainView : public QWidget {
    Q_OBJECT
public:
    // Tags of the sheet tabs.
    enum Tab { schematicTab = 1, pcbTab = 2, threeDTab = 3 };

    explicit MainView(QWidget* parent = nullptr);
    ~MainView() override;

    // Width and height of the toolbar's images.
    static constexpr int buttonSize = 16;

    // The settings of the sheet being shown: the PCB's while the "PCB" tab is
    // selected, else the first schematic sheet's (one is added when the
    // design has none).
    static SheetSettings& shownSheetSettings();
    // The design's first schematic sheet, added when there is none.
    static void ensureSchematicSheet();

    ViewModel& viewModel;
    ShowGridTooltip showGrid;

    // The selected tab's tag.
    int value() const;
    void setValue(int tag);

    QToolBar* toolBar() const { return toolBar_; }
    QTabWidget* tabs() const { return tabs_; }
    QLabel* statusLabel() const { return status_; }
    GraphicsViewport* schematicViewport() const { return schematicViewport_; }
    GraphicsViewport* pcbViewport() const { return pcbViewport_; }
    // The viewport shown by the tab, or null for "3D".
    Viewport2D* viewportForTab(int tag) const;

    QAction* openAction() const { return openAction_; }
    QAction* viewAllAction() const { return viewAllAction_; }
    QAction* zoomWindowAction() const { return zoomWindowAction_; }
    QAction* showGridAction() const { return showGridAction_; }
    QAction* accountAction() const { return accountAction_; }
    QAction* showSidebarsAction() const { return showSidebarsAction_; }

    // Empty hosts whose layouts receive the settings panel and the About and
    // account boxes; each is shown and placed here according to the flags.
    QWidget* settingsPanelHost() const { return settingsPanel_; }
    QWidget* aboutViewHost() const { return aboutView_; }
    QWidget* accountViewHost() const { return accountView_; }

    // The alert being presented, or null.
    QMessageBox* alertBox() const;

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildToolBar();
    void tabChanged(int index);
    void gridToggled(bool on);
    void sidebarsToggled();
    void syncGridToggle();
    void syncOverlays();
    void layoutLayers();
    void presentAlert();
    void applicationStateChanged(Qt::ApplicationState state);

    QWidget* sheetArea_ = nullptr;
    QLabel* status_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    GraphicsViewport* schematicViewport_ = nullptr;
    GraphicsViewport* pcbViewport_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* viewAllAction_ = nullptr;
    QAction* zoomWindowAction_ = nullptr;
    QAction* showGridAction_ = nullptr;
    QAction* accountAction_ = nullptr;
    QAction* showSidebarsAction_ = nullptr;
    QWidget* settingsPanel_ = nullptr;
    QWidget* aboutView_ = nullptr;
    QWidget* accountView_ = nullptr;
    QPointer<QMessageBox> alertBox_;
    QUuid presentedAlert_;
};
