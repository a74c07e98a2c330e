#pragma once
// A non-plated hole through the board, drawn as a black disc on the
// board-border layer (-2), and a V-cut line, which is only kept.

#include "core/Pen.h"
#include "editors/EntityEditor.h"
#include "entities/pcb/MaskOpening.h"
#include "model/Entity.h"

#include <QPointF>
#include <QRectF>
#include <memory>

class PcbHole : public Entity, public IMaskOpening {
public:
    explicit PcbHole(GraphicsSheet* sheet);

    // The square the hole's circle is inscribed in, from position and diameter.
    QRectF rectangle = QRectF(0, 0, 0, 0);
    // Not read from the file: a one-pixel white outline.
    Pen pen = Pen(QColor(255, 255, 255), 0.0);
    QPointF modelSpacePosition = QPointF(0, 0);
    double diameter = 0;
    // Kept only.
    double copperPourGap = 0;
    bool useCopperPourGap = false;
    bool addedByPcbBorder = false;

    // "at" ((0, 0) when missing), "holeDiameter", "copperPourGap",
    // "useCopperPourGap", "addedByPcbBorder"; the rectangle; then layer -2
    // whatever "layer" said.
    void readXML(pugi::xml_node element) override;
    // The disc filled black (the layer colour when in force) and outlined
    // with the pen.
    void draw(Graphics& g) const override;
    // The rectangle's corners through netTransform; not widened for the pen.
    void calculateBoundingBox() override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Pcb Hole"); }
    // The disc grown by the margin: the board fill leaves the hole open.
    void fillMaskOpening(Graphics& g, const QColor& color, double margin) override;
};

// Draws nothing but the selection frame of its box, which stays empty.
class VCut : public Entity {
public:
    explicit VCut(GraphicsSheet* sheet);

    QPointF start = QPointF(0, 0);
    QPointF end = QPointF(0, 0);

    // "start" and "end"; a missing one keeps its value. The layer stays.
    void readXML(pugi::xml_node element) override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("VCut"); }
};

// Title only.
class PcbHoleEditor : public FrameEditor {
public:
    explicit PcbHoleEditor(std::shared_ptr<PcbHole> pcbHole, QWidget* parent = nullptr);
    std::shared_ptr<PcbHole> pcbHole;
};

class VCutEditor : public FrameEditor {
public:
    explicit VCutEditor(std::shared_ptr<VCut> vCut, QWidget* parent = nullptr);
    std::shared_ptr<VCut> vCut;
};
