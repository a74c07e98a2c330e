#pragma once
// Two-terminal surface-mount chip parts: resistors and capacitors, tantalum
// capacitors included.

#include "entities/footprints/PackageFamily.h"
#include "entities/footprints/ParamReader.h"
#include "entities/footprints/ParametricFootprint.h"

#include <optional>
#include <string_view>

enum class ChipType { normal, tantalum };
std::optional<ChipType> chipTypeFromString(std::string_view text);
const char* toString(ChipType value);

class ChipFootprint : public PackageFamily<ChipFootprint, ParametricFootprint> {
public:
    static constexpr const char* familyName = "Chip Footprint";
    static constexpr const char* editorTitle = "Chip Footprint";
    using PackageFamily::PackageFamily;

    double padSeparation = 0.06692913385826772; // 1.7 mm
    Vector3 bodySize3D{0.0984251968503937, 0.03248031496062992, 0.03149606299212599}; // 2.5 x 0.825 x 0.8 mm
    // First value: 0.7 of the pad width.
    Lazy<double> capWidth{[this] { return padSize.width() * 0.7; }};
    ESeries eSeries = ESeries::none;
    ChipType packageType = ChipType::normal;

    void readXML(pugi::xml_node element) override;
};
using ChipFootprintEditor = PackageEditor<ChipFootprint>;
