#pragma once
// A copper pour (its outline and the copper stored with it in the file) and a
// split power plane (a region of a power plane assigned to one signal).

#include "core/GraphicsPath.h"
#include "core/PlaneSurface.h"
#include "editors/EntityEditor.h"
#include "model/ClosedCurve.h"

#include <QString>
#include <memory>
#include <optional>

class CopperPour : public ClosedCurve {
public:
    explicit CopperPour(GraphicsSheet* sheet);

    // The poured copper as stored, used when there is no "fill".
    std::optional<GraphicsPath> graphicsPathWithUnconnectedRemoved;
    int steps = 4;
    QString signalName;
    bool addThermalRelief = false;
    // The poured copper as stored: polygons with holes.
    PlaneSurface planeSurface;

    // The closed-curve attributes, "steps", "signalName", "addThermalRelief";
    // then, for an element with children, its "fill" and
    // "graphicsPathWithUnconnectedRemoved" children and a transparent brush
    // (the outline is never filled by its brush).
    void readXML(pugi::xml_node element) override;
    // Nothing when the PCB settings hide pours. Otherwise the outline, then
    // the stored copper: the "fill" surface, else the unconnected-removed
    // path, in white (the layer colour in a layer-coloured pass).
    void draw(Graphics& g) const override;
    // The outline's box; the stored copper is made ready to draw here, so
    // that the first frame after a load does not index a huge pour.
    void calculateBoundingBox() override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Copper Pour"); }
};

class SplitPowerPlane : public ClosedCurve {
public:
    explicit SplitPowerPlane(GraphicsSheet* sheet);

    int steps = 4;
    QString signalName;
    bool addThermalRelief = false;

    // The closed-curve attributes, "steps", "signalName", and
    // "doNotBlockRouting" into addThermalRelief (the file's name for it).
    void readXML(pugi::xml_node element) override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Split Power Plane"); }
};

// Title only: neither has anything to edit.
class CopperPourEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit CopperPourEditor(std::shared_ptr<CopperPour> copperPour, QWidget* parent = nullptr);
    std::shared_ptr<CopperPour> copperPour;
};

class SplitPowerPlaneEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit SplitPowerPlaneEditor(std::shared_ptr<SplitPowerPlane> splitPowerPlane, QWidget* parent = nullptr);
    std::shared_ptr<SplitPowerPlane> splitPowerPlane;
};
