#pragma once
// An entity with a closed outline: a rectangle (optionally with rounded
// corners), an ellipse or a Bezier curve. Base of pads, pours, borders,
// keep-outs, cutouts and split planes.

#include "core/Bezier.h"
#include "core/Brush.h"
#include "core/Pen.h"
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

class ClosedCurve : public Entity, public IPen, public IBrush {
public:
    explicit ClosedCurve(GraphicsSheet* sheet);

    CurveType curveType = CurveType::rectangle;
    bool lockWidthToHeight = false;
    RoundedSideType roundedSide = RoundedSideType::all;
    QRectF rectangle;
    // Corner radius as a ratio of half the shorter side; 0 for sharp corners.
    double roundness = 0;
    Pen pen;
    Brush brush;

    // Entity attributes, then "curveType", the rectangle ("x", "y", "width",
    // "height"), "roundness", "roundedSide", "widthEqualsHeight", the pen,
    // the brush and the Bezier, all of the same element.
    void readXML(pugi::xml_node element) override;
    // Selection frame, then the outline under singleLevelTransform, filled
    // with the brush and stroked with the pen.
    void draw(Graphics& g) override;
    void calculateBoundingBox() override;

    // The outline of a curve. Most closed curves (pads above all) are
    // rectangles or ellipses and hold no Bezier: they read a default one.
    const Bezier& bezier() const { return bezier_ ? *bezier_ : emptyBezier(); }
    // The Bezier to change, made on first use.
    Bezier& editBezier();

    Pen* entityPen() override { return &pen; }
    Brush* entityBrush() override { return &brush; }

    // The outline in the entity's own coordinates (non-zero winding).
    QPainterPath outlinePath() const;
    // Adds the Bezier's points (for a curve) or the rectangle's corners, each
    // through netTransform, to boundingBox; the pen width is not included.
    void closedCurveBounds();
    // Members are released by their destructors; kept for subclasses that
    // end their teardown with it.
    void releaseFields() {}

private:
    static const Bezier& emptyBezier();
    std::unique_ptr<Bezier> bezier_;
};
