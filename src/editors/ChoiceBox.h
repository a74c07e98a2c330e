#pragma once
// A drop-down list bound to an enumeration of the model. Picking an entry
// writes its value once and requests one redraw.

#include "editors/EditorControl.h"

#include <QComboBox>
#include <utility>
#include <vector>

class ChoiceBox : public QComboBox, public EditorControl {
    Q_OBJECT
public:
    // Entries are (text, value) in the order shown.
    ChoiceBox(std::vector<std::pair<QString, int>> entries, std::function<int()> get, std::function<void(int)> set,
              QWidget* parent = nullptr);

    // Picks the entry of `value` as the user would; unknown values are ignored.
    void choose(int value);
    int currentValue() const;
    void refresh() override;

private:
    void onActivated(int index);

    std::function<int()> get_;
    std::function<void(int)> set_;
};

// A ChoiceBox over an enum stored in the model, listing `values` by the words
// `toString` gives them. The caller keeps `field` alive.
template <class E, class ToString>
ChoiceBox* makeEnumChoice(E& field, std::initializer_list<E> values, ToString toString, QWidget* parent = nullptr)
{
    std::vector<std::pair<QString, int>> entries;
    for (E v : values)
        entries.emplace_back(QString::fromLatin1(toString(v)), int(v));
    E* p = &field;
    return new ChoiceBox(
        std::move(entries), [p] { return int(*p); }, [p](int v) { *p = E(v); }, parent);
}
