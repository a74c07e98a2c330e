#include "app/SettingsView.h"

#include "app/PanelWidgets.h"
#include "app/RightSidePanel.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "editors/EditorControl.h"
#include "editors/ImageButton.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const QString kLayersViewSelectedTab = QStringLiteral("LayersViewSelectedTab");
constexpr double kCornerRadius = 20;
constexpr double kOutlineWidth = 2;
// Keeps the pages clear of the rounded corners.
constexpr int kInset = 8;

} // namespace

SettingsView::SettingsView(ViewModel& viewModel, int selectedTab, double width, QWidget* parent)
    : QWidget(parent), viewModel(viewModel), panelWidth(std::isfinite(width) ? std::clamp(width, 1.0, 4000.0) : 340),
      selectedTab_(selectedTab)
{
    setObjectName(QStringLiteral("settingsView"));
    setAttribute(Qt::WA_TranslucentBackground);
    // The panel's width is the most it takes; a narrow sheet area gets a
    // narrower panel whose page scrolls sideways (see MainView's layout).
    setMinimumWidth(std::min(minimumPanelWidth, int(std::lround(panelWidth))));
    setMaximumWidth(int(std::lround(panelWidth)));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kInset, 0, kInset, kCornerRadius / 2 + kInset / 2);
    column->setSpacing(6);

    // The title centred, the close button at the trailing edge.
    auto* titleBar = new QWidget(this);
    auto* titleGrid = new QGridLayout(titleBar);
    titleGrid->setContentsMargins(0, 6, 4, 0);
    title_ = new QLabel(QStringLiteral("View"), titleBar);
    title_->setObjectName(QStringLiteral("settingsTitle"));
    QFont bold = title3Font();
    bold.setBold(true);
    title_->setFont(bold);
    title_->setAlignment(Qt::AlignCenter);
    close_ = new ImageButton(false, Qt::red, 10, false, true, 20, QStringLiteral("xmark.circle.fill"),
        [this] { this->viewModel.setShowSettingsPanel(false, true); }, titleBar);
    close_->setObjectName(QStringLiteral("settingsCloseButton"));
    close_->setFixedWidth(20);
    close_->setToolTip(QStringLiteral("Close"));
    titleGrid->addWidget(title_, 0, 0, Qt::AlignCenter);
    titleGrid->addWidget(close_, 0, 0, Qt::AlignRight | Qt::AlignVCenter);
    column->addWidget(titleBar);

    tabBar_ = new SegmentedControl(this);
    tabBar_->setObjectName(QStringLiteral("settingsTabs"));
    tabBar_->addTextSegment(layersPage, QStringLiteral("Layers"));
    tabBar_->addTextSegment(showPage, QStringLiteral("Show"));
    tabBar_->setValue(selectedTab_);
    column->addWidget(tabBar_);

    pages_ = new QStackedWidget;
    viewSettings_ = new ViewSettingsTab(viewModel, pages_);
    layerSettings_ = makeLayerSettingsViewTab(viewModel, pages_);
    pages_->addWidget(viewSettings_);
    pages_->addWidget(layerSettings_);
    // The pages scroll themselves up and down; this scroll area only adds
    // what a page narrower or shorter than its controls needs.
    pageScroll_ = new QScrollArea(this);
    pageScroll_->setObjectName(QStringLiteral("settingsPageScroll"));
    pageScroll_->setFrameShape(QFrame::NoFrame);
    pageScroll_->setWidgetResizable(true);
    pageScroll_->setWidget(pages_);
    column->addWidget(pageScroll_, 1);

    connect(tabBar_, &SegmentedControl::valueChanged, this, &SettingsView::setSelectedTab);
    // isShowingPCB moves with the active viewport.
    connect(&viewModel, &ViewModel::activeViewportChanged, this, &SettingsView::sync);
    connect(&viewModel, &ViewModel::flagsChanged, this, &SettingsView::sync);
    connect(&viewModel, &ViewModel::draggingOrZoomingChanged, this, &SettingsView::sync);
    connect(&viewModel, &ViewModel::designLoaded, this, [this] {
        setMaximumHeight(maximumPanelHeight());
        updateGeometry();
        sync();
    });
    setMaximumHeight(maximumPanelHeight());
    sync();
}

SettingsView* SettingsView::install(QWidget* host, ViewModel& viewModel, int selectedTab)
{
    // The panel paints its own rounded face; the host only carries it.
    if (auto* frame = qobject_cast<QFrame*>(host))
        frame->setFrameShape(QFrame::NoFrame);
    host->setAutoFillBackground(false);
    host->setAttribute(Qt::WA_TranslucentBackground);
    auto* shadow = new QGraphicsDropShadowEffect(host);
    shadow->setBlurRadius(40);
    shadow->setOffset(0, 0);
    shadow->setColor(QColor::fromRgbF(0, 0, 0, 0.33f));
    host->setGraphicsEffect(shadow);
    auto* panel = new SettingsView(viewModel, selectedTab, 340, host);
    if (QLayout* layout = host->layout())
        layout->addWidget(panel);
    return panel;
}

PcbLayerList& SettingsView::layerList() const { return Design::shared().currentDesignState()->pcb->layerList; }

PcbSettings& SettingsView::pcbSettings() const { return Design::shared().currentDesignState()->pcb->pcbSettings; }

QWidget* SettingsView::currentPage() const { return pages_->currentWidget(); }

void SettingsView::setSelectedTab(int tab)
{
    selectedTab_ = tab;
    tabBar_->setValue(tab);
    sync();
}

void SettingsView::storeTab() { QSettings().setValue(kLayersViewSelectedTab, selectedTab_); }

void SettingsView::sync()
{
    const bool panelShown = viewModel.showSettingsPanel() && !viewModel.draggingOrZooming();
    const bool pcb = viewModel.isShowingPCB;
    const bool barShown = panelShown && pcb;
    if (tabBarShown_ && !barShown)
        storeTab();
    tabBarShown_ = barShown;
    tabBar_->setVisible(pcb);
    // Without the bar only the view settings show.
    pages_->setCurrentWidget(pcb && selectedTab_ == layersPage ? layerSettings_ : static_cast<QWidget*>(viewSettings_));
}

int SettingsView::maximumPanelHeight() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double screenLimit = screen ? 0.9 * screen->geometry().height() : 810.0;
    const double layerLimit = 40.0 * double(layerList().layers.size()) + 250.0;
    return int(std::lround(std::clamp(std::min(screenLimit, layerLimit), 1.0, double(QWIDGETSIZE_MAX))));
}

QSize SettingsView::sizeHint() const { return QSize(int(std::lround(panelWidth)), maximumPanelHeight()); }

QSize SettingsView::minimumSizeHint() const { return QSize(minimumWidth(), minimumPanelHeight); }

void SettingsView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double h = kOutlineWidth / 2;
    QPainterPath face;
    face.addRoundedRect(QRectF(rect()).adjusted(h, h, -h, -h), kCornerRadius, kCornerRadius);
    p.fillPath(face, QGuiApplication::palette().window());
    p.setPen(QPen(Qt::black, kOutlineWidth));
    p.setBrush(Qt::NoBrush);
    p.drawPath(face);
}
