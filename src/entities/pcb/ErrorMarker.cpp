#include "entities/pcb/ErrorMarker.h"

#include "core/EnumWords.h"
#include "core/Readers.h"

#include <utility>

namespace {
constexpr auto kErrorTypeWords = enumWords<ErrorType>({
    {ErrorType::point, "point"},
    {ErrorType::line, "line"},
    {ErrorType::graphicsPath, "graphicsPath"},
});
}

std::optional<ErrorType> errorTypeFromString(std::string_view text) { return kErrorTypeWords.fromString(text); }

const char* toString(ErrorType value) { return kErrorTypeWords.toString(value); }

PcbError::PcbError(GraphicsSheet* sheet) : Entity(sheet)
{
}

void PcbError::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    // Missing or unknown is a point marker, whatever was there before.
    errorType = readEnumAttribute(element, "trackSnap", ErrorType::point, errorTypeFromString);
    errorGroup = readTextAttribute(element, "group", errorGroup);
    position = readPointAttribute(element, "location", position);
    lineStart = readPointAttribute(element, "start", lineStart);
    lineEnd = readPointAttribute(element, "end", lineEnd);
    diameter = readDoubleAttribute(element, "diameter", diameter);
    shortMessage = readTextAttribute(element, "error", shortMessage);
    if (pugi::xml_node path = childElement(element, "path"))
        graphicsPath.read(path);
}

QWidget* PcbError::editorView(const std::shared_ptr<Entity>& self)
{
    return new PcbErrorEditor(std::static_pointer_cast<PcbError>(self));
}

PcbErrorEditor::PcbErrorEditor(std::shared_ptr<PcbError> e, QWidget* parent)
    : FrameEditor(QStringLiteral("PCB Error"), {}, parent), pcbError(std::move(e))
{
    keepEntityAlive(pcbError);
}
