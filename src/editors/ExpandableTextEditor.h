#pragma once
// Multi-line text bound to a string of the model. Every change of the text is
// written at once and requests a redraw; the editor starts 38 pixels high and
// grows and shrinks with its text.

#include "editors/EditorControl.h"

#include <QPlainTextEdit>

class ExpandableTextEditor : public QPlainTextEdit, public EditorControl {
    Q_OBJECT
public:
    static constexpr int minimumTextHeight = 38;

    ExpandableTextEditor(std::function<QString()> get, std::function<void(const QString&)> set,
                         QWidget* parent = nullptr);
    // A stored string; the caller keeps it alive.
    explicit ExpandableTextEditor(QString& text, QWidget* parent = nullptr);

    // The height the text asks for, never below minimumTextHeight.
    int textHeight() const { return height_; }
    void refresh() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void onTextChanged();
    void updateHeight();

    std::function<QString()> get_;
    std::function<void(const QString&)> set_;
    int height_ = minimumTextHeight;
    bool updating_ = false;
};
