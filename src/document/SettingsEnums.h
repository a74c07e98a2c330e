#pragma once
// Enumerations of the PCB and schematic settings. Each converts from the word
// written in the file (none for any other word) and back.

#include <optional>
#include <string_view>

enum class RenderMode { wireframe, shaded, textured, gooch };
enum class ThermalCrossType { four, solid };
enum class TrackAngles { free, fortyFive, ninety };
enum class TrackSnapType { none, fortyFiveDegrees, ninetyDegrees };
enum class CopperPourQuality { high, low, quick };
enum class WireCornerStyle { orthogonal, rounded, beveled };
enum class ElectricalSpacingType { imperial, metric };

std::optional<RenderMode> renderModeFromString(std::string_view text);
std::optional<ThermalCrossType> thermalCrossTypeFromString(std::string_view text);
std::optional<TrackAngles> trackAnglesFromString(std::string_view text);
std::optional<TrackSnapType> trackSnapTypeFromString(std::string_view text);
std::optional<CopperPourQuality> copperPourQualityFromString(std::string_view text);
std::optional<WireCornerStyle> wireCornerStyleFromString(std::string_view text);
std::optional<ElectricalSpacingType> electricalSpacingTypeFromString(std::string_view text);

const char* toString(RenderMode v);
const char* toString(ThermalCrossType v);
const char* toString(TrackAngles v);
const char* toString(TrackSnapType v);
const char* toString(CopperPourQuality v);
const char* toString(WireCornerStyle v);
const char* toString(ElectricalSpacingType v);
