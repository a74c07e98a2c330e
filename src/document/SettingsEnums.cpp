#include "document/SettingsEnums.h"

#include "core/EnumWords.h"

namespace {
constexpr auto kRenderModes = enumWords<RenderMode>({
    {RenderMode::wireframe, "wireframe"},
    {RenderMode::shaded, "shaded"},
    {RenderMode::textured, "textured"},
    {RenderMode::gooch, "gooch"},
});
constexpr auto kThermalCrosses = enumWords<ThermalCrossType>({
    {ThermalCrossType::four, "four"},
    {ThermalCrossType::solid, "solid"},
});
constexpr auto kTrackAngles = enumWords<TrackAngles>({
    {TrackAngles::free, "free"},
    {TrackAngles::fortyFive, "fortyFive"},
    {TrackAngles::ninety, "ninety"},
});
constexpr auto kTrackSnaps = enumWords<TrackSnapType>({
    {TrackSnapType::none, "none"},
    {TrackSnapType::fortyFiveDegrees, "fortyFiveDegrees"},
    {TrackSnapType::ninetyDegrees, "ninetyDegrees"},
});
constexpr auto kPourQualities = enumWords<CopperPourQuality>({
    {CopperPourQuality::high, "high"},
    {CopperPourQuality::low, "low"},
    {CopperPourQuality::quick, "quick"},
});
constexpr auto kWireCorners = enumWords<WireCornerStyle>({
    {WireCornerStyle::orthogonal, "orthogonal"},
    {WireCornerStyle::rounded, "rounded"},
    {WireCornerStyle::beveled, "beveled"},
});
constexpr auto kSpacings = enumWords<ElectricalSpacingType>({
    {ElectricalSpacingType::imperial, "imperial"},
    {ElectricalSpacingType::metric, "metric"},
});
}

std::optional<RenderMode> renderModeFromString(std::string_view t) { return kRenderModes.fromString(t); }
std::optional<ThermalCrossType> thermalCrossTypeFromString(std::string_view t) { return kThermalCrosses.fromString(t); }
std::optional<TrackAngles> trackAnglesFromString(std::string_view t) { return kTrackAngles.fromString(t); }
std::optional<TrackSnapType> trackSnapTypeFromString(std::string_view t) { return kTrackSnaps.fromString(t); }
std::optional<CopperPourQuality> copperPourQualityFromString(std::string_view t) { return kPourQualities.fromString(t); }
std::optional<WireCornerStyle> wireCornerStyleFromString(std::string_view t) { return kWireCorners.fromString(t); }
std::optional<ElectricalSpacingType> electricalSpacingTypeFromString(std::string_view t) { return kSpacings.fromString(t); }

const char* toString(RenderMode v) { return kRenderModes.toString(v); }
const char* toString(ThermalCrossType v) { return kThermalCrosses.toString(v); }
const char* toString(TrackAngles v) { return kTrackAngles.toString(v); }
const char* toString(TrackSnapType v) { return kTrackSnaps.toString(v); }
const char* toString(CopperPourQuality v) { return kPourQualities.toString(v); }
const char* toString(WireCornerStyle v) { return kWireCorners.toString(v); }
const char* toString(ElectricalSpacingType v) { return kSpacings.toString(v); }
