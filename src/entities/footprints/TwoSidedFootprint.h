#pragma once
// Base of the package families whose pins stand in two rows, left and right.

#include "entities/footprints/ParamReader.h"
#include "entities/footprints/ParametricFootprint.h"

#include <QPointF>
#include <QString>

#include <cstdint>

class TwoSidedFootprint : public ParametricFootprint {
public:
    bool doubleSided = false;
    QPointF pitch = QPointF(0.0, 0.0); // a vector: x is dx, y is dy
    QString leftPrefix;
    QString rightPrefix;
    int64_t rows = 0;
    PinLeadType leadType = PinLeadType::gullWing;
    bool addCenterPad = false;
    static constexpr double defaultCenterMargin = 0.011811023622047244; // 0.3 mm
    // Unset until read; the reader always stores it.
    Lazy<double> centerMargin{defaultCenterMargin};

    // The parametric attributes, then the two-row ones.
    void readXML(pugi::xml_node element) override;

protected:
    explicit TwoSidedFootprint(GraphicsSheet* sheet);
};
