#include "entities/schematic/SymbolTerminal.h"

#include "core/AppStyle.h"
#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"
#include "core/TextMetrics.h"
#include "document/Design.h"
#include "document/GraphicsSheet.h"
#include "document/Schematic.h"
#include "entities/schematic/SymbolTexts.h"

#include <array>
#include <cmath>

SymbolTerminal::SymbolTerminal(GraphicsSheet* sheet) : Entity(sheet)
{
}

namespace {

QString readText(pugi::xml_node element, const char* name)
{
    return QString::fromUtf8(element.attribute(name).value());
}

QPointF toPoint(QSizeF s)
{
    return {s.width(), s.height()};
}

// A pin font: family, height and the four styles under the given attribute
// names; a missing family or height takes the application style's.
Font readPinFont(pugi::xml_node element, const char* family, const char* height, const char* bold,
                 const char* italic, const char* underline, const char* strikeout)
{
    Font font;
    const QString name = readText(element, family);
    font.familyName = name.isEmpty() ? appStyle().defaultFontName : name;
    font.height = readDoubleAttribute(element, height, appStyle().defaultFontHeight);
    font.bold = readBoolAttribute(element, bold, false);
    font.italic = readBoolAttribute(element, italic, false);
    font.underline = readBoolAttribute(element, underline, false);
    font.strikeout = readBoolAttribute(element, strikeout, false);
    return font;
}

// The unit step in the direction the pin leaves the body; none for any.
QPointF direction(TerminalOrientation o)
{
    switch (o) {
    case TerminalOrientation::top: return {0, 1};
    case TerminalOrientation::bottom: return {0, -1};
    case TerminalOrientation::left: return {-1, 0};
    case TerminalOrientation::right: return {1, 0};
    case TerminalOrientation::any: break;
    }
    return {0, 0};
}

void strokeLine(Graphics& g, QPointF a, QPointF b)
{
    g.context.beginPath();
    g.context.moveTo(a);
    g.context.lineTo(b);
    g.context.strokePath();
}

void strokePolyline(Graphics& g, QPointF start, std::initializer_list<QPointF> points)
{
    g.context.beginPath();
    g.context.moveTo(start);
    for (QPointF p : points)
        g.context.lineTo(p);
    g.context.strokePath();
}

// The three points of the clock chevron, drawn inside the body.
std::array<QPointF, 3> chevron(TerminalOrientation o, QPointF p)
{
    const double s = SymbolTerminal::kMarkSize, depth = 1.5 * SymbolTerminal::kMarkSize;
    switch (o) {
    case TerminalOrientation::left: return {p + QPointF(0, s), p + QPointF(depth, 0), p + QPointF(0, -s)};
    case TerminalOrientation::right: return {p + QPointF(0, s), p + QPointF(-depth, 0), p + QPointF(0, -s)};
    case TerminalOrientation::top: return {p + QPointF(-s, 0), p + QPointF(0, -depth), p + QPointF(s, 0)};
    case TerminalOrientation::bottom: return {p + QPointF(-s, 0), p + QPointF(0, depth), p + QPointF(s, 0)};
    case TerminalOrientation::any: break;
    }
    return {p, p, p};
}

// The wedges' offset from the placement point; none for any.
std::optional<QPointF> wedgeOffset(TerminalOrientation o)
{
    switch (o) {
    case TerminalOrientation::top: return QPointF(0.025, 0.05);
    case TerminalOrientation::bottom: return QPointF(-0.025, -0.05);
    case TerminalOrientation::left: return QPointF(-0.05, 0.025);
    case TerminalOrientation::right: return QPointF(0.05, 0.025);
    case TerminalOrientation::any: break;
    }
    return std::nullopt;
}

// The input wedge's three points after the placement point.
std::array<QPointF, 3> inputWedge(TerminalOrientation o, QPointF p)
{
    const std::optional<QPointF> offset = wedgeOffset(o);
    if (!offset)
        return {p, p, p};
    const QPointF q = p + *offset;
    const bool horizontal = o == TerminalOrientation::left || o == TerminalOrientation::right;
    return {p, q, horizontal ? QPointF(q.x(), p.y()) : QPointF(p.x(), q.y())};
}

} // namespace

void SymbolTerminal::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    const int version = (sheet && sheet->design) ? sheet->design->xmlVersionBeingRead : 0;
    const bool before12 = version <= 11;

    connectionsVerified = readBoolAttribute(element, "connectionsVerified", false);
    groundTerminal = readBoolAttribute(element, "ground", false);
    hide = readBoolAttribute(element, "hide", false);
    lineLength = before12 ? TerminalLineLength::Long : TerminalLineLength::Medium;
    if (pugi::xml_attribute a = element.attribute("length"))
        lineLength = terminalLineLengthFromString(a.value()).value_or(TerminalLineLength::Medium);
    name = readText(element, "name");
    nameTextOffset = toPoint(readSizeAttribute(element, "nameOffset", QSizeF(0, 0)));
    nameVisibleInSchematic = readBoolAttribute(element, "nameVisible", nameVisibleInSchematic);
    noAssociatedPad = readBoolAttribute(element, "virtual", false);
    noConnect = readBoolAttribute(element, "noConnect", false);
    padId = readIdAttribute(element, "pad", Id());
    padNameTextOffset = toPoint(readSizeAttribute(element, "pinOffset", QSizeF(0, 0)));
    padNameVisibleInSchematic = readBoolAttribute(element, "numberVisible", padNameVisibleInSchematic);
    pinDescription = readText(element, "pinDescription");
    placementPoint = readPointAttribute(element, "at", QPointF(0, 0));
    portId = readIdAttribute(element, "port", Id());
    stringAlignment = readEnumAttribute(element, "stringAlignment", StringAlignment::center, stringAlignmentFromString);
    terminalOrientation = readEnumAttribute(element, "side", TerminalOrientation::left, terminalOrientationFromString);
    type = before12 ? TerminalType::line : TerminalType::medium;
    if (pugi::xml_attribute a = element.attribute("type"))
        type = terminalTypeFromString(a.value()).value_or(TerminalType::medium);
    userDefinedNodeName = readText(element, "userDefinedNodeName");
    verified = readBoolAttribute(element, "verified", false);
    visibleInSchematic = readBoolAttribute(element, "nameVisible", true);
    nameFont = readPinFont(element, "font", "height", "bold", "italic", "underline", "strikeout");
    padNameFont = readPinFont(element, "padFont", "padHeight", "padBold", "padItalic", "padUnderlined", "padStrikeout");
    fillBrush.readXML(element);
}

QPointF SymbolTerminal::pinEndPoint() const
{
    return placementPoint + direction(terminalOrientation) * terminalLineLengthValue(lineLength);
}

QString SymbolTerminal::shownPart(const QString& text)
{
    if (text.size() <= kMaxShownNameLength)
        return text;
    qsizetype n = kMaxShownNameLength;
    // Never split a surrogate pair.
    if (text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}

bool SymbolTerminal::nameHidden() const
{
    return !nameVisibleInSchematic && designIsProject(sheet);
}

std::optional<double> SymbolTerminal::dotWidth() const
{
    auto* schematic = dynamic_cast<const Schematic*>(sheet);
    if (!schematic)
        return std::nullopt;
    return schematic->schematicSettings.nodePen.width * appStyle().dotScale;
}

void SymbolTerminal::calculateBoundingBox()
{
    if (terminalOrientation == TerminalOrientation::top || terminalOrientation == TerminalOrientation::bottom)
        vertical = true;

    if (nameVisibleInSchematic) {
        layoutTerminalName();
        if (nameModelSpaceBoundingBox)
            boundingBox.addTransformedBox(*nameModelSpaceBoundingBox, netTransform);
    }
    if (padNameVisibleInSchematic) {
        layoutTerminalPadName();
        if (padNameModelSpaceBoundingBox)
            boundingBox.addTransformedBox(*padNameModelSpaceBoundingBox, netTransform);
    }

    BoundingBox own;
    own.addPoint(placementPoint);
    const QPointF e = pinEndPoint();
    own.addPoint(e);
    if (noConnect)
        own.addRect(QRectF(e.x() - kMarkSize, e.y() - kMarkSize, 2 * kMarkSize, 2 * kMarkSize));
    // Bubbles, chevrons, wedges and dots reach off the pin line; the box
    // covers them so that they are neither culled nor missed by a click.
    addDecorationExtent(own);
    boundingBox.addTransformedBox(own, netTransform);
}

void SymbolTerminal::addDecorationExtent(BoundingBox& box) const
{
    const QPointF p = placementPoint;
    const double r = kMarkSize;
    auto circle = [&box](QPointF c, double radius) { box.addRect(QRectF(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius)); };
    switch (type) {
    case TerminalType::dotClock:
        for (QPointF q : chevron(terminalOrientation, p))
            box.addPoint(q);
        [[fallthrough]];
    case TerminalType::dot:
        circle(p + direction(terminalOrientation) * r, r);
        break;
    case TerminalType::clock:
        for (QPointF q : chevron(terminalOrientation, p))
            box.addPoint(q);
        break;
    case TerminalType::inputWedge:
    case TerminalType::outputWedge:
        for (QPointF q : inputWedge(terminalOrientation, p))
            box.addPoint(q);
        break;
    case TerminalType::zeroLength:
        if (visibleInSchematic)
            circle(p, r);
        break;
    case TerminalType::point:
        if (std::optional<double> d = dotWidth(); d && visibleInSchematic && std::isfinite(*d))
            circle(p, *d);
        break;
    case TerminalType::line:
    case TerminalType::shortPin:
    case TerminalType::medium:
        break;
    }
}

void SymbolTerminal::layoutTerminalPadName()
{
    if (!padNameVisibleInSchematic || padName.isEmpty())
        return;
    // Measured in the font it is drawn in, so that the box covers the drawn
    // name and a larger pad font moves the name clear of the pin.
    const QSizeF size = textSize(padNameFont, shownPart(padName));
    const double wr = size.width() + 1.0 / 60;
    const double hr = size.height() + 1.0 / 30;
    const QPointF q = placementPoint + padNameTextOffset;
    switch (terminalOrientation) {
    case TerminalOrientation::right:
        padNameModelPosition = QPointF(q.x() + kPadNameGap + wr / 2, q.y() + kPadNameRise);
        break;
    case TerminalOrientation::left:
    case TerminalOrientation::any:
        padNameModelPosition = QPointF(q.x() - kPadNameGap - wr / 2, q.y() + kPadNameRise);
        break;
    case TerminalOrientation::top:
        padNameModelPosition = QPointF(q.x() - kPadNameRise, q.y() + kPadNameGap + wr / 2);
        break;
    case TerminalOrientation::bottom:
        padNameModelPosition = QPointF(q.x() - kPadNameRise, q.y() - kPadNameGap - wr / 2);
        break;
    }
    BoundingBox box;
    box.addPoint(padNameModelPosition - QPointF(wr / 2, hr));
    box.addPoint(padNameModelPosition + QPointF(wr / 2, hr));
    padNameModelSpaceBoundingBox = box;
}

void SymbolTerminal::draw(Graphics& g) const
{
    Entity::draw(g);
    g.pushTransform(singleLevelTransform);
    // Under the terminal's own transform like the rest of it, so the cross
    // sits on the pin end that the box measured.
    if (noConnect)
        drawNoConnectMark(g);
    drawPinDecoration(g);
    if (nameVisibleInSchematic)
        drawTerminalName(g);
    drawTerminalPadName(g);
    g.popTransform(singleLevelTransform);
}

const Pen& SymbolTerminal::noConnectPen()
{
    static const Pen pen(QColor::fromRgbF(0, 0.5f, 0, 1), 0.007);
    return pen;
}

void SymbolTerminal::drawNoConnectMark(Graphics& g) const
{
    const Pen& pen = noConnectPen();
    if (!isDrawable(pen.color))
        return;
    const QPointF e = pinEndPoint();
    const double s = kMarkSize;
    g.applyPen(pen);
    strokeLine(g, e + QPointF(-s, -s), e + QPointF(s, s));
    g.applyPen(pen);
    strokeLine(g, e + QPointF(-s, s), e + QPointF(s, -s));
}

void SymbolTerminal::drawPinDecoration(Graphics& g) const
{
    const Pen& d = groundTerminal ? invisibleGreenPen : pen;
    const QPointF p = placementPoint;
    const QPointF e = pinEndPoint();
    const double r = kMarkSize;
    const QColor white(255, 255, 255);
    const bool drawable = isDrawable(d.color);

    auto pinLine = [&] {
        if (drawable) {
            g.applyPen(d);
            strokeLine(g, p, e);
        }
    };
    auto bubble = [&] {
        const QPointF c = p + direction(terminalOrientation) * r;
        g.drawEllipse(d, white, QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r));
    };
    auto clock = [&] {
        if (!drawable)
            return;
        const auto q = chevron(terminalOrientation, p);
        g.applyPen(d);
        strokePolyline(g, q[0], {q[0], q[1], q[2]});
    };

    switch (type) {
    case TerminalType::line:
    case TerminalType::shortPin:
    case TerminalType::medium:
        pinLine();
        break;
    case TerminalType::clock:
        pinLine();
        clock();
        break;
    case TerminalType::dot:
        pinLine();
        bubble();
        break;
    case TerminalType::dotClock:
        pinLine();
        bubble();
        clock();
        break;
    case TerminalType::inputWedge:
        pinLine();
        if (drawable) {
            const auto q = inputWedge(terminalOrientation, p);
            g.applyPen(d);
            strokePolyline(g, p, {q[0], q[1], q[2]});
        }
        break;
    case TerminalType::outputWedge:
        pinLine();
        if (drawable) {
            const QPointF q = p + wedgeOffset(terminalOrientation).value_or(QPointF(0, 0));
            g.applyPen(d);
            strokeLine(g, QPointF(q.x(), p.y()), QPointF(p.x(), q.y()));
        }
        break;
    case TerminalType::zeroLength:
        if (visibleInSchematic)
            g.drawEllipse(d, white, QRectF(p.x() - r, p.y() - r, 2 * r, 2 * r));
        break;
    case TerminalType::point:
        if (std::optional<double> w = dotWidth(); w && visibleInSchematic && drawable) {
            g.applyPen(Pen(d.color, *w));
            g.context.beginPath();
            g.context.addEllipse(QRectF(p.x() - *w / 2, p.y() - *w / 2, *w, *w));
            g.context.strokePath();
        }
        break;
    }
}

void SymbolTerminal::drawTerminalPadName(Graphics& g) const
{
    if (!padNameVisibleInSchematic || padName.isEmpty())
        return;
    // Never turned, also on vertical pins.
    g.drawText(shownPart(padName), padNameFont, QColor(0, 0, 0), padNameModelPosition.x(), padNameModelPosition.y());
}

QWidget* SymbolTerminal::editorView(const std::shared_ptr<Entity>& self)
{
    return new SymbolTerminalEditor(std::static_pointer_cast<SymbolTerminal>(self));
}

SymbolTerminalEditor::SymbolTerminalEditor(std::shared_ptr<SymbolTerminal> terminal, QWidget* parent)
    : FrameEditor(QStringLiteral("Symbol Terminal"), {}, parent), symbolTerminal(std::move(terminal))
{
    keepEntityAlive(symbolTerminal);
}
