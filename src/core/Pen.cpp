#include "core/Pen.h"

#include "core/EnumWords.h"
#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"
#include "core/SharedValue.h"

#include <QPainterPath>
#include <QTransform>

#include <cmath>

namespace {

constexpr auto capWords = enumWords<LineCap>({
    {LineCap::flat, "flat"},
    {LineCap::square, "square"},
    {LineCap::round, "round"},
    {LineCap::arrowAnchor, "arrowAnchor"},
    {LineCap::diamondAnchor, "diamondAnchor"},
    {LineCap::roundAnchor, "roundAnchor"},
    {LineCap::squareAnchor, "squareAnchor"},
});
constexpr auto joinWords = enumWords<LineJoin>({
    {LineJoin::bevel, "bevel"},
    {LineJoin::miter, "miter"},
    {LineJoin::miterClipped, "miterClipped"},
    {LineJoin::round, "round"},
});
constexpr auto patternWords = enumWords<LinePattern>({
    {LinePattern::solid, "solid"},
    {LinePattern::dot, "dot"},
    {LinePattern::dash, "dash"},
    {LinePattern::dashDot, "dashDot"},
    {LinePattern::dashDotDot, "dashDotDot"},
});

// Fills an outline given in the cap's own frame: origin at the line end,
// +x pointing away from the line, one unit = the pen width.
void fillCapOutline(Graphics& g, const EndCap& cap, const QPainterPath& outline)
{
    QTransform frame;
    frame.translate(cap.point.x(), cap.point.y());
    frame.rotateRadians(cap.angle);
    frame.scale(cap.penWidth, cap.penWidth);
    g.context.beginPath();
    g.context.addPath(frame.map(outline));
    g.context.fillPath(Qt::WindingFill);
}

std::shared_ptr<EndCap> makeCap(LineCap kind, double x, double y, double angle, double width)
{
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(angle) || !std::isfinite(width))
        return nullptr;
    std::shared_ptr<EndCap> cap;
    switch (kind) {
    case LineCap::arrowAnchor: cap = std::make_shared<ArrowLineCap>(); break;
    case LineCap::diamondAnchor: cap = std::make_shared<DiamondLineCap>(); break;
    case LineCap::roundAnchor: cap = std::make_shared<RoundedLineCap>(); break;
    case LineCap::squareAnchor: cap = std::make_shared<SquareLineCap>(); break;
    default: return nullptr;
    }
    cap->point = QPointF(x, y);
    cap->angle = angle;
    cap->penWidth = width;
    return cap;
}

} // namespace

std::optional<LineCap> lineCapFromString(std::string_view text) { return capWords.fromString(text); }
std::optional<LineJoin> lineJoinFromString(std::string_view text) { return joinWords.fromString(text); }
std::optional<LinePattern> linePatternFromString(std::string_view text) { return patternWords.fromString(text); }
const char* toString(LineCap v) { return capWords.toString(v); }
const char* toString(LineJoin v) { return joinWords.toString(v); }
const char* toString(LinePattern v) { return patternWords.toString(v); }

// Arrow: a triangle 6 widths long and 5 wide with its tip on the line end.
// The stroke of an arrowed line stops 1.7 widths short of the end, so its
// square or round end lies just inside the triangle.
void ArrowLineCap::draw(Graphics& g) const
{
    QPainterPath p;
    p.moveTo(0, 0);
    p.lineTo(-6, 2.5);
    p.lineTo(-6, -2.5);
    p.closeSubpath();
    fillCapOutline(g, *this, p);
}

// Diamond: 4 widths along the line, 3 across, centred on the line end.
void DiamondLineCap::draw(Graphics& g) const
{
    QPainterPath p;
    p.moveTo(2, 0);
    p.lineTo(0, 1.5);
    p.lineTo(-2, 0);
    p.lineTo(0, -1.5);
    p.closeSubpath();
    fillCapOutline(g, *this, p);
}

// Round: a circle of diameter twice the pen width centred on the line end.
void RoundedLineCap::draw(Graphics& g) const
{
    QPainterPath p;
    p.addEllipse(QPointF(0, 0), 1, 1);
    fillCapOutline(g, *this, p);
}

// Square: 2 widths on a side, centred on the line end, turned with the line.
void SquareLineCap::draw(Graphics& g) const
{
    QPainterPath p;
    p.addRect(QRectF(-1, -1, 2, 2));
    fillCapOutline(g, *this, p);
}

void Pen::readXML(pugi::xml_node element)
{
    width = readDoubleAttribute(element, "penWidth", width);
    color = readColorAttribute(element, "penColor", color);
    reflective = readBoolAttribute(element, "reflectivePen", reflective);
    startCap = readEnumAttribute(element, "startCap", LineCap::square, lineCapFromString);
    endCap = readEnumAttribute(element, "endCap", LineCap::square, lineCapFromString);
    lineJoin = readEnumAttribute(element, "lineJoin", LineJoin::round, lineJoinFromString);
    linePattern = readEnumAttribute(element, "linePattern", LinePattern::solid, linePatternFromString);
}

// The angle is the line's direction (from its start towards its end) at
// either end; the start decoration points the other way, out of the line.
void Pen::makeStartCapGraphics(double x, double y, double angle)
{
    std::shared_ptr<EndCap> cap = makeCap(startCap, x, y, angle + M_PI, width);
    if (cap && !caps_)
        caps_ = std::make_unique<Caps>();
    if (caps_)
        caps_->start = std::move(cap);
    dropEmptyCaps();
}

void Pen::makeEndCapGraphics(double x, double y, double angle)
{
    std::shared_ptr<EndCap> cap = makeCap(endCap, x, y, angle, width);
    if (cap && !caps_)
        caps_ = std::make_unique<Caps>();
    if (caps_)
        caps_->end = std::move(cap);
    dropEmptyCaps();
}

void Pen::clearStartCapGraphics()
{
    if (caps_)
        caps_->start.reset();
    dropEmptyCaps();
}

void Pen::clearEndCapGraphics()
{
    if (caps_)
        caps_->end.reset();
    dropEmptyCaps();
}

void Pen::dropEmptyCaps()
{
    if (caps_ && !caps_->start && !caps_->end)
        caps_.reset();
}

const std::shared_ptr<EndCap>& Pen::noCap()
{
    static const std::shared_ptr<EndCap> none;
    return none;
}

Pen::Pen(const Pen& other)
    : width(other.width), color(other.color), reflective(other.reflective), startCap(other.startCap),
      endCap(other.endCap), lineJoin(other.lineJoin), linePattern(other.linePattern)
{
    if (other.caps_)
        caps_ = std::make_unique<Caps>(*other.caps_);
}

Pen& Pen::operator=(const Pen& other)
{
    if (this == &other)
        return *this;
    width = other.width;
    color = other.color;
    reflective = other.reflective;
    startCap = other.startCap;
    endCap = other.endCap;
    lineJoin = other.lineJoin;
    linePattern = other.linePattern;
    caps_ = other.caps_ ? std::make_unique<Caps>(*other.caps_) : nullptr;
    return *this;
}

Pen::~Pen() = default;

bool Pen::sameAs(const Pen& other) const
{
    if (!sameBits(width, other.width) || reflective != other.reflective || startCap != other.startCap
        || endCap != other.endCap || lineJoin != other.lineJoin || linePattern != other.linePattern
        || color != other.color)
        return false;
    if (!caps_ && !other.caps_)
        return true;
    return startCapGraphics() == other.startCapGraphics() && endCapGraphics() == other.endCapGraphics();
}

void Pen::drawEndCaps(Graphics& g) const
{
    // A colour too transparent to see is not drawn, nor picked.
    if (!isDrawable(color))
        return;
    if (!caps_)
        return;
    for (const auto* cap : {&caps_->start, &caps_->end}) {
        if (!*cap)
            continue;
        g.context.setFillColor(g.effectiveColor(color));
        (*cap)->draw(g);
    }
}
