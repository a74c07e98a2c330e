#pragma once
// Board-level families: castellated board, edge connector, generic
// footprint, spiral antenna and spiral inductor.

#include "entities/footprints/PackageFamily.h"
#include "entities/footprints/ParamReader.h"
#include "entities/footprints/ParametricFootprint.h"

#include <QPointF>
#include <QRectF>

#include <cstdint>

class CastellatedPcb : public PackageFamily<CastellatedPcb, ParametricFootprint> {
public:
    static constexpr const char* familyName = "Castellated Pcb";
    static constexpr const char* editorTitle = "Castellated Pcb";
    using PackageFamily::PackageFamily;

    QPointF pitch = QPointF(0.0, 0.0); // a vector: x is dx, y is dy
    int64_t pinNumberOffset = 0;
    bool clockwisePinOrder = true;
    int64_t rows = 1;
    int64_t columns = 1; // "column" in the file
    QRectF rectangle = QRectF(0, 0, 0, 0);

    void readXML(pugi::xml_node element) override;
};
using CastellatedPcbEditor = PackageEditor<CastellatedPcb>;

class EdgeConnectorFootprint : public PackageFamily<EdgeConnectorFootprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "Edge Connector";
    static constexpr const char* editorTitle = "Edge Connector";
    using PackageFamily::PackageFamily;

    static constexpr double defaultPitch = 0.1;
    Lazy<double> pitch{defaultPitch};
    static constexpr int64_t defaultRows = 7;
    Lazy<int64_t> rows{defaultRows};

    void readXML(pugi::xml_node element) override;
};
using EdgeConnectorFootprintEditor = PackageEditor<EdgeConnectorFootprint>;

class GenericFootprint : public PackageFamily<GenericFootprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "Generic Footprint";
    static constexpr const char* editorTitle = "Generic Footprint";
    using PackageFamily::PackageFamily;
};
using GenericFootprintEditor = PackageEditor<GenericFootprint>;

class SpiralAntennaFootprint : public PackageFamily<SpiralAntennaFootprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "Spiral Antenna";
    static constexpr const char* editorTitle = "Spiral Antenna";
    using PackageFamily::PackageFamily;
};
using SpiralAntennaFootprintEditor = PackageEditor<SpiralAntennaFootprint>;

class SpiralInductorFootprint : public PackageFamily<SpiralInductorFootprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "Spiral Inductor";
    static constexpr const char* editorTitle = "Spiral Inductor";
    using PackageFamily::PackageFamily;

    bool clockwise = false;
    static constexpr double defaultInnerRadius = 0.3937007874015748; // 10 mm
    Lazy<double> innerRadius{defaultInnerRadius};
    double defaultTrackWidth = 0.03937007874015748; // 1 mm; not in the file
    Lazy<double> trackWidth{[this] { return defaultTrackWidth; }};
    // First value: the track width.
    Lazy<double> trackSpacing{[this] { return trackWidth.get(); }};
    static constexpr int64_t defaultRings = 4;
    Lazy<int64_t> rings{defaultRings};
    static constexpr bool defaultPadsHaveHoled = true;
    Lazy<bool> padsHaveHoled{defaultPadsHaveHoled};

    void readXML(pugi::xml_node element) override;
};
using SpiralInductorFootprintEditor = PackageEditor<SpiralInductorFootprint>;
