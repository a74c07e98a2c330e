#pragma once
// Colour controls of the editors: a swatch button that opens the colour
// dialog, and a row of the fixed palette colours.

#include "editors/EditorControl.h"

#include <QColor>
#include <QPixmap>
#include <QToolButton>
#include <functional>

struct ColorBinding {
    std::function<QColor()> get;
    std::function<void(const QColor&)> set;
};
// Binds straight to a stored colour; the caller keeps it alive.
ColorBinding bindColor(QColor& color);

// A swatch of `color` over a chequerboard of `cell`-pixel squares (so that a
// see-through colour shows as one), framed in grey.
QPixmap colorSwatch(QSize size, const QColor& color, int cell);

// Shows the bound colour over a chequerboard (so transparency shows); a click
// opens the colour dialog with an alpha channel, and a chosen colour is
// written once with one redraw request.
class ColorButton : public QToolButton, public EditorControl {
    Q_OBJECT
public:
    ColorButton(ColorBinding binding, const QString& dialogTitle, QWidget* parent = nullptr);

    // Writes a colour as a choice in the dialog does; an invalid colour is ignored.
    void commitColor(const QColor& color);
    QColor shownColor() const { return shown_; }
    void refresh() override;

private:
    void chooseColor();
    void updateSwatch();

    ColorBinding binding_;
    QString dialogTitle_;
    QColor shown_;
};

// One small button per colour of paletteColors(); a click writes that colour,
// fully opaque, and requests a redraw.
class ColorPalette : public QWidget {
    Q_OBJECT
public:
    ColorPalette(std::function<void(const QColor&)> set, int swatchSize = 12, QWidget* parent = nullptr);
    int count() const;
    QToolButton* swatch(int index) const;

private:
    std::function<void(const QColor&)> set_;
};
