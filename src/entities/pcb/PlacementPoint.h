#pragma once
// A component's pick-and-place origin, carried by its footprint and drawn as
// a small cross while the PCB shows placement points.

#include "core/Pen.h"
#include "editors/EntityEditor.h"
#include "model/Entity.h"

#include <QPointF>
#include <memory>

class PlacementPoint : public Entity, public IPen {
public:
    explicit PlacementPoint(GraphicsSheet* sheet);

    // Half the arm length of the cross.
    static constexpr double size = 0.025;
    QPointF modelSpacePosition = QPointF(0, 0);
    // Stored only; drawing ignores it.
    bool visibleInPcb = true;
    // Not read from the file.
    Pen pen{QColor::fromRgbF(1, 1, 1, 1), 0};

    // Entity attributes, "location", "visibleInPcb".
    void readXML(pugi::xml_node element) override;
    // Only on a PCB sheet that shows placement points: the selection frame,
    // then the vertical and the horizontal arm of the cross.
    void draw(Graphics& g) const override;
    // The square the cross spans, its corners under the net transform.
    void calculateBoundingBox() override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Placement Point"); }

    Pen* entityPen() override { return &pen; }
};

// Title only: the placement point has nothing to edit.
class PlacementPointEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit PlacementPointEditor(std::shared_ptr<PlacementPoint> placementPoint, QWidget* parent = nullptr);
    std::shared_ptr<PlacementPoint> placementPoint;
};
