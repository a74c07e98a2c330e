#include "entities/footprints/BoardPackages.h"

void CastellatedPcb::readXML(pugi::xml_node element)
{
    ParametricFootprint::readXML(element);
    // The file writes the column count as "column"; the rectangle is the
    // element's "x", "y", "width" and "height".
    ParamReader(element)
        .pair("pitch", pitch)
        .integer("pinNumberOffset", pinNumberOffset)
        .boolean("clockwisePinOrder", clockwisePinOrder)
        .integer("rows", rows)
        .integer("column", columns)
        .rect(rectangle);
}

void EdgeConnectorFootprint::readXML(pugi::xml_node element)
{
    ParametricFootprint::readXML(element);
    ParamReader(element).number("pitch", pitch).integer("rows", rows);
}

void SpiralInductorFootprint::readXML(pugi::xml_node element)
{
    ParametricFootprint::readXML(element);
    // The track width is stored before the spacing is read, so a missing
    // spacing takes the width just read.
    ParamReader(element)
        .boolean("clockwise", clockwise)
        .number("innerRadius", innerRadius)
        .number("trackWidth", trackWidth)
        .number("trackSpacing", trackSpacing)
        .integer("rings", rings)
        .boolean("padsHaveHoled", padsHaveHoled);
}
