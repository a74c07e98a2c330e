#pragma once
// Openings routed out of the board: an arc, a Bezier curve, a polyline and a
// closed outline. The curve, polyline and shape sit on the board-border layer
// (-2), which the PCB sheet draws in a pass of its own in the entities' own
// colours; the arc keeps the layer of its file.

#include "core/Bezier.h"
#include "core/Geometry.h"
#include "core/Pen.h"
#include "editors/EntityEditor.h"
#include "entities/pcb/MaskOpening.h"
#include "model/ClosedCurve.h"
#include "model/Entity.h"

#include <QPointF>
#include <QSizeF>
#include <memory>

class PcbCutoutArc : public Entity, public IPen, public IMaskOpening {
public:
    explicit PcbCutoutArc(GraphicsSheet* sheet);

    Pen pen;
    QPointF center = QPointF(0, 0);
    // Only the width is drawn (a circular arc); the height counts in the box.
    QSizeF radius = QSizeF(1.0, 1.0);
    double startAngleInRadians = 0;
    double endAngleInRadians = 0;

    // The pen, "radius" ((0, 0) when missing), "startAngle" and "endAngle"
    // (degrees at single precision, 0 when missing) and "center". The layer
    // of the file stays.
    void readXML(pugi::xml_node element) override;
    // The arc from the start angle counter-clockwise to the end angle, never
    // filled; picking widens the pen by ten device pixels for the draw only.
    void draw(Graphics& g) const override;
    void calculateBoundingBox() override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Pcb Cutout Arc"); }
    Pen* entityPen() override { return &pen; }
    // The arc's line grown by the margin on each side.
    void fillMaskOpening(Graphics& g, const QColor& color, double margin) override;

    // The counter-clockwise sweep from the start to the end angle, in
    // 0..2 pi (an end below the start goes round through a full turn).
    double sweep() const;
};

class PcbCutoutCurve : public Entity, public IMaskOpening {
public:
    explicit PcbCutoutCurve(GraphicsSheet* sheet);

    Pen pen = Pen(QColor(255, 255, 255), 0.0);
    Bezier bezier;
    bool addedByPcbCutoutGenerator = false;

    // "addedByPcbCutoutGenerator", the pen, the Bezier; then layer -2.
    void readXML(pugi::xml_node element) override;
    // The Bezier filled black when closed and stroked with the pen, under the
    // curve's own placement.
    void draw(Graphics& g) const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Pcb Cutout Curve"); }
    // The area when closed and the line, grown by the margin.
    void fillMaskOpening(Graphics& g, const QColor& color, double margin) override;
};

class PcbCutoutPolyLine : public Entity, public IMaskOpening {
public:
    explicit PcbCutoutPolyLine(GraphicsSheet* sheet);

    bool closed = false;
    bool doNotOptimize = false;
    bool addedByPcbCutoutGenerator = false;
    // Not read from the file.
    Pen pen;
    Vertices vertices;

    // "closed", "doNotOptimize", "addedByPcbCutoutGenerator", the first
    // "vertices" child; then layer -2.
    void readXML(pugi::xml_node element) override;
    // Nothing without vertices. Otherwise the open polyline twice: white and
    // two device pixels wider, then black at the pen width.
    void draw(Graphics& g) const override;
    void calculateBoundingBox() override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Pcb Cutout PolyLine"); }
    // The line with its halo, or grown by the margin when that is wider.
    void fillMaskOpening(Graphics& g, const QColor& color, double margin) override;
    double maskOpeningOverhang() const override;
};

class PcbCutoutShape : public ClosedCurve, public IMaskOpening {
public:
    explicit PcbCutoutShape(GraphicsSheet* sheet);

    double copperPourGap = 0;
    bool useCopperPourGap = false;

    // The closed curve, "copperPourGap", "useCopperPourGap"; then layer -2.
    void readXML(pugi::xml_node element) override;
    // The closed curve with a one-pixel outline, whatever the pen width.
    void draw(Graphics& g) const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Pcb Cutout Shape"); }
    // The area with its outline, grown by the margin.
    void fillMaskOpening(Graphics& g, const QColor& color, double margin) override;
};

// Title only: none of the cutouts has anything to edit.
class PcbCutoutArcEditor : public FrameEditor {
public:
    explicit PcbCutoutArcEditor(std::shared_ptr<PcbCutoutArc> pcbCutoutArc, QWidget* parent = nullptr);
    std::shared_ptr<PcbCutoutArc> pcbCutoutArc;
};

class PcbCutoutCurveEditor : public FrameEditor {
public:
    explicit PcbCutoutCurveEditor(std::shared_ptr<PcbCutoutCurve> pcbCutoutCurve, QWidget* parent = nullptr);
    std::shared_ptr<PcbCutoutCurve> pcbCutoutCurve;
};

class PcbCutoutPolyLineEditor : public FrameEditor {
public:
    explicit PcbCutoutPolyLineEditor(std::shared_ptr<PcbCutoutPolyLine> pcbCutoutPolyLine, QWidget* parent = nullptr);
    std::shared_ptr<PcbCutoutPolyLine> pcbCutoutPolyLine;
};

class PcbCutoutShapeEditor : public FrameEditor {
public:
    explicit PcbCutoutShapeEditor(std::shared_ptr<PcbCutoutShape> pcbCutoutShape, QWidget* parent = nullptr);
    std::shared_ptr<PcbCutoutShape> pcbCutoutShape;
};
