#pragma once
// "Fill": the colour of a brush, its kind and the second colour of a gradient.

#include "core/Brush.h"
#include "editors/EditorControl.h"
#include "editors/EditorSection.h"

class ChoiceBox;
class ColorButton;
class ColorPalette;

class FillEditor : public EditorSection, public EditorControl {
    Q_OBJECT
public:
    // The caller keeps the brush alive (the editor frame holds its entity).
    explicit FillEditor(Brush& brush, QWidget* parent = nullptr);

    ColorButton* colorButton() const { return color_; }
    ColorPalette* colorPalette() const { return palette_; }
    ChoiceBox* typeBox() const { return type_; }
    ColorButton* secondColorButton() const { return second_; }
    // The second colour is offered only for the gradient kinds.
    void refresh() override;

private:
    Brush* brush_;
    ColorButton* color_;
    ColorPalette* palette_;
    ChoiceBox* type_;
    ColorButton* second_;
    QWidget* secondRow_;
};
