#include "editors/NumberField.h"

#include <QHBoxLayout>
#include <cmath>

NumberField::NumberField(NumberBinding binding, std::function<double()> scale, std::function<int()> decimals,
                         QWidget* parent)
    : QLineEdit(parent), binding_(std::move(binding)), scale_(std::move(scale)), decimals_(std::move(decimals))
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(this, &QLineEdit::editingFinished, this, &NumberField::commit);
    refresh();
}

NumberField* NumberField::length(NumberBinding binding, UnitsSource units, QWidget* parent)
{
    return new NumberField(
        std::move(binding), [units] { return unitsPerInch(units()); }, [units] { return lengthDecimals(units()); },
        parent);
}

NumberField* NumberField::plain(NumberBinding binding, int decimals, QWidget* parent)
{
    return new NumberField(std::move(binding), [] { return 1.0; }, [decimals] { return decimals; }, parent);
}

QString NumberField::displayText() const
{
    if (!binding_.get)
        return QString();
    const double scale = scale_ ? scale_() : 1.0;
    return formatNumber(binding_.get() * scale, decimals_ ? decimals_() : 4);
}

void NumberField::refresh()
{
    // Leave an edit in progress alone; it is committed or reverted when done.
    if (hasFocus() && isModified())
        return;
    const QString text = displayText();
    if (this->text() != text)
        setText(text);
    setModified(false);
}

void NumberField::commit()
{
    if (!isModified())
        return;
    setModified(false);
    double typed = 0;
    const double scale = scale_ ? scale_() : 1.0;
    if (!binding_.set || !parseNumber(text(), &typed) || !std::isfinite(scale) || scale == 0) {
        setText(displayText()); // not a number: show the model's value again
        return;
    }
    double value = typed / scale;
    if (!std::isfinite(value)) {
        setText(displayText());
        return;
    }
    if (minimum_ && value < *minimum_)
        value = *minimum_;
    binding_.set(value);
    setText(displayText());
    setModified(false);
    refreshActiveViewport();
}

UnitsLabel::UnitsLabel(UnitsSource units, QWidget* parent) : QLabel(parent), units_(units)
{
    setMinimumWidth(30);
    refresh();
}

void UnitsLabel::refresh()
{
    const QString text = QString::fromUtf8(unitsLabel(units_()));
    if (this->text() != text)
        setText(text);
}

QWidget* lengthFieldWithUnits(NumberField* field, UnitsSource units, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    field->setParent(row);
    layout->addWidget(field, 1);
    layout->addWidget(new UnitsLabel(units, row));
    return row;
}
