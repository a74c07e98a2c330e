#include "app/LeftSidePanel.h"

#include "app/DesignOpener.h"
#include "app/MainView.h"
#include "app/PanelWidgets.h"
#include "core/AppStyle.h"
#include "core/Util.h"
#include "editors/EditorControl.h"
#include "model/Entity.h"
#include "viewport/RecentFiles.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

const QString kLeftSidePanelSelectedTab = QStringLiteral("LeftSidePanelSelectedTab");

void paintBackground(QWidget* widget, const QColor& color)
{
    widget->setAutoFillBackground(true);
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, color);
    widget->setPalette(pal);
}

} // namespace

const QStringList& sampleDesignNames()
{
    static const QStringList names = {
        QStringLiteral("Quorlan"),
        QStringLiteral("Blinkwell"),
        QStringLiteral("Tidemark"),
        QStringLiteral("Harrowby"),
        QStringLiteral("Marlowe"),
        QStringLiteral("Kestrel"),
        QStringLiteral("Fenwick"),
        QStringLiteral("Vireo"),
        QStringLiteral("Orrin"),
        QStringLiteral("Sablewing"),
        QStringLiteral("Lumengrid"),
    };
    return names;
}

// ---- PropertiesPanel ----

PropertiesPanel::PropertiesPanel(ViewModel& viewModel, QWidget* parent) : QWidget(parent), viewModel(viewModel)
{
    setObjectName(QStringLiteral("propertiesPanel"));
    paintBackground(this, appStyle().panelBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("propertiesScroll"));
    scroll_->setFrameShape(QFrame::NoFrame);
    // The editors scroll their own content; this area only has to give them
    // the page's height and show the grey page when nothing is picked.
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->viewport()->setAutoFillBackground(false);
    scroll_->setAutoFillBackground(false);
    layout->addWidget(scroll_);
    connect(&viewModel, &ViewModel::selectedEntityChanged, this, &PropertiesPanel::rebuild);
    rebuild();
}

void PropertiesPanel::rebuild()
{
    const std::shared_ptr<Entity>& entity = viewModel.selectedEntity();
    // The same entity picked again keeps its editor (and where it scrolled to).
    if (entity && editor_ && shownEntity_.lock() == entity)
        return;
    if (QWidget* old = scroll_->takeWidget()) {
        // The editor may be the sender of the change that got here.
        old->hide();
        old->deleteLater();
    }
    editor_ = nullptr;
    shownEntity_.reset();
    if (!entity)
        return;
    QWidget* editor = editorFor(entity);
    if (!editor)
        return;
    editor->setObjectName(editor->objectName().isEmpty() ? QStringLiteral("entityEditor") : editor->objectName());
    scroll_->setWidget(editor);
    editor_ = editor;
    shownEntity_ = entity;
}

// ---- RecentFilesView ----

RecentFilesView::RecentFilesView(ViewModel& viewModel, QWidget* parent) : QWidget(parent), viewModel(viewModel)
{
    setObjectName(QStringLiteral("recentFilesView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    emptyHeader_ = new QLabel(QStringLiteral("No recent files"), this);
    emptyHeader_->setObjectName(QStringLiteral("noRecentFiles"));
    emptyHeader_->setFont(title2Font());
    emptyHeader_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    emptyHeader_->setContentsMargins(0, 10, 0, 0);
    layout->addWidget(emptyHeader_);

    clearButton_ = new QPushButton(panelIcon(QStringLiteral("clear")), QStringLiteral("Clear"), this);
    clearButton_->setObjectName(QStringLiteral("clearRecentFiles"));
    clearButton_->setFont(title2Font());
    clearButton_->setIconSize(QSize(20, 20));
    clearButton_->setToolTip(QStringLiteral("Clear the recent files list"));
    clearButton_->setFlat(true);
    // Only a click clears: the button never holds the keyboard focus, so no
    // key press (Space, Return) can empty the list by accident.
    clearButton_->setFocusPolicy(Qt::NoFocus);
    connect(clearButton_, &QPushButton::clicked, this, &RecentFilesView::clearRecentFiles);
    layout->addWidget(clearButton_, 0, Qt::AlignHCenter);

    list_ = new PanelList(this);
    list_->setObjectName(QStringLiteral("recentFilesList"));
    layout->addWidget(list_, 1);

    // The store is a plain list: every change of it comes with a redraw
    // request or the view model's own notice.
    connect(&viewModel, &ViewModel::redrawsChanged, this, &RecentFilesView::sync);
    connect(&viewModel, &ViewModel::recentFilesChanged, this, &RecentFilesView::sync);
    sync();
}

QStringList RecentFilesView::shownNames() const
{
    QStringList names;
    for (const QUrl& url : shown_)
        names.append(designShortName(url));
    return names;
}

void RecentFilesView::sync()
{
    const QList<QUrl>& files = recentFiles();
    if (built_ && files == shown_)
        return;
    built_ = true;
    shown_ = files;
    emptyHeader_->setVisible(files.isEmpty());
    clearButton_->setVisible(!files.isEmpty());
    list_->clear();
    for (const QUrl& url : files) {
        ClickableLabel* name = nullptr;
        QWidget* row = PanelList::makeRow(designShortName(url), 30, "recentFileName", &name);
        row->setToolTip(url.isLocalFile() ? url.toLocalFile() : url.toString());
        name->setFont(title2Font());
        connect(name, &ClickableLabel::clicked, this, [this, url] { openRecentFile(url); });
        list_->addRow(row);
    }
}

void RecentFilesView::clearRecentFiles()
{
    recentFiles().clear();
    saveRecentFiles();
    viewModel.requestRedraw(Redraw::panels);
}

void RecentFilesView::openRecentFile(const QUrl& url)
{
    pendingRecentFileURL() = url;
    viewModel.setIsShowingOpen(true);
    // Opened as the open panel would open it: a file that has gone raises
    // the "Could not open " alert and leaves the design and the list as they
    // were; one that reads comes to the front of the list.
    if (DesignOpener* opener = DesignOpener::current())
        opener->openFile(url);
    else
        viewModel.loadDesign(url);
}

// ---- SampleView ----

SampleView::SampleView(ViewModel& viewModel, QWidget* parent) : QWidget(parent), viewModel(viewModel)
{
    setObjectName(QStringLiteral("sampleView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    list_ = new PanelList(this);
    list_->setObjectName(QStringLiteral("sampleList"));
    layout->addWidget(list_, 1);
    for (const QString& sample : sampleDesignNames()) {
        ClickableLabel* name = nullptr;
        list_->addRow(PanelList::makeRow(sample, 0, "sampleName", &name));
        name->setFont(title2Font());
        connect(name, &ClickableLabel::clicked, this, [this, sample] { openSample(sample); });
        labels_.append(name);
    }
    connect(&viewModel, &ViewModel::designShortNameChanged, this, &SampleView::syncBold);
    syncBold();
}

ClickableLabel* SampleView::nameLabel(const QString& name) const
{
    for (ClickableLabel* label : labels_)
        if (label->text() == name)
            return label;
    return nullptr;
}

void SampleView::syncBold()
{
    for (ClickableLabel* label : labels_) {
        QFont font = label->font();
        font.setBold(label->text() == viewModel.designShortName());
        label->setFont(font);
    }
}

void SampleView::openSample(const QString& name)
{
    // The schematic tab and the settings pages need a first schematic sheet.
    if (DesignOpener* opener = DesignOpener::current()) {
        opener->openSample(name, [] { MainView::ensureSchematicSheet(); });
        return;
    }
    viewModel.openSampleDesign(name);
    MainView::ensureSchematicSheet();
}

// ---- LeftSidePanelView ----

LeftSidePanelView::LeftSidePanelView(ViewModel& viewModel, int selectedTab, QWidget* parent)
    : QWidget(parent), viewModel(viewModel)
{
    setObjectName(QStringLiteral("leftSidePanelView"));
    setFixedWidth(width);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->setSpacing(6);

    tabBar_ = new SegmentedControl(this);
    tabBar_->setObjectName(QStringLiteral("leftSidePanelTabs"));
    tabBar_->addImageSegment(propertiesPage, QStringLiteral("square.and.pencil"),
        QStringLiteral("The properties editor"));
    tabBar_->addImageSegment(recentFilesPage, QStringLiteral("document"), QStringLiteral("Recent documents"));
    tabBar_->addImageSegment(samplesPage, QStringLiteral("list.star"), QStringLiteral("Sample designs"));
    auto* bar = new QWidget(this);
    auto* barLayout = new QVBoxLayout(bar);
    barLayout->setContentsMargins(8, 0, 8, 0);
    barLayout->addWidget(tabBar_);
    layout->addWidget(bar);

    pages_ = new QStackedWidget(this);
    properties_ = new PropertiesPanel(viewModel, pages_);
    recent_ = new RecentFilesView(viewModel, pages_);
    samples_ = new SampleView(viewModel, pages_);
    pages_->addWidget(properties_);
    pages_->addWidget(recent_);
    pages_->addWidget(samples_);
    layout->addWidget(pages_, 1);

    connect(tabBar_, &SegmentedControl::valueChanged, this, &LeftSidePanelView::setSelectedTab);
    setSelectedTab(selectedTab);
}

QWidget* LeftSidePanelView::currentPage() const { return pages_->currentWidget(); }

void LeftSidePanelView::setSelectedTab(int tab)
{
    selectedTab_ = tab;
    tabBar_->setValue(tab);
    showPage();
}

void LeftSidePanelView::showPage()
{
    switch (selectedTab_) {
    case recentFilesPage:
        pages_->setCurrentWidget(recent_);
        break;
    case samplesPage:
        pages_->setCurrentWidget(samples_);
        break;
    default:
        pages_->setCurrentWidget(properties_);
        break;
    }
    // Whatever the value, so that the next start opens on the same page.
    QSettings().setValue(kLeftSidePanelSelectedTab, selectedTab_);
}
