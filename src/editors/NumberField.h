#pragma once
// A number field bound to one model value. The model value is multiplied by
// scale() for display (sheet units per inch for lengths) and a typed value is
// divided by it before it is written. An edit is committed on Return or when
// the field loses focus, and only when the user changed the text: each commit
// writes the model once and requests one redraw.

#include "editors/EditorControl.h"

#include <QLineEdit>
#include <optional>

class NumberField : public QLineEdit, public EditorControl {
    Q_OBJECT
public:
    NumberField(NumberBinding binding, std::function<double()> scale, std::function<int()> decimals,
                QWidget* parent = nullptr);
    // A length shown in the given units.
    static NumberField* length(NumberBinding binding, UnitsSource units, QWidget* parent = nullptr);
    // A plain number with a fixed count of decimal places.
    static NumberField* plain(NumberBinding binding, int decimals, QWidget* parent = nullptr);

    // Values below the minimum (in model terms) are raised to it on commit.
    void setMinimum(double modelMinimum) { minimum_ = modelMinimum; }

    void refresh() override;
    // Commits the current text as an edit would (used by Return and focus loss).
    void commit();

private:
    QString displayText() const;

    NumberBinding binding_;
    std::function<double()> scale_;
    std::function<int()> decimals_;
    std::optional<double> minimum_;
};

#include <QLabel>

// The name of the units a length is shown in, kept current on refresh.
class UnitsLabel : public QLabel, public EditorControl {
    Q_OBJECT
public:
    explicit UnitsLabel(UnitsSource units, QWidget* parent = nullptr);
    void refresh() override;

private:
    UnitsSource units_;
};

// A length field followed by its units label, in one row widget.
QWidget* lengthFieldWithUnits(NumberField* field, UnitsSource units, QWidget* parent = nullptr);
