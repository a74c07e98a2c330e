#include "app/RightSidePanel.h"

#include "app/LayerSettingsView.h"
#include "app/MainView.h"
#include "app/PanelWidgets.h"
#include "core/AppStyle.h"
#include "core/Units.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/SheetSettings.h"
#include "editors/EditorControl.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>
#include <QSettings>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

const QString kRightSidePanelSelectedTab = QStringLiteral("RightSidePanelSelectedTab");

PCB& shownPcb() { return *Design::shared().currentDesignState()->pcb; }

} // namespace

// ---- ViewSettingsTab ----

const std::vector<std::pair<QString, Units>>& ViewSettingsTab::unitsChoices()
{
    // thou is not offered: while a sheet holds it no choice is marked.
    static const std::vector<std::pair<QString, Units>> choices = {
        {QStringLiteral("micron"), Units::micron},
        {QStringLiteral("mm"), Units::mm},
        {QStringLiteral("cm"), Units::cm},
        {QStringLiteral("m"), Units::m},
        {QStringLiteral("inches"), Units::inch},
    };
    return choices;
}

ViewSettingsTab::ViewSettingsTab(ViewModel& viewModel, QWidget* parent) : QWidget(parent), viewModel(viewModel)
{
    setObjectName(QStringLiteral("viewSettingsTab"));
    setFont(title2Font());
    auto* outer = new QVBoxLayout(this);
    // Nothing on the leading edge, 10 points on the trailing one.
    outer->setContentsMargins(0, 0, 10, 0);

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("viewSettingsScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setAutoFillBackground(true);
    QPalette pal = scroll->palette();
    pal.setColor(QPalette::Window, appStyle().settingsBackground);
    pal.setColor(QPalette::WindowText, Qt::black);
    scroll->setPalette(pal);
    auto* body = new QWidget(scroll);
    body->setObjectName(QStringLiteral("viewSettingsBody"));
    body->setAutoFillBackground(true);
    body->setPalette(pal);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(10);
    scroll->setWidget(body);
    outer->addWidget(outlinedFrame(scroll));

    // The sheet rows edit the sheet being shown; the rest only exist on the PCB.
    auto sheet = [] { return &MainView::shownSheetSettings(); };
    auto pcbSettings = [] { return &shownPcb().pcbSettings; };
    addRow(QStringLiteral("Page"), false, [sheet]() -> WrappedBool& { return sheet()->showPage; });
    addRow(QStringLiteral("Grid"), false, [sheet]() -> WrappedBool& { return sheet()->showGrid; });
    addRow(QStringLiteral("Origin"), false, [sheet]() -> WrappedBool& { return sheet()->showOrigin; });
    addRow(QStringLiteral("PCB Solid"), true, []() -> WrappedBool& { return shownPcb().layerList.showPcbSolid; });
    addRow(QStringLiteral("Yellow Pads"), true,
        [pcbSettings]() -> WrappedBool& { return pcbSettings()->showPadsAsSolidYellow; });
    addRow(QStringLiteral("Holes"), true, [pcbSettings]() -> WrappedBool& { return pcbSettings()->showHoles; });
    addRow(QStringLiteral("Courtyards"), true,
        [pcbSettings]() -> WrappedBool& { return pcbSettings()->showCourtyards; });
    addRow(QStringLiteral("Placement Points"), true,
        [pcbSettings]() -> WrappedBool& { return pcbSettings()->showPlacementPoints; });
    addRow(QStringLiteral("Copper Pours"), true,
        [pcbSettings]() -> WrappedBool& { return pcbSettings()->showCopperPours; });
    addRow(QStringLiteral("Keep Outs"), true, [pcbSettings]() -> WrappedBool& { return pcbSettings()->showKeepOuts; });
    addRow(QStringLiteral("Pad Names"), true, [pcbSettings]() -> WrappedBool& { return pcbSettings()->showPadNames; });
    for (const Row& row : rows_)
        column->addWidget(row.toggle);

    auto* divider = new QFrame(body);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    column->addWidget(divider);

    auto* unitsBox = new QWidget(body);
    unitsBox->setObjectName(QStringLiteral("unitsPicker"));
    auto* unitsLayout = new QVBoxLayout(unitsBox);
    unitsLayout->setContentsMargins(0, 0, 0, 0);
    unitsLayout->setSpacing(4);
    unitsLayout->addWidget(new QLabel(QStringLiteral("Units:"), unitsBox));
    // Not exclusive, so that no choice can be marked while a sheet holds a
    // unit that is not offered; a click still marks exactly one.
    units_ = new QButtonGroup(this);
    units_->setExclusive(false);
    for (const auto& [label, units] : unitsChoices()) {
        auto* choice = new QRadioButton(label, unitsBox);
        choice->setAutoExclusive(false);
        unitsLayout->addWidget(choice);
        units_->addButton(choice);
        unitChoices_.push_back(choice);
        connect(choice, &QRadioButton::clicked, this, [this, u = units] { chooseUnits(u); });
    }
    column->addWidget(unitsBox);
    column->addStretch(1);

    // isShowingPCB moves with the active viewport; settings change through
    // redraw requests; a new design brings new settings objects.
    connect(&viewModel, &ViewModel::activeViewportChanged, this, &ViewSettingsTab::refresh);
    connect(&viewModel, &ViewModel::redrawsChanged, this, &ViewSettingsTab::refresh);
    connect(&viewModel, &ViewModel::designLoaded, this, &ViewSettingsTab::refresh);
    refresh();
}

void ViewSettingsTab::addRow(const QString& label, bool pcbOnly, std::function<WrappedBool&()> field)
{
    auto* toggle = new QCheckBox(label, this);
    toggle->setObjectName(QStringLiteral("viewSwitch"));
    rows_.push_back(Row{label, pcbOnly, field, toggle});
    connect(toggle, &QCheckBox::toggled, this, [this, field](bool on) {
        if (refreshing_)
            return;
        // The setter stores the flag and asks for the redraw (and, for the
        // page, for the refit).
        field() = on;
    });
}

QCheckBox* ViewSettingsTab::toggle(const QString& label) const
{
    for (const Row& row : rows_)
        if (row.label == label)
            return row.toggle;
    return nullptr;
}

QStringList ViewSettingsTab::shownLabels() const
{
    QStringList labels;
    for (const Row& row : rows_)
        if (!row.toggle->isHidden())
            labels.append(row.label);
    return labels;
}

QRadioButton* ViewSettingsTab::unitsChoice(const QString& label) const
{
    for (QRadioButton* choice : unitChoices_)
        if (choice->text() == label)
            return choice;
    return nullptr;
}

void ViewSettingsTab::chooseUnits(Units units)
{
    // The units of the sheet being shown, which then redraws with them.
    MainView::shownSheetSettings().units = units;
    viewModel.requestRedraw(Redraw::model);
    refresh();
}

void ViewSettingsTab::refresh()
{
    refreshing_ = true;
    const bool pcb = viewModel.isShowingPCB;
    for (const Row& row : rows_) {
        row.toggle->setHidden(row.pcbOnly && !pcb);
        if (!row.toggle->isHidden())
            row.toggle->setChecked(row.field().value());
    }
    const Units units = MainView::shownSheetSettings().units;
    const auto& choices = unitsChoices();
    for (size_t i = 0; i < unitChoices_.size(); ++i)
        unitChoices_[i]->setChecked(choices[i].second == units);
    refreshing_ = false;
}

// ---- layer settings place ----

QWidget* makeLayerSettingsViewTab(ViewModel& viewModel, QWidget* parent)
{
    return new LayerSettingsViewTab(viewModel, parent);
}

// ---- RightSidePanelView ----

RightSidePanelView::RightSidePanelView(ViewModel& viewModel, int selectedTab, QWidget* parent)
    : QWidget(parent), viewModel(viewModel)
{
    setObjectName(QStringLiteral("rightSidePanelView"));
    setMaximumWidth(maximumPanelWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->setSpacing(6);

    tabBar_ = new SegmentedControl(this);
    tabBar_->setObjectName(QStringLiteral("rightSidePanelTabs"));
    tabBar_->addImageSegment(viewSettingsPage, QStringLiteral("gearshape.fill"), QStringLiteral("The settings"));
    tabBar_->addImageSegment(layerSettingsPage, QStringLiteral("square.3.layers.3d.middle.filled"),
        QStringLiteral("PCB layers"));
    auto* bar = new QWidget(this);
    auto* barLayout = new QVBoxLayout(bar);
    barLayout->setContentsMargins(8, 0, 18, 0);
    barLayout->addWidget(tabBar_);
    layout->addWidget(bar);

    pages_ = new QStackedWidget(this);
    viewSettings_ = new ViewSettingsTab(viewModel, pages_);
    layerSettings_ = makeLayerSettingsViewTab(viewModel, pages_);
    pages_->addWidget(viewSettings_);
    pages_->addWidget(layerSettings_);
    layout->addWidget(pages_, 1);

    connect(tabBar_, &SegmentedControl::valueChanged, this, &RightSidePanelView::setSelectedTab);
    setSelectedTab(selectedTab);
}

QWidget* RightSidePanelView::currentPage() const { return pages_->currentWidget(); }

void RightSidePanelView::setSelectedTab(int tab)
{
    selectedTab_ = tab;
    tabBar_->setValue(tab);
    pages_->setCurrentWidget(tab == layerSettingsPage ? layerSettings_ : static_cast<QWidget*>(viewSettings_));
    // Whatever the value, so that the next start opens on the same page.
    QSettings().setValue(kRightSidePanelSelectedTab, selectedTab_);
}

QSize RightSidePanelView::sizeHint() const { return QSize(280, QWidget::sizeHint().height()); }
