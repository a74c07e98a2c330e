#include "app/PanelWidgets.h"

#include "editors/ImageButton.h"
#include "editors/SymbolImage.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <numbers>

// ---- SegmentedControl ----

SegmentedControl::SegmentedControl(QWidget* parent) : QWidget(parent)
{
    layout_ = new QHBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QToolButton* SegmentedControl::addSegment(int value)
{
    auto* button = new QToolButton(this);
    button->setCheckable(true);
    button->setAutoRaise(false);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setFocusPolicy(Qt::TabFocus);
    layout_->addWidget(button);
    segments_.emplace_back(value, button);
    // A click always selects its segment: a checked segment is not unchecked
    // by clicking it again.
    connect(button, &QToolButton::clicked, this, [this, value] {
        value_ = value;
        syncChecks();
        emit valueChanged(value);
    });
    syncChecks();
    return button;
}

QToolButton* SegmentedControl::addImageSegment(int value, const QString& image, const QString& toolTip)
{
    QToolButton* button = addSegment(value);
    button->setIcon(panelIcon(image));
    button->setIconSize(QSize(18, 18));
    button->setToolTip(toolTip);
    button->setAccessibleName(toolTip);
    button->setMinimumHeight(26);
    return button;
}

QToolButton* SegmentedControl::addTextSegment(int value, const QString& text)
{
    QToolButton* button = addSegment(value);
    button->setText(text);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setMinimumHeight(24);
    return button;
}

void SegmentedControl::setValue(int value)
{
    value_ = value;
    syncChecks();
}

QToolButton* SegmentedControl::segment(int index) const
{
    return index >= 0 && index < count() ? segments_[size_t(index)].second : nullptr;
}

QToolButton* SegmentedControl::checkedSegment() const
{
    for (const auto& [value, button] : segments_)
        if (button->isChecked())
            return button;
    return nullptr;
}

void SegmentedControl::syncChecks()
{
    for (const auto& [value, button] : segments_)
        button->setChecked(value == value_);
}

// ---- ClickableLabel ----

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    // Document names come from file names: never markup.
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
}

void ClickableLabel::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click)
        emit clicked();
}

// ---- symbols ----

namespace {

void drawGear(QPainter& p, QPointF c, double outer, double inner, const QColor& color)
{
    constexpr int teeth = 8;
    QPainterPath gear;
    for (int i = 0; i < teeth * 4; ++i) {
        // Each tooth: two points on the outer circle, two on the inner one.
        const double angle = (i / double(teeth * 4)) * 2 * std::numbers::pi;
        const double r = (i % 4 == 1 || i % 4 == 2) ? outer : inner;
        const QPointF point = c + QPointF(std::cos(angle) * r, std::sin(angle) * r);
        if (i == 0)
            gear.moveTo(point);
        else
            gear.lineTo(point);
    }
    gear.closeSubpath();
    gear.addEllipse(c, inner * 0.42, inner * 0.42);
    gear.setFillRule(Qt::OddEvenFill);
    p.fillPath(gear, color);
}

void drawPcbBoard(QPainter& p, double s)
{
    const QRectF board(s * 0.06, s * 0.16, s * 0.88, s * 0.68);
    p.setPen(QPen(QColor(0x0F, 0x4D, 0x22), std::max(1.0, s / 24)));
    p.setBrush(QColor(0x1E, 0x8A, 0x3C));
    p.drawRoundedRect(board, s * 0.06, s * 0.06);
    // A chip, its traces and two pads.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x22, 0x22, 0x22));
    p.drawRect(QRectF(s * 0.40, s * 0.32, s * 0.22, s * 0.30));
    p.setPen(QPen(QColor(0xE0, 0xB0, 0x40), std::max(1.0, s / 20), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.18, s * 0.38), QPointF(s * 0.40, s * 0.38));
    p.drawLine(QPointF(s * 0.18, s * 0.56), QPointF(s * 0.40, s * 0.56));
    p.drawLine(QPointF(s * 0.62, s * 0.47), QPointF(s * 0.82, s * 0.47));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE8, 0xC0, 0x50));
    for (const QPointF& pad : {QPointF(s * 0.16, s * 0.38), QPointF(s * 0.16, s * 0.56), QPointF(s * 0.84, s * 0.47)})
        p.drawEllipse(pad, s * 0.06, s * 0.06);
}

bool drawPanelSymbol(QPainter& p, const QString& name, double s, const QColor& color)
{
    const double lw = std::max(1.0, s / 12);
    p.setPen(QPen(color, lw, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QRectF box(lw, lw, s - 2 * lw, s - 2 * lw);
    if (name == QLatin1String("PcbBoard")) {
        drawPcbBoard(p, s);
        return true;
    }
    if (name == QLatin1String("square.and.pencil")) {
        // A square open at its top right, with a pencil across the gap.
        const QRectF sq = box.adjusted(0, box.height() * 0.18, -box.width() * 0.18, 0);
        QPainterPath frame;
        frame.moveTo(sq.left() + sq.width() * 0.55, sq.top());
        frame.lineTo(sq.topLeft());
        frame.lineTo(sq.bottomLeft());
        frame.lineTo(sq.bottomRight());
        frame.lineTo(sq.right(), sq.top() + sq.height() * 0.45);
        p.drawPath(frame);
        p.setPen(QPen(color, lw * 1.6, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(sq.left() + sq.width() * 0.38, sq.top() + sq.height() * 0.62),
            QPointF(box.right(), box.top()));
        return true;
    }
    if (name == QLatin1String("document")) {
        const QRectF page = box.adjusted(box.width() * 0.15, 0, -box.width() * 0.15, 0);
        const double fold = page.width() * 0.35;
        QPainterPath path;
        path.moveTo(page.topLeft());
        path.lineTo(page.right() - fold, page.top());
        path.lineTo(page.right(), page.top() + fold);
        path.lineTo(page.bottomRight());
        path.lineTo(page.bottomLeft());
        path.closeSubpath();
        path.moveTo(page.right() - fold, page.top());
        path.lineTo(page.right() - fold, page.top() + fold);
        path.lineTo(page.right(), page.top() + fold);
        p.drawPath(path);
        return true;
    }
    if (name == QLatin1String("list.star")) {
        for (int i = 0; i < 3; ++i) {
            const double y = box.top() + box.height() * (0.2 + 0.3 * i);
            p.drawLine(QPointF(box.left() + box.width() * 0.38, y), QPointF(box.right(), y));
        }
        // A small five-pointed star in front of the first line.
        QPainterPath star;
        const QPointF c(box.left() + box.width() * 0.14, box.top() + box.height() * 0.2);
        const double r = box.width() * 0.16;
        for (int i = 0; i < 10; ++i) {
            const double angle = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
            const double radius = i % 2 ? r * 0.45 : r;
            const QPointF point = c + QPointF(std::cos(angle) * radius, std::sin(angle) * radius);
            i ? star.lineTo(point) : star.moveTo(point);
        }
        star.closeSubpath();
        p.fillPath(star, color);
        for (int i = 1; i < 3; ++i) {
            const double y = box.top() + box.height() * (0.2 + 0.3 * i);
            p.drawPoint(QPointF(box.left() + box.width() * 0.14, y));
        }
        return true;
    }
    if (name == QLatin1String("clear")) {
        // A cross in a rounded square.
        p.drawRoundedRect(box, s * 0.18, s * 0.18);
        const QPointF c = box.center();
        const double a = box.width() * 0.22;
        p.drawLine(c + QPointF(-a, -a), c + QPointF(a, a));
        p.drawLine(c + QPointF(-a, a), c + QPointF(a, -a));
        return true;
    }
    if (name == QLatin1String("gearshape.fill")) {
        drawGear(p, box.center(), box.width() / 2, box.width() * 0.36, color);
        return true;
    }
    if (name == QLatin1String("square.3.layers.3d.middle.filled")) {
        // Three sheets seen at an angle; the middle one filled.
        const double w = box.width(), h = box.height() * 0.34;
        for (int i = 0; i < 3; ++i) {
            const double top = box.top() + i * box.height() * 0.3;
            QPolygonF sheet;
            sheet << QPointF(box.left() + w * 0.5, top) << QPointF(box.right(), top + h / 2)
                  << QPointF(box.left() + w * 0.5, top + h) << QPointF(box.left(), top + h / 2);
            p.setBrush(i == 1 ? QBrush(color) : QBrush(Qt::NoBrush));
            p.drawPolygon(sheet);
        }
        return true;
    }
    return false;
}

} // namespace

QPixmap panelSymbol(const QString& name, int size, const QColor& color)
{
    if (name.isEmpty() || size <= 0)
        return QPixmap();
    size = std::min(size, 1024);
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (drawPanelSymbol(p, name, size, color))
        return pixmap;
    p.end();
    return symbolImage(name, size, color, true);
}

QIcon panelIcon(const QString& name, const QColor& color)
{
    QIcon icon;
    for (int size : {16, 18, 24, 32, 48})
        icon.addPixmap(panelSymbol(name, size, color));
    return icon;
}

// ---- outline ----

QWidget* outlinedFrame(QWidget* content, const QColor& color)
{
    // The outline goes on a wrapper: a scroll area keeps raising its own
    // scroll bars over any overlay of its own.
    auto* frame = new QWidget;
    frame->setObjectName(QStringLiteral("outlinedFrame"));
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(content);
    strokedBorderOverlay(frame, color, 1);
    return frame;
}

// ---- PanelList ----

PanelList::PanelList(QWidget* parent) : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    // 10 points in on the leading edge, nothing elsewhere.
    outer->setContentsMargins(10, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("panelListScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* body = new QWidget(scroll);
    body->setObjectName(QStringLiteral("panelListBody"));
    body->setAutoFillBackground(true);
    QPalette pal = body->palette();
    pal.setColor(QPalette::Window, Qt::white);
    // Row texts in blue.
    pal.setColor(QPalette::WindowText, QColor(0, 0x7A, 0xFF));
    body->setPalette(pal);
    rows_ = new QVBoxLayout(body);
    rows_->setContentsMargins(6, 4, 6, 4);
    rows_->setSpacing(2);
    rows_->addStretch(1);
    scroll->setWidget(body);
    outer->addWidget(outlinedFrame(scroll));
}

void PanelList::clear()
{
    // Everything before the trailing stretch is a row.
    while (rows_->count() > 1) {
        QLayoutItem* item = rows_->takeAt(0);
        if (QWidget* row = item->widget()) {
            // Out of the page at once, deleted once the event that led here
            // has been handled.
            row->hide();
            row->setParent(nullptr);
            row->deleteLater();
        }
        delete item;
    }
}

void PanelList::addRow(QWidget* row) { rows_->insertWidget(rows_->count() - 1, row); }

int PanelList::rowCount() const { return rows_->count() - 1; }

QWidget* PanelList::makeRow(const QString& name, int imageSide, const char* nameObjectName, ClickableLabel** label)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 2, 0, 2);
    auto* image = new QLabel(row);
    image->setObjectName(QStringLiteral("rowImage"));
    const int side = imageSide > 0 ? imageSide : 32;
    image->setPixmap(panelSymbol(QStringLiteral("PcbBoard"), side, Qt::black));
    image->setFixedSize(side, side);
    layout->addWidget(image, 0, Qt::AlignVCenter);
    auto* text = new ClickableLabel(name, row);
    text->setObjectName(QString::fromLatin1(nameObjectName));
    layout->addWidget(text, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    if (label)
        *label = text;
    return row;
}
