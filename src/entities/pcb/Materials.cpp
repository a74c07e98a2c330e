#include "entities/pcb/Materials.h"

#include "core/Readers.h"

void MaterialParameters::readMaterialParameters(pugi::xml_node element)
{
    reflectiveSurface = readBoolAttribute(element, "reflectiveSurface", reflectiveSurface);
    reflectivePower = readDoubleAttribute(element, "reflectivePower", reflectivePower);
    color = readColorAttribute(element, "color", color);
    parametricBitmap.reset();
}
