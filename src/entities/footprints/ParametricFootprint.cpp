#include "entities/footprints/ParametricFootprint.h"

#include "entities/footprints/ParamReader.h"

ParametricFootprint::ParametricFootprint(GraphicsSheet* sheet) : Footprint(sheet)
{
}

void ParametricFootprint::readXML(pugi::xml_node element)
{
    Footprint::readXML(element);
    ParamReader r(element);
    r.boolean("addFiducials", addFiducials);
    // The file's name for the field is shorter than the field's.
    r.enumeration("arrangeTerminals", arrangeTerminalsOnSides, SidesType::leftAndRight, sidesTypeFromString);
    r.boolean("autoGenerate3D", autoGenerate3D);
    r.boolean("autoGeneratePackageBody", autoGeneratePackageBody);
    r.number("courtyardExcess", courtyardExcess);
    r.boolean("flipPackageText", flipPackageText);
    r.number("holeDiameter", holeDiameter);
    r.color("packageColor", packageColor);
    r.number("packageDepth", packageDepth);
    r.number("padRoundness", padRoundness);
    r.size("padSize", padSize);
    r.enumeration("pinMaterial", pinMaterial, PinMaterialType::silver, pinMaterialTypeFromString);
    r.enumeration("roundedSide", roundedSide, RoundedSideType::all, roundedSideTypeFromString);
    r.boolean("roundPads", roundPads);
    r.number("silkscreenExcess", silkscreenExcess);
    materialParameters.readMaterialParameters(element);
}
