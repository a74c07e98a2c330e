#include "editors/PenEditor.h"

#include "editors/ChoiceBox.h"
#include "editors/ColorControls.h"
#include "editors/NumberField.h"

#include <QPainter>
#include <QVBoxLayout>

namespace {
constexpr std::initializer_list<LineCap> allCaps = {LineCap::flat,         LineCap::square,
                                                    LineCap::round,        LineCap::arrowAnchor,
                                                    LineCap::diamondAnchor, LineCap::roundAnchor,
                                                    LineCap::squareAnchor};

// The dash lengths the drawing uses, in multiples of the pen width.
QList<qreal> dashes(LinePattern pattern)
{
    switch (pattern) {
    case LinePattern::solid: return {};
    case LinePattern::dot: return {1, 3};
    case LinePattern::dash: return {8, 6};
    case LinePattern::dashDot: return {12, 6, 3, 6};
    case LinePattern::dashDotDot: return {8, 4, 2, 4, 2, 4};
    }
    return {};
}

QIcon patternIcon(LinePattern pattern)
{
    QPixmap pixmap(64, 10);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    QPen pen(Qt::black, 2, Qt::SolidLine, Qt::FlatCap);
    const QList<qreal> d = dashes(pattern);
    if (!d.isEmpty())
        pen.setDashPattern(d);
    p.setPen(pen);
    p.drawLine(QPointF(0, 5), QPointF(64, 5));
    p.end();
    return QIcon(pixmap);
}
}

EndCapEditor::EndCapEditor(LineCap& startCap, LineCap& endCap, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    start_ = makeEnumChoice(startCap, allCaps, [](LineCap c) { return toString(c); });
    end_ = makeEnumChoice(endCap, allCaps, [](LineCap c) { return toString(c); });
    layout->addWidget(labelledRow(QStringLiteral("Start Cap"), start_, this));
    layout->addWidget(labelledRow(QStringLiteral("End Cap"), end_, this));
}

LineStyleEditor::LineStyleEditor(LinePattern& pattern, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto patterns = {LinePattern::solid, LinePattern::dot, LinePattern::dash, LinePattern::dashDot,
                           LinePattern::dashDotDot};
    box_ = makeEnumChoice(pattern, patterns, [](LinePattern v) { return toString(v); });
    box_->setIconSize(QSize(64, 10));
    int i = 0;
    for (LinePattern v : patterns)
        box_->setItemIcon(i++, patternIcon(v));
    layout->addWidget(labelledRow(QStringLiteral("Style"), box_, this));
}

PenEditor::PenEditor(Pen& pen, UnitsSource units, QWidget* parent) : EditorSection(QStringLiteral("Pen"), parent)
{
    Pen* p = &pen;
    width_ = NumberField::length(bindNumber(pen.width), units);
    width_->setMinimum(0); // a negative width has no meaning for a stroke
    addWidget(labelledRow(QStringLiteral("Width"), lengthFieldWithUnits(width_, units), this));

    color_ = new ColorButton(bindColor(pen.color), QStringLiteral("Pen Color"));
    addWidget(labelledRow(QStringLiteral("Color"), color_, this));
    palette_ = new ColorPalette(
        [p, this](const QColor& c) {
            p->color = c;
            color_->refresh();
        },
        12, this);
    addWidget(palette_);

    caps_ = new EndCapEditor(pen.startCap, pen.endCap, this);
    addWidget(caps_);
    join_ = makeEnumChoice(pen.lineJoin, {LineJoin::bevel, LineJoin::miter, LineJoin::miterClipped, LineJoin::round},
                           [](LineJoin j) { return toString(j); });
    addWidget(labelledRow(QStringLiteral("Join"), join_, this));
    style_ = new LineStyleEditor(pen.linePattern, this);
    addWidget(style_);
}
