#include "app/ColorPanel.h"

#include "core/Brush.h"
#include "core/Palette.h"
#include "core/Pen.h"
#include "model/Entity.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Around the row of buttons.
constexpr int kPadding = 1;

int sanitizedSide(double size)
{
    if (!std::isfinite(size))
        return 20;
    return int(std::lround(std::clamp(size, 1.0, 64.0)));
}

} // namespace

// ---- PaletteButton ----

PaletteButton::PaletteButton(const QColor& color, int side, QWidget* parent)
    : QAbstractButton(parent), color_(color)
{
    setFixedSize(side, side);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    // No title: the colour is the button.
    setAccessibleName(color.name(QColor::HexRgb));
    setToolTip(color.name(QColor::HexRgb));
}

QSize PaletteButton::sizeHint() const { return size(); }

void PaletteButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    // The face shows the colour fully opaque, whatever its alpha.
    QColor face = color_.toRgb();
    face.setAlphaF(1);
    p.fillRect(rect(), isDown() ? face.darker(130) : face);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

// ---- ColorPanel ----

ColorPanel::ColorPanel(double buttonSize, ViewModel& viewModel, QWidget* parent)
    : QWidget(parent), buttonSize(sanitizedSide(buttonSize)), viewModel(viewModel)
{
    setObjectName(QStringLiteral("colorPanelView"));
    setFixedHeight(stripHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    for (const QColor& color : paletteRow()) {
        auto* button = new PaletteButton(color, this->buttonSize, this);
        button->setObjectName(QStringLiteral("paletteButton"));
        connect(button, &QAbstractButton::clicked, this, [this, color] { applyColor(this->viewModel, color); });
        buttons_.push_back(button);
    }
    placeButtons();
}

PaletteButton* ColorPanel::button(int index) const
{
    return index >= 0 && index < count() ? buttons_[size_t(index)] : nullptr;
}

bool ColorPanel::applyColor(ViewModel& viewModel, const QColor& c)
{
    const std::shared_ptr<Entity>& entity = viewModel.selectedEntity();
    if (!entity)
        return false;
    // The fill when there is one; the outline only of entities without a fill.
    if (Brush* brush = entity->entityBrush())
        brush->color = c;
    else if (Pen* pen = entity->entityPen())
        pen->color = c;
    else
        return false;
    // A colour changes no box.
    if (viewModel.activeViewport2D())
        viewModel.requestRedraw(Redraw::display);
    return true;
}

QSize ColorPanel::sizeHint() const
{
    const int n = count();
    const int width = n * buttonSize + std::max(0, n - 1) * buttonSpacing + 2 * kPadding;
    return QSize(width, stripHeight);
}

// Any width down to nothing: a narrow window cuts the row off at its sides.
QSize ColorPanel::minimumSizeHint() const { return QSize(0, stripHeight); }

void ColorPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeButtons();
}

void ColorPanel::placeButtons()
{
    // The row is centred in the strip both ways.
    const int rowWidth = sizeHint().width() - 2 * kPadding;
    int x = (width() - rowWidth) / 2;
    const int y = (height() - buttonSize) / 2;
    for (PaletteButton* button : buttons_) {
        button->move(x, y);
        x += buttonSize + buttonSpacing;
    }
}
