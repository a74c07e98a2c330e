#include "editors/FillEditor.h"

#include "editors/ChoiceBox.h"
#include "editors/ColorControls.h"

FillEditor::FillEditor(Brush& brush, QWidget* parent) : EditorSection(QStringLiteral("Fill"), parent), brush_(&brush)
{
    color_ = new ColorButton(bindColor(brush.color), QStringLiteral("Fill Color"));
    addWidget(labelledRow(QStringLiteral("Color"), color_, this));
    palette_ = new ColorPalette(
        [this](const QColor& c) {
            brush_->color = c;
            color_->refresh();
        },
        12, this);
    addWidget(palette_);
    type_ = makeEnumChoice(brush.brushType,
                           {BrushType::solid, BrushType::hatch, BrushType::gradient, BrushType::radial,
                            BrushType::centerGradient},
                           [](BrushType t) { return toString(t); });
    addWidget(labelledRow(QStringLiteral("Type"), type_, this));
    // Changing the kind shows or hides the second colour straight away.
    connect(type_, &QComboBox::activated, this, [this] { refresh(); });
    second_ = new ColorButton(bindColor(brush.editSecondColor()), QStringLiteral("Second Color"));
    secondRow_ = labelledRow(QStringLiteral("Second Color"), second_, this);
    addWidget(secondRow_);
    refresh();
}

void FillEditor::refresh()
{
    secondRow_->setEnabled(brush_->isGradient());
}
