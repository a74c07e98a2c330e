#include "document/SettingsEnums.h"

#include <array>
#include <utility>

namespace {
template <class E, size_t N>
std::optional<E> lookup(const std::array<std::pair<E, const char*>, N>& table, std::string_view text)
{
    for (const auto& [value, word] : table)
        if (text == word)
            return value;
    return std::nullopt;
}
template <class E, size_t N>
const char* word(const std::array<std::pair<E, const char*>, N>& table, E v)
{
    for (const auto& [value, w] : table)
        if (value == v)
            return w;
    return table[0].second;
}

constexpr std::array<std::pair<RenderMode, const char*>, 4> kRenderModes{{
    {RenderMode::wireframe, "wireframe"},
    {RenderMode::shaded, "shaded"},
    {RenderMode::textured, "textured"},
    {RenderMode::gooch, "gooch"},
}};
constexpr std::array<std::pair<ThermalCrossType, const char*>, 2> kThermalCrosses{{
    {ThermalCrossType::four, "four"},
    {ThermalCrossType::solid, "solid"},
}};
constexpr std::array<std::pair<TrackAngles, const char*>, 3> kTrackAngles{{
    {TrackAngles::free, "free"},
    {TrackAngles::fortyFive, "fortyFive"},
    {TrackAngles::ninety, "ninety"},
}};
constexpr std::array<std::pair<TrackSnapType, const char*>, 3> kTrackSnaps{{
    {TrackSnapType::none, "none"},
    {TrackSnapType::fortyFiveDegrees, "fortyFiveDegrees"},
    {TrackSnapType::ninetyDegrees, "ninetyDegrees"},
}};
constexpr std::array<std::pair<CopperPourQuality, const char*>, 3> kPourQualities{{
    {CopperPourQuality::high, "high"},
    {CopperPourQuality::low, "low"},
    {CopperPourQuality::quick, "quick"},
}};
constexpr std::array<std::pair<WireCornerStyle, const char*>, 3> kWireCorners{{
    {WireCornerStyle::orthogonal, "orthogonal"},
    {WireCornerStyle::rounded, "rounded"},
    {WireCornerStyle::beveled, "beveled"},
}};
constexpr std::array<std::pair<ElectricalSpacingType, const char*>, 2> kSpacings{{
    {ElectricalSpacingType::imperial, "imperial"},
    {ElectricalSpacingType::metric, "metric"},
}};
}

std::optional<RenderMode> renderModeFromString(std::string_view t) { return lookup(kRenderModes, t); }
std::optional<ThermalCrossType> thermalCrossTypeFromString(std::string_view t) { return lookup(kThermalCrosses, t); }
std::optional<TrackAngles> trackAnglesFromString(std::string_view t) { return lookup(kTrackAngles, t); }
std::optional<TrackSnapType> trackSnapTypeFromString(std::string_view t) { return lookup(kTrackSnaps, t); }
std::optional<CopperPourQuality> copperPourQualityFromString(std::string_view t) { return lookup(kPourQualities, t); }
std::optional<WireCornerStyle> wireCornerStyleFromString(std::string_view t) { return lookup(kWireCorners, t); }
std::optional<ElectricalSpacingType> electricalSpacingTypeFromString(std::string_view t) { return lookup(kSpacings, t); }

const char* toString(RenderMode v) { return word(kRenderModes, v); }
const char* toString(ThermalCrossType v) { return word(kThermalCrosses, v); }
const char* toString(TrackAngles v) { return word(kTrackAngles, v); }
const char* toString(TrackSnapType v) { return word(kTrackSnaps, v); }
const char* toString(CopperPourQuality v) { return word(kPourQualities, v); }
const char* toString(WireCornerStyle v) { return word(kWireCorners, v); }
const char* toString(ElectricalSpacingType v) { return word(kSpacings, v); }
