#pragma once
// Shared plumbing of the property-editor controls: value bindings, the units a
// length is shown in, the redraw request made after an edit, and the refresh
// walk that brings every control back in step with the model.

#include "core/Units.h"

#include <QString>
#include <functional>
#include <type_traits>

class QWidget;
class QFont;

// A control that shows model values; refresh() re-reads them. Controls that
// the user is typing into keep their text until the edit is committed.
class EditorControl {
public:
    virtual ~EditorControl() = default;
    virtual void refresh() {}
};

// Refreshes root and every descendant widget that is an EditorControl.
void refreshControls(QWidget* root);

// The redraw request made after every edit: the view model counts it, marks
// the active viewport for display and counts the viewport's redraw.
void refreshActiveViewport();

// Read and write access to one number of the model. The setter lets an entity
// run its own logic (a rectangle moving when its centre is set).
struct NumberBinding {
    std::function<double()> get;
    std::function<void(double)> set;
};
// Binds straight to a stored double; the caller keeps it alive.
NumberBinding bindNumber(double& value);

// The units lengths are shown and typed in, asked afresh at each refresh so a
// change of the sheet's units shows at the next redraw. Built from a Units
// value or from anything callable that returns Units; the default is inches.
class UnitsSource {
public:
    UnitsSource() = default;
    UnitsSource(Units units) : fixed_(units) {}
    template <class F, class = std::enable_if_t<std::is_invocable_r_v<Units, F&>>>
    UnitsSource(F f) : source_(std::move(f)) {}

    Units operator()() const { return source_ ? source_() : fixed_; }

private:
    Units fixed_ = Units::inch;
    std::function<Units()> source_;
};

// Decimal places a length is shown with in these units.
int lengthDecimals(Units units);
// value with at most `decimals` places, trailing zeros dropped ("25.4", "1").
QString formatNumber(double value, int decimals);
// A number typed by the user: the locale's form or the C form, surrounding
// blanks ignored; empty or non-finite text gives false.
bool parseNumber(const QString& text, double* value);

// Fonts of the editor headings, scaled from the application font.
QFont titleFont();  // the placeholder title
QFont title2Font(); // "Not implemented"
QFont title3Font(); // section headings and bold labels
