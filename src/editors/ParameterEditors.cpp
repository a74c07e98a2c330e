#include "editors/ParameterEditors.h"

#include "editors/NumberField.h"

#include <QHBoxLayout>
#include <QLabel>

namespace {
QLabel* caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}
}

LengthPairEditor::LengthPairEditor(NumberBinding first, NumberBinding second, const QString& label,
                                   const QString& firstCaption, const QString& secondCaption, UnitsSource units,
                                   int numberWidth, QWidget* parent)
    : QWidget(parent), units_(units)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 2, 0, 2);
    row->setSpacing(4);
    auto* name = new QLabel(label, this);
    name->setMinimumWidth(50);
    row->addWidget(name, 1);
    first_ = NumberField::length(std::move(first), units, this);
    second_ = NumberField::length(std::move(second), units, this);
    first_->setFixedWidth(numberWidth);
    second_->setFixedWidth(numberWidth);
    first_->setAccessibleName(label + u' ' + firstCaption);
    second_->setAccessibleName(label + u' ' + secondCaption);
    row->addWidget(caption(firstCaption, this));
    row->addWidget(first_);
    row->addWidget(caption(secondCaption, this));
    row->addWidget(second_);
    unitsLabel_ = new QLabel(this);
    unitsLabel_->setMinimumWidth(30);
    row->addWidget(unitsLabel_);
    refresh();
}

void LengthPairEditor::refresh()
{
    unitsLabel_->setText(QString::fromUtf8(unitsLabel(units_())));
}

static NumberBinding pointX(std::function<QPointF()> get, std::function<void(const QPointF&)> set)
{
    return {[get] { return get().x(); },
            [get, set](double v) {
                QPointF p = get();
                p.setX(v);
                set(p);
            }};
}

static NumberBinding pointY(std::function<QPointF()> get, std::function<void(const QPointF&)> set)
{
    return {[get] { return get().y(); },
            [get, set](double v) {
                QPointF p = get();
                p.setY(v);
                set(p);
            }};
}

PointParametersEditor::PointParametersEditor(NumberBinding x, NumberBinding y, const QString& label,
                                             UnitsSource units, int numberWidth, QWidget* parent)
    : LengthPairEditor(std::move(x), std::move(y), label, QStringLiteral("X"), QStringLiteral("Y"), units,
                       numberWidth, parent)
{
}

PointParametersEditor::PointParametersEditor(std::function<QPointF()> get, std::function<void(const QPointF&)> set,
                                             const QString& label, UnitsSource units, int numberWidth,
                                             QWidget* parent)
    : PointParametersEditor(pointX(get, set), pointY(get, set), label, units, numberWidth, parent)
{
}

PointParametersEditor::PointParametersEditor(QPointF& point, const QString& label, UnitsSource units,
                                             int numberWidth, QWidget* parent)
    : PointParametersEditor([p = &point] { return *p; }, [p = &point](const QPointF& v) { *p = v; }, label, units,
                            numberWidth, parent)
{
}

static NumberBinding sizeWidth(std::function<QSizeF()> get, std::function<void(const QSizeF&)> set)
{
    return {[get] { return get().width(); },
            [get, set](double v) {
                QSizeF s = get();
                s.setWidth(v);
                set(s);
            }};
}

static NumberBinding sizeHeight(std::function<QSizeF()> get, std::function<void(const QSizeF&)> set)
{
    return {[get] { return get().height(); },
            [get, set](double v) {
                QSizeF s = get();
                s.setHeight(v);
                set(s);
            }};
}

SizeParametersEditor::SizeParametersEditor(NumberBinding width, NumberBinding height, const QString& label,
                                           UnitsSource units, int numberWidth, QWidget* parent)
    : LengthPairEditor(std::move(width), std::move(height), label, QStringLiteral("W"), QStringLiteral("H"), units,
                       numberWidth, parent)
{
}

SizeParametersEditor::SizeParametersEditor(std::function<QSizeF()> get, std::function<void(const QSizeF&)> set,
                                           const QString& label, UnitsSource units, int numberWidth,
                                           QWidget* parent)
    : SizeParametersEditor(sizeWidth(get, set), sizeHeight(get, set), label, units, numberWidth, parent)
{
}

SizeParametersEditor::SizeParametersEditor(QSizeF& size, const QString& label, UnitsSource units, int numberWidth,
                                           QWidget* parent)
    : SizeParametersEditor([s = &size] { return *s; }, [s = &size](const QSizeF& v) { *s = v; }, label, units,
                           numberWidth, parent)
{
}

TwoParametersEditor::TwoParametersEditor(const QString& firstLabel, NumberBinding first, const QString& secondLabel,
                                         NumberBinding second, int decimals, int numberWidth, QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 2, 0, 2);
    row->setSpacing(4);
    first_ = NumberField::plain(std::move(first), decimals, this);
    second_ = NumberField::plain(std::move(second), decimals, this);
    first_->setFixedWidth(numberWidth);
    second_->setFixedWidth(numberWidth);
    first_->setAccessibleName(firstLabel);
    second_->setAccessibleName(secondLabel);
    row->addWidget(new QLabel(firstLabel, this));
    row->addWidget(first_);
    row->addStretch(1);
    row->addWidget(new QLabel(secondLabel, this));
    row->addWidget(second_);
}
