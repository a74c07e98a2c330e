#pragma once
// An entity with a closed outline: a rectangle (optionally with rounded
// corners), an ellipse or a Bezier curve. Base of pads, pours, borders,
// keep-outs, cutouts and split planes.

#include "core/Bezier.h"
#include "core/Brush.h"
#include "core/Pen.h"
#include "core/SharedValue.h"
#include "core/Values.h"
#include "model/Entity.h"

#include <QPainterPath>
#include <QRectF>
#include <memory>
#include <optional>
#include <string_view>

enum class CurveType : unsigned char { rectangle, ellipse, curve };
std::optional<CurveType> curveTypeFromString(std::string_view text);
const char* toString(CurveType value);

// What a closed curve is drawn with and how its outline is rounded: held
// shared between the curves of an equal style (copy on write).
struct CurveStyle {
    Pen pen;
    Brush brush;
    // Corner radius as a ratio of half the shorter side; 0 for sharp corners.
    double roundness = 0;
    CurveType curveType = CurveType::rectangle;
    RoundedSideType roundedSide = RoundedSideType::all;
    bool lockWidthToHeight = false;
    bool sameAs(const CurveStyle& other) const;
};

class ClosedCurve : public Entity, public IPen, public IBrush {
public:
    explicit ClosedCurve(GraphicsSheet* sheet);

    QRectF rectangle;

    // The style, shared with the curves that hold an equal one. The edit
    // and set calls change this curve's alone.
    const CurveStyle& curveStyle() const { return style_.get(); }
    void setCurveStyle(const CurveStyle& style) { style_.share(style); }
    const Pen& pen() const { return style_.get().pen; }
    const Brush& brush() const { return style_.get().brush; }
    Pen& editPen() { return style_.edit().pen; }
    Brush& editBrush() { return style_.edit().brush; }
    CurveType curveType() const { return style_.get().curveType; }
    void setCurveType(CurveType type) { style_.edit().curveType = type; }
    double roundness() const { return style_.get().roundness; }
    void setRoundness(double roundness) { style_.edit().roundness = roundness; }
    RoundedSideType roundedSide() const { return style_.get().roundedSide; }
    void setRoundedSide(RoundedSideType side) { style_.edit().roundedSide = side; }
    bool lockWidthToHeight() const { return style_.get().lockWidthToHeight; }
    void setLockWidthToHeight(bool lock) { style_.edit().lockWidthToHeight = lock; }
    // Whether both hold one style block.
    bool sharesStyleWith(const ClosedCurve& other) const { return style_.sharesWith(other.style_); }

    // Entity attributes, then "curveType", the rectangle ("x", "y", "width",
    // "height"), "roundness", "roundedSide", "widthEqualsHeight", the pen,
    // the brush and the Bezier, all of the same element.
    void readXML(pugi::xml_node element) override;
    // Selection frame, then the outline under singleLevelTransform, filled
    // with the brush and stroked with the pen.
    void draw(Graphics& g) const override;
    void calculateBoundingBox() override;

    // The outline of a curve. Most closed curves (pads above all) are
    // rectangles or ellipses and hold no Bezier: they read a default one.
    const Bezier& bezier() const { return bezier_ ? *bezier_ : emptyBezier(); }
    // The Bezier to change, made on first use.
    Bezier& editBezier();

    // This curve's own pen and brush, to change (editors and the colour
    // panel write through them).
    Pen* entityPen() override { return &editPen(); }
    Brush* entityBrush() override { return &editBrush(); }

    // The outline in the entity's own coordinates (non-zero winding).
    QPainterPath outlinePath() const;
    // Adds the Bezier's points (for a curve) or the rectangle's corners, each
    // through netTransform, to boundingBox; the pen width is not included.
    void closedCurveBounds();
    // Members are released by their destructors; kept for subclasses that
    // end their teardown with it.
    void releaseFields() {}

protected:
    // Changes the style as read before it is shared; nothing by default.
    virtual void adjustReadStyle(CurveStyle&) {}
    // The outline under singleLevelTransform, filled with the brush and
    // stroked with that pen.
    void drawOutline(Graphics& g, const Pen& pen) const;

private:
    static const Bezier& emptyBezier();
    SharedValue<CurveStyle> style_;
    std::unique_ptr<Bezier> bezier_;
};
