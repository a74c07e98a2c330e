#include "entities/footprints/SurfaceMountPackages.h"

#include "core/EnumWords.h"

namespace {
using P = SOT143Footprint::PinOneConfiguration;
constexpr auto pinOneWords = enumWords<P>({
    {P::topLeft, "topLeft"},
    {P::topRight, "topRight"},
    {P::bottomLeft, "bottomLeft"},
});
} // namespace

void BGAFootprint::readXML(pugi::xml_node element)
{
    ParametricFootprint::readXML(element);
    ParamReader(element).pair("pitch", pitch).integer("rows", rows).integer("columns", columns);
}

void QuadFootprint::readXML(pugi::xml_node element)
{
    ParametricFootprint::readXML(element);
    // The lead type is the file's "leadless"; a missing one reads as jLead.
    ParamReader(element)
        .number("pitch", pitch)
        .integer("padNumberOffset", padNumberOffset)
        .boolean("clockwisePinOrder", clockwisePinOrder)
        .integer("rows", rows)
        .integer("columns", columns)
        .enumeration("leadless", leadType, PinLeadType::jLead, pinLeadTypeFromString)
        .integer("padSpacingX", padSpacingX)
        .integer("padSpacingY", padSpacingY)
        .boolean("addCenterPads", addCenterPads)
        .number("centerPadMargin", centerPadMargin)
        .id("centerPadId", centerPadId);
}

void SOT23Footprint::readXML(pugi::xml_node element)
{
    ParametricFootprint::readXML(element);
    ParamReader(element).integer("pins", pins);
}

std::optional<SOT143Footprint::PinOneConfiguration> SOT143Footprint::pinOneConfigurationFromString(
    std::string_view text)
{
    return pinOneWords.fromString(text);
}

const char* SOT143Footprint::toString(PinOneConfiguration value) { return pinOneWords.toString(value); }

void SOT143Footprint::readXML(pugi::xml_node element)
{
    ParametricFootprint::readXML(element);
    ParamReader(element).enumeration("pinConfiguration", pinConfiguration, PinOneConfiguration::topLeft,
                                     pinOneConfigurationFromString);
}
