#include "editors/ImageButton.h"

#include "editors/SymbolImage.h"

#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <cmath>

namespace {
int pixelSize(double size)
{
    if (!std::isfinite(size))
        return 20;
    return int(std::lround(std::clamp(size, 1.0, 512.0)));
}
}

ImageButton::ImageButton(bool addSurround, const QColor& color, double cornerRadius, bool original, bool systemImage,
                         double buttonSize, const QString& image, std::function<void()> action, QWidget* parent)
    : QAbstractButton(parent), addSurround(addSurround), color(color), cornerRadius(cornerRadius),
      original(original), systemImage(systemImage), buttonSize(buttonSize), image(image), action(std::move(action))
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(image);
    connect(this, &QAbstractButton::clicked, this, [this] {
        // A copy, so an action that replaces the button's action still runs
        // to its end.
        if (auto run = this->action)
            run();
    });
}

QSize ImageButton::sizeHint() const
{
    const int side = pixelSize(buttonSize) + (addSurround ? 8 : 0);
    return QSize(side, side);
}

void ImageButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = std::isfinite(cornerRadius) ? std::clamp(cornerRadius, 0.0, 1000.0) : 0.0;
    if (addSurround) {
        p.setPen(QPen(color, 1));
        p.setBrush(isDown() ? color.lighter(170) : palette().base().color());
        p.drawRoundedRect(area, radius, radius);
    }
    const int side = std::min(pixelSize(buttonSize), std::min(width(), height()));
    const QPixmap pixmap = symbolImage(image, side * int(std::ceil(devicePixelRatioF())), color, !original);
    if (!pixmap.isNull()) {
        const QRect target(QPoint((width() - side) / 2, (height() - side) / 2), QSize(side, side));
        if (isDown())
            p.setOpacity(0.6);
        p.drawPixmap(target, pixmap);
    }
    if (hasFocus()) {
        p.setOpacity(1);
        p.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(area, radius, radius);
    }
}

namespace {
class StrokedBorder : public QWidget {
public:
    StrokedBorder(QWidget* host, const QColor& color, double lineWidth)
        : QWidget(host), color_(color), lineWidth_(std::isfinite(lineWidth) ? std::max(0.0, lineWidth) : 0.0)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setGeometry(host->rect());
        host->installEventFilter(this);
        raise();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent()) {
            if (event->type() == QEvent::Resize)
                setGeometry(parentWidget()->rect());
            else if (event->type() == QEvent::ChildAdded)
                raise(); // stay over children added later
        }
        return false;
    }
    void paintEvent(QPaintEvent*) override
    {
        if (lineWidth_ <= 0)
            return;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(color_, lineWidth_, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        const double h = lineWidth_ / 2;
        p.drawRect(QRectF(rect()).adjusted(h, h, -h, -h));
    }

private:
    QColor color_;
    double lineWidth_;
};
}

QWidget* strokedBorderOverlay(QWidget* widget, const QColor& color, double lineWidth)
{
    if (!widget)
        return nullptr;
    auto* overlay = new StrokedBorder(widget, color, lineWidth);
    overlay->show();
    return overlay;
}
