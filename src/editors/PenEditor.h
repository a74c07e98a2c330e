#pragma once
// The pen section of an editor and its parts: the end-cap pickers and the
// line-style picker.

#include "core/Pen.h"
#include "editors/EditorControl.h"
#include "editors/EditorSection.h"

class ChoiceBox;
class ColorButton;
class ColorPalette;
class NumberField;

// Start and end cap pickers listing the cap words.
class EndCapEditor : public QWidget {
    Q_OBJECT
public:
    EndCapEditor(LineCap& startCap, LineCap& endCap, QWidget* parent = nullptr);
    ChoiceBox* startCapBox() const { return start_; }
    ChoiceBox* endCapBox() const { return end_; }

private:
    ChoiceBox* start_;
    ChoiceBox* end_;
};

// The dash pattern, each entry shown with a drawing of the pattern.
class LineStyleEditor : public QWidget {
    Q_OBJECT
public:
    explicit LineStyleEditor(LinePattern& pattern, QWidget* parent = nullptr);
    ChoiceBox* patternBox() const { return box_; }

private:
    ChoiceBox* box_;
};

// "Pen": width in the sheet's units, colour, caps, join and line style. The
// caller keeps the pen alive (the editor frame holds its entity).
class PenEditor : public EditorSection {
    Q_OBJECT
public:
    explicit PenEditor(Pen& pen, UnitsSource units = {}, QWidget* parent = nullptr);

    NumberField* widthField() const { return width_; }
    ColorButton* colorButton() const { return color_; }
    ColorPalette* colorPalette() const { return palette_; }
    EndCapEditor* endCapEditor() const { return caps_; }
    ChoiceBox* joinBox() const { return join_; }
    LineStyleEditor* lineStyleEditor() const { return style_; }

private:
    NumberField* width_;
    ColorButton* color_;
    ColorPalette* palette_;
    EndCapEditor* caps_;
    ChoiceBox* join_;
    LineStyleEditor* style_;
};
