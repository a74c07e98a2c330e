#pragma once
// The radial capacitor package and the TO transistor packages.

#include "entities/footprints/PackageFamily.h"
#include "entities/footprints/ParametricFootprint.h"

#include <optional>
#include <string_view>

// The radial capacitor's package size; the words are the case names.
enum class RadialCapacitorType { b, c, d, d8, e, tph, f, g, h13, j16, k16 };
std::optional<RadialCapacitorType> radialCapacitorTypeFromString(std::string_view text);
const char* toString(RadialCapacitorType value);

class RadialFootprint : public PackageFamily<RadialFootprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "Radial Footprint";
    static constexpr const char* editorTitle = "Radial Footprint";
    using PackageFamily::PackageFamily;

    RadialCapacitorType radialCapacitorType = RadialCapacitorType::tph; // "packageType" in the file
    double padSeparation = 0.2;                                         // "roundness" in the file
    double bodyDiameter = 1.0;
    double bodyHeight = 1.0;
    bool polarized = false;

    void readXML(pugi::xml_node element) override;
};
using RadialFootprintEditor = PackageEditor<RadialFootprint>;

class TO66Footprint : public PackageFamily<TO66Footprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "TO66 Footprint";
    static constexpr const char* editorTitle = "TO66 Footprint";
    using PackageFamily::PackageFamily;

    bool isTo66 = false;
    bool addHeatSink = false;
    bool swatHeatSink = false; // "hide" in the file

    void readXML(pugi::xml_node element) override;
};
using TO66FootprintEditor = PackageEditor<TO66Footprint>;

class TO92Footprint : public PackageFamily<TO92Footprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "TO92 Footprint";
    static constexpr const char* editorTitle = "TO92 Footprint";
    using PackageFamily::PackageFamily;
};
using TO92FootprintEditor = PackageEditor<TO92Footprint>;

class TO220Footprint : public PackageFamily<TO220Footprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "TO220 Footprint";
    static constexpr const char* editorTitle = "TO220 Footprint";
    using PackageFamily::PackageFamily;

    bool addHeatSink = false;

    void readXML(pugi::xml_node element) override;
};
using TO220FootprintEditor = PackageEditor<TO220Footprint>;

class TO252Footprint : public PackageFamily<TO252Footprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "TO252 Footprint";
    static constexpr const char* editorTitle = "TO252 Footprint";
    using PackageFamily::PackageFamily;
};
using TO252FootprintEditor = PackageEditor<TO252Footprint>;
