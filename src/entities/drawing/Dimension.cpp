#include "entities/drawing/Dimension.h"

#include "core/EnumWords.h"
#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"
#include "core/TextMetrics.h"
#include "document/GraphicsSheet.h"
#include "document/SheetSettings.h"

#include <QLocale>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
// Half-angle of an arrow head: 20 degrees.
constexpr double kArrowAngle = 0.3490658503988659;

double length(QPointF v) { return std::hypot(v.x(), v.y()); }

// v / |v|; (0, 0) when v has no direction.
QPointF unit(QPointF v)
{
    const double l = length(v);
    if (!(l > 0) || !std::isfinite(l))
        return QPointF(0, 0);
    return v / l;
}

QPointF dir(double angle) { return QPointF(std::cos(angle), std::sin(angle)); }

double dot(QPointF a, QPointF b) { return a.x() * b.x() + a.y() * b.y(); }

// The arrow length of a pen and font: never zero, so a head always has a size.
double arrowLength(const Font& font, const Pen& pen)
{
    const double l = font.height * 0.5 + pen.width;
    return l > 0 ? l : 1e-6;
}

// Where the extension lines begin: a little way from the measured points
// towards the dimension line, so they do not touch what is measured.
QPointF extensionGap(QPointF start, QPointF startOffset)
{
    const QPointF d = startOffset - start;
    if (!(length(d) >= 0.05))
        return QPointF(0, 0);
    return unit(d) * 0.05;
}

void strokeSegment(Graphics& g, const Pen& pen, QPointF a, QPointF b)
{
    if (!isDrawable(pen.color))
        return;
    g.applyPen(pen);
    g.context.beginPath();
    g.context.moveTo(a);
    g.context.lineTo(b);
    g.context.strokePath();
}

} // namespace

namespace {
constexpr auto kArrowStyleWords = enumWords<DimensionArrowStyle>({
    {DimensionArrowStyle::none, "none"},
    {DimensionArrowStyle::line, "line"},
    {DimensionArrowStyle::arrow, "arrow"},
    {DimensionArrowStyle::box, "box"},
});
constexpr auto kDimensionStyleWords = enumWords<DimensionStyle>({
    {DimensionStyle::angled, "angled"},
    {DimensionStyle::horizontal, "horizontal"},
    {DimensionStyle::vertical, "vertical"},
});
}

std::optional<DimensionArrowStyle> dimensionArrowStyleFromString(std::string_view text)
{
    return kArrowStyleWords.fromString(text);
}

std::optional<DimensionStyle> dimensionStyleFromString(std::string_view text) { return kDimensionStyleWords.fromString(text); }

Dimension::Dimension(GraphicsSheet* sheet) : Entity(sheet)
{
}

void Dimension::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    pen.readXML(element);
    displayValue = readBoolAttribute(element, "displayText", displayValue);
    end = readPointAttribute(element, "end", end);
    font.readXML(element);
    markerStyle = readEnumAttribute(element, "marker", DimensionArrowStyle::arrow, dimensionArrowStyleFromString);
    offset = readFloatAttribute(element, "offset", offset);
    prefix = readTextAttribute(element, "prefix", prefix);
    reverse = readBoolAttribute(element, "reverse", reverse);
    start = readPointAttribute(element, "start", start);
    style = readEnumAttribute(element, "style", DimensionStyle::angled, dimensionStyleFromString);
    textOffset = QPointF(readFloatAttribute(element, "textOffsetX", 0), readFloatAttribute(element, "textOffsetY", 0));
    textOnTop = readBoolAttribute(element, "textOnTop", textOnTop);
}

const char* Dimension::unitSuffix(Units units)
{
    switch (units) {
    case Units::thou: return "mil";
    case Units::inch: return "\"";
    case Units::micron: return "\u03bcm";
    case Units::mm: return "mm";
    case Units::cm: return "cm";
    case Units::m: return "m";
    }
    return "\"";
}

QString Dimension::formatValue(double inches, Units units)
{
    const double value = inches * unitsPerInch(units);
    if (!std::isfinite(value))
        return QStringLiteral("?");
    // The user's locale, with its grouping; four places, trailing zeros
    // dropped down to one.
    const QLocale locale;
    QString number = locale.toString(value, 'f', 4);
    const QString point = locale.decimalPoint();
    const qsizetype at = number.lastIndexOf(point);
    if (at >= 0) {
        const qsizetype minLength = at + point.size() + 1;
        while (number.size() > minLength && number.endsWith(locale.zeroDigit()))
            number.chop(locale.zeroDigit().size());
    }
    return number + QString::fromUtf8(unitSuffix(units));
}

void Dimension::layout()
{
    offsetMatrix.reset();
    pen.startCap = LineCap::flat;
    pen.endCap = LineCap::flat;
    brush = Brush(pen.color);
    boundingBox = BoundingBox();

    // Offsets.
    drawOffsets = false;
    switch (style) {
    case DimensionStyle::horizontal:
        startOffset = QPointF(start.x(), end.y() + offset);
        endOffset = QPointF(end.x(), end.y() + offset);
        break;
    case DimensionStyle::vertical:
        startOffset = QPointF(end.x() + offset, start.y());
        endOffset = QPointF(end.x() + offset, end.y());
        break;
    case DimensionStyle::angled:
        drawOffsets = std::abs(offset) >= 1e-12;
        if (drawOffsets) {
            // The normal turned -90 degrees from the line; none for
            // coinciding points.
            const QPointF d = unit(end - start);
            const QPointF v = QPointF(d.y(), -d.x()) * offset;
            offsetMatrix = QTransform::fromTranslate(v.x(), v.y());
            startOffset = start + v;
            endOffset = end + v;
        } else {
            startOffset = start;
            endOffset = end;
        }
        break;
    }

    // The measured segment, its angle and length.
    QPointF a = start, b = end;
    double theta = 0, measured = 0;
    switch (style) {
    case DimensionStyle::angled:
        theta = std::atan2(end.y() - start.y(), end.x() - start.x());
        measured = length(end - start);
        break;
    case DimensionStyle::horizontal:
        a = startOffset;
        b = endOffset;
        // Heads point at the measured points whichever way the line runs.
        theta = end.x() < start.x() ? kPi : 0;
        measured = std::abs(end.x() - start.x());
        break;
    case DimensionStyle::vertical:
        a = startOffset;
        b = endOffset;
        theta = end.y() < start.y() ? -kPi / 2 : kPi / 2;
        measured = std::abs(end.y() - start.y());
        break;
    }

    text = displayValue ? formatValue(measured, sheet ? sheet->settings().units : Units::inch) : prefix;

    textCenter = (a + b) / 2;
    textAngleInDegrees = theta * 180 / kPi;
    if (textAngleInDegrees > 90)
        textAngleInDegrees -= 180;
    else if (textAngleInDegrees < -90)
        textAngleInDegrees += 180;
    if (reverse)
        textAngleInDegrees += 180;

    lines.clear();
    const double w = TextMetric::textRect(font, text).width();
    const double lineLen = length(b - a);
    // A hidden text needs no room: the line is drawn whole.
    inlineText = !text.isEmpty() && w < lineLen / 1.5;

    // Arrow heads are filled to their tips; the line stops short inside them.
    QPointF k(0, 0);
    if (markerStyle == DimensionArrowStyle::arrow && style == DimensionStyle::angled)
        k = unit(end - start) * (arrowLength(font, pen) * std::cos(kArrowAngle) * 0.45);

    if (inlineText) {
        const QPointF c = textCenter + textOffset;
        const QPointF d = unit(b - a);
        const QPointF ca = c - a;
        const double distance = std::abs(ca.x() * d.y() - ca.y() * d.x());
        if (distance < 0.6 * font.height) {
            // Split around the text, following it along the line.
            const double g = (lineLen - 1.1 * w) / 2 - pen.width / 2;
            const double t = dot(d, textOffset);
            const double s1 = g + t, s2 = g - t;
            const bool first = s1 > 0 && s1 < lineLen;
            const bool second = s2 > 0 && s2 < lineLen;
            if (first)
                lines.push_back({a + k, a + d * s1});
            if (second)
                lines.push_back({b - k, b - d * s2});
            if (!first && !second)
                lines.push_back({a + k, b - k});
        } else {
            lines.push_back({a + k, b - k});
        }
        manipulatorStart = a;
        manipulatorEnd = b;
    } else {
        lines.push_back({a + k, b - k});
        manipulatorStart = a + k;
        manipulatorEnd = b - k;
    }

    // End markers.
    const QPointF p = startOffset, q = endOffset;
    startArrowPoints.clear();
    endArrowPoints.clear();
    switch (markerStyle) {
    case DimensionArrowStyle::none:
        break;
    case DimensionArrowStyle::line: {
        const double phi = std::atan2(q.y() - p.y(), q.x() - p.x());
        const double s = font.height * 0.25 + pen.width;
        const QPointF e = dir(phi + kPi / 4) * s;
        startArrowPoints = {p - e, p + e};
        endArrowPoints = {q - e, q + e};
        break;
    }
    case DimensionArrowStyle::arrow: {
        const double l = arrowLength(font, pen);
        dimensionWidth = l;
        const QPointF u = QPointF(std::sin(theta), -std::cos(theta)) * (l / 2);
        startArrowPoints = {p + dir(theta + kArrowAngle) * l - u, p, p + dir(theta - kArrowAngle) * l + u};
        endArrowPoints = {q + dir(theta + kArrowAngle + kPi) * l + u, q, q + dir(theta - kArrowAngle + kPi) * l - u};
        break;
    }
    case DimensionArrowStyle::box: {
        const double s = font.height * 0.25 + pen.width;
        dimensionWidth = s;
        auto square = [s](QPointF c) {
            return std::vector<QPointF>{c + QPointF(-s, -s), c + QPointF(s, -s), c + QPointF(s, s), c + QPointF(-s, s)};
        };
        startArrowPoints = square(p);
        endArrowPoints = square(q);
        break;
    }
    }
}

std::array<QPointF, 4> Dimension::textCorners() const
{
    const QPointF c = textCenter + textOffset;
    const std::array<QPointF, 4> corners = cornerPoints(TextMetric::textRect(font, text, c));
    QTransform t;
    if (textAngleInDegrees != 0)
        t = QTransform::fromTranslate(-c.x(), -c.y()) * QTransform().rotateRadians(textAngleInDegrees * kPi / 180)
            * QTransform::fromTranslate(c.x(), c.y());
    if (style == DimensionStyle::angled && drawOffsets && offsetMatrix)
        t = t * *offsetMatrix;
    std::array<QPointF, 4> out;
    for (size_t i = 0; i < corners.size(); ++i)
        out[i] = t.map(corners[i]);
    return out;
}

void Dimension::calculateBoundingBox()
{
    layout();
    // Everything in own coordinates, placed like every other entity's box
    // so that a dimension inside a moved holder is found where it is drawn.
    auto add = [this](QPointF p) { boundingBox.addPoint(netTransform ? netTransform->map(p) : p); };
    const std::array<QPointF, 4> corners = textCorners();
    for (QPointF p : corners)
        add(p);
    add(start);
    add(end);
    for (const LineF& l : lines) {
        add(l.start);
        add(l.end);
    }
    add(startOffset);
    add(endOffset);
    const QPointF e = extensionGap(start, startOffset);
    add(start + e);
    add(end + e);
}

void Dimension::draw(Graphics& g) const
{
    if (start == end)
        return;
    Entity::draw(g);
    g.pushTransform(singleLevelTransform);

    // A thin line is hard to hit: picking widens it by ten device pixels.
    Pen drawn = pen;
    if (g.picking)
        drawn.width = pen.width + Graphics::kPickWideningPixels * g.pixelSize();

    switch (markerStyle) {
    case DimensionArrowStyle::none:
        break;
    case DimensionArrowStyle::arrow: {
        const Pen outline(QColor(0, 0, 0, 0), 0);
        g.drawPolygon(outline, brush.color, startArrowPoints);
        g.drawPolygon(outline, brush.color, endArrowPoints);
        break;
    }
    case DimensionArrowStyle::line:
    case DimensionArrowStyle::box: {
        const LineCap cap = markerStyle == DimensionArrowStyle::line ? LineCap::round : LineCap::square;
        drawn.startCap = cap;
        drawn.endCap = cap;
        if (markerStyle == DimensionArrowStyle::box)
            drawn.lineJoin = LineJoin::miter;
        const QColor noFill(0, 0, 0, 0);
        g.drawPolygon(drawn, noFill, startArrowPoints);
        g.drawPolygon(drawn, noFill, endArrowPoints);
        break;
    }
    }

    bool offsetPushed = false;
    if (style != DimensionStyle::angled || drawOffsets) {
        const QPointF e = extensionGap(start, startOffset);
        strokeSegment(g, drawn, start + e, startOffset);
        strokeSegment(g, drawn, end + e, endOffset);
        if (style == DimensionStyle::angled && offsetMatrix) {
            g.pushTransform(offsetMatrix);
            offsetPushed = true;
        }
    }

    for (const LineF& l : lines)
        strokeSegment(g, drawn, l.start, l.end);

    if (!text.isEmpty()) {
        const QPointF c = textCenter + textOffset;
        std::optional<QTransform> turn;
        if (std::abs(textAngleInDegrees) >= 1e-12)
            turn = QTransform::fromTranslate(-c.x(), -c.y()) * QTransform().rotateRadians(textAngleInDegrees * kPi / 180)
                * QTransform::fromTranslate(c.x(), c.y());
        g.pushTransform(turn);
        g.drawText(text, font, brush.color, c.x(), c.y());
        g.popTransform(turn);
    }

    if (offsetPushed)
        g.popTransform(offsetMatrix);
    g.popTransform(singleLevelTransform);
}

QWidget* Dimension::editorView(const std::shared_ptr<Entity>& self)
{
    return new DimensionEditor(std::static_pointer_cast<Dimension>(self));
}

DimensionEditor::DimensionEditor(std::shared_ptr<Dimension> d, QWidget* parent)
    : FrameEditor(QStringLiteral("Dimension"), {}, parent), dimension(std::move(d))
{
    keepEntityAlive(dimension);
}
