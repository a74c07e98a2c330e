#pragma once
// A button showing one image, and an outline drawn just inside a widget's edge.

#include "editors/EditorControl.h"

#include <QAbstractButton>
#include <QColor>
#include <functional>

class ImageButton : public QAbstractButton {
    Q_OBJECT
public:
    // addSurround: a rounded frame in `color` around the image; original: the
    // image keeps its own colours, else it is drawn in `color`; systemImage:
    // `image` names a symbol image rather than an application image. Pressing
    // the button runs `action` once.
    ImageButton(bool addSurround, const QColor& color, double cornerRadius, bool original, bool systemImage,
                double buttonSize, const QString& image, std::function<void()> action, QWidget* parent = nullptr);

    bool addSurround;
    QColor color;
    double cornerRadius;
    bool original;
    bool systemImage;
    double buttonSize;
    QString image;
    std::function<void()> action;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Lays over `widget` a rectangle stroked in `color`, `lineWidth` wide, inset
// by half the line width so the stroke lies just inside the edge. The overlay
// follows the widget's size and lets mouse events through; it is a child of
// the widget and returned for tests.
QWidget* strokedBorderOverlay(QWidget* widget, const QColor& color, double lineWidth);
