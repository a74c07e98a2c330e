#include "entities/drawing/TextLines.h"

#include "core/Readers.h"

TextLines::TextLines(GraphicsSheet* sheet) : TextEntity(sheet)
{
}

void TextLines::readXML(pugi::xml_node element)
{
    TextEntity::readXML(element);
    subPickable = readBoolAttribute(element, "subPickable", subPickable);
    extrusionBase = readDoubleAttribute(element, "extrusionBase", extrusionBase);
    extrusionHeight = readDoubleAttribute(element, "extrusionHeight", extrusionHeight);
}
