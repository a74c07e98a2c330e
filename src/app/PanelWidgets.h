#pragma once
// Small building blocks shared by the side panels and the floating settings
// panel: the segmented tab bar, a label that answers a click, the panels'
// symbol images and the outlined list of the document pages.

#include <QColor>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <vector>

class QButtonGroup;
class QHBoxLayout;
class QToolButton;
class QVBoxLayout;

// A row of segments, each with a value; at most one is highlighted. A value
// that no segment has highlights none (a stored page number out of range).
class SegmentedControl : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedControl(QWidget* parent = nullptr);

    // A segment showing a symbol image, with a tooltip.
    QToolButton* addImageSegment(int value, const QString& image, const QString& toolTip);
    // A segment showing a text.
    QToolButton* addTextSegment(int value, const QString& text);

    int value() const { return value_; }
    // Highlights the segment of the value (none when no segment has it);
    // emits nothing.
    void setValue(int value);
    int count() const { return int(segments_.size()); }
    QToolButton* segment(int index) const;
    // The highlighted segment, or null.
    QToolButton* checkedSegment() const;

signals:
    // The user chose a segment.
    void valueChanged(int value);

private:
    QToolButton* addSegment(int value);
    void syncChecks();

    QHBoxLayout* layout_;
    std::vector<std::pair<int, QToolButton*>> segments_;
    int value_ = 0;
};

// A text label that reports a click (a press and release of the left button
// inside it).
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

// The symbol images of the panels, drawn so they look the same on every
// desktop ("square.and.pencil", "document", "list.star", "clear",
// "gearshape.fill", "square.3.layers.3d.middle.filled", and the application
// image "PcbBoard"); other names go to the editors' symbol images.
QPixmap panelSymbol(const QString& name, int size, const QColor& color);
QIcon panelIcon(const QString& name, const QColor& color = QColor(0x33, 0x33, 0x33));

// content in a wrapper outlined by a 1 point line just inside its edge.
QWidget* outlinedFrame(QWidget* content, const QColor& color = Qt::gray);

// The list area of the recent-documents and sample-designs pages: rows top
// to bottom in a vertical scroll area outlined in grey, texts in blue, 10
// points in from the leading edge.
class PanelList : public QWidget {
    Q_OBJECT
public:
    explicit PanelList(QWidget* parent = nullptr);

    // Removes every row (deleted later: a row may be the sender of the click
    // that caused this).
    void clear();
    void addRow(QWidget* row);
    int rowCount() const;
    // A row of the lists: the image (scaled into imageSide x imageSide, or at
    // its natural size when imageSide is 0) and the name as a clickable label
    // named nameObjectName.
    static QWidget* makeRow(const QString& name, int imageSide, const char* nameObjectName, ClickableLabel** label);

private:
    QVBoxLayout* rows_;
};
