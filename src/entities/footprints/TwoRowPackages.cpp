#include "entities/footprints/TwoRowPackages.h"

#include "core/EnumWords.h"
#include <QColor>

namespace {
constexpr auto dipTypeWords = enumWords<DIPFootprint::PackageType>({
    {DIPFootprint::PackageType::dip, "dip"},
    {DIPFootprint::PackageType::led, "led"},
    {DIPFootprint::PackageType::rockerSwitch, "switch"},
});
} // namespace

void BlockFootprint::readXML(pugi::xml_node element)
{
    TwoSidedFootprint::readXML(element);
    ParamReader(element)
        .number("verticalHeight", verticalHeight)
        .size("margin", margin)
        .enumeration("eSeries", eSeries, ESeries::none, eSeriesFromString);
}

void BoxedSocketFootprint::readXML(pugi::xml_node element)
{
    TwoSidedFootprint::readXML(element);
    ParamReader(element)
        .floatNumber("bottom", bottom)
        .floatNumber("top", top)
        .floatNumber("bodyClearance", bodyClearance)
        .boolean("angled", angled)
        .boolean("leftFacingIfAngles", leftFacingIfAngles)
        .boolean("keyHoleOnBottom", keyHoleOnBottom);
}

void CrystalFootprint::readXML(pugi::xml_node element)
{
    TwoSidedFootprint::readXML(element);
    ParamReader(element)
        .number("roundness", roundness)
        .enumeration("eSeries", eSeries, ESeries::none, eSeriesFromString);
}

std::optional<DIPFootprint::PackageType> DIPFootprint::packageTypeFromString(std::string_view text)
{
    return dipTypeWords.fromString(text);
}

const char* DIPFootprint::toString(PackageType value) { return dipTypeWords.toString(value); }

void DIPFootprint::readXML(pugi::xml_node element)
{
    TwoSidedFootprint::readXML(element);
    ParamReader(element).boolean("addSocket", addSocket);
    // Black, not the current colour, stands in for a missing or unreadable
    // socket colour.
    socketColor = readColorAttribute(element, "socketColor", QColor::fromRgbF(0, 0, 0, 1));
    // The file names the field "type".
    ParamReader(element).enumeration("type", packageType, PackageType::dip, packageTypeFromString);
}

void FemaleHeaderFootprint::readXML(pugi::xml_node element)
{
    TwoSidedFootprint::readXML(element);
    ParamReader(element)
        .floatNumber("bottom", bottom)
        .floatNumber("top", top)
        .floatNumber("bodyClearance", bodyClearance)
        .floatNumber("bodyHeight", bodyHeight);
}

void MaleHeaderFootprint::readXML(pugi::xml_node element)
{
    TwoSidedFootprint::readXML(element);
    ParamReader(element).floatNumber("bottom", bottom).floatNumber("top", top);
    // Unlike bottom and top, these two fall back to 0 rather than keeping
    // their value.
    bodyClearance = readFloatAttribute(element, "bodyClearance", 0.0);
    bodyHeight = readFloatAttribute(element, "bodyHeight", 0.0);
}

void XHSocketFootprint::readXML(pugi::xml_node element)
{
    TwoSidedFootprint::readXML(element);
    // Both "extension" and "bottom" feed bottom; "bottom" is read last and
    // wins when both are readable.
    ParamReader(element)
        .boolean("angled", angled)
        .number("extension", bottom)
        .number("bottom", bottom)
        .number("top", top)
        .number("bodyClearance", bodyClearance)
        .number("bodyHeight", bodyHeight);
    leadType = PinLeadType::straight;
}
