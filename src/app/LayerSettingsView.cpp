#include "app/LayerSettingsView.h"

#include "app/PanelWidgets.h"
#include "core/AppStyle.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/PcbLayerList.h"
#include "editors/ColorControls.h"
#include "editors/EditorControl.h"
#include "editors/ImageButton.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kPickerWidth = 50;
constexpr int kButtonSize = 20;
// Longest layer name shown whole; longer ones are cut in the middle.
constexpr int kMaximumNameLength = 60;

std::shared_ptr<PCB> currentPcb() { return Design::shared().currentDesignState()->pcb; }

} // namespace

// ---- LayerColorPicker ----

LayerColorPicker::LayerColorPicker(QWidget* parent) : QToolButton(parent)
{
    setObjectName(QStringLiteral("layerColorPicker"));
    setFixedWidth(kPickerWidth);
    setIconSize(QSize(kPickerWidth - 12, 14));
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setToolTip(QStringLiteral("Layer colour"));
    connect(this, &QToolButton::clicked, this, &LayerColorPicker::choose);
    updateSwatch();
}

void LayerColorPicker::setShownColor(const QColor& color)
{
    if (color == shown_ && !icon().isNull())
        return;
    shown_ = color;
    updateSwatch();
}

void LayerColorPicker::updateSwatch()
{
    const QSize size = iconSize();
    const QPixmap pixmap = colorSwatch(size, shown_, 4);
    // While the page is disabled the colour still shows, faded, rather than
    // as the style's grey.
    QPixmap faded(size);
    faded.fill(Qt::white);
    QPainter f(&faded);
    f.setOpacity(0.55);
    f.drawPixmap(0, 0, pixmap);
    f.end();
    QIcon icon(pixmap);
    icon.addPixmap(faded, QIcon::Disabled);
    setIcon(icon);
    setAccessibleDescription(shown_.isValid() ? shown_.name(QColor::HexArgb) : QString());
}

void LayerColorPicker::choose()
{
    // Opened, not run in a loop of its own: the row, and the dialog with it,
    // may go while the dialog is up (a new layer list), and nothing may be
    // left waiting on it then.
    auto* dialog = new QColorDialog(shown_, this);
    dialog->setWindowTitle(QStringLiteral("Layer Colour"));
    dialog->setOption(QColorDialog::ShowAlphaChannel);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QColorDialog::colorSelected, this, [this](const QColor& color) {
        if (color.isValid())
            emit colorChosen(color);
    });
    dialog->open();
}

// ---- LayerSettingsViewTab ----

LayerSettingsViewTab::LayerSettingsViewTab(ViewModel& viewModel, QWidget* parent)
    : QWidget(parent), viewModel(viewModel)
{
    setObjectName(QStringLiteral("layerSettingsViewTab"));
    setFont(title2Font());
    auto* outer = new QVBoxLayout(this);
    // Nothing on the leading edge, 10 points on the trailing one.
    outer->setContentsMargins(0, 0, 10, 0);

    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("layerSettingsScroll"));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setAutoFillBackground(true);
    QPalette pal = scroll_->palette();
    pal.setColor(QPalette::Window, appStyle().settingsBackground);
    pal.setColor(QPalette::WindowText, Qt::black);
    scroll_->setPalette(pal);
    auto* body = new QWidget(scroll_);
    body->setObjectName(QStringLiteral("layerSettingsBody"));
    body->setAutoFillBackground(true);
    body->setPalette(pal);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(10);
    scroll_->setWidget(body);
    outer->addWidget(outlinedFrame(scroll_));

    // The two buttons, centred over the rows.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    showAll_ = new ImageButton(false, Qt::black, 10, true, true, kButtonSize, QStringLiteral("plus.circle"),
        [] { showAllLayers(); }, body);
    showAll_->setObjectName(QStringLiteral("showAllLayersButton"));
    showAll_->setToolTip(QStringLiteral("Show all layers"));
    defaultLayers_ = new ImageButton(false, Qt::black, 10, true, true, kButtonSize, QStringLiteral("minus.circle"),
        [] { showDefaultLayers(); }, body);
    defaultLayers_->setObjectName(QStringLiteral("defaultLayersButton"));
    defaultLayers_->setToolTip(QStringLiteral("Show the default layers"));
    buttons->addWidget(showAll_);
    buttons->addWidget(defaultLayers_);
    buttons->addStretch(1);
    column->addLayout(buttons);

    rowsLayout_ = new QVBoxLayout;
    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    rowsLayout_->setSpacing(10);
    column->addLayout(rowsLayout_);
    more_ = new QLabel(body);
    more_->setObjectName(QStringLiteral("moreLayersLabel"));
    more_->hide();
    column->addWidget(more_);
    column->addStretch(1);

    // Layer values change through redraw requests; the tab switch moves the
    // active viewport (and isShowingPCB with it); a new design brings a new
    // list.
    // A hidden page only follows the tab; it catches up when shown.
    auto follow = [this] {
        if (isVisible())
            refresh();
        else
            setEnabled(this->viewModel.isShowingPCB);
    };
    connect(&viewModel, &ViewModel::redrawsChanged, this, follow);
    connect(&viewModel, &ViewModel::activeViewportChanged, this, follow);
    connect(&viewModel, &ViewModel::designLoaded, this, follow);
    refresh();
}

PcbLayerList& LayerSettingsViewTab::currentLayerList() { return currentPcb()->layerList; }

void LayerSettingsViewTab::showAllLayers()
{
    // The list of the design open at the moment of the press.
    currentLayerList().setAllLayersVisible(true);
}

void LayerSettingsViewTab::showDefaultLayers()
{
    // Positions that a short list does not have are skipped.
    currentLayerList().showDefaultLayers();
}

QString LayerSettingsViewTab::displayName(const QString& name)
{
    // Names come from the design file: one line, a bounded length, and an
    // "&" shown as itself rather than as a shortcut mark.
    QString text;
    text.reserve(std::min<qsizetype>(name.size(), 4 * kMaximumNameLength));
    for (QChar c : name.left(4 * kMaximumNameLength))
        text.append(c.category() == QChar::Other_Control || c.isSpace() ? QChar(u' ') : c);
    text = text.simplified();
    if (text.size() > kMaximumNameLength)
        text = text.left(kMaximumNameLength / 2 - 1) + QChar(0x2026) + text.right(kMaximumNameLength / 2 - 1);
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

QCheckBox* LayerSettingsViewTab::visibleToggle(int index) const
{
    return index >= 0 && index < rowCount() ? rows_[size_t(index)].toggle : nullptr;
}

LayerColorPicker* LayerSettingsViewTab::colorPicker(int index) const
{
    return index >= 0 && index < rowCount() ? rows_[size_t(index)].picker : nullptr;
}

void LayerSettingsViewTab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refresh();
}

void LayerSettingsViewTab::rebuildRows()
{
    // Deleted later: a row's control may be the sender of the change that
    // brought a new list.
    for (const Row& row : rows_) {
        rowsLayout_->removeWidget(row.widget);
        row.widget->hide();
        row.widget->deleteLater();
    }
    rows_.clear();

    const PcbLayerList& list = currentLayerList();
    const int count = list.count();
    const int shown = std::min(count, maximumRows);
    QWidget* body = scroll_->widget();
    for (int index = 0; index < shown; ++index) {
        auto* widget = new QWidget(body);
        widget->setObjectName(QStringLiteral("layerRow"));
        auto* layout = new QHBoxLayout(widget);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* picker = new LayerColorPicker(widget);
        auto* toggle = new QCheckBox(widget);
        toggle->setObjectName(QStringLiteral("layerVisibleToggle"));
        layout->addWidget(picker);
        layout->addWidget(toggle);
        layout->addStretch(1);
        rowsLayout_->addWidget(widget);
        // Each row reaches its layer by index in the list open at the time.
        connect(picker, &LayerColorPicker::colorChosen, this,
            [this, index](const QColor& color) { setLayerColor(index, color); });
        connect(toggle, &QCheckBox::toggled, this, [this, index](bool on) { setLayerVisible(index, on); });
        rows_.push_back(Row{widget, picker, toggle, QString()});
    }
    more_->setVisible(count > shown);
    if (count > shown)
        more_->setText(QStringLiteral("%1 more layers not listed").arg(count - shown));
    shownPcb_ = currentPcb();
    shownCount_ = count;
}

void LayerSettingsViewTab::refresh()
{
    refreshing_ = true;
    const std::shared_ptr<PCB> pcb = currentPcb();
    if (shownPcb_.lock() != pcb || shownCount_ != pcb->layerList.count())
        rebuildRows();
    const PcbLayerList& list = pcb->layerList;
    for (int index = 0; index < rowCount(); ++index) {
        const PcbLayer* layer = list.layerAt(index);
        if (!layer)
            continue;
        Row& row = rows_[size_t(index)];
        if (row.toggle->text().isEmpty() || row.name != layer->name) {
            row.name = layer->name;
            row.toggle->setText(displayName(layer->name));
            // Rich text, so that the escaped name shows as it stands.
            row.toggle->setToolTip(QStringLiteral("<p>%1</p>").arg(layer->name.left(1024).toHtmlEscaped()));
        }
        row.toggle->setChecked(layer->visible.value());
        row.picker->setShownColor(layer->color.value());
    }
    // Usable only while the PCB is shown.
    setEnabled(viewModel.isShowingPCB);
    refreshing_ = false;
}

void LayerSettingsViewTab::setLayerColor(int index, const QColor& color)
{
    if (refreshing_)
        return;
    PcbLayer* layer = viewModel.isShowingPCB ? currentLayerList().layerAt(index) : nullptr;
    // The setter stores the colour and asks for the redraw.
    if (layer)
        layer->color = color;
    refresh();
}

void LayerSettingsViewTab::setLayerVisible(int index, bool on)
{
    if (refreshing_)
        return;
    PcbLayer* layer = viewModel.isShowingPCB ? currentLayerList().layerAt(index) : nullptr;
    // The setter stores the flag and asks for the redraw.
    if (layer)
        layer->visible = on;
    // A refused change puts the toggle back.
    refresh();
}
