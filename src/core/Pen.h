#pragma once
// Stroke style read from an entity's own element.

#include <QColor>
#include <QPointF>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <string_view>

class Graphics;

enum class LineCap : unsigned char { flat, square, round, arrowAnchor, diamondAnchor, roundAnchor, squareAnchor };
enum class LineJoin : unsigned char { bevel, miter, miterClipped, round };
enum class LinePattern : unsigned char { solid, dot, dash, dashDot, dashDotDot };

std::optional<LineCap> lineCapFromString(std::string_view text);
std::optional<LineJoin> lineJoinFromString(std::string_view text);
std::optional<LinePattern> linePatternFromString(std::string_view text);
const char* toString(LineCap v);
const char* toString(LineJoin v);
const char* toString(LinePattern v);

// A decoration drawn at one end of a stroked line, filled in the pen colour.
// Sizes in pen widths w: arrow a triangle 6w long and 5w wide, tip on the
// end; diamond 4w along the line and 3w across, centred on the end; round a
// circle of diameter 2w centred on the end; square 2w a side, centred on the
// end and turned with the line.
class EndCap {
public:
    virtual ~EndCap() = default;
    // Fills the decoration (non-zero) with the context's current fill colour.
    virtual void draw(Graphics& g) const = 0;
    QPointF point; // the line end it decorates
    double angle = 0; // direction pointing out of the line at that end, radians
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
    // Copies share the decorations, as the decorations are not changed
    // once made.
    Pen(const Pen& other);
    Pen& operator=(const Pen& other);
    ~Pen();

    // (Byte-sized enumerations beside the flag: every entity holds a pen.)
    double width = 0.01;
    QColor color = QColor(0, 0, 0);
    bool reflective = false;
    LineCap startCap = LineCap::square;
    LineCap endCap = LineCap::square;
    LineJoin lineJoin = LineJoin::round;
    LinePattern linePattern = LinePattern::solid;
    // The decorations made for the line's ends; none until made. (Held
    // apart: few pens decorate their ends.)
    const std::shared_ptr<EndCap>& startCapGraphics() const { return caps_ ? caps_->start : noCap(); }
    const std::shared_ptr<EndCap>& endCapGraphics() const { return caps_ ? caps_->end : noCap(); }
    void clearStartCapGraphics();
    void clearEndCapGraphics();

    // "penWidth", "penColor", "reflectivePen", "startCap", "endCap",
    // "lineJoin", "linePattern" of the entity's own element.
    void readXML(pugi::xml_node element);
    // angle: the line's direction from its start towards its end at that
    // end, radians. A cap other than an anchor makes no decoration.
    void makeStartCapGraphics(double x, double y, double angle);
    void makeEndCapGraphics(double x, double y, double angle);
    // Start then end decoration, in the layer colour when in force, else the
    // pen colour; nothing for a pen colour below 1% alpha.
    void drawEndCaps(Graphics& g) const;

    // Every value alike, the width bit for bit, and the same decorations.
    bool sameAs(const Pen& other) const;

private:
    struct Caps {
        std::shared_ptr<EndCap> start;
        std::shared_ptr<EndCap> end;
    };
    static const std::shared_ptr<EndCap>& noCap();
    // Drops the block once neither end has a decoration.
    void dropEmptyCaps();
    std::unique_ptr<Caps> caps_;
};
