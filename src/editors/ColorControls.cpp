#include "editors/ColorControls.h"

#include "core/Palette.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QPainter>

ColorBinding bindColor(QColor& color)
{
    QColor* p = &color;
    return {[p] { return *p; }, [p](const QColor& c) { *p = c; }};
}

ColorButton::ColorButton(ColorBinding binding, const QString& dialogTitle, QWidget* parent)
    : QToolButton(parent), binding_(std::move(binding)), dialogTitle_(dialogTitle)
{
    setIconSize(QSize(44, 14));
    setToolTip(dialogTitle);
    connect(this, &QToolButton::clicked, this, &ColorButton::chooseColor);
    refresh();
}

void ColorButton::refresh()
{
    const QColor c = binding_.get ? binding_.get() : QColor();
    if (c != shown_ || icon().isNull()) {
        shown_ = c;
        updateSwatch();
    }
}

QPixmap colorSwatch(QSize size, const QColor& color, int cell)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    for (int y = 0; y < size.height(); y += cell)
        for (int x = 0; x < size.width(); x += cell)
            if (((x + y) / cell) % 2)
                p.fillRect(x, y, cell, cell, QColor(200, 200, 200));
    if (color.isValid())
        p.fillRect(pixmap.rect(), color);
    p.setPen(QColor(90, 90, 90));
    p.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return pixmap;
}

void ColorButton::updateSwatch()
{
    setIcon(QIcon(colorSwatch(iconSize(), shown_, 5)));
    setAccessibleDescription(shown_.isValid() ? shown_.name(QColor::HexArgb) : QString());
}

void ColorButton::chooseColor()
{
    // Opened, not run in a loop of its own: the button, and the dialog with
    // it, may go while the dialog is up (an editor replaced), and nothing
    // may be left waiting on it then.
    auto* dialog = new QColorDialog(shown_, this);
    dialog->setWindowTitle(dialogTitle_);
    dialog->setOption(QColorDialog::ShowAlphaChannel);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QColorDialog::colorSelected, this, &ColorButton::commitColor);
    dialog->open();
}

void ColorButton::commitColor(const QColor& color)
{
    if (!color.isValid() || !binding_.set)
        return;
    binding_.set(color);
    refresh();
    refreshActiveViewport();
}

ColorPalette::ColorPalette(std::function<void(const QColor&)> set, int swatchSize, QWidget* parent)
    : QWidget(parent), set_(std::move(set))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 1, 0, 1);
    row->setSpacing(2);
    for (const QColor& color : paletteColors()) {
        auto* button = new QToolButton(this);
        button->setFixedSize(swatchSize, swatchSize);
        button->setAutoRaise(false);
        button->setToolTip(color.name());
        button->setAccessibleName(color.name());
        button->setStyleSheet(QStringLiteral("QToolButton { background-color: %1; border: 1px solid black; }")
                                  .arg(color.name()));
        QColor opaque = color;
        opaque.setAlphaF(1);
        connect(button, &QToolButton::clicked, this, [this, opaque] {
            if (!set_)
                return;
            set_(opaque);
            refreshActiveViewport();
        });
        row->addWidget(button);
    }
    row->addStretch(1);
}

int ColorPalette::count() const
{
    return int(findChildren<QToolButton*>(Qt::FindDirectChildrenOnly).size());
}

QToolButton* ColorPalette::swatch(int index) const
{
    const auto buttons = findChildren<QToolButton*>(Qt::FindDirectChildrenOnly);
    return index >= 0 && index < buttons.size() ? buttons[index] : nullptr;
}
