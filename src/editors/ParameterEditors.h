#pragma once
// Labelled rows of number fields: a point or a size shown and typed in the
// sheet's units, and two plain numbers with a fixed count of decimals.

#include "editors/EditorControl.h"

#include <QPointF>
#include <QSizeF>
#include <QWidget>

class NumberField;
class QLabel;

// Label, two number fields with their captions, and a units label. Shared base
// of the point and size rows.
class LengthPairEditor : public QWidget, public EditorControl {
    Q_OBJECT
public:
    LengthPairEditor(NumberBinding first, NumberBinding second, const QString& label, const QString& firstCaption,
                     const QString& secondCaption, UnitsSource units, int numberWidth, QWidget* parent = nullptr);

    NumberField* firstField() const { return first_; }
    NumberField* secondField() const { return second_; }
    void refresh() override; // the units label; the fields refresh themselves

private:
    NumberField* first_;
    NumberField* second_;
    QLabel* unitsLabel_;
    UnitsSource units_;
};

class PointParametersEditor : public LengthPairEditor {
    Q_OBJECT
public:
    static constexpr int defaultNumberWidth = 70;
    // x and y bound separately.
    PointParametersEditor(NumberBinding x, NumberBinding y, const QString& label, UnitsSource units = {},
                          int numberWidth = defaultNumberWidth, QWidget* parent = nullptr);
    // A point read and written whole, through the entity's own setter.
    PointParametersEditor(std::function<QPointF()> get, std::function<void(const QPointF&)> set,
                          const QString& label, UnitsSource units = {}, int numberWidth = defaultNumberWidth,
                          QWidget* parent = nullptr);
    // A stored point; the caller keeps it alive.
    PointParametersEditor(QPointF& point, const QString& label, UnitsSource units = {},
                          int numberWidth = defaultNumberWidth, QWidget* parent = nullptr);

    NumberField* xField() const { return firstField(); }
    NumberField* yField() const { return secondField(); }
};

class SizeParametersEditor : public LengthPairEditor {
    Q_OBJECT
public:
    static constexpr int defaultNumberWidth = 70;
    SizeParametersEditor(NumberBinding width, NumberBinding height, const QString& label, UnitsSource units = {},
                         int numberWidth = defaultNumberWidth, QWidget* parent = nullptr);
    SizeParametersEditor(std::function<QSizeF()> get, std::function<void(const QSizeF&)> set, const QString& label,
                         UnitsSource units = {}, int numberWidth = defaultNumberWidth, QWidget* parent = nullptr);
    SizeParametersEditor(QSizeF& size, const QString& label, UnitsSource units = {},
                         int numberWidth = defaultNumberWidth, QWidget* parent = nullptr);

    NumberField* widthField() const { return firstField(); }
    NumberField* heightField() const { return secondField(); }
};

// Two labelled numbers written as typed (no units), shown with `decimals`
// places; the arc's start and end angles in degrees, for example.
class TwoParametersEditor : public QWidget, public EditorControl {
    Q_OBJECT
public:
    TwoParametersEditor(const QString& firstLabel, NumberBinding first, const QString& secondLabel,
                        NumberBinding second, int decimals = 2, int numberWidth = 70, QWidget* parent = nullptr);

    NumberField* firstField() const { return first_; }
    NumberField* secondField() const { return second_; }

private:
    NumberField* first_;
    NumberField* second_;
};
