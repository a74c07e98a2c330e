#include "entities/pcb/Materials.h"

#include "core/Readers.h"

void QelMaterial::readXML(pugi::xml_node element)
{
    color = readColorAttribute(element, "color", color);
    reflectiveSurface = readBoolAttribute(element, "reflective", false);
    reflectivePower = readFloatAttribute(element, "reflectivePower", reflectivePower);
    bitmap.reset();
}

void MaterialParameters::readMaterialParameters(pugi::xml_node element)
{
    reflectiveSurface = readBoolAttribute(element, "reflectiveSurface", reflectiveSurface);
    reflectivePower = readDoubleAttribute(element, "reflectivePower", reflectivePower);
    color = readColorAttribute(element, "color", color);
    parametricBitmap.reset();
}
