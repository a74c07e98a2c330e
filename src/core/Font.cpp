#include "core/Font.h"

#include "core/Readers.h"

void Font::readXML(pugi::xml_node element)
{
    // An empty family would silently select the system font: keep the current one.
    if (std::optional<std::string> family = readStringAttribute(element, "familyName"); family && !family->empty())
        familyName = QString::fromStdString(*family);
    height = readDoubleAttribute(element, "height", height);
    bold = readBoolAttribute(element, "bold", bold);
    italic = readBoolAttribute(element, "italic", italic);
    underline = readBoolAttribute(element, "underline", underline);
    strikeout = readBoolAttribute(element, "strikeout", strikeout);
}

Font readChildFont(pugi::xml_node element, const char* childName, const Font& current)
{
    pugi::xml_node child = childElement(element, childName);
    if (!child)
        return current;
    Font font = current;
    font.readXML(child);
    return font;
}
