#pragma once
// A text in a box (element "noteBox"): a white rectangle outlined with a pen,
// with optionally rounded corners and a grey drop shadow, and the text drawn
// on top. Its property editor is the text's.

#include "core/Pen.h"
#include "entities/drawing/TextEntity.h"

#include <QRectF>
#include <optional>

class NoteBox : public TextEntity, public IPen {
public:
    explicit NoteBox(GraphicsSheet* sheet);

    // The shadow lies this far right of and below the box.
    static constexpr double kShadowOffset = 0.01;

    // Read and kept; drawing and the box do not use it.
    bool autoSize = true;
    // The box, in the entity's own coordinates (origin at its lower-left
    // corner, y up).
    QRectF rectangle{0, 0, 0, 0};
    // Derived in the bounding-box pass: the box grown by half the pen width
    // and moved by the shadow offset; none unless the pen is solid.
    std::optional<QRectF> shadowBox;
    // Corners of the box and of the shadow, as for rectangles: the radius is
    // roundness x half the shorter side (0 or less: square corners).
    double roundness = 0;
    Pen pen;
    // Read and kept.
    double extrusionBase = 0;
    double extrusionHeight = 0;

    // The text's attributes, the pen's, the box "boxLeft" "boxBase" (single
    // precision, 0 when missing) "boxWidth" "boxHeight" (double, 1 when
    // missing), "roundness", "autoSize", "extrusionBase", "extrusionHeight"
    // (single precision; missing keeps).
    void readXML(pugi::xml_node element) override;
    // The text's box, the shadow, then the box itself, grown by half the pen
    // width when the pen is visible; the same in own coordinates
    // (placingBox), from which several lines are placed; then the ink of
    // those lines where they are drawn.
    void calculateBoundingBox() override;
    // Shadow, white box and outline under the entity's own placement, then
    // the selection frame and the text on top.
    void draw(Graphics& g) const override;
    QString typeName() const override { return QStringLiteral("NoteBox"); }

    Pen* entityPen() override { return &pen; }
};
