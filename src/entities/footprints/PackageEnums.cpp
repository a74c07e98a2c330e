#include "entities/footprints/PackageEnums.h"

#include <array>
#include <utility>

namespace {

// One table per enumeration, in case order, so that the words are written
// once for both directions.
template <class E, size_t N>
using Words = std::array<std::pair<E, const char*>, N>;

constexpr Words<PinLeadType, 4> pinLeadWords{{
    {PinLeadType::leadLess, "leadLess"},
    {PinLeadType::straight, "straight"},
    {PinLeadType::gullWing, "gullWing"},
    {PinLeadType::jLead, "jLead"},
}};

constexpr Words<PinMaterialType, 4> pinMaterialWords{{
    {PinMaterialType::gold, "gold"},
    {PinMaterialType::dullGold, "dullGold"},
    {PinMaterialType::silver, "silver"},
    {PinMaterialType::dullSilver, "dullSilver"},
}};

constexpr Words<SidesType, 3> sidesWords{{
    {SidesType::fourSided, "fourSided"},
    {SidesType::leftAndRight, "leftAndRight"},
    {SidesType::left, "left"},
}};

constexpr Words<ESeries, 5> eSeriesWords{{
    {ESeries::e6, "e6"},
    {ESeries::e12, "e12"},
    {ESeries::e24, "e24"},
    {ESeries::e48, "e48"},
    {ESeries::none, "none"},
}};

template <class E, size_t N>
std::optional<E> fromWord(const Words<E, N>& words, std::string_view text)
{
    for (const auto& [value, word] : words)
        if (text == word)
            return value;
    return std::nullopt;
}

template <class E, size_t N>
const char* toWord(const Words<E, N>& words, E value)
{
    for (const auto& [v, word] : words)
        if (v == value)
            return word;
    return words.front().second;
}

} // namespace

std::optional<PinLeadType> pinLeadTypeFromString(std::string_view text) { return fromWord(pinLeadWords, text); }
std::optional<PinMaterialType> pinMaterialTypeFromString(std::string_view text) { return fromWord(pinMaterialWords, text); }
std::optional<SidesType> sidesTypeFromString(std::string_view text) { return fromWord(sidesWords, text); }
std::optional<ESeries> eSeriesFromString(std::string_view text) { return fromWord(eSeriesWords, text); }

const char* toString(PinLeadType value) { return toWord(pinLeadWords, value); }
const char* toString(PinMaterialType value) { return toWord(pinMaterialWords, value); }
const char* toString(SidesType value) { return toWord(sidesWords, value); }
const char* toString(ESeries value) { return toWord(eSeriesWords, value); }
