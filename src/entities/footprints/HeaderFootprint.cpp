#include "entities/footprints/HeaderFootprint.h"

#include "core/Readers.h"
#include "entities/footprints/TwoRowPackages.h"

#include <string>

std::shared_ptr<TwoSidedFootprint> makeHeaderFootprint(pugi::xml_node element, GraphicsSheet* sheet)
{
    if (readBoolAttribute(element, "female", false))
        return std::make_shared<FemaleHeaderFootprint>(sheet);
    if (readBoolAttribute(element, "boxed", false))
        return std::make_shared<BoxedSocketFootprint>(sheet);
    const std::string type = readStringAttribute(element, "type", std::string("male"));
    if (type == "female")
        return std::make_shared<FemaleHeaderFootprint>(sheet);
    if (type == "boxed")
        return std::make_shared<BoxedSocketFootprint>(sheet);
    if (type == "xt")
        return std::make_shared<XHSocketFootprint>(sheet);
    // "male", no type, and any type it does not know.
    return std::make_shared<MaleHeaderFootprint>(sheet);
}
