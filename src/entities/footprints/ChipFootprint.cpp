#include "entities/footprints/ChipFootprint.h"

#include "core/EnumWords.h"

namespace {
constexpr auto chipTypeWords = enumWords<ChipType>({{ChipType::normal, "normal"}, {ChipType::tantalum, "tantalum"}});
} // namespace

std::optional<ChipType> chipTypeFromString(std::string_view text) { return chipTypeWords.fromString(text); }
const char* toString(ChipType value) { return chipTypeWords.toString(value); }

void ChipFootprint::readXML(pugi::xml_node element)
{
    ParametricFootprint::readXML(element);
    // capWidth's first value uses the pad size just read.
    ParamReader(element)
        .number("padSeparation", padSeparation)
        .vector3("bodySize3D", bodySize3D)
        .floatNumber("capWidth", capWidth)
        .enumeration("eSeries", eSeries, ESeries::none, eSeriesFromString)
        .enumeration("packageType", packageType, ChipType::normal, chipTypeFromString);
}
