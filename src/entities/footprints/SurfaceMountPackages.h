#pragma once
// Surface-mount families: BGA, quad, SOD323 and the SOT transistor packages.

#include "entities/footprints/PackageFamily.h"
#include "entities/footprints/ParamReader.h"
#include "entities/footprints/ParametricFootprint.h"

#include <QPointF>

#include <cstdint>
#include <optional>
#include <string_view>

class BGAFootprint : public PackageFamily<BGAFootprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "BGA Footprint";
    static constexpr const char* editorTitle = "BGA Footprint";
    using PackageFamily::PackageFamily;

    QPointF pitch = QPointF(0.0, 0.0); // a vector: x is dx, y is dy
    int64_t rows = 2;
    int64_t columns = 2;

    void readXML(pugi::xml_node element) override;
};
using BGAFootprintEditor = PackageEditor<BGAFootprint>;

class QuadFootprint : public PackageFamily<QuadFootprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "Quad Footprint";
    static constexpr const char* editorTitle = "Quad Footprint";
    using PackageFamily::PackageFamily;

    double pitch = 0.0;
    int64_t padNumberOffset = 0;
    bool clockwisePinOrder = false;
    int64_t rows = 1;
    int64_t columns = 1;
    PinLeadType leadType = PinLeadType::gullWing; // "leadless" in the file
    int64_t padSpacingX = 0;
    int64_t padSpacingY = 0;
    bool addCenterPads = false;
    double centerPadMargin = 0.03937007874015748; // 1.0 mm
    Id centerPadId{0};

    void readXML(pugi::xml_node element) override;
};
using QuadFootprintEditor = PackageEditor<QuadFootprint>;

class SOD323Footprint : public PackageFamily<SOD323Footprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "SOD323 Footprint";
    static constexpr const char* editorTitle = "SOD323 Footprint";
    using PackageFamily::PackageFamily;
};
using SOD323FootprintEditor = PackageEditor<SOD323Footprint>;

class SOT23Footprint : public PackageFamily<SOT23Footprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "SOT23 Footprint";
    static constexpr const char* editorTitle = "SOT23 Footprint";
    using PackageFamily::PackageFamily;

    static constexpr int64_t defaultPins = 3;
    Lazy<int64_t> pins{defaultPins};

    void readXML(pugi::xml_node element) override;
};
using SOT23FootprintEditor = PackageEditor<SOT23Footprint>;

class SOT89Footprint : public PackageFamily<SOT89Footprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "SOT89 Footprint";
    static constexpr const char* editorTitle = "SOT89 Footprint";
    using PackageFamily::PackageFamily;
};
using SOT89FootprintEditor = PackageEditor<SOT89Footprint>;

class SOT143Footprint : public PackageFamily<SOT143Footprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "SOT143 Footprint";
    static constexpr const char* editorTitle = "SOT143 Footprint";
    using PackageFamily::PackageFamily;

    // Where pin one sits.
    enum class PinOneConfiguration { topLeft, topRight, bottomLeft };
    static std::optional<PinOneConfiguration> pinOneConfigurationFromString(std::string_view text);
    static const char* toString(PinOneConfiguration value);

    PinOneConfiguration pinConfiguration = PinOneConfiguration::topLeft;

    void readXML(pugi::xml_node element) override;
};
using SOT143FootprintEditor = PackageEditor<SOT143Footprint>;

class SOT223Footprint : public PackageFamily<SOT223Footprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "SOT223 Footprint";
    static constexpr const char* editorTitle = "SOT223 Footprint";
    using PackageFamily::PackageFamily;
};
using SOT223FootprintEditor = PackageEditor<SOT223Footprint>;

class SOT353Footprint : public PackageFamily<SOT353Footprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "SOT353 Footprint";
    static constexpr const char* editorTitle = "SOT353 Footprint";
    using PackageFamily::PackageFamily;
};
using SOT353FootprintEditor = PackageEditor<SOT353Footprint>;
