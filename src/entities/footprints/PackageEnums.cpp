#include "entities/footprints/PackageEnums.h"

#include "core/EnumWords.h"

namespace {

constexpr auto pinLeadWords = enumWords<PinLeadType>({
    {PinLeadType::leadLess, "leadLess"},
    {PinLeadType::straight, "straight"},
    {PinLeadType::gullWing, "gullWing"},
    {PinLeadType::jLead, "jLead"},
});

constexpr auto pinMaterialWords = enumWords<PinMaterialType>({
    {PinMaterialType::gold, "gold"},
    {PinMaterialType::dullGold, "dullGold"},
    {PinMaterialType::silver, "silver"},
    {PinMaterialType::dullSilver, "dullSilver"},
});

constexpr auto sidesWords = enumWords<SidesType>({
    {SidesType::fourSided, "fourSided"},
    {SidesType::leftAndRight, "leftAndRight"},
    {SidesType::left, "left"},
});

constexpr auto eSeriesWords = enumWords<ESeries>({
    {ESeries::e6, "e6"},
    {ESeries::e12, "e12"},
    {ESeries::e24, "e24"},
    {ESeries::e48, "e48"},
    {ESeries::none, "none"},
});

} // namespace

std::optional<PinLeadType> pinLeadTypeFromString(std::string_view text) { return pinLeadWords.fromString(text); }
std::optional<PinMaterialType> pinMaterialTypeFromString(std::string_view text) { return pinMaterialWords.fromString(text); }
std::optional<SidesType> sidesTypeFromString(std::string_view text) { return sidesWords.fromString(text); }
std::optional<ESeries> eSeriesFromString(std::string_view text) { return eSeriesWords.fromString(text); }

const char* toString(PinLeadType value) { return pinLeadWords.toString(value); }
const char* toString(PinMaterialType value) { return pinMaterialWords.toString(value); }
const char* toString(SidesType value) { return sidesWords.toString(value); }
const char* toString(ESeries value) { return eSeriesWords.toString(value); }
