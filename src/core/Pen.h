#pragma once
// Stroke style read from an entity's own element.

#include <QColor>
#include <QPointF>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <string_view>

class Graphics;

enum class LineCap { flat, square, round, arrowAnchor, diamondAnchor, roundAnchor, squareAnchor };
enum class LineJoin { bevel, miter, miterClipped, round };
enum class LinePattern { solid, dot, dash, dashDot, dashDotDot };

std::optional<LineCap> lineCapFromString(std::string_view text);
std::optional<LineJoin> lineJoinFromString(std::string_view text);
std::optional<LinePattern> linePatternFromString(std::string_view text);
const char* toString(LineCap v);
const char* toString(LineJoin v);
const char* toString(LinePattern v);

// A decoration drawn at one end of a stroked line, filled in the pen colour.
class EndCap {
public:
    virtual ~EndCap() = default;
    // Fills the decoration with the context's current fill colour.
    virtual void draw(Graphics& g) const = 0;
    QPointF point; // the line end it decorates
    double angle = 0; // direction of the line at that end, radians
    double penWidth = 0.01;
};
class ArrowLineCap : public EndCap { public: void draw(Graphics& g) const override; };
class DiamondLineCap : public EndCap { public: void draw(Graphics& g) const override; };
class RoundedLineCap : public EndCap { public: void draw(Graphics& g) const override; };
class SquareLineCap : public EndCap { public: void draw(Graphics& g) const override; };

class Pen {
public:
    Pen() = default;
    Pen(const QColor& color, double width) : width(width), color(color) {}

    double width = 0.01;
    QColor color = QColor(0, 0, 0);
    bool reflective = false;
    LineCap startCap = LineCap::square;
    LineCap endCap = LineCap::square;
    LineJoin lineJoin = LineJoin::round;
    LinePattern linePattern = LinePattern::solid;
    std::shared_ptr<EndCap> startCapGraphics;
    std::shared_ptr<EndCap> endCapGraphics;

    // "penWidth", "penColor", "reflectivePen", "startCap", "endCap",
    // "lineJoin", "linePattern" of the entity's own element.
    void readXML(pugi::xml_node element);
    void makeStartCapGraphics(double x, double y, double angle);
    void makeEndCapGraphics(double x, double y, double angle);
    void drawEndCaps(Graphics& g) const;
};
