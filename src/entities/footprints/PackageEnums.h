#pragma once
// Enumerations shared by several package families. Each case's text is the
// word written in the design file; a word is matched exactly (case included,
// no trimming) and an unknown word gives none.

#include <optional>
#include <string_view>

// The shape of a package's leads.
enum class PinLeadType { leadLess, straight, gullWing, jLead };
// The plating of the pins.
enum class PinMaterialType { gold, dullGold, silver, dullSilver };
// On which sides of the package the terminals stand.
enum class SidesType { fourSided, leftAndRight, left };
// The series of preferred values a part's value is taken from; only the tag
// is kept.
enum class ESeries { e6, e12, e24, e48, none };

std::optional<PinLeadType> pinLeadTypeFromString(std::string_view text);
std::optional<PinMaterialType> pinMaterialTypeFromString(std::string_view text);
std::optional<SidesType> sidesTypeFromString(std::string_view text);
std::optional<ESeries> eSeriesFromString(std::string_view text);

const char* toString(PinLeadType value);
const char* toString(PinMaterialType value);
const char* toString(SidesType value);
const char* toString(ESeries value);
