#pragma once
// Package families with a cylindrical or disc-shaped body: axial, disc, LED,
// MELF and metal can.

#include "entities/footprints/PackageFamily.h"
#include "entities/footprints/ParamReader.h"
#include "entities/footprints/ParametricFootprint.h"

#include <QPointF>
#include <QSizeF>

#include <cstdint>

class AxialFootprint : public PackageFamily<AxialFootprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "Axial Footprint";
    static constexpr const char* editorTitle = "Axial Footprint";
    using PackageFamily::PackageFamily;

    ESeries eSeries = ESeries::none;
    bool addColorBands = false;
    bool verticalMount = false;
    bool polarized = false;
    bool addOnLeft = false;
    bool flipBody = false; // not in the file
    QPointF padSeparation = QPointF(0.0, 0.0); // a vector: x is dx, y is dy
    QSizeF bodySize = QSizeF(0.0, 0.0);

    void readXML(pugi::xml_node element) override;
};
using AxialFootprintEditor = PackageEditor<AxialFootprint>;

class DiscFootprint : public PackageFamily<DiscFootprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "Disc Footprint";
    static constexpr const char* editorTitle = "Disc Footprint";
    using PackageFamily::PackageFamily;

    static constexpr double defaultPadSeparation = 0.1;
    static constexpr double defaultAspectRatio = 1.0;
    // The reader always stores these, falling back to the constants.
    Lazy<double> padSeparation{defaultPadSeparation};
    Lazy<double> bodyAspectRatio{defaultAspectRatio};
    Lazy<double> heightAspectRatio{defaultAspectRatio};
    ESeries eSeries = ESeries::none;

    void readXML(pugi::xml_node element) override;
};
using DiscFootprintEditor = PackageEditor<DiscFootprint>;

class LEDFootprint : public PackageFamily<LEDFootprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "LED Footprint";
    static constexpr const char* editorTitle = "LED Footprint";
    using PackageFamily::PackageFamily;

    ESeries eSeries = ESeries::none;
    // First values follow the pad size, then the diameter.
    Lazy<double> bodyDiameter{[this] { return (padSize.width() + 0.1) * 1.1; }};
    Lazy<double> bodyHeight{[this] { return bodyDiameter.get() * 1.5; }};
    static constexpr double defaultPadSeparation = 0.1;
    Lazy<double> padSeparation{defaultPadSeparation};

    void readXML(pugi::xml_node element) override;
};
using LEDFootprintEditor = PackageEditor<LEDFootprint>;

class MELFFootprint : public PackageFamily<MELFFootprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "MELF Footprint";
    static constexpr const char* editorTitle = "MELF Footprint";
    using PackageFamily::PackageFamily;

    ESeries eSeries = ESeries::none;
    QSizeF bodySize = QSizeF(0.0, 0.0);
    QSizeF endCapsize = QSizeF(0.0, 0.0);
    bool addColorBands = false;
    bool polarized = false;
    double padSeparation = 0.0;

    void readXML(pugi::xml_node element) override;
};
using MELFFootprintEditor = PackageEditor<MELFFootprint>;

class MetalCanFootprint : public PackageFamily<MetalCanFootprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "Metal Can Footprint";
    static constexpr const char* editorTitle = "Metal Can Footprint";
    using PackageFamily::PackageFamily;

    double canRadius = 0.0;
    double canHeight = 0.0;
    double baseRingRadius = 0.0;
    double baseRingHeight = 0.0;
    static constexpr double defaultStubAngleInDegrees = 45.0;
    Lazy<double> stubAngleInDegrees{defaultStubAngleInDegrees};
    double stubSize = 0.0;
    double pinRadius = 0.0;
    int64_t defaultPins = 3; // not in the file
    Lazy<int64_t> pins{[this] { return defaultPins; }};

    void readXML(pugi::xml_node element) override;
};
using MetalCanFootprintEditor = PackageEditor<MetalCanFootprint>;
