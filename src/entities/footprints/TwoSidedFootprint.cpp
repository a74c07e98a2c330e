#include "entities/footprints/TwoSidedFootprint.h"

TwoSidedFootprint::TwoSidedFootprint(GraphicsSheet* sheet) : ParametricFootprint(sheet)
{
}

void TwoSidedFootprint::readXML(pugi::xml_node element)
{
    ParametricFootprint::readXML(element);
    // "addCenterPad" comes before "leadType" in the file's order. A missing
    // lead type reads as jLead, not the initial gullWing.
    ParamReader(element)
        .boolean("doubleSided", doubleSided)
        .pair("pitch", pitch)
        .text("leftPrefix", leftPrefix)
        .text("rightPrefix", rightPrefix)
        .integer("rows", rows)
        .boolean("addCenterPad", addCenterPad)
        .enumeration("leadType", leadType, PinLeadType::jLead, pinLeadTypeFromString);
    // The fallback is the fixed default, not a margin read earlier.
    centerMargin.set(readDoubleAttribute(element, "centerMargin", defaultCenterMargin));
}
