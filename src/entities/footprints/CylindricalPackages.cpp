#include "entities/footprints/CylindricalPackages.h"

void AxialFootprint::readXML(pugi::xml_node element)
{
    ParametricFootprint::readXML(element);
    ParamReader(element)
        .enumeration("eSeries", eSeries, ESeries::none, eSeriesFromString)
        .boolean("addColorBands", addColorBands)
        .boolean("verticalMount", verticalMount)
        .boolean("polarized", polarized)
        .boolean("addOnLeft", addOnLeft)
        .pair("padSeparation", padSeparation)
        .size("bodySize", bodySize);
}

void DiscFootprint::readXML(pugi::xml_node element)
{
    ParametricFootprint::readXML(element);
    ParamReader(element).enumeration("eSeries", eSeries, ESeries::none, eSeriesFromString);
    // Fixed fallbacks: a value read before plays no part.
    padSeparation.set(readDoubleAttribute(element, "padSeparation", defaultPadSeparation));
    bodyAspectRatio.set(readDoubleAttribute(element, "bodyAspectRatio", defaultAspectRatio));
    heightAspectRatio.set(readDoubleAttribute(element, "heightAspectRatio", defaultAspectRatio));
}

void LEDFootprint::readXML(pugi::xml_node element)
{
    ParametricFootprint::readXML(element);
    // In this order: the diameter's first value uses the pad size just read,
    // the height's the diameter just stored.
    ParamReader(element)
        .enumeration("eSeries", eSeries, ESeries::none, eSeriesFromString)
        .number("bodyDiameter", bodyDiameter)
        .number("bodyHeight", bodyHeight)
        .number("padSeparation", padSeparation);
}

void MELFFootprint::readXML(pugi::xml_node element)
{
    ParametricFootprint::readXML(element);
    ParamReader(element)
        .enumeration("eSeries", eSeries, ESeries::none, eSeriesFromString)
        .size("bodySize", bodySize)
        .size("endCapsize", endCapsize)
        .boolean("addColorBands", addColorBands)
        .boolean("polarized", polarized)
        .number("padSeparation", padSeparation);
}

void MetalCanFootprint::readXML(pugi::xml_node element)
{
    ParametricFootprint::readXML(element);
    ParamReader(element)
        .number("canRadius", canRadius)
        .number("canHeight", canHeight)
        .number("baseRingRadius", baseRingRadius)
        .number("baseRingHeight", baseRingHeight)
        .number("stubAngleInDegrees", stubAngleInDegrees)
        .number("stubSize", stubSize)
        .number("pinRadius", pinRadius)
        .integer("pins", pins);
}
