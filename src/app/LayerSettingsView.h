#pragma once
// The layer page of the right side panel and of the floating settings panel:
// "show all" and "default layers" buttons over one row per PCB layer, each
// with a colour picker and a visibility toggle labelled with the layer's
// name. Every change writes the layer and asks for a redraw. The page is
// usable only while the PCB tab is shown.

#include <QColor>
#include <QString>
#include <QToolButton>
#include <QWidget>

#include <memory>
#include <vector>

class ImageButton;
class PCB;
class PcbLayerList;
class QCheckBox;
class QLabel;
class QScrollArea;
class QVBoxLayout;
class ViewModel;

// The swatch of a layer's colour; a click opens the colour dialog (with
// opacity) and a chosen colour goes to `commit`.
class LayerColorPicker : public QToolButton {
    Q_OBJECT
public:
    explicit LayerColorPicker(QWidget* parent = nullptr);

    const QColor& shownColor() const { return shown_; }
    void setShownColor(const QColor& color);

signals:
    // A colour the user chose.
    void colorChosen(const QColor& color);

private:
    void choose();
    void updateSwatch();

    QColor shown_;
};

class LayerSettingsViewTab : public QWidget {
    Q_OBJECT
public:
    // A design may name any number of layers; the page lists this many and
    // says how many more there are.
    static constexpr int maximumRows = 256;

    explicit LayerSettingsViewTab(ViewModel& viewModel, QWidget* parent = nullptr);

    ViewModel& viewModel;

    // The open design's PCB layer list, looked up afresh.
    static PcbLayerList& currentLayerList();

    ImageButton* showAllButton() const { return showAll_; }
    ImageButton* defaultLayersButton() const { return defaultLayers_; }
    int rowCount() const { return int(rows_.size()); }
    QCheckBox* visibleToggle(int index) const;
    LayerColorPicker* colorPicker(int index) const;
    // "N more layers" when the list is longer than maximumRows, else hidden.
    QLabel* moreLabel() const { return more_; }
    QScrollArea* scrollArea() const { return scroll_; }

    // The two buttons: every layer of the open design shown, or only the
    // default set.
    static void showAllLayers();
    static void showDefaultLayers();

    // The text a layer name is shown with: one line, at most this long.
    static QString displayName(const QString& name);

public slots:
    // Rebuilds the rows when the open design's list is another one or has
    // another length, then re-reads every value and the enabled state.
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Row {
        QWidget* widget;
        LayerColorPicker* picker;
        QCheckBox* toggle;
        // The layer name the toggle's text was made from.
        QString name;
    };
    void rebuildRows();
    void setLayerColor(int index, const QColor& color);
    void setLayerVisible(int index, bool on);

    QScrollArea* scroll_;
    QVBoxLayout* rowsLayout_;
    ImageButton* showAll_;
    ImageButton* defaultLayers_;
    QLabel* more_;
    std::vector<Row> rows_;
    // The sheet whose list the rows show, and that list's length.
    std::weak_ptr<PCB> shownPcb_;
    int shownCount_ = -1;
    bool refreshing_ = false;
};
