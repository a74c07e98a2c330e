#include "entities/footprints/RadialAndToPackages.h"

#include "core/EnumWords.h"
#include "entities/footprints/ParamReader.h"

namespace {
using R = RadialCapacitorType;
constexpr auto radialWords = enumWords<R>({
    {R::b, "b"},
    {R::c, "c"},
    {R::d, "d"},
    {R::d8, "d8"},
    {R::e, "e"},
    {R::tph, "tph"},
    {R::f, "f"},
    {R::g, "g"},
    {R::h13, "h13"},
    {R::j16, "j16"},
    {R::k16, "k16"},
});
} // namespace

std::optional<RadialCapacitorType> radialCapacitorTypeFromString(std::string_view text)
{
    return radialWords.fromString(text);
}

const char* toString(RadialCapacitorType value) { return radialWords.toString(value); }

void RadialFootprint::readXML(pugi::xml_node element)
{
    ParametricFootprint::readXML(element);
    // The file's names differ from the fields': "packageType" is the
    // capacitor type and "roundness" the pad separation.
    ParamReader(element)
        .enumeration("packageType", radialCapacitorType, RadialCapacitorType::tph, radialCapacitorTypeFromString)
        .number("roundness", padSeparation)
        .number("bodyDiameter", bodyDiameter)
        .number("bodyHeight", bodyHeight)
        .boolean("polarized", polarized);
}

void TO66Footprint::readXML(pugi::xml_node element)
{
    ParametricFootprint::readXML(element);
    ParamReader(element)
        .boolean("isTo66", isTo66)
        .boolean("addHeatSink", addHeatSink)
        .boolean("hide", swatHeatSink);
}

void TO220Footprint::readXML(pugi::xml_node element)
{
    ParametricFootprint::readXML(element);
    ParamReader(element).boolean("addHeatSink", addHeatSink);
}
