#include "editors/ExpandableTextEditor.h"

#include <QTextBlock>
#include <QTextLayout>
#include <cmath>

ExpandableTextEditor::ExpandableTextEditor(std::function<QString()> get, std::function<void(const QString&)> set,
                                           QWidget* parent)
    : QPlainTextEdit(parent), get_(std::move(get)), set_(std::move(set))
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(height_);
    refresh();
    connect(this, &QPlainTextEdit::textChanged, this, &ExpandableTextEditor::onTextChanged);
}

ExpandableTextEditor::ExpandableTextEditor(QString& text, QWidget* parent)
    : ExpandableTextEditor([p = &text] { return *p; }, [p = &text](const QString& v) { *p = v; }, parent)
{
}

void ExpandableTextEditor::refresh()
{
    if (!get_)
        return;
    const QString model = get_();
    // Only a change made elsewhere replaces the text (and the cursor with it).
    if (model != toPlainText()) {
        updating_ = true;
        setPlainText(model);
        updating_ = false;
    }
    updateHeight();
}

void ExpandableTextEditor::onTextChanged()
{
    updateHeight();
    if (updating_ || !set_)
        return;
    set_(toPlainText());
    refreshActiveViewport();
}

void ExpandableTextEditor::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    updateHeight(); // wrapping changes with the width
}

void ExpandableTextEditor::updateHeight()
{
    // A plain text layout counts lines per block; the line height comes from
    // the font so an empty document still gets one line.
    int lines = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        lines += std::max(1, block.layout() ? block.layout()->lineCount() : 1);
    lines = std::max(lines, 1);
    const int lineHeight = fontMetrics().lineSpacing();
    const int margins = int(std::ceil(document()->documentMargin() * 2)) + frameWidth() * 2;
    const int wanted = std::max(minimumTextHeight, lines * lineHeight + margins);
    if (wanted != height_) {
        height_ = wanted;
        setFixedHeight(height_);
    }
}
