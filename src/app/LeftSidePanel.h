#pragma once
// The left side panel: a segmented tab bar over three pages, the picked
// entity's property editor, the recent documents and the sample designs.
// The page shown is kept in the user default "LeftSidePanelSelectedTab".

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <memory>

class ClickableLabel;
class Entity;
class PanelList;
class QLabel;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class SegmentedControl;
class ViewModel;

// The names of the designs that ship with the application, in the order
// listed; each is the resource ":/samples/<name>.project". "Quorlan" is the
// one opened at start-up.
const QStringList& sampleDesignNames();

// The picked entity's property editor in a scroll area on the panel
// background; empty when nothing is picked or the entity has no editor.
class PropertiesPanel : public QWidget {
    Q_OBJECT
public:
    explicit PropertiesPanel(ViewModel& viewModel, QWidget* parent = nullptr);

    ViewModel& viewModel;
    // The editor shown, or null.
    QWidget* editor() const { return editor_; }
    QScrollArea* scrollArea() const { return scroll_; }

private:
    void rebuild();

    QScrollArea* scroll_;
    QPointer<QWidget> editor_;
    std::weak_ptr<Entity> shownEntity_;
};

// "No recent files", or the "Clear" button, over the list of recent
// documents (most recent first). A click on a document's name records it in
// pendingRecentFileURL, raises the view model's isShowingOpen and opens it.
class RecentFilesView : public QWidget {
    Q_OBJECT
public:
    explicit RecentFilesView(ViewModel& viewModel, QWidget* parent = nullptr);

    ViewModel& viewModel;
    QLabel* emptyHeader() const { return emptyHeader_; }
    QPushButton* clearButton() const { return clearButton_; }
    PanelList* list() const { return list_; }
    // The short names listed, in order.
    QStringList shownNames() const;

    // The clear button's action.
    void clearRecentFiles();
    // A click on the name of a listed document.
    void openRecentFile(const QUrl& url);

private:
    // Rebuilds the rows when the store no longer matches what is shown.
    void sync();

    QLabel* emptyHeader_;
    QPushButton* clearButton_;
    PanelList* list_;
    QList<QUrl> shown_;
    bool built_ = false;
};

// The sample designs; the open one's name in bold. A click on a name opens
// that sample (the recent documents are left alone).
class SampleView : public QWidget {
    Q_OBJECT
public:
    explicit SampleView(ViewModel& viewModel, QWidget* parent = nullptr);

    ViewModel& viewModel;
    PanelList* list() const { return list_; }
    // The name label of a sample's row, or null.
    ClickableLabel* nameLabel(const QString& name) const;

    void openSample(const QString& name);

private:
    void syncBold();

    PanelList* list_;
    QList<ClickableLabel*> labels_;
};

class LeftSidePanelView : public QWidget {
    Q_OBJECT
public:
    enum Page { propertiesPage = 0, recentFilesPage = 1, samplesPage = 2 };
    static constexpr int width = 320;

    LeftSidePanelView(ViewModel& viewModel, int selectedTab, QWidget* parent = nullptr);

    ViewModel& viewModel;

    int selectedTab() const { return selectedTab_; }
    // Shows the page (properties for a value other than 0, 1, 2) and stores
    // the value, whatever it is.
    void setSelectedTab(int tab);

    SegmentedControl* tabBar() const { return tabBar_; }
    PropertiesPanel* propertiesPanel() const { return properties_; }
    RecentFilesView* recentFilesView() const { return recent_; }
    SampleView* sampleView() const { return samples_; }
    QWidget* currentPage() const;

private:
    void showPage();

    int selectedTab_ = 0;
    SegmentedControl* tabBar_;
    QStackedWidget* pages_;
    PropertiesPanel* properties_;
    RecentFilesView* recent_;
    SampleView* samples_;
};
