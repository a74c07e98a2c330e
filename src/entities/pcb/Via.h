#pragma once
// A plated hole joining copper layers: a copper disc with a drilled hole,
// drawn only in the hole pass.

#include "editors/EntityEditor.h"
#include "entities/pcb/MaskOpening.h"
#include "model/Entity.h"
#include "model/EntityList.h"

#include <QPointF>
#include <QRectF>
#include <memory>
#include <vector>

class Via : public Entity, public IMaskOpening {
public:
    explicit Via(GraphicsSheet* sheet);

    // Squares of side diameter and holeDiameter centred on modelSpaceCenter.
    QRectF rectangle = QRectF(0, 0, 0, 0);
    QRectF holeRectangle = QRectF(0, 0, 0, 0);
    QPointF modelSpaceCenter = QPointF(0, 0);
    // -1 when the file gives none (and then the hole defaults to -0.5).
    double diameter = 0;
    double holeDiameter = 0;
    int topLayerIndex = 0;
    int bottomLayerIndex = 0;
    bool extendToBottom = true;
    bool extendToTop = true;
    double copperPourGap = 0;
    bool useCopperPourGap = false;
    QString signalName;

    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    // The disc in the pass colour (when it is visible and the diameter is
    // positive), then the hole in black (when the hole diameter is positive).
    void drawHolePass(Graphics& g, const QColor& color) const override;
    // What the via paints, in sheet coordinates: the disc's square, or the
    // hole's square for a via without a disc. The board fill opens the solder
    // mask over it.
    void calculateBoundingBox() override;
    void readXML(pugi::xml_node element) override;
    QString typeName() const override;
    // The disc (the hole for a via without one) grown by the margin: round,
    // as the via is.
    void fillMaskOpening(Graphics& g, const QColor& color, double margin) override;

    bool hasDisc() const { return diameter > 0; }
    bool hasHole() const { return holeDiameter > 0; }
};

// Every via of the list, descending into holders.
std::vector<std::shared_ptr<Via>> collectVias(const EntityList& list);

// The titled frame "Via" with nothing to edit.
class ViaEditor : public FrameEditor {
public:
    explicit ViaEditor(std::shared_ptr<Via> via, QWidget* parent = nullptr);
    std::shared_ptr<Via> via;
};
