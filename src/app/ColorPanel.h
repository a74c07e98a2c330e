#pragma once
// The colour row under the window's panes: 24 fixed colour buttons. A click
// recolours the picked entity's fill, or else its outline, and redraws.

#include <QAbstractButton>
#include <QColor>
#include <QWidget>

#include <vector>

class ViewModel;

// One square of the row: its colour, opaque, outlined in black.
class PaletteButton : public QAbstractButton {
    Q_OBJECT
public:
    PaletteButton(const QColor& color, int side, QWidget* parent = nullptr);

    const QColor& color() const { return color_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
};

class ColorPanel : public QWidget {
    Q_OBJECT
public:
    // The strip is exactly this high, whatever the button size.
    static constexpr int stripHeight = 30;
    static constexpr int buttonSpacing = 3;

    explicit ColorPanel(double buttonSize, ViewModel& viewModel, QWidget* parent = nullptr);

    // The side of each square button.
    const int buttonSize;
    ViewModel& viewModel;

    int count() const { return int(buttons_.size()); }
    PaletteButton* button(int index) const;

    // What a click on a button of colour c does: the selected entity's brush
    // takes the colour, else its pen, else nothing changes. Only a change
    // with an active viewport asks for a redraw. Returns whether an entity
    // was recoloured.
    static bool applyColor(ViewModel& viewModel, const QColor& c);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeButtons();

    std::vector<PaletteButton*> buttons_;
};
