#pragma once
// A titled section of an editor that folds away: the pen, fill and extrusion
// sections. When given a settings key the expanded state is read from and
// written to that Bool user default.

#include <QWidget>

class QToolButton;
class QVBoxLayout;

class EditorSection : public QWidget {
    Q_OBJECT
public:
    explicit EditorSection(const QString& title, QWidget* parent = nullptr);
    // Expanded state kept in the Bool user default `settingsKey` (a missing
    // key reads as collapsed).
    EditorSection(const QString& title, const QString& settingsKey, QWidget* parent = nullptr);

    QString title() const;
    bool isExpanded() const;
    void setExpanded(bool expanded);
    // Adds a widget below the ones added before; the section takes it.
    void addWidget(QWidget* widget);
    QWidget* body() const { return body_; }
    QToolButton* toggleButton() const { return toggle_; }

private:
    void build(const QString& title, bool expanded);

    QString settingsKey_;
    QToolButton* toggle_ = nullptr;
    QWidget* body_ = nullptr;
    QVBoxLayout* bodyLayout_ = nullptr;
};

// A row of a section: a label on the left, the control on the right.
QWidget* labelledRow(const QString& label, QWidget* control, QWidget* parent = nullptr);
