#pragma once
// Fill style read from an entity's own element or from a named child.

#include <QColor>
#include <QPainterPath>
#include <QRectF>
#include <optional>
#include <pugixml.hpp>
#include <string_view>

class Graphics;

enum class BrushType : unsigned char { solid, hatch, gradient, radial, centerGradient };
std::optional<BrushType> brushTypeFromString(std::string_view text);
const char* toString(BrushType v);

class Brush {
public:
    Brush() = default;
    explicit Brush(const QColor& color) : color(color) {}

    QColor color = QColor(0, 0, 0);
    QColor secondColor = QColor(255, 255, 255);
    QColor backColor = QColor(255, 255, 255);
    QPointF center = QPointF(0.5, 0.5);
    // The area a gradient spans, in the coordinates the path is drawn in.
    std::optional<QRectF> rectangle;
    // (Small members last, packed together: every filled entity holds a brush.)
    bool reflective = false;
    bool vertical = false;
    BrushType brushType = BrushType::solid;

    // "brushColor", "secondColor", "backColor", "reflective", "vertical",
    // "center", "brushType".
    void readXML(pugi::xml_node element);
    // Fills the path (in current model coordinates) with the solid colour or
    // the gradient; respects Graphics::useLayerColor and the alpha rule.
    void fillPath(Graphics& g, const QPainterPath& path) const;
    bool isGradient() const { return brushType == BrushType::gradient || brushType == BrushType::radial || brushType == BrushType::centerGradient; }
};

// The first child element of that name read into a copy of current; without
// such a child, current itself.
Brush readChildBrush(pugi::xml_node element, const char* childName, const Brush& current);
