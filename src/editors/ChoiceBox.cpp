#include "editors/ChoiceBox.h"

ChoiceBox::ChoiceBox(std::vector<std::pair<QString, int>> entries, std::function<int()> get,
                     std::function<void(int)> set, QWidget* parent)
    : QComboBox(parent), get_(std::move(get)), set_(std::move(set))
{
    for (const auto& [text, value] : entries)
        addItem(text, value);
    // activated is the user's pick only; programmatic changes do not write.
    connect(this, &QComboBox::activated, this, &ChoiceBox::onActivated);
    refresh();
}

void ChoiceBox::refresh()
{
    if (!get_)
        return;
    const int index = findData(get_());
    if (index != currentIndex())
        setCurrentIndex(index);
}

int ChoiceBox::currentValue() const
{
    return currentIndex() >= 0 ? currentData().toInt() : -1;
}

void ChoiceBox::choose(int value)
{
    const int index = findData(value);
    if (index < 0)
        return;
    setCurrentIndex(index);
    emit activated(index); // as a pick in the list, so listeners hear it too
}

void ChoiceBox::onActivated(int index)
{
    if (index < 0 || !set_)
        return;
    set_(itemData(index).toInt());
    refresh();
    refreshActiveViewport();
}
