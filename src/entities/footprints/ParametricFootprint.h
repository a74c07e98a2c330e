#pragma once
// Common base of the parametric package families: a footprint whose stored
// children are what is drawn, plus the package parameters every family
// shares. The parameters are kept as read; nothing derives geometry from
// them.

#include "core/Values.h"
#include "entities/footprints/PackageEnums.h"
#include "entities/pcb/Footprint.h"
#include "entities/pcb/Materials.h"

#include <QColor>
#include <QSizeF>

class ParametricFootprint : public Footprint {
public:
    bool addFiducials = false;
    SidesType arrangeTerminalsOnSides = SidesType::leftAndRight;
    bool autoGenerate3D = true;
    bool autoGeneratePackageBody = true;
    double courtyardExcess = 0.0;
    bool flipPackageText = false;
    double holeDiameter = 0.0;
    QColor packageColor = QColor::fromRgbF(0.251f, 0.251f, 0.251f, 1.0f);
    double packageDepth = 0.06299212598425198; // 1.6 mm
    double padRoundness = 0.0;
    QSizeF padSize = QSizeF(0.0, 0.0);
    PinMaterialType pinMaterial = PinMaterialType::silver;
    RoundedSideType roundedSide = RoundedSideType::all;
    bool roundPads = false;
    double silkscreenExcess = 0.0;
    // The body's surface; the element's "color" is this colour, not
    // packageColor.
    MaterialParameters materialParameters;

    // The footprint's attributes and children, then the shared parameters,
    // then the material. Families call it first and then list their own
    // attributes on a ParamReader of the same element.
    void readXML(pugi::xml_node element) override;
    // Unknown: the families are left to draw what they will in the passes.
    PassReach passReach() override { return {}; }

protected:
    // Only the families are created, never the base by itself.
    explicit ParametricFootprint(GraphicsSheet* sheet);
};
