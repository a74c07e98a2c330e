#pragma once
// A net on the PCB sheet: the routed copper of one signal (tracks, junctions,
// vias and whatever else the file puts in it), its track width and its
// electrical limits.

#include "core/SharedValue.h"
#include "editors/EntityEditor.h"
#include "model/Entity.h"
#include "model/EntityList.h"

#include <memory>

// Per-net limits; stored only.
struct ElectricalParameters {
    double maxVoltageDrop = 0;
    double maxVoltage = 0;
    double maxCurrent = 0;
    double minVoltage = 0;
    double maxDelay = 0;

    bool sameAs(const ElectricalParameters& o) const
    {
        return sameBits(maxVoltageDrop, o.maxVoltageDrop) && sameBits(maxVoltage, o.maxVoltage)
            && sameBits(maxCurrent, o.maxCurrent) && sameBits(minVoltage, o.minVoltage) && sameBits(maxDelay, o.maxDelay);
    }
};

class PcbNet : public Entity, public IEntityHolder {
public:
    explicit PcbNet(GraphicsSheet* sheet);

    // Track width in inches; 0.15 mm unless the file says otherwise.
    double width = 0.15 / 25.4;
    // Most nets keep the default limits: equal ones are held once.
    const ElectricalParameters& electricalParameters() const { return electricalParameters_.get(); }
    ElectricalParameters& editElectricalParameters() { return electricalParameters_.edit(); }
    EntityList childEntities;

    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    // The children's hole pass under the net's placement.
    void drawHolePass(Graphics& g, const QColor& color) const override;
    // The union of the children's boxes, measured under the net transform.
    void updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox) override;
    // The common attributes, the limits, "width", the children of the first
    // "entities" child; then every track inside gets the net's width.
    void readXML(pugi::xml_node element) override;
    QString typeName() const override;

    IEntityHolder* holder() override { return this; }

    const IEntityHolder* holder() const override { return this; }
    EntityList& entities() override { return childEntities; }
    const EntityList& entities() const override { return childEntities; }
    const std::optional<QTransform>& childTransform() const override { return singleLevelTransform; }
    // A net's children take no part in the solid-pad pass.
    void drawChildrenPadPass(Graphics&) const override {}
    void drawChildrenHolePass(Graphics& g, const QColor& color) const override { drawHolePass(g, color); }
    // Known for a net of tracks and vias placed by moves only: tracks draw
    // in neither pass, a via only in the hole pass, its disc and a hole
    // grown by at most half a pixel, within a pixel of both. Exact kinds
    // only: a subclass may draw more.
    PassReach passReach() override;

private:
    SharedValue<ElectricalParameters> electricalParameters_;
};

// The titled frame "PCB Net" with nothing to edit.
class PcbNetEditor : public FrameEditor {
public:
    explicit PcbNetEditor(std::shared_ptr<PcbNet> pcbNet, QWidget* parent = nullptr);
    std::shared_ptr<PcbNet> pcbNet;
};
